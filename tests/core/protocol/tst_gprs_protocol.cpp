// GPRS data module: request bytes and answer decoding, without port or window.

#include <QTest>

#include "core/protocol/GprsAnswers.h"
#include "core/protocol/GprsFrames.h"

namespace {

QByteArray hx(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }
QByteArray pre(const char* tail) { return hx("1A 2A 3A 4A 5A 6A 7A 8A") + hx(tail); }

}  // namespace

class TestGprsProtocol : public QObject {
    Q_OBJECT
private slots:
    void requests_data() {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("expected");
        using namespace GprsFrames;
        QTest::newRow("read F4") << readRequest(0xF4) << pre("F4 03");
        QTest::newRow("mode data") << modeSwitch(0) << pre("DA 01 00");
        QTest::newRow("mode address") << modeSwitch(1) << pre("DA 01 01");
        QTest::newRow("identity A/0F3") << identityWrite("A", "0F3", false) << pre("F4 01 A0 F3");
        QTest::newRow("identity forced") << identityWrite("A", "0F3", true) << pre("F4 02 A0 F3");
        QTest::newRow("target 1/234") << targetWrite("1", "234") << pre("F3 01 12 34");
        QTest::newRow("target lower case") << targetWrite("a", "bcd") << pre("F3 01 AB CD");
        QTest::newRow("passive 5") << *passiveAddressWrite("5") << pre("E2 01 30 35");
        QTest::newRow("passive 12") << *passiveAddressWrite("12") << pre("E2 01 31 32");
        QTest::newRow("baud 9600") << baudWrite("9600bps") << pre("F2 01 06");
        QTest::newRow("baud 115200") << baudWrite("115200bps") << pre("F2 01 0B");
        QTest::newRow("baud other") << baudWrite("300bps") << pre("F2 01 00");
        QTest::newRow("heartbeat 300") << heartbeatWrite(300) << pre("F6 01 01 2C");
        QTest::newRow("heartbeat 255") << heartbeatWrite(255) << pre("F6 01 00 FF");
        QTest::newRow("heartbeat 256") << heartbeatWrite(256) << pre("F6 01 01 00");
        QTest::newRow("restart 5") << restartWrite(5) << pre("E4 01 05");
        QTest::newRow("work active") << valueWrite(0xF8, 1) << pre("F8 01 01");
        QTest::newRow("layout none") << addressLayoutWrite(1, 2, 3, 3) << pre("E1 01 01 02 03 03");
        QTest::newRow("wake mode 1") << wakeModeWrite(0) << pre("DB 01 00 00 00 00");
        QTest::newRow("wake delays") << wakeDelaysWrite(*delayUnits("1000"), *delayUnits("10000"))
                                     << pre("D2 01 00 02 00 19");
        QTest::newRow("read") << dollarRead(hx("3132")) << hx("24 31 32 52 0D");
        QTest::newRow("memory") << dollarMemoryCheck(hx("3132")) << hx("24 31 32 57 00 00 0D");
        QTest::newRow("passive transparent")
            << dollarWrite(hx("3132"), hx("4142")) << hx("24 31 32 57 00 02 41 42 0D");
        QTest::newRow("passive formatted") << dollarWrite(hx("3132"), formattedFrame(hx("0005"), hx("41")))
                                           << hx("24 31 32 57 00 07 D7 01 00 05 00 01 41 0D");
        QTest::newRow("active formatted")
            << formattedFrame(hx("1234"), hx("AABBCC")) << hx("D7 01 12 34 00 03 AA BB CC");
        QTest::newRow("length 300") << formattedFrame(hx("1234"), QByteArray(300, 'x')).mid(4, 2)
                                    << hx("01 2C");
        QTest::newRow("length 200") << formattedFrame(hx("1234"), QByteArray(200, 'x')).mid(4, 2)
                                    << hx("00 C8");
    }
    void requests() {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, expected);
        QCOMPARE(built.toHex(' ').toUpper(), expected.toHex(' ').toUpper());
    }

    void inputLimits() {
        using namespace GprsFrames;
        QVERIFY(!passiveAddressWrite(""));
        QVERIFY(!passiveAddressWrite("255"));  // a third character would not reach the module
        QVERIFY(!passiveAddressWrite(QStringLiteral("中")));
        QCOMPARE(textNumber("300秒", 0, 65535).value_or(-1), 300);
        QVERIFY(!textNumber("256", 0, 255));
        QVERIFY(!textNumber("-1", 0, 255));
        QCOMPARE(delayUnits("26213999").value_or(0), 65535);  // 65534.9975 units rounds to 65535
        QVERIFY(!delayUnits("26214200"));                     // 65535.5 units
        QVERIFY(!delayUnits("-400"));
        QCOMPARE(delayUnits("600").value_or(9), 2);  // 1.5 rounds to even
        QCOMPARE(delayUnits("200").value_or(9), 0);  // 0.5 rounds to even

        // The send text is cut to whole groups, each two digits and ":".
        const HexGroups g = hexGroups("01:02:0");
        QCOMPARE(g.text, QStringLiteral("01:02:"));
        QCOMPARE(g.bytes, hx("01 02"));
        QCOMPARE(hexGroups("0G-1F").bytes, hx("00"));
        QVERIFY(!hexGroups("0G-1F").valid);
        QVERIFY(!hexGroups("000000").valid);
        QCOMPARE(hexGroups("0a:1F:").bytes, hx("0A 1F"));
        QVERIFY(hexGroups("").bytes.isEmpty());
        QVERIFY(!addressBytes("31:3"));
        QVERIFY(!addressBytes("31:32:33:"));
        QVERIFY(!addressBytes("3132:"));
        QCOMPARE(addressBytes("31:32").value_or(QByteArray()), hx("3132"));
        // A full-width digit is no hex digit: each box would send it as 0.
        QVERIFY(!hexGroups(QStringLiteral("４１:")).valid);
        QVERIFY(!addressBytes(QStringLiteral("３１:32:")));
        QVERIFY(!addressEntryError(QStringLiteral("1"), QStringLiteral("１２３")).isEmpty());
    }

    void decoders() {
        using namespace GprsAnswers;
        QCOMPARE(addressText(0x1A, 0x05), QStringLiteral("1A:05:"));
        QCOMPARE(projectOf("1A:05:"), QStringLiteral("1"));
        QCOMPARE(stationOf("1A:05:"), QStringLiteral("A05"));
        QCOMPARE(hexText(hx("00 0A FF")), QStringLiteral("00:0A:FF:"));
        QCOMPARE(answerLine(hx("D7 FA")), QStringLiteral("接收  D7:FA:\r\n"));
        QCOMPARE(versionText(hx("00") + "N320 V4.02 " + "Z"), QStringLiteral("N320 V4.02 "));
        QCOMPARE(versionText(hx("00 41")).size(), 1);  // a short answer never reads past its end
        QCOMPARE(heartbeatSeconds(hx("00 01 2C")), 300);
        QCOMPARE(heartbeatSeconds(hx("00 FF FF")), 65535);
        QCOMPARE(wakeDelayText(hx("00 00 01 00 0A")), QStringLiteral(".4s   4s"));
        QCOMPARE(wakeDelayText(hx("00 00 03 03 E8")), QStringLiteral("1.2s   400s"));
        QCOMPARE(baudText(3).value_or(""), QStringLiteral("1200bps"));
        QCOMPARE(baudText(10).value_or(""), QStringLiteral("57600bps"));
        QVERIFY(!baudText(11));
        QVERIFY(!baudText(2));
        QCOMPARE(addressLayout(hx("00 01 02 03 07")).typeText(), QStringLiteral("R50模式"));
        QCOMPARE(addressLayout(hx("00 01 02 03 01")).typeText(), QStringLiteral("16进制"));
        QCOMPARE(addressLayout(hx("00 05 02 09 00")).groupMax, 9);
        QCOMPARE(identityOutcome(0x08), IdentityOutcome::Taken);
        QCOMPARE(identityOutcome(0x0B), IdentityOutcome::Unknown);
    }

    // The read sequence follows the module's own configuration.
    void readSteps_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("step");
        const struct {
            int code, value, step;
        } rows[] = {{0xF4, 0, 1},  {0xEC, 0, 2},   {0xF6, 0, 3},   {0xE4, 5, 4},  {0xD3, 0, 6},
                    {0xD3, 1, 5},  {0xD2, 0, 12},  {0xDB, 1, 6},   {0xF8, 1, 8},  {0xF8, 0, 7},
                    {0xE2, 0, 8},  {0xF9, 0, 9},   {0xF9, 2, 100}, {0xF3, 0, 10}, {0xFB, 1, 100},
                    {0xFB, 0, 11}, {0xE1, 0, 100}, {0xFD, 0, -1},  {0xF2, 6, -1}};
        for (const auto& r : rows) QTest::addRow("%02X/%d", r.code, r.value) << r.code << r.value << r.step;
    }
    void readSteps() {
        QFETCH(int, code);
        QFETCH(int, value);
        QFETCH(int, step);
        QCOMPARE(GprsAnswers::nextReadStep(uint8_t(code), uint8_t(value)), step);
    }

    void dispatchTable() {
        using namespace GprsAnswers;
        // Every code's byte count is what its state awaits.
        for (int code = 0; code < 256; ++code) {
            const auto d = dispatch(uint8_t(code));
            if (!d) continue;
            QCOMPARE(awaited(d->state), d->count);
        }
        QCOMPARE(dispatch(0xF5)->count, 9);
        QCOMPARE(dispatch(0xEC)->count, 12);
        QVERIFY(!dispatch(0xFE));
        QVERIFY(!dispatch(0x1A));
        QCOMPARE(awaited(Identity), 4);
        QCOMPARE(awaited(Signature), 7);
    }
};

QTEST_GUILESS_MAIN(TestGprsProtocol)
#include "tst_gprs_protocol.moc"
