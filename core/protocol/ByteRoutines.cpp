#include "ByteRoutines.h"

#include <algorithm>

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
