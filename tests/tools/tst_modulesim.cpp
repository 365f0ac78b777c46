#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>

#include "RawClient.h"
#include "tests/support/SimSupport.h"
#include "tests/support/VirtualTime.h"
#include "tools/ModuleSim.h"

using SimSupport::fromHex;
using SimSupport::hex;
using SimSupport::SimFixture;

namespace {

QByteArray request(const char* codeAndOp) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(codeAndOp); }


// The module has sent sentAfter[i] bytes in all once its clock stands i
// gaps after the first piece, and not a byte of the next piece 1 ms sooner.
bool piecesGoOutOnTime(VirtualTime& time, ModuleSim& sim, const QList<int>& sentAfter, int gapMs) {
    for (int i = 0; i < sentAfter.size(); ++i) {
        if (i > 0) {
            if (!time.runFor(gapMs - 1)) return false;
            if (sim.sent().size() != sentAfter.at(i - 1)) {
                qWarning("piece %d early: %lld bytes sent", i, qlonglong(sim.sent().size()));
                return false;
            }
            if (!time.runFor(1)) return false;
        }
        if (sim.sent().size() != sentAfter.at(i)) {
            qWarning("piece %d: %lld bytes sent, %d expected", i, qlonglong(sim.sent().size()), sentAfter.at(i));
            return false;
        }
    }
    return !sim.sending();
}

}  // namespace

class TestModuleSim : public QObject {
    Q_OBJECT
private slots:
    void answersProbeAndIdentifyWithConfiguredValues();
    void presetsDiffer();
    void silentAndDelayed();
    void chunksAndJunk();
    void sendChunksKeepsGaps();
    void splitsRequestsByLengthAndQuietTime();
    void handlersCanBeReplaced();
    void linkLifecycle();
    void closeLineHangsUpTheClient();
};

void TestModuleSim::answersProbeAndIdentifyWithConfiguredValues() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    ModuleSim& sim = fx.sim();
    sim.identity.probeStatus = 0x11;
    sim.identity.hsStatus1 = 0x22;
    sim.identity.hsStatus2 = 0x80;
    sim.identity.identifyStatus = 0x5A;
    sim.identity.workMode = 0x00;
    sim.identity.transMode = 0x01;
    sim.identity.blockD6 = 0x66;
    sim.identity.moduleType = 0x07;
    sim.identity.version = "ABC";  // short: padded to 11

    RawClient client(sim.linkPath());
    QVERIFY(client.ok());

    client.write(request("FE 03"));
    QVERIFY(client.waitFor(12));
    QCOMPARE(hex(client.got()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A FD 11 22 80"));

    const struct {
        const char* ask;
        const char* answer;
    } cases[] = {
        {"F8 03", "1A 2A 3A 4A 5A 6A 7A 8A F8 5A 00"},
        {"F9 03", "1A 2A 3A 4A 5A 6A 7A 8A F9 5A 01"},
        {"D6 03", "1A 2A 3A 4A 5A 6A 7A 8A D6 5A 66"},
        {"D1 03", "1A 2A 3A 4A 5A 6A 7A 8A D1 5A 07"},
        {"EC 03", "1A 2A 3A 4A 5A 6A 7A 8A EC 5A 41 42 43 20 20 20 20 20 20 20 20"},
    };
    for (const auto& c : cases) {
        client.reset();
        client.write(request(c.ask));
        const QByteArray expected = fromHex(c.answer);
        QVERIFY(client.waitFor(expected.size()));
        QTest::qWait(30);
        client.poll();
        QCOMPARE(hex(client.got()), hex(expected));
    }
    QCOMPARE(sim.requests().size(), 6);

    // A write with the same code is no identify request: no answer.
    client.reset();
    client.write(request("F8 01 00"));
    QVERIFY(fx.waitForRequests(7));
    QTest::qWait(100);
    client.poll();
    QVERIFY(client.got().isEmpty());
}

void TestModuleSim::presetsDiffer() {
    SimFixture fx(1, ModuleSim::Kind::Gprs);
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    RawClient client(fx.sim().linkPath());
    client.write(request("D1 03"));
    QVERIFY(client.waitFor(11));
    QCOMPARE(uint8_t(client.got().at(10)), uint8_t(1));
    client.reset();
    client.write(request("EC 03"));
    QVERIFY(client.waitFor(21));
    QCOMPARE(client.got().mid(10), QByteArray("N320 V4.02 "));

    QCOMPARE(ModuleSim::preset(ModuleSim::Kind::Sms).version, QByteArray("N310 V4.02 "));
    QCOMPARE(ModuleSim::preset(ModuleSim::Kind::Sms).moduleType, uint8_t(2));
    QCOMPARE(ModuleSim::preset(ModuleSim::Kind::Qv7351).version.size(), 11);
    QVERIFY(ModuleSim::preset(ModuleSim::Kind::Qv7351).moduleType != 1);
}

void TestModuleSim::silentAndDelayed() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    RawClient client(fx.sim().linkPath());

    fx.sim().behaviour.silent = true;
    client.write(request("FE 03"));
    QVERIFY(fx.waitForRequests(1));
    QTest::qWait(200);
    client.poll();
    QVERIFY(client.got().isEmpty());
    QCOMPARE(hex(fx.sim().requests().at(0).bytes), hex(request("FE 03")));

    fx.sim().behaviour.silent = false;
    fx.sim().behaviour.delayMs = 300;
    const qint64 sentAt = client.now();
    client.write(request("FE 03"));
    QVERIFY(client.waitFor(12));
    QVERIFY2(client.pieceTimes().first() - sentAt >= 290,
             qPrintable(QStringLiteral("answered after %1 ms").arg(client.pieceTimes().first() - sentAt)));
}

