#include "TestSendWait.h"

#include <QPushButton>
#include <utility>

#include "core/Globals.h"
#include "platform/ButtonLock.h"
#include "platform/CommPort.h"
#include "platform/VbTimer.h"

TestSendWait::TestSendWait(QObject* parent, ButtonLock* lock, Hooks hooks)
    : QObject(parent), m_lock(lock), m_hooks(std::move(hooks)) {
    m_timer = new VbTimer(this, WaitMs, false);
    m_timer->setObjectName(QStringLiteral("sendWait"));
    connect(m_timer, &VbTimer::tick, this, &TestSendWait::onTick);
}

bool TestSendWait::queueIfPending(int index) {
    if (!m_pending) return false;
    // The request under way is written and logged first.
    if (!m_queued.contains(index)) m_queued << index;
    return true;
}

void TestSendWait::busy(QPushButton* button) {
    if (m_lock)
        m_lock->busy(button);
    else if (button)
        button->setEnabled(false);
}

void TestSendWait::done(QPushButton* button) {
    if (m_lock)
        m_lock->done(button);
    else if (button)
        button->setEnabled(true);
}

void TestSendWait::start(QPushButton* button, const Request& r) {
    busy(button);
    m_pending = true;
    m_button = button;
    m_request = r;
    if (CommPort* p = m_hooks.port ? m_hooks.port() : nullptr) {
        m_dtrBefore = p->dtrEnable();
        p->setDTREnable(false);
    }
    m_timer->rearm(WaitMs);
}

void TestSendWait::giveUp() {
    m_timer->setEnabled(false);
    m_queued.clear();
    if (!std::exchange(m_pending, false)) return;
    done(std::exchange(m_button, nullptr));
}

bool TestSendWait::mayGoOut() const {
    const bool free = !m_lock || !m_lock->held();
    const bool shown = !m_hooks.shown || m_hooks.shown();
    return free && shown;
}

void TestSendWait::onTick() {
    m_timer->setEnabled(false);
    if (!m_pending) return;
    m_pending = false;
    const Request r = m_request;
    QPushButton* button = m_button;
    m_button = nullptr;
    CommPort* port = m_hooks.port ? m_hooks.port() : nullptr;
    bool givenUp = false;
    Request firstGivenUp;
    if (port && port->isOpen() && !mayGoOut()) {
        port->setDTREnable(m_dtrBefore);
        givenUp = true;
        firstGivenUp = r;
    } else if (port && port->isOpen()) {
        g::CommBytes = r.bytes;
        port->output(r.bytes);
        if (m_hooks.written) m_hooks.written(r);
        port->setDTREnable(true);
    } else {
        if (port) port->setDTREnable(m_dtrBefore);
        if (m_hooks.lineGone) m_hooks.lineGone(r);
    }
    done(button);
    if (m_hooks.after) m_hooks.after();
    while (!m_pending && !m_queued.isEmpty()) {
        const int index = m_queued.takeFirst();
        if (m_hooks.press && mayGoOut()) {
            m_hooks.press(index);
        } else if (!givenUp) {
            givenUp = true;
            firstGivenUp = Request{index, {}, 0};
        }
    }
    if (givenUp && m_hooks.notSent) m_hooks.notSent(firstGivenUp);
}
