#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// The alarm and output settings records of the SMS alarm module, their
// requests, the two small requests beside them (parameter clear, phone-number
// batch) and the decoding of a settings block read back. Plain functions over
// bytes and texts, so that every byte can be checked without a window.
namespace SettingsRecords {

constexpr int AlarmWriteLength = 199;
constexpr int OutputWriteLength = 141;
constexpr int AlarmTextMax = 80;
constexpr int OutputTextMax = 60;

// Field offsets inside a settings block (frame byte 12 onward).
namespace AlarmAt {
constexpr int Mode = 0, Receivers = 1, Interval = 2, LowLength = 3, HighLength = 4, LowText = 5, Mask = 85,
              HighText = 95, Count = 185, Relay = 186;
}
namespace OutputAt {
constexpr int Mode = 0, Reply = 1, ReplyDelay = 2, HighDelay = 3, LowDelay = 4, LowLength = 5, HighLength = 6,
              LowText = 7, HighText = 67, Hold = 127;
}

enum class TextError {
    None,
    TooLong,      // more bytes than the field holds
    Unencodable,  // an "英文" text with a character code page 936 lacks
};

struct EncodedText {
    QByteArray bytes;
    uint8_t lengthByte = 0;  // byte count, bit 7 set for a single-byte text
    TextError error = TextError::None;
};

// english: the text in code page 936 (one byte per ASCII character);
// otherwise UCS-2 code units, high byte first. An empty text has no bytes
// and length 0 whichever encoding is chosen.
EncodedText encodeText(const QString& text, bool english, int maxBytes);

struct AlarmSettings {
    uint8_t channel = 0;
    uint8_t mode = 0;        // 2 high only, 1 low only, 3 any change, 0 none
    uint8_t receivers = 0;   // 0 transparent number, 1 whole table, 2 chosen numbers
    uint8_t interval10 = 0;  // repeat interval in 10 s units
    QString lowText;
    bool lowEnglish = false;
    QString highText;
    bool highEnglish = false;
    uint32_t mask = 0;
    uint8_t count = 0;
    uint8_t relay = 0;  // 1 relay 0, 2 relay 1, 0 none
};

struct OutputSettings {
    uint8_t channel = 0;
    uint8_t mode = 0;        // 1 level, 2 pulse, 0 none
    uint8_t reply = 0;       // 0 none, 1 result, 2 input 0, 3 input 1
    uint8_t replyDelay = 0;  // s
    uint8_t highDelay = 0;   // s, pulse mode only
    uint8_t lowDelay = 0;
    QString lowText;  // the text that switches the output low
    bool lowEnglish = false;
    QString highText;
    bool highEnglish = false;
    bool hold = false;
};

struct Built {
    QByteArray frame;  // empty when error is set
    TextError error = TextError::None;
};

// B4 01, 199 bytes; B5 01, 141 bytes. The checksum byte is filled in.
Built buildAlarmWrite(const AlarmSettings& s);
Built buildOutputWrite(const OutputSettings& s);

// Preamble B4 02 ch / B5 02 ch.
QByteArray alarmReadRequest(int channel);
QByteArray outputReadRequest(int channel);
// Preamble 98 ch.
QByteArray inputStateRequest(int channel);
// Preamble 99 ch state (1 close, 0 open).
QByteArray outputTestRequest(int channel, bool close);
// Preamble D5 01.
QByteArray paramClearRequest();
// Preamble D4 01, the index twice (high byte first), then for an
// 11-character number 01 and its digits 2 to 11 packed two to a byte, then
// the CRC-16/MODBUS of all that, low byte first.
QByteArray batchFrame(int index, const QString& number);

// Conversions of the form's boxes into record fields.
// Repeat interval: at most 2550 s, to the nearest whole number (halves to
// even), in 10 s units with the rest dropped.
uint8_t intervalUnits(double seconds);
// Alarm count: a decimal number to the nearest whole number (halves to
// even), an empty box 0; nothing when the text is no number or that lies
// outside 0..255.
std::optional<uint8_t> alarmCount(const QString& text);
// Receiver mask: a decimal number (an empty box counts as 0) to the nearest
// whole number; nothing when it is not a number or lies outside
// 0..4294967295.
std::optional<uint32_t> receiverMask(const QString& text);
// Reply delay: rounded when 0..250, 250 above, 0 below.
uint8_t replyDelay(double seconds);
// A restore delay as a byte, rounded and kept within 0..255.
uint8_t delayByte(double seconds);

// A text field of a block read back. Bit 7 of the length byte set: that many
// bytes (low 7 bits, never past the field) in code page 936. Clear: the
// field as UCS-2 high byte first up to the first zero unit, whatever the
// length says. Missing when the block stops before the text is complete,
// and for a field that starts before the block or has a negative size.
struct DecodedText {
    QString text;
    bool english = false;
};
std::optional<DecodedText> decodeText(const QByteArray& block, int lengthAt, int fieldAt, int fieldSize);

// What a block read back holds; a field the block stops short of is empty.
struct AlarmBlock {
    std::optional<uint8_t> mode, receivers, interval10;
    std::optional<bool> lowEnglish, highEnglish;  // from the length bytes
    std::optional<QString> lowText, highText;
    std::optional<uint32_t> mask;
    std::optional<uint8_t> count, relay;
    // The channel the read asked for, where known: the block does not say.
    std::optional<int> channel;
};
AlarmBlock decodeAlarmBlock(const QByteArray& block);

struct OutputBlock {
    std::optional<uint8_t> mode, reply, replyDelay, highDelay, lowDelay;
    std::optional<bool> lowEnglish, highEnglish;
    std::optional<QString> lowText, highText;
    std::optional<uint8_t> hold;
    std::optional<int> channel;  // as in AlarmBlock
};
OutputBlock decodeOutputBlock(const QByteArray& block);

// The text of the input-state answer for the state character: "0" shows the
// input as 1, "1" as 0, anything else as "?".
QString inputStateText(int channel, char state);

// "英文" when every character has a code from 1 to 127 (an empty text
// included), else "汉字": the encoding a typed text chooses.
bool looksEnglish(const QString& text);

// Blanks (spaces only) removed at both ends.
QString trimBlanks(const QString& text);

}  // namespace SettingsRecords
