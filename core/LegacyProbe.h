#pragma once

#include <QPointer>

class MainWindow;
class RestartNotice;

// The older way of finding a module (a bare D7 FE probe behind a wait
// dialog) and the automatic search of the serial rate. Nothing in the
// program starts them; they stay available on the main window's timers.
class LegacyProbe {
public:
    explicit LegacyProbe(MainWindow& main);

    void onTimer2();   // sends the older probe
    void onTimer3();   // shows the wait dialog
    void onTimer4();   // no answer: offers the rate search
    void onTimer6();   // older identify requests
    void onTimer7();   // rate search with the older probe
    void onTimer10();  // rate search with the handshake probe

    RestartNotice* waitDialog() const;

private:
    // A program whose port reads whole windows keeps its receive threshold
    // and read length through these paths.
    bool keepsReadSettings() const;
    void setReadSettings(int n);
    void scanStep(bool handshakeProbe);
    void giveUp(bool handshakeProbe);

    MainWindow& m_main;
    QPointer<RestartNotice> m_form11;
};
