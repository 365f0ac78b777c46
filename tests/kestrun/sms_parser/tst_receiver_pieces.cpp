// The SMS module's answer receiver fed through a byte source, without port
// or window: every answer must come out the same however the line cuts it
// into pieces, and bytes around the frames must not disturb it.

#include <QRandomGenerator>
#include <QTest>

#include "core/Globals.h"
#include "core/protocol/ByteSource.h"
#include "core/protocol/PhoneCodec.h"
#include "core/protocol/SettingsRecords.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "tests/support/SimSupport.h"

using SimSupport::fromHex;

namespace {

struct RecordingSink : SmsAnswerSink {
    QStringList seen;
    int channel = 2;
    void applyParamAnswer(const Answers::ParamAnswer& a) override {
        seen << QStringLiteral("param %1 %2").arg(int(a.kind)).arg(a.text);
    }
    void applyPhoneTable(const QStringList& numbers) override { seen << "table " + numbers.join(','); }
    void clearPhoneTable() override { seen << QStringLiteral("table cleared"); }
    void applyAlarmBlock(const SettingsRecords::AlarmBlock& b) override {
        seen << QStringLiteral("alarm mode %1 text %2").arg(b.mode.value_or(99)).arg(b.lowText.value_or("-"));
    }
    void applyOutputBlock(const SettingsRecords::OutputBlock& b) override {
        seen << QStringLiteral("output mode %1").arg(b.mode.value_or(99));
    }
    int inputStateChannel() const override { return channel; }
    void showInputState(const QString& text) override { seen << "input " + text; }
    void logReceived(const QByteArray& bytes) override { seen << "log " + bytes.toHex(' '); }
    void restartTestDisplay() override {}
    bool testDisplayIdle() const override { return true; }
    bool testSendPending() const override { return false; }
};

struct RecordingHost : SmsAnswerHost {
    QStringList told;
    void tell(const QString& text, const QString&, Icon) override { told << text; }
    void showStatusWord(const QString& word) override { told << "status " + word; }
};

QByteArray frame(const char* tailHex) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tailHex); }

// The phone table answer with two numbers.
QByteArray phoneTableAnswer() {
    QByteArray entries = PhoneCodec::packNumber(QStringLiteral("13800138000")) +
                         PhoneCodec::packNumber(QStringLiteral("13912345678"));
    entries.append(QByteArray(PhoneCodec::TableBytes - entries.size(), '\0'));
    return frame("D9 03") + char(PhoneCodec::tableChecksum(2, entries)) + char(2) + entries;
}

// An alarm block read back: mode 2, low text "AB" in one-byte code.
QByteArray alarmAnswer() {
    QByteArray block(SettingsRecords::AlarmWriteLength - 12, '\0');
    block[SettingsRecords::AlarmAt::Mode] = 2;
    block[SettingsRecords::AlarmAt::LowLength] = char(0x82);
    block[SettingsRecords::AlarmAt::LowText] = 'A';
    block[SettingsRecords::AlarmAt::LowText + 1] = 'B';
    uint8_t sum = 0;
    for (char c : block) sum = uint8_t(sum + uint8_t(c));
    return frame("B4 03") + char(block.size() + 1) + char(sum) + block;
}

// A receiver on a byte source, with the form and the program recorded.
struct Rig {
    MemorySource src;
    RecordingHost host;
    RecordingSink sink;
    SmsAnswerReceiver rx{&src, &host};
    explicit Rig(bool withForm = true) {
        if (withForm) rx.setSink(&sink);
        rx.toHunt();
    }
};

}  // namespace

class TestReceiverPieces : public QObject {
    Q_OBJECT

    // Hands the bytes over in pieces and calls the receiver as the port
    // would: whenever the threshold is reached, and again while a call
    // made progress. Answers of no fixed length end with a quiet spell.
    void feed(SmsAnswerReceiver& rx, MemorySource& src, const QByteArray& bytes, quint32 seed, int maxPiece) {
        QRandomGenerator rnd(seed);
        for (qsizetype pos = 0; pos < bytes.size();) {
            const int n = maxPiece <= 1 ? 1 : rnd.bounded(1, maxPiece + 1);
            src.append(bytes.mid(pos, n));
            pos += n;
            for (int guard = 0; guard < 1000 && src.thresholdReached(); ++guard) {
                const int before = src.waiting();
                const int threshold = src.threshold();
                rx.receive();
                if (src.waiting() == before && src.threshold() == threshold) break;
            }
        }
    }

private slots:
    void init() {
        g::resetAll();
        g::ParamMode = true;
        g::RecvMode = 101;
    }

