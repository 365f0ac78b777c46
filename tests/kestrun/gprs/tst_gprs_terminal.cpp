// The GPRS data terminal: frames sent in each mode, logs, received data
// shown after the quiet time, end to end against the simulated module.

#include <QClipboard>
#include <QGuiApplication>

#include "GprsHarness.h"
#include "core/protocol/GprsAnswers.h"
#include "core/protocol/TestFrames.h"
#include "tests/support/VirtualTime.h"

class TestGprsTerminal : public QObject {
    Q_OBJECT
private slots:
    void passiveRequestsAndAnswers();
    void passiveDisplay_data();
    void passiveDisplay();
    void activeFormattedAndTransparent();
    void addressKeysAndClosedPort();
    void longStreamsKeepTheNewest();
    void emptyFrameEndsAtItsHead();
    void longFramesShowWhatCame_data();
    void longFramesShowWhatCame();
    void lateAnswerIsReadAsItsOwn_data();
    void lateAnswerIsReadAsItsOwn();
    void dataAfterAnUnansweredReadAreShown();
    void heldFrameStartOutlivesTheDisplay();
    void goneDeviceIsNamedByTheTerminal();
    void heldAnswerIsReadWhole_data();
    void heldAnswerIsReadWhole();
    void answerDuringRefreshIsReadByItsShape();
    void noticeBehindAHeldAnswerIsItsOwn();
    void answeredReadGivesItsButtonsBack();
    void splitAnswerOfASecondReadIsItsOwn();
    void heldAnswerOutlivesARefreshPressed();
    void lateReadWhoseBytesLookLikeAFrameStart_data();
    void lateReadWhoseBytesLookLikeAFrameStart();
    void answerCutByALostLineIsNotTheNextOnes();
    void settingsAnswerCutBehindAHeldAnswerReadsOn();
    void answerBehindALateReadInPiecesIsItsOwn();
    void refreshAfterTheLineCameBackReadsAfresh();
    void lateReadPausedBehindAFrameStartByte_data();
    void lateReadPausedBehindAFrameStartByte();
    void heldAnswerAcrossARefreshsStartOrEnd_data();
    void heldAnswerAcrossARefreshsStartOrEnd();
};

namespace {
// Sets the modes the terminal works in, in the program and in the module.
void modes(GprsHarness& h, uint8_t work, uint8_t trans) {
    g::WorkModeByte[0] = work;
    g::TransModeByte[0] = trans;
    h.sim().identity.workMode = work;
    h.sim().identity.transMode = trans;
}
QString area(GprsHarness& h, const char* name) { return h.text(QString::fromLatin1(name)).trimmed(); }
}  // namespace

void TestGprsTerminal::passiveRequestsAndAnswers() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    modes(h, 0, 1);
    h.setText("Text1(4)", "31:32:");
    h.setText("Text1(6)", "00:05:");
    h.setText("Text1(1)", "41:4");  // cut to whole groups before sending
    QTest::mouseClick(h.button(1), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(1));
    QCOMPARE(h.requestsFrom(0), QStringList{"24 31 32 57 00 07 D7 01 00 05 00 01 41 0D"});
    QCOMPARE(h.text("Text1(1)"), QStringLiteral("41:"));
    QCOMPARE(h.main().panel(2), QStringLiteral("模块状态：发射数据"));
    // The module takes it: "!", the address and CR.
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text1(3)").contains("接收  21:31:32:0D:"); }, 2000));
    QVERIFY(h.text("Text1(3)").startsWith("发射数据：  24:31:32:57:00:07:D7:01:00:05:00:01:41:0D:"));

    QTest::mouseClick(h.button(3), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(2));
    QCOMPARE(h.requestsFrom(1), QStringList{"24 31 32 52 0D"});
    QVERIFY(h.text("Text1(3)").contains("发送指令 24:31:32:52:0D:"));
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text1(3)").contains("接收  21:31:32:00:00:0D:"); }, 2000));

    QTest::mouseClick(h.button(7), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(3));
    QCOMPARE(h.requestsFrom(2), QStringList{"24 31 32 57 00 00 0D"});
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text1(3)").contains("接收  21:31:32:0D:00:0D:"); }, 2000));

    // Transparent passive data go without the formatted envelope.
    modes(h, 0, 0);
    h.setText("Text1(1)", "41:42:");
    QTest::mouseClick(h.button(1), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(4));
    QCOMPARE(h.requestsFrom(3), QStringList{"24 31 32 57 00 02 41 42 0D"});
}

