#include "PhoneTab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/FormBits.h"
#include "SettingsForm.h"
#include "core/Globals.h"
#include "core/PhoneTableEdit.h"
#include "core/Routines.h"
#include "core/protocol/PhoneCodec.h"
#include "platform/CommPort.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
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

    Controls::installKeyFilter(Text9, [](int& key) { DigitKeyFilter(key); });
    connect(Grid, &FlexGrid::gridClicked, this,
            [this] { Text9->setText(PhoneTableEdit::currentNumber(*Grid)); });
    Controls::onClick(Command19, this, [this] { addNumber(); });
    Controls::onClick(Command15, this, [this] { removeNumber(); });
    Controls::onClick(Command20, this, [this] { moveUp(); });
    Controls::onClick(Command22, this, [this] { moveDown(); });
    Controls::onClick(Command12, this, [this] { readTable(); });
    Controls::onClick(Command11, this, [this] { writeTable(); });
    Controls::onClick(Command24, this, [this] { clearTable(); });
}

QStringList PhoneTab::numbers() const { return PhoneTableEdit::numbers(*Grid); }

// --- editing ----------------------------------------------------------------

void PhoneTab::addNumber() {
    const QString number = Text9->text();
    // Exactly eleven decimal digits: nothing else packs into the table.
    const bool digits = number.size() == 11 && std::all_of(number.begin(), number.end(), [](QChar c) {
                            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                        });
    PhoneTableEdit::add(m_form, *Grid, number, digits, false);
}

void PhoneTab::removeNumber() {
    PhoneTableEdit::removeCurrent(*Grid);
    PhoneTableEdit::renumber(*Grid);
}

void PhoneTab::moveUp() { PhoneTableEdit::moveUp(*Grid); }

void PhoneTab::moveDown() { PhoneTableEdit::moveDown(*Grid); }

// --- requests ---------------------------------------------------------------

void PhoneTab::send(const QByteArray& frame) {
    g::CommBytes = frame;
    if (CommPort* p = m_form->port()) p->output(frame);
}

void PhoneTab::readTable() {
    if (!m_form->portReady()) return;
    Grid->setRows(1);
    m_ackAwaited = false;
    g::PhoneTableOp = 0;
    g::RxState = 0;
    send(PhoneCodec::readFrame());
    g::PhoneTableOutstanding |= 1 << 0;
}

void PhoneTab::writeTable() {
    if (!m_form->portReady()) return;
    PhoneTableEdit::writeTable(m_form, *Grid, [this](const QByteArray& frame) {
        send(frame);
        m_ackAwaited = true;
        g::PhoneTableOutstanding |= 1 << 1;
    });
}

void PhoneTab::clearTable() {
    if (!m_form->portReady()) return;
    const Dialogs::Answer a =
        Dialogs::msgBox(m_form, QStringLiteral("您确定要清空号码表吗？操作无法恢复！"),
                        QStringLiteral("警告！"), Dialogs::Icon::Question, Dialogs::Buttons::YesNo);
    if (a != Dialogs::Answer::Yes) return;
    send(PhoneCodec::clearFrame());
    g::PhoneTableOp = 2;
    m_ackAwaited = true;
    g::PhoneTableOutstanding |= 1 << 2;
}
