// The global collection settings on the input-parsing page: the period and
// time-out fields following the chosen mode, the boxes' range clamps, the
// write and read requests, and what their answers show.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "SettingsForm.h"
#include "TableTabs.h"
#include "core/AnswerHold.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/protocol/CollectionSettings.h"
#include "core/protocol/ParamFrames.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/VbTimer.h"
#include "platform/text/VbNum.h"
#include "varnel/sms_parser/TableRequests.h"

namespace {

constexpr int kReadDue = 1;
constexpr int kWriteDue = 2;  // each write out adds one

// The box's number above `high` becomes `high`, below `low` becomes `low`.
void clamp(QLineEdit* box, double high, std::optional<double> low = std::nullopt) {
    const double v = VbNum::val(box->text());
    if (v > high)
        box->setText(VbNum::str(high));
    else if (low && v < *low)
        box->setText(VbNum::str(*low));
}

// The write reads the number at the start of a box: a box showing anything
// but a whole number in its range ("1.5s", "100 0", "-1") would send
// something else than it shows. An empty box stands for 0 where `empty`.
bool showsNumberIn(const QLineEdit* box, double low, double high, bool empty = false) {
    const QString text = box->text().trimmed();
    if (text.isEmpty()) return empty;
    const std::optional<double> v = VbNum::parseNumber(text);
    return v && *v >= low && *v <= high;
}

}  // namespace

void InputTableTab::wireCollection() {
    Controls::onClick(Option9, this, [this] { collectionModeChanged(); });
    Controls::onClick(Option10, this, [this] {
        collectionModeChanged();
        TxtPeriod->setText(QStringLiteral("0"));
    });
    connect(TxtPeriod, &QLineEdit::textChanged, this, [this] { clamp(TxtPeriod, 86400); });
    connect(TxtTimeOut, &QLineEdit::textChanged, this, [this] { clamp(TxtTimeOut, 25500, 100); });
    connect(TxtReSend, &QLineEdit::textChanged, this, [this] { clamp(TxtReSend, 10); });
    // What the user enters himself replaces what a failed read emptied.
    for (QLineEdit* box : {TxtPeriod, TxtTimeOut, TxtReSend})
        connect(box, &QLineEdit::textEdited, this, [this] { m_collectionUnread = false; });
    // A request the module leaves unanswered is given up and the user told;
    // its answer, should it still come in time to be its, is the first in
    // turn and dropped (TableRequests).
    m_collectionRead = new VbTimer(this);
    m_collectionWrite = new VbTimer(this);
    connect(m_collectionRead, &VbTimer::tick, this, [this] { collectionWaitOver(kReadDue); });
    connect(m_collectionWrite, &VbTimer::tick, this, [this] { collectionWaitOver(kWriteDue); });
}

void InputTableTab::collectionWaitOver(int due) {
    VbTimer* timer = due == kReadDue ? m_collectionRead : m_collectionWrite;
    // The answer may be waiting behind a box the receiver has open.
    if (AnswerHold::deferTick(timer)) return;
    timer->setEnabled(false);
    // What is still out of `due` is given up: the read, or every write.
    const int out = due == kReadDue ? g::CollectionDue & kReadDue : g::CollectionDue & ~kReadDue;
    if (out == 0) return;
    g::CollectionDue -= out;
    TableRequests::givenUp(ModuleTable::Input,
                           due == kReadDue ? TableRequests::CollectionRead : TableRequests::CollectionWrite);
    if (g::InTableOp == (due == kReadDue ? 12 : 11)) g::InTableOp = 0;
    Dialogs::msgBox(m_form, due == kReadDue ? QStringLiteral("读参数超时失败") : QStringLiteral("写参数超时失败"),
                    QStringLiteral("提示"), Dialogs::Icon::Information);
}

void InputTableTab::collectionWriteAnswered() {
    // A later write still out keeps its own wait.
    if (g::CollectionDue < kWriteDue) m_collectionWrite->setEnabled(false);
}

void InputTableTab::collectionModeChanged() {
    const bool polling = Option9->isChecked();
    for (int i : {0, 1, 3, 4, 7})
        if (auto* l = Frame17->findChild<QLabel*>(Controls::arrayName(QStringLiteral("Label49"), i)))
            l->setEnabled(polling);
    TxtPeriod->setEnabled(polling);
    TxtTimeOut->setEnabled(polling);
}

