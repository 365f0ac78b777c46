#include "QuietTimeReceivePath.h"

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "platform/CommPort.h"

QuietTimeReceivePath::QuietTimeReceivePath(MainWindow& main, std::function<void()> handshake,
                                           std::function<void()> answers)
    : m_main(main), m_handshake(std::move(handshake)), m_answers(std::move(answers)) {
    // Every arrival raises the receive event; nothing in Varnel changes that.
    m_main.MSComm1->setRThreshold(1);
    m_main.onTimerTick(12, [this] { onWindowClosed(); });
}

void QuietTimeReceivePath::onCommEvent(int code) {
    if (code == CommPort::LineLost) {
        m_main.setTimerEnabled(12, false);
        if (!m_running) m_hold.reset();
        m_main.reportLineLost();
        return;
    }
    if (code != CommPort::Receive) return;
    m_main.rearmTimer(12, QuietMs);
}

void QuietTimeReceivePath::onWindowClosed() {
    m_main.setTimerEnabled(12, false);
    if (m_running) {
        m_held = true;
        return;
    }
    m_held = false;
    handOver();
    if (m_held) {
        // Bytes came while the receiver's box was open; more may be on the
        // way. The hold lasts until they have been handed over.
        m_main.rearmTimer(12, QuietMs);
        return;
    }
    m_hold.reset();
}

void QuietTimeReceivePath::handOver() {
    CommPort& port = *m_main.MSComm1;
    if (!port.isOpen()) return;
    if (port.inputLen() != 0) port.setInputLen(0);
    const QByteArray window = port.input();
    // Another handler drained the port meanwhile: there is nothing to parse.
    if (window.isEmpty()) return;
    g::RxBuf = window;
    g::RxCount = int(window.size());

    std::function<void()>* receiver = nullptr;
    if (g::RecvMode == 100)
        receiver = &m_handshake;
    else if (g::RecvMode == 101)
        receiver = &m_answers;
    if (!receiver || !*receiver) return;
    if (!m_hold) m_hold.emplace();
    m_running = true;
    (*receiver)();
    m_running = false;
}
