// The settings form's shell: load, the one-second hand-over to the answer
// receiver, a form shown again by a later connect, tabs, the parameter
// buttons and exit, end to end against the simulated module.

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include "KestrunHarness.h"
#include "kestrun/settings/PhoneTab.h"
#include "kestrun/settings/TestTab.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/VbTimer.h"
#include "tests/support/Find.h"
#include "tests/support/VirtualTime.h"
#include "core/protocol/Answers.h"
#include "tools/SimParams.h"

namespace {

// Counts the refresh button's clicks from code (Timer6 runs it).
struct RefreshProbe {
    int clicks = 0;
    QObject ctx;
    void attach(SettingsForm* f, std::function<void()> also = {}) {
        Controls::onCodeClick(f->Command8, &ctx, [this, also] {
            ++clicks;
            if (also) also();
        });
    }
};

SettingsForm* cancelIntoForm(KestrunHarness& h) {
    ConnectDialog* dlg = h.openConnectDialog();
    if (!dlg) return nullptr;
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    return h.settingsForm();
}

}  // namespace

class TestSettingsShell : public QObject {
    Q_OBJECT

private slots:
    void successfulConnectHandsOverAfterOneSecond();
    void refreshPressedInTheFirstSecondReadsItsAnswers();
    void parameterTabControlsAndDefaults();
    void cancelThenConnectFromPictureWindowKeepsTheForm();
    void cancelThenConnectFromSenderDialog();
    void cancelWhileFormIsOpenShowsItAsItIs();
    void exitClosesPortAndUnloads_data();
    void exitClosesPortAndUnloads();
    void tabsSetCaptionModeAndTestControls();
    void disableThenEnableRestoresButtons();
    void switchBetweenMachinesReturnsToTheHunt_data();
    void switchBetweenMachinesReturnsToTheHunt();
};

void TestSettingsShell::successfulConnectHandsOverAfterOneSecond() {
    // On the virtual clock "the first second" is a second of the program's
    // own timers, whatever the load: nothing moves it while the test looks.
    VirtualTime time;
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    time.watchLine(&h.port(), &h.sim());
    QVERIFY(time.runUntil([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); }, 5000));
    QList<qint64> writtenAt;
    QObject::connect(&h.port(), &CommPort::frameWritten, &h.port(), [&] { writtenAt << time.now(); });
    h.connect();
    QVERIFY2(time.runUntil([&] { return h.settingsFormShown(); }, 10000), qPrintable(time.why()));
    SettingsForm* f = h.settingsForm();
    // What the receiver had handled when the answer path opened, and when.
    int handledAtHandOver = -1;
    qint64 handOverAt = -1;
    RefreshProbe refresh;
    int recvModeAtRefresh = -1;
    refresh.attach(f, [&] { recvModeAtRefresh = g::RecvMode; });
    int handled = 0;
    h.app->forms->answerReceiver()->registerState(3, [&](SmsAnswerReceiver& rx) {
        ++handled;
        rx.read();
        rx.toHunt();
    });

    QCOMPARE(f->windowTitle(), QStringLiteral("短信模块参数设置"));
    QCOMPARE(f->SSTab1->count(), 5);
    const QStringList captions = {QStringLiteral("    基本设置    "), QStringLiteral("    短信测试    "),
                                  QStringLiteral("    其他设置    "), QStringLiteral("    报警设置    "),
                                  QStringLiteral("    输出控制    ")};
    for (int i = 0; i < 5; ++i) QCOMPARE(f->SSTab1->tabText(i), captions[i]);
    QCOMPARE(f->SSTab1->currentIndex(), 0);
    QCOMPARE(h.main().panel(1), QStringLiteral("串口：COM1--9600,n,8,1"));
    QCOMPARE(g::RecvMode, 17);
    QCOMPARE(g::RxState, 0);
    QVERIFY(g::ParamMode);
    QVERIFY(!h.port().dtrEnable());
    QVERIFY(f->Timer5->enabled() && f->Timer6->enabled());
    QObject::connect(f->Timer5, &VbTimer::tick, f, [&] {
        if (handOverAt >= 0) return;
        handledAtHandOver = handled;
        handOverAt = time.now();
    });

    // The first second: what arrives waits for the receiver.
    const quint64 taken = h.port().receivedTotal() + 11;
    h.sim().send(h.frame("F8 00 01"));
    QVERIFY(time.runUntil([&] { return h.port().receivedTotal() >= taken; }, 5000));
    QCOMPARE(refresh.clicks, 0);

    QVERIFY(time.runUntil([&] { return g::RecvMode == 101; }, 5000));
    QCOMPARE(handledAtHandOver, 0);
    // A second after the form opened on the last identify answer.
    QCOMPARE(writtenAt.size(), 6);
    QVERIFY2(handOverAt - writtenAt[5] >= 1000 && handOverAt - writtenAt[5] <= 1100,
             qPrintable(QString::number(handOverAt - writtenAt[5])));
    QVERIFY(time.runUntil([&] { return refresh.clicks == 1; }, 5000));
    QCOMPARE(recvModeAtRefresh, 101);
    QVERIFY(!f->Timer5->enabled() && !f->Timer6->enabled());
    QVERIFY(!h.port().dtrEnable());
    // From now on answers reach the receiver.
    h.sim().send(h.frame("F8 00 02"));
    QVERIFY(time.runUntil([&] { return handled >= 1; }, 3000));
    QVERIFY(!f->Timer5->enabled() && !f->Timer6->enabled());  // one shot
    QCOMPARE(refresh.clicks, 1);
}

