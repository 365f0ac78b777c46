// kestrunbench: Kestrun's timing figures against the simulated module on a
// pseudo-terminal (scripts/bench.sh runs it and keeps what it prints).
//  - the delay the program adds to each step of the parameter refresh beyond
//    its 500 ms timer: request i+1 written minus request i written minus 500;
//  - how fast the answer receiver gets through a long stream of noise, for
//    several lengths (it should not slow down as the stream grows), and the
//    resident memory before and after.

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "ParamRig.h"
#include "core/Globals.h"
#include "core/protocol/ByteSource.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "platform/CommPort.h"
#include "tools/SimParams.h"

namespace {

long long rssKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

double cpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

struct NullSink : SmsAnswerSink {
    int answers = 0;
    void applyParamAnswer(const Answers::ParamAnswer&) override { ++answers; }
    void applyPhoneTable(const QStringList&) override { ++answers; }
    void clearPhoneTable() override {}
    void applyAlarmBlock(const SettingsRecords::AlarmBlock&) override { ++answers; }
    void applyOutputBlock(const SettingsRecords::OutputBlock&) override { ++answers; }
    int inputStateChannel() const override { return 1; }
    void showInputState(const QString&) override {}
    void logReceived(const QByteArray&) override {}
    void restartTestDisplay() override {}
    bool testDisplayIdle() const override { return true; }
    bool testSendPending() const override { return false; }
};

struct NullHost : SmsAnswerHost {
    void tell(const QString&, const QString&, Icon) override {}
    void showStatusWord(const QString&) override {}
};

// The receiver alone on a byte source, fed 4 kB at a time as the port
// hands them over; seconds for the whole stream, and the answers it found.
double receiverSeconds(const QByteArray& stream, int* answers) {
    g::resetAll();
    g::RecvMode = 101;
    g::ParamMode = true;
    MemorySource src;
    NullHost host;
    NullSink sink;
    SmsAnswerReceiver rx(&src, &host);
    rx.setSink(&sink);
    rx.toHunt();
    QElapsedTimer t;
    t.start();
    for (qsizetype at = 0; at < stream.size(); at += 4096) {
        src.append(stream.mid(at, 4096));
        for (int guard = 0; guard < 1000000 && src.thresholdReached(); ++guard) {
            const int before = src.waiting();
            const int threshold = src.threshold();
            rx.receive();
            if (src.waiting() == before && src.threshold() == threshold) break;
        }
    }
    *answers = sink.answers;
    return double(t.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int refreshes = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    ParamRig r;
    if (!r.h.fixture.ok() || !r.connectAndRefresh()) {
        std::fprintf(stderr, "kestrunbench: the simulated module did not connect\n");
        return 1;
    }

    // --- refresh chain --------------------------------------------------------
    // Each request is stamped as the program hands it to the port (the
    // pseudo-terminal's own delivery time is no part of the program); the
    // module's clock, in whole milliseconds, gives the same gaps as it sees
    // them.
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> writtenNs;
    QObject::connect(&r.h.port(), &CommPort::frameWritten,
                     [&] { writtenNs.push_back(clock.nsecsElapsed()); });
    std::vector<double> added, seen, bare;
    // A bare 500 ms timer running alongside, restarted at each tick as the
    // refresh timer is: how late the event loop itself wakes on this
    // machine, for comparison.
    QTimer bareTimer;
    bareTimer.setTimerType(Qt::PreciseTimer);
    bareTimer.setSingleShot(true);
    qint64 bareLast = -1;
    QObject::connect(&bareTimer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (bareLast >= 0) bare.push_back(double(now - bareLast) / 1e6 - 500.0);
        bareLast = now;
        bareTimer.start(500);
    });
    bareTimer.start(500);
    std::vector<qint64> tickNs;
    if (qEnvironmentVariableIsSet("BENCH_DEBUG"))
        QObject::connect(r.f()->Timer2, &VbTimer::tick, [&] { tickNs.push_back(clock.nsecsElapsed()); });
    for (int k = 0; k < refreshes; ++k) {
        const int before = r.count();
        writtenNs.clear();
        QTest::mouseClick(r.f()->Command8, Qt::LeftButton);
        if (!r.refreshRuns()) {
            std::fprintf(stderr, "kestrunbench: a refresh did not finish\n");
            return 1;
        }
        for (size_t i = 1; i < writtenNs.size(); ++i)
            added.push_back(double(writtenNs[i] - writtenNs[i - 1]) / 1e6 - 500.0);
        if (qEnvironmentVariableIsSet("BENCH_DEBUG")) {
            for (size_t i = 0; i < tickNs.size(); ++i)
                qDebug() << "tick" << (tickNs[i] - (i ? tickNs[i - 1] : 0)) / 1000 << "write"
                         << (i < writtenNs.size() ? (writtenNs[i] - tickNs[i]) / 1000 : -1);
            tickNs.clear();
        }
        const auto reqs = r.sim().requests();
        for (int i = before + 1; i < reqs.size(); ++i)
            seen.push_back(double(reqs[i].atMs - reqs[i - 1].atMs) - 500.0);
    }
    std::printf(
        "refresh chain: %zu steps, delay added to the 500 ms step: median %.2f ms, p99 %.2f ms, max %.2f "
        "ms\n",
        added.size(), percentile(added, 0.5), percentile(added, 0.99), percentile(added, 1.0));
    std::printf("bare 500 ms timer alongside, restarted each tick: lateness median %.2f ms, p99 %.2f ms\n",
                percentile(bare, 0.5), percentile(bare, 0.99));
    std::printf("program's own share (refresh minus bare timer): median %.2f ms, p99 %.2f ms\n",
                percentile(added, 0.5) - percentile(bare, 0.5),
                percentile(added, 0.99) - percentile(bare, 0.99));
    bareTimer.stop();
    std::printf(
        "refresh chain as the module sees it (pseudo-terminal included): median %.0f ms, p99 %.0f ms\n",
        percentile(seen, 0.5), percentile(seen, 0.99));

    // --- receiver throughput --------------------------------------------------
    // Noise with every byte value except the two that start an answer ("<"
    // and 0x1A), then a version answer that shows once everything before it
    // has been taken.
    const long long rssBefore = rssKb("VmRSS:");
    int mark = 0;
    QList<int> sizesKb{1024, 2048, 4096, 8192};
    if (argc > 2) {
        sizesKb.clear();
        for (const QByteArray& k : QByteArray(argv[2]).split(',')) sizesKb.append(k.toInt());
    }
    for (int kb : sizesKb) {
        QByteArray noise(kb * 1024, '\0');
        QRandomGenerator gen{quint32(kb)};
        for (auto& c : noise) {
            const char b = char(gen.bounded(256));
            c = (b == '<' || b == '\x1A') ? 'x' : b;
        }
        const QByteArray version = QStringLiteral("BENCH%1").arg(++mark, 6, 10, QLatin1Char('0')).toLatin1();
        clock.restart();
        const double cpu0 = cpuSeconds();
        r.sim().stream(noise + ModuleSim::answerFrame(0xEC, 0x03, version));
        if (!QTest::qWaitFor(
                [&] {
                    if (qEnvironmentVariableIsSet("BENCH_DEBUG")) {
                        qDebug() << g::RxState << r.h.port().inBufferCount() << r.h.port().rThreshold()
                                 << r.sim().streamed() << r.f()->Label8->text();
                        QTest::qWait(1000);
                    }
                    return r.f()->Label8->text() == QString::fromLatin1(version);
                },
                120000)) {
            std::fprintf(stderr, "kestrunbench: the answer after %d kB of noise was not taken\n", kb);
            return 1;
        }
        const double s = double(clock.nsecsElapsed()) / 1e9;
        const double cpu = cpuSeconds() - cpu0;
        // The wall time is mostly the pseudo-terminal handing the bytes over
        // a few kB at a time; the processor time is what the program (and
        // the simulator writing the line, in the same thread) spent.
        std::printf(
            "receiver: %6d kB of noise: %.3f s wall (%.2f MB/s through the line), %.3f s processor (%.1f "
            "MB/s)\n",
            kb, s, double(kb) / 1024.0 / s, cpu, double(kb) / 1024.0 / cpu);
        std::fflush(stdout);
    }
    // The receiver alone, without line or window: noise of every byte value
    // but "<" (the input-state text that starts waits for the line to go
    // quiet, which a stream fed without pause never does), and a stream of
    // answers (work mode, version, phone table) back to back.
    QByteArray answersBlock;
    {
        QByteArray entries(120, '\0');
        answersBlock += ModuleSim::answerFrame(0xF8, 0x03, QByteArray(1, '\1'));
        answersBlock += ModuleSim::answerFrame(0xEC, 0x03, "N310 V4.02 ");
        answersBlock += ModuleSim::answerFrame(0xD9, 0x03, QByteArray(2, '\0') + entries);
    }
    for (int mb : {1, 4, 16}) {
        QByteArray noise(mb * 1024 * 1024, '\0');
        quint32 x = 7;
        for (auto& c : noise) {
            x = x * 1664525u + 1013904223u;
            c = char(x >> 24);
            if (c == '<') c = 'x';
        }
        QByteArray frames;
        while (frames.size() < noise.size()) frames += answersBlock;
        int found = 0, foundFrames = 0;
        const double sn = receiverSeconds(noise, &found);
        const double sf = receiverSeconds(frames, &foundFrames);
        std::printf(
            "receiver alone: %2d MB noise %.3f s (%.1f MB/s); %2d MB of answers %.3f s (%.1f MB/s, %d "
            "answers)\n",
            mb, sn, double(mb) / sn, mb, sf, double(frames.size()) / 1048576.0 / sf, foundFrames);
    }
    std::printf("receiver memory: resident %lld kB before the noise, %lld kB after (peak %lld kB)\n",
                rssBefore, rssKb("VmRSS:"), rssKb("VmHWM:"));
    return 0;
}
