#include "GprsAnswerParser.h"

#include "GprsAnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/DispatchTable.h"
#include "core/protocol/Frames.h"
#include "core/protocol/GprsAnswers.h"
#include "core/protocol/TestFrames.h"
#include "platform/VbTimer.h"

using namespace GprsAnswers;

namespace {
// Characters of the frame heads as hex text: D7 01 R1 R2 length; "!" A1 A2 length.
constexpr int kFormattedHead = 18;
constexpr int kPassiveHead = 15;
// The passive answer's states when the configuration half reads one; its
// state 8 waits for the CR after the data, which that half counts.
constexpr int kPassiveInConfig = 40;
// The data half's state after a frame start while a given-up read's answer
// may still come: the seven bytes after it tell a frame from data.
constexpr int kLateHead = 30;
// The data half's state while a passive answer is held to be told by its
// length.
constexpr int kHeld = 20;
// The same in the configuration half, and a frame start held behind such an
// answer there (the seven bytes after it).
constexpr int kHeldInConfig = kPassiveInConfig + 9;
constexpr int kHeldFrame = kPassiveInConfig + 10;

uint8_t at(const QByteArray& a, int i) { return i < a.size() ? uint8_t(a[i]) : 0; }

// Where a passive answer to `op` whose bytes after the address begin at
// `from` in `held` ends, when they are all there; 0 when they are not.
int answerEnd(int op, const QByteArray& held, qsizetype from) {
    qsizetype end = 0;
    if (op == 3) end = from + 1;
    if (op == 2) end = from + 3;
    if (op == 1 && held.size() >= from + 2) {
        const int length = at(held, int(from)) * 256 + at(held, int(from + 1));
        end = from + 2 + length;
        // No data: one byte closes it; else a CR may.
        if (length == 0 || (end < held.size() && held[end] == 0x0D)) ++end;
    }
    return end > from && end <= held.size() ? int(end) : 0;
}

// How the held bytes from `pos` on read as answers: not at all; wholly; or
// wholly only if a frame start cut short by the end of the held bytes is one.
enum class Whole { No, Yes, CutFrame };

// The held bytes from `pos` on are the preamble of a frame, as far as they go.
bool frameFrom(const QByteArray& held, qsizetype pos) {
    const QByteArray head = held.mid(pos, 8);
    return !head.isEmpty() && Frames::FramePreamble().startsWith(head);
}

// Whether the held bytes from `pos` on are used up, begin a frame (a notice
// or a configuration answer), or are whole answers to the requests of
// `owed` in the order sent, each followed so again.
Whole wholeFrom(const QByteArray& held, qsizetype pos, const QList<int>& owed) {
    if (pos >= held.size()) return Whole::Yes;
    if (frameFrom(held, pos))
        return held.size() - pos >= Frames::FramePreamble().size() ? Whole::Yes : Whole::CutFrame;
    if (owed.isEmpty()) return Whole::No;
    if (at(held, int(pos)) == 0x3F)
        return pos + 4 <= held.size() ? wholeFrom(held, pos + 4, owed.mid(1)) : Whole::No;
    if (at(held, int(pos)) != 0x21) return Whole::No;
    Whole found = Whole::No;
    for (qsizetype i = 0; i < owed.size() && found != Whole::Yes; ++i)
        if (const int end = answerEnd(owed[i], held, pos + 3); end > 0)
            if (const Whole w = wholeFrom(held, end, owed.mid(i + 1)); w != Whole::No) found = w;
    return found;
}

// The owed request a held passive answer (its bytes after the address) is
// read as: one under which all the held bytes are whole answers, the
// newest such (an older one was given up when it was sent); -1 for none.
// `cutFrame` tells that this reading needs a cut frame start to be one.
qsizetype wholeReading(const QByteArray& held, const QList<int>& owed, bool& cutFrame) {
    cutFrame = false;
    for (qsizetype i = owed.size() - 1; i >= 0; --i)
        if (const int end = answerEnd(owed[i], held, 0); end > 0)
            if (const Whole w = wholeFrom(held, end, owed.mid(i + 1)); w != Whole::No) {
                cutFrame = w == Whole::CutFrame;
                return i;
            }
    return -1;
}

// Some owed request would read the held bytes as the start of an answer
// whose rest is still due.
bool answerDue(const QByteArray& held, const QList<int>& owed) {
    for (int op : owed)
        if (op >= 1 && op <= 3 && answerEnd(op, held, 0) == 0) return true;
    return false;
}

QByteArray bytes(std::initializer_list<uint8_t> list) {
    QByteArray out;
    for (uint8_t b : list) out.append(char(b));
    return out;
}
}  // namespace

