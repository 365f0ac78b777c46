// The alarm settings frame end to end against the simulated module: the
// 199-byte write and its acknowledgement, the read and the record written
// back into the controls, the refusals, the side rules of the controls and
// the receiver list with its number picker.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>

#include "SettingsRig.h"
#include "core/NumberPicker.h"
#include "kestrun/settings/PhoneTab.h"
#include "kestrun/sms_parser/Outstanding.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "tools/SimPhoneTable.h"

namespace {

using SimSupport::zerosWith;

// The block of the read in the examples: low only, chosen numbers (5),
// 60 s, "ABCDE" single-byte, "报警" as UCS-2, 3 alarms, relay 0.
QByteArray exampleBlock() {
    return zerosWith(187,
                     {{0, "01 02 06 85 04 41 42 43 44 45"}, {88, "05"}, {95, "62 A5 8B 66"}, {185, "03 01"}});
}

// What the controls show, to tell that an answer changed nothing.
QStringList snapshot(AlarmTab* t) {
    QStringList s;
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             t->Option9, t->Option10, t->Option13, t->Option11, t->Option12, t->Option14, t->Option15})
        s << QString::number(b->isChecked());
    for (QLineEdit* e : {t->Text15, t->Text16, t->Text17, t->Text20, t->TextBJPhone}) s << e->text();
    s << QString::number(t->ComboBJPhone->currentIndex()) << t->Combo7->currentText();
    return s;
}

// The example's settings entered as a user does.
void enterExample(SettingsRig& rig) {
    AlarmTab* t = rig.alarm;
    SettingsRig::choose(t->Combo5, 1);
    rig.click(t->Option10);
    SettingsRig::choose(t->ComboBJPhone, 1);
    SettingsRig::type(t->Text16, QStringLiteral("35"));
    SettingsRig::type(t->Text15, QStringLiteral("ABC"));
    SettingsRig::type(t->Text17, QStringLiteral("报警"));
    SettingsRig::type(t->Text20, QStringLiteral("3"));
    SettingsRig::choose(t->Combo7, 0);
}

}  // namespace

class TestAlarmSettings : public QObject {
    Q_OBJECT

private slots:
    void writeSendsTheRecordAndIsAcknowledged();
    void refusalWholeOrInPiecesAndStatusBytesBeforeIt();
    void refusedBeforeSending();
    void closedPortOpensConnectDialog();
    void readEmptiesTheTextsThenFillsTheControls();
    void readInPiecesAndWithAnAnswerBehind();
    void badChecksumChangesNothing();
    void specialValuesReadBack();
    void shortBlockSetsWhatItHolds();
    void sideRulesOfTheControls();
    void relayListDropsEveryKey();
    void receiverListAndNumberPicker();
};

void TestAlarmSettings::writeSendsTheRecordAndIsAcknowledged() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    enterExample(rig);
    AlarmTab* t = rig.alarm;
    QCOMPARE(t->TextBJPhone->text(), QStringLiteral("16777215"));
    QVERIFY(t->Option12->isChecked());  // typing chose the encoding
    QVERIFY(t->Option15->isChecked());
    QCOMPARE(t->Text16->text(), QStringLiteral("35"));
    QVERIFY(rig.staysQuiet(0, 100));  // choosing and typing send nothing

    g::RxText = QStringLiteral("left over");
    rig.click(t->Command16);
    QVERIFY(rig.waitRequests(1));
    const QByteArray expected =
        zerosWith(199, {{0, "1A 2A 3A 4A 5A 6A 7A 8A B4 01 01 4B 01 01 03 83 04 41 42 43"},
                        {97, "00 FF FF FF"},
                        {107, "62 A5 8B 66"},
                        {197, "03 01"}});
    QCOMPARE(hex(rig.requests()[0]), hex(expected));
    QCOMPARE(g::AlarmSetOp, 1);

    QVERIFY(rig.waitMessage(1));
    const Dialogs::Message m = rig.h.dialogs.messages()[0];
    QCOMPARE(m.text, QStringLiteral("设置成功"));
    QCOMPARE(m.title, QStringLiteral("提示"));
    QCOMPARE(m.icon, Dialogs::Icon::Information);
    QVERIFY(rig.waitIdle());
    QVERIFY(g::RxText.isEmpty());
    QCOMPARE(hex(rig.module->alarm[1]), hex(expected.mid(12)));
    QCOMPARE(rig.h.dialogs.messageCount(), 1);
}