void TestGprsTerminal::passiveDisplay_data() {
    QTest::addColumn<int>("trans");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("sender");
    QTest::newRow("frame") << 1 << fromHex("21 31 32 00 0A D7 01 00 05 00 03 41 42 43 0D") << "41:42:43:"
                           << "00:05:";
    QTest::newRow("short") << 1 << fromHex("21 31 32 00 02 41 42") << ""
                           << "";
    QTest::newRow("bare frame") << 1 << fromHex("21 31 32 00 07 D7 01 00 06 00 00 0D") << ""
                                << "00:06:";
    // Transparent: the data the length gives, without the CR after them.
    QTest::newRow("transparent") << 0 << fromHex("21 31 32 00 03 41 42 43") << "41:42:43:"
                                 << "old";
    QTest::newRow("transparent, CR") << 0 << fromHex("21 31 32 00 02 41 42 0D") << "41:42:"
                                     << "old";
}

void TestGprsTerminal::passiveDisplay() {
    QFETCH(int, trans);
    QFETCH(QByteArray, answer);
    QFETCH(QString, shown);
    QFETCH(QString, sender);
    GprsHarness h;
    QVERIFY(h.openForm(1));
    modes(h, 0, uint8_t(trans));
    h.setText("Text1(2)", "old");
    h.setText("Text1(5)", "old");
    h.setText("Text1(4)", "31:32:");
    h.sim().setFallbackHandler([&](ModuleSim& sim, const QByteArray&) { sim.answer(answer); });
    QTest::mouseClick(h.button(3), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text1(3)").contains("接收数据："); }, 2000));
    QCOMPARE(area(h, "Text1(2)"), shown);
    QCOMPARE(h.text("Text1(5)"), sender);
    QVERIFY(h.text("Text1(3)").contains("接收数据：  " + SimSupport::hex(answer).replace(' ', ':') + ":"));
    QCOMPARE(g::RxState, 0);
    QVERIFY(g::RxText.isEmpty());
    QCOMPARE(h.main().panel(2), QStringLiteral("模块状态：接收数据"));
}

void TestGprsTerminal::activeFormattedAndTransparent() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    modes(h, 1, 1);
    h.setText("Text1(6)", "12:34:");
    h.setText("Text1(1)", "AA:BB:CC:");
    QTest::mouseClick(h.button(1), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(1));
    QCOMPARE(h.requestsFrom(0), QStringList{"D7 01 12 34 00 03 AA BB CC"});
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text1(3)").contains("接收  D7:FA:"); }, 2000));

    // A frame from the network, in pieces: shown once, 200 ms after the last.
    h.sim().sendChunks({fromHex("D7 01 00"), fromHex("05 00 02 41"), fromHex("42")}, 60);
    QVERIFY(QTest::qWaitFor([&] { return !area(h, "Text1(2)").isEmpty(); }, 2000));
    QCOMPARE(area(h, "Text1(2)"), QStringLiteral("41:42:"));
    QCOMPARE(h.text("Text1(5)"), QStringLiteral("00:05:"));

    // Transparent: the bytes as typed; an empty send does nothing.
    modes(h, 1, 0);
    h.setText("Text1(1)", "");
    QTest::mouseClick(h.button(1), Qt::LeftButton);
    h.setText("Text1(1)", "48:49:");
    QTest::mouseClick(h.button(1), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(2));
    QTest::qWait(100);
    QCOMPARE(h.requestsFrom(1), QStringList{"48 49"});
    h.sim().send(fromHex("4F 4B"));
    QVERIFY(QTest::qWaitFor([&] { return area(h, "Text1(2)") == "4F:4B:"; }, 2000));
    QVERIFY(h.text("Text1(3)").contains("接收数据：  4F:4B:"));
}

void TestGprsTerminal::addressKeysAndClosedPort() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    modes(h, 0, 0);
    auto* box = h.f<QLineEdit>("Text1(4)");
    box->setVisible(true);
    box->setFocus();
    QTest::keyClicks(box, "1a2b");
    QCOMPARE(box->text(), QStringLiteral("1A:2B:"));
    box->clear();
    QTest::keyClicks(box, "abc");
    QCOMPARE(box->text(), QStringLiteral("AB:C"));
    auto* send = h.f<QPlainTextEdit>("Text1(1)");
    send->setFocus();
    QTest::keyClicks(send, "0g1x2");
    QCOMPARE(send->toPlainText(), QStringLiteral("01:2"));
    // Enter and Tab are no hex digits; neither is a pasted line break.
    send->clear();
    for (int k : {int('0'), int('1'), int(Qt::Key_Return), int('0'), int('2'), int(Qt::Key_Tab), int('0'), int('3')})
        QTest::keyClick(send, Qt::Key(k), Qt::NoModifier);
    QGuiApplication::clipboard()->setText(QStringLiteral("4\t5\r\n6"));
    send->paste();
    QCOMPARE(send->toPlainText(), QStringLiteral("01:02:03:45:6"));

    // With the port closed nothing is sent and nothing logged.
    box->setText("31:32:");
    h.port().close();
    for (int b : {1, 3, 7}) QTest::mouseClick(h.button(b), Qt::LeftButton);
    QTest::qWait(200);
    QVERIFY(h.sim().requests().isEmpty());
    QVERIFY(h.text("Text1(3)").isEmpty());
    QCOMPARE(h.dialogs.messageCount(), 0);
}

