#pragma once

class QWidget;

// What the shared main window needs of a program's own forms. Each program
// supplies one; the main window never includes a program's form headers.
class ProgramForms {
public:
    virtual ~ProgramForms() = default;

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
