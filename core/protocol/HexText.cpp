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
    // ASCII only: HexDigitValue reads any other digit (a full-width one) as 0.
    for (QChar c : text) {
        const char16_t u = c.toUpper().unicode();
        if (!(u >= '0' && u <= '9') && !(u >= 'A' && u <= 'F')) return false;
    }
    return true;
}

int HexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    // Lower case gives 0 as well: the hex boxes upper-case every key through
    // HexKeyFilter, and callers rely on exactly this mapping.
    return 0;
}