void TestGprsTerminal::longStreamsKeepTheNewest() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    modes(h, 1, 0);
    QByteArray block(3000, '\x55');
    for (int i = 0; i < 10; ++i) {
        block[block.size() - 1] = char(0xA0 + i);
        h.sim().send(block);
        const QString tail = QStringLiteral("55:%1:").arg(0xA0 + i, 0, 16).toUpper();
        QVERIFY(QTest::qWaitFor([&] { return area(h, "Text1(2)").endsWith(tail); }, 10000));
    }
    const QString log = h.text("Text1(3)");
    QVERIFY2(log.size() < TestFrames::MaxLogChars, qPrintable(QString::number(log.size())));
    QVERIFY(log.startsWith(QStringLiteral("接收数据：  55:")));
    QVERIFY(log.trimmed().endsWith(QStringLiteral("55:A9:")));
}

void TestGprsTerminal::emptyFrameEndsAtItsHead() {
    // Alone, glued to the status that follows, and cut inside its head.
    const QList<QList<QByteArray>> arrivals = {
        {fromHex("D7 01 12 34 00 00"), fromHex("D7 FA")},
        {fromHex("D7 01 12 34 00 00 D7 FA")},
        {fromHex("D7 01 12"), fromHex("34 00"), fromHex("00 D7"), fromHex("FA")},
    };
    for (const auto& pieces : arrivals) {
        GprsHarness h;
        QVERIFY(h.openForm(1));
        modes(h, 1, 1);
        h.setText("Text1(2)", "old");
        h.sim().sendChunks(pieces, 30);
        QVERIFY(QTest::qWaitFor([&] { return h.text("Text1(3)").contains("接收  D7:FA:"); }, 3000));
        const QString log = h.text("Text1(3)");
        QCOMPARE(log, QStringLiteral("接收数据：  D7:01:12:34:00:00:\n接收  D7:FA:\n"));
        QCOMPARE(h.text("Text1(5)"), QStringLiteral("12:34:"));
        QCOMPARE(area(h, "Text1(2)"), QString());
        QTest::qWait(300);
        QCOMPARE(g::RxState, 0);
        QCOMPARE(h.text("Text1(3)"), log);
    }
}

void TestGprsTerminal::longFramesShowWhatCame_data() {
    QByteArray data;
    for (int i = 0; i < 30000; ++i) data.append(char(i % 251));
    const QByteArray zeros(30000, '\0');
    const QByteArray frame = fromHex("D7 01 12 34 75 30") + data;
    QTest::addColumn<int>("work");
    QTest::addColumn<int>("trans");
    QTest::addColumn<QByteArray>("came");
    QTest::addColumn<QByteArray>("shown");
    QTest::addColumn<QString>("sender");
    QTest::newRow("formatted") << 1 << 1 << frame << data << "12:34:";
    QTest::newRow("passive read") << 0 << 0 << fromHex("21 31 32 75 30") + zeros + fromHex("0D") << zeros << "";
    QTest::newRow("passive formatted") << 0 << 1 << fromHex("21 31 32 75 36") + frame + fromHex("0D") << data
                                       << "12:34:";
    // More than any frame holds, without a pause: the newest, marked as cut.
    QTest::newRow("stream past the bound") << 1 << 0 << data.repeated(3) << QByteArray() << "";
}

void TestGprsTerminal::longFramesShowWhatCame() {
    QFETCH(int, work);
    QFETCH(int, trans);
    QFETCH(QByteArray, came);
    QFETCH(QByteArray, shown);
    QFETCH(QString, sender);
    GprsHarness h;
    QVERIFY(h.openForm(1));
    modes(h, uint8_t(work), uint8_t(trans));
    if (work == 0) {
        h.setText("Text1(4)", "31:32:");
        h.sim().setFallbackHandler([&](ModuleSim& sim, const QByteArray&) { sim.stream(came); });
        QTest::mouseClick(h.button(3), Qt::LeftButton);
    } else {
        h.sim().stream(came);
    }
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text1(3)").contains("接收数据："); }, 30000));
    if (shown.isEmpty()) {
        const QString a = area(h, "Text1(2)");
        QVERIFY(a.startsWith(TestFrames::LogCutMark));
        QVERIFY(a.endsWith(GprsAnswers::hexText(came.right(GprsAnswers::MaxDataBytes / 2))));
        QVERIFY(a.size() <= TestFrames::LogCutMark.size() + 3 * GprsAnswers::MaxDataBytes);
        return;
    }
    QCOMPARE(area(h, "Text1(2)").size(), 3 * shown.size());
    QVERIFY(area(h, "Text1(2)") == GprsAnswers::hexText(shown));
    QCOMPARE(h.text("Text1(5)"), sender);
    // The log keeps its bound, the line's head and end, and a mark between.
    const QString log = h.text("Text1(3)");
    QVERIFY2(log.size() < TestFrames::MaxLogChars, qPrintable(QString::number(log.size())));
    const QString line = log.mid(log.indexOf("接收数据："));
    QVERIFY(line.startsWith("接收数据：  " + GprsAnswers::hexText(came.left(12))));
    QVERIFY(line.contains(TestFrames::LogCutMark));
    QVERIFY(line.trimmed().endsWith(GprsAnswers::hexText(came.right(12))));
}