void TestAlarmSettings::refusalWholeOrInPiecesAndStatusBytesBeforeIt() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    rig.module->refuseWrites = true;
    g::RxText = QStringLiteral("left over");
    rig.click(t->Command16);
    QVERIFY(rig.waitMessage(1));
    QVERIFY(g::RxText.isEmpty());
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置失败"));
    QCOMPARE(rig.h.dialogs.messages()[0].title, QStringLiteral("提示"));
    QCOMPARE(rig.h.dialogs.messages()[0].icon, Dialogs::Icon::Information);

    // "SETFA" and, later, "IL:": judged once all eight bytes are there.
    rig.module->ackSplitAt = 5;
    rig.click(t->Command16);
    QVERIFY(rig.waitMessage(2));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置失败"));
    // Cut after the common "SET" and after "SETOK" the acceptance counts.
    rig.module->refuseWrites = false;
    for (int cut : {3, 5}) {
        rig.module->ackSplitAt = cut;
        const int before = rig.h.dialogs.messageCount();
        rig.click(t->Command16);
        QVERIFY(rig.waitMessage(before + 1));
        QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置成功"));
    }
    QVERIFY(rig.waitIdle());

    // Status bytes other than 03 are passed over one by one (a write out
    // that the module never got).
    g::AlarmSetOp = 1;
    Outstanding::sent(g::AlarmSetOutstanding, 1);
    rig.h.sim().send(KestrunHarness::frame("B4 01 07 03") + "SETOK:");
    QVERIFY(rig.waitMessage(5));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置成功"));
    // A text that is neither gives nothing, and the next answer is taken.
    g::RxText = QStringLiteral("left over");
    Outstanding::sent(g::AlarmSetOutstanding, 1);
    Outstanding::sent(g::AlarmSetOutstanding, 1);
    rig.h.sim().send(KestrunHarness::frame("B4 03") + "ERROR!!!" + KestrunHarness::frame("B4 03") +
                     "SETFAIL:");
    QVERIFY(rig.waitMessage(6));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置失败"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.h.dialogs.messageCount(), 6);
    QVERIFY(g::RxText.isEmpty());

    // What follows the acknowledgement text up to the next frame start is
    // no answer, even where it looks like one; the frame behind it counts.
    t->Text19->setText(QStringLiteral("old"));
    for (const char* tail : {"SETOK:<1>\r\n", "SETFAIL: <0 ", "SETOK:"}) {
        const int before = rig.h.dialogs.messageCount();
        Outstanding::sent(g::AlarmSetOutstanding, 1);
        Outstanding::sent(g::AlarmSetOutstanding, 1);
        rig.h.sim().send(KestrunHarness::frame("B4 03") + tail + KestrunHarness::frame("B4 03") + "SETOK:<");
        QVERIFY(rig.waitMessage(before + 2));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.h.dialogs.messageCount(), before + 2);
        QCOMPARE(t->Text19->text(), QStringLiteral("old"));
    }
}

