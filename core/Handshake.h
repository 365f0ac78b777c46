#pragma once

#include <cstdint>

class MainWindow;

// The connect handshake: the probe (Timer8), its time-out (Timer9), the
// receiver of the probe and identify answers, and the identify sequence
// (Timer11). The GPRS variant runs the same states and differs only at the
// module-type answer.
class HandshakeReceiver {
public:
    explicit HandshakeReceiver(MainWindow& main);

    // ReceiveHandshakeSms (gprs false) and its GPRS twin (gprs true).
    void receive(bool gprs);

    void onProbeTick();     // Timer8
    void onTimeoutTick();   // Timer9
    void onIdentifyTick();  // Timer11

private:
    void readN(int n);
    bool step(bool gprs);
    void endOfHandshake(uint8_t moduleType, bool gprs);

    MainWindow& m_main;
};
