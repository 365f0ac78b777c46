// The parameter refresh and the two timed write chains of the settings
// form, end to end against a module that keeps its parameters.

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include "ParamRig.h"

namespace {

bool pickerOpen() {
    for (QWidget* w : QApplication::allWidgets())
        if (w->isVisible() && w->windowTitle().startsWith(QStringLiteral("号码选择"))) return true;
    return false;
}

bool anyRequestStarts(const QStringList& tails, const QString& head) {
    for (const QString& t : tails)
        if (t.startsWith(head)) return true;
    return false;
}


}  // namespace

class TestRefresh : public QObject {
    Q_OBJECT

private slots:
    void passiveFormattedModule();
    void activeTransparentModuleWithPasswordAndPowerSaving();
    void unpluggedModuleEndsAtNextTick();
    void refreshThatCannotReopenThePortStops();
    void workModeChains();
    void workModeReminderRepeatsAndSendsNothing();
    void powerSavingChains();
    void chainsNeedAnOpenPortAndValidInput();
    void cancelThenConnect();
    void chainBeforeTheTimedRefreshKeepsTheButtons();
};

void TestRefresh::passiveFormattedModule() {
    ParamRig r;
    r.sim().identity.workMode = 0;
    r.sim().identity.transMode = 1;
    r.p->passwordUse = 0;
    r.p->powerSaving = 0;
    r.p->restartCount = 3000;
    r.p->address = fromHex("0A 01");
    int start = 0;
    QVERIFY(r.connectAndRefresh(&start));
    const QStringList expected{"EC 03", "A3 02", "A1 03", "F8 03", "E2 03", "F9 03", "D3 03"};
    QCOMPARE(r.tails(start), expected);
    QVERIFY(r.refreshPaced());

    SettingsForm* f = r.f();
    QCOMPARE(f->Label7->text(), QStringLiteral("9600bps"));
    QCOMPARE(f->Label8->text(), QStringLiteral("N310 V4.02"));
    QCOMPARE(f->Text4->text(), QStringLiteral("15"));
    QCOMPARE(f->Label12->text(), QStringLiteral("15"));
    QCOMPARE(f->Label9->text(), QStringLiteral("0A:01:"));
    QCOMPARE(f->Text3->text(), QStringLiteral("0A:01:"));
    QCOMPARE(f->Label3->text(), QStringLiteral("被动方式"));
    QCOMPARE(f->Combo1->currentIndex(), 1);
    QVERIFY(f->Text3->isEnabled());
    QCOMPARE(f->Label4->text(), QStringLiteral("格式传输"));
    QCOMPARE(f->Combo2->currentIndex(), 0);
    QCOMPARE(f->Label10->text(), QStringLiteral("无密码"));
    QVERIFY(f->Option2->isChecked());
    QVERIFY(!f->Check3->isChecked() && !f->Check4->isChecked());
    QCOMPARE(f->Label19->text(), QStringLiteral("无省电"));
    QVERIFY(f->Option6->isChecked());
    QCOMPARE(f->Label5->text(), QStringLiteral("**:**:**:**:"));  // never asked
    QCOMPARE(g::WorkModeByte[0], uint8_t(0));
    QCOMPARE(g::TransModeByte[0], uint8_t(1));
    for (QPushButton* b : {f->Command1, f->Command2, f->Command5, f->Command8, f->Command14}) QVERIFY(b->isEnabled());
    QVERIFY(r.h.dialogs.messages().isEmpty());

    // Then nothing more (the refresh and both chains run on these timers);
    // a read never writes the password use back.
    QVERIFY(!f->Timer1->enabled() && !f->Timer2->enabled() && !f->Timer3->enabled());
    QCOMPARE(r.tails(start), expected);
    QVERIFY(!anyRequestStarts(r.tails(0), "A1 01"));

    // "刷新" by hand: placeholders at once, the first query about 100 ms
    // later, the others 500 ms apart.
    const int from = r.count();
    const int firstWrite = r.writes.count();
    const qint64 t0 = r.writes.nowMs();
    QTest::mouseClick(f->Command8, Qt::LeftButton);
    // Armed once the click has armed the program's timer (reopening the
    // port inside the click may take long on a busy machine).
    r.writes.nextDueWithin(300);
    QCOMPARE(f->Label7->text(), QStringLiteral("********"));
    QCOMPARE(f->Label9->text(), QStringLiteral("**:**:"));
    QCOMPARE(f->Label13->text(), QStringLiteral("********"));
    QVERIFY(!f->Command1->isEnabled());
    QVERIFY(!f->Command8->isEnabled());
    QVERIFY(r.h.fixture.waitForRequests(from + 1, 2000));
    QVERIFY(r.writes.atMs(firstWrite) - t0 >= 60);
    QCOMPARE(r.writes.late(), QList<int>{});
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 8000));
    QCOMPARE(r.tails(from), expected);
    QCOMPARE(f->Label9->text(), QStringLiteral("0A:01:"));
}

