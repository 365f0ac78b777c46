// The GPRS settings form itself: its window, timers, buttons, tabs and the
// lists' clicks that enable the boxes that go with them.

#include "GprsSettingsForm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "GprsWaitDialogs.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/protocol/GprsFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/ListChoice.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

using Controls::named;

namespace {

const QString kNone = QStringLiteral("无");

void setBox(QWidget* box, bool enabled) {
    box->setEnabled(enabled);
    QPalette p = box->palette();
    p.setColor(QPalette::Base,
               enabled ? box->style()->standardPalette().color(QPalette::Base) : QColor(0xE0, 0xE0, 0xE0));
    box->setPalette(p);
}

}  // namespace

GprsSettingsForm::GprsSettingsForm(MainWindow* main) : QWidget(nullptr), m_main(main) {
    setObjectName(QStringLiteral("frm7380COM"));
    setWindowTitle(QStringLiteral("模块设置"));
    setAttribute(Qt::WA_DeleteOnClose);

    const char* captions[12] = {"确定", "发送数据", "确定", "读取数据", "参数刷新", "退出",
                                "确定", "判断内存", "确定", "确定",     "确定",     "确定"};
    for (int i = 0; i < 12; ++i) {
        Command1[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        Controls::setArrayName(Command1[i], QStringLiteral("Command1"), i);
        Command1[i]->setAutoDefault(false);
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { commandClicked(i); });
    }

    SSTab1 = named(new QTabWidget(this), "SSTab1");
    auto* tab0 = new QWidget;
    auto* tab1 = new QWidget;
    auto* tab2 = new QWidget;
    SSTab1->addTab(tab0, QStringLiteral("    参数设置    "));
    SSTab1->addTab(tab1, QStringLiteral("    通信测试    "));
    SSTab1->addTab(tab2, QStringLiteral("身份地址设置"));
    buildParamTab(tab0);
    buildTerminalTab(tab1);
    buildIdentityTab(tab2);
    connect(SSTab1, &QTabWidget::currentChanged, this, &GprsSettingsForm::tabClicked);

    auto* frame5 = named(new QGroupBox(QStringLiteral("系统参数显示"), this), "Frame5");
    buildDisplay(frame5);

    auto* side = new QVBoxLayout;
    side->addWidget(frame5);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1[4]);
    buttons->addWidget(Command1[5]);
    side->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1, 1);
    layout->addLayout(side);

    Timer1 = named(new VbTimer(this, 50, false), "Timer1");
    Timer2 = named(new VbTimer(this, 100, false), "Timer2");
    Timer3 = named(new VbTimer(this, 0, false), "Timer3");
    Timer4 = named(new VbTimer(this, 100, false), "Timer4");
    Timer5 = named(new VbTimer(this, 100, false), "Timer5");
    Timer6 = named(new VbTimer(this, 1000, false), "Timer6");
    Timer7 = named(new VbTimer(this, 100, false), "Timer7");
    rTimer = named(new VbTimer(this, 0, false), "rTimer");
    m_passiveWait = named(new VbTimer(this, 0, false), "passiveWait");
    connect(m_passiveWait, &VbTimer::tick, this, &GprsSettingsForm::passiveTimedOut);
    m_lateAnswers = named(new VbTimer(this, 0, false), "lateAnswers");
    connect(m_lateAnswers, &VbTimer::tick, this, &GprsSettingsForm::lateAnswersOver);
    m_readLateOver = named(new VbTimer(this, 0, false), "readLateOver");
    connect(m_readLateOver, &VbTimer::tick, this, [this] {
        m_readLateOver->setEnabled(false);
        g::GprsReadLate = -1;
    });
    connect(Timer1, &VbTimer::tick, this, &GprsSettingsForm::onTimer1);
    connect(Timer2, &VbTimer::tick, this, &GprsSettingsForm::onTimer2);
    connect(Timer3, &VbTimer::tick, this, &GprsSettingsForm::onTimer3);
    connect(Timer4, &VbTimer::tick, this, &GprsSettingsForm::onTimer4);
    connect(Timer5, &VbTimer::tick, this, &GprsSettingsForm::onTimer5);
    connect(Timer6, &VbTimer::tick, this, &GprsSettingsForm::startTimedRefresh);
    connect(Timer7, &VbTimer::tick, this, [this] {
        Timer7->setEnabled(false);
        set_slave();
    });
    connect(rTimer, &VbTimer::tick, this, &GprsSettingsForm::onRTimer);
}

