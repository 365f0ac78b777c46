// One table row from the settings form to the module and back: the row
// frames sent from the grids' current rows, their refusals, the closed
// port, and the rows a read fills in.

#include <QPushButton>

#include "TableRig.h"
#include "platform/Controls.h"
#include "varnel/editors/ChannelEditor.h"

using namespace TableRig;
using SimSupport::hex;

class TestTableRows : public QObject {
    Q_OBJECT

private slots:
    void goldenFramesGoOnTheWire_data();
    void goldenFramesGoOnTheWire();
    void readBackFillsTheGridAndSendsAlike_data();
    void readBackFillsTheGridAndSendsAlike();
    void closedPortShowsOnlyTheConnectDialog();
    void refusedRowsSendNothing_data();
    void refusedRowsSendNothing();
    void channelEditorFromTheGrid();
    void longHeadAndTailGoOut();
};

namespace {

// Sends a marker request after an action and checks it is the first request
// the module gets from `from` on: nothing else went out before it.
bool nothingSentSince(VarnelHarness& h, int from) {
    h.form()->readSMSOut(63);
    const int i = h.waitFor(VarnelHarness::frame("A9 02 3F"), from);
    return i == from;
}

}  // namespace

void TestTableRows::goldenFramesGoOnTheWire_data() {
    QTest::addColumn<bool>("input");
    QTest::newRow("input row 3 of 3") << true;
    QTest::newRow("command row 2 of 2") << false;
}

void TestTableRows::goldenFramesGoOnTheWire() {
    QFETCH(bool, input);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    g::InTableOp = 0;
    const int from = int(h.sim().requests().size());
    if (input) {
        fillGrid(f->inputTab->MSGrid2, 3, goldenChannel());
        f->inputTab->MSGrid2->setRow(3);
        QVERIFY(f->SMSin());
        QCOMPARE(g::InTableOp, 1);
    } else {
        fillGrid(f->commandTab->MSGrid1, 2, goldenCommand());
        f->commandTab->MSGrid1->setRow(2);
        QCOMPARE(f->SMSout(), 1);
    }
    const QByteArray golden = input ? goldenChannelFrame() : goldenCommandFrame();
    QCOMPARE(h.waitFor(golden, from), from);
    QCOMPARE(h.dialogs.messageCount(), 0);
}

void TestTableRows::readBackFillsTheGridAndSendsAlike_data() {
    QTest::addColumn<bool>("input");
    QTest::newRow("input row 2") << true;
    QTest::newRow("command row 1") << false;
}

void TestTableRows::readBackFillsTheGridAndSendsAlike() {
    QFETCH(bool, input);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    const Tables::Table t = input ? Tables::Table::Input : Tables::Table::Command;
    const QByteArray golden = input ? goldenChannelFrame() : goldenCommandFrame();
    const int goldenIndex = input ? 2 : 1;
    storeRows(h.module, t, goldenIndex);
    h.module->tables.setRow(t, goldenIndex, golden.mid(11));
    FlexGrid* grid = input ? f->inputTab->MSGrid2 : f->commandTab->MSGrid1;
    QTest::mouseClick(input ? f->inputTab->Command23 : f->commandTab->Command23, Qt::LeftButton);
    QVERIFY(waitIdle(f));
    QCOMPARE(grid->Rows(), goldenIndex + 2);
    const int row = goldenIndex + 1;
    QCOMPARE(grid->TextMatrix(row, 1), QStringLiteral("CH%1").arg(goldenIndex));
    if (input) {
        protocol::ChannelRecord expected = goldenChannel();
        expected[25] = QStringLiteral("EC ED 00 ");
        for (int c = 2; c <= 30; ++c) QCOMPARE(grid->TextMatrix(row, c), expected[size_t(c)]);
        QCOMPARE(g::PhoneMask, int64_t(0x30005));
    } else {
        const protocol::CommandRecord expected = goldenCommand();
        for (int c : {2, 3, 4, 5, 6, 7, 9}) QCOMPARE(grid->TextMatrix(row, c), expected[size_t(c)]);
        QCOMPARE(
            grid->TextMatrix(row, 8),
            QStringLiteral(
                "Modbus RTU,16进制,2-1-4-3,浮点数,5,4,1,FF,2B(+),2D(-),16位CRC（低字节在前）,2,Hex4,Asc2,"
                "01 10 00 02 ,OK"));
        QCOMPARE(g::RxText, QStringLiteral("打开阀门"));
    }
    QCOMPARE(h.dialogs.lastText(), input ? QStringLiteral("读取参数成功") : QStringLiteral("读取参数完成"));

    // The row read back goes out as it came in.
    const int from = int(h.sim().requests().size());
    grid->setRow(row);
    if (input)
        QVERIFY(f->SMSin());
    else
        QCOMPARE(f->SMSout(), 1);
    QCOMPARE(h.waitFor(golden, from), from);
}

void TestTableRows::closedPortShowsOnlyTheConnectDialog() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    SettingsForm* f = h.form();
    fillGrid(f->inputTab->MSGrid2, 1, goldenChannel());
    fillGrid(f->commandTab->MSGrid1, 1, goldenCommand());
    g::InTableOp = 7;
    QVERIFY(!f->SMSin());
    QCOMPARE(g::InTableOp, 7);
    QVERIFY(h.main().connectDialog() && h.main().connectDialog()->isVisible());
    h.main().connectDialog()->hide();
    QCOMPARE(f->SMSout(), 0);
    QVERIFY(h.main().connectDialog()->isVisible());
    QCOMPARE(h.dialogs.messageCount(), 0);
    QVERIFY(h.sim().requests().isEmpty());
}

