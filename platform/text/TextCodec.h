#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>

// Conversions between text and the bytes the modules use: code page 936
// (GBK) and UCS-2 with the high byte first.
namespace TextCodec {

// True when the GBK codec is usable (checked once at start-up).
bool gbkAvailable();

// Encodes to code page 936. *ok (when given) is false when a character has
// no code there; the result is then not to be sent anywhere.
QByteArray toGbk(const QString& text, bool* ok = nullptr);
QString fromGbk(const QByteArray& bytes);
// The character's code when code page 936 gives it one byte, else nullopt.
std::optional<uint8_t> oneByteCode(QChar c);

// One received byte as exactly one character, so that n bytes always show
// as n characters: 0x00-0x7F as ASCII, 0x80 as the euro sign (its meaning
// in code page 936), and every other byte as U+FFFD. Bytes 0x81-0xFE only
// lead a two-byte character and 0xFF is unassigned, so none of them is a
// character on its own; guessing one (a Latin-1 letter, a private-use code)
// would show text the module never sent.
QChar byteToChar(unsigned char b);
// byteToChar of every byte, in order (the result is as long as the input).
QString bytesToChars(const QByteArray& bytes);

// Each UTF-16 code unit as two bytes, high byte first (a character outside
// the basic plane gives its two surrogates, four bytes).
QByteArray toUcs2BE(const QString& text);
// An odd trailing byte is ignored.
QString fromUcs2BE(const QByteArray& bytes);

}  // namespace TextCodec
