#include <QTest>

#include "core/Globals.h"
#include "core/Routines.h"
#include "platform/CommPort.h"
#include "platform/Vb.h"

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

}  // namespace

class TestRoutines : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        Vb::setTimeOfDay(std::nullopt);
        g::resetAll();
    }

    void byteToHex2() {
        QCOMPARE(ByteToHex2(0), QStringLiteral("00"));
        QCOMPARE(ByteToHex2(10), QStringLiteral("0A"));
        QCOMPARE(ByteToHex2(15), QStringLiteral("0F"));
        QCOMPARE(ByteToHex2(16), QStringLiteral("10"));
        QCOMPARE(ByteToHex2(0xAB), QStringLiteral("AB"));
        QCOMPARE(ByteToHex2(255), QStringLiteral("FF"));
        // Every byte round-trips through the parser of typed hex.
        for (int b = 0; b < 256; ++b) {
            const QString s = ByteToHex2(static_cast<uint8_t>(b));
            QCOMPARE(s.size(), 2);
            QCOMPARE(HexDigitValue(s[0].unicode()) * 16 + HexDigitValue(s[1].unicode()), b);
        }
    }

    void hexDigitValue() {
        QCOMPARE(HexDigitValue('0'), 0);
        QCOMPARE(HexDigitValue('9'), 9);
        QCOMPARE(HexDigitValue('A'), 10);
        QCOMPARE(HexDigitValue('F'), 15);
        // Only upper-case digits count; everything else is 0.
        QCOMPARE(HexDigitValue('a'), 0);
        QCOMPARE(HexDigitValue('f'), 0);
        QCOMPARE(HexDigitValue('G'), 0);
        QCOMPARE(HexDigitValue('/'), 0);
        QCOMPARE(HexDigitValue(':'), 0);
        QCOMPARE(HexDigitValue('@'), 0);
        QCOMPARE(HexDigitValue(0x4E2D), 0);
        QCOMPARE(HexDigitValue(-1), 0);
    }

    void hexKeyFilter() {
        // Full sweep of ASCII against the rule: hex digits and backspace
        // pass, a-f become A-F, the rest is dropped.
        for (int k = 0; k < 127; ++k) {
            int key = k;
            HexKeyFilter(key);
            int expected = 0;
            if (k == 8 || (k >= '0' && k <= '9') || (k >= 'A' && k <= 'F'))
                expected = k;
            else if (k >= 'a' && k <= 'f')
                expected = k - 32;
            QVERIFY2(key == expected, qPrintable(QStringLiteral("key %1 -> %2").arg(k).arg(key)));
        }
        int b = 'b';
        HexKeyFilter(b);
        QCOMPARE(b, int('B'));
        // Codes outside ASCII (IME input, negative 16-bit codes) pass as they are.
        for (int k : {127, 128, 255, 0x4E2D, -1, -20000}) {
            int key = k;
            HexKeyFilter(key);
            QCOMPARE(key, k);
        }
    }

    void digitKeyFilter() {
        for (int k = 0; k < 127; ++k) {
            int key = k;
            DigitKeyFilter(key);
            const int expected = (k == 8 || (k >= '0' && k <= '9')) ? k : 0;
            QVERIFY2(key == expected, qPrintable(QStringLiteral("key %1 -> %2").arg(k).arg(key)));
        }
        for (int k : {127, 200, 0x4E2D, -5}) {
            int key = k;
            DigitKeyFilter(key);
            QCOMPARE(key, k);
        }
    }

    void crc16Bytes() {
        QCOMPARE(Crc16Bytes(QByteArray("123456789"), 9), hex("4B37"));
        QCOMPARE(Crc16Bytes(hex("01"), 1), hex("807E"));
        QCOMPARE(Crc16Bytes(QByteArray(), 0), hex("FFFF"));
        QCOMPARE(Crc16Bytes(hex("0102"), 0), hex("FFFF"));
        QCOMPARE(Crc16Bytes(hex("0102"), -3), hex("FFFF"));
        // Only the first n bytes count.
        QCOMPARE(Crc16Bytes(QByteArray("123456789xyz"), 9), hex("4B37"));
        // A Modbus request (read holding registers 0, 1 of slave 1) carries
        // its CRC low byte first: 84 0A.
        QCOMPARE(Crc16Bytes(hex("010300000001"), 6), hex("0A84"));
        // A count past the end covers the array and nothing beyond it.
        QCOMPARE(Crc16Bytes(hex("01"), 5), hex("807E"));
    }

    void sumCheck8() {
        QCOMPARE(SumCheck8(hex("FF02"), 0, 2), 1);
        QCOMPARE(SumCheck8(hex("FF02"), 1, 1), 0);
        QCOMPARE(SumCheck8(hex("FF02"), 2, 1), 0);
        // The end index is excluded, the start included.
        QCOMPARE(SumCheck8(hex("010204"), 0, 2), 3);
        QCOMPARE(SumCheck8(hex("010204"), 1, 3), 6);
        QByteArray big(300, char(0xFF));
        QCOMPARE(SumCheck8(big, 0, 300), (300 * 255) % 256);
        // Indexes outside the array add nothing.
        QCOMPARE(SumCheck8(hex("0102"), -4, 10), 3);
    }

    void textToUnicodeBytes() {
        QByteArray a = hex("AABB");
        QCOMPARE(TextToUnicodeBytes(a, QStringLiteral("A")), 1);
        QCOMPARE(a, hex("000041"));
        QCOMPARE(TextToUnicodeBytes(a, QStringLiteral("A中")), 1);
        QCOMPARE(a, hex("0000414E2D"));
        // An empty text leaves whatever the array held.
        QByteArray kept = hex("123456");
        QCOMPARE(TextToUnicodeBytes(kept, QString()), 0);
        QCOMPARE(kept, hex("123456"));
        // Characters beyond the basic plane go as their two code units.
        QCOMPARE(TextToUnicodeBytes(a, QString::fromUtf8("\xF0\x9F\x98\x80")), 1);
        QCOMPARE(a, hex("00D83DDE00"));
    }

    void tenSecondsElapsed() {
        // Across midnight: stamped 5 s before it.
        g::WaitStart = 86395.0f;
        Vb::setTimeOfDay(6.0f);
        QCOMPARE(TenSecondsElapsed(), 1);
        Vb::setTimeOfDay(4.0f);
        QCOMPARE(TenSecondsElapsed(), 0);
        Vb::setTimeOfDay(5.0f);
        QCOMPARE(TenSecondsElapsed(), 0);  // exactly 10 s
        Vb::setTimeOfDay(86399.0f);
        QCOMPARE(TenSecondsElapsed(), 0);

        // Within one day.
        g::WaitStart = 100.0f;
        Vb::setTimeOfDay(110.0f);
        QCOMPARE(TenSecondsElapsed(), 0);
        Vb::setTimeOfDay(110.5f);
        QCOMPARE(TenSecondsElapsed(), 1);
        Vb::setTimeOfDay(100.0f);
        QCOMPARE(TenSecondsElapsed(), 0);
    }

    void portOpenErrorText_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("expected");
        using R = CommPort::OpenResult;
        using F = CommPort::Failure;
        const QString tail = QStringLiteral("，请把用户加入该组并重新登录后重试");
        QTest::newRow("missing") << int(R::Missing) << int(F::None) << QString()
                                 << QStringLiteral("本机没有这个串口，请选择其它串口重试\n没有找到串口COM3（/dev/ttyUSB0）");
        QTest::newRow("in use") << int(R::InUse) << int(F::None) << QString()
                                << QStringLiteral("串口已经打开，请关闭其它程序重试");
        QTest::newRow("no permission, group known")
            << int(R::Other) << int(F::NoPermission) << QStringLiteral("uucp")
            << QStringLiteral(
                   "没有权限打开串口COM3（/dev/ttyUSB0）。当前用户必须属于拥有该设备的用户组“uucp”"
                   "（通常是 dialout）") +
                   tail;
        QTest::newRow("no permission, group unknown")
            << int(R::Other) << int(F::NoPermission) << QString()
            << QStringLiteral(
                   "没有权限打开串口COM3（/dev/ttyUSB0）。当前用户必须属于拥有该设备的用户组“dialout”"
                   "（通常是 dialout）") +
                   tail;
        QTest::newRow("not a serial port")
            << int(R::Other) << int(F::NotSerialPort) << QString()
            << QStringLiteral("COM3（/dev/ttyUSB0）不是串口，请检查这个串口的链接或选择其它串口重试");
        QTest::newRow("rate refused")
            << int(R::Other) << int(F::SettingsRefused) << QString()
            << QStringLiteral("串口COM3（/dev/ttyUSB0）不接受波特率 14400，请选择其它波特率重试");
        QTest::newRow("other")
            << int(R::Other) << int(F::Other) << QString()
            << QStringLiteral("串口COM3（/dev/ttyUSB0）打开失败（Input/output error），请选择其它串口重试");
    }
    void portOpenErrorText() {
        QFETCH(int, result);
        QFETCH(int, failure);
        QFETCH(QString, group);
        QFETCH(QString, expected);
        QCOMPARE(PortOpenErrorText(CommPort::OpenResult(result), CommPort::Failure(failure),
                                   QStringLiteral("COM3（/dev/ttyUSB0）"), group,
                                   QStringLiteral("Input/output error"), QStringLiteral("14400")),
                 expected);
    }

    void setPortAndBaud() {
        CommPort port;
        port.setCommPort(2);
        port.setSettings(QStringLiteral("9600,n,8,1"));

        SetPortAndBaud(port, QStringLiteral("COM3"), QStringLiteral("14400bps"));
        QCOMPARE(port.commPort(), 3);
        QCOMPARE(port.settings(), QStringLiteral("14400,n,8,1"));

        // Texts outside the lists change nothing.
        for (const char* p : {"COM9", "COM0", "com1", "COM1 ", "", "3"}) {
            SetPortAndBaud(port, QString::fromLatin1(p), QStringLiteral("9600"));
            QCOMPARE(port.commPort(), 3);
            QCOMPARE(port.settings(), QStringLiteral("14400,n,8,1"));
        }
        for (const char* r : {"9600", "9600BPS", "300bps", "230400bps", " 9600bps"}) {
            SetPortAndBaud(port, QStringLiteral("COM9"), QString::fromLatin1(r));
            QCOMPARE(port.settings(), QStringLiteral("14400,n,8,1"));
        }

        // Each listed value, and one setting changes without the other.
        const char* rates[] = {"1200", "2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"};
        for (int n = 1; n <= 8; ++n) {
            SetPortAndBaud(port, QStringLiteral("COM%1").arg(n), QStringLiteral("x"));
            QCOMPARE(port.commPort(), n);
            QCOMPARE(port.settings(), QStringLiteral("14400,n,8,1"));
        }
        for (const char* r : rates) {
            SetPortAndBaud(port, QStringLiteral("x"), QString::fromLatin1(r) + QStringLiteral("bps"));
            QCOMPARE(port.settings(), QString::fromLatin1(r) + QStringLiteral(",n,8,1"));
            QCOMPARE(port.commPort(), 8);
        }
    }
};

QTEST_GUILESS_MAIN(TestRoutines)
#include "tst_routines.moc"