    void answersComeOutWhateverThePieces_data() {
        QTest::addColumn<int>("maxPiece");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("byte by byte") << 1 << 1u;
        for (quint32 seed : {2u, 3u, 4u})
            QTest::newRow(qPrintable(QStringLiteral("up to 5, seed %1").arg(seed))) << 5 << seed;
        QTest::newRow("up to 64") << 64 << 7u;
        QTest::newRow("all at once") << 100000 << 1u;
    }

    void answersComeOutWhateverThePieces() {
        QFETCH(int, maxPiece);
        QFETCH(quint32, seed);
        Rig r;
        auto& [src, host, sink, rx] = r;
        g::PhoneTableOp = 0;
        g::AlarmSetOp = 0;

        // Noise, a broken preamble (its seven bytes are given up whole),
        // an unknown answer code, then answers back to back.
        const QByteArray line = fromHex("00 FF 1A 2A 3A 00 11 22 33 44") + frame("F8 03 00") +
                                frame("F1 03 12 34 56 78") + frame("77 03") + phoneTableAnswer() +
                                alarmAnswer() + frame("D3 03 01");
        feed(rx, src, line, seed, maxPiece);

        const QStringList expected = {
            QStringLiteral("param %1 被动方式").arg(int(Answers::ParamAnswer::Kind::WorkMode)),
            QStringLiteral("param %1 12:34:56:78:").arg(int(Answers::ParamAnswer::Kind::Password)),
            QStringLiteral("table 13800138000,13912345678"),
            QStringLiteral("alarm mode 2 text AB"),
            QStringLiteral("param %1 有省电").arg(int(Answers::ParamAnswer::Kind::PowerSaving)),
        };
        QCOMPARE(sink.seen, expected);
        QCOMPARE(host.told, QStringList{QStringLiteral("读取参数成功")});
        QCOMPARE(g::WorkModeByte[0], uint8_t(0));
        QCOMPARE(g::RefreshStep, 11);
        QCOMPARE(g::RxState, 0);
        QCOMPARE(src.waiting(), 0);
        QCOMPARE(rx.failures(), 0);
    }

    void textAnswersEndOnAQuietLine() {
        Rig r;
        auto& [src, host, sink, rx] = r;

        // The input state: "<" alone first, the state character later.
        g::DIChannel = 0x98;
        feed(rx, src, "<", 1, 1);
        QCOMPARE(g::RxState, int(SmsAnswerReceiver::InputText));
        src.append("0>");
        rx.receive();
        QVERIFY(QTest::qWaitFor([&] { return !sink.seen.isEmpty(); }, 2000));
        QCOMPARE(sink.seen, QStringList{QStringLiteral("input DI2 = 1")});
        QCOMPARE(g::DIChannel, 0);

        // A phone-table write acknowledged in two deliveries.
        g::PhoneTableOp = 1;
        feed(rx, src, frame("D9 03") + "SETF", 1, 3);
        src.append("AIL:");
        rx.receive();
        QVERIFY(QTest::qWaitFor([&] { return !host.told.isEmpty(); }, 2000));
        QCOMPARE(host.told, QStringList{QStringLiteral("电话号码表设置错误 ")});
        QCOMPARE(g::RxState, 0);
    }

    void answerWithoutFormIsReadAndDropped() {
        Rig r(false);
        auto& [src, host, sink, rx] = r;
        g::PhoneTableOp = 0;
        feed(rx, src, frame("F8 03 01") + phoneTableAnswer(), 5, 9);
        QCOMPARE(g::WorkModeByte[0], uint8_t(1));
        QCOMPARE(g::RefreshStep, 6);
        QCOMPARE(src.waiting(), 0);
        QCOMPARE(g::RxState, 0);
        QVERIFY(host.told.isEmpty());
    }
};

QTEST_MAIN(TestReceiverPieces)
#include "tst_receiver_pieces.moc"