GprsAnswerParser::GprsAnswerParser(ByteSource* source, GprsAnswerSink* sink, QObject* parent)
    : AnswerMachine(source, 111, parent), m_sink(sink) {
    setObjectName(QStringLiteral("GprsAnswerParser"));
    for (int state = Notice; state <= WakeMode; ++state)
        if (listedState(state)) registerState(state, [this](AnswerMachine&) { configStep(); });
    for (int state = kPassiveInConfig + 1; state <= kPassiveInConfig + 8; ++state)
        registerState(state, [this](AnswerMachine&) { passiveStep(kPassiveInConfig); });
    registerState(kHeldInConfig, [this](AnswerMachine&) { heldAnswer(); });
    registerState(kHeldFrame, [this](AnswerMachine&) { heldConfigStep(); });
    setOtherMachine([this](AnswerMachine&) { dataStep(); });
    m_lateStartQuiet = new VbTimer(this, QuietMs, false);
    m_lateStartQuiet->setObjectName(QStringLiteral("lateStartQuiet"));
    connect(m_lateStartQuiet, &VbTimer::tick, this, &GprsAnswerParser::lateStartAlone);
    m_heldGap = new VbTimer(this, AnswerGapMs, false);
    m_heldGap->setObjectName(QStringLiteral("heldGap"));
    connect(m_heldGap, &VbTimer::tick, this, [this] {
        m_heldGap->setEnabled(false);
        readHeld();
    });
}

void GprsAnswerParser::readHeld() {
    if (g::RecvMode != 111) return;
    if (running()) {
        // A box of a step is open: the held answer is read once it closes.
        m_heldGap->rearm(AnswerGapMs);
        return;
    }
    followHalf();
    if (g::RxState == kHeld || g::RxState == kHeldInConfig) heldAnswer(true);
}

void GprsAnswerParser::restart() {
    m_lateStartQuiet->setEnabled(false);
    m_heldGap->setEnabled(false);
    m_held.clear();
    m_lateFrame = false;
    m_answerSized = false;
    g::GprsPassiveOwed.clear();
    toHunt();
}

GprsAnswerParser::~GprsAnswerParser() = default;

bool GprsAnswerParser::listedState(int s) const {
    return (s >= Notice && s <= WakeMode && s != 9) || (s > kPassiveInConfig && s <= kHeldFrame);
}

std::pair<int, int> GprsAnswerParser::startOther(uint8_t byte) const {
    if (g::WorkModeByte[0] == 0 && !g::GprsPassiveOwed.isEmpty()) {
        if (byte == 0x21) return {kPassiveInConfig + 1, 2};
        if (byte == 0x3F) return {kPassiveInConfig + 7, 3};
    }
    return {Hunt, 1};
}

std::pair<int, int> GprsAnswerParser::route(uint8_t code) const {
    static const DispatchTable table = [] {
        DispatchTable t;
        for (int c = 0; c < 256; ++c)
            if (const auto d = dispatch(uint8_t(c))) t.add(uint8_t(c), d->state, d->count);
        return t;
    }();
    if (const auto e = table.find(code)) return {e->state, e->readN};
    return {Dispatch, 1};
}

bool GprsAnswerParser::framesActive() const { return g::GprsParamMode || (m_lateFrame && g::RxState != Hunt); }

