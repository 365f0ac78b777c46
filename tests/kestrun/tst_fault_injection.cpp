// Faults on the line end to end, the program against the simulated module:
// a module that falls silent in the middle of a refresh, the other end of
// the line going away during a transfer, and megabytes of noise. Nothing
// may crash or hang, the form stays usable, and the next refresh works.

#include <QFile>
#include <QTimer>
#include <ctime>

#include "ParamRig.h"
#include "platform/CommPort.h"
#include "tests/support/LoopStall.h"

namespace {

double cpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

const QString kLineGone = QStringLiteral("串口连接已断开，请检查连线后重新连接");

}  // namespace

class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void moduleFallsSilentMidRefresh();
    void lineClosesDuringRefresh();
    void noiseOnTheLine();
};

void TestFaultInjection::moduleFallsSilentMidRefresh() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    const QString version = r.f()->Label8->text();
    // The module answers the first query of the next refresh, then nothing.
    int answered = 0;
    QObject::connect(&r.sim(), &ModuleSim::requestReceived, &r.sim(), [&] {
        if (++answered >= 1) r.sim().behaviour.silent = true;
    });
    const int before = r.count();
    QTest::mouseClick(r.f()->Command8, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return r.count() > before; }, 3000));
    // The refresh gives up by itself, hands the buttons back and says why.
    QVERIFY(QTest::qWaitFor([&] { return !r.f()->Timer2->enabled() && !r.busy(); }, 8000));
    QCOMPARE(r.h.dialogs.messageCount(), 1);
    QVERIFY(r.h.dialogs.lastText().startsWith(QStringLiteral("模块没有回答")));
    QCOMPARE(g::RxState, 0);
    QVERIFY(r.h.port().isOpen());
    // Answering again, the next refresh fills the form as before.
    QObject::disconnect(&r.sim(), &ModuleSim::requestReceived, &r.sim(), nullptr);
    r.sim().behaviour.silent = false;
    QTest::mouseClick(r.f()->Command8, Qt::LeftButton);
    QVERIFY(r.refreshRuns());
    QCOMPARE(r.f()->Label8->text(), version);
    QCOMPARE(r.h.dialogs.messageCount(), 1);
}

void TestFaultInjection::lineClosesDuringRefresh() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    const QString version = r.f()->Label8->text();
    const int before = r.count();
    QTest::mouseClick(r.f()->Command8, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return r.count() > before + 1; }, 3000));
    r.sim().closeLine();

    // Closed once, the user told once, and the program idles.
    QVERIFY(QTest::qWaitFor([&] { return r.h.dialogs.messageCount() > 0; }, 5000));
    QVERIFY(!r.h.port().isOpen());
    const double cpu0 = cpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(cpuSeconds() - cpu0 < 0.3, qPrintable(QString::number(cpuSeconds() - cpu0)));
    QCOMPARE(r.h.dialogs.messageCount(), 1);
    QCOMPARE(r.h.dialogs.messages()[0].text, kLineGone);
    QCOMPARE(r.h.dialogs.messages()[0].title, QStringLiteral("端口错误"));
    // The refresh ends; the form is usable and keeps what it showed.
    QVERIFY(QTest::qWaitFor([&] { return !r.f()->Timer2->enabled() && !r.busy(); }, 5000));
    QVERIFY(r.f()->isVisible());
    QCOMPARE(r.h.dialogs.messageCount(), 1);

    // The module comes back on the same port: the next refresh reopens
    // the port and reads it again.
    r.sim().stop();
    QVERIFY(r.sim().start(r.h.fixture.portsDir(), r.h.fixture.comNumber()));
    r.f()->Label8->clear();
    const int again = r.count();
    QTest::mouseClick(r.f()->Command8, Qt::LeftButton);
    QVERIFY(r.refreshRuns());
    QVERIFY(r.count() > again);
    QVERIFY(r.h.port().isOpen());
    QCOMPARE(r.f()->Label8->text(), version);
    QCOMPARE(r.h.dialogs.messageCount(), 1);
}

void TestFaultInjection::noiseOnTheLine() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    const QString version = r.f()->Label8->text();
    // Four megabytes of every byte value (frame starts and answer codes
    // among them), as fast as the program takes them.
    QByteArray noise(4 * 1024 * 1024, '\0');
    quint32 x = 12345;
    for (auto& c : noise) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    // Memory is flat when the second half of the noise adds nothing that
    // grows with it (the first half warms up buffers and the allocator).
    // A state that waits for a quiet line holds what arrives until the
    // ten-second stall guard drops it: at this line's speed (far above a
    // serial line's) that is a few megabytes, and that is the bound.
    long long rssHalf = -1, rssMax = -1;
    LoopStall stall;
    QTimer memory;
    QObject::connect(&memory, &QTimer::timeout, [&] {
        if (rssHalf < 0 && r.sim().streamed() >= noise.size() / 2) rssHalf = residentKb();
        if (rssHalf >= 0) rssMax = std::max(rssMax, residentKb());
    });
    memory.start(20);
    const qint64 before = r.sim().streamed();
    r.sim().stream(noise);
    QVERIFY(QTest::qWaitFor(
        [&] { return r.sim().streamed() - before == noise.size() && r.h.port().inBufferCount() == 0; },
        90000));
    memory.stop();
    QVERIFY(rssHalf > 0);
#ifndef __SANITIZE_ADDRESS__
    // (AddressSanitizer keeps freed memory in quarantine: no measure there.)
    QVERIFY2(rssMax - rssHalf < 12 * 1024, qPrintable(QStringLiteral("%1 -> %2 kB").arg(rssHalf).arg(rssMax)));
#endif
    QVERIFY2(stall.longestMs() < 1000, qPrintable(QString::number(stall.longestMs())));

    // Whatever the noise left half-read is given up in time; then the
    // module's answers read as before.
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 0; }, 15000));
    r.f()->Label8->clear();
    QTest::mouseClick(r.f()->Command8, Qt::LeftButton);
    QVERIFY(r.refreshRuns());
    QCOMPARE(r.f()->Label8->text(), version);
}

QTEST_MAIN(TestFaultInjection)
#include "tst_fault_injection.moc"
