#pragma once

#include <cstdint>
#include <memory>

class CommPortSource;
class HandshakeMachine;

class MainWindow;

// The connect handshake: the probe (Timer8), its time-out (Timer9), the
// receiver of the probe and identify answers, and the identify sequence
// (Timer11). The receiver runs on the shared receive machine; the GPRS
// variant runs the same states and differs only at the module-type answer.
class HandshakeReceiver {
public:
    explicit HandshakeReceiver(MainWindow& main);
    ~HandshakeReceiver();

    // ReceiveHandshakeSms (gprs false) and its GPRS twin (gprs true).
    void receive(bool gprs);

    void onProbeTick();     // Timer8
    void onTimeoutTick();   // Timer9
    void onIdentifyTick();  // Timer11

private:
    friend class HandshakeMachine;
    void readN(int n);
    void endOfHandshake(uint8_t moduleType, bool gprs);

    MainWindow& m_main;
    std::unique_ptr<CommPortSource> m_source;
    // One machine each for RecvMode 100 and 110 (their guards act only
    // under their own mode).
    std::unique_ptr<HandshakeMachine> m_sms;
    std::unique_ptr<HandshakeMachine> m_gprs;
};
