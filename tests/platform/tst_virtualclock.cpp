// The forms' timers on the virtual clock keep the rules they have on the
// system clock, tick for tick; the runtime's time of day follows the clock.

#include <QTest>
#include <map>
#include <ostream>
#include <vector>

#include "Vb.h"
#include "VbTimer.h"
#include "VirtualClock.h"
#include "tests/support/Property.h"

namespace {

constexpr int kTimers = 3;

struct Op {
    enum Kind { SetInterval, SetEnabled, Rearm, Advance, OnTick } kind = Advance;
    int timer = 0;
    // Interval or advance in ms; 0/1 for SetEnabled; for OnTick what the
    // timer's own tick does: 0 nothing, 1 switches itself off, 2 sets its
    // interval to `arg`.
    int value = 0;
    int arg = 0;
};

std::ostream& operator<<(std::ostream& os, const Op& op) {
    switch (op.kind) {
        case Op::SetInterval: return os << "T" << op.timer << ".setInterval(" << op.value << ")";
        case Op::SetEnabled: return os << "T" << op.timer << ".setEnabled(" << (op.value ? "true" : "false") << ")";
        case Op::Rearm: return os << "T" << op.timer << ".rearm(" << op.value << ")";
        case Op::Advance: return os << "advance " << op.value << " ms";
        case Op::OnTick:
            return os << "T" << op.timer << " tick does "
                      << (op.value == 0 ? "nothing" : op.value == 1 ? "setEnabled(false)" : "setInterval(")
                      << (op.value == 2 ? std::to_string(op.arg) + ")" : "");
    }
    return os;
}

void showValue(const Op& op, std::ostream& os) { os << op; }

rc::Gen<int> interval() {
    return rc::gen::weightedOneOf<int>(
        {{1, rc::gen::just(0)}, {4, rc::gen::inRange(1, 3001)}, {2, rc::gen::element(100, 500, 1000, 2000)}});
}

rc::Gen<Op> anyOp() {
    const auto timer = rc::gen::inRange(0, kTimers);
    return rc::gen::oneOf(
        rc::gen::build<Op>(rc::gen::set(&Op::kind, rc::gen::just(Op::SetInterval)), rc::gen::set(&Op::timer, timer),
                           rc::gen::set(&Op::value, interval())),
        rc::gen::build<Op>(rc::gen::set(&Op::kind, rc::gen::just(Op::SetEnabled)), rc::gen::set(&Op::timer, timer),
                           rc::gen::set(&Op::value, rc::gen::inRange(0, 2))),
        rc::gen::build<Op>(rc::gen::set(&Op::kind, rc::gen::just(Op::Rearm)), rc::gen::set(&Op::timer, timer),
                           rc::gen::set(&Op::value, interval())),
        rc::gen::build<Op>(rc::gen::set(&Op::kind, rc::gen::just(Op::Advance)),
                           rc::gen::set(&Op::value, rc::gen::inRange(0, 5000))),
        rc::gen::build<Op>(rc::gen::set(&Op::kind, rc::gen::just(Op::OnTick)), rc::gen::set(&Op::timer, timer),
                           rc::gen::set(&Op::value, rc::gen::inRange(0, 3)), rc::gen::set(&Op::arg, interval())));
}

// The timer rules written out plainly: an interval of 0 never fires; any
// interval assignment and every rearm restart the count; enabling an
// enabled timer does not; a repeating timer counts its next tick from this
// one; what a tick sets replaces that. Ticks due at the same moment come in
// the order their counts were started.
struct Model {
    struct Timer {
        bool enabled = false;
        int interval = 0;
        bool counting = false;
        qint64 due = 0;
        quint64 order = 0;
        int tickDoes = 0;
        int tickArg = 0;
    };
    std::array<Timer, kTimers> t{};
    qint64 now = 0;
    quint64 started = 0;
    std::vector<std::pair<int, qint64>> ticks;

    void restart(int i) {
        Timer& x = t[i];
        x.counting = x.enabled && x.interval > 0;
        x.due = now + x.interval;
        x.order = ++started;
    }
    void apply(const Op& op) {
        Timer& x = t[op.timer];
        switch (op.kind) {
            case Op::SetInterval: x.interval = op.value; restart(op.timer); break;
            case Op::SetEnabled:
                if (bool(op.value) != x.enabled) {
                    x.enabled = op.value;
                    restart(op.timer);
                }
                break;
            case Op::Rearm: x.enabled = true; x.interval = op.value; restart(op.timer); break;
            case Op::OnTick: x.tickDoes = op.value; x.tickArg = op.arg; break;
            case Op::Advance: advance(now + op.value); break;
        }
    }
    void advance(qint64 target) {
        for (;;) {
            int first = -1;
            for (int i = 0; i < kTimers; ++i) {
                if (!t[i].counting || t[i].due > target) continue;
                if (first < 0 || t[i].due < t[first].due || (t[i].due == t[first].due && t[i].order < t[first].order))
                    first = i;
            }
            if (first < 0) break;
            Timer& x = t[first];
            now = x.due;
            restart(first);
            ticks.emplace_back(first, now);
            if (x.tickDoes == 1) {
                x.enabled = false;
                restart(first);
            } else if (x.tickDoes == 2) {
                x.interval = x.tickArg;
                restart(first);
            }
        }
        now = target;
    }
};

}  // namespace

