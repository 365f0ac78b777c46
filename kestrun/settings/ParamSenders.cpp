#include "ParamSenders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <utility>

#include "PhoneTab.h"
#include "SettingsForm.h"
#include "core/AnswerHold.h"
#include "core/ColonHexEntry.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Routines.h"
#include "core/protocol/ParamFrames.h"
#include "kestrun/sms_parser/Outstanding.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/ListChoice.h"
#include "platform/VbTimer.h"

namespace {

constexpr int kRefreshFirstMs = 100;
constexpr int kRefreshMs = 500;
constexpr int kChainFirstMs = 100;
constexpr int kWorkModeMs = 2000;
constexpr int kPowerMs = 1000;
constexpr int kQuerySent = 100;

const QString kNoChoice = QStringLiteral("无");

int chosenItem(const QComboBox* c) { return ListChoice::shownItem(c); }

}  // namespace

ParamSenders::ParamSenders(SettingsForm* form) : QObject(form), m_form(form) {
    setObjectName(QStringLiteral("ParamSenders"));
    SettingsForm* f = form;

    Controls::onClick(f->Command1, this, [this] { sendPasswordUse(); });
    Controls::onClick(f->Option1, this, [this] { sendPasswordUse(); });
    Controls::onClick(f->Option2, this, [this] { sendPasswordUse(); });
    Controls::onClick(f->Command2, this, [this] { sendPassword(); });
    Controls::onClick(f->Command3, this, [this] { sendReceiverNumber(); });
    Controls::onClick(f->Command4, this, [this] { sendAddress(); });
    Controls::onClick(f->Command6, this, [this] { sendBaud(); });
    Controls::onClick(f->Command7, this, [this] { sendRestartTime(); });
    Controls::onClick(f->Command9, this, [this] { sendModel(); });
    Controls::onClick(f->Command8, this, [this] { refresh(); });
    Controls::onClick(f->Command5, this, [this] { startWorkModeChain(); });
    Controls::onClick(f->Command14, this, [this] { startPowerChain(); });
    Controls::onClick(f->Combo1, this, [this] { onCombo1Click(); });
    Controls::onClick(f->Combo2, this, [this] { onCombo2Click(); });

    QLineEdit* text1 = f->Text1;
    QLineEdit* text3 = f->Text3;
    Controls::installKeyFilter(text1, [text1](int& key) { ColonHexKey(text1, key, false); });
    Controls::installKeyFilter(text3, [text3](int& key) { ColonHexKey(text3, key, false); });

    // The spinners' boxes show minus the value (the spinners run -255..-1).
    const std::pair<QScrollBar*, QLineEdit*> spinners[] = {
        {f->VS1, f->Text5}, {f->VS2, f->Text6}, {f->VS3, f->Text7}};
    for (const auto& [bar, box] : spinners) {
        QLineEdit* target = box;
        connect(bar, &QScrollBar::valueChanged, this,
                [target](int v) { target->setText(QString::number(-v)); });
    }

    for (QLineEdit* box : {f->Text1, f->Text2, f->Text3})
        connect(box, &QLineEdit::textChanged, this, [this, box] { m_filled.insert(box); });

    m_identityLabel = f->Label8;
    f->Label8->installEventFilter(this);

    connect(f->Timer1, &VbTimer::tick, this, &ParamSenders::workModeTick);
    connect(f->Timer2, &VbTimer::tick, this, &ParamSenders::refreshTick);
    connect(f->Timer3, &VbTimer::tick, this, &ParamSenders::powerTick);
}

