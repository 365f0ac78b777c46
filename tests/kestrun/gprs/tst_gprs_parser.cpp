// The GPRS answer parser fed straight from a byte source, in arbitrary
// pieces, without port or window.

#include <QTest>
#include <functional>

#include "tests/support/VirtualTime.h"

#include "core/Globals.h"
#include "core/protocol/ByteSource.h"
#include "core/protocol/GprsAnswers.h"
#include "kestrun/gprs/GprsAnswerParser.h"
#include "kestrun/gprs/GprsAnswerSink.h"

namespace {

QByteArray hx(const char* t) { return QByteArray::fromHex(QByteArray(t).replace(' ', "")); }
QByteArray pre(const char* tail) { return hx("1A 2A 3A 4A 5A 6A 7A 8A") + hx(tail); }

// Records every call as one line.
class Recorder : public GprsAnswerSink {
public:
    QStringList calls;
    void moduleReady() override {
        calls << "ready";
        if (onReady) onReady();  // the notice's box, open while this runs
    }
    std::function<void()> onReady;
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
    void logAnswer(const QString& line) override { calls << "log " + line.trimmed(); }
    void receivedData(qint64) override { ++dataEvents; }
    void showReceived() override { calls << "show " + g::RxText; }
    int dataEvents = 0;
};

struct Rig {
    MemorySource source;
    Recorder sink;
    GprsAnswerParser parser{&source, &sink};
    Rig(bool config, uint8_t work = 1, uint8_t trans = 1) {
        g::resetAll();
        g::GprsParamMode = config;
        g::GprsParamStep = 100;  // as the read sequence leaves it once its request is out
        g::WorkModeByte[0] = work;
        g::TransModeByte[0] = trans;
        g::RecvMode = 111;
        source.setReadLength(1);  // as the settings form leaves the port
        source.setThreshold(1);
    }
    // Feeds the bytes in pieces of `piece` (0: all at once), one receive
    // event a piece, as the port would raise them.
    void feed(const QByteArray& bytes, int piece = 0) {
        const int step = piece > 0 ? piece : int(bytes.size());
        for (int i = 0; i < bytes.size(); i += step) {
            source.append(bytes.mid(i, step));
            parser.receive();
        }
    }
};

}  // namespace

