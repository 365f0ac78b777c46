#pragma once

#include <QObject>
#include <functional>
#include <optional>

#include "core/AnswerHold.h"
#include "core/ProgramForms.h"

class MainWindow;

// Varnel's receive path: every receive event restarts Timer12 (100 ms), so a
// window closes only after 100 ms without a byte. Its tick reads everything
// waiting into g::RxBuf / g::RxCount and hands the window to the receiver
// RecvMode selects (100 the handshake parser, 101 the answer parser); other
// values drop it, and an empty window calls nothing.
//
// A window that closes while a receiver still runs (a message box of the
// receiver delivering events) is held: RxBuf is never replaced under a
// running receiver and no receiver is entered twice. Once the receiver has
// returned, the held window closes like any other, after a quiet time, so
// that an answer still arriving as the box closes comes whole. Until then
// the answers count as held back (AnswerHold): the chains that wait for them
// wait on.
class QuietTimeReceivePath : public QObject, public ReceivePath {
    Q_OBJECT
public:
    static constexpr int QuietMs = 100;

    QuietTimeReceivePath(MainWindow& main, std::function<void()> handshake, std::function<void()> answers);

    void onCommEvent(int code) override;
    // The tick of Timer12.
    void onWindowClosed();
    bool receiverRunning() const { return m_running; }

private:
    void handOver();

    MainWindow& m_main;
    std::function<void()> m_handshake;
    std::function<void()> m_answers;
    bool m_running = false;
    bool m_held = false;
    std::optional<AnswerHold::Hold> m_hold;
};
