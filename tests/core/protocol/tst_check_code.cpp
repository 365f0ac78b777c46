#include <QtTest>

#include "core/protocol/CheckCode.h"

using protocol::CheckSource;

class TestCheckCode : public QObject {
    Q_OBJECT
private slots:
    void codes_data();
    void codes();
    void methodItems();
};

void TestCheckCode::codes_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("packed");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("changes");
    QTest::addColumn<QString>("expected");

    const QString modbus = QStringLiteral("01 03 40 00 00 02");
    const QString fdfe = QStringLiteral("FD FE 00 03");
    QTest::newRow("crc low first") << modbus << false << 3 << "2字节" << true << "D1 CB";
    QTest::newRow("crc high first") << modbus << false << 4 << "2字节" << true << "CB D1";
    QTest::newRow("crc over its own crc") << modbus + " D1 CB" << false << 3 << "" << true << "00 00";
    QTest::newRow("crc trailing separator") << modbus + " " << false << 3 << "" << true << "D1 CB";
    QTest::newRow("sum one byte") << fdfe << false << 1 << "1字节" << true << "FE";
    QTest::newRow("sum two bytes") << fdfe << false << 1 << "2字节" << true << "01 FE";
    QTest::newRow("sum plain 2") << fdfe << false << 1 << "2" << true << "01 FE";
    QTest::newRow("sum count 3 is one byte") << fdfe << false << 1 << "3" << true << "FE";
    QTest::newRow("sum no count") << fdfe << false << 1 << "" << true << "FE";
    QTest::newRow("sum 3900 two bytes")
        << "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 4B" << false << 1 << "2字节" << true << "0F 3C";
    QTest::newRow("xor") << fdfe << false << 2 << "1字节" << true << "00";
    QTest::newRow("xor two bytes") << "01 02" << false << 2 << "2字节" << true << "00 03";
    QTest::newRow("spaced reads every third") << "FDFE0003" << false << 1 << "1字节" << true << "E0";
    QTest::newRow("packed removes spaces") << "FDFE0003" << true << 1 << "1字节" << true << "FE";
    QTest::newRow("packed head crc") << "01 06 00 00 00 01" << true << 3 << "" << true << "48 0A";
    QTest::newRow("packed head crc high") << "01 06 00 00 00 01" << true << 4 << "" << true << "0A 48";
    QTest::newRow("one-digit last piece") << "01 0" << false << 1 << "" << true << "01";
    QTest::newRow("single last digit packed") << "0102F" << true << 1 << "" << true << "12";
    QTest::newRow("non-hex piece is 0") << "G1 02" << false << 1 << "" << true << "02";
    QTest::newRow("empty source empties") << "" << false << 3 << "" << true << "";
    QTest::newRow("empty source, method none") << "" << false << 0 << "" << true << "";
    QTest::newRow("method none keeps") << fdfe << false << 0 << "" << false << "";
    QTest::newRow("method out of list keeps") << fdfe << false << 5 << "" << false << "";
    QTest::newRow("negative method keeps") << fdfe << false << -1 << "" << false << "";
}

void TestCheckCode::codes() {
    QFETCH(QString, source);
    QFETCH(bool, packed);
    QFETCH(int, method);
    QFETCH(QString, count);
    QFETCH(bool, changes);
    QFETCH(QString, expected);
    const auto r =
        protocol::checkCodeText(source, packed ? CheckSource::Packed : CheckSource::Spaced, method, count);
    QCOMPARE(r.has_value(), changes);
    if (changes) QCOMPARE(*r, expected);
}

void TestCheckCode::methodItems() {
    QCOMPARE(protocol::checkMethodItems(),
             QStringList({"无", "累加和", "异或和", "16位CRC（低字节在前）", "16位CRC（高字节在前）"}));
}

QTEST_GUILESS_MAIN(TestCheckCode)
#include "tst_check_code.moc"
