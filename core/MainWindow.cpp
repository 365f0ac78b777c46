#include "MainWindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>

#include "AddressCalculator.h"
#include "ConnectDialog.h"
#include "Globals.h"
#include "Handshake.h"
#include "LegacyProbe.h"
#include "PictureWindow.h"
#include "ProgramForms.h"
#include "Routines.h"
#include "UnicodeConverter.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"

namespace {
// Design intervals and states of Timer1..Timer11 of the SMS alarm module's
// program.
const MainTimerDesign kTimers[] = {{1, 100, false},  {2, 50, false},    {3, 50, false},   {4, 1000, false},
                                   {5, 1000, false}, {6, 500, false},   {7, 1000, false}, {8, 0, true},
                                   {9, 2000, false}, {10, 1000, false}, {11, 100, false}};
}  // namespace

std::vector<MainTimerDesign> ProgramForms::mainTimers() const {
    return std::vector<MainTimerDesign>(std::begin(kTimers), std::end(kTimers));
}

std::unique_ptr<ReceivePath> ProgramForms::makeReceivePath(MainWindow& main) {
    return std::make_unique<EventReceivePath>(main, this);
}

EventReceivePath::EventReceivePath(MainWindow& main, ProgramForms* forms) : m_main(main), m_forms(forms) {}

void EventReceivePath::onCommEvent(int code) {
    if (code == CommPort::LineLost) {
        m_main.reportLineLost();
        return;
    }
    if (code != CommPort::Receive) return;
    if (m_inReceiver) {
        // The GPRS parser reads answers even while one of its boxes is open
        // (it guards itself); the other receivers take them afterwards.
        if (g::RecvMode == 111 && m_forms)
            m_forms->receiveGprsAnswer();
        else
            m_receivePending = true;
        return;
    }
    m_inReceiver = true;
    do {
        m_receivePending = false;
        switch (g::RecvMode) {
            case 100:
                m_main.handshake()->receive(false);
                break;
            case 101:
                if (m_forms) m_forms->receiveModuleAnswer();
                break;
            case 110:
                m_main.handshake()->receive(true);
                break;
            case 111:
                if (m_forms) m_forms->receiveGprsAnswer();
                break;
            default:
                break;  // no receiver: the bytes stay waiting in the port
        }
    } while (m_receivePending && m_main.MSComm1->isOpen() && m_main.MSComm1->inBufferCount() > 0);
    m_inReceiver = false;
}

MainWindow::MainWindow(const QString& productTitle, ProgramForms* forms, QWidget* parent)
    : QMainWindow(parent), m_title(productTitle), m_forms(forms) {
    setObjectName(QStringLiteral("main"));

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    // The client area gets its size from the layout, which may come after
    // the window's own resize (at the first show): fit on its resizes.
    m_mdi->viewport()->installEventFilter(this);

    MSComm1 = new CommPort(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));

    StatusBar1 = new PanelStatusBar(3, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);

    buildTimers();
    m_handshake = std::make_unique<HandshakeReceiver>(*this);
    m_legacy = std::make_unique<LegacyProbe>(*this);
    onTimerTick(1, [this] { onTimer1(); });
    onTimerTick(5, [this] { onTimer5(); });
    onTimerTick(8, [this] { m_handshake->onProbeTick(); });
    onTimerTick(9, [this] { m_handshake->onTimeoutTick(); });
    onTimerTick(11, [this] { m_handshake->onIdentifyTick(); });
    if (m_forms) m_receivePath = m_forms->makeReceivePath(*this);
    if (m_receivePath)
        connect(MSComm1, &CommPort::commEvent, this, [this](int code) { m_receivePath->onCommEvent(code); });

    buildMenus();

    // Load of the main window.
    setWindowTitle(QStringLiteral("%1V%2.%3").arg(m_title).arg(Vb::appMajor()).arg(Vb::appMinor()));
    g::RxState = 0;
    setSendModeMenuVisible(false);
    setTimerEnabled(1, true);
    setPanel(1, Vb::stringTable(101) + QStringLiteral("未使用"));
    setPanel(2, Vb::stringTable(103) + QStringLiteral("未使用"));
    setPanel(3, Vb::stringTable(104) + QStringLiteral("0"));
    resize(openingSize(Vb::twips(15000), Vb::twips(11400)));
}

