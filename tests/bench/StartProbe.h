#pragma once

// Start-up probe for the benchmark: once the program's main window is first
// painted, prints the time since the launcher started
// the process (SMSTOOLS_BENCH_T0, wall-clock ns as date +%s%N gives them) and the peak
// resident memory so far, then quits.

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <ctime>

class StartProbe : public QObject {
public:
    static void install() {
        auto* probe = new StartProbe;
        qApp->installEventFilter(probe);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The first paint of the main window (or of a widget in it) is the
        // moment the user sees it.
        if (!m_done && event->type() == QEvent::Paint) {
            QWidget* w = qobject_cast<QWidget*>(watched);
            if (w && qobject_cast<QMainWindow*>(w->window())) {
                m_done = true;
                report();
                QTimer::singleShot(0, qApp, [] { qApp->exit(0); });
            }
        }
        return false;
    }

private:
    static void report() {
        timespec ts;
        clock_gettime(CLOCK_REALTIME, &ts);
        const long long now = (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
        const long long t0 = qEnvironmentVariableIsSet("SMSTOOLS_BENCH_T0")
                                 ? qEnvironmentVariable("SMSTOOLS_BENCH_T0").toLongLong()
                                 : now;
        long long hwmKb = -1;
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:")) hwmKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
        std::printf("shown_us %lld peak_kb %lld\n", (now - t0) / 1000, hwmKb);
        std::fflush(stdout);
    }
    bool m_done = false;
};