void TestTableRows::refusedRowsSendNothing_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty switch text, row 3 of 5")
        << true << 5 << 3 << 27 << QString() << QStringLiteral("转换开关量描述内容时发生错误！");
    QTest::newRow("empty switch text, last row")
        << true << 5 << 5 << 28 << QString() << QStringLiteral("转换开关量描述内容时发生错误！");
    QTest::newRow("41-byte command") << true << 2 << 2 << 26 << QStringLiteral("00 ").repeated(41)
                                     << QStringLiteral("采集指令长度超出范围40字节");
    QTest::newRow("empty output frame") << false << 2 << 1 << 8 << QString()
                                        << QStringLiteral("转换指令输出设置或报文格式不正确，请重新设置");
    QTest::newRow("head 30 and tail 21 bytes")
        << false << 2 << 2 << 8
        << QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,Hex30,Hex21,") +
               QStringLiteral("01 ").repeated(30) + QStringLiteral(",") + QStringLiteral("02 ").repeated(21)
        << QStringLiteral("转换指令输出设置或报文格式不正确，请重新设置");
    QTest::newRow("51-byte English text") << false << 2 << 2 << 3 << QStringLiteral("a").repeated(51)
                                          << QStringLiteral("短信内容超出50字节范围");
}

void TestTableRows::refusedRowsSendNothing() {
    QFETCH(bool, input);
    QFETCH(int, rows);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, cell);
    QFETCH(QString, message);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    FlexGrid* grid = input ? f->inputTab->MSGrid2 : f->commandTab->MSGrid1;
    if (input)
        fillGrid(grid, rows, goldenChannel());
    else
        fillGrid(grid, rows, goldenCommand());
    if (!input && column == 3) grid->setTextMatrix(row, 2, QStringLiteral("英文"));
    grid->setTextMatrix(row, column, cell);
    grid->setRow(row);
    const int from = int(h.sim().requests().size());
    if (input)
        QVERIFY(!f->SMSin());
    else
        QCOMPARE(f->SMSout(), 0);
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(h.dialogs.messages().at(0).text, message);
    QCOMPARE(h.dialogs.messages().at(0).title, QStringLiteral("提示"));
    // The refused row stays current, and no button was pressed.
    QCOMPARE(grid->Row(), row);
    QCOMPARE(f->commandTab->Command23->text(), QStringLiteral("读取设置"));
    QVERIFY(!f->Timer4->enabled());
    QVERIFY(nothingSentSince(h, from));
}

void TestTableRows::channelEditorFromTheGrid() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    FlexGrid* grid = f->inputTab->MSGrid2;
    fillGrid(grid, 2, goldenChannel());
    grid->setRow(2);
    f->inputTab->Command25->setEnabled(false);
    emit grid->gridDoubleClicked();
    auto* editor = h.main().findChild<ChannelEditor*>();
    QVERIFY(editor);
    QVERIFY(editor->windowTitle().endsWith(QStringLiteral("通道 CH1")));
    QVERIFY(!grid->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return editor->loaded(); }, 3000));
    // The row chooses its own numbers: loading it asked for the phone table.
    QVERIFY(h.waitFor(SimSupport::fromHex("1A 2A 3A 4A 5A 6A 7A 8A D9 01")) >= 0);
    QPointer<ChannelEditor> alive = editor;
    QTest::mouseClick(editor->Command1[0], Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !alive || !alive->isVisible(); }, 3000));
    QVERIFY(grid->isEnabled());
    QVERIFY(f->inputTab->Command25->isEnabled());
    // The row saved by the editor is the one the module gets.
    const int from = int(h.sim().requests().size());
    QVERIFY(f->SMSin());
    QCOMPARE(h.waitFor(protocol::channelRowFrame(rowOf<31>(grid, 2), 1).frame, from), from);
}

// A head of 30 bytes and a tail of 7 fill the 36 bytes the module shows
// but still fit the frame: the row goes out whole, head and tail in place.
void TestTableRows::longHeadAndTailGoOut() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    FlexGrid* grid = f->commandTab->MSGrid1;
    fillGrid(grid, 2, goldenCommand());
    grid->setTextMatrix(
        2, 8,
        QStringLiteral("自定义,16进制,1-2-3-4,整数,5,2,1,0,31(1),30(0),无,1字节,Hex30,Hex7,") +
            QStringLiteral("01 ").repeated(30) + QLatin1Char(',') + QStringLiteral("02 ").repeated(7));
    grid->setRow(2);
    const int from = int(h.sim().requests().size());
    QCOMPARE(f->SMSout(), 1);
    QVERIFY(h.fixture.waitForRequests(from + 1));
    const QByteArray sent = h.request(from);
    QCOMPARE(sent.size(), 139);
    QCOMPARE(hex(sent.mid(0, 11)), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A A9 01 01"));
    QCOMPARE(uint8_t(sent[35]), uint8_t(30));
    QCOMPARE(uint8_t(sent[36]), uint8_t(7));
    QCOMPARE(sent.mid(39, 37), QByteArray(30, '\x01') + QByteArray(7, '\x02'));
    QCOMPARE(h.dialogs.messageCount(), 0);
}

QTEST_MAIN(TestTableRows)
#include "tst_table_rows.moc"
