#include "SmsAnswerReceiver.h"

#include <exception>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Routines.h"
#include "core/protocol/Frames.h"
#include "platform/CommPort.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

namespace {
constexpr char kPreambleTail[7] = {0x2A, 0x3A, 0x4A, 0x5A, 0x6A, 0x7A, char(0x8A)};
}

SmsAnswerReceiver::SmsAnswerReceiver(MainWindow* main, QObject* parent) : QObject(parent), m_main(main) {
    setObjectName(QStringLiteral("ReceiveSmsModuleAnswer"));
    m_quietTimer = new VbTimer(this, QuietMs, false);
    m_quietTimer->setObjectName(QStringLiteral("quietTimer"));
    connect(m_quietTimer, &VbTimer::tick, this, &SmsAnswerReceiver::onQuietTick);
    m_stallTimer = new VbTimer(this, StallCheckMs, false);
    m_stallTimer->setObjectName(QStringLiteral("stallTimer"));
    connect(m_stallTimer, &VbTimer::tick, this, &SmsAnswerReceiver::onStallTick);

    installParamAnswers(*this);
    installPhoneTableAnswers(*this);
    installSettingsAnswers(*this);
    installInputStateAnswer(*this);
    installTestAnswers(*this);
}

SmsAnswerReceiver::~SmsAnswerReceiver() = default;

CommPort* SmsAnswerReceiver::port() const { return m_main ? m_main->MSComm1 : nullptr; }

// --- registry ---------------------------------------------------------------

bool SmsAnswerReceiver::isListedState(int s) { return (s >= 2 && s <= 26) || s == 28 || s == InputText; }

bool SmsAnswerReceiver::registerState(int rxState, Step step, Wait wait) {
    if (!isListedState(rxState) || !step) return false;
    m_states[rxState] = Entry{std::move(step), wait};
    return true;
}

bool SmsAnswerReceiver::registerAnswerHandler(uint8_t code, Step step, Wait wait) {
    switch (code) {
        case 0xB4:
        case 0xA5:
        case 0xB5:
        case 0xA7:
            return false;  // two states by operation
        default:
            break;
    }
    const int state = dispatchFor(code).first;
    if (state == Hunt) return false;
    return registerState(state, std::move(step), wait);
}

void SmsAnswerReceiver::unregisterState(int rxState) { m_states.erase(rxState); }

bool SmsAnswerReceiver::hasState(int rxState) const { return m_states.count(rxState) != 0; }

std::pair<int, int> SmsAnswerReceiver::dispatchFor(uint8_t code) {
    switch (code) {
        case 0xFD:
            return {2, Frames::answerReadN(code)};
        case 0xF8:
            return {3, Frames::answerReadN(code)};
        case 0xF9:
            return {4, Frames::answerReadN(code)};
        case 0xA2:
            return {5, Frames::answerReadN(code)};
        case 0xA1:
            return {6, Frames::answerReadN(code)};
        case 0xF1:
            return {7, Frames::answerReadN(code)};
        case 0xEC:
            return {8, Frames::answerReadN(code)};
        case 0xE2:
            return {9, Frames::answerReadN(code)};
        case 0xF2:
            return {10, Frames::answerReadN(code)};
        case 0xA3:
            return {11, Frames::answerReadN(code)};
        case 0xFB:
            return {12, Frames::answerReadN(code)};
        case 0xE1:
            return {13, Frames::answerReadN(code)};
        case 0xD3:
            return {14, Frames::answerReadN(code)};
        case 0xD2:
            return {15, Frames::answerReadN(code)};
        case 0xD9:
            return {16, Frames::answerReadN(code)};
        case 0xDB:
            return {20, Frames::answerReadN(code)};
        // The answer to a write and the data of a read come with either
        // code; only the operation that was sent tells them apart.
        case 0xB4:
        case 0xA5:
            return g::AlarmSetOp == 1 ? std::pair{21, 1} : std::pair{23, 3};
        case 0xB5:
        case 0xA7:
            return g::OutputSetOp == 1 ? std::pair{21, 1} : std::pair{25, 3};
        default:
            return {Hunt, 1};
    }
}

// --- services for the steps ------------------------------------------------

int SmsAnswerReceiver::waiting() const {
    CommPort* p = port();
    return p ? p->inBufferCount() : 0;
}

