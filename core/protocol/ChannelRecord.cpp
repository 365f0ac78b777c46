#include "ChannelRecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ByteRoutines.h"
#include "CellReading.h"
#include "CheckCode.h"
#include "ListLookup.h"
#include "ValueLists.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"

namespace protocol {

using namespace detail;

namespace {

constexpr int kFrameSize = 267;
constexpr int kHeadRoom = 8;
constexpr int kCommandRoom = 40;
constexpr int kSwitchRoom = 16;
constexpr int kSmsRoom = 120;
constexpr int kChineseSegmentRoom = 60;

const char kPreamble[] = "\x1A\x2A\x3A\x4A\x5A\x6A\x7A\x8A";

struct SwitchTextTooLong {
    QString what;
};

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'); }

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

// Byte count of a space-free hex text: half its digits, halves to even.
int hexByteCount(const QString& digits, int cap) {
    const int count = static_cast<int>(VbNum::roundHalfEven(digits.size() / 2.0));
    return cap >= 0 && count > cap ? cap : count;
}

// The first `count` pairs of the digits at `at`. Reading them must stay
// within the digits, and each character read must be a single-byte one;
// this is checked only when the bytes are taken, after the length checks.
void putHexBytes(QByteArray& f, int at, const QString& digits, int count, const QString& what) {
    if (2 * count > digits.size()) fail(QStringLiteral("%1的16进制位数不成对").arg(what));
    for (int i = 0; i < 2 * count; ++i)
        if (digits.at(i).unicode() > 0x7F) fail(QStringLiteral("%1含有非16进制字符").arg(what));
    for (int k = 0; k < count; ++k) f[at + k] = static_cast<char>(HexPairValue(digits, 2 * k));
}

// The hex digits at the start of the text, blanks ignored, unsigned: the
// low 32 bits of their number, and whether it reaches beyond 32 bits.
uint32_t leadingHex(const QString& text, bool* beyond32Bits = nullptr) {
    uint64_t v = 0;
    bool beyond = false;
    for (QChar c : text) {
        if (isBlank(c)) continue;
        const int d = hexDigit(c);
        if (d < 0) break;
        v = (v << 4) | static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) {
            beyond = true;
            v &= 0xFFFFFFFFull;
        }
    }
    if (beyond32Bits) *beyond32Bits = beyond;
    return static_cast<uint32_t>(v);
}

// A limit as the module keeps it: the number times ten to the d, whole. The
// scaling is done in double precision, so that every 32-bit value written
// as its exact decimal text (as the read-back shows it) gives the same
// integer again.
int32_t scaledLimit(const QString& text, int decimals, const QString& what) {
    double x = number(text);
    for (int i = 0; i < decimals; ++i) x *= 10.0;
    return static_cast<int32_t>(rounded(x, what));
}

void putLe32(QByteArray& f, int at, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

// Switch-state text bytes at `at`, their count at `lenAt`. Returns false
// for an empty text in Chinese mode; a text of more than 16 bytes is refused
// (cutting it would lose characters, or split one in two).
bool putSwitchText(QByteArray& f, int lenAt, int at, const QString& text, bool english, const QString& what) {
    QByteArray b;
    if (english) {
        if (text.isEmpty()) fail(QStringLiteral("%1为空").arg(what));
        b = codePageBytes(text, what);
    } else {
        if (text.isEmpty()) return false;
        b = TextCodec::toUcs2BE(text);
    }
    if (b.size() > kSwitchRoom) throw SwitchTextTooLong{what};
    const int n = static_cast<int>(b.size());
    f[lenAt] = static_cast<char>(n);
    for (int i = 0; i < n; ++i) f[at + i] = b[i];
    return true;
}

}  // namespace

QStringList channelHeaders() {
    return {QString(),
            QStringLiteral("指令号"),
            QStringLiteral("报警间隔"),
            QStringLiteral("报警次数"),
            QStringLiteral("汉字/英文"),
            QStringLiteral("号码表"),
            QStringLiteral("自动上传"),
            QStringLiteral("符号位置"),
            QStringLiteral("正数符号"),
            QStringLiteral("负数符号"),
            QStringLiteral("小数点位置"),
            QStringLiteral("小数位数"),
            QStringLiteral("数值类型"),
            QStringLiteral("数值位置"),
            QStringLiteral("数值长度"),
            QStringLiteral("校验方式"),
            QStringLiteral("校验字节数"),
            QStringLiteral("超限次数"),
            QStringLiteral("通信协议"),
            QStringLiteral("数据格式"),
            QStringLiteral("字节排序"),
            QStringLiteral("位变量取值方式"),
            QStringLiteral("数据头位置"),
            QStringLiteral("上限值"),
            QStringLiteral("下限值"),
            QStringLiteral("数据头"),
            QStringLiteral("采集指令"),
            QStringLiteral("开关量1描述(最多8字)"),
            QStringLiteral("开关量0描述(最多8字)"),
            QStringLiteral("短信内容(最多120英文/60汉字)"),
            QStringLiteral("关联变量")};
}

QString channelLabel(int tableIndex) { return QStringLiteral("CH%1").arg(tableIndex); }

int phoneChoiceOf(uint32_t mask) {
    if (mask == 0) return 0;
    if (mask == 0xFFFFFF) return 1;
    return 2;
}

QString phoneMaskText(uint32_t mask) {
    mask &= 0xFFFFFF;
    return QString::number(mask, 16).toUpper() + QLatin1Char('(') +
           phoneChoiceItems().at(phoneChoiceOf(mask)) + QLatin1Char(')');
}

uint32_t phoneMaskOf(const QString& cell) { return leadingHex(cell) & 0xFFFFFF; }

QString bindingCodeText(int listPosition) { return ByteToHex2(static_cast<uint8_t>(0x80 + listPosition)); }

QString smsColumnText(const SmsColumn& sms) {
    QString text;
    for (const QString& s : sms.segments) text += s + kSmsSegmentSeparator;
    QStringList flags;
    for (bool b : sms.lineBreaks) flags.append(b ? QStringLiteral("1") : QStringLiteral("0"));
    return text + flags.join(QLatin1Char(','));
}

std::optional<SmsColumnParts> splitSmsColumn(const QString& text) {
    const QStringList parts = text.split(kSmsSegmentSeparator);
    if (parts.size() != kSmsSegments + 1) return std::nullopt;
    SmsColumnParts out;
    for (int i = 0; i < kSmsSegments; ++i) out.sms.segments[i] = parts.at(i);
    const QStringList flags = parts.at(kSmsSegments).split(QLatin1Char(','));
    if (flags.size() == kSmsSegments) {
        out.flagsValid = true;
        for (int i = 0; i < kSmsSegments; ++i) out.sms.lineBreaks[i] = flags.at(i) == QLatin1String("1");
    }
    return out;
}

bool englishTextAccepted(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool ok = true;
        const QByteArray b = TextCodec::toGbk(text.mid(i, 1), &ok);
        if (!ok || b.size() != 1 || static_cast<uint8_t>(b[0]) > 128) return false;
    }
    return true;
}

