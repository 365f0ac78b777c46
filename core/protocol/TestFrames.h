#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

// The bytes of the communication test and their text forms, without any
// widget: the passive-mode "$" request, the short-message record handed to
// the module, the content encodings of the three send modes, the traffic-log
// lines and the decoding of what the module sent back.
namespace TestFrames {

// No length or byte count of a test request may pass this: the module's
// length fields are read as signed 16-bit numbers.
inline constexpr int MaxLength = 32767;
// A received text longer than this many bytes is logged but not decoded.
inline constexpr int MaxDecodedBytes = 101;
// A line that never pauses must not grow the received text and the traffic
// log without end: both keep the newest characters only, as a terminal's
// scrollback does. The received text holds whole "hh:" groups.
inline constexpr int MaxReceivedChars = 3 * 21845;
inline constexpr int MaxLogChars = 65536;
// Stands where a log entry or a received block too long for its bound lost
// its middle.
inline const QString LogCutMark = QStringLiteral("……（中间部分已略去）……");

// The send-mode menu of the main window: 汉字, 英文, 十六进制.
enum class SendMode { Chinese = 0, English = 1, Hex = 2 };
SendMode sendModeFromIndex(int index);

// Record types of a short message.
inline constexpr uint8_t TypeUcs2 = 0xD7;
inline constexpr uint8_t TypeSingleByte = 0xD8;

// "0A:1F:" -> 0A 1F (lower case as its capital). Exactly two hex digits,
// a colon, two hex digits and a colon, else nullopt.
std::optional<std::array<uint8_t, 2>> moduleAddress(const QString& text);
// An 11-character receiver number packed into six bytes: the first
// character alone, then five pairs as high and low nibble. Exactly eleven
// hex digits, else nullopt.
std::optional<QByteArray> receiverNumber(const QString& text);

// "$", the address, "R", CR.
QByteArray dollarRead(uint8_t a1, uint8_t a2);
// "$", the address, "W", the length high byte first, the data, CR.
QByteArray dollarWrite(uint8_t a1, uint8_t a2, const QByteArray& data);
// Type, 01, the six number bytes, the content length high byte first, the
// content.
QByteArray smsRecord(uint8_t type, const QByteArray& number, const QByteArray& content);
uint8_t recordType(SendMode mode);

// The content box as bytes by the send mode: UCS-2 high byte first, one
// byte a character in code page 936, or hex text of three characters a
// byte. nullopt when an English text holds a character without a one-byte
// code, or a hex text a byte that is not two hex digits and its ":".
std::optional<QByteArray> encodeContent(const QString& text, SendMode mode);
// The byte count shown in the status bar while typing (the hex count is the
// whole part, where the request rounds).
int contentByteCount(const QString& text, SendMode mode);

enum class Refusal { None, Address, Content, Receiver };
// The message of a refusal (title "系统提示"), "" for None.
QString refusalText(Refusal r);
// A request whose wait ended with the page left or a parameter read or
// write under way: it was not sent (title "系统提示").
QString notSentText();
inline const QString& messageTitle() {
    static const QString t = QStringLiteral("系统提示");
    return t;
}

// What the test tab's boxes and the modes hold when a button is pressed.
struct TestInput {
    QString content;   // Text21(1)
    QString receiver;  // Text21(4)
    QString address;   // Text22
    SendMode mode = SendMode::Chinese;
    bool passive = false;
    bool formatted = false;
};

struct Request {
    Refusal refusal = Refusal::None;
    QByteArray bytes;
    int pendingOp = 0;  // what the answer to it will be read as (1, 2, 3)
};

// The request of button 0 "读取短信", 1 "发送状态" or 2 "发送短信", with the
// checks in the order the installer meets them. Button 3 sends nothing
// (an empty request without refusal).
Request buildRequest(int button, const TestInput& in);

// Every byte as two upper-case hex digits and ":".
QString hexText(const QByteArray& bytes);
// Appends the byte's "hh:" to a received text. Past `maxChars` the oldest
// bytes after the first `keepHead` characters (a frame head the display
// reads) go, down to half the rest of the bound, so each byte costs the
// same on average however long the line chatters. Returns how many bytes
// went.
qsizetype appendReceived(QString& text, uint8_t byte, qsizetype keepHead = 0,
                         qsizetype maxChars = MaxReceivedChars);
// A traffic-log line: the prefix and the hex text, split after 45
// characters (15 bytes) with the rest on a second line without prefix; a
// text of exactly 45 characters so gives an empty second line.
QStringList logLines(const QString& prefix, const QString& hex);

// A traffic log (lines separated by "\n") kept within MaxLogChars, counted
// as the log box counts (one more than its text), once `newest` characters,
// the whole lines of its newest entry, were appended at its end. Past the
// bound the oldest lines go, down to about half the bound, so that trimming
// is rare; the newest entry stays whole. An entry longer than the bound keeps
// its first line (what it is; the start of it when that line is long), then
// LogCutMark and the end of the rest.
QString boundedLog(const QString& log, qsizetype newest);

// Hex text back to bytes, three characters a byte (the third is not read).
QByteArray fromHexText(const QString& text);

struct Decoded {
    QString text;
    // The sender number, when the mode has one and it reads as a number.
    std::optional<QString> sender;
    // The six sender bytes, when the mode has them (else empty).
    QByteArray senderBytes;
};
// What a display of received bytes shows, by work mode, transmission mode
// and send mode.
Decoded decode(const QByteArray& b, bool passive, bool formatted, SendMode mode);
// Six number bytes as the number they stand for ("1" "38" "00" ... ->
// 13800138000); nullopt unless they read as a decimal number.
std::optional<QString> senderNumber(const QByteArray& six);
// Six number bytes as their hex digits: the first byte without a leading
// zero, then two digits a byte ("00 13 80 01 38 00" -> 01380013800).
QString senderHexText(const QByteArray& six);

// A received Chinese message as hex text, for trying the display without a
// module: D7 01, a made-up number, 00 0A, two characters, a date and time.
QString sampleReceived();

}  // namespace TestFrames
