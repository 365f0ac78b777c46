// The communication test's bytes, byte for byte: "$" requests, short-message
// records, the content encodings, the checks before a send, the log lines
// and the decoding of received data.

#include <QTest>

#include "core/protocol/TestFrames.h"
#include "tests/support/SimSupport.h"

using namespace TestFrames;
using SimSupport::fromHex;
using SimSupport::hex;

namespace {

TestInput input(const QString& content, SendMode mode, bool passive, bool formatted,
                const QString& address = QStringLiteral("01:02:"),
                const QString& receiver = QStringLiteral("13800138000")) {
    TestInput in;
    in.content = content;
    in.mode = mode;
    in.passive = passive;
    in.formatted = formatted;
    in.address = address;
    in.receiver = receiver;
    return in;
}

QString hexOf(const std::optional<QByteArray>& b) { return b ? hex(*b) : QStringLiteral("<none>"); }

}  // namespace

class TestTestFrames : public QObject {
    Q_OBJECT

private slots:
    void addressAndReceiverNumber();
    void dollarFramesAndRecords();
    void contentEncodings();
    void byteCountWhileTyping();
    void requestsByMode();
    void checksInOrderAndTheirMessages();
    void lengthLimits();
    void logLineSplit();
    void hexTextRoundTrip();
    void receivedTextKeepsTheNewestBytes();
    void logKeepsItsBoundAndTheNewestEntry();
    void decodeByMode();
    void decodeShortAndOddInput();
    void senderNumberText();
    void sampleMessage();
};

void TestTestFrames::addressAndReceiverNumber() {
    auto a = moduleAddress(QStringLiteral("0A:1F:"));
    QVERIFY(a);
    QCOMPARE(int((*a)[0]), 0x0A);
    QCOMPARE(int((*a)[1]), 0x1F);
    // Lower case counts as its capital; what is no hex digit or colon is
    // refused rather than sent as another byte.
    a = moduleAddress(QStringLiteral("0a:1f:"));
    QVERIFY(a);
    QCOMPARE(int((*a)[0]), 0x0A);
    QCOMPARE(int((*a)[1]), 0x1F);
    QVERIFY(!moduleAddress(QStringLiteral("12x34y")));
    QVERIFY(!moduleAddress(QStringLiteral("0G:1F:")));
    QVERIFY(!moduleAddress(QString()));
    QVERIFY(!moduleAddress(QStringLiteral("01:02")));
    QVERIFY(!moduleAddress(QStringLiteral("01:02:3")));

    QCOMPARE(hexOf(receiverNumber(QStringLiteral("13800138000"))), QStringLiteral("01 38 00 13 80 00"));
    QCOMPARE(hexOf(receiverNumber(QStringLiteral("A2345678901"))), QStringLiteral("0A 23 45 67 89 01"));
    // Anything but a hex digit is refused.
    QVERIFY(!receiverNumber(QStringLiteral("1380013800x")));
    QVERIFY(!receiverNumber(QStringLiteral("1380013800")));
    QVERIFY(!receiverNumber(QStringLiteral("138001380001")));
}

void TestTestFrames::dollarFramesAndRecords() {
    QCOMPARE(hex(dollarRead(0x01, 0x02)), QStringLiteral("24 01 02 52 0D"));
    QCOMPARE(hex(dollarWrite(0x01, 0x02, {})), QStringLiteral("24 01 02 57 00 00 0D"));
    const QByteArray data(300, 'x');
    const QByteArray w = dollarWrite(0xAB, 0xCD, data);
    QCOMPARE(w.size(), 307);
    QCOMPARE(hex(w.left(6)), QStringLiteral("24 AB CD 57 01 2C"));
    QCOMPARE(w.mid(6, 300), data);
    QCOMPARE(int(uint8_t(w.back())), 0x0D);

    const QByteArray number = fromHex("01 38 00 13 80 00");
    QCOMPARE(hex(smsRecord(0xD7, number, fromHex("4E 2D"))),
             QStringLiteral("D7 01 01 38 00 13 80 00 00 02 4E 2D"));
    const QByteArray longRecord = smsRecord(0xD8, number, QByteArray(258, 'a'));
    QCOMPARE(longRecord.size(), 268);
    QCOMPARE(hex(longRecord.mid(8, 2)), QStringLiteral("01 02"));
    QCOMPARE(int(recordType(SendMode::Chinese)), 0xD7);
    QCOMPARE(int(recordType(SendMode::English)), 0xD8);
    QCOMPARE(int(recordType(SendMode::Hex)), 0xD7);
}

