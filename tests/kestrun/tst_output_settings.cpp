// The output control frame end to end against the simulated module: the
// 141-byte write, the read written back into the controls, the output
// tests, the side rules; and the two requests beside the tabs, the
// parameter clear and the phone-number batch.

#include <QCheckBox>
#include <QLabel>

#include "SettingsRig.h"
#include "kestrun/settings/PhoneBatch.h"
#include "kestrun/settings/PhoneTab.h"
#include "platform/VbTimer.h"

namespace {

using SimSupport::zerosWith;

const QByteArray kExampleWrite = zerosWith(
    141,
    {{0, "1A 2A 3A 4A 5A 6A 7A 8A B5 01 01 93 02 03 0A 05 01 83 82 4F 46 46"}, {79, "4F 4E"}, {139, "01"}});

// The example's settings entered as a user does.
void enterExample(SettingsRig& rig) {
    OutputTab* t = rig.output;
    SettingsRig::choose(t->Combo6, 1);
    rig.click(t->Option17);
    SettingsRig::type(t->Text10, QStringLiteral("5"));
    rig.click(t->Check5);
    rig.click(t->Option20);
    SettingsRig::type(t->Text18, QStringLiteral("10"));
    SettingsRig::type(t->Text12, QStringLiteral("OFF"));
    SettingsRig::type(t->Text8, QStringLiteral("ON"));
    rig.click(t->Check6);
}

QStringList snapshot(OutputTab* t) {
    QStringList s;
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             t->Option16, t->Option17, t->Check5, t->Option18, t->Option19, t->Option20, t->Option21,
             t->Option22, t->Option23, t->Option24, t->Check6})
        s << QString::number(b->isChecked());
    for (QLineEdit* e : {t->Text10, t->Text14, t->Text18, t->Text12, t->Text8}) s << e->text();
    return s;
}

}  // namespace

class TestOutputSettings : public QObject {
    Q_OBJECT

private slots:
    void writeSendsTheRecordAndIsAcknowledged();
    void readSetsEveryControlBack();
    void readBackRules();
    void sideRulesAndRefusals();
    void outputTestsToggleTheirCaptions();
    void closedPortSendsNothing();
    void parameterClear();
    void batchTicks();
};

void TestOutputSettings::writeSendsTheRecordAndIsAcknowledged() {
    SettingsRig rig;
    QVERIFY(rig.start(4));
    OutputTab* t = rig.output;
    enterExample(rig);
    QCOMPARE(t->Text14->text(), QStringLiteral("1"));
    QVERIFY(t->Option21->isChecked() && t->Option24->isChecked());
    QVERIFY(rig.staysQuiet(0, 100));

    rig.click(t->Command13);
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(hex(rig.requests()[0]), hex(kExampleWrite));
    QCOMPARE(g::OutputSetOp, 1);
    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置成功"));
    QCOMPARE(rig.h.dialogs.messages()[0].title, QStringLiteral("提示"));
    QCOMPARE(rig.h.dialogs.messages()[0].icon, Dialogs::Icon::Information);

    // A refusal in two pieces.
    QVERIFY(rig.waitIdle());
    rig.module->refuseWrites = true;
    rig.module->ackSplitAt = 7;
    g::RxText = QStringLiteral("left over");
    rig.click(t->Command13);
    QVERIFY(rig.waitMessage(2));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("设置失败"));
    QVERIFY(rig.waitIdle());
    QVERIFY(g::RxText.isEmpty());
}

