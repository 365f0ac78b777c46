// The quiet-time receive path and the handshake parser on it: windows close
// 100 ms after the last byte, go to the receiver RecvMode selects, and a
// window that closes while a receiver runs waits for it.

#include <QTest>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "platform/CommPort.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/SimSupport.h"
#include "tests/support/VirtualTime.h"
#include "varnel/core/QuietTimeReceivePath.h"
#include "varnel/core/VarnelHandshake.h"
#include "varnel/core/VarnelProgram.h"

using SimSupport::fromHex;

namespace {

QByteArray P(const char* tail) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tail); }

// Varnel's main-window choices with a recording answer receiver.
class RecordingProgram : public VarnelProgram {
public:
    struct Call {
        QByteArray window;
        qint64 atMs = 0;
    };
    ModuleSim* sim = nullptr;
    QList<Call> calls;
    int running = 0;
    int overlaps = 0;
    // > 0: the first call runs a nested event loop this long (as a message
    // box would).
    int firstCallBusyMs = 0;
    std::function<void()> onFirstCall;
    int opened = 0;

    QWidget* settingsWindow() override { return nullptr; }
    void showSettingsForm(bool) override { ++opened; }
    void startModuleDialogue() override {}
    void receiveModuleAnswer() override {
        if (running) ++overlaps;
        ++running;
        calls << Call{g::RxBuf, sim ? sim->elapsedMs() : 0};
        if (calls.size() == 1 && onFirstCall) onFirstCall();
        if (calls.size() == 1 && firstCallBusyMs > 0) QTest::qWait(firstCallBusyMs);
        --running;
    }
};

struct Rig {
    SimSupport::SimFixture fixture;
    DialogRecorder dialogs;
    RecordingProgram program;
    std::unique_ptr<MainWindow> main;

    Rig() {
        g::resetAll();
        program.sim = &fixture.sim();
        main = std::make_unique<MainWindow>(QStringLiteral("QV7351短信模块参数设置"), &program);
        main->MSComm1->setCommPort(1);
        if (main->MSComm1->open() == CommPort::OpenResult::Ok) main->MSComm1->setInputLen(0);
        g::RecvMode = 101;
    }
    ModuleSim& sim() { return fixture.sim(); }
};

}  // namespace

class TestQuietTime : public QObject {
    Q_OBJECT

private slots:
    void bytesEvery50msMakeOneWindow();
    void windowsByRecvMode();
    void emptyWindowCallsNothing();
    void windowClosingDuringReceiverWaits();
    void handshakeParserOnOneWindow_data();
    void handshakeParserOnOneWindow();
    void splitProbeAnswerStillStartsIdentify();
};

void TestQuietTime::bytesEvery50msMakeOneWindow() {
    // On the virtual clock the gaps and the quiet time are the module's and
    // the timer's own, however busy the machine is.
    VirtualTime time;
    Rig r;
    QVERIFY(r.main->MSComm1->isOpen());
    time.watchLine(r.main->MSComm1, &r.sim());
    const QList<QByteArray> pieces = {P("F8"), fromHex("00"), fromHex("01"), P("F9 00 01")};
    const qint64 firstSent = r.sim().elapsedMs();
    r.sim().sendChunks(pieces, 50);
    QVERIFY2(time.runUntil([&] { return !r.program.calls.isEmpty(); }, 3000), qPrintable(time.why()));
    QVERIFY2(time.runFor(300), qPrintable(time.why()));
    QCOMPARE(r.program.calls.size(), 1);
    QCOMPARE(r.program.calls[0].window, pieces.join());
    QCOMPARE(g::RxCount, int(pieces.join().size()));
    // The last piece left 150 ms after the first; the window closed at
    // least 100 ms after it.
    QVERIFY2(r.program.calls[0].atMs - firstSent >= 250, qPrintable(QString::number(r.program.calls[0].atMs - firstSent)));
}

void TestQuietTime::windowsByRecvMode() {
    Rig r;
    // RecvMode 0: the window is read and dropped.
    g::RecvMode = 0;
    r.sim().send(P("F8 00 01"));
    QVERIFY(QTest::qWaitFor([&] { return r.main->timerEnabled(12); }, 2000));
    QVERIFY(QTest::qWaitFor([&] { return !r.main->timerEnabled(12); }, 2000));
    QCOMPARE(r.main->MSComm1->inBufferCount(), 0);
    QVERIFY(r.program.calls.isEmpty());
    // RecvMode 101: the answer receiver.
    g::RecvMode = 101;
    r.sim().send(P("F8 00 01"));
    QVERIFY(QTest::qWaitFor([&] { return r.program.calls.size() == 1; }, 2000));
    QCOMPARE(r.program.calls[0].window, P("F8 00 01"));
    // RecvMode 100: the handshake parser (an F8 answer is stored).
    g::RecvMode = 100;
    g::WorkModeByte[0] = 7;
    r.sim().send(P("F8 00 00"));
    QVERIFY(QTest::qWaitFor([] { return g::WorkModeByte[0] == 0; }, 2000));
    QCOMPARE(r.program.calls.size(), 1);
}