QByteArray SmsAnswerReceiver::read() {
    CommPort* p = port();
    QByteArray got = p ? p->input() : QByteArray();
    if (!got.isEmpty()) ++m_reads;
    g::CommBytes = got;
    return got;
}

QByteArray SmsAnswerReceiver::readAll() {
    CommPort* p = port();
    if (!p) return g::CommBytes = QByteArray();
    const int len = p->inputLen();
    p->setInputLen(0);
    QByteArray got = p->input();
    p->setInputLen(len);
    if (!got.isEmpty()) ++m_reads;
    g::CommBytes = got;
    return got;
}

void SmsAnswerReceiver::dropWaiting() {
    CommPort* p = port();
    if (p && p->inBufferCount() > 0) {
        p->dropInput();
        ++m_reads;
    }
}

void SmsAnswerReceiver::setReadN(int n) {
    if (CommPort* p = port()) {
        p->setRThreshold(n);
        p->setInputLen(n);
    }
}

int SmsAnswerReceiver::readN() const {
    CommPort* p = port();
    return p ? p->inputLen() : 0;
}

void SmsAnswerReceiver::goTo(int state, int n) {
    setReadN(n);
    g::RxState = state;
}

void SmsAnswerReceiver::toHunt() { goTo(Hunt, 1); }

void SmsAnswerReceiver::stampWait() { g::WaitStart = Vb::timeOfDay(); }

// --- the machine ------------------------------------------------------------

void SmsAnswerReceiver::receive() { runPass(false); }

void SmsAnswerReceiver::runPass(bool quietCall) {
    if (m_running) {
        // A step's message box is open: take this up once it has closed.
        m_again = true;
        m_againQuiet = m_againQuiet || quietCall;
        return;
    }
    m_running = true;
    QPointer<SmsAnswerReceiver> self(this);
    bool arrived = false;
    bool passQuiet = quietCall;
    bool quiet = quietCall;
    do {
        m_again = false;
        if (waiting() != m_lastCount) {
            // New bytes: the line has not been quiet.
            arrived = true;
            quiet = false;
            passQuiet = false;
        }
        m_quietCall = quiet;
        m_quietWait = false;
        CommPort* p = port();
        while (p && p->isOpen() && waiting() > 0) {
            if (!stepOnce()) break;
            if (!self) return;
            m_lastCount = waiting();
        }
        if (!self) return;
        m_lastCount = waiting();
        quiet = m_againQuiet;
        m_againQuiet = false;
    } while (m_again);
    m_quietCall = false;
    if (arrived && m_quietWait) m_quietTimer->setEnabled(false);  // restarted below
    afterPass();
    if (passQuiet && m_quietWait) {
        // Still short after a quiet spell: only a new byte can change that.
        m_quietTimer->setEnabled(false);
    }
    m_running = false;
}

void SmsAnswerReceiver::afterPass() {
    CommPort* p = port();
    const int w = waiting();
    // In a state judged by quiet spells every arrival must reach us, to
    // restart the spell, whatever read N the state asked for.
    if (p && p->isOpen() && quietRuleNow() && p->rThreshold() != 1) p->setRThreshold(1);
    if (m_quietWait && w > 0 && p) {
        if (!m_quietTimer->enabled()) m_quietTimer->rearm(QuietMs);
    } else {
        m_quietTimer->setEnabled(false);
        // A read length of 0 raises no event by count; one byte must wake
        // the state that waits for "everything".
        if (p && p->isOpen() && p->rThreshold() == 0) p->setRThreshold(1);
    }
    if (g::ParamMode && g::RxState != Hunt) {
        if (!m_stallTimer->enabled()) m_stallTimer->rearm(StallCheckMs);
    } else {
        m_stallTimer->setEnabled(false);
    }
}

bool SmsAnswerReceiver::quietRuleNow() const {
    if (!g::ParamMode) return bool(m_testMachine);
    auto it = m_states.find(g::RxState);
    if (it == m_states.end()) return false;
    return it->second.wait == Wait::Quiet || readN() == 0;
}

