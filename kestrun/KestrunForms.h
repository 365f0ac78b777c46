#pragma once

#include <QPointer>
#include <memory>

#include "core/ProgramForms.h"
#include "kestrun/sms_parser/SmsAnswerSink.h"

class CommPortSource;
class MainWindow;
class SettingsForm;
class SmsAnswerReceiver;
class GprsForms;

// Kestrun's forms as the shared main window sees them, and the host of the
// answer receiver (its messages and status word). Kestrun keeps every
// default choice of the main window: all menus, Timer1..Timer11, receive
// events routed at once.
class KestrunForms : public ProgramForms, public SmsAnswerHost {
public:
    KestrunForms();
    ~KestrunForms() override;

    // Builds the answer receiver for this main window.
    void attach(MainWindow* main);

    // The settings form while it is loaded, else nullptr.
    SettingsForm* settingsForm() const;
    // The receiver of RecvMode 101 (exists once attached).
    SmsAnswerReceiver* answerReceiver() const { return m_receiver.get(); }

    // Loads and shows the form; a form already loaded is shown, and its
    // port steps run again after a handshake.
    void showSettingsForm(bool handshakeEnded) override;
    void receiveModuleAnswer() override;
    void connectStarting() override;
    // The send-mode menu and the hidden sample item act on the test tab
    // of a loaded form; without one there is nothing to change.
    void sendModeChanged() override;
    void showSampleReceived() override;

    // The GPRS data module's dialog, form and receiver (no menu leads there).
    GprsForms* gprs() const { return m_gprs.get(); }
    void receiveGprsAnswer() override;
    void setGprsProgress(int value) override;
    void enableGprsConnectButtons() override;
    void gprsHandshakeDone(int moduleType) override;

    void tell(const QString& text, const QString& title, Icon icon) override;
    void showStatusWord(const QString& word) override;

private:
    MainWindow* m_main = nullptr;
    std::unique_ptr<CommPortSource> m_source;
    QPointer<SettingsForm> m_settings;
    std::unique_ptr<SmsAnswerReceiver> m_receiver;
    std::unique_ptr<GprsForms> m_gprs;
};

// The whole program: main window and forms. The main window is shown by the
// caller; the forms object must outlive it.
struct Kestrun {
    std::unique_ptr<KestrunForms> forms;
    std::unique_ptr<MainWindow> main;
    ~Kestrun();
};
std::unique_ptr<Kestrun> createKestrun();
