#pragma once

#include <QPointer>
#include <memory>

#include "core/ProgramForms.h"

class QWidget;
class QuietTimeReceivePath;
class VarnelHandshake;

// Varnel's choices for the shared main window: Timer12 beside Timer1..11,
// no address calculator items, the quiet-time receive path with its own
// handshake parser, the connect dialog reading whole windows (Cancel opening
// the port), and the two child windows fitted to the client area on every
// resize. The program's forms come from the subclass.
class VarnelProgram : public ProgramForms {
public:
    // 120 twips left free around the fitted child windows.
    static constexpr int FitMarginTwips = 120;

    VarnelProgram();
    ~VarnelProgram() override;

    std::vector<MainTimerDesign> mainTimers() const override;
    MainMenuChoice menuChoice() const override;
    ConnectChoice connectChoice() const override;
    std::unique_ptr<ReceivePath> makeReceivePath(MainWindow& main) override;
    void fitChildren(MainWindow& main) override;

    // The settings form, created and loaded at the first touch.
    virtual QWidget* settingsWindow() = 0;
    // Shows the settings form and gives it the focus (handshake and Cancel).
    void showSettingsForm(bool handshakeEnded) override = 0;
    // Starts the settings form's one-shot timer that hands the input to the
    // answer parser (after an accepted module type only).
    virtual void startModuleDialogue() = 0;

    QuietTimeReceivePath* receivePath() const { return m_path; }
    VarnelHandshake* handshakeParser() const { return m_handshake.get(); }

private:
    QuietTimeReceivePath* m_path = nullptr;  // owned by the main window
    std::unique_ptr<VarnelHandshake> m_handshake;
};