void GprsAnswerParser::followHalf() {
    if (m_configHalf != g::GprsParamMode) {
        m_configHalf = g::GprsParamMode;
        // A passive answer under way to a request still owed one goes on in
        // the other half. Any other answer cut short is dropped.
        const int s = g::RxState;
        const bool held = s == kHeld || s == kHeldInConfig;
        const bool owed = s == 1 || s == 7 || held ? !g::GprsPassiveOwed.isEmpty() : m_answerOwed;
        const bool passive = g::WorkModeByte[0] == 0 && owed;
        if (m_lateFrame && m_configHalf)
            ;  // a late configuration answer reads on in its own half
        else if (passive && held)
            g::RxState = m_configHalf ? kHeldInConfig : kHeld;
        else if (passive && m_configHalf && s >= 1 && s <= 7)
            g::RxState = kPassiveInConfig + s;
        else if (passive && !m_configHalf && s > kPassiveInConfig && s < kPassiveInConfig + 8)
            g::RxState = s - kPassiveInConfig;
        else if (s != Hunt)
            toHunt();
        if (g::RxState == Hunt) m_held.clear();
    }
}

QByteArray GprsAnswerParser::take(int n) {
    if (m_held.isEmpty()) {
        if (waiting() < n) return QByteArray();
        return read();
    }
    if (m_held.size() < n && waiting() > 0) m_held += readAll();
    if (m_held.size() < n) return QByteArray();
    const QByteArray out = m_held.left(n);
    m_held.remove(0, n);
    return out;
}

void GprsAnswerParser::answered(uint8_t code, uint8_t value) {
    const int next = nextReadStep(code, value);
    // Only the answer to the request the read sequence has out (it sent it
    // and set 100) chooses its next step: a late or repeated one, another
    // request's, or one arriving while a write chain counts its own steps
    // in the same place changes nothing.
    if (g::GprsReadLate == code) g::GprsReadLate = -1;
    if (next >= 0 && g::GprsParamStep == 100 && g::GprsReadAwaited == code) {
        g::GprsReadAwaited = -1;
        g::GprsParamStep = next;
    }
    toHunt();
}

void GprsAnswerParser::receivedByte(uint8_t byte, int headChars) {
    if (g::RxText.size() <= headChars) m_cutBytes = 0;  // a new block
    m_cutBytes += TestFrames::appendReceived(g::RxText, byte, headChars, headChars + 3 * MaxDataBytes);
    if (m_sink) m_sink->receivedData(m_cutBytes);
}

void GprsAnswerParser::configStep() {
    const int state = g::RxState;
    const QByteArray in = take(awaited(state));
    if (in.isEmpty()) return;
    const uint8_t p0 = at(in, 0);
    const uint8_t p1 = at(in, 1);

    switch (state) {
        case Notice:
            // Back at the hunt before anything is shown, so that an answer
            // arriving while the notice is open is read as a new frame.
            toHunt();
            if (p0 == 1 && m_sink) m_sink->moduleReady();
            if (p0 == 3 && g::GprsSlaveSetPending && m_sink) m_sink->retryIdentityWrite();
            return;
        case Version:
            if (m_sink) m_sink->version(versionText(in));
            answered(0xEC, 0);
            return;
        case PassiveAddress:
            if (m_sink) m_sink->passiveAddress(addressText(p1, at(in, 2)));
            answered(0xE2, 0);
            return;
        case Target:
            if (m_sink) m_sink->targetAddress(addressText(p1, at(in, 2)));
            answered(0xF3, 0);
            return;
        case IdentityResult: {
            const IdentityOutcome outcome = identityOutcome(p0);
            if (outcome == IdentityOutcome::Unknown) return;  // the next byte is taken as the result
            if (outcome == IdentityOutcome::AddressFollows) {
                goTo(Identity, 4);
                return;
            }
            toHunt();
            if (outcome != IdentityOutcome::Taken) g::GprsSlaveSetPending = false;
            if (m_sink) m_sink->identityOutcome(outcome);
            return;
        }
        case Identity:
            if (m_sink)
                m_sink->identityAddress(addressText(p0, p1), addressText(at(in, 2), at(in, 3)),
                                        !g::GprsSlaveSetPending);
            answered(0xF4, 0);
            return;
        case Unused:
            toHunt();  // F5 carries nothing the form shows
            return;
        case Heartbeat:
            if (m_sink) m_sink->heartbeat(heartbeatSeconds(in));
            answered(0xF6, 0);
            return;
        case WorkMode:
            g::WorkModeByte[0] = p1;
            if (m_sink) m_sink->workMode(p1);
            answered(0xF8, p1);
            return;
        case TransMode:
            g::TransModeByte[0] = p1;
            if (m_sink) m_sink->transMode(p1);
            answered(0xF9, p1);
            return;
        case SubMode:
            if (m_sink) m_sink->subMode(p1);
            answered(0xFB, p1);
            return;
        case Layout:
            if (m_sink) m_sink->addressLayout(addressLayout(in));
            answered(0xE1, 0);
            return;
        case Baud: {
            int index = -1;
            if (const auto text = baudText(p0)) {
                g::GprsRxText = *text;
                index = p0 - 3;
            }
            toHunt();
            if (m_sink) m_sink->baud(index, g::GprsRxText);
            return;
        }
        case Restart:
            if (m_sink) m_sink->restartCount(p1);
            answered(0xE4, p1);
            return;
        case PowerSaving:
            if (m_sink) m_sink->powerSaving(p1);
            answered(0xD3, p1);
            return;
        case WakeDelays:
            if (m_sink) m_sink->wakeDelays(uint16_t(p1 * 256 + at(in, 2)), uint16_t(at(in, 3) * 256 + at(in, 4)));
            answered(0xD2, 0);
            return;
        case WakeMode:
            if (m_sink) m_sink->wakeMode(p1);
            answered(0xDB, p1);
            return;
        default:
            toHunt();
            return;
    }
}