// The user's refresh, pressed before the form would take answers, takes its
// own: it does not end as unanswered while they wait in the port.
void TestSettingsShell::refreshPressedInTheFirstSecondReadsItsAnswers() {
    VirtualTime time;
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    time.watchLine(&h.port(), &h.sim());
    h.sim().identity.version = "N310 V4.02 ";
    SimParams* params = SimParams::install(h.sim());
    QVERIFY(time.runUntil([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); }, 5000));
    h.connect();
    QVERIFY2(time.runUntil([&] { return h.settingsFormShown(); }, 10000), qPrintable(time.why()));
    SettingsForm* f = h.settingsForm();
    QVERIFY(f->Timer5->running());
    f->Command8->click();
    QVERIFY(time.runUntil([&] { return !f->Timer2->running() && !f->Timer6->running(); }, 20000));
    QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
    QCOMPARE(f->Label8->text(), QStringLiteral("N310 V4.02"));
    QCOMPARE(f->Label12->text(), Answers::decodeParamAnswer(0xA3, params->answerFor(0xA3).mid(9)).text);
}

void TestSettingsShell::parameterTabControlsAndDefaults() {
    KestrunHarness h;
    SettingsForm* f = cancelIntoForm(h);
    QVERIFY(f);
    QCOMPARE(g::OfflineMode, -1);

    FIND_NAMED(combo1, QComboBox, f, "Combo1");
    QVERIFY(combo1->isEditable());
    QCOMPARE(combo1->currentText(), QStringLiteral("无"));
    QCOMPARE(combo1->count(), 2);
    QCOMPARE(combo1->itemText(1), QStringLiteral("被动方式"));
    FIND_NAMED(combo2, QComboBox, f, "Combo2");
    QVERIFY(!combo2->isEditable());
    QCOMPARE(combo2->currentIndex(), -1);
    QCOMPARE(combo2->itemText(2), QStringLiteral("透明方式2"));
    FIND_NAMED(combo3, QComboBox, f, "Combo3");
    QCOMPARE(combo3->currentText(), QStringLiteral("9600bps"));
    QCOMPARE(combo3->count(), 8);
    QCOMPARE(combo3->findText(QStringLiteral("14400bps")), -1);
    QCOMPARE(combo3->itemText(7), QStringLiteral("115200bps"));
    FIND_NAMED(combo4, QComboBox, f, "Combo4");
    QCOMPARE(combo4->currentText(), QStringLiteral("无"));
    QVERIFY(!combo4->isEnabled());

    const struct {
        const char* name;
        const char* text;
        bool enabled;
    } edits[] = {{"Text1", "5A:21:7C:40:", true}, {"Text2", "***********", true}, {"Text3", "**:**", true},
                 {"Text4", "0", true},           {"Text5", "1", false},          {"Text6", "1", false},
                 {"Text7", "1", false},          {"Text11", "1000", true},       {"Text13", "10000", true},
                 {"TextDXPhone", "", false}};
    for (const auto& e : edits) {
        FIND_NAMED(edit, QLineEdit, f, QString::fromLatin1(e.name));
        QCOMPARE(edit->text(), QString::fromUtf8(e.text));
        QCOMPARE(edit->isEnabled(), e.enabled);
    }
    QCOMPARE(f->Text2->maxLength(), 11);
    for (const char* n : {"VS1", "VS2", "VS3"}) {
        FIND_NAMED(vs, QScrollBar, f, QString::fromLatin1(n));
        QCOMPARE(vs->minimum(), -255);
        QCOMPARE(vs->maximum(), -1);
        QCOMPARE(vs->value(), -1);
        QVERIFY(!vs->isEnabled());
    }
    for (QLabel* l : f->addressLabels) QVERIFY(!l->isEnabled());

    const struct {
        const char* name;
        bool checked, enabled;
    } options[] = {{"Option1", true, false}, {"Option2", false, false}, {"Option3", true, false},
                   {"Option4", false, false}, {"Option5", true, true},   {"Option6", false, true},
                   {"Option7", true, true},  {"Option8", false, true}};
    for (const auto& o : options) {
        FIND_NAMED(opt, QRadioButton, f, QString::fromLatin1(o.name));
        QCOMPARE(opt->isChecked(), o.checked);
        QCOMPARE(opt->isEnabled(), o.enabled);  // the model frame is disabled
    }
    // The two power pairs are independent groups.
    f->Option6->click();
    QVERIFY(f->Option6->isChecked() && f->Option7->isChecked());
    for (const char* n : {"Check3", "Check4"}) {
        FIND_NAMED(c, QCheckBox, f, QString::fromLatin1(n));
        QVERIFY(!c->isChecked());
    }
    const struct {
        const char* name;
        const char* caption;
    } buttons[] = {{"Command1", "确定"},  {"Command2", "确定"},  {"Command3", "确定"},  {"Command4", "确定"},
                   {"Command5", "确定"},  {"Command6", "确定"},  {"Command7", "确定"},  {"Command8", "刷新"},
                   {"Command9", "确定"},  {"Command10", "退出"}, {"Command14", "确定"}, {"Command15", "移除号码"},
                   {"Command18", "清空"}, {"Command21(0)", "读取短信"}, {"Command21(1)", "发送状态"},
                   {"Command21(2)", "发送短信"}, {"Command21(3)", "复位"}};
    for (const auto& b : buttons) {
        FIND_NAMED(button, QPushButton, f, QString::fromLatin1(b.name));
        QCOMPARE(button->text(), QString::fromUtf8(b.caption));
    }
    for (QPushButton* b : f->testTab->Command21) QVERIFY(b->isHidden());

    // Frames: the info frame beside the tabs, the model frame out of sight.
    QCOMPARE(f->FrameInfo->title(), QStringLiteral("参数信息"));
    QVERIFY(f->FrameInfo->parentWidget() == f);
    QCOMPARE(f->FrameModel->title(), QStringLiteral("设置模块型号"));
    QVERIFY(!f->FrameModel->isEnabled());
    QVERIFY(f->FrameModel->y() >= f->height());
    QCOMPARE(f->phoneTab->frame->title(), QStringLiteral("号码表设置"));
    QVERIFY(f->SSTab1->widget(2)->isAncestorOf(f->phoneTab->Grid));
    QCOMPARE(f->phoneGrid(), f->phoneTab->Grid);
    QCOMPARE(f->phoneGrid()->Rows(), 1);
    QCOMPARE(f->Label8->text(), QStringLiteral("***********"));

    for (const char* n : {"Timer1", "Timer2", "Timer3", "Timer4", "rTimer"}) {
        FIND_NAMED(t, VbTimer, f, QString::fromLatin1(n));
        QVERIFY(!t->enabled());
    }
    QCOMPARE(f->Timer1->interval(), 100);
    QCOMPARE(f->Timer5->interval(), 1000);
}