void TestRefresh::activeTransparentModuleWithPasswordAndPowerSaving() {
    ParamRig r;
    r.sim().identity.workMode = 1;
    r.sim().identity.transMode = 0;
    r.p->subMode = 0;
    r.p->passwordUse = 3;
    r.p->password = fromHex("01 02 0A FF");
    r.p->mask = 0xFFFFFFFFu;
    r.p->powerSaving = 1;
    r.p->idleUnits = 3;
    r.p->dataUnits = 25;
    r.p->wakeMode = 1;
    QVERIFY(r.connect());
    // The version arrives in two pieces 10 ms apart: 7 bytes, then 5.
    r.sim().setHandler(0xEC, [](ModuleSim& s, const QByteArray& req) {
        if (uint8_t(req.at(9)) != 0x03) return;
        const QByteArray all = ModuleSim::answerFrame(0xEC, 0x00, "N310 V4.02 ");
        s.sendChunks({all.left(9 + 7), all.mid(9 + 7)}, 10);
    });
    int start = 0;
    QVERIFY(r.refreshRuns(&start));
    QCOMPARE(r.tails(start), (QStringList{"EC 03", "A3 02", "A1 03", "F1 03", "F8 03", "F9 03", "FB 03", "E1 03",
                                          "D3 03", "D2 03", "DB 03"}));
    SettingsForm* f = r.f();
    QCOMPARE(f->Label8->text(), QStringLiteral("N310 V4.02"));
    QCOMPARE(f->Label7->text(), QStringLiteral("9600bps"));
    QCOMPARE(f->Label5->text(), QStringLiteral("01:02:0A:FF:"));
    QCOMPARE(f->Text1->text(), QStringLiteral("01:02:0A:FF:"));  // what the password write sends
    QCOMPARE(f->Label10->text(), QStringLiteral("有密码"));
    QVERIFY(f->Option1->isChecked());
    QVERIFY(f->Check3->isChecked() && f->Check4->isChecked());
    QCOMPARE(f->Label3->text(), QStringLiteral("主动方式"));
    QCOMPARE(f->Combo1->currentIndex(), 0);
    QVERIFY(!f->Text3->isEnabled());
    QCOMPARE(f->Label4->text(), QStringLiteral("透明方式2"));
    QCOMPARE(f->Combo2->currentIndex(), 2);
    QVERIFY(f->Combo4->isEnabled() && f->Text5->isEnabled() && f->Text7->isEnabled());
    QCOMPARE(f->TextDXPhone->text(), QStringLiteral("4294967295"));
    QCOMPARE(f->Label19->text(), QStringLiteral("有省电"));
    QVERIFY(f->Option5->isChecked());
    QCOMPARE(f->Label22->text(), QStringLiteral("1.2s   10s"));
    QCOMPARE(f->Text11->text(), QStringLiteral("1200"));
    QCOMPARE(f->Text13->text(), QStringLiteral("10000"));
    QCOMPARE(f->Label30->text(), QStringLiteral("模式2"));
    QVERIFY(f->Option8->isChecked());
    // Showing "透明方式2" opens no picker and reads no table; nothing is
    // written back.
    QVERIFY(!pickerOpen());
    QVERIFY(!anyRequestStarts(r.tails(0), "D9"));
    QVERIFY(!anyRequestStarts(r.tails(0), "A1 01"));
    QVERIFY(r.h.dialogs.messages().isEmpty());
}

