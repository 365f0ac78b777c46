// The alarm and output settings records byte for byte, their text encoding
// and the decoding of blocks read back; the small requests beside them and
// the phone-number batch frames.

#include <QTest>
#include <climits>

#include "core/protocol/SettingsRecords.h"
#include "tests/support/SimSupport.h"

using namespace SettingsRecords;
using SimSupport::fromHex;
using SimSupport::hex;

namespace {

const QByteArray P = fromHex("1A 2A 3A 4A 5A 6A 7A 8A");

using SimSupport::zerosWith;

AlarmSettings doneAlarm() {
    AlarmSettings s;
    s.channel = 1;
    s.mode = 1;
    s.receivers = 1;
    s.interval10 = intervalUnits(35);
    s.lowText = QStringLiteral("ABC");
    s.lowEnglish = true;
    s.highText = QStringLiteral("报警");
    s.highEnglish = false;
    s.mask = 16777215;
    s.count = 3;
    s.relay = 1;
    return s;
}

OutputSettings doneOutput() {
    OutputSettings s;
    s.channel = 1;
    s.mode = 2;
    s.reply = 3;
    s.replyDelay = 10;
    s.highDelay = 5;
    s.lowDelay = 1;
    s.lowText = QStringLiteral("OFF");
    s.lowEnglish = true;
    s.highText = QStringLiteral("ON");
    s.highEnglish = true;
    s.hold = true;
    return s;
}

}  // namespace

class TestSettingsRecords : public QObject {
    Q_OBJECT

private slots:
    void alarmWriteFrame();
    void outputWriteFrame();
    void restoreDelaysOnlyInPulseMode();
    void textEncoding();
    void textLimitsAndRefusals();
    void boxConversions();
    void maskUsesAllFourBytes();
    void smallRequests();
    void batchFrames();
    void alarmBlockAsRead();
    void blocksRoundTrip();
    void textDecoding();
    void shortBlocksLeaveMissingFieldsEmpty();
    void inputStateAndTypingRules();
};

void TestSettingsRecords::alarmWriteFrame() {
    const Built b = buildAlarmWrite(doneAlarm());
    QCOMPARE(b.error, TextError::None);
    const QByteArray expected =
        zerosWith(199, {{0, "1A 2A 3A 4A 5A 6A 7A 8A B4 01 01 4B 01 01 03 83 04 41 42 43"},
                        {97, "00 FF FF FF"},
                        {107, "62 A5 8B 66"},
                        {197, "03 01"}});
    QCOMPARE(hex(b.frame), hex(expected));

    // Empty texts: length 0 and an untouched field, whichever encoding.
    AlarmSettings s;
    s.lowEnglish = true;
    const Built empty = buildAlarmWrite(s);
    QCOMPARE(empty.frame.size(), 199);
    QCOMPARE(hex(empty.frame.mid(8)), hex(fromHex("B4 01") + QByteArray(189, '\0')));
}

void TestSettingsRecords::outputWriteFrame() {
    const Built b = buildOutputWrite(doneOutput());
    QCOMPARE(b.error, TextError::None);
    const QByteArray expected =
        zerosWith(141, {{0, "1A 2A 3A 4A 5A 6A 7A 8A B5 01 01 93 02 03 0A 05 01 83 82 4F 46 46"},
                        {79, "4F 4E"},
                        {139, "01"}});
    QCOMPARE(hex(b.frame), hex(expected));

    // The default texts as "汉字": six UCS-2 bytes each.
    OutputSettings s;
    s.mode = 1;
    s.lowText = QStringLiteral("设备关");
    s.highText = QStringLiteral("设备开");
    const Built c = buildOutputWrite(s);
    QCOMPARE(hex(c.frame.mid(17, 2)), QStringLiteral("06 06"));
    QCOMPARE(hex(c.frame.mid(19, 6)), QStringLiteral("8B BE 59 07 51 73"));
    QCOMPARE(hex(c.frame.mid(79, 6)), QStringLiteral("8B BE 59 07 5F 00"));
}

void TestSettingsRecords::restoreDelaysOnlyInPulseMode() {
    OutputSettings s = doneOutput();
    s.mode = 1;
    const QByteArray level = buildOutputWrite(s).frame;
    QCOMPARE(hex(level.mid(12, 5)), QStringLiteral("01 03 0A 00 00"));
    s.mode = 0;
    QCOMPARE(hex(buildOutputWrite(s).frame.mid(12, 5)), QStringLiteral("00 03 0A 00 00"));
    // The checksum follows what is really sent.
    QCOMPARE(uint8_t(level[11]), uint8_t(0x93 - 5 - 1 - 1));
}

