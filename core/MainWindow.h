#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>

#include "platform/CommPort.h"
#include "platform/VbTimer.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class PanelStatusBar;
class ProgramForms;
class Frm7300MOD;
class FrmMain;
class HandshakeReceiver;
class LegacyProbe;
class Form9;
class Form18;

// `main`: the MDI parent of a program. It owns the only serial port, the
// status bar, the menus and the handshake timers for the whole run.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // productTitle starts the caption ("Kestrun" gives "KestrunV4.2").
    MainWindow(const QString& productTitle, ProgramForms* forms, QWidget* parent = nullptr);
    ~MainWindow() override;

    CommPort* MSComm1 = nullptr;
    PanelStatusBar* StatusBar1 = nullptr;
    // Timer1..Timer11; index 0 unused.
    std::array<VbTimer*, 12> timers{};
    VbTimer* timer(int n) const { return timers[n]; }

    QMdiArea* mdiArea() const { return m_mdi; }
    ProgramForms* forms() const { return m_forms; }
    HandshakeReceiver* handshake() const { return m_handshake.get(); }
    LegacyProbe* legacyProbe() const { return m_legacy.get(); }

    // Puts a form into the MDI area (once) and shows it; returns its sub-window.
    QMdiSubWindow* showChild(QWidget* form);

    // The connect dialog: shown modally from the picture window, without
    // waiting from the settings form's senders. At most one exists.
    Frm7300MOD* showConnectDialog(bool modal);
    // The open connect dialog, or nullptr once it was closed.
    Frm7300MOD* connectDialog() const;
    void unloadConnectDialog();

    FrmMain* pictureWindow() const;
    Form9* addressCalculator() const;
    Form18* unicodeConverter() const;

    // Status-bar panels 1..3.
    void setPanel(int panel, const QString& text);
    QString panel(int panel) const;

    // The SMS send mode marked in the menu: 0 汉字, 1 英文, 2 十六进制.
    int sendMode() const;
    void setSendModeMenuVisible(bool visible);
    bool sendModeMenuVisible() const;

    // Menu items, named as their objectName.
    QAction* action(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* e) override;
    // The receive event of MSComm1: routes by RecvMode.
    virtual void onCommEvent(int code);

private:
    void buildMenus();
    void onSendModeClicked(QAction* clicked);
    void openAddressCalculator(bool k);
    void openUnicodeConverter();
    void rebuildWindowsMenu();
    void onTimer1();
    void onTimer5();

    QString m_title;
    ProgramForms* m_forms;
    QMdiArea* m_mdi = nullptr;
    QMenu* m_smsManner = nullptr;
    QMenu* m_windows = nullptr;
    std::unique_ptr<HandshakeReceiver> m_handshake;
    std::unique_ptr<LegacyProbe> m_legacy;
    QPointer<Frm7300MOD> m_connect;
    QPointer<FrmMain> m_frmMain;
    QPointer<Form9> m_form9;
    QPointer<Form18> m_form18;
    bool m_inReceiver = false;
    bool m_receivePending = false;
};
