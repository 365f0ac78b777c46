// The parameter page end to end: the refresh chains the answers choose, the
// values they show, the timed write sequences, the single writes and the
// clear of "清空" by page.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "../VarnelHarness.h"
#include "platform/CommPort.h"
#include "tests/support/WriteTimes.h"
#include "platform/Controls.h"
#include "tests/support/BoxInput.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/PhoneTab.h"
#include "platform/FlexGrid.h"
#include "varnel/sms_parser/AnswerReceiver.h"

using SimSupport::fromHex;
using SimSupport::hex;

namespace {

QByteArray query(const char* code) { return VarnelHarness::frame(code); }

// The requests from index `from` on, as hex.
QStringList requestsSince(VarnelHarness& h, int from) {
    QStringList out;
    for (int i = from; i < h.sim().requests().size(); ++i) out << hex(h.request(i).mid(8));
    return out;
}

// Arms the deadlines of a chain about to start on the form's timers: its
// first frame within firstMs + 300 of now, each further one within
// stepMs + 300 of the one before.
void paceChain(WriteTimes& w, int firstMs, int stepMs) {
    w.eachDueWithin(stepMs + 300);
    w.nextDueWithin(firstMs + 300);
}

// Checks that the frames written from `first` on are `codes`, frame i
// firstMs + i * stepMs or more after t0 (on w's clock), and none after its
// deadline. The lower bound counts from t0, before the chain's timer was
// armed, not from the frame before: a tick restarts its timer before it
// writes, and a busy machine may hold the thread between the two, so one
// gap alone can come out short by that hold, while no frame comes before
// its count of whole steps from the start.
void expectChain(WriteTimes& w, int first, qint64 t0, const QStringList& codes, int firstMs, int stepMs) {
    w.eachDueWithin(0);
    QCOMPARE(w.count() - first, codes.size());
    for (int i = 0; i < codes.size(); ++i) {
        QCOMPARE(hex(w.frame(first + i).mid(8)), codes[i]);
        const qint64 at = w.atMs(first + i) - t0;
        const qint64 want = firstMs + qint64(i) * stepMs;
        QVERIFY2(at >= want - 20, qPrintable(QStringLiteral("%1 at %2, wanted %3").arg(codes[i]).arg(at).arg(want)));
    }
    QCOMPARE(w.late(), QList<int>{});
}

}  // namespace

class TestParams : public QObject {
    Q_OBJECT

private slots:
    void firstRefreshAfterConnectActiveFormatted();
    void refreshPassiveTransparentPowerSaving();
    void silentModuleEndsRefresh();
    void offlineRefreshSendsAndDisablesNothing();
    void workModeSequence();
    void workModeNeedsAChoice();
    void chainBeforeTheTimedRefreshKeepsTheButtons();
    void powerSavingSequence();
    void powerSavingRefusesBadDelays();
    void answersApplied();
    void clearByPage_data();
    void clearByPage();
    void closedPortOnlyShowsTheConnectDialog_data();
    void closedPortOnlyShowsTheConnectDialog();
};

void TestParams::firstRefreshAfterConnectActiveFormatted() {
    VarnelHarness h;
    WriteTimes w(h.port());
    h.connect();
    QVERIFY(QTest::qWaitFor([&] { return h.form() && h.form()->Timer5->enabled(); }, 8000));
    // Six handshake requests, the last (D1) answered by opening the form.
    QCOMPARE(w.count(), 6);
    const int from = h.waitFor(query("EC 03"), 6, 4000);
    QVERIFY(from > 0);
    // The first query ends a run of three timers: only the rest are paced.
    w.eachDueWithin(800);
    ParamTab* p = h.form()->paramTab;
    QVERIFY(QTest::qWaitFor([&] { return p->Command8->isEnabled(); }, 6000));
    // Timer5, Timer6, then the refresh's first second.
    expectChain(w, 6, w.atMs(5), {"EC 03", "A3 02", "A1 03", "F8 03", "F9 03", "D3 03", "AB 03"}, 2000, 500);
    QTest::qWait(700);
    QCOMPARE(h.sim().requests().size(), from + 7);
    QVERIFY(!h.form()->Timer2->enabled());
    QCOMPARE(g::RefreshStep, 100);
    for (QPushButton* b : h.form()->coveredButtons()) QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    QCOMPARE(p->Label7->text(), QStringLiteral("9600bps"));
    QCOMPARE(p->Label8->text(), QStringLiteral("QV7351-V402"));
    QCOMPARE(p->Label12->text(), QStringLiteral("3517.6"));
    QCOMPARE(p->Text4->text(), QStringLiteral("3517.6"));
    QCOMPARE(p->Label10->text(), QStringLiteral("无密码"));
    QCOMPARE(p->Label3->text(), QStringLiteral("主动方式"));
    QCOMPARE(p->Label4->text(), QStringLiteral("格式传输"));
    QCOMPARE(p->Label19->text(), QStringLiteral("无省电"));
    QCOMPARE(p->LabelFlash->text(), QStringLiteral("4M"));
    QVERIFY(p->Option2->isChecked());
    QCOMPARE(p->Combo1->currentIndex(), 0);
    QCOMPARE(p->Combo2->currentIndex(), 0);
    // Reading the password use selected an option: nothing was written.
    for (const ModuleSim::Record& r : h.sim().requests())
        QVERIFY(!r.bytes.mid(8).startsWith(fromHex("A1 01")));
    QVERIFY(h.dialogs.messages().isEmpty());
}

