// Start-up, the connect dialog and the handshake of Kestrun, end to end
// against the simulated module.

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>

#include "KestrunHarness.h"
#include "core/Handshake.h"
#include "kestrun/settings/TestTab.h"
#include "platform/Controls.h"
#include "tests/support/WriteTimes.h"
#include "tests/support/RandomActions.h"
#include "tools/SimParams.h"
#include "tools/SimTestPeer.h"

class TestConnect : public QObject {
    Q_OBJECT

private slots:
    void startShowsCaptionPanelsAndPictureWindow();
    void happyPathRunsIdentifySequenceAndOpensSettings();
    void secondConnectWaitsOneSecondAndLateProbeAnswerCounts();
    void moduleTypeOneIsRefused();
    void silentModuleTimesOut();
    void missingTypeAnswerEndsSequence();
    void portErrors();
    void truncatedProbeAnswerClosesPort();
    void noiseAndBurstsAreHandled();
    void cancelStopsHandshake();
    void cancelWithoutConnect();
    void cancelWithTheLineMissingSaysNothingUnasked();
    void cancelBeforeProbeAnswerStopsTimers();
    void dialogClosedByWindowButton();
    void sendModeMenuIsExclusive();
    void connectKeepsApartFromTheForm_data();
    void connectKeepsApartFromTheForm();
};