RowWrite channelRowFrame(const ChannelRecord& c, int tableIndex) {
    try {
        using namespace ChannelCol;
        QByteArray f(kFrameSize, '\0');
        for (int i = 0; i < 8; ++i) f[i] = kPreamble[i];
        f[8] = static_cast<char>(0xA8);
        f[9] = 0x01;
        if (tableIndex < 0 || tableIndex > 255) fail(QStringLiteral("表序号超出0-255"));
        f[10] = f[12] = static_cast<char>(tableIndex);

        f[13] = static_cast<char>(strictByte(number(c[AlarmInterval]), QStringLiteral("报警间隔")));
        f[14] = static_cast<char>(strictByte(number(c[AlarmCount]), QStringLiteral("报警次数")));
        const bool english = c[Language] == QStringLiteral("英文");
        f[15] = english ? 1 : 0;
        const uint32_t mask = phoneMaskOf(c[Phones]);
        f[16] = static_cast<char>(mask & 0xFF);
        f[17] = static_cast<char>((mask >> 8) & 0xFF);
        f[18] = static_cast<char>((mask >> 16) & 0xFF);
        const int64_t upload = rounded(number(c[AutoUpload]), QStringLiteral("自动上传"));
        if (upload < 0) fail(QStringLiteral("自动上传的数值不能为负数"));
        if (upload > 0xFFFF) fail(QStringLiteral("自动上传的数值超出0-65535"));
        f[19] = static_cast<char>(upload & 0xFF);
        f[20] = static_cast<char>((upload >> 8) & 0xFF);
        const QString& bit = c[BitMode];
        const qsizetype comma = bit.indexOf(QLatin1Char(','));
        f[21] = static_cast<char>(comma >= 0 ? HexPairValue(bit, comma + 1) : 0);

        f[23] = static_cast<char>(wrappedByte(number(c[SignPos]), QStringLiteral("符号位置")));
        const auto hexNumber = [](const QString& t) { return number(QStringLiteral("&H") + t); };
        f[24] = static_cast<char>(wrappedByte(hexNumber(c[PositiveSign]), QStringLiteral("正数符号")));
        f[25] = static_cast<char>(wrappedByte(hexNumber(c[NegativeSign]), QStringLiteral("负数符号")));
        f[26] = static_cast<char>(wrappedByte(number(c[PointPos]), QStringLiteral("小数点位置")));
        const int64_t decimalsRead = rounded(number(c[Decimals]), QStringLiteral("小数位数"));
        if (decimalsRead < 0) fail(QStringLiteral("小数位数的数值不能为负数"));
        const int decimals = static_cast<int>(decimalsRead % 7);
        f[27] = static_cast<char>(decimals);
        f[28] = static_cast<char>(listItem(valueTypeItems(), c[ValueType], QStringLiteral("数值类型")));
        f[29] = static_cast<char>(wrappedByte(number(c[ValueStart]), QStringLiteral("数值位置")));
        f[30] = static_cast<char>(wrappedByte(number(c[ValueLength]), QStringLiteral("数值长度")));
        f[31] = static_cast<char>(listItem(checkMethodItems(), c[CheckMethod], QStringLiteral("校验方式")));
        f[32] = static_cast<char>(wrappedByte(number(c[CheckBytes]), QStringLiteral("校验字节数")));
        const QString command = withoutSpaces(c[Command]);
        const int m = hexByteCount(command, -1);
        f[33] = static_cast<char>(m & 0xFF);  // above 40 the row is refused below
        f[34] = static_cast<char>(wrappedByte(number(c[OverLimitCount]), QStringLiteral("超限次数")));
        f[35] = static_cast<char>(listItem(protocolItems(), c[Protocol], QStringLiteral("通信协议")));
        f[36] = static_cast<char>(listItem(dataFormatItems(), c[DataFormat], QStringLiteral("数据格式")));
        f[37] = static_cast<char>(listItem(byteSortItems(), c[ByteSort], QStringLiteral("字节排序")));
        f[38] = static_cast<char>(listItem(bitItems(), comma >= 0 ? bit.left(comma) : bit, QStringLiteral("位变量取值方式")));
        f[39] = static_cast<char>(wrappedByte(number(c[HeadPos]), QStringLiteral("数据头位置")));

        // With no head position the head cell may carry the code of a bound
        // channel (81 hex and up) instead of head bytes.
        QString head;
        int h = 0;
        if (f[39] != 0) {
            head = withoutSpaces(c[Head]);
            h = hexByteCount(head, kHeadRoom);
            f[40] = static_cast<char>(h);
        } else {
            bool beyond = false;
            leadingHex(c[Head], &beyond);
            if (beyond) fail(QStringLiteral("数据头的数值超出范围"));
            const double code = hexNumber(c[Head]);
            if (code > 128) f[40] = static_cast<char>(strictByte(code, QStringLiteral("数据头")));
        }

        putLe32(f, 43, scaledLimit(c[UpperLimit], decimals, QStringLiteral("上限值")));
        putLe32(f, 47, scaledLimit(c[LowerLimit], decimals, QStringLiteral("下限值")));
        putHexBytes(f, 51, head, h, QStringLiteral("数据头"));

        if (m > kCommandRoom) return RowWrite::refusal(QStringLiteral("采集指令长度超出范围40字节"));
        putHexBytes(f, 59, command, m, QStringLiteral("采集指令"));

        const QString switchMessage = QStringLiteral("转换开关量描述内容时发生错误！");
        if (!putSwitchText(f, 41, 99, c[SwitchOnText], english, QStringLiteral("开关量1描述")))
            return RowWrite::refusal(switchMessage);
        if (!putSwitchText(f, 42, 115, c[SwitchOffText], english, QStringLiteral("开关量0描述")))
            return RowWrite::refusal(switchMessage);

        // A column that does not split into its nine parts sends no segments,
        // lengths, links or flags at all.
        const QStringList parts = c[Sms].split(kSmsSegmentSeparator);
        if (parts.size() == kSmsSegments + 1) {
            const QStringList links = c[LinkedValues].split(QLatin1Char(','));
            int total = 0;
            for (int i = 0; i < kSmsSegments; ++i) {
                const QString& part = parts.at(i);
                if (!part.isEmpty()) {
                    QByteArray b;
                    if (english) {
                        b = codePageBytes(part, QStringLiteral("第%1段短信内容").arg(i + 1));
                        if (total + b.size() > kSmsRoom)
                            return RowWrite::refusal(QStringLiteral("短信内容超出120字节范围"));
                    } else {
                        b = TextCodec::toUcs2BE(part);
                        if (total + b.size() > kSmsRoom)
                            return RowWrite::refusal(QStringLiteral("短信内容超出120字节范围"));
                        if (b.size() > kChineseSegmentRoom)
                            return RowWrite::refusal(
                                QStringLiteral("第%1段短信内容超出范围60字节").arg(i + 1));
                    }
                    f[131 + i] = static_cast<char>(b.size());
                    for (int k = 0; k < b.size(); ++k) f[147 + total + k] = b[k];
                    total += static_cast<int>(b.size());
                }
                if (i < links.size())
                    f[139 + i] = static_cast<char>(listItem(linkValueItems(), links.at(i), QStringLiteral("关联变量")));
            }
            const QStringList flags = parts.at(kSmsSegments).split(QLatin1Char(','));
            uint8_t bits = 0;
            if (flags.size() == kSmsSegments)
                for (int i = 0; i < kSmsSegments; ++i)
                    if (flags.at(i) == QLatin1String("1")) bits |= static_cast<uint8_t>(1u << i);
            f[22] = static_cast<char>(bits);
        }

        f[11] = static_cast<char>(SumCheck8(f, 12, kFrameSize));
        return RowWrite::built(f);
    } catch (const ConversionFailure& e) {
        return RowWrite::refusal(QStringLiteral("执行错误！") + e.description);
    } catch (const SwitchTextTooLong& e) {
        return RowWrite::refusal(QStringLiteral("%1超出范围16字节").arg(e.what));
    }
}

