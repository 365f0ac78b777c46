#include "CommandRecord.h"

#include <algorithm>
#include <cmath>

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

constexpr int kFrameSize = 139;
constexpr int kPayloadSize = 128;
constexpr int kHeadTailRoom = 50;
constexpr int kTextRoom = 50;
constexpr int kHeadAt = 39;
constexpr int kTextAt = 89;

const char kPreamble[] = "\x1A\x2A\x3A\x4A\x5A\x6A\x7A\x8A";

const QString kFormatMessage = QStringLiteral("转换指令输出设置或报文格式不正确，请重新设置");

// The text after the two hex digits of a sign field. Characters from 80 hex
// up have no one-byte form, a control code would leave a cell no table file
// takes, and a comma would split the record, so those keep the brackets
// empty; the row frame reads only the digits.
QString signBrackets(uint8_t code, QChar c) {
    if (code < 0x20 || code >= 0x7F || c == QLatin1Char(',')) return QStringLiteral("()");
    return QLatin1Char('(') + QString(c) + QLatin1Char(')');
}

constexpr QChar kAscComma(0xFF0C);

// The code-page bytes of a character head or tail, and the byte count at
// the end of each character; nullopt when a character has no code.
std::optional<QByteArray> ascBytes(const QString& text, QList<qsizetype>* ends) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == kAscComma || text.at(i) == QLatin1Char(',')) {
            out += ',';
        } else {
            const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            bool ok = false;
            out += TextCodec::toGbk(text.mid(i, n), &ok);
            if (!ok) return std::nullopt;
            i += n - 1;
        }
        if (ends) ends->append(out.size());
    }
    return out;
}

// Head or tail bytes from their text field, `count` of them, at `at`.
void putFrameBytes(QByteArray& f, int at, bool asc, const QString& text, int count, const QString& what) {
    if (asc) {
        QList<qsizetype> ends{0};
        const auto bytes = ascBytes(text, &ends);
        if (!bytes) fail(QStringLiteral("%1含有无法转换的字符").arg(what));
        if (bytes->size() < count) fail(QStringLiteral("%1的字节数少于其长度%2").arg(what).arg(count));
        // Half a two-byte character is no character at all.
        if (!ends.contains(count)) fail(QStringLiteral("%1的长度%2截断了双字节字符").arg(what).arg(count));
        f.replace(at, count, bytes->left(count));
        return;
    }
    const QString digits = withoutSpaces(text);
    for (int k = 0; k < count; ++k)
        f[at + k] = static_cast<char>(strictByte(number(QStringLiteral("&H") + digits.mid(2 * k, 2)), what));
}

}  // namespace

QStringList commandHeaders() {
    return {QString(),
            QStringLiteral("指令号"),
            QStringLiteral("汉字/英文"),
            QStringLiteral("短信指令内容(最多50英文/25汉字)"),
            QStringLiteral("短信回复"),
            QStringLiteral("操作对象"),
            QStringLiteral("关联变量"),
            QStringLiteral("指令类型(读/写)"),
            QStringLiteral("输出数据"),
            QStringLiteral("操作通道")};
}

std::optional<OutputFrameRecord> splitOutputFrame(const QString& cell) {
    const QStringList parts = cell.split(QLatin1Char(','));
    if (parts.size() != kOutputFrameFields) return std::nullopt;
    OutputFrameRecord r;
    std::copy(parts.begin(), parts.end(), r.begin());
    return r;
}

QString joinOutputFrame(const OutputFrameRecord& record) {
    return QStringList(record.begin(), record.end()).join(QLatin1Char(','));
}

QString signFieldText(uint8_t b) {
    if (b == 0) return QStringLiteral("00()");
    return ByteToHex2(b) + signBrackets(b, QChar(b));
}

QString kindFieldText(bool asc, int count) {
    return (asc ? QStringLiteral("Asc") : QStringLiteral("Hex")) + QString::number(count);
}

std::optional<QByteArray> ascFrameBytes(const QString& text) { return ascBytes(text, nullptr); }

QString ascFrameText(const QByteArray& bytes) {
    return TextCodec::fromGbk(bytes).replace(QLatin1Char(','), kAscComma);
}

bool isAscKindField(const QString& field) { return field.left(3) == QLatin1String("Asc"); }

int kindFieldCount(const QString& field) {
    // The count sits in two characters, so a half byte after it ("Hex2.5")
    // is not counted; a count of three digits or more is read whole, so that
    // it meets the room check, and one far beyond any room stands at the
    // bound and is refused all the same.
    const double whole = number(field.mid(3));
    const double v = std::abs(whole) >= 100 ? std::trunc(whole) : number(field.mid(3, 2));
    const auto r = VbNum::toIntegerInRange(v, -1000, 1000);
    return r ? static_cast<int>(*r) : (v < 0 ? -1000 : 1000);
}