void TestConnect::startShowsCaptionPanelsAndPictureWindow() {
    // "Not much later" is judged against a second timer armed before the
    // program's: whatever the load, the one due first runs first.
    QElapsedTimer clock;
    clock.start();
    KestrunHarness* made = nullptr;
    bool shownByDeadline = false;
    QTimer::singleShot(1000, Qt::PreciseTimer, [&] { shownByDeadline = made && made->main().pictureWindow(); });
    KestrunHarness h;
    made = &h;
    QCOMPARE(h.main().windowTitle(), QStringLiteral("KestrunV4.2"));
    QCOMPARE(h.main().panel(1), QStringLiteral("串口：未使用"));
    QCOMPARE(h.main().panel(2), QStringLiteral("模块状态：未使用"));
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：0"));
    QVERIFY(!h.main().sendModeMenuVisible());
    QVERIFY(!h.main().action("x")->isVisible());
    QVERIFY(!h.main().pictureWindow());
    QVERIFY(h.waitForPictureWindow());
    // Shown by the one-shot 100 ms timer, not at once and not much later.
    QVERIFY2(clock.elapsed() >= 90, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(QTest::qWaitFor([&] { return shownByDeadline; }, 5000));
    QCOMPARE(h.main().pictureWindow()->windowTitle(), QStringLiteral("短信报警控制模块"));
    // The picture window raises DTR as it loads.
    QVERIFY(h.port().dtrEnable());
    // Timer8 is "on" at design time with interval 0: it must never fire.
    QTest::qWait(300);
    QVERIFY(h.sim().requests().isEmpty());

    // Closing the picture window closes the port.
    h.port().setCommPort(h.fixture.comNumber());
    QCOMPARE(h.port().open(), CommPort::OpenResult::Ok);
    auto* sub = qobject_cast<QMdiSubWindow*>(h.main().pictureWindow()->parentWidget());
    QVERIFY(sub);
    // The window as a whole, frame included, is 11800 x 8180 twips.
    QCOMPARE(sub->size(), QSize(Vb::twips(11800), Vb::twips(8180)));
    sub->close();
    QVERIFY(!h.port().isOpen());
}

void TestConnect::happyPathRunsIdentifySequenceAndOpensSettings() {
    KestrunHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    QVERIFY(dlg->isModal());
    QList<int> pbar;
    QObject::connect(dlg->PBar, &QProgressBar::valueChanged, [&](int v) { pbar << v; });
    h.sim().identity.version = "N310 V4.02 ";
    // The probe within 400 ms of the click; the identify requests one a
    // second (the first waits for the probe answer: no deadline there).
    WriteTimes writes(h.port(), {400, 0, 1400, 1400, 1400, 1400});
    h.connect();
    QVERIFY(!dlg->Command1[0]->isEnabled());
    QVERIFY(dlg->Command1[1]->isEnabled());
    QVERIFY(!dlg->Combo1->isEnabled());
    QCOMPARE(g::RecvMode, 100);
    QCOMPARE(g::OfflineMode, 0);

    QVERIFY(QTest::qWaitFor([&] { return h.settingsFormShown(); }, 8000));
    const auto reqs = h.sim().requests();
    QCOMPARE(reqs.size(), 6);
    QCOMPARE(hex(reqs[0].bytes), hex(h.frame("FE 03")));
    const char* codes[5] = {"F8 03", "F9 03", "EC 03", "D6 03", "D1 03"};
    for (int i = 0; i < 5; ++i) QCOMPARE(hex(reqs[i + 1].bytes), hex(h.frame(codes[i])));

    // Probe about 100 ms after the click; first identify request 100 ms after
    // the probe answer; then one a second. Counted from the probe: each tick
    // restarts its timer before it writes, and a busy machine can hold the
    // thread between the two, so a single gap may come out short while no
    // request comes before its whole seconds from the first tick.
    QCOMPARE(writes.count(), 6);
    QVERIFY2(writes.gapMs(0) >= 80, qPrintable(QString::number(writes.gapMs(0))));
    QVERIFY2(writes.gapMs(1) >= 80, qPrintable(QString::number(writes.gapMs(1))));
    for (int i = 2; i <= 5; ++i)
        QVERIFY2(writes.atMs(i) - writes.atMs(0) >= 80 + (i - 1) * 1000,
                 qPrintable(QString::number(writes.atMs(i) - writes.atMs(0))));
    QCOMPARE(writes.late(), QList<int>{});
    QCOMPARE(pbar, (QList<int>{1, 2, 3, 4}));  // 0 is where it starts

    QCOMPARE(g::VersionText, QStringLiteral("N310 V4.02 "));
    QCOMPARE(g::VersionText.size(), 11);
    QCOMPARE(g::ModuleTypeByte[0], uint8_t(2));
    QCOMPARE(g::WorkModeByte[0], h.sim().identity.workMode);
    QVERIFY(!h.main().connectDialog());
    QVERIFY(h.port().isOpen());
    QCOMPARE(h.main().panel(1), QStringLiteral("串口：COM1--9600,n,8,1"));
    QVERIFY(h.dialogs.messages().isEmpty());
}

void TestConnect::secondConnectWaitsOneSecondAndLateProbeAnswerCounts() {
    KestrunHarness h;
    h.connect();
    QVERIFY(QTest::qWaitFor([&] { return h.settingsFormShown(); }, 8000));
    // Let the form take over the line and finish its opening refresh.
    QVERIFY(QTest::qWaitFor([&] {
        return g::RecvMode == 101 && !h.settingsForm()->Timer2->enabled() && !h.settingsForm()->commandsDisabled();
    }, 15000));
    h.sim().clearRecorded();
    // This module answers no restart-time query: the opening refresh ended
    // there and said so. Only the second connect is looked at here.
    h.dialogs.clear();

    // The probe answer now comes 1.5 s late, well inside the 2 s time-out.
    h.sim().setHandler(0xFE, [](ModuleSim& s, const QByteArray&) {
        QTimer::singleShot(1500, &s, [&s] { s.send(KestrunHarness::frame("FD 00 00 00")); });
    });
    h.main().showConnectDialog(true);
    WriteTimes writes(h.port());
    h.connect();
    QVERIFY(h.fixture.waitForRequests(2, 5000));
    QVERIFY2(writes.gapMs(1) >= 1500 + 950, qPrintable(QString::number(writes.gapMs(1))));
    QCOMPARE(hex(h.request(1)), hex(h.frame("F8 03")));
    QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.lastText()));
}

