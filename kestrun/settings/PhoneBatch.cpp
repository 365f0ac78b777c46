#include "PhoneBatch.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "SettingsForm.h"
#include "OutputTab.h"
#include "PhoneTab.h"
#include "core/protocol/SettingsRecords.h"
#include "core/Globals.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/text/VbNum.h"
#include "platform/VbTimer.h"

PhoneBatch::PhoneBatch(SettingsForm* form, QObject* parent) : QObject(parent), m_form(form) {
    setObjectName(QStringLiteral("PhoneBatch"));
    if (form->Command18) Controls::onClick(form->Command18, this, [this] { clearParams(); });
    if (form->Timer4) connect(form->Timer4, &VbTimer::tick, this, &PhoneBatch::tick);
}

void PhoneBatch::clearParams() {
    if (!m_form->portReady()) return;
    g::CommBytes = SettingsRecords::paramClearRequest();
    m_form->port()->output(g::CommBytes);
}

void PhoneBatch::tick() {
    VbTimer* timer = m_form->Timer4;
    timer->rearm(500);
    ++g::BatchIndex;
    QLabel* label = m_form->phoneTab ? m_form->phoneTab->Label28 : nullptr;
    const QLineEdit* count = m_form->outputTab ? m_form->outputTab->Text12 : nullptr;
    if (count && VbNum::val(count->text()) >= g::BatchIndex) {
        g::CommBytes = SettingsRecords::batchFrame(g::BatchIndex, g::BatchNumber);
        if (CommPort* p = m_form->port()) p->output(g::CommBytes);
        if (label) label->setText(QStringLiteral("读") + QString::number(g::BatchIndex));
        return;
    }
    timer->setEnabled(false);
    if (m_form->outputTab && m_form->outputTab->Command13)
        m_form->outputTab->Command13->setText(QStringLiteral("批量读取"));
    m_form->Enable_Command();
    if (label) label->setText(QStringLiteral("电话号码表"));
}
