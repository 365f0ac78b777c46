#pragma once

#include <QStringList>
#include <QWidget>

class SettingsForm;
class FlexGrid;
class QGroupBox;
class QLineEdit;
class QPushButton;

// Tab 2, "    其他设置    ": the frame "号码表设置" (Frame9) with the module's
// phone-number table in `Grid`: edited here, read from the module (D9 01),
// written to it (D9 02) and cleared on it (D9 04 01).
class PhoneTab : public QWidget {
    Q_OBJECT
public:
    explicit PhoneTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    // The numbers of rows 1.. in order.
    QStringList numbers() const;

    QGroupBox* Frame9 = nullptr;
    FlexGrid* Grid = nullptr;
    QLineEdit* Text9 = nullptr;
    QPushButton* Command19 = nullptr;  // "增加号码"
    QPushButton* Command15 = nullptr;  // "移除号码"
    QPushButton* Command20 = nullptr;  // "上升"
    QPushButton* Command22 = nullptr;  // "下降"
    QPushButton* Command24 = nullptr;  // "清空号码表"
    QPushButton* Command12 = nullptr;  // "读取号码表"
    QPushButton* Command11 = nullptr;  // "写入号码表"

    void addNumber();
    void removeNumber();
    void moveUp();
    void moveDown();
    void readTable();
    void writeTable();
    void clearTable();

    // A write or clear of the table was sent and its acknowledgement has not
    // come: a read sent now would have that acknowledgement taken for the
    // table. The acknowledgement, a read the user asks for, or a lost line
    // ends the wait.
    bool ackAwaited() const { return m_ackAwaited; }
    void setAckAwaited(bool awaited) { m_ackAwaited = awaited; }

private:
    void send(const QByteArray& frame);

    SettingsForm* m_form;
    bool m_ackAwaited = false;
};