GprsSettingsForm::~GprsSettingsForm() {
    if (m_form10) m_form10->end();
}

CommPort* GprsSettingsForm::port() const { return m_main ? m_main->MSComm1 : nullptr; }

bool GprsSettingsForm::eventFilter(QObject* o, QEvent* e) {
    // The lists take their values only from a choice, never from keys.
    if (e->type() == QEvent::KeyPress && qobject_cast<QComboBox*>(o)) return true;
    if (o == Label1.value(0) && e->type() == QEvent::MouseButtonDblClick) {
        label0DblClick();
        return true;
    }
    return QWidget::eventFilter(o, e);
}

// The read sequence a second after the load waits for what the user started
// meanwhile: a chain would share its step counter and interleave its frames
// with the sequence's, and an identity write would lose its result to the
// sequence's data half and have its entry overwritten by the address read.
void GprsSettingsForm::startTimedRefresh() {
    if (port()) port()->setDTREnable(false);
    if (m_lock.held() || m_form10 || Timer3->enabled() || Timer7->enabled()) {
        Timer6->rearm(1000);
        return;
    }
    Timer6->setEnabled(false);
    commandClicked(4);
}

void GprsSettingsForm::label0DblClick() {
    if (Label1[27]->isVisible()) {
        Label1[27]->setVisible(false);
        Label1[0]->setMinimumWidth(Vb::twips(2055));
    } else {
        Label1[0]->setMinimumWidth(Vb::twips(975));
        Label1[27]->setVisible(true);
    }
}

void GprsSettingsForm::load() {
    CommPort* p = port();
    move(0, 0);
    resize(Vb::twips(11800), Vb::twips(8180));
    if (p) p->setDTREnable(false);
    m_tabRedirect = true;
    SSTab1->setCurrentIndex(g::GprsWorkMode != 0 ? 0 : 2);
    m_tabRedirect = false;
    g::RecvMode = 111;
    if (p) {
        p->setRThreshold(1);
        p->setInputLen(1);
        // The answer parser reads answers while one of its boxes is open.
        p->setEventsDuringHandler(true);
    }
    g::RxState = 0;
    g::GprsPassiveOwed.clear();
    g::GprsReadLate = -1;
    for (int i : {4, 5, 6}) {
        Text1[i]->clear();
        Text1[i]->setVisible(false);
    }
    for (int i : {2, 4, 5}) Label2[i]->setVisible(false);
    const QString settings = p ? p->settings() : QStringLiteral("9600,n,8,1");
    Combo7->setEditText(settings.left(settings.size() - 6) + QStringLiteral("bps"));
    disable_();
    if (p) p->setDTREnable(false);
    if (m_main && p)
        m_main->setPanel(1,
                         Vb::stringTable(101) + QStringLiteral("COM%1--%2").arg(p->commPort()).arg(settings));
    Timer6->setEnabled(true);
}

void GprsSettingsForm::closeEvent(QCloseEvent* e) {
    // Not under a box of its own or of its wait dialog: the form goes once
    // that box has returned.
    if (Dialogs::boxOpenIn(this)) {
        e->ignore();
        Dialogs::afterOwnBoxes(this, [this] { close(); });
        return;
    }
    for (VbTimer* t : {Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7, rTimer, m_passiveWait, m_lateAnswers})
        t->setEnabled(false);
    g::GprsPassiveOwed.clear();
    g::GprsReadLate = -1;
    if (port() && port()->isOpen()) port()->close();
    if (port()) port()->setEventsDuringHandler(false);
    if (m_main) m_main->setPanel(1, Vb::stringTable(101) + QStringLiteral("未使用"));
    if (m_form10) m_form10->end();
    QWidget::closeEvent(e);
}