void TestTestFrames::contentEncodings() {
    QCOMPARE(hexOf(encodeContent(QStringLiteral("中"), SendMode::Chinese)), QStringLiteral("4E 2D"));
    QCOMPARE(hexOf(encodeContent(QStringLiteral("A中"), SendMode::Chinese)), QStringLiteral("00 41 4E 2D"));
    QCOMPARE(hexOf(encodeContent(QStringLiteral("AB"), SendMode::English)), QStringLiteral("41 42"));
    // Characters with no one-byte code cannot go as single bytes.
    QVERIFY(!encodeContent(QStringLiteral("A中"), SendMode::English));
    QVERIFY(!encodeContent(QStringLiteral("é"), SendMode::English));
    QVERIFY(!encodeContent(QString(QChar(0x0E01)), SendMode::English));

    QCOMPARE(hexOf(encodeContent(QStringLiteral("41:42:43:"), SendMode::Hex)), QStringLiteral("41 42 43"));
    QCOMPARE(hexOf(encodeContent(QStringLiteral("41:42:4"), SendMode::Hex)), QStringLiteral("41 42"));
    QCOMPARE(hexOf(encodeContent(QStringLiteral("41:42"), SendMode::Hex)), QStringLiteral("41 42"));
    QCOMPARE(hexOf(encodeContent(QStringLiteral("41:"), SendMode::Hex)), QStringLiteral("41"));
    QCOMPARE(hexOf(encodeContent(QStringLiteral("4a:FF:"), SendMode::Hex)), QStringLiteral("4A FF"));
    // Bytes that are no two hex digits and their ":" are refused.
    for (const char* bad : {"01x02y", "4G:", "41:4 :", "41,42,"})
        QVERIFY2(!encodeContent(QString::fromLatin1(bad), SendMode::Hex), bad);
}

void TestTestFrames::byteCountWhileTyping() {
    QCOMPARE(contentByteCount(QStringLiteral("中文"), SendMode::Chinese), 4);
    QCOMPARE(contentByteCount(QStringLiteral("abc"), SendMode::English), 3);
    QCOMPARE(contentByteCount(QStringLiteral("01:02:"), SendMode::Hex), 2);
    // Whole part while typing, where the request rounds: one byte less.
    QCOMPARE(contentByteCount(QStringLiteral("41:42"), SendMode::Hex), 1);
    QCOMPARE(encodeContent(QStringLiteral("41:42"), SendMode::Hex)->size(), 2);
    QCOMPARE(contentByteCount(QString(), SendMode::Chinese), 0);
}

