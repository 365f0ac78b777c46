// Every answer kind of the SMS alarm module, cut at every point into two
// deliveries and also delivered a byte at a time, reads the same as the
// answer delivered whole: the same values reach the form, the same
// messages the user, and the receiver ends back at the hunt. Answers of no
// fixed length end on a quiet line, which ends every variant alike.

#include <QTest>

#include "core/Globals.h"
#include "core/protocol/ByteSource.h"
#include "core/protocol/PhoneCodec.h"
#include "core/protocol/SettingsRecords.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "tests/support/SimSupport.h"
#include "tests/support/VirtualTime.h"

using SimSupport::fromHex;

namespace {

struct Sink : SmsAnswerSink {
    QStringList seen;
    void applyParamAnswer(const Answers::ParamAnswer& a) override {
        seen << QStringLiteral("param %1 %2 %3 %4 %5 %6")
                    .arg(int(a.kind))
                    .arg(a.value)
                    .arg(a.flag)
                    .arg(a.text, a.idleMs, a.dataMs);
    }
    void applyPhoneTable(const QStringList& numbers) override { seen << "table " + numbers.join(','); }
    void clearPhoneTable() override { seen << QStringLiteral("cleared"); }
    void applyAlarmBlock(const SettingsRecords::AlarmBlock& b) override {
        seen << QStringLiteral("alarm %1 %2 %3 %4")
                    .arg(b.mode.value_or(99))
                    .arg(b.lowText.value_or("-"), b.highText.value_or("-"))
                    .arg(b.mask.value_or(0));
    }
    void applyOutputBlock(const SettingsRecords::OutputBlock& b) override {
        seen << QStringLiteral("output %1 %2").arg(b.mode.value_or(99)).arg(b.lowText.value_or("-"));
    }
    int inputStateChannel() const override { return 2; }
    void showInputState(const QString& text) override { seen << "input " + text; }
    void logReceived(const QByteArray& bytes) override { seen << "log " + bytes.toHex(' '); }
    void restartTestDisplay() override {}
    bool testDisplayIdle() const override { return true; }
    bool testSendPending() const override { return false; }
};

struct Host : SmsAnswerHost {
    QStringList told;
    void tell(const QString& text, const QString& title, Icon) override { told << title + ": " + text; }
    void showStatusWord(const QString& word) override { told << "status " + word; }
};

QByteArray frame(const char* tailHex) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tailHex); }

QByteArray block(int length, std::initializer_list<std::pair<int, const char*>> fills) {
    QByteArray b(length, '\0');
    for (const auto& [at, hex] : fills) {
        const QByteArray bytes = fromHex(hex);
        b.replace(at, bytes.size(), bytes);
    }
    return b;
}

QByteArray readBack(const char* code, const QByteArray& b) {
    uint8_t sum = 0;
    for (char c : b) sum = uint8_t(sum + uint8_t(c));
    return frame(code) + char(b.size() + 1) + char(sum) + b;
}

struct Outcome {
    QStringList seen, told;
    int state = -1;
    int left = -1;
    bool operator==(const Outcome& o) const {
        return seen == o.seen && told == o.told && state == o.state && left == o.left;
    }
};

struct Kind {
    const char* name;
    QByteArray bytes;
    bool paramMode = true;
    int alarmOp = 0, outputOp = 0, phoneOp = 0;
    uint8_t work = 1, trans = 1;
    int pendingOp = 0;
};

}  // namespace

class TestAnswerSplits : public QObject {
    Q_OBJECT