void TestSettingsShell::cancelThenConnectFromPictureWindowKeepsTheForm() {
    KestrunHarness h;
    SettingsForm* f = cancelIntoForm(h);
    QVERIFY(f);
    QVERIFY(!h.port().isOpen());
    // The offline refresh disables the parameter buttons and never ends.
    RefreshProbe refresh;
    refresh.attach(f);
    QVERIFY(QTest::qWaitFor([&] { return refresh.clicks == 1; }, 5000));
    QVERIFY(f->commandsDisabled());
    QVERIFY(!f->Command1->isEnabled());
    QVERIFY(h.sim().received().isEmpty());

    // What the installer did meanwhile stays.
    f->phoneGrid()->setRows(3);
    f->phoneGrid()->setTextMatrix(1, 2, QStringLiteral("13912345678"));
    f->Text2->setText(QStringLiteral("13800000000"));
    f->SSTab1->setCurrentIndex(2);

    h.main().showConnectDialog(true);
    h.connect();
    QVERIFY(QTest::qWaitFor([&] { return !h.main().connectDialog() && g::RecvMode == 17; }, 8000));
    QCOMPARE(h.settingsForm(), f);
    // The pending disable was undone before the new refresh starts.
    QVERIFY(!f->commandsDisabled());
    QVERIFY(f->Command1->isEnabled());
    QVERIFY(f->Command14->isEnabled());
    QCOMPARE(g::RxState, 0);
    QCOMPARE(h.main().panel(1), QStringLiteral("串口：COM1--9600,n,8,1"));
    QVERIFY(!h.port().dtrEnable());
    QVERIFY(QTest::qWaitFor([&] { return g::RecvMode == 101 && refresh.clicks == 2; }, 5000));

    QCOMPARE(f->phoneGrid()->Rows(), 3);
    QCOMPARE(f->phoneGrid()->TextMatrix(1, 2), QStringLiteral("13912345678"));
    QCOMPARE(f->Text2->text(), QStringLiteral("13800000000"));
    QCOMPARE(f->SSTab1->currentIndex(), 2);
    QCOMPARE(f->windowTitle(), QStringLiteral("其他参数设置"));
    QVERIFY(h.settingsFormShown());
}