void TestRefresh::unpluggedModuleEndsAtNextTick() {
    ParamRig r;
    QVERIFY(r.connect());
    r.sim().behaviour.silent = true;
    int start = 0;
    QVERIFY(r.refreshRuns(&start));
    QCOMPARE(r.tails(start), QStringList{"EC 03"});
    SettingsForm* f = r.f();
    const std::pair<QLabel*, const char*> placeholders[] = {
        {f->Label3, "* * * *"}, {f->Label4, "* * * *"}, {f->Label5, "**:**:**:**:"}, {f->Label6, "***********"},
        {f->Label7, "********"}, {f->Label8, "***********"}, {f->Label9, "**:**:"}, {f->Label10, "****"},
        {f->Label12, "*******"}, {f->Label19, "**"}, {f->Label22, "**"}, {f->Label30, "**"}};
    for (const auto& [label, text] : placeholders) QCOMPARE(label->text(), QString::fromUtf8(text));
    for (QPushButton* b : {f->Command1, f->Command4, f->Command7, f->Command8, f->Command14}) QVERIFY(b->isEnabled());
    QCOMPARE(g::RefreshStep, 100);
    QVERIFY(!f->Timer2->enabled());  // the refresh's steps run on it
    QCOMPARE(r.tails(start), QStringList{"EC 03"});
}

void TestRefresh::refreshThatCannotReopenThePortStops() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();
    const QString link = r.h.fixture.portsDir() + "/com1";

    // The port has gone away (a dangling link, so that no other device stands in).
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link("/nonexistent/device", link));
    const int before = r.count();
    QTest::mouseClick(f->Command8, Qt::LeftButton);
    QCOMPARE(r.h.dialogs.messageCount(), 1);
    QCOMPARE(r.h.dialogs.messages().last().text,
             QStringLiteral("本机没有这个串口，请选择其它串口重试\n没有找到串口COM1（/nonexistent/device）"));
    QCOMPARE(r.h.dialogs.messages().last().title, QStringLiteral("端口错误"));
    QCOMPARE(r.h.dialogs.messages().last().icon, Dialogs::Icon::Exclamation);
    QVERIFY(!f->Timer2->enabled());
    QVERIFY(!r.busy());
    QVERIFY(f->Command1->isEnabled() && f->Command8->isEnabled());

    // A link to something that is no serial port: named in the connect
    // dialog's words.
    QVERIFY(QFile::remove(link));
    QFile plain(r.h.fixture.portsDir() + "/plain");
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QFile::link(plain.fileName(), link));
    QTest::mouseClick(f->Command8, Qt::LeftButton);
    QCOMPARE(r.h.dialogs.messageCount(), 2);
    QCOMPARE(r.h.dialogs.messages().last().text,
             QStringLiteral("COM1（%1）不是串口，请检查这个串口的链接或选择其它串口重试")
                 .arg(QFileInfo(plain.fileName()).canonicalFilePath()));
    QCOMPARE(r.h.dialogs.messages().last().icon, Dialogs::Icon::Exclamation);
    QVERIFY(!f->Timer2->enabled());
    QVERIFY(!r.busy());

    // Back, but held by another program.
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(r.sim().slavePath(), link));
    CommPort other;
    other.setCommPort(1);
    QCOMPARE(other.open(), CommPort::OpenResult::Ok);
    QTest::mouseClick(f->Command8, Qt::LeftButton);
    QCOMPARE(r.h.dialogs.messageCount(), 3);
    QCOMPARE(r.h.dialogs.messages().last().text, QStringLiteral("串口已经打开，请关闭其它程序重试"));
    QCOMPARE(r.h.dialogs.messages().last().title, QStringLiteral("端口错误"));
    QVERIFY(!f->Timer2->enabled());
    QVERIFY(f->Command8->isEnabled());
    QVERIFY(!f->Timer1->enabled() && !f->Timer3->enabled());
    QCOMPARE(r.count(), before);

    // Free again: the refresh runs as usual.
    other.close();
    QTest::mouseClick(f->Command8, Qt::LeftButton);
    QVERIFY(f->Timer2->enabled());
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 8000));
    QCOMPARE(r.tails(before).value(0), QStringLiteral("EC 03"));
    QCOMPARE(r.h.dialogs.messageCount(), 3);
}

