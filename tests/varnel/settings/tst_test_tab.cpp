// The SMS test page: the receive display fed by the hidden sample item, and
// a request sent after its two-second wait.

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "../VarnelHarness.h"
#include "core/protocol/TestFrames.h"
#include "platform/FilterTextEdit.h"
#include "varnel/settings/TestTab.h"

class TestTestTab : public QObject {
    Q_OBJECT

private slots:
    void sampleDisplay_data();
    void sampleDisplay();
    void senderNumberIsItsHexDigits_data();
    void senderNumberIsItsHexDigits();
    void longTextIsLoggedOnly();
    void passiveReadWaitsTwoSeconds();
    void typedHexContentGoesOut();
};

void TestTestTab::sampleDisplay_data() {
    QTest::addColumn<int>("workMode");
    QTest::addColumn<int>("transMode");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("sender");
    QTest::newRow("active formatted 汉字") << 1 << 1 << "chinese"
                                           << "测试"
                                           << "13800138000";
    QTest::newRow("active formatted 十六进制") << 1 << 1 << "sendhex"
                                               << "6D:4B:8B:D5:"
                                               << "13800138000";
    QTest::newRow("passive transparent 十六进制") << 0 << 0 << "sendhex"
                                                  << "13:80:00:00:0A:6D:4B:8B:D5:24:12:08:10:30:"
                                                  << "old";
}

void TestTestTab::sampleDisplay() {
    QFETCH(int, workMode);
    QFETCH(int, transMode);
    QFETCH(QString, menu);
    QFETCH(QString, content);
    QFETCH(QString, sender);
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    TestTab* t = h.form()->testTab;
    g::WorkModeByte[0] = uint8_t(workMode);
    g::TransModeByte[0] = uint8_t(transMode);
    h.main().action(menu)->trigger();
    t->SenderNumber->setText(QStringLiteral("old"));
    h.main().action(QStringLiteral("x"))->trigger();
    QVERIFY(h.form()->rTimer->enabled());
    QVERIFY(QTest::qWaitFor([&] { return !h.form()->rTimer->enabled(); }, 2000));
    const QString sample = TestTab::sampleReceived();
    QCOMPARE(t->TextBox[0]->toPlainText(), QStringLiteral("接收  ") + sample.left(45) + QLatin1Char('\n') +
                                               sample.mid(45) + QLatin1Char('\n'));
    QCOMPARE(t->TextBox[2]->toPlainText(), content + QLatin1Char('\n'));
    QCOMPARE(t->SenderNumber->text(), sender);
    QVERIFY(g::RxText.isEmpty());
}

void TestTestTab::senderNumberIsItsHexDigits_data() {
    QTest::addColumn<QString>("six");
    QTest::addColumn<QString>("shown");
    QTest::newRow("mobile") << "01 38 00 13 80 00" << "13800138000";
    QTest::newRow("first byte zero") << "00 13 80 01 38 00" << "01380013800";
    QTest::newRow("hex digit") << "0A 13 80 01 38 00" << "A1380013800";
    QTest::newRow("two-digit first byte") << "13 80 01 38 00 0F" << "13800138000F";
}

void TestTestTab::senderNumberIsItsHexDigits() {
    QFETCH(QString, six);
    QFETCH(QString, shown);
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    TestTab* t = h.form()->testTab;
    g::WorkModeByte[0] = 1;
    g::TransModeByte[0] = 1;
    // Active formatted: D7 01, the number, the length, the text, six final bytes.
    const QByteArray record = SimSupport::fromHex("D7 01") + SimSupport::fromHex(qPrintable(six)) +
                              SimSupport::fromHex("00 02 6D 4B 24 12 08 10 30 00");
    g::RxText = TestFrames::hexText(record);
    t->SenderNumber->setText(QStringLiteral("old"));
    t->displayTick();
    QCOMPARE(t->SenderNumber->text(), shown);
}

void TestTestTab::longTextIsLoggedOnly() {
    VarnelHarness h;
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    TestTab* t = h.form()->testTab;
    const QString longText = QStringLiteral("41:").repeated(102);
    g::RxText = longText;
    t->TextBox[2]->setPlainText(QStringLiteral("kept"));
    t->displayTick();
    QVERIFY(t->TextBox[0]->toPlainText().startsWith(QStringLiteral("接收  41:41:")));
    QCOMPARE(t->TextBox[2]->toPlainText(), QStringLiteral("kept"));
    QCOMPARE(g::RxText, longText);
}

void TestTestTab::passiveReadWaitsTwoSeconds() {
    VarnelHarness h;
    h.sim().identity.workMode = 0;
    QVERIFY(h.connectToForm());
    h.form()->SSTab1->setCurrentIndex(1);
    TestTab* t = h.form()->testTab;
    QVERIFY(t->Command21[0]->isVisibleTo(t));
    t->Text22->setText(QStringLiteral("01:02:"));
    const qint64 t0 = h.sim().elapsedMs();
    QTest::mouseClick(t->Command21[0], Qt::LeftButton);
    QVERIFY(!g::ParamMode);
    QVERIFY(!h.port().dtrEnable());
    QVERIFY(h.fixture.waitForReceived(h.sim().received().size() + 5, 4000));
    const QByteArray expected = QByteArray("$\x01\x02R\r", 5);
    QVERIFY(QTest::qWaitFor([&] { return h.sim().received().endsWith(expected); }, 3000));
    const qint64 waited = h.sim().elapsedMs() - t0;
    QVERIFY2(waited >= 1950, qPrintable(QString::number(waited)));
    QVERIFY(h.port().dtrEnable());
    QCOMPARE(g::DollarPendingOp, 1);
    QVERIFY(t->TextBox[0]->toPlainText().startsWith(QStringLiteral("发射  24:01:02:52:0D:")));
    // A refused address sends nothing.
    h.dialogs.clear();
    t->Text22->setText(QStringLiteral("01"));
    QTest::mouseClick(t->Command21[0], Qt::LeftButton);
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("系统提示"));
}

void TestTestTab::typedHexContentGoesOut() {
    VarnelHarness h;
    h.sim().identity.workMode = 1;
    h.sim().identity.transMode = 0;
    QVERIFY(h.connectToForm());
    h.form()->SSTab1->setCurrentIndex(1);
    TestTab* t = h.form()->testTab;
    QVERIFY(QTest::qWaitFor([] { return g::WorkModeByte[0] == 1 && g::TransModeByte[0] == 0; }, 5000));
    h.main().action(QStringLiteral("sendhex"))->trigger();
    FilterTextEdit* box = t->TextBox[1];
    QTest::keyClicks(box, QStringLiteral("4g1ab"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QStringLiteral("c 0d"));
    QTest::keyClick(box, Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(box->toPlainText(), QStringLiteral("41:AC:0D:"));
    QCOMPARE(h.main().panel(3), QStringLiteral("发射区字节数：3"));
    const qsizetype before = h.sim().received().size();
    t->Command21[2]->click();
    QVERIFY(QTest::qWaitFor([&] { return h.sim().received().size() >= before + 3; }, 5000));
    QCOMPARE(h.sim().received().mid(before), QByteArray("\x41\xAC\x0D", 3));
    QVERIFY(t->TextBox[0]->toPlainText().contains(QStringLiteral("发射  41:AC:0D:")));
}

QTEST_MAIN(TestTestTab)
#include "tst_test_tab.moc"
