#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

#include "Dialogs.h"

// A message box that stays open while the event loop runs, as a real one
// does while the user reads it: every box whose text is `text` runs a nested
// event loop until `until` holds (checked every 10 ms, given up after
// limitMs so that no test hangs). Other boxes are answered at once with
// their first button. Everything shown is recorded. The handler installed
// before is put back on destruction.
class HeldBox {
public:
    HeldBox(QString text, std::function<bool()> until, int limitMs = 30000)
        : m_text(std::move(text)), m_until(std::move(until)), m_limitMs(limitMs) {
        m_handler.message = [this](const Dialogs::Message& m) {
            messages.append(m);
            if (m.text == m_text) hold();
            return m.buttons == Dialogs::Buttons::YesNo || m.buttons == Dialogs::Buttons::YesNoCancel
                       ? Dialogs::Answer::Yes
                       : Dialogs::Answer::Ok;
        };
        m_previous = Dialogs::handler();
        Dialogs::setHandler(&m_handler);
    }
    ~HeldBox() {
        if (Dialogs::handler() == &m_handler) Dialogs::setHandler(m_previous);
    }
    HeldBox(const HeldBox&) = delete;
    HeldBox& operator=(const HeldBox&) = delete;

    bool isOpen() const { return m_open; }
    int timesOpened() const { return m_opened; }
    // False when a box was given up on at its limit.
    bool closedInTime() const { return !m_timedOut; }
    QStringList texts() const {
        QStringList out;
        for (const Dialogs::Message& m : messages) out << m.text;
        return out;
    }

    QList<Dialogs::Message> messages;

private:
    void hold() {
        ++m_opened;
        m_open = true;
        QEventLoop loop;
        QTimer poll;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (m_until()) {
                loop.quit();
            } else if (clock.elapsed() > m_limitMs) {
                m_timedOut = true;
                loop.quit();
            }
        });
        poll.start(10);
        loop.exec();
        m_open = false;
    }

    QString m_text;
    std::function<bool()> m_until;
    int m_limitMs;
    Dialogs::Handler m_handler;
    Dialogs::Handler* m_previous = nullptr;
    bool m_open = false;
    int m_opened = 0;
    bool m_timedOut = false;
};
