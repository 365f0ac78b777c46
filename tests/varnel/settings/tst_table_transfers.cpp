// Whole tables between the grids and the simulated module: 64-row reads and
// writes, every end of a transfer, the silent module's repeats, one
// transfer at a time, rows added and deleted, and the clears.

#include <QPushButton>
#include <memory>

#include "TableRig.h"
#include "platform/Controls.h"
#include "tests/support/WriteTimes.h"
#include "varnel/editors/ChannelEditor.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/sms_parser/AnswerReceiver.h"

using namespace TableRig;
using SimSupport::hex;

class TestTableTransfers : public QObject {
    Q_OBJECT

private slots:
    void read64Rows_data();
    void read64Rows();
    void write64Rows_data();
    void write64Rows();
    void readEnds_data();
    void readEnds();
    void writeRefusedByModuleKeepsTheRow_data();
    void writeRefusedByModuleKeepsTheRow();
    void firstRowSilence_data();
    void firstRowSilence();
    void laterRowSilence_data();
    void laterRowSilence();
    void refusedRowEndsTheWrite_data();
    void refusedRowEndsTheWrite();
    void lateAnswersChangeNothing_data();
    void lateAnswersChangeNothing();
    void collectionAcknowledgementLeavesTheRows();
    void oneTransferAtATime();
    void transfersLeaveTheParameterSequencesAlone();
    void workModeWriteDuringARead_data();
    void workModeWriteDuringARead();
    void editorKeepsItsGridThroughAWrite();
    void rowsAddAndDelete_data();
    void rowsAddAndDelete();
    void clearInTheModule_data();
    void clearInTheModule();
};

namespace {

FlexGrid* gridOf(SettingsForm* f, bool input) {
    return input ? f->inputTab->MSGrid2 : f->commandTab->MSGrid1;
}
QPushButton* readButton(SettingsForm* f, bool input) {
    return input ? f->inputTab->Command23 : f->commandTab->Command23;
}
QPushButton* writeButton(SettingsForm* f, bool input) {
    return input ? f->inputTab->Command13 : f->commandTab->Command13;
}
Tables::Table tableOf(bool input) { return input ? Tables::Table::Input : Tables::Table::Command; }
QString code(bool input) { return input ? QStringLiteral("A8") : QStringLiteral("A9"); }

void fillRows(SettingsForm* f, bool input, int n) {
    if (input) {
        fillGrid(gridOf(f, true), n, goldenChannel());
        for (int r = 1; r <= n; ++r) gridOf(f, true)->setTextMatrix(r, 2, QString::number(r));
    } else {
        fillGrid(gridOf(f, false), n, plainCommand());
        for (int r = 1; r <= n; ++r) gridOf(f, false)->setTextMatrix(r, 3, QStringLiteral("读%1").arg(r));
    }
}

QByteArray rowFrame(SettingsForm* f, bool input, int row) {
    return input ? protocol::channelRowFrame(rowOf<31>(gridOf(f, true), row), row - 1).frame
                 : protocol::commandRowFrame(rowOf<10>(gridOf(f, false), row), row - 1).frame;
}

QByteArray readRequest(bool input, int index) {
    return VarnelHarness::frame(
        QStringLiteral("%1 02 %2").arg(code(input)).arg(index, 2, 16, QLatin1Char('0')).toLatin1());
}

// Nothing went out from `from` on but the marker sent now.
bool nothingSentSince(VarnelHarness& h, int from) {
    h.form()->readSMSOut(63);
    return h.waitFor(VarnelHarness::frame("A9 02 3F"), from) == from;
}

// The failure message of a silent transfer is due on the retry timer 5 s
// after the fourth request: its deadline starts as that request goes out.
void startAtFourth(Deadline& d, VarnelHarness& h) {
    auto n = std::make_shared<int>(0);
    QObject::connect(&h.port(), &CommPort::frameWritten, &d, [&d, n] {
        if (++*n == 4) d.start();
    });
}

}  // namespace

// --- whole tables ---------------------------------------------------------------

void TestTableTransfers::read64Rows_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<QString>("endMessage");
    QTest::newRow("input table") << true << QStringLiteral("读取参数成功");
    QTest::newRow("command table") << false << QStringLiteral("读取参数完成");
}

