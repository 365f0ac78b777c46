#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The envelope of the module's two row tables as they travel one row at a
// time: the row read request, the row answer (a 16-bit length and a payload
// whose first byte sums the rest and whose second is the row index), the
// clear request and the text acknowledgements.
namespace protocol {

constexpr uint8_t kInputTableCode = 0xA8;    // input-parsing table
constexpr uint8_t kCommandTableCode = 0xA9;  // SMS command table
constexpr int kTableRows = 64;
// Payload bytes of a full row (the row frame from its byte 11 on).
constexpr int kInputRowPayload = 256;
constexpr int kCommandRowPayload = 128;
// An input-table answer shorter than this ends a read without a word.
constexpr int kInputRowAnswerMin = 12 + kInputRowPayload;

// Preamble, table code, 02, row index (11 bytes).
QByteArray rowReadRequest(uint8_t tableCode, int index);
// Preamble, table code, 04, 01 (11 bytes).
QByteArray tableClearFrame(uint8_t tableCode);

// A row answer taken apart: bytes 10-11 the length L (little endian), then
// L payload bytes.
struct RowAnswerEnvelope {
    bool hasLength = false;  // the frame reaches byte 11
    int length = 0;          // L
    bool complete = false;   // the frame holds all L payload bytes
    QByteArray payload;      // the L bytes when complete
    bool sumOk = false;      // p[0] is the sum of p[1..L-1] modulo 256
    int index = -1;          // p[1], -1 when L is 0 or 1
};
RowAnswerEnvelope decodeRowAnswer(const QByteArray& frame);

// The text of an acknowledgement: frame bytes 10 to the end, one character
// a byte.
QString acknowledgementText(const QByteArray& frame);
// The row index a "SETOK:" acknowledgement names: the number in the two
// characters after the colon, 0 when they hold no digits.
int acknowledgedRow(const QString& text);
// Likewise, but -1 when those characters hold no digits: a refusal that
// names no row.
int namedRow(const QString& text);

}  // namespace protocol