void TestConnect::moduleTypeOneIsRefused() {
    KestrunHarness h;
    h.sim().identity.moduleType = 1;
    h.connect();
    QVERIFY(h.dialogs.waitForMessage(1, 8000));
    const auto m = h.dialogs.messages().first();
    QCOMPARE(m.text, QStringLiteral("您的模块与测试软件不一样，请与厂家联系"));
    QCOMPARE(m.title, QStringLiteral("提示"));
    QCOMPARE(m.icon, Dialogs::Icon::Exclamation);
    QVERIFY(!h.main().connectDialog());
    QVERIFY(!h.settingsForm());
    QVERIFY(h.port().isOpen());
    QCOMPARE(g::RecvMode, 100);
    // A later probe answer starts nothing: the time-out is no longer running.
    const int before = h.sim().requests().size();
    QVERIFY(h.sendAndSettle(h.frame("FD 00 00 00")));
    for (int n : {5, 8, 9, 11}) QVERIFY2(!h.main().timer(n)->enabled(), qPrintable(QString::number(n)));
    QCOMPARE(h.sim().requests().size(), before);
}

void TestConnect::silentModuleTimesOut() {
    KestrunHarness h;
    h.sim().behaviour.silent = true;
    ConnectDialog* dlg = h.openConnectDialog();
    // The time-out runs from the probe: armed as the probe goes out.
    WriteTimes writes(h.port());
    Deadline timeout(2800, [&] { return !h.dialogs.messages().isEmpty(); });
    QObject::connect(&h.port(), &CommPort::frameWritten, &timeout, [&] { timeout.start(); });
    h.connect();
    QVERIFY(h.fixture.waitForRequests(1));
    QVERIFY(h.dialogs.waitForMessage(1, 5000));
    QVERIFY2(writes.nowMs() - writes.atMs(0) >= 1800, qPrintable(QString::number(writes.nowMs() - writes.atMs(0))));
    QVERIFY(timeout.met());
    const auto m = h.dialogs.messages().first();
    QCOMPARE(m.text, QStringLiteral("模块和计算机通信失败，请检查串口号、波特率"));
    QCOMPARE(m.title, QStringLiteral("系统提示"));
    QCOMPARE(m.icon, Dialogs::Icon::None);
    QVERIFY(!h.port().isOpen());
    QVERIFY(dlg->Command1[0]->isEnabled());
    QVERIFY(dlg->Command1[1]->isEnabled());
    QVERIFY(dlg->Combo1->isEnabled());
    QVERIFY(dlg->Combo2->isEnabled());
    QCOMPARE(h.sim().requests().size(), 1);
}

void TestConnect::missingTypeAnswerEndsSequence() {
    KestrunHarness h;
    h.sim().setHandler(0xD1, {});
    ConnectDialog* dlg = h.openConnectDialog();
    h.connect();
    QVERIFY(h.fixture.waitForRequest(h.frame("D1 03"), 0, 8000) >= 0);
    QCOMPARE(dlg->PBar->value(), 4);
    QVERIFY(QTest::qWaitFor([&] { return dlg->PBar->value() == 0; }, 2000));
    QVERIFY(dlg->Command1[0]->isEnabled());
    QVERIFY(dlg->Command1[1]->isEnabled());
    QVERIFY(!h.settingsForm());
    QVERIFY(!h.main().timer(11)->enabled());
    QCOMPARE(h.sim().requests().size(), 6);
}

