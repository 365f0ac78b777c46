#include "ByteRoutines.h"

#include <algorithm>

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

int HexDigitValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    // Lower case gives 0 as well: the hex boxes upper-case every key through
    // HexKeyFilter, and callers rely on exactly this mapping.
    return 0;
}

int SumCheck8(const QByteArray& a, long start, long end) {
    if (start >= end) return 0;
    // Indexes outside the array contribute nothing rather than reading
    // memory that is not there.
    const qsizetype from = std::max<qsizetype>(start, 0);
    const qsizetype to = std::min<qsizetype>(end, a.size());
    unsigned sum = 0;
    for (qsizetype i = from; i < to; ++i) sum += static_cast<uint8_t>(a[i]);
    return static_cast<int>(sum & 0xFF);
}

namespace varnel {

int Crc16Value(const QByteArray& a, int count) {
    // Kept as two byte registers so the result reads directly as lo + 256*hi.
    uint8_t lo = 0xFF;
    uint8_t hi = 0xFF;
    const int n = std::min<int>(count, a.size());
    for (int i = 0; i < n; ++i) {
        lo ^= static_cast<uint8_t>(a[i]);
        for (int bit = 0; bit < 8; ++bit) {
            const bool out = lo & 1;
            lo = static_cast<uint8_t>((lo >> 1) | ((hi & 1) << 7));
            hi = static_cast<uint8_t>(hi >> 1);
            if (out) {
                hi ^= 0xA0;
                lo ^= 0x01;
            }
        }
    }
    return lo + 256 * hi;
}

}  // namespace varnel