bool ParamSenders::eventFilter(QObject* watched, QEvent* event) {
    // The type first: the label's last events come while the form is being
    // destroyed, when its members must not be touched any more.
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_identityLabel) {
        identityInput();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// --- sending ------------------------------------------------------------------

bool ParamSenders::send(const QByteArray& frame) {
    if (!m_form->portReady()) return false;
    sendChecked(frame);
    return true;
}

void ParamSenders::refuse(const QString& why) {
    Dialogs::msgBox(m_form, why, QStringLiteral("提示"), Dialogs::Icon::Exclamation);
}

void ParamSenders::sendPasswordUse() {
    send(ParamFrames::passwordUse(m_form->Check3->isChecked(), m_form->Check4->isChecked()));
}

bool ParamSenders::holdsValue(const QLineEdit* box, const QString& what) {
    if (m_filled.contains(box)) return true;
    refuse(ParamFrames::notReadYet(what));
    return false;
}

void ParamSenders::sendPassword() {
    if (!m_form->portReady() || !holdsValue(m_form->Text1, QStringLiteral("短信密码"))) return;
    const ParamFrames::Built b = ParamFrames::smsPassword(m_form->Text1->text());
    b.ok() ? sendChecked(b.frame) : refuse(b.error);
}

void ParamSenders::sendReceiverNumber() {
    if (!m_form->portReady() || !holdsValue(m_form->Text2, QStringLiteral("接收方号码"))) return;
    const ParamFrames::Built b = ParamFrames::receiverNumber(m_form->Text2->text());
    b.ok() ? sendChecked(b.frame) : refuse(b.error);
}

void ParamSenders::sendAddress() {
    if (!m_form->portReady() || !holdsValue(m_form->Text3, QStringLiteral("模块地址"))) return;
    const ParamFrames::Built b = ParamFrames::passiveAddress(m_form->Text3->text());
    b.ok() ? sendChecked(b.frame) : refuse(b.error);
}

void ParamSenders::sendModel() {
    if (!m_form->Option3->isChecked() && !m_form->Option4->isChecked()) return;
    send(ParamFrames::moduleModel(m_form->Option3->isChecked()));
}

void ParamSenders::sendBaud() {
    if (!m_form->portReady()) return;
    const ParamFrames::Built b = ParamFrames::moduleBaud(m_form->Combo3->currentText());
    b.ok() ? sendChecked(b.frame) : refuse(b.error);
}

void ParamSenders::sendRestartTime() {
    if (!m_form->portReady()) return;
    const ParamFrames::Built b = ParamFrames::restartTime(m_form->Text4->text());
    b.ok() ? sendChecked(b.frame) : refuse(b.error);
}

void ParamSenders::sendChecked(const QByteArray& frame) {
    g::CommBytes = frame;
    if (CommPort* port = m_form->port()) port->output(g::CommBytes);
}

void ParamSenders::identityInput() {
    if (!m_form->portReady()) return;
    const QString typed =
        Dialogs::inputBox(m_form, QStringLiteral("请输入8位密码："), QStringLiteral("身份识别"));
    const ParamFrames::Built b = ParamFrames::identity(typed);
    if (!b.ok()) {
        Dialogs::msgBox(m_form, b.error, QStringLiteral("提示"), Dialogs::Icon::Information);
        return;
    }
    // The input box may have let the port go meanwhile.
    if (send(b.frame)) Outstanding::sent(g::IdentityOutstanding, 1);
}

// --- work-mode frame ------------------------------------------------------------

void ParamSenders::onCombo1Click() { m_form->Text3->setEnabled(chosenItem(m_form->Combo1) != 0); }

void ParamSenders::onCombo2Click() {
    // The answer receiver selects items while it is inside an answer.
    if (g::RxState != 0) return;
    if (m_form->Combo2->currentIndex() != 2) return;
    // The picker starts from the mask in the box; one the box cannot hold
    // as 32 bits ticks nothing.
    int64_t mask = 0;
    if (!ParamFrames::leadingInteger(m_form->TextDXPhone->text(), 0, 0xFFFFFFFFLL, mask)) mask = 0;
    // Opens the picker and reads the phone-number table for it.
    m_form->phoneTab->openPicker(QStringLiteral("号码选择 - 短信发送"), mask);
}

// --- refresh ----------------------------------------------------------------

bool ParamSenders::refresh() {
    SettingsForm* f = m_form;
    // Reopening the port would cut the handshake short; it refreshes at
    // its end anyway.
    if (f->connectUnderWay()) {
        if (MainWindow* main = f->mainWindow()) main->bringUpConnectDialog();
        return false;
    }
    const struct {
        QLabel* label;
        const char* text;
    } placeholders[] = {{f->Label3, "* * * *"},     {f->Label4, "* * * *"},     {f->Label5, "**:**:**:**:"},
                        {f->Label6, "***********"}, {f->Label8, "***********"}, {f->Label7, "********"},
                        {f->Label13, "********"},   {f->Label9, "**:**:"},      {f->Label10, "****"},
                        {f->Label12, "*******"},    {f->Label15, "**"},         {f->Label16, "**"},
                        {f->Label17, "**"},         {f->Label18, "**"},         {f->Label19, "**"},
                        {f->Label22, "**"},         {f->Label30, "**"}};
    for (const auto& p : placeholders) p.label->setText(QString::fromUtf8(p.text));
    g::RxState = 0;
    g::RefreshStep = 0;
    g::RefreshQuery = 0;

    CommPort* port = f->port();
    if (!port) return false;
    if (port->isOpen()) port->close();
    port->setInputLen(1);
    port->setRThreshold(1);
    const CommPort::OpenResult opened = port->open();
    if (opened != CommPort::OpenResult::Ok) {
        // Nothing can be asked without the port: the form stays as it is.
        // A form opened by Cancel was asked to work without the module: its
        // own opening refresh says nothing unasked; one the user asks for
        // says what is wrong.
        if (!(g::OfflineMode != 0 && f->openingRefresh()))
            Dialogs::msgBox(f, PortOpenErrorText(*port, opened), QStringLiteral("端口错误"),
                            Dialogs::Icon::Exclamation);
        return false;
    }
    port->setDTREnable(false);
    if (g::OfflineMode == 0) {
        f->takeAnswersNow();
        g::RefreshQuery = Outstanding::kRefreshNothingOut;
        f->Timer2->rearm(kRefreshFirstMs);
        g::ParamMode = true;
    }
    f->Disable_Command();
    return true;
}

void ParamSenders::refreshTick() {
    SettingsForm* f = m_form;
    f->Timer2->rearm(kRefreshMs);
    // The answer receiver's box holds the answer this step needs.
    if (AnswerHold::deferTick(f->Timer2)) return;
    const QByteArray query = ParamFrames::refreshQuery(g::RefreshStep);
    if (!query.isEmpty()) {
        g::CommBytes = query;
        if (f->port()) f->port()->output(g::CommBytes);
        if (g::RefreshStep == 0) Outstanding::sent(g::IdentityOutstanding, 0);
        g::RefreshStep = kQuerySent;
        g::RefreshQuery = uint8_t(query.at(8));
        return;
    }
    endRefresh();
    // Ended before the module's last answer: the labels still showing
    // placeholders were not read, and the installer is told so (a line
    // that went away has said so already).
    const uint8_t out = std::exchange(g::RefreshQuery, 0);
    const bool unanswered = out != 0 && out != Outstanding::kRefreshNothingOut;
    if (unanswered && f->port() && f->port()->isOpen()) refuse(RefreshIncompleteText());
}

void ParamSenders::endRefresh() {
    m_form->Timer2->setEnabled(false);
    m_form->Enable_Command();
    g::RefreshStep = kQuerySent;
}

void ParamSenders::stopChains() {
    if (m_form->Timer2->enabled()) {
        endRefresh();
        g::RefreshQuery = 0;
    }
    if (m_form->Timer1->enabled()) endWorkModeChain();
    if (m_form->Timer3->enabled()) endPowerChain();
}

// --- work-mode chain ------------------------------------------------------------

void ParamSenders::startWorkModeChain() {
    SettingsForm* f = m_form;
    // Text typed over the work-mode list is no choice: nothing goes out.
    if (!ListChoice::showsTaken(f->Combo1, {kNoChoice})) {
        remindWorkMode();
        return;
    }
    if (!f->portReady()) return;
    if (chosenItem(f->Combo2) == 2) {
        const ParamFrames::Built mask = ParamFrames::numberMask(f->TextDXPhone->text());
        if (!mask.ok()) {
            refuse(mask.error);
            return;
        }
    }
    f->ChainStep = 0;
    f->Timer1->rearm(kChainFirstMs);
    f->Disable_Command();
}

void ParamSenders::workModeTick() {
    SettingsForm* f = m_form;
    f->Timer1->rearm(kWorkModeMs);
    switch (f->ChainStep) {
        case 0: {
            if (f->Combo1->currentText() == kNoChoice) {
                remindWorkMode();
                return;
            }
            const int item = chosenItem(f->Combo1);
            if (item < 0) {
                // Typed over the list while the chain waited.
                endWorkModeChain();
                remindWorkMode();
                return;
            }
            sendChecked(ParamFrames::workMode(item == 0));
            f->ChainStep = 1;
            return;
        }
        case 1: {
            const int item = f->Combo2->currentIndex();
            if (item < 0) return;  // waits until a transmission mode is chosen
            sendChecked(ParamFrames::transMode(item));
            f->ChainStep = item == 0 ? 5 : item == 1 ? 6 : 3;
            return;
        }
        case 3:
            sendChecked(ParamFrames::subMode(0x00));
            f->ChainStep = 4;
            return;
        case 4: {
            const ParamFrames::Built mask = ParamFrames::numberMask(f->TextDXPhone->text());
            if (!mask.ok()) {
                // Changed since the start: the chain cannot finish its last write.
                endWorkModeChain();
                refuse(mask.error);
                return;
            }
            sendChecked(mask.frame);
            f->ChainStep = 5;
            return;
        }
        case 6:
            sendChecked(ParamFrames::subMode(0x01));
            f->ChainStep = 5;
            return;
        default:
            endWorkModeChain();
            return;
    }
}

void ParamSenders::remindWorkMode() {
    // A tick that comes while the reminder is still open adds none.
    if (m_reminderOpen) return;
    m_form->Combo1->setFocus();
    m_reminderOpen = true;
    Dialogs::msgBox(m_form, QStringLiteral("你必须选择需要的工作方式"), QStringLiteral("提示信息"));
    m_reminderOpen = false;
}

void ParamSenders::endWorkModeChain() {
    m_form->Timer1->setEnabled(false);
    m_form->Enable_Command();
}

// --- power-saving chain ---------------------------------------------------------

void ParamSenders::startPowerChain() {
    SettingsForm* f = m_form;
    if (!f->portReady()) return;
    if (f->Option5->isChecked()) {
        const ParamFrames::Built delays = ParamFrames::wakeDelays(f->Text11->text(), f->Text13->text());
        if (!delays.ok()) {
            refuse(delays.error);
            return;
        }
    }
    f->Timer3->rearm(kChainFirstMs);
    f->Disable_Command();
    f->ChainStep = 0;
}

void ParamSenders::powerTick() {
    SettingsForm* f = m_form;
    f->Timer3->rearm(kPowerMs);
    switch (f->ChainStep) {
        case 0: {
            const bool on = f->Option5->isChecked();
            sendChecked(ParamFrames::powerSaving(on));
            f->ChainStep = on ? 1 : 3;
            return;
        }
        case 1:
            sendChecked(ParamFrames::wakeMode(f->Option7->isChecked()));
            f->ChainStep = 2;
            return;
        case 2: {
            const ParamFrames::Built delays = ParamFrames::wakeDelays(f->Text11->text(), f->Text13->text());
            if (!delays.ok()) {
                endPowerChain();
                refuse(delays.error);
                return;
            }
            sendChecked(delays.frame);
            f->ChainStep = 3;
            return;
        }
        default:
            endPowerChain();
            return;
    }
}

void ParamSenders::endPowerChain() {
    m_form->Timer3->setEnabled(false);
    m_form->Command14->setEnabled(true);
    m_form->Enable_Command();
}
