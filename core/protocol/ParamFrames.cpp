#include "core/protocol/ParamFrames.h"

#include <limits>

#include "core/protocol/Checksums.h"
#include "core/protocol/Frames.h"
#include "core/protocol/HexText.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"

namespace ParamFrames {

namespace {

constexpr uint8_t kWrite = 0x01;

QByteArray write(uint8_t code, const QByteArray& data) { return Frames::RequestFrame(code, kWrite, data); }

Built refused(const QString& why) { return Built{QByteArray(), why}; }

void appendBigEndian(QByteArray& a, uint64_t v, int count) {
    for (int i = count - 1; i >= 0; --i) a.append(char((v >> (8 * i)) & 0xFF));
}

// A character the module can receive as one byte of the system code page.
bool singleByte(QChar c) {
    if (c.unicode() < 0x80) return true;
    bool ok = false;
    const QByteArray b = TextCodec::toGbk(QString(c), &ok);
    return ok && b.size() == 1;
}

// The characters a request reads must each have a one-byte code; the
// others never reach the module.
bool pairsReadable(const QString& text, std::initializer_list<int> positions) {
    for (int p : positions)
        for (int k = p; k < p + 2 && k < text.size(); ++k)
            if (!singleByte(text[k])) return false;
    return true;
}

}  // namespace

QString tooShortPassword() { return QStringLiteral("请输入完整的短信密码（4组16进制数）"); }
QString tooShortNumber() { return QStringLiteral("请输入11位接收方号码"); }
QString tooShortAddress() { return QStringLiteral("请输入完整的模块地址（2组16进制数）"); }
QString notSingleByte() { return QStringLiteral("输入中含有无效字符"); }
QString restartOutOfRange() { return QStringLiteral("重起时间超出范围（0-10737418秒）"); }
QString maskOutOfRange() { return QStringLiteral("号码选择超出范围（0 - 4294967295）"); }
QString delaysOutOfRange() { return QStringLiteral("醒后延时超出范围（0-26214000毫秒）"); }
QString notReadYet(const QString& what) {
    return QStringLiteral("%1没有从模块读出，请先输入要设置的%1").arg(what);
}
QString invalidIdentity() { return QStringLiteral("密码无效"); }
QString unknownRate() { return QStringLiteral("波特率无效，请从列表中选择"); }

uint8_t hexPair(const QString& text, int pos) { return HexPairValue(text, pos); }

uint8_t baudCode(const QString& text) {
    static const struct {
        const char* text;
        uint8_t code;
    } table[] = {{"1200bps", 3},  {"2400bps", 4},  {"4800bps", 5},   {"9600bps", 6},   {"14400bps", 7},
                 {"19200bps", 8}, {"38400bps", 9}, {"57600bps", 10}, {"115200bps", 11}};
    for (const auto& e : table)
        if (text == QLatin1String(e.text)) return e.code;
    return 0;
}

bool leadingInteger(const QString& text, int64_t lo, int64_t hi, int64_t& out) {
    const auto n = VbNum::toIntegerInRange(VbNum::val(text), lo, hi);
    if (!n) return false;
    out = *n;
    return true;
}

QByteArray passwordUse(bool receive, bool send) {
    return write(0xA1, QByteArray(1, char((receive ? 1 : 0) | (send ? 2 : 0))));
}

Built smsPassword(const QString& text1) {
    if (text1.size() < 11) return refused(tooShortPassword());
    if (!pairsReadable(text1, {0, 3, 6, 9})) return refused(notSingleByte());
    // Only four groups of two hex digits send what the box shows.
    const std::optional<QByteArray> data = ColonGroupBytes(text1, 4);
    if (!data) return refused(tooShortPassword());
    return Built{write(0xF1, *data), {}};
}

Built receiverNumber(const QString& text2) {
    if (text2.size() < 11) return refused(tooShortNumber());
    if (!pairsReadable(text2, {1, 3, 5, 7, 9})) return refused(notSingleByte());
    // The leading 1 of every number is implied: a number that starts with
    // anything else, or holds a character that is no digit, would reach the
    // module as another number than the box shows.
    if (text2.size() != 11 || text2.at(0) != QLatin1Char('1') || !AllHexDigits(text2))
        return refused(tooShortNumber());
    const QString digits = text2.toUpper();
    QByteArray data(1, char(0x01));
    for (int p : {1, 3, 5, 7, 9}) data.append(char(hexPair(digits, p)));
    return Built{write(0xA2, data), {}};
}

Built passiveAddress(const QString& text3) {
    if (text3.size() < 5) return refused(tooShortAddress());
    if (!pairsReadable(text3, {0, 3})) return refused(notSingleByte());
    const std::optional<QByteArray> data = ColonGroupBytes(text3, 2);
    if (!data) return refused(tooShortAddress());
    return Built{write(0xE2, *data), {}};
}

QByteArray moduleModel(bool smsModel) { return write(0xD1, QByteArray(1, char(smsModel ? 0x02 : 0x01))); }

Built moduleBaud(const QString& comboText) {
    // Code 0 is no rate: the module would be left on a rate nobody chose.
    const uint8_t code = baudCode(comboText);
    if (code == 0) return refused(unknownRate());
    return Built{write(0xF2, QByteArray(1, char(code))), {}};
}

Built restartTime(const QString& text4) {
    // Shown back signed by the module's answer, so the count stays below 2^31.
    // Only a box that shows a number sends one: "abc" is no 0 s.
    const std::optional<double> seconds = VbNum::parseNumber(text4.trimmed());
    if (!seconds) return refused(restartOutOfRange());
    const auto count = VbNum::toIntegerInRange(*seconds / 0.005, 0, std::numeric_limits<int32_t>::max());
    if (!count) return refused(restartOutOfRange());
    QByteArray data;
    appendBigEndian(data, uint64_t(*count), 4);
    return Built{write(0xA3, data), {}};
}

Built identity(const QString& typed) {
    if (typed.size() != 6) return refused(invalidIdentity());
    for (QChar c : typed)
        if (!singleByte(c)) return refused(invalidIdentity());
    bool ok = false;
    const QByteArray bytes = TextCodec::toGbk(typed, &ok);
    if (!ok || bytes.size() != 6) return refused(invalidIdentity());
    return Built{write(0xEC, bytes), {}};
}

QByteArray refreshQuery(int step) {
    static const uint8_t codes[13] = {0xEC, 0xA3, 0xA1, 0xF1, 0xF8, 0xE2, 0xF9,
                                      0xFB, 0xA2, 0xE1, 0xD3, 0xD2, 0xDB};
    if (step < 0 || step > 12) return QByteArray();
    // The restart time is the one parameter read with operation 02.
    return Frames::RequestFrame(codes[step], codes[step] == 0xA3 ? 0x02 : 0x03);
}

QByteArray workMode(bool active) { return write(0xF8, QByteArray(1, char(active ? 0x01 : 0x00))); }

QByteArray transMode(int item) { return write(0xF9, QByteArray(1, char(item == 0 ? 0x01 : 0x00))); }

QByteArray subMode(uint8_t value) { return write(0xFB, QByteArray(1, char(value))); }

Built numberMask(const QString& textDXPhone) {
    int64_t mask = 0;
    if (!leadingInteger(textDXPhone, 0, 0xFFFFFFFFLL, mask)) return refused(maskOutOfRange());
    QByteArray data;
    appendBigEndian(data, uint64_t(mask), 4);
    return Built{write(0xE1, data), {}};
}

QByteArray powerSaving(bool on) { return write(0xD3, QByteArray(1, char(on ? 0x01 : 0x00))); }

QByteArray wakeMode(bool mode1) {
    QByteArray data(1, char(mode1 ? 0x00 : 0x01));
    data.append(QByteArray(3, '\0'));
    return write(0xDB, data);
}

Built wakeDelays(const QString& idleMs, const QString& dataMs) {
    QByteArray data;
    for (const QString* t : {&idleMs, &dataMs}) {
        int64_t ms = 0;
        const std::optional<double> shown = VbNum::parseNumber(t->trimmed());
        if (!shown) return refused(delaysOutOfRange());
        if (!leadingInteger(*t, 0, std::numeric_limits<int64_t>::max() / 2, ms)) return refused(delaysOutOfRange());
        const auto units = VbNum::toIntegerInRange(double(ms) / 400.0, 0, 0xFFFF);
        if (!units) return refused(delaysOutOfRange());
        appendBigEndian(data, uint64_t(*units), 2);
    }
    return Built{write(0xD2, data), {}};
}

uint32_t bigEndian(const QByteArray& bytes, int pos, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
        const qint64 k = qint64(pos) + i;
        v = (v << 8) | (k >= 0 && k < bytes.size() ? uint8_t(bytes[k]) : 0u);
    }
    return v;
}