QSize MainWindow::openingSize(int width, int height) const {
    // The design size, but within the screen's working area, leaving room
    // for the window manager's frame and caption: on a laptop's screen the
    // status bar would otherwise open below the bottom edge.
    constexpr int FrameRoomX = 16, FrameRoomY = 48;
    QSize size(width, height);
    if (const QScreen* s = screen()) {
        const QSize room = s->availableGeometry().size() - QSize(FrameRoomX, FrameRoomY);
        if (room.isValid()) size = size.boundedTo(room);
    }
    return size;
}

MainWindow::~MainWindow() {
    MSComm1->disconnect(this);
    for (VbTimer* t : timers)
        if (t) t->setEnabled(false);
    if (MSComm1->isOpen()) MSComm1->close();
}

void MainWindow::buildTimers() {
    const std::vector<MainTimerDesign> design =
        m_forms ? m_forms->mainTimers()
                : std::vector<MainTimerDesign>(std::begin(kTimers), std::end(kTimers));
    for (const MainTimerDesign& d : design) {
        if (d.number < 1 || d.number > MaxTimers || timers[d.number]) continue;
        timers[d.number] = new VbTimer(this, d.interval, d.enabled);
        timers[d.number]->setObjectName(QStringLiteral("Timer%1").arg(d.number));
    }
}

void MainWindow::setTimerEnabled(int n, bool on) {
    if (VbTimer* t = timer(n)) t->setEnabled(on);
}

bool MainWindow::timerEnabled(int n) const {
    VbTimer* t = timer(n);
    return t && t->enabled();
}

void MainWindow::setTimerInterval(int n, int ms) {
    if (VbTimer* t = timer(n)) t->setInterval(ms);
}

void MainWindow::rearmTimer(int n, int ms) {
    if (VbTimer* t = timer(n)) t->rearm(ms);
}

void MainWindow::onTimerTick(int n, std::function<void()> fn) {
    if (VbTimer* t = timer(n)) connect(t, &VbTimer::tick, this, std::move(fn));
}

void MainWindow::buildMenus() {
    const MainMenuChoice choice = m_forms ? m_forms->menuChoice() : MainMenuChoice{};
    auto addAction = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("file"));
    if (choice.clearItems) {
        const char* clearNames[3] = {"clear_rece", "clear_send", "clear_yuan"};
        const QString clearCaptions[3] = {QStringLiteral("清空接收区"), QStringLiteral("清空发射区"),
                                          QStringLiteral("清空源码区")};
        for (int i = 0; i < 3; ++i) {
            QAction* a = addAction(file, clearNames[i], clearCaptions[i]);
            connect(a, &QAction::triggered, this, [this, i] {
                if (m_forms) m_forms->clearArea(i);
            });
        }
    }

    if (choice.sendModeMenu) {
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
    }

    QMenu* tool = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    tool->setObjectName(QStringLiteral("tool"));
    if (choice.addressCalculator) {
        connect(addAction(tool, "lookfine", QStringLiteral("计算地址")), &QAction::triggered, this,
                [this] { openAddressCalculator(false); });
        connect(addAction(tool, "count_k", QStringLiteral("计算地址K")), &QAction::triggered, this,
                [this] { openAddressCalculator(true); });
    }
    if (choice.unicodeConverter)
        connect(addAction(tool, "mnuCode", QStringLiteral("Unicode码转换")), &QAction::triggered, this,
                &MainWindow::openUnicodeConverter);

    if (choice.sampleItem) {
        QAction* x = menuBar()->addAction(QStringLiteral("x"));
        x->setObjectName(QStringLiteral("x"));
        x->setVisible(false);
        connect(x, &QAction::triggered, this, [this] {
            if (m_forms) m_forms->showSampleReceived();
        });
    }

    if (m_forms) m_forms->addMenus(*this, menuBar());

    m_windows = menuBar()->addMenu(QStringLiteral("窗口"));
    m_windows->setObjectName(QStringLiteral("windows"));
    connect(m_windows, &QMenu::aboutToShow, this, &MainWindow::rebuildWindowsMenu);
}

