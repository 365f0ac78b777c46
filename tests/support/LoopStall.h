#pragma once

// The longest the GUI thread worked without coming back to its event loop,
// counted in the thread's own CPU time. A busy machine stretches the wall
// clock between two turns of the loop, not the work done in one turn, so
// this tells a handler that does too much at once from a slow machine.

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <ctime>

class LoopStall {
public:
    LoopStall() {
        m_last = threadCpuMs();
        QObject::connect(&m_probe, &QTimer::timeout, [this] {
            const qint64 now = threadCpuMs();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_probe.start(5);
    }
    void stop() { m_probe.stop(); }
    // CPU milliseconds of the longest stretch between two turns.
    qint64 longestMs() const { return m_longest; }

    static qint64 threadCpuMs() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }

private:
    QTimer m_probe;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