void TestConnect::portErrors() {
    KestrunHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    dlg->Combo1->setEditText("COM5");  // nothing linked, and no /dev/ttyS4 that opens here
    QFile::link("/nonexistent/device", h.fixture.portsDir() + "/com5");
    h.connect();
    QCOMPARE(h.dialogs.messages().size(), 1);
    // The text of old, and what COM5 was looked for as, as the other
    // failures name it.
    QVERIFY(!h.port().devicePath().isEmpty());
    QCOMPARE(h.dialogs.messages().last().text,
             QStringLiteral("本机没有这个串口，请选择其它串口重试\n没有找到串口COM5（%1）").arg(h.port().devicePath()));
    QCOMPARE(h.dialogs.messages().last().title, QStringLiteral("端口错误"));
    QCOMPARE(h.dialogs.messages().last().icon, Dialogs::Icon::Exclamation);
    QVERIFY(dlg->Command1[0]->isEnabled());
    QVERIFY(!h.port().isOpen());

    // COM1 held by another program.
    CommPort other;
    other.setCommPort(1);
    QCOMPARE(other.open(), CommPort::OpenResult::Ok);
    dlg->Combo1->setEditText("COM1");
    h.connect();
    QCOMPARE(h.dialogs.messages().size(), 2);
    QCOMPARE(h.dialogs.messages().last().text, QStringLiteral("串口已经打开，请关闭其它程序重试"));
    QCOMPARE(h.dialogs.messages().last().icon, Dialogs::Icon::Exclamation);
    QVERIFY(dlg->Command1[0]->isEnabled());
    other.close();

    // Any other failure is named, with what to do about it: here a link to
    // something that is no serial port.
    QFile plain(h.fixture.portsDir() + "/plain");
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QFile::link(plain.fileName(), h.fixture.portsDir() + "/com6"));
    dlg->Combo1->setEditText("COM6");
    h.connect();
    QCOMPARE(h.dialogs.messages().size(), 3);
    QCOMPARE(h.dialogs.messages().last().text,
             QStringLiteral("COM6（%1）不是串口，请检查这个串口的链接或选择其它串口重试")
                 .arg(QFileInfo(plain.fileName()).canonicalFilePath()));
    QCOMPARE(h.dialogs.messages().last().title, QStringLiteral("端口错误"));
    QCOMPARE(h.dialogs.messages().last().icon, Dialogs::Icon::Exclamation);
    QVERIFY(dlg->Command1[0]->isEnabled());
    QVERIFY(!h.port().isOpen());
    QCOMPARE(g::RecvMode, 0);
    QVERIFY(h.sim().received().isEmpty());
}

void TestConnect::truncatedProbeAnswerClosesPort() {
    KestrunHarness h;
    h.sim().setHandler(0xFE, [](ModuleSim& s, const QByteArray&) { s.send(KestrunHarness::frame("FD 00")); });
    WriteTimes writes(h.port());
    h.connect();
    QVERIFY(h.fixture.waitForRequests(1));
    // Closed by the one-second timer the cut answer armed, not at once.
    QVERIFY(QTest::qWaitFor([&] { return !h.port().isOpen(); }, 3000));
    QVERIFY2(writes.nowMs() - writes.atMs(0) >= 900, qPrintable(QString::number(writes.nowMs() - writes.atMs(0))));
    QCOMPARE(h.main().timer(5)->interval(), 1000);
    QVERIFY(h.dialogs.messages().isEmpty());
    QVERIFY(h.dialogs.waitForMessage(1, 3000));
    QCOMPARE(h.dialogs.messages().first().text, QStringLiteral("模块和计算机通信失败，请检查串口号、波特率"));
    QCOMPARE(h.sim().requests().size(), 1);
}

void TestConnect::noiseAndBurstsAreHandled() {
    // Stray bytes, an unknown code before FD, and two answers in one delivery.
    KestrunHarness h;
    h.sim().setHandler(0xFE, [](ModuleSim& s, const QByteArray&) {
        s.send(fromHex("00 FF") + KestrunHarness::frame("55 FD 00 00 07"));
    });
    h.sim().setHandler(0xF8, [](ModuleSim& s, const QByteArray&) {
        s.send(KestrunHarness::frame("F8 00 02") + KestrunHarness::frame("F9 00 01"));
    });
    h.sim().setHandler(0xF9, {});
    h.connect();
    QVERIFY(QTest::qWaitFor([&] { return h.settingsFormShown(); }, 8000));
    QCOMPARE(g::HsStatusBytes[2], uint8_t(0x07));
    QCOMPARE(g::WorkModeByte[0], uint8_t(2));  // not what a reset leaves
    QCOMPARE(g::TransModeByte[0], uint8_t(1));
}

void TestConnect::cancelStopsHandshake() {
    KestrunHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    h.connect();
    QVERIFY(h.fixture.waitForRequest(h.frame("F8 03"), 0, 3000) >= 0);
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QVERIFY(!h.port().isOpen());
    QCOMPARE(g::OfflineMode, -1);
    QVERIFY(!h.main().connectDialog());
    QVERIFY(QTest::qWaitFor([&] { return h.settingsFormShown(); }, 2000));
    // Every step of the handshake runs on these timers: none is left.
    for (int n : {5, 8, 9, 11}) QVERIFY2(!h.main().timer(n)->enabled(), qPrintable(QString::number(n)));
    QVERIFY(!h.port().isOpen());
    QVERIFY(h.dialogs.messages().isEmpty());
}

