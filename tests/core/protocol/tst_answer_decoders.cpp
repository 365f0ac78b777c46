// Every kind of module answer decoded straight from bytes: no port, no
// window. Short and odd inputs decode without reading past what is there.

#include <QTest>

#include "core/protocol/Answers.h"
#include "core/protocol/PhoneCodec.h"
#include "tests/support/SimSupport.h"

using Answers::ParamAnswer;
using Answers::Verdict;
using K = ParamAnswer::Kind;
using SimSupport::fromHex;

Q_DECLARE_METATYPE(ParamAnswer::Kind)
Q_DECLARE_METATYPE(Answers::Verdict)

class TestAnswerDecoders : public QObject {
    Q_OBJECT

private slots:
    void paramAnswers_data();
    void paramAnswers();
    void paramAnswerOfAnyLength();
    void tableAcknowledgement_data();
    void tableAcknowledgement();
    void settingsAcknowledgement_data();
    void settingsAcknowledgement();
    void identityAcknowledgement();
    void phoneTable();
    void blockHeaderAndChecksum();
    void inputState();
    void testAnswers();
};

void TestAnswerDecoders::paramAnswers_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ParamAnswer::Kind>("kind");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("refresh");

    QTest::newRow("status") << 0xFD << fromHex("01") << K::ModuleStatus << false << QString() << -1;
    QTest::newRow("passive") << 0xF8 << fromHex("03 00") << K::WorkMode << true << QStringLiteral("被动方式")
                             << 5;
    QTest::newRow("active") << 0xF8 << fromHex("03 01") << K::WorkMode << false << QStringLiteral("主动方式")
                            << 6;
    QTest::newRow("transparent") << 0xF9 << fromHex("03 00") << K::TransMode << true
                                 << QStringLiteral("透明传输") << 7;
    QTest::newRow("formatted") << 0xF9 << fromHex("03 01") << K::TransMode << false
                               << QStringLiteral("格式传输") << 10;
    QTest::newRow("receiver") << 0xA2 << fromHex("03 01 38 00 13 80 00") << K::ReceiverNumber << false
                              << QStringLiteral("13800138000") << 10;
    QTest::newRow("no password") << 0xA1 << fromHex("03 00") << K::PasswordUse << false
                                 << QStringLiteral("无密码") << 4;
    QTest::newRow("password") << 0xA1 << fromHex("03 02") << K::PasswordUse << true
                              << QStringLiteral("有密码") << 3;
    QTest::newRow("password text") << 0xF1 << fromHex("03 12 34 AB 0F") << K::Password << false
                                   << QStringLiteral("12:34:AB:0F:") << 4;
    QTest::newRow("version") << 0xEC << (fromHex("03") + QByteArray("QV7351 1.2 ")) << K::Version << false
                             << QStringLiteral("QV7351 1.2") << 1;
    QTest::newRow("address") << 0xE2 << fromHex("03 0A 1F") << K::Address << false << QStringLiteral("0A:1F:")
                             << 6;
    QTest::newRow("baud written") << 0xF2 << fromHex("03 06") << K::BaudWritten << false << QString() << -1;
    // 2000 units of 5 ms.
    QTest::newRow("restart") << 0xA3 << fromHex("03 00 00 07 D0") << K::RestartTime << false
                             << QStringLiteral("10") << 2;
    QTest::newRow("second sub-mode") << 0xFB << fromHex("03 00") << K::SubMode << true
                                     << QStringLiteral("透明方式2") << 9;
    QTest::newRow("first sub-mode") << 0xFB << fromHex("03 01") << K::SubMode << false
                                    << QStringLiteral("透明方式1") << 8;
    // The whole unsigned range shows as itself.
    QTest::newRow("mask") << 0xE1 << fromHex("03 FF FF FF FF") << K::NumberMask << false
                          << QStringLiteral("4294967295") << 10;
    QTest::newRow("saving on") << 0xD3 << fromHex("03 01") << K::PowerSaving << true
                               << QStringLiteral("有省电") << 11;
    QTest::newRow("saving off") << 0xD3 << fromHex("03 00") << K::PowerSaving << false
                                << QStringLiteral("无省电") << 100;
    QTest::newRow("wake delays") << 0xD2 << fromHex("03 00 03 00 19") << K::WakeDelays << false
                                 << QStringLiteral("1.2s   10s") << 12;
    QTest::newRow("wake mode 1") << 0xDB << fromHex("03 00") << K::WakeMode << true << QStringLiteral("模式1")
                                 << 13;
    QTest::newRow("wake mode 2") << 0xDB << fromHex("03 01") << K::WakeMode << false
                                 << QStringLiteral("模式2") << 13;
    QTest::newRow("unknown code") << 0x77 << fromHex("03 01") << K::Unknown << false << QString() << -1;
}

