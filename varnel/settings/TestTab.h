#pragma once

#include <QWidget>
#include <array>

class SettingsForm;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

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
    std::array<QPlainTextEdit*, 3> TextBox{};
    // Text21(3) sender's number, Text21(4) receiver's number.
    QLineEdit* SenderNumber = nullptr;
    QLineEdit* ReceiverNumber = nullptr;
    QLineEdit* Text22 = nullptr;  // module address "hh:hh:"
    // Label21(1) .. Label21(5); index 0 unused.
    std::array<QLabel*, 6> Label21{};
    QLabel* Label31 = nullptr;

    // Shows or hides the address and number controls by the module's modes.
    void showForModes();

private:
    SettingsForm* m_form;
};