void TestGprsTerminal::lateAnswerIsReadAsItsOwn_data() {
    QTest::addColumn<int>("first");    // the request whose answer is late, or never comes (-1)
    QTest::addColumn<int>("firstMs");
    QTest::addColumn<int>("then");     // pressed as soon as it may be
    QTest::addColumn<int>("thenMs");   // how late that one's answer comes
    QTest::addColumn<QString>("own");  // logged once: the answer read as that one's
    QTest::addColumn<bool>("hello");   // the read's message is shown
    const QString check = QStringLiteral("接收  21:31:32:0D:00:0D:");
    const QString read = QStringLiteral("接收数据：  21:31:32:00:05:48:45:4C:4C:4F:0D:");
    QTest::newRow("memory check after the read's wait") << 3 << 3500 << 7 << 3500 << check << true;
    QTest::newRow("refresh while the read is out") << 3 << 600 << 4 << 0 << read << true;
    QTest::newRow("read lost, memory check") << 3 << -1 << 7 << 0 << check << false;
    QTest::newRow("memory check lost, read") << 7 << -1 << 3 << 0 << read << true;
    QTest::newRow("read lost, send") << 3 << -1 << 1 << 0 << QStringLiteral("接收  21:31:32:0D:") << false;
    // The module answers in turn: the late read's message, then at once
    // the memory check it was asked meanwhile.
    QTest::newRow("read late, memory check right behind") << 3 << 3500 << 7 << 550 << check << true;
}