void TestSettingsRecords::textEncoding() {
    QCOMPARE(hex(encodeText(QStringLiteral("ABC"), true, 80).bytes), QStringLiteral("41 42 43"));
    QCOMPARE(encodeText(QStringLiteral("ABC"), true, 80).lengthByte, uint8_t(0x83));
    const EncodedText wide = encodeText(QStringLiteral("ABC"), false, 80);
    QCOMPARE(wide.lengthByte, uint8_t(0x06));
    QCOMPARE(hex(wide.bytes), QStringLiteral("00 41 00 42 00 43"));
    QCOMPARE(hex(encodeText(QStringLiteral("报警"), false, 80).bytes), QStringLiteral("62 A5 8B 66"));
    // Chinese sent as "英文" goes out in code page 936, two bytes a character.
    const EncodedText gbk = encodeText(QStringLiteral("串口"), true, 80);
    QCOMPARE(hex(gbk.bytes), QStringLiteral("B4 AE BF DA"));
    QCOMPARE(gbk.lengthByte, uint8_t(0x84));
    for (bool english : {true, false}) {
        const EncodedText e = encodeText(QString(), english, 80);
        QCOMPARE(e.lengthByte, uint8_t(0));
        QVERIFY(e.bytes.isEmpty());
        QCOMPARE(e.error, TextError::None);
    }
}

void TestSettingsRecords::textLimitsAndRefusals() {
    QCOMPARE(encodeText(QString(80, u'A'), true, 80).lengthByte, uint8_t(0x80 | 80));
    QCOMPARE(encodeText(QString(81, u'A'), true, 80).error, TextError::TooLong);
    QCOMPARE(encodeText(QString(40, u'报'), false, 80).lengthByte, uint8_t(80));
    QCOMPARE(encodeText(QString(41, u'报'), false, 80).error, TextError::TooLong);
    QCOMPARE(encodeText(QString(60, u'A'), true, 60).error, TextError::None);
    QCOMPARE(encodeText(QString(61, u'A'), true, 60).error, TextError::TooLong);
    QCOMPARE(encodeText(QString(31, u'报'), false, 60).error, TextError::TooLong);
    // A character code page 936 lacks is refused, never sent as "?".
    const EncodedText thai = encodeText(QStringLiteral("AB\u0E01"), true, 80);
    QCOMPARE(thai.error, TextError::Unencodable);
    QVERIFY(thai.bytes.isEmpty());
    QCOMPARE(encodeText(QStringLiteral("AB\u0E01"), false, 80).error, TextError::None);

    // A refused text refuses the whole record.
    AlarmSettings a = doneAlarm();
    a.highText = QString(81, u'x');
    a.highEnglish = true;
    QCOMPARE(buildAlarmWrite(a).error, TextError::TooLong);
    QVERIFY(buildAlarmWrite(a).frame.isEmpty());
    OutputSettings o = doneOutput();
    o.lowText = QStringLiteral("\u0E01");
    QCOMPARE(buildOutputWrite(o).error, TextError::Unencodable);
    QVERIFY(buildOutputWrite(o).frame.isEmpty());
}