void TestRefresh::workModeChains() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();

    // 主动方式 with 格式传输: F8, F9 two seconds later, buttons back two
    // seconds after that.
    Controls::setListIndexAndClick(f->Combo1, 0);
    Controls::setListIndexQuiet(f->Combo2, 0);
    int from = r.count();
    const int f8 = r.writes.count();
    // Counted from the click: each tick restarts the timer before it
    // writes, and a busy machine may hold the thread between the two.
    const qint64 clicked = r.writes.nowMs();
    // The chain runs on its two-second timer alone: F9, then the buttons.
    r.writes.eachDueWithin(2300);
    Deadline backInTime(2400, [&] { return !r.busy(); });
    QObject::connect(&r.h.port(), &CommPort::frameWritten, &backInTime, [&](const QByteArray& w) {
        if (w.mid(8, 1) == QByteArray(1, char(0xF9))) backInTime.start();
    });
    QTest::mouseClick(f->Command5, Qt::LeftButton);
    QVERIFY(!f->Command5->isEnabled() && !f->Command1->isEnabled() && !f->Command14->isEnabled());
    QVERIFY(r.h.fixture.waitForRequests(from + 2, 5000));
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 5000));
    QCOMPARE(r.tails(from), (QStringList{"F8 01 01", "F9 01 01"}));
    QVERIFY2(r.writes.atMs(f8 + 1) - clicked >= 100 + 2000 - 20,
             qPrintable(QString::number(r.writes.atMs(f8 + 1) - clicked)));
    QVERIFY2(r.writes.nowMs() - clicked >= 100 + 4000 - 20, qPrintable(QString::number(r.writes.nowMs() - clicked)));
    QVERIFY(backInTime.met());
    r.writes.eachDueWithin(0);
    QCOMPARE(r.writes.late(), QList<int>{});
    QVERIFY(f->Command5->isEnabled() && f->Command1->isEnabled());
    QCOMPARE(f->Label3->text(), QStringLiteral("主动方式"));  // the echoes are shown
    QCOMPARE(f->Label4->text(), QStringLiteral("格式传输"));

    // 透明方式2 with the mask 7: sub-mode 00 and the mask close the chain.
    Controls::setListIndexQuiet(f->Combo2, 2);
    f->TextDXPhone->setText("7");
    from = r.count();
    QTest::mouseClick(f->Command5, Qt::LeftButton);
    QVERIFY(r.h.fixture.waitForRequests(from + 4, 9000));
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 4000));
    QCOMPARE(r.tails(from), (QStringList{"F8 01 01", "F9 01 00", "FB 01 00", "E1 01 00 00 00 07"}));
    QCOMPARE(f->Label4->text(), QStringLiteral("透明方式2"));
    QCOMPARE(f->TextDXPhone->text(), QStringLiteral("7"));
    QVERIFY(!pickerOpen());

    // 透明方式1 and 被动方式: sub-mode 01 and no mask; the largest mask goes
    // out as four FF bytes.
    Controls::setListIndexAndClick(f->Combo1, 1);
    Controls::setListIndexQuiet(f->Combo2, 1);
    from = r.count();
    QTest::mouseClick(f->Command5, Qt::LeftButton);
    QVERIFY(r.h.fixture.waitForRequests(from + 3, 7000));
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 4000));
    QCOMPARE(r.tails(from), (QStringList{"F8 01 00", "F9 01 00", "FB 01 01"}));
    QCOMPARE(r.p->subMode, uint8_t(1));
    QCOMPARE(r.sim().identity.workMode, uint8_t(0));
    QVERIFY(r.h.dialogs.messages().isEmpty());
}

