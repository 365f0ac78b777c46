#include "MainWindow.h"

#include "Form18.h"
#include "Form9.h"
#include "Frm7300MOD.h"
#include "FrmMain.h"
#include "Globals.h"
#include "Handshake.h"
#include "LegacyProbe.h"
#include "ProgramForms.h"
#include "platform/Controls.h"
#include "platform/Vb.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

namespace {
// Design intervals and states of Timer1..Timer11.
struct TimerDesign {
    int interval;
    bool enabled;
};
const TimerDesign kTimers[12] = {{0, false},    {100, false}, {50, false},   {50, false},
                                 {1000, false}, {1000, false}, {500, false}, {1000, false},
                                 {0, true},     {2000, false}, {1000, false}, {100, false}};
}  // namespace

MainWindow::MainWindow(const QString& productTitle, ProgramForms* forms, QWidget* parent)
    : QMainWindow(parent), m_title(productTitle), m_forms(forms) {
    setObjectName(QStringLiteral("main"));

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);

    MSComm1 = new CommPort(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    connect(MSComm1, &CommPort::commEvent, this, &MainWindow::onCommEvent);

    StatusBar1 = new PanelStatusBar(3, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);

    for (int i = 1; i <= 11; ++i) {
        timers[i] = new VbTimer(this, kTimers[i].interval, kTimers[i].enabled);
        timers[i]->setObjectName(QStringLiteral("Timer%1").arg(i));
    }
    m_handshake = std::make_unique<HandshakeReceiver>(*this);
    m_legacy = std::make_unique<LegacyProbe>(*this);
    connect(timers[1], &VbTimer::tick, this, &MainWindow::onTimer1);
    connect(timers[5], &VbTimer::tick, this, &MainWindow::onTimer5);
    connect(timers[8], &VbTimer::tick, this, [this] { m_handshake->onProbeTick(); });
    connect(timers[9], &VbTimer::tick, this, [this] { m_handshake->onTimeoutTick(); });
    connect(timers[11], &VbTimer::tick, this, [this] { m_handshake->onIdentifyTick(); });

    buildMenus();

    // Load of the main window.
    setWindowTitle(QStringLiteral("%1V%2.%3").arg(m_title).arg(Vb::appMajor()).arg(Vb::appMinor()));
    g::RxState = 0;
    setSendModeMenuVisible(false);
    timers[1]->setEnabled(true);
    setPanel(1, Vb::stringTable(101) + QStringLiteral("未使用"));
    setPanel(2, Vb::stringTable(103) + QStringLiteral("未使用"));
    setPanel(3, Vb::stringTable(104) + QStringLiteral("0"));
    resize(Vb::twips(15000), Vb::twips(11400));
}

MainWindow::~MainWindow() {
    for (VbTimer* t : timers)
        if (t) t->setEnabled(false);
    if (MSComm1->isOpen()) MSComm1->close();
}

void MainWindow::buildMenus() {
    auto addAction = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("file"));
    const char* clearNames[3] = {"clear_rece", "clear_send", "clear_yuan"};
    const QString clearCaptions[3] = {QStringLiteral("清空接收区"), QStringLiteral("清空发射区"),
                                      QStringLiteral("清空源码区")};
    for (int i = 0; i < 3; ++i) {
        QAction* a = addAction(file, clearNames[i], clearCaptions[i]);
        connect(a, &QAction::triggered, this, [this, i] {
            if (m_forms) m_forms->clearArea(i);
        });
    }

    m_smsManner = menuBar()->addMenu(QStringLiteral("短信发送方式"));
    m_smsManner->setObjectName(QStringLiteral("sms_Manner"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    QAction* chinese = addAction(m_smsManner, "chinese", QStringLiteral("汉字"));
    QAction* englist = addAction(m_smsManner, "englist", QStringLiteral("英文"));
    QAction* sendhex = addAction(m_smsManner, "sendhex", QStringLiteral("十六进制"));
    for (QAction* a : {chinese, englist, sendhex}) {
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { onSendModeClicked(a); });
    }
    chinese->setChecked(true);

    QMenu* tool = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    tool->setObjectName(QStringLiteral("tool"));
    connect(addAction(tool, "lookfine", QStringLiteral("计算地址")), &QAction::triggered, this,
            [this] { openAddressCalculator(false); });
    connect(addAction(tool, "count_k", QStringLiteral("计算地址K")), &QAction::triggered, this,
            [this] { openAddressCalculator(true); });
    connect(addAction(tool, "mnuCode", QStringLiteral("Unicode码转换")), &QAction::triggered, this,
            &MainWindow::openUnicodeConverter);

    QAction* x = menuBar()->addAction(QStringLiteral("x"));
    x->setObjectName(QStringLiteral("x"));
    x->setVisible(false);
    connect(x, &QAction::triggered, this, [this] {
        if (m_forms) m_forms->showSampleReceived();
    });

    m_windows = menuBar()->addMenu(QStringLiteral("窗口"));
    m_windows->setObjectName(QStringLiteral("windows"));
    connect(m_windows, &QMenu::aboutToShow, this, &MainWindow::rebuildWindowsMenu);
}

