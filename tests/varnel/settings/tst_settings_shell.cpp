// The settings form's shell: what its load prepares, the saved button
// states, the tab change, exit, the grids' editors, and answers reaching
// the receiver's walk through the whole program.

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "../VarnelHarness.h"
#include "platform/CommPort.h"
#include "platform/FlexGrid.h"
#include "tests/support/Find.h"
#include "varnel/editors/ChannelEditor.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/PhoneTab.h"
#include "varnel/settings/TableTabs.h"
#include "varnel/settings/TestTab.h"
#include "varnel/sms_parser/AnswerReceiver.h"

using SimSupport::hex;

class TestSettingsShell : public QObject {
    Q_OBJECT

private slots:
    void loadPreparesTheForm();
    void savedButtonStates();
    void tabChange_data();
    void tabChange();
    void gridsCarryTheirEditors();
    void exitClosesPortAndForm();
    void answersReachTheWalk();
};

void TestSettingsShell::loadPreparesTheForm() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    SettingsForm* f = h.form();
    const QStringList captions = {"    基本设置    ", "    短信测试    ", "    其他设置    ",
                                  "    采集报警设置    ", "    指令控设置制    "};
    for (int i = 0; i < captions.size(); ++i) QCOMPARE(f->SSTab1->tabText(i), captions[i]);
    QCOMPARE(f->SSTab1->currentIndex(), 0);
    QCOMPARE(f->phoneTab->Grid->Rows(), 1);
    QCOMPARE(f->commandTab->MSGrid1->Rows(), 1);
    QCOMPARE(f->commandTab->MSGrid1->Cols(), 10);
    QCOMPARE(f->inputTab->MSGrid2->Rows(), 1);
    QCOMPARE(f->inputTab->MSGrid2->Cols(), 31);
    QCOMPARE(f->inputTab->MSGrid2->TextMatrix(0, 29).trimmed(),
             QStringLiteral("短信内容(最多120英文/60汉字)"));
    QCOMPARE(f->commandTab->MSGrid1->ColWidth(7), 960);
    QCOMPARE(f->inputTab->MSGrid2->ColWidth(27), 1200);
    for (QPushButton* b : f->testTab->Command21) QVERIFY(!b->isVisibleTo(f));
    QCOMPARE(f->paramTab->Text5->text(), QStringLiteral("1"));
    FIND_NAMED(channels, QComboBox, f, "ComboChannel");
    QCOMPARE(channels->count(), 65);
    QCOMPARE(channels->itemText(64), QStringLiteral("CH63"));
    FIND_NAMED(linked, QComboBox, f, "ComboLinkValOut");
    QCOMPARE(linked->count(), 7);
    QCOMPARE(linked->currentIndex(), 0);
    QCOMPARE(h.main().panel(1), QStringLiteral("串口：COM1--9600,n,8,1"));
    for (const char* name : {"Timer1", "Timer2", "Timer3", "Timer4", "Timer5", "Timer6", "rTimer"}) {
        FIND_NAMED(t, VbTimer, f, name);
        QVERIFY(!t->enabled());
    }
    QCOMPARE(f->Timer5->interval(), 500);
    QCOMPARE(f->Timer6->interval(), 500);
    // Every named control of the pages is there by its name.
    for (const char* name :
         {"Command1",     "Command2",     "Command3",     "Command4",     "Command5",     "Command6",
          "Command7",     "Command8",     "Command9",     "Command10",    "Command11",    "Command12",
          "Command14",    "Command15",    "Command18",    "Command19",    "Command20",    "Command22",
          "Command24",    "Command28",    "Command29",    "Command13(0)", "Command13(1)", "Command23(0)",
          "Command23(1)", "Command25(0)", "Command25(1)", "Command26(0)", "Command26(1)", "Command27(0)",
          "Command27(1)", "Command21(0)", "Command21(3)"})
        QVERIFY2(findNamed<QPushButton>(f, QString::fromLatin1(name)), name);
}

void TestSettingsShell::savedButtonStates() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    SettingsForm* f = h.form();
    const QList<QPushButton*> buttons = f->coveredButtons();
    QCOMPARE(buttons.size(), 14);
    // Enable_Command before any Disable_Command: every flag is still false.
    f->Enable_Command();
    for (QPushButton* b : buttons) QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    for (QPushButton* b : buttons) b->setEnabled(true);
    f->paramTab->Command6->setEnabled(false);
    f->phoneTab->Command15->setEnabled(false);
    f->Disable_Command();
    for (QPushButton* b : buttons)
        if (b != f->phoneTab->Command15) QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    // Command15 is saved but never disabled here.
    f->phoneTab->Command15->setEnabled(true);
    f->Disable_Command();
    QVERIFY(f->phoneTab->Command15->isEnabled());
    f->Enable_Command();
    // The second Disable_Command kept the states the first saved.
    for (QPushButton* b : buttons)
        QCOMPARE(b->isEnabled(), b != f->paramTab->Command6 && b != f->phoneTab->Command15);
}

void TestSettingsShell::tabChange_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("workMode");
    QTest::addColumn<int>("transMode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("paramMode");
    QTest::addColumn<bool>("addressShown");
    QTest::addColumn<bool>("numbersShown");
    QTest::newRow("test, passive transparent") << 1 << 0 << 0 << "短信模块通信测试" << false << true << false;
    QTest::newRow("test, active formatted") << 1 << 1 << 1 << "短信模块通信测试" << false << false << true;
    QTest::newRow("phone table") << 2 << 1 << 1 << "其他参数设置" << true << false << false;
    QTest::newRow("input table") << 3 << 1 << 1 << "短信模块参数设置" << true << false << false;
    QTest::newRow("command table") << 4 << 1 << 1 << "短信模块参数设置" << true << false << false;
}

