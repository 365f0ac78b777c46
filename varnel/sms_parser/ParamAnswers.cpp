// The answers of the module's common parameters: each is decoded by the
// protocol library, handed to the form, and chooses the refresh's next
// query.

#include "AnswerReceiver.h"
#include "AnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/Answers.h"

namespace {

uint8_t at(const QByteArray& b, int i) { return i >= 0 && i < b.size() ? uint8_t(b[i]) : 0; }

// Refresh step after a power-saving answer of "off": the flash-size query.
constexpr int kStepFlashSize = 99;
constexpr int kStepEnd = 100;

// The answer to the refresh query that is out moves the refresh on; any
// other answer (a write's echo, a copy, one that came after its time) is
// shown and changes nothing of the refresh.
void proposeRefreshStep(uint8_t code, int step) {
    if (step < 0 || g::RefreshStep != kStepEnd || g::RefreshQuery != code) return;
    g::RefreshQuery = 0;
    g::RefreshStep = step;
}

}  // namespace

void AnswerReceiver::moduleNotice(const QByteArray& frame) {
    if (m_sink) m_sink->moduleNotice(at(frame, 9));
}

void AnswerReceiver::paramAnswer(const QByteArray& frame) {
    const uint8_t code = at(frame, 8);
    Answers::ParamAnswer a = Answers::decodeParamAnswer(code, frame.mid(9));
    switch (a.kind) {
        case Answers::ParamAnswer::Kind::WorkMode:
            g::WorkModeByte[0] = a.value;
            break;
        case Answers::ParamAnswer::Kind::TransMode:
            g::TransModeByte[0] = a.value;
            break;
        case Answers::ParamAnswer::Kind::PowerSaving:
            // Without power saving the delays and the wake mode are not asked.
            if (!a.flag) a.refreshStep = kStepFlashSize;
            break;
        default:
            break;
    }
    proposeRefreshStep(code, a.refreshStep);
    if (m_sink) m_sink->paramAnswer(a);
}

void AnswerReceiver::addressLayout(const QByteArray& frame) {
    AddressLayoutAnswer a;
    a.start = at(frame, 10);
    a.length = at(frame, 11);
    a.group = at(frame, 12);
    a.type = at(frame, 13);
    a.typeText = a.type == 1   ? QStringLiteral("十六进制")
                 : a.type == 2 ? QStringLiteral("BCD码")
                               : QStringLiteral("ASCII");
    a.listItem = a.type <= 2 ? a.type : -1;
    proposeRefreshStep(0xE1, 10);
    if (m_sink) m_sink->addressLayout(a);
}

void AnswerReceiver::flashSize(const QByteArray& frame) {
    QString text;
    switch (at(frame, 10)) {
        case 0x13:
            text = QStringLiteral("1M");
            break;
        case 0x14:
            text = QStringLiteral("2M");
            break;
        case 0x15:
            text = QStringLiteral("4M");
            break;
        case 0x16:
            text = QStringLiteral("8M");
            break;
        case 0x17:
            text = QStringLiteral("16M");
            break;
        case 0xFF:
            text = QStringLiteral("无");
            break;
        default:
            break;
    }
    g::CommBytes = frame.mid(10, 2);
    proposeRefreshStep(0xAB, kStepEnd);
    if (m_sink) m_sink->flashSize(text);
}
