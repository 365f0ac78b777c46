#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>

class QLineEdit;
class SettingsForm;

// The senders of the parameter tab: each single write behind its button,
// the hex boxes' key filter, the work-mode list logic, the identity input
// on the version label, and the three timer chains (refresh on Timer2,
// work mode on Timer1, power saving on Timer3). A child of the form; the
// answers to what it sends are handled by the answer receiver.
class ParamSenders : public QObject {
    Q_OBJECT
public:
    explicit ParamSenders(SettingsForm* form);

    SettingsForm* form() const { return m_form; }

    // `Command8`: placeholders, port reopened, the refresh timer started.
    // False when the port could not be reopened (the refresh did not start).
    bool refresh();
    // `Command5` / `Command14`: start a chain (port check first).
    void startWorkModeChain();
    void startPowerChain();

    // Ends the refresh and both chains where they stand, through their own
    // ends and without a word: a new connect took the line.
    void stopChains();

    // One tick of each chain.
    void refreshTick();
    void workModeTick();
    void powerTick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Port check, then one write of the whole frame through CommBytes.
    bool send(const QByteArray& frame);
    // Refuses input that cannot make a request.
    void refuse(const QString& why);
    void sendChecked(const QByteArray& frame);
    // False, after telling the user, while `box` still holds its design
    // text: neither a refresh nor the user has put a value of the module's
    // there.
    bool holdsValue(const QLineEdit* box, const QString& what);

    void sendPasswordUse();
    void sendPassword();
    void sendReceiverNumber();
    void sendAddress();
    void sendModel();
    void sendBaud();
    void sendRestartTime();
    void identityInput();
    void onCombo1Click();
    void onCombo2Click();
    // "你必须选择需要的工作方式", never two at once.
    void remindWorkMode();
    void endRefresh();
    void endWorkModeChain();
    void endPowerChain();

    SettingsForm* m_form;
    // Label8, whose double click asks for a new identity.
    QObject* m_identityLabel = nullptr;
    // A work-mode reminder is on screen: the ticks meanwhile add no second one.
    bool m_reminderOpen = false;
    // The password, receiver number and address boxes once anything (an
    // answer or the user) changed them. The refresh reads each only in some
    // modes, so a box can still hold its design text when its write is
    // pressed.
    QSet<const QLineEdit*> m_filled;
};