void TestTableTransfers::read64Rows() {
    QFETCH(bool, input);
    QFETCH(QString, endMessage);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    storeRows(h.module, tableOf(input), 64);
    fillRows(f, input, 2);  // emptied by the read
    const int from = int(h.sim().requests().size());
    WriteTimes w(h.port());
    QTest::mouseClick(readButton(f, input), Qt::LeftButton);
    QCOMPARE(readButton(f, input)->text(), QStringLiteral("停止"));
    QVERIFY(!writeButton(f, input)->isEnabled());
    QVERIFY(waitIdle(f, 90000));
    QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: ") + endMessage);
    QCOMPARE(h.dialogs.messages().at(0).icon, Dialogs::Icon::Information);
    const QStringList reqs = requestsFrom(h, from);
    QCOMPARE(reqs.size(), 65);
    for (int i = 0; i <= 64; ++i) QCOMPARE(reqs.at(i), hex(readRequest(input, i)));
    // Each next row is asked for once the last one was taken, paced (never
    // by a repeat: each row was asked for once).
    QCOMPARE(w.count(), 65);
    for (int i = 1; i < 65; ++i)
        QVERIFY2(w.gapMs(i) >= 195, qPrintable(QStringLiteral("gap %1 before request %2").arg(w.gapMs(i)).arg(i)));
    FlexGrid* grid = gridOf(f, input);
    QCOMPARE(grid->Rows(), 65);
    for (int r = 1; r <= 64; ++r) QCOMPARE(grid->TextMatrix(r, 1), QStringLiteral("CH%1").arg(r - 1));
    // The rows read are the module's rows.
    for (int r : {1, 37, 64})
        QCOMPARE(rowFrame(f, input, r).mid(11), h.module->tables.row(tableOf(input), r - 1));
    QCOMPARE(readButton(f, input)->text(), QStringLiteral("读取设置"));
    QVERIFY(writeButton(f, input)->isEnabled());
    QVERIFY(!f->Timer4->enabled());
}

void TestTableTransfers::write64Rows_data() {
    QTest::addColumn<bool>("input");
    QTest::newRow("input table") << true;
    QTest::newRow("command table") << false;
}

void TestTableTransfers::write64Rows() {
    QFETCH(bool, input);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, input, 64);
    FlexGrid* grid = gridOf(f, input);
    grid->setRow(17);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(writeButton(f, input), Qt::LeftButton);
    QCOMPARE(writeButton(f, input)->text(), QStringLiteral("停止"));
    QVERIFY(!grid->isEnabled());
    QVERIFY(waitIdle(f, 90000));
    QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: 设置成功"));
    const QStringList reqs = requestsFrom(h, from);
    QCOMPARE(reqs.size(), 64);
    for (int r = 1; r <= 64; ++r) QCOMPARE(reqs.at(r - 1), hex(rowFrame(f, input, r)));
    QCOMPARE(h.sim().sent().right(8), QByteArray("SETOK:63"));
    QCOMPARE(h.module->tables.rowCount(tableOf(input)), 64);
    QVERIFY(grid->isEnabled());
    QCOMPARE(writeButton(f, input)->text(), QStringLiteral("更新设置"));
    QCOMPARE(input ? g::InTableOp : g::OutTableOp, 0);
}

// --- ends -----------------------------------------------------------------------

