#include "FilterTextEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

void FilterTextEdit::typeChar(int code) {
    int key = code;
    keyRule(key);
    if (key == 0) return;
    if (key == 8) {
        textCursor().deletePreviousChar();
        return;
    }
    if (key == 13) {
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    insertPlainText(QString(QChar(char16_t(key))));
}

void FilterTextEdit::keyPressEvent(QKeyEvent* e) {
    if (!keyRule || isReadOnly()) {
        QPlainTextEdit::keyPressEvent(e);
        return;
    }
    const Qt::KeyboardModifiers mods =
        e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (e->key() == Qt::Key_Backspace && mods == Qt::NoModifier) {
        int key = 8;
        keyRule(key);
        if (key == 8)
            QPlainTextEdit::keyPressEvent(e);
        else if (key != 0)
            insertPlainText(QString(QChar(char16_t(key))));
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        typeChar(13);
        e->accept();
        return;
    }
    // The box's own editing shortcuts (a paste comes through
    // insertFromMimeData).
    for (QKeySequence::StandardKey k : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                                        QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo}) {
        if (e->matches(k)) {
            QPlainTextEdit::keyPressEvent(e);
            return;
        }
    }
    const QString text = e->text();
    bool printable = !text.isEmpty();
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) printable = false;
    if (printable) {
        // A character never gets past the rule, whatever modifier is held:
        // with Control or Meta it is no typing at all and goes; with Alt it
        // is typed as it is.
        if (!(mods & (Qt::ControlModifier | Qt::MetaModifier)))
            for (QChar c : text) typeChar(c.unicode());
        e->accept();
        return;
    }
    // Cursor keys, Delete, Tab.
    QPlainTextEdit::keyPressEvent(e);
}

void FilterTextEdit::insertFromMimeData(const QMimeData* source) {
    if (!keyRule || !source || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    for (QChar c : source->text()) {
        if (c == QLatin1Char('\r')) continue;  // CR LF is one line break
        typeChar(c == QLatin1Char('\n') ? 13 : c.unicode());
    }
}

void FilterTextEdit::inputMethodEvent(QInputMethodEvent* e) {
    if (!keyRule || e->commitString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(e);
        return;
    }
    const QString committed = e->commitString();
    QInputMethodEvent rest(e->preeditString(), e->attributes());
    rest.setCommitString(QString(), e->replacementStart(), e->replacementLength());
    QPlainTextEdit::inputMethodEvent(&rest);
    for (QChar c : committed) typeChar(c.unicode());
    e->accept();
}
