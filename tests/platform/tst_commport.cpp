#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

#include "platform/CommPort.h"
#include "platform/PortNames.h"
#include "tests/support/SimSupport.h"

using SimSupport::fromHex;
using SimSupport::hex;
using SimSupport::SimFixture;

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Counts the port's events by kind.
struct EventLog {
    int receive = 0;
    int lost = 0;
    explicit EventLog(CommPort& port) {
        QObject::connect(&port, &CommPort::commEvent, &port, [this](int code) {
            if (code == CommPort::Receive)
                ++receive;
            else if (code == CommPort::LineLost)
                ++lost;
        });
    }
};

bool linkAs(const QString& dir, int com, const QString& target) {
    const QString link = dir + QStringLiteral("/com%1").arg(com);
    ::unlink(QFile::encodeName(link).constData());
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

}  // namespace

class TestCommPort : public QObject {
    Q_OBJECT
private slots:
    void portNamesFollowLinksAndFallBack();
    void thresholdRaisesOnceEnoughBytesWait();
    void readLengthBoundsEachRead();
    void handlerReadingOneByteAtATimeGetsEverything();
    void raisedThresholdWaitsForTheRest();
    void handlerIsNeverReentered();
    void oneWritePerFrame();
    void settingsAndDtrHeldWhileClosed();
    void missingPort();
    void portInUse();
    void otherOpenFailuresAreNotMissing();
    void deviceWithoutHardwareIsMissing();
    void otherEndClosed();
    void closedPortDoesNothing();
    void reopenStartsWithEmptyInput();
};

void TestCommPort::portNamesFollowLinksAndFallBack() {
    const QByteArray saved = qgetenv("COMPORTS_DIR");
    const bool hadEnv = qEnvironmentVariableIsSet("COMPORTS_DIR");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("COMPORTS_DIR", QFile::encodeName(dir.path()));
    QCOMPARE(PortNames::portsFolder(), dir.path());
    QVERIFY(linkAs(dir.path(), 3, QStringLiteral("/dev/ttyUSB0")));
    QCOMPARE(PortNames::devicePathFor(3), QStringLiteral("/dev/ttyUSB0"));
    // A relative link is taken relative to the ports folder.
    QVERIFY(linkAs(dir.path(), 4, QStringLiteral("dev4")));
    QCOMPARE(PortNames::devicePathFor(4), dir.path() + QStringLiteral("/dev4"));
    QCOMPARE(PortNames::devicePathFor(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(PortNames::devicePathFor(8), QStringLiteral("/dev/ttyS7"));

    qunsetenv("COMPORTS_DIR");
    QCOMPARE(PortNames::portsFolder(), QDir::homePath() + QStringLiteral("/.config/comports"));

    if (hadEnv) qputenv("COMPORTS_DIR", saved);
}

void TestCommPort::thresholdRaisesOnceEnoughBytesWait() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    // Set while closed: must hold at open.
    port.setRThreshold(3);
    port.setInputLen(0);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    QCOMPARE(port.rThreshold(), 3);
    EventLog events(port);

    fx.sim().send(fromHex("01 02"));
    QVERIFY(QTest::qWaitFor([&]() { return port.inBufferCount() == 2; }, 5000));
    QTest::qWait(100);
    QCOMPARE(events.receive, 0);

    fx.sim().send(fromHex("03"));
    QVERIFY(QTest::qWaitFor([&]() { return events.receive == 1; }, 5000));
    QCOMPARE(port.inBufferCount(), 3);

    // Nobody reads: the bytes stay, and the event is not raised again and
    // again for the same bytes.
    QTest::qWait(200);
    QCOMPARE(events.receive, 1);

    // New bytes bring a new event while the count stays above the threshold.
    fx.sim().send(fromHex("04"));
    QVERIFY(QTest::qWaitFor([&]() { return events.receive == 2; }, 5000));
    QCOMPARE(hex(port.input()), QStringLiteral("01 02 03 04"));

    // Threshold 0: bytes arrive but raise nothing.
    port.setRThreshold(0);
    fx.sim().send(fromHex("05 06 07"));
    QVERIFY(QTest::qWaitFor([&]() { return port.inBufferCount() == 3; }, 5000));
    QTest::qWait(100);
    QCOMPARE(events.receive, 2);
}

void TestCommPort::readLengthBoundsEachRead() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    port.setInputLen(2);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);

    fx.sim().send(fromHex("0A 0B 0C"));
    QVERIFY(QTest::qWaitFor([&]() { return port.inBufferCount() == 3; }, 5000));
    QCOMPARE(hex(port.input()), QStringLiteral("0A 0B"));
    QCOMPARE(port.inBufferCount(), 1);
    QCOMPARE(hex(port.input()), QStringLiteral("0C"));
    QVERIFY(port.input().isEmpty());

    fx.sim().send(fromHex("01 02 03 04 05"));
    QVERIFY(QTest::qWaitFor([&]() { return port.inBufferCount() == 5; }, 5000));
    port.setInputLen(0);
    QCOMPARE(hex(port.input()), QStringLiteral("01 02 03 04 05"));
    QCOMPARE(port.inBufferCount(), 0);

    fx.sim().send(fromHex("11 12"));
    QVERIFY(QTest::qWaitFor([&]() { return port.inBufferCount() == 2; }, 5000));
    port.dropInput();
    QCOMPARE(port.inBufferCount(), 0);
    QVERIFY(port.input().isEmpty());
}

