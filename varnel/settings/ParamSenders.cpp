#include "ParamSenders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include "ParamTab.h"
#include "PhoneTab.h"
#include "ReadBox.h"
#include "SettingsForm.h"
#include "core/AnswerHold.h"
#include "core/ColonHexEntry.h"
#include "core/Globals.h"
#include "core/Routines.h"
#include "core/protocol/Frames.h"
#include "core/protocol/ParamFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/ListChoice.h"
#include "platform/VbTimer.h"

namespace {

constexpr int kQueryOut = 100;
constexpr int kLastQueryStep = 12;

// What the work-mode lists show before a choice; the sequence asks for one.
const QString kNoChoice = QStringLiteral("无");
// A type the address-type list does not offer but the layout frame takes.
const QString kR50 = QStringLiteral("R50模式");

}  // namespace

ParamSenders::ParamSenders(SettingsForm* form) : QObject(form), m_form(form) {
    setObjectName(QStringLiteral("ParamSenders"));
    ParamTab* p = form->paramTab;

    Controls::onClick(p->Command1, this, [this] { sendPasswordUse(); });
    Controls::onClick(p->Option1, this, [this] { sendPasswordUse(); });
    Controls::onClick(p->Option2, this, [this] {
        // 不需要 is no use at all: the write sends what the boxes show.
        ParamTab* page = m_form->paramTab;
        page->Check3->setChecked(false);
        page->Check4->setChecked(false);
        sendPasswordUse();
    });
    Controls::onClick(p->Command2, this, [this] { sendPassword(); });
    Controls::onClick(p->Command3, this, [this] { sendReceiverNumber(); });
    Controls::onClick(p->Command4, this, [this] { sendAddress(); });
    Controls::onClick(p->Command6, this, [this] { sendBaud(); });
    Controls::onClick(p->Command7, this, [this] { sendRestartTime(); });
    Controls::onClick(form->Command9, this, [this] { sendModel(); });
    Controls::onClick(p->Command8, this, [this] { refresh(); });
    Controls::onClick(p->Command5, this, [this] { startWorkModeChain(); });
    Controls::onClick(p->Command14, this, [this] { startPowerChain(); });
    Controls::onClick(p->Command18, this, [this] { clearByPage(); });
    Controls::onClick(p->Combo1, this, [this] { onCombo1Click(); });
    Controls::onClick(p->Combo2, this, [this] { onCombo2Click(); });

    QLineEdit* text1 = p->Text1;
    QLineEdit* text3 = p->Text3;
    Controls::installKeyFilter(text1, [text1](int& key) { ColonHexKey(text1, key, false); });
    Controls::installKeyFilter(text3, [text3](int& key) { ColonHexKey(text3, key, false); });

    const std::pair<QScrollBar*, QLineEdit*> spinners[] = {
        {p->VS1, p->Text5}, {p->VS2, p->Text6}, {p->VS3, p->Text7}};
    for (const auto& [bar, box] : spinners) {
        QLineEdit* target = box;
        connect(bar, &QScrollBar::valueChanged, this, [this, target](int v) {
            target->setText(QString::number(-v));
            layoutChosen();
        });
    }
    Controls::onClick(p->Combo4, this, [this] { layoutChosen(); });
    for (QRadioButton* wake : {p->Option7, p->Option8})
        Controls::onClick(wake, this, [this] { m_wakeModeKnown = true; });

    connect(form->Timer1, &VbTimer::tick, this, &ParamSenders::workModeTick);
    connect(form->Timer2, &VbTimer::tick, this, &ParamSenders::refreshTick);
    connect(form->Timer3, &VbTimer::tick, this, &ParamSenders::powerTick);
}

// --- sending --------------------------------------------------------------------

bool ParamSenders::send(const QByteArray& frame) {
    if (!m_form->portReady()) return false;
    output(frame);
    return true;
}

void ParamSenders::output(const QByteArray& frame) {
    g::CommBytes = frame;
    if (CommPort* port = m_form->port()) port->output(g::CommBytes);
}

