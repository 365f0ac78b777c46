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
    void answersAsEachKind_data();
    void answersAsEachKind();
};

void TestModsimProgram::answersAsEachKind_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("version");
    // A request the plain handshake module would not know, and its answer size.
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("answerLength");
    QTest::newRow("sms") << "sms" << QByteArray("N310 V4.02 ") << Frames::RequestFrame(0xA3, 0x02) << 14;
    QTest::newRow("qv7351 flash") << "qv7351" << QByteArray("QV7351-V402") << Frames::RequestFrame(0xAB, 0x03)
                                  << 12;
    QTest::newRow("qv7351 row") << "qv7351" << QByteArray("QV7351-V402")
                                << Frames::RequestFrame(0xA8, 0x02) + QByteArray(1, '\0') << 268;
    QTest::newRow("qv7351 collection")
        << "qv7351" << QByteArray("QV7351-V402") << Frames::RequestFrame(0xA8, 0xF2) << 19;
}

void TestModsimProgram::answersAsEachKind() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, version);
    QFETCH(QByteArray, request);
    QFETCH(int, answerLength);

    QTemporaryDir dir;
    QProcess sim;
    sim.start(qEnvironmentVariable("SMSTOOLS_BINARY_DIR") + "/tools/modsim",
              {"--ports-dir", dir.path(), "--com", "2", "--kind", kind});
    QVERIFY(sim.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(dir.filePath("com2")); }, 5000));

    qputenv("COMPORTS_DIR", dir.path().toLocal8Bit());
    CommPort port;
    port.setCommPort(2);
    QCOMPARE(port.open(), CommPort::OpenResult::Ok);
    port.setRThreshold(1);
    auto ask = [&](const QByteArray& bytes, int length) {
        port.dropInput();
        port.output(bytes);
        return QTest::qWaitFor([&] { return port.inBufferCount() >= length; }, 3000) ? port.input()
                                                                                     : QByteArray();
    };
    QCOMPARE(ask(Frames::HandshakeFrame(), 12).mid(8, 1), QByteArray("\xFD", 1));
    QCOMPARE(ask(Frames::ReadParamsFrame(0xEC), 21).mid(10), version);
    const QByteArray answer = ask(request, answerLength);
    QCOMPARE(answer.size(), answerLength);
    QCOMPARE(answer.at(8), request.at(8));
    port.close();
    qunsetenv("COMPORTS_DIR");

    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QVERIFY(!QFile::exists(dir.filePath("com2")));
}

QTEST_GUILESS_MAIN(TestModsimProgram)
#include "tst_modsim_program.moc"
