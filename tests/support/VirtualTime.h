#pragma once

#include <QPointer>
#include <QString>
#include <QTime>
#include <functional>

#include "platform/VirtualClock.h"

class CommPort;
class ModuleSim;

// A test on the virtual clock (platform/VirtualClock.h): make this object
// before the program and the simulated module are built, drop it after.
// While it exists every VbTimer, Vb::timeOfDay() and the module's timing
// stand still until one of the calls below moves the clock, and they move
// it only when the system is quiet:
//  - everything the program wrote to its port has reached the module, and
//    everything the module sent has been taken in by the port (or was lost
//    to a closed port or line); nothing is on its way through the
//    pseudo-terminal;
//  - the event loop has nothing left to run: no posted event, no socket
//    notice, no ready Qt timer, no deferred delete.
// Then the clock jumps to the next due timer (a form's chain, a receiver's
// guard, a module answer that is due), runs it, and waits for quiet again.
// A run so depends on nothing but the order of events, never on how fast
// the machine is: a sequence that takes minutes of timer chains runs in
// the time its events take.
//
// The calls return false, with why() saying what kept the system busy or
// which condition never held, when the system does not get quiet within
// SettleLimitMs of real time (a loop that never rests) or the condition is
// not met within its virtual limit.
class VirtualTime {
public:
    static constexpr int SettleLimitMs = 20000;

    explicit VirtualTime(QTime startOfDay = QTime(10, 0));
    ~VirtualTime();
    VirtualTime(const VirtualTime&) = delete;
    VirtualTime& operator=(const VirtualTime&) = delete;

    // The object in charge, or nullptr (DialogRecorder's open boxes run
    // on it).
    static VirtualTime* current();

    VirtualClock& clock() { return m_clock; }
    qint64 now() const { return m_clock.now(); }

    // The line whose traffic must have settled before time moves: the
    // program's port and the module at its far end. Call it before the
    // first byte moves. What the module sends while the port is closed is
    // lost, as on a real line.
    void watchLine(CommPort* port, ModuleSim* sim);

    // Runs what is due now until the system is quiet.
    bool settle();
    // Moves the clock on by ms, running every timer that falls due on the
    // way at its own time.
    bool runFor(qint64 ms);
    // Runs until done() holds (asked whenever the system is quiet), for at
    // most limitMs of virtual time.
    bool runUntil(const std::function<bool()>& done, qint64 limitMs);
    // Runs until no byte has crossed the line for quietMs since the call or
    // the last byte, whichever is later, for at most limitMs of virtual time.
    bool runUntilLineQuiet(qint64 quietMs, qint64 limitMs);

    // Virtual time at which a byte last crossed the line.
    qint64 lastTrafficAt() const { return m_lastTraffic; }
    // Why the last call that failed did, and whether it was only its
    // virtual limit that ran out (the system itself got quiet each time).
    QString why() const { return m_why; }
    bool limitReached() const { return m_limitReached; }

private:
    qint64 toModuleInFlight();
    qint64 fromModuleInFlight();
    quint64 trafficCount() const;
    bool fail(const QString& why, bool limit = false);

    VirtualClock m_clock;
    VirtualTime* m_previous = nullptr;
    QPointer<CommPort> m_port;
    QPointer<ModuleSim> m_sim;
    qint64 m_toBase = 0;
    qint64 m_fromBase = 0;
    quint64 m_traffic = 0;
    qint64 m_lastTraffic = 0;
    QString m_why;
    bool m_limitReached = false;
};
