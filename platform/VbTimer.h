#pragma once

#include <QObject>
#include <QTimer>

// A timer with the semantics the forms rely on: an interval of 0 never fires
// (even while enabled); disabling, changing the interval and enabling again
// restarts the count; changing the interval of a running timer restarts it; an
// interval set inside a tick holds for the following ticks. Ticks repeat until
// the timer is disabled. Precise timing, since some windows are 100 ms wide.
// While a VirtualClock exists (tests only), the count runs on it instead.
class VbTimer : public QObject {
    Q_OBJECT
public:
    explicit VbTimer(QObject* parent = nullptr, int intervalMs = 0, bool enabled = false);
    ~VbTimer() override;

    void setInterval(int ms);
    int interval() const { return m_interval; }
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    // disable, set the interval, enable
    void rearm(int ms);
    // Enabled with an interval above 0: a tick will come.
    bool running() const { return m_enabled && m_interval > 0; }

signals:
    void tick();

private:
    void apply();
    void scheduleVirtual();
    QTimer m_timer;
    quint64 m_virtualEntry = 0;
    int m_interval = 0;
    bool m_enabled = false;
};
