#include "GprsAnswerParser.h"

#include "GprsAnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/GprsAnswers.h"
#include "platform/CommPort.h"

using namespace GprsAnswers;

namespace {
const QByteArray kPreambleTail = QByteArray::fromHex("2A3A4A5A6A7A8A");

uint8_t at(const QByteArray& a, int i) { return i < a.size() ? uint8_t(a[i]) : 0; }

QByteArray bytes(std::initializer_list<uint8_t> list) {
    QByteArray out;
    for (uint8_t b : list) out.append(char(b));
    return out;
}
}  // namespace

int CommPortByteSource::waiting() const { return m_port && m_port->isOpen() ? m_port->inBufferCount() : 0; }

QByteArray CommPortByteSource::read() { return m_port ? m_port->input() : QByteArray(); }

void CommPortByteSource::arm(int n) {
    if (!m_port) return;
    m_port->setRThreshold(n);
    m_port->setInputLen(n);
}

void GprsAnswerParser::receive() {
    while (m_source->waiting() > 0) {
        if (!step()) return;
    }
}

bool GprsAnswerParser::step() { return g::GprsParamMode ? configStep() : dataStep(); }

void GprsAnswerParser::goTo(int state, int n) {
    g::RxState = state;
    m_source->arm(n);
}

QByteArray GprsAnswerParser::take(int n) {
    if (m_source->waiting() < n) return QByteArray();
    g::CommBytes = m_source->read();
    return g::CommBytes;
}

bool GprsAnswerParser::configStep() {
    const int state = g::RxState;
    const bool known = state == Hunt || state == Code || state == Signature ||
                       (state >= Notice && state <= WakeMode && state != 9);
    if (!known) {
        // A state left behind by the data terminal that has no configuration
        // step: start over at the hunt, taking nothing.
        goTo(Hunt, 1);
        return true;
    }
    const int n = (state == Hunt || state == Code) ? 1 : awaited(state);
    const QByteArray in = take(n);
    if (in.isEmpty()) return false;
    const uint8_t p0 = at(in, 0);
    const uint8_t p1 = at(in, 1);

    auto answered = [&](uint8_t code, uint8_t value) {
        const int next = nextReadStep(code, value);
        if (next >= 0) g::GprsParamStep = next;
        goTo(Hunt, 1);
    };

    switch (state) {
        case Hunt:
            if (p0 == 0x1A) goTo(Signature, 7);
            return true;
        case Signature:
            goTo(in.left(7) == kPreambleTail ? Code : Hunt, 1);
            return true;
        case Code:
            // An unknown code is skipped; the next byte is taken as the code.
            if (const auto d = dispatch(p0)) goTo(d->state, d->count);
            return true;
        case Notice:
            // Back at the hunt before anything is shown, so that an answer
            // arriving while the notice is open is read as a new frame.
            goTo(Hunt, 1);
            if (p0 == 1 && m_sink) m_sink->moduleReady();
            if (p0 == 3 && g::GprsSlaveSetPending && m_sink) m_sink->retryIdentityWrite();
            return true;
        case Version:
            if (m_sink) m_sink->version(versionText(in));
            answered(0xEC, 0);
            return true;
        case PassiveAddress:
            if (m_sink) m_sink->passiveAddress(addressText(p1, at(in, 2)));
            answered(0xE2, 0);
            return true;
        case Target:
            if (m_sink) m_sink->targetAddress(addressText(p1, at(in, 2)));
            answered(0xF3, 0);
            return true;
        case IdentityResult: {
            const IdentityOutcome outcome = identityOutcome(p0);
            if (outcome == IdentityOutcome::Unknown) return true;  // the next byte is taken as the result
            if (outcome == IdentityOutcome::AddressFollows) {
                goTo(Identity, 4);
                return true;
            }
            goTo(Hunt, 1);
            if (outcome != IdentityOutcome::Taken) g::GprsSlaveSetPending = false;
            if (m_sink) m_sink->identityOutcome(outcome);
            return true;
        }
        case Identity:
            if (m_sink)
                m_sink->identityAddress(addressText(p0, p1), addressText(at(in, 2), at(in, 3)),
                                        !g::GprsSlaveSetPending);
            answered(0xF4, 0);
            return true;
        case Unused:
            goTo(Hunt, 1);  // F5 carries nothing the form shows
            return true;
        case Heartbeat:
            if (m_sink) m_sink->heartbeat(heartbeatSeconds(in));
            answered(0xF6, 0);
            return true;
        case WorkMode:
            g::WorkModeByte[0] = p1;
            if (m_sink) m_sink->workMode(p1);
            answered(0xF8, p1);
            return true;
        case TransMode:
            g::TransModeByte[0] = p1;
            if (m_sink) m_sink->transMode(p1);
            answered(0xF9, p1);
            return true;
        case SubMode:
            if (m_sink) m_sink->subMode(p1);
            answered(0xFB, p1);
            return true;
        case Layout:
            if (m_sink) m_sink->addressLayout(addressLayout(in));
            answered(0xE1, 0);
            return true;
        case Baud: {
            int index = -1;
            if (const auto text = baudText(p0)) {
                g::GprsRxText = *text;
                index = p0 - 3;
            }
            goTo(Hunt, 1);
            if (m_sink) m_sink->baud(index, g::GprsRxText);
            return true;
        }
        case Restart:
            if (m_sink) m_sink->restartCount(p1);
            answered(0xE4, p1);
            return true;
        case PowerSaving:
            if (m_sink) m_sink->powerSaving(p1);
            answered(0xD3, p1);
            return true;
        case WakeDelays:
            if (m_sink) m_sink->wakeDelays(wakeDelayText(in));
            answered(0xD2, 0);
            return true;
        case WakeMode:
            if (m_sink) m_sink->wakeMode(p1);
            answered(0xDB, p1);
            return true;
        default:
            goTo(Hunt, 1);
            return true;
    }
}

