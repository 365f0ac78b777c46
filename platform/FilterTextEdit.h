#pragma once

#include <QPlainTextEdit>
#include <functional>

// A multi-line box whose typed, pasted, dropped and committed characters
// can pass a rule first, one at a time: the rule gets the character code
// (backspace as 8, a line break as 13), may change the box itself, and
// leaves 0 to drop the key or a code to be inserted at the caret. A
// character typed with Control or Meta held is no typing and is dropped;
// with Alt it goes through the rule like any other. Without a rule the box
// is a plain QPlainTextEdit.
class FilterTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;
    std::function<void(int& keyAscii)> keyRule;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    void typeChar(int code);
};
