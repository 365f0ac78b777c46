// Review probes: the settings form where two things meet (a refused write
// and a read in flight, a repeated acknowledgement, a test press queued
// across a tab switch) and random settings read and written back.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRandomGenerator>

#include "ParamRig.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "kestrun/settings/TestTab.h"
#include "tools/SimParams.h"
#include "tools/SimSettings.h"
#include "tools/SimTestPeer.h"

using namespace SettingsRecords;

namespace {

QString randomText(QRandomGenerator& r, bool& english, int maxBytes) {
    static const QStringList pool = {QStringLiteral("ABC"),  QStringLiteral(" lead"), QStringLiteral("trail "),
                                     QStringLiteral("报警"), QStringLiteral("x\r\n"),  QStringLiteral("a,b"),
                                     QStringLiteral("门"),   QStringLiteral("  "),     QStringLiteral("9")};
    QString t;
    const int parts = r.bounded(0, 4);
    for (int i = 0; i < parts; ++i) t += pool[r.bounded(int(pool.size()))];
    // The low output text is shown without its outer blanks: leave them
    // out to look past that.
    if (qEnvironmentVariableIsSet("PROBE_NOBLANKS")) t = t.trimmed();
    english = r.bounded(2) == 1;
    while (t.size() * 2 > maxBytes) t.chop(1);
    return t;
}

}  // namespace

class TestReviewProbes : public QObject {
    Q_OBJECT

private slots:
    void settingsReadWriteBack();
    void refusedWriteKeepsReadAnswer();
    void refusedOutputWriteKeepsReadAnswer();
    void repeatedAckKeepsNextRead();
    void queuedTestPressOnParamTab();
    void testPressDuringRefresh();
    void numberBoxesSendWhatTheyShow();
    void noticeBoxOpenDuringRefresh();
    void closedDuringWaitAndChain_data();
    void closedDuringWaitAndChain();
};

