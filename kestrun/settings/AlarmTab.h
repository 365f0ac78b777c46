#pragma once

#include <QWidget>

#include "core/protocol/SettingsRecords.h"

class SettingsForm;
class PhoneBatch;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Tab 3, "    报警设置    ": the frame "报警设置", the alarm settings of one
// digital input (B4 01 write, B4 02 read) and the input-state query (98).
class AlarmTab : public QWidget {
    Q_OBJECT
public:
    explicit AlarmTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    // Wires what the form builds after its tabs (the parameter clear
    // button and the batch timer). The form calls it once, at the end of
    // its construction.
    void attachFormControls();

    // Writes a block read back into the controls, with the click and
    // change actions they raise, in an order that leaves every control
    // showing what the block holds. Fields the block lacks stay as they are.
    void applyRecord(const SettingsRecords::AlarmBlock& block);

    // The settings the controls describe, as the write sends them (mask
    // and count left 0 when their boxes are out of range).
    SettingsRecords::AlarmSettings currentSettings() const;

    QGroupBox* frame = nullptr;  // "报警设置"
    QComboBox* Combo5 = nullptr;
    QLabel* Label43 = nullptr;
    QRadioButton* Option9 = nullptr;   // 仅高电平
    QRadioButton* Option10 = nullptr;  // 仅低电平
    QRadioButton* Option13 = nullptr;  // 电平变化
    QLabel* Label34 = nullptr;
    QLabel* Label35 = nullptr;
    QLineEdit* Text16 = nullptr;  // repeat interval, s
    QLabel* Label48 = nullptr;
    QLineEdit* Text20 = nullptr;  // alarm count
    QLabel* Label33 = nullptr;
    QLineEdit* Text15 = nullptr;       // low-level text
    QRadioButton* Option11 = nullptr;  // 汉字
    QRadioButton* Option12 = nullptr;  // 英文
    QLabel* Label36 = nullptr;
    QLineEdit* Text17 = nullptr;       // high-level text
    QRadioButton* Option15 = nullptr;  // 汉字
    QRadioButton* Option14 = nullptr;  // 英文
    QLabel* Label50 = nullptr;
    QComboBox* ComboBJPhone = nullptr;
    QLineEdit* TextBJPhone = nullptr;
    QComboBox* Combo7 = nullptr;
    QCheckBox* Check7 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QPushButton* Command16 = nullptr;  // 更新设置
    QPushButton* Command17 = nullptr;  // 读取设置
    QLineEdit* Text19 = nullptr;       // input state
    QPushButton* Command25 = nullptr;  // 读取DI状态

    PhoneBatch* batch = nullptr;

private:
    void build();
    void wire();
    void write();
    void read();
    void queryInput();
    void onReceiversClick();
    void onEncodingClick();
    void onIntervalChanged();
    void chooseEncoding(QLineEdit* text, QRadioButton* chinese, QRadioButton* english);
    void info(const QString& text);
    void send(const QByteArray& frame);

    SettingsForm* m_form;
    // A record read back is being shown: the receiver list it sets is the
    // module's, no choice of the user's.
    bool m_showingRecord = false;
};
