#include "NumberPicker.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Globals.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/VbTimer.h"

NumberPicker::NumberPicker(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("号码选择"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* outer = new QVBoxLayout(this);
    auto* boxes = new QGridLayout;
    for (int i = 0; i < Numbers; ++i) {
        auto* c = new QCheckBox(QStringLiteral("号码 %1").arg(i + 1), this);
        Controls::setArrayName(c, QStringLiteral("Check1"), i);
        Check1[i] = c;
        boxes->addWidget(c, i % 10, i / 10);
    }
    outer->addLayout(boxes);

    auto* bottom = new QHBoxLayout;
    Check2 = new QCheckBox(QStringLiteral("全选"), this);
    Controls::setName(Check2, "Check2");
    Check3 = new QCheckBox(QStringLiteral("不含管理员"), this);
    Controls::setName(Check3, "Check3");
    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Controls::setName(Command1, "Command1");
    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Controls::setName(Command2, "Command2");
    bottom->addWidget(Check2);
    bottom->addWidget(Check3);
    bottom->addStretch(1);
    bottom->addWidget(Command1);
    bottom->addWidget(Command2);
    outer->addLayout(bottom);

    Timer1 = new VbTimer(this, PollMs, false);
    Controls::setName(Timer1, "Timer1");
    connect(Timer1, &VbTimer::tick, this, &NumberPicker::onTimer1);
    Controls::onClick(Check2, this, [this] { onCheck2(); });
    Controls::onClick(Check3, this, [this] { onCheck3(); });
    Controls::onClick(Command1, this, [this] { onOk(); });
    Controls::onClick(Command2, this, [this] { onCancel(); });
}

NumberPicker::~NumberPicker() = default;

NumberPicker* NumberPicker::current(QWidget* owner) {
    if (!owner) return nullptr;
    // One that has unloaded but is not deleted yet does not count.
    for (NumberPicker* f : owner->findChildren<NumberPicker*>(QStringLiteral("Form1"), Qt::FindDirectChildrenOnly))
        if (!f->m_unloaded) return f;
    return nullptr;
}

NumberPicker* NumberPicker::open(QWidget* owner, const QString& caption, FlexGrid* phoneGrid,
                   const QList<QLineEdit*>& maskBoxes, QWidget* returnTo) {
    NumberPicker* f = current(owner);
    if (!f) f = new NumberPicker(owner);
    f->setPhoneGrid(phoneGrid);
    f->setMaskBoxes(maskBoxes);
    f->setReturnFocus(returnTo);
    if (!caption.isEmpty()) f->setWindowTitle(caption);
    f->show();
    f->raise();
    f->activateWindow();
    // Shown again while open: the table is about to be read afresh, so the
    // boxes are labelled again once it has arrived.
    f->load();
    return f;
}

void NumberPicker::setMaskBoxes(const QList<QLineEdit*>& boxes) {
    m_maskBoxes.clear();
    for (QLineEdit* b : boxes)
        if (b) m_maskBoxes << b;
}

void NumberPicker::load() { Timer1->rearm(PollMs); }

void NumberPicker::onTimer1() {
    FlexGrid* grid = m_phoneGrid.data();
    // Only the header row: the table has not arrived yet.
    if (!grid || grid->Rows() <= 1) return;
    Timer1->setEnabled(false);
    const int last = qMin(grid->Rows() - 1, Numbers);
    const int64_t mask = m_startMask.value_or(g::PhoneMask);
    m_shown = (int64_t(1) << last) - 1;
    for (int i = 1; i <= last; ++i) {
        Check1[i - 1]->setText(grid->TextMatrix(i, 2));
        if ((mask >> (i - 1)) & 1) Check1[i - 1]->setChecked(true);
    }
    emit tableShown(last);
}

void NumberPicker::onCheck2() {
    const bool all = Check2->isChecked();
    for (QCheckBox* c : Check1) c->setChecked(all);
    onCheck3();
}

void NumberPicker::onCheck3() {
    // The first two numbers are the administrators'.
    if (!Check3->isChecked()) return;
    Check1[0]->setChecked(false);
    Check1[1]->setChecked(false);
}

int64_t NumberPicker::tickedMask() const {
    int64_t mask = 0;
    for (int i = 0; i < Numbers; ++i)
        if (Check1[i]->isChecked()) mask |= int64_t(1) << i;
    return mask;
}

int64_t NumberPicker::chosenMask() const {
    const int64_t ticked = tickedMask();
    return m_startMask ? (*m_startMask & ~m_shown) | ticked : ticked;
}

void NumberPicker::onOk() {
    g::PhoneMask = chosenMask();
    const QString text = QString::number(g::PhoneMask);
    for (const QPointer<QLineEdit>& box : std::as_const(m_maskBoxes))
        if (box) box->setText(text);
    emit maskChosen(g::PhoneMask);
    unload();
}

void NumberPicker::onCancel() {
    QPointer<QWidget> back = m_returnTo;
    unload();
    if (!back) return;
    QWidget* w = back.data();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
        if (QMdiArea* area = sub->mdiArea()) area->setActiveSubWindow(sub);
    }
    w->activateWindow();
    w->setFocus(Qt::OtherFocusReason);
}

void NumberPicker::unload() {
    m_unloaded = true;
    Timer1->setEnabled(false);
    close();
}
