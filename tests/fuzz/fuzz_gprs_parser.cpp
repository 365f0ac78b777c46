// The GPRS data module's answer parser, configuration and data-terminal
// halves, fed through a byte source in arbitrary pieces. Besides staying
// safe, it must read the same however the line cuts the stream.
#include <QCoreApplication>

#include "FuzzInput.h"
#include "core/Globals.h"
#include "core/protocol/ByteSource.h"
#include "kestrun/gprs/GprsAnswerParser.h"
#include "kestrun/gprs/GprsAnswerSink.h"
#include "platform/VbTimer.h"

namespace {

struct Sink : GprsAnswerSink {
    QStringList calls;
    void moduleReady() override { calls << "ready"; }
    void retryIdentityWrite() override { calls << "retry"; }
    void version(const QString& t) override { calls << "version " + t; }
    void passiveAddress(const QString& t) override { calls << "passive " + t; }
    void targetAddress(const QString& t) override { calls << "target " + t; }
    void identityAddress(const QString& t, const QString& s, bool u) override {
        calls << QStringLiteral("identity %1 %2 %3").arg(t, s).arg(u);
    }
    void identityOutcome(GprsAnswers::IdentityOutcome o) override {
        calls << QStringLiteral("outcome %1").arg(int(o));
    }
    void heartbeat(uint16_t s) override { calls << QStringLiteral("heartbeat %1").arg(s); }
    void workMode(uint8_t m) override { calls << QStringLiteral("work %1").arg(m); }
    void transMode(uint8_t m) override { calls << QStringLiteral("trans %1").arg(m); }
    void subMode(uint8_t m) override { calls << QStringLiteral("sub %1").arg(m); }
    void addressLayout(const GprsAnswers::AddressLayout& l) override {
        calls << QStringLiteral("layout %1 %2 %3 %4")
                     .arg(l.start)
                     .arg(l.length)
                     .arg(l.groupMax)
                     .arg(l.typeText());
    }
    void baud(int i, const QString& t) override { calls << QStringLiteral("baud %1 %2").arg(i).arg(t); }
    void restartCount(int c) override { calls << QStringLiteral("restart %1").arg(c); }
    void powerSaving(uint8_t v) override { calls << QStringLiteral("saving %1").arg(v); }
    void wakeDelays(uint16_t i, uint16_t d) override { calls << "delays " + GprsAnswers::wakeDelayText(i, d); }
    void wakeMode(uint8_t m) override { calls << QStringLiteral("wake %1").arg(m); }
    void logAnswer(const QString& line) override { calls << "log " + line; }
    void receivedData(qint64) override {}
    void showReceived() override {}
};

struct Setup {
    bool config, slavePending;
    uint8_t work, trans;
    int pendingOp;
};

struct Outcome {
    QStringList calls;
    int state = 0;
    int step = 0;
    QString rxText;
};

// Feeds the pieces as the port would: a call whenever the threshold is
// reached, again while a call made progress.
Outcome run(const Setup& s, const std::vector<QByteArray>& pieces) {
    g::resetAll();
    g::RecvMode = 111;
    g::GprsParamMode = s.config;
    g::GprsSlaveSetPending = s.slavePending;
    g::WorkModeByte[0] = s.work;
    g::TransModeByte[0] = s.trans;
    g::DollarPendingOp = s.pendingOp;
    MemorySource src;
    src.setReadLength(1);  // as the settings form leaves the port
    src.setThreshold(1);
    Sink sink;
    GprsAnswerParser parser(&src, &sink);
    for (const QByteArray& piece : pieces) {
        src.append(piece);
        for (int guard = 0; guard < 100000 && src.thresholdReached(); ++guard) {
            const int before = src.waiting();
            const int threshold = src.threshold();
            parser.receive();
            if (src.waiting() == before && src.threshold() == threshold) break;
        }
    }
    Outcome out{sink.calls, g::RxState, g::GprsParamStep, g::RxText};
    parser.stallTimer()->setEnabled(false);
    parser.quietTimer()->setEnabled(false);
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
    s.config = !(flags & 1);
    s.slavePending = (flags >> 1) & 1;
    s.work = (flags >> 2) & 1;
    // Formatted is any transmission byte but 0.
    s.trans = (flags >> 3) & 3;
    s.pendingOp = (flags >> 5) & 3;
    const std::vector<QByteArray> pieces = in.pieces();
    QByteArray whole;
    for (const auto& p : pieces) whole += p;
    const Outcome cut = run(s, pieces);
    const Outcome once = run(s, {whole});
    // No event loop runs here: what the parser posted is handed out now,
    // or it piles up.
    QCoreApplication::sendPostedEvents();
    FUZZ_CHECK(cut.calls == once.calls);
    FUZZ_CHECK(cut.state == once.state);
    FUZZ_CHECK(cut.step == once.step);
    FUZZ_CHECK(cut.rxText == once.rxText);
    return 0;
}
