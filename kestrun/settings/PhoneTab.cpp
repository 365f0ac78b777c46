#include "PhoneTab.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "SettingsForm.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/NumberPicker.h"
#include "core/PhoneTableEdit.h"
#include "core/Routines.h"
#include "core/protocol/PhoneCodec.h"
#include "kestrun/sms_parser/Outstanding.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"
#include "platform/FormBits.h"

PhoneTab::PhoneTab(SettingsForm* form) : QWidget(nullptr), m_form(form) {
    setObjectName(QStringLiteral("TabPhone"));
    auto* outer = new QHBoxLayout(this);
    frame = new QGroupBox(QStringLiteral("号码表设置"), this);
    frame->setObjectName(QStringLiteral("FramePhone"));
    outer->addWidget(frame);
    outer->addStretch(1);

    auto* inner = new QHBoxLayout(frame);
    auto* left = new QVBoxLayout;
    Label28 = new QLabel(QStringLiteral("电话号码表"), frame);
    Controls::setName(Label28, "Label28");
    left->addWidget(Label28);
    Grid = new FlexGrid(frame);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setFormatString(QStringLiteral("|^序号   |^电话号码              "));
    left->addWidget(Grid, 1);
    inner->addLayout(left, 1);

    auto* side = new QVBoxLayout;
    Label14 = new QLabel(QStringLiteral("电话号码"), frame);
    Controls::setName(Label14, "Label14");
    Text9 = new QLineEdit(QStringLiteral("***********"), frame);
    Controls::setName(Text9, "Text9");
    Command19 = FormBits::button(frame, QStringLiteral("增加号码"), "Command19");
    Command15 = FormBits::button(frame, QStringLiteral("移除号码"), "Command15");
    Command20 = FormBits::button(frame, QStringLiteral("上升"), "Command20");
    Command22 = FormBits::button(frame, QStringLiteral("下降"), "Command22");
    Command24 = FormBits::button(frame, QStringLiteral("清空号码表"), "Command24");
    Command12 = FormBits::button(frame, QStringLiteral("读取号码表"), "Command12");
    Command11 = FormBits::button(frame, QStringLiteral("写入号码表"), "Command11");
    side->addWidget(Label14);
    side->addWidget(Text9);
    for (QPushButton* b : {Command19, Command15, Command20, Command22}) side->addWidget(b);
    side->addSpacing(12);
    for (QPushButton* b : {Command24, Command12, Command11}) side->addWidget(b);
    side->addStretch(1);
    inner->addLayout(side);

    Controls::installKeyFilter(Text9, [](int& k) { HexKeyFilter(k); });
    connect(Grid, &FlexGrid::gridClicked, this, &PhoneTab::onGridClick);
    Controls::onClick(Command19, this, [this] { addNumber(); });
    Controls::onClick(Command15, this, [this] { removeNumber(); });
    Controls::onClick(Command20, this, [this] { moveUp(); });
    Controls::onClick(Command22, this, [this] { moveDown(); });
    Controls::onClick(Command12, this, [this] { readTable(); });
    Controls::onClick(Command11, this, [this] { writeTable(); });
    Controls::onClick(Command24, this, [this] { clearTable(); });
}

QStringList PhoneTab::numbers() const { return PhoneTableEdit::numbers(*Grid); }

NumberPicker* PhoneTab::openPicker(const QString& caption, qint64 mask) {
    g::PhoneMask = mask;
    QList<QLineEdit*> boxes;
    for (const char* name : {"TextDXPhone", "TextBJPhone"})
        if (auto* box = m_form->control<QLineEdit>(QString::fromLatin1(name))) boxes << box;
    QWidget* owner = m_form->mainWindow();
    NumberPicker* picker = NumberPicker::open(owner, caption, Grid, boxes, m_form);
    Controls::runClick(Command12);
    return picker;
}

void PhoneTab::onGridClick() { Text9->setText(PhoneTableEdit::currentNumber(*Grid)); }

// --- editing ----------------------------------------------------------------

void PhoneTab::addNumber() {
    try {
        addNumberChecked();
    } catch (const std::exception& e) {
        Dialogs::msgBox(m_form, QStringLiteral("号码表设置发生错误: ") + QString::fromLocal8Bit(e.what()),
                        QCoreApplication::applicationName());
    }
}

void PhoneTab::addNumberChecked() {
    const QString number = Text9->text();
    // A character outside ASCII has no nibble to pack into; such a number
    // is refused here rather than written as something else. Numbers
    // starting with four zeros are place holders and may repeat.
    const bool valid = number.size() == 11 && PhoneCodec::isPackable(number);
    PhoneTableEdit::add(m_form, *Grid, number, valid, true);
}

void PhoneTab::removeNumber() { PhoneTableEdit::removeCurrent(*Grid); }

void PhoneTab::moveUp() { PhoneTableEdit::moveUp(*Grid); }

void PhoneTab::moveDown() { PhoneTableEdit::moveDown(*Grid); }

// --- requests ---------------------------------------------------------------

void PhoneTab::send(const QByteArray& frame) {
    g::CommBytes = frame;
    if (CommPort* p = m_form->port()) p->output(frame);
}

void PhoneTab::readTable() {
    if (!m_form->portReady()) return;
    send(PhoneCodec::readFrame());
    g::PhoneTableOp = 0;
    Outstanding::tableSent(g::PhoneTableOutstanding, g::PhoneTableGivenUp, 0);
    // Emptied at once: the grid waits for the answer, and a picker polling
    // it waits too.
    Grid->setRows(1);
}

void PhoneTab::writeTable() {
    if (!m_form->portReady()) return;
    PhoneTableEdit::writeTable(m_form, *Grid, [this](const QByteArray& frame) {
        send(frame);
        Outstanding::tableSent(g::PhoneTableOutstanding, g::PhoneTableGivenUp, 1);
    });
}

void PhoneTab::clearTable() {
    if (!m_form->portReady()) return;
    const Dialogs::Answer a =
        Dialogs::msgBox(m_form, QStringLiteral("您确定要清空号码表吗？操作无法恢复！"),
                        QStringLiteral("警告！"), Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
    if (a == Dialogs::Answer::Cancel) return;
    // The grid is emptied only when the module confirms.
    send(PhoneCodec::clearFrame());
    g::PhoneTableOp = 2;
    Outstanding::tableSent(g::PhoneTableOutstanding, g::PhoneTableGivenUp, 2);
}