void GprsSettingsForm::tabClicked(int index) {
    if (m_tabRedirect) return;
    int target = index;
    if (g::GprsWorkMode == 1 && index == 2) target = 1;
    if (g::GprsWorkMode == 0 && index == 1) target = 2;
    if (target == index) return;
    m_tabRedirect = true;
    SSTab1->setCurrentIndex(target);
    m_tabRedirect = false;
}

void GprsSettingsForm::commandClicked(int index) {
    switch (index) {
        case 0:
            set_slave();
            break;
        case 1:
            send_data();
            break;
        case 2: {
            if (Text4->text().isEmpty() || Text10->text().isEmpty()) return refuseIncomplete();
            if (!heartbeatSeconds() || !restartCount()) return;
            if (!m_restartGiven)
                return refuse(QStringLiteral("模块重起次数还没有读出：请先参数刷新，或输入要设置的重起次数"));
            Timer1->setEnabled(true);
            commanddisable();
            g::GprsParamStep = 0;
            break;
        }
        case 3:
            read_bd_data();
            break;
        case 4:
            g::GprsSlaveSetPending = false;
            refresh_para();
            break;
        case 5:
            close();
            break;
        case 6:
            set_object();
            break;
        case 7:
            read_empty();
            break;
        case 8:
            set_baud();
            break;
        case 9:
            // Delays beyond what the module's two bytes hold are refused
            // rather than sent wrapped.
            if (Option3->isChecked()) {
                if (Text11->text().isEmpty() || Text12->text().isEmpty()) return refuseIncomplete();
                if (!wakeDelayUnits()) return;
                if (!m_idleGiven || !m_dataGiven || !m_wakeModeGiven)
                    return refuse(QStringLiteral("醒后模式和醒后时间还没有读出：请在省电方式下参数刷新，"
                                                 "或输入醒后空闲时间、醒后数据时间并选择醒后模式"));
            }
            Timer5->setEnabled(true);
            commanddisable();
            g::GprsParamStep = 0;
            break;
        case 10: {
            g::GprsParamStep = 0;
            commanddisable();
            const QString c1 = Combo1->currentText(), c2 = Combo2->currentText(), c3 = Combo3->currentText();
            // Each list the chain reads must hold one of its items, or the
            // chain would stop halfway with part of the mode written.
            const bool incomplete = Combo1->findText(c1) < 0 || Combo2->findText(c2) < 0 ||
                                    (c2 == QStringLiteral("透明传输") && Combo3->findText(c3) < 0) ||
                                    (c3 == QStringLiteral("方式2") &&
                                     ((Combo4->currentText() == kNone && !m_readLayoutType) || Text7->text().isEmpty() ||
                                      Text6->text().isEmpty() || Text5->text().isEmpty()));
            if (incomplete) {
                refuseIncomplete();
                commandenable();
                return;
            }
            if (c3 == QStringLiteral("方式2") && !layoutTypeShown()) {
                refuseLayoutType();
                commandenable();
                return;
            }
            Timer4->setEnabled(true);
            break;
        }
        case 11:
            set_bd_address();
            break;
        default:
            break;
    }
}

// The type list shows one of its items, or "无" over a type the module
// holds that the list has no item for; typed text is neither.
bool GprsSettingsForm::layoutTypeShown() const {
    return ListChoice::showsTaken(Combo4) || (Combo4->currentText() == kNone && m_readLayoutType);
}

void GprsSettingsForm::refuseLayoutType() { refuse(QStringLiteral("地址类型只能是 ASCII、16进制、BCD码 之一")); }

void GprsSettingsForm::refuseIncomplete() { refuse(QStringLiteral("模块设置时参数不全")); }

void GprsSettingsForm::refuse(const QString& why) { Dialogs::msgBox(this, why, QStringLiteral("系统提示")); }