int commandTextLimit(const QString& languageCell) { return languageCell == QStringLiteral("英文") ? 60 : 30; }

QString signFieldFromHexView(const QString& box) {
    if (box.isEmpty()) return QStringLiteral("00()");
    const QString hh = box.left(2);
    const int v = static_cast<int>(number(QStringLiteral("&H") + hh)) & 0xFF;
    if (v == 0) return QStringLiteral("00()");
    return hh + signBrackets(static_cast<uint8_t>(v), QChar(v));
}

std::optional<QString> signFieldFromCharView(const QString& box) {
    if (box.isEmpty()) return QStringLiteral("00()");
    const auto byte = TextCodec::oneByteCode(box.at(0));
    if (!byte) return std::nullopt;
    const uint8_t code = *byte;
    if (code == 0) return QStringLiteral("00()");
    return ByteToHex2(code) + signBrackets(code, box.at(0));
}

QString hexKindField(const QString& box) {
    return QStringLiteral("Hex") + VbNum::str(withoutSpaces(box).size() / 2.0);
}

RowWrite commandRowFrame(const CommandRecord& c, int tableIndex) {
    try {
        using namespace CommandCol;
        QByteArray f(kFrameSize, '\0');
        for (int i = 0; i < 8; ++i) f[i] = kPreamble[i];
        f[8] = static_cast<char>(0xA9);
        f[9] = 0x01;
        if (tableIndex < 0 || tableIndex > 255) fail(QStringLiteral("表序号超出0-255"));
        f[10] = f[12] = static_cast<char>(tableIndex);
        f[13] = static_cast<char>(listItem(smsReplyItems(), c[Reply], QStringLiteral("短信回复")));
        f[14] = static_cast<char>(listItem(operationObjectItems(), c[Object], QStringLiteral("操作对象")));
        f[15] = static_cast<char>(listItem(linkValueOutItems(), c[LinkedValue], QStringLiteral("关联变量")));
        f[16] = static_cast<char>(listItem(readWriteItems(), c[ReadWrite], QStringLiteral("指令类型")));
        f[17] = static_cast<char>(listItem(channelItems(), c[Channel], QStringLiteral("操作通道")));

        const auto fields = splitOutputFrame(c[OutputFrame]);
        if (!fields) return RowWrite::refusal(kFormatMessage);
        const OutputFrameRecord& o = *fields;
        const int h = kindFieldCount(o[OutputField::HeadKind]);
        const int t = kindFieldCount(o[OutputField::TailKind]);
        if (h < 0 || t < 0) fail(QStringLiteral("报文头或报文尾的长度不能为负数"));
        // Head and tail share the 50 bytes before the text; more would run
        // into the text and out of the frame.
        if (h + t > kHeadTailRoom) return RowWrite::refusal(kFormatMessage);
        f[18] = static_cast<char>(h + t);

        // English texts go in code page 936, where a Chinese character takes
        // two bytes: the length byte counts bytes, as the module reads them.
        const bool english = listItem(languageItems(), c[Language], QStringLiteral("汉字/英文")) == 1;
        const QByteArray text =
            english ? codePageBytes(c[Text], QStringLiteral("短信指令内容")) : TextCodec::toUcs2BE(c[Text]);
        if (text.size() > 255) return RowWrite::refusal(QStringLiteral("短信内容超出50字节范围"));
        f[19] = static_cast<char>(text.size());
        f[20] = english ? 1 : 2;

        using namespace OutputField;
        f[23] = static_cast<char>(listItem(protocolItems(), o[Protocol], QStringLiteral("通信协议")));
        f[24] = static_cast<char>(listItem(dataFormatItems(), o[DataFormat], QStringLiteral("数据格式")));
        f[25] = static_cast<char>(listItem(byteSortItems(), o[ByteSort], QStringLiteral("字节排序")));
        // The editor's "原值输出" (ASCII format) and switch value "2" are in
        // no list and stand for position 0.
        f[26] = static_cast<char>(varnel::ComboFindIndex(valueTypeItems(), o[ValueType]));
        f[27] = static_cast<char>(strictByte(number(o[ValueStart]), QStringLiteral("起始位置")));
        f[28] = static_cast<char>(strictByte(number(o[IntegerDigits]), QStringLiteral("整数位数")));
        f[29] = static_cast<char>(strictByte(number(o[Decimals]), QStringLiteral("小数位数")));
        f[30] = static_cast<char>(varnel::ComboFindIndex(doValueItems(), o[DoValue]));
        f[31] = static_cast<char>(
            wrappedByte(number(QStringLiteral("&H") + o[PositiveSign].left(2)), QStringLiteral("正号")));
        f[32] = static_cast<char>(
            wrappedByte(number(QStringLiteral("&H") + o[NegativeSign].left(2)), QStringLiteral("负号")));
        f[33] = static_cast<char>(listItem(checkMethodItems(), o[CheckMethod], QStringLiteral("校验方式")));
        f[34] = static_cast<char>(strictByte(number(o[CheckBytes]), QStringLiteral("校验字节数")));

        const bool headAsc = isAscKindField(o[HeadKind]);
        const bool tailAsc = isAscKindField(o[TailKind]);
        f[35] = static_cast<char>(h | (headAsc ? 0x80 : 0));
        putFrameBytes(f, kHeadAt, headAsc, o[HeadText], h, QStringLiteral("报文头"));
        f[36] = static_cast<char>(t | (tailAsc ? 0x80 : 0));
        putFrameBytes(f, kHeadAt + h, tailAsc, o[TailText], t, QStringLiteral("报文尾"));

        if (!text.isEmpty()) {
            if (text.size() > kTextRoom) return RowWrite::refusal(QStringLiteral("短信内容超出50字节范围"));
            for (int i = 0; i < text.size(); ++i) f[kTextAt + i] = text[i];
        }

        f[11] = static_cast<char>(SumCheck8(f, 12, kFrameSize));
        return RowWrite::built(f);
    } catch (const ConversionFailure& e) {
        return RowWrite::refusal(QStringLiteral("执行错误！") + e.description);
    }
}