bool InputTableTab::collectionPortReady() { return m_form->portReady(); }

void InputTableTab::saveCollection() {
    if (!collectionPortReady()) return;
    // The module takes a period of 0 as "only listen": a page that a read
    // emptied, or a polling page without a period, is not written.
    if (m_collectionUnread) {
        Dialogs::msgBox(m_form, ParamFrames::notReadYet(QStringLiteral("采集设置")), QStringLiteral("提示"),
                        Dialogs::Icon::Exclamation);
        return;
    }
    if (Option9->isChecked() && TxtPeriod->text().trimmed().isEmpty()) {
        Dialogs::msgBox(m_form, TxtPeriod->toolTip(), QStringLiteral("提示"), Dialogs::Icon::Exclamation);
        return;
    }
    clamp(TxtTimeOut, 25500, 100);
    // Refused before anything is sent, each with the range its tooltip names.
    const struct {
        QLineEdit* box;
        bool read;
        double low, high;
        bool empty;
    } boxes[] = {{TxtPeriod, Option9->isChecked(), 0, 86400, false},
                 {TxtTimeOut, true, 100, 25500, false},
                 {TxtReSend, true, 0, 10, true}};
    for (const auto& b : boxes) {
        if (b.read && !showsNumberIn(b.box, b.low, b.high, b.empty)) {
            Dialogs::msgBox(m_form, b.box->toolTip(), QStringLiteral("提示"), Dialogs::Icon::Exclamation);
            return;
        }
    }
    const CollectionSettings::Write w =
        CollectionSettings::writeFrame({Option9->isChecked(), TxtPeriod->text(), TxtTimeOut->text(),
                                        TxtReSend->text(), CheckHis->isChecked()});
    if (w.refused()) {
        Dialogs::msgBox(m_form, QStringLiteral("执行错误") + w.error, QStringLiteral("提示"),
                        Dialogs::Icon::Information);
        return;
    }
    g::InTableOp = 11;
    g::CollectionDue += kWriteDue;
    g::CommBytes = w.frame;
    m_form->port()->output(w.frame);
    TableRequests::sent(ModuleTable::Input, TableRequests::CollectionWrite);
    m_collectionWrite->rearm(m_collectionWaitMs);
}

void InputTableTab::readCollection() {
    if (!collectionPortReady()) return;
    g::InTableOp = 12;
    g::CollectionDue |= kReadDue;
    m_collectionUnread = true;
    TxtPeriod->clear();
    TxtTimeOut->clear();  // the clamp makes it "100" at once
    TxtReSend->clear();
    CheckHis->setChecked(false);
    Controls::setValueAndClick(Option9, true, Controls::ClickWhen::Always);
    g::CommBytes = CollectionSettings::readRequest();
    m_form->port()->output(g::CommBytes);
    TableRequests::sent(ModuleTable::Input, TableRequests::CollectionRead);
    m_collectionRead->rearm(m_collectionWaitMs);
}

void InputTableTab::showCollection(const CollectionSettings::Answer& answer) {
    m_collectionRead->setEnabled(false);
    m_collectionUnread = false;
    const CollectionSettings::Shown s = CollectionSettings::show(answer);
    TxtPeriod->setText(s.period);
    Controls::setValueAndClick(s.autoPoll ? Option9 : Option10, true, Controls::ClickWhen::Always);
    TxtTimeOut->setText(s.timeOut);
    TxtReSend->setText(s.reSend);
    CheckHis->setChecked(s.history);
}

// --- the answers, as the receiver hands them to the form -----------------------

void SettingsForm::collectionSettingsRead(const CollectionSettings::Answer& answer) {
    inputTab->showCollection(answer);
}

void SettingsForm::collectionWriteAcknowledged(bool ok) {
    inputTab->collectionWriteAnswered();
    Dialogs::msgBox(this, ok ? QStringLiteral("设置成功") : QStringLiteral("设置失败"),
                    QStringLiteral("提示"), Dialogs::Icon::Information);
}
