// The collection settings page against the simulated module: the write
// frame and its acknowledgement, the read and what it shows, the boxes'
// clamps, and an acknowledgement that never touches the input table.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "../VarnelHarness.h"
#include "TableRig.h"
#include "platform/FlexGrid.h"
#include "varnel/settings/TableTabs.h"
#include "varnel/sms_parser/AnswerReceiver.h"

using SimSupport::fromHex;

class TestCollectionSettingsPage : public QObject {
    Q_OBJECT

private slots:
    void writeSendsFrameAndAcknowledges();
    void readShowsModuleSettings();
    void acknowledgementLeavesInputTableAlone();
    void shortReadAnswerKeepsEmptiedPage();
    void unansweredRequestsRetiredAndTold();
    void clampsAndModes();
    void closedPortOpensConnectDialog();
};

namespace {

bool openPage(VarnelHarness& h) {
    if (!h.connectToForm()) return false;
    h.form()->SSTab1->setCurrentIndex(3);
    return true;
}

}  // namespace

// One program for all cases: each write and read must stand on its own,
// whatever the one before it left on the page.
void TestCollectionSettingsPage::writeSendsFrameAndAcknowledges() {
    struct Case {
        bool polling;
        QString period, timeOut, reSend;
        bool history;
        SimCollection::Ack ack;
        const char* tail;
        QString message;
    };
    const QList<Case> cases = {
        {true, "1.5", "500", "3", true, SimCollection::Ack::Ok, "A8 F1 00 9F 96 00 00 00 05 03 01",
         "设置成功"},
        {true, "86400", "550", "10", false, SimCollection::Ack::Ok, "A8 F1 00 69 00 D6 83 00 06 0A 00",
         "设置成功"},
        {false, "0", "500", "3", false, SimCollection::Ack::Fail, "A8 F1 00 08 00 00 00 00 05 03 00",
         "设置失败"},
    };
    VarnelHarness h;
    QVERIFY(h.module);
    QVERIFY(openPage(h));
    InputTableTab* t = h.form()->inputTab;
    for (const Case& c : cases) {
        h.dialogs.clear();
        h.module->collection.writeAck = c.ack;
        (c.polling ? t->Option9 : t->Option10)->click();
        if (c.polling) t->TxtPeriod->setText(c.period);
        t->TxtTimeOut->setText(c.timeOut);
        t->TxtReSend->setText(c.reSend);
        t->CheckHis->setChecked(c.history);
        const int from = h.sim().requests().size();
        t->Command29->click();
        QVERIFY2(h.waitFor(VarnelHarness::frame(c.tail) + QByteArray(7, '\0'), from) >= 0, c.tail);
        QVERIFY2(h.dialogs.waitForMessage(1), qPrintable(h.dialogs.describe()));
        QCOMPARE(h.dialogs.messages()[0].text, c.message);
        QCOMPARE(h.dialogs.messages()[0].title, QStringLiteral("提示"));
        // A repeated acknowledgement answers nothing that is still pending.
        h.sim().send(VarnelHarness::frame("A8 00 53 45 54 4F 4B 3A 30 30"));
        QTest::qWait(400);
        QCOMPARE(h.dialogs.messageCount(), 1);
        QCOMPARE(h.sim().requests().size(), from + 1);
    }
}

