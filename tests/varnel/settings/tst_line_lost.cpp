// The line going away under a running chain: told once, every chain ended
// with its buttons given back, and nothing of it sent once the module is
// connected again. A new connect does the same without a word (a test
// request still in its wait included), and a request pressed while its
// handshake runs waits for the connect.

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "TableRig.h"
#include "platform/Controls.h"
#include "platform/FilterTextEdit.h"
#include "tests/support/VirtualTime.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/TestTab.h"

using namespace TableRig;
using SimSupport::hex;

class TestLineLost : public QObject {
    Q_OBJECT

private slots:
    void lineLostEndsTheChain_data();
    void lineLostEndsTheChain();
    void connectKeepsApart_data();
    void connectKeepsApart();
};

namespace {

using Step = std::function<void(VarnelHarness&)>;
using Ready = std::function<bool(VarnelHarness&, int from)>;

// Every button's enabled state and caption, by objectName.
QStringList buttonStates(SettingsForm* f) {
    QStringList out;
    for (const QPushButton* b : f->findChildren<QPushButton*>())
        out << QStringLiteral("%1 %2 %3").arg(b->objectName(), b->text()).arg(b->isEnabled());
    out.sort();
    return out;
}

bool sentTwice(VarnelHarness& h, int from) { return h.sim().requests().size() >= from + 2; }

}  // namespace

void TestLineLost::lineLostEndsTheChain_data() {
    QTest::addColumn<Step>("start");
    QTest::addColumn<Ready>("ready");
    // The refresh is cut after an answer has chosen the next query, so a
    // request is pending when the line goes.
    QTest::newRow("refresh") << Step([](VarnelHarness& h) {
        QTest::mouseClick(h.form()->paramTab->Command8, Qt::LeftButton);
    }) << Ready([](VarnelHarness& h, int from) { return sentTwice(h, from) && g::RefreshStep == 2; });
    QTest::newRow("work mode") << Step([](VarnelHarness& h) {
        ParamTab* p = h.form()->paramTab;
        p->Combo1->setCurrentIndex(0);
        p->Combo2->setCurrentIndex(1);
        QTest::mouseClick(p->Command5, Qt::LeftButton);
    }) << Ready(sentTwice);
    QTest::newRow("power saving") << Step([](VarnelHarness& h) {
        h.form()->paramTab->Option5->setChecked(true);
        QTest::mouseClick(h.form()->paramTab->Command14, Qt::LeftButton);
    }) << Ready(sentTwice);
    QTest::newRow("table read") << Step([](VarnelHarness& h) {
        storeRows(h.module, Tables::Table::Command, 40);
        QTest::mouseClick(h.form()->commandTab->Command23, Qt::LeftButton);
    }) << Ready([](VarnelHarness& h, int) { return h.form()->commandTab->MSGrid1->Rows() >= 3; });
    QTest::newRow("table write") << Step([](VarnelHarness& h) {
        fillGrid(h.form()->commandTab->MSGrid1, 40, plainCommand());
        QTest::mouseClick(h.form()->commandTab->Command13, Qt::LeftButton);
    }) << Ready(sentTwice);
}

void TestLineLost::lineLostEndsTheChain() {
    QFETCH(Step, start);
    QFETCH(Ready, ready);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    const QStringList before = buttonStates(f);
    const int from = h.sim().requests().size();
    start(h);
    QVERIFY(QTest::qWaitFor([&] { return ready(h, from); }, 8000));
    h.sim().closeLine();

    QVERIFY(h.dialogs.waitForMessage(1, 5000));
    QCOMPARE(h.dialogs.messages().first().text, QStringLiteral("串口连接已断开，请检查连线后重新连接"));
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("端口错误"));
    QVERIFY(!h.port().isOpen());
    for (VbTimer* t : {f->Timer1, f->Timer2, f->Timer3, f->Timer4}) QVERIFY2(!t->enabled(), qPrintable(t->objectName()));
    QVERIFY(!f->transfers->busy());
    QCOMPARE(g::InTableOp, 0);
    QCOMPARE(g::OutTableOp, 0);
    QCOMPARE(buttonStates(f), before);
    QVERIFY(!h.main().connectDialog());

    // The module back on the same port: the connect hears only its own
    // frames and succeeds.
    h.sim().stop();
    QVERIFY(h.sim().start(h.fixture.portsDir(), h.fixture.comNumber()));
    h.main().showConnectDialog(true);
    QVERIFY(h.connect() >= 0);
    QVERIFY(QTest::qWaitFor([&] { return f->Timer5->enabled(); }, 8000));
    f->Timer6->setEnabled(false);
    QVERIFY(QTest::qWaitFor([&] { return g::RecvMode == 101; }, 2000));
    f->Timer6->setEnabled(false);
    QStringList sent;
    for (const ModuleSim::Record& r : h.sim().requests()) sent << hex(r.bytes.mid(8));
    QCOMPARE(sent, (QStringList{"FE 03", "F8 03", "F9 03", "EC 03", "D6 03", "D1 03"}));
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(buttonStates(f), before);
}