// The numbers the chains send, each exactly as its box shows it; a box that
// shows anything else is refused by naming what it takes.
std::optional<uint16_t> GprsSettingsForm::heartbeatSeconds() {
    if (const auto v = GprsFrames::wholeNumber(Text4->text(), 0, 65535)) return uint16_t(*v);
    refuse(QStringLiteral("心跳时间应为 0 到 65535 之间的整数（秒）"));
    return std::nullopt;
}

std::optional<uint8_t> GprsSettingsForm::restartCount() {
    if (const auto v = GprsFrames::wholeNumber(Text10->text(), 0, 255)) return uint8_t(*v);
    refuse(QStringLiteral("模块重起次数应为 0 到 255 之间的整数"));
    return std::nullopt;
}

std::optional<std::pair<uint16_t, uint16_t>> GprsSettingsForm::wakeDelayUnits() {
    const QString range = QStringLiteral(" 0 到 %1 之间的整数（ms）").arg(GprsFrames::MaxDelayMs);
    const auto idle = GprsFrames::delayUnits(Text11->text());
    if (!idle) {
        refuse(QStringLiteral("醒后空闲时间应为") + range);
        return std::nullopt;
    }
    const auto data = GprsFrames::delayUnits(Text12->text());
    if (!data) {
        refuse(QStringLiteral("醒后数据时间应为") + range);
        return std::nullopt;
    }
    return std::pair{*idle, *data};
}

void GprsSettingsForm::commanddisable() { m_lock.hold({Command1.begin(), Command1.end()}); }

void GprsSettingsForm::commandenable() { m_lock.release({Command1.begin(), Command1.end()}); }

void GprsSettingsForm::setAddressLayoutEnabled(bool on, bool clear) {
    for (int i : {20, 15, 16, 37}) Label1[i]->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{Combo4, Text5, Text6, Text7}) setBox(w, on);
    for (QScrollBar* s : {VScroll3, VScroll4, VScroll5}) s->setEnabled(on);
    if (clear) {
        m_readLayoutType.reset();
        Text5->clear();
        Text6->clear();
        Text7->clear();
        Combo4->setCurrentIndex(-1);
        Combo4->setEditText(kNone);
    }
}

void GprsSettingsForm::disable_() {
    for (int i : {13, 14}) Label1[i]->setEnabled(false);
    setBox(Combo2, false);
    setBox(Combo3, false);
    setAddressLayoutEnabled(false, false);
}

void GprsSettingsForm::combo1Click() {
    const QString t = Combo1->currentText();
    const bool active = t == QStringLiteral("主动方式");
    if (active || t == QStringLiteral("被动方式")) {
        Label1[13]->setEnabled(true);
        setBox(Combo2, true);
        VScroll8->setEnabled(!active);
        Frame7->setEnabled(!active);
    }
    Combo3->clear();
    Combo3->addItem(QStringLiteral("方式1"));
    if (active) Combo3->addItem(QStringLiteral("方式2"));
    Combo3->setCurrentIndex(-1);
    Combo3->setEditText(kNone);
}

void GprsSettingsForm::combo2Click() {
    if (Combo2->currentText() == QStringLiteral("透明传输")) {
        Label1[14]->setEnabled(true);
        setBox(Combo3, true);
        return;
    }
    Label1[14]->setEnabled(false);
    setBox(Combo3, false);
    setAddressLayoutEnabled(false, true);
    Combo3->setCurrentIndex(-1);
    Combo3->setEditText(kNone);
}

void GprsSettingsForm::combo3Click() {
    const bool on = Combo3->currentText() == QStringLiteral("方式2");
    setAddressLayoutEnabled(on, !on);
}

void GprsSettingsForm::combo4Click() {
    m_readLayoutType.reset();
    Text5->setText(QString::number(-VScroll3->value()));
    Text6->setText(QString::number(-VScroll4->value()));
    Text7->setText(QString::number(-VScroll5->value()));
    VScroll4->setMinimum(Combo4->currentText() == QStringLiteral("ASCII") ? -4 : -2);
}
