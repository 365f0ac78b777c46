// Single parameter writes and the parameter answers of the settings form,
// end to end against a module that keeps its parameters.

#include <QApplication>
#include <QLabel>
#include <QRandomGenerator>

#include "ParamRig.h"
#include "core/NumberPicker.h"
#include "core/protocol/ParamFrames.h"
#include "kestrun/settings/TestTab.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"

namespace {

bool pickerOpen() {
    for (QWidget* w : QApplication::allWidgets())
        if (w->isVisible() && w->windowTitle().startsWith(QStringLiteral("号码选择"))) return true;
    return false;
}

void typeInto(QLineEdit* e, const QString& text) {
    e->setFocus();
    QTest::keyClicks(e, text);
}

}  // namespace

class TestParams : public QObject {
    Q_OBJECT

private slots:
    void singleWritesSendExactBytes();
    void inputThatCannotMakeARequestIsRefused();
    void identityWriteAndItsAcknowledgement();
    void hexBoxesTakeHexDigitsAndCloseEachPair();
    void answersShowWhatTheModuleHolds();
    void shortAnswersWaitForTheirCount();
    void moduleStatusNotice();
    void choosingTransparentModeTwoOpensThePicker();
    void garbledAnswersNeverWriteOrStopTheReceiver();
};

void TestParams::singleWritesSendExactBytes() {
    ParamRig r;
    r.sim().identity.transMode = 1;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();
    const int from = r.count();
    int n = from;
    auto click = [&](QPushButton* b) {
        QTest::mouseClick(b, Qt::LeftButton);
        ++n;
        return r.h.fixture.waitForRequests(n, 3000);
    };

    f->Text2->setText("13812345678");
    QVERIFY(click(f->Command3));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label6->text(), QStringLiteral("13812345678"), 3000);
    f->Text2->setText("1a2b3c4d5e6");  // lower case counts as its capital
    QVERIFY(click(f->Command3));
    f->Text4->setText("60");
    QVERIFY(click(f->Command7));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label12->text(), QStringLiteral("60"), 3000);
    f->Text3->setText("0A:01");
    QVERIFY(click(f->Command4));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label9->text(), QStringLiteral("0A:01:"), 3000);
    f->Text1->clear();
    typeInto(f->Text1, "5A217C40");
    QVERIFY(click(f->Command2));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label5->text(), QStringLiteral("5A:21:7C:40:"), 3000);

    // Password use: the echo selects "需要" without writing again.
    Controls::setValueQuiet(f->Check3, true);
    Controls::setValueQuiet(f->Check4, false);
    QVERIFY(click(f->Command1));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label10->text(), QStringLiteral("有密码"), 3000);
    QVERIFY(f->Option1->isChecked());

    for (const char* rate : {"115200bps", "14400bps"}) {
        f->Combo3->setEditText(QString::fromLatin1(rate));
        QVERIFY(click(f->Command6));
    }
    QVERIFY(r.h.dialogs.messages().isEmpty());
    // A text with no rate code is refused: no rate 00 reaches the module.
    f->Combo3->setEditText(QStringLiteral("abc"));
    QTest::mouseClick(f->Command6, Qt::LeftButton);
    QCOMPARE(r.h.dialogs.describe(), QStringLiteral("提示: 波特率无效，请从列表中选择"));
    QVERIFY(r.h.moduleCaughtUp());
    QCOMPARE(r.tails(from), (QStringList{"A2 01 01 38 12 34 56 78", "A2 01 01 A2 B3 C4 D5 E6", "A3 01 00 00 2E E0",
                                         "E2 01 0A 01", "F1 01 5A 21 7C 40", "A1 01 01", "F2 01 0B", "F2 01 07"}));
    QCOMPARE(r.p->baudCode, uint8_t(7));
    QCOMPARE(r.p->restartCount, 12000u);
    QCOMPARE(r.p->passwordUse, uint8_t(1));
    r.h.dialogs.clear();

    // Nothing is sent on a closed port: the connect dialog comes instead.
    r.h.port().close();
    QTest::mouseClick(f->Command3, Qt::LeftButton);
    QTest::mouseClick(f->Command1, Qt::LeftButton);
    // The identity input is not even asked for.
    QTest::mouseDClick(f->Label8, Qt::LeftButton);
    QVERIFY(r.h.dialogs.inputs().isEmpty());
    QVERIFY(r.h.main().connectDialog());
    QVERIFY(!r.h.main().connectDialog()->isModal());
    QVERIFY(r.h.moduleCaughtUp());
    QCOMPARE(r.count(), n);
    QVERIFY(r.h.dialogs.messages().isEmpty());
}