void TestCommPort::handlerReadingOneByteAtATimeGetsEverything() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    port.setRThreshold(1);
    port.setInputLen(1);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);

    // A handler that takes one byte per event and returns: the bytes left
    // waiting must bring further events, since the handler made progress.
    QByteArray got;
    int calls = 0;
    connect(&port, &CommPort::commEvent, this, [&](int code) {
        if (code != CommPort::Receive) return;
        ++calls;
        got += port.input();
    });
    fx.sim().send(fromHex("1A 2A 3A 4A 5A"));
    QVERIFY(QTest::qWaitFor([&]() { return got.size() == 5; }, 5000));
    QCOMPARE(hex(got), QStringLiteral("1A 2A 3A 4A 5A"));
    QCOMPARE(calls, 5);
}

void TestCommPort::raisedThresholdWaitsForTheRest() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    port.setRThreshold(1);
    port.setInputLen(1);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);

    // "Read N" as the receivers use it: the first byte, then the next four
    // in one piece once all four have arrived.
    QList<QByteArray> reads;
    connect(&port, &CommPort::commEvent, this, [&](int code) {
        if (code != CommPort::Receive) return;
        reads.append(port.input());
        if (reads.size() == 1) {
            port.setRThreshold(4);
            port.setInputLen(4);
        }
    });
    fx.sim().send(fromHex("1A 01 02"));
    QVERIFY(QTest::qWaitFor([&]() { return reads.size() == 1 && port.inBufferCount() == 2; }, 5000));
    QTest::qWait(100);
    QCOMPARE(reads.size(), 1);

    fx.sim().send(fromHex("03 04"));
    QVERIFY(QTest::qWaitFor([&]() { return reads.size() == 2; }, 5000));
    QCOMPARE(hex(reads.at(0)), QStringLiteral("1A"));
    QCOMPARE(hex(reads.at(1)), QStringLiteral("01 02 03 04"));
}

void TestCommPort::handlerIsNeverReentered() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    port.setRThreshold(1);
    port.setInputLen(0);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);

    int depth = 0;
    int maxDepth = 0;
    int calls = 0;
    QByteArray got;
    connect(&port, &CommPort::commEvent, this, [&](int code) {
        if (code != CommPort::Receive) return;
        ++calls;
        maxDepth = qMax(maxDepth, ++depth);
        got += port.input();
        if (calls == 1) {
            // A message box runs an event loop inside the handler; bytes that
            // come meanwhile must wait for the handler to return.
            fx.sim().send(fromHex("02"));
            (void)QTest::qWaitFor([&]() { return fx.sim().sent().size() == 2 && port.inBufferCount() == 1; },
                                  5000);
            QTest::qWait(50);
        }
        --depth;
    });

    fx.sim().send(fromHex("01"));
    QVERIFY(QTest::qWaitFor([&]() { return got.size() == 2; }, 5000));
    QCOMPARE(maxDepth, 1);
    QCOMPARE(calls, 2);

    // A call that changes what waits does not raise an event synchronously.
    fx.sim().send(fromHex("03"));
    QVERIFY(QTest::qWaitFor([&]() { return calls == 3; }, 5000));
    const int before = calls;
    port.setRThreshold(2);
    port.setRThreshold(1);
    port.output(fromHex("AA"));
    QCOMPARE(calls, before);
}

void TestCommPort::oneWritePerFrame() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    QSignalSpy written(&port, &CommPort::frameWritten);

    const QByteArray probe = fromHex("1A 2A 3A 4A 5A 6A 7A 8A FE 03");
    QVERIFY(port.output(probe));
    QCOMPARE(written.size(), 1);
    QCOMPARE(written.at(0).at(0).toByteArray(), probe);
    QVERIFY(fx.waitForReceived(10));
    const QList<ModuleSim::Record> chunks = fx.sim().receivedChunks();
    QCOMPARE(chunks.size(), 1);
    QCOMPARE(hex(chunks.at(0).bytes), hex(probe));

    // A long frame arrives whole too.
    fx.sim().clearRecorded();
    QByteArray table = fromHex("1A 2A 3A 4A 5A 6A 7A 8A D9 02");
    table.append(QByteArray(173, '\x11'));
    QVERIFY(port.output(table));
    QVERIFY(fx.waitForReceived(table.size()));
    QCOMPARE(fx.sim().received(), table);
    QCOMPARE(written.size(), 2);
}

