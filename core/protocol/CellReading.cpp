#include "CellReading.h"

#include <cmath>
#include <limits>

#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"

namespace protocol::detail {

void fail(const QString& description) { throw ConversionFailure{description}; }

int listItem(const QStringList& items, const QString& text, const QString& what) {
    if (text.isEmpty()) return 0;
    const qsizetype i = items.indexOf(text);
    if (i < 0) fail(QStringLiteral("%1“%2”不是可选的项目").arg(what, text));
    return static_cast<int>(i);
}

double number(const QString& text) { return VbNum::val(text); }

int64_t rounded(double v, const QString& what) {
    const auto r =
        VbNum::toIntegerInRange(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    if (!r) fail(QStringLiteral("%1的数值超出范围").arg(what));
    return *r;
}

uint8_t strictByte(double v, const QString& what) {
    const int64_t r = rounded(v, what);
    if (r < 0 || r > 255) fail(QStringLiteral("%1的数值超出0-255").arg(what));
    return static_cast<uint8_t>(r);
}

uint8_t wrappedByte(double v, const QString& what) {
    const int64_t r = rounded(v, what);
    if (r < 0) fail(QStringLiteral("%1的数值不能为负数").arg(what));
    return static_cast<uint8_t>(r & 0xFF);
}

QByteArray codePageBytes(const QString& text, const QString& what) {
    bool ok = true;
    const QByteArray bytes = TextCodec::toGbk(text, &ok);
    if (!ok) fail(QStringLiteral("%1含有无法转换的字符").arg(what));
    return bytes;
}

QString withoutSpaces(const QString& text) {
    QString s = text;
    s.remove(QLatin1Char(' '));
    return s;
}

}  // namespace protocol::detail
