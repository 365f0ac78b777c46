// Text conversions and number texts: everything a module answer, a stored
// file or a typed box can hand them.
#include <cmath>
#include <cstring>

#include "FuzzInput.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"

namespace {

bool hasLoneSurrogate(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= s.size() || !s.at(i + 1).isLowSurrogate()) return true;
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const QByteArray bytes = in.bytes();
    const QString text = in.text();

    FUZZ_CHECK(TextCodec::bytesToChars(bytes).size() == bytes.size());
    (void)TextCodec::fromGbk(bytes);
    FUZZ_CHECK(TextCodec::fromUcs2BE(TextCodec::toUcs2BE(text)) == text);
    (void)TextCodec::fromUcs2BE(bytes);

    bool ok = true;
    const QByteArray gbk = TextCodec::toGbk(text, &ok);
    // Half a character cannot be sent: the caller must hear of it.
    if (hasLoneSurrogate(text)) FUZZ_CHECK(!ok);
    if (ok) FUZZ_CHECK(!gbk.isEmpty() || text.isEmpty());

    const double v = VbNum::val(text);
    (void)VbNum::roundHalfEven(v);
    (void)VbNum::toIntegerInRange(v, in.anyInt(), in.anyInt());
    (void)VbNum::toIntegerInRange(v, INT64_MIN, INT64_MAX);
    const QString shown = VbNum::str(v);
    // What str() shows reads back as the same number.
    if (std::isfinite(v))
        FUZZ_CHECK(VbNum::val(shown) == v || std::fabs(VbNum::val(shown) - v) <= std::fabs(v) * 1e-14);
    (void)VbNum::strBare(v);
    (void)VbNum::strSingle(float(v));
    (void)VbNum::formatFixed(v, in.intIn(-2, 30));
    if (const auto p = VbNum::parseNumber(text)) FUZZ_CHECK(!std::isnan(*p));

    // Raw doubles from the input, NaN and infinities included.
    if (in.left() >= 8) {
        double d;
        const QByteArray raw = in.rest().left(8);
        std::memcpy(&d, raw.constData(), 8);
        (void)VbNum::str(d);
        (void)VbNum::strBare(d);
        (void)VbNum::strSingle(float(d));
        (void)VbNum::formatFixed(d, 2);
        (void)VbNum::roundHalfEven(d);
        (void)VbNum::toIntegerInRange(d, 0, 255);
    }
    return 0;
}
