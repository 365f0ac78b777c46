#pragma once

// Random-action tests of a form against the simulated module, on the
// virtual clock: rapidcheck draws a list of steps (what a user does, what
// the module does, how long the user waits) plus the fate of each module
// answer and how long each message box stays open; the test runs them on a
// fresh program and checks what must hold once the module is quiet. A
// failing list is shrunk to the shortest one rapidcheck finds and printed
// as the names a person repeats by hand, with the transcript of that run
// (every step, request, answer and message at its virtual time).
//
// A form's test, in outline:
//
//     ActionTable table;
//     table.add({"刷新 (Command8)", {}, {}, 3, [&](const Step&) { click(form->Command8); }});
//     table.add({"等待", {"100 ms", "2 s", "12 s"}, {}, 2, [&](const Step& s) { vt.runFor(...); }});
//     ...
//     const auto property = [&] {
//         Case c;                                       // VirtualTime, harness, module, transcript
//         const auto steps = *table.sequence(30);
//         c.sim().queueFates(*RandomActions::fates(noticeFrames));
//         c.dialogs.setHoldPolicy(RandomActions::holds(*RandomActions::holdTimes()));
//         for (const Step& s : steps) { c.transcript.step(s); table.perform(s); c.settleOrFail(); }
//         ... the checks, RC_FAIL(what) on a violation ...
//     };
//     RandomActions::verify("name", property, transcript);  // in the QtTest function
//
// The table's actions take the case they act on from wherever the test
// keeps it; the table itself must come out the same on every run, since
// shrinking replays drawn indexes into it.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>
#include <rapidcheck.h>
#include <vector>

#include "DialogRecorder.h"
#include "tools/ModuleSim.h"

class QObject;
class QPushButton;
class VirtualTime;

// rapidcheck prints a drawn fate by this.
void showValue(const ModuleSim::Fate& f, std::ostream& os);

namespace RandomActions {

// One step: an action of the table, the choice it takes (a list item, a
// row, a wait) and the text it types, if any. The label is what a person
// does: "报警设置 › 更新设置 (Command16)", "Combo5 ← DI3 参数", "等待 2000 ms".
struct Step {
    int action = 0;
    int choice = 0;
    QString text;
    QString label;
};
void showValue(const Step& s, std::ostream& os);

class ActionTable {
public:
    struct Action {
        QString name;
        // Named choices; none: the action takes no choice.
        QStringList choices;
        // Texts it types, one drawn per step; none: it types nothing.
        QStringList texts;
        int weight = 1;
        std::function<void(const Step&)> run;
    };

    int add(Action a);
    int size() const { return int(m_actions.size()); }
    const Action& at(int i) const { return m_actions.at(i); }

    // A step drawn by weight, with its choice and text, and its label.
    rc::Gen<Step> step() const;
    // Up to maxLength steps (rapidcheck's size decides how many).
    rc::Gen<std::vector<Step>> sequence(int maxLength) const;
    QString label(const Step& s) const;
    void perform(const Step& s) const;

private:
    std::vector<Action> m_actions;
};

// What the module does with its next answer, as steps of the list (so that
// shrinking keeps a fate beside the step whose answer it changes): late
// past a refresh tick, a retry and a time-out, split, glued to the one
// after, sent twice, missing, or with a notice sent just before. The names
// say it as a person would set the module up.
QList<QPair<QString, ModuleSim::Fate>> fatePresets(const QByteArray& notice);
// The action "模块 › 下一个回答": queues the chosen fate for the module's
// next answer that has none yet.
ActionTable::Action nextAnswerAction(std::function<ModuleSim*()> sim, const QByteArray& notice, int weight = 3);
// The action "下一个提示框": the next message box stays open this long, the
// program running meanwhile. `allowed` (if set) may refuse the hold for a
// box when it comes.
ActionTable::Action nextBoxAction(std::function<DialogRecorder*()> dialogs,
                                  std::function<bool(const Dialogs::Message&)> allowed = nullptr, int weight = 2);

// What happened in one run, at its virtual times, for the report of a
// failing case.
class Transcript {
public:
    explicit Transcript(VirtualTime* clock = nullptr) : m_time(clock) {}
    void setClock(VirtualTime* clock) { m_time = clock; }
    void note(const QString& line);
    void step(const Step& s) { note(QStringLiteral("» ") + s.label); }
    // Requests the module takes, the answers it makes (with their fate)
    // and every message box, as they happen.
    void watch(ModuleSim& sim);
    // Notes every box; `also` is told of each as well (the recorder has
    // one observer).
    void watch(DialogRecorder& dialogs, std::function<void(const Dialogs::Message&)> also = nullptr);
    QString text() const { return m_lines.join(QLatin1Char('\n')); }
    void clear() { m_lines.clear(); }

private:
    VirtualTime* m_time = nullptr;
    QStringList m_lines;
};

// The enabled state a button has of its own (not its frame's), by name.
using ButtonStates = QMap<QString, bool>;
ButtonStates buttonStates(const QList<QPushButton*>& buttons);
// "Command5: enabled before, disabled now" lines; empty when alike.
QStringList differences(const ButtonStates& before, const ButtonStates& after);

// VbTimers under the roots that will still tick ("Timer1 (frm7340COM)").
QStringList runningTimers(const QList<QObject*>& roots);

// Attributes every request the module received to what may cause it: an
// action of the test, or a sequence the form runs by itself. Each cause
// opens an allowance of patterns, each used once; an ordered allowance
// takes its patterns in order, skipping those its sequence may leave out;
// a lasting one takes any of its patterns any number of times until the
// cause is closed (a sequence whose steps its answers choose).
class FrameLedger {
public:
    using Match = std::function<bool(const QByteArray&)>;
    struct Pattern {
        QString name;
        Match match;
    };
    static Pattern exact(const QByteArray& bytes);
    // Bytes starting with `head`, exactly `length` long (0: any length).
    static Pattern head(const QByteArray& head, int length, const QString& name = {});

    enum Kind { Once, Ordered, Lasting };
    void allow(const QString& cause, const QList<Pattern>& patterns, Kind kind);
    // The cause the frame is taken for, or "" when nothing may have sent it.
    QString take(const QByteArray& frame);
    // Allowances of a cause that ended no longer take frames.
    void close(const QString& cause);
    void clear() { m_open.clear(); }

private:
    struct Allowance {
        QString cause;
        QList<Pattern> patterns;
        QList<bool> used;
        Kind kind = Once;
        int cursor = 0;
    };
    QList<Allowance> m_open;
};

// Runs the property as SMS_PROPERTY does; on failure also prints the
// transcript of the last failing run, the shrunk case's.
bool check(const std::string& name, int cases, int seconds, const std::function<void()>& property,
           const std::function<QString()>& transcript);

}  // namespace RandomActions

// QVERIFY on a random-action property, inside a QtTest function.
#define SMS_RANDOM_ACTIONS(name, cases, seconds, property, transcript)                            \
    QVERIFY2(RandomActions::check((name), (cases), (seconds), (property), (transcript)), \
             "random-action property failed; see above")
