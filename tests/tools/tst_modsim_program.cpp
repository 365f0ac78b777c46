// The stand-alone simulator that scripts/try.sh starts: it links a port,
// answers the probe and the parameter queries, and cleans up when stopped.

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "core/protocol/Frames.h"
#include "platform/CommPort.h"

class TestModsimProgram : public QObject {
    Q_OBJECT

private slots:
    void answersAsSmsModule();
};

void TestModsimProgram::answersAsSmsModule() {
    QTemporaryDir dir;
    QProcess sim;
    sim.start(qEnvironmentVariable("SMSTOOLS_BINARY_DIR") + "/tools/modsim",
              {"--ports-dir", dir.path(), "--com", "2", "--kind", "sms"});
    QVERIFY(sim.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(dir.filePath("com2")); }, 5000));

    qputenv("COMPORTS_DIR", dir.path().toLocal8Bit());
    CommPort port;
    port.setCommPort(2);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    port.setRThreshold(1);
    auto ask = [&](const QByteArray& request, int answerLength) {
        port.dropInput();
        port.output(request);
        return QTest::qWaitFor([&] { return port.inBufferCount() >= answerLength; }, 3000) ? port.input()
                                                                                          : QByteArray();
    };
    QCOMPARE(ask(Frames::HandshakeFrame(), 12).mid(8, 1), QByteArray("\xFD", 1));
    const QByteArray ec = ask(Frames::ReadParamsFrame(0xEC), 21);
    QCOMPARE(ec.mid(10), QByteArray("N310 V4.02 "));
    // A parameter query the plain handshake module would not know.
    QCOMPARE(ask(Frames::RequestFrame(0xA3, 0x02), 14).mid(8, 1), QByteArray("\xA3", 1));
    port.close();
    qunsetenv("COMPORTS_DIR");

    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QVERIFY(!QFile::exists(dir.filePath("com2")));
}

QTEST_GUILESS_MAIN(TestModsimProgram)
#include "tst_modsim_program.moc"