void TestParams::inputThatCannotMakeARequestIsRefused() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();
    const int from = r.count();
    struct Case {
        QLineEdit* box;
        QString text;
        QPushButton* button;
    };
    const Case cases[] = {
        {f->Text1, "5A:21:7C:4", f->Command2},
        {f->Text1, QStringLiteral("5A:21:7C:4中"), f->Command2},
        {f->Text2, "1381234567", f->Command3},
        {f->Text2, QStringLiteral("1381234567中"), f->Command3},
        {f->Text3, "0A:0", f->Command4},
        {f->Text4, "-1", f->Command7},
        {f->Text4, "10737418.24", f->Command7},
        {f->Text4, "1e30", f->Command7},
    };
    // The refresh read neither the password (none in use) nor the address
    // (active mode): their boxes' design texts are no values of the module's.
    for (auto [button, what] : {std::pair{f->Command2, "短信密码"}, std::pair{f->Command4, "模块地址"}}) {
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(r.h.dialogs.lastText(), ParamFrames::notReadYet(QString::fromUtf8(what)));
    }
    int shown = 2;
    for (const Case& c : cases) {
        c.box->setText(c.text);
        QTest::mouseClick(c.button, Qt::LeftButton);
        ++shown;
        QVERIFY2(r.h.dialogs.messageCount() == shown, qPrintable(c.text));
        QCOMPARE(r.h.dialogs.messages().last().title, QStringLiteral("提示"));
    }
    QVERIFY(r.h.moduleCaughtUp());
    QCOMPARE(r.count(), from);
    // The largest restart time that the answer shows back as itself still goes.
    f->Text4->setText("10737418.235");
    QTest::mouseClick(f->Command7, Qt::LeftButton);
    QVERIFY(r.h.fixture.waitForRequests(from + 1, 3000));
    QCOMPARE(r.tails(from), QStringList{"A3 01 7F FF FF FF"});
    QTRY_COMPARE_WITH_TIMEOUT(f->Text4->text(), QStringLiteral("10737418.235"), 3000);
}

