// The simulated module's answer fates on the virtual clock, seen from the
// program's side of the line: each fate puts its bytes on the line at an
// exact virtual time, the same on every run, and the clock never moves
// while bytes are on their way.

#include <QTest>
#include <map>

#include "platform/CommPort.h"
#include "platform/VbTimer.h"
#include "tests/support/SimSupport.h"
#include "tests/support/VirtualTime.h"
#include "tools/ModuleSim.h"

using SimSupport::fromHex;
using SimSupport::hex;
using Fate = ModuleSim::Fate;

namespace {

QByteArray frame(const char* tail) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tail); }

// The program's end: a port on the module's line that takes every byte as
// it arrives and notes the virtual time.
struct Line {
    VirtualTime time;
    SimSupport::SimFixture fixture;
    CommPort port;
    std::map<qint64, QByteArray> got;

    Line() {
        fixture.sim().setRequestLength(0xA1, 0x03, 10);
        fixture.sim().setRequestLength(0xF8, 0x03, 10);
        fixture.sim().setHandler(0xA1, [](ModuleSim& s, const QByteArray&) { s.answer(frame("A1 00 03")); });
        fixture.sim().setHandler(0xF8, [](ModuleSim& s, const QByteArray&) { s.answer(frame("F8 00 01")); });
        port.setCommPort(fixture.comNumber());
        time.watchLine(&port, &fixture.sim());
        QObject::connect(&port, &CommPort::commEvent, &port, [this](int code) {
            if (code == CommPort::Receive) got[time.now()] += port.input();
        });
    }
    bool open() {
        if (port.open() != CommPort::OpenResult::Ok) return false;
        port.setRThreshold(1);
        return true;
    }
    QString seen() const {
        QStringList out;
        for (const auto& [at, bytes] : got) out << QStringLiteral("%1: %2").arg(at).arg(hex(bytes));
        return out.join(QStringLiteral(" | "));
    }
};

const QString kA1 = hex(frame("A1 00 03"));
const QString kF8 = hex(frame("F8 00 01"));

}  // namespace

class TestVirtualLine : public QObject {
    Q_OBJECT
private slots:
    void fatesPutTheirBytesOnTheLineAtExactTimes_data();
    void fatesPutTheirBytesOnTheLineAtExactTimes();
    void timersAndAnswersMeetInVirtualOrder();
    void whatAClosedPortMissesIsLost();
    void aClosedLineSettles();
};

void TestVirtualLine::fatesPutTheirBytesOnTheLineAtExactTimes_data() {
    QTest::addColumn<QList<Fate>>("fates");
    // A second request goes out at 200 ms; what the port took, by time.
    QTest::addColumn<QString>("expected");
    const QString p1 = kA1.left(11), p2 = kA1.mid(12, 11), p3 = kA1.mid(24);
    QTest::newRow("on time") << QList<Fate>{} << QStringLiteral("0: %1 | 200: %2").arg(kA1, kF8);
    QTest::newRow("late past the next request")
        << QList<Fate>{Fate::late(700)} << QStringLiteral("700: %1 %2").arg(kA1, kF8);
    QTest::newRow("split in three")
        << QList<Fate>{Fate::split(3, 40)} << QStringLiteral("0: %1 | 40: %2 | 80: %3 | 200: %4").arg(p1, p2, p3, kF8);
    QTest::newRow("repeated")
        << QList<Fate>{Fate::repeated(2, 300)} << QStringLiteral("0: %1 | 300: %1 %2").arg(kA1, kF8);
    QTest::newRow("missing") << QList<Fate>{Fate::missing()} << QStringLiteral("200: %1").arg(kF8);
    QTest::newRow("glued to the next")
        << QList<Fate>{Fate::glued(1000)} << QStringLiteral("200: %1 %2").arg(kA1, kF8);
    QTest::newRow("glued, nothing follows in time")
        << QList<Fate>{Fate::glued(150)} << QStringLiteral("150: %1 | 200: %2").arg(kA1, kF8);
    QTest::newRow("a notice first")
        << QList<Fate>{Fate::onTime().withBefore(frame("FD 01"))}
        << QStringLiteral("0: %1 %2 | 200: %3").arg(hex(frame("FD 01")), kA1, kF8);
    QTest::newRow("second one late")
        << QList<Fate>{Fate::onTime(), Fate::late(50)} << QStringLiteral("0: %1 | 250: %2").arg(kA1, kF8);
}