void TestConnect::cancelWithoutConnect() {
    KestrunHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QCOMPARE(g::OfflineMode, -1);
    QVERIFY(h.settingsFormShown());
    QTest::qWait(300);
    QVERIFY(h.sim().received().isEmpty());
    QVERIFY(h.dialogs.messages().isEmpty());
}

void TestConnect::cancelWithTheLineMissingSaysNothingUnasked() {
    // COM1 missing: the form opened by Cancel works without the module and
    // its opening refresh does not report the port; a refresh asked for by
    // hand does.
    KestrunHarness h;
    const QString link = h.fixture.portsDir() + "/com1";
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link("/nonexistent/device", link));
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QVERIFY(h.settingsFormShown());
    SettingsForm* f = h.settingsForm();
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer6->enabled(); }, 5000));
    QVERIFY(h.settle());
    QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
    QTest::mouseClick(f->Command8, Qt::LeftButton);
    QCOMPARE(h.dialogs.messageCount(), 1);
    QVERIFY(h.dialogs.lastText().startsWith(QStringLiteral("本机没有这个串口，请选择其它串口重试")));
}

void TestConnect::cancelBeforeProbeAnswerStopsTimers() {
    KestrunHarness h;
    // Cancel before the probe has gone: it never goes.
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    h.connect();
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    for (int n : {5, 8, 9, 11}) QVERIFY2(!h.main().timer(n)->enabled(), qPrintable(QString::number(n)));
    QVERIFY(!h.port().isOpen());
    QVERIFY(h.sim().received().isEmpty());
    QVERIFY(h.dialogs.messages().isEmpty());
}

void TestConnect::dialogClosedByWindowButton() {
    // Closing the dialog with its window button stops nothing; the steps
    // that would touch it pass it by.
    {
        KestrunHarness h;
        QPointer<ConnectDialog> dlg = h.openConnectDialog();
        QVERIFY(dlg);
        h.connect();
        QVERIFY(h.fixture.waitForRequests(1));
        dlg->close();
        QVERIFY(QTest::qWaitFor([&] { return !h.main().connectDialog(); }, 2000));
        QVERIFY(QTest::qWaitFor([&] { return h.settingsFormShown(); }, 8000));
        QCOMPARE(h.sim().requests().size(), 6);
        QVERIFY(h.dialogs.messages().isEmpty());
    }
    {
        KestrunHarness h;
        h.sim().behaviour.silent = true;
        QPointer<ConnectDialog> dlg = h.openConnectDialog();
        QVERIFY(dlg);
        h.connect();
        QVERIFY(h.fixture.waitForRequests(1));
        dlg->close();
        QVERIFY(h.dialogs.waitForMessage(1, 5000));
        QCOMPARE(h.dialogs.messages().first().text, QStringLiteral("模块和计算机通信失败，请检查串口号、波特率"));
        QVERIFY(!h.port().isOpen());
        // The picture window's label brings up a fresh, usable dialog.
        ConnectDialog* again = h.openConnectDialog();
        QVERIFY(again);
        QVERIFY(again->Command1[0]->isEnabled());
    }
    {
        // Probe answered but its status bytes never come: Timer5 is armed.
        // Cancel stops it along with the time-out.
        KestrunHarness h;
        h.sim().setHandler(0xFE, [](ModuleSim& s, const QByteArray&) { s.send(KestrunHarness::frame("FD 00")); });
        ConnectDialog* dlg = h.openConnectDialog();
        QVERIFY(dlg);
        h.connect();
        QVERIFY(QTest::qWaitFor([&] { return h.main().timer(5)->enabled(); }, 3000));
        QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
        for (int n : {5, 8, 9, 11}) QVERIFY2(!h.main().timer(n)->enabled(), qPrintable(QString::number(n)));
        QVERIFY(h.dialogs.messages().isEmpty());
        QCOMPARE(h.sim().requests().size(), 1);
    }
}

