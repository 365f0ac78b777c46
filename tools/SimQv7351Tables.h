#pragma once

#include <QByteArray>
#include <QHash>
#include <array>
#include <cstdint>
#include <optional>

class ModuleSim;

// The QV7351 module's two row tables, 64 rows each: the input-parsing table
// (code A8, rows of 256 payload bytes) and the SMS command table (code A9,
// rows of 128). A row is kept as its payload p: p[0] the sum of the rest,
// p[1] the row index, then the row body; that is the row write frame from
// its byte 11 on, and what a row read answers behind the length.
//
//  - Row read, code 02 n (11 bytes): a stored row n is answered with code,
//    status, L (little endian) and the payload as stored. A row that is not
//    stored (n of 64 and above included) is answered as `end` says.
//  - Row write, code 01 n sum n body (267 / 139 bytes): a frame whose two
//    index bytes agree, whose index is below 64 and whose sum holds is
//    stored and answered "SETOK:" with the index in two decimal digits;
//    otherwise "SETFAIL:". The acknowledgement can be chosen per row.
//  - Clear, code 04 01 (11 bytes): "CLROK:" empties the table; "CLRFAIL:"
//    keeps it.
//
// Other operations of A8 (the collection settings) are not taken here.
class SimQv7351Tables {
public:
    enum class Table { Input, Command };  // A8, A9
    // How a read past the stored rows is answered: a 12-byte frame with
    // L = 0; a full-size frame (12 + row size bytes) with L = 0 and a zero
    // payload; or not at all.
    enum class End { Short, ZeroLength, Silence };
    enum class Ack { Ok, Fail, Silent };

    static constexpr int Rows = 64;
    static uint8_t code(Table t) { return t == Table::Input ? 0xA8 : 0xA9; }
    static int payloadSize(Table t) { return t == Table::Input ? 256 : 128; }

    struct State {
        std::array<QByteArray, Rows> rows;  // empty: no row stored
        End end = End::ZeroLength;
        Ack writeAck = Ack::Ok;
        QHash<int, Ack> rowAcks;  // by row index, over writeAck
        Ack clearAck = Ack::Ok;
        bool answerReads = true;
        // A length announced in place of the stored row's size (the
        // payload sent stays as stored): an answer shorter than its L.
        std::optional<uint16_t> lengthOverride;
        int reads = 0;
        int writes = 0;
        int clears = 0;
    };

    uint8_t status = 0x00;

    // Registers the request lengths and the A8 / A9 handlers on sim. The
    // object must outlive the handlers.
    void install(ModuleSim& sim);

    State& state(Table t) { return t == Table::Input ? m_input : m_command; }
    const State& state(Table t) const { return t == Table::Input ? m_input : m_command; }

    // Stores the payload exactly as given (a wrong sum or index included):
    // a read of row `index` answers it with L = its size. Out-of-range
    // indices are ignored.
    void setRow(Table t, int index, const QByteArray& payload);
    // Stores a sound row: the body zero-filled or cut to the row size, the
    // index and the sum put in front.
    void setRowBody(Table t, int index, const QByteArray& body);
    // The stored payload, empty when the row is not stored.
    QByteArray row(Table t, int index) const;
    // Rows stored from row 0 on without a gap.
    int rowCount(Table t) const;
    void clear(Table t);

    // Frames as the module sends them.
    static QByteArray rowAnswer(Table t, const QByteArray& payload, uint8_t status = 0,
                                std::optional<uint16_t> length = std::nullopt);
    QByteArray readAnswer(Table t, int index) const;  // empty: silence

private:
    void handle(Table t, ModuleSim& sim, const QByteArray& request);
    void onWrite(Table t, ModuleSim& sim, const QByteArray& request);

    State m_input;
    State m_command;
};
