// The answer receiver against the simulated module: frame sync, dispatch,
// pieces and bursts, the quiet rule, the stall guard and re-entry.

#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "KestrunHarness.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "platform/VbTimer.h"
#include "tests/support/VirtualTime.h"

namespace {

struct Seen {
    int state = 0;
    QByteArray bytes;
    bool quiet = false;
};

// The program with its port open on the module and the receiver in charge,
// as one second after the settings form loaded, without the form.
struct Rig {
    // Where pieces must come closer together than the quiet rule's spell,
    // the virtual clock keeps them so on a busy machine.
    std::unique_ptr<VirtualTime> time;
    KestrunHarness h;
    QList<Seen> seen;

    explicit Rig(bool virtualClock = false) : time(virtualClock ? std::make_unique<VirtualTime>() : nullptr) {
        if (time) time->watchLine(&h.port(), &h.sim());
        h.port().setCommPort(h.fixture.comNumber());
        h.port().open();
        h.port().setRThreshold(1);
        h.port().setInputLen(1);
        g::RecvMode = 101;
        g::ParamMode = true;
        g::RxState = 0;
    }
    ~Rig() { Vb::setTimeOfDay(std::nullopt); }

    SmsAnswerReceiver& r() { return *h.app->forms->answerReceiver(); }

    // A step that takes its read N and goes back to the hunt.
    void record(int state, SmsAnswerReceiver::Wait wait = SmsAnswerReceiver::Wait::Count) {
        r().registerState(
            state,
            [this, state](SmsAnswerReceiver& rx) {
                Seen s;
                s.state = state;
                s.quiet = rx.quiet();
                s.bytes = rx.read();
                seen << s;
                rx.toHunt();
            },
            wait);
    }

    bool waitSeen(int n, int ms = 5000) {
        return h.waitFor([&] { return seen.size() >= n; }, ms);
    }
    static QByteArray frame(const char* tail) { return KestrunHarness::frame(tail); }
};

}  // namespace

// Waits until the receiver has checked a stalled answer against the ten
// seconds n more times.
bool stallChecks(Rig& rig, int n) {
    int seen = 0;
    QObject ctx;
    QObject::connect(rig.h.app->forms->answerReceiver()->stallTimer(), &VbTimer::tick, &ctx, [&] { ++seen; });
    return QTest::qWaitFor([&] { return seen >= n; }, 5000);
}

class TestAnswerReceiver : public QObject {
    Q_OBJECT

private slots:
    void dispatchTable();
    void registryRefusesUnlistedStates();
    void frameInSingleBytesBehindJunkAndTwoInOneDelivery();
    void unknownAndUnhandledCodesConsumeOneByte();
    void wrongPreambleConsumesSevenBytes();
    void shortPreambleWaitsWithoutReading();
    void unlistedStateResetsWithoutReading();
    void alarmAndOutputCodesFollowTheOperation();
    void quietRuleJudgesShortAnswersWhole();
    void inputStateTextStartsAtAngleBracket();
    void stalledAnswerIsAbandonedAfterTenSeconds();
    void stalledAnswerIsAbandonedWithoutFurtherBytes();
    void testAnswerMachineTakesOverWhileParamModeIsFalse();
    void failingStepDoesNotStopTheReceiver();
    void messageBoxDoesNotReenterTheReceiver();
};