bool GprsAnswerParser::dataStep() {
    if (g::WorkModeByte[0] == 0) return passiveStep();
    if (g::TransModeByte[0] != 0) return formattedStep();  // any value but 0 counts as formatted
    const QByteArray in = take(1);
    if (in.isEmpty()) return false;
    g::RxText += hexText(in.left(1));
    if (m_sink) m_sink->receivedData();
    goTo(Hunt, 1);
    return true;
}

bool GprsAnswerParser::formattedStep() {
    const int state = g::RxState;
    const int n = state == 2 ? 4 : 1;
    const QByteArray in = take(n);
    if (in.isEmpty()) return false;
    const uint8_t b = at(in, 0);
    switch (state) {
        case 1:
            if (b == 0xFA || b == 0xFF || b == 0xFC) {
                goTo(Hunt, 1);
                if (m_sink) m_sink->logAnswer(answerLine(bytes({0xD7, b})));
            } else if (b == 0x01) {
                goTo(2, 4);
            }
            return true;
        case 2:
            g::RxText = hexText(bytes({0xD7, 0x01}) + in.left(4));
            goTo(3, 1);
            return true;
        case 3:
            g::RxText += hexText(in.left(1));
            if (m_sink) m_sink->receivedData();
            return true;
        default:
            if (b == 0xD7)
                goTo(1, 1);
            else if (state != Hunt)
                goTo(Hunt, 1);
            return true;
    }
}

bool GprsAnswerParser::passiveStep() {
    const int state = g::RxState;
    int n = 1;
    if (state == 1 || state == 6) n = 2;
    if (state == 7) n = 3;
    if (state < 0 || state > 7) {
        goTo(Hunt, 1);  // a state the passive answers do not have
        return true;
    }
    const QByteArray in = take(n);
    if (in.isEmpty()) return false;
    const uint8_t b = at(in, 0);
    uint8_t* f = g::RxFrameFields;
    switch (state) {
        case 0:
            if (b == 0x21)
                goTo(1, 2);
            else if (b == 0x3F)
                goTo(7, 3);
            return true;
        case 1:
            f[0] = b;
            f[1] = at(in, 1);
            goTo(2, 1);
            return true;
        case 2:
            switch (g::DollarPendingOp) {
                case 1:
                    f[2] = b;
                    goTo(3, 1);
                    break;
                case 2:
                    f[2] = b;
                    goTo(6, 2);
                    break;
                case 3:
                    goTo(Hunt, 1);
                    if (m_sink) m_sink->logAnswer(answerLine(bytes({0x21, f[0], f[1], b})));
                    break;
                default:
                    goTo(Hunt, 1);
                    break;
            }
            return true;
        case 3: {
            f[3] = b;
            if (f[2] * 256 + f[3] != 0) {
                goTo(5, 1);
                g::RxText = hexText(bytes({0x21, f[0], f[1], f[2], f[3]}));
                if (m_sink) m_sink->receivedData();
            } else {
                goTo(4, 1);
            }
            return true;
        }
        case 4:
            goTo(Hunt, 1);
            if (m_sink)
                m_sink->logAnswer(QStringLiteral("接收  ") + hexText(bytes({0x21, f[0], f[1]})).chopped(1) +
                                  QStringLiteral(":00:00:") + hexText(in.left(1)) + QStringLiteral("\r\n"));
            return true;
        case 5:
            g::RxText += hexText(in.left(1));
            if (m_sink) m_sink->receivedData();
            return true;
        case 6:
            goTo(Hunt, 1);
            if (m_sink) m_sink->logAnswer(answerLine(bytes({0x21, f[0], f[1], f[2], b, at(in, 1)})));
            return true;
        case 7:
            goTo(Hunt, 1);
            if (m_sink) m_sink->logAnswer(answerLine(bytes({0x3F, b, at(in, 1), at(in, 2)})));
            return true;
    }
    return true;
}