QString hexPairsWithColons(const QByteArray& bytes, int pos, int count) {
    QString s;
    for (int i = 0; i < count; ++i) {
        const qint64 k = qint64(pos) + i;
        s += ByteToHex2(k >= 0 && k < bytes.size() ? uint8_t(bytes[k]) : 0) + QLatin1Char(':');
    }
    return s;
}

QString receiverNumberText(const QByteArray& bytes, int pos) {
    QString s = QStringLiteral("1");
    for (int i = 0; i < 5; ++i) {
        const qint64 k = qint64(pos) + i;
        s += ByteToHex2(k >= 0 && k < bytes.size() ? uint8_t(bytes[k]) : 0);
    }
    return s.trimmed();
}

QString restartSecondsText(int32_t count) { return VbNum::str(double(count) * 0.005); }

WakeDelayTexts wakeDelayTexts(uint16_t idleUnits, uint16_t dataUnits) {
    const double idle = double(idleUnits) * 0.4;
    const double data = double(dataUnits) * 0.4;
    WakeDelayTexts t;
    t.label = VbNum::str(idle) + QStringLiteral("s   ") + VbNum::str(data) + QStringLiteral("s");
    t.idleMs = VbNum::str(idle * 1000);
    t.dataMs = VbNum::str(data * 1000);
    return t;
}

QString portRateText(const QString& settings) {
    return settings.left(std::max<qsizetype>(0, settings.size() - 6)) + QStringLiteral("bps");
}

}  // namespace ParamFrames
