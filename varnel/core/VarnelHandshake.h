#pragma once

#include <functional>

class MainWindow;

// ReceiveHandshakeVarnel: reads the probe and identify answers of one
// quiet-time window (g::RxBuf) by fixed offsets. The frame at byte 0 is
// parsed, and a further frame of the window only when the one before was
// none the handshake reads or the probe's answer is still awaited; a
// statement that would read past the window is skipped and the parse goes
// on. The probe, its time-out and the identify sequence are the
// shared ones of the main window (Timer8, Timer9, Timer11).
class VarnelHandshake {
public:
    // Run when the module type allows the settings form: show it, give it
    // the focus and start its one-shot timer.
    using OpenSettings = std::function<void()>;

    VarnelHandshake(MainWindow& main, OpenSettings openSettings);

    void receive();

private:
    enum class Parsed { NoFrame, Other, Read, ModuleType };
    Parsed parseFrame();
    void moduleTypeAnswer();

    MainWindow& m_main;
    OpenSettings m_openSettings;
};