void TestSettingsShell::cancelThenConnectFromSenderDialog() {
    KestrunHarness h;
    SettingsForm* f = cancelIntoForm(h);
    QVERIFY(f);
    RefreshProbe refresh;
    refresh.attach(f);
    QVERIFY(QTest::qWaitFor([&] { return refresh.clicks == 1; }, 5000));

    // The offline refresh reopened the port; once it is closed again, a
    // sender finds it closed: the dialog opens, not modal.
    h.port().close();
    QVERIFY(!f->portReady());
    ConnectDialog* dlg = h.main().connectDialog();
    QVERIFY(dlg);
    QVERIFY(!dlg->isModal());
    QVERIFY(h.sim().received().isEmpty());

    h.connect();
    QVERIFY(QTest::qWaitFor([&] { return !h.main().connectDialog() && g::RecvMode == 17; }, 8000));
    QCOMPARE(h.settingsForm(), f);
    QVERIFY(QTest::qWaitFor([&] { return g::RecvMode == 101 && refresh.clicks == 2; }, 5000));
    QVERIFY(f->portReady());
    QVERIFY(!h.main().connectDialog());
}

void TestSettingsShell::cancelWhileFormIsOpenShowsItAsItIs() {
    KestrunHarness h;
    SettingsForm* f = cancelIntoForm(h);
    QVERIFY(f);
    RefreshProbe refresh;
    refresh.attach(f);
    QVERIFY(QTest::qWaitFor([&] { return refresh.clicks == 1 && g::RecvMode == 101; }, 5000));
    h.port().close();
    h.main().setPanel(1, QStringLiteral("未使用"));
    f->Enable_Command();
    QVERIFY(f->Command1->isEnabled());

    // Cancel once more: the port stays closed, nothing is started again.
    ConnectDialog* dlg = h.main().showConnectDialog(true);
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QVERIFY(!h.main().connectDialog());
    QVERIFY(h.settingsFormShown());
    QCOMPARE(h.settingsForm(), f);
    QCOMPARE(g::RecvMode, 101);
    QCOMPARE(h.main().panel(1), QStringLiteral("未使用"));
    QVERIFY(!f->Timer5->enabled());
    QVERIFY(!f->Timer6->enabled());
    QVERIFY(!h.port().isOpen());
    QVERIFY(f->Command1->isEnabled());
    QVERIFY(f->Command14->isEnabled());
    QCOMPARE(refresh.clicks, 1);
}

void TestSettingsShell::exitClosesPortAndUnloads_data() {
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("port open") << true;
    QTest::newRow("port closed") << false;
}