// Random records the form itself can write: read, then 更新设置 unchanged,
// leaves the module holding the same bytes.
void TestReviewProbes::settingsReadWriteBack() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    SettingsForm* f = h.showFormDirectly(3);
    QVERIFY(f);
    QRandomGenerator r(qEnvironmentVariableIntValue("PROBE_SEED") + 7);
    QStringList failures;
    for (int c = 0; c < 40 && failures.size() < 6; ++c) {
        const bool alarm = c % 2 == 0;
        QByteArray record;
        QString what;
        if (alarm) {
            AlarmSettings s;
            s.channel = 0;
            s.mode = uint8_t(r.bounded(1, 4));
            s.receivers = uint8_t(r.bounded(0, 3));
            s.interval10 = uint8_t(r.bounded(0, 256));
            s.lowText = randomText(r, s.lowEnglish, 80);
            s.highText = randomText(r, s.highEnglish, 80);
            s.mask = r.bounded(2) ? r.generate() : r.bounded(0, 0x1000000);
            s.count = uint8_t(r.bounded(0, 256));
            s.relay = uint8_t(r.bounded(0, 3));
            const Built b = buildAlarmWrite(s);
            if (b.error != TextError::None) continue;
            record = b.frame.mid(12);
            what = QStringLiteral("alarm mode %1 recv %2 int %3 low [%4]%5 high [%6]%7 mask %8 count %9 relay %10")
                       .arg(s.mode)
                       .arg(s.receivers)
                       .arg(s.interval10)
                       .arg(s.lowText, s.lowEnglish ? "E" : "C", s.highText, s.highEnglish ? "E" : "C")
                       .arg(s.mask)
                       .arg(s.count)
                       .arg(s.relay);
            module->alarm[0] = record;
            f->SSTab1->setCurrentIndex(3);
            f->alarmTab->Combo5->setCurrentIndex(0);
        } else {
            OutputSettings s;
            s.channel = 0;
            s.mode = uint8_t(r.bounded(1, 3));
            s.reply = uint8_t(r.bounded(0, 4));
            s.replyDelay = uint8_t(r.bounded(0, 251));
            s.highDelay = s.mode == 2 ? uint8_t(r.bounded(0, 251)) : 0;
            s.lowDelay = s.mode == 2 ? uint8_t(r.bounded(0, 251)) : 0;
            s.lowText = randomText(r, s.lowEnglish, 60);
            s.highText = randomText(r, s.highEnglish, 60);
            s.hold = r.bounded(2) == 1;
            const Built b = buildOutputWrite(s);
            if (b.error != TextError::None) continue;
            record = b.frame.mid(12);
            what = QStringLiteral("output mode %1 reply %2 delays %3/%4/%5 low [%6]%7 high [%8]%9 hold %10")
                       .arg(s.mode)
                       .arg(s.reply)
                       .arg(s.replyDelay)
                       .arg(s.highDelay)
                       .arg(s.lowDelay)
                       .arg(s.lowText, s.lowEnglish ? "E" : "C", s.highText, s.highEnglish ? "E" : "C")
                       .arg(s.hold);
            module->output[0] = record;
            f->SSTab1->setCurrentIndex(4);
            f->outputTab->Combo6->setCurrentIndex(0);
        }
        const int n = h.dialogs.messageCount();
        (alarm ? f->alarmTab->Command17 : f->outputTab->Command23)->click();
        QVERIFY(h.dialogs.waitForMessage(n + 1));
        QVERIFY(QTest::qWaitFor([&] { return g::RxState == 0; }, 3000));
        if (h.dialogs.lastText() != QStringLiteral("读取参数成功")) {
            failures << what + QStringLiteral(": read said ") + h.dialogs.lastText();
            continue;
        }
        (alarm ? f->alarmTab->Command16 : f->outputTab->Command13)->click();
        if (!h.dialogs.waitForMessage(n + 2)) {
            failures << what + QStringLiteral(": no answer to the write");
            continue;
        }
        QVERIFY(QTest::qWaitFor([&] { return g::RxState == 0; }, 3000));
        const QByteArray held = alarm ? module->alarm[0] : module->output[0];
        if (held != record)
            failures << what + QStringLiteral("\n   held ") + hex(record) + QStringLiteral("\n   now  ") + hex(held);
    }
    for (const QString& line : failures) qInfo().noquote() << line;
    QVERIFY2(failures.isEmpty(), qPrintable(QString::number(failures.size()) + QStringLiteral(" cases changed")));
}

// 读取设置, then 更新设置 refused for a value out of range before the read's
// answer has come: nothing was written, so the answer is the read's.
void TestReviewProbes::refusedWriteKeepsReadAnswer() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    AlarmSettings s;
    s.mode = 2;
    s.interval10 = 3;
    s.lowText = QStringLiteral("ABC");
    s.lowEnglish = true;
    s.count = 4;
    module->alarm[0] = buildAlarmWrite(s).frame.mid(12);
    SettingsForm* f = h.showFormDirectly(3);
    QVERIFY(f);
    AlarmTab* a = f->alarmTab;
    h.sim().behaviour.delayMs = 600;
    a->Command17->click();
    // PROBE_CONTROL: the read alone.
    const int refusals = qEnvironmentVariableIsSet("PROBE_CONTROL") ? 0 : 1;
    if (refusals) {
        a->Text20->setText(QStringLiteral("300"));
        a->Command16->click();
        QVERIFY(h.dialogs.waitForMessage(1));
        QCOMPARE(h.dialogs.lastText(), QStringLiteral("报警次数超出范围（0-255）"));
    }
    QVERIFY(QTest::qWaitFor([&] { return h.port().receivedTotal() > 0 && !h.sim().sending(); }, 3000));
    QVERIFY(h.settle());
    QVERIFY2(h.dialogs.waitForMessage(refusals + 1, 2000), qPrintable(h.dialogs.describe()));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QCOMPARE(a->Text16->text(), QStringLiteral("30"));
    QCOMPARE(a->Text15->text(), QStringLiteral("ABC"));
}