void TestAlarmSettings::refusedBeforeSending() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    auto refused = [&](const QString& text) {
        const int before = rig.h.dialogs.messageCount();
        rig.click(t->Command16);
        if (rig.h.dialogs.messageCount() != before + 1) return false;
        const Dialogs::Message m = rig.h.dialogs.messages().last();
        return m.text == text && m.title == QStringLiteral("提示") && m.icon == Dialogs::Icon::Information;
    };
    const QString tooLong = QStringLiteral("短信内容超出范围");
    t->Text15->setText(QString(81, u'A'));
    QVERIFY(t->Option12->isChecked());
    QVERIFY(refused(tooLong));
    QCOMPARE(g::AlarmSetOp, 1);
    t->Text15->setText(QString(41, u'报'));
    QVERIFY(refused(tooLong));
    t->Text15->setText(QString(40, u'报'));
    t->Text17->setText(QString(81, u'B'));
    QVERIFY(refused(tooLong));
    t->Text17->setText(QStringLiteral("ok"));

    // A character code page 936 lacks, with "英文" chosen by hand.
    t->Text15->setText(QStringLiteral("A\u0E01"));
    QVERIFY(t->Option11->isChecked());
    rig.click(t->Option12);
    QVERIFY(refused(QStringLiteral("短信内容含有无法发送的字符，请选择“汉字”")));
    rig.click(t->Option11);
    t->Text15->setText(QString(40, u'报'));

    t->Text20->setText(QStringLiteral("256"));
    QVERIFY(refused(QStringLiteral("报警次数超出范围（0-255）")));
    t->Text20->setText(QStringLiteral("-1"));
    QVERIFY(refused(QStringLiteral("报警次数超出范围（0-255）")));
    t->Text20->setText(QStringLiteral("255"));
    for (const char* mask : {"4294967296", "-1", "12ab"}) {
        t->TextBJPhone->setText(QString::fromLatin1(mask));
        QVERIFY2(refused(QStringLiteral("短信报警号码超出范围（0-4294967295）")), mask);
    }
    QVERIFY(rig.staysQuiet(0, 200));

    // At the limits everything goes; an interval above 2550 is cut first.
    t->TextBJPhone->setText(QStringLiteral("4294967295"));
    t->Text16->blockSignals(true);
    t->Text16->setText(QStringLiteral("2600"));
    t->Text16->blockSignals(false);
    rig.click(t->Command16);
    QVERIFY(rig.waitRequests(1));
    const QByteArray f = rig.requests()[0];
    QCOMPARE(f.size(), 199);
    QCOMPARE(t->Text16->text(), QStringLiteral("2550"));
    QCOMPARE(uint8_t(f[14]), uint8_t(0xFF));
    QCOMPARE(hex(f.mid(97, 4)), QStringLiteral("FF FF FF FF"));
    QCOMPARE(uint8_t(f[197]), uint8_t(255));
    QCOMPARE(uint8_t(f[15]), uint8_t(80));  // 40 characters as UCS-2
    QCOMPARE(uint8_t(f[198]), uint8_t(0));  // no relay chosen
}

void TestAlarmSettings::closedPortOpensConnectDialog() {
    SettingsRig rig;
    QVERIFY(rig.start(3, false));
    const QString before = rig.alarm->Text15->text();
    for (QPushButton* b : {rig.alarm->Command16, rig.alarm->Command17, rig.alarm->Command25}) {
        rig.click(b);
        QVERIFY(rig.h.main().connectDialog());
        QVERIFY(!rig.h.main().connectDialog()->isModal());
        rig.h.main().unloadConnectDialog();
    }
    QCOMPARE(rig.alarm->Text15->text(), before);
    QVERIFY(rig.staysQuiet(0, 200));
    QCOMPARE(rig.h.dialogs.messageCount(), 0);
}

void TestAlarmSettings::readEmptiesTheTextsThenFillsTheControls() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    rig.module->alarm[3] = exampleBlock();
    QCOMPARE(hex(SimSettings::readAnswer(0xA5, exampleBlock()).left(12)),
             hex(KestrunHarness::frame("A5 00 BC E2")));
    t->Check1->setChecked(true);
    t->Check7->setChecked(true);
    t->Check2->setChecked(true);
    rig.click(t->Option13);
    g::RxText = QStringLiteral("left over");
    SettingsRig::choose(t->Combo5, 3);

    rig.click(t->Command17);
    // Emptied before the answer can have come.
    QCOMPARE(t->Text15->text(), QString());
    QCOMPARE(t->Text16->text(), QString());
    QCOMPARE(t->Text17->text(), QString());
    QVERIFY(!t->Check1->isChecked() && !t->Check7->isChecked() && !t->Check2->isChecked());
    QVERIFY(t->Option9->isChecked() && t->Option11->isChecked() && t->Option15->isChecked());
    QCOMPARE(g::AlarmSetOp, 0);
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(hex(rig.requests()[0]), hex(KestrunHarness::frame("B4 02 03")));

    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QCOMPARE(rig.h.dialogs.messages()[0].title, QStringLiteral("提示"));
    QVERIFY(t->Option10->isChecked());
    QCOMPARE(t->ComboBJPhone->currentIndex(), 2);
    QCOMPARE(t->Text16->text(), QStringLiteral("60"));
    QCOMPARE(t->Text15->text(), QStringLiteral("ABCDE"));
    QVERIFY(t->Option12->isChecked());
    QCOMPARE(t->Text17->text(), QStringLiteral("报警"));
    QVERIFY(t->Option15->isChecked());
    QCOMPARE(t->TextBJPhone->text(), QStringLiteral("5"));
    QCOMPARE(t->Text20->text(), QStringLiteral("3"));
    QCOMPARE(t->Combo7->currentText(), QStringLiteral("继电器0"));
    // The list was set by the answer: no picker, nothing sent.
    QVERIFY(!NumberPicker::current(&rig.h.main()));
    QVERIFY(rig.waitIdle());
    QVERIFY(rig.staysQuiet(1, 300));
    QVERIFY(g::RxText.isEmpty());
    QCOMPARE(rig.h.dialogs.messageCount(), 1);
}