Frm7300MOD* MainWindow::connectDialog() const { return m_connect.data(); }
FrmMain* MainWindow::pictureWindow() const { return m_frmMain.data(); }
Form9* MainWindow::addressCalculator() const { return m_form9.data(); }
Form18* MainWindow::unicodeConverter() const { return m_form18.data(); }

QAction* MainWindow::action(const QString& name) const { return findChild<QAction*>(name); }

void MainWindow::rebuildWindowsMenu() {
    m_windows->clear();
    const auto subs = m_mdi->subWindowList();
    for (QMdiSubWindow* sub : subs) {
        QAction* a = m_windows->addAction(sub->windowTitle());
        a->setCheckable(true);
        a->setChecked(sub == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
    }
}

void MainWindow::onSendModeClicked(QAction* clicked) {
    clicked->setChecked(true);
    if (m_forms) m_forms->sendModeChanged();
}

int MainWindow::sendMode() const {
    if (action(QStringLiteral("englist"))->isChecked()) return 1;
    if (action(QStringLiteral("sendhex"))->isChecked()) return 2;
    return 0;
}

void MainWindow::setSendModeMenuVisible(bool visible) { m_smsManner->menuAction()->setVisible(visible); }

bool MainWindow::sendModeMenuVisible() const { return m_smsManner->menuAction()->isVisible(); }

void MainWindow::setPanel(int panel, const QString& text) { StatusBar1->setPanelText(panel, text); }

QString MainWindow::panel(int panel) const { return StatusBar1->panelText(panel); }

QMdiSubWindow* MainWindow::showChild(QWidget* form) {
    QMdiSubWindow* sub = nullptr;
    const auto subs = m_mdi->subWindowList();
    for (QMdiSubWindow* s : subs)
        if (s->widget() == form) sub = s;
    if (!sub) {
        // Never smaller than the form's layout needs: a squeezed frame would
        // hide its controls; the MDI area scrolls instead.
        const QSize wanted = form->size().expandedTo(form->minimumSizeHint());
        sub = m_mdi->addSubWindow(form);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->resize(wanted + (sub->size() - sub->contentsRect().size()));
    }
    sub->show();
    form->show();
    m_mdi->setActiveSubWindow(sub);
    return sub;
}

Frm7300MOD* MainWindow::showConnectDialog(bool modal) {
    if (!m_connect) m_connect = new Frm7300MOD(this);
    m_connect->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    m_connect->show();
    m_connect->raise();
    m_connect->activateWindow();
    return m_connect;
}

void MainWindow::unloadConnectDialog() {
    // Forget the dialog first: steps that run later must find it gone.
    Frm7300MOD* dlg = m_connect.data();
    m_connect = nullptr;
    if (dlg) dlg->close();
}

void MainWindow::openAddressCalculator(bool k) {
    if (!m_form9) m_form9 = new Form9;
    QMdiSubWindow* sub = showChild(m_form9);
    sub->resize(Vb::twips(7260), Vb::twips(4650));
    m_form9->setWindowTitle(k ? QStringLiteral("为用户计算地址K") : QStringLiteral("为用户计算地址"));
    m_form9->setCalcK(k);
}

void MainWindow::openUnicodeConverter() {
    if (!m_form18) m_form18 = new Form18(this);
    m_form18->show();
    m_form18->raise();
}

void MainWindow::onTimer1() {
    timers[1]->setEnabled(false);
    if (!m_frmMain) m_frmMain = new FrmMain(this);
    m_frmMain->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = showChild(m_frmMain);
    // The window's own size, frame and caption included.
    sub->resize(Vb::twips(11800), Vb::twips(8180));
    sub->move(0, 0);
}

void MainWindow::onTimer5() {
    timers[5]->setEnabled(false);
    if (MSComm1->isOpen()) MSComm1->close();
}

void MainWindow::onCommEvent(int code) {
    if (code != CommPort::Receive) return;
    // A receiver may show a message box, whose event loop delivers further
    // receive events; they wait until the running pass has returned.
    if (m_inReceiver) {
        m_receivePending = true;
        return;
    }
    m_inReceiver = true;
    do {
        m_receivePending = false;
        switch (g::RecvMode) {
            case 100: m_handshake->receive(false); break;
            case 101: if (m_forms) m_forms->receiveModuleAnswer(); break;
            case 110: m_handshake->receive(true); break;
            case 111: if (m_forms) m_forms->receiveGprsAnswer(); break;
            default: break;  // no receiver: the bytes stay waiting in the port
        }
    } while (m_receivePending && MSComm1->isOpen() && MSComm1->inBufferCount() > 0);
    m_inReceiver = false;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    m_mdi->closeAllSubWindows();
    if (m_form18) m_form18->close();
    QMainWindow::closeEvent(e);
}
