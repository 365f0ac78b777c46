#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "kestrun/sms_parser/SmsAnswerSink.h"
#include "platform/ButtonLock.h"

class CommPort;
class FlexGrid;
class MainWindow;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class VbTimer;
class TestTab;
class PhoneTab;
class AlarmTab;
class OutputTab;
class ParamSenders;

// `frm7340COM`: the settings form of the SMS alarm module, a child window of
// the main window. The parameter tab (tab 0) and the frames beside the tabs
// live here; tabs 1 to 4 are pages of their own (TestTab, PhoneTab, AlarmTab,
// OutputTab). The answer receiver hands it what the module's answers say
// (SmsAnswerSink); the tabs and senders of this folder reach the controls,
// whose objectNames are the names the forms were designed with.
class SettingsForm : public QWidget, public SmsAnswerSink {
    Q_OBJECT
public:
    explicit SettingsForm(MainWindow* main);
    ~SettingsForm() override;

    MainWindow* mainWindow() const { return m_main; }
    CommPort* port() const;

    // The load: grid emptied, lists at their first item, receive path held
    // (RecvMode 17) for a second, panel 1, DTR low, Timer5 and Timer6.
    void load();
    // The form was shown again while loaded (a handshake ended, or Cancel):
    // the port steps of the load run once more; the grid, the lists, the
    // tab and the typed values stay. Buttons an earlier refresh left
    // disabled come back first.
    void restartPortSteps();
    // The receive path opens now rather than at the end of the held second
    // (Timer5): a refresh the user starts in that second waits for answers
    // of its own, which the port would otherwise keep until it has given up.
    void takeAnswersNow();

    // Remember and disable the parameter buttons / put them back. A
    // Disable_Command while one is pending keeps what the first remembered.
    void Enable_Command();
    void Disable_Command();
    // True while a Disable_Command waits for its Enable_Command.
    bool commandsDisabled() const { return m_lock.held(); }
    // True while the refresh the form starts by itself after opening runs.
    bool openingRefresh() const { return m_openingRefresh; }
    // The lock behind the two, which the test page's wait joins.
    ButtonLock& buttonLock() { return m_lock; }

    // Senders call this before writing: with the port closed, or a
    // connect's handshake taking the answers, it brings up the connect
    // dialog without waiting for it and answers false. A request sent in
    // the form's first second opens the receive path for its answers.
    bool portReady();
    // A connect's handshake owns the line: a request now would have its
    // answer taken by the handshake, or its own frames in among the
    // handshake's.
    bool connectUnderWay() const;
    // A new connect has reopened the port: the refresh and the chains end
    // through their own ends, the test request waiting goes nowhere, the
    // opening steps wait for the handshake's end to run again, and nothing
    // sent before is awaited any more.
    void connectStarting();
    // An alarm (or output) settings request is about to go: the answer
    // receiver is told first, as an answer it still holds back belongs to
    // a request before this one.
    void setSettingsRequestHook(std::function<void(bool alarm)> hook) { m_settingsRequest = std::move(hook); }
    // A read passes its channel list: a held answer shown now takes the
    // list to its own channel, and the read asks the one the user chose.
    void settingsRequestGoing(bool alarm, QComboBox* readChannel = nullptr);

    // The phone-number table; the answer receiver fills it.
    FlexGrid* phoneGrid() const { return m_phoneGrid; }

    // A control of the form (on any tab) by objectName, e.g. "Text21(0)";
    // nullptr while it does not exist.
    template <class T>
    T* control(const QString& name) const {
        return findChild<T*>(name);
    }

    // Shared by the work-mode and power-saving chains.
    int ChainStep = 0;

    // --- tabs and frames --------------------------------------------------
    QTabWidget* SSTab1 = nullptr;
    QWidget* paramTab = nullptr;  // tab 0
    TestTab* testTab = nullptr;   // tab 1
    PhoneTab* phoneTab = nullptr; // tab 2
    AlarmTab* alarmTab = nullptr; // tab 3
    OutputTab* outputTab = nullptr; // tab 4
    ParamSenders* senders = nullptr;
    QGroupBox* FrameInfo = nullptr;   // "参数信息"
    QGroupBox* FrameModel = nullptr;  // "设置模块型号"