class TestVirtualClock : public QObject {
    Q_OBJECT
private slots:
    void timersKeepTheirRulesOnTheVirtualClock();
    void timeOfDayFollowsTheClockAndWrapsAtMidnight();
    void shotsAndElapsedFollowWhicheverClockIsInCharge();
    void callbacksOfAGoneOwnerNeverRun();
};

void TestVirtualClock::timersKeepTheirRulesOnTheVirtualClock() {
    const auto property = [] {
        const auto ops = *rc::gen::container<std::vector<Op>>(anyOp());
        VirtualClock clock;
        Model model;
        std::vector<std::unique_ptr<VbTimer>> timers;
        std::vector<std::pair<int, qint64>> ticks;
        std::array<std::pair<int, int>, kTimers> tickDoes{};
        for (int i = 0; i < kTimers; ++i) {
            timers.push_back(std::make_unique<VbTimer>());
            VbTimer* t = timers.back().get();
            QObject::connect(t, &VbTimer::tick, t, [&, i, t] {
                ticks.emplace_back(i, clock.now());
                if (tickDoes[i].first == 1) t->setEnabled(false);
                if (tickDoes[i].first == 2) t->setInterval(tickDoes[i].second);
            });
        }
        for (const Op& op : ops) {
            model.apply(op);
            VbTimer& t = *timers[op.timer];
            switch (op.kind) {
                case Op::SetInterval: t.setInterval(op.value); break;
                case Op::SetEnabled: t.setEnabled(op.value); break;
                case Op::Rearm: t.rearm(op.value); break;
                case Op::OnTick: tickDoes[op.timer] = {op.value, op.arg}; break;
                case Op::Advance: {
                    const qint64 target = clock.now() + op.value;
                    while (clock.nextDue() && *clock.nextDue() <= target) clock.fireNext();
                    clock.moveTo(target);
                    break;
                }
            }
            for (int i = 0; i < kTimers; ++i) RC_ASSERT(timers[i]->running() == model.t[i].counting);
        }
        RC_ASSERT(ticks == model.ticks);
        RC_ASSERT(clock.now() == model.now);
    };
    SMS_PROPERTY("virtual VbTimer against the timer rules", 300, 10, property);
}

void TestVirtualClock::timeOfDayFollowsTheClockAndWrapsAtMidnight() {
    {
        VirtualClock clock(QTime(23, 59, 58));
        QCOMPARE(Vb::timeOfDay(), 86398.0f);
        clock.moveTo(1500);
        QCOMPARE(Vb::timeOfDay(), 86399.5f);
        clock.moveTo(2500);
        QCOMPARE(Vb::timeOfDay(), 0.5f);
        // A time fixed by a test still comes first.
        Vb::setTimeOfDay(42.0f);
        QCOMPARE(Vb::timeOfDay(), 42.0f);
        Vb::setTimeOfDay(std::nullopt);
        QCOMPARE(Vb::timeOfDay(), 0.5f);
    }
    // Without the clock, the system's time again.
    const float expected = QTime::currentTime().msecsSinceStartOfDay() / 1000.0f;
    const float now = Vb::timeOfDay();
    QVERIFY(qAbs(expected - now) < 2.0f || qAbs(expected - now) > 86398.0f);
}

void TestVirtualClock::shotsAndElapsedFollowWhicheverClockIsInCharge() {
    QList<qint64> fired;
    {
        VirtualClock clock;
        ClockShot shot;
        ClockElapsed elapsed;
        elapsed.start();
        connect(&shot, &ClockShot::timeout, [&] { fired << clock.now(); });
        shot.start(300);
        shot.start(500);  // a restart drops the first count
        VirtualClock::singleShot(200, &shot, [&] { fired << -clock.now(); });
        QVERIFY(shot.isActive());
        while (clock.fireNext()) {
        }
        QVERIFY(!shot.isActive());
        QCOMPARE(fired, (QList<qint64>{-200, 500}));
        QCOMPARE(elapsed.elapsed(), 500);
        shot.start(100);
        shot.stop();
        QCOMPARE(clock.pendingCount(), 0);
    }
    // The system clock: the shot fires by itself.
    ClockShot shot;
    bool real = false;
    connect(&shot, &ClockShot::timeout, [&] { real = true; });
    shot.start(10);
    QVERIFY(QTest::qWaitFor([&] { return real; }, 5000));
}

void TestVirtualClock::callbacksOfAGoneOwnerNeverRun() {
    VirtualClock clock;
    int ran = 0;
    auto* owner = new QObject;
    clock.schedule(100, owner, [&] { ++ran; });
    clock.schedule(100, nullptr, [&] { ran += 10; });
    auto* timer = new VbTimer(nullptr, 50, true);
    connect(timer, &VbTimer::tick, [&] { ran += 100; });
    delete owner;
    delete timer;
    while (clock.fireNext()) {
    }
    QCOMPARE(ran, 10);
    QCOMPARE(clock.now(), 100);
}

QTEST_GUILESS_MAIN(TestVirtualClock)
#include "tst_virtualclock.moc"
