#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// Requests to the GPRS data module and the frames of its data terminal.
// Plain bytes in, plain bytes out: the forms read their boxes and pass the
// texts or numbers here.
namespace GprsFrames {

// Preamble, code, operation byte, data, zero-filled (or cut) to `length`.
QByteArray request(uint8_t code, uint8_t op, const QByteArray& data, int length);
// Preamble, code, 03: a read of one setting.
QByteArray readRequest(uint8_t code);
// Preamble DA 01 mode: 00 data communication, 01 address setting.
QByteArray modeSwitch(uint8_t mode);

// Project digit and three station digits packed into two bytes
// ("1", "234" -> 12 34; lower case as its capital). Missing or non-hex
// digits count as 0: the forms refuse them first (addressEntryError).
QByteArray packedAddress(const QString& project, const QString& station);
// Why a project digit and station digits cannot be packed as they stand
// (the message for the installer), or "" when they can.
QString addressEntryError(const QString& project, const QString& station);
// F4 01 (forced: F4 02) with the packed identity address.
QByteArray identityWrite(const QString& project, const QString& station, bool forced);
// F3 01 with the packed target address.
QByteArray targetWrite(const QString& project, const QString& station);
// E2 01: one character is sent as "0" and the character, two characters as
// they stand. nullopt for an empty text, a longer one, or a character
// without a one-byte code (the module takes two bytes).
std::optional<QByteArray> passiveAddressWrite(const QString& text);
// The rate's code: "1200bps" 3 .. "115200bps" 11, any other text 0.
uint8_t baudCode(const QString& rateText);
QByteArray baudWrite(const QString& rateText);
// F6 01 seconds (high byte first); E4 01 count.
QByteArray heartbeatWrite(uint16_t seconds);
QByteArray restartWrite(uint8_t count);
// F8/F9/FB/D3 01 with one value byte.
QByteArray valueWrite(uint8_t code, uint8_t value);
// E1 01 start, length, group maximum, type.
QByteArray addressLayoutWrite(uint8_t start, uint8_t length, uint8_t groupMax, uint8_t type);
// DB 01 mode 00 00 00.
QByteArray wakeModeWrite(uint8_t mode);
// D2 01 idle units, data units (400 ms each, high bytes first).
QByteArray wakeDelaysWrite(uint16_t idleUnits, uint16_t dataUnits);

// A number typed as text: the leading decimal number, rounded half to even;
// nullopt when it lies outside [lo, hi].
std::optional<int64_t> textNumber(const QString& text, int64_t lo, int64_t hi);
// A box that sends the number it shows: a whole decimal number (blanks
// around it allowed) within [lo, hi]; nullopt for anything else.
std::optional<int64_t> wholeNumber(const QString& text, int64_t lo, int64_t hi);
// The most milliseconds a wake delay's two bytes of 400 ms units hold.
inline constexpr int64_t MaxDelayMs = 65535 * 400;
// Milliseconds shown as a whole number, as units of 400 ms (rounding half
// to even): "1000" -> 2, "10000" -> 25; nullopt outside 0..MaxDelayMs.
std::optional<uint16_t> delayUnits(const QString& text);

// --- data terminal -----------------------------------------------------------

// The send text cut to whole three-character groups, and the bytes it holds
// (two hex digits a group, the third character not looked at).
struct HexGroups {
    QString text;
    QByteArray bytes;
    // Every group is two hex digits (lower case counts as its capital) and
    // ":": the bytes are what the text shows.
    bool valid = true;
};
HexGroups hexGroups(const QString& text);
// The two bytes of an address box ("31:32:"); nullopt for anything but two
// hex groups.
std::optional<QByteArray> addressBytes(const QString& text);

// The most data bytes a send's length fields hold: the passive formatted
// send counts its six-byte frame head in the outer length too.
int maxSendBytes(bool passive, bool formatted);

// "$" A1 A2 "R" CR.
QByteArray dollarRead(const QByteArray& address);
// "$" A1 A2 "W" 00 00 CR.
QByteArray dollarMemoryCheck(const QByteArray& address);
// "$" A1 A2 "W" len-hi len-lo data CR.
QByteArray dollarWrite(const QByteArray& address, const QByteArray& data);
// D7 01 R1 R2 len-hi len-lo data.
QByteArray formattedFrame(const QByteArray& receiver, const QByteArray& data);

}  // namespace GprsFrames
