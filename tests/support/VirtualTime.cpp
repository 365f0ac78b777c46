#include "VirtualTime.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/CommPort.h"
#include "tools/ModuleSim.h"

namespace {
VirtualTime* g_current = nullptr;
}  // namespace

VirtualTime::VirtualTime(QTime startOfDay) : m_clock(startOfDay), m_previous(g_current) { g_current = this; }

VirtualTime::~VirtualTime() {
    if (m_sim) m_sim->setListenerProbe(nullptr);
    if (g_current == this) g_current = m_previous;
}

VirtualTime* VirtualTime::current() { return g_current; }

void VirtualTime::watchLine(CommPort* port, ModuleSim* sim) {
    m_port = port;
    m_sim = sim;
    m_toBase = m_fromBase = 0;
    m_traffic = trafficCount();
    m_lastTraffic = now();
    if (sim) {
        QPointer<CommPort> p(port);
        sim->setListenerProbe([p] { return p && p->isOpen(); });
    }
}

qint64 VirtualTime::toModuleInFlight() {
    if (!m_port || !m_sim) return 0;
    const qint64 written = qint64(m_port->writtenTotal());
    const qint64 arrived = qint64(m_sim->receivedTotal());
    // With the module's end closed, what the program writes goes nowhere.
    if (!m_sim->isRunning()) {
        m_toBase = written - arrived;
        return 0;
    }
    return written - m_toBase - arrived;
}

qint64 VirtualTime::fromModuleInFlight() {
    if (!m_port || !m_sim) return 0;
    const qint64 sent = qint64(m_sim->sentTotal());
    const qint64 taken = qint64(m_port->receivedTotal());
    // A closed port takes nothing; what was on its way is lost with it.
    if (!m_port->isOpen() || !m_sim->isRunning()) {
        m_fromBase = sent - taken;
        return 0;
    }
    return sent - m_fromBase - taken;
}

quint64 VirtualTime::trafficCount() const {
    if (!m_port || !m_sim) return 0;
    return m_port->writtenTotal() + m_port->receivedTotal() + m_sim->receivedTotal() + m_sim->sentTotal();
}

bool VirtualTime::fail(const QString& why, bool limit) {
    m_why = why;
    m_limitReached = limit;
    return false;
}

bool VirtualTime::settle() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QElapsedTimer real;
    real.start();
    for (;;) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        bool busy = false;
        while (dispatcher && dispatcher->processEvents(QEventLoop::AllEvents)) {
            busy = true;
            if (real.elapsed() > SettleLimitMs) break;
        }
        const qint64 toModule = toModuleInFlight();
        const qint64 fromModule = fromModuleInFlight();
        if (toModule < 0 || fromModule < 0)
            return fail(QStringLiteral("more bytes arrived than were sent (to the module %1, from it %2)")
                            .arg(toModule)
                            .arg(fromModule));
        if (real.elapsed() > SettleLimitMs)
            return fail(QStringLiteral("not quiet after %1 ms: %2 bytes on their way to the module, %3 from it%4")
                            .arg(real.elapsed())
                            .arg(toModule)
                            .arg(fromModule)
                            .arg(busy ? QStringLiteral(", events still coming") : QString()));
        if (toModule > 0 || fromModule > 0) {
            // The kernel hands the bytes over in its own time; wake up for
            // them, or after a few ms to look again.
            QTimer guard;
            guard.setSingleShot(true);
            guard.start(5);
            if (dispatcher) dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
            continue;
        }
        if (busy) continue;
        const quint64 traffic = trafficCount();
        if (traffic != m_traffic) {
            m_traffic = traffic;
            m_lastTraffic = now();
        }
        return true;
    }
}

bool VirtualTime::runFor(qint64 ms) {
    const qint64 target = now() + qMax<qint64>(0, ms);
    for (;;) {
        if (!settle()) return false;
        const auto next = m_clock.nextDue();
        if (!next || *next > target) {
            m_clock.moveTo(target);
            return settle();
        }
        m_clock.fireNext();
    }
}

bool VirtualTime::runUntil(const std::function<bool()>& done, qint64 limitMs) {
    const qint64 deadline = now() + qMax<qint64>(0, limitMs);
    for (;;) {
        if (!settle()) return false;
        if (done()) return true;
        const auto next = m_clock.nextDue();
        if (!next || *next > deadline) {
            m_clock.moveTo(deadline);
            if (!settle()) return false;
            if (done()) return true;
            return fail(QStringLiteral("condition not met by %1 ms (%2)")
                            .arg(now())
                            .arg(next ? QStringLiteral("next timer at %1").arg(*next)
                                      : QStringLiteral("nothing scheduled")),
                        true);
        }
        m_clock.fireNext();
    }
}

bool VirtualTime::runUntilLineQuiet(qint64 quietMs, qint64 limitMs) {
    // Quiet from the call on: a chain a step has just started may not have
    // sent its first byte yet, however long the line has been still.
    const qint64 from = now();
    const qint64 deadline = from + qMax<qint64>(0, limitMs);
    for (;;) {
        if (!settle()) return false;
        const qint64 quietUntil = qMax(m_lastTraffic, from) + quietMs;
        if (now() >= quietUntil) return true;
        const auto next = m_clock.nextDue();
        if (!next || *next > quietUntil) {
            if (quietUntil > deadline) break;
            m_clock.moveTo(quietUntil);
            continue;
        }
        if (*next > deadline) break;
        m_clock.fireNext();
    }
    return fail(QStringLiteral("the line was still busy at %1 ms (last byte at %2 ms)").arg(now()).arg(m_lastTraffic),
                true);
}