void TestRefresh::workModeReminderRepeatsAndSendsNothing() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();
    Controls::setListIndexQuiet(f->Combo1, -1);
    f->Combo1->setEditText(QStringLiteral("无"));
    Controls::setListIndexQuiet(f->Combo2, 0);
    const int from = r.count();
    QTest::mouseClick(f->Command5, Qt::LeftButton);
    QVERIFY(r.h.dialogs.waitForMessage(1, 2000));
    // The reminder comes back with the two-second tick, before a deadline
    // armed as the first one showed.
    Deadline again(2400, [&] { return r.h.dialogs.messageCount() >= 2; });
    again.start();
    QVERIFY(r.h.dialogs.waitForMessage(2, 4000));
    QVERIFY(r.h.dialogs.messageAtMs(1) - r.h.dialogs.messageAtMs(0) >= 1800);
    QVERIFY(again.met());
    const Dialogs::Message m = r.h.dialogs.messages().first();
    QCOMPARE(m.text, QStringLiteral("你必须选择需要的工作方式"));
    QCOMPARE(m.title, QStringLiteral("提示信息"));
    QCOMPARE(m.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(f->ChainStep, 0);
    QVERIFY(r.busy());
    QCOMPARE(r.count(), from);

    // A work mode chosen meanwhile lets the chain go on at its next tick.
    Controls::setListIndexAndClick(f->Combo1, 1);
    QVERIFY(r.h.fixture.waitForRequests(from + 2, 6000));
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 4000));
    QCOMPARE(r.tails(from), (QStringList{"F8 01 00", "F9 01 01"}));
}

void TestRefresh::powerSavingChains() {
    ParamRig r;
    r.p->powerSaving = 0;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();

    // 不省电: only D3 01 00.
    Controls::setValueQuiet(f->Option6, true);
    int from = r.count();
    QTest::mouseClick(f->Command14, Qt::LeftButton);
    QVERIFY(!f->Command14->isEnabled() && !f->Command8->isEnabled());
    QVERIFY(r.h.fixture.waitForRequests(from + 1, 3000));
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 3000));
    QTest::qWait(300);
    QCOMPARE(r.tails(from), QStringList{"D3 01 00"});
    QVERIFY(f->Command14->isEnabled());

    // 省电 with 模式2 and the default delays, a second apart.
    Controls::setValueQuiet(f->Option5, true);
    Controls::setValueQuiet(f->Option8, true);
    QCOMPARE(f->Text11->text(), QStringLiteral("1000"));
    from = r.count();
    const int d3 = r.writes.count();
    const qint64 clicked = r.writes.nowMs();
    r.writes.eachDueWithin(1250);
    QTest::mouseClick(f->Command14, Qt::LeftButton);
    QVERIFY(r.h.fixture.waitForRequests(from + 3, 5000));
    QVERIFY(QTest::qWaitFor([&] { return !r.busy(); }, 3000));
    r.writes.eachDueWithin(0);
    QCOMPARE(r.tails(from), (QStringList{"D3 01 01", "DB 01 01 00 00 00", "D2 01 00 02 00 19"}));
    // Whole seconds from the click, as above.
    for (int i = 1; i <= 2; ++i)
        QVERIFY2(r.writes.atMs(d3 + i) - clicked >= 100 + i * 1000 - 20,
                 qPrintable(QString::number(r.writes.atMs(d3 + i) - clicked)));
    QCOMPARE(r.writes.late(), QList<int>{});
    // The echoes: D2 00 02 is 0.8 s.
    QTRY_COMPARE_WITH_TIMEOUT(f->Label22->text(), QStringLiteral("0.8s   10s"), 2000);
    QCOMPARE(f->Text11->text(), QStringLiteral("800"));
    QCOMPARE(f->Label30->text(), QStringLiteral("模式2"));
    QCOMPARE(f->Label19->text(), QStringLiteral("有省电"));
    QVERIFY(r.h.dialogs.messages().isEmpty());
}