void TestModuleSim::chunksAndJunk() {
    // On the virtual clock the gaps are the module's own: a busy reader may
    // take two pieces in one read, which says nothing about when they left.
    VirtualTime time;
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    RawClient client(fx.sim().linkPath());
    fx.sim().behaviour.junk = fromHex("00 FF");
    fx.sim().behaviour.chunkSize = 5;
    fx.sim().behaviour.chunkGapMs = 60;

    // 14 bytes in pieces of 5, 60 ms apart, the first at once.
    client.write(request("FE 03"));
    QVERIFY(QTest::qWaitFor([&] { return !fx.sim().sent().isEmpty(); }, 5000));
    QVERIFY(piecesGoOutOnTime(time, fx.sim(), {5, 10, 14}, 60));
    QVERIFY(client.waitFor(14));
    QCOMPARE(hex(client.got()), QStringLiteral("00 FF 1A 2A 3A 4A 5A 6A 7A 8A FD 00 00 00"));
}

void TestModuleSim::sendChunksKeepsGaps() {
    VirtualTime time;
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    RawClient client(fx.sim().linkPath());
    fx.sim().sendChunks({fromHex("01 02"), fromHex("03"), fromHex("04 05")}, 80);
    QVERIFY(piecesGoOutOnTime(time, fx.sim(), {2, 3, 5}, 80));
    QVERIFY(client.waitFor(5));
    QCOMPARE(hex(client.got()), QStringLiteral("01 02 03 04 05"));
    QCOMPARE(fx.sim().sent(), fromHex("01 02 03 04 05"));

    // Raw sends ignore the answer settings.
    client.reset();
    fx.sim().behaviour.silent = true;
    fx.sim().send(fromHex("AA"));
    QVERIFY(client.waitFor(1));
}

