#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// The QV7351 module's global collection settings on the wire: the write
// frame (A8 F1, 26 bytes), the read request (A8 F2) and the read answer
// (A8, status, a 16-bit little-endian length, then period, time-out,
// repeat count and history), plus how the answer is shown in the boxes.
namespace CollectionSettings {

constexpr int WriteLength = 26;
constexpr int PayloadLength = 7;

// What the page holds when the write is pressed: the boxes' texts as typed
// (read with the forms' number rule) and the two choices.
struct Input {
    bool autoPoll = true;  // "自动采集" selected
    QString period;        // seconds, one decimal
    QString timeOut;       // milliseconds, already clamped by the page
    QString reSend;
    bool history = false;
};

// Either the 26-byte write frame or, for a value that has no sound byte
// (a negative or oversized number), the reason ("执行错误" followed by it).
struct Write {
    QByteArray frame;
    QString error;
    bool refused() const { return frame.isEmpty(); }
};
Write writeFrame(const Input& in);

// Preamble, A8, F2.
QByteArray readRequest();

// A decoded read answer.
struct Answer {
    uint32_t period = 0;  // 10 ms units as sent; 0 or negative (signed): the module only listens
    uint8_t timeOut = 0;  // 100 ms units
    uint8_t reSend = 0;
    uint8_t history = 0;
    QByteArray payload;  // the L payload bytes
};
// The answer frame from its 0x1A on; nothing unless the frame holds the
// whole announced payload and that payload holds the seven setting bytes.
std::optional<Answer> decodeAnswer(const QByteArray& frame);

// The boxes' texts for an answer.
struct Shown {
    bool autoPoll = false;
    QString period;
    QString timeOut;
    QString reSend;
    bool history = false;
};
Shown show(const Answer& a);

// A write acknowledgement: the text from byte 10 on.
enum class Ack { Ok, Fail, Other };
Ack judgeAck(const QByteArray& frame);

}  // namespace CollectionSettings
