#include "TestTab.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "Frm7340COM.h"
#include "platform/Controls.h"

TestTab::TestTab(Frm7340COM* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabTest"));
    auto* outer = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    const char* captions[4] = {"读取短信", "发送状态", "发送短信", "复位"};
    for (int i = 0; i < 4; ++i) {
        Command21[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        Controls::setArrayName(Command21[i], QStringLiteral("Command21"), i);
        buttons->addWidget(Command21[i]);
    }
    buttons->addStretch(1);
    outer->addLayout(buttons);
    outer->addStretch(1);
}