void TestTestFrames::requestsByMode() {
    Request r = buildRequest(0, input({}, SendMode::Chinese, true, false));
    QCOMPARE(hex(r.bytes), QStringLiteral("24 01 02 52 0D"));
    QCOMPARE(r.pendingOp, 1);
    r = buildRequest(1, input({}, SendMode::Chinese, true, false));
    QCOMPARE(hex(r.bytes), QStringLiteral("24 01 02 57 00 00 0D"));
    QCOMPARE(r.pendingOp, 2);

    r = buildRequest(2, input(QStringLiteral("AB"), SendMode::English, true, false));
    QCOMPARE(hex(r.bytes), QStringLiteral("24 01 02 57 00 02 41 42 0D"));
    QCOMPARE(r.pendingOp, 3);
    r = buildRequest(2, input(QStringLiteral("01:02:"), SendMode::Hex, true, true));
    QCOMPARE(hex(r.bytes), QStringLiteral("24 01 02 57 00 0C D7 01 01 38 00 13 80 00 00 02 01 02 0D"));
    r = buildRequest(2, input(QStringLiteral("中"), SendMode::Chinese, false, true, QString()));
    QCOMPARE(hex(r.bytes), QStringLiteral("D7 01 01 38 00 13 80 00 00 02 4E 2D"));
    QCOMPARE(r.pendingOp, 3);
    r = buildRequest(2, input(QStringLiteral("Hi"), SendMode::English, false, false, QString(), QString()));
    QCOMPARE(hex(r.bytes), QStringLiteral("48 69"));
    r = buildRequest(2, input(QStringLiteral("Hi"), SendMode::English, false, true, QString()));
    QCOMPARE(hex(r.bytes), QStringLiteral("D8 01 01 38 00 13 80 00 00 02 48 69"));

    // One English character, passive transparent: N = 1, 8 bytes.
    r = buildRequest(2, input(QStringLiteral("x"), SendMode::English, true, false));
    QCOMPARE(hex(r.bytes), QStringLiteral("24 01 02 57 00 01 78 0D"));
    // Twenty Chinese characters, active formatted: L = 40, 50 bytes.
    r = buildRequest(2, input(QString(20, QChar(0x4E2D)), SendMode::Chinese, false, true));
    QCOMPARE(r.bytes.size(), 50);
    QCOMPARE(hex(r.bytes.mid(8, 2)), QStringLiteral("00 28"));

    // "复位" sends nothing and refuses nothing.
    r = buildRequest(3, input({}, SendMode::Chinese, true, true, QString(), QString()));
    QVERIFY(r.bytes.isEmpty());
    QCOMPARE(r.refusal, Refusal::None);
}

void TestTestFrames::checksInOrderAndTheirMessages() {
    // The content is checked before the address and the number.
    Request r = buildRequest(2, input(QString(), SendMode::Chinese, true, true, QString(), QString()));
    QCOMPARE(r.refusal, Refusal::Content);
    QVERIFY(r.bytes.isEmpty());
    r = buildRequest(2, input(QStringLiteral("41"), SendMode::Hex, true, false));
    QCOMPARE(r.refusal, Refusal::Content);
    r = buildRequest(2, input(QStringLiteral("41:"), SendMode::Hex, true, false));
    QCOMPARE(r.refusal, Refusal::None);
    r = buildRequest(
        2, input(QStringLiteral("A"), SendMode::English, true, true, QStringLiteral("01:02"), QString()));
    QCOMPARE(r.refusal, Refusal::Address);
    r = buildRequest(2, input(QStringLiteral("A"), SendMode::English, true, true, QStringLiteral("01:02:"),
                              QStringLiteral("1380013800")));
    QCOMPARE(r.refusal, Refusal::Receiver);
    r = buildRequest(2, input(QStringLiteral("A中"), SendMode::English, false, false));
    QCOMPARE(r.refusal, Refusal::Content);

    // Active mode needs no address; transparent mode no receiver number.
    r = buildRequest(2, input(QStringLiteral("A"), SendMode::English, false, true, QString()));
    QCOMPARE(r.refusal, Refusal::None);
    r = buildRequest(
        2, input(QStringLiteral("A"), SendMode::English, true, false, QStringLiteral("01:02:"), QString()));
    QCOMPARE(r.refusal, Refusal::None);

    for (int button : {0, 1}) {
        r = buildRequest(button, input({}, SendMode::Chinese, true, false, QStringLiteral("01:02:03")));
        QCOMPARE(r.refusal, Refusal::Address);
        QVERIFY(r.bytes.isEmpty());
    }

    QCOMPARE(refusalText(Refusal::Address), QStringLiteral("您输入的模块地址不正确，请重新输入"));
    QCOMPARE(refusalText(Refusal::Content), QStringLiteral("您所发射的内容不符合要求， 请输入要发射的内容"));
    QCOMPARE(refusalText(Refusal::Receiver), QStringLiteral("您接收方地址不符合要求， 请输入接收方地址"));
    QCOMPARE(messageTitle(), QStringLiteral("系统提示"));
}