void TestOutputSettings::readSetsEveryControlBack() {
    SettingsRig rig;
    QVERIFY(rig.start(4));
    OutputTab* t = rig.output;
    rig.module->output[1] = kExampleWrite.mid(12);
    QCOMPARE(hex(SimSettings::readAnswer(0xA7, kExampleWrite.mid(12)).left(12)),
             hex(KestrunHarness::frame("A7 00 82 93")));
    enterExample(rig);
    const QStringList entered = snapshot(t);
    // Something else in every control first.
    rig.click(t->Option16);
    rig.click(t->Option18);
    rig.click(t->Check5);
    rig.click(t->Check6);
    t->Text18->setText(QStringLiteral("7"));
    t->Text12->setText(QStringLiteral("关"));
    t->Text8->setText(QStringLiteral("开"));

    g::RxText = QStringLiteral("left over");
    rig.click(t->Command23);
    QCOMPARE(g::OutputSetOp, 0);
    for (QLineEdit* e : {t->Text12, t->Text8, t->Text18}) QCOMPARE(e->text(), QString());
    QVERIFY(t->Option16->isChecked() && t->Option19->isChecked() && t->Option22->isChecked() &&
            t->Option23->isChecked());
    QVERIFY(!t->Check5->isChecked() && !t->Check6->isChecked());
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(hex(rig.requests()[0]), hex(KestrunHarness::frame("B5 02 01")));

    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QCOMPARE(snapshot(t), entered);
    QVERIFY(rig.waitIdle());
    QVERIFY(g::RxText.isEmpty());
    QVERIFY(rig.staysQuiet(1, 200));

    // Header and block apart, and a bad checksum changing nothing.
    rig.module->splitRead = true;
    rig.click(t->Command23);
    QVERIFY(rig.waitMessage(2));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QCOMPARE(snapshot(t), entered);
    QVERIFY(rig.waitIdle());
    rig.module->checksumSkew = -1;
    rig.click(t->Command23);
    const QStringList reset = snapshot(t);
    QVERIFY(rig.waitMessage(3));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数失败"));
    QCOMPARE(snapshot(t), reset);
}

void TestOutputSettings::readBackRules() {
    SettingsRig rig;
    QVERIFY(rig.start(4));
    OutputTab* t = rig.output;
    g::OutputSetOp = 0;
    rig.click(t->Option20);
    // Level output, no reply, delays 255 / 7 / 9, blanks around the first
    // text (single-byte), a blank before the second (UCS-2), hold byte 2.
    QByteArray block = zerosWith(
        129, {{0, "01 00 FF 07 09 87 04"}, {7, "20 20 4F 46 46 20 20"}, {67, "00 20 00 58"}, {127, "02"}});
    rig.h.sim().send(SimSettings::readAnswer(0xB5, block));
    QVERIFY(rig.waitMessage(1));
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QVERIFY(t->Option16->isChecked());
    // Option16's click ran before the delays were filled.
    QCOMPARE(t->Text10->text(), QStringLiteral("7"));
    QCOMPARE(t->Text14->text(), QStringLiteral("9"));
    QCOMPARE(t->Text18->text(), QStringLiteral("250"));
    QVERIFY(!t->Check5->isChecked());
    QVERIFY(t->Option20->isChecked());  // left as it was
    QCOMPARE(t->Text12->text(), QStringLiteral("OFF"));
    QCOMPARE(t->Text8->text(), QStringLiteral(" X"));
    QVERIFY(t->Option23->isChecked());  // follows the flag, as the module holds it
    QVERIFY(!t->Check6->isChecked());
    QVERIFY(rig.waitIdle());

    // Reply 1 is the operation result; pulse output keeps zero delays read.
    block = zerosWith(129, {{0, "02 01 00 00 00"}, {127, "01"}});
    rig.h.sim().send(SimSettings::readAnswer(0xA7, block));
    QVERIFY(rig.waitMessage(2));
    QVERIFY(t->Option17->isChecked());
    QVERIFY(t->Check5->isChecked());
    QVERIFY(t->Option19->isChecked());
    QCOMPARE(t->Text10->text(), QStringLiteral("0"));
    QCOMPARE(t->Text14->text(), QStringLiteral("0"));
    QVERIFY(t->Check6->isChecked());
    QCOMPARE(t->Text12->text(), QString());
    QVERIFY(t->Option21->isChecked());
    QVERIFY(rig.waitIdle());
}