void TestAnswerDecoders::paramAnswers() {
    QFETCH(int, code);
    QFETCH(QByteArray, bytes);
    QFETCH(ParamAnswer::Kind, kind);
    QFETCH(bool, flag);
    QFETCH(QString, text);
    QFETCH(int, refresh);
    const ParamAnswer a = Answers::decodeParamAnswer(uint8_t(code), bytes);
    QCOMPARE(a.kind, kind);
    QCOMPARE(a.flag, flag);
    QCOMPARE(a.text, text);
    QCOMPARE(a.refreshStep, refresh);
    if (kind == K::WakeDelays) {
        QCOMPARE(a.idleMs, QStringLiteral("1200"));
        QCOMPARE(a.dataMs, QStringLiteral("10000"));
    }
    if (kind == K::ModuleStatus) QCOMPARE(a.value, uint8_t(1));
}

void TestAnswerDecoders::paramAnswerOfAnyLength() {
    // Whatever a broken line delivers: missing bytes read as 0, nothing
    // beyond the input is touched (the sanitizer build checks the latter).
    const QByteArray inputs[] = {QByteArray(), fromHex("03"), QByteArray(40, char(0xFF))};
    for (int code = 0; code <= 0xFF; ++code)
        for (const QByteArray& in : inputs) Answers::decodeParamAnswer(uint8_t(code), in);
    QCOMPARE(Answers::decodeParamAnswer(0xF8, QByteArray()).text, QStringLiteral("被动方式"));
    QCOMPARE(Answers::decodeParamAnswer(0xE2, fromHex("03 0A")).text, QStringLiteral("0A:00:"));
    QCOMPARE(Answers::decodeParamAnswer(0xA2, fromHex("03 01")).text, QStringLiteral("10000000000"));
    QCOMPARE(Answers::decodeParamAnswer(0xEC, fromHex("03")).text, QString());
}

void TestAnswerDecoders::tableAcknowledgement_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Verdict>("verdict");
    QTest::newRow("nothing") << QByteArray() << Verdict::Wait;
    QTest::newRow("five") << QByteArray("SETOK") << Verdict::Wait;
    QTest::newRow("ok") << QByteArray("SETOK:") << Verdict::Ok;
    QTest::newRow("ok and more") << QByteArray("SETOK:xyz") << Verdict::Ok;
    // Six bytes that may still become the refusal wait for it.
    QTest::newRow("refusal so far") << QByteArray("SETFAI") << Verdict::Wait;
    QTest::newRow("refusal") << QByteArray("SETFAIL:") << Verdict::Fail;
    QTest::newRow("other") << QByteArray("HELLO!") << Verdict::Other;
}

void TestAnswerDecoders::tableAcknowledgement() {
    QFETCH(QByteArray, text);
    QFETCH(Verdict, verdict);
    QCOMPARE(Answers::judgeTableAck(text, "SETOK:", "SETFAIL:"), verdict);
    // The clear acknowledgement is judged alike with its own words.
    QByteArray clr = text;
    clr.replace("SET", "CLR");
    QCOMPARE(Answers::judgeTableAck(clr, "CLROK:", "CLRFAIL:"), verdict);
}

void TestAnswerDecoders::settingsAcknowledgement_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Verdict>("verdict");
    QTest::addColumn<int>("more");
    QTest::newRow("nothing") << QByteArray() << Verdict::Wait << 6;
    QTest::newRow("S") << QByteArray("S") << Verdict::Wait << 5;
    QTest::newRow("SETF") << QByteArray("SETF") << Verdict::Wait << 4;
    QTest::newRow("ok") << QByteArray("SETOK:") << Verdict::Ok << 0;
    QTest::newRow("refusal") << QByteArray("SETFAIL:") << Verdict::Fail << 0;
    QTest::newRow("other") << QByteArray("SEX") << Verdict::Other << 0;
}

void TestAnswerDecoders::settingsAcknowledgement() {
    QFETCH(QByteArray, text);
    QFETCH(Verdict, verdict);
    QFETCH(int, more);
    const Answers::SettingsAck a = Answers::judgeSettingsAck(text);
    QCOMPARE(a.verdict, verdict);
    QCOMPARE(a.moreBytes, more);
}

void TestAnswerDecoders::identityAcknowledgement() {
    struct Case {
        QByteArray text;
        bool ok, fail;
    };
    const Case cases[] = {{"SETOK:", true, false},
                          {"..SETFAIL:..", false, true},
                          {"SETOK:SETFAIL:", true, true},
                          {"SETOK", false, false},
                          {QByteArray("\xB0\xA1SETOK:", 8), true, false}};
    for (const Case& c : cases) {
        const Answers::IdentityAck a = Answers::decodeIdentityAck(c.text);
        QCOMPARE(a.ok, c.ok);
        QCOMPARE(a.fail, c.fail);
    }
}

