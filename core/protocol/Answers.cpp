#include "core/protocol/Answers.h"

#include "core/protocol/Checksums.h"
#include "core/protocol/ParamFrames.h"
#include "core/protocol/PhoneCodec.h"
#include "core/protocol/SettingsRecords.h"
#include "platform/text/TextCodec.h"

namespace Answers {

namespace {
uint8_t at(const QByteArray& b, int k) { return k >= 0 && k < b.size() ? uint8_t(b[k]) : 0; }

// The answers whose one value byte chooses between two texts and two
// refresh steps.
struct TwoWay {
    uint8_t code;
    ParamAnswer::Kind kind;
    bool flagWhenZero;  // the flag is set by a zero byte (else by any other)
    const char* flagText;
    const char* otherText;
    int flagStep;
    int otherStep;
};
const TwoWay kTwoWay[] = {
    {0xF8, ParamAnswer::Kind::WorkMode, true, "被动方式", "主动方式", 5, 6},
    {0xF9, ParamAnswer::Kind::TransMode, true, "透明传输", "格式传输", 7, 10},
    {0xA1, ParamAnswer::Kind::PasswordUse, false, "有密码", "无密码", 3, 4},
    {0xFB, ParamAnswer::Kind::SubMode, true, "透明方式2", "透明方式1", 9, 8},
    {0xD3, ParamAnswer::Kind::PowerSaving, false, "有省电", "无省电", 11, 100},
    {0xDB, ParamAnswer::Kind::WakeMode, true, "模式1", "模式2", 13, 13},
};
}  // namespace

ParamAnswer decodeParamAnswer(uint8_t code, const QByteArray& b) {
    using K = ParamAnswer::Kind;
    ParamAnswer a;
    for (const TwoWay& t : kTwoWay) {
        if (t.code != code) continue;
        a.kind = t.kind;
        a.value = at(b, 1);
        a.flag = (a.value == 0) == t.flagWhenZero;
        a.text = QString::fromUtf8(a.flag ? t.flagText : t.otherText);
        a.refreshStep = a.flag ? t.flagStep : t.otherStep;
        return a;
    }
    switch (code) {
        case 0xFD:
            a.kind = K::ModuleStatus;
            a.value = at(b, 0);
            break;
        case 0xA2:
            a.kind = K::ReceiverNumber;
            a.text = ParamFrames::receiverNumberText(b, 2);
            a.refreshStep = 10;
            break;
        case 0xF1:
            a.kind = K::Password;
            a.text = ParamFrames::hexPairsWithColons(b, 1, 4);
            a.refreshStep = 4;
            break;
        case 0xEC:
            a.kind = K::Version;
            a.text = TextCodec::bytesToChars(b.mid(1, 11)).trimmed();
            a.refreshStep = 1;
            break;
        case 0xE2:
            a.kind = K::Address;
            a.text = ParamFrames::hexPairsWithColons(b, 1, 2);
            a.refreshStep = 6;
            break;
        case 0xF2:
            a.kind = K::BaudWritten;
            break;
        case 0xA3:
            a.kind = K::RestartTime;
            a.text = ParamFrames::restartSecondsText(int32_t(ParamFrames::bigEndian(b, 1, 4)));
            a.refreshStep = 2;
            break;
        case 0xE1:
            a.kind = K::NumberMask;
            // Unsigned: every mask the work-mode chain can send shows as itself.
            a.text = QString::number(ParamFrames::bigEndian(b, 1, 4));
            a.refreshStep = 10;
            break;
        case 0xD2: {
            a.kind = K::WakeDelays;
            const auto t = ParamFrames::wakeDelayTexts(uint16_t(ParamFrames::bigEndian(b, 1, 2)),
                                                       uint16_t(ParamFrames::bigEndian(b, 3, 2)));
            a.text = t.label;
            a.idleMs = t.idleMs;
            a.dataMs = t.dataMs;
            a.refreshStep = 12;
            break;
        }
        default:
            break;
    }
    return a;
}

Verdict judgeTableAck(const QByteArray& text, const QByteArray& ok, const QByteArray& fail) {
    if (text.size() < 6) return Verdict::Wait;
    if (text.size() < fail.size() && fail.startsWith(text)) return Verdict::Wait;
    if (text.startsWith(ok)) return Verdict::Ok;
    if (text.startsWith(fail)) return Verdict::Fail;
    return Verdict::Other;
}

SettingsAck judgeSettingsAck(const QByteArray& text) {
    static const QByteArray ok = QByteArrayLiteral("SETOK:");
    static const QByteArray fail = QByteArrayLiteral("SETFAIL:");
    if (text.startsWith(ok)) return {Verdict::Ok, 0};
    if (text.startsWith(fail)) return {Verdict::Fail, 0};
    if (ok.startsWith(text)) return {Verdict::Wait, int(ok.size() - text.size())};
    if (fail.startsWith(text)) return {Verdict::Wait, int(fail.size() - text.size())};
    return {Verdict::Other, 0};
}

IdentityAck decodeIdentityAck(const QByteArray& bytes) {
    const QString text = TextCodec::fromGbk(bytes);
    return {text.contains(QStringLiteral("SETOK:")), text.contains(QStringLiteral("SETFAIL:"))};
}

bool PhoneTableHeader::empty() const { return count == 0 || count > PhoneCodec::MaxNumbers; }

std::optional<PhoneTableHeader> decodePhoneTableHeader(const QByteArray& bytes) {
    if (bytes.size() < 2) return std::nullopt;
    return PhoneTableHeader{uint8_t(bytes[0]), uint8_t(bytes[1])};
}

PhoneTable decodePhoneTable(const PhoneTableHeader& header, const QByteArray& entries) {
    PhoneTable t;
    t.sum = PhoneCodec::tableChecksum(header.count, entries);
    t.checksumOk = t.sum == header.checksum;
    if (t.checksumOk) t.numbers = PhoneCodec::tableNumbers(header.count, entries);
    return t;
}

BlockHeader decodeBlockHeader(const QByteArray& bytes) { return {at(bytes, 0), at(bytes, 1), at(bytes, 2)}; }

bool blockChecksumOk(const QByteArray& block, uint8_t checksum) {
    return SumCheck8(block, 0, long(block.size())) == checksum;
}

std::optional<QString> decodeInputState(int channel, const QByteArray& text) {
    if (text.isEmpty()) return std::nullopt;
    return SettingsRecords::inputStateText(channel, text[0]);
}

QString sendStatusWord(uint8_t status) {
    switch (status) {
        case 0:
            return QStringLiteral("发送成功");
        case 1:
            return QStringLiteral("发送失败");
        case 2:
            return QStringLiteral("正在发送");
        default:
            return QString();
    }
}

FormattedType decodeFormattedType(uint8_t type) {
    switch (type) {
        case 0xFA:
            return {true, true, QStringLiteral("发送成功")};
        case 0xFC:
            return {true, true, QStringLiteral("发送失败")};
        case 0xFF:
            return {true, true, QStringLiteral("没有上网")};
        case 0x01:
            return {true, false, QStringLiteral("接收短信")};
        default:
            return {};
    }
}

}  // namespace Answers
