// Byte-for-byte tests of the parameter requests and of the texts the
// parameter answers show.

#include <QTest>
#include <climits>

#include "core/protocol/ParamFrames.h"
#include "tests/support/SimSupport.h"

using SimSupport::fromHex;
using SimSupport::hex;
namespace PF = ParamFrames;

namespace {
QString req(const char* tail) { return hex(fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tail)); }
}  // namespace

class TestParamFrames : public QObject {
    Q_OBJECT

private slots:
    void hexPairsCountNonHexAsZero();
    void passwordUseBits();
    void passwordTakesFourPairsSkippingColons();
    void receiverNumberImpliesLeadingOne();
    void passiveAddress();
    void baudCodesAndUnknownText();
    void restartTimeInFiveMillisecondUnits();
    void identityNeedsSixSingleByteCharacters();
    void tooShortAndWideCharactersAreRefused();
    void refreshQueries();
    void chainRequests();
    void numberMaskIsUnsigned32();
    void wakeDelaysRoundHalfToEvenTwice();
    void answerTexts();
};

void TestParamFrames::hexPairsCountNonHexAsZero() {
    QCOMPARE(PF::hexPair("5A", 0), uint8_t(0x5A));
    QCOMPARE(PF::hexPair("*F", 0), uint8_t(0x0F));
    QCOMPARE(PF::hexPair("G1", 0), uint8_t(0x01));
    QCOMPARE(PF::hexPair("ab", 0), uint8_t(0x00));  // lower case is not a digit here
    QCOMPARE(PF::hexPair("1", 0), uint8_t(0x10));   // a missing character counts as 0
}

void TestParamFrames::passwordUseBits() {
    QCOMPARE(hex(PF::passwordUse(false, false)), req("A1 01 00"));
    QCOMPARE(hex(PF::passwordUse(true, false)), req("A1 01 01"));
    QCOMPARE(hex(PF::passwordUse(false, true)), req("A1 01 02"));
    QCOMPARE(hex(PF::passwordUse(true, true)), req("A1 01 03"));
}

void TestParamFrames::passwordTakesFourPairsSkippingColons() {
    const auto b = PF::smsPassword("5A:21:7C:40:");
    QVERIFY(b.ok());
    QCOMPARE(hex(b.frame), req("F1 01 5A 21 7C 40"));
    QCOMPARE(hex(PF::smsPassword("5a:21:7c:40").frame), req("F1 01 5A 21 7C 40"));
    // Text that would go out as other bytes than it shows is refused.
    for (const char* bad : {"12X34Y56Z78", "5G:21:7C:40:", "5A:21:7C:40:0", "5A 21 7C 40 "})
        QCOMPARE(PF::smsPassword(bad).error, PF::tooShortPassword());
}

void TestParamFrames::receiverNumberImpliesLeadingOne() {
    QCOMPARE(hex(PF::receiverNumber("13812345678").frame), req("A2 01 01 38 12 34 56 78"));
    QCOMPARE(PF::receiverNumber("13812345678").frame.size(), 16);
    // Only the 1 it implies, and digits it can pack, send what the box shows.
    for (const char* bad : {"92345678901", "***********", "1381234567x", "138123456789"})
        QCOMPARE(PF::receiverNumber(bad).error, PF::tooShortNumber());
}

void TestParamFrames::passiveAddress() {
    QCOMPARE(hex(PF::passiveAddress("0A:01").frame), req("E2 01 0A 01"));
    QCOMPARE(hex(PF::passiveAddress("0a:0f:").frame), req("E2 01 0A 0F"));
    for (const char* bad : {"**:**", "0A 01 ", "0A:01:2"}) QCOMPARE(PF::passiveAddress(bad).error, PF::tooShortAddress());
}

void TestParamFrames::baudCodesAndUnknownText() {
    const struct {
        const char* text;
        const char* tail;
    } cases[] = {{"1200bps", "F2 01 03"},  {"9600bps", "F2 01 06"},   {"14400bps", "F2 01 07"},
                 {"57600bps", "F2 01 0A"}, {"115200bps", "F2 01 0B"}, {"abc", nullptr},
                 {"", nullptr},            {"9600BPS", nullptr},      {" 9600bps", nullptr},
                 {"9600", nullptr}};
    for (const auto& c : cases) {
        const PF::Built b = PF::moduleBaud(QString::fromLatin1(c.text));
        if (c.tail)
            QCOMPARE(hex(b.frame), req(c.tail));
        else
            QVERIFY2(!b.ok() && b.frame.isEmpty(), c.text);  // no rate code 00 goes out
    }
    QCOMPARE(hex(PF::moduleModel(true)), req("D1 01 02"));
    QCOMPARE(hex(PF::moduleModel(false)), req("D1 01 01"));
}

