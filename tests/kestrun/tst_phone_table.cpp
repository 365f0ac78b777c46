// The phone-number table of the settings form end to end against the
// simulated module: editing, the read, write and clear requests and what
// their answers do to the grid.

#include "PhoneRig.h"
#include "core/ConnectDialog.h"
#include "kestrun/sms_parser/Outstanding.h"

namespace {
const QString kOk = QStringLiteral("电话号码表设置成功");
const QString kBad = QStringLiteral("号码表结构错误");

QStringList threeNumbers() {
    return {QStringLiteral("13812345678"), QStringLiteral("13900000001"), QStringLiteral("12345678901")};
}

// Messages with this text.
int count(const DialogRecorder& d, const QString& text) {
    int n = 0;
    for (const auto& m : d.messages()) n += m.text == text;
    return n;
}
}  // namespace

class TestPhoneTable : public QObject {
    Q_OBJECT

private slots:
    void addChecksLengthCharactersFullAndDuplicates();
    void removeUpDownAndGridClick();
    void writeSendsTheBlockAndReportsTheAcknowledgement();
    void writeAcknowledgementInPiecesAndOddTexts();
    void readFillsTheGrid();
    void readWithEntriesBeyondTheCountAndWideDigits();
    void readRefusesBadChecksumAndCount();
    void readTableFollowedByAnotherAnswer();
    void readThatNeverCompletesIsGivenUp();
    void clearAsksAndFollowsTheAcknowledgement();
    void closedPortOpensConnectDialogAndSendsNothing();
};

void TestPhoneTable::addChecksLengthCharactersFullAndDuplicates() {
    PhoneRig rig;
    QVERIFY(rig.start());
    auto& d = rig.h.dialogs;

    // The key filter: hex digits raised to upper case, other keys dropped.
    rig.tab->Text9->clear();
    QTest::keyClicks(rig.tab->Text9, QStringLiteral("1a-b*9g"));
    QCOMPARE(rig.tab->Text9->text(), QStringLiteral("1AB9"));

    for (const QString& wrong : {QStringLiteral("1234567890"), QStringLiteral("123456789012"), QString(),
                                 QStringLiteral("1234567890\u4E2D"), QStringLiteral("\u00E92345678901")}) {
        d.clear();
        rig.add(wrong);
        QCOMPARE(d.messageCount(), 1);
        QCOMPARE(d.messages()[0].text, QStringLiteral("您输入的电话号码不正确"));
        QCOMPARE(d.messages()[0].title, QStringLiteral("请重新输入"));
        QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Information);
        QCOMPARE(rig.grid->Rows(), 1);
    }

    // The default text goes in unchanged.
    d.clear();
    rig.tab->Text9->setText(QStringLiteral("***********"));
    rig.click(rig.tab->Command19);
    QCOMPARE(rig.rows(), QStringList{QStringLiteral("***********")});

    // A repeated number is refused, and the rows are renumbered anyway.
    rig.add(QStringLiteral("13812345678"));
    rig.grid->setTextMatrix(1, 1, QStringLiteral("x"));
    rig.add(QStringLiteral("13812345678"));
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(d.messages()[0].text, QStringLiteral("电话号码有重复，请检查电话号码"));
    QCOMPARE(d.messages()[0].title, QStringLiteral("系统提示"));
    QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Exclamation);
    QCOMPARE(rig.rows().size(), 2);
    QCOMPARE(rig.indexColumn(), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    // Place holders beginning with four zeros may repeat.
    rig.add(QStringLiteral("00001111111"));
    rig.add(QStringLiteral("00001111111"));
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(rig.rows().size(), 4);

    for (int i = rig.rows().size(); i < 20; ++i)
        rig.add(QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
    QCOMPARE(rig.grid->Rows(), 21);
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(rig.grid->TextMatrix(20, 1), QStringLiteral("20"));
    // Full comes before the duplicate check.
    d.clear();
    rig.add(QStringLiteral("13812345678"));
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(d.messages()[0].text, QStringLiteral("号码表已满"));
    QCOMPARE(d.messages()[0].title, QStringLiteral("提示"));
    QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Information);
    QCOMPARE(rig.grid->Rows(), 21);
    // Editing sends nothing.
    QVERIFY(rig.phoneRequests().isEmpty());
}

