#include "CollectionSettings.h"

#include "CellReading.h"
#include "Frames.h"
#include "platform/text/VbNum.h"

namespace CollectionSettings {

namespace {
constexpr uint8_t kCode = 0xA8;
constexpr uint8_t kWrite = 0xF1;
constexpr uint8_t kRead = 0xF2;
}  // namespace

Write writeFrame(const Input& in) {
    using namespace protocol::detail;
    QByteArray f = Frames::RequestFrame(kCode, kWrite, QByteArray(WriteLength - 10, '\0'));
    try {
        uint32_t period = 0;
        if (in.autoPoll) {
            // Held in single precision before it is scaled, as files and
            // modules set up by earlier versions of this tool expect; scaled
            // in double, so that a period of hundredths a module holds (up to
            // a day) goes back as it came, not one unit off.
            const float seconds = float(number(in.period));
            const int64_t units = rounded(double(seconds) * 100.0, QStringLiteral("采集间隔"));
            if (units < 0) fail(QStringLiteral("采集间隔的数值不能为负数"));
            // The module takes a period of 0 for listening only.
            if (units == 0) fail(QStringLiteral("采集间隔的数值不能小于0.01秒"));
            period = uint32_t(units);
        }
        for (int i = 0; i < 4; ++i) f[12 + i] = char((period >> (8 * i)) & 0xFF);
        f[16] = char(wrappedByte(number(in.timeOut) / 100.0, QStringLiteral("超时")));
        f[17] = char(wrappedByte(number(in.reSend), QStringLiteral("重发次数")));
        f[18] = char(in.history ? 1 : 0);
    } catch (const ConversionFailure& e) {
        return Write{QByteArray(), e.description};
    }
    unsigned sum = 0;
    for (int i = 12; i < WriteLength; ++i) sum += uint8_t(f[i]);
    f[11] = char(sum & 0xFF);
    return Write{f, QString()};
}

QByteArray readRequest() { return Frames::RequestFrame(kCode, kRead); }

std::optional<Answer> decodeAnswer(const QByteArray& frame) {
    if (frame.size() < 12) return std::nullopt;
    const int length = uint8_t(frame[10]) + 256 * uint8_t(frame[11]);
    if (length < PayloadLength || frame.size() < 12 + length) return std::nullopt;
    Answer a;
    a.payload = frame.mid(12, length);
    const auto p = [&](int i) { return uint8_t(a.payload[i]); };
    a.period = uint32_t(p(0)) | uint32_t(p(1)) << 8 | uint32_t(p(2)) << 16 | uint32_t(p(3)) << 24;
    a.timeOut = p(4);
    a.reSend = p(5);
    a.history = p(6);
    return a;
}

Shown show(const Answer& a) {
    Shown s;
    // The count is signed on the module: a negative one means listening.
    if (static_cast<int32_t>(a.period) < 1) {
        s.autoPoll = false;
        s.period = QStringLiteral("0");
    } else {
        s.autoPoll = true;
        // Tenths as the design shows them; a period of hundredths (which the
        // module holds but the design did not expect) with both decimals, so
        // that saving the page back keeps it.
        s.period = a.period % 10 != 0    ? VbNum::formatFixed(a.period / 100.0, 2)
                   : a.period % 100 != 0 ? VbNum::formatFixed(a.period / 100.0, 1)
                                         : QString::number(a.period / 100);
    }
    s.timeOut = QString::number(int(a.timeOut) * 100);
    s.reSend = a.reSend > 10 ? QStringLiteral("0") : QString::number(a.reSend);
    s.history = a.history == 1;
    return s;
}

Ack judgeAck(const QByteArray& frame) {
    const QByteArray text = frame.mid(10);
    if (text.startsWith("SETOK:")) return Ack::Ok;
    if (text.startsWith("SETFAIL:")) return Ack::Fail;
    return Ack::Other;
}

}  // namespace CollectionSettings
