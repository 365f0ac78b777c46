#include "GprsModeDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GprsWaitDialogs.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Routines.h"
#include "core/protocol/GprsFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/ListChoice.h"
#include "platform/VbTimer.h"

using Controls::named;

GprsModeDialog::GprsModeDialog(MainWindow* main, std::function<void()> enter)
    : QDialog(main), m_main(main), m_enter(std::move(enter)) {
    setObjectName(QStringLiteral("frmQV7380"));
    setWindowTitle(QStringLiteral("工作方式选择"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    auto* ports = new QGroupBox(this);
    Combo1 = named(new QComboBox(ports), "Combo1");
    Combo1->setEditable(true);
    // Editable as they always were, but what the connect opens is what the
    // lists show: typed text is refused rather than left unapplied.
    ListChoice::itemsOnly(Combo1);
    for (int i = 1; i <= 8; ++i) Combo1->addItem(QStringLiteral("COM%1").arg(i));
    Combo1->setEditText(QStringLiteral("COM1"));
    Combo2 = named(new QComboBox(ports), "Combo2");
    Combo2->setEditable(true);
    ListChoice::itemsOnly(Combo2);
    for (const char* r : {"1200bps", "2400bps", "4800bps", "9600bps", "14400bps", "19200bps", "38400bps",
                          "57600bps", "115200bps"})
        Combo2->addItem(QString::fromLatin1(r));
    Combo2->setCurrentIndex(3);
    auto* grid = new QGridLayout(ports);
    grid->addWidget(new QLabel(QStringLiteral("串口号"), ports), 0, 0);
    grid->addWidget(Combo1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("波特率"), ports), 1, 0);
    grid->addWidget(Combo2, 1, 1);

    Frame1 = named(new QGroupBox(this), "Frame1");
    Option1 = named(new QRadioButton(QStringLiteral("数据通信"), Frame1), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("地址设置"), Frame1), "Option2");
    Controls::exclusiveGroup(Frame1, {Option1, Option2});
    auto* options = new QHBoxLayout(Frame1);
    options->addWidget(Option1);
    options->addWidget(Option2);
    Controls::onClick(Option1, this, [this] { optionClicked(0); });
    Controls::onClick(Option2, this, [this] { optionClicked(1); });

    PBar = named(new QProgressBar(this), "PBar");
    PBar->setRange(0, 5);
    PBar->setValue(0);
    PBar->setTextVisible(false);

    const char* captions[3] = {"连接", "取消", "进入"};
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (int i = 0; i < 3; ++i) {
        Command1[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        Controls::setArrayName(Command1[i], QStringLiteral("Command1"), i);
        Command1[i]->setAutoDefault(false);
        buttons->addWidget(Command1[i]);
    }
    connect(Command1[0], &QPushButton::clicked, this, &GprsModeDialog::connectClicked);
    connect(Command1[1], &QPushButton::clicked, this, &GprsModeDialog::cancelClicked);
    connect(Command1[2], &QPushButton::clicked, this, &GprsModeDialog::enterClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ports);
    layout->addWidget(Frame1);
    layout->addWidget(PBar);
    layout->addLayout(buttons);

    // Load.
    Option1->setEnabled(false);
    Option2->setEnabled(false);
    Controls::setValueQuiet(Option1, false);
    Controls::setValueQuiet(Option2, false);
    Command1[2]->setEnabled(false);
}

void GprsModeDialog::connectClicked() {
    CommPort& port = *m_main->MSComm1;
    if (const QString why = PortChoiceErrorText(Combo1, Combo2); !why.isEmpty()) {
        Dialogs::msgBox(this, why, QStringLiteral("端口错误"), Dialogs::Icon::Exclamation);
        return;
    }
    if (port.isOpen()) port.close();
    SetPortAndBaud(port, Combo1->currentText(), Combo2->currentText());
    port.setInputLen(1);
    port.setRThreshold(1);
    QString error;
    switch (port.open()) {
        case CommPort::OpenResult::Ok:
            break;
        case CommPort::OpenResult::Missing:
            error = QStringLiteral("本机没有这个串口，请选择其它串口重试");
            break;
        case CommPort::OpenResult::InUse:
            error = QStringLiteral("串口已经打开，请关闭其它程序重试");
            break;
        case CommPort::OpenResult::Other:
            // Never a silent failure: the user learns why nothing happens.
            error = port.lastErrorText().isEmpty() ? QStringLiteral("串口打开失败") : port.lastErrorText();
            break;
    }
    if (!error.isEmpty()) {
        Dialogs::msgBox(this, error, QStringLiteral("端口错误"), Dialogs::Icon::Exclamation);
        return;
    }
    port.setDTREnable(false);
    Command1[0]->setEnabled(false);
    Combo1->setEnabled(false);
    Combo2->setEnabled(false);
    Dialogs::msgBox(this,
                    QStringLiteral("请确认您的模块信号指示灯已经不在闪烁，否则模块和计算机通信不正常。"),
                    QStringLiteral("注意：系统提示！！！"), Dialogs::Icon::Information);
    port.setDTREnable(false);
    m_main->timer(8)->setInterval(100);
    m_main->timer(8)->setEnabled(true);
    g::RecvMode = 110;
    g::RxState = 0;
    g::PollStep = 0;
}

void GprsModeDialog::cancelClicked() {
    // A handshake still under way must not go on with a closed port.
    for (int n : {8, 9, 11, 5}) m_main->timer(n)->setEnabled(false);
    CommPort& port = *m_main->MSComm1;
    if (port.isOpen()) port.close();
    close();
}

void GprsModeDialog::enterClicked() {
    const bool data = Option1->isChecked() && Option1->isEnabled();
    const bool address = Option2->isChecked() && Option2->isEnabled();
    close();
    if (data)
        g::GprsWorkMode = 1;
    else if (address)
        g::GprsWorkMode = 0;
    else
        return;
    if (m_enter) m_enter();
}

void GprsModeDialog::optionClicked(int mode) {
    // Nothing to switch when the module is in that mode already.
    if (mode == 0 && g::HsStatusBytes[2] == 0x80) return;
    if (mode == 1 && g::HsStatusBytes[2] == 0x00) return;
    // A line that went (or a port closed meanwhile) is opened again; when
    // that fails the module stays in its mode, and the options show that
    // mode, so that Enter opens the settings form in it.
    CommPort& port = *m_main->MSComm1;
    const CommPort::OpenResult opened = port.open();
    if (opened != CommPort::OpenResult::Ok || !port.output(GprsFrames::modeSwitch(uint8_t(mode)))) {
        Controls::setValueQuiet(g::HsStatusBytes[2] == 0x80 ? Option1 : Option2, true);
        Dialogs::msgBox(this,
                        opened != CommPort::OpenResult::Ok ? PortOpenErrorText(port, opened)
                                                           : LineLostText(),
                        QStringLiteral("端口错误"), Dialogs::Icon::Exclamation);
        return;
    }
    g::WaitMessage = QStringLiteral("您设置了QV7380模块通信模式，模块已经重新启动，需要等待一点时间");
    if (m_form19) m_form19->end();
    m_form19 = new RestartWaitDialog(
        this, g::WaitMessage,
        [this] {
            if (m_main->MSComm1->isOpen()) m_main->MSComm1->close();
        },
        [this] { afterRestart(); });
    m_form19->show();
}

void GprsModeDialog::afterRestart() {
    Option1->setEnabled(false);
    Option2->setEnabled(false);
    Controls::setValueQuiet(Option1, false);
    Controls::setValueQuiet(Option2, false);
    Combo1->setEnabled(true);
    Combo2->setEnabled(true);
    Command1[0]->setEnabled(true);
    Command1[1]->setEnabled(false);
    Command1[2]->setEnabled(true);
}

void GprsModeDialog::handshakeDone(int moduleType) {
    if (moduleType != 1) {
        Dialogs::msgBox(this, QStringLiteral("您的模块与测试软件不一样，请与厂家联系"),
                        QStringLiteral("提示"), Dialogs::Icon::Exclamation);
        return;
    }
    for (QPushButton* b : Command1) b->setEnabled(true);
    PBar->setValue(0);
    const bool data = g::HsStatusBytes[2] == 0x80;
    // Selecting the module's own mode switches nothing; any other status
    // byte selects address setting, whose click switches the module.
    Controls::setValueAndClick(data ? Option1 : Option2, true);
    Option1->setEnabled(true);
    Option2->setEnabled(true);
}

void GprsModeDialog::setProgress(int value) { PBar->setValue(value); }

void GprsModeDialog::enableConnectButtons() {
    Command1[0]->setEnabled(true);
    Command1[1]->setEnabled(true);
}
