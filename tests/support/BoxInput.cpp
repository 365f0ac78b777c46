#include "BoxInput.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTextEdit>

namespace BoxInput {

namespace {

// Keys and input methods go to the box itself (an editable list hands them
// to its line edit); a drop lands on the line edit of a list, on the
// viewport of a multi-line box.
QWidget* dropTarget(QWidget* box) {
    if (auto* c = qobject_cast<QComboBox*>(box)) return c->lineEdit();
    if (auto* a = qobject_cast<QAbstractScrollArea*>(box)) return a->viewport();
    return box;
}

bool known(QWidget* box) {
    if (auto* c = qobject_cast<QComboBox*>(box)) return c->isEditable() && c->lineEdit();
    return qobject_cast<QLineEdit*>(box) || qobject_cast<QPlainTextEdit*>(box) ||
           qobject_cast<QTextEdit*>(box);
}

void focus(QWidget* box) {
    if (box->isVisible()) box->setFocus(Qt::OtherFocusReason);
}

void clear(QWidget* target) {
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Delete);
}

void commit(QWidget* target, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(target, &e);
}

void type(QWidget* target, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
            QTest::keyClick(target, Qt::Key_Return);
        } else if (c == QLatin1Char('\t')) {
            QTest::keyClick(target, Qt::Key_Tab);
        } else if (c.isHighSurrogate() && i + 1 < text.size()) {
            commit(target, text.mid(i, 2));
            ++i;
        } else if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
            // Qt's key codes of the printable ASCII characters are their
            // upper-case codes.
            const auto key = static_cast<Qt::Key>(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Click, target, key, QString(c), Qt::NoModifier);
        } else {
            // Characters without a key of their own (Chinese, other control
            // characters) come from an input method.
            commit(target, QString(c));
        }
    }
}

void drop(QWidget* target, const QString& text) {
    QMimeData mime;
    mime.setText(text);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
}

void insertDirectly(QWidget* box, const QString& text) {
    if (auto* c = qobject_cast<QComboBox*>(box)) box = c->lineEdit();
    if (auto* e = qobject_cast<QLineEdit*>(box))
        e->insert(text);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(box))
        p->insertPlainText(text);
    else if (auto* t = qobject_cast<QTextEdit*>(box))
        t->insertPlainText(text);
}

void load(QWidget* box, const QString& text) {
    if (auto* c = qobject_cast<QComboBox*>(box))
        c->setEditText(text);
    else if (auto* e = qobject_cast<QLineEdit*>(box))
        e->setText(text);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(box))
        p->setPlainText(text);
    else if (auto* t = qobject_cast<QTextEdit*>(box))
        t->setPlainText(text);
}

}  // namespace

const char* name(Way way) {
    switch (way) {
        case Way::Typed:
            return "typed";
        case Way::Pasted:
            return "pasted";
        case Way::Dropped:
            return "dropped";
        case Way::Loaded:
            return "loaded";
    }
    return "?";
}

bool clipboardWorks() {
    static const bool works = [] {
        QClipboard* c = QGuiApplication::clipboard();
        if (!c) return false;
        const QString probe = QStringLiteral("BoxInput \u4E2D\r\n,");
        c->setText(probe);
        return c->text() == probe;
    }();
    return works;
}

bool put(QWidget* box, const QString& text, Way way) {
    if (!box || !known(box)) return false;
    QPointer<QWidget> alive(box);
    switch (way) {
        case Way::Typed:
            focus(box);
            clear(box);
            if (alive) type(box, text);
            break;
        case Way::Pasted:
            focus(box);
            clear(box);
            if (!alive) break;
            if (clipboardWorks()) {
                QGuiApplication::clipboard()->setText(text);
                QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            } else {
                insertDirectly(box, text);
            }
            break;
        case Way::Dropped:
            focus(box);
            clear(box);
            if (alive) drop(dropTarget(box), text);
            break;
        case Way::Loaded:
            load(box, text);
            break;
    }
    return true;
}

QString shown(const QWidget* box) {
    if (auto* c = qobject_cast<const QComboBox*>(box)) return c->currentText();
    if (auto* e = qobject_cast<const QLineEdit*>(box)) return e->text();
    if (auto* p = qobject_cast<const QPlainTextEdit*>(box)) return p->toPlainText();
    if (auto* t = qobject_cast<const QTextEdit*>(box)) return t->toPlainText();
    return QString();
}

}  // namespace BoxInput
