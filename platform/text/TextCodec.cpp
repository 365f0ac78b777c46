#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextCodec {

bool gbkAvailable() {
    QStringEncoder enc("GBK");
    QStringDecoder dec("GBK");
    if (!enc.isValid() || !dec.isValid()) return false;
    // A codec that exists but maps wrongly is as bad as none.
    const QByteArray probe = enc.encode(QString::fromUtf8("串口"));
    return !enc.hasError() && probe == QByteArray("\xB4\xAE\xBF\xDA", 4);
}

QByteArray toGbk(const QString& text, bool* ok) {
    QStringEncoder enc("GBK");
    if (!enc.isValid()) {
        if (ok) *ok = false;
        return QByteArray();
    }
    QByteArray out = enc.encode(text);
    // The encoder puts "?" in place of a character it cannot map and only
    // tells through hasError(); the caller must learn of it.
    // A high surrogate at the very end is kept back for a low one that
    // never comes: it is dropped without an error, so the text would go out
    // one character short.
    const bool cutShort = !text.isEmpty() && text.back().isHighSurrogate();
    if (ok) *ok = !enc.hasError() && !cutShort;
    return out;
}

std::optional<uint8_t> oneByteCode(QChar c) {
    bool ok = false;
    const QByteArray b = toGbk(QString(c), &ok);
    if (!ok || b.size() != 1) return std::nullopt;
    return static_cast<uint8_t>(b.at(0));
}

QString fromGbk(const QByteArray& bytes) {
    QStringDecoder dec("GBK");
    if (!dec.isValid()) return bytesToChars(bytes);
    QString text = dec.decode(bytes);
    // The decoder keeps an unfinished two-byte character back, waiting for
    // more input that never comes; it must still show up, not vanish.
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        i += (b >= 0x81 && b <= 0xFE) ? 2 : 1;
    }
    if (i > bytes.size()) text.append(QChar(QChar::ReplacementCharacter));
    return text;
}

QChar byteToChar(unsigned char b) {
    if (b < 0x80) return QChar(b);
    if (b == 0x80) return QChar(0x20AC);
    return QChar(QChar::ReplacementCharacter);
}

QString bytesToChars(const QByteArray& bytes) {
    QString s;
    s.reserve(bytes.size());
    for (char c : bytes) s.append(byteToChar(static_cast<unsigned char>(c)));
    return s;
}

QByteArray toUcs2BE(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        out.append(static_cast<char>(c.unicode() >> 8));
        out.append(static_cast<char>(c.unicode() & 0xFF));
    }
    return out;
}

QString fromUcs2BE(const QByteArray& bytes) {
    QString s;
    s.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[i]);
        const auto lo = static_cast<unsigned char>(bytes[i + 1]);
        s.append(QChar(static_cast<char16_t>((hi << 8) | lo)));
    }
    return s;
}

}  // namespace TextCodec
