#pragma once

// When the program wrote each frame, stamped on its own side of the line
// (the port's frameWritten runs inside the write), and whether each came
// before a deadline armed when the one before it went out.
//
// A deadline is a timer on the program's own event loop. When the machine
// is too busy to run either of two timers on time, Qt still runs the one
// that fell due first, first; so "written before its deadline" says that the
// program's timer was set shorter than the deadline, however loaded the
// machine, where a bound on elapsed time would fail. Gaps are measured
// between writes, never from when a test happened to look, so a lower bound
// on them holds under load too (a timer never fires early).

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/CommPort.h"

class WriteTimes : public QObject {
public:
    // deadlinesMs[i]: frame i is due within that many ms of frame i-1 (of
    // the construction for frame 0); 0 sets none. A deadline suits a gap
    // made by the program's timers alone, not one that waits for the
    // module's answer.
    explicit WriteTimes(CommPort& port, QList<int> deadlinesMs = {}) : m_deadlines(std::move(deadlinesMs)) {
        m_clock.start();
        m_deadline.setSingleShot(true);
        m_deadline.setTimerType(Qt::PreciseTimer);
        connect(&port, &CommPort::frameWritten, this, [this](const QByteArray& frame) {
            const int i = int(m_frames.size());
            m_frames << frame;
            m_at << m_clock.elapsed();
            if (m_armed && !m_deadline.isActive()) m_late << i;
            armFor(i + 1);
        });
        armFor(0);
    }

    // From now on each next frame is due within ms of the one before (of
    // now for the first); 0 ends that.
    void eachDueWithin(int ms) {
        m_each = ms;
        armFor(count());
    }

    // The next frame is due within ms of now (then as eachDueWithin says).
    void nextDueWithin(int ms) {
        m_next = ms;
        armFor(count());
    }

    int count() const { return int(m_frames.size()); }
    QByteArray frame(int i) const { return m_frames.value(i); }
    // Milliseconds from frame i-1 (from the construction for frame 0) to
    // frame i, as the program wrote them.
    qint64 gapMs(int i) const { return m_at.value(i) - (i > 0 ? m_at.value(i - 1) : 0); }
    // Since the construction: when frame i was written, and now. What a
    // test sees happen is seen late on a busy machine, never early, so
    // "seen at least so long after frame i" holds whatever the load.
    qint64 atMs(int i) const { return m_at.value(i); }
    qint64 nowMs() const { return m_clock.elapsed(); }
    // Frames written after their deadline had passed.
    QList<int> late() const { return m_late; }

private:
    void armFor(int i) {
        const int ms = m_next > 0 ? m_next : i < m_deadlines.size() ? m_deadlines.value(i) : m_each;
        m_next = 0;
        m_armed = ms > 0;
        if (m_armed)
            m_deadline.start(ms);
        else
            m_deadline.stop();
    }

    QList<int> m_deadlines;
    int m_each = 0;
    int m_next = 0;
    QElapsedTimer m_clock;
    QTimer m_deadline;
    bool m_armed = false;
    QList<QByteArray> m_frames;
    QList<qint64> m_at;
    QList<int> m_late;
};

// Whether `done` holds when a timer armed at start() fires: the same
// ordering as above for an outcome that is not a write (a message, a
// closed port). Armed when the program arms its own timer or after it.
class Deadline : public QObject {
public:
    Deadline(int ms, std::function<bool()> done) : m_ms(ms), m_done(std::move(done)) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_fired = true;
            m_held = m_done();
        });
    }
    void start() { m_timer.start(m_ms); }
    // Waits for the deadline; true when the outcome was there by then.
    bool met() {
        (void)QTest::qWaitFor([this] { return m_fired; }, m_ms + 60000);
        return m_fired && m_held;
    }

private:
    int m_ms;
    std::function<bool()> m_done;
    QTimer m_timer;
    bool m_fired = false;
    bool m_held = false;
};