void ParamSenders::refuse(const QString& why) {
    Dialogs::msgBox(m_form, why, QStringLiteral("提示"), Dialogs::Icon::Exclamation);
}

void ParamSenders::sendPasswordUse() {
    const ParamTab* p = m_form->paramTab;
    send(ParamFrames::passwordUse(p->Check3->isChecked(), p->Check4->isChecked()));
}

void ParamSenders::sendPassword() {
    if (!m_form->portReady()) return;
    if (!ReadBox::known(m_form->paramTab->Text1)) {
        refuse(ParamFrames::notReadYet(QStringLiteral("短信密码")));
        return;
    }
    const ParamFrames::Built b = ParamFrames::smsPassword(m_form->paramTab->Text1->text());
    b.ok() ? output(b.frame) : refuse(b.error);
}

void ParamSenders::sendReceiverNumber() {
    if (!m_form->portReady()) return;
    if (!ReadBox::known(m_form->paramTab->Text2)) {
        refuse(ParamFrames::notReadYet(QStringLiteral("接收方号码")));
        return;
    }
    const ParamFrames::Built b = ParamFrames::receiverNumber(m_form->paramTab->Text2->text());
    b.ok() ? output(b.frame) : refuse(b.error);
}

void ParamSenders::sendAddress() {
    if (!m_form->portReady()) return;
    if (!ReadBox::known(m_form->paramTab->Text3)) {
        refuse(ParamFrames::notReadYet(QStringLiteral("模块地址")));
        return;
    }
    const ParamFrames::Built b = ParamFrames::passiveAddress(m_form->paramTab->Text3->text());
    b.ok() ? output(b.frame) : refuse(b.error);
}

void ParamSenders::sendBaud() {
    if (!m_form->portReady()) return;
    const ParamFrames::Built b = ParamFrames::moduleBaud(m_form->paramTab->Combo3->currentText());
    b.ok() ? output(b.frame) : refuse(b.error);
}

void ParamSenders::sendRestartTime() {
    if (!m_form->portReady()) return;
    const ParamFrames::Built b = ParamFrames::restartTime(m_form->paramTab->Text4->text());
    b.ok() ? output(b.frame) : refuse(b.error);
}

void ParamSenders::sendModel() {
    if (!m_form->Option3->isChecked() && !m_form->Option4->isChecked()) return;
    send(ParamFrames::moduleModel(m_form->Option3->isChecked()));
}

void ParamSenders::clearByPage() {
    // The clear of the page in front; the SMS test page has nothing to clear.
    if (m_form->SSTab1->currentIndex() != 1 && !m_form->portReady()) return;
    QByteArray frame;
    switch (m_form->SSTab1->currentIndex()) {
        case 0:
            frame = Frames::RequestFrame(0xD5, 0x01, QByteArray(1, '\0'));
            break;
        case 2:
            frame = Frames::RequestFrame(0xD9, 0x04, QByteArray(1, '\x01'));
            g::PhoneTableOp = 2;
            m_form->phoneTab->setAckAwaited(true);
            g::PhoneTableOutstanding |= 1 << 2;
            break;
        case 3:
            frame = Frames::RequestFrame(0xA8, 0x04, QByteArray(1, '\x01'));
            g::InTableOp = 4;
            g::TableClearDue |= 1;
            break;
        case 4:
            frame = Frames::RequestFrame(0xA9, 0x04, QByteArray(1, '\x01'));
            g::OutTableOp = 4;
            g::TableClearDue |= 2;
            break;
        default:
            return;
    }
    output(frame);
}

// --- work-mode page --------------------------------------------------------------

void ParamSenders::onCombo1Click() {
    const QComboBox* c = m_form->paramTab->Combo1;
    m_form->paramTab->Text3->setEnabled(c->currentIndex() != 0);
}

void ParamSenders::onCombo2Click() {
    ParamTab* p = m_form->paramTab;
    const bool second = p->Combo2->currentIndex() == 2;
    for (QWidget* w : p->addressFields()) w->setEnabled(second);
    if (second) {
        Controls::setListIndexQuiet(p->Combo4, 0);
    } else if (m_moduleLayout) {
        // Back out of 透明方式2: the type shown is again the one the
        // sequence writes, the module's.
        showLayoutType(uint8_t(m_moduleLayout->at(3)));
    }
}