    // --- tab 0 ------------------------------------------------------------
    // "工作方式选择"
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QScrollBar* VS1 = nullptr;
    QScrollBar* VS2 = nullptr;
    QScrollBar* VS3 = nullptr;
    QLineEdit* TextDXPhone = nullptr;
    QPushButton* Command5 = nullptr;
    QList<QLabel*> addressLabels;  // the four labels disabled with Combo4
    // "省电"
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option6 = nullptr;
    QRadioButton* Option7 = nullptr;
    QRadioButton* Option8 = nullptr;
    QLineEdit* Text11 = nullptr;
    QLineEdit* Text13 = nullptr;
    QPushButton* Command14 = nullptr;
    // "密码设置"
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    // "接收方号码设置"
    QLineEdit* Text2 = nullptr;
    QPushButton* Command3 = nullptr;
    // "串口波特率设置"
    QComboBox* Combo3 = nullptr;
    QPushButton* Command6 = nullptr;
    // "设置没有收到短信重起时间"
    QLineEdit* Text4 = nullptr;
    QPushButton* Command7 = nullptr;
    // "被动模式下模块地址"
    QLineEdit* Text3 = nullptr;
    QPushButton* Command4 = nullptr;

    // --- "参数信息" ---------------------------------------------------------
    QLabel* Label3 = nullptr;   // 工作形式
    QLabel* Label4 = nullptr;   // 传输方式
    QLabel* Label5 = nullptr;   // 短信密码
    QLabel* Label6 = nullptr;   // 接收方号码
    QLabel* Label7 = nullptr;   // 串口波特率
    QLabel* Label8 = nullptr;   // 软件版本 (double click: identity input)
    QLabel* Label9 = nullptr;   // 被动方式地址
    QLabel* Label10 = nullptr;  // 有无密码
    QLabel* Label12 = nullptr;  // 重起时间
    QLabel* Label13 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label19 = nullptr;  // 模块省电
    QLabel* Label22 = nullptr;  // 醒后延时
    QLabel* Label30 = nullptr;  // 醒后模式
    QPushButton* Command18 = nullptr;  // 清空
    QPushButton* Command8 = nullptr;   // 刷新
    QPushButton* Command10 = nullptr;  // 退出

    // --- "设置模块型号" -----------------------------------------------------
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QPushButton* Command9 = nullptr;

    // --- timers -----------------------------------------------------------
    VbTimer* Timer1 = nullptr;  // work-mode chain
    VbTimer* Timer2 = nullptr;  // parameter refresh
    VbTimer* Timer3 = nullptr;  // power-saving chain
    VbTimer* Timer4 = nullptr;  // phone-number batch
    VbTimer* Timer5 = nullptr;  // one shot: opens the answer path
    VbTimer* Timer6 = nullptr;  // one shot: first refresh
    VbTimer* rTimer = nullptr;  // test display

    // The buttons Disable_Command covers, in their remembered order:
    // Command1..Command9, Command14, Command15, Command21(0..2).
    QList<QPushButton*> coveredButtons() const;

    // --- what the answers say (SmsAnswerSink) -------------------------------
    void applyParamAnswer(const Answers::ParamAnswer& answer) override;
    void applyPhoneTable(const QStringList& numbers) override;
    void clearPhoneTable() override;
    void applyAlarmBlock(const SettingsRecords::AlarmBlock& block) override;
    void applyOutputBlock(const SettingsRecords::OutputBlock& block) override;
    int inputStateChannel() const override;
    void showInputState(const QString& text) override;
    void logReceived(const QByteArray& bytes) override;
    void restartTestDisplay() override;
    bool testDisplayIdle() const override;
    bool testSendPending() const override;

signals:
    // After the tab-change handling for `index` has run.
    void tabHandled(int index);

private:
    void buildParamTab();
    void buildInfoFrame();
    void buildModelFrame();
    void buildTimers();
    void onTabChanged(int index);
    void answersToHunt();
    void onTimer5();
    void onTimer6();
    void exitForm();
    void portSteps();
    void openPhoneDb();

    MainWindow* m_main;
    FlexGrid* m_phoneGrid = nullptr;
    ButtonLock m_lock;
    bool m_openingRefresh = false;
    std::function<void(bool alarm)> m_settingsRequest;
};
