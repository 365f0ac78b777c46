#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "Dialogs.h"

// Replaces every message box, input box and file dialog for the lifetime of
// the object: records what the program asked and answers from scripted
// queues, so that no test ever blocks on a modal window. The handler that
// was installed before is put back on destruction (recorders nest).
//
// A message box answers at once unless a hold says otherwise: then it stays
// open as QMessageBox::exec() keeps it, a real box on its parent window
// running the event loop, answers arriving and timers ticking, until the
// hold ends (after a time, or once a condition holds), and then answers.
// On the virtual clock (VirtualTime) the hold's time is virtual and the
// clock moves on while the box is open, as it does for the test itself.
class DialogRecorder {
public:
    struct Hold {
        // How long the box stays open, ms (0 with no condition: not at all).
        qint64 forMs = 0;
        // Closes the box as soon as this holds (asked whenever the system
        // is quiet); with forMs as the longest wait.
        std::function<bool()> until;
        // The button pressed then; without one, the queued or default answer.
        std::optional<Dialogs::Answer> answer;
    };
    using HoldPolicy = std::function<std::optional<Hold>(const Dialogs::Message&)>;

    DialogRecorder();
    ~DialogRecorder();
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    // Scripted answers, used in order. With the queue empty: a message box
    // gets its first button (Ok, Ok, Yes, Yes, Retry for the five button
    // sets), an input box its default text, a file dialog an empty path
    // (cancelled).
    void queueAnswer(Dialogs::Answer a) { m_answers.enqueue(a); }
    void queueInput(const QString& text) { m_inputs.enqueue(text); }
    void queueFile(const QString& path) { m_files.enqueue(path); }
    // Forgets scripted answers no box has taken.
    void dropQueued() {
        m_answers.clear();
        m_inputs.clear();
        m_files.clear();
    }

    const QList<Dialogs::Message>& messages() const { return m_messages; }
    const QList<Dialogs::InputRequest>& inputs() const { return m_inputRequests; }
    const QList<Dialogs::FileRequest>& files() const { return m_fileRequests; }
    int messageCount() const { return static_cast<int>(m_messages.size()); }
    // When message i was asked for, in ms since the recorder was made: the
    // program's own moment, not when a test came to look.
    qint64 messageAtMs(int i) const { return m_messageTimes.value(i, -1); }
    // The last message's text, "" when none was shown.
    QString lastText() const;
    // Every message's text in order, "title: text" lines (for failure output).
    QString describe() const;
    // Forgets what was recorded (the queues stay).
    void clear();

    // The next message box stays open as h says (before the policy is asked).
    void queueHold(const Hold& h) { m_holds.enqueue(h); }
    // Asked for every further box; nullopt answers at once.
    void setHoldPolicy(HoldPolicy policy) { m_holdPolicy = std::move(policy); }
    // Boxes open right now (a box opened while another is open counts too).
    int openBoxes() const { return m_open; }
    // Boxes whose window was destroyed while they were open, "title: text"
    // (the real box would have been freed with its window, then again by
    // the code that opened it); and holds whose run on the virtual clock
    // failed, with why.
    QStringList orphanedBoxes() const { return m_orphaned; }
    QStringList holdFailures() const { return m_holdFailures; }
    // Told of every message as it is shown, before it is held or answered.
    void setObserver(std::function<void(const Dialogs::Message&)> fn) { m_observer = std::move(fn); }

    // Waits (running the event loop) until at least n messages were shown.
    bool waitForMessage(int n = 1, int timeoutMs = 5000) const;

    // The first button of a button set: what the recorder answers unasked.
    static Dialogs::Answer defaultAnswer(Dialogs::Buttons b);

private:
    Dialogs::Answer showMessage(const Dialogs::Message& m);
    void hold(const Dialogs::Message& m, const Hold& h);

    Dialogs::Handler m_handler;
    QQueue<Hold> m_holds;
    HoldPolicy m_holdPolicy;
    std::function<void(const Dialogs::Message&)> m_observer;
    int m_open = 0;
    QStringList m_orphaned;
    QStringList m_holdFailures;
    Dialogs::Handler* m_previous = nullptr;
    QQueue<Dialogs::Answer> m_answers;
    QQueue<QString> m_inputs;
    QQueue<QString> m_files;
    QList<Dialogs::Message> m_messages;
    QList<qint64> m_messageTimes;
    QElapsedTimer m_clock;
    QList<Dialogs::InputRequest> m_inputRequests;
    QList<Dialogs::FileRequest> m_fileRequests;
};