void TestTestFrames::lengthLimits() {
    // Active transparent: the frame is the content.
    Request r = buildRequest(2, input(QString(MaxLength, QLatin1Char('a')), SendMode::English, false, false));
    QCOMPARE(r.refusal, Refusal::None);
    QCOMPARE(r.bytes.size(), MaxLength);
    r = buildRequest(2, input(QString(MaxLength + 1, QLatin1Char('a')), SendMode::English, false, false));
    QCOMPARE(r.refusal, Refusal::Content);
    QVERIFY(r.bytes.isEmpty());
    // 16384 Chinese characters are 32768 bytes.
    r = buildRequest(2, input(QString(16384, QChar(0x4E2D)), SendMode::Chinese, false, false));
    QCOMPARE(r.refusal, Refusal::Content);
    // Passive transparent: 7 bytes of frame around the content.
    r = buildRequest(2, input(QString(MaxLength - 7, QLatin1Char('a')), SendMode::English, true, false));
    QCOMPARE(r.refusal, Refusal::None);
    QCOMPARE(r.bytes.size(), MaxLength);
    QCOMPARE(hex(r.bytes.mid(4, 2)), QStringLiteral("7F F8"));
    r = buildRequest(2, input(QString(MaxLength - 6, QLatin1Char('a')), SendMode::English, true, false));
    QCOMPARE(r.refusal, Refusal::Content);
    // Passive formatted: 17 bytes around the content.
    r = buildRequest(2, input(QString(MaxLength - 17, QLatin1Char('a')), SendMode::English, true, true));
    QCOMPARE(r.refusal, Refusal::None);
    r = buildRequest(2, input(QString(MaxLength - 16, QLatin1Char('a')), SendMode::English, true, true));
    QCOMPARE(r.refusal, Refusal::Content);
}

void TestTestFrames::logLineSplit() {
    const QString p = QStringLiteral("发射  ");
    QCOMPARE(logLines(p, hexText(QByteArray(14, '\x11'))).size(), 1);
    // Exactly 15 bytes: all 45 characters, then an empty line.
    QStringList l = logLines(p, hexText(QByteArray(15, '\x11')));
    QCOMPARE(l.size(), 2);
    QCOMPARE(l[0], p + QStringLiteral("11:").repeated(15));
    QCOMPARE(l[1], QString());
    l = logLines(p, hexText(fromHex("24 01 02 57 00 0C D7 01 01 38 00 13 80 00 00 02 01 02 0D")));
    QCOMPARE(l, (QStringList{QStringLiteral("发射  24:01:02:57:00:0C:D7:01:01:38:00:13:80:00:00:"),
                             QStringLiteral("02:01:02:0D:")}));
    // Never split more than once.
    l = logLines(QStringLiteral("接收  "), hexText(QByteArray(40, '\x22')));
    QCOMPARE(l.size(), 2);
    QCOMPARE(l[1].size(), 75);
    QCOMPARE(logLines(p, QString()), QStringList{p});
}

void TestTestFrames::hexTextRoundTrip() {
    QCOMPARE(hexText(fromHex("00 0A FF 4e")), QStringLiteral("00:0A:FF:4E:"));
    QCOMPARE(hex(fromHexText(QStringLiteral("48:69:"))), QStringLiteral("48 69"));
    // A trailing part of a byte is not read; nor is the separator.
    QCOMPARE(hex(fromHexText(QStringLiteral("48:6"))), QStringLiteral("48"));
    QCOMPARE(hex(fromHexText(QStringLiteral("48x69y"))), QStringLiteral("48 69"));
    QVERIFY(fromHexText(QStringLiteral("48")).isEmpty());
}