void TestAnswerReceiver::dispatchTable() {
    g::resetAll();
    using R = SmsAnswerReceiver;
    const struct {
        uint8_t code;
        int state, n;
    } table[] = {{0xFD, 2, 1},  {0xF8, 3, 2},  {0xF9, 4, 2},  {0xA2, 5, 7},  {0xA1, 6, 2},  {0xF1, 7, 5},
                 {0xEC, 8, 12}, {0xE2, 9, 3},  {0xF2, 10, 2}, {0xA3, 11, 5}, {0xFB, 12, 2}, {0xE1, 13, 5},
                 {0xD3, 14, 2}, {0xD2, 15, 5}, {0xD9, 16, 1}, {0xDB, 20, 2}};
    for (const auto& e : table) {
        QCOMPARE(R::dispatchFor(e.code).first, e.state);
        QCOMPARE(R::dispatchFor(e.code).second, e.n);
    }
    // Codes of the handshake only, and anything else, go back to the hunt.
    for (uint8_t c : {0xD1, 0xD6, 0xFE, 0x00, 0x1A, 0x98})
        QCOMPARE(R::dispatchFor(c), (std::pair<int, int>{0, 1}));
    for (int op : {0, 2, 1}) {
        g::AlarmSetOp = op;
        g::OutputSetOp = op;
        const auto alarm = op == 1 ? std::pair{21, 1} : std::pair{23, 3};
        const auto output = op == 1 ? std::pair{21, 1} : std::pair{25, 3};
        QCOMPARE(R::dispatchFor(0xB4), alarm);
        QCOMPARE(R::dispatchFor(0xA5), alarm);
        QCOMPARE(R::dispatchFor(0xB5), output);
        QCOMPARE(R::dispatchFor(0xA7), output);
    }
    g::AlarmSetOp = 1;
    g::OutputSetOp = 0;
    QCOMPARE(R::dispatchFor(0xB5).first, 25);  // each code follows its own flag
}

void TestAnswerReceiver::registryRefusesUnlistedStates() {
    KestrunHarness h;
    SmsAnswerReceiver& r = *h.app->forms->answerReceiver();
    auto noop = [](SmsAnswerReceiver&) {};
    for (int s : {-1, 0, 1, 27, 29, 31, 99, 100, 101}) QVERIFY2(!r.registerState(s, noop), qPrintable(QString::number(s)));
    for (int s : {2, 15, 20, 26, 28, 30}) QVERIFY(r.registerState(s, noop));
    QVERIFY(!r.registerAnswerHandler(0xB4, noop));
    QVERIFY(!r.registerAnswerHandler(0x77, noop));
    QVERIFY(r.registerAnswerHandler(0xA2, noop));
    QVERIFY(r.hasState(5));
    r.unregisterState(5);
    QVERIFY(!r.hasState(5));
}

void TestAnswerReceiver::frameInSingleBytesBehindJunkAndTwoInOneDelivery() {
    Rig rig;
    rig.record(5);  // A2, read 7
    rig.record(3);  // F8, read 2

    const QByteArray a2 = Rig::frame("A2 00 01 23 45 67 89 01");
    QList<QByteArray> singles;
    for (char c : a2) singles << QByteArray(1, c);
    rig.h.sim().sendChunks(singles, 15);
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("00 01 23 45 67 89 01"));
    QCOMPARE(rig.seen[0].state, 5);

    // Junk that holds neither 0x1A nor "<" is hunted through.
    rig.h.sim().send(fromHex("00 FF 2A 3B 8A 41") + Rig::frame("F8 00 01"));
    QVERIFY(rig.waitSeen(2));
    QCOMPARE(hex(rig.seen[1].bytes), QStringLiteral("00 01"));

    // Two frames in one delivery, handled in order.
    rig.h.sim().send(Rig::frame("F8 00 00") + Rig::frame("A2 00 11 22 33 44 55 66"));
    QVERIFY(rig.waitSeen(4));
    QCOMPARE(rig.seen[2].state, 3);
    QCOMPARE(hex(rig.seen[2].bytes), QStringLiteral("00 00"));
    QCOMPARE(rig.seen[3].state, 5);
    QCOMPARE(hex(rig.seen[3].bytes), QStringLiteral("00 11 22 33 44 55 66"));
    QCOMPARE(g::RxState, 0);
    QCOMPARE(rig.h.port().inputLen(), 1);
    QCOMPARE(rig.h.port().rThreshold(), 1);
    QCOMPARE(rig.h.port().inBufferCount(), 0);
}