void TestPhoneTable::removeUpDownAndGridClick() {
    PhoneRig rig;
    QVERIFY(rig.start());
    // Nothing to remove, nothing to move.
    rig.click(rig.tab->Command15);
    rig.click(rig.tab->Command20);
    rig.click(rig.tab->Command22);
    QCOMPARE(rig.grid->Rows(), 1);

    const QString a = QStringLiteral("11111111111"), b = QStringLiteral("12222222222"),
                  c = QStringLiteral("13333333333");
    for (const QString& n : {a, b, c}) rig.add(n);

    // A click on a row copies its number into the entry box.
    rig.form->window()->show();
    rig.tab->Text9->clear();
    const QPoint at = rig.grid->visualRect(rig.grid->model()->index(1, 2)).center();
    QTest::mouseClick(rig.grid->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(rig.grid->Row(), 2);
    QCOMPARE(rig.tab->Text9->text(), b);

    rig.grid->setRow(1);
    rig.click(rig.tab->Command20);  // up on row 1: nothing
    QCOMPARE(rig.rows(), (QStringList{a, b, c}));
    rig.grid->setRow(3);
    rig.click(rig.tab->Command22);  // down on the last row: nothing
    QCOMPARE(rig.rows(), (QStringList{a, b, c}));

    rig.click(rig.tab->Command20);  // c up
    QCOMPARE(rig.rows(), (QStringList{a, c, b}));
    QCOMPARE(rig.grid->Row(), 2);
    QCOMPARE(rig.grid->ColSel(), 2);
    rig.grid->setRow(1);
    rig.click(rig.tab->Command22);  // a down
    QCOMPARE(rig.rows(), (QStringList{c, a, b}));
    QCOMPARE(rig.grid->Row(), 2);
    QCOMPARE(rig.indexColumn(), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));

    // Removing row 2 of 3 pulls row 3 up and renumbers it.
    rig.grid->setRow(2);
    rig.click(rig.tab->Command15);
    QCOMPARE(rig.rows(), (QStringList{c, b}));
    QCOMPARE(rig.indexColumn(), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    rig.grid->setRow(2);
    rig.click(rig.tab->Command15);
    rig.grid->setRow(1);
    rig.click(rig.tab->Command15);
    QCOMPARE(rig.grid->Rows(), 1);
    QCOMPARE(rig.grid->TextMatrix(0, 2).trimmed(), QStringLiteral("电话号码"));
    QVERIFY(rig.h.dialogs.messages().isEmpty());
}

void TestPhoneTable::writeSendsTheBlockAndReportsTheAcknowledgement() {
    PhoneRig rig;
    QVERIFY(rig.start());
    auto& d = rig.h.dialogs;

    // An empty table is not written.
    rig.click(rig.tab->Command11);
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(d.messages()[0].text, QStringLiteral("您输入的电话号码表不完整"));
    QCOMPARE(d.messages()[0].title, QStringLiteral("请重新输入"));
    QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Information);
    d.clear();

    rig.add(QStringLiteral("12345678901"));
    rig.click(rig.tab->Command11);
    QCOMPARE(g::PhoneTableOp, 1);
    QVERIFY(rig.waitPhoneRequests(1));
    const QByteArray sent = rig.phoneRequests().first();
    QCOMPARE(sent.size(), 183);
    QCOMPARE(hex(sent.left(18)), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 02 5B 01 01 23 45 67 89 01"));
    QCOMPARE(sent.mid(18), QByteArray(165, '\0'));
    // Nothing else went out with it.
    QCOMPARE(rig.h.sim().received().size(), 183);

    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messages()[0].text, kOk);
    QCOMPARE(d.messages()[0].title, QStringLiteral("提示！！"));
    QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Information);
    QCOMPARE(rig.table.numbers(), QStringList{QStringLiteral("12345678901")});
    QCOMPARE(rig.rows(), QStringList{QStringLiteral("12345678901")});  // a write leaves the grid
    QVERIFY(rig.waitIdle());

    // Twenty numbers fill offsets 12 to 131.
    for (int i = 1; i < 20; ++i) rig.add(QStringLiteral("1A%1").arg(i, 9, 10, QLatin1Char('0')));
    rig.click(rig.tab->Command11);
    QVERIFY(rig.waitPhoneRequests(2));
    const QByteArray full = rig.phoneRequests().at(1);
    QCOMPARE(full.size(), 183);
    QCOMPARE(uint8_t(full.at(11)), uint8_t(20));
    QCOMPARE(hex(full.mid(18, 6)), QStringLiteral("01 A0 00 00 00 01"));
    QVERIFY(full.mid(126, 6) != QByteArray(6, '\0'));
    QCOMPARE(full.mid(132), QByteArray(51, '\0'));
    QVERIFY(d.waitForMessage(2));
    QCOMPARE(rig.table.numbers().size(), 20);
    QCOMPARE(rig.table.numbers().at(19), QStringLiteral("1A000000019"));
}