void TestQuietTime::emptyWindowCallsNothing() {
    Rig r;
    r.sim().send(P("F8 00 01"));
    QVERIFY(QTest::qWaitFor([&] { return r.main->MSComm1->inBufferCount() > 0; }, 2000));
    // Another handler drains the port before the window closes.
    r.main->MSComm1->dropInput();
    QVERIFY(QTest::qWaitFor([&] { return !r.main->timerEnabled(12); }, 2000));
    QTest::qWait(300);
    QVERIFY(r.program.calls.isEmpty());
}

void TestQuietTime::windowClosingDuringReceiverWaits() {
    Rig r;
    r.program.firstCallBusyMs = 600;
    // A second answer's window closes while the first call still runs.
    r.program.onFirstCall = [&] { r.sim().send(P("F9 00 00")); };
    r.sim().send(P("F8 00 01"));
    QVERIFY(QTest::qWaitFor([&] { return r.program.calls.size() == 2; }, 3000));
    QCOMPARE(r.program.overlaps, 0);
    QCOMPARE(r.program.calls[0].window, P("F8 00 01"));
    QCOMPARE(r.program.calls[1].window, P("F9 00 00"));
    QVERIFY(r.program.calls[1].atMs - r.program.calls[0].atMs >= 590);
}

void TestQuietTime::handshakeParserOnOneWindow_data() {
    QTest::addColumn<QByteArray>("window");
    QTest::addColumn<bool>("timeoutRunning");
    QTest::addColumn<int>("workMode");
    QTest::addColumn<int>("transMode");
    QTest::addColumn<bool>("identifyStarted");
    QTest::addColumn<QString>("version");
    // Start values: work mode 7, trans mode 7, version "old".
    QTest::newRow("F8 then F9: only F8")
        << (P("F8 00 01") + P("F9 00 00")) << false << 1 << 7 << false << "old";
    QTest::newRow("preamble only") << P("") << true << 7 << 7 << false << "old";
    QTest::newRow("bad preamble") << (fromHex("1A 2A 3A 4A 5A 6A 7A 8B") + fromHex("F8 00 00")) << false << 7
                                  << 7 << false << "old";
    QTest::newRow("frame not at byte 0")
        << (fromHex("00") + P("F8 00 00")) << false << 7 << 7 << false << "old";
    QTest::newRow("FD without time-out") << P("FD 00 00 00") << false << 7 << 7 << false << "old";
    QTest::newRow("FD with time-out") << P("FD 00 05 80") << true << 7 << 7 << true << "old";
    QTest::newRow("truncated FD") << P("FD 00") << true << 7 << 7 << true << "old";
    QTest::newRow("F8 without value") << P("F8 00") << false << 7 << 7 << false << "old";
    QTest::newRow("EC") << P("EC 00 51 56 37 33 35 31 2D 56 34 30 32") << false << 7 << 7 << false
                        << "QV7351-V402";
    QTest::newRow("short EC") << P("EC 00 51 56") << false << 7 << 7 << false << "QV";
}

void TestQuietTime::handshakeParserOnOneWindow() {
    QFETCH(QByteArray, window);
    QFETCH(bool, timeoutRunning);
    QFETCH(int, workMode);
    QFETCH(int, transMode);
    QFETCH(bool, identifyStarted);
    QFETCH(QString, version);
    g::resetAll();
    RecordingProgram program;
    MainWindow main(QStringLiteral("V"), &program);
    g::WorkModeByte[0] = g::TransModeByte[0] = 7;
    g::HsStatusBytes[1] = g::HsStatusBytes[2] = 9;
    g::VersionText = QStringLiteral("old");
    main.setTimerEnabled(9, timeoutRunning);
    g::RxBuf = window;
    g::RxCount = int(window.size());
    program.handshakeParser()->receive();
    QCOMPARE(int(g::WorkModeByte[0]), workMode);
    QCOMPARE(int(g::TransModeByte[0]), transMode);
    QCOMPARE(main.timerEnabled(11), identifyStarted);
    QCOMPARE(main.timerEnabled(9), timeoutRunning && !identifyStarted);
    QCOMPARE(g::VersionText, version);
    QVERIFY(!main.timerEnabled(5));
    if (window == P("FD 00 05 80")) {
        QCOMPARE(int(g::HsStatusBytes[1]), 5);
        QCOMPARE(int(g::HsStatusBytes[2]), 0x80);
        QCOMPARE(main.timer(5)->interval(), 1000);
    }
    if (window == P("FD 00")) QCOMPARE(int(g::HsStatusBytes[1]), 9);  // kept
    QCOMPARE(program.opened, 0);
}

void TestQuietTime::splitProbeAnswerStillStartsIdentify() {
    Rig r;
    r.sim().setHandler(0xFE, [](ModuleSim& s, const QByteArray&) {
        s.sendChunks({P("FD"), fromHex("00 00 00")}, 150);
    });
    g::RecvMode = 100;
    r.main->setTimerInterval(8, 100);
    r.main->setTimerEnabled(8, true);
    QVERIFY(r.fixture.waitForRequest(P("F8 03"), 0, 3000) > 0);
    QTest::qWait(2500);
    QVERIFY2(r.dialogs.messages().isEmpty(), qPrintable(r.dialogs.describe()));
}

QTEST_MAIN(TestQuietTime)
#include "tst_quiet_time.moc"
