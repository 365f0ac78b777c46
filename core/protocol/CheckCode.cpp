#include "CheckCode.h"

#include <QByteArray>
#include <cstdint>

#include "ByteRoutines.h"
#include "platform/text/VbNum.h"

namespace protocol {

namespace {

// A piece read as a hex number: the hex digits at its start, blanks inside
// ignored as in every number reading; none gives 0.
uint8_t pieceValue(const QString& piece) {
    return static_cast<uint8_t>(static_cast<int>(VbNum::val(QStringLiteral("&H") + piece)) & 0xFF);
}

QByteArray sourceBytes(const QString& text, CheckSource source) {
    QString s = text;
    qsizetype step = 3;
    if (source == CheckSource::Packed) {
        s.remove(QLatin1Char(' '));
        step = 2;
    }
    QByteArray bytes;
    for (qsizetype pos = 0; pos < s.size(); pos += step)
        bytes.append(static_cast<char>(pieceValue(s.mid(pos, 2))));
    return bytes;
}

}  // namespace

QStringList checkMethodItems() {
    return {QStringLiteral("无"), QStringLiteral("累加和"), QStringLiteral("异或和"),
            QStringLiteral("16位CRC（低字节在前）"), QStringLiteral("16位CRC（高字节在前）")};
}

std::optional<QString> checkCodeText(const QString& sourceText, CheckSource source, int method,
                                     const QString& countText) {
    if (sourceText.isEmpty()) return QString();
    if (method < 1 || method > 4) return std::nullopt;

    const QByteArray bytes = sourceBytes(sourceText, source);
    if (method == 1 || method == 2) {
        // The sum does not wrap while adding: its second byte is shown in the
        // two-byte form.
        uint64_t v = 0;
        for (char b : bytes) {
            if (method == 1)
                v += static_cast<uint8_t>(b);
            else
                v ^= static_cast<uint8_t>(b);
        }
        if (VbNum::val(countText) == 2)
            return ByteToHex2(static_cast<uint8_t>(v / 256)) + QLatin1Char(' ') +
                   ByteToHex2(static_cast<uint8_t>(v));
        return ByteToHex2(static_cast<uint8_t>(v));
    }

    const int crc = varnel::Crc16Value(bytes, static_cast<int>(bytes.size()));
    const QString lo = ByteToHex2(static_cast<uint8_t>(crc & 0xFF));
    const QString hi = ByteToHex2(static_cast<uint8_t>(crc >> 8));
    return method == 3 ? lo + QLatin1Char(' ') + hi : hi + QLatin1Char(' ') + lo;
}

}  // namespace protocol