// Passive module: an answer that comes late, or never, is read by its own
// layout and leaves the next request's answer its own; a read after that
// still shows its message.
void TestGprsTerminal::lateAnswerIsReadAsItsOwn() {
    QFETCH(int, first);
    QFETCH(int, firstMs);
    QFETCH(int, then);
    QFETCH(int, thenMs);
    QFETCH(QString, own);
    QFETCH(bool, hello);
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    time.watchLine(&h.port(), &h.sim());
    modes(h, 0, 0);
    QVERIFY(h.openForm(1, false));
    QVERIFY(time.runUntil([&] { return !h.timer("Timer6")->enabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(500, 5000));
    h.setText("Text1(1)", "41:");
    h.peer->inbox = QByteArray("HELLO");
    h.sim().queueFates({firstMs < 0 ? Fate::missing() : Fate::late(firstMs), thenMs ? Fate::late(thenMs) : Fate::onTime()});
    h.button(first)->click();
    QVERIFY(time.runUntil([&] { return h.button(then)->isEnabled(); }, 5000));
    h.button(then)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    const QString log = h.text("Text1(3)");
    QVERIFY2(log.split(QLatin1Char('\n')).count(own) == 1, qPrintable(log));
    QVERIFY2((area(h, "Text1(2)") == QStringLiteral("48:45:4C:4C:4F:")) == hello, qPrintable(log));
    QCOMPARE(h.label1(4), QStringLiteral("被动方式"));
    h.peer->inbox = QByteArray("BYE");
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 5000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    QVERIFY2(area(h, "Text1(2)") == QStringLiteral("42:59:45:"), qPrintable(h.text("Text1(3)")));
}

// Active transparent module that left one read of the refresh unanswered:
// its answer is looked for a few seconds only, and a frame start is never
// held past the line going quiet: the bytes are shown 200 ms after they come.
void TestGprsTerminal::dataAfterAnUnansweredReadAreShown() {
    const QByteArray answer = fromHex("1A 2A 3A 4A 5A 6A 7A 8A EC 00") + "ABCDEFGHIJK" + fromHex("41");
    const std::tuple<int, QByteArray, QString> cases[] = {// ms after the give-up, bytes, shown
                                                          {0, fromHex("41 1A"), "41:1A:"},
                                                          {2000, fromHex("1A"), "1A:"},
                                                          {0, answer, "41:"},
                                                          {8000, answer, GprsAnswers::hexText(answer)}};
    for (const auto& [afterMs, came, shown] : cases) {
        VirtualTime time;
        GprsHarness h;
        time.watchLine(&h.port(), &h.sim());
        modes(h, 1, 0);
        h.module->muted.insert(0xEC);
        QVERIFY(h.openForm(1, false));
        QVERIFY(time.runUntil([&] { return g::GprsReadLate == 0xEC; }, 10000) && time.runFor(afterMs));
        h.sim().send(came);
        QVERIFY(time.runUntilLineQuiet(1000, 5000) && time.runFor(500));
        QVERIFY2(area(h, "Text1(2)") == shown, qPrintable(area(h, "Text1(2)")));
    }
}

// Active transparent module, a refresh read given up: a frame start held
// to see what follows it is data the display owes, also when the display of
// the bytes before it falls due while it is held.
void TestGprsTerminal::heldFrameStartOutlivesTheDisplay() {
    VirtualTime time;
    GprsHarness h;
    time.watchLine(&h.port(), &h.sim());
    modes(h, 1, 0);
    h.module->muted.insert(0xEC);
    QVERIFY(h.openForm(1, false));
    QVERIFY(time.runUntil([&] { return g::GprsReadLate == 0xEC; }, 10000));
    QVERIFY(time.runUntilLineQuiet(500, 5000));
    h.sim().send(fromHex("41"));
    QVERIFY(time.runFor(180));
    h.sim().send(fromHex("1A"));
    QVERIFY(time.runFor(30));
    h.sim().send(fromHex("42 43"));
    QVERIFY(time.runUntilLineQuiet(1000, 5000) && time.runFor(500));
    QString got;
    for (const QString& line : h.text("Text1(3)").split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("接收数据：  "))) got += line.mid(7);
    QVERIFY2(got == QStringLiteral("41:1A:42:43:"), qPrintable(h.text("Text1(3)")));
}

// The module's line went away with its device: a terminal request pressed
// then opens the port again, as the settings' writes do, and says which
// device is missing instead of doing nothing unseen.
void TestGprsTerminal::goneDeviceIsNamedByTheTerminal() {
    for (int button : {1, 3, 7}) {
        VirtualTime time;
        GprsHarness h;
        time.watchLine(&h.port(), &h.sim());
        modes(h, 0, 0);
        QVERIFY(h.openForm(1));
        h.setText("Text1(4)", "31:32:");
        h.setText("Text1(1)", "41:");
        h.sim().closeLine();
        QVERIFY(time.runUntil([&] { return h.dialogs.messageCount() == 1 && !h.port().isOpen(); }, 1000));
        h.button(button)->click();
        QVERIFY(time.runFor(3000));
        QVERIFY2(h.dialogs.messageCount() == 2 &&
                     h.dialogs.lastText().contains(QStringLiteral("COM1（%1）").arg(h.sim().slavePath())),
                 qPrintable(QStringLiteral("button %1: ").arg(button) + h.dialogs.describe()));
    }
}

namespace {
// A passive module whose refresh has ended and whose line is quiet.
bool passiveAndSettled(VirtualTime& time, GprsHarness& h) {
    time.watchLine(&h.port(), &h.sim());
    modes(h, 0, 0);
    if (!h.openForm(1, false)) return false;
    return time.runUntil([&] { return !h.timer("Timer6")->enabled() && !h.timer("Timer2")->enabled(); }, 10000) &&
           time.runUntilLineQuiet(500, 5000);
}
}  // namespace

void TestGprsTerminal::heldAnswerIsReadWhole_data() {
    QTest::addColumn<int>("lost");  // the request whose answer never comes
    QTest::addColumn<QByteArray>("message");
    // A read's length, or its second data byte, that looks like the start
    // of the next answer right behind a shorter one.
    QTest::newRow("send lost, read of 33 bytes") << 1 << QByteArray(33, 'A');
    QTest::newRow("send lost, read of 63 bytes") << 1 << QByteArray(63, 'A');
    QTest::newRow("memory check lost, read of A!") << 7 << QByteArray("A!");
}

// A passive answer held while two requests are owed is the one whose shape
// takes the bytes that came whole: the read's message is shown as sent, and
// the next read's too.
void TestGprsTerminal::heldAnswerIsReadWhole() {
    QFETCH(int, lost);
    QFETCH(QByteArray, message);
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.setText("Text1(1)", "41:");
    h.peer->inbox = message;
    h.sim().queueFates({Fate::missing(), Fate::onTime()});
    h.button(lost)->click();
    QVERIFY(time.runUntil([&] { return h.button(3)->isEnabled(); }, 5000));
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    QVERIFY2(area(h, "Text1(2)") == GprsAnswers::hexText(message), qPrintable(h.text("Text1(3)")));
    h.peer->inbox = QByteArray("BYE");
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 5000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    QVERIFY2(area(h, "Text1(2)") == QStringLiteral("42:59:45:"), qPrintable(h.text("Text1(3)")));
}

// A read lost, a memory check asked, and a refresh pressed before its
// answer comes: the answer is the memory check's, not a read of the refresh's
// frames, and the refresh reads every value.
void TestGprsTerminal::answerDuringRefreshIsReadByItsShape() {
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    const int before = h.dialogs.messageCount();
    h.sim().queueFates({Fate::missing(), Fate::late(700)});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(7)->isEnabled(); }, 5000));
    h.button(7)->click();
    h.button(4)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    const QString log = h.text("Text1(3)");
    QVERIFY2(log.contains(QStringLiteral("接收  21:31:32:0D:00:0D:")), qPrintable(log));
    QVERIFY2(h.dialogs.messageCount() == before, qPrintable(h.dialogs.describe()));
    QCOMPARE(h.label1(4), QStringLiteral("被动方式"));
    QVERIFY(!h.label1(9).contains(QLatin1Char('*')));
}