void TestAnswerDecoders::phoneTable() {
    QVERIFY(!Answers::decodePhoneTableHeader(fromHex("05")));
    for (int count : {0, 21, 255})
        QVERIFY(Answers::decodePhoneTableHeader(QByteArray(1, 0) + char(count))->empty());

    QByteArray entries = PhoneCodec::packNumber(QStringLiteral("13800138000")) +
                         PhoneCodec::packNumber(QStringLiteral("13912345678"));
    entries.append(QByteArray(PhoneCodec::TableBytes - entries.size(), '\0'));
    const uint8_t sum = PhoneCodec::tableChecksum(2, entries);
    const auto header = Answers::decodePhoneTableHeader(QByteArray(1, char(sum)) + char(2));
    QVERIFY(header && !header->empty());
    const Answers::PhoneTable t = Answers::decodePhoneTable(*header, entries);
    QVERIFY(t.checksumOk);
    QCOMPARE(t.numbers, (QStringList{"13800138000", "13912345678"}));

    // A damaged entry: the checksum says so and no number is offered.
    QByteArray damaged = entries;
    damaged[3] = char(uint8_t(damaged[3]) + 1);
    const Answers::PhoneTable bad = Answers::decodePhoneTable(*header, damaged);
    QVERIFY(!bad.checksumOk);
    QVERIFY(bad.numbers.isEmpty());
    QCOMPARE(bad.sum, uint8_t(sum + 1));

    // A count beyond the entries that came gives only the entries there.
    const Answers::PhoneTableHeader many{PhoneCodec::tableChecksum(20, entries.left(12)), 20};
    QCOMPARE(Answers::decodePhoneTable(many, entries.left(12)).numbers.size(), 2);
}

void TestAnswerDecoders::blockHeaderAndChecksum() {
    const Answers::BlockHeader h = Answers::decodeBlockHeader(fromHex("03 04 06"));
    QCOMPARE(h.status, uint8_t(3));
    QCOMPARE(h.blockBytes(), 3);
    QCOMPARE(h.checksum, uint8_t(6));
    QVERIFY(Answers::blockChecksumOk(fromHex("01 02 03"), 6));
    QVERIFY(!Answers::blockChecksumOk(fromHex("01 02 04"), 6));
    QVERIFY(Answers::blockChecksumOk(QByteArray(), 0));
    QVERIFY(Answers::blockChecksumOk(QByteArray(256, char(1)), 0));
    // L of 0 announces no block at all; missing header bytes read as 0.
    QCOMPARE(Answers::decodeBlockHeader(fromHex("03")).blockBytes(), -1);
    QCOMPARE(Answers::decodeBlockHeader(QByteArray()).checksum, uint8_t(0));
}

void TestAnswerDecoders::inputState() {
    QVERIFY(!Answers::decodeInputState(3, QByteArray()));
    QCOMPARE(*Answers::decodeInputState(3, "0>"), QStringLiteral("DI3 = 1"));
    QCOMPARE(*Answers::decodeInputState(0, "1"), QStringLiteral("DI0 = 0"));
    QCOMPARE(*Answers::decodeInputState(9, "x"), QStringLiteral("DI9 = ?"));
}

void TestAnswerDecoders::testAnswers() {
    QCOMPARE(Answers::sendStatusWord(0), QStringLiteral("发送成功"));
    QCOMPARE(Answers::sendStatusWord(1), QStringLiteral("发送失败"));
    QCOMPARE(Answers::sendStatusWord(2), QStringLiteral("正在发送"));
    QCOMPARE(Answers::sendStatusWord(3), QString());

    struct Case {
        uint8_t type;
        bool known, ends;
        const char* word;
    };
    const Case cases[] = {{0xFA, true, true, "发送成功"}, {0xFC, true, true, "发送失败"},
                          {0xFF, true, true, "没有上网"}, {0x01, true, false, "接收短信"},
                          {0x00, false, false, ""},       {0xD7, false, false, ""}};
    for (const Case& c : cases) {
        const Answers::FormattedType t = Answers::decodeFormattedType(c.type);
        QCOMPARE(t.known, c.known);
        QCOMPARE(t.endsAnswer, c.ends);
        QCOMPARE(t.word, QString::fromUtf8(c.word));
    }
}

QTEST_MAIN(TestAnswerDecoders)
#include "tst_answer_decoders.moc"