// The same on the output tab: a text too long is refused, nothing is sent.
void TestReviewProbes::refusedOutputWriteKeepsReadAnswer() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    OutputSettings s;
    s.mode = 2;
    s.replyDelay = 7;
    s.highDelay = 3;
    s.lowDelay = 4;
    s.lowText = QStringLiteral("OFF");
    s.lowEnglish = true;
    module->output[0] = buildOutputWrite(s).frame.mid(12);
    SettingsForm* f = h.showFormDirectly(4);
    QVERIFY(f);
    OutputTab* o = f->outputTab;
    h.sim().behaviour.delayMs = 600;
    o->Command23->click();
    o->Text8->setText(QString(61, QLatin1Char('A')));
    o->Command13->click();
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("短信内容超出范围"));
    QVERIFY(QTest::qWaitFor([&] { return h.port().receivedTotal() > 0 && !h.sim().sending(); }, 3000));
    QVERIFY(h.settle());
    QVERIFY2(h.dialogs.waitForMessage(2, 2000), qPrintable(h.dialogs.describe()));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QCOMPARE(o->Text12->text(), QStringLiteral("OFF"));
    QCOMPARE(o->Text18->text(), QStringLiteral("7"));
}

// The module repeats its acknowledgement of a write; the read pressed after
// the first copy gets its own answer, not the second copy.
void TestReviewProbes::repeatedAckKeepsNextRead() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    SettingsForm* f = h.showFormDirectly(3);
    QVERIFY(f);
    AlarmTab* a = f->alarmTab;
    a->Text15->setText(QStringLiteral("XYZ"));
    a->Text16->setText(QStringLiteral("50"));
    h.sim().queueFates({ModuleSim::Fate::repeated(2, 700)});
    a->Command16->click();
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("设置成功"));
    a->Command17->click();
    QVERIFY(h.dialogs.waitForMessage(2));
    QVERIFY(QTest::qWaitFor([&] { return !h.sim().sending(); }, 4000));
    QVERIFY(h.settle());
    a->Command17->click();
    QVERIFY(h.dialogs.waitForMessage(3, 3000));
    QVERIFY(QTest::qWaitFor([&] { return !h.sim().sending(); }, 4000));
    QVERIFY(h.settle());
    QStringList texts;
    for (const auto& m : h.dialogs.messages()) texts << m.text;
    QCOMPARE(texts.join(QLatin1Char('|')), QStringLiteral("设置成功|读取参数成功|读取参数成功"));
    QCOMPARE(a->Text15->text(), QStringLiteral("XYZ"));
    QCOMPARE(a->Text16->text(), QStringLiteral("50"));
    QCOMPARE(hex(module->alarm[0].left(3)), QStringLiteral("02 00 05"));
}

