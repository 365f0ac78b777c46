#include "PhoneTab.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "Frm7340COM.h"
#include "platform/FlexGrid.h"

PhoneTab::PhoneTab(Frm7340COM* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabPhone"));
    auto* outer = new QHBoxLayout(this);
    frame = new QGroupBox(QStringLiteral("号码表设置"), this);
    frame->setObjectName(QStringLiteral("FramePhone"));
    outer->addWidget(frame);
    outer->addStretch(1);

    auto* inner = new QHBoxLayout(frame);
    Grid = new FlexGrid(frame);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setFormatString(QStringLiteral("|^序号   |^电话号码              "));
    inner->addWidget(Grid, 1);

    auto* side = new QVBoxLayout;
    Command15 = new QPushButton(QStringLiteral("移除号码"), frame);
    Command15->setObjectName(QStringLiteral("Command15"));
    side->addWidget(Command15);
    side->addStretch(1);
    inner->addLayout(side);
}
