#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTime>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>

// A clock that only moves when a test moves it: the switch that lets the
// event-driven tests run minutes of timer chains in a fraction of a second,
// the same way on a quiet and on a busy machine.
//
// While one VirtualClock object exists (a test makes it before it builds the
// program, and drops it after the program is gone), these run on it instead
// of on the system clocks:
//  - every VbTimer (the forms' timers, the main window's timers, the answer
//    receivers' quiet and stall guards, Varnel's 100 ms quiet-time window);
//  - Vb::timeOfDay(), unless a test fixed it with Vb::setTimeOfDay();
//  - the simulated module's timing (tools/ModuleSim): its answer delays,
//    piece gaps, the quiet time that ends a request, and its clock
//    (elapsedMs()), through ClockShot and ClockElapsed below.
// Nothing fires by itself: a scheduled callback runs only from fireNext(),
// which moves the clock to its due time first. The test decides when; the
// helpers in tests/support (VirtualTime.h) do so only once the program and
// the module are quiet, so that every timer sees exactly the bytes and
// events it would see at that moment on an unloaded machine.
//
// Still in real time: the bytes on the pseudo-terminal (the helpers wait for
// them to arrive, they never count as time), the event loop's posted
// events, and Qt's own widget timers (cursor blink, tool tips), which no
// form logic depends on.
//
// With no VirtualClock, which is always the case in the programs, every
// class here behaves exactly as the system clocks and QTimer do.
class VirtualClock {
public:
    using Id = quint64;

    // startOfDay: what Vb::timeOfDay() reads at virtual time 0.
    explicit VirtualClock(QTime startOfDay = QTime(10, 0));
    ~VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    // The clock in charge, or nullptr.
    static VirtualClock* active();

    // Milliseconds since the clock was made.
    qint64 now() const { return m_now; }
    // Seconds since midnight, as the runtime's time of day.
    float timeOfDay() const;

    // Runs fn at virtual time `due` (not before now), unless cancelled or
    // `context` is gone by then. Callbacks due at the same time run in the
    // order they were scheduled. Ids are never reused, not even by a later
    // clock, so a stale id cancels nothing.
    Id schedule(qint64 due, QObject* context, std::function<void()> fn);
    void cancel(Id id);
    bool scheduled(Id id) const { return m_due.count(id) != 0; }

    // Due time of the earliest callback, none when nothing is scheduled.
    std::optional<qint64> nextDue() const;
    // Moves the clock to the earliest callback's due time and runs it;
    // false when nothing is scheduled.
    bool fireNext();
    // Moves the clock forward to t; never past the earliest callback and
    // never backwards.
    void moveTo(qint64 t);

    // QTimer::singleShot on whichever clock is in charge.
    static void singleShot(int ms, QObject* context, std::function<void()> fn);

    int pendingCount() const { return int(m_queue.size()); }
    quint64 firedCount() const { return m_fired; }
    // What is scheduled, earliest first: "Timer2 (VbTimer) at 1500" lines.
    QString describe() const;

private:
    struct Entry {
        QPointer<QObject> context;
        bool hadContext = false;
        QString label;
        std::function<void()> fn;
    };
    using Key = std::pair<qint64, Id>;

    qint64 m_now = 0;
    int m_startOfDayMs = 0;
    quint64 m_fired = 0;
    std::map<Key, Entry> m_queue;
    std::unordered_map<Id, qint64> m_due;
};

// A single-shot timer on whichever clock is in charge: a precise QTimer, or
// the virtual clock while one exists (chosen at each start()).
class ClockShot : public QObject {
    Q_OBJECT
public:
    explicit ClockShot(QObject* parent = nullptr);
    ~ClockShot() override;

    // (Re)starts the count; a running count is dropped.
    void start(int ms);
    void stop();
    bool isActive() const;

signals:
    void timeout();

private:
    QTimer m_timer;
    VirtualClock::Id m_entry = 0;
};

// Milliseconds since start(), on the clock that was in charge at start().
class ClockElapsed {
public:
    void start();
    bool isValid() const { return m_virtual || m_real.isValid(); }
    qint64 elapsed() const;

private:
    QElapsedTimer m_real;
    bool m_virtual = false;
    qint64 m_virtualStart = 0;
};