void TestLineLost::connectKeepsApart_data() {
    lineLostEndsTheChain_data();
    QTest::newRow("collection read") << Step([](VarnelHarness& h) { h.form()->inputTab->Command28->click(); })
                                     << Ready();
    QTest::newRow("collection write") << Step([](VarnelHarness& h) { h.form()->inputTab->Command29->click(); })
                                      << Ready();
    QTest::newRow("test request") << Step([](VarnelHarness& h) {
        TestTab* t = h.form()->testTab;
        h.form()->SSTab1->setCurrentIndex(1);
        t->Text22->setText(QStringLiteral("00:01:"));
        t->ReceiverNumber->setText(QStringLiteral("13800138000"));
        t->TextBox[1]->setPlainText(QStringLiteral("AB"));
        t->Command21[2]->click();
    }) << Ready();
}

// Pressed before the connect, with its answers late enough to come after the
// connect has dropped the waiting input, or pressed while the handshake runs.
void TestLineLost::connectKeepsApart() {
    QFETCH(Step, start);
    for (const bool during : {false, true}) {
        VirtualTime time;
        VarnelHarness h;
        time.watchLine(&h.port(), &h.sim());
        const auto handedOver = [&] {
            if (!time.runUntil([&] { return h.form() && h.form()->Timer5->enabled(); }, 10000)) return false;
            h.form()->Timer6->setEnabled(false);
            if (!time.runUntil([] { return g::RecvMode == 101; }, 2000)) return false;
            h.form()->Timer6->setEnabled(false);
            return true;
        };
        QVERIFY(time.runUntil([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); }, 5000));
        QVERIFY(h.connect() >= 0);
        QVERIFY2(handedOver(), qPrintable(time.why()));
        SettingsForm* f = h.form();
        const QStringList before = buttonStates(f);
        const int from = int(h.sim().requests().size());
        if (!during) {
            h.sim().setFatePolicy([](const QByteArray&) { return ModuleSim::Fate::late(600); });
            start(h);
            // A test request is still in its wait when the connect comes.
            const auto out = [&] { return h.sim().requests().size() > from || f->testTab->sendPending(); };
            QVERIFY2(time.runUntil(out, 8000), qPrintable(h.dialogs.describe()));
        }
        const int atConnect = int(h.sim().requests().size());
        h.main().showConnectDialog(true);
        QVERIFY(h.connect() >= 0);
        h.sim().setFatePolicy({});
        if (during) {
            QVERIFY(time.runFor(150));
            start(h);
        }
        QVERIFY2(handedOver(), qPrintable(time.why() + h.dialogs.describe()));
        // Past every time-out a cut request had.
        QVERIFY(time.runFor(20000));
        QStringList sent;
        for (int i = atConnect; i < h.sim().requests().size(); ++i) sent << hex(h.request(i).mid(8));
        QCOMPARE(sent, (QStringList{"FE 03", "F8 03", "F9 03", "EC 03", "D6 03", "D1 03"}));
        QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
        for (VbTimer* t : {f->Timer1, f->Timer2, f->Timer3, f->Timer4})
            QVERIFY2(!t->enabled(), qPrintable(t->objectName()));
        QVERIFY(!f->transfers->busy());
        QCOMPARE(g::CollectionDue, 0);
        QCOMPARE(buttonStates(f), before);
    }
}

QTEST_MAIN(TestLineLost)
#include "tst_line_lost.moc"
