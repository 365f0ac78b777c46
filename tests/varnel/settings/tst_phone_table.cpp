// The phone-number table page end to end: adding with its checks, the
// table write, read, clear and their answers.

#include <QLineEdit>
#include <QPushButton>

#include "../VarnelHarness.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/PhoneTab.h"
#include "varnel/sms_parser/AnswerReceiver.h"

using SimSupport::fromHex;
using SimSupport::hex;

namespace {

QStringList gridNumbers(FlexGrid* g) {
    QStringList out;
    for (int r = 1; r < g->Rows(); ++r) out << g->TextMatrix(r, 1) + QLatin1Char(' ') + g->TextMatrix(r, 2);
    return out;
}

}  // namespace

class TestPhoneTable : public QObject {
    Q_OBJECT

private slots:
    void addingChecksTheNumber();
    void writeFrames_data();
    void writeFrames();
    void readFillsTheGrid();
    void readRefusals_data();
    void readRefusals();
    void cutTableWritesNothing();
    void acknowledgements_data();
    void acknowledgements();
    void countOutOfRangeIsAnEmptyTable_data();
    void countOutOfRangeIsAnEmptyTable();
    void closedPortAndConfirmation();
};

void TestPhoneTable::addingChecksTheNumber() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    PhoneTab* t = h.form()->phoneTab;
    struct Case {
        const char* typed;
        const char* message;  // "" when added
    };
    const Case cases[] = {
        {"13800138000", ""},
        {"12345678E12", "您输入的电话号码不正确"},
        {"1234567890A", "您输入的电话号码不正确"},
        {"1380013800", "您输入的电话号码不正确"},
        {"138001380001", "您输入的电话号码不正确"},
        {"00001111111", ""},
        {"00001111111", "电话号码有重复，请检查电话号码"},
        {"13800138000", "电话号码有重复，请检查电话号码"},
    };
    for (const Case& c : cases) {
        h.dialogs.clear();
        t->Text9->setText(QString::fromLatin1(c.typed));
        QTest::mouseClick(t->Command19, Qt::LeftButton);
        QCOMPARE(h.dialogs.lastText(), QString::fromUtf8(c.message));
    }
    QCOMPARE(gridNumbers(t->Grid), (QStringList{"1 13800138000", "2 00001111111"}));
    QCOMPARE(h.dialogs.messages().value(0).title, QStringLiteral("系统提示"));
    // Up to twenty numbers.
    for (int i = 2; i < 20; ++i) {
        t->Text9->setText(QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
        QTest::mouseClick(t->Command19, Qt::LeftButton);
    }
    QCOMPARE(t->Grid->Rows(), 21);
    h.dialogs.clear();
    t->Text9->setText(QStringLiteral("15000000000"));
    QTest::mouseClick(t->Command19, Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("号码表已满"));
    QCOMPARE(t->Grid->Rows(), 21);
    // Remove, up and down keep the numbering.
    t->Grid->setRow(1);
    QTest::mouseClick(t->Command15, Qt::LeftButton);
    QCOMPARE(t->Grid->TextMatrix(1, 2), QStringLiteral("00001111111"));
    t->Grid->setRow(2);
    QTest::mouseClick(t->Command20, Qt::LeftButton);
    QCOMPARE(t->Grid->TextMatrix(1, 2), QStringLiteral("13900000002"));
    QTest::mouseClick(t->Command22, Qt::LeftButton);
    QCOMPARE(t->Grid->TextMatrix(2, 2), QStringLiteral("13900000002"));
    for (int r = 1; r < t->Grid->Rows(); ++r) QCOMPARE(t->Grid->TextMatrix(r, 1), QString::number(r));
}

void TestPhoneTable::writeFrames_data() {
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("head");
    QTest::newRow("first digit 1") << QStringList{"12345678901"} << "D9 02 5B 01 01 23 45 67 89 01";
    QTest::newRow("first digit 0") << QStringList{"02112345678"} << "D9 02 36 01 00 21 12 34 56 78";
}