void TestSettingsShell::tabChange() {
    QFETCH(int, tab);
    QFETCH(int, workMode);
    QFETCH(int, transMode);
    QFETCH(QString, caption);
    QFETCH(bool, paramMode);
    QFETCH(bool, addressShown);
    QFETCH(bool, numbersShown);
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    SettingsForm* f = h.form();
    g::WorkModeByte[0] = uint8_t(workMode);
    g::TransModeByte[0] = uint8_t(transMode);
    f->testTab->TextBox[0]->setPlainText(QStringLiteral("old"));
    g::ParamMode = !paramMode;
    f->SSTab1->setCurrentIndex(tab);
    QCOMPARE(f->windowTitle(), caption);
    QCOMPARE(g::ParamMode, paramMode);
    QVERIFY(h.main().sendModeMenuVisible());
    if (tab == 1) {
        QCOMPARE(f->testTab->Text22->isVisibleTo(f->testTab), addressShown);
        QCOMPARE(f->testTab->Label31->isVisibleTo(f->testTab), addressShown);
        QCOMPARE(f->testTab->SenderNumber->isVisibleTo(f->testTab), numbersShown);
        QCOMPARE(f->testTab->Label21[5]->isVisibleTo(f->testTab), numbersShown);
        QVERIFY(f->testTab->TextBox[0]->toPlainText().isEmpty());
    }
    f->SSTab1->setCurrentIndex(0);
    QCOMPARE(f->windowTitle(), QStringLiteral("短信模块参数设置"));
    QVERIFY(g::ParamMode);
}

void TestSettingsShell::gridsCarryTheirEditors() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    SettingsForm* f = h.form();
    QVERIFY(f->commandTab->cellEditor());
    for (const char* list : {"Combo_HE", "ComboSMSBack", "ComboSMSType", "ComboRW"})
        QVERIFY2(findNamed<QComboBox>(f, QString::fromLatin1(list)), list);
    // No data row: a double click opens nothing.
    emit f->inputTab->MSGrid2->gridDoubleClicked();
    QVERIFY(!h.main().findChild<ChannelEditor*>());
    f->inputTab->MSGrid2->setRows(2);
    f->inputTab->MSGrid2->setTextMatrix(1, 1, QStringLiteral("CH0"));
    f->inputTab->MSGrid2->setRow(1);
    emit f->inputTab->MSGrid2->gridDoubleClicked();
    auto* editor = h.main().findChild<ChannelEditor*>();
    QVERIFY(editor);
    QCOMPARE(editor->editedRow(), 1);
    QVERIFY(!f->inputTab->MSGrid2->isEnabled());
    editor->close();
    QVERIFY(QTest::qWaitFor([&] { return f->inputTab->MSGrid2->isEnabled(); }, 2000));
}

void TestSettingsShell::exitClosesPortAndForm() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    QPointer<SettingsForm> f = h.form();
    QTest::mouseClick(f->paramTab->Command10, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !f; }, 2000));
    QVERIFY(!h.port().isOpen());
    QCOMPARE(h.main().panel(1), QStringLiteral("未使用"));
}

void TestSettingsShell::answersReachTheWalk() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    AnswerReceiver* receiver = h.app->forms->answerReceiver();
    QStringList seen;
    for (int state :
         {int(AnswerReceiver::WorkMode), int(AnswerReceiver::Password), int(AnswerReceiver::RestartTime)})
        receiver->setHandler(state, 10, [&seen, state](const QByteArray& frame) {
            seen << QStringLiteral("%1:%2").arg(state).arg(hex(frame.mid(8, 3)));
        });
    struct Case {
        QByteArray burst;
        QStringList expected;
    };
    const QList<Case> cases = {
        {VarnelHarness::frame("F8 00 00") + VarnelHarness::frame("F1 00 AA BB CC DD"),
         {"3:F8 00 00", "7:F1 00 AA"}},
        {VarnelHarness::frame("F1 00 11 22 33 44") + VarnelHarness::frame("F8 00 01"),
         {"7:F1 00 11", "3:F8 00 01"}},
        {SimSupport::fromHex("00 FF") + VarnelHarness::frame("A3 00 00 00 00 C8"), {"11:A3 00 00"}},
        {SimSupport::fromHex("1A 2A 3A 4A 5A 6A 7A 8B F8 00 00") + VarnelHarness::frame("F8 00 01"),
         {"3:F8 00 01"}},
        {VarnelHarness::frame("A9 00 53 45") + VarnelHarness::frame("F8 00 00"), {"3:F8 00 00"}},
    };
    for (const Case& c : cases) {
        seen.clear();
        const int before = receiver->framesHandled();
        h.sim().send(c.burst);
        QVERIFY(
            QTest::qWaitFor([&] { return receiver->framesHandled() >= before + c.expected.size(); }, 2000));
        QTest::qWait(50);
        QCOMPARE(seen, c.expected);
    }
    // On the SMS test tab nothing is parsed.
    h.form()->SSTab1->setCurrentIndex(1);
    seen.clear();
    const int before = receiver->framesHandled();
    h.sim().send(VarnelHarness::frame("F8 00 00"));
    QVERIFY(QTest::qWaitFor([&] { return h.main().timerEnabled(12); }, 2000));
    QVERIFY(QTest::qWaitFor([&] { return !h.main().timerEnabled(12); }, 2000));
    QTest::qWait(50);
    QVERIFY(seen.isEmpty());
    QCOMPARE(receiver->framesHandled(), before);
    QCOMPARE(h.port().inBufferCount(), 0);
}

QTEST_MAIN(TestSettingsShell)
#include "tst_settings_shell.moc"