void TestPhoneTable::writeAcknowledgementInPiecesAndOddTexts() {
    PhoneRig rig;
    QVERIFY(rig.start());
    auto& d = rig.h.dialogs;
    rig.add(QStringLiteral("12345678901"));

    // The refusal split after "SETFAI": judged only when "L:" has come.
    rig.table.writeAck = SimPhoneTable::Ack::Fail;
    rig.table.ackSplitAt = 6;
    rig.table.splitGapMs = 200;
    rig.click(rig.tab->Command11);
    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(d.messages()[0].text, QStringLiteral("电话号码表设置错误 "));
    QCOMPARE(d.messages()[0].title, QStringLiteral("提示！！"));
    QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Exclamation);
    QCOMPARE(rig.table.numbers(), QStringList());
    QVERIFY(rig.waitIdle());

    // "SETFAIL" without its colon: the wait is also kept, and the colon
    // completes it.
    d.clear();
    rig.table.ackSplitAt = 7;
    rig.click(rig.tab->Command11);
    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messages()[0].text, QStringLiteral("电话号码表设置错误 "));
    QVERIFY(rig.waitIdle());

    // Success in pieces, and success with more text behind it.
    d.clear();
    rig.table.writeAck = SimPhoneTable::Ack::Ok;
    rig.table.ackSplitAt = 3;
    rig.table.splitGapMs = 120;
    rig.click(rig.tab->Command11);
    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messages()[0].text, kOk);
    QVERIFY(rig.waitIdle());

    // Answers of writes the module never got: texts that do not begin with
    // an acknowledgement give nothing.
    const auto writeOut = [] {
        g::PhoneTableOutstanding = g::PhoneTableGivenUp = 0;
        Outstanding::tableSent(g::PhoneTableOutstanding, g::PhoneTableGivenUp, 1);
    };
    d.clear();
    writeOut();
    rig.h.sim().send(KestrunHarness::frame("D9 00") + "SETOK:123");
    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messages()[0].text, kOk);
    QVERIFY(rig.waitIdle());
    d.clear();
    writeOut();
    QVERIFY(rig.h.sendAndSettle(KestrunHarness::frame("D9 00") + "XSETOK:"));
    writeOut();
    QVERIFY(rig.h.sendAndSettle(KestrunHarness::frame("D9 00") + "SETOX:!!"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(d.messageCount(), 0);

    // A refusal that never completes is given up by the receiver's guard;
    // the next acknowledgement is taken normally.
    Vb::setTimeOfDay(5000.0f);
    writeOut();
    QVERIFY(rig.h.sendAndSettle(KestrunHarness::frame("D9 00") + "SETFAI"));
    QCOMPARE(g::RxState, 19);
    QCOMPARE(d.messageCount(), 0);
    Vb::setTimeOfDay(5011.0f);
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 0; }, 3000));
    Vb::setTimeOfDay(std::nullopt);
    QCOMPARE(d.messageCount(), 0);
    writeOut();
    rig.h.sim().send(KestrunHarness::frame("D9 00") + "SETOK:");
    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messages()[0].text, kOk);
}

