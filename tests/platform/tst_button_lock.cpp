// The button lock with a busy button: whatever order the hold, its release,
// the busy start and its end come in, the buttons end as they began.

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <array>

#include "platform/ButtonLock.h"

class TestButtonLock : public QObject {
    Q_OBJECT

private slots:
    void everyOrderGivesTheButtonsBack();
};

void TestButtonLock::everyOrderGivesTheButtonsBack() {
    enum Event { Hold, Release, Busy, Done };
    std::array<Event, 4> order{Hold, Release, Busy, Done};
    std::sort(order.begin(), order.end());
    int orders = 0;
    do {
        const auto at = [&](Event e) { return std::find(order.begin(), order.end(), e) - order.begin(); };
        if (at(Hold) > at(Release) || at(Busy) > at(Done)) continue;
        ++orders;
        // Busy button first, then one the user could not use, then the kept one.
        for (int start = 0; start < 4; ++start) {
            QPushButton busy, other, kept;
            busy.setEnabled(start & 1);
            other.setEnabled(start & 2);
            const QList<QPushButton*> covered{&busy, &other, &kept};
            ButtonLock lock;
            QString trace;
            for (Event e : order) {
                switch (e) {
                    case Hold:
                        lock.hold(covered, &kept);
                        trace += QStringLiteral(" hold");
                        break;
                    case Release:
                        lock.release(covered);
                        trace += QStringLiteral(" release");
                        break;
                    case Busy:
                        lock.busy(&busy);
                        QVERIFY(!busy.isEnabled());
                        trace += QStringLiteral(" busy");
                        break;
                    case Done:
                        lock.done(&busy);
                        trace += QStringLiteral(" done");
                        break;
                }
                QVERIFY2(kept.isEnabled(), qPrintable(trace));
            }
            const QString row = QStringLiteral("start %1:%2").arg(start).arg(trace);
            QVERIFY2(busy.isEnabled() == bool(start & 1), qPrintable(row));
            QVERIFY2(other.isEnabled() == bool(start & 2), qPrintable(row));
            QVERIFY2(!lock.held() && !lock.isBusy(&busy), qPrintable(row));
        }
    } while (std::next_permutation(order.begin(), order.end()));
    QCOMPARE(orders, 6);
}

QTEST_MAIN(TestButtonLock)
#include "tst_button_lock.moc"