void TestTestFrames::receivedTextKeepsTheNewestBytes() {
    // Whatever the text held before (header groups of an answer, a text
    // just under or over the bound), every byte lands at the end, the text
    // stays within the bound and in whole groups, and what it keeps is the
    // newest part of the stream.
    for (int start : {0, 2, 100, MaxReceivedChars / 3 - 1, MaxReceivedChars / 3, MaxReceivedChars / 3 + 50}) {
        QByteArray stream;
        for (int i = 0; i < start; ++i) stream.append(char(i * 7));
        QString text = hexText(stream);
        for (int i = 0; i < 3 * MaxReceivedChars / 3 + 17; ++i) {
            const uint8_t b = uint8_t(i * 13 + start);
            stream.append(char(b));
            appendReceived(text, b);
            if (text.size() > MaxReceivedChars || text.size() % 3 != 0)
                QFAIL(qPrintable(QString::number(start)));
        }
        QVERIFY(text.size() >= MaxReceivedChars / 2);
        QCOMPARE(text, hexText(stream.right(text.size() / 3)));
    }
}

void TestTestFrames::logKeepsItsBoundAndTheNewestEntry() {
    const int room = MaxLogChars - 1;  // the box counts one more than its text
    const QString old = QStringLiteral("接收  ") + QStringLiteral("41:").repeated(15) + QLatin1Char('\n');
    // Old lines, then the line lengths of the newest entry: within the bound,
    // at it, one over, an entry over half of it, sends of 22 517 and 32 767
    // bytes, a line longer than the bound, an entry just fitting alone.
    const QList<std::pair<int, QList<int>>> rows = {{20, {51}},        {1300, {534}},       {1300, {535}},
                                                    {1200, {51, 40000}}, {1200, {51, 67506}}, {1200, {51, 98256}},
                                                    {20, {100000}},      {2, {51, room - 53}}};
    for (const auto& [oldLines, lengths] : rows) {
        QString entry;
        for (int n : lengths) entry += QString(n, QLatin1Char(char('a' + entry.size() % 26))) + QLatin1Char('\n');
        const QString log = old.repeated(oldLines) + entry;
        const QString kept = boundedLog(log, entry.size());
        const QByteArray what = QByteArray::number(oldLines) + " + " + QByteArray::number(entry.size());
        QVERIFY2(kept.size() <= room, what);
        if (log.size() <= room) {
            QVERIFY2(kept == log, what);
        } else if (entry.size() <= room) {
            // Whole old lines go, down to about half the bound.
            const qsizetype cut = log.size() - kept.size();
            QVERIFY2(log.endsWith(kept) && kept.endsWith(entry) && log.at(cut - 1) == QLatin1Char('\n'), what);
            QVERIFY2(kept.size() >= std::min<qsizetype>(entry.size(), MaxLogChars / 2 - old.size()), what);
        } else {
            // Too long for the bound: what it is (its first line, or the
            // start of its only line), a mark where the middle went, its end.
            const qsizetype head = std::min<qsizetype>(lengths.first() + 1, room / 2);
            QVERIFY2(kept.startsWith(entry.left(head)) && kept.mid(head).startsWith(LogCutMark), what);
            QVERIFY2(kept == entry.left(head) + LogCutMark + entry.right(room - head - LogCutMark.size()), what);
        }
    }
}

void TestTestFrames::decodeByMode() {
    const SendMode zh = SendMode::Chinese, en = SendMode::English, hx = SendMode::Hex;
    Decoded d = decode(fromHex("48 69"), false, false, en);
    QCOMPARE(d.text, QStringLiteral("Hi"));
    QVERIFY(!d.sender);

    // Passive transparent: the five answer bytes and the last one are not text.
    d = decode(fromHex("21 01 02 00 03 41 42 43 0D"), true, false, en);
    QCOMPARE(d.text, QStringLiteral("ABC"));
    d = decode(fromHex("21 01 02 00 03 41 42 43 0D"), true, false, hx);
    QCOMPARE(d.text, QStringLiteral("41:42:43:"));

    // Active formatted: type, 01, number, length, text, six final bytes.
    const QByteArray rec = fromHex("D7 01 01 38 00 13 80 00 00 0A 4E 2D 65 87 24 01 15 10 30 00");
    d = decode(rec, false, true, zh);
    QCOMPARE(d.text, QStringLiteral("中文"));
    QCOMPARE(d.sender.value_or(QString()), QStringLiteral("13800138000"));
    d = decode(rec, false, true, hx);
    QCOMPARE(d.text, QStringLiteral("4E:2D:65:87:"));

    // Passive formatted: the record between the answer's five bytes and CR.
    const QByteArray passiveRec = fromHex("21 01 02 00 14") + rec + fromHex("0D");
    d = decode(passiveRec, true, true, zh);
    QCOMPARE(d.text, QStringLiteral("中文"));
    QCOMPARE(d.sender.value_or(QString()), QStringLiteral("13800138000"));
    d = decode(passiveRec, true, true, en);
    // One character a byte; 87 has no character of its own.
    QCOMPARE(d.text, QStringLiteral("N-e") + QChar(QChar::ReplacementCharacter));

    // Transparent modes show no sender even when the bytes could hold one.
    QVERIFY(!decode(rec, false, false, zh).sender);
}

