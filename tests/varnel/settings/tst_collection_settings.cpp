// The collection settings page against the simulated module: the write
// frame and its acknowledgement, the read and what it shows, the boxes'
// clamps, and an acknowledgement that never touches the input table.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "../VarnelHarness.h"
#include "platform/FlexGrid.h"
#include "varnel/settings/TableTabs.h"
#include "varnel/sms_parser/AnswerReceiver.h"

using SimSupport::fromHex;

class TestCollectionSettingsPage : public QObject {
    Q_OBJECT

private slots:
    void writeSendsFrameAndAcknowledges_data();
    void writeSendsFrameAndAcknowledges();
    void readShowsModuleSettings_data();
    void readShowsModuleSettings();
    void acknowledgementLeavesInputTableAlone();
    void shortReadAnswerKeepsEmptiedPage();
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

void TestCollectionSettingsPage::writeSendsFrameAndAcknowledges_data() {
    QTest::addColumn<bool>("polling");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("timeOut");
    QTest::addColumn<QString>("reSend");
    QTest::addColumn<bool>("history");
    QTest::addColumn<int>("ack");  // SimCollection::Ack
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("message");
    QTest::newRow("1.5 s, history") << true << "1.5"
                                    << "500"
                                    << "3" << true << int(SimCollection::Ack::Ok)
                                    << fromHex("A8 F1 00 9F 96 00 00 00 05 03 01") << "设置成功";
    QTest::newRow("86400 s, 550 ms") << true << "86400"
                                     << "550"
                                     << "10" << false << int(SimCollection::Ack::Ok)
                                     << fromHex("A8 F1 00 69 00 D6 83 00 06 0A 00") << "设置成功";
    QTest::newRow("listening, refused") << false << "0"
                                        << "500"
                                        << "3" << false << int(SimCollection::Ack::Fail)
                                        << fromHex("A8 F1 00 08 00 00 00 00 05 03 00") << "设置失败";
}

void TestCollectionSettingsPage::writeSendsFrameAndAcknowledges() {
    QFETCH(bool, polling);
    QFETCH(QString, period);
    QFETCH(QString, timeOut);
    QFETCH(QString, reSend);
    QFETCH(bool, history);
    QFETCH(int, ack);
    QFETCH(QByteArray, tail);
    QFETCH(QString, message);
    VarnelHarness h;
    QVERIFY(h.module);
    QVERIFY(openPage(h));
    InputTableTab* t = h.form()->inputTab;
    h.module->collection.writeAck = SimCollection::Ack(ack);
    (polling ? t->Option9 : t->Option10)->click();
    if (polling) t->TxtPeriod->setText(period);
    t->TxtTimeOut->setText(timeOut);
    t->TxtReSend->setText(reSend);
    t->CheckHis->setChecked(history);
    const int from = h.sim().requests().size();
    t->Command29->click();
    QVERIFY(h.waitFor(VarnelHarness::frame("") + tail + QByteArray(7, '\0'), from) >= 0);
    QVERIFY2(h.dialogs.waitForMessage(1), qPrintable(h.dialogs.describe()));
    QTest::qWait(300);
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(h.dialogs.messages()[0].text, message);
    QCOMPARE(h.dialogs.messages()[0].title, QStringLiteral("提示"));
    QCOMPARE(h.sim().requests().size(), from + 1);
    // A repeated acknowledgement answers nothing that is still pending.
    h.sim().send(VarnelHarness::frame("A8 00 53 45 54 4F 4B 3A 30 30"));
    QTest::qWait(400);
    QCOMPARE(h.dialogs.messageCount(), 1);
}

void TestCollectionSettingsPage::readShowsModuleSettings_data() {
    QTest::addColumn<QByteArray>("seven");
    QTest::addColumn<bool>("polling");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("timeOut");
    QTest::addColumn<QString>("reSend");
    QTest::addColumn<bool>("history");
    QTest::newRow("1.5 s, history") << fromHex("96 00 00 00 05 03 01") << true << "1.5"
                                    << "500"
                                    << "3" << true;
    QTest::newRow("listening") << fromHex("00 00 00 00 00 0B 02") << false << "0"
                               << "100"
                               << "0" << false;
    QTest::newRow("86400 s") << fromHex("00 D6 83 00 FF 0A 00") << true << "86400"
                             << "25500"
                             << "10" << false;
}

void TestCollectionSettingsPage::readShowsModuleSettings() {
    QFETCH(QByteArray, seven);
    VarnelHarness h;
    QVERIFY(h.module);
    QVERIFY(openPage(h));
    InputTableTab* t = h.form()->inputTab;
    h.module->collection.setSettingsBytes(seven);
    // Start from the other mode, so that the answer has to change it.
    (seven.startsWith(QByteArray(4, '\0')) ? t->Option9 : t->Option10)->click();
    t->CheckHis->setChecked(!seven.endsWith('\x01'));
    const int from = h.sim().requests().size();
    t->Command28->click();
    QVERIFY(h.waitFor(VarnelHarness::frame("A8 F2"), from) >= 0);
    QVERIFY(QTest::qWaitFor([&] { return !t->TxtReSend->text().isEmpty(); }, 3000));
    QTEST(t->Option9->isChecked(), "polling");
    QCOMPARE(t->Option10->isChecked(), !t->Option9->isChecked());
    QCOMPARE(t->TxtPeriod->isEnabled(), t->Option9->isChecked());
    QCOMPARE(t->TxtTimeOut->isEnabled(), t->Option9->isChecked());
    QTEST(t->TxtPeriod->text(), "period");
    QTEST(t->TxtTimeOut->text(), "timeOut");
    QTEST(t->TxtReSend->text(), "reSend");
    QTEST(t->CheckHis->isChecked(), "history");
    QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
    QCOMPARE(h.sim().requests().size(), from + 1);
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