void TestAlarmSettings::readInPiecesAndWithAnAnswerBehind() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    rig.module->alarm[3] = exampleBlock();
    SettingsRig::choose(t->Combo5, 3);

    rig.module->splitRead = true;
    rig.click(t->Command17);
    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QCOMPARE(t->Text15->text(), QStringLiteral("ABCDE"));
    QVERIFY(rig.waitIdle());

    // The status notice right behind the block is its own answer; a byte
    // behind a block is not part of it.
    rig.module->splitRead = false;
    rig.module->trailer = KestrunHarness::frame("FD 01");
    rig.click(t->Command17);
    QVERIFY(rig.waitMessage(3));
    QCOMPARE(rig.h.dialogs.messages()[1].text, QStringLiteral("读取参数成功"));
    QCOMPARE(rig.h.dialogs.messages()[2].text, QStringLiteral("模块初始化已经完成，您可以设置参数了"));
    QCOMPARE(t->Text17->text(), QStringLiteral("报警"));
    QVERIFY(rig.waitIdle());

    rig.module->trailer = fromHex("77");
    rig.click(t->Command17);
    QVERIFY(rig.waitMessage(4));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.h.dialogs.messageCount(), 4);
}

void TestAlarmSettings::badChecksumChangesNothing() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    rig.module->alarm[3] = exampleBlock();
    rig.module->checksumSkew = 1;  // C = E3
    SettingsRig::choose(t->Combo5, 3);
    g::RxText = QStringLiteral("left over");
    rig.click(t->Command17);
    const QStringList before = snapshot(t);
    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数失败"));
    QCOMPARE(rig.h.dialogs.messages()[0].icon, Dialogs::Icon::Information);
    QCOMPARE(snapshot(t), before);
    QVERIFY(rig.waitIdle());
    QVERIFY(g::RxText.isEmpty());

    // The receiver goes on with the next read.
    rig.module->checksumSkew = 0;
    rig.click(t->Command17);
    QVERIFY(rig.waitMessage(2));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
}