void TestPhoneTable::writeFrames() {
    QFETCH(QStringList, numbers);
    QFETCH(QString, head);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    PhoneTab* t = h.form()->phoneTab;
    for (const QString& n : numbers) {
        t->Text9->setText(n);
        QTest::mouseClick(t->Command19, Qt::LeftButton);
    }
    const int from = h.sim().requests().size();
    QTest::mouseClick(t->Command11, Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(from + 1));
    const QByteArray sent = h.request(from);
    QCOMPARE(sent.size(), 183);
    QCOMPARE(hex(sent.mid(8, 10)), head);
    QCOMPARE(sent.mid(18), QByteArray(165, '\0'));
    QCOMPARE(g::PhoneTableOp, 1);
    QVERIFY(h.dialogs.waitForMessage(1, 2000));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("电话号码表设置成功"));
    QCOMPARE(h.module->phoneTable.numbers(), numbers);
}

void TestPhoneTable::readFillsTheGrid() {
    // Also with an answer right behind the table in the same window.
    for (bool trailer : {false, true}) {
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        h.module->phoneTable.setNumbers({"13861234567", "13912345678"});
        if (trailer) h.module->phoneTable.trailer = VarnelHarness::frame("F8 00 01");
        const QByteArray answer = h.module->phoneTable.readAnswer();
        QCOMPARE(hex(answer.left(24)),
                 QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 00 B9 02 01 38 61 23 45 67 01 39 12 34 56 78"));
        PhoneTab* t = h.form()->phoneTab;
        t->Grid->setRows(4);
        QTest::mouseClick(t->Command12, Qt::LeftButton);
        QCOMPARE(t->Grid->Rows(), 1);
        QVERIFY(h.waitFor(VarnelHarness::frame("D9 01")) >= 0);
        QVERIFY(QTest::qWaitFor([&] { return t->Grid->Rows() == 3; }, 2000));
        QCOMPARE(gridNumbers(t->Grid), (QStringList{"1 13861234567", "2 13912345678"}));
        if (trailer)
            QVERIFY(QTest::qWaitFor(
                [&] { return h.form()->paramTab->Label3->text() == QStringLiteral("主动方式"); }, 2000));
        QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
    }
}

void TestPhoneTable::readRefusals_data() {
    QTest::addColumn<int>("checksum");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("bad checksum") << 0xB8 << -1 << "号码表结构错误" << 4;
    QTest::newRow("count 0") << -1 << 0 << "号码表空" << 1;
    QTest::newRow("count 21") << -1 << 21 << "号码表空" << 1;
}

void TestPhoneTable::readRefusals() {
    QFETCH(int, checksum);
    QFETCH(int, count);
    QFETCH(QString, message);
    QFETCH(int, rowsAfter);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SimPhoneTable& table = h.module->phoneTable;
    table.setNumbers({"13861234567", "13912345678"});
    if (checksum >= 0) table.checksumOverride = uint8_t(checksum);
    if (count >= 0) table.countOverride = uint8_t(count);
    PhoneTab* t = h.form()->phoneTab;
    // The grid as a failed read must leave it: the read empties it first.
    g::PhoneTableOp = 0;
    t->Grid->setRows(4);
    h.sim().send(table.readAnswer());
    QVERIFY(h.dialogs.waitForMessage(1, 2000));
    QCOMPARE(h.dialogs.lastText(), message);
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("提示"));
    QCOMPARE(t->Grid->Rows(), rowsAfter);
}

void TestPhoneTable::cutTableWritesNothing() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    PhoneTab* t = h.form()->phoneTab;
    t->Grid->setRows(4);
    g::PhoneTableOp = 0;
    AnswerReceiver* receiver = h.app->forms->answerReceiver();
    const int before = receiver->framesHandled();
    // Two numbers announced, the second cut short.
    h.sim().send(VarnelHarness::frame("D9 00 B9 02 01 38 61 23 45 67 01 39 12"));
    QVERIFY(QTest::qWaitFor([&] { return receiver->framesHandled() > before; }, 2000));
    QTest::qWait(50);
    QCOMPARE(t->Grid->Rows(), 4);
    QVERIFY(h.dialogs.messages().isEmpty());
}

