// The input-state query "读取DI状态" end to end: the 98 request, the "<"
// text shown in Text19 by the channel chosen when it arrives, in one
// delivery or several, and a "<" text that nobody asked for.

#include "SettingsRig.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"

class TestInputState : public QObject {
    Q_OBJECT

private slots:
    void queryShowsTheState();
    void stateCharacterInALaterDelivery();
    void channelIsTheOneChosenOnArrival();
    void unaskedTextChangesNothing();
    void noChannelChosen();
};

void TestInputState::queryShowsTheState() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    SettingsRig::choose(t->Combo5, 2);
    const struct {
        char state;
        const char* text;
    } cases[] = {{'0', "DI2 = 1"}, {'1', "DI2 = 0"}, {'x', "DI2 = ?"}};
    int sent = 0;
    for (const auto& c : cases) {
        rig.module->inputState[2] = c.state;
        t->Text19->setText(QStringLiteral("old"));
        rig.click(t->Command25);
        QCOMPARE(t->Text19->text(), QString());
        QCOMPARE(g::DIChannel, 0x98);
        QVERIFY(rig.waitRequests(++sent));
        QCOMPARE(hex(rig.requests().last()), hex(KestrunHarness::frame("98 02")));
        QVERIFY2(QTest::qWaitFor([&] { return !t->Text19->text().isEmpty(); }, 3000), c.text);
        QCOMPARE(t->Text19->text(), QString::fromLatin1(c.text));
        QCOMPARE(g::DIChannel, 0);
        QVERIFY(rig.waitIdle());
    }
    // Characters behind the state character go with it; the next answer
    // is found again.
    rig.click(t->Command25);
    rig.h.sim().send(QByteArrayLiteral("<1 ok\r\n"));
    QVERIFY(QTest::qWaitFor([&] { return t->Text19->text() == QStringLiteral("DI2 = 0"); }, 3000));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.h.dialogs.messageCount(), 0);
}

void TestInputState::stateCharacterInALaterDelivery() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    SettingsRig::choose(t->Combo5, 2);
    rig.module->splitInputState = true;
    rig.click(t->Command25);
    QVERIFY(QTest::qWaitFor([&] { return t->Text19->text() == QStringLiteral("DI2 = 1"); }, 3000));
    QVERIFY(rig.waitIdle());

    // A long pause between "<" and its character.
    rig.module->inputState[2] = '1';
    rig.h.sim().setHandler(0x98, nullptr);
    rig.click(t->Command25);
    QVERIFY(rig.h.sendAndSettle(QByteArrayLiteral("<")));
    QCOMPARE(t->Text19->text(), QString());
    QCOMPARE(g::RxState, int(SmsAnswerReceiver::InputText));
    rig.h.sim().send(QByteArrayLiteral("1"));
    QVERIFY(QTest::qWaitFor([&] { return t->Text19->text() == QStringLiteral("DI2 = 0"); }, 3000));
    QVERIFY(rig.waitIdle());
}

void TestInputState::channelIsTheOneChosenOnArrival() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    SettingsRig::choose(t->Combo5, 2);
    rig.h.sim().behaviour.delayMs = 400;
    rig.click(t->Command25);
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(hex(rig.requests()[0]), hex(KestrunHarness::frame("98 02")));
    SettingsRig::choose(t->Combo5, 5);
    QVERIFY(QTest::qWaitFor([&] { return !t->Text19->text().isEmpty(); }, 3000));
    QCOMPARE(t->Text19->text(), QStringLiteral("DI5 = 1"));
}

void TestInputState::unaskedTextChangesNothing() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    t->Text19->setText(QStringLiteral("DI0 = 0"));
    QVERIFY(rig.h.sendAndSettle(QByteArrayLiteral("<0")));
    QVERIFY(rig.h.port().inBufferCount() == 0 && g::RxState == 0);
    QCOMPARE(t->Text19->text(), QStringLiteral("DI0 = 0"));
    // A second "<" after an answer was shown is not taken as an answer.
    rig.click(t->Command25);
    QVERIFY(QTest::qWaitFor([&] { return t->Text19->text() == QStringLiteral("DI0 = 1"); }, 3000));
    QVERIFY(rig.waitIdle());
    QVERIFY(rig.h.sendAndSettle(QByteArrayLiteral("<1")));
    QVERIFY(rig.waitIdle());
    QCOMPARE(t->Text19->text(), QStringLiteral("DI0 = 1"));
    // The receiver still takes the next settings answer.
    g::AlarmSetOp = 1;
    rig.h.sim().send(KestrunHarness::frame("B4 03") + "SETOK:");
    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置成功"));
}

void TestInputState::noChannelChosen() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    t->Text19->setText(QStringLiteral("DI1 = 1"));
    t->Combo5->setCurrentIndex(-1);
    rig.click(t->Command25);
    QCOMPARE(rig.h.dialogs.messageCount(), 1);
    const Dialogs::Message m = rig.h.dialogs.messages()[0];
    QCOMPARE(m.text, QStringLiteral("请指定要读取的DI通道0-5"));
    QCOMPARE(m.title, QStringLiteral("提示"));
    QCOMPARE(m.icon, Dialogs::Icon::Information);
    QCOMPARE(t->Text19->text(), QStringLiteral("DI1 = 1"));
    QCOMPARE(g::DIChannel, 0);
    QVERIFY(rig.staysQuiet(0, 300));
}

QTEST_MAIN(TestInputState)
#include "tst_input_state.moc"