// A read lost, then a memory check whose answer the module's notice follows
// at once: the answer is the memory check's, and no data were received.
void TestGprsTerminal::noticeBehindAHeldAnswerIsItsOwn() {
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.sim().queueFates({Fate::missing(), Fate::onTime()});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(7)->isEnabled(); }, 5000));
    const qsizetype sent = h.sim().requests().size();
    h.button(7)->click();
    QVERIFY(time.runUntil([&] { return h.sim().requests().size() > sent; }, 1000));
    h.sim().send(h.frame("FD 01"));
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    const QString log = h.text("Text1(3)");
    QVERIFY2(log.contains(QStringLiteral("接收  21:31:32:0D:00:0D:")) && !log.contains(QStringLiteral("接收数据")),
             qPrintable(log));
}

// A read lost, and the same read pressed again and answered at once: the
// buttons come back with its answer, not at its wait's end.
void TestGprsTerminal::answeredReadGivesItsButtonsBack() {
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.sim().queueFates({Fate::missing(), Fate::onTime()});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(3)->isEnabled(); }, 5000));
    h.peer->inbox = QByteArray("HELLO");
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return area(h, "Text1(2)") == QStringLiteral("48:45:4C:4C:4F:"); }, 2000));
    QVERIFY(time.runFor(300));
    QVERIFY(h.button(3)->isEnabled() && h.button(7)->isEnabled() && h.button(1)->isEnabled());
}

// A read lost, the same read pressed again and its answer coming in two
// pieces: the held first piece is the newer read's, so its buttons come back
// with its answer as they do for an answer in one piece.
void TestGprsTerminal::splitAnswerOfASecondReadIsItsOwn() {
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.sim().queueFates({Fate::missing(), Fate::split(2, 100)});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(3)->isEnabled(); }, 5000));
    h.peer->inbox = QByteArray("HELLO");
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return area(h, "Text1(2)") == QStringLiteral("48:45:4C:4C:4F:"); }, 2000));
    QVERIFY(time.runFor(300));
    QVERIFY(h.button(3)->isEnabled() && h.button(7)->isEnabled() && h.button(1)->isEnabled());
}

// A read lost, a memory check asked and a refresh pressed at once, the
// refresh's first request going while the memory check's answer is held
// between its pieces: the answer is still the memory check's, logged once.
void TestGprsTerminal::heldAnswerOutlivesARefreshPressed() {
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.sim().queueFates({Fate::missing(), Fate::late(360)});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(7)->isEnabled(); }, 5000));
    const QString before = h.text("Text1(3)");
    // The answer's address comes just before the refresh's first request
    // goes, and the rest of it just after.
    h.sim().behaviour.chunkSize = 3;
    h.sim().behaviour.chunkGapMs = 30;
    h.button(7)->click();
    h.button(4)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    const QString log = h.text("Text1(3)").mid(before.size());
    QVERIFY2(log.count(QStringLiteral("接收  21:31:32:0D:00:0D:")) == 1, qPrintable(log));
    QCOMPARE(h.label1(4), QStringLiteral("被动方式"));
}

void TestGprsTerminal::lateReadWhoseBytesLookLikeAFrameStart_data() {
    QTest::addColumn<int>("then");  // pressed once the read is given up
    QTest::addColumn<QByteArray>("message");
    // The read's length low byte, or its second data byte, is 1A: where a
    // shorter answer would end, the rest looks like a frame start.
    QTest::newRow("send, 26 bytes") << 1 << QByteArray(26, 'A');
    QTest::newRow("memory check, A 1A B C") << 7 << QByteArray("A\x1A" "BC");
}

