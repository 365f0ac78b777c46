// Packing of phone numbers and the phone-table frames, byte for byte.

#include <QRandomGenerator>
#include <QTest>

#include "core/protocol/PhoneCodec.h"
#include "tests/support/SimSupport.h"

using SimSupport::fromHex;
using SimSupport::hex;

class TestPhoneCodec : public QObject {
    Q_OBJECT

private slots:
    void packsFirstDigitAloneThenPairs();
    void packsHexLettersStarsAndOddTexts();
    void entryTextRoundTripsAndShowsWideFirstBytes();
    void writeFrameOfOneNumber();
    void writeFrameOfTwentyNumbersAndMore();
    void readAndClearFrames();
    void tableChecksumAndNumbers();
    void onlyAsciiIsPackable();
    void tableReadGoesBackByteForByte();
};

void TestPhoneCodec::packsFirstDigitAloneThenPairs() {
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("12345678901"))), QStringLiteral("01 23 45 67 89 01"));
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("13812345678"))), QStringLiteral("01 38 12 34 56 78"));
    // Characters past the eleventh are ignored; missing ones count as 0.
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("139000000019999"))),
             QStringLiteral("01 39 00 00 00 01"));
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("987"))), QStringLiteral("09 87 00 00 00 00"));
    QCOMPARE(hex(PhoneCodec::packNumber(QString())), QStringLiteral("00 00 00 00 00 00"));
}

void TestPhoneCodec::packsHexLettersStarsAndOddTexts() {
    // A hex letter is worth its nibble value.
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("1A345678901"))), QStringLiteral("01 A3 45 67 89 01"));
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("F0000000EBC"))), QStringLiteral("0F 00 00 00 0E BC"));
    // The default text of the entry box packs as all zeros.
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("***********"))), QStringLiteral("00 00 00 00 00 00"));
    // Lower case counts as its capital, other letters are no digits; a
    // character above one byte never spills into a neighbouring nibble.
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("1a2G3#4567Z"))), QStringLiteral("01 A2 03 04 56 70"));
    QCOMPARE(hex(PhoneCodec::packNumber(QStringLiteral("1\u4E2D\u0141345678901"))),
             QStringLiteral("01 00 34 56 78 90"));
}

void TestPhoneCodec::entryTextRoundTripsAndShowsWideFirstBytes() {
    for (const char* n : {"12345678901", "13900000001", "A2345678901", "00000000000", "1ABCDEF0123"})
        QCOMPARE(PhoneCodec::entryText(PhoneCodec::packNumber(QString::fromLatin1(n))),
                 QString::fromLatin1(n));
    QCOMPARE(PhoneCodec::entryText(fromHex("0A 23 45 67 89 01")), QStringLiteral("A2345678901"));
    QCOMPARE(PhoneCodec::entryText(fromHex("00 00 00 00 00 00")), QStringLiteral("00000000000"));
    // A first byte of 10 hex or more gives twelve characters.
    QCOMPARE(PhoneCodec::entryText(fromHex("1F 00 0A B0 0C 0D")), QStringLiteral("1F000AB00C0D"));
    QCOMPARE(PhoneCodec::entryText(fromHex("FF FF FF FF FF FF")), QStringLiteral("FFFFFFFFFFFF"));
    QCOMPARE(PhoneCodec::entryText(QByteArray()), QString());
}