void TestParams::refreshPassiveTransparentPowerSaving() {
    VarnelHarness h;
    SimParams* s = h.module->params;
    h.sim().identity.workMode = 0;
    h.sim().identity.transMode = 0;
    s->passwordUse = 2;
    s->password = fromHex("12 34 56 78");
    s->address = fromHex("31 32");
    s->subMode = 0;
    s->mask = 0x01020A01;
    s->powerSaving = 1;
    s->idleUnits = 5;
    s->dataUnits = 0x19;
    s->wakeMode = 1;
    QVERIFY(h.connectToForm());
    ParamTab* p = h.form()->paramTab;
    p->Combo3->setEditText(QStringLiteral("19200bps"));
    WriteTimes w(h.port());
    const qint64 t0 = w.nowMs();
    paceChain(w, 1000, 500);
    QTest::mouseClick(p->Command8, Qt::LeftButton);
    QVERIFY(!p->Command8->isEnabled());
    QCOMPARE(p->Label3->text(), QStringLiteral("* * * *"));
    QVERIFY(QTest::qWaitFor([&] { return p->Command8->isEnabled(); }, 12000));
    expectChain(w, 0, t0,
                {"EC 03", "A3 02", "A1 03", "F1 03", "F8 03", "E2 03", "F9 03", "FB 03", "E1 03", "D3 03",
                 "D2 03", "DB 03", "AB 03"},
                1000, 500);
    QVERIFY(p->Option1->isChecked());
    QVERIFY(!p->Check3->isChecked());
    QVERIFY(p->Check4->isChecked());
    QCOMPARE(p->Label5->text(), QStringLiteral("12:34:56:78:"));
    QCOMPARE(p->Label3->text(), QStringLiteral("被动方式"));
    QCOMPARE(p->Label9->text(), QStringLiteral("31:32:"));
    QCOMPARE(p->Text3->text(), QStringLiteral("31:32:"));
    QCOMPARE(p->Label4->text(), QStringLiteral("透明方式2"));
    QCOMPARE(p->Combo2->currentText(), QStringLiteral("透明方式2"));
    QCOMPARE(p->Label15->text(), QStringLiteral("1"));
    QCOMPARE(p->Label16->text(), QStringLiteral("2"));
    QCOMPARE(p->Label17->text(), QStringLiteral("10"));
    QCOMPARE(p->Label18->text(), QStringLiteral("十六进制"));
    QCOMPARE(p->Combo4->currentText(), QStringLiteral("16进制"));
    // The rate list shows the line's rate, never the address type.
    QCOMPARE(p->Combo3->currentText(), QStringLiteral("9600bps"));
    QCOMPARE(p->Label22->text(), QStringLiteral("2s   10s"));
    QCOMPARE(p->Text11->text(), QStringLiteral("2000"));
    QCOMPARE(p->Text13->text(), QStringLiteral("10000"));
    QCOMPARE(p->Label30->text(), QStringLiteral("模式2"));
    QVERIFY(p->Option8->isChecked());
    QVERIFY(p->Option5->isChecked());
    QCOMPARE(g::WorkModeByte[0], uint8_t(0));
    QCOMPARE(g::TransModeByte[0], uint8_t(0));
    for (const ModuleSim::Record& r : h.sim().requests())
        QVERIFY(!r.bytes.mid(8).startsWith(fromHex("A1 01")));
    // 不需要: the module stops asking for a password, and the boxes say so.
    QTest::mouseClick(p->Option2, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return s->passwordUse == 0; }, 3000));
    QVERIFY(!p->Check3->isChecked() && !p->Check4->isChecked());
}

