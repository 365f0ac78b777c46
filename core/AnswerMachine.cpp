#include "core/AnswerMachine.h"

#include <QPointer>
#include <exception>
#include <optional>

#include "core/AnswerHold.h"

#include "core/Globals.h"
#include "core/Routines.h"
#include "core/protocol/ByteSource.h"
#include "core/protocol/Frames.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

AnswerMachine::AnswerMachine(ByteSource* source, int recvMode, QObject* parent)
    : QObject(parent), m_source(source), m_recvMode(recvMode) {
    m_quietTimer = new VbTimer(this, QuietMs, false);
    m_quietTimer->setObjectName(QStringLiteral("quietTimer"));
    connect(m_quietTimer, &VbTimer::tick, this, &AnswerMachine::onQuietTick);
    m_stallTimer = new VbTimer(this, StallCheckMs, false);
    m_stallTimer->setObjectName(QStringLiteral("stallTimer"));
    connect(m_stallTimer, &VbTimer::tick, this, &AnswerMachine::onStallTick);
}

AnswerMachine::~AnswerMachine() = default;

// --- registry ---------------------------------------------------------------

bool AnswerMachine::registerState(int rxState, Step step, Wait wait) {
    if (!listedState(rxState) || !step) return false;
    m_states[rxState] = Entry{std::move(step), wait};
    return true;
}

void AnswerMachine::unregisterState(int rxState) { m_states.erase(rxState); }

bool AnswerMachine::hasState(int rxState) const { return m_states.count(rxState) != 0; }

// --- services for the steps ------------------------------------------------

int AnswerMachine::waiting() const { return m_source ? m_source->waiting() : 0; }

QByteArray AnswerMachine::read() {
    QByteArray got = m_source ? m_source->read() : QByteArray();
    if (!got.isEmpty()) ++m_reads;
    g::CommBytes = got;
    return got;
}

QByteArray AnswerMachine::readAll() {
    if (!m_source) return g::CommBytes = QByteArray();
    QByteArray got = m_source->readAll();
    if (!got.isEmpty()) ++m_reads;
    g::CommBytes = got;
    return got;
}

void AnswerMachine::dropWaiting() {
    if (m_source && m_source->waiting() > 0) {
        m_source->drop();
        ++m_reads;
    }
}

void AnswerMachine::setReadN(int n) {
    if (m_source) {
        m_source->setThreshold(n);
        m_source->setReadLength(n);
    }
}

int AnswerMachine::readN() const { return m_source ? m_source->readLength() : 0; }

void AnswerMachine::goTo(int state, int n) {
    setReadN(n);
    g::RxState = state;
}

void AnswerMachine::toHunt() { goTo(Hunt, 1); }

void AnswerMachine::stampWait() { g::WaitStart = Vb::timeOfDay(); }

// --- the machine ------------------------------------------------------------

void AnswerMachine::receive() { runPass(false); }

void AnswerMachine::runPass(bool quietCall) {
    const bool nested = m_running;
    if (nested && !entersDuringStep()) {
        // A step's message box is open: take this up once it has closed.
        m_again = true;
        m_againQuiet = m_againQuiet || quietCall;
        return;
    }
    passStarting();
    // The step whose box is open carries on afterwards as it was.
    const bool outerQuietCall = m_quietCall, outerQuietWait = m_quietWait;
    // What arrives while a step's box is open waits for it to close, and so
    // do the chains that wait for those answers.
    std::optional<AnswerHold::Hold> hold;
    if (!nested && !entersDuringStep()) hold.emplace();
    m_running = true;
    QPointer<AnswerMachine> self(this);
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
        ByteSource* p = m_source;
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
    if (nested) {
        m_quietCall = outerQuietCall;
        m_quietWait = outerQuietWait;
        return;
    }
    m_running = false;
}