void TestCommPort::settingsAndDtrHeldWhileClosed() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    QCOMPARE(port.settings(), QStringLiteral("9600,n,8,1"));
    // Parity and data bits other than n,8 do not hold on a pseudo-terminal;
    // the rate and the stop bits do.
    QVERIFY(port.setSettings(QStringLiteral("19200,n,8,2")));
    QVERIFY(!port.setSettings(QStringLiteral("9600")));
    QVERIFY(!port.setSettings(QStringLiteral("9600,n,9,1")));
    QVERIFY(!port.setSettings(QStringLiteral("9600,x,8,1")));
    QVERIFY(!port.setSettings(QStringLiteral("fast,n,8,1")));
    QCOMPARE(port.settings(), QStringLiteral("19200,n,8,2"));
    port.setDTREnable(true);
    port.setCommPort(9);  // outside COM1..COM8: ignored
    QCOMPARE(port.commPort(), 1);

    // DTR cannot be set on a pseudo-terminal; the open must not fail for it.
    QVERIFY2(port.open() == CommPort::OpenResult::Ok, qPrintable(port.lastErrorText()));
    QVERIFY(port.dtrEnable());
    QCOMPARE(fx.sim().lineSettingsText(), QStringLiteral("19200,n,8,2"));

    // Applied at once while open.
    QVERIFY(port.setSettings(QStringLiteral("115200,n,8,1")));
    QCOMPARE(fx.sim().lineSettingsText(), QStringLiteral("115200,n,8,1"));
    port.setDTREnable(false);
    QVERIFY(!port.dtrEnable());
    QVERIFY(port.isOpen());
    QVERIFY(port.output(fromHex("01")));
    // 14400 is no standard rate; a pseudo-terminal takes it anyway.
    port.close();
    QVERIFY(port.setSettings(QStringLiteral("14400,n,8,1")));
    QVERIFY2(port.open() == CommPort::OpenResult::Ok, qPrintable(port.lastErrorText()));
}

void TestCommPort::missingPort() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray saved = qgetenv("COMPORTS_DIR");
    qputenv("COMPORTS_DIR", QFile::encodeName(dir.path()));

    CommPort port;
    // A link whose device has gone (an unplugged adapter).
    QVERIFY(linkAs(dir.path(), 2, dir.path() + QStringLiteral("/gone")));
    port.setCommPort(2);
    QCOMPARE(port.open(), CommPort::OpenResult::Missing);
    QVERIFY(!port.isOpen());
    QVERIFY(!port.lastErrorText().isEmpty());

    // No link at all, and no /dev/ttyS<n-1> either.
    QVERIFY(QFile::remove(dir.path() + QStringLiteral("/com2")));
    int absent = 0;
    for (int n = 1; n <= 8 && absent == 0; ++n)
        if (!QFile::exists(QStringLiteral("/dev/ttyS%1").arg(n - 1))) absent = n;
    if (absent != 0) {
        port.setCommPort(absent);
        QCOMPARE(port.open(), CommPort::OpenResult::Missing);
        QCOMPARE(port.devicePath(), QStringLiteral("/dev/ttyS%1").arg(absent - 1));
    }
    qputenv("COMPORTS_DIR", saved);
}

void TestCommPort::portInUse() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort first;
    CommPort second;
    QCOMPARE(first.open(), CommPort::OpenResult::Ok);
    QCOMPARE(second.open(), CommPort::OpenResult::InUse);
    QVERIFY(!second.isOpen());
    QVERIFY(!second.lastErrorText().isEmpty());

    // The same device under another COM name is still the same device.
    QVERIFY(linkAs(fx.portsDir(), 5, fx.sim().slavePath()));
    second.setCommPort(5);
    QCOMPARE(second.open(), CommPort::OpenResult::InUse);

    // The first one still works, and once it lets go the second gets in.
    QVERIFY(first.output(fromHex("1A")));
    QVERIFY(fx.waitForReceived(1));
    first.close();
    QCOMPARE(second.open(), CommPort::OpenResult::Ok);
}

