#include "DialogRecorder.h"

#include <QTest>

DialogRecorder::DialogRecorder() {
    m_clock.start();
    m_handler.message = [this](const Dialogs::Message& m) {
        m_messages.append(m);
        m_messageTimes.append(m_clock.elapsed());
        return m_answers.isEmpty() ? defaultAnswer(m.buttons) : m_answers.dequeue();
    };
    m_handler.input = [this](const Dialogs::InputRequest& r) {
        m_inputRequests.append(r);
        return m_inputs.isEmpty() ? r.defaultText : m_inputs.dequeue();
    };
    m_handler.file = [this](const Dialogs::FileRequest& r) {
        m_fileRequests.append(r);
        return m_files.isEmpty() ? QString() : m_files.dequeue();
    };
    m_previous = Dialogs::handler();
    Dialogs::setHandler(&m_handler);
}

DialogRecorder::~DialogRecorder() {
    // Only undo our own installation; a recorder destroyed out of order
    // must not tear down a newer one.
    if (Dialogs::handler() == &m_handler) Dialogs::setHandler(m_previous);
}

Dialogs::Answer DialogRecorder::defaultAnswer(Dialogs::Buttons b) {
    switch (b) {
        case Dialogs::Buttons::Ok:
        case Dialogs::Buttons::OkCancel:
            return Dialogs::Answer::Ok;
        case Dialogs::Buttons::YesNo:
        case Dialogs::Buttons::YesNoCancel:
            return Dialogs::Answer::Yes;
        case Dialogs::Buttons::RetryCancel:
            return Dialogs::Answer::Retry;
    }
    return Dialogs::Answer::Ok;
}

QString DialogRecorder::lastText() const { return m_messages.isEmpty() ? QString() : m_messages.last().text; }

QString DialogRecorder::describe() const {
    QStringList lines;
    for (const auto& m : m_messages) lines << m.title + QStringLiteral(": ") + m.text;
    return lines.isEmpty() ? QStringLiteral("(no message)") : lines.join(QLatin1Char('\n'));
}

void DialogRecorder::clear() {
    m_messages.clear();
    m_messageTimes.clear();
    m_inputRequests.clear();
    m_fileRequests.clear();
}

bool DialogRecorder::waitForMessage(int n, int timeoutMs) const {
    return QTest::qWaitFor([&] { return m_messages.size() >= n; }, timeoutMs);
}