void TestTableTransfers::readEnds_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("endKind");    // SimQv7351Tables::End
    QTest::addColumn<QString>("fault");  // what is wrong with row 1
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rowsKept");
    const int shortEnd = int(Tables::End::Short), zero = int(Tables::End::ZeroLength);
    QTest::newRow("A8 short end: silent") << true << 2 << shortEnd << QString() << QString() << 2;
    QTest::newRow("A8 empty table: short end") << true << 0 << shortEnd << QString() << QString() << 0;
    QTest::newRow("A8 empty table: full-size end") << true << 0 << zero << QString() << "读取参数成功" << 0;
    QTest::newRow("A9 empty table") << false << 0 << zero << QString() << "读取参数完成" << 0;
    QTest::newRow("A8 bad sum") << true << 3 << zero << "sum"
                                << "读取参数失败" << 1;
    QTest::newRow("A9 bad sum") << false << 3 << zero << "sum"
                                << "读取参数失败" << 1;
    QTest::newRow("A8 repeated index") << true << 3 << zero << "repeat"
                                       << "读取参数完成" << 1;
    QTest::newRow("A9 repeated index") << false << 3 << zero << "repeat"
                                       << "读取参数完成" << 1;
    QTest::newRow("A9 index above 63") << false << 3 << zero << "index64"
                                       << "读取参数完成" << 1;
    // A row the module sends twice, at once or while a later row is asked.
    QTest::newRow("A8 row 0 twice at once") << true << 3 << zero << "copy 0" << "读取参数成功" << 3;
    QTest::newRow("A9 row 0 twice, 300 ms apart") << false << 3 << zero << "copy 300" << "读取参数完成" << 3;
    QTest::newRow("A8 answer shorter than its length") << true << 3 << zero << "cut"
                                                       << "读参数超时失败" << 1;
    QTest::newRow("A9 answer shorter than its length") << false << 3 << zero << "cut"
                                                       << "读参数超时失败" << 1;
    // Only the head of row 1, the rest lost after a pause: no end of the table.
    QTest::newRow("A8 row cut short") << true << 3 << zero << "head" << "读参数超时失败" << 1;
}

void TestTableTransfers::readEnds() {
    QFETCH(bool, input);
    QFETCH(int, stored);
    QFETCH(int, endKind);
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QFETCH(int, rowsKept);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    f->transfers->setIntervals(1000, 200);
    const Tables::Table t = tableOf(input);
    storeRows(h.module, t, stored);
    h.module->tables.state(t).end = Tables::End(endKind);
    QByteArray row1 = h.module->tables.row(t, 1);
    if (fault == "sum") row1[0] = char(row1.at(0) + 1);
    if (fault == "repeat" || fault == "index64") {
        row1[0] = char(uint8_t(row1.at(0)) - uint8_t(row1.at(1)) + (fault == "repeat" ? 0 : 64));
        row1[1] = char(fault == "repeat" ? 0 : 64);
    }
    if (fault == "cut" || fault == "head") {
        // Row 1 announces two bytes more than it carries: never taken.
        h.module->tables.setRow(t, 1, QByteArray());
        QObject::connect(&h.sim(), &ModuleSim::bytesReceived, &h.sim(), [&h, t, row1, fault](const QByteArray& b) {
            if (b.endsWith(QByteArray::fromHex(QByteArray(t == Tables::Table::Input ? "A80201" : "A90201"))))
                h.sim().send(fault == "cut" ? Tables::rowAnswer(t, row1, 0, uint16_t(row1.size() + 2))
                                            : Tables::rowAnswer(t, row1, 0).left(100));
        });
        h.module->tables.state(t).end = Tables::End::Silence;
    } else if (stored > 1) {
        h.module->tables.setRow(t, 1, row1);
    }
    if (fault.startsWith(QStringLiteral("copy")))
        h.sim().queueFates({ModuleSim::Fate::repeated(2, fault.mid(5).toInt())});
    QTest::mouseClick(readButton(f, input), Qt::LeftButton);
    QVERIFY(waitIdle(f));
    QCOMPARE(h.dialogs.messageCount(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) QCOMPARE(h.dialogs.lastText(), message);
    QCOMPARE(gridOf(f, input)->Rows(), rowsKept + 1);
    QCOMPARE(readButton(f, input)->text(), QStringLiteral("读取设置"));
}

void TestTableTransfers::writeRefusedByModuleKeepsTheRow_data() {
    QTest::addColumn<bool>("input");
    QTest::newRow("input table") << true;
    QTest::newRow("command table") << false;
}

void TestTableTransfers::writeRefusedByModuleKeepsTheRow() {
    QFETCH(bool, input);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, input, 3);
    h.module->tables.state(tableOf(input)).rowAcks.insert(1, Tables::Ack::Fail);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(writeButton(f, input), Qt::LeftButton);
    QVERIFY(waitIdle(f));
    QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: 设置失败"));
    QCOMPARE(gridOf(f, input)->Row(), 2);
    QVERIFY(gridOf(f, input)->isEnabled());
    QCOMPARE(requestsFrom(h, from).size(), 2);
    QVERIFY(nothingSentSince(h, from + 2));
}