void ParamSenders::showLayoutType(uint8_t type) {
    ParamTab* p = m_form->paramTab;
    if (type <= 2) {
        Controls::setListIndexQuiet(p->Combo4, type);
    } else if (type == 3) {
        Controls::setListIndexQuiet(p->Combo4, -1);
        p->Combo4->setEditText(kR50);
    }
}

// --- refresh ----------------------------------------------------------------------

void ParamSenders::refresh() {
    ParamTab* p = m_form->paramTab;
    const struct {
        QLabel* label;
        const char* text;
    } placeholders[] = {{p->Label3, "* * * *"},     {p->Label4, "* * * *"},     {p->Label5, "**:**:**:**:"},
                        {p->Label6, "***********"}, {p->Label8, "***********"}, {p->Label7, "********"},
                        {p->Label13, "********"},   {p->Label9, "**:**:"},      {p->Label10, "****"},
                        {p->Label12, "*******"},    {p->Label15, "**"},         {p->Label16, "**"},
                        {p->Label17, "**"},         {p->Label18, "**"},         {p->Label19, "**"},
                        {p->Label22, "**"},         {p->Label30, "**"}};
    for (const auto& ph : placeholders) ph.label->setText(QString::fromUtf8(ph.text));
    // What this refresh does not read again is no longer the module's.
    for (QLineEdit* box : {p->Text1, p->Text2, p->Text3, p->Text11, p->Text13}) ReadBox::forget(box);
    m_wakeModeKnown = false;
    m_moduleLayout.reset();
    m_layoutChosen = false;
    if (!m_form->portReady()) return;
    g::RxState = 0;
    g::RefreshStep = 0;
    // Without a module (opened by Cancel) nothing is asked, and the buttons
    // stay usable: no end of a refresh would give them back.
    if (g::OfflineMode != 0) return;
    m_form->Timer2->rearm(RefreshFirstMs);
    g::ParamMode = true;
    m_form->Disable_Command();
}

void ParamSenders::refreshTick() {
    m_form->Timer2->rearm(RefreshMs);
    // The answer receiver's box holds the answer this step needs.
    if (AnswerHold::deferTick(m_form->Timer2)) return;
    if (!tickPortReady(&ParamSenders::endRefresh)) return;
    QByteArray query;
    if (g::RefreshStep >= 0 && g::RefreshStep <= kLastQueryStep)
        query = ParamFrames::refreshQuery(g::RefreshStep);
    else if (g::RefreshStep < kQueryOut)
        query = Frames::ReadParamsFrame(0xAB);
    if (query.isEmpty()) {
        // Ended before the module's last answer: the labels still showing
        // placeholders were not read, and the installer is told so.
        const bool unanswered = g::RefreshQuery != 0;
        endRefresh();
        if (unanswered) refuse(RefreshIncompleteText());
        return;
    }
    output(query);
    g::RefreshStep = kQueryOut;
    g::RefreshQuery = uint8_t(query.at(8));
}

void ParamSenders::endRefresh() {
    m_form->Timer2->setEnabled(false);
    m_form->Enable_Command();
    g::RefreshStep = kQueryOut;
    g::RefreshQuery = 0;
}

bool ParamSenders::tickPortReady(void (ParamSenders::*end)()) {
    if (m_form->portOpen()) return true;
    (this->*end)();
    m_form->showConnectDialog();
    return false;
}

void ParamSenders::stopChains() {
    if (m_form->Timer2->enabled()) endRefresh();
    if (m_form->Timer1->enabled()) endWorkModeChain();
    if (m_form->Timer3->enabled()) endPowerChain();
}

// --- work-mode write sequence --------------------------------------------------------

void ParamSenders::startWorkModeChain() {
    if (!workListsTaken()) return;
    if (!m_form->portReady()) return;
    m_layoutAsked = false;
    g::CommStep = 0;
    m_form->Timer1->rearm(WorkModeFirstMs);
    m_form->Disable_Command();
}