void TestParams::silentModuleEndsRefresh() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    h.module->params->muted.insert(0xEC);
    ParamTab* p = h.form()->paramTab;
    const int from = h.sim().requests().size();
    WriteTimes w(h.port());
    // The refresh gives up on its own timer: before a deadline armed with it.
    Deadline ends(1900, [&] { return p->Command8->isEnabled(); });
    ends.start();
    QTest::mouseClick(p->Command8, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return p->Command8->isEnabled(); }, 5000));
    QVERIFY2(w.nowMs() >= 1480, qPrintable(QString::number(w.nowMs())));
    QVERIFY(ends.met());
    QTest::qWait(600);
    QCOMPARE(requestsSince(h, from).size(), 1);
    QCOMPARE(hex(h.request(from).mid(8)), QStringLiteral("EC 03"));
}

void TestParams::offlineRefreshSendsAndDisablesNothing() {
    VarnelHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QVERIFY(h.port().isOpen());
    ParamTab* p = h.form()->paramTab;
    p->Label3->setText(QStringLiteral("主动方式"));
    QTest::mouseClick(p->Command8, Qt::LeftButton);
    QCOMPARE(p->Label3->text(), QStringLiteral("* * * *"));
    QTest::qWait(1600);
    QVERIFY(h.sim().requests().isEmpty());
    for (QPushButton* b : h.form()->coveredButtons())
        if (b != h.form()->Command9) QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void TestParams::workModeSequence() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    ParamTab* p = h.form()->paramTab;
    Controls::setListIndexAndClick(p->Combo1, 0);
    Controls::setListIndexAndClick(p->Combo2, 1);
    p->VS1->setValue(-2);
    p->VS2->setValue(-3);
    p->VS3->setValue(-4);
    QCOMPARE(p->Text5->text(), QStringLiteral("2"));
    Controls::setListIndexQuiet(p->Combo4, 2);
    WriteTimes w(h.port());
    paceChain(w, 200, 2000);
    Deadline backInTime(8700, [&] { return p->Command5->isEnabled(); });
    backInTime.start();
    QTest::mouseClick(p->Command5, Qt::LeftButton);
    QVERIFY(!p->Command5->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return p->Command5->isEnabled(); }, 15000));
    QVERIFY2(w.nowMs() >= 8150, qPrintable(QString::number(w.nowMs())));
    QVERIFY(backInTime.met());
    expectChain(w, 0, 0, {"F8 01 01", "F9 01 00", "FB 01 01", "E1 01 02 03 04 02"}, 200, 2000);
}

void TestParams::workModeNeedsAChoice() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    ParamTab* p = h.form()->paramTab;
    QCOMPARE(p->Combo1->currentText(), QStringLiteral("无"));
    const int from = h.sim().requests().size();
    QTest::mouseClick(p->Command5, Qt::LeftButton);
    QVERIFY(h.dialogs.waitForMessage(2, 3500));
    QCOMPARE(h.dialogs.messages().first().text, QStringLiteral("你必须选择需要的工作方式"));
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("提示信息"));
    QCOMPARE(h.sim().requests().size(), from);
    // A choice lets the sequence go on at its next tick.
    Controls::setListIndexAndClick(p->Combo1, 1);
    QVERIFY(h.waitFor(VarnelHarness::frame("F8 01 00"), from, 3000) >= from);
    h.form()->Timer1->setEnabled(false);
}

void TestParams::chainBeforeTheTimedRefreshKeepsTheButtons() {
    // Pressed in the form's first second: the timed refresh waits for the
    // user's chain and runs once it has ended; the buttons come back as
    // they were before the chain.
    VarnelHarness h;
    h.connect();
    QVERIFY(QTest::qWaitFor([&] { return h.form() && h.form()->Timer5->enabled(); }, 8000));
    ParamTab* p = h.form()->paramTab;
    Controls::setListIndexAndClick(p->Combo1, 0);
    Controls::setListIndexAndClick(p->Combo2, 0);
    const QList<QPushButton*> covered = h.form()->coveredButtons();
    QList<bool> before;
    for (QPushButton* b : covered) before << b->isEnabled();
    const int from = h.sim().requests().size();
    QTest::mouseClick(p->Command5, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return g::RecvMode == 101 && !h.form()->Timer6->enabled(); }, 3000));
    // The opening refresh follows once the chain has ended.
    QVERIFY(QTest::qWaitFor([&] { return !h.form()->Timer1->enabled() && h.form()->Timer2->enabled(); }, 9000));
    QCOMPARE(requestsSince(h, from), (QStringList{"F8 01 01", "F9 01 01"}));
    QVERIFY(QTest::qWaitFor([&] { return !h.form()->Timer2->enabled() && p->Command8->isEnabled(); }, 12000));
    const QStringList sent = requestsSince(h, from);
    QCOMPARE(sent.mid(0, 3), (QStringList{"F8 01 01", "F9 01 01", "EC 03"}));
    QCOMPARE(sent.last(), QStringLiteral("AB 03"));
    for (int i = 0; i < covered.size(); ++i)
        QVERIFY2(covered[i]->isEnabled() == before[i], qPrintable(covered[i]->objectName()));
}

