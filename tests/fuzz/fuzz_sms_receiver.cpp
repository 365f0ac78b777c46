// The SMS alarm module's answer receiver with every answer family and the
// test-answer machine installed, fed through a byte source in arbitrary
// pieces. Besides staying safe, it must read the same from the line
// however the line cuts it: the pieces against the whole stream at once.
#include <QCoreApplication>

#include "FuzzInput.h"
#include "core/Globals.h"
#include "core/protocol/ByteSource.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "platform/VbTimer.h"

namespace {

struct Sink : SmsAnswerSink {
    QStringList seen;
    void applyParamAnswer(const Answers::ParamAnswer& a) override {
        seen << QStringLiteral("param %1 %2 %3 %4")
                    .arg(int(a.kind))
                    .arg(a.value)
                    .arg(a.text)
                    .arg(a.refreshStep);
    }
    void applyPhoneTable(const QStringList& numbers) override { seen << "table " + numbers.join(','); }
    void clearPhoneTable() override { seen << QStringLiteral("cleared"); }
    void applyAlarmBlock(const SettingsRecords::AlarmBlock& b) override {
        seen << QStringLiteral("alarm %1 %2 %3")
                    .arg(b.mode.value_or(999))
                    .arg(b.lowText.value_or("-"), b.highText.value_or("-"));
    }
    void applyOutputBlock(const SettingsRecords::OutputBlock& b) override {
        seen << QStringLiteral("output %1 %2").arg(b.mode.value_or(999)).arg(b.lowText.value_or("-"));
    }
    int inputStateChannel() const override { return 3; }
    void showInputState(const QString& text) override { seen << "input " + text; }
    void logReceived(const QByteArray& bytes) override { seen << "log " + bytes.toHex(); }
    void restartTestDisplay() override {}
    bool testDisplayIdle() const override { return true; }
    bool testSendPending() const override { return false; }
};

struct Host : SmsAnswerHost {
    QStringList told;
    void tell(const QString& text, const QString&, Icon) override { told << text; }
    void showStatusWord(const QString& word) override { told << "status " + word; }
};

struct Setup {
    bool paramMode;
    uint8_t work, trans;
    int alarmOp, outputOp, phoneOp, pendingOp;
};

struct Outcome {
    QStringList seen, told;
    int state = 0;
    QString rxText;
};

// Feeds the pieces as the port would: a call whenever the threshold is
// reached, again while a call made progress.
Outcome run(const Setup& s, const std::vector<QByteArray>& pieces) {
    g::resetAll();
    g::RecvMode = 101;
    g::ParamMode = s.paramMode;
    g::WorkModeByte[0] = s.work;
    g::TransModeByte[0] = s.trans;
    g::AlarmSetOp = s.alarmOp;
    g::OutputSetOp = s.outputOp;
    g::PhoneTableOp = s.phoneOp;
    g::DollarPendingOp = s.pendingOp;
    MemorySource src;
    Host host;
    Sink sink;
    SmsAnswerReceiver rx(&src, &host);
    rx.setSink(&sink);
    rx.toHunt();
    for (const QByteArray& piece : pieces) {
        src.append(piece);
        for (int guard = 0; guard < 100000 && src.thresholdReached(); ++guard) {
            const int before = src.waiting();
            const int threshold = src.threshold();
            rx.receive();
            if (src.waiting() == before && src.threshold() == threshold) break;
        }
    }
    Outcome out{sink.seen, host.told, g::RxState, g::RxText};
    rx.stallTimer()->setEnabled(false);
    rx.quietTimer()->setEnabled(false);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    Setup s;
    const uint8_t flags = in.byte();
    s.paramMode = !(flags & 1);
    s.work = (flags >> 1) & 1;
    s.trans = (flags >> 2) & 1;
    s.alarmOp = (flags >> 3) & 1;
    s.outputOp = (flags >> 4) & 1;
    s.phoneOp = (flags >> 5) & 3;
    s.pendingOp = in.byte() % 4;
    const std::vector<QByteArray> pieces = in.pieces();
    QByteArray whole;
    for (const auto& p : pieces) whole += p;
    const Outcome cut = run(s, pieces);
    const Outcome once = run(s, {whole});
    // No event loop runs here: what the receivers posted (deferred
    // deletions among them) is handed out now, or it piles up.
    QCoreApplication::sendPostedEvents();
    FUZZ_CHECK(cut.seen == once.seen);
    FUZZ_CHECK(cut.told == once.told);
    FUZZ_CHECK(cut.state == once.state);
    return 0;
}
