#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class MainWindow;
struct ConnectChoice;

// `frm7300MOD`: chooses port and rate, opens the main window's port and
// starts the handshake; Cancel opens the settings form without a module.
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectDialog(MainWindow* main);

    QPushButton* Command1[2] = {};
    QGroupBox* Frame1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* PBar = nullptr;

    void connectClicked();
    void cancelClicked();
    // Connect, Cancel and both lists usable again (after a failed handshake).
    void enableAll();

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    ConnectChoice choice() const;
    // Steps 1 to 4 of both buttons: the chosen port opened at the chosen
    // rate, DTR low. False (with the message shown) when it cannot be opened.
    bool openPort();
    void stopHandshake();

    MainWindow* m_main;
};
