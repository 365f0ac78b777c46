#include "HexContentBox.h"

#include <QTextCursor>

#include "core/Routines.h"
#include "platform/FilterTextEdit.h"
#include "platform/Vb.h"

namespace HexContentBox {

void hexRule(FilterTextEdit* box, int& k) {
    HexKeyFilter(k);
    if (k == 8) {
        // Backspace works at the end, where typing goes, and takes a
        // closing ":" along with its digit: the ":" rule below would put a
        // lone ":" straight back, and a pair left open would shift every
        // byte typed after it.
        if (box->textCursor().hasSelection()) return;
        box->moveCursor(QTextCursor::End);
        if (box->toPlainText().endsWith(QLatin1Char(':'))) box->textCursor().deletePreviousChar();
        return;
    }
    box->moveCursor(QTextCursor::End);
    if (k != 0) box->insertPlainText(QString(QChar(char16_t(k))));
    k = 0;
    if (box->toPlainText().size() % 3 == 2) {
        box->moveCursor(QTextCursor::End);
        box->insertPlainText(QStringLiteral(":"));
    }
}

QString countText(const QString& content, TestFrames::SendMode mode) {
    // Counted as it goes out: a line break is CR LF.
    QString sent = content;
    sent.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return Vb::stringTable(104) + QString::number(TestFrames::contentByteCount(sent, mode));
}

void attach(FilterTextEdit* box, std::function<TestFrames::SendMode()> mode,
            std::function<void(const QString&)> showCount) {
    box->keyRule = [box, mode](int& k) {
        if (mode() == TestFrames::SendMode::Hex) hexRule(box, k);
    };
    // Tab moves on to the next control; in the content it would pass no
    // typing rule (and in hex mode shift every byte after it).
    box->setTabChangesFocus(true);
    QObject::connect(box, &QPlainTextEdit::textChanged, box,
                     [box, mode, showCount] { showCount(countText(box->toPlainText(), mode())); });
}

}  // namespace HexContentBox