void TestConnect::sendModeMenuIsExclusive() {
    KestrunHarness h;
    QAction* chinese = h.main().action("chinese");
    QAction* englist = h.main().action("englist");
    QAction* sendhex = h.main().action("sendhex");
    QVERIFY(chinese->isChecked());
    englist->trigger();
    QVERIFY(englist->isChecked() && !chinese->isChecked() && !sendhex->isChecked());
    QCOMPARE(h.main().sendMode(), 1);
    sendhex->trigger();
    sendhex->trigger();
    QVERIFY(sendhex->isChecked() && !englist->isChecked());
    QCOMPARE(h.main().sendMode(), 2);
}

using FormStep = std::function<void(SettingsForm*)>;
Q_DECLARE_METATYPE(FormStep)

void TestConnect::connectKeepsApartFromTheForm_data() {
    QTest::addColumn<FormStep>("start");
    QTest::newRow("refresh") << FormStep([](SettingsForm* f) { f->Command8->click(); });
    QTest::newRow("work mode") << FormStep([](SettingsForm* f) {
        Controls::setListIndexAndClick(f->Combo1, 0);
        Controls::setListIndexQuiet(f->Combo2, 1);
        f->Command5->click();
    });
    QTest::newRow("power saving") << FormStep([](SettingsForm* f) { f->Command14->click(); });
    QTest::newRow("test request") << FormStep([](SettingsForm* f) {
        f->SSTab1->setCurrentIndex(1);
        f->testTab->Text22->setText(QStringLiteral("00:01:"));
        f->testTab->TextBox[1]->setPlainText(QStringLiteral("AB"));
        f->testTab->Command21[2]->click();
    });
    QTest::newRow("first second") << FormStep();  // before the form's opening steps ran
}

// Pressed before a new connect (while it still sends) or while its
// handshake runs: from the connect on only the handshake's frames go out,
// and the form is left as it was before the press.
void TestConnect::connectKeepsApartFromTheForm() {
    QFETCH(FormStep, start);
    for (const bool during : {false, true}) {
        VirtualTime time;
        KestrunHarness h;
        h.sim().identity.workMode = 0;  // passive: the test request goes as a $ frame
        SimParams::install(h.sim());
        SimTestPeer::install(h.sim());
        time.watchLine(&h.port(), &h.sim());
        QVERIFY(time.runUntil([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); }, 5000));
        QVERIFY(h.connect() >= 0);
        QVERIFY(time.runUntil([&] { return h.settingsFormShown(); }, 10000));
        SettingsForm* f = h.settingsForm();
        if (start) QVERIFY(time.runUntil([&] { return !f->Timer6->enabled() && !f->commandsDisabled(); }, 20000));
        const auto before = RandomActions::buttonStates(f->coveredButtons());
        if (start && !during) {
            start(f);
            QVERIFY(time.runFor(150));
        }
        const int atConnect = int(h.sim().requests().size());
        h.main().showConnectDialog(false);
        QVERIFY(h.connect() >= 0);
        if (start && during) {
            QVERIFY(time.runFor(150));
            start(f);
        }
        QVERIFY2(time.runUntil([&] { return !h.main().connectDialog() || !h.port().isOpen(); }, 10000),
                 qPrintable(time.why()));
        f->Timer6->setEnabled(false);  // the refresh of the hand-over is not looked at
        QVERIFY(time.runFor(12000));
        QStringList sent;
        for (int i = atConnect; i < h.sim().requests().size(); ++i) sent << hex(h.request(i).mid(8));
        QCOMPARE(sent, (QStringList{"FE 03", "F8 03", "F9 03", "EC 03", "D6 03", "D1 03"}));
        QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
        QCOMPARE(RandomActions::runningTimers({f}), QStringList());
        QCOMPARE(RandomActions::differences(before, RandomActions::buttonStates(f->coveredButtons())), QStringList());
    }
}

QTEST_MAIN(TestConnect)
#include "tst_connect.moc"