void TestModuleSim::splitsRequestsByLengthAndQuietTime() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    ModuleSim& sim = fx.sim();
    sim.behaviour.silent = true;
    QList<QByteArray> fallback;
    sim.setFallbackHandler([&](ModuleSim&, const QByteArray& r) { fallback.append(r); });
    QSignalSpy spy(&sim, &ModuleSim::requestReceived);
    RawClient client(sim.linkPath());

    // Two probes in one write are two requests.
    client.write(request("FE 03") + request("F8 03"));
    QVERIFY(fx.waitForRequests(2));
    QCOMPARE(hex(sim.requests().at(0).bytes), hex(request("FE 03")));
    QCOMPARE(hex(sim.requests().at(1).bytes), hex(request("F8 03")));
    QCOMPARE(spy.size(), 2);

    // Unknown length: ends at the quiet time, whole.
    sim.clearRecorded();
    const QByteArray table = request("D9 02") + QByteArray(20, '\x33');
    client.write(table.left(12));
    QTest::qWait(5);
    client.write(table.mid(12));
    QVERIFY(fx.waitForRequests(1));
    QTest::qWait(60);
    QCOMPARE(sim.requests().size(), 1);
    QCOMPARE(hex(sim.requests().at(0).bytes), hex(table));

    // Bytes without the preamble go to the fallback; a preamble that
    // follows them at once starts a request of its own.
    sim.clearRecorded();
    client.write(QByteArray("$01R\r") + request("FE 03"));
    QVERIFY(fx.waitForRequests(2));
    QCOMPARE(sim.requests().at(0).bytes, QByteArray("$01R\r"));
    QCOMPARE(hex(sim.requests().at(1).bytes), hex(request("FE 03")));
    QCOMPARE(fallback.size(), 1);
    QCOMPARE(fallback.at(0), QByteArray("$01R\r"));

    // A length table entry added later splits back-to-back requests.
    sim.clearRecorded();
    sim.setRequestLength(0xA2, 0x01, 17);
    const QByteArray write = request("A2 01") + fromHex("01 02 03 04 05 06 07");
    client.write(write + write);
    QVERIFY(fx.waitForRequests(2));
    QCOMPARE(sim.requests().at(0).bytes, write);
    QCOMPARE(sim.requests().at(1).bytes, write);
    QVERIFY(sim.requests().at(1).atMs >= sim.requests().at(0).atMs);
    QCOMPARE(sim.received(), write + write);
    QVERIFY(sim.elapsedMs() >= sim.requests().at(1).atMs);
}

void TestModuleSim::handlersCanBeReplaced() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    ModuleSim& sim = fx.sim();
    RawClient client(sim.linkPath());

    QByteArray seen;
    sim.setHandler(0xF8, [&](ModuleSim& s, const QByteArray& r) {
        seen = r;
        s.answer(ModuleSim::answerFrame(0xF8, 0x00, fromHex("09 09")));
    });
    client.write(request("F8 03"));
    QVERIFY(client.waitFor(12));
    QCOMPARE(hex(client.got()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A F8 00 09 09"));
    QCOMPARE(seen, request("F8 03"));

    // An empty handler leaves the code unanswered.
    client.reset();
    sim.setHandler(0xFE, nullptr);
    client.write(request("FE 03"));
    QVERIFY(fx.waitForRequests(2));
    QTest::qWait(100);
    client.poll();
    QVERIFY(client.got().isEmpty());

    sim.resetHandlers();
    client.write(request("F8 03"));
    QVERIFY(client.waitFor(11));
    QCOMPARE(hex(client.got()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A F8 00 01"));
}

void TestModuleSim::linkLifecycle() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.path() + QStringLiteral("/com3");
    // A stale link from an earlier run is replaced.
    QVERIFY(::symlink("/nonexistent/pts", QFile::encodeName(link).constData()) == 0);

    ModuleSim sim;
    QVERIFY2(sim.start(dir.path(), 3), qPrintable(sim.errorText()));
    QCOMPARE(sim.linkPath(), link);
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.slavePath());
    QVERIFY(QFileInfo::exists(sim.slavePath()));

    sim.stop();
    QVERIFY(!sim.isRunning());
    QVERIFY(!QFileInfo(link).isSymLink());
    // Stopping twice, and answering when stopped, is harmless.
    sim.stop();
    sim.send(fromHex("01"));
    sim.answer(fromHex("01"));
    QVERIFY(sim.sent().isEmpty());
}

void TestModuleSim::closeLineHangsUpTheClient() {
    SimFixture fx;
    QVERIFY2(fx.ok(), qPrintable(fx.error()));
    RawClient client(fx.sim().linkPath());
    QSignalSpy closed(&fx.sim(), &ModuleSim::lineClosed);
    fx.sim().closeLine();
    QCOMPARE(closed.size(), 1);
    QVERIFY(!fx.sim().isRunning());
    QVERIFY(QTest::qWaitFor(
        [&]() {
            client.poll();
            return client.hungUp();
        },
        5000));
    // The link leaves the line's pseudo-terminal, whose number may soon
    // belong to another process, for a device that is not there.
    const QString link = fx.sim().linkPath();
    QVERIFY(QFileInfo(link).isSymLink() && !QFileInfo::exists(link));
    fx.sim().stop();
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestModuleSim)
#include "tst_modulesim.moc"