void TestSettingsRecords::boxConversions() {
    QCOMPARE(intervalUnits(35), uint8_t(3));
    QCOMPARE(intervalUnits(9), uint8_t(0));
    QCOMPARE(intervalUnits(2600), uint8_t(255));
    QCOMPARE(intervalUnits(2550), uint8_t(255));
    QCOMPARE(intervalUnits(19.5), uint8_t(2));  // 20 after rounding
    QCOMPARE(intervalUnits(-15), uint8_t(0));

    QCOMPARE(alarmCount(QStringLiteral("3")), std::optional<uint8_t>(3));
    QCOMPARE(alarmCount(QStringLiteral("255")), std::optional<uint8_t>(255));
    QCOMPARE(alarmCount(QStringLiteral("254.5")), std::optional<uint8_t>(254));
    QCOMPARE(alarmCount(QStringLiteral("255.5")), std::nullopt);
    QCOMPARE(alarmCount(QStringLiteral("256")), std::nullopt);
    QCOMPARE(alarmCount(QStringLiteral("-1")), std::nullopt);
    QCOMPARE(alarmCount(QStringLiteral("-0.5")), std::optional<uint8_t>(0));

    QCOMPARE(receiverMask(QStringLiteral("16777215")), std::optional<uint32_t>(16777215));
    QCOMPARE(receiverMask(QStringLiteral("4294967295")), std::optional<uint32_t>(4294967295u));
    QCOMPARE(receiverMask(QStringLiteral(" 5 ")), std::optional<uint32_t>(5));
    QCOMPARE(receiverMask(QString()), std::optional<uint32_t>(0));
    QCOMPARE(receiverMask(QStringLiteral("4294967296")), std::nullopt);
    QCOMPARE(receiverMask(QStringLiteral("-1")), std::nullopt);
    QCOMPARE(receiverMask(QStringLiteral("12ab")), std::nullopt);
    QCOMPARE(receiverMask(QStringLiteral("1e400")), std::nullopt);

    QCOMPARE(replyDelay(250), uint8_t(250));
    QCOMPARE(replyDelay(300), uint8_t(250));
    QCOMPARE(replyDelay(-1), uint8_t(0));
    QCOMPARE(replyDelay(2.5), uint8_t(2));
    QCOMPARE(delayByte(5), uint8_t(5));
    QCOMPARE(delayByte(3.5), uint8_t(4));
    QCOMPARE(delayByte(1000), uint8_t(255));
    QCOMPARE(delayByte(-3), uint8_t(0));
}

void TestSettingsRecords::maskUsesAllFourBytes() {
    AlarmSettings s = doneAlarm();
    s.mask = 0xFFFFFFFF;
    const QByteArray f = buildAlarmWrite(s).frame;
    QCOMPARE(hex(f.mid(97, 4)), QStringLiteral("FF FF FF FF"));
    s.mask = 0x80000005;
    QCOMPARE(hex(buildAlarmWrite(s).frame.mid(97, 4)), QStringLiteral("80 00 00 05"));
    QCOMPARE(decodeAlarmBlock(f.mid(12)).mask, std::optional<uint32_t>(4294967295u));
}

void TestSettingsRecords::smallRequests() {
    QCOMPARE(hex(alarmReadRequest(3)), hex(P + fromHex("B4 02 03")));
    QCOMPARE(hex(outputReadRequest(0)), hex(P + fromHex("B5 02 00")));
    QCOMPARE(hex(inputStateRequest(2)), hex(P + fromHex("98 02")));
    QCOMPARE(hex(outputTestRequest(1, true)), hex(P + fromHex("99 01 01")));
    QCOMPARE(hex(outputTestRequest(0, false)), hex(P + fromHex("99 00 00")));
    QCOMPARE(hex(paramClearRequest()), hex(P + fromHex("D5 01")));
}

void TestSettingsRecords::batchFrames() {
    QCOMPARE(hex(batchFrame(3, QString())), hex(P + fromHex("D4 01 00 03 00 03 3D 75")));
    QCOMPARE(hex(batchFrame(1, QStringLiteral("13800138000"))),
             hex(P + fromHex("D4 01 00 01 00 01 01 38 00 13 80 00 83 97")));
    // The first digit is not sent; 01 stands in its place whatever it is.
    const QByteArray other = batchFrame(1, QStringLiteral("93800138000"));
    QCOMPARE(hex(other.left(20)), hex(batchFrame(1, QStringLiteral("13800138000")).left(20)));
    // Index above 255: high byte first, twice. Any length but 11 is short.
    const QByteArray big = batchFrame(0x0102, QStringLiteral("1380013800"));
    QCOMPARE(big.size(), 16);
    QCOMPARE(hex(big.mid(8, 6)), QStringLiteral("D4 01 01 02 01 02"));
}

void TestSettingsRecords::alarmBlockAsRead() {
    const QByteArray block = zerosWith(
        187, {{0, "01 02 06 85 04 41 42 43 44 45"}, {88, "05"}, {95, "62 A5 8B 66"}, {185, "03 01"}});
    const AlarmBlock a = decodeAlarmBlock(block);
    QCOMPARE(a.mode, std::optional<uint8_t>(1));
    QCOMPARE(a.receivers, std::optional<uint8_t>(2));
    QCOMPARE(a.interval10, std::optional<uint8_t>(6));
    QCOMPARE(a.lowEnglish, std::optional<bool>(true));
    QCOMPARE(a.highEnglish, std::optional<bool>(false));
    QCOMPARE(a.lowText, std::optional<QString>(QStringLiteral("ABCDE")));
    QCOMPARE(a.highText, std::optional<QString>(QStringLiteral("报警")));
    QCOMPARE(a.mask, std::optional<uint32_t>(5));
    QCOMPARE(a.count, std::optional<uint8_t>(3));
    QCOMPARE(a.relay, std::optional<uint8_t>(1));
}