void TestParams::identityWriteAndItsAcknowledgement() {
    ParamRig r;
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();
    const QString version = f->Label8->text();
    const int from = r.count();

    r.h.dialogs.queueInput("ABC123");
    QTest::mouseDClick(f->Label8, Qt::LeftButton);
    QCOMPARE(r.h.dialogs.inputs().size(), 1);
    QCOMPARE(r.h.dialogs.inputs().last().prompt, QStringLiteral("请输入8位密码："));
    QCOMPARE(r.h.dialogs.inputs().last().title, QStringLiteral("身份识别"));
    QVERIFY(r.h.dialogs.waitForMessage(1, 3000));
    QCOMPARE(r.tails(from), QStringList{"EC 01 41 42 43 31 32 33"});
    QCOMPARE(r.p->identityCode, QByteArray("ABC123"));
    Dialogs::Message m = r.h.dialogs.messages().last();
    QCOMPARE(m.text, QStringLiteral("设置成功"));
    QCOMPARE(m.title, QStringLiteral("提示！！"));
    QCOMPARE(m.icon, Dialogs::Icon::Information);
    QCOMPARE(f->Label8->text(), version);
    QVERIFY(g::RxText.isEmpty());

    r.p->identityFails = true;
    r.h.dialogs.queueInput("XYZ789");
    QTest::mouseDClick(f->Label8, Qt::LeftButton);
    QVERIFY(r.h.dialogs.waitForMessage(2, 3000));
    m = r.h.dialogs.messages().last();
    QCOMPARE(m.text, QStringLiteral("设置错误 "));
    QCOMPARE(m.title, QStringLiteral("提示！！"));
    QCOMPARE(m.icon, Dialogs::Icon::Exclamation);
    QVERIFY(g::RxText.isEmpty());

    // Eight characters, as the prompt asks, a cancel, and a wide character.
    for (const QString& bad : {QStringLiteral("ABCD1234"), QString(), QStringLiteral("ABC12中")}) {
        const int shown = r.h.dialogs.messageCount();
        r.h.dialogs.queueInput(bad);
        QTest::mouseDClick(f->Label8, Qt::LeftButton);
        QCOMPARE(r.h.dialogs.messageCount(), shown + 1);
        m = r.h.dialogs.messages().last();
        QCOMPARE(m.text, QStringLiteral("密码无效"));
        QCOMPARE(m.title, QStringLiteral("提示"));
        QCOMPARE(m.icon, Dialogs::Icon::Information);
    }
    QVERIFY(r.h.moduleCaughtUp());
    QCOMPARE(r.count(), from + 2);
    QCOMPARE(r.h.dialogs.messageCount(), 5);
}

void TestParams::hexBoxesTakeHexDigitsAndCloseEachPair() {
    ParamRig r;
    QVERIFY(r.openOffline());
    SettingsForm* f = r.f();
    f->Text1->clear();
    typeInto(f->Text1, "5a2g1!7c 40");
    QCOMPARE(f->Text1->text(), QStringLiteral("5A:21:7C:40:"));
    f->Text3->clear();
    typeInto(f->Text3, "0a01");
    QCOMPARE(f->Text3->text(), QStringLiteral("0A:01:"));
    // Backspace deletes as usual; the next pair gets its colon again.
    QTest::keyClick(f->Text3, Qt::Key_Backspace);
    QTest::keyClick(f->Text3, Qt::Key_Backspace);
    QCOMPARE(f->Text3->text(), QStringLiteral("0A:0"));
    typeInto(f->Text3, "F");
    QCOMPARE(f->Text3->text(), QStringLiteral("0A:0F:"));
    // A refused key still closes a pair left open.
    f->Text3->setText("0A");
    f->Text3->end(false);
    typeInto(f->Text3, "z");
    QCOMPARE(f->Text3->text(), QStringLiteral("0A:"));
    // Other boxes are free text.
    f->Text4->clear();
    typeInto(f->Text4, "1.5s");
    QCOMPARE(f->Text4->text(), QStringLiteral("1.5s"));
}

