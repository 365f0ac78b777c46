#include "FormBits.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include "platform/Controls.h"
#include "platform/ListChoice.h"

namespace FormBits {

QLabel* label(QWidget* parent, const QString& text, const char* name) {
    auto* l = new QLabel(text, parent);
    if (name) Controls::setName(l, name);
    return l;
}

QLineEdit* edit(QWidget* parent, const QString& text, const char* name) {
    auto* e = new QLineEdit(text, parent);
    Controls::setName(e, name);
    return e;
}

QPushButton* button(QWidget* parent, const QString& caption, const char* name) {
    auto* b = new QPushButton(caption, parent);
    Controls::setName(b, name);
    b->setAutoDefault(false);
    return b;
}

QPushButton* arrayButton(QWidget* parent, const QString& caption, const char* base, int index) {
    auto* b = new QPushButton(caption, parent);
    Controls::setArrayName(b, QString::fromLatin1(base), index);
    b->setAutoDefault(false);
    return b;
}

QRadioButton* option(QWidget* parent, const QString& caption, const char* name) {
    auto* o = new QRadioButton(caption, parent);
    Controls::setName(o, name);
    return o;
}

void pair(QObject* owner, QRadioButton* a, QRadioButton* b) { Controls::exclusiveGroup(owner, {a, b}); }

QComboBox* combo(QWidget* parent, const char* name, bool editable, const QStringList& items,
                 const QString& text) {
    auto* c = new QComboBox(parent);
    Controls::setName(c, name);
    c->setEditable(editable);
    if (editable) ListChoice::itemsOnly(c);
    c->addItems(items);
    c->setCurrentIndex(-1);
    if (editable) c->setEditText(text);
    return c;
}

QScrollBar* spinner(QWidget* parent, const char* name) {
    auto* s = new QScrollBar(Qt::Vertical, parent);
    Controls::setName(s, name);
    s->setRange(-255, -1);
    s->setValue(-1);
    s->setFixedHeight(QLineEdit().sizeHint().height());
    return s;
}

void emptyText(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->clear();
    else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        p->clear();
}

void roomOfShownPage(QTabWidget* tabs) {
    auto follow = [tabs] {
        for (int i = 0; i < tabs->count(); ++i) {
            const auto p = i == tabs->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored;
            tabs->widget(i)->setSizePolicy(p, p);
        }
        tabs->updateGeometry();
    };
    follow();
    QObject::connect(tabs, &QTabWidget::currentChanged, tabs, follow);
}

}  // namespace FormBits