void TestSettingsRecords::blocksRoundTrip() {
    const AlarmSettings s = doneAlarm();
    const AlarmBlock a = decodeAlarmBlock(buildAlarmWrite(s).frame.mid(12));
    QCOMPARE(*a.mode, s.mode);
    QCOMPARE(*a.receivers, s.receivers);
    QCOMPARE(*a.interval10, s.interval10);
    QCOMPARE(*a.lowText, s.lowText);
    QCOMPARE(*a.lowEnglish, s.lowEnglish);
    QCOMPARE(*a.highText, s.highText);
    QCOMPARE(*a.highEnglish, s.highEnglish);
    QCOMPARE(*a.mask, s.mask);
    QCOMPARE(*a.count, s.count);
    QCOMPARE(*a.relay, s.relay);

    const OutputSettings o = doneOutput();
    const QByteArray of = buildOutputWrite(o).frame;
    const OutputBlock b = decodeOutputBlock(of.mid(12, 129));
    QCOMPARE(*b.mode, o.mode);
    QCOMPARE(*b.reply, o.reply);
    QCOMPARE(*b.replyDelay, o.replyDelay);
    QCOMPARE(*b.highDelay, o.highDelay);
    QCOMPARE(*b.lowDelay, o.lowDelay);
    QCOMPARE(*b.lowText, o.lowText);
    QCOMPARE(*b.lowEnglish, o.lowEnglish);
    QCOMPARE(*b.highText, o.highText);
    QCOMPARE(*b.highEnglish, o.highEnglish);
    QCOMPARE(*b.hold, uint8_t(1));
    // Full-length texts of both kinds come back whole.
    OutputSettings full = o;
    full.lowText = QString(60, u'Z');
    full.highText = QString(30, u'报');
    full.highEnglish = false;
    const OutputBlock fb = decodeOutputBlock(buildOutputWrite(full).frame.mid(12, 129));
    QCOMPARE(*fb.lowText, full.lowText);
    QCOMPARE(*fb.highText, full.highText);
}

void TestSettingsRecords::textDecoding() {
    // UCS-2: the field up to its first zero unit, whatever the length says.
    QByteArray b = zerosWith(85, {{3, "06"}, {5, "4E 2D 65 87"}});
    auto t = decodeText(b, 3, 5, 80);
    QVERIFY(t);
    QCOMPARE(t->text, QStringLiteral("中文"));
    QVERIFY(!t->english);
    // A single-byte length past the field stops at the field's end.
    b = zerosWith(200, {{3, "FF"}});
    b.replace(5, 80, QByteArray(80, 'a'));
    b.replace(85, 10, QByteArray(10, 'b'));
    t = decodeText(b, 3, 5, 80);
    QVERIFY(t);
    QCOMPARE(t->text, QString(80, u'a'));
    // A zero byte ends a single-byte text; length 0 gives an empty one.
    QCOMPARE(decodeText(zerosWith(20, {{3, "85"}, {5, "41 42 00 43 44"}}), 3, 5, 10)->text,
             QStringLiteral("AB"));
    QCOMPARE(decodeText(zerosWith(20, {{3, "80"}, {5, "41"}}), 3, 5, 10)->text, QString());
    // Code page 936 bytes come back as their characters.
    QCOMPARE(decodeText(zerosWith(20, {{3, "84"}, {5, "B4 AE BF DA"}}), 3, 5, 10)->text,
             QStringLiteral("串口"));
    // Offsets no caller passes today still stay inside the block: a field
    // before it, past it, a negative size or sums that would wrap round.
    const QByteArray small = zerosWith(20, {{3, "85"}, {5, "41 42 43 44 45"}});
    const QByteArray wide = zerosWith(20, {{3, "05"}, {5, "00 41 00 42"}});
    struct Odd {
        int lengthAt, fieldAt, fieldSize;
    };
    for (const Odd& o : {Odd{3, -4, 10}, Odd{3, -1, 2}, Odd{3, 19, 10}, Odd{3, 25, 4}, Odd{3, 5, -7},
                         Odd{3, INT_MAX, 10}, Odd{3, INT_MAX - 1, INT_MAX}, Odd{3, 5, INT_MAX}, Odd{-1, 5, 10},
                         Odd{INT_MAX, 5, 10}, Odd{INT_MIN, INT_MIN, INT_MIN}}) {
        const QString what = QStringLiteral("%1 %2 %3").arg(o.lengthAt).arg(o.fieldAt).arg(o.fieldSize);
        const bool inside = o.fieldAt >= 0 && o.fieldSize >= 0 && o.lengthAt >= 0 && o.lengthAt < 20;
        for (const QByteArray& block : {small, wide}) {
            const auto text = decodeText(block, o.lengthAt, o.fieldAt, o.fieldSize);
            if (!inside) QVERIFY2(!text, qPrintable(what));
            if (text) QVERIFY2(text->text.size() <= block.size(), qPrintable(what));
        }
    }
    QCOMPARE(decodeText(small, 3, 5, INT_MAX)->text, QStringLiteral("ABCDE"));
    QCOMPARE(decodeText(wide, 3, 5, INT_MAX)->text, QStringLiteral("AB"));
    // Blanks: only spaces are trimmed.
    QCOMPARE(trimBlanks(QStringLiteral("  O F \t ")), QStringLiteral("O F \t"));
    QCOMPARE(trimBlanks(QStringLiteral("   ")), QString());
}

