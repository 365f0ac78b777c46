#include <QtTest>

#include "core/protocol/TableRows.h"

using namespace protocol;

namespace {
QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
const QByteArray P = hex("1A 2A 3A 4A 5A 6A 7A 8A");
}  // namespace

class TestTableRows : public QObject {
    Q_OBJECT

private slots:
    void requests();
    void rowAnswers_data();
    void rowAnswers();
    void acknowledgedRows_data();
    void acknowledgedRows();
};

void TestTableRows::requests() {
    QCOMPARE(rowReadRequest(kCommandTableCode, 0), P + hex("A9 02 00"));
    QCOMPARE(rowReadRequest(kInputTableCode, 64), P + hex("A8 02 40"));
    QCOMPARE(tableClearFrame(kInputTableCode), P + hex("A8 04 01"));
    QCOMPARE(tableClearFrame(kCommandTableCode), P + hex("A9 04 01"));
}

void TestTableRows::rowAnswers_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("hasLength");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<bool>("sumOk");
    QTest::addColumn<int>("index");
    QTest::newRow("no length") << P + hex("A8 00 03") << false << 0 << false << false << -1;
    QTest::newRow("empty") << P + hex("A9 00 00 00") << true << 0 << true << false << -1;
    QTest::newRow("row 5, sound") << P + hex("A9 00 04 00 0C 05 03 04") << true << 4 << true << true << 5;
    QTest::newRow("row 5, bad sum") << P + hex("A9 00 04 00 0D 05 03 04") << true << 4 << true << false << 5;
    QTest::newRow("sum wraps") << P + hex("A8 00 03 00 01 FF 02") << true << 3 << true << true << 255;
    QTest::newRow("shorter than its length")
        << P + hex("A8 00 05 00 0C 05 03 04") << true << 5 << false << false << -1;
    QTest::newRow("length above 255")
        << P + hex("A8 00 00 01") + QByteArray(256, '\0') << true << 256 << true << true << 0;
    QTest::newRow("bytes behind the payload")
        << P + hex("A9 00 03 00 07 03 04 FF FF") << true << 3 << true << true << 3;
}

void TestTableRows::rowAnswers() {
    QFETCH(QByteArray, frame);
    QFETCH(bool, hasLength);
    QFETCH(int, length);
    QFETCH(bool, complete);
    QFETCH(bool, sumOk);
    QFETCH(int, index);
    const RowAnswerEnvelope e = decodeRowAnswer(frame);
    QCOMPARE(e.hasLength, hasLength);
    QCOMPARE(e.length, length);
    QCOMPARE(e.complete, complete);
    QCOMPARE(e.sumOk, sumOk);
    QCOMPARE(e.index, index);
    QCOMPARE(e.payload.size(), complete ? length : 0);
}

void TestTableRows::acknowledgedRows_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::newRow("SETOK:63") << "SETOK:63" << 63;
    QTest::newRow("SETOK:05") << "SETOK:05" << 5;
    QTest::newRow("no digits") << "SETOK:" << 0;
    QTest::newRow("one digit, then text") << "SETOK:7x" << 7;
    QTest::newRow("only the two after the colon") << "SETOK:123" << 12;
    QTest::newRow("blank ignored") << "SETOK: 4" << 4;
}

void TestTableRows::acknowledgedRows() {
    QFETCH(QString, text);
    QFETCH(int, row);
    QCOMPARE(acknowledgedRow(text), row);
    QCOMPARE(acknowledgementText(P + QByteArray("\xA9\x00", 2) + text.toLatin1()), text);
}

QTEST_MAIN(TestTableRows)
#include "tst_table_rows.moc"