ConnectDialog* MainWindow::connectDialog() const { return m_connect.data(); }
PictureWindow* MainWindow::pictureWindow() const { return m_frmMain.data(); }
AddressCalculator* MainWindow::addressCalculator() const { return m_form9.data(); }
UnicodeConverter* MainWindow::unicodeConverter() const { return m_form18.data(); }

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
    const QAction* englist = action(QStringLiteral("englist"));
    const QAction* sendhex = action(QStringLiteral("sendhex"));
    if (englist && englist->isChecked()) return 1;
    if (sendhex && sendhex->isChecked()) return 2;
    return 0;
}

void MainWindow::setSendModeMenuVisible(bool visible) {
    if (m_smsManner) m_smsManner->menuAction()->setVisible(visible);
}

bool MainWindow::sendModeMenuVisible() const { return m_smsManner && m_smsManner->menuAction()->isVisible(); }

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
        // Nor later, by a fit to a small main window or by the user's hand.
        sub->setMinimumSize(sub->minimumSizeHint());
        sub->resize(wanted + (sub->size() - sub->contentsRect().size()));
    }
    sub->show();
    form->show();
    m_mdi->setActiveSubWindow(sub);
    return sub;
}

ConnectDialog* MainWindow::showConnectDialog(bool modal) {
    if (!m_connect) m_connect = new ConnectDialog(this);
    m_connect->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    m_connect->show();
    m_connect->raise();
    m_connect->activateWindow();
    return m_connect;
}

ConnectDialog* MainWindow::bringUpConnectDialog() {
    if (!m_connect) return showConnectDialog(false);
    m_connect->show();
    m_connect->raise();
    m_connect->activateWindow();
    return m_connect;
}

void MainWindow::unloadConnectDialog() {
    // Forget the dialog first: steps that run later must find it gone.
    ConnectDialog* dlg = m_connect.data();
    m_connect = nullptr;
    if (dlg) dlg->close();
}

void MainWindow::openAddressCalculator(bool k) {
    if (!m_form9) m_form9 = new AddressCalculator;
    QMdiSubWindow* sub = showChild(m_form9);
    sub->resize(Vb::twips(7260), Vb::twips(4650));
    m_form9->setWindowTitle(k ? QStringLiteral("为用户计算地址K") : QStringLiteral("为用户计算地址"));
    m_form9->setCalcK(k);
}

void MainWindow::openUnicodeConverter() {
    if (!m_form18) m_form18 = new UnicodeConverter(this);
    m_form18->show();
    m_form18->raise();
}

void MainWindow::onTimer1() {
    setTimerEnabled(1, false);
    if (!m_frmMain) m_frmMain = new PictureWindow(this);
    m_frmMain->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* sub = showChild(m_frmMain);
    // The window's own size, frame and caption included.
    sub->resize(Vb::twips(11800), Vb::twips(8180));
    sub->move(0, 0);
}

void MainWindow::onTimer5() {
    setTimerEnabled(5, false);
    if (MSComm1->isOpen()) MSComm1->close();
}

void MainWindow::reportLineLost() {
    if (m_forms) m_forms->lineLost();
    // The other end of the line went away (a USB adapter pulled, the module
    // switched off): the port has closed itself. Requests from now on go
    // nowhere, so the user must know before relying on them.
    Dialogs::msgBox(this, LineLostText(), QStringLiteral("端口错误"),
                    Dialogs::Icon::Exclamation);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (m_forms) m_forms->fitChildren(*this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (m_forms && m_mdi && watched == m_mdi->viewport() && e->type() == QEvent::Resize)
        m_forms->fitChildren(*this);
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    m_mdi->closeAllSubWindows();
    if (m_form18) m_form18->close();
    QMainWindow::closeEvent(e);
}