void TestVirtualLine::fatesPutTheirBytesOnTheLineAtExactTimes() {
    QFETCH(QList<Fate>, fates);
    QFETCH(QString, expected);
    // Twice: a run depends on nothing but the order of events.
    for (int run = 0; run < 2; ++run) {
        Line line;
        QVERIFY2(line.fixture.ok(), qPrintable(line.fixture.error()));
        QVERIFY(line.open());
        line.fixture.sim().queueFates(fates);
        line.port.output(frame("A1 03"));
        QVERIFY2(line.time.runFor(200), qPrintable(line.time.why()));
        line.port.output(frame("F8 03"));
        QVERIFY2(line.time.runUntilLineQuiet(3000, 60000), qPrintable(line.time.why()));
        QCOMPARE(line.seen(), expected);
        QCOMPARE(line.fixture.sim().fateLog().size(), 2);
    }
}

void TestVirtualLine::timersAndAnswersMeetInVirtualOrder() {
    Line line;
    QVERIFY(line.open());
    // A chain that asks every 500 ms; the module answers each 1200 ms late,
    // so three questions are out before the first answer comes. It starts
    // after the line has been still for longer than the quiet waited for.
    QVERIFY(line.time.runFor(6000));
    const qint64 t0 = line.time.now();
    VbTimer chain(nullptr, 500, true);
    QList<qint64> asked;
    connect(&chain, &VbTimer::tick, [&] {
        asked << line.time.now();
        line.port.output(frame("A1 03"));
        if (asked.size() == 4) chain.setEnabled(false);
    });
    line.fixture.sim().setFatePolicy([](const QByteArray&) { return Fate::late(1200); });
    QVERIFY2(line.time.runUntilLineQuiet(5000, 60000), qPrintable(line.time.why()));
    for (qint64& at : asked) at -= t0;
    QCOMPARE(asked, (QList<qint64>{500, 1000, 1500, 2000}));
    QCOMPARE(line.got.size(), size_t(4));
    QList<qint64> answered;
    for (const auto& [at, bytes] : line.got) answered << at - t0;
    QCOMPARE(answered, (QList<qint64>{1700, 2200, 2700, 3200}));
    QCOMPARE(line.time.lastTrafficAt() - t0, 3200);
}

void TestVirtualLine::whatAClosedPortMissesIsLost() {
    Line line;
    QVERIFY(line.open());
    line.fixture.sim().queueFates({Fate::late(1000)});
    line.port.output(frame("A1 03"));
    QVERIFY(line.time.runFor(500));
    line.port.close();
    // The answer falls due with no one listening; nothing waits for it.
    QVERIFY2(line.time.runFor(1000), qPrintable(line.time.why()));
    QCOMPARE(line.fixture.sim().lostTotal(), quint64(frame("A1 00 03").size()));
    QVERIFY(line.open());
    line.port.output(frame("F8 03"));
    QVERIFY2(line.time.runUntilLineQuiet(1000, 10000), qPrintable(line.time.why()));
    QCOMPARE(line.seen(), QStringLiteral("1500: %1").arg(kF8));
}

void TestVirtualLine::aClosedLineSettles() {
    Line line;
    QVERIFY(line.open());
    bool lost = false;
    connect(&line.port, &CommPort::commEvent, [&](int code) { lost = lost || code == CommPort::LineLost; });
    line.fixture.sim().queueFates({Fate::late(1000)});
    line.port.output(frame("A1 03"));
    QVERIFY(line.time.runFor(100));
    line.fixture.sim().closeLine();
    line.port.output(frame("F8 03"));  // written before the port learns
    QVERIFY2(line.time.runUntil([&] { return lost; }, 5000), qPrintable(line.time.why()));
    QVERIFY(!line.port.isOpen());
    QVERIFY2(line.time.runUntilLineQuiet(2000, 10000), qPrintable(line.time.why()));
    QVERIFY(line.got.empty());
}

QTEST_GUILESS_MAIN(TestVirtualLine)
#include "tst_virtual_line.moc"