void TestAlarmSettings::specialValuesReadBack() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    // Any change, whole table, 300 s, ASCII text flagged as UCS-2, top bit
    // of the mask set, no relay; answered with B4 rather than A5.
    const QByteArray block =
        zerosWith(187, {{0, "03 01 1E 06 00 00 41 00 42 00 43"}, {85, "FF FF FF FF"}, {185, "FF 03"}});
    g::AlarmSetOp = 0;
    SettingsRig::choose(t->Combo7, 1);
    rig.h.sim().send(SimSettings::readAnswer(0xB4, block));
    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.messages()[0].text, QStringLiteral("读取参数成功"));
    QVERIFY(t->Option13->isChecked());
    // The interval is filled after every click that would reset it.
    QCOMPARE(t->Text16->text(), QStringLiteral("300"));
    QCOMPARE(t->Text15->text(), QStringLiteral("ABC"));
    QVERIFY(t->Option11->isChecked());  // follows the flag, as the module holds it
    QCOMPARE(t->ComboBJPhone->currentIndex(), 1);
    QCOMPARE(t->TextBJPhone->text(), QStringLiteral("4294967295"));  // the list's click did not run
    QCOMPARE(t->Text20->text(), QStringLiteral("255"));
    QCOMPARE(t->Combo7->currentIndex(), -1);
    QCOMPARE(t->Combo7->currentText(), QString());
    QVERIFY(rig.waitIdle());

    // Written back as read, the mask keeps all four bytes.
    rig.h.sim().clearRecorded();
    rig.click(t->Command16);
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(hex(rig.requests()[0].mid(97, 4)), QStringLiteral("FF FF FF FF"));

    // Any change with a Chinese low text keeps its interval too.
    QVERIFY(rig.waitMessage(2));  // the write's acknowledgement
    QVERIFY(rig.waitIdle());
    t->Text16->setText(QStringLiteral("50"));
    g::AlarmSetOp = 0;
    Outstanding::readSent(g::AlarmSetOutstanding, g::AlarmSetReads, 0);
    rig.h.sim().send(SimSettings::readAnswer(
        0xA5, zerosWith(187, {{0, "03 01 1E 04 00 62 A5 8B 66"}, {85, "01 00 00 00"}, {185, "01 00"}})));
    QVERIFY(rig.waitMessage(3));
    QCOMPARE(rig.h.dialogs.messages()[2].text, QStringLiteral("读取参数成功"));
    QVERIFY(t->Option13->isChecked());
    QCOMPARE(t->Text15->text(), QStringLiteral("报警"));
    QVERIFY(t->Option11->isChecked());
    QCOMPARE(t->Text16->text(), QStringLiteral("300"));
    QVERIFY(rig.waitIdle());
}

void TestAlarmSettings::shortBlockSetsWhatItHolds() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    t->Text20->setText(QStringLiteral("7"));
    t->TextBJPhone->setText(QStringLiteral("9"));
    g::AlarmSetOp = 0;
    // Three bytes: high only, whole table, 300 s.
    rig.h.sim().send(KestrunHarness::frame("A5 00 04 21 02 01 1E"));
    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QVERIFY(t->Option9->isChecked());
    QCOMPARE(t->ComboBJPhone->currentIndex(), 1);
    QCOMPARE(t->Text16->text(), QStringLiteral("300"));
    QCOMPARE(t->Text20->text(), QStringLiteral("7"));
    QCOMPARE(t->TextBJPhone->text(), QStringLiteral("9"));
    QVERIFY(rig.waitIdle());
    // An empty block (L = 1) takes no byte of what follows.
    rig.h.sim().send(KestrunHarness::frame("A5 00 01 00") + KestrunHarness::frame("A5 00 02 02 02"));
    QVERIFY(rig.waitMessage(3));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QVERIFY(t->Option9->isChecked());
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.h.app->forms->answerReceiver()->failures(), 0);
}

void TestAlarmSettings::sideRulesOfTheControls() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    SettingsRig::type(t->Text16, QStringLiteral("2600"));
    QCOMPARE(t->Text16->text(), QStringLiteral("2550"));
    t->Text16->setText(QStringLiteral("-5"));
    QCOMPARE(t->Text16->text(), QStringLiteral("0"));

    // Any change mode: choosing it, or an encoding, resets the interval.
    t->Text16->setText(QStringLiteral("50"));
    rig.click(t->Option13);
    QCOMPARE(t->Text16->text(), QStringLiteral("0"));
    t->Text16->setText(QStringLiteral("50"));
    SettingsRig::type(t->Text15, QStringLiteral("abc"));
    QVERIFY(t->Option12->isChecked());
    QCOMPARE(t->Text16->text(), QStringLiteral("0"));
    t->Text16->setText(QStringLiteral("50"));
    QTest::keyClicks(t->Text15, QStringLiteral("d"));  // encoding unchanged
    QCOMPARE(t->Text16->text(), QStringLiteral("50"));
    t->Text15->end(false);
    t->Text15->insert(QStringLiteral("报"));
    QVERIFY(t->Option11->isChecked());
    QCOMPARE(t->Text16->text(), QStringLiteral("0"));
    // The high-level text's options have no such effect.
    rig.click(t->Option10);
    t->Text16->setText(QStringLiteral("50"));
    SettingsRig::type(t->Text17, QStringLiteral("xyz"));
    QVERIFY(t->Option14->isChecked());
    SettingsRig::type(t->Text17, QString());
    QVERIFY(t->Option14->isChecked());  // an empty text counts as English
    QCOMPARE(t->Text16->text(), QStringLiteral("50"));

    SettingsRig::choose(t->ComboBJPhone, 1);
    QCOMPARE(t->TextBJPhone->text(), QStringLiteral("16777215"));
    QCOMPARE(g::PhoneMask, int64_t(16777215));
    SettingsRig::choose(t->ComboBJPhone, 0);
    QCOMPARE(t->TextBJPhone->text(), QStringLiteral("0"));
    QCOMPARE(g::PhoneMask, int64_t(0));

    // The relay list takes no keys.
    QTest::keyClicks(t->Combo7->lineEdit(), QStringLiteral("x5"));
    QTest::keyClick(t->Combo7->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(t->Combo7->currentText(), QString());
    SettingsRig::choose(t->Combo7, 1);
    QTest::keyClick(t->Combo7->lineEdit(), Qt::Key_Backspace);
    QTest::keyClicks(t->Combo7->lineEdit(), QStringLiteral("0"));
    QCOMPARE(t->Combo7->currentText(), QStringLiteral("继电器1"));
    QVERIFY(rig.staysQuiet(0, 200));
}