void TestSettingsRecords::shortBlocksLeaveMissingFieldsEmpty() {
    QVERIFY(!decodeAlarmBlock(QByteArray()).mode);
    const AlarmBlock a = decodeAlarmBlock(fromHex("02 01 03"));
    QCOMPARE(a.mode, std::optional<uint8_t>(2));
    QCOMPARE(a.interval10, std::optional<uint8_t>(3));
    QVERIFY(!a.lowEnglish && !a.lowText && !a.mask && !a.highText && !a.count && !a.relay);
    // The length byte is there but the text stops short of it.
    const AlarmBlock b = decodeAlarmBlock(fromHex("02 01 03 85 04 41 42"));
    QCOMPARE(b.lowEnglish, std::optional<bool>(true));
    QCOMPARE(b.highEnglish, std::optional<bool>(false));
    QVERIFY(!b.lowText);
    // A UCS-2 text complete up to its zero unit needs no more.
    const AlarmBlock c = decodeAlarmBlock(fromHex("02 01 03 04 00 62 A5 00 00"));
    QCOMPARE(c.lowText, std::optional<QString>(QStringLiteral("报")));
    QVERIFY(!decodeAlarmBlock(fromHex("02 01 03 04 00 62 A5 8B")).lowText);
    // Up to the mask but not the second text.
    const AlarmBlock d = decodeAlarmBlock(zerosWith(100, {{85, "FF FF FF FF"}}));
    QCOMPARE(d.mask, std::optional<uint32_t>(4294967295u));
    QVERIFY(!d.highText || d.highText->isEmpty());
    QVERIFY(!d.count);

    const OutputBlock o = decodeOutputBlock(fromHex("02 00 FF"));
    QCOMPARE(o.mode, std::optional<uint8_t>(2));
    QCOMPARE(o.replyDelay, std::optional<uint8_t>(255));
    QVERIFY(!o.highDelay && !o.lowText && !o.hold);
}

void TestSettingsRecords::inputStateAndTypingRules() {
    QCOMPARE(inputStateText(3, '0'), QStringLiteral("DI3 = 1"));
    QCOMPARE(inputStateText(3, '1'), QStringLiteral("DI3 = 0"));
    QCOMPARE(inputStateText(3, 'x'), QStringLiteral("DI3 = ?"));
    QCOMPARE(inputStateText(0, '\0'), QStringLiteral("DI0 = ?"));
    QVERIFY(looksEnglish(QString()));
    QVERIFY(looksEnglish(QStringLiteral("ABC 123\r\n~")));
    QVERIFY(!looksEnglish(QStringLiteral("AB报")));
    QVERIFY(!looksEnglish(QString(QChar(0))));
    QVERIFY(!looksEnglish(QStringLiteral("\u00e9")));
}

QTEST_GUILESS_MAIN(TestSettingsRecords)
#include "tst_settings_records.moc"