void TestOutputSettings::sideRulesAndRefusals() {
    SettingsRig rig;
    QVERIFY(rig.start(4));
    OutputTab* t = rig.output;
    t->Text10->setText(QStringLiteral("5"));
    t->Text14->setText(QStringLiteral("0"));
    rig.click(t->Option17);
    QCOMPARE(t->Text10->text(), QStringLiteral("5"));
    QCOMPARE(t->Text14->text(), QStringLiteral("1"));
    rig.click(t->Option16);
    QCOMPARE(t->Text10->text(), QStringLiteral("0"));
    QCOMPARE(t->Text14->text(), QStringLiteral("0"));
    for (QLineEdit* e : {t->Text10, t->Text14, t->Text18}) {
        SettingsRig::type(e, QStringLiteral("300"));
        QCOMPARE(e->text(), QStringLiteral("250"));
        e->setText(QStringLiteral("-2"));
        QCOMPARE(e->text(), QStringLiteral("0"));
    }
    SettingsRig::type(t->Text12, QStringLiteral("ab"));
    QVERIFY(t->Option21->isChecked());
    SettingsRig::type(t->Text12, QStringLiteral("ab关"));
    QVERIFY(t->Option22->isChecked());
    SettingsRig::type(t->Text8, QStringLiteral("on"));
    QVERIFY(t->Option24->isChecked());

    // The default texts as "汉字", a level output with a delay typed.
    t->Text12->setText(QStringLiteral("设备关"));
    t->Text8->setText(QStringLiteral("设备开"));
    t->Text10->setText(QStringLiteral("5"));
    rig.click(t->Command13);
    QVERIFY(rig.waitRequests(1));
    const QByteArray f = rig.requests()[0];
    QCOMPARE(f.size(), 141);
    QCOMPARE(hex(f.mid(12, 7)), QStringLiteral("01 00 00 00 00 06 06"));
    QVERIFY(rig.waitMessage(1));
    QVERIFY(rig.waitIdle());

    // Too long for the field: a message and nothing sent.
    for (const QString& text : {QString(61, u'A'), QString(31, u'关')}) {
        t->Text12->setText(text);
        const int before = rig.h.dialogs.messageCount();
        rig.click(t->Command13);
        QCOMPARE(rig.h.dialogs.messageCount(), before + 1);
        QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("短信内容超出范围"));
        QCOMPARE(rig.h.dialogs.messages().last().title, QStringLiteral("提示"));
    }
    t->Text12->setText(QString(60, u'A'));
    t->Text8->setText(QStringLiteral("\u0E01"));
    rig.click(t->Option24);
    rig.click(t->Command13);
    QCOMPARE(rig.h.dialogs.lastText(), QStringLiteral("短信内容含有无法发送的字符，请选择“汉字”"));
    QVERIFY(rig.staysQuiet(1, 200));
}

void TestOutputSettings::outputTestsToggleTheirCaptions() {
    SettingsRig rig;
    QVERIFY(rig.start(4));
    OutputTab* t = rig.output;
    SettingsRig::choose(t->Combo6, 1);
    rig.click(t->Command26);
    QCOMPARE(t->Command26->text(), QStringLiteral("断开"));
    rig.click(t->Command26);
    QCOMPARE(t->Command26->text(), QStringLiteral("闭合"));
    rig.click(t->Command27[0]);
    QCOMPARE(t->Command27[0]->text(), QStringLiteral("DO0 断开"));
    rig.click(t->Command27[1]);
    QCOMPARE(t->Command27[1]->text(), QStringLiteral("DO1 断开"));
    rig.click(t->Command27[1]);
    QCOMPARE(t->Command27[1]->text(), QStringLiteral("DO1 闭合"));
    QCOMPARE(t->Command27[0]->objectName(), QStringLiteral("Command27(0)"));
    QVERIFY(rig.waitRequests(5));
    const QStringList expected = {
        hex(KestrunHarness::frame("99 01 01")), hex(KestrunHarness::frame("99 01 00")),
        hex(KestrunHarness::frame("99 00 01")), hex(KestrunHarness::frame("99 01 01")),
        hex(KestrunHarness::frame("99 01 00"))};
    QStringList got;
    for (const QByteArray& r : rig.requests()) got << hex(r);
    QCOMPARE(got, expected);
    QCOMPARE(rig.module->outputTests.size(), 5);
    QCOMPARE(rig.module->outputState[0], 1);
    // Nothing is awaited: the receiver stays on the hunt.
    QCOMPARE(g::RxState, 0);
    QCOMPARE(rig.h.dialogs.messageCount(), 0);
}

