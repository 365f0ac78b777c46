#include "SettingsForm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/FormBits.h"
#include "ParamSenders.h"
#include "ParamTab.h"
#include "PhoneTab.h"
#include "TableFiles.h"
#include "TableTabs.h"
#include "TableTransfers.h"
#include "TestTab.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramForms.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/FilterTextEdit.h"
#include "platform/FlexGrid.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

SettingsForm::SettingsForm(MainWindow* main) : QWidget(nullptr), m_main(main) {
    setObjectName(QStringLiteral("frm7340COM"));
    setWindowTitle(QStringLiteral("短信模块参数设置"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* outer = new QVBoxLayout(this);
    // 60 twips around the tab control, as the layout on resize leaves.
    const int m = Vb::twips(60);
    outer->setContentsMargins(m, m, m, m);
    SSTab1 = new QTabWidget(this);
    Controls::setName(SSTab1, "SSTab1");
    outer->addWidget(SSTab1, 1);

    paramTab = new ParamTab(this);
    testTab = new TestTab(this);
    phoneTab = new PhoneTab(this);
    inputTab = new InputTableTab(this);
    commandTab = new CommandTableTab(this);
    SSTab1->addTab(paramTab, QStringLiteral("    基本设置    "));
    SSTab1->addTab(testTab, QStringLiteral("    短信测试    "));
    SSTab1->addTab(phoneTab, QStringLiteral("    其他设置    "));
    SSTab1->addTab(inputTab, QStringLiteral("    采集报警设置    "));
    SSTab1->addTab(commandTab, QStringLiteral("    指令控设置制    "));

    commandTab->attachCellEditor();
    tableFiles = new TableFiles(this);
    buildModelFrame();
    buildTimers();
    transfers = new TableTransfers(this);

    FormBits::roomOfShownPage(SSTab1);
    connect(SSTab1, &QTabWidget::currentChanged, this, &SettingsForm::onTabChanged);
    Controls::onClick(paramTab->Command10, this, [this] { exitForm(); });
    senders = new ParamSenders(this);
}

SettingsForm::~SettingsForm() = default;

CommPort* SettingsForm::port() const { return m_main ? m_main->MSComm1 : nullptr; }

void SettingsForm::buildModelFrame() {
    Frame6 = new QGroupBox(QStringLiteral("设置模块型号"), this);
    Controls::setName(Frame6, "Frame6");
    auto* l = new QHBoxLayout(Frame6);
    Option3 = FormBits::option(Frame6, QStringLiteral("N310 短信"), "Option3");
    Option4 = FormBits::option(Frame6, QStringLiteral("N320 GPRS"), "Option4");
    FormBits::pair(this, Option3, Option4);
    Option3->setChecked(true);
    Command9 = FormBits::button(Frame6, QStringLiteral("确定"), "Command9");
    l->addWidget(Option3);
    l->addWidget(Option4);
    l->addWidget(Command9);
    // Behind the pages: nothing on the form shows it.
    Frame6->hide();
}

void SettingsForm::buildTimers() {
    auto make = [this](const char* name, int ms) {
        auto* t = new VbTimer(this, ms, false);
        Controls::setName(t, name);
        return t;
    };
    Timer1 = make("Timer1", 200);
    Timer2 = make("Timer2", 100);
    Timer3 = make("Timer3", 100);
    Timer4 = make("Timer4", 200);
    Timer5 = make("Timer5", 500);
    Timer6 = make("Timer6", 500);
    rTimer = make("rTimer", 100);
    connect(Timer5, &VbTimer::tick, this, &SettingsForm::onTimer5);
    connect(Timer6, &VbTimer::tick, this, &SettingsForm::onTimer6);
    connect(rTimer, &VbTimer::tick, testTab, &TestTab::displayTick);
}

QList<QPushButton*> SettingsForm::coveredButtons() const {
    const ParamTab* p = paramTab;
    return {p->Command1,           p->Command2,          p->Command3,
            p->Command4,           p->Command5,          p->Command6,
            p->Command7,           p->Command8,          Command9,
            p->Command14,          phoneTab->Command15,  testTab->Command21[0],
            testTab->Command21[1], testTab->Command21[2]};
}

void SettingsForm::load() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->setGeometry(0, 0, Vb::twips(11800), Vb::twips(8180));
    else
        setGeometry(0, 0, Vb::twips(11800), Vb::twips(8180));
    phoneTab->Grid->setRows(1);
    commandTab->loadGrid();
    inputTab->loadGrid();
    for (QPushButton* b : testTab->Command21) b->setVisible(false);
    g::RxState = 0;
    {
        const QSignalBlocker block(SSTab1);
        SSTab1->setCurrentIndex(0);
    }
    ParamTab* p = paramTab;
    p->Text5->setText(QString::number(-p->VS1->value()));
    p->Text6->setText(QString::number(-p->VS2->value()));
    p->Text7->setText(QString::number(-p->VS3->value()));

    if (auto* c = findChild<QComboBox*>(QStringLiteral("ComboLinkValOut"))) {
        c->clear();
        c->addItems({QStringLiteral("无"), QStringLiteral("采集值"), QStringLiteral("上限值"),
                     QStringLiteral("下限值"), QStringLiteral("采集周期"), QStringLiteral("通讯超时"),
                     QStringLiteral("重发次数")});
    }
    for (const char* name : {"ComboLinkValOut", "ComboRW", "Combo_HE", "ComboSMSType", "ComboSMSBack"})
        if (auto* c = findChild<QComboBox*>(QString::fromLatin1(name))) Controls::setListIndexQuiet(c, 0);
    if (auto* c = findChild<QComboBox*>(QStringLiteral("ComboChannel"))) {
        c->clear();
        c->addItem(QStringLiteral("无"));
        for (int i = 0; i <= 63; ++i) c->addItem(QStringLiteral("CH%1").arg(i));
    }

    if (m_main && port())
        m_main->setPanel(1, Vb::stringTable(101) + QStringLiteral("COM") +
                                QString::number(port()->commPort()) + QStringLiteral("--") +
                                port()->settings());
    if (port()) port()->setDTREnable(false);
}

void SettingsForm::Disable_Command() { m_lock.hold(coveredButtons(), phoneTab->Command15); }

void SettingsForm::Enable_Command() { m_lock.release(coveredButtons()); }

bool SettingsForm::portReady() {
    if (portOpen()) return true;
    showConnectDialog();
    return false;
}

void SettingsForm::lineLost() {
    Timer6->setEnabled(false);
    senders->stopChains();
    transfers->stop();
    phoneTab->setAckAwaited(false);
    transfers->forgetRequests();
    g::PhoneTableOutstanding = 0;
    g::TableClearDue = 0;
    g::InTableOp = 0;
    g::OutTableOp = 0;
    g::CollectionDue = 0;
}

void SettingsForm::connectStarting() {
    Timer5->setEnabled(false);
    // Its two seconds would end inside the handshake: the request would go
    // out among the identify frames, and the module's answer to it spoil
    // the window of theirs it came in.
    testTab->stopWaiting();
    lineLost();
}

void SettingsForm::startModuleDialogue() { Timer5->setEnabled(true); }

void SettingsForm::onTimer5() {
    Timer5->setEnabled(false);
    g::RecvMode = 101;
    if (port()) port()->setDTREnable(false);
    Timer6->setEnabled(true);
}

void SettingsForm::onTimer6() {
    Timer6->setEnabled(false);
    // A chain the user started meanwhile runs first; a refresh now would
    // share the wire with it and hold the buttons it holds.
    m_lock.whenFree(this, [this] { Controls::runClick(paramTab->Command8); });
}

void SettingsForm::onTabChanged(int index) {
    if (index == 1) {
        setWindowTitle(QStringLiteral("短信模块通信测试"));
        testTab->showForModes();
        const QList<QWidget*> boxes = {testTab->TextBox[0],   testTab->TextBox[1],     testTab->TextBox[2],
                                       testTab->SenderNumber, testTab->ReceiverNumber, testTab->Text22};
        for (QWidget* w : boxes) FormBits::emptyText(w);
        g::ParamMode = false;
    } else {
        setWindowTitle(index == 2 ? QStringLiteral("其他参数设置") : QStringLiteral("短信模块参数设置"));
        g::ParamMode = true;
    }
    if (m_main) m_main->setSendModeMenuVisible(true);
    // The page now on show may need more room than the last one.
    if (m_main && m_main->forms()) m_main->forms()->fitChildren(*m_main);
    emit tabHandled(index);
}

void SettingsForm::exitForm() {
    if (m_main) m_main->setPanel(1, QStringLiteral("未使用"));
    if (port() && port()->isOpen()) port()->close();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

// --- hosts of the editors ------------------------------------------------------

FlexGrid* SettingsForm::inGrid() { return inputTab->MSGrid2; }
FlexGrid* SettingsForm::phoneGrid() { return phoneTab->Grid; }
QWidget* SettingsForm::ownerWindow() { return m_main; }
void SettingsForm::setInGridLocked(bool locked) {
    m_channelEditorOpen = locked;
    updateGridLocks();
}
void SettingsForm::pressPhoneTableRead() {
    // Left out while a chain holds the buttons or a phone-table write or
    // clear awaits its answer: the read would share the wire with the one,
    // and have the other's answer taken for the table. The picker then shows
    // the numbers the grid holds.
    if (m_lock.held() || phoneTab->ackAwaited()) return;
    Controls::runClick(phoneTab->Command12);
}
bool SettingsForm::inTableBeingWritten() { return transfers->step() == TableTransfers::WriteInputs; }
bool SettingsForm::commandTableBeingWritten() {
    return transfers->step() == TableTransfers::WriteCommands;
}
void SettingsForm::enableNewRowButton() {
    transfers->setEnabledWhenFree(QStringLiteral("Command25(1)"), true);
}
void SettingsForm::focusSettingsForm() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) sub->activateWindow();
    setFocus();
}
FlexGrid* SettingsForm::commandGrid() { return commandTab->MSGrid1; }
QWidget* SettingsForm::editorOwner() { return m_main; }
