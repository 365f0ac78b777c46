#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class MainWindow;
#include "GprsWaitDialogs.h"

// `frmQV7380`: connects to the GPRS data module, shows which work mode it
// is in, switches it (the module restarts, `Form19` waits it out) and
// enters the settings form in the chosen mode.
class GprsModeDialog : public QDialog {
    Q_OBJECT
public:
    // `enter` opens the settings form once the dialog has closed.
    GprsModeDialog(MainWindow* main, std::function<void()> enter);

    // The end of the handshake: the module type from the D1 answer.
    void handshakeDone(int moduleType);
    void setProgress(int value);
    // Connect and Cancel usable again (the identify sequence gave up).
    void enableConnectButtons();

    void connectClicked();
    void cancelClicked();
    void enterClicked();

    RestartWaitDialog* restartWait() const { return m_form19.data(); }

private:
    void optionClicked(int mode);
    void afterRestart();

    MainWindow* m_main;
    std::function<void()> m_enter;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* Command1[3] = {};
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QProgressBar* PBar = nullptr;
    QPointer<RestartWaitDialog> m_form19;
};
