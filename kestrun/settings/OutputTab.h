#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "core/protocol/SettingsRecords.h"

class SettingsForm;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Tab 4, "    输出控制    ": the frame "输出控制", the settings of one
// switching output (B5 01 write, B5 02 read) and the output tests (99).
class OutputTab : public QWidget {
    Q_OBJECT
public:
    explicit OutputTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    // Writes a block read back into the controls, in the record's field
    // order, with the click and change actions they raise. Fields the
    // block lacks stay as they are.
    void applyRecord(const SettingsRecords::OutputBlock& block);

    // The settings the controls describe, as the write sends them.
    SettingsRecords::OutputSettings currentSettings() const;

    QGroupBox* frame = nullptr;  // "输出控制"
    QComboBox* Combo6 = nullptr;
    QRadioButton* Option16 = nullptr;         // level output
    QRadioButton* Option17 = nullptr;         // pulse output
    QLineEdit* Text10 = nullptr;              // delay before the high level returns, s
    QLineEdit* Text14 = nullptr;              // delay before the low level returns, s
    QLineEdit* Text18 = nullptr;              // SMS reply delay, s
    QCheckBox* Check5 = nullptr;              // 短信回复
    QRadioButton* Option18 = nullptr;         // 检测DI0状态
    QRadioButton* Option19 = nullptr;         // 回复操作结果
    QRadioButton* Option20 = nullptr;         // 检测DI1状态
    QLineEdit* Text8 = nullptr;               // text that switches the output high
    QRadioButton* Option24 = nullptr;         // 英文
    QRadioButton* Option23 = nullptr;         // 汉字
    QLineEdit* Text12 = nullptr;              // text that switches the output low
    QRadioButton* Option21 = nullptr;         // 英文
    QRadioButton* Option22 = nullptr;         // 汉字
    QCheckBox* Check6 = nullptr;              // 输出保持
    QPushButton* Command13 = nullptr;         // 更新设置
    QPushButton* Command23 = nullptr;         // 读取设置
    QPushButton* Command26 = nullptr;         // 闭合 / 断开
    std::array<QPushButton*, 2> Command27{};  // DO0 / DO1 闭合 / 断开

private:
    void build();
    void wire();
    void write();
    void read();
    void testOutput(QPushButton* button, int channel, const QString& prefix);
    void clampDelay(QLineEdit* box);
    void chooseEncoding(QLineEdit* text, QRadioButton* chinese, QRadioButton* english);

    SettingsForm* m_form;
    // The low text as the module holds it when the box shows it without its
    // outer blanks, and its encoding: the write sends it until the box
    // changes, so that reading and writing back keeps the module's text.
    std::optional<QString> m_lowTextHeld;
    bool m_lowEnglishHeld = false;
};