void GprsAnswerParser::receivedShown() {
    if (!g::GprsParamMode && g::RxState != kLateHead && g::RxState != kHeld) toHunt();
}

bool GprsAnswerParser::lateFrameStarts(uint8_t byte) {
    if (byte != 0x1A || g::GprsReadLate < 0) return false;
    goTo(kLateHead, 7);
    // Bytes after it are judged by the machine's quiet rule; none at all
    // would leave it waiting for the next arrival, which may never come.
    m_lateStartQuiet->rearm(QuietMs);
    return true;
}

void GprsAnswerParser::lateStartAlone() {
    m_lateStartQuiet->setEnabled(false);
    if (g::RecvMode != 111) return;
    followHalf();
    if (g::RxState != kLateHead || framesActive() || waiting() > 0) return;
    lateHead(QByteArray());
}

void GprsAnswerParser::lateHead(const QByteArray& in) {
    m_lateStartQuiet->setEnabled(false);
    if (in.size() == 7 && Frames::isPreambleTail(in)) {
        m_lateFrame = true;
        goTo(Dispatch, 1);
        return;
    }
    // No frame: transparent data like any other; the other modes' hunt
    // has no use for them.
    if (g::WorkModeByte[0] != 0 && g::TransModeByte[0] == 0) {
        receivedByte(0x1A, 0);
        for (char c : in) receivedByte(uint8_t(c), 0);
    }
    toHunt();
}

void GprsAnswerParser::dataStep() {
    if (g::RxState == kLateHead) return lateHead(read());
    if (g::RxState == kHeld) return heldAnswer();
    m_lateFrame = false;
    if (g::WorkModeByte[0] == 0) return passiveStep(0);
    if (g::TransModeByte[0] != 0) return formattedStep();  // any value but 0 counts as formatted
    const QByteArray in = take(1);
    if (in.isEmpty()) return;
    if (lateFrameStarts(at(in, 0))) return;
    receivedByte(at(in, 0), 0);
    toHunt();
}

void GprsAnswerParser::formattedStep() {
    const int state = g::RxState;
    const int n = state == 2 ? 4 : 1;
    const QByteArray in = take(n);
    if (in.isEmpty()) return;
    const uint8_t b = at(in, 0);
    switch (state) {
        case 1:
            if (b == 0xFA || b == 0xFF || b == 0xFC) {
                toHunt();
                if (m_sink) m_sink->logAnswer(answerLine(bytes({0xD7, b})));
            } else if (b == 0x01) {
                goTo(2, 4);
            }
            return;
        case 2:
            g::RxText = hexText(bytes({0xD7, 0x01}) + in.left(4));
            if (at(in, 2) == 0 && at(in, 3) == 0) {
                // No data follow: the frame is whole, and the next byte may
                // begin a status or another frame.
                toHunt();
                if (m_sink) m_sink->showReceived();
                return;
            }
            goTo(3, 1);
            return;
        case 3:
            receivedByte(b, kFormattedHead);
            return;
        default:
            if (state == Hunt && lateFrameStarts(b)) return;
            if (b == 0xD7)
                goTo(1, 1);
            else if (state != Hunt)
                toHunt();
            return;
    }
}

