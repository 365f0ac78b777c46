#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Takes a fuzzer's bytes apart into the arguments a target needs. Every
// accessor works on an exhausted input (giving zeros and empty values), so
// any input makes a complete call.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    size_t left() const { return m_size - m_pos; }

    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    bool flag() { return byte() & 1; }
    int intIn(int lo, int hi) {
        const uint32_t span = uint32_t(int64_t(hi) - lo + 1);
        uint32_t v = uint32_t(byte()) << 8 | byte();
        return int(int64_t(lo) + (span ? v % span : v));
    }
    // Any 32-bit value, extremes included.
    int32_t anyInt() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | byte();
        return int32_t(v);
    }
    // A length byte, then that many bytes (fewer when the input runs out).
    QByteArray bytes() {
        const size_t n = std::min<size_t>(byte(), left());
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }
    QByteArray rest() {
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(left()));
        m_pos = m_size;
        return out;
    }
    // A length byte, then UTF-16 code units. Half of the units come from a
    // small alphabet of what the forms hold (digits, hex letters, blanks,
    // separators, Chinese), the others are any unit, lone surrogates too.
    QString text() {
        static const char16_t alphabet[] = u"0123456789ABCDEFabcdef .,-+*#()&HhOoEeDd\r\n\t:汉字英文短信€";
        constexpr int alphabetSize = int(sizeof(alphabet) / sizeof(alphabet[0])) - 1;
        const int n = byte();
        QString out;
        for (int i = 0; i < n && !empty(); ++i) {
            const uint8_t b = byte();
            if (b & 0x80)
                out.append(QChar(alphabet[(b & 0x7F) % alphabetSize]));
            else
                out.append(QChar(char16_t(uint16_t(b) << 9 | uint16_t(byte()) << 1 | (b & 1))));
        }
        return out;
    }
    // The rest of the input cut into deliveries: a count byte n, then n
    // piece lengths (a byte each, 0 allowed); what is left is the stream,
    // cut at those lengths in turn (the last piece taking the remainder).
    std::vector<QByteArray> pieces() {
        const int n = byte() % 16;
        std::vector<int> lengths;
        for (int i = 0; i < n; ++i) lengths.push_back(byte());
        const QByteArray stream = rest();
        std::vector<QByteArray> out;
        qsizetype at = 0;
        for (int len : lengths) {
            if (at >= stream.size()) break;
            out.push_back(stream.mid(at, len));
            at += len;
        }
        if (at < stream.size()) out.push_back(stream.mid(at));
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A property that does not hold: report it the way a sanitizer would, so
// the fuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                     \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)