// Two test requests pressed during one wait, then the parameter tab and its
// 刷新: the second press, taken up after the first request went out, must
// not turn the parameter tab's answers over to the test machine.
void TestReviewProbes::queuedTestPressOnParamTab() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    h.sim().identity.workMode = 0;
    h.sim().identity.transMode = 1;
    SimParams::install(h.sim());
    SimTestPeer::install(h.sim());
    SettingsForm* f = h.showFormDirectly(1);
    QVERIFY(f);
    g::WorkModeByte[0] = 0;
    g::TransModeByte[0] = 1;
    TestTab* t = f->testTab;
    for (QPushButton* b : t->Command21) b->setVisible(true);
    t->Text22->setText(QStringLiteral("00:01:"));
    t->TextBox[1]->setPlainText(QStringLiteral("AB"));
    t->ReceiverNumber->setText(QStringLiteral("13800138000"));
    t->Command21[2]->click();
    t->Command21[0]->click();  // queued behind the first
    f->SSTab1->setCurrentIndex(0);
    QVERIFY(g::ParamMode);
    // 刷新 during the wait: it holds every test button.
    f->Command8->click();
    QVERIFY(f->commandsDisabled());
    QVERIFY(QTest::qWaitFor([&] { return !f->commandsDisabled() && !f->Timer2->enabled(); }, 15000));
    QVERIFY(QTest::qWaitFor([&] { return !t->sendPending() && !h.sim().sending(); }, 6000));
    QVERIFY(h.settle());
    QStringList sent;
    for (const auto& r : h.sim().requests()) sent << QString::number(r.atMs) + QStringLiteral(" ms: ") + hex(r.bytes.left(14));
    sent << QStringLiteral("Label3 %1, Label4 %2, buttons %3%4%5")
                .arg(f->Label3->text(), f->Label4->text())
                .arg(t->Command21[0]->isEnabled())
                .arg(t->Command21[1]->isEnabled())
                .arg(t->Command21[2]->isEnabled());
    sent << h.dialogs.describe();
    QVERIFY2(g::ParamMode, qPrintable(QStringLiteral("parameter machine switched off on tab 0; requests:\n") +
                                      sent.join(QLatin1Char('\n'))));
    QVERIFY2(f->Label3->text() != QStringLiteral("* * * *") && f->Label4->text() != QStringLiteral("* * * *"),
             qPrintable(f->Label3->text() + QStringLiteral(" / ") + f->Label4->text() + QStringLiteral("\n") +
                        sent.join(QLatin1Char('\n'))));
}

// One 发送短信, then tab 0 and 刷新 within the wait: the refresh reads every
// value, and the test request does not go out among its queries.
void TestReviewProbes::testPressDuringRefresh() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    h.sim().identity.workMode = 0;
    h.sim().identity.transMode = 1;
    SimParams::install(h.sim());
    SimTestPeer::install(h.sim());
    SettingsForm* f = h.showFormDirectly(1);
    QVERIFY(f);
    g::WorkModeByte[0] = 0;
    g::TransModeByte[0] = 1;
    TestTab* t = f->testTab;
    for (QPushButton* b : t->Command21) b->setVisible(true);
    t->Text22->setText(QStringLiteral("00:01:"));
    t->TextBox[1]->setPlainText(QStringLiteral("AB"));
    t->ReceiverNumber->setText(QStringLiteral("13800138000"));
    t->Command21[2]->click();
    f->SSTab1->setCurrentIndex(0);
    f->Command8->click();
    QVERIFY(QTest::qWaitFor([&] { return !f->commandsDisabled() && !f->Timer2->enabled(); }, 15000));
    QVERIFY(QTest::qWaitFor([&] { return !t->sendPending() && !h.sim().sending(); }, 6000));
    QVERIFY(h.moduleCaughtUp());
    QStringList sent;
    int firstQuery = -1, lastQuery = -1, test = -1;
    const auto reqs = h.sim().requests();
    for (int i = 0; i < reqs.size(); ++i) {
        sent << QString::number(reqs[i].atMs) + QStringLiteral(" ms: ") + hex(reqs[i].bytes.left(14));
        if (reqs[i].bytes.startsWith(KestrunHarness::frame(""))) {
            if (firstQuery < 0) firstQuery = i;
            lastQuery = i;
        } else {
            test = i;
        }
    }
    sent << QStringLiteral("Label3 %1, Label4 %2").arg(f->Label3->text(), f->Label4->text()) << h.dialogs.describe();
    QVERIFY2(test >= 0 && (test < firstQuery || test > lastQuery), qPrintable(sent.join(QLatin1Char('\n'))));
}

