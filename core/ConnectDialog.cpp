#include "ConnectDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "Globals.h"
#include "MainWindow.h"
#include "ProgramForms.h"
#include "Routines.h"
#include "platform/Dialogs.h"
#include "platform/ListChoice.h"

ConnectDialog::ConnectDialog(MainWindow* main) : QDialog(main), m_main(main) {
    setObjectName(QStringLiteral("frm7300MOD"));
    setWindowTitle(QStringLiteral("工作方式选择"));
    setAttribute(Qt::WA_DeleteOnClose);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label2 = new QLabel(QStringLiteral("串口号"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label1 = new QLabel(QStringLiteral("波特率"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));

    // Both lists are editable, as they always were, but take their items
    // only: a text typed by hand is refused when the port is opened, rather
    // than opening another port or rate than the dialog shows.
    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    ListChoice::itemsOnly(Combo1);
    for (int i = 1; i <= 8; ++i) Combo1->addItem(QStringLiteral("COM%1").arg(i));
    Combo1->setEditText(QStringLiteral("COM1"));

    Combo2 = new QComboBox(Frame1);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setEditable(true);
    ListChoice::itemsOnly(Combo2);
    for (const char* r : {"1200bps", "2400bps", "4800bps", "9600bps", "14400bps", "19200bps", "38400bps",
                          "57600bps", "115200bps"})
        Combo2->addItem(QString::fromLatin1(r));
    Combo2->setCurrentIndex(3);
    Combo2->setEditText(QStringLiteral("9600bps"));

    auto* grid = new QGridLayout(Frame1);
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(Combo1, 0, 1);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(Combo2, 1, 1);

    PBar = new QProgressBar(this);
    PBar->setObjectName(QStringLiteral("PBar"));
    PBar->setRange(0, 5);
    PBar->setValue(0);
    PBar->setTextVisible(false);

    Command1[0] = new QPushButton(QStringLiteral("连接"), this);
    Command1[0]->setObjectName(QStringLiteral("Command1(0)"));
    Command1[1] = new QPushButton(QStringLiteral("取消"), this);
    Command1[1]->setObjectName(QStringLiteral("Command1(1)"));
    Command1[0]->setAutoDefault(false);
    Command1[1]->setAutoDefault(false);
    connect(Command1[0], &QPushButton::clicked, this, &ConnectDialog::connectClicked);
    connect(Command1[1], &QPushButton::clicked, this, &ConnectDialog::cancelClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1[0]);
    buttons->addWidget(Command1[1]);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(PBar);
    layout->addLayout(buttons);
}

ConnectChoice ConnectDialog::choice() const {
    return m_main->forms() ? m_main->forms()->connectChoice() : ConnectChoice{};
}

bool ConnectDialog::openPort() {
    const ConnectChoice c = choice();
    CommPort& port = *m_main->MSComm1;
    if (const QString why = PortChoiceErrorText(Combo1, Combo2); !why.isEmpty()) {
        Dialogs::msgBox(this, why, QStringLiteral("端口错误"), Dialogs::Icon::Exclamation);
        return false;
    }
    if (port.isOpen()) port.close();
    SetPortAndBaud(port, Combo1->currentText(), Combo2->currentText());
    if (!c.readWholeWindows) {
        port.setInputLen(1);
        port.setRThreshold(1);
    }
    const CommPort::OpenResult opened = port.open();
    if (opened != CommPort::OpenResult::Ok) {
        // The dialog stays usable for another port or rate.
        Dialogs::msgBox(this, PortOpenErrorText(port, opened), QStringLiteral("端口错误"),
                        Dialogs::Icon::Exclamation);
        return false;
    }
    port.setDTREnable(false);
    if (c.readWholeWindows) {
        port.setInputLen(0);
        port.dropInput();
    }
    return true;
}

void ConnectDialog::connectClicked() {
    if (!openPort()) return;
    if (m_main->forms()) m_main->forms()->connectStarting();
    CommPort& port = *m_main->MSComm1;
    Command1[0]->setEnabled(false);
    Combo1->setEnabled(false);
    Combo2->setEnabled(false);
    port.setDTREnable(false);
    g::OfflineMode = 0;
    m_main->setTimerInterval(8, 100);
    m_main->setTimerEnabled(8, true);
    g::RecvMode = 100;
    g::RxState = 0;
    g::PollStep = 0;
}

void ConnectDialog::stopHandshake() {
    for (int n : {8, 9, 11, 5}) m_main->setTimerEnabled(n, false);
}

void ConnectDialog::cancelClicked() {
    // A handshake still under way must not go on writing to the port, nor
    // report a time-out afterwards.
    stopHandshake();
    if (choice().cancelOpensPort) {
        if (!openPort()) return;
    } else {
        CommPort& port = *m_main->MSComm1;
        if (port.isOpen()) port.close();
    }
    g::OfflineMode = -1;
    m_main->unloadConnectDialog();
    if (m_main->forms()) m_main->forms()->showSettingsForm(false);
}

void ConnectDialog::closeEvent(QCloseEvent* e) {
    // Closed by the user (the program unloads it after forgetting it).
    if (m_main->connectDialog() == this && choice().closeStopsHandshake) stopHandshake();
    QDialog::closeEvent(e);
}

void ConnectDialog::reject() {
    if (m_main->connectDialog() == this && choice().closeStopsHandshake) stopHandshake();
    QDialog::reject();
}

void ConnectDialog::enableAll() {
    Command1[0]->setEnabled(true);
    Command1[1]->setEnabled(true);
    Combo1->setEnabled(true);
    Combo2->setEnabled(true);
}
