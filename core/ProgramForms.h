#pragma once

#include <memory>
#include <vector>

class MainWindow;
class QMenuBar;
class QWidget;

// One timer of the main window as the program designs it: Timer<number>,
// its interval and whether it runs from the start.
struct MainTimerDesign {
    int number = 0;
    int interval = 0;
    bool enabled = false;
};

// Which of the shared menu items a program keeps.
struct MainMenuChoice {
    // 文件: clear_rece, clear_send, clear_yuan.
    bool clearItems = true;
    // 短信发送方式 (sms_Manner) with chinese, englist, sendhex.
    bool sendModeMenu = true;
    // 工具: lookfine and count_k (the address calculator).
    bool addressCalculator = true;
    // 工具: mnuCode (the Unicode converter).
    bool unicodeConverter = true;
    // The hidden item x.
    bool sampleItem = true;
};

// How the connect dialog treats the port.
struct ConnectChoice {
    // Connect and Cancel read whole windows: read length 0 and the pending
    // input dropped (instead of receive threshold and read length 1); the
    // older probe paths leave threshold and read length alone too.
    bool readWholeWindows = false;
    // Cancel opens the port with the chosen port and rate and leaves it
    // open (instead of closing it).
    bool cancelOpensPort = false;
    // Closing the dialog by its window button during a handshake stops the
    // probe, the time-out and the identify sequence.
    bool closeStopsHandshake = false;
    // The main window's Timer3 brings up the restart wait dialog (a
    // program without that dialog leaves the timer without effect).
    bool restartWaitDialog = true;
    // An identify sequence that ends without the module-type answer gives
    // Connect and Cancel back (otherwise only Cancel stays usable).
    bool identifyEndGivesConnectBack = true;
};

// What the main window does with the port's receive events. The program
// supplies one; the main window hands it every event of MSComm1.
class ReceivePath {
public:
    virtual ~ReceivePath() = default;
    virtual void onCommEvent(int code) = 0;
};

// What the shared main window takes from the program it runs: its menus,
// its timers, its receive path, what a resize fits, and its own forms. Each
// program supplies one; the main window never includes a program's form
// headers.
class ProgramForms {
public:
    virtual ~ProgramForms() = default;

    // --- main window choices ----------------------------------------------
    // The timers the main window owns. The default is the eleven of the
    // SMS alarm module's program (Timer1..Timer11); the shared handshake
    // and older probe use those of them that exist.
    virtual std::vector<MainTimerDesign> mainTimers() const;
    virtual MainMenuChoice menuChoice() const { return {}; }
    virtual ConnectChoice connectChoice() const { return {}; }
    // Menus of the program's own, added before 窗口.
    virtual void addMenus(MainWindow& /*main*/, QMenuBar* /*bar*/) {}
    // The receive path for this main window, made once when it is built.
    // The default routes each receive event by RecvMode at once (see
    // EventReceivePath).
    virtual std::unique_ptr<ReceivePath> makeReceivePath(MainWindow& main);
    // Called on every resize of the main window: fits the program's child
    // windows. The default fits nothing.
    virtual void fitChildren(MainWindow& /*main*/) {}
    // The port closed itself (the line went away): ends what the program's
    // forms have running, before the user is told.
    virtual void lineLost() {}
    // A new connect has opened the port again (the input waiting on it is
    // dropped): whatever the program's forms still await from the module
    // will not come, and their answers from now on are the handshake's.
    virtual void connectStarting() {}

    // --- forms ------------------------------------------------------------
    // Shows the module settings form (creating and loading it when needed).
    // A form already loaded runs its port steps again only when a handshake
    // has just ended; otherwise (Cancel) it is shown as it is.
    virtual void showSettingsForm(bool handshakeEnded) = 0;

    // Receivers selected by RecvMode 101 and 111 (110 is the shared
    // handshake receiver with the GPRS ending below).
    virtual void receiveModuleAnswer() {}
    virtual void receiveGprsAnswer() {}

    // The GPRS work-mode dialog, while RecvMode is 110.
    virtual void setGprsProgress(int /*value*/) {}
    virtual void enableGprsConnectButtons() {}
    // End of a GPRS handshake (the D1 answer with its module type).
    virtual void gprsHandshakeDone(int /*moduleType*/) {}

    // The send-mode menu was changed: the test tab's content box empties.
    virtual void sendModeChanged() {}
    // The hidden "x" item: a sample received message for the test display.
    virtual void showSampleReceived() {}
    // The file menu's clear items (receive, send, source areas).
    virtual void clearArea(int /*which*/) {}
};

// The receive path of a port whose receive threshold decides when an event
// comes: every receive event goes at once to the receiver RecvMode selects
// (100/110 the shared handshake, 101/111 the program's receivers). A
// receiver may show a message box, whose event loop delivers further
// receive events; those wait until the running pass has returned.
class EventReceivePath : public ReceivePath {
public:
    EventReceivePath(MainWindow& main, ProgramForms* forms);
    void onCommEvent(int code) override;

private:
    MainWindow& m_main;
    ProgramForms* m_forms;
    bool m_inReceiver = false;
    bool m_receivePending = false;
};
