#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// What the GPRS data module answers, decoded into plain values. The answer
// parser reads the bytes each code announces and hands them here; the
// settings form shows the results.
namespace GprsAnswers {

// Receiver states of the configuration answers (the state an answer code
// leads to awaits the bytes after the code, status byte included).
enum State : int {
    Hunt = 0,
    Code = 1,
    Notice = 2,          // FD
    Version = 3,         // EC
    PassiveAddress = 4,  // E2
    Target = 5,          // F3
    IdentityResult = 6,  // F4
    Unused = 7,          // F5
    Heartbeat = 8,       // F6
    WorkMode = 10,       // F8
    TransMode = 11,      // F9
    SubMode = 12,        // FB
    Layout = 13,         // E1
    Baud = 14,           // F2
    Identity = 15,       // F4 after 03
    Restart = 16,        // E4
    PowerSaving = 17,    // D3
    WakeDelays = 18,     // D2
    WakeMode = 19,       // DB
    Signature = 100,
};

struct Dispatch {
    int state;
    int count;
};
// The state and byte count an answer code leads to; nullopt for a code the
// module does not send (skipped, the next byte is taken as the code).
std::optional<Dispatch> dispatch(uint8_t code);
// How many bytes the state awaits (1 for states without a table entry).
int awaited(int state);

// Two address bytes as "1A:05:".
QString addressText(uint8_t hi, uint8_t lo);
// Project digit and station digits of an address text ("1A:05:" -> "1", "A05").
QString projectOf(const QString& addressText);
QString stationOf(const QString& addressText);

// Received data kept for the terminal's display after a frame's head: the
// most a length field counts, and the passive answer's CR. A line that goes
// on past it without a pause keeps its newest bytes.
inline constexpr int MaxDataBytes = 65536;

// Every byte as two upper-case hex digits and ":".
QString hexText(const QByteArray& bytes);
// "接收  " followed by the hex text and CR LF: one line of the data log.
QString answerLine(const QByteArray& bytes);

// EC: the 11 bytes after the status byte, one character each.
QString versionText(const QByteArray& answer);
// F6: seconds, high byte first after the status byte.
uint16_t heartbeatSeconds(const QByteArray& answer);
// D2: "t1s   t2s", each delay in seconds without a zero before the point.
QString wakeDelayText(const QByteArray& answer);
QString wakeDelayText(uint16_t idleUnits, uint16_t dataUnits);
// F2: the rate text for codes 3..10; nullopt for any other code.
std::optional<QString> baudText(uint8_t code);

// E1: start, length, group maximum, type (after the status byte).
struct AddressLayout {
    int start = 0;
    int length = 0;
    int groupMax = 0;
    int type = 0;
    // "ASCII", "16进制", "BCD码", or "R50模式" for any other type.
    QString typeText() const;
};
AddressLayout addressLayout(const QByteArray& answer);

// F4 result byte.
enum class IdentityOutcome { AddressFollows, Written, Failed, Taken, Offline, Unknown };
IdentityOutcome identityOutcome(uint8_t result);

// The read step the form asks for after an answer carrying `value` (the
// first byte after the status byte), or -1 when the answer writes none.
int nextReadStep(uint8_t code, uint8_t value);

}  // namespace GprsAnswers