int GprsAnswerParser::takeOwedOp() {
    if (g::GprsPassiveOwed.isEmpty()) return g::DollarPendingOp;
    return g::GprsPassiveOwed.takeFirst();
}

void GprsAnswerParser::heldAnswer(bool gapOver) {
    const int base = g::RxState == kHeld ? 0 : kPassiveInConfig;
    m_held += readAll();
    QList<int>& owed = g::GprsPassiveOwed;
    bool cutFrame = false;
    qsizetype chosen = wholeReading(m_held, owed, cutFrame);
    // A reading that ends where the held bytes end proves nothing while
    // another owed request would read them as the start of a longer answer:
    // its rest is waited for as long as an answer may pause. So does one
    // ending before a frame start the held bytes cut short (a lone 1A may
    // be data of the longer answer).
    const bool bare = chosen < 0 || cutFrame || answerEnd(owed[chosen], m_held, 0) == m_held.size();
    if (!gapOver && bare && answerDue(m_held, owed)) {
        m_heldGap->rearm(AnswerGapMs);
        return;
    }
    m_heldGap->setEnabled(false);
    m_answerSized = chosen >= 0;
    // None whole: a read whose data are still short reads on as the data
    // terminal reads, until the line is quiet; else the last one sent.
    for (qsizetype i = 0; i < owed.size() && chosen < 0; ++i)
        if (owed[i] == 1 && m_held.size() >= 2 && m_held.size() < 2 + uint8_t(m_held[0]) * 256 + uint8_t(m_held[1]))
            chosen = i;
    if (chosen < 0) chosen = owed.size() - 1;
    m_answerOp = chosen >= 0 ? owed[chosen] : g::DollarPendingOp;
    m_answerOwed = chosen >= 0;
    owed.remove(0, chosen + 1);
    goTo(base + 2, 1);
    // The held bytes go through the answer's own steps, and what follows
    // it through the next answer's.
    while (!m_held.isEmpty()) {
        const int state = g::RxState;
        const qsizetype left = m_held.size();
        if (base)
            heldConfigStep();
        else
            dataStep();
        if (g::RxState == state && m_held.size() == left) break;
    }
}

void GprsAnswerParser::heldConfigStep() {
    const int state = g::RxState;
    if (state > kPassiveInConfig && state < kHeldInConfig) return passiveStep(kPassiveInConfig);
    if (state != Hunt && state != Dispatch && state != kHeldFrame) return configStep();
    const QByteArray in = take(state == kHeldFrame ? 7 : 1);
    if (in.isEmpty()) {
        // A frame start cut short behind the answer: called again once the
        // rest of its seven bytes is there, not seven more.
        if (state == kHeldFrame) setReadN(int(7 - m_held.size()));
        return;
    }
    const uint8_t b = at(in, 0);
    if (state == kHeldFrame) {
        if (Frames::isPreambleTail(in))
            goTo(Dispatch, 1);
        else
            toHunt();
    } else if (state == Dispatch) {
        const auto [next, n] = route(b);
        if (next == Dispatch) return;  // skipped: the next byte is read as the code
        if (next != Hunt && hasState(next))
            goTo(next, n);
        else
            toHunt();
    } else if (b == 0x1A) {
        goTo(kHeldFrame, 7);
    } else {
        const auto [next, n] = startOther(b);
        if (next != Hunt) goTo(next, n);
    }
}