void TestParamFrames::restartTimeInFiveMillisecondUnits() {
    QCOMPARE(hex(PF::restartTime("60").frame), req("A3 01 00 00 2E E0"));
    QCOMPARE(hex(PF::restartTime("0").frame), req("A3 01 00 00 00 00"));
    QCOMPARE(hex(PF::restartTime(" 15 ").frame), req("A3 01 00 00 0B B8"));
    // 0.0125 s is 2.5 units: halves go to the even neighbour.
    QCOMPARE(hex(PF::restartTime("0.0125").frame), req("A3 01 00 00 00 02"));
    QCOMPARE(hex(PF::restartTime("10737418.235").frame), req("A3 01 7F FF FF FF"));
    for (const char* bad : {"-1", "10737418.24", "1e30", "-1e400", "", "15s", "abc"}) {
        const auto b = PF::restartTime(QString::fromLatin1(bad));
        QVERIFY2(!b.ok(), bad);
        QVERIFY(b.frame.isEmpty());
        QCOMPARE(b.error, PF::restartOutOfRange());
    }
}

void TestParamFrames::identityNeedsSixSingleByteCharacters() {
    QCOMPARE(hex(PF::identity("ABC123").frame), req("EC 01 41 42 43 31 32 33"));
    QCOMPARE(PF::identity("ABC123").frame.size(), 16);
    QCOMPARE(hex(PF::identity(QStringLiteral("€ b 1 ")).frame), req("EC 01 80 20 62 20 31 20"));
    for (const QString& bad : {QString(), QStringLiteral("ABC12"), QStringLiteral("ABCD1234"),
                               QStringLiteral("ABC12中"), QStringLiteral("ABCDé1")}) {
        const auto b = PF::identity(bad);
        QVERIFY2(!b.ok(), qPrintable(bad));
        QCOMPARE(b.error, QStringLiteral("密码无效"));
    }
}

void TestParamFrames::tooShortAndWideCharactersAreRefused() {
    QCOMPARE(PF::smsPassword("5A:21:7C:4").error, PF::tooShortPassword());
    QCOMPARE(PF::receiverNumber("1381234567").error, PF::tooShortNumber());
    QCOMPARE(PF::passiveAddress("0A:0").error, PF::tooShortAddress());
    QCOMPARE(PF::smsPassword(QStringLiteral("5A:2中:7C:40:")).error, PF::notSingleByte());
    QCOMPARE(PF::receiverNumber(QStringLiteral("1381234567中")).error, PF::notSingleByte());
    QCOMPARE(PF::passiveAddress(QStringLiteral("0A:é1")).error, PF::notSingleByte());
    // Nor where the request reads no digit.
    QVERIFY(!PF::receiverNumber(QStringLiteral("中3812345678")).ok());
    QVERIFY(!PF::smsPassword(QStringLiteral("5A中21中7C中40")).ok());
    QVERIFY(!PF::passiveAddress(QStringLiteral("0A中01")).ok());
}

void TestParamFrames::refreshQueries() {
    const char* tails[13] = {"EC 03", "A3 02", "A1 03", "F1 03", "F8 03", "E2 03", "F9 03",
                             "FB 03", "A2 03", "E1 03", "D3 03", "D2 03", "DB 03"};
    for (int i = 0; i < 13; ++i) QCOMPARE(hex(PF::refreshQuery(i)), req(tails[i]));
    for (int s : {-1, 13, 100, 0x7FFF}) QVERIFY(PF::refreshQuery(s).isEmpty());
}

void TestParamFrames::chainRequests() {
    QCOMPARE(hex(PF::workMode(true)), req("F8 01 01"));
    QCOMPARE(hex(PF::workMode(false)), req("F8 01 00"));
    QCOMPARE(hex(PF::transMode(0)), req("F9 01 01"));
    QCOMPARE(hex(PF::transMode(1)), req("F9 01 00"));
    QCOMPARE(hex(PF::transMode(2)), req("F9 01 00"));
    QCOMPARE(hex(PF::subMode(0)), req("FB 01 00"));
    QCOMPARE(hex(PF::subMode(1)), req("FB 01 01"));
    QCOMPARE(hex(PF::powerSaving(true)), req("D3 01 01"));
    QCOMPARE(hex(PF::powerSaving(false)), req("D3 01 00"));
    QCOMPARE(hex(PF::wakeMode(true)), req("DB 01 00 00 00 00"));
    QCOMPARE(hex(PF::wakeMode(false)), req("DB 01 01 00 00 00"));
}