// --- a silent module ---------------------------------------------------------------

void TestTableTransfers::firstRowSilence_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("write");
    QTest::newRow("read A8") << true << false;
    QTest::newRow("write A9") << false << true;
}

void TestTableTransfers::firstRowSilence() {
    QFETCH(bool, input);
    QFETCH(bool, write);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, input, 2);
    h.module->tables.state(tableOf(input)).answerReads = false;
    h.module->tables.state(tableOf(input)).writeAck = Tables::Ack::Silent;
    const int from = int(h.sim().requests().size());
    WriteTimes w(h.port());
    // Every retry, and the failure after the fourth, on the 5 s timer alone.
    w.eachDueWithin(5700);
    Deadline gaveUp(5700, [&] { return h.dialogs.messageCount() > 0; });
    startAtFourth(gaveUp, h);
    QTest::mouseClick(write ? writeButton(f, input) : readButton(f, input), Qt::LeftButton);
    QVERIFY(h.dialogs.waitForMessage(1, 30000));
    QCOMPARE(h.dialogs.lastText(),
             write ? QStringLiteral("写参数超时失败") : QStringLiteral("读参数超时失败"));
    const QStringList reqs = requestsFrom(h, from);
    QCOMPARE(reqs.size(), 4);
    const QString first = hex(write ? rowFrame(f, input, 1) : readRequest(input, 0));
    for (const QString& r : reqs) QCOMPARE(r, first);
    for (int i = 1; i < 4; ++i) QVERIFY2(w.gapMs(i) >= 4700, qPrintable(QString::number(w.gapMs(i))));
    QVERIFY2(w.nowMs() - w.atMs(3) >= 4700, qPrintable(QString::number(w.nowMs() - w.atMs(3))));
    QVERIFY(gaveUp.met());
    QCOMPARE(w.late(), QList<int>{});
    QVERIFY(!f->transfers->busy());
}

void TestTableTransfers::laterRowSilence_data() { firstRowSilence_data(); }

void TestTableTransfers::laterRowSilence() {
    QFETCH(bool, input);
    QFETCH(bool, write);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, input, 3);
    storeRows(h.module, tableOf(input), 1);
    h.module->tables.state(tableOf(input)).end = Tables::End::Silence;
    h.module->tables.state(tableOf(input)).rowAcks.insert(1, Tables::Ack::Silent);
    const int from = int(h.sim().requests().size());
    WriteTimes w(h.port());
    Deadline gaveUp(5700, [&] { return h.dialogs.messageCount() > 0; });
    startAtFourth(gaveUp, h);
    QObject::connect(&h.port(), &CommPort::frameWritten, &w, [&] {
        if (w.count() == 2) w.eachDueWithin(5700);
    });
    QTest::mouseClick(write ? writeButton(f, input) : readButton(f, input), Qt::LeftButton);
    QVERIFY(h.dialogs.waitForMessage(1, 30000));
    QCOMPARE(h.dialogs.lastText(),
             write ? QStringLiteral("写参数超时失败") : QStringLiteral("读参数超时失败"));
    const QStringList reqs = requestsFrom(h, from);
    QCOMPARE(reqs.size(), 4);
    const QString second = hex(write ? rowFrame(f, input, 2) : readRequest(input, 1));
    for (int i = 1; i < 4; ++i) QCOMPARE(reqs.at(i), second);
    // The answer to the first row is taken after the receive path's quiet
    // time; the next row follows 200 ms later, then every 5 s on the timer
    // alone.
    QVERIFY2(w.gapMs(1) >= 280, qPrintable(QString::number(w.gapMs(1))));
    for (int i = 2; i < 4; ++i) QVERIFY2(w.gapMs(i) >= 4700, qPrintable(QString::number(w.gapMs(i))));
    QVERIFY2(w.nowMs() - w.atMs(3) >= 4700, qPrintable(QString::number(w.nowMs() - w.atMs(3))));
    QVERIFY(gaveUp.met());
    QCOMPARE(w.late(), QList<int>{});
}

// --- faults mended ---------------------------------------------------------------

