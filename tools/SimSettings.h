#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <array>
#include <cstdint>

#include "ModuleSim.h"

// The SMS alarm module's alarm settings (one record per digital input) and
// output settings (one per output) as state of a simulated module, with
// the output tests, the input-state query, the parameter clear and the
// phone-number batch frames.
//
// A write (B4 01 / B5 01) whose checksum holds is stored and acknowledged
// with its code, status 03 and "SETOK:" ("SETFAIL:" while refuseWrites is
// set, or when the checksum is wrong). A read (B4 02 / B5 02) is answered
// with A5 / A7, status 00, L = block length + 1, the block's checksum and
// the block (the stored record from its byte 12). 98 is answered "<" and
// the input's state character; 99, D5 and D4 are recorded, not answered.
//
// Install once per module:  SimSettings* s = SimSettings::install(sim);
// the object belongs to the module and lives as long as it does.
class SimSettings : public QObject {
    Q_OBJECT
public:
    static constexpr int AlarmChannels = 10;
    static constexpr int OutputChannels = 2;
    static constexpr int AlarmBlockSize = 187;
    static constexpr int OutputBlockSize = 129;

    static SimSettings* install(ModuleSim& sim);
    ModuleSim& sim() const { return m_sim; }

    // Blocks as a read answers them (the write record from its byte 12).
    std::array<QByteArray, AlarmChannels> alarm;
    std::array<QByteArray, OutputChannels> output;
    // The state character each input answers to 98.
    std::array<char, AlarmChannels> inputState{};

    bool refuseWrites = false;
    // > 0: the acknowledgement text goes out in two pieces, cut after this
    // many of its bytes.
    int ackSplitAt = 0;
    // The header of a read answer and its block go out apart.
    bool splitRead = false;
    // Added to the checksum a read answer announces (0: correct).
    int checksumSkew = 0;
    // Sent right behind every answer, in the same delivery.
    QByteArray trailer;
    // "<" and the state character go out apart.
    bool splitInputState = false;
    // Gap between pieces, ms.
    int pieceGapMs = 80;

    // Requests taken without an answer, in order of arrival.
    QList<QByteArray> outputTests;  // 99
    QList<QByteArray> clears;       // D5
    QList<QByteArray> batchFrames;  // D4
    // The last state each output test set (-1: none yet).
    std::array<int, OutputChannels> outputState{-1, -1};

    // The answers as frames.
    static QByteArray readAnswer(uint8_t code, const QByteArray& block, int checksumSkew = 0);
    static QByteArray ackAnswer(uint8_t code, bool ok);

private:
    explicit SimSettings(ModuleSim& sim);
    void onWrite(uint8_t code, const QByteArray& request);
    void onRead(uint8_t code, const QByteArray& request);
    void onInputState(const QByteArray& request);
    void sendPieces(const QByteArray& first, const QByteArray& second);

    ModuleSim& m_sim;
};