bool ParamSenders::workListsTaken() {
    const ParamTab* p = m_form->paramTab;
    if (!ListChoice::showsTaken(p->Combo1, {kNoChoice}) || !ListChoice::showsTaken(p->Combo2, {kNoChoice})) {
        refuseTypedMode();
        return false;
    }
    if (!ListChoice::showsTaken(p->Combo4, {kR50, kNoChoice})) {
        refuse(QStringLiteral("地址类型无效，请从列表中选择"));
        return false;
    }
    return true;
}

void ParamSenders::refuseTypedMode() {
    m_form->paramTab->Combo1->setFocus();
    Dialogs::msgBox(m_form, QStringLiteral("你必须选择需要的工作方式"), QStringLiteral("提示信息"));
}

void ParamSenders::remindWorkMode() {
    m_form->paramTab->Combo1->setFocus();
    // A tick that comes while the reminder is still open adds none.
    if (m_reminderOpen) return;
    m_reminderOpen = true;
    Dialogs::msgBox(m_form, QStringLiteral("你必须选择需要的工作方式"), QStringLiteral("提示信息"));
    m_reminderOpen = false;
}

void ParamSenders::moduleLayout(uint8_t start, uint8_t length, uint8_t group, uint8_t type) {
    ParamTab* p = m_form->paramTab;
    m_applyingLayout = true;
    // The spinners hold 1 to 255; a value they cannot hold still shows in
    // its box, which is what goes back.
    const std::pair<QScrollBar*, QLineEdit*> fields[] = {{p->VS1, p->Text5}, {p->VS2, p->Text6}, {p->VS3, p->Text7}};
    const uint8_t values[] = {start, length, group};
    for (int i = 0; i < 3; ++i) {
        if (values[i] >= 1) fields[i].first->setValue(-int(values[i]));
        fields[i].second->setText(QString::number(values[i]));
    }
    showLayoutType(type);
    m_applyingLayout = false;
    QByteArray layout;
    for (uint8_t b : {start, length, group, type}) layout.append(char(b));
    m_moduleLayout = layout;
    m_layoutChosen = false;
}

void ParamSenders::layoutChosen() {
    if (m_applyingLayout) return;
    m_moduleLayout.reset();
    m_layoutChosen = true;
}

bool ParamSenders::layoutReady() {
    if (m_moduleLayout || m_layoutChosen) return true;
    if (!m_layoutAsked) {
        m_layoutAsked = true;
        output(ParamFrames::refreshQuery(9));  // E1 03
        return false;
    }
    endWorkModeChain();
    refuse(QStringLiteral("未能读取模块的地址设置，工作方式没有写入"));
    return false;
}

QByteArray ParamSenders::addressLayoutFrame() const {
    if (m_moduleLayout) return Frames::RequestFrame(0xE1, 0x01, *m_moduleLayout);
    const ParamTab* p = m_form->paramTab;
    const QString type = p->Combo4->currentText();
    uint8_t t = 0;
    if (type == QStringLiteral("16进制"))
        t = 1;
    else if (type == QStringLiteral("BCD码"))
        t = 2;
    else if (type == QStringLiteral("R50模式"))
        t = 3;
    QByteArray data;
    for (const QScrollBar* bar : {p->VS1, p->VS2, p->VS3}) data.append(char(uint8_t(-bar->value())));
    data.append(char(t));
    return Frames::RequestFrame(0xE1, 0x01, data);
}

