#include <QComboBox>
#include <QTest>

#include "core/Routines.h"
#include "varnel/core/VarnelRoutines.h"

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

}  // namespace

class TestVarnelRoutines : public QObject {
    Q_OBJECT
private slots:
    void crc16Value() {
        QCOMPARE(varnel::Crc16Value(QByteArray("123456789"), 9), 19255);
        QCOMPARE(varnel::Crc16Value(hex("01"), 1), 0x807E);
        QCOMPARE(varnel::Crc16Value(QByteArray(), 0), 65535);
        QCOMPARE(varnel::Crc16Value(hex("0102"), -1), 65535);
        QCOMPARE(varnel::Crc16Value(QByteArray("123456789abc"), 9), 19255);
        QCOMPARE(varnel::Crc16Value(hex("01"), 4), 0x807E);
        // The Modbus request 01 03 00 00 00 01 carries 84 0A: low byte first.
        QCOMPARE(varnel::Crc16Value(hex("010300000001"), 6), 0x0A84);
    }

    void crc16AgreesWithByteForm() {
        // Two registers here, one 16-bit register in the shared routine:
        // they must give the same CRC for any data.
        QByteArray a;
        uint32_t x = 12345;
        for (int len = 0; len < 64; ++len) {
            const QByteArray bytes = Crc16Bytes(a, len);
            const int v = varnel::Crc16Value(a, len);
            QCOMPARE(v, (uint8_t(bytes[0]) << 8) | uint8_t(bytes[1]));
            x = x * 1103515245u + 12345u;
            a.append(static_cast<char>(x >> 16));
        }
    }

    void textToUnicodeBytes() {
        QByteArray a = hex("FFFFFFFFFFFFFFFF");
        QCOMPARE(varnel::TextToUnicodeBytes(a, QStringLiteral("A中")), 1);
        QCOMPARE(a, hex("00414E2D"));
        QCOMPARE(varnel::TextToUnicodeBytes(a, QStringLiteral("1")), 1);
        QCOMPARE(a, hex("0031"));
        QByteArray kept = hex("0102");
        QCOMPARE(varnel::TextToUnicodeBytes(kept, QString()), 0);
        QCOMPARE(kept, hex("0102"));
        // A character outside the basic plane is two code units, four bytes.
        QCOMPARE(varnel::TextToUnicodeBytes(a, QString::fromUtf8("\xF0\x9F\x98\x80")), 1);
        QCOMPARE(a, hex("D83DDE00"));
    }

    void comboFindIndex() {
        const QStringList list{QStringLiteral("AB"), QStringLiteral("ab"), QStringLiteral("ab")};
        QCOMPARE(varnel::ComboFindIndex(list, QStringLiteral("ab")), 1);
        QCOMPARE(varnel::ComboFindIndex(list, QStringLiteral("AB")), 0);
        QCOMPARE(varnel::ComboFindIndex(list, QStringLiteral("x")), 0);
        QCOMPARE(varnel::ComboFindIndex(list, QStringLiteral("ab ")), 0);
        QCOMPARE(varnel::ComboFindIndex(QStringList(), QStringLiteral("ab")), 0);
        const QStringList wide{QStringLiteral("无"), QStringLiteral("１字节"), QStringLiteral("1字节")};
        QCOMPARE(varnel::ComboFindIndex(wide, QStringLiteral("1字节")), 2);
    }

    void comboItemText() {
        const QStringList list{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        QCOMPARE(varnel::ComboItemText(list, 0), QStringLiteral("a"));
        QCOMPARE(varnel::ComboItemText(list, 2), QStringLiteral("c"));
        QCOMPARE(varnel::ComboItemText(list, -1), QString());
        QCOMPARE(varnel::ComboItemText(list, 3), QString());
        QCOMPARE(varnel::ComboItemText(list, 255), QString());
        QCOMPARE(varnel::ComboItemText(QStringList(), 0), QString());
        QCOMPARE(varnel::ComboItemText(list, 0.5), QStringLiteral("a"));
        QCOMPARE(varnel::ComboItemText(list, 1.5), QStringLiteral("c"));
        // Rounds up to the count: outside the list, not past it.
        QCOMPARE(varnel::ComboItemText(list, 2.7), QString());
    }

    void overComboBox() {
        QComboBox combo;
        combo.addItems({QStringLiteral("AB"), QStringLiteral("ab"), QStringLiteral("cd")});
        QCOMPARE(varnel::ComboFindIndex(&combo, QStringLiteral("cd")), 2);
        QCOMPARE(varnel::ComboFindIndex(&combo, QStringLiteral("zz")), 0);
        QCOMPARE(varnel::ComboItemText(&combo, 1), QStringLiteral("ab"));
        QCOMPARE(varnel::ComboItemText(&combo, 3), QString());
        // Looking up never moves the selection.
        combo.setCurrentIndex(1);
        varnel::ComboFindIndex(&combo, QStringLiteral("cd"));
        QCOMPARE(combo.currentIndex(), 1);
        QCOMPARE(varnel::ComboFindIndex(static_cast<QComboBox*>(nullptr), QStringLiteral("a")), 0);
        QCOMPARE(varnel::ComboItemText(static_cast<QComboBox*>(nullptr), 0), QString());
    }
};

QTEST_MAIN(TestVarnelRoutines)
#include "tst_varnel_routines.moc"