void TestAnswerReceiver::unknownAndUnhandledCodesConsumeOneByte() {
    Rig rig;
    rig.record(3);
    // An unknown code takes one byte: the next frame right behind it is
    // still found at its own 0x1A.
    rig.h.sim().send(Rig::frame("77") + Rig::frame("F8 00 05"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("00 05"));
    // A listed code without a handler goes back to the hunt likewise; its
    // payload is hunted through.
    rig.r().unregisterState(10);
    QVERIFY(!rig.r().hasState(10));
    rig.h.sim().send(Rig::frame("F2 00 03") + Rig::frame("F8 00 06"));
    QVERIFY(rig.waitSeen(2));
    QCOMPARE(hex(rig.seen[1].bytes), QStringLiteral("00 06"));
    QCOMPARE(rig.seen.size(), 2);
}

void TestAnswerReceiver::wrongPreambleConsumesSevenBytes() {
    Rig rig;
    rig.record(3);
    // The seventh byte is wrong and is itself a 0x1A; followed by what would
    // complete a frame if that 0x1A were looked at again.
    QVERIFY(rig.h.sendAndSettle(fromHex("1A 2A 3A 4A 5A 6A 7A 1A 2A 3A 4A 5A 6A 7A 8A F8 00 07")));
    QVERIFY(rig.seen.isEmpty());
    QCOMPARE(g::RxState, 0);
    rig.h.sim().send(Rig::frame("F8 00 08"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("00 08"));
    QCOMPARE(rig.seen.size(), 1);
}

void TestAnswerReceiver::shortPreambleWaitsWithoutReading() {
    Rig rig;
    rig.record(3);
    QVERIFY(rig.h.sendAndSettle(fromHex("1A 2A 3A 4A")));
    QCOMPARE(g::RxState, 100);
    QCOMPARE(rig.h.port().inBufferCount(), 3);
    rig.h.sim().send(fromHex("5A 6A 7A 8A F8 00 09"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("00 09"));
}

void TestAnswerReceiver::unlistedStateResetsWithoutReading() {
    Rig rig;
    rig.record(3);
    int i = 0;
    for (int s : {27, 29, 31, 99, 101, -1}) {
        g::RxState = s;
        rig.h.sim().send(Rig::frame("F8 00") + QByteArray(1, char(i)));
        QVERIFY2(rig.waitSeen(i + 1), qPrintable(QString::number(s)));
        QCOMPARE(uint8_t(rig.seen[i].bytes.at(1)), uint8_t(i));
        ++i;
    }
    // A listed state that has no step yet resets the same way.
    g::RxState = 24;
    rig.h.sim().send(Rig::frame("F8 00 10"));
    QVERIFY(rig.waitSeen(i + 1));
    QCOMPARE(hex(rig.seen[i].bytes), QStringLiteral("00 10"));
}

void TestAnswerReceiver::alarmAndOutputCodesFollowTheOperation() {
    Rig rig;
    rig.record(21);
    rig.record(23);
    rig.record(25);
    g::AlarmSetOp = 1;
    rig.h.sim().send(Rig::frame("B4 53") + Rig::frame("A5 54"));
    QVERIFY(rig.waitSeen(2));
    QCOMPARE(rig.seen[0].state, 21);
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("53"));
    QCOMPARE(rig.seen[1].state, 21);
    g::AlarmSetOp = 2;
    rig.h.sim().send(Rig::frame("A5 00 10 20"));
    QVERIFY(rig.waitSeen(3));
    QCOMPARE(rig.seen[2].state, 23);
    QCOMPARE(hex(rig.seen[2].bytes), QStringLiteral("00 10 20"));
    g::OutputSetOp = 0;
    rig.h.sim().send(Rig::frame("B5 00 11 22") + Rig::frame("A7 00 33 44"));
    QVERIFY(rig.waitSeen(5));
    QCOMPARE(rig.seen[3].state, 25);
    QCOMPARE(rig.seen[4].state, 25);
    QCOMPARE(hex(rig.seen[4].bytes), QStringLiteral("00 33 44"));
}

void TestAnswerReceiver::quietRuleJudgesShortAnswersWhole() {
    Rig rig(true);
    using W = SmsAnswerReceiver::Wait;
    // The identity answer: 12 bytes, or a short acknowledgement text.
    rig.r().registerState(8, [&](SmsAnswerReceiver& rx) {
        Seen s;
        s.state = 8;
        s.quiet = rx.quiet();
        s.bytes = rx.readAll();
        rig.seen << s;
        rx.toHunt();
    }, W::Quiet);

    // Full length: taken at once, not as a quiet spell.
    rig.h.sim().send(Rig::frame("EC 00 4E 33 31 30 20 56 34 2E 30 32 20"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(rig.seen[0].bytes.size(), 12);
    QVERIFY(!rig.seen[0].quiet);

    // Short text in pieces with gaps under 50 ms: judged once, whole.
    QVERIFY(rig.h.sendChunksAndSettle(
        {Rig::frame("EC"), QByteArray("\x00SE", 3), QByteArray("TO"), QByteArray("K:")}, 25));
    QVERIFY(rig.waitSeen(2));
    QCOMPARE(rig.seen.size(), 2);
    QCOMPARE(rig.seen[1].bytes, QByteArray("\x00SETOK:", 7));
    QVERIFY(rig.seen[1].quiet);
    QCOMPARE(g::RxState, 0);

    // A step may decline even when quiet; a later byte brings it back.
    int calls = 0;
    rig.r().registerState(19, [&](SmsAnswerReceiver& rx) {
        ++calls;
        if (rx.waiting() < 6) return;
        Seen s;
        s.state = 19;
        s.bytes = rx.readAll();
        rig.seen << s;
        rx.toHunt();
    }, W::Quiet);
    rig.r().registerState(16, [](SmsAnswerReceiver& rx) {
        rx.read();
        rx.goTo(19, 0);
    });
    QVERIFY(rig.h.sendAndSettle(Rig::frame("D9 00") + "SET"));
    QCOMPARE(calls, 1);
    QCOMPARE(g::RxState, 19);
    rig.h.sim().send("OK:");
    QVERIFY(rig.waitSeen(3));
    QCOMPARE(rig.seen[2].bytes, QByteArray("SETOK:"));
}

void TestAnswerReceiver::inputStateTextStartsAtAngleBracket() {
    Rig rig;
    rig.r().registerState(30, [&](SmsAnswerReceiver& rx) {
        Seen s;
        s.state = 30;
        s.bytes = rx.read();  // read 0: everything waiting
        rig.seen << s;
        rx.toHunt();
    }, SmsAnswerReceiver::Wait::Quiet);
    rig.h.sim().sendChunks({QByteArray("xy<01"), QByteArray("00>")}, 20);
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(rig.seen[0].bytes, QByteArray("0100>"));
    QCOMPARE(rig.h.port().inputLen(), 1);

    // Without a step for the text, "<" is just another byte.
    rig.r().unregisterState(30);
    rig.record(3);
    rig.h.sim().send(QByteArray("<") + Rig::frame("F8 00 01"));
    QVERIFY(rig.waitSeen(2));
    QCOMPARE(rig.seen[1].state, 3);
}

void TestAnswerReceiver::stalledAnswerIsAbandonedAfterTenSeconds() {
    Rig rig;
    rig.record(5);
    Vb::setTimeOfDay(1000.0f);
    // A2 wants 7 bytes; only 3 come.
    rig.h.sim().send(Rig::frame("A2 00 11 22"));
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 5; }, 3000));
    QCOMPARE(g::WaitStart, 1000.0f);
    Vb::setTimeOfDay(1010.0f);  // exactly ten seconds: not yet
    QVERIFY(stallChecks(rig, 2));
    QCOMPARE(g::RxState, 5);
    Vb::setTimeOfDay(1010.5f);
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 0; }, 3000));
    QCOMPARE(rig.h.port().inBufferCount(), 0);  // the stalled bytes went too
    QCOMPARE(rig.h.port().inputLen(), 1);
    QVERIFY(rig.seen.isEmpty());
    QVERIFY(rig.h.dialogs.messages().isEmpty());

    rig.h.sim().send(Rig::frame("A2 00 01 02 03 04 05 06"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("00 01 02 03 04 05 06"));
}