void TestRefresh::chainsNeedAnOpenPortAndValidInput() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();
    const int from = r.count();

    // Delays that do not fit 16 bits of 400 ms, or a negative one.
    Controls::setValueQuiet(f->Option5, true);
    f->Text11->setText("26214200");
    QTest::mouseClick(f->Command14, Qt::LeftButton);
    QCOMPARE(r.h.dialogs.messageCount(), 1);
    QCOMPARE(r.h.dialogs.messages().last().title, QStringLiteral("提示"));
    f->Text11->setText("1000");
    f->Text13->setText("-1");
    QTest::mouseClick(f->Command14, Qt::LeftButton);
    QCOMPARE(r.h.dialogs.messageCount(), 2);
    // Without power saving the delays are not sent, so not checked.
    Controls::setValueQuiet(f->Option6, true);
    QTest::mouseClick(f->Command14, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return r.count() == from + 1 && !r.busy(); }, 3000));
    QCOMPARE(r.tails(from), QStringList{"D3 01 00"});

    // A mask outside 0..4294967295 for 透明方式2.
    Controls::setListIndexAndClick(f->Combo1, 0);
    Controls::setListIndexQuiet(f->Combo2, 2);
    for (const char* bad : {"4294967296", "-1"}) {
        f->TextDXPhone->setText(bad);
        QTest::mouseClick(f->Command5, Qt::LeftButton);
        QVERIFY(!f->Timer1->enabled());
        QVERIFY(!r.busy());
    }
    QCOMPARE(r.h.dialogs.messageCount(), 4);
    QCOMPARE(r.h.dialogs.messages().last().title, QStringLiteral("提示"));

    // With the port closed a chain opens the connect dialog and does not start.
    f->TextDXPhone->setText("3");
    r.h.port().close();
    QTest::mouseClick(f->Command5, Qt::LeftButton);
    QTest::mouseClick(f->Command14, Qt::LeftButton);
    QVERIFY(r.h.main().connectDialog());
    QVERIFY(!f->Timer1->enabled() && !f->Timer3->enabled());
    QVERIFY(!r.busy());
    QTest::qWait(300);
    QCOMPARE(r.count(), from + 1);
    QCOMPARE(r.h.dialogs.messageCount(), 4);
}

void TestRefresh::cancelThenConnect() {
    ParamRig r;
    ConnectDialog* dlg = r.h.openConnectDialog();
    QVERIFY(dlg);
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QVERIFY(r.h.settingsFormShown());
    SettingsForm* f = r.f();
    // The first refresh reopens the port, holds the buttons and asks nothing.
    QVERIFY(QTest::qWaitFor([&] { return r.busy(); }, 3000));
    QVERIFY(r.h.port().isOpen());
    QVERIFY(!f->Timer1->enabled() && !f->Timer2->enabled() && !f->Timer3->enabled());
    QVERIFY(r.busy());
    for (QPushButton* b : {f->Command1, f->Command5, f->Command8, f->Command14}) QVERIFY(!b->isEnabled());
    QVERIFY(r.h.fixture.sim().requests().isEmpty());
    QVERIFY(r.h.dialogs.messages().isEmpty());

    // A successful connect refreshes; the buttons come back at its end.
    r.h.main().showConnectDialog(true);
    r.h.connect();
    QVERIFY(r.h.fixture.waitForRequest(r.frame("D1 03"), 0, 10000) >= 0);
    int start = 0;
    QVERIFY(r.refreshRuns(&start));
    QCOMPARE(r.tails(start).value(0), QStringLiteral("EC 03"));
    for (QPushButton* b : {f->Command1, f->Command5, f->Command8, f->Command14}) QVERIFY(b->isEnabled());
    QCOMPARE(f->Label8->text(), QStringLiteral("N310 V4.02"));
}

void TestRefresh::chainBeforeTheTimedRefreshKeepsTheButtons() {
    // The user's chain, started before the form's own refresh is due, runs
    // alone; the opening refresh follows once it has ended, and the buttons
    // come back as they were before the chain.
    ParamRig r;
    QVERIFY(r.connect());
    SettingsForm* f = r.f();
    QVERIFY(f->Timer6->enabled());
    Controls::setListIndexAndClick(f->Combo1, 0);
    Controls::setListIndexQuiet(f->Combo2, 0);
    const QList<QPushButton*> covered = f->coveredButtons();
    QList<bool> before;
    for (QPushButton* b : covered) before << b->isEnabled();
    const int from = r.count();
    QTest::mouseClick(f->Command5, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer6->enabled(); }, 3000));
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer1->enabled() && f->Timer2->enabled(); }, 9000));
    QCOMPARE(r.tails(from), (QStringList{"F8 01 01", "F9 01 01"}));
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer2->enabled() && !r.busy(); }, 12000));
    const QStringList sent = r.tails(from);
    QCOMPARE(sent.mid(2), (QStringList{"EC 03", "A3 02", "A1 03", "F8 03", "F9 03", "D3 03"}));
    QCOMPARE(f->Label8->text(), QStringLiteral("N310 V4.02"));
    for (int i = 0; i < covered.size(); ++i)
        QVERIFY2(covered[i]->isEnabled() == before[i], qPrintable(covered[i]->objectName()));
}

QTEST_MAIN(TestRefresh)
#include "tst_refresh.moc"
