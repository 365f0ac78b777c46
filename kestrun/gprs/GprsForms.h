#pragma once

#include <QPointer>
#include <memory>

class MainWindow;
class GprsAnswerParser;
class CommPortSource;
class GprsModeDialog;
class GprsSettingsForm;

// The GPRS data module's forms and receiver as the program holds them: the
// work-mode dialog, the settings form, and the answer parser of RecvMode
// 111. Nothing in the program's menus leads here.
class GprsForms {
public:
    explicit GprsForms(MainWindow* main);
    ~GprsForms();

    // Shows `frmQV7380` modal (loading it when needed).
    GprsModeDialog* showModeDialog();
    // The dialog while loaded (shown or not), else nullptr.
    GprsModeDialog* modeDialog() const;
    // Loads and shows `frm7380COM` in the work mode g::GprsWorkMode.
    void showSettingsForm();
    GprsSettingsForm* settingsForm() const;
    GprsAnswerParser* parser() const { return m_parser.get(); }

    // From the main window's receive path and identify sequence.
    void receive();
    void setProgress(int value);
    // Loads the dialog unseen when it is not loaded.
    void enableConnectButtons();
    void handshakeDone(int moduleType);

private:
    GprsModeDialog* loadModeDialog();

    MainWindow* m_main;
    std::unique_ptr<CommPortSource> m_source;
    std::unique_ptr<GprsAnswerParser> m_parser;
    QPointer<GprsModeDialog> m_mode;
    QPointer<GprsSettingsForm> m_settings;
};