void TestParams::powerSavingSequence() {
    for (const char* idle : {"1000", "1400"}) {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        ParamTab* p = h.form()->paramTab;
        // The user's own wake settings: nothing needs asking first.
        Controls::setValueQuiet(p->Option5, true);
        QTest::mouseClick(p->Option7, Qt::LeftButton);
        QVERIFY(BoxInput::put(p->Text11, QString::fromLatin1(idle), BoxInput::Way::Typed));
        QVERIFY(BoxInput::put(p->Text13, QStringLiteral("10000"), BoxInput::Way::Typed));
        WriteTimes w(h.port());
        paceChain(w, 100, 1000);
        QTest::mouseClick(p->Command14, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !h.form()->Timer3->enabled(); }, 6000));
        const QString delays = QString::fromLatin1(idle) == QStringLiteral("1000")
                                   ? QStringLiteral("D2 01 00 02 00 19")
                                   : QStringLiteral("D2 01 00 04 00 19");
        expectChain(w, 0, 0, {"D3 01 01", "DB 01 00 00 00 00", delays}, 100, 1000);
        QVERIFY(p->Command14->isEnabled());
        QVERIFY(p->Command8->isEnabled());
    }
}

void TestParams::powerSavingRefusesBadDelays() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    ParamTab* p = h.form()->paramTab;
    Controls::setValueQuiet(p->Option5, true);
    for (const char* bad : {"26214200", "-400"}) {
        h.dialogs.clear();
        p->Text11->setText(QString::fromLatin1(bad));
        const int from = h.sim().requests().size();
        QTest::mouseClick(p->Command14, Qt::LeftButton);
        QCOMPARE(h.dialogs.messageCount(), 1);
        QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("提示"));
        QVERIFY(!h.form()->Timer3->enabled());
        QVERIFY(p->Command8->isEnabled());
        QTest::qWait(300);
        QCOMPARE(h.sim().requests().size(), from);
    }
}

void TestParams::answersApplied() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    ParamTab* p = h.form()->paramTab;
    AnswerReceiver* receiver = h.app->forms->answerReceiver();
    auto deliver = [&](const QByteArray& bytes) {
        const int before = receiver->framesHandled();
        h.sim().send(bytes);
        return QTest::qWaitFor([&] { return receiver->framesHandled() > before; }, 2000);
    };
    // The refresh's query of `code` is out: its answer moves the refresh on;
    // the same answer with no query out is shown and leaves the refresh be.
    auto asked = [](uint8_t code) {
        g::RefreshStep = 100;
        g::RefreshQuery = code;
    };
    const int from = h.sim().requests().size();
    asked(0xA1);
    QVERIFY(deliver(VarnelHarness::frame("A1 00 03")));
    QVERIFY(p->Option1->isChecked() && p->Check3->isChecked() && p->Check4->isChecked());
    QCOMPARE(g::RefreshStep, 3);
    QVERIFY(deliver(VarnelHarness::frame("A1 00 00")));
    QCOMPARE(g::RefreshStep, 3);
    QVERIFY(p->Option2->isChecked());
    QCOMPARE(p->Label10->text(), QStringLiteral("无密码"));
    QVERIFY(deliver(VarnelHarness::frame("E1 00 01 02 03 03")));
    QCOMPARE(p->Label18->text(), QStringLiteral("ASCII"));
    QVERIFY(deliver(VarnelHarness::frame("E1 00 01 02 03 02")));
    QCOMPARE(p->Combo4->currentText(), QStringLiteral("BCD码"));
    QVERIFY(deliver(VarnelHarness::frame("E1 00 01 02 03 07")));
    QCOMPARE(p->Combo4->currentText(), QStringLiteral("BCD码"));
    asked(0xD3);
    QVERIFY(deliver(VarnelHarness::frame("D3 00 00")));
    QCOMPARE(g::RefreshStep, 99);
    asked(0xAB);
    QVERIFY(deliver(VarnelHarness::frame("AB 00 18 00")));
    QCOMPARE(p->LabelFlash->text(), QStringLiteral("**"));
    QCOMPARE(g::RefreshStep, 100);
    QVERIFY(deliver(VarnelHarness::frame("AB 00 FF 00")));
    QCOMPARE(p->LabelFlash->text(), QStringLiteral("无"));
    QVERIFY(deliver(VarnelHarness::frame("A2 00 01 38 00 13 80 00")));
    QCOMPARE(p->Label6->text(), QStringLiteral("13800138000"));
    QCOMPARE(p->Text2->text(), QStringLiteral("13800138000"));
    asked(0xF8);
    QVERIFY(deliver(VarnelHarness::frame("F8 00 00")));
    QCOMPARE(g::RefreshStep, 5);
    QCOMPARE(p->Combo1->currentText(), QStringLiteral("被动方式"));
    // The ready notice: status 1 only.
    QVERIFY(deliver(VarnelHarness::frame("FD 02")));
    QVERIFY(h.dialogs.messages().isEmpty());
    h.module->sendNotice(1);
    QVERIFY(h.dialogs.waitForMessage(1, 2000));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("模块初始化已经完成，您可以设置参数了"));
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("提示信息"));
    // Nothing read was written back.
    QTest::qWait(200);
    QCOMPARE(h.sim().requests().size(), from);
}

