#include "OutputTab.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "Frm7340COM.h"

OutputTab::OutputTab(Frm7340COM* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabOutput"));
    auto* outer = new QVBoxLayout(this);
    frame = new QGroupBox(QStringLiteral("输出控制"), this);
    frame->setObjectName(QStringLiteral("FrameOutput"));
    outer->addWidget(frame, 1);
}
