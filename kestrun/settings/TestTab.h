#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "core/protocol/TestFrames.h"
#include "platform/FilterTextEdit.h"

class CommPort;
class SettingsForm;
class TestSendWait;
class QLabel;
class QLineEdit;
class QPushButton;
class VbTimer;

// The test boxes: the content box takes its typing rule through it.
using TestTextBox = FilterTextEdit;

// Tab 1, "    短信测试    ": the communication test console. Its buttons
// send the passive-mode requests and the test message; `rTimer` of the form
// shows what the test-answer receiver gathered.
//
// Every request waits two seconds with DTR low before it is written. The
// wait runs on a timer, the pressed button disabled; until the request has
// been written and logged, no other test request starts (a press meanwhile
// runs afterwards), the test answers wait at the port and the display waits,
// so that the log keeps the order of request and answer.
class TestTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int DisplayDelayMs = 200;

    explicit TestTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    // "读取短信", "发送状态", "发送短信", "复位".
    std::array<QPushButton*, 4> Command21{};
    // Text21(0) log, (1) content, (2) received text: multi-line.
    std::array<TestTextBox*, 3> TextBox{};
    // Text21(3) sender number, Text21(4) receiver number.
    QLineEdit* SenderNumber = nullptr;
    QLineEdit* ReceiverNumber = nullptr;
    QLineEdit* Text22 = nullptr;
    // Label21(1) .. Label21(5); index 0 unused.
    std::array<QLabel*, 6> Label21{};
    QLabel* Label31 = nullptr;

    // --- for the test-answer receiver -------------------------------------
    // Appends the traffic-log line(s) of prefix and hex text at the end of
    // the log, whatever the installer has selected there.
    void appendLog(const QString& prefix, const QString& hex, CommPort* sentOn = nullptr);
    // The display runs DisplayDelayMs after the last call.
    void restartDisplay();
    // True while a request waits for its two seconds.
    bool sendPending() const;
    // A new connect took the line: the request waiting goes nowhere, nor
    // do the presses behind it, and its button comes back. What arrived
    // before is still shown.
    void stopWaiting();
    // Nothing is waiting for the display: the next received data starts
    // a new text.
    bool displayIdle() const;

    // --- from the main window's menus ---------------------------------------
    // The send mode changed: the content box empties.
    void sendModeChanged();
    // The hidden sample item: a made-up received message for the display.
    void showSample();

    // The tick of `rTimer`: logs, decodes and shows g::RxText.
    void displayTick();

signals:
    // A test request went out (after it was logged).
    void requestWritten(const QByteArray& bytes);

private:
    void press(int index);
    void afterSend();
    void wireDisplay();
    TestFrames::SendMode sendMode() const;
    TestFrames::TestInput currentInput() const;
    void addressRule(int& keyAscii);

    SettingsForm* m_form;
    TestSendWait* m_wait = nullptr;
    // What DollarPendingOp held before a send set it for its wait.
    int m_pendingOpBefore = 0;
    bool m_displayDeferred = false;
    bool m_displayWired = false;
};