void TestAlarmSettings::relayListDropsEveryKey() {
    SettingsRig rig;
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    SettingsRig::choose(t->Combo7, 1);
    QApplication::clipboard()->setText(QStringLiteral("x9"));
    // The keyboard reaches the list box first (its line edit only through
    // it), whatever modifier is held.
    for (QWidget* w : {static_cast<QWidget*>(t->Combo7), static_cast<QWidget*>(t->Combo7->lineEdit())}) {
        QTest::keyClick(w, Qt::Key_End);
        QTest::keyClicks(w, QStringLiteral("x1"));
        QTest::keyClick(w, Qt::Key_G, Qt::AltModifier);
        QTest::keyClick(w, Qt::Key_5, Qt::ShiftModifier | Qt::AltModifier);
        QTest::keyClick(w, Qt::Key_Backspace);
        QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(w, Qt::Key_Insert, Qt::ShiftModifier);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("继电器"));
        QCoreApplication::sendEvent(w, &commit);
        QCOMPARE(t->Combo7->currentText(), QStringLiteral("继电器1"));
        QCOMPARE(t->Combo7->currentIndex(), 1);
    }
    QVERIFY(rig.staysQuiet(0, 100));
}

void TestAlarmSettings::receiverListAndNumberPicker() {
    SettingsRig rig;
    SimPhoneTable table;
    table.setNumbers(
        {QStringLiteral("13800000001"), QStringLiteral("13800000002"), QStringLiteral("13800000003")});
    table.install(rig.h.sim());
    QVERIFY(rig.start(3));
    AlarmTab* t = rig.alarm;
    t->TextBJPhone->setText(QStringLiteral("5"));
    SettingsRig::choose(t->ComboBJPhone, 2);
    NumberPicker* picker = NumberPicker::current(&rig.h.main());
    QVERIFY(picker);
    QCOMPARE(picker->windowTitle(), QStringLiteral("选择号码 - 短信报警"));
    QCOMPARE(g::PhoneMask, int64_t(5));
    // The table is read for the picker.
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(hex(rig.requests()[0]), hex(KestrunHarness::frame("D9 01")));
    QVERIFY(
        QTest::qWaitFor([&] { return picker->Check1[2]->text() == QStringLiteral("13800000003"); }, 5000));
    QVERIFY(picker->Check1[0]->isChecked());
    QVERIFY(!picker->Check1[1]->isChecked());
    QVERIFY(picker->Check1[2]->isChecked());
    rig.click(picker->Check1[1]);
    rig.click(picker->Command1);
    QCOMPARE(t->TextBJPhone->text(), QStringLiteral("7"));

    // Written with the chosen numbers.
    QVERIFY(rig.waitIdle());
    rig.h.sim().clearRecorded();
    rig.click(t->Command16);
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(uint8_t(rig.requests()[0][13]), uint8_t(2));
    QCOMPARE(hex(rig.requests()[0].mid(97, 4)), QStringLiteral("00 00 00 07"));
}

QTEST_MAIN(TestAlarmSettings)
#include "tst_alarm_settings.moc"
