#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

// The module's phone-number table on the wire. A number travels as six
// bytes: its first character alone in the low nibble of byte 0, then the
// next ten characters two to a byte, high nibble first. The characters are
// taken as hex digits (lower case as its capital), so "*" (and anything
// else that is not a hex digit) packs as 0.
namespace PhoneCodec {

constexpr int EntryBytes = 6;
constexpr int MaxNumbers = 20;
constexpr int TableBytes = EntryBytes * MaxNumbers;  // 120
constexpr int WriteFrameBytes = 183;

// Length of the text of an entry whose first byte is 10 hex or more.
constexpr int WideTextChars = 12;

// The entry of one number text (characters beyond the 11th are ignored,
// missing ones count as 0). Twelve hex digits are the reading of an entry
// with a wide first byte and pack back into it.
QByteArray packNumber(const QString& number);
// The text of an entry: byte 0 in hex without a leading zero, then each
// further byte as two upper-case hex digits. A short entry gives what it
// has.
QString entryText(const QByteArray& entry);

// True when every character of the text is a hex digit or the place
// holder "*": only such numbers pack as the digits they show.
bool isPackable(const QString& number);

// The write request: preamble D9 02, checksum, count, the entries of the
// first 20 numbers, zero-filled to 183 bytes. The checksum is the byte sum
// of the count and the entries in use.
QByteArray writeFrame(const QStringList& numbers);
// Preamble D9 01.
QByteArray readFrame();
// Preamble D9 04 01.
QByteArray clearFrame();

// The request a D9 answer answers, as an operation flag value (0 read,
// 1 write, 2 clear), from the two bytes behind its status: an
// acknowledgement begins "SE" or "CL", which no table's header can (its
// count would pass 20).
int answeredOperation(const QByteArray& two);

// The checksum a read answer carries: (count + every entry byte) mod 256.
uint8_t tableChecksum(uint8_t count, const QByteArray& entries);
// The first `count` numbers of a read answer's entries (count limited to
// the entries present and to 20).
QStringList tableNumbers(int count, const QByteArray& entries);

}  // namespace PhoneCodec
