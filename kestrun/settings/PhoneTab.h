#pragma once

#include <QStringList>
#include <QWidget>

class NumberPicker;
class SettingsForm;
class FlexGrid;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Tab 2, "    其他设置    ": the frame "号码表设置" with the phone-number
// table `Grid`, a working copy of the module's table: edited here, read
// from the module (D9 01), written to it (D9 02) and cleared on it
// (D9 04 01). The answers fill the grid through the answer receiver.
class PhoneTab : public QWidget {
    Q_OBJECT
public:
    explicit PhoneTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    // The numbers of rows 1.. in order.
    QStringList numbers() const;

    // For the number-choice lists: presets g::PhoneMask to `mask`, opens the
    // picker with `caption` (owned by the main window, OK writing into
    // TextDXPhone and TextBJPhone) and presses Command12, so that the table
    // is read while the picker waits for it.
    NumberPicker* openPicker(const QString& caption, qint64 mask);

    QGroupBox* frame = nullptr;  // "号码表设置"
    FlexGrid* Grid = nullptr;
    QLineEdit* Text9 = nullptr;
    QLabel* Label14 = nullptr;         // "电话号码"
    QLabel* Label28 = nullptr;         // "电话号码表"
    QPushButton* Command19 = nullptr;  // "增加号码"
    QPushButton* Command15 = nullptr;  // "移除号码"
    QPushButton* Command20 = nullptr;  // "上升"
    QPushButton* Command22 = nullptr;  // "下降"
    QPushButton* Command24 = nullptr;  // "清空号码表"
    QPushButton* Command12 = nullptr;  // "读取号码表"
    QPushButton* Command11 = nullptr;  // "写入号码表"

private:
    void onGridClick();
    void addNumber();
    void addNumberChecked();
    void removeNumber();
    void moveUp();
    void moveDown();
    void readTable();
    void writeTable();
    void clearTable();
    void send(const QByteArray& frame);

    SettingsForm* m_form;
};