void TestPhoneTable::readFillsTheGrid() {
    PhoneRig rig;
    QVERIFY(rig.start());
    rig.add(QStringLiteral("19999999999"));
    rig.table.setNumbers(threeNumbers());
    rig.h.sim().behaviour.delayMs = 300;
    rig.click(rig.tab->Command12);
    // Emptied at once; filled when the answer comes.
    QCOMPARE(rig.grid->Rows(), 1);
    QCOMPARE(g::PhoneTableOp, 0);
    QVERIFY(rig.waitPhoneRequests(1));
    QCOMPARE(hex(rig.phoneRequests().first()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 01"));
    QCOMPARE(hex(rig.table.readAnswer().left(32)),
             QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 00 E5 03 01 38 12 34 56 78 01 39 00 00 00 01 01 23 "
                            "45 67 89 01 00 00"));
    QVERIFY(rig.waitRows(4));
    QCOMPARE(rig.rows(), threeNumbers());
    QCOMPARE(rig.indexColumn(), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    QCOMPARE(rig.grid->TextMatrix(1, 0), QString());
    QVERIFY(rig.waitIdle());
    QCOMPARE(g::PhoneTableHdr[0], uint8_t(0xE5));
    QCOMPARE(g::PhoneTableHdr[1], uint8_t(3));
    QVERIFY(rig.h.dialogs.messages().isEmpty());

    // The answer in small pieces, and a table of twenty.
    QStringList twenty;
    for (int i = 0; i < 20; ++i) twenty << QStringLiteral("15%1").arg(i * 7, 9, 10, QLatin1Char('0'));
    rig.table.setNumbers(twenty);
    rig.h.sim().behaviour.delayMs = 0;
    rig.h.sim().behaviour.chunkSize = 17;
    rig.h.sim().behaviour.chunkGapMs = 15;
    rig.click(rig.tab->Command12);
    QVERIFY(rig.waitRows(21));
    QCOMPARE(rig.rows(), twenty);
    QCOMPARE(rig.grid->TextMatrix(20, 1), QStringLiteral("20"));
    QVERIFY(rig.h.dialogs.messages().isEmpty());
}

void TestPhoneTable::readWithEntriesBeyondTheCountAndWideDigits() {
    PhoneRig rig;
    QVERIFY(rig.start());
    // Entries 4 to 20 are not empty: they count toward the checksum only.
    rig.table.setNumbers(threeNumbers());
    for (int i = 3; i < 20; ++i) rig.table.entries.replace(6 * i, 6, fromHex("01 11 11 11 11 11"));
    QCOMPARE(uint8_t(rig.table.readAnswer().at(10)), uint8_t(0x9B));
    rig.click(rig.tab->Command12);
    QVERIFY(rig.waitRows(4));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.rows(), threeNumbers());

    // A leading byte of 0A shows as the letter; zero bytes as zeros; a
    // first byte of 10 hex or more gives twelve characters.
    rig.table.count = 3;
    rig.table.entries =
        fromHex("0A 23 45 67 89 01 00 00 00 00 00 00 1F 00 00 00 00 0B") + QByteArray(102, '\0');
    rig.click(rig.tab->Command12);
    QVERIFY(rig.waitRows(4));
    QCOMPARE(rig.rows(), (QStringList{QStringLiteral("A2345678901"), QStringLiteral("00000000000"),
                                      QStringLiteral("1F000000000B")}));
    QVERIFY(rig.h.dialogs.messages().isEmpty());
}

void TestPhoneTable::readRefusesBadChecksumAndCount() {
    PhoneRig rig;
    QVERIFY(rig.start());
    auto& d = rig.h.dialogs;
    rig.table.setNumbers(threeNumbers());

    rig.table.checksumOverride = uint8_t(0xE4);
    rig.click(rig.tab->Command12);
    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messages()[0].text, kBad);
    QCOMPARE(d.messages()[0].title, QStringLiteral("提示"));
    QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Information);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.grid->Rows(), 1);

    rig.table.checksumOverride.reset();
    for (int n : {0, 21}) {
        d.clear();
        // The grid holds numbers when the answer comes: the empty table
        // answer takes them away.
        rig.h.sim().behaviour.delayMs = 250;
        rig.click(rig.tab->Command12);
        rig.add(QStringLiteral("17777777777"));
        QCOMPARE(rig.grid->Rows(), 2);
        rig.table.countOverride = uint8_t(n);
        QVERIFY(d.waitForMessage(1));
        QCOMPARE(d.messages()[0].text, QStringLiteral("号码表空"));
        QCOMPARE(d.messages()[0].title, QStringLiteral("提示"));
        QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Information);
        QCOMPARE(rig.grid->Rows(), 1);
        QVERIFY(rig.waitIdle());
        QCOMPARE(d.messageCount(), 1);  // the entries were hunted through silently
    }

    // Twenty is a full table, and the receiver is in step again.
    d.clear();
    rig.table.countOverride = uint8_t(20);
    rig.h.sim().behaviour.delayMs = 0;
    rig.click(rig.tab->Command12);
    QVERIFY(rig.waitRows(21));
    QCOMPARE(rig.rows().first(), QStringLiteral("13812345678"));
    QCOMPARE(rig.rows().last(), QStringLiteral("00000000000"));
    QCOMPARE(d.messageCount(), 0);
}

