#pragma once

#include <QByteArray>
#include <QList>
#include <QWidget>
#include <array>

#include "platform/FilterTextEdit.h"

class CommPort;
class SettingsForm;
class TestSendWait;
class QLabel;
class QLineEdit;
class QPushButton;
class VbTimer;

// Tab 1, "    短信测试    ": the SMS communication test. Its buttons send the
// passive-mode requests and the test message; `rTimer` of the form shows a
// received record (only the main window's hidden sample item starts it).
class TestTab : public QWidget {
    Q_OBJECT
public:
    explicit TestTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    // "读取短信", "发送状态", "发送短信", "复位".
    std::array<QPushButton*, 4> Command21{};
    // Text21(0) 源码区 (log), (1) 发送区 (content), (2) 接收区: multi-line.
    std::array<FilterTextEdit*, 3> TextBox{};
    // Text21(3) sender's number, Text21(4) receiver's number.
    QLineEdit* SenderNumber = nullptr;
    QLineEdit* ReceiverNumber = nullptr;
    QLineEdit* Text22 = nullptr;  // module address "hh:hh:"
    // Label21(1) .. Label21(5); index 0 unused.
    std::array<QLabel*, 6> Label21{};
    QLabel* Label31 = nullptr;

    // What the main window's hidden item "x" puts up for the display: a
    // received Chinese message from 13800138000.
    static QString sampleReceived();

    // Shows or hides the address and number controls by the module's modes.
    void showForModes();

    // Sends the request of Command21(index) (0 读取短信, 1 发送状态,
    // 2 发送短信; 3 resets the receive state only). Every request waits two
    // seconds with DTR low before it is written and logged.
    void press(int index);
    bool sendPending() const;
    // A new connect took the line: the request waiting goes nowhere, nor
    // do the presses behind it, and its button comes back.
    void stopWaiting();

    // The send mode changed: the content box empties.
    void sendModeChanged();
    // The hidden item "x": the sample goes to the display 100 ms later.
    void showSample();
    // The tick of `rTimer`: logs g::RxText, decodes it by the module's modes
    // and the send mode, and empties it.
    void displayTick();

signals:
    void requestWritten(const QByteArray& bytes);

private:
    void appendLog(const QString& prefix, const QString& hex, CommPort* sentOn = nullptr);
    int sendModeIndex() const;
    void addressRule(int& key);

    SettingsForm* m_form;
    TestSendWait* m_wait = nullptr;
};
