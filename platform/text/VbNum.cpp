#include "VbNum.h"

#include <clocale>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace VbNum {

namespace {
bool isIgnoredBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

int digitValue(QChar c, int radix) {
    int d = -1;
    if (isDigit(c))
        d = c.unicode() - '0';
    else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        d = c.unicode() - 'a' + 10;
    else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        d = c.unicode() - 'A' + 10;
    return d < radix ? d : -1;
}

double radixValue(const QString& s, int pos, int radix) {
    const int bitsPerDigit = radix == 16 ? 4 : 3;
    uint64_t v = 0;
    int bits = 0;
    bool any = false;
    for (; pos < s.size(); ++pos) {
        const int d = digitValue(s[pos], radix);
        if (d < 0) break;
        any = true;
        v = v * radix + d;
        if (v != 0) bits += bitsPerDigit;
        if (v > 0xFFFFFFFFull) return 0;  // beyond 32 bits: overflow, no sensible value
    }
    if (!any) return 0;
    if (v <= 0xFFFF && bits <= 16) return static_cast<int16_t>(static_cast<uint16_t>(v));
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// Qt sets the process locale from the environment; numbers here are always
// written with a decimal point, whatever the user's locale says.
class CNumbers {
public:
    CNumbers() : m_old(uselocale(cLocale())) {}
    ~CNumbers() { uselocale(m_old); }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    static locale_t cLocale() {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
        return c;
    }
    locale_t m_old;
};

// "%.*g" with the old runtime's look: "E+20" rather than "e+20".
QString general(double v, int digits) {
    if (v == 0) return QStringLiteral("0");  // also turns -0 into "0"
    char buf[64];
    const CNumbers c;
    std::snprintf(buf, sizeof buf, "%.*G", digits, v);
    return QString::fromLatin1(buf);
}
}  // namespace

double val(const QString& text) {
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isIgnoredBlank(c)) s.append(c);

    int i = 0;
    if (s.size() >= 2 && s[0] == QLatin1Char('&')) {
        const QChar k = s[1].toUpper();
        if (k == QLatin1Char('H')) return radixValue(s, 2, 16);
        if (k == QLatin1Char('O')) return radixValue(s, 2, 8);
        return radixValue(s, 1, 8);
    }

    std::string num;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        num += static_cast<char>(s[i++].unicode());
    bool mantissa = false;
    while (i < s.size() && isDigit(s[i])) {
        num += static_cast<char>(s[i++].unicode());
        mantissa = true;
    }
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        num += '.';
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            num += static_cast<char>(s[i++].unicode());
            mantissa = true;
        }
    }
    if (!mantissa) return 0;
    if (i < s.size()) {
        const QChar e = s[i].toUpper();
        if (e == QLatin1Char('E') || e == QLatin1Char('D')) {
            int j = i + 1;
            std::string exp = "e";
            if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
                exp += static_cast<char>(s[j++].unicode());
            bool expDigits = false;
            while (j < s.size() && isDigit(s[j])) {
                exp += static_cast<char>(s[j++].unicode());
                expDigits = true;
            }
            if (expDigits) num += exp;
        }
    }
    // strtod gives +-HUGE_VAL on overflow, which is what is documented.
    const CNumbers c;
    return std::strtod(num.c_str(), nullptr);
}

double roundHalfEven(double v) {
    if (!std::isfinite(v)) return v;
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

std::optional<int64_t> toIntegerInRange(double v, int64_t lo, int64_t hi) {
    if (std::isnan(v) || lo > hi) return std::nullopt;
    const double r = roundHalfEven(v);
    // 2^63 is exactly representable; anything at or beyond it cannot be cast.
    constexpr double limit = 9223372036854775808.0;
    if (!(r > -limit && r < limit)) return std::nullopt;
    const auto n = static_cast<int64_t>(r);
    if (n < lo || n > hi) return std::nullopt;
    return n;
}

QString str(double v) { return general(v, 15); }

QString strBare(double v) {
    QString s = str(v);
    if (s.startsWith(QStringLiteral("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QStringLiteral("-0.")))
        s.remove(1, 1);
    return s;
}

QString strSingle(float v) { return general(static_cast<double>(v), 7); }

QString formatFixed(double v, int decimals) {
    if (decimals < 0) decimals = 0;
    if (!std::isfinite(v)) return str(v);
    // Round the 15-digit decimal form, not the binary value: 1.25 and 1.005
    // are ties to the reader even though their binary values are not.
    char buf[64];
    {
        const CNumbers c;
        std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    }
    std::string digits(1, buf[0]);
    const char* p = buf + 2;
    while (*p != 'e') digits += *p++;
    const int exp = std::atoi(p + 1);

    std::string intPart, fracPart;
    if (exp >= 0) {
        if (exp + 1 >= static_cast<int>(digits.size())) {
            intPart = digits + std::string(exp + 1 - digits.size(), '0');
        } else {
            intPart = digits.substr(0, exp + 1);
            fracPart = digits.substr(exp + 1);
        }
    } else {
        intPart = "0";
        fracPart = std::string(-exp - 1, '0') + digits;
    }
    const bool roundUp = static_cast<int>(fracPart.size()) > decimals && fracPart[decimals] >= '5';
    fracPart.resize(decimals, '0');
    std::string all = intPart + fracPart;
    if (roundUp) {
        int k = static_cast<int>(all.size()) - 1;
        while (k >= 0 && all[k] == '9') all[k--] = '0';
        if (k < 0)
            all.insert(all.begin(), '1');
        else
            ++all[k];
    }
    const size_t cut = all.size() - decimals;
    QString out = QString::fromStdString(all.substr(0, cut));
    if (decimals > 0) out += QLatin1Char('.') + QString::fromStdString(all.substr(cut));
    if (v < 0 && all.find_first_not_of('0') != std::string::npos) out.prepend(QLatin1Char('-'));
    return out;
}

std::optional<double> parseNumber(const QString& text) {
    int i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
    int digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || i != text.size()) return std::nullopt;
    const CNumbers c;
    return std::strtod(text.toLatin1().constData(), nullptr);
}

}  // namespace VbNum