// A read answered late and another request asked meanwhile: the read's
// answer is its own, and its data are shown, whatever byte comes where a
// shorter answer of the newer request would end.
void TestGprsTerminal::lateReadWhoseBytesLookLikeAFrameStart() {
    QFETCH(int, then);
    QFETCH(QByteArray, message);
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.setText("Text1(1)", "41:");
    h.peer->inbox = message;
    h.sim().queueFates({Fate::late(3500), Fate::onTime()});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(then)->isEnabled(); }, 5000));
    h.button(then)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    QVERIFY2(area(h, "Text1(2)") == GprsAnswers::hexText(message), qPrintable(h.text("Text1(3)")));
}

// The line goes with its device in the middle of a read's answer; the
// module comes back and the read is pressed again: its answer is read from
// its start, not as the rest of the one cut off.
void TestGprsTerminal::answerCutByALostLineIsNotTheNextOnes() {
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.peer->inbox = QByteArray("HELLO");
    h.sim().queueFates({Fate::split(4, 1000)});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return g::RxState != 0; }, 2000));
    h.sim().closeLine();
    QVERIFY(time.runUntil([&] { return h.dialogs.messageCount() == 1 && !h.port().isOpen(); }, 1000));
    h.sim().stop();
    QVERIFY(h.sim().start(h.fixture.portsDir(), h.fixture.comNumber()));
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 5000));
    h.peer->inbox = QByteArray("BYE");
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 5000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    QVERIFY2(area(h, "Text1(2)") == QStringLiteral("42:59:45:"), qPrintable(h.text("Text1(3)") + h.dialogs.describe()));
}

// A read lost, a memory check asked and a refresh pressed: the memory
// check's answer comes late with the refresh's first answer behind it, whose
// last bytes come a pause later but before the refresh's next tick. Both
// are read as they came: the memory check's answer is logged, and the
// refresh reads every value without a word.
void TestGprsTerminal::settingsAnswerCutBehindAHeldAnswerReadsOn() {
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    const int before = h.dialogs.messageCount();
    h.sim().queueFates({Fate::missing(), Fate::late(700)});
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(7)->isEnabled(); }, 5000));
    h.sim().behaviour.chunkSize = 11;
    h.sim().behaviour.chunkGapMs = 370;
    const qsizetype sent = h.sim().requests().size();
    h.button(7)->click();
    h.button(4)->click();
    // Only the refresh's first answer pauses.
    QVERIFY(time.runUntil([&] { return h.sim().requests().size() == sent + 2; }, 1000));
    h.sim().behaviour.chunkSize = 0;
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 20000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    const QString log = h.text("Text1(3)");
    QVERIFY2(log.contains(QStringLiteral("接收  21:31:32:0D:00:0D:")), qPrintable(log + h.dialogs.describe()));
    QVERIFY2(h.dialogs.messageCount() == before, qPrintable(h.dialogs.describe()));
    QVERIFY(!h.label1(0).contains(QLatin1Char('*')));
    QCOMPARE(h.label1(4), QStringLiteral("被动方式"));
}

// A read answered late and in two pieces, a memory check asked after the
// read was given up and answered right behind the read's last piece: the
// read shows its data and the memory check's answer is logged as its own,
// not taken into the read's data.
void TestGprsTerminal::answerBehindALateReadInPiecesIsItsOwn() {
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.peer->inbox = QByteArray("HELLO");
    const qsizetype sent = h.sim().requests().size();
    h.sim().behaviour.delayMs = 3500;
    h.sim().behaviour.chunkSize = 6;
    h.sim().behaviour.chunkGapMs = 100;
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.sim().requests().size() > sent; }, 1000));
    h.sim().behaviour = {};
    QVERIFY(time.runUntil([&] { return h.button(7)->isEnabled(); }, 5000));
    h.button(7)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    const QString log = h.text("Text1(3)");
    QVERIFY2(area(h, "Text1(2)") == QStringLiteral("48:45:4C:4C:4F:"), qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("接收  21:31:32:0D:00:0D:")), qPrintable(log));
}

