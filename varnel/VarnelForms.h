#pragma once

#include <QPointer>
#include <memory>

#include "varnel/core/VarnelProgram.h"

class MainWindow;
class SettingsForm;
class AnswerReceiver;

// Varnel's forms as the shared main window sees them: the settings form
// (created and loaded at its first touch, which is the main window's first
// resize) and the answer receiver of RecvMode 101.
class VarnelForms : public VarnelProgram {
public:
    VarnelForms();
    ~VarnelForms() override;

    void attach(MainWindow* main);

    // The settings form while it is loaded, else nullptr (no form is made).
    SettingsForm* settingsForm() const;
    AnswerReceiver* answerReceiver() const { return m_receiver.get(); }

    QWidget* settingsWindow() override;
    void showSettingsForm(bool handshakeEnded) override;
    void startModuleDialogue() override;
    void receiveModuleAnswer() override;
    void lineLost() override;
    void connectStarting() override;
    // The send-mode menu and the hidden sample item act on the test page.
    void sendModeChanged() override;
    void showSampleReceived() override;

private:
    SettingsForm* ensureSettingsForm();

    MainWindow* m_main = nullptr;
    QPointer<SettingsForm> m_settings;
    std::unique_ptr<AnswerReceiver> m_receiver;
};

// The whole program: main window and forms. The caller shows the main
// window; the forms object outlives it.
struct Varnel {
    std::unique_ptr<VarnelForms> forms;
    std::unique_ptr<MainWindow> main;
    ~Varnel();
};
std::unique_ptr<Varnel> createVarnel();