void TestPhoneTable::readTableFollowedByAnotherAnswer() {
    PhoneRig rig;
    QVERIFY(rig.start());
    auto& d = rig.h.dialogs;
    // Behind a good table, in the same piece, comes a second table with a
    // bad checksum: the first fills the grid, the second is still handled
    // (its message), and neither is taken for the other.
    SimPhoneTable other;
    other.setNumbers({QStringLiteral("16666666666")});
    other.checksumOverride = uint8_t(0x01);  // the right one is 00
    rig.table.setNumbers(threeNumbers());
    rig.table.trailer = other.readAnswer();
    Outstanding::tableSent(g::PhoneTableOutstanding, g::PhoneTableGivenUp, 0);  // the trailer's read
    rig.click(rig.tab->Command12);
    QVERIFY(d.waitForMessage(1));
    QVERIFY(rig.waitIdle());
    QCOMPARE(count(d, kBad), 1);
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(rig.rows(), threeNumbers());

    // Noise bytes behind the table neither spoil it nor block the next answer.
    d.clear();
    rig.table.setNumbers({QStringLiteral("15555555555")});
    rig.table.trailer = fromHex("00 FF 37 2A 41");
    rig.click(rig.tab->Command12);
    QVERIFY(rig.waitRows(2));
    QCOMPARE(rig.rows(), QStringList{QStringLiteral("15555555555")});
    rig.table.trailer.clear();
    rig.add(QStringLiteral("14444444444"));
    rig.click(rig.tab->Command11);
    QVERIFY(d.waitForMessage(1));
    QCOMPARE(d.messages()[0].text, kOk);
    QCOMPARE(count(d, kBad), 0);
}

void TestPhoneTable::readThatNeverCompletesIsGivenUp() {
    PhoneRig rig;
    QVERIFY(rig.start());
    Vb::setTimeOfDay(2000.0f);
    rig.table.setNumbers(threeNumbers());
    // Only the first 50 entry bytes come.
    rig.table.answerReads = false;
    rig.click(rig.tab->Command12);
    QVERIFY(rig.waitPhoneRequests(1));
    QVERIFY(rig.h.sendAndSettle(rig.table.readAnswer().left(12 + 50)));
    QCOMPARE(g::RxState, 18);
    QCOMPARE(rig.grid->Rows(), 1);
    Vb::setTimeOfDay(2011.0f);
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 0; }, 3000));
    Vb::setTimeOfDay(std::nullopt);
    QCOMPARE(rig.grid->Rows(), 1);
    QVERIFY(rig.h.dialogs.messages().isEmpty());
    rig.table.answerReads = true;
    rig.click(rig.tab->Command12);
    QVERIFY(rig.waitRows(4));
}