void TestCollectionSettingsPage::readShowsModuleSettings() {
    struct Case {
        const char* seven;
        bool polling;
        QString period, timeOut, reSend;
        bool history;
    };
    const QList<Case> cases = {
        {"96 00 00 00 05 03 01", true, "1.5", "500", "3", true},
        {"00 00 00 00 00 0B 02", false, "0", "100", "0", false},
        {"00 D6 83 00 FF 0A 00", true, "86400", "25500", "10", false},
        {"64 00 00 00 01 00 01", true, "1", "100", "0", true},
        {"FF FF FF FF 05 03 00", false, "0", "500", "3", false},  // a negative period listens
    };
    VarnelHarness h;
    QVERIFY(h.module);
    QVERIFY(openPage(h));
    InputTableTab* t = h.form()->inputTab;
    for (const Case& c : cases) {
        h.module->collection.setSettingsBytes(fromHex(c.seven));
        const int from = h.sim().requests().size();
        t->Command28->click();
        QVERIFY(h.waitFor(VarnelHarness::frame("A8 F2"), from) >= 0);
        QVERIFY2(QTest::qWaitFor([&] { return !t->TxtReSend->text().isEmpty(); }, 3000), c.seven);
        QCOMPARE(t->Option9->isChecked(), c.polling);
        QCOMPARE(t->Option10->isChecked(), !c.polling);
        QCOMPARE(t->TxtPeriod->isEnabled(), c.polling);
        QCOMPARE(t->TxtTimeOut->isEnabled(), c.polling);
        QCOMPARE(t->TxtPeriod->text(), c.period);
        QCOMPARE(t->TxtTimeOut->text(), c.timeOut);
        QCOMPARE(t->TxtReSend->text(), c.reSend);
        QCOMPARE(t->CheckHis->isChecked(), c.history);
        QCOMPARE(h.sim().requests().size(), from + 1);
    }
    QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
}

void TestCollectionSettingsPage::acknowledgementLeavesInputTableAlone() {
    VarnelHarness h;
    QVERIFY(h.module);
    QVERIFY(openPage(h));
    InputTableTab* t = h.form()->inputTab;
    FlexGrid* grid = t->MSGrid2;
    grid->setRows(4);
    for (int r = 1; r <= 3; ++r) grid->setTextMatrix(r, 1, QStringLiteral("CH%1").arg(r - 1));
    grid->setRow(1);
    const int from = h.sim().requests().size();
    t->Command29->click();
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("设置成功"));
    QTest::qWait(400);
    QCOMPARE(grid->Rows(), 4);
    QCOMPARE(grid->Row(), 1);
    QVERIFY(!h.form()->Timer4->enabled());
    QCOMPARE(h.sim().requests().size(), from + 1);
    QCOMPARE(h.dialogs.messageCount(), 1);
}

void TestCollectionSettingsPage::shortReadAnswerKeepsEmptiedPage() {
    VarnelHarness h;
    QVERIFY(h.module);
    QVERIFY(openPage(h));
    InputTableTab* t = h.form()->inputTab;
    h.module->collection.setSettingsBytes(fromHex("96 00 00 00 05 03 01"));
    h.module->collection.lengthOverride = 9;
    t->Command28->click();
    QVERIFY(h.waitFor(VarnelHarness::frame("A8 F2")) >= 0);
    QVERIFY(QTest::qWaitFor([&] { return h.app->forms->answerReceiver()->framesHandled() > 0; }, 3000));
    QTest::qWait(100);
    QCOMPARE(t->TxtPeriod->text(), QString());
    QCOMPARE(t->TxtTimeOut->text(), QStringLiteral("100"));
    QCOMPARE(t->TxtReSend->text(), QString());
    QVERIFY(t->Option9->isChecked());
    QVERIFY(!t->CheckHis->isChecked());
    // A whole answer after it is still taken.
    h.module->collection.lengthOverride.reset();
    h.sim().send(h.module->collection.readAnswer());
    QVERIFY(QTest::qWaitFor([&] { return t->TxtPeriod->text() == QStringLiteral("1.5"); }, 3000));
}

