#include "DialogRecorder.h"

#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include "VirtualTime.h"

DialogRecorder::DialogRecorder() {
    m_clock.start();
    m_handler.message = [this](const Dialogs::Message& m) { return showMessage(m); };
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

Dialogs::Answer DialogRecorder::showMessage(const Dialogs::Message& m) {
    m_messages.append(m);
    m_messageTimes.append(m_clock.elapsed());
    if (m_observer) m_observer(m);
    std::optional<Hold> h;
    if (!m_holds.isEmpty())
        h = m_holds.dequeue();
    else if (m_holdPolicy)
        h = m_holdPolicy(m);
    const Dialogs::Answer queued = m_answers.isEmpty() ? defaultAnswer(m.buttons) : m_answers.dequeue();
    if (!h || (h->forMs <= 0 && !h->until)) return queued;
    hold(m, *h);
    return h->answer.value_or(queued);
}

void DialogRecorder::hold(const Dialogs::Message& m, const Hold& h) {
    // A real box on the window that asked, as exec() would show it: if the
    // window goes while the box is open, the box goes with it.
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::NoIcon, m.title, m.text, QMessageBox::Ok, m.parent.data());
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    ++m_open;
    const qint64 limit = h.forMs > 0 ? h.forMs : 60000;
    const std::function<bool()> until = h.until ? h.until : [] { return false; };
    if (VirtualTime* vt = VirtualTime::current()) {
        const bool ran = h.until ? vt->runUntil(until, limit) : vt->runFor(limit);
        // A condition that never came is the hold's time running out.
        if (!ran && !vt->limitReached())
            m_holdFailures << m.title + QStringLiteral(": ") + m.text + QStringLiteral(" (") + vt->why() +
                                  QLatin1Char(')');
    } else {
        (void)QTest::qWaitFor(until, int(limit));
    }
    --m_open;
    if (box)
        delete box;
    else
        m_orphaned << m.title + QStringLiteral(": ") + m.text;
}