void ParamSenders::workModeTick() {
    ParamTab* p = m_form->paramTab;
    m_form->Timer1->rearm(WorkModeMs);
    if (!tickPortReady(&ParamSenders::endWorkModeChain)) return;
    switch (g::CommStep) {
        case 0: {
            if (p->Combo1->currentText() == kNoChoice) {
                remindWorkMode();
                return;
            }
            const int item = ListChoice::shownItem(p->Combo1);
            if (item < 0) {
                // Typed over the list while the sequence waited.
                endWorkModeChain();
                refuseTypedMode();
                return;
            }
            // In 透明方式1 the sequence ends with the layout: it must be the
            // module's before anything is written.
            if (ListChoice::shownItem(p->Combo2) == 1 && !layoutReady()) return;
            output(ParamFrames::workMode(item == 0));
            g::CommStep = 1;
            return;
        }
        case 1: {
            if (p->Combo2->currentText() == kNoChoice) {
                remindWorkMode();
                return;
            }
            const int item = ListChoice::shownItem(p->Combo2);
            if (item < 0) {
                endWorkModeChain();
                refuseTypedMode();
                return;
            }
            output(ParamFrames::transMode(item));
            g::CommStep = item == 0 ? 5 : item == 1 ? 6 : 3;
            return;
        }
        case 3:
            output(ParamFrames::subMode(0x00));
            g::CommStep = 5;
            return;
        case 6:
            output(ParamFrames::subMode(0x01));
            g::CommStep = 4;
            return;
        case 4:
            if (!layoutReady()) return;
            output(addressLayoutFrame());
            g::CommStep = 5;
            return;
        case 5:
            endWorkModeChain();
            return;
        default:
            return;
    }
}

void ParamSenders::endWorkModeChain() {
    m_form->Timer1->setEnabled(false);
    m_form->Enable_Command();
}

// --- power-saving write sequence ------------------------------------------------------

void ParamSenders::startPowerChain() {
    ParamTab* p = m_form->paramTab;
    // Delays that do not fit the module's 16-bit count of 400 ms are refused
    // before anything is sent.
    const ParamFrames::Built delays = ParamFrames::wakeDelays(p->Text11->text(), p->Text13->text());
    if (p->Option5->isChecked() && !delays.ok()) {
        refuse(delays.error);
        return;
    }
    if (!m_form->portReady()) return;
    g::CommStep = 0;
    m_wakeAsked = 0;
    m_form->Timer3->rearm(PowerFirstMs);
    m_form->Disable_Command();
}

void ParamSenders::powerTick() {
    ParamTab* p = m_form->paramTab;
    m_form->Timer3->rearm(PowerMs);
    if (!tickPortReady(&ParamSenders::endPowerChain)) return;
    switch (g::CommStep) {
        case 0: {
            const bool on = p->Option5->isChecked();
            if (on && !wakeReady()) return;
            output(ParamFrames::powerSaving(on));
            g::CommStep = on ? 1 : 3;
            return;
        }
        case 1:
            output(ParamFrames::wakeMode(p->Option7->isChecked()));
            g::CommStep = 2;
            return;
        case 2: {
            const ParamFrames::Built delays = ParamFrames::wakeDelays(p->Text11->text(), p->Text13->text());
            if (!delays.ok()) {
                // Changed since the start: the last write cannot be made.
                endPowerChain();
                refuse(delays.error);
                return;
            }
            output(delays.frame);
            g::CommStep = 3;
            return;
        }
        default:
            endPowerChain();
            return;
    }
}

bool ParamSenders::wakeReady() {
    const ParamTab* p = m_form->paramTab;
    const bool idle = ReadBox::known(p->Text11), data = ReadBox::known(p->Text13);
    if (idle && data && m_wakeModeKnown) return true;
    // The delays' answer fills both boxes: asked only when neither is the user's.
    if (!idle && !data && !(m_wakeAsked & 1)) {
        m_wakeAsked |= 1;
        output(ParamFrames::refreshQuery(11));  // D2 03
        return false;
    }
    if (!m_wakeModeKnown && !(m_wakeAsked & 2)) {
        m_wakeAsked |= 2;
        output(ParamFrames::refreshQuery(12));  // DB 03
        return false;
    }
    endPowerChain();
    refuse(QStringLiteral("未能读取模块的醒后设置，省电方式没有写入"));
    return false;
}

void ParamSenders::endPowerChain() {
    m_form->Timer3->setEnabled(false);
    m_form->paramTab->Command14->setEnabled(true);
    m_form->Enable_Command();
}