void TestSettingsShell::exitClosesPortAndUnloads() {
    QFETCH(bool, portOpen);
    KestrunHarness h;
    QPointer<SettingsForm> f = cancelIntoForm(h);
    QVERIFY(f);
    if (portOpen) QCOMPARE(h.port().open(), CommPort::OpenResult::Ok);
    const int recvMode = g::RecvMode;
    QTest::mouseClick(f->Command10, Qt::LeftButton);
    QCOMPARE(h.main().panel(1), QStringLiteral("未使用"));
    QVERIFY(!h.port().isOpen());
    QVERIFY(QTest::qWaitFor([&] { return f.isNull(); }, 2000));
    QVERIFY(!h.settingsForm());
    QCOMPARE(g::RecvMode, recvMode);
    QCOMPARE(h.app->forms->answerReceiver()->sink(), nullptr);
    // Showing it again loads it afresh.
    h.app->forms->showSettingsForm(true);
    QVERIFY(h.settingsFormShown());
    QCOMPARE(h.app->forms->answerReceiver()->sink(), static_cast<SmsAnswerSink*>(h.settingsForm()));
}

void TestSettingsShell::tabsSetCaptionModeAndTestControls() {
    KestrunHarness h;
    SettingsForm* f = cancelIntoForm(h);
    QVERIFY(f);
    // The test tab's own boxes and labels, each exactly once.
    for (const char* n : {"Label31", "Label21(4)", "Label21(5)", "Text22", "Text21(0)", "Text21(1)",
                          "Text21(2)", "Text21(3)", "Text21(4)", "Command21(0)", "Command21(1)"})
        QVERIFY2(findNamed<QWidget>(f->testTab, QString::fromLatin1(n)), n);
    auto w = [f](const char* n) { return f->control<QWidget>(QString::fromLatin1(n)); };
    // The boxes are single- or multi-line editors.
    auto setText = [&](const char* n, const QString& t) {
        if (auto* e = qobject_cast<QLineEdit*>(w(n))) e->setText(t);
        if (auto* e = qobject_cast<QPlainTextEdit*>(w(n))) e->setPlainText(t);
        if (auto* e = qobject_cast<QTextEdit*>(w(n))) e->setPlainText(t);
    };
    auto text = [&](const char* n) {
        if (auto* e = qobject_cast<QLineEdit*>(w(n))) return e->text();
        if (auto* e = qobject_cast<QPlainTextEdit*>(w(n))) return e->toPlainText();
        if (auto* e = qobject_cast<QTextEdit*>(w(n))) return e->toPlainText();
        return QStringLiteral("<no box>");
    };

    for (int passive = 0; passive < 2; ++passive) {
        for (int formatted = 0; formatted < 2; ++formatted) {
            g::WorkModeByte[0] = passive ? 0 : 2;
            g::TransModeByte[0] = formatted ? 1 : 0;
            for (const char* n : {"Text21(0)", "Text21(3)", "Text22"}) setText(n, QStringLiteral("x"));
            f->SSTab1->setCurrentIndex(0);
            h.main().setSendModeMenuVisible(false);
            f->SSTab1->setCurrentIndex(1);
            QCOMPARE(f->windowTitle(), QStringLiteral("短信模块通信测试"));
            QVERIFY(!g::ParamMode);
            QVERIFY(h.main().sendModeMenuVisible());
            for (const char* n : {"Label31", "Text22", "Command21(0)", "Command21(1)"})
                QVERIFY2(w(n)->isHidden() == !passive, n);
            for (const char* n : {"Text21(3)", "Text21(4)", "Label21(4)", "Label21(5)"})
                QVERIFY2(w(n)->isHidden() == !formatted, n);
            for (const char* n : {"Text21(0)", "Text21(3)", "Text22"}) QVERIFY2(text(n).isEmpty(), n);
        }
    }
    const struct {
        int tab;
        const char* caption;
    } others[] = {{2, "其他参数设置"}, {3, "短信模块参数设置"}, {1, "短信模块通信测试"},
                  {4, "短信模块参数设置"}, {0, "短信模块参数设置"}};
    for (const auto& o : others) {
        h.main().setSendModeMenuVisible(false);
        f->SSTab1->setCurrentIndex(o.tab);
        QCOMPARE(f->windowTitle(), QString::fromUtf8(o.caption));
        QCOMPARE(g::ParamMode, o.tab != 1);
        QVERIFY(h.main().sendModeMenuVisible());
    }
}