bool SmsAnswerReceiver::stepOnce() {
    if (!g::ParamMode) {
        if (!m_testMachine) {
            readAll();  // nobody takes test answers yet
            return true;
        }
        return runStep(m_testMachine, Wait::Quiet);
    }
    switch (g::RxState) {
        case Hunt:
            return stepHunt();
        case Preamble:
            return stepPreamble();
        case Dispatch:
            return stepDispatch();
        default:
            break;
    }
    auto it = m_states.find(g::RxState);
    if (it == m_states.end()) {
        // Unlisted, or no step for it yet: back to the hunt, nothing read.
        toHunt();
        return true;
    }
    // Copy: the step may replace its own registration.
    const Entry entry = it->second;
    return runStep(entry.step, entry.wait);
}

bool SmsAnswerReceiver::runStep(const Step& step, Wait wait) {
    CommPort* p = port();
    if (!p) return false;
    const int n = p->inputLen();
    const int w = waiting();
    const bool quietRule = wait == Wait::Quiet || n == 0;
    const bool full = n > 0 && w >= n;
    if (!full && !(quietRule && m_quietCall && w > 0)) {
        m_quietWait = quietRule;
        return false;
    }
    const int stateBefore = g::RxState;
    const quint64 readsBefore = m_reads;
    const int lenBefore = n;
    const int thresholdBefore = p->rThreshold();
    QPointer<SmsAnswerReceiver> self(this);
    try {
        step(*this);
    } catch (...) {
        // A failing step never stops the receiver: its answer is given up.
        if (!self) return false;
        ++m_failures;
        toHunt();
        stampWait();
        return true;
    }
    if (!self) return false;
    const bool progressed = g::RxState != stateBefore || m_reads != readsBefore || waiting() < w ||
                            p->inputLen() != lenBefore || p->rThreshold() != thresholdBefore;
    if (progressed) {
        stampWait();
        return true;
    }
    m_quietWait = quietRule;
    return false;
}

bool SmsAnswerReceiver::stepHunt() {
    CommPort* p = port();
    // The hunt takes exactly one byte, whatever read length it inherited.
    if (p->inputLen() != 1 || p->rThreshold() != 1) setReadN(1);
    // What cannot start an answer goes in one step rather than a read a
    // byte: a chattering line costs little.
    static const char starts[] = {0x1A, '<'};
    const QByteArray dropped = p->dropUntilAny(QByteArrayView(starts, hasState(InputText) ? 2 : 1));
    if (!dropped.isEmpty()) {
        ++m_reads;
        g::CommBytes = dropped;
        stampWait();
        return true;
    }
    const QByteArray b = read();
    if (b.isEmpty()) return false;
    stampWait();
    const uint8_t c = uint8_t(b[0]);
    if (c == 0x1A) {
        goTo(Preamble, 7);
    } else if (c == '<' && hasState(InputText)) {
        goTo(InputText, 0);
    }
    return true;
}

bool SmsAnswerReceiver::stepPreamble() {
    CommPort* p = port();
    if (p->inputLen() != 7) setReadN(7);
    if (waiting() < 7) return false;
    const QByteArray b = read();
    stampWait();
    if (b.size() == 7 && b == QByteArray(kPreambleTail, 7))
        goTo(Dispatch, 1);
    else
        toHunt();  // all seven are gone, a 0x1A among them too
    return true;
}

bool SmsAnswerReceiver::stepDispatch() {
    CommPort* p = port();
    if (p->inputLen() != 1) setReadN(1);
    const QByteArray b = read();
    if (b.isEmpty()) return false;
    stampWait();
    const auto [state, n] = dispatchFor(uint8_t(b[0]));
    if (state != Hunt && hasState(state))
        goTo(state, n);
    else
        toHunt();
    return true;
}

void SmsAnswerReceiver::onQuietTick() {
    m_quietTimer->setEnabled(false);
    if (g::RecvMode != 101) return;
    if (waiting() == 0) return;
    runPass(waiting() == m_lastCount);
}

void SmsAnswerReceiver::onStallTick() {
    if (m_running) return;  // a step's message box is open
    if (g::RecvMode != 101 || !g::ParamMode || g::RxState == Hunt) {
        m_stallTimer->setEnabled(false);
        return;
    }
    if (!TenSecondsElapsed()) return;
    // Abandoned without a word: what is left of the answer goes too.
    m_stallTimer->setEnabled(false);
    m_quietTimer->setEnabled(false);
    dropWaiting();
    toHunt();
    m_lastCount = 0;
}