void TestTableTransfers::refusedRowEndsTheWrite_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty Chinese switch text")
        << true << 27 << QStringLiteral("转换开关量描述内容时发生错误！");
    QTest::newRow("output frame of 15 fields")
        << false << 8 << QStringLiteral("转换指令输出设置或报文格式不正确，请重新设置");
}

void TestTableTransfers::refusedRowEndsTheWrite() {
    QFETCH(bool, input);
    QFETCH(int, column);
    QFETCH(QString, message);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, input, 3);
    FlexGrid* grid = gridOf(f, input);
    grid->setTextMatrix(2, column, column == 8 ? QStringLiteral("a,b,c") : QString());
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(writeButton(f, input), Qt::LeftButton);
    QVERIFY(waitIdle(f));
    // The first row went and was acknowledged; the refused one ends it all.
    QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: ") + message);
    QCOMPARE(grid->Row(), 2);
    QVERIFY(grid->isEnabled());
    QCOMPARE(writeButton(f, input)->text(), QStringLiteral("更新设置"));
    QCOMPARE(requestsFrom(h, from), QStringList{hex(rowFrame(f, input, 1))});
    QVERIFY(nothingSentSince(h, from + 1));
    QCOMPARE(h.dialogs.messageCount(), 1);
}

void TestTableTransfers::lateAnswersChangeNothing_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("write");
    QTest::addColumn<QString>("late");  // what the module sends after "停止"
    QTest::newRow("A8 row 0 after a read stopped") << true << false << "row";
    QTest::newRow("A9 row 0 after a read stopped") << false << false << "row";
    QTest::newRow("A8 short answer after a read stopped") << true << false << "short";
    QTest::newRow("A8 SETOK after a write stopped") << true << true << "SETOK:00";
    QTest::newRow("A9 SETFAIL after a write stopped") << false << true << "SETFAIL:";
}

void TestTableTransfers::lateAnswersChangeNothing() {
    QFETCH(bool, input);
    QFETCH(bool, write);
    QFETCH(QString, late);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, input, 3);
    const Tables::Table t = tableOf(input);
    storeRows(h.module, t, 3);
    h.module->tables.state(t).answerReads = false;
    h.module->tables.state(t).writeAck = Tables::Ack::Silent;
    QPushButton* b = write ? writeButton(f, input) : readButton(f, input);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(from + 1));
    QTest::mouseClick(b, Qt::LeftButton);  // 停止
    QVERIFY(!f->transfers->busy());
    QCOMPARE(input ? g::InTableOp : g::OutTableOp, 0);
    FlexGrid* grid = gridOf(f, input);
    const int rowsBefore = grid->Rows();
    // Behind the late answer, in the same window, one whose handling shows
    // the window was walked.
    bool walked = false;
    h.app->forms->answerReceiver()->setHandler(AnswerReceiver::WorkMode, 10,
                                               [&walked](const QByteArray&) { walked = true; });
    const uint8_t c = Tables::code(t);
    QByteArray burst;
    if (late == "row")
        burst = Tables::rowAnswer(t, h.module->tables.row(t, 0));
    else if (late == "short")
        burst = ModuleSim::answerFrame(c, 0, QByteArray(2, '\0'));
    else
        burst = ModuleSim::answerFrame(c, 0, late.toLatin1());
    h.sim().send(burst + ModuleSim::answerFrame(0xF8, 0, QByteArray(1, '\x01')));
    QVERIFY(QTest::qWaitFor([&] { return walked; }, 3000));
    QVERIFY(nothingSentSince(h, from + 1));
    QCOMPARE(grid->Rows(), rowsBefore);
    QCOMPARE(h.dialogs.messageCount(), 0);
    QVERIFY(!f->Timer4->enabled());
    QCOMPARE(b->text(), write ? QStringLiteral("更新设置") : QStringLiteral("读取设置"));
}