namespace {

// Bytes of the payload, only those inside it.
QByteArray payloadBytes(const QByteArray& p, int from, int count) {
    const int end = std::min(from + count, kPayloadSize);
    return from < end ? p.mid(from, end - from) : QByteArray();
}

// Head or tail bytes as text: hex pairs each followed by a blank, or
// characters.
QString frameBytesText(const QByteArray& p, int from, int count, bool asc) {
    const QByteArray bytes = payloadBytes(p, from, count);
    if (asc) return ascFrameText(bytes);
    QString s;
    for (char b : bytes) s += ByteToHex2(static_cast<uint8_t>(b)) + QLatin1Char(' ');
    return s;
}

}  // namespace

CommandReadBack decodeCommandRow(const QByteArray& payload) {
    using namespace CommandCol;
    CommandReadBack out;
    if (payload.size() < kPayloadSize) return out;
    const QByteArray p = payload.left(kPayloadSize);
    const auto at = [&](int i) { return static_cast<uint8_t>(p[i]); };
    CommandRecord& c = out.cells;

    c[Reply] = varnel::ComboItemText(smsReplyItems(), at(2));
    c[Object] = varnel::ComboItemText(operationObjectItems(), at(3));
    c[LinkedValue] = varnel::ComboItemText(linkValueOutItems(), at(4));
    c[ReadWrite] = varnel::ComboItemText(readWriteItems(), at(5));
    c[Channel] = varnel::ComboItemText(channelItems(), at(6));
    c[Label] = QStringLiteral("CH%1").arg(at(1));
    const bool english = at(9) == 1;
    c[Language] = languageItems().at(english ? 1 : 0);

    OutputFrameRecord o;
    {
        using namespace OutputField;
        o[Protocol] = varnel::ComboItemText(protocolItems(), at(12));
        o[DataFormat] = varnel::ComboItemText(dataFormatItems(), at(13));
        o[ByteSort] = varnel::ComboItemText(byteSortItems(), at(14));
        o[ValueType] = varnel::ComboItemText(valueTypeItems(), at(15));
        o[ValueStart] = QString::number(at(16));
        o[IntegerDigits] = QString::number(at(17));
        o[Decimals] = QString::number(at(18));
        o[DoValue] = varnel::ComboItemText(doValueItems(), at(19));
        o[PositiveSign] = signFieldText(at(20));
        o[NegativeSign] = signFieldText(at(21));
        o[CheckMethod] = varnel::ComboItemText(checkMethodItems(), at(22));
        o[CheckBytes] = QString::number(at(23));
        const bool headAsc = at(24) & 0x80;
        const int h = at(24) & 0x7F;
        o[HeadKind] = kindFieldText(headAsc, h);
        o[HeadText] = frameBytesText(p, 28, h, headAsc);
        const bool tailAsc = at(25) & 0x80;
        const int t = at(25) & 0x7F;
        o[TailKind] = kindFieldText(tailAsc, t);
        o[TailText] = frameBytesText(p, 28 + h, t, tailAsc);
    }
    c[OutputFrame] = joinOutputFrame(o);

    const int length = at(8);
    if (!english) {
        // An odd length takes one byte more; a character whose bytes are not
        // both inside the payload is not shown.
        for (int k = 0; k < length && 78 + k + 1 < kPayloadSize; k += 2)
            out.rxText.append(QChar(static_cast<char16_t>((at(78 + k) << 8) | at(78 + k + 1))));
    } else {
        out.rxText = TextCodec::fromGbk(payloadBytes(p, 78, length & 0x7F));
    }
    c[Text] = out.rxText;
    return out;
}

}  // namespace protocol