void TestPhoneTable::acknowledgements_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<bool>("readBehind");  // a read went out right behind
    QTest::newRow("SETOK:") << 1 << QByteArray("SETOK:12") << "电话号码表设置成功" << 3 << false;
    QTest::newRow("SETOK: with a read behind") << 1 << QByteArray("SETOK:12") << "电话号码表设置成功" << 3 << true;
    QTest::newRow("CLROK: with a read behind") << 2 << QByteArray("CLROK:") << "清空号码表成功" << 1 << true;
    QTest::newRow("SETFAIL:") << 1 << QByteArray("SETFAIL:") << "电话号码表设置错误 " << 3 << false;
    QTest::newRow("other text") << 1 << QByteArray("HELLO!") << "" << 3 << false;
    QTest::newRow("CLROK:") << 2 << QByteArray("CLROK:") << "清空号码表成功" << 1 << false;
    QTest::newRow("CLRFAIL:") << 2 << QByteArray("CLRFAIL:") << "清空号码表失败" << 3 << false;
    QTest::newRow("15-byte clear answer") << 2 << QByteArray("CLROK") << "" << 3 << false;
}

void TestPhoneTable::acknowledgements() {
    QFETCH(int, op);
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    QFETCH(int, rowsAfter);
    QFETCH(bool, readBehind);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    PhoneTab* t = h.form()->phoneTab;
    t->Grid->setRows(3);
    g::PhoneTableOp = readBehind ? 0 : op;
    g::PhoneTableOutstanding = readBehind ? 1 << op | 1 : 0;
    AnswerReceiver* receiver = h.app->forms->answerReceiver();
    const int before = receiver->framesHandled();
    h.sim().send(VarnelHarness::frame("D9 00") + text);
    QVERIFY(QTest::qWaitFor([&] { return receiver->framesHandled() > before; }, 2000));
    QCOMPARE(h.dialogs.lastText(), message);
    if (!message.isEmpty()) QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("提示！！"));
    QCOMPARE(t->Grid->Rows(), rowsAfter);
}

// A read answered with a count the table cannot hold is an empty table,
// whatever the checksum, also one whose two header bytes spell the start of
// an acknowledgement.
void TestPhoneTable::countOutOfRangeIsAnEmptyTable_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("count 21") << QByteArray("00 15");
    QTest::newRow("checksum 53, count 45") << QByteArray("53 45");
    QTest::newRow("checksum 43, count 4C") << QByteArray("43 4C");
}

void TestPhoneTable::countOutOfRangeIsAnEmptyTable() {
    QFETCH(QByteArray, header);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    PhoneTab* t = h.form()->phoneTab;
    t->Grid->setRows(3);
    g::PhoneTableOp = 0;
    g::PhoneTableOutstanding = 1;  // as the read leaves them
    AnswerReceiver* receiver = h.app->forms->answerReceiver();
    const int before = receiver->framesHandled();
    h.sim().send(VarnelHarness::frame(QByteArray("D9 00 " + header).constData()));
    QVERIFY(QTest::qWaitFor([&] { return receiver->framesHandled() > before; }, 2000));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("号码表空"));
    QCOMPARE(t->Grid->Rows(), 1);
    QCOMPARE(g::PhoneTableOutstanding, 0);
}

void TestPhoneTable::closedPortAndConfirmation() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    PhoneTab* t = h.form()->phoneTab;
    // An empty table is not written.
    QTest::mouseClick(t->Command11, Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("您输入的电话号码表不完整"));
    // The clear asks first; No sends nothing.
    h.dialogs.clear();
    const int from = h.sim().requests().size();
    h.dialogs.queueAnswer(Dialogs::Answer::No);
    QTest::mouseClick(t->Command24, Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("您确定要清空号码表吗？操作无法恢复！"));
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("警告！"));
    QTest::qWait(300);
    QCOMPARE(h.sim().requests().size(), from);
    h.dialogs.queueAnswer(Dialogs::Answer::Yes);
    QTest::mouseClick(t->Command24, Qt::LeftButton);
    QCOMPARE(h.waitFor(VarnelHarness::frame("D9 04 01"), from), from);
    QCOMPARE(g::PhoneTableOp, 2);
    QVERIFY(QTest::qWaitFor([&] { return h.dialogs.lastText() == QStringLiteral("清空号码表成功"); }, 2000));
    // With the port closed the read brings up the connect dialog instead.
    h.port().close();
    QTest::mouseClick(t->Command12, Qt::LeftButton);
    QVERIFY(h.main().connectDialog());
    QVERIFY(!h.main().connectDialog()->isModal());
}

QTEST_MAIN(TestPhoneTable)
#include "tst_phone_table.moc"
