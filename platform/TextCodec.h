#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// Conversions between text and the bytes the modules use: code page 936
// (GBK) and UCS-2 with the high byte first.
namespace TextCodec {

// True when the GBK codec is usable (checked once at start-up).
bool gbkAvailable();

// Encodes to code page 936. *ok (when given) is false when a character has
// no code there; the result is then not to be sent anywhere.
QByteArray toGbk(const QString& text, bool* ok = nullptr);
QString fromGbk(const QByteArray& bytes);

// One received byte as exactly one character (ASCII as itself, a byte that
// is no character on its own as U+FFFD).
QChar byteToChar(unsigned char b);

QByteArray toUcs2BE(const QString& text);
// An odd trailing byte is ignored.
QString fromUcs2BE(const QByteArray& bytes);

}  // namespace TextCodec