void GprsAnswerParser::afterPassiveAnswer(uint8_t byte, int headChars) {
    if (byte == 0x0D && !g::RxText.isEmpty()) {
        receivedByte(byte, headChars);
        toHunt();
    } else if (byte == 0x1A) {
        // Bytes held behind the answer are read here; the machine's own
        // frame hunt reads the line only.
        goTo(m_held.isEmpty() ? int(Preamble) : kHeldFrame, 7);
    } else {
        const auto [state, n] = startOther(byte);
        if (state != Hunt)
            goTo(state, n);
        else
            toHunt();
    }
}

void GprsAnswerParser::passiveStep(int base) {
    const int state = g::RxState - base;
    int n = 1;
    if (state == 1 || state == 6) n = 2;
    if (state == 7) n = 3;
    if (state < 0 || state > 8 || (!base && state == 8 && !m_answerSized)) {
        toHunt();  // a state the passive answers do not have
        return;
    }
    const QByteArray in = take(n);
    if (in.isEmpty()) return;
    const uint8_t b = at(in, 0);
    uint8_t* f = g::RxFrameFields;
    const int head = g::TransModeByte[0] != 0 ? kPassiveHead + kFormattedHead : kPassiveHead;
    switch (state) {
        case 0:
            if (lateFrameStarts(b)) return;
            if (b == 0x21)
                goTo(1, 2);
            else if (b == 0x3F)
                goTo(7, 3);
            return;
        case 1:
            f[0] = b;
            f[1] = at(in, 1);
            m_answerSized = false;
            if (g::GprsPassiveOwed.size() > 1) return goTo(base ? kHeldInConfig : kHeld, 0);
            m_answerOwed = !g::GprsPassiveOwed.isEmpty();
            m_answerOp = takeOwedOp();
            goTo(base + 2, 1);
            return;
        case 2:
            switch (m_answerOp) {
                case 1:
                    f[2] = b;
                    goTo(base + 3, 1);
                    break;
                case 2:
                    f[2] = b;
                    goTo(base + 6, 2);
                    break;
                case 3:
                    toHunt();
                    if (m_sink) m_sink->logAnswer(answerLine(bytes({0x21, f[0], f[1], b})));
                    break;
                default:
                    toHunt();
                    break;
            }
            return;
        case 3: {
            f[3] = b;
            if (f[2] * 256 + f[3] != 0) {
                goTo(base + 5, 1);
                g::RxText = hexText(bytes({0x21, f[0], f[1], f[2], f[3]}));
                m_cutBytes = 0;
                m_dataCount = 0;
                if (m_sink) m_sink->receivedData(0);
            } else {
                goTo(base + 4, 1);
            }
            return;
        }
        case 4:
            toHunt();
            if (m_sink)
                m_sink->logAnswer(QStringLiteral("接收  ") + hexText(bytes({0x21, f[0], f[1]})).chopped(1) +
                                  QStringLiteral(":00:00:") + hexText(in.left(1)) + QStringLiteral("\r\n"));
            return;
        case 8:
            if (!base) {
                // A read told by its length ends with its CR; a byte other
                // than that begins the next answer.
                if (b == 0x0D) receivedByte(b, head);
                if (m_sink) m_sink->showReceived();
                if (b == 0x21)
                    goTo(1, 2);
                else if (b == 0x3F)
                    goTo(7, 3);
                else
                    toHunt();
                return;
            }
            [[fallthrough]];
        case 5:
            // Among the configuration answers the data end at their length
            // (the next frame may follow at once); once shown, they are over.
            if (base && (g::RxText.isEmpty() || m_dataCount >= f[2] * 256 + f[3]))
                return afterPassiveAnswer(b, head);
            ++m_dataCount;
            // In formatted mode the data begin with a frame of their own,
            // whose head the display reads too.
            receivedByte(b, head);
            if ((base || m_answerSized) && m_dataCount >= f[2] * 256 + f[3]) goTo(base + 8, 1);
            return;
        case 6:
            toHunt();
            if (m_sink) m_sink->logAnswer(answerLine(bytes({0x21, f[0], f[1], f[2], b, at(in, 1)})));
            return;
        case 7:
            takeOwedOp();
            toHunt();
            if (m_sink) m_sink->logAnswer(answerLine(bytes({0x3F, b, at(in, 1), at(in, 2)})));
            return;
    }
    return;
}