void TestParams::clearByPage_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("frame");
    QTest::newRow("parameters") << 0 << "D5 01 00";
    QTest::newRow("SMS test") << 1 << "";
    QTest::newRow("phone table") << 2 << "D9 04 01";
    QTest::newRow("input table") << 3 << "A8 04 01";
    QTest::newRow("command table") << 4 << "A9 04 01";
}

void TestParams::clearByPage() {
    QFETCH(int, tab);
    QFETCH(QString, frame);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    h.form()->SSTab1->setCurrentIndex(tab);
    const int from = h.sim().requests().size();
    const qsizetype receivedBefore = h.sim().received().size();
    Controls::runClick(h.form()->paramTab->Command18);
    if (frame.isEmpty()) {
        QTest::qWait(300);
        QCOMPARE(h.sim().received().size(), receivedBefore);
        return;
    }
    QVERIFY(h.waitFor(VarnelHarness::frame(qPrintable(frame)), from, 2000) == from);
    QCOMPARE(g::PhoneTableOp, tab == 2 ? 2 : 0);
    QCOMPARE(g::InTableOp, tab == 3 ? 4 : 0);
    QCOMPARE(g::OutTableOp, tab == 4 ? 4 : 0);
    if (tab == 0) QCOMPARE(h.module->parameterClears.size(), 1);
}

void TestParams::closedPortOnlyShowsTheConnectDialog_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("button");
    for (int tab : {0, 2, 3, 4}) QTest::addRow("清空 on tab %d", tab) << tab << "Command18";
    QTest::newRow("phone table write") << 2 << "Command11";
    QTest::newRow("refresh") << 0 << "Command8";
    QTest::newRow("work mode") << 0 << "Command5";
    QTest::newRow("power saving") << 0 << "Command14";
}

void TestParams::closedPortOnlyShowsTheConnectDialog() {
    QFETCH(int, tab);
    QFETCH(QString, button);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    f->SSTab1->setCurrentIndex(tab);
    f->phoneTab->Grid->setRows(2);
    f->phoneTab->Grid->setTextMatrix(1, 2, QStringLiteral("13800138000"));
    QList<bool> enabled;
    for (QPushButton* b : f->coveredButtons()) enabled << b->isEnabled();
    h.port().close();
    const qsizetype received = h.sim().received().size();
    auto* b = f->findChild<QPushButton*>(button);
    QVERIFY(b);
    Controls::runClick(b);
    QVERIFY(h.main().connectDialog());
    QVERIFY(!h.main().connectDialog()->isModal());
    QCOMPARE(g::PhoneTableOp, 0);
    QCOMPARE(g::InTableOp, 0);
    QCOMPARE(g::OutTableOp, 0);
    for (VbTimer* t : {f->Timer1, f->Timer2, f->Timer3}) QVERIFY2(!t->enabled(), qPrintable(t->objectName()));
    QList<bool> after;
    for (QPushButton* c : f->coveredButtons()) after << c->isEnabled();
    QCOMPARE(after, enabled);
    QCOMPARE(h.sim().received().size(), received);
}

QTEST_MAIN(TestParams)
#include "tst_params.moc"
