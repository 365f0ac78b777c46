#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QPushButton>
#include <functional>

// The buttons a form holds while one of its timed operations runs: each
// covered button is disabled and later given back the state it had before.
// A hold that comes while another is still held keeps the states remembered
// by the first, so overlapping operations never remember each other's
// disabled buttons as the user's.
//
// A button can also be busy: disabled by a short operation of its own (the
// test tab's wait before its request goes out) that does not block the
// program. Busy and held compose: a hold that starts meanwhile remembers the
// state the button had before it went busy, and whichever of the two ends
// last gives the button back.
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
    // The fn waiting for the release, if any, will not run.
    void dropWaiting() { m_waiting = nullptr; }

    // `b` goes busy (disabled) until done(b); a second busy() before the
    // done() changes nothing.
    void busy(QPushButton* b);
    // The busy operation of `b` has ended: the button gets back the state
    // it had before, unless a hold still covers it (the release gives it).
    void done(QPushButton* b);
    bool isBusy(const QPushButton* b) const { return m_busy.contains(b); }

private:
    void runWaiting();
    bool covers(const QPushButton* b) const;
    static bool ownEnabled(const QPushButton* b);

    QList<bool> m_saved;
    QList<QPointer<QPushButton>> m_heldButtons;
    const QPushButton* m_keep = nullptr;
    bool m_held = false;
    QPointer<QObject> m_context;
    std::function<void()> m_waiting;
    // Busy buttons and the state each gets back when its operation ends.
    QHash<const QPushButton*, bool> m_busy;
};