// The line goes with its device in the middle of a refresh's answer; the
// module comes back and the refresh is pressed again: it reads every value
// from the new answers, none of them taken as the rest of the cut one.
void TestGprsTerminal::refreshAfterTheLineCameBackReadsAfresh() {
    VirtualTime time;
    GprsHarness h;
    time.watchLine(&h.port(), &h.sim());
    modes(h, 1, 1);
    QVERIFY(h.openForm(1, false));
    QVERIFY(time.runUntil([&] { return !h.timer("Timer6")->enabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(500, 5000));
    const QString version = h.label1(9);
    const QString entry = h.text("Text2") + h.text("Text3");
    h.sim().behaviour.chunkSize = 12;
    h.sim().behaviour.chunkGapMs = 1000;
    h.button(4)->click();
    QVERIFY(time.runUntil([&] { return g::RxState != 0; }, 2000));
    h.sim().closeLine();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 5000));
    h.sim().stop();
    QVERIFY(h.sim().start(h.fixture.portsDir(), h.fixture.comNumber()));
    h.sim().behaviour = {};
    const int told = h.dialogs.messageCount();
    h.button(4)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY2(h.dialogs.messageCount() == told,
             qPrintable(QString::number(told) + h.dialogs.describe() + h.label1(9) + h.label1(0)));
    QCOMPARE(h.label1(9), version);
    QCOMPARE(h.label1(0), QStringLiteral("1A:05:"));
    QCOMPARE(h.text("Text2") + h.text("Text3"), entry);
}

void TestGprsTerminal::lateReadPausedBehindAFrameStartByte_data() {
    QTest::addColumn<int>("then");  // pressed once the read is given up
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("piece");  // the answer's first piece ends with its 1A
    QTest::newRow("send, 26 bytes") << 1 << QByteArray(26, 'A') << 5;
    QTest::newRow("memory check, A 1A B C") << 7 << QByteArray("A\x1A" "BC") << 7;
}

// A read answered late, another request asked meanwhile, and the read's
// answer pausing briefly right after a 1A where a shorter answer of the
// newer request would end: a lone 1A is no frame yet, so the read's data
// are still its own and shown whole.
void TestGprsTerminal::lateReadPausedBehindAFrameStartByte() {
    QFETCH(int, then);
    QFETCH(QByteArray, message);
    QFETCH(int, piece);
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    h.setText("Text1(1)", "41:");
    h.peer->inbox = message;
    const qsizetype sent = h.sim().requests().size();
    h.sim().behaviour.delayMs = 3500;
    h.sim().behaviour.chunkSize = piece;
    h.sim().behaviour.chunkGapMs = 100;
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.sim().requests().size() > sent; }, 1000));
    h.sim().behaviour = {};
    QVERIFY(time.runUntil([&] { return h.button(then)->isEnabled(); }, 5000));
    h.button(then)->click();
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    QVERIFY2(area(h, "Text1(2)") == GprsAnswers::hexText(message), qPrintable(h.text("Text1(3)")));
}

void TestGprsTerminal::heldAnswerAcrossARefreshsStartOrEnd_data() {
    QTest::addColumn<bool>("last");  // around the refresh's end rather than its first request
    QTest::addColumn<int>("at");  // the read's answer begins this long after the refresh is pressed, or its last request went
    for (bool last : {false, true})
        for (int at = 300; at <= 400; at += 25)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(last ? "last" : "first").arg(at))) << last << at;
}

// A read and a memory check both owed when a refresh is pressed; the read's
// answer begins around the refresh's first request (or its end) and pauses
// briefly, the module answering that request once the read's answer is
// out: the read's data are shown as sent and the refresh reads every value
// without a word.
void TestGprsTerminal::heldAnswerAcrossARefreshsStartOrEnd() {
    QFETCH(bool, last);
    QFETCH(int, at);
    using Fate = ModuleSim::Fate;
    VirtualTime time;
    GprsHarness h;
    QVERIFY(passiveAndSettled(time, h));
    const int told = h.dialogs.messageCount();
    h.sim().queueFates({Fate::missing(), Fate::missing()});
    if (!last) h.sim().queueFates({Fate::late(300)});
    const qsizetype sent = h.sim().requests().size();
    h.button(3)->click();
    QVERIFY(time.runUntil([&] { return h.button(7)->isEnabled(); }, 5000));
    h.button(7)->click();
    h.button(4)->click();
    // A passive module's refresh asks ten values; it ends a tick after the last.
    if (last) QVERIFY(time.runUntil([&] { return h.sim().requests().size() == sent + 12; }, 10000));
    QVERIFY(time.runFor(at));
    h.sim().send(QByteArray("\x21\x31\x32\x00\x05H", 6));
    QVERIFY(time.runFor(120));
    h.sim().send(QByteArray("ELLO\r"));
    QVERIFY(time.runUntil([&] { return h.allButtonsEnabled() && !h.timer("Timer2")->enabled(); }, 10000));
    QVERIFY(time.runUntilLineQuiet(1000, 10000) && time.runFor(500));
    QVERIFY2(area(h, "Text1(2)") == QStringLiteral("48:45:4C:4C:4F:"), qPrintable(h.text("Text1(3)")));
    QVERIFY2(h.dialogs.messageCount() == told, qPrintable(h.dialogs.describe()));
}

QTEST_MAIN(TestGprsTerminal)
#include "tst_gprs_terminal.moc"
