#include "core/protocol/HexText.h"

QString ByteToHex2(uint8_t b) {
    static const char digits[] = "0123456789ABCDEF";
    QString s(2, QLatin1Char('0'));
    s[0] = QLatin1Char(digits[b >> 4]);
    s[1] = QLatin1Char(digits[b & 0x0F]);
    return s;
}

uint8_t HexPairValue(const QString& text, qsizetype pos) {
    auto digit = [&](qsizetype i) {
        return i >= 0 && i < text.size() ? HexDigitValue(text.at(i).unicode()) : 0;
    };
    return uint8_t(digit(pos) * 16 + digit(pos + 1));
}

bool AllHexDigits(const QString& text) {
    for (QChar c : text)
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && !(c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'))) return false;
    return true;
}

int HexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    // Lower case gives 0 as well: the hex boxes upper-case every key through
    // HexKeyFilter, and callers rely on exactly this mapping.
    return 0;
}

std::optional<QByteArray> ColonGroupBytes(const QString& text, int groups) {
    if (groups <= 0 || (text.size() != 3 * groups && text.size() != 3 * groups - 1)) return std::nullopt;
    const QString digits = text.toUpper();
    QByteArray out;
    for (int g = 0; g < groups; ++g) {
        const qsizetype at = 3 * g;
        if (!AllHexDigits(digits.mid(at, 2)) || (at + 2 < digits.size() && digits.at(at + 2) != QLatin1Char(':')))
            return std::nullopt;
        out.append(char(HexPairValue(digits, at)));
    }
    return out;
}
