#include "SettingsForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "AlarmTab.h"
#include "JetDb.h"
#include "OutputTab.h"
#include "ParamSenders.h"
#include "PhoneTab.h"
#include "TestTab.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/FormBits.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

namespace {

// Moves a widget down to just below its parent whenever the parent grows
// past the widget's design position.
class BelowFormKeeper : public QObject {
public:
    BelowFormKeeper(QWidget* w, int designTop) : QObject(w), m_w(w), m_top(designTop) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Resize) {
            const int h = static_cast<QWidget*>(o)->height();
            m_w->move(m_w->x(), std::max(m_top, h));
        }
        return false;
    }

private:
    QWidget* m_w;
    int m_top;
};

}  // namespace

SettingsForm::SettingsForm(MainWindow* main) : QWidget(nullptr), m_main(main) {
    setObjectName(QStringLiteral("frm7340COM"));
    setWindowTitle(QStringLiteral("短信模块参数设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(Vb::twips(11800), Vb::twips(8180));

    auto* outer = new QVBoxLayout(this);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    outer->addWidget(SSTab1, 1);

    paramTab = new QWidget;
    paramTab->setObjectName(QStringLiteral("TabParam"));
    buildParamTab();
    testTab = new TestTab(this);
    phoneTab = new PhoneTab(this);
    alarmTab = new AlarmTab(this);
    outputTab = new OutputTab(this);
    SSTab1->addTab(paramTab, QStringLiteral("    基本设置    "));
    SSTab1->addTab(testTab, QStringLiteral("    短信测试    "));
    SSTab1->addTab(phoneTab, QStringLiteral("    其他设置    "));
    SSTab1->addTab(alarmTab, QStringLiteral("    报警设置    "));
    SSTab1->addTab(outputTab, QStringLiteral("    输出控制    "));

    buildInfoFrame();
    outer->addWidget(FrameInfo);
    buildModelFrame();
    buildTimers();
    // The parameter clear button and the batch timer exist only now.
    alarmTab->attachFormControls();

    connect(SSTab1, &QTabWidget::currentChanged, this, &SettingsForm::onTabChanged);
    Controls::onClick(Command10, this, [this] { exitForm(); });
    senders = new ParamSenders(this);
}

SettingsForm::~SettingsForm() = default;

CommPort* SettingsForm::port() const { return m_main ? m_main->MSComm1 : nullptr; }

void SettingsForm::buildParamTab() {
    auto* columns = new QHBoxLayout(paramTab);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);

    // 工作方式选择
    auto* work = new QGroupBox(QStringLiteral("工作方式选择"), paramTab);
    work->setObjectName(QStringLiteral("FrameWork"));
    auto* wl = new QGridLayout(work);
    Combo1 = FormBits::combo(work, "Combo1", true, {QStringLiteral("主动方式"), QStringLiteral("被动方式")},
                             QStringLiteral("无"));
    Combo2 = FormBits::combo(
        work, "Combo2", false,
        {QStringLiteral("格式传输"), QStringLiteral("透明方式1"), QStringLiteral("透明方式2")}, {});
    Combo4 = FormBits::combo(work, "Combo4", true,
                             {QStringLiteral("ASCII"), QStringLiteral("16进制"), QStringLiteral("BCD码")},
                             QStringLiteral("无"));
    Text5 = FormBits::edit(work, QStringLiteral("1"), "Text5");
    Text6 = FormBits::edit(work, QStringLiteral("1"), "Text6");
    Text7 = FormBits::edit(work, QStringLiteral("1"), "Text7");
    VS1 = FormBits::spinner(work, "VS1");
    VS2 = FormBits::spinner(work, "VS2");
    VS3 = FormBits::spinner(work, "VS3");
    TextDXPhone = FormBits::edit(work, QString(), "TextDXPhone");
    Command5 = FormBits::button(work, QStringLiteral("确定"), "Command5");
    QLabel* lAddrType = FormBits::label(work, QStringLiteral("地址类型"), "LabelAddrType");
    QLabel* lAddrStart = FormBits::label(work, QStringLiteral("地址开始位置"), "LabelAddrStart");
    QLabel* lAddrLen = FormBits::label(work, QStringLiteral("地址长度"), "LabelAddrLen");
    QLabel* lGroup = FormBits::label(work, QStringLiteral("组内最大数"), "LabelGroupMax");
    addressLabels = {lAddrType, lAddrStart, lAddrLen, lGroup};
    wl->addWidget(FormBits::label(work, QStringLiteral("工作形式")), 0, 0);
    wl->addWidget(Combo1, 0, 1, 1, 2);
    wl->addWidget(FormBits::label(work, QStringLiteral("传输方式")), 1, 0);
    wl->addWidget(Combo2, 1, 1, 1, 2);
    wl->addWidget(lAddrType, 2, 0);
    wl->addWidget(Combo4, 2, 1, 1, 2);
    wl->addWidget(lAddrStart, 3, 0);
    wl->addWidget(Text5, 3, 1);
    wl->addWidget(VS1, 3, 2);
    wl->addWidget(lAddrLen, 4, 0);
    wl->addWidget(Text6, 4, 1);
    wl->addWidget(VS2, 4, 2);
    wl->addWidget(lGroup, 5, 0);
    wl->addWidget(Text7, 5, 1);
    wl->addWidget(VS3, 5, 2);
    wl->addWidget(TextDXPhone, 6, 0, 1, 2);
    wl->addWidget(Command5, 6, 2);
    for (QWidget* w : std::initializer_list<QWidget*>{lAddrType, lAddrStart, lAddrLen, lGroup, Combo4, Text5,
                                                      Text6, Text7, VS1, VS2, VS3, TextDXPhone})
        w->setEnabled(false);
    left->addWidget(work);

    // 省电
    auto* power = new QGroupBox(QStringLiteral("省电"), paramTab);
    power->setObjectName(QStringLiteral("FramePower"));
    auto* pl = new QGridLayout(power);
    Option5 = FormBits::option(power, QStringLiteral("省电"), "Option5");
    Option6 = FormBits::option(power, QStringLiteral("不省电"), "Option6");
    Option7 = FormBits::option(power, QStringLiteral("模式1"), "Option7");
    Option8 = FormBits::option(power, QStringLiteral("模式2"), "Option8");
    FormBits::pair(this, Option5, Option6);
    FormBits::pair(this, Option7, Option8);
    Option5->setChecked(true);
    Option7->setChecked(true);
    Text11 = FormBits::edit(power, QStringLiteral("1000"), "Text11");
    Text13 = FormBits::edit(power, QStringLiteral("10000"), "Text13");
    Command14 = FormBits::button(power, QStringLiteral("确定"), "Command14");
    pl->addWidget(Option5, 0, 0);
    pl->addWidget(Option6, 0, 1);
    pl->addWidget(Option7, 1, 0);
    pl->addWidget(Option8, 1, 1);
    pl->addWidget(FormBits::label(power, QStringLiteral("醒后空闲延时(ms)")), 0, 2);
    pl->addWidget(Text11, 0, 3);
    pl->addWidget(FormBits::label(power, QStringLiteral("醒后数据延时(ms)")), 1, 2);
    pl->addWidget(Text13, 1, 3);
    pl->addWidget(Command14, 0, 4, 2, 1);
    left->addWidget(power);

    // 密码设置
    auto* pass = new QGroupBox(QStringLiteral("密码设置"), paramTab);
    pass->setObjectName(QStringLiteral("FramePassword"));
    auto* ql = new QGridLayout(pass);
    Option1 = FormBits::option(pass, QStringLiteral("需要"), "Option1");
    Option2 = FormBits::option(pass, QStringLiteral("不需要"), "Option2");
    FormBits::pair(this, Option1, Option2);
    Option1->setChecked(true);
    Option1->setEnabled(false);
    Option2->setEnabled(false);
    Check3 = new QCheckBox(QStringLiteral("接收"), pass);
    Controls::setName(Check3, "Check3");
    Check4 = new QCheckBox(QStringLiteral("发送"), pass);
    Controls::setName(Check4, "Check4");
    Text1 = FormBits::edit(pass, QStringLiteral("5A:21:7C:40:"), "Text1");
    Command1 = FormBits::button(pass, QStringLiteral("确定"), "Command1");
    Command2 = FormBits::button(pass, QStringLiteral("确定"), "Command2");
    ql->addWidget(Option1, 0, 0);
    ql->addWidget(Option2, 0, 1);
    ql->addWidget(Check3, 0, 2);
    ql->addWidget(Check4, 0, 3);
    ql->addWidget(Command1, 0, 4);
    ql->addWidget(FormBits::label(pass, QStringLiteral("密码：")), 1, 0);
    ql->addWidget(Text1, 1, 1, 1, 3);
    ql->addWidget(Command2, 1, 4);
    left->addWidget(pass);
    left->addStretch(1);

    // 接收方号码设置
    auto* recv = new QGroupBox(QStringLiteral("接收方号码设置"), paramTab);
    recv->setObjectName(QStringLiteral("FrameReceiver"));
    auto* rl = new QHBoxLayout(recv);
    Text2 = FormBits::edit(recv, QStringLiteral("***********"), "Text2");
    Text2->setMaxLength(11);
    Command3 = FormBits::button(recv, QStringLiteral("确定"), "Command3");
    rl->addWidget(FormBits::label(recv, QStringLiteral("接收号码：")));
    rl->addWidget(Text2, 1);
    rl->addWidget(Command3);
    right->addWidget(recv);

    // 串口波特率设置
    auto* baud = new QGroupBox(QStringLiteral("串口波特率设置"), paramTab);
    baud->setObjectName(QStringLiteral("FrameBaud"));
    auto* bl = new QHBoxLayout(baud);
    Combo3 =
        FormBits::combo(baud, "Combo3", true,
                        {QStringLiteral("1200bps"), QStringLiteral("2400bps"), QStringLiteral("4800bps"),
                         QStringLiteral("9600bps"), QStringLiteral("19200bps"), QStringLiteral("38400bps"),
                         QStringLiteral("57600bps"), QStringLiteral("115200bps")},
                        QStringLiteral("9600bps"));
    Command6 = FormBits::button(baud, QStringLiteral("确定"), "Command6");
    bl->addWidget(FormBits::label(baud, QStringLiteral("波特率：")));
    bl->addWidget(Combo3, 1);
    bl->addWidget(Command6);
    right->addWidget(baud);

    // 设置没有收到短信重起时间
    auto* restart = new QGroupBox(QStringLiteral("设置没有收到短信重起时间"), paramTab);
    restart->setObjectName(QStringLiteral("FrameRestart"));
    auto* sl = new QHBoxLayout(restart);
    Text4 = FormBits::edit(restart, QStringLiteral("0"), "Text4");
    Command7 = FormBits::button(restart, QStringLiteral("确定"), "Command7");
    sl->addWidget(FormBits::label(restart, QStringLiteral("时间(s)")));
    sl->addWidget(Text4, 1);
    sl->addWidget(Command7);
    right->addWidget(restart);

    // 被动模式下模块地址
    auto* addr = new QGroupBox(QStringLiteral("被动模式下模块地址"), paramTab);
    addr->setObjectName(QStringLiteral("FrameAddress"));
    auto* al = new QHBoxLayout(addr);
    Text3 = FormBits::edit(addr, QStringLiteral("**:**"), "Text3");
    Command4 = FormBits::button(addr, QStringLiteral("确定"), "Command4");
    al->addWidget(FormBits::label(addr, QStringLiteral("模块地址：")));
    al->addWidget(Text3, 1);
    al->addWidget(Command4);
    right->addWidget(addr);
    right->addStretch(1);
}

void SettingsForm::buildInfoFrame() {
    FrameInfo = new QGroupBox(QStringLiteral("参数信息"), this);
    FrameInfo->setObjectName(QStringLiteral("FrameInfo"));
    auto* grid = new QGridLayout(FrameInfo);
    struct Row {
        QLabel** label;
        const char* name;
        const char* caption;
        const char* placeholder;
    };
    const Row rows[] = {
        {&Label3, "Label3", "工作形式：", "* * * *"},
        {&Label4, "Label4", "传输方式：", "* * * *"},
        {&Label5, "Label5", "短信密码：", "**:**:**:**:"},
        {&Label6, "Label6", "接收方号码：", "***********"},
        {&Label7, "Label7", "串口波特率：", "********"},
        {&Label8, "Label8", "软件版本：", "***********"},
        {&Label9, "Label9", "被动方式地址：", "**:**:"},
        {&Label10, "Label10", "有无密码：", "****"},
        {&Label12, "Label12", "重起时间：", "*******"},
        {&Label19, "Label19", "模块省电：", "**"},
        {&Label22, "Label22", "醒后延时：", "**"},
        {&Label30, "Label30", "醒后模式：", "**"},
        // Kept for the refresh's reset; no answer fills them.
        {&Label13, "Label13", "", "********"},
        {&Label15, "Label15", "", "**"},
        {&Label16, "Label16", "", "**"},
        {&Label17, "Label17", "", "**"},
        {&Label18, "Label18", "", "**"},
    };
    int i = 0;
    for (const Row& r : rows) {
        *r.label = FormBits::label(FrameInfo, QString::fromUtf8(r.placeholder), r.name);
        const int row = i % 6;
        const int col = (i / 6) * 2;
        grid->addWidget(FormBits::label(FrameInfo, QString::fromUtf8(r.caption)), row, col);
        grid->addWidget(*r.label, row, col + 1);
        if (r.caption[0] == '\0') (*r.label)->setVisible(false);
        ++i;
    }
    auto* buttons = new QVBoxLayout;
    Command18 = FormBits::button(FrameInfo, QStringLiteral("清空"), "Command18");
    Command8 = FormBits::button(FrameInfo, QStringLiteral("刷新"), "Command8");
    Command10 = FormBits::button(FrameInfo, QStringLiteral("退出"), "Command10");
    buttons->addWidget(Command18);
    buttons->addWidget(Command8);
    buttons->addWidget(Command10);
    grid->addLayout(buttons, 0, 6, 6, 1);
}

void SettingsForm::buildModelFrame() {
    // Out of the way below the visible area and disabled: nothing reaches it.
    FrameModel = new QGroupBox(QStringLiteral("设置模块型号"), this);
    FrameModel->setObjectName(QStringLiteral("FrameModel"));
    auto* l = new QHBoxLayout(FrameModel);
    Option3 = FormBits::option(FrameModel, QStringLiteral("N310 短信"), "Option3");
    Option4 = FormBits::option(FrameModel, QStringLiteral("N320 GPRS"), "Option4");
    FormBits::pair(this, Option3, Option4);
    Option3->setChecked(true);
    Command9 = FormBits::button(FrameModel, QStringLiteral("确定"), "Command9");
    l->addWidget(Option3);
    l->addWidget(Option4);
    l->addWidget(Command9);
    FrameModel->setGeometry(Vb::twips(120), Vb::twips(8640), Vb::twips(4000), Vb::twips(700));
    FrameModel->setEnabled(false);
    // The form can be taller than it was designed (a larger font): keep the
    // frame below whatever height it gets.
    installEventFilter(new BelowFormKeeper(FrameModel, Vb::twips(8640)));
}

void SettingsForm::buildTimers() {
    auto make = [this](const char* name, int ms) {
        auto* t = new VbTimer(this, ms, false);
        Controls::setName(t, name);
        return t;
    };
    Timer1 = make("Timer1", 100);
    Timer2 = make("Timer2", 100);
    Timer3 = make("Timer3", 100);
    Timer4 = make("Timer4", 100);
    Timer5 = make("Timer5", 1000);
    Timer6 = make("Timer6", 1000);
    rTimer = make("rTimer", 100);
    connect(Timer5, &VbTimer::tick, this, &SettingsForm::onTimer5);
    connect(Timer6, &VbTimer::tick, this, &SettingsForm::onTimer6);
}

QList<QPushButton*> SettingsForm::coveredButtons() const {
    return {Command1,
            Command2,
            Command3,
            Command4,
            Command5,
            Command6,
            Command7,
            Command8,
            Command9,
            Command14,
            phoneTab->Command15,
            testTab->Command21[0],
            testTab->Command21[1],
            testTab->Command21[2]};
}

// --- load ---------------------------------------------------------------------

void SettingsForm::load() {
    resize(Vb::twips(11800), Vb::twips(8180));
    m_phoneGrid = phoneTab->Grid;
    m_phoneGrid->setRows(1);
    for (const char* name : {"Combo5", "Combo6", "ComboBJPhone"}) {
        if (auto* c = control<QComboBox>(QString::fromLatin1(name)))
            Controls::setListIndexAndClick(c, 0, Controls::ClickWhen::Always);
    }
    for (QPushButton* b : testTab->Command21) b->setVisible(false);
    g::RxState = 0;
    g::RecvMode = 17;
    {
        const QSignalBlocker block(SSTab1);
        SSTab1->setCurrentIndex(0);
    }
    onTabChanged(0);
    Text5->setText(QString::number(-VS1->value()));
    Text6->setText(QString::number(-VS2->value()));
    Text7->setText(QString::number(-VS3->value()));
    if (m_main && port())
        m_main->setPanel(1, Vb::stringTable(101) + QStringLiteral("COM") +
                                QString::number(port()->commPort()) + QStringLiteral("--") +
                                port()->settings());
    if (port()) port()->setDTREnable(false);
    openPhoneDb();
    Timer5->setEnabled(true);
    Timer6->setEnabled(true);
}

void SettingsForm::openPhoneDb() {
    // Nothing reads the phone table yet, so a missing or unreadable file
    // leaves both handles empty and the form fully usable.
    g::PhoneRs.reset();
    g::PhoneDb.reset();
    jetdb::Error err;
    g::PhoneDb = jetdb::Database::open(Vb::appPath() + QStringLiteral("/gprs.mdb"), &err);
    if (g::PhoneDb) g::PhoneRs = g::PhoneDb->openRecordset(QStringLiteral("select * from Phone_Table"), &err);
}

void SettingsForm::portSteps() {
    g::RxState = 0;
    g::RecvMode = 17;
    if (m_main && port())
        m_main->setPanel(1, Vb::stringTable(101) + QStringLiteral("COM") +
                                QString::number(port()->commPort()) + QStringLiteral("--") +
                                port()->settings());
    if (port()) port()->setDTREnable(false);
    Timer5->rearm(1000);
    Timer6->rearm(1000);
}

void SettingsForm::restartPortSteps() {
    // The refresh about to start remembers the buttons as they stand; they
    // must not be remembered as disabled by an earlier refresh that never
    // ended (opened by Cancel).
    if (m_lock.held()) Enable_Command();
    portSteps();
}

void SettingsForm::onTimer5() {
    Timer5->setEnabled(false);
    g::RecvMode = 101;
    if (port()) port()->setDTREnable(false);
}

void SettingsForm::takeAnswersNow() {
    if (Timer5->running()) onTimer5();
}

void SettingsForm::onTimer6() {
    Timer6->setEnabled(false);
    // A chain the user started meanwhile runs first; a refresh now would
    // interleave its queries with the chain's writes.
    m_lock.whenFree(this, [this] {
        m_openingRefresh = true;
        Controls::runClick(Command8);
        m_openingRefresh = false;
    });
}

// --- tabs -----------------------------------------------------------------

void SettingsForm::onTabChanged(int index) {
    const bool paramModeBefore = g::ParamMode;
    auto show = [this](const QString& name, bool visible) {
        if (auto* w = control<QWidget>(name)) w->setVisible(visible);
    };
    if (index == 1) {
        setWindowTitle(QStringLiteral("短信模块通信测试"));
        if (m_main) m_main->setSendModeMenuVisible(true);
        const bool passive = g::WorkModeByte[0] == 0;
        for (const char* n : {"Label31", "Text22", "Command21(0)", "Command21(1)"})
            show(QString::fromLatin1(n), passive);
        const bool formatted = g::TransModeByte[0] != 0;
        for (const char* n : {"Text21(3)", "Text21(4)", "Label21(4)", "Label21(5)"})
            show(QString::fromLatin1(n), formatted);
        for (int i = 0; i <= 4; ++i)
            if (auto* w = control<QWidget>(Controls::arrayName(QStringLiteral("Text21"), i)))
                FormBits::emptyText(w);
        if (auto* w = control<QWidget>(QStringLiteral("Text22"))) FormBits::emptyText(w);
        g::ParamMode = false;
    } else if (index == 2) {
        setWindowTitle(QStringLiteral("其他参数设置"));
        if (m_main) m_main->setSendModeMenuVisible(true);
        g::ParamMode = true;
    } else {
        setWindowTitle(QStringLiteral("短信模块参数设置"));
        if (m_main) m_main->setSendModeMenuVisible(true);
        g::ParamMode = true;
    }
    // A receive state belongs to the machine that left it: an answer cut
    // short on one tab is never continued by the other tab's machine.
    if (g::ParamMode != paramModeBefore) answersToHunt();
    emit tabHandled(index);
}

void SettingsForm::answersToHunt() {
    g::RxState = 0;
    if (CommPort* p = port()) {
        p->setRThreshold(1);
        p->setInputLen(1);
    }
}

// --- parameter buttons ------------------------------------------------------

void SettingsForm::Disable_Command() { m_lock.hold(coveredButtons(), phoneTab->Command15); }

void SettingsForm::Enable_Command() { m_lock.release(coveredButtons()); }

bool SettingsForm::portReady() {
    CommPort* p = port();
    if (p && p->isOpen() && !connectUnderWay()) {
        takeAnswersNow();
        return true;
    }
    if (m_main) m_main->bringUpConnectDialog();
    return false;
}

bool SettingsForm::connectUnderWay() const {
    if (!m_main) return false;
    // Timer8 is on from the start with no interval: only a probe armed
    // by Connect counts.
    for (int n : {8, 9, 11})
        if (VbTimer* t = m_main->timer(n); t && t->running()) return true;
    // An identify that ended without the module's type, or with a type
    // this program refuses: every answer still goes to the handshake.
    return g::RecvMode == 100 && g::OfflineMode == 0;
}


void SettingsForm::settingsRequestGoing(bool alarm, QComboBox* readChannel) {
    const int ch = readChannel ? readChannel->currentIndex() : -1;
    if (m_settingsRequest) m_settingsRequest(alarm);
    if (ch >= 0) Controls::setListIndexQuiet(readChannel, ch);
}

void SettingsForm::connectStarting() {
    Timer5->setEnabled(false);
    Timer6->setEnabled(false);
    m_lock.dropWaiting();
    senders->stopChains();
    testTab->stopWaiting();
    g::RefreshStep = 100;
    g::RefreshQuery = 0;
    g::DIChannel = 0;
}

// --- exit -----------------------------------------------------------------

void SettingsForm::exitForm() {
    if (m_main) m_main->setPanel(1, QStringLiteral("未使用"));
    if (port() && port()->isOpen()) port()->close();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}
