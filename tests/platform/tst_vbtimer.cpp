#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "VbTimer.h"

class TestVbTimer : public QObject {
    Q_OBJECT
private slots:
    void zeroIntervalNeverFires() {
        VbTimer t(nullptr, 0, true);
        int ticks = 0;
        connect(&t, &VbTimer::tick, [&] { ++ticks; });
        QTest::qWait(300);
        QCOMPARE(ticks, 0);
        // Dropping a running timer to 0 stops it as well.
        t.setInterval(20);
        QVERIFY(QTest::qWaitFor([&] { return ticks > 0; }, 5000));
        t.setInterval(0);
        const int seen = ticks;
        QTest::qWait(200);
        QCOMPARE(ticks, seen);
        QVERIFY(t.enabled());
    }

    void repeatsUntilDisabled() {
        VbTimer t(nullptr, 20, false);
        int ticks = 0;
        connect(&t, &VbTimer::tick, [&] { ++ticks; });
        QTest::qWait(100);
        QCOMPARE(ticks, 0);  // created disabled
        t.setEnabled(true);
        QVERIFY(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
        t.setEnabled(false);
        const int seen = ticks;
        QTest::qWait(100);
        QCOMPARE(ticks, seen);
    }

    void rearmRestartsTheCount() {
        VbTimer t(nullptr, 400, true);
        QElapsedTimer clock;
        qint64 firstTick = -1;
        // Only ticks after the call count: a busy machine may stretch the
        // wait past the first count.
        bool counting = false;
        connect(&t, &VbTimer::tick, [&] {
            if (counting && firstTick < 0) firstTick = clock.elapsed();
        });
        QTest::qWait(250);
        clock.start();
        counting = true;
        t.rearm(400);  // disable, interval, enable
        QVERIFY(QTest::qWaitFor([&] { return firstTick >= 0; }, 5000));
        QVERIFY2(firstTick >= 390, qPrintable(QString::number(firstTick)));

        // Assigning the interval of a running timer restarts it too.
        firstTick = -1;
        QTest::qWait(250);
        clock.restart();
        t.setInterval(400);
        QVERIFY(QTest::qWaitFor([&] { return firstTick >= 0; }, 5000));
        QVERIFY2(firstTick >= 390, qPrintable(QString::number(firstTick)));
    }

    void enablingAnEnabledTimerKeepsTheCount() {
        VbTimer t(nullptr, 1000, true);
        int ticks = 0;
        connect(&t, &VbTimer::tick, [&] { ++ticks; });
        QTest::qWait(300);
        // A count started afresh would end a whole interval after the call,
        // after a reference armed with the same interval just before it:
        // of two overdue timers the one due first runs first, however busy.
        int ticksAtReference = -1;
        QTimer::singleShot(1000, Qt::PreciseTimer, [&] { ticksAtReference = ticks; });
        const int ticksBefore = ticks;
        t.setEnabled(true);
        QVERIFY(QTest::qWaitFor([&] { return ticksAtReference >= 0; }, 5000));
        QCOMPARE(ticksAtReference, ticksBefore + 1);
    }

    void intervalSetInATickHolds() {
        VbTimer t(nullptr, 30, true);
        QElapsedTimer clock;
        QList<qint64> at;
        connect(&t, &VbTimer::tick, [&] {
            at << clock.elapsed();
            if (at.size() == 1) {
                clock.start();
                t.setInterval(250);
            }
        });
        clock.start();
        QVERIFY(QTest::qWaitFor([&] { return at.size() >= 3; }, 5000));
        t.setEnabled(false);
        QVERIFY2(at[1] >= 245, qPrintable(QString::number(at[1])));
        // Measured from the tick that set it: the next two come at 250 and 500.
        QVERIFY2(at[2] >= 490, qPrintable(QString::number(at[2])));
        QCOMPARE(t.interval(), 250);
    }

    void oneShotPattern() {
        // The forms' one-shot timers switch themselves off in their tick.
        VbTimer t(nullptr, 20, true);
        int ticks = 0;
        connect(&t, &VbTimer::tick, [&] {
            ++ticks;
            t.setEnabled(false);
        });
        QVERIFY(QTest::qWaitFor([&] { return ticks == 1; }, 5000));
        QTest::qWait(150);
        QCOMPARE(ticks, 1);
        // And a tick that re-arms with another interval keeps running.
        t.rearm(20);
        QVERIFY(QTest::qWaitFor([&] { return ticks == 2; }, 5000));
    }

    void negativeIntervalIsZero() {
        VbTimer t(nullptr, -5, true);
        int ticks = 0;
        connect(&t, &VbTimer::tick, [&] { ++ticks; });
        QTest::qWait(150);
        QCOMPARE(ticks, 0);
        QCOMPARE(t.interval(), 0);
    }
};

QTEST_GUILESS_MAIN(TestVbTimer)
#include "tst_vbtimer.moc"