// A number box holding no number is refused, not sent as 0.
void TestReviewProbes::numberBoxesSendWhatTheyShow() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    SettingsForm* f = h.showFormDirectly(3);
    QVERIFY(f);
    AlarmTab* a = f->alarmTab;
    QStringList wrong;
    for (auto [box, offset] : {std::pair{a->Text16, 2}, std::pair{a->Text20, 185}}) {
        a->Text16->setText(QStringLiteral("30"));
        a->Text20->setText(QStringLiteral("2"));
        box->setText(QStringLiteral("abc"));
        const int n = h.dialogs.messageCount();
        module->alarm[0].clear();
        a->Command16->click();
        QVERIFY(h.dialogs.waitForMessage(n + 1));
        if (h.dialogs.lastText() == QStringLiteral("设置成功"))
            wrong << box->objectName() + QStringLiteral(" shows \"") + box->text() + QStringLiteral("\", module got ") +
                         hex(module->alarm[0].mid(offset, 1));
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

// The module's notice arrives during 刷新 and its box stays open three
// seconds: the refresh still fills every value, or says why not.
void TestReviewProbes::noticeBoxOpenDuringRefresh() {
    ParamRig r;
    QVERIFY2(r.h.fixture.ok(), qPrintable(r.h.fixture.error()));
    SettingsForm* f = r.h.showFormDirectly(0);
    QVERIFY(f);
    r.h.dialogs.setHoldPolicy([](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
        if (!m.text.startsWith(QStringLiteral("模块初始化"))) return std::nullopt;
        DialogRecorder::Hold hold;
        hold.forMs = qEnvironmentVariableIsSet("PROBE_NOHOLD") ? 0 : 3000;
        return hold;
    });
    f->Command8->click();
    QVERIFY(QTest::qWaitFor([&] { return r.count() >= 2; }, 4000));
    r.p->sendNotice(0x01);
    QVERIFY(QTest::qWaitFor([&] { return !f->commandsDisabled() && !f->Timer2->enabled(); }, 20000));
    QVERIFY(r.h.moduleCaughtUp());
    // The values this mode's refresh reads (without the box it fills them).
    QStringList out;
    for (QLabel* l : {f->Label3, f->Label4, f->Label19})
        if (l->text().contains(QLatin1Char('*'))) out << l->objectName() + QStringLiteral("=") + l->text();
    const QStringList sent = r.tails(0);
    QVERIFY2(out.isEmpty() || r.h.dialogs.messageCount() > 1,
             qPrintable(out.join(QLatin1Char(' ')) + QStringLiteral("\n") + sent.join(QLatin1Char('|')) +
                        QStringLiteral("\n") + r.h.dialogs.describe()));
}

void TestReviewProbes::closedDuringWaitAndChain_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("退出 during the test wait") << 0;
    QTest::newRow("main window closed during the test wait") << 1;
    QTest::newRow("退出 during the refresh, then reopened") << 2;
}

// The form goes away while its wait or its refresh runs: nothing goes out
// afterwards, nothing crashes, and a reopened form works.
void TestReviewProbes::closedDuringWaitAndChain() {
    QFETCH(int, how);
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    h.sim().identity.workMode = 0;
    SimParams::install(h.sim());
    SimTestPeer::install(h.sim());
    SettingsForm* f = h.showFormDirectly(how == 2 ? 0 : 1);
    QVERIFY(f);
    QPointer<SettingsForm> form(f);
    if (how == 2) {
        f->Command8->click();
        QVERIFY(QTest::qWaitFor([&] { return h.sim().requests().size() >= 2; }, 4000));
        f->Command10->click();
    } else {
        g::WorkModeByte[0] = 0;
        TestTab* t = f->testTab;
        t->Text22->setText(QStringLiteral("00:01:"));
        t->TextBox[1]->setPlainText(QStringLiteral("AB"));
        t->Command21[2]->click();
        QVERIFY(t->sendPending());
        if (how == 0)
            f->Command10->click();
        else
            h.main().close();
    }
    const int before = int(h.sim().requests().size());
    QTest::qWait(2600);
    QCOMPARE(int(h.sim().requests().size()), before);
    if (how == 2) {
        QVERIFY(h.showFormDirectly(0));
        SettingsForm* again = h.settingsForm();
        QVERIFY(!again->commandsDisabled());
        QVERIFY(again->Command8->isEnabled());
    }
}

QTEST_MAIN(TestReviewProbes)
#include "tst_review_probes.moc"
