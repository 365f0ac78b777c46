#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <optional>

class SettingsForm;
class QByteArray;
class QString;

// The requests of the parameter page: the refresh of "刷新" (Timer2, one
// query a tick, the answers choosing the next), the work-mode write
// sequence (Timer1), the power-saving write sequence (Timer3), the single
// writes, the clear of "清空" by the current page, and the page's entry
// rules.
class ParamSenders : public QObject {
    Q_OBJECT
public:
    static constexpr int RefreshFirstMs = 1000;
    static constexpr int RefreshMs = 500;
    static constexpr int WorkModeFirstMs = 200;
    static constexpr int WorkModeMs = 2000;
    static constexpr int PowerFirstMs = 100;
    static constexpr int PowerMs = 1000;

    explicit ParamSenders(SettingsForm* form);

    void refresh();
    void refreshTick();
    void startWorkModeChain();
    void workModeTick();
    void startPowerChain();
    void powerTick();
    void clearByPage();
    // Ends whichever of the three timed chains runs, each through its own
    // end (timer off, buttons given back).
    void stopChains();
    // The module's address layout as an answer gave it: the page's fields
    // show it, and the work-mode sequence writes it back as it came.
    void moduleLayout(uint8_t start, uint8_t length, uint8_t group, uint8_t type);
    // An answer showed the module's wake mode.
    void wakeModeShown() { m_wakeModeKnown = true; }

private:
    void endRefresh();
    // A tick that finds the port closed ends its chain and shows the
    // connect dialog; true when the port is open.
    bool tickPortReady(void (ParamSenders::*end)());
    bool send(const QByteArray& frame);
    void output(const QByteArray& frame);
    void refuse(const QString& why);
    void sendPasswordUse();
    void sendPassword();
    void sendReceiverNumber();
    void sendAddress();
    void sendBaud();
    void sendRestartTime();
    void sendModel();
    void onCombo1Click();
    void onCombo2Click();
    // "你必须选择需要的工作方式", never two at once.
    void remindWorkMode();
    // The work-mode lists show items (or "无", which the sequence itself
    // asks about); typed text is refused with a message.
    bool workListsTaken();
    void refuseTypedMode();
    QByteArray addressLayoutFrame() const;
    // True when the page holds a layout the sequence may write. Otherwise
    // the first call asks the module for its layout (and the sequence tries
    // again at its next tick); a later one ends the sequence and says why.
    bool layoutReady();
    // Combo4 shows the layout's type byte (an unknown one leaves it).
    void showLayoutType(uint8_t type);
    // The user set a field of the layout: the page's fields are written.
    void layoutChosen();
    void endWorkModeChain();
    void endPowerChain();
    // True when the page holds the wake delays and wake mode that power
    // saving writes (read or entered). Otherwise the module is asked for
    // them, one tick each, and the sequence ends with a word if they do not
    // come: an unread box never replaces what the module holds.
    bool wakeReady();

    SettingsForm* m_form;
    bool m_reminderOpen = false;
    // The layout the work-mode sequence writes in 透明方式1, whose refresh
    // does not read it: the module's as last answered (sent back byte for
    // byte, whether or not the fields can show it), or the fields once the
    // user set them. Neither: it is asked for first, never replaced by the
    // fields' defaults.
    std::optional<QByteArray> m_moduleLayout;
    bool m_layoutChosen = false;
    bool m_layoutAsked = false;
    bool m_applyingLayout = false;
    bool m_wakeModeKnown = false;
    int m_wakeAsked = 0;
};