void TestSettingsShell::disableThenEnableRestoresButtons() {
    KestrunHarness h;
    SettingsForm* f = cancelIntoForm(h);
    QVERIFY(f);
    f->Command3->setEnabled(false);
    f->testTab->Command21[2]->setEnabled(false);
    f->phoneTab->Command15->setEnabled(true);
    const QList<QPushButton*> covered = f->coveredButtons();
    QCOMPARE(covered.size(), 14);
    QList<bool> before;
    for (QPushButton* b : covered) before << b->isEnabled();

    f->Disable_Command();
    for (QPushButton* b : covered) {
        if (b == f->phoneTab->Command15)
            QVERIFY(b->isEnabled());
        else
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    }
    // Not covered: exit, clear and the test tab's reset stay as they are.
    QVERIFY(f->Command10->isEnabled() && f->Command18->isEnabled() && f->testTab->Command21[3]->isEnabled());
    f->Enable_Command();
    for (int i = 0; i < covered.size(); ++i) QCOMPARE(covered[i]->isEnabled(), before[i]);

    // A button is remembered by its own state, not by its frame's: the model
    // button comes back usable as soon as its frame is.
    QVERIFY(f->Command9->isEnabledTo(f->FrameModel));
    f->FrameModel->setEnabled(true);
    QVERIFY(f->Command9->isEnabled());
    f->FrameModel->setEnabled(false);

    // A second Disable_Command while the first is pending keeps what the
    // first remembered.
    f->Disable_Command();
    f->Disable_Command();
    f->Enable_Command();
    for (int i = 0; i < covered.size(); ++i) QCOMPARE(covered[i]->isEnabled(), before[i]);

}

// An answer cut short on one tab is not continued by the other tab's
// machine: after a switch, the next answer is read from its start.
void TestSettingsShell::switchBetweenMachinesReturnsToTheHunt_data() {
    QTest::addColumn<int>("firstTab");
    QTest::addColumn<QByteArray>("cutShort");
    QTest::addColumn<bool>("waitDisplay");  // the test display falls due after the switch
    QTest::addColumn<QByteArray>("answer");
    const QByteArray workMode = KestrunHarness::frame("F8 00 00");
    QTest::newRow("read-message answer, then the work mode") << 1 << fromHex("21 00 01 00 00") << false << workMode;
    QTest::newRow("refusal, then the work mode") << 1 << fromHex("3F 00") << false << workMode;
    QTest::newRow("message data, display after the switch")
        << 1 << fromHex("21 00 01 00 02 48") << true << workMode;
    QTest::newRow("password answer, then a send answer")
        << 0 << KestrunHarness::frame("F1 00") << false << fromHex("21 00 01 0D");
}

void TestSettingsShell::switchBetweenMachinesReturnsToTheHunt() {
    QFETCH(int, firstTab);
    QFETCH(QByteArray, cutShort);
    QFETCH(bool, waitDisplay);
    QFETCH(QByteArray, answer);
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SettingsForm* f = h.showFormDirectly(firstTab);
    QVERIFY(f);
    g::WorkModeByte[0] = 0;
    g::TransModeByte[0] = 1;
    g::DollarPendingOp = firstTab == 1 ? 1 : 3;
    const int combo2 = f->Combo2->currentIndex();
    QVERIFY(h.sendAndSettle(cutShort));
    QVERIFY(g::RxState != 0);
    f->SSTab1->setCurrentIndex(1 - firstTab);
    if (waitDisplay) {
        // The answer's first part arrives, then the display falls due.
        QVERIFY(h.sendAndSettle(answer.left(answer.size() - 2)));
        QVERIFY(QTest::qWaitFor([&] { return !f->rTimer->enabled(); }, 3000));
        answer = answer.right(2);
    }
    QVERIFY(h.sendAndSettle(answer));
    if (firstTab == 1) {
        QCOMPARE(f->Label3->text(), QStringLiteral("被动方式"));
        QCOMPARE(f->Combo1->currentIndex(), 1);
        QCOMPARE(g::TransModeByte[0], uint8_t(1));
        QCOMPARE(f->Combo2->currentIndex(), combo2);
        QCOMPARE(f->Label5->text(), QStringLiteral("**:**:**:**:"));
    } else {
        QCOMPARE(f->testTab->TextBox[0]->toPlainText(), QStringLiteral("接收  21:00:01:0D:\n"));
        QCOMPARE(h.main().panel(2), QStringLiteral("模块状态：格式正确"));
    }
    QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
}

QTEST_MAIN(TestSettingsShell)
#include "tst_settings_shell.moc"