void TestTableTransfers::collectionAcknowledgementLeavesTheRows() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, true, 3);
    g::InTableOp = 11;  // the collection settings were written
    bool walked = false;
    h.app->forms->answerReceiver()->setHandler(AnswerReceiver::WorkMode, 10,
                                               [&walked](const QByteArray&) { walked = true; });
    h.sim().send(ModuleSim::answerFrame(0xA8, 0, "SETOK:00") +
                 ModuleSim::answerFrame(0xF8, 0, QByteArray(1, '\x01')));
    QVERIFY(QTest::qWaitFor([&] { return walked; }, 3000));
    QCOMPARE(f->inputTab->MSGrid2->Row(), 1);
    // Only the collection settings' own verdict is shown.
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(h.dialogs.messages().at(0).text, QStringLiteral("设置成功"));
    QCOMPARE(h.dialogs.messages().at(0).title, QStringLiteral("提示"));
    QVERIFY(!f->Timer4->enabled());
    QVERIFY(!f->transfers->busy());
}

void TestTableTransfers::oneTransferAtATime() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, true, 2);
    fillRows(f, false, 2);
    h.module->tables.state(Tables::Table::Input).answerReads = false;
    f->commandTab->Command26->setEnabled(false);  // stays so afterwards
    QTest::mouseClick(f->inputTab->Command23, Qt::LeftButton);
    QVERIFY(f->transfers->busy());
    for (const QString& name : TableTransfers::exclusiveControls()) {
        auto* w = f->findChild<QWidget*>(name);
        if (!w) continue;
        QCOMPARE(w->isEnabled(), name == QStringLiteral("Command23(1)"));
    }
    // Presses of the waiting buttons change nothing.
    QTest::mouseClick(f->commandTab->Command13, Qt::LeftButton);
    QTest::mouseClick(f->commandTab->Command25, Qt::LeftButton);
    QCOMPARE(f->commandTab->MSGrid1->Rows(), 3);
    QCOMPARE(f->transfers->step(), TableTransfers::ReadInputs);
    // The editor saving a row, or a click on the command grid, meanwhile
    // give their buttons back only after the transfer.
    f->enableNewRowButton();
    QVERIFY(!f->inputTab->Command25->isEnabled());
    emit f->commandTab->MSGrid1->gridClicked();
    QVERIFY(!f->commandTab->Command13->isEnabled());
    QTest::mouseClick(f->inputTab->Command23, Qt::LeftButton);
    QVERIFY(!f->transfers->busy());
    for (const QString& name : TableTransfers::exclusiveControls()) {
        auto* w = f->findChild<QWidget*>(name);
        if (!w) continue;
        QCOMPARE(w->isEnabled(), name != QStringLiteral("Command26(0)"));
    }
    // Free again, a click on the command grid sets its write button by rows.
    f->commandTab->MSGrid1->setRows(1);
    emit f->commandTab->MSGrid1->gridClicked();
    QVERIFY(!f->commandTab->Command13->isEnabled());
}

void TestTableTransfers::transfersLeaveTheParameterSequencesAlone() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    // A work-mode sequence under way: its step and its timer.
    g::CommStep = 3;
    f->Timer1->setInterval(600000);
    f->Timer1->setEnabled(true);
    storeRows(h.module, Tables::Table::Command, 2);
    fillRows(f, true, 2);
    h.module->tables.state(Tables::Table::Input).rowAcks.insert(1, Tables::Ack::Fail);
    struct Run {
        QPushButton* button;
        QString message;
    };
    const QList<Run> runs = {{f->commandTab->Command23, "读取参数完成"},
                             {f->inputTab->Command13, "设置失败"},
                             {f->commandTab->Command13, "设置成功"}};
    for (const Run& run : runs) {
        h.dialogs.clear();
        QTest::mouseClick(run.button, Qt::LeftButton);
        QVERIFY(waitIdle(f));
        QCOMPARE(h.dialogs.lastText(), run.message);
        QVERIFY(f->Timer1->enabled());
        QCOMPARE(g::CommStep, 3);
    }
}

void TestTableTransfers::workModeWriteDuringARead_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<QString>("endMessage");
    QTest::newRow("input table") << true << QStringLiteral("读取参数成功");
    QTest::newRow("command table") << false << QStringLiteral("读取参数完成");
}