// A read or write the module never answers ends with a word to the user;
// the page a silent read emptied is not written (period 0 would stop the
// module polling), and a later table write gets its own acknowledgements.
void TestCollectionSettingsPage::unansweredRequestsRetiredAndTold() {
    struct Case {
        bool silentRead;
        bool typesReSend;  // the user types a resend count, the period stays empty
        QString told, saveTold;
    };
    const QList<Case> cases = {
        {true, false, "读参数超时失败", "采集设置没有从模块读出，请先输入要设置的采集设置"},
        {true, true, "读参数超时失败", "采集周期0.1秒-86400秒，100ms整数倍"},
        {false, false, "写参数超时失败", ""},
    };
    for (const Case& c : cases) {
        VarnelHarness h;
        QVERIFY(h.module);
        QVERIFY(openPage(h));
        SettingsForm* f = h.form();
        InputTableTab* t = f->inputTab;
        t->setCollectionWait(1000);
        h.module->collection.setSettingsBytes(fromHex("64 00 00 00 05 03 00"));
        h.module->collection.answerReads = !c.silentRead;
        h.module->collection.writeAck = c.silentRead ? SimCollection::Ack::Ok : SimCollection::Ack::Silent;
        (c.silentRead ? t->Command28 : t->Command29)->click();
        QVERIFY2(h.dialogs.waitForMessage(1, 4000), qPrintable(c.told));
        QCOMPARE(h.dialogs.lastText(), c.told);
        h.module->collection.writeAck = SimCollection::Ack::Ok;
        if (c.silentRead) {
            if (c.typesReSend) {
                t->TxtReSend->setFocus();
                QTest::keyClicks(t->TxtReSend, QStringLiteral("2"));
            }
            const QByteArray held = h.module->collection.settingsBytes();
            const int from = h.sim().requests().size();
            t->Command29->click();
            QVERIFY(h.dialogs.waitForMessage(2));
            QCOMPARE(h.dialogs.lastText(), c.saveTold);
            QTest::qWait(300);
            QCOMPARE(h.sim().requests().size(), from);
            QCOMPARE(h.module->collection.settingsBytes(), held);
            continue;
        }
        TableRig::fillGrid(t->MSGrid2, 2, TableRig::goldenChannel());
        const int from = h.sim().requests().size();
        t->Command13->click();
        QVERIFY(h.dialogs.waitForMessage(2, 15000));
        QVERIFY2(!f->transfers->busy(), qPrintable(h.dialogs.describe()));
        QCOMPARE(h.dialogs.lastText(), QStringLiteral("设置成功"));
        // The module answers in turn: the first acknowledgement may be the
        // unanswered write's, come late, so row 0 goes out once more.
        QCOMPARE(TableRig::requestsFrom(h, from).size(), 3);
    }
}

void TestCollectionSettingsPage::clampsAndModes() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    InputTableTab* t = h.form()->inputTab;
    struct Typed {
        QLineEdit* box;
        QString typed;
        QString shown;
    };
    const QList<Typed> cases = {
        {t->TxtTimeOut, "5", "100"},    {t->TxtTimeOut, "30000", "25500"}, {t->TxtTimeOut, "", "100"},
        {t->TxtReSend, "11", "10"},     {t->TxtReSend, "7", "7"},          {t->TxtPeriod, "90000", "86400"},
        {t->TxtPeriod, "0.05", "0.05"},
    };
    for (const Typed& c : cases) {
        c.box->setFocus();
        c.box->selectAll();
        if (c.typed.isEmpty())
            QTest::keyClick(c.box, Qt::Key_Backspace);
        else
            QTest::keyClicks(c.box, c.typed);
        QCOMPARE(c.box->text(), c.shown);
    }
    t->Option10->click();
    QCOMPARE(t->TxtPeriod->text(), QStringLiteral("0"));
    for (QWidget* w : QList<QWidget*>{t->TxtPeriod, t->TxtTimeOut}) QVERIFY(!w->isEnabled());
    QVERIFY(t->TxtReSend->isEnabled());
    QVERIFY(t->CheckHis->isEnabled());
    t->Option9->click();
    for (QWidget* w : QList<QWidget*>{t->TxtPeriod, t->TxtTimeOut}) QVERIFY(w->isEnabled());
}

void TestCollectionSettingsPage::closedPortOpensConnectDialog() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    for (QPushButton* b : {h.form()->inputTab->Command29, h.form()->inputTab->Command28}) {
        h.main().unloadConnectDialog();
        g::InTableOp = 0;
        b->click();
        QVERIFY(h.main().connectDialog());
        QCOMPARE(g::InTableOp, 0);
    }
    QCOMPARE(h.sim().requests().size(), 0);
}

QTEST_MAIN(TestCollectionSettingsPage)
#include "tst_collection_settings.moc"
