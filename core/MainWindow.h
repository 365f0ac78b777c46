#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "platform/CommPort.h"
#include "platform/VbTimer.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class PanelStatusBar;
class ProgramForms;
class ReceivePath;
class ConnectDialog;
class PictureWindow;
class HandshakeReceiver;
class LegacyProbe;
class AddressCalculator;
class UnicodeConverter;

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
    // Highest timer number a program may have.
    static constexpr int MaxTimers = 12;
    // Timer1..Timer12 as the program has them; index 0 unused, nullptr for a
    // timer the program does not have.
    std::array<VbTimer*, MaxTimers + 1> timers{};
    VbTimer* timer(int n) const { return n > 0 && n <= MaxTimers ? timers[n] : nullptr; }
    // The shared parts drive timers through these; a timer the program does
    // not have stays out of it (and never counts as running).
    void setTimerEnabled(int n, bool on);
    bool timerEnabled(int n) const;
    void setTimerInterval(int n, int ms);
    void rearmTimer(int n, int ms);
    // Connects fn to the tick of Timer<n> when the program has it.
    void onTimerTick(int n, std::function<void()> fn);

    QMdiArea* mdiArea() const { return m_mdi; }
    ProgramForms* forms() const { return m_forms; }
    HandshakeReceiver* handshake() const { return m_handshake.get(); }
    LegacyProbe* legacyProbe() const { return m_legacy.get(); }

    // Puts a form into the MDI area (once) and shows it; returns its sub-window.
    QMdiSubWindow* showChild(QWidget* form);

    // The connect dialog: shown modally from the picture window, without
    // waiting from the settings form's senders. At most one exists.
    ConnectDialog* showConnectDialog(bool modal);
    // For a request that cannot go out yet: the dialog of a connect under
    // way is shown as it is (its modality kept), else a new one without
    // waiting.
    ConnectDialog* bringUpConnectDialog();
    // Tells the user that the port closed itself because the other end of
    // the line went away.
    void reportLineLost();
    // The open connect dialog, or nullptr once it was closed.
    ConnectDialog* connectDialog() const;
    void unloadConnectDialog();

    PictureWindow* pictureWindow() const;
    AddressCalculator* addressCalculator() const;
    UnicodeConverter* unicodeConverter() const;

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
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QSize openingSize(int width, int height) const;
    void buildTimers();
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
    QPointer<ConnectDialog> m_connect;
    QPointer<PictureWindow> m_frmMain;
    QPointer<AddressCalculator> m_form9;
    QPointer<UnicodeConverter> m_form18;
    std::unique_ptr<ReceivePath> m_receivePath;
};