namespace {

// Reads the payload and ends the decoding at the first byte it does not hold.
struct PastPayload {};

class Payload {
public:
    explicit Payload(const QByteArray& p) : m_p(p) {}
    uint8_t operator[](qsizetype i) const {
        if (i < 0 || i >= m_p.size()) throw PastPayload{};
        return static_cast<uint8_t>(m_p[i]);
    }
    QByteArray bytes(qsizetype from, qsizetype count) const {
        if (count <= 0) return QByteArray();
        if (from < 0 || from + count > m_p.size()) throw PastPayload{};
        return m_p.mid(from, count);
    }

private:
    const QByteArray& m_p;
};

QString listText(const QStringList& items, uint8_t v) { return v < items.size() ? items.at(v) : items.at(0); }

QString hexPairs(const Payload& p, int from, int count) {
    QString s;
    for (int i = 0; i < count; ++i) s += ByteToHex2(p[from + i]) + QLatin1Char(' ');
    return s;
}

// The limit v / 10^d written exactly from the integer's digits (no
// rounding, no exponent, no trailing zeros), so that the row frame turns the
// text back into the same v.
QString limitText(const Payload& p, int at, int decimals) {
    const uint32_t u =
        p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) | (static_cast<uint32_t>(p[at + 3]) << 24);
    const auto v = static_cast<int64_t>(static_cast<int32_t>(u));
    QString digits = QString::number(v < 0 ? -v : v);
    if (digits.size() <= decimals) digits.prepend(QString(decimals + 1 - digits.size(), QLatin1Char('0')));
    QString whole = digits.left(digits.size() - decimals);
    QString fraction = digits.right(decimals);
    while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
    if (!fraction.isEmpty()) whole += QLatin1Char('.') + fraction;
    return v < 0 ? QLatin1Char('-') + whole : whole;
}