void TestPhoneCodec::writeFrameOfOneNumber() {
    const QByteArray f = PhoneCodec::writeFrame({QStringLiteral("12345678901")});
    QCOMPARE(f.size(), 183);
    QCOMPARE(hex(f.left(18)), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 02 5B 01 01 23 45 67 89 01"));
    QCOMPARE(f.mid(18), QByteArray(165, '\0'));
}

void TestPhoneCodec::writeFrameOfTwentyNumbersAndMore() {
    QStringList numbers;
    for (int i = 0; i < 20; ++i)
        numbers << QStringLiteral("1%1").arg(i * 111111111LL + 5, 10, 10, QLatin1Char('0'));
    const QByteArray f = PhoneCodec::writeFrame(numbers);
    QCOMPARE(f.size(), 183);
    QCOMPARE(uint8_t(f.at(11)), uint8_t(20));
    unsigned sum = 20;
    for (int i = 0; i < 20; ++i) {
        const QByteArray e = f.mid(12 + 6 * i, 6);
        QCOMPARE(e, PhoneCodec::packNumber(numbers.at(i)));
        for (char c : e) sum += uint8_t(c);
    }
    QCOMPARE(uint8_t(f.at(10)), uint8_t(sum & 0xFF));
    QCOMPARE(f.mid(132), QByteArray(51, '\0'));

    // A 21st number never overruns the frame or the count.
    numbers << QStringLiteral("19999999999");
    const QByteArray g = PhoneCodec::writeFrame(numbers);
    QCOMPARE(g.size(), 183);
    QCOMPARE(g, f);

    // Numbers whose sum passes 255 wrap.
    const QByteArray h =
        PhoneCodec::writeFrame({QStringLiteral("FFFFFFFFFFF"), QStringLiteral("FFFFFFFFFFF")});
    QCOMPARE(uint8_t(h.at(10)), uint8_t((2 + 2 * (0x0F + 5 * 0xFF)) % 256));
}

void TestPhoneCodec::readAndClearFrames() {
    QCOMPARE(hex(PhoneCodec::readFrame()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 01"));
    QCOMPARE(hex(PhoneCodec::clearFrame()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 04 01"));
}

void TestPhoneCodec::tableChecksumAndNumbers() {
    QByteArray entries = fromHex("01 38 12 34 56 78 01 39 00 00 00 01 01 23 45 67 89 01");
    entries.append(QByteArray(102, '\0'));
    QCOMPARE(PhoneCodec::tableChecksum(3, entries), uint8_t(0xE5));
    QCOMPARE(PhoneCodec::tableNumbers(3, entries),
             (QStringList{QStringLiteral("13812345678"), QStringLiteral("13900000001"),
                          QStringLiteral("12345678901")}));
    // Entries past the count still count toward the checksum.
    QByteArray filled = entries.left(18);
    for (int i = 3; i < 20; ++i) filled.append(fromHex("01 11 11 11 11 11"));
    QCOMPARE(PhoneCodec::tableChecksum(3, filled), uint8_t(0x9B));
    QCOMPARE(PhoneCodec::tableNumbers(3, filled).size(), 3);
    // A count beyond the entries or beyond 20 gives what is there.
    QCOMPARE(PhoneCodec::tableNumbers(25, filled).size(), 20);
    QCOMPARE(PhoneCodec::tableNumbers(5, entries.left(13)).size(), 2);
    QCOMPARE(PhoneCodec::tableNumbers(0, entries).size(), 0);
}

void TestPhoneCodec::onlyAsciiIsPackable() {
    QVERIFY(PhoneCodec::isPackable(QStringLiteral("***********")));
    QVERIFY(PhoneCodec::isPackable(QStringLiteral("1A345678901")));
    QVERIFY(!PhoneCodec::isPackable(QStringLiteral("1234567890\u00E9")));
    QVERIFY(!PhoneCodec::isPackable(QStringLiteral("\u4E2D2345678901")));
}

// Whatever entries a module holds, the numbers a table read shows are
// written back as the same bytes (both programs read and write through
// these two routines).
void TestPhoneCodec::tableReadGoesBackByteForByte() {
    QRandomGenerator rng(20261210);
    const QByteArray edges = fromHex("13 80 01 38 00 00 FF 99 99 99 99 99 10 00 00 00 00 00 0F FF FF FF FF FF "
                                     "00 00 00 00 00 00 01 38 00 13 80 00");
    for (int round = 0; round < 200; ++round) {
        QByteArray entries = round == 0 ? edges : QByteArray();
        while (entries.size() < PhoneCodec::TableBytes) entries.append(char(rng.bounded(256)));
        const int count = round == 0 ? 6 : 1 + rng.bounded(PhoneCodec::MaxNumbers);
        const QStringList shown = PhoneCodec::tableNumbers(count, entries);
        const QByteArray f = PhoneCodec::writeFrame(shown);
        QVERIFY2(f.mid(12, 6 * count) == entries.left(6 * count),
                 qPrintable(QStringLiteral("read %1, wrote %2")
                                .arg(hex(entries.left(6 * count)), hex(f.mid(12, 6 * count)))));
    }
}

QTEST_GUILESS_MAIN(TestPhoneCodec)
#include "tst_phone_codec.moc"