void TestParams::answersShowWhatTheModuleHolds() {
    ParamRig r;
    QVERIFY(r.openOffline());
    SettingsForm* f = r.f();
    const int sentBefore = r.count();

    r.send("A2 00 01 23 45 67 89 01");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label6->text(), QStringLiteral("12345678901"), 3000);
    QCOMPARE(f->Text2->text(), QStringLiteral("12345678901"));
    QCOMPARE(g::RefreshStep, 10);

    r.send("A1 00 03");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label10->text(), QStringLiteral("有密码"), 3000);
    QVERIFY(f->Check3->isChecked() && f->Check4->isChecked());
    QCOMPARE(g::RefreshStep, 3);
    r.send("A1 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label10->text(), QStringLiteral("无密码"), 3000);
    QVERIFY(f->Option2->isChecked());
    QVERIFY(!f->Check3->isChecked() && !f->Check4->isChecked());
    QCOMPARE(g::RefreshStep, 4);
    r.send("A1 00 02");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label10->text(), QStringLiteral("有密码"), 3000);
    QVERIFY(!f->Check3->isChecked() && f->Check4->isChecked());
    QVERIFY(r.h.sendAndSettle(r.frame("A1 00 07")));  // unknown flags leave the boxes as they are
    QVERIFY(!f->Check3->isChecked() && f->Check4->isChecked());

    r.send("A3 00 FF FF FF 38");  // a count with the high bit set
    QTRY_COMPARE_WITH_TIMEOUT(f->Text4->text(), QStringLiteral("-1"), 3000);
    QCOMPARE(f->Label12->text(), QStringLiteral("-1"));
    QCOMPARE(g::RefreshStep, 2);

    r.send("FB 00 01");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label4->text(), QStringLiteral("透明方式1"), 3000);
    QCOMPARE(f->Combo2->currentIndex(), 1);
    QVERIFY(!f->Combo4->isEnabled() && !f->Text6->isEnabled());
    QCOMPARE(g::RefreshStep, 8);
    r.send("FB 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label4->text(), QStringLiteral("透明方式2"), 3000);
    QVERIFY(f->Combo4->isEnabled() && f->Text6->isEnabled());
    QCOMPARE(g::RefreshStep, 9);

    r.send("E1 00 80 00 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->TextDXPhone->text(), QStringLiteral("2147483648"), 3000);
    r.send("D2 00 00 00 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label22->text(), QStringLiteral("0s   0s"), 3000);
    QCOMPARE(f->Text11->text(), QStringLiteral("0"));
    QCOMPARE(f->Text13->text(), QStringLiteral("0"));
    QCOMPARE(g::RefreshStep, 12);
    r.send("D3 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label19->text(), QStringLiteral("无省电"), 3000);
    QCOMPARE(g::RefreshStep, 100);
    r.send("DB 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label30->text(), QStringLiteral("模式1"), 3000);
    QVERIFY(f->Option7->isChecked());
    QCOMPARE(g::RefreshStep, 13);

    // Work and transmission mode: the test tab's controls follow.
    r.send("F8 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label3->text(), QStringLiteral("被动方式"), 3000);
    QVERIFY(f->Text3->isEnabled());
    QVERIFY(!f->testTab->Command21[0]->isHidden() && !f->testTab->Command21[2]->isHidden());
    r.send("F8 00 01");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label3->text(), QStringLiteral("主动方式"), 3000);
    QVERIFY(!f->Text3->isEnabled());
    QVERIFY(f->testTab->Command21[0]->isHidden() && f->testTab->Command21[1]->isHidden());
    QVERIFY(!f->testTab->Command21[2]->isHidden());
    QCOMPARE(g::WorkModeByte[0], uint8_t(1));
    r.send("F9 00 00");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label4->text(), QStringLiteral("透明传输"), 3000);
    QCOMPARE(g::TransModeByte[0], uint8_t(0));
    QCOMPARE(g::RefreshStep, 7);

    // F2 and the acknowledgements leave RefreshStep alone, and the version
    // label too; twelve bytes, though, are a version whatever they hold.
    QVERIFY(r.h.sendAndSettle(r.frame("F2 00 0B")));
    QCOMPARE(g::RefreshStep, 7);
    r.sim().send(r.frame("EC 00") + "SETOK:");
    QVERIFY(r.h.dialogs.waitForMessage(1, 3000));
    r.sim().send(r.frame("EC 00") + "SETFAIL:");
    QVERIFY(r.h.dialogs.waitForMessage(2, 3000));
    QCOMPARE(r.h.dialogs.messages()[0].text, QStringLiteral("设置成功"));
    QCOMPARE(r.h.dialogs.messages()[1].text, QStringLiteral("设置错误 "));
    QCOMPARE(g::RefreshStep, 7);
    QCOMPARE(f->Label8->text(), QStringLiteral("***********"));
    QVERIFY(g::RxText.isEmpty());
    r.sim().send(r.frame("EC 00") + "SETOK:SETFA");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label8->text(), QStringLiteral("SETOK:SETFA"), 3000);
    QCOMPARE(g::RefreshStep, 1);
    // Only blanks at either end go; tabs and line breaks stay.
    r.sim().send(r.frame("EC 00") + QByteArray("\tV4.2  \r\n  ", 11));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label8->text(), QStringLiteral("\tV4.2  \r\n"), 3000);
    r.sim().send(r.frame("EC 00") + QByteArray(" \n V4.2 \t  ", 11));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label8->text(), QStringLiteral("\n V4.2 \t"), 3000);

    // Nothing shown here ever wrote to the module; no picker opened.
    QVERIFY(r.h.moduleCaughtUp());
    QCOMPARE(r.count(), sentBefore);
    QVERIFY(!pickerOpen());
    QCOMPARE(r.h.dialogs.messageCount(), 2);
    QCOMPARE(g::RxState, 0);
}

