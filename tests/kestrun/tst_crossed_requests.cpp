// Two requests close together on the settings form: an answer goes to the
// request it belongs to, or to none (a refused write and a read in flight,
// a test press queued across a tab switch; repeated and late answers of the
// settings tabs: tst_close_requests).

#include <QLineEdit>
#include <QPlainTextEdit>

#include "KestrunHarness.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "kestrun/settings/TestTab.h"
#include "tools/SimParams.h"
#include "tools/SimSettings.h"
#include "tools/SimTestPeer.h"

using namespace SettingsRecords;

class TestCrossedRequests : public QObject {
    Q_OBJECT

private slots:
    void refusedWriteKeepsReadAnswer_data();
    void refusedWriteKeepsReadAnswer();
    void queuedTestPressOnParamTab();
};

void TestCrossedRequests::refusedWriteKeepsReadAnswer_data() {
    QTest::addColumn<bool>("alarm");
    QTest::newRow("alarm count out of range") << true;
    QTest::newRow("output text too long") << false;
}

// 读取设置, then 更新设置 refused before the read's answer has come: nothing
// was written, so the answer is the read's.
void TestCrossedRequests::refusedWriteKeepsReadAnswer() {
    QFETCH(bool, alarm);
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    AlarmSettings a;
    a.mode = 2;
    a.interval10 = 3;
    a.lowText = QStringLiteral("ABC");
    a.lowEnglish = true;
    OutputSettings o;
    o.mode = 2;
    o.replyDelay = 7;
    o.lowText = QStringLiteral("ABC");
    o.lowEnglish = true;
    module->alarm[0] = buildAlarmWrite(a).frame.mid(12);
    module->output[0] = buildOutputWrite(o).frame.mid(12);
    SettingsForm* f = h.showFormDirectly(alarm ? 3 : 4);
    QVERIFY(f);
    h.sim().behaviour.delayMs = 600;
    if (alarm) {
        f->alarmTab->Command17->click();
        f->alarmTab->Text20->setText(QStringLiteral("300"));
        f->alarmTab->Command16->click();
    } else {
        f->outputTab->Command23->click();
        f->outputTab->Text8->setText(QString(61, QLatin1Char('A')));
        f->outputTab->Command13->click();
    }
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.lastText(),
             alarm ? QStringLiteral("报警次数超出范围（0-255）") : QStringLiteral("短信内容超出范围"));
    QVERIFY(QTest::qWaitFor([&] { return h.port().receivedTotal() > 0 && !h.sim().sending(); }, 3000));
    QVERIFY(h.settle());
    QVERIFY2(h.dialogs.waitForMessage(2, 2000), qPrintable(h.dialogs.describe()));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QCOMPARE((alarm ? f->alarmTab->Text15 : f->outputTab->Text12)->text(), QStringLiteral("ABC"));
    QCOMPARE((alarm ? f->alarmTab->Text16 : f->outputTab->Text18)->text(), alarm ? QStringLiteral("30") : QStringLiteral("7"));
}

// Two test requests pressed during one wait, then the parameter tab and its
// 刷新: the second press, taken up after the first request went out, must
// not turn the parameter tab's answers over to the test machine.
void TestCrossedRequests::queuedTestPressOnParamTab() {
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
    QVERIFY(g::ParamMode);
    QVERIFY2(f->Label3->text() != QStringLiteral("* * * *") && f->Label4->text() != QStringLiteral("* * * *"),
             qPrintable(h.dialogs.describe()));
}

QTEST_MAIN(TestCrossedRequests)
#include "tst_crossed_requests.moc"