void AnswerMachine::afterPass() {
    ByteSource* p = m_source;
    const int w = waiting();
    // In a state judged by quiet spells every arrival must reach us, to
    // restart the spell, whatever read N the state asked for.
    if (p && p->isOpen() && quietRuleNow() && p->threshold() != 1) p->setThreshold(1);
    if (m_quietWait && w > 0 && p) {
        if (!m_quietTimer->enabled()) m_quietTimer->rearm(QuietMs);
    } else {
        m_quietTimer->setEnabled(false);
        // A read length of 0 raises no event by count; one byte must wake
        // the state that waits for "everything".
        if (p && p->isOpen() && p->threshold() == 0) p->setThreshold(1);
    }
    if (framesActive() && g::RxState != Hunt) {
        if (!m_stallTimer->enabled()) m_stallTimer->rearm(StallCheckMs);
    } else {
        m_stallTimer->setEnabled(false);
    }
}

bool AnswerMachine::quietRuleNow() const {
    if (!framesActive()) return bool(m_otherMachine);
    auto it = m_states.find(g::RxState);
    if (it == m_states.end()) return false;
    return it->second.wait == Wait::Quiet || readN() == 0;
}

bool AnswerMachine::stepOnce() {
    if (!framesActive()) {
        if (!m_otherMachine) {
            readAll();  // nobody takes test answers yet
            return true;
        }
        return runStep(m_otherMachine, Wait::Quiet);
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

bool AnswerMachine::runStep(const Step& step, Wait wait) {
    ByteSource* p = m_source;
    if (!p) return false;
    const int n = p->readLength();
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
    const int thresholdBefore = p->threshold();
    QPointer<AnswerMachine> self(this);
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
                            p->readLength() != lenBefore || p->threshold() != thresholdBefore;
    if (progressed) {
        stampWait();
        return true;
    }
    m_quietWait = quietRule;
    return false;
}

bool AnswerMachine::stepHunt() {
    ByteSource* p = m_source;
    // The hunt takes exactly one byte, whatever read length it inherited.
    if (p->readLength() != 1 || p->threshold() != 1) setReadN(1);
    const QByteArray b = read();
    if (b.isEmpty()) return false;
    stampWait();
    const uint8_t c = uint8_t(b[0]);
    if (c == 0x1A) {
        frameStarting();
        goTo(Preamble, 7);
    } else {
        const auto [state, n] = startOther(c);
        if (state != Hunt) goTo(state, n);
    }
    return true;
}

bool AnswerMachine::stepPreamble() {
    ByteSource* p = m_source;
    if (p->readLength() != 7) setReadN(7);
    if (waiting() < 7) return false;
    const QByteArray b = read();
    stampWait();
    if (Frames::isPreambleTail(b))
        goTo(Dispatch, 1);
    else
        toHunt();  // all seven are gone, a 0x1A among them too
    return true;
}

bool AnswerMachine::stepDispatch() {
    ByteSource* p = m_source;
    if (p->readLength() != 1) setReadN(1);
    const QByteArray b = read();
    if (b.isEmpty()) return false;
    stampWait();
    const auto [state, n] = route(uint8_t(b[0]));
    if (state == Dispatch) return true;  // skipped: the next byte is read as the code
    if (state != Hunt && hasState(state))
        goTo(state, n);
    else
        toHunt();
    return true;
}

void AnswerMachine::onQuietTick() {
    m_quietTimer->setEnabled(false);
    if (g::RecvMode != m_recvMode) return;
    if (waiting() == 0) return;
    runPass(waiting() == m_lastCount);
}

void AnswerMachine::onStallTick() {
    if (m_running) return;  // a step's message box is open
    if (g::RecvMode == m_recvMode && !framesActive()) {
        // The user moved on while an answer was under way: the other
        // machine takes the bytes now, judging them as they come, so the
        // read N the answer left (seven for a lone frame start) must not
        // hold back a shorter answer for good.
        m_stallTimer->setEnabled(false);
        ByteSource* p = m_source;
        if (p && p->isOpen() && p->threshold() != 1) {
            p->setThreshold(1);
            if (waiting() > 0) runPass(false);
        }
        return;
    }
    if (g::RecvMode != m_recvMode || g::RxState == Hunt) {
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
