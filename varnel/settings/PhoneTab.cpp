#include "PhoneTab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "FormBits.h"
#include "SettingsForm.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/Vb.h"

using namespace FormBits;

PhoneTab::PhoneTab(SettingsForm* form) : m_form(form) {
    setObjectName(QStringLiteral("TabPhone"));
    auto* outer = new QVBoxLayout(this);
    Frame9 = new QGroupBox(QStringLiteral("号码表设置"), this);
    Controls::setName(Frame9, "Frame9");
    outer->addWidget(Frame9, 1);

    Grid = new FlexGrid(Frame9);
    Controls::setName(Grid, "Grid");
    Grid->setFormatString(QStringLiteral("|^序号   |^电话号码              "));
    Grid->setRows(1);
    Text9 = edit(Frame9, QStringLiteral("***********"), "Text9");
    Command19 = button(Frame9, QStringLiteral("增加号码"), "Command19");
    Command15 = button(Frame9, QStringLiteral("移除号码"), "Command15");
    Command20 = button(Frame9, QStringLiteral("上升"), "Command20");
    Command22 = button(Frame9, QStringLiteral("下降"), "Command22");
    Command24 = button(Frame9, QStringLiteral("清空号码表"), "Command24");
    Command12 = button(Frame9, QStringLiteral("读取号码表"), "Command12");
    Command11 = button(Frame9, QStringLiteral("写入号码表"), "Command11");

    auto* l = new QGridLayout(Frame9);
    l->addWidget(label(Frame9, QStringLiteral("电话号码表")), 0, 0);
    l->addWidget(Grid, 1, 0, 9, 1);
    l->addWidget(label(Frame9, QStringLiteral("电话号码")), 1, 1);
    l->addWidget(Text9, 2, 1);
    int row = 3;
    for (QPushButton* b : {Command19, Command15, Command20, Command22, Command24, Command12, Command11})
        l->addWidget(b, row++, 1);
    l->setColumnStretch(0, 1);
}

QStringList PhoneTab::numbers() const {
    QStringList out;
    for (int r = 1; r < Grid->Rows(); ++r) out << Grid->TextMatrix(r, 2);
    return out;
}