void TestAnswerReceiver::stalledAnswerIsAbandonedWithoutFurtherBytes() {
    // A frame that stops right after its code: the checks go on with no
    // byte arriving to wake the receiver.
    Rig rig;
    rig.record(3);
    Vb::setTimeOfDay(2000.0f);
    rig.h.sim().send(Rig::frame("F8"));
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 3; }, 3000));
    Vb::setTimeOfDay(2009.0f);
    QVERIFY(stallChecks(rig, 2));
    QCOMPARE(g::RxState, 3);
    Vb::setTimeOfDay(2010.5f);
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 0; }, 3000));
    rig.h.sim().send(Rig::frame("F8 00 02"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("00 02"));
}

void TestAnswerReceiver::testAnswerMachineTakesOverWhileParamModeIsFalse() {
    Rig rig;
    rig.record(3);
    QByteArray taken;
    QList<int> statesSeen;
    rig.r().setTestAnswerMachine([&](SmsAnswerReceiver& rx) {
        statesSeen << g::RxState;
        taken += rx.read();
    });
    // Switched between frames: the state stays where the parameter machine
    // left it and the test machine gets the bytes.
    rig.h.sim().send(fromHex("1A 2A"));
    QVERIFY(QTest::qWaitFor([] { return g::RxState == 100; }, 3000));
    g::ParamMode = false;
    // The preamble state's read 7 is what the test machine finds first;
    // the rest comes to it once the line is quiet.
    rig.h.sim().send(QByteArray("!ABCDEF"));
    QVERIFY(QTest::qWaitFor([&] { return taken.size() >= 8; }, 3000));
    QCOMPARE(taken, QByteArray("\x2A!ABCDEF"));
    QCOMPARE(statesSeen.first(), 100);
    QVERIFY(rig.seen.isEmpty());

    g::ParamMode = true;
    g::RxState = 0;
    rig.h.sim().send(Rig::frame("F8 00 01"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(taken.size(), 8);
}

void TestAnswerReceiver::failingStepDoesNotStopTheReceiver() {
    Rig rig;
    rig.r().registerState(3, [](SmsAnswerReceiver& rx) {
        rx.read();
        throw std::runtime_error("bad answer");
    });
    rig.record(5);
    rig.h.sim().send(Rig::frame("F8 00 01") + Rig::frame("A2 00 01 02 03 04 05 06"));
    QVERIFY(rig.waitSeen(1));
    QCOMPARE(rig.r().failures(), 1);
    QCOMPARE(hex(rig.seen[0].bytes), QStringLiteral("00 01 02 03 04 05 06"));
    QCOMPARE(g::RxState, 0);
}

void TestAnswerReceiver::messageBoxDoesNotReenterTheReceiver() {
    Rig rig;
    // A message box that stays open for a while, running events meanwhile,
    // as a real one does.
    Dialogs::Handler slowBox;
    int boxes = 0;
    slowBox.message = [&](const Dialogs::Message&) {
        ++boxes;
        QEventLoop loop;
        QTimer::singleShot(400, &loop, &QEventLoop::quit);
        loop.exec();
        return Dialogs::Answer::Ok;
    };
    Dialogs::Handler* previous = Dialogs::handler();
    Dialogs::setHandler(&slowBox);

    int depth = 0, maxDepth = 0;
    QList<QByteArray> order;
    rig.r().registerState(3, [&](SmsAnswerReceiver& rx) {
        ++depth;
        maxDepth = qMax(maxDepth, depth);
        const QByteArray b = rx.read();
        order << b;
        if (order.size() == 1) {
            // The module answers again while the box is open.
            rig.h.sim().send(Rig::frame("F8 00 02") + Rig::frame("F8 00 03"));
            Dialogs::msgBox(nullptr, QStringLiteral("x"), QStringLiteral("提示"));
        }
        rx.toHunt();
        --depth;
    });
    rig.h.sim().send(Rig::frame("F8 00 01"));
    const bool ok = QTest::qWaitFor([&] { return order.size() >= 3; }, 5000);
    Dialogs::setHandler(previous);
    QVERIFY(ok);
    QCOMPARE(boxes, 1);
    QCOMPARE(maxDepth, 1);
    QCOMPARE(hex(order[0]), QStringLiteral("00 01"));
    QCOMPARE(hex(order[1]), QStringLiteral("00 02"));
    QCOMPARE(hex(order[2]), QStringLiteral("00 03"));
}

QTEST_MAIN(TestAnswerReceiver)
#include "tst_answer_receiver.moc"