void TestTableTransfers::workModeWriteDuringARead() {
    QFETCH(bool, input);
    QFETCH(QString, endMessage);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    ParamTab* p = f->paramTab;
    storeRows(h.module, tableOf(input), 3);
    // 主动方式, 透明方式1, the address and format as the page starts.
    Controls::setListIndexAndClick(p->Combo1, 0);
    Controls::setListIndexAndClick(p->Combo2, 1);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(readButton(f, input), Qt::LeftButton);
    QVERIFY(f->transfers->busy());
    QTest::mouseClick(p->Command5, Qt::LeftButton);
    QVERIFY(!p->Command5->isEnabled());

    // The read runs to its end while the sequence is under way, and its
    // end leaves the sequence's timer running.
    QVERIFY(waitIdle(f));
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.messages().at(0).text, endMessage);
    QVERIFY(f->Timer1->enabled());
    QVERIFY(!p->Command5->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return p->Command5->isEnabled(); }, 15000));
    QVERIFY(!f->Timer1->enabled());

    QStringList reads, modes;
    int firstMode = -1;
    const auto reqs = h.sim().requests();
    for (int i = from; i < reqs.size(); ++i) {
        const QString r = hex(reqs.at(i).bytes.mid(8));
        if (r.startsWith(code(input))) {
            reads << r;
        } else {
            modes << r;
            if (firstMode < 0) firstMode = int(reads.size());
        }
    }
    QCOMPARE(reads, (QStringList{code(input) + " 02 00", code(input) + " 02 01", code(input) + " 02 02",
                                 code(input) + " 02 03"}));
    // The layout that 透明方式1 writes was never read here: the sequence
    // asks for it first and writes back what the module holds.
    QCOMPARE(modes, (QStringList{"E1 03", "F8 01 01", "F9 01 00", "FB 01 01", "E1 01 00 00 00 00"}));
    // The first work-mode frame went out while the read was still asking.
    QVERIFY2(firstMode > 0 && firstMode < 4, qPrintable(QString::number(firstMode)));
    FlexGrid* grid = gridOf(f, input);
    QCOMPARE(grid->Rows(), 4);
    for (int r : {1, 3}) QCOMPARE(rowFrame(f, input, r).mid(11), h.module->tables.row(tableOf(input), r - 1));
    QCOMPARE(h.dialogs.messageCount(), 1);
}

void TestTableTransfers::editorKeepsItsGridThroughAWrite() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    fillRows(f, true, 2);
    FlexGrid* grid = f->inputTab->MSGrid2;
    emit grid->gridDoubleClicked();
    auto* editor = h.main().findChild<ChannelEditor*>();
    QVERIFY(editor);
    QTest::mouseClick(f->inputTab->Command13, Qt::LeftButton);
    QVERIFY(waitIdle(f));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("设置成功"));
    QVERIFY(!grid->isEnabled());
    editor->close();
    QVERIFY(QTest::qWaitFor([&] { return grid->isEnabled(); }, 2000));
}

// --- rows ------------------------------------------------------------------------

void TestTableTransfers::rowsAddAndDelete_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("action");          // add / delete
    QTest::addColumn<QStringList>("labels");      // column 1 after, then the marker column of the last row
    QTest::addColumn<QStringList>("firstCells");  // col 2 (input) or 3 (command) of every row after
    QTest::addColumn<QString>("message");
    QTest::newRow("add to an empty input table")
        << true << 0 << 0 << "add" << QStringList{"CH0"} << QStringList{""} << QString();
    QTest::newRow("add copies the selected row")
        << true << 5 << 2 << "add" << QStringList{"CH0", "CH1", "CH2", "CH3", "CH4", "CH5"}
        << QStringList{"1", "2", "3", "4", "5", "2"} << QString();
    QTest::newRow("add a 65th input row") << true << 64 << 1 << "add" << QStringList() << QStringList()
                                          << QStringLiteral("报警通道数限制在64条以内");
    QTest::newRow("add a 65th command") << false << 64 << 1 << "add" << QStringList() << QStringList()
                                        << QStringLiteral("指令条数限制在64条以内");
    QTest::newRow("delete row 2 of 4") << false << 4 << 2 << "delete" << QStringList{"CH0", "CH1", "CH2"}
                                       << QStringList{"读1", "读3", "读4"} << QString();
    QTest::newRow("delete the last row")
        << true << 3 << 3 << "delete" << QStringList{"CH0", "CH1"} << QStringList{"1", "2"} << QString();
    QTest::newRow("delete the only row")
        << true << 1 << 1 << "delete" << QStringList() << QStringList() << QString();
}