void TestPhoneTable::clearAsksAndFollowsTheAcknowledgement() {
    PhoneRig rig;
    QVERIFY(rig.start());
    auto& d = rig.h.dialogs;
    rig.add(QStringLiteral("12345678901"));
    rig.add(QStringLiteral("13812345678"));
    g::PhoneTableOp = 7;

    d.queueAnswer(Dialogs::Answer::Cancel);
    rig.click(rig.tab->Command24);
    QCOMPARE(d.messageCount(), 1);
    QCOMPARE(d.messages()[0].text, QStringLiteral("您确定要清空号码表吗？操作无法恢复！"));
    QCOMPARE(d.messages()[0].title, QStringLiteral("警告！"));
    QCOMPARE(d.messages()[0].buttons, Dialogs::Buttons::OkCancel);
    QCOMPARE(d.messages()[0].icon, Dialogs::Icon::Question);
    QTest::qWait(200);
    QVERIFY(rig.h.sim().received().isEmpty());
    QCOMPARE(g::PhoneTableOp, 7);

    // Refused: the grid keeps its rows.
    d.clear();
    rig.table.clearAck = SimPhoneTable::Ack::Fail;
    rig.click(rig.tab->Command24);
    QCOMPARE(g::PhoneTableOp, 2);
    QVERIFY(d.waitForMessage(2));
    QCOMPARE(d.messages()[1].text, QStringLiteral("清空号码表失败"));
    QCOMPARE(d.messages()[1].title, QStringLiteral("提示！！"));
    QCOMPARE(d.messages()[1].icon, Dialogs::Icon::Exclamation);
    QCOMPARE(rig.grid->Rows(), 3);
    QCOMPARE(hex(rig.phoneRequests().first()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 04 01"));
    QVERIFY(rig.waitIdle());

    // Confirmed in pieces: only then is the grid emptied.
    d.clear();
    rig.table.clearAck = SimPhoneTable::Ack::Ok;
    rig.table.ackSplitAt = 4;
    rig.table.splitGapMs = 250;
    rig.click(rig.tab->Command24);
    QVERIFY(rig.waitPhoneRequests(2));
    QCOMPARE(rig.grid->Rows(), 3);
    QVERIFY(d.waitForMessage(2));
    QCOMPARE(d.messages()[1].text, QStringLiteral("清空号码表成功"));
    QCOMPARE(d.messages()[1].title, QStringLiteral("提示！！"));
    QCOMPARE(d.messages()[1].icon, Dialogs::Icon::Information);
    QCOMPARE(rig.grid->Rows(), 1);
    QCOMPARE(rig.table.clears, 2);
    QVERIFY(rig.waitIdle());

    // A refusal in pieces ("CLRFAI", then "L:") still warns and keeps the grid.
    rig.add(QStringLiteral("12345678901"));
    d.clear();
    rig.table.clearAck = SimPhoneTable::Ack::Fail;
    rig.table.ackSplitAt = 6;
    rig.table.splitGapMs = 200;
    rig.click(rig.tab->Command24);
    QVERIFY(d.waitForMessage(2));
    QCOMPARE(d.messages()[1].text, QStringLiteral("清空号码表失败"));
    QCOMPARE(d.messages()[1].icon, Dialogs::Icon::Exclamation);
    QCOMPARE(rig.rows(), QStringList{QStringLiteral("12345678901")});
    QVERIFY(rig.waitIdle());
    QCOMPARE(d.messageCount(), 2);
}

void TestPhoneTable::closedPortOpensConnectDialogAndSendsNothing() {
    PhoneRig rig;
    QVERIFY(rig.start(false));
    QVERIFY(!rig.h.port().isOpen());
    rig.add(QStringLiteral("12345678901"));
    g::PhoneTableOp = 5;
    for (QPushButton* b : {rig.tab->Command12, rig.tab->Command11, rig.tab->Command24}) {
        QVERIFY(!rig.h.main().connectDialog());
        rig.click(b);
        QVERIFY2(rig.h.main().connectDialog(), qPrintable(b->objectName()));
        QVERIFY(!rig.h.main().connectDialog()->isModal());
        rig.h.main().unloadConnectDialog();
        QTRY_VERIFY(!rig.h.main().connectDialog());
    }
    QCOMPARE(rig.rows(), QStringList{QStringLiteral("12345678901")});
    QVERIFY(rig.h.dialogs.messages().isEmpty());  // the clear asked nothing
    QCOMPARE(g::PhoneTableOp, 5);
    QTest::qWait(200);
    QVERIFY(rig.h.sim().received().isEmpty());
}

QTEST_MAIN(TestPhoneTable)
#include "tst_phone_table.moc"