    // The deliveries one after the other, the receiver called whenever the
    // threshold is reached; then a quiet spell ends what waits for one. The
    // spell is on the virtual clock: on a busy machine a real one could end
    // before the receiver's quiet timer had a chance to run.
    Outcome run(const Kind& k, const QList<QByteArray>& pieces) {
        VirtualTime time;
        g::resetAll();
        g::RecvMode = 101;
        g::ParamMode = k.paramMode;
        g::AlarmSetOp = k.alarmOp;
        g::OutputSetOp = k.outputOp;
        g::PhoneTableOp = k.phoneOp;
        g::WorkModeByte[0] = k.work;
        g::TransModeByte[0] = k.trans;
        g::DollarPendingOp = k.pendingOp;
        g::DIChannel = 0x98;
        MemorySource src;
        Host host;
        Sink sink;
        SmsAnswerReceiver rx(&src, &host);
        rx.setSink(&sink);
        rx.toHunt();
        for (const QByteArray& p : pieces) {
            src.append(p);
            for (int guard = 0; guard < 10000 && src.thresholdReached(); ++guard) {
                const int before = src.waiting();
                const int threshold = src.threshold();
                rx.receive();
                if (src.waiting() == before && src.threshold() == threshold) break;
            }
        }
        if (src.waiting() > 0 && !time.runFor(AnswerMachine::QuietMs * 3)) qWarning("%s", qPrintable(time.why()));
        return {sink.seen, host.told, g::RxState, src.waiting()};
    }

private slots:
    void everySplitReadsTheSame() {
        QByteArray entries = PhoneCodec::packNumber(QStringLiteral("13800138000")) +
                             PhoneCodec::packNumber(QStringLiteral("13912345678"));
        entries.append(QByteArray(PhoneCodec::TableBytes - entries.size(), '\0'));
        const QByteArray phoneTable =
            frame("D9 03") + char(PhoneCodec::tableChecksum(2, entries)) + char(2) + entries;
        const QByteArray alarm = block(
            187, {{0, "01 02 06 85 04 41 42 43 44 45"}, {88, "05"}, {95, "62 A5 8B 66"}, {185, "03 01"}});
        const QByteArray output = block(129, {{0, "02 01 05 03 04 82 00 4F 4E"}});
        const QList<Kind> kinds = {
            {"module status", frame("FD 01")},
            {"work mode", frame("F8 03 00")},
            {"transfer mode", frame("F9 03 01")},
            {"receiver number", frame("A2 03 01 38 00 13 80 00")},
            {"password use", frame("A1 03 02")},
            {"password", frame("F1 03 12 34 AB 0F")},
            {"version", frame("EC 03") + QByteArray("N310 V4.02 ")},
            {"address", frame("E2 03 0A 1F")},
            {"restart time", frame("A3 03 00 00 07 D0")},
            {"sub-mode", frame("FB 03 00")},
            {"number mask", frame("E1 03 FF FF FF FF")},
            {"power saving", frame("D3 03 01")},
            {"wake delays", frame("D2 03 00 03 00 19")},
            {"wake mode", frame("DB 03 00")},
            {"phone table", phoneTable},
            {"phone table, bad checksum", frame("D9 03 55 02") + entries},
            {"phone table written", frame("D9 03") + "SETOK:", true, 0, 0, 1},
            {"phone table refused", frame("D9 03") + "SETFAIL:", true, 0, 0, 1},
            {"alarm block", readBack("B4 03", alarm)},
            {"alarm block, bad checksum", frame("B4 03") + char(188) + char(0x77) + alarm},
            {"alarm written", frame("B4 03") + "SETOK:", true, 1},
            {"output block", readBack("B5 03", output)},
            {"output written", frame("B5 03") + "SETFAIL:", true, 0, 1},
            {"input state", QByteArray("<0>")},
            // What trails an acknowledgement up to the next frame goes,
            // however the line cuts it; the frame behind is still taken, and
            // so is an input state the form asked for.
            {"alarm written, text behind", frame("B4 03") + "SETOK:12" + frame("FD 01"), true, 1},
            {"output refused, text behind", frame("B5 03") + "SETFAIL:x<1>", true, 0, 1},
            {"phone table written, text behind", frame("D9 03") + "SETOK:ab" + frame("FD 01"), true, 0, 0, 1},
            {"phone table cleared, text behind", frame("D9 03") + "CLROK:\r\n<0>", true, 0, 0, 2},
            {"test: formatted status", fromHex("D7 FA"), false},
            {"test: formatted record", fromHex("D7 01 01 38 00 13 80 00 00 02 4E 2D"), false},
        };
        for (const Kind& k : kinds) {
            const Outcome whole = run(k, {k.bytes});
            QVERIFY2(!whole.seen.isEmpty() || !whole.told.isEmpty(), k.name);
            if (k.bytes.size() > 10 && k.bytes.endsWith(frame("FD 01")))
                QVERIFY2(whole.told.last().endsWith(QStringLiteral("您可以设置参数了")), k.name);
            for (int cut = 1; cut < k.bytes.size(); ++cut) {
                const Outcome two = run(k, {k.bytes.left(cut), k.bytes.mid(cut)});
                if (!(two == whole))
                    QFAIL(qPrintable(QStringLiteral("%1 cut at %2: %3 | %4 against %5 | %6")
                                         .arg(k.name)
                                         .arg(cut)
                                         .arg(two.seen.join(';'), two.told.join(';'), whole.seen.join(';'),
                                              whole.told.join(';'))));
            }
            QList<QByteArray> bytes;
            for (char c : k.bytes) bytes << QByteArray(1, c);
            QVERIFY2(run(k, bytes) == whole, k.name);
        }
    }
};

QTEST_MAIN(TestAnswerSplits)
#include "tst_answer_splits.moc"
