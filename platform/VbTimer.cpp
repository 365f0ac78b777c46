#include "VbTimer.h"

#include "VirtualClock.h"

VbTimer::VbTimer(QObject* parent, int intervalMs, bool enabled) : QObject(parent) {
    // Coarse timers may fire a few percent early, which breaks the quiet-time
    // window of the receive path.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(false);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // A tick already queued when the timer was switched off (or set to 0)
        // from another handler must not run.
        if (m_enabled && m_interval > 0) emit tick();
    });
    m_interval = intervalMs < 0 ? 0 : intervalMs;
    m_enabled = enabled;
    apply();
}

VbTimer::~VbTimer() {
    if (VirtualClock* clock = VirtualClock::active()) clock->cancel(m_virtualEntry);
}

void VbTimer::setInterval(int ms) {
    if (ms < 0) ms = 0;
    m_interval = ms;
    // Any assignment restarts the count of an enabled timer, even the same value.
    apply();
}

void VbTimer::setEnabled(bool on) {
    if (on == m_enabled) return;  // enabling an enabled timer does not restart it
    m_enabled = on;
    apply();
}

void VbTimer::rearm(int ms) {
    m_enabled = false;
    m_interval = ms < 0 ? 0 : ms;
    m_enabled = true;
    apply();
}

void VbTimer::apply() {
    if (VirtualClock* clock = VirtualClock::active()) {
        m_timer.stop();
        clock->cancel(m_virtualEntry);
        m_virtualEntry = 0;
        if (running()) scheduleVirtual();
        return;
    }
    // QTimer with 0 ms fires on every pass of the event loop; here 0 means "never".
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void VbTimer::scheduleVirtual() {
    VirtualClock* clock = VirtualClock::active();
    m_virtualEntry = clock->schedule(clock->now() + m_interval, this, [this] {
        m_virtualEntry = 0;
        if (!running()) return;
        // The next tick is counted from this one, as a repeating QTimer
        // does; whatever the tick sets replaces it.
        if (VirtualClock::active()) scheduleVirtual();
        emit tick();
    });
}