void TestTestFrames::decodeShortAndOddInput() {
    const SendMode zh = SendMode::Chinese;
    // Active transparent, an odd count: the last byte is not shown.
    QCOMPARE(decode(fromHex("4E 2D 41"), false, false, zh).text, QStringLiteral("中"));
    // Passive transparent, odd text bytes: the last pair takes the final
    // byte of the answer as its second byte.
    Decoded d = decode(fromHex("21 01 02 00 03 4E 2D 00 0D"), true, false, zh);
    QCOMPARE(d.text, QString(QChar(0x4E2D)) + QChar(0x000D));
    // Too short for the sender bytes: no sender, no text, no crash.
    d = decode(fromHex("D7 01 01 38"), false, true, zh);
    QVERIFY(!d.sender);
    QVERIFY(d.text.isEmpty());
    d = decode(QByteArray(), true, true, SendMode::English);
    QVERIFY(d.text.isEmpty());
    QVERIFY(!d.sender);
    QVERIFY(decode(QByteArray(), false, false, SendMode::Hex).text.isEmpty());
    // An empty text range between number and final bytes.
    d = decode(fromHex("D7 01 01 38 00 13 80 00 00 00 24 01 15 10 30 00"), false, true, zh);
    QVERIFY(d.text.isEmpty());
    QCOMPARE(d.sender.value_or(QString()), QStringLiteral("13800138000"));
}

void TestTestFrames::senderNumberText() {
    QCOMPARE(senderNumber(fromHex("01 38 00 13 80 00")).value_or(QString()), QStringLiteral("13800138000"));
    // A leading 0 is dropped, as a number shows.
    QCOMPARE(senderNumber(fromHex("00 10 86 00 00 01")).value_or(QString()), QStringLiteral("1086000001"));
    QCOMPARE(senderNumber(fromHex("00 00 00 00 00 00")).value_or(QString()), QStringLiteral("0"));
    // The first byte is written without a leading zero: 12 gives 12.
    QCOMPARE(senderNumber(fromHex("12 34 56 78 90 12")).value_or(QString()), QStringLiteral("123456789012"));
    QVERIFY(!senderNumber(fromHex("01 3A 00 13 80 00")));
    QVERIFY(!senderNumber(fromHex("0F 38 00 13 80 00")));
    QVERIFY(!senderNumber(fromHex("01 38 00")));
}

void TestTestFrames::sampleMessage() {
    const QString s = sampleReceived();
    const QByteArray b = fromHexText(s);
    QCOMPARE(b.size(), 20);
    QCOMPARE(hexText(b), s);
    QCOMPARE(hex(b.left(2)), QStringLiteral("D7 01"));
    QCOMPARE(hex(b.mid(8, 2)), QStringLiteral("00 0A"));
    const Decoded d = decode(b, false, true, SendMode::Chinese);
    QCOMPARE(d.text.size(), 2);
    QVERIFY(d.sender);
    QCOMPARE(d.sender->size(), 11);
}

QTEST_GUILESS_MAIN(TestTestFrames)
#include "tst_test_frames.moc"