// A text of `length` bytes from `start`: UCS-2 pairs (an odd length takes
// one byte past its field for the last character) or code-page bytes. The
// characters are built into `work` as they are read, so a text cut by the
// end of the payload leaves what was read there.
QString readText(const Payload& p, int start, int length, bool chinese, QString& work) {
    work.clear();
    if (chinese) {
        for (int j = start; j <= start + length - 1; j += 2)
            work.append(QChar(static_cast<char16_t>((p[j] << 8) | p[j + 1])));
    } else {
        work = TextCodec::fromGbk(p.bytes(start, length));
    }
    return work;
}

}  // namespace

ChannelReadBack decodeChannelRow(const QByteArray& payload) {
    using namespace ChannelCol;
    ChannelReadBack out;
    ChannelRecord& c = out.cells;
    const Payload p(payload);
    try {
        c[Label] = channelLabel(p[1]);
        c[AlarmInterval] = QString::number(p[2]);
        c[AlarmCount] = QString::number(p[3]);
        c[Language] = p[4] == 1 ? QStringLiteral("英文") : QStringLiteral("汉字");
        const uint32_t mask = p[5] | (p[6] << 8) | (p[7] << 16);
        out.phoneMask = mask;
        c[Phones] = phoneMaskText(mask);
        c[AutoUpload] = QString::number(p[8] | (p[9] << 8));
        const uint8_t switchByte = p[10];
        const uint8_t flags = p[11];
        c[SignPos] = QString::number(p[12]);
        c[PositiveSign] = ByteToHex2(p[13]);
        c[NegativeSign] = ByteToHex2(p[14]);
        c[PointPos] = QString::number(p[15]);
        const int decimals = p[16];
        c[Decimals] = QString::number(decimals);
        c[ValueType] = listText(valueTypeItems(), p[17]);
        c[ValueStart] = QString::number(p[18]);
        c[ValueLength] = QString::number(p[19]);
        c[CheckMethod] = listText(checkMethodItems(), p[20]);
        c[CheckBytes] = QString::number(p[21]) + QStringLiteral("字节");
        const int m = p[22];
        c[OverLimitCount] = QString::number(p[23]);
        c[Protocol] = listText(protocolItems(), p[24]);
        c[DataFormat] = listText(dataFormatItems(), p[25]);
        c[ByteSort] = listText(byteSortItems(), p[26]);
        const QStringList bits = bitItems();
        c[BitMode] = listText(bits, p[27]);
        if (p[27] == bits.size() - 1) c[BitMode] += QLatin1Char(',') + ByteToHex2(switchByte);
        c[HeadPos] = QString::number(p[28]);
        const int h = p[29];
        // A length never reaches past its own 16-byte field into the next.
        const int s1 = std::min<int>(p[30], kSwitchRoom);
        const int s0 = std::min<int>(p[31], kSwitchRoom);
        c[UpperLimit] = limitText(p, 32, decimals);
        c[LowerLimit] = limitText(p, 36, decimals);
        if (h >= 1 && h <= kHeadRoom)
            c[Head] = hexPairs(p, 40, h);
        else if (h > 128)
            c[Head] = ByteToHex2(static_cast<uint8_t>(h));
        if (m >= 1 && m <= kCommandRoom) c[Command] = hexPairs(p, 48, m);

        const bool chinese = c[Language] == QStringLiteral("汉字");
        readText(p, 88, s1, chinese, out.rxText);
        c[SwitchOnText] = out.rxText;
        readText(p, 104, s0, chinese, out.rxText);
        c[SwitchOffText] = out.rxText;

        c[Sms].clear();
        c[LinkedValues].clear();
        const QStringList links = linkValueItems();
        int at = 136;
        for (int i = 0; i < kSmsSegments; ++i) {
            c[LinkedValues] += listText(links, p[128 + i]);
            if (i < kSmsSegments - 1) c[LinkedValues] += QLatin1Char(',');
            const int length = p[120 + i] & 0x7F;
            c[Sms] += readText(p, at, length, chinese, out.rxText) + kSmsSegmentSeparator;
            at += length;
        }
        QStringList flagTexts;
        for (int i = 0; i < kSmsSegments; ++i)
            flagTexts.append((flags >> i) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
        c[Sms] += flagTexts.join(QLatin1Char(','));
        out.complete = true;
    } catch (const PastPayload&) {
        // The columns written so far stay; the module's lengths pointed past
        // the row it sent.
    }
    return out;
}

}  // namespace protocol