void TestParams::shortAnswersWaitForTheirCount() {
    ParamRig r;
    QVERIFY(r.openOffline());
    SettingsForm* f = r.f();
    // Each of these reads at once in the old receiver; here the missing
    // bytes are waited for and the answer is still shown whole.
    QVERIFY(r.h.sendAndSettle(r.frame("F8 00")));
    QCOMPARE(f->Label3->text(), QStringLiteral("* * * *"));
    QCOMPARE(g::RxState, 3);
    r.sim().send(fromHex("00"));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label3->text(), QStringLiteral("被动方式"), 3000);

    QVERIFY(r.h.sendAndSettle(r.frame("A1 00")));
    QCOMPARE(f->Label10->text(), QStringLiteral("****"));
    r.sim().send(fromHex("01"));
    QTRY_COMPARE_WITH_TIMEOUT(f->Label10->text(), QStringLiteral("有密码"), 3000);
    QVERIFY(f->Check3->isChecked() && !f->Check4->isChecked());

    r.sim().sendChunks({r.frame("F9"), fromHex("00"), fromHex("01")}, 120);
    QTRY_COMPARE_WITH_TIMEOUT(f->Label4->text(), QStringLiteral("格式传输"), 3000);

    // An E1 answer in pieces, then an EC version of 7 and 5 bytes.
    r.sim().sendChunks({r.frame("E1 00 00"), fromHex("00 00 07")}, 150);
    QTRY_COMPARE_WITH_TIMEOUT(f->TextDXPhone->text(), QStringLiteral("7"), 3000);
    const QByteArray ec = r.frame("EC 00") + "N310 V4.02 ";
    r.sim().sendChunks({ec.left(16), ec.mid(16)}, 10);
    QTRY_COMPARE_WITH_TIMEOUT(f->Label8->text(), QStringLiteral("N310 V4.02"), 3000);
    QCOMPARE(f->Label7->text(), QStringLiteral("9600bps"));
    QCOMPARE(g::RefreshStep, 1);
    QVERIFY(r.h.dialogs.messages().isEmpty());
    QCOMPARE(r.count(), 0);
}

void TestParams::moduleStatusNotice() {
    ParamRig r;
    QVERIFY(r.openOffline());
    g::RefreshStep = 42;
    r.p->sendNotice(0x01);
    QVERIFY(r.h.dialogs.waitForMessage(1, 3000));
    const Dialogs::Message m = r.h.dialogs.messages().first();
    QCOMPARE(m.text, QStringLiteral("模块初始化已经完成，您可以设置参数了"));
    QCOMPARE(m.title, QStringLiteral("提示信息"));
    QCOMPARE(m.icon, Dialogs::Icon::None);
    QCOMPARE(m.buttons, Dialogs::Buttons::Ok);
    QTRY_COMPARE_WITH_TIMEOUT(g::RxState, 0, 2000);

    r.p->sendNotice(0x02);
    QTest::qWait(300);
    QCOMPARE(g::RxState, 0);
    // An unknown status keeps the notice open: the next byte, whatever it
    // is, counts as its status.
    r.p->sendNotice(0x05);
    QTRY_COMPARE_WITH_TIMEOUT(g::RxState, 2, 2000);
    r.sim().send(fromHex("01"));
    QVERIFY(r.h.dialogs.waitForMessage(2, 3000));
    QTRY_COMPARE_WITH_TIMEOUT(g::RxState, 0, 2000);
    QCOMPARE(g::RefreshStep, 42);
    QCOMPARE(r.h.dialogs.messageCount(), 2);
}

