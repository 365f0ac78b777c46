#pragma once

#include <QList>
#include <QPointer>
#include <QPushButton>
#include <functional>

// The buttons a form holds while one of its timed operations runs: each
// covered button is disabled and later given back the state it had before.
// A hold that comes while another is still held keeps the states remembered
// by the first, so overlapping operations never remember each other's
// disabled buttons as the user's.
class ButtonLock {
public:
    // Remembers each button's own enabled state (its frame's does not count)
    // unless a hold is pending, then disables them all except `keep`.
    void hold(const QList<QPushButton*>& buttons, const QPushButton* keep = nullptr);
    // Gives each button the remembered state; before any hold every button
    // counts as remembered disabled.
    void release(const QList<QPushButton*>& buttons);
    // True between a hold and its release.
    bool held() const { return m_held; }
    // Runs fn now when nothing is held; else once the hold is released, on
    // the event loop's next turn (the operation that releases it ends
    // first), and again later if another hold came meanwhile. One waiting
    // fn at a time; it is dropped with `context`.
    void whenFree(QObject* context, std::function<void()> fn);

private:
    void runWaiting();

    QList<bool> m_saved;
    bool m_held = false;
    QPointer<QObject> m_context;
    std::function<void()> m_waiting;
};
