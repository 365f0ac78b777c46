#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <functional>

class ButtonLock;
class CommPort;
class QPushButton;
class VbTimer;

// The SMS test page's wait before a request goes out, as both programs'
// test pages have it: two seconds with DTR low, then the request is written
// in one piece and DTR goes high again. The wait does not block the program:
// one request waits at a time, and a press meanwhile is taken up once the
// request under way has been written. The pressed button is busy in the
// form's ButtonLock for the whole wait, so that a refresh or a chain that
// starts or ends meanwhile gives every button back as it was. A press taken
// up afterwards, and the request itself when its wait ends, go out only if
// the page is still on show and no chain holds the lock: else the answer
// would land inside the chain, or be read by the parameter page. The
// original program blocked through the wait, so neither could happen
// there; here such a request is given up and the user is told once.
class TestSendWait : public QObject {
    Q_OBJECT
public:
    static constexpr int WaitMs = 2000;

    struct Request {
        int index = -1;  // the Command21 button
        QByteArray bytes;
        int pendingOp = 0;
    };

    // What the page around the wait does; `port` gives the line (null or
    // closed: nothing can go out).
    struct Hooks {
        std::function<CommPort*()> port;
        // The request has just been written: log it and note what answer
        // it awaits.
        std::function<void(const Request&)> written;
        // The line went away during the wait; nothing went out.
        std::function<void(const Request&)> lineGone;
        // After either, before a queued press is taken up.
        std::function<void()> after;
        // Takes up a press that came during the wait.
        std::function<void(int index)> press;
        // The page of the buttons is on show (unset: always).
        std::function<bool()> shown;
        // One or more requests were given up (page left or a chain under
        // way); `r` is the first. Nothing went out.
        std::function<void(const Request& r)> notSent;
    };

    TestSendWait(QObject* parent, ButtonLock* lock, Hooks hooks);

    // True while a request waits for its two seconds.
    bool pending() const { return m_pending; }
    // A press while a request waits is queued (once per button); true when
    // it was, and the caller does nothing more now.
    bool queueIfPending(int index);
    // The button stays disabled from here until its request has gone out
    // or been given up.
    void busy(QPushButton* button);
    // Given up before the wait began (a refusal): the button comes back.
    void done(QPushButton* button);
    // Lowers DTR and starts the wait for `r`, sent from `button`.
    void start(QPushButton* button, const Request& r);
    // Ends the wait under way without writing its request, and drops the
    // presses queued behind it, without a word (the user moved on: a new
    // connect took the line). The buttons come back; DTR is left to
    // whoever took the line.
    void giveUp();

    VbTimer* timer() const { return m_timer; }

private:
    void onTick();
    bool mayGoOut() const;

    ButtonLock* m_lock;
    Hooks m_hooks;
    VbTimer* m_timer;
    bool m_pending = false;
    QPushButton* m_button = nullptr;
    Request m_request;
    bool m_dtrBefore = false;
    QList<int> m_queued;
};
