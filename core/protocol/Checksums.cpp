#include "core/protocol/Checksums.h"

#include <algorithm>

QByteArray Crc16Bytes(const QByteArray& a, int n) {
    // A count past the array's end would read beyond it; only the bytes that
    // exist are summed.
    const int count = std::min<int>(n, a.size());
    uint16_t crc = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        crc ^= static_cast<uint8_t>(a[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    QByteArray out(2, '\0');
    out[0] = static_cast<char>(crc >> 8);
    out[1] = static_cast<char>(crc & 0xFF);
    return out;
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