void TestParams::choosingTransparentModeTwoOpensThePicker() {
    ParamRig r;
    r.sim().setRequestLength(0xD9, 0x01, 10);
    QVERIFY(r.connectAndRefresh());
    SettingsForm* f = r.f();
    QVERIFY(!pickerOpen());
    f->TextDXPhone->setText("5");
    const int from = r.count();
    // Items 0 and 1 do nothing by themselves.
    Controls::setListIndexAndClick(f->Combo2, 0, Controls::ClickWhen::Always);
    Controls::setListIndexAndClick(f->Combo2, 1, Controls::ClickWhen::Always);
    QVERIFY(r.h.moduleCaughtUp());
    QCOMPARE(r.count(), from);
    QVERIFY(!pickerOpen());

    Controls::setListIndexAndClick(f->Combo2, 2, Controls::ClickWhen::Always);
    NumberPicker* picker = NumberPicker::current(&r.h.main());
    QVERIFY(picker);
    QVERIFY(picker->isVisible());
    QVERIFY(!picker->isModal());
    QCOMPARE(picker->windowTitle(), QStringLiteral("号码选择 - 短信发送"));
    QCOMPARE(g::PhoneMask, int64_t(5));
    QVERIFY(r.h.fixture.waitForRequest(r.frame("D9 01"), from, 3000) >= 0);
    QCOMPARE(r.tails(from).value(0), QStringLiteral("D9 01"));
}

void TestParams::garbledAnswersNeverWriteOrStopTheReceiver() {
    ParamRig r;
    QVERIFY(r.openOffline());
    SettingsForm* f = r.f();
    // Frames of every parameter code with payloads too short, too long or
    // of random bytes, cut and mixed with junk: whatever they show, nothing
    // goes back to the module and no picker opens.
    const uint8_t codes[] = {0xFD, 0xF8, 0xF9, 0xA2, 0xA1, 0xF1, 0xEC, 0xE2,
                             0xF2, 0xA3, 0xFB, 0xE1, 0xD3, 0xD2, 0xDB, 0x77};
    QRandomGenerator rng(20240607);
    QByteArray stream;
    for (int i = 0; i < 300; ++i) {
        QByteArray fr = r.frame("");
        fr.append(char(codes[rng.bounded(int(sizeof codes))]));
        const int len = rng.bounded(14);
        for (int k = 0; k < len; ++k) fr.append(char(rng.bounded(256)));
        if (rng.bounded(4) == 0) fr = fr.left(rng.bounded(int(fr.size())));
        stream += fr;
        if (rng.bounded(3) == 0) stream.append(char(rng.bounded(256)));
    }
    QList<QByteArray> pieces;
    for (int at = 0; at < stream.size(); at += 64) pieces << stream.mid(at, 64);
    QVERIFY(r.h.sendChunksAndSettle(pieces, 5));
    // Whatever answer is left half-read is given up after ten seconds.
    Vb::setTimeOfDay(Vb::timeOfDay() + 20.0f);
    QTRY_COMPARE_WITH_TIMEOUT(g::RxState, 0, 3000);
    Vb::setTimeOfDay(std::nullopt);

    r.send("A2 00 01 23 45 67 89 01");
    QTRY_COMPARE_WITH_TIMEOUT(f->Label6->text(), QStringLiteral("12345678901"), 3000);
    QCOMPARE(r.count(), 0);
    QVERIFY(!pickerOpen());
    QCOMPARE(r.h.app->forms->answerReceiver()->failures(), 0);
}

QTEST_MAIN(TestParams)
#include "tst_params.moc"
