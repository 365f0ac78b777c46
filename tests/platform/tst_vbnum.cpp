#include <QTest>
#include <cmath>
#include <limits>

#include "VbNum.h"

class TestVbNum : public QObject {
    Q_OBJECT
private slots:
    void val_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("trailing text") << "12ab" << 12.0;
        QTest::newRow("unit suffix") << "1字节" << 1.0;
        QTest::newRow("blanks anywhere") << " 1 2\t3\n" << 123.0;
        QTest::newRow("CR stops") << "3\r4" << 3.0;
        QTest::newRow("exponent") << "1.5e2" << 150.0;
        QTest::newRow("D exponent") << "1d2" << 100.0;
        QTest::newRow("bare exponent") << "1e" << 1.0;
        QTest::newRow("signed bare exponent") << "2e+" << 2.0;
        QTest::newRow("negative fraction") << "-.5" << -0.5;
        QTest::newRow("plus") << "+3" << 3.0;
        QTest::newRow("double sign") << "--1" << 0.0;
        QTest::newRow("comma stops") << "1,000" << 1.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("point only") << "." << 0.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower") << "&hff" << 255.0;
        QTest::newRow("hex 16-bit negative") << "&HFFFF" << -1.0;
        QTest::newRow("hex 32-bit") << "&H10000" << 65536.0;
        QTest::newRow("hex 32-bit negative") << "&HFFFFFFFF" << -1.0;
        QTest::newRow("hex too long") << "&H1FFFFFFFF" << 0.0;
        QTest::newRow("hex stops") << "&H1G" << 1.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal short") << "&17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O78" << 7.0;
    }
    void val() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(VbNum::val(text), value);
    }

    void valOverflowIsNotAWrongNumber() {
        QVERIFY(std::isinf(VbNum::val(QStringLiteral("1e400"))));
        QVERIFY(VbNum::val(QStringLiteral("-1e400")) < 0);
        QVERIFY(!VbNum::toIntegerInRange(VbNum::val(QStringLiteral("1e400")), 0, 100));
    }

    void halfToEven() {
        const QList<QPair<double, double>> cases = {{2.5, 2},
                                                    {3.5, 4},
                                                    {-2.5, -2},
                                                    {-3.5, -4},
                                                    {0.5, 0},
                                                    {1.5, 2},
                                                    {-0.5, 0},
                                                    {2.4999999, 2},
                                                    {2.5000001, 3},
                                                    {7, 7},
                                                    {-7.6, -8},
                                                    {1e17, 1e17},
                                                    {4503599627370495.5, 4503599627370496}};
        for (const auto& c : cases)
            QVERIFY2(
                VbNum::roundHalfEven(c.first) == c.second,
                qPrintable(
                    QStringLiteral("%1 -> %2").arg(c.first, 0, 'g', 17).arg(VbNum::roundHalfEven(c.first))));
        QVERIFY(std::isnan(VbNum::roundHalfEven(std::nan(""))));
    }

    void integerInRange() {
        QCOMPARE(VbNum::toIntegerInRange(32766.5, -32768, 32767), std::optional<int64_t>(32766));
        QCOMPARE(VbNum::toIntegerInRange(32767.5, -32768, 32767), std::nullopt);  // rounds to 32768
        QCOMPARE(VbNum::toIntegerInRange(-32768.5, -32768, 32767), std::optional<int64_t>(-32768));
        QCOMPARE(VbNum::toIntegerInRange(-0.5, 0, 10), std::optional<int64_t>(0));
        QCOMPARE(VbNum::toIntegerInRange(std::nan(""), -10, 10), std::nullopt);
        QCOMPARE(VbNum::toIntegerInRange(std::numeric_limits<double>::infinity(), 0, 10), std::nullopt);
        QCOMPARE(VbNum::toIntegerInRange(1e30, std::numeric_limits<int64_t>::min(),
                                         std::numeric_limits<int64_t>::max()),
                 std::nullopt);
        QCOMPARE(VbNum::toIntegerInRange(5, 10, 0), std::nullopt);  // empty range
    }

    void numberToText() {
        QCOMPARE(VbNum::str(15), QStringLiteral("15"));
        QCOMPARE(VbNum::str(1.2), QStringLiteral("1.2"));
        QCOMPARE(VbNum::str(-3), QStringLiteral("-3"));
        QCOMPARE(VbNum::str(0.5), QStringLiteral("0.5"));
        QCOMPARE(VbNum::str(35.50), QStringLiteral("35.5"));
        QCOMPARE(VbNum::str(0.1 + 0.2), QStringLiteral("0.3"));  // 15 digits hide the binary tail
        QCOMPARE(VbNum::str(-0.0), QStringLiteral("0"));
        QCOMPARE(VbNum::str(123456789012345.0), QStringLiteral("123456789012345"));
        QCOMPARE(VbNum::str(1e20), QStringLiteral("1E+20"));
        QCOMPARE(VbNum::str(0.0001), QStringLiteral("0.0001"));
        QCOMPARE(VbNum::str(0.00001), QStringLiteral("1E-05"));

        QCOMPARE(VbNum::strBare(0.4), QStringLiteral(".4"));
        QCOMPARE(VbNum::strBare(-0.5), QStringLiteral("-.5"));
        QCOMPARE(VbNum::strBare(400), QStringLiteral("400"));
        QCOMPARE(VbNum::strBare(1.2), QStringLiteral("1.2"));

        QCOMPARE(VbNum::strSingle(1.1f), QStringLiteral("1.1"));
        QCOMPARE(VbNum::strSingle(12345.67f / 10.0f), QStringLiteral("1234.567"));
        QCOMPARE(VbNum::strSingle(-0.25f), QStringLiteral("-0.25"));
    }

    void fixedDecimals() {
        QCOMPARE(VbNum::formatFixed(1.25, 1), QStringLiteral("1.3"));  // a tie in decimal, not in binary
        QCOMPARE(VbNum::formatFixed(1.35, 1), QStringLiteral("1.4"));
        QCOMPARE(VbNum::formatFixed(1.005, 2), QStringLiteral("1.01"));
        QCOMPARE(VbNum::formatFixed(0.05, 1), QStringLiteral("0.1"));
        QCOMPARE(VbNum::formatFixed(-0.05, 1), QStringLiteral("-0.1"));
        QCOMPARE(VbNum::formatFixed(-0.04, 1), QStringLiteral("0.0"));
        QCOMPARE(VbNum::formatFixed(9.96, 1), QStringLiteral("10.0"));
        QCOMPARE(VbNum::formatFixed(99.5, 0), QStringLiteral("100"));
        QCOMPARE(VbNum::formatFixed(0.5, 0), QStringLiteral("1"));
        QCOMPARE(VbNum::formatFixed(0, 1), QStringLiteral("0.0"));
        QCOMPARE(VbNum::formatFixed(12345, 1), QStringLiteral("12345.0"));
        QCOMPARE(VbNum::formatFixed(1e16, 1), QStringLiteral("10000000000000000.0"));
        QCOMPARE(VbNum::formatFixed(0.00049, 3), QStringLiteral("0.000"));
        QCOMPARE(VbNum::formatFixed(0.0005, 3), QStringLiteral("0.001"));
        QCOMPARE(VbNum::formatFixed(1501 / 100.0, 1), QStringLiteral("15.0"));
        QCOMPARE(VbNum::formatFixed(1550 / 100.0, 1), QStringLiteral("15.5"));
    }

    void strictParse() {
        QCOMPARE(VbNum::parseNumber(QStringLiteral("12")), std::optional<double>(12));
        QCOMPARE(VbNum::parseNumber(QStringLiteral("-1.5")), std::optional<double>(-1.5));
        QCOMPARE(VbNum::parseNumber(QStringLiteral("+.5")), std::optional<double>(0.5));
        QCOMPARE(VbNum::parseNumber(QStringLiteral("5.")), std::optional<double>(5));
        for (const char* bad : {"", " 1", "1 ", "1a", ".", "-", "1e3", "&H1F", "1,5", "--1", "１"})
            QVERIFY2(!VbNum::parseNumber(QString::fromUtf8(bad)), bad);
    }
};

QTEST_GUILESS_MAIN(TestVbNum)
#include "tst_vbnum.moc"
