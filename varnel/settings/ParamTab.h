#pragma once

#include <QWidget>

class SettingsForm;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

// Tab 0, "    基本设置    ": the module's common parameters in their frames,
// and the frame "参数信息" (Frame2) with the information labels the answers
// fill and the refresh, clear and exit buttons.
class ParamTab : public QWidget {
    Q_OBJECT
public:
    explicit ParamTab(SettingsForm* form);
    SettingsForm* form() const { return m_form; }

    // "工作方式选择"
    QGroupBox* Frame3 = nullptr;
    QComboBox* Combo1 = nullptr;  // 主动方式 / 被动方式
    QComboBox* Combo2 = nullptr;  // 格式传输 / 透明方式1 / 透明方式2
    QComboBox* Combo4 = nullptr;  // ASCII / 16进制 / BCD码
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QScrollBar* VS1 = nullptr;
    QScrollBar* VS2 = nullptr;
    QScrollBar* VS3 = nullptr;
    QPushButton* Command5 = nullptr;
    // "省电"
    QGroupBox* Frame10 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option6 = nullptr;
    QRadioButton* Option7 = nullptr;
    QRadioButton* Option8 = nullptr;
    QLineEdit* Text11 = nullptr;
    QLineEdit* Text13 = nullptr;
    QPushButton* Command14 = nullptr;
    // "密码设置"
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    // "接收方号码设置"
    QGroupBox* Frame4 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command3 = nullptr;
    // "设置没有收到短信重起时间"
    QGroupBox* Frame8 = nullptr;
    QLineEdit* Text4 = nullptr;
    QPushButton* Command7 = nullptr;
    // "串口波特率设置"
    QGroupBox* Frame7 = nullptr;
    QComboBox* Combo3 = nullptr;
    QPushButton* Command6 = nullptr;
    // "被动模式下模块地址"
    QGroupBox* Frame5 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* Command4 = nullptr;

    // "参数信息"
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;   // 工作形式
    QLabel* Label4 = nullptr;   // 传输方式
    QLabel* Label5 = nullptr;   // 短信密码
    QLabel* Label6 = nullptr;   // 接收方号码
    QLabel* Label7 = nullptr;   // 串口波特率
    QLabel* Label8 = nullptr;   // 软件版本
    QLabel* Label9 = nullptr;   // 被动方式地址
    QLabel* Label10 = nullptr;  // 有无密码
    QLabel* Label12 = nullptr;  // 重起时间
    QLabel* Label13 = nullptr;
    QLabel* Label15 = nullptr;         // 地址开始位置
    QLabel* Label16 = nullptr;         // 地址长度
    QLabel* Label17 = nullptr;         // 组内最大数
    QLabel* Label18 = nullptr;         // 地址类型
    QLabel* Label19 = nullptr;         // 模块省电
    QLabel* Label22 = nullptr;         // 醒后延时
    QLabel* Label30 = nullptr;         // 醒后模式
    QLabel* LabelFlash = nullptr;      // 存储容量
    QPushButton* Command8 = nullptr;   // 刷新
    QPushButton* Command18 = nullptr;  // 清空
    QPushButton* Command10 = nullptr;  // 退出

    // The address fields that follow the transmission mode.
    QList<QWidget*> addressFields() const;

private:
    void buildWorkFrame();
    void buildPowerFrame();
    void buildPasswordFrame();
    void buildSmallFrames();
    void buildInfoFrame();

    SettingsForm* m_form;
    QList<QWidget*> m_addressFields;
};
