#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QQueue>
#include <QString>

#include "Dialogs.h"

// Replaces every message box, input box and file dialog for the lifetime of
// the object: records what the program asked and answers from scripted
// queues, so that no test ever blocks on a modal window. The handler that
// was installed before is put back on destruction (recorders nest).
class DialogRecorder {
public:
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

    // Waits (running the event loop) until at least n messages were shown.
    bool waitForMessage(int n = 1, int timeoutMs = 5000) const;

    // The first button of a button set: what the recorder answers unasked.
    static Dialogs::Answer defaultAnswer(Dialogs::Buttons b);

private:
    Dialogs::Handler m_handler;
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