void TestOutputSettings::closedPortSendsNothing() {
    SettingsRig rig;
    QVERIFY(rig.start(4, false));
    OutputTab* t = rig.output;
    const QStringList before = snapshot(t);
    for (QPushButton* b : {t->Command13, t->Command23, t->Command26, t->Command27[0], t->Command27[1]}) {
        rig.click(b);
        QVERIFY(rig.h.main().connectDialog());
        rig.h.main().unloadConnectDialog();
    }
    QCOMPARE(t->Command26->text(), QStringLiteral("闭合"));
    QCOMPARE(t->Command27[0]->text(), QStringLiteral("DO0 闭合"));
    QCOMPARE(snapshot(t), before);
    QCOMPARE(g::OutputSetOp, 0);
    QVERIFY(rig.staysQuiet(0, 200));
}

void TestOutputSettings::parameterClear() {
    SettingsRig rig;
    QVERIFY(rig.start(0));
    const QStringList before = snapshot(rig.output);
    const QString label = rig.form->Label3->text();
    rig.click(rig.form->Command18);
    QVERIFY(rig.waitRequests(1));
    QCOMPARE(hex(rig.requests()[0]), hex(KestrunHarness::frame("D5 01")));
    QVERIFY(rig.staysQuiet(1, 300));
    QCOMPARE(rig.module->clears.size(), 1);
    QCOMPARE(snapshot(rig.output), before);
    QCOMPARE(rig.form->Label3->text(), label);
    QCOMPARE(rig.h.dialogs.messageCount(), 0);
    QVERIFY(!rig.h.main().connectDialog());

    rig.h.port().close();
    rig.click(rig.form->Command18);
    QVERIFY(rig.h.main().connectDialog());
    QVERIFY(rig.staysQuiet(1, 300));
}

void TestOutputSettings::batchTicks() {
    SettingsRig rig;
    QVERIFY(rig.start(2));
    SettingsForm* f = rig.form;
    QLabel* label = f->phoneTab->Label28;
    // Nothing starts the batch by itself.
    QVERIFY(!f->Timer4->enabled());
    QTest::qWait(300);
    QVERIFY(!f->Timer4->enabled());
    QCOMPARE(g::BatchIndex, 0);

    rig.output->Text12->setText(QStringLiteral("3"));
    PhoneBatch* batch = rig.alarm->batch;
    QVERIFY(batch);
    batch->tick();
    batch->tick();
    batch->tick();
    QCOMPARE(label->text(), QStringLiteral("读3"));
    QVERIFY(f->Timer4->enabled());
    QCOMPARE(f->Timer4->interval(), 500);
    QVERIFY(rig.waitRequests(3));
    QCOMPARE(hex(rig.requests()[2]), hex(KestrunHarness::frame("D4 01 00 03 00 03 3D 75")));
    // The timer's own next tick, 500 ms on, finds the count reached.
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer4->enabled(); }, 3000));
    QCOMPARE(g::BatchIndex, 4);
    QCOMPARE(label->text(), QStringLiteral("电话号码表"));
    QCOMPARE(rig.output->Command13->text(), QStringLiteral("批量读取"));
    QVERIFY(rig.staysQuiet(3, 700));

    // A full number goes in the long form; the timer carries on alone.
    g::BatchIndex = 0;
    g::BatchNumber = QStringLiteral("13800138000");
    rig.output->Text12->setText(QStringLiteral("2"));
    batch->tick();
    QVERIFY(rig.waitRequests(4));
    QCOMPARE(hex(rig.requests()[3]), hex(KestrunHarness::frame("D4 01 00 01 00 01 01 38 00 13 80 00 83 97")));
    QVERIFY(rig.waitRequests(5, 3000));
    const qint64 gap = rig.h.at(4) - rig.h.at(3);
    QVERIFY2(gap >= 450 && gap < 900, qPrintable(QString::number(gap)));
    QCOMPARE(rig.requests()[4].mid(10, 4), fromHex("00 02 00 02"));
    QCOMPARE(label->text(), QStringLiteral("读2"));
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer4->enabled(); }, 3000));
    QCOMPARE(rig.module->batchFrames.size(), 5);
    QCOMPARE(g::RxState, 0);
}

QTEST_MAIN(TestOutputSettings)
#include "tst_output_settings.moc"