void TestTableTransfers::rowsAddAndDelete() {
    QFETCH(bool, input);
    QFETCH(int, rows);
    QFETCH(int, selected);
    QFETCH(QString, action);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, firstCells);
    QFETCH(QString, message);
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    SettingsForm* f = h.form();
    FlexGrid* grid = gridOf(f, input);
    fillRows(f, input, rows);
    grid->setRow(selected);
    QPushButton* b = action == "add" ? (input ? f->inputTab->Command25 : f->commandTab->Command25)
                                     : (input ? f->inputTab->Command26 : f->commandTab->Command26);
    QTest::mouseClick(b, Qt::LeftButton);
    if (!message.isEmpty()) {
        QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: ") + message);
        QCOMPARE(grid->Rows(), 65);
        QCOMPARE(grid->TextMatrix(selected, 0), QString());  // no mark where nothing was added
        return;
    }
    QCOMPARE(h.dialogs.messageCount(), 0);
    QCOMPARE(grid->Rows(), labels.size() + 1);
    const int dataCol = input ? 2 : 3;
    for (int r = 1; r < grid->Rows(); ++r) {
        QCOMPARE(grid->TextMatrix(r, 1), labels.at(r - 1));
        QCOMPARE(grid->TextMatrix(r, dataCol), firstCells.at(r - 1));
    }
    if (action == "add") {
        QCOMPARE(grid->Row(), grid->Rows() - 1);
        QCOMPARE(grid->ColSel(), grid->Cols() - 1);
        QCOMPARE(grid->TextMatrix(grid->Rows() - 1, 0), input ? QStringLiteral("*") : QString());
    }
    QCOMPARE(writeButton(f, input)->isEnabled(), grid->Rows() > 1);
}

// --- clears ------------------------------------------------------------------------

void TestTableTransfers::clearInTheModule_data() {
    QTest::addColumn<int>("index");  // Command27(index)
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("ack");  // SimQv7351Tables::Ack
    QTest::addColumn<QString>("message");
    const int ok = int(Tables::Ack::Ok), fail = int(Tables::Ack::Fail);
    QTest::newRow("input table cleared") << 0 << true << ok << "清除成功";
    QTest::newRow("command table cleared") << 1 << true << ok << "清除成功";
    QTest::newRow("input table refused") << 0 << true << fail << "清除失败";
    QTest::newRow("cancelled") << 1 << false << ok << QString();
}

void TestTableTransfers::clearInTheModule() {
    QFETCH(int, index);
    QFETCH(bool, confirm);
    QFETCH(int, ack);
    QFETCH(QString, message);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    const bool input = index == 0;
    const Tables::Table t = tableOf(input);
    fillRows(f, input, 2);
    storeRows(h.module, t, 2);
    h.module->tables.state(t).clearAck = Tables::Ack(ack);
    h.dialogs.queueAnswer(confirm ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(input ? f->inputTab->Command27 : f->commandTab->Command27, Qt::LeftButton);
    QCOMPARE(h.dialogs.messages().at(0).text, QStringLiteral("您确定要清空所有设置吗？此操作无法恢复！"));
    QCOMPARE(h.dialogs.messages().at(0).title, QStringLiteral("清除警告"));
    if (!confirm) {
        QVERIFY(nothingSentSince(h, from));
        QCOMPARE(h.dialogs.messageCount(), 1);
        return;
    }
    QCOMPARE(h.waitFor(VarnelHarness::frame(input ? "A8 04 01" : "A9 04 01"), from), from);
    QVERIFY(h.dialogs.waitForMessage(2));
    const Dialogs::Message& m = h.dialogs.messages().at(1);
    QCOMPARE(m.text, message);
    QCOMPARE(m.title, QStringLiteral("提示！！"));
    QCOMPARE(m.icon, ack == int(Tables::Ack::Ok) ? Dialogs::Icon::Information : Dialogs::Icon::Exclamation);
    QCOMPARE(h.module->tables.rowCount(t), ack == int(Tables::Ack::Ok) ? 0 : 2);
    QCOMPARE(gridOf(f, input)->Rows(), 3);  // the grid is kept
}

QTEST_MAIN(TestTableTransfers)
#include "tst_table_transfers.moc"
