#include "TestTab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "FormBits.h"
#include "SettingsForm.h"
#include "core/Globals.h"
#include "platform/Controls.h"

TestTab::TestTab(SettingsForm* form) : m_form(form) {
    setObjectName(QStringLiteral("TabTest"));
    auto* outer = new QHBoxLayout(this);
    auto* boxes = new QVBoxLayout;
    auto* side = new QVBoxLayout;
    outer->addLayout(boxes, 3);
    outer->addLayout(side, 1);

    for (int i = 0; i < 3; ++i) {
        TextBox[i] = new QPlainTextEdit(this);
        Controls::setArrayName(TextBox[i], QStringLiteral("Text21"), i);
        TextBox[i]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        TextBox[i]->setTabChangesFocus(true);
    }
    TextBox[0]->setReadOnly(true);
    TextBox[2]->setReadOnly(true);
    const char* captions[6] = {"", "接收区", "源码区", "发送区", "发送方电话号码", "接收方电话号码"};
    for (int i = 1; i <= 5; ++i) {
        Label21[i] = new QLabel(QString::fromUtf8(captions[i]), this);
        Controls::setArrayName(Label21[i], QStringLiteral("Label21"), i);
    }
    Label31 = FormBits::label(this, QStringLiteral("模块地址"), "Label31");
    boxes->addWidget(Label21[2]);
    boxes->addWidget(TextBox[0], 2);
    boxes->addWidget(Label21[3]);
    boxes->addWidget(TextBox[1], 1);
    boxes->addWidget(Label21[1]);
    boxes->addWidget(TextBox[2], 1);

    SenderNumber = new QLineEdit(this);
    Controls::setArrayName(SenderNumber, QStringLiteral("Text21"), 3);
    ReceiverNumber = new QLineEdit(this);
    Controls::setArrayName(ReceiverNumber, QStringLiteral("Text21"), 4);
    ReceiverNumber->setMaxLength(11);
    Text22 = FormBits::edit(this, QString(), "Text22");

    auto* fields = new QGridLayout;
    fields->addWidget(Label31, 0, 0);
    fields->addWidget(Text22, 0, 1);
    fields->addWidget(Label21[5], 1, 0);
    fields->addWidget(ReceiverNumber, 1, 1);
    fields->addWidget(Label21[4], 2, 0);
    fields->addWidget(SenderNumber, 2, 1);
    side->addLayout(fields);
    const char* buttons[4] = {"读取短信", "发送状态", "发送短信", "复位"};
    for (int i = 0; i < 4; ++i) {
        Command21[i] = FormBits::arrayButton(this, QString::fromUtf8(buttons[i]), "Command21", i);
        side->addWidget(Command21[i]);
    }
    side->addStretch(1);
}

void TestTab::showForModes() {
    const bool passive = g::WorkModeByte[0] == 0;
    for (QWidget* w : QList<QWidget*>{Label31, Text22, Command21[0], Command21[1]}) w->setVisible(passive);
    const bool formatted = g::TransModeByte[0] != 0;
    for (QWidget* w : QList<QWidget*>{SenderNumber, ReceiverNumber, Label21[4], Label21[5]})
        w->setVisible(formatted);
}