void TestParamFrames::numberMaskIsUnsigned32() {
    QCOMPARE(hex(PF::numberMask("7").frame), req("E1 01 00 00 00 07"));
    QCOMPARE(hex(PF::numberMask("").frame), req("E1 01 00 00 00 00"));
    QCOMPARE(hex(PF::numberMask("1048572").frame), req("E1 01 00 0F FF FC"));
    QCOMPARE(hex(PF::numberMask("4294967295").frame), req("E1 01 FF FF FF FF"));
    QCOMPARE(hex(PF::numberMask("2147483648").frame), req("E1 01 80 00 00 00"));
    for (const char* bad : {"-1", "4294967296", "1e20"}) QCOMPARE(PF::numberMask(bad).error, PF::maskOutOfRange());
}

void TestParamFrames::wakeDelaysRoundHalfToEvenTwice() {
    QCOMPARE(hex(PF::wakeDelays("1000", "10000").frame), req("D2 01 00 02 00 19"));
    QCOMPARE(hex(PF::wakeDelays("1400", "0").frame), req("D2 01 00 04 00 00"));   // 3.5 -> 4
    QCOMPARE(hex(PF::wakeDelays("199.5", "200.5").frame), req("D2 01 00 00 00 00"));  // 200 and 200: 0.5 -> 0
    QCOMPARE(hex(PF::wakeDelays("26214000", "1200").frame), req("D2 01 FF FF 00 03"));
    for (auto [a, b] : {std::pair{"-400", "0"}, std::pair{"0", "26214200"}, std::pair{"1e300", "0"},
                          std::pair{"1000ms", "0"}, std::pair{"", "0"}})
        QCOMPARE(PF::wakeDelays(a, b).error, PF::delaysOutOfRange());
}

void TestParamFrames::answerTexts() {
    QCOMPARE(PF::hexPairsWithColons(fromHex("00 01 02 0A FF"), 1, 4), QStringLiteral("01:02:0A:FF:"));
    QCOMPARE(PF::hexPairsWithColons(fromHex("00 0A 01"), 1, 2), QStringLiteral("0A:01:"));
    QCOMPARE(PF::receiverNumberText(fromHex("00 01 23 45 67 89 01"), 2), QStringLiteral("12345678901"));
    // Bytes outside the answer count as 0 wherever the position lies.
    QCOMPARE(PF::receiverNumberText(fromHex("12 34"), -1), QStringLiteral("10012340000"));
    QCOMPARE(PF::receiverNumberText(fromHex("12 34"), INT_MIN), QStringLiteral("10000000000"));
    QCOMPARE(PF::receiverNumberText(fromHex("12 34"), INT_MAX), QStringLiteral("10000000000"));
    QCOMPARE(PF::bigEndian(fromHex("12 34"), INT_MAX, 2), 0u);
    QCOMPARE(PF::hexPairsWithColons(fromHex("12 34"), INT_MAX - 1, 3), QStringLiteral("00:00:00:"));
    QCOMPARE(PF::restartSecondsText(3000), QStringLiteral("15"));
    QCOMPARE(PF::restartSecondsText(1), QStringLiteral("0.005"));
    QCOMPARE(PF::restartSecondsText(int32_t(PF::bigEndian(fromHex("FF FF FF 38"), 0, 4))), QStringLiteral("-1"));
    QCOMPARE(PF::bigEndian(fromHex("FF FF FF FF"), 0, 4), 4294967295u);
    QCOMPARE(PF::bigEndian(fromHex("01 02"), 0, 4), 0x01020000u);
    const auto d = PF::wakeDelayTexts(3, 25);
    QCOMPARE(d.label, QStringLiteral("1.2s   10s"));
    QCOMPARE(d.idleMs, QStringLiteral("1200"));
    QCOMPARE(d.dataMs, QStringLiteral("10000"));
    const auto z = PF::wakeDelayTexts(0, 0);
    QCOMPARE(z.label, QStringLiteral("0s   0s"));
    QCOMPARE(z.idleMs, QStringLiteral("0"));
    QCOMPARE(PF::wakeDelayTexts(65535, 1).idleMs, QStringLiteral("26214000"));
    QCOMPARE(PF::portRateText("9600,n,8,1"), QStringLiteral("9600bps"));
    QCOMPARE(PF::portRateText("115200,n,8,1"), QStringLiteral("115200bps"));
}

QTEST_GUILESS_MAIN(TestParamFrames)
#include "tst_paramframes.moc"