class TestGprsParser : public QObject {
    Q_OBJECT
private slots:
    // Every configuration answer, whole and in pieces of 1, 3 and 5 bytes.
    void configAnswers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("step");
        QTest::newRow("F4 identity") << pre("F4 03 1A 05 00 00") << "identity 1A:05: 00:00: 1" << 1;
        QTest::newRow("EC") << pre("EC 00") + "N320 V4.02 "
                            << "version N320 V4.02 " << 2;
        QTest::newRow("F6 300") << pre("F6 00 01 2C") << "heartbeat 300" << 3;
        QTest::newRow("F6 max") << pre("F6 00 FF FF") << "heartbeat 65535" << 3;
        QTest::newRow("E4") << pre("E4 00 05") << "restart 5" << 4;
        QTest::newRow("D3 none") << pre("D3 00 00") << "saving 0" << 6;
        QTest::newRow("D3 on") << pre("D3 00 01") << "saving 1" << 5;
        QTest::newRow("D2") << pre("D2 00 00 01 00 0A") << "delays .4s   4s" << 12;
        QTest::newRow("DB") << pre("DB 00 01") << "wake 1" << 6;
        QTest::newRow("F8 passive") << pre("F8 00 00") << "work 0" << 7;
        QTest::newRow("E2") << pre("E2 00 31 32") << "passive 31:32:" << 8;
        QTest::newRow("F9 transparent") << pre("F9 00 00") << "trans 0" << 9;
        QTest::newRow("F3") << pre("F3 00 12 34") << "target 12:34:" << 10;
        QTest::newRow("FB 2") << pre("FB 00 00") << "sub 0" << 11;
        QTest::newRow("E1") << pre("E1 00 01 02 09 07") << "layout 1 2 9 R50模式" << 100;
        QTest::newRow("F2") << pre("F2 06") << "baud 3 9600bps" << 100;
        QTest::newRow("F2 outside") << pre("F2 0B") << "baud -1 " << 100;
        // Noise, a wrong signature and an unknown code are skipped.
        QTest::newRow("noise") << hx("00 1A 1A 2A 3A 4A 5A 6A 7A 8B") + pre("77 F6 00 00 05") << "heartbeat 5"
                               << 3;
    }
    void configAnswers() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, call);
        QFETCH(int, step);
        for (int piece : {0, 1, 3, 5}) {
            Rig rig(true);
            // The request out is the one this answer's code (past an unknown one) answers.
            qsizetype code = bytes.lastIndexOf(hx("1A 2A 3A 4A 5A 6A 7A 8A")) + 8;
            while (!GprsAnswers::dispatch(uint8_t(bytes.at(code)))) ++code;
            g::GprsReadAwaited = uint8_t(bytes.at(code));
            rig.feed(bytes, piece);
            QCOMPARE(rig.sink.calls, QStringList{call});
            QCOMPARE(g::GprsParamStep, step);
            QCOMPARE(g::RxState, 0);
            QCOMPARE(rig.source.readLength(), 1);
            QVERIFY(rig.source.waiting() == 0);
        }
    }

    void identityResultsAndNotices() {
        Rig rig(true);
        g::GprsSlaveSetPending = true;
        // A pending write keeps the user's entry; unknown results are skipped.
        rig.feed(pre("F4 03 A0 F3 12 34"));
        rig.feed(pre("F4 55 FA"));
        QCOMPARE(rig.sink.calls, (QStringList{"identity A0:F3: 12:34: 0", "outcome 1"}));
        QVERIFY(!g::GprsSlaveSetPending);
        rig.sink.calls.clear();
        g::GprsSlaveSetPending = true;
        rig.feed(pre("F4 08") + pre("FD 03") + pre("FD 01") + pre("FD 02"));
        // The taken address keeps the write pending, so the FD 03 retries it.
        QCOMPARE(rig.sink.calls, (QStringList{"outcome 3", "retry", "ready"}));
        QVERIFY(g::GprsSlaveSetPending);
        rig.sink.calls.clear();
        g::GprsSlaveSetPending = false;
        rig.feed(pre("FD 03") + pre("F4 0A"));
        QCOMPARE(rig.sink.calls, (QStringList{"outcome 4"}));
        // F5 takes its nine bytes and the hunt goes on with the next frame.
        rig.sink.calls.clear();
        rig.feed(pre("F5 00 01 02 03 04 05 06 07 1A") + pre("F6 00 01 2C"), 2);
        QCOMPARE(rig.sink.calls, (QStringList{"heartbeat 300"}));
    }

    void formattedData() {
        Rig rig(false, 1, 1);
        rig.feed(hx("55 D7 FA D7 FF D7 33 FC"), 1);
        QCOMPARE(rig.sink.calls, (QStringList{"log 接收  D7:FA:", "log 接收  D7:FF:", "log 接收  D7:FC:"}));
        rig.feed(hx("D7 01 00 05 00 02 41 42"), 3);
        QCOMPARE(g::RxText, QStringLiteral("D7:01:00:05:00:02:41:42:"));
        QCOMPARE(g::RxState, 3);
        QCOMPARE(rig.sink.dataEvents, 2);
        // A transmission byte other than 0 and 1 counts as formatted.
        Rig odd(false, 1, 7);
        odd.feed(hx("D7 FA"));
        QCOMPARE(odd.sink.calls, (QStringList{"log 接收  D7:FA:"}));
    }

    void transparentData() {
        Rig rig(false, 1, 0);
        rig.feed(hx("48 49"));
        QCOMPARE(g::RxText, QStringLiteral("48:49:"));
        QCOMPARE(rig.sink.dataEvents, 2);
        QCOMPARE(g::RxState, 0);
    }

    void passiveAnswers_data() {
        QTest::addColumn<int>("op");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("rx");
        QTest::newRow("read data") << 1 << hx("21 31 32 00 03 41 42 43") << ""
                                   << "21:31:32:00:03:41:42:43:";
        QTest::newRow("read empty") << 1 << hx("21 31 32 00 00 0D") << "log 接收  21:31:32:00:00:0D:"
                                    << "";
        QTest::newRow("memory") << 2 << hx("21 31 32 02 00 00") << "log 接收  21:31:32:02:00:00:"
                                << "";
        QTest::newRow("write") << 3 << hx("21 31 32 06") << "log 接收  21:31:32:06:"
                               << "";
        QTest::newRow("refused") << 3 << hx("7E 3F 01 02 03") << "log 接收  3F:01:02:03:"
                                 << "";
    }
    void passiveAnswers() {
        QFETCH(int, op);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, log);
        QFETCH(QString, rx);
        for (int piece : {0, 1, 2}) {
            Rig rig(false, 0, 1);
            g::DollarPendingOp = op;
            rig.feed(bytes, piece);
            QCOMPARE(rig.sink.calls, log.isEmpty() ? QStringList() : QStringList{log});
            QCOMPARE(g::RxText, rx);
        }
    }

    // The answer to a read the read sequence gave up on is a configuration
    // answer in every mode of the data half; what follows is data again.
    void lateReadAnswerIsNoData_data() {
        QTest::addColumn<int>("work");
        QTest::addColumn<int>("trans");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("rx");
        QTest::newRow("transparent") << 1 << 0 << pre("E4 00 05") + hx("41 42") << "restart 5" << "41:42:";
        QTest::newRow("transparent, no frame") << 1 << 0 << hx("1A 41 42 43 44 45 46 47") << ""
                                               << "1A:41:42:43:44:45:46:47:";
        QTest::newRow("formatted") << 1 << 1 << pre("E4 00 05") + hx("D7 FA") << "restart 5|log 接收  D7:FA:" << "";
        QTest::newRow("passive") << 0 << 0 << pre("E4 00 05") + hx("21 31 32 06") << "restart 5|log 接收  21:31:32:06:"
                                 << "";
    }
    void lateReadAnswerIsNoData() {
        QFETCH(int, work);
        QFETCH(int, trans);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, calls);
        QFETCH(QString, rx);
        for (int piece : {0, 1, 3}) {
            Rig rig(false, uint8_t(work), uint8_t(trans));
            g::GprsReadLate = 0xE4;
            g::DollarPendingOp = 3;
            rig.feed(bytes, piece);
            QCOMPARE(rig.sink.calls.join('|'), calls);
            QCOMPARE(g::RxText, rx);
            QCOMPARE(g::GprsReadLate, calls.isEmpty() ? 0xE4 : -1);
        }
    }

    // A data state left behind when the configuration half takes over is
    // read as that half's state, as the shared state dictates; a state
    // neither half has goes back to the hunt instead of stalling.
    // A passive answer held while two requests are owed, its wait for the
    // rest of a longer answer running out while the notice's box is open: it
    // is read once the box is closed, as it is with no box, and only once.
    void heldAnswerOutlivesABoxOfTheReceiver() {
        for (bool box : {false, true}) {
            VirtualTime time;
            Rig rig(true, 0, 1);
            g::GprsPassiveOwed = {3, 1};
            const QByteArray answer = hx("21 31 32 06");
            rig.sink.onReady = [&] {
                if (!box) return;
                rig.source.append(answer);
                rig.parser.receive();
                QVERIFY(time.runFor(1000));
            };
            rig.feed(pre("FD 01"));
            if (!box) rig.feed(answer);
            QVERIFY(time.runFor(15000));
            QVERIFY2(rig.sink.calls == QStringList({"ready", "log 接收  21:31:32:06:"}),
                     qPrintable(QStringLiteral("box %1: ").arg(box) + rig.sink.calls.join(" | ")));
            // The next answer is its own, whole.
            rig.sink.calls.clear();
            g::GprsPassiveOwed = {3};
            rig.feed(hx("21 31 32 07"));
            QVERIFY(time.runFor(1000));
            QVERIFY2(rig.sink.calls == QStringList({"log 接收  21:31:32:07:"}),
                     qPrintable(QStringLiteral("box %1, next: ").arg(box) + rig.sink.calls.join(" | ")));
        }
    }

    void strayStatesReturnToTheHunt() {
        Rig rig(true);
        g::RxState = 9;
        rig.feed(pre("F6 00 00 07"));
        QCOMPARE(rig.sink.calls, (QStringList{"heartbeat 7"}));
        Rig passive(false, 0, 0);
        g::RxState = 100;
        passive.feed(hx("21 31 32"));
        QCOMPARE(g::RxState, 2);
    }
};

QTEST_GUILESS_MAIN(TestGprsParser)
#include "tst_gprs_parser.moc"