void TestCommPort::otherOpenFailuresAreNotMissing() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray saved = qgetenv("COMPORTS_DIR");
    qputenv("COMPORTS_DIR", QFile::encodeName(dir.path()));

    // Something exists there but is no serial device.
    QFile plain(dir.path() + QStringLiteral("/plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(linkAs(dir.path(), 1, plain.fileName()));
    QVERIFY(linkAs(dir.path(), 2, dir.path()));

    CommPort port;
    port.setCommPort(1);
    QCOMPARE(port.open(), CommPort::OpenResult::Other);
    QVERIFY(!port.isOpen());
    QVERIFY(!port.lastErrorText().isEmpty());
    QCOMPARE(port.lastFailure(), CommPort::Failure::NotSerialPort);
    port.setCommPort(2);
    QCOMPARE(port.open(), CommPort::OpenResult::Other);
    QVERIFY(!port.isOpen());
    QCOMPARE(port.lastFailure(), CommPort::Failure::NotSerialPort);
    qputenv("COMPORTS_DIR", saved);
}

void TestCommPort::deviceWithoutHardwareIsMissing() {
    // A device node with nothing behind it answers every open with an I/O
    // error, as /dev/ttyS1 does on a PC without a second serial port. For the
    // user that port does not exist. A pseudo-terminal that was never
    // unlocked behaves the same way.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    char name[128] = {};
    QVERIFY(::grantpt(master) == 0 && ::ptsname_r(master, name, sizeof name) == 0);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray saved = qgetenv("COMPORTS_DIR");
    qputenv("COMPORTS_DIR", QFile::encodeName(dir.path()));
    QVERIFY(linkAs(dir.path(), 3, QString::fromLocal8Bit(name)));
    CommPort port;
    port.setCommPort(3);
    const CommPort::OpenResult result = port.open();
    qputenv("COMPORTS_DIR", saved);
    ::close(master);
    QVERIFY2(result == CommPort::OpenResult::Missing, qPrintable(port.lastErrorText()));
    QVERIFY(!port.isOpen());
}

void TestCommPort::otherEndClosed() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    port.setRThreshold(1);
    port.setInputLen(1);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    EventLog events(port);
    int closedDuringEvent = 0;
    connect(&port, &CommPort::commEvent, this, [&](int code) {
        if (code == CommPort::LineLost && !port.isOpen()) ++closedDuringEvent;
    });

    fx.sim().closeLine();
    QVERIFY(QTest::qWaitFor([&]() { return events.lost == 1; }, 5000));
    QVERIFY(!port.isOpen());
    QCOMPARE(closedDuringEvent, 1);

    // No busy loop afterwards: nothing more is raised, and the process idles.
    const double cpuBefore = cpuSeconds();
    QTest::qWait(300);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    QCOMPARE(events.lost, 1);
    QCOMPARE(events.receive, 0);
    QVERIFY2(cpuUsed < 0.15, qPrintable(QStringLiteral("cpu %1 s in 300 ms").arg(cpuUsed)));

    QVERIFY(!port.output(fromHex("1A")));
    QVERIFY(port.input().isEmpty());
}

void TestCommPort::closedPortDoesNothing() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    QSignalSpy written(&port, &CommPort::frameWritten);
    EventLog events(port);

    // Never opened.
    QVERIFY(!port.output(fromHex("1A 2A 3A 4A 5A 6A 7A 8A FE 03")));
    QVERIFY(port.input().isEmpty());
    QCOMPARE(port.inBufferCount(), 0);
    port.dropInput();
    port.close();

    // Opened and closed again: bytes for it are not taken up.
    port.setRThreshold(1);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    port.close();
    QVERIFY(!port.isOpen());
    QVERIFY(!port.output(fromHex("FE")));
    fx.sim().send(fromHex("01 02"));
    QTest::qWait(100);
    QVERIFY(port.input().isEmpty());
    QCOMPARE(port.inBufferCount(), 0);
    QCOMPARE(events.receive, 0);
    QCOMPARE(written.size(), 0);
    QVERIFY(fx.sim().received().isEmpty());

    // What came while it was closed is not there after the next open.
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    QTest::qWait(100);
    QCOMPARE(port.inBufferCount(), 0);
    QCOMPARE(events.receive, 0);
}

void TestCommPort::reopenStartsWithEmptyInput() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    CommPort port;
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    fx.sim().send(fromHex("01 02 03"));
    QVERIFY(QTest::qWaitFor([&]() { return port.inBufferCount() == 3; }, 5000));
    port.close();
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    QCOMPARE(port.inBufferCount(), 0);
    // Opening an open port leaves it as it is.
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    QVERIFY(port.isOpen());
}

QTEST_GUILESS_MAIN(TestCommPort)
#include "tst_commport.moc"
