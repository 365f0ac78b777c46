#include "AlarmTab.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "Frm7340COM.h"

AlarmTab::AlarmTab(Frm7340COM* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabAlarm"));
    auto* outer = new QVBoxLayout(this);
    frame = new QGroupBox(QStringLiteral("报警设置"), this);
    frame->setObjectName(QStringLiteral("FrameAlarm"));
    outer->addWidget(frame, 1);
}
