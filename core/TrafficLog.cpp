#include "TrafficLog.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "core/protocol/TestFrames.h"

namespace {

void appendNow(QPlainTextEdit* box, const QString& entry, bool keepSelection) {
    // The box makes one line break of CR LF, so the entry is counted so too.
    QString lines = entry;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextDocument* doc = box->document();
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    if (doc->characterCount() + lines.size() <= TestFrames::MaxLogChars) {
        end.insertText(lines);
    } else if (const QString text = box->toPlainText() + lines, kept = TestFrames::boundedLog(text, lines.size());
               text.endsWith(kept)) {
        // Whole old lines go: removing blocks at the front lays out nothing
        // that stays, and a selection in what stays stays.
        end.insertText(lines);
        QTextCursor cut(doc);
        cut.setPosition(int(text.size() - kept.size()), QTextCursor::KeepAnchor);
        cut.removeSelectedText();
    } else {
        // An entry too long for the bound: set once, so that its long line
        // is laid out once rather than on insertion and again on the cut.
        box->setPlainText(kept);
    }
    if (!keepSelection || !box->textCursor().hasSelection()) box->moveCursor(QTextCursor::End);
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
}

}  // namespace

void TrafficLog::append(QPlainTextEdit* box, const QString& entry, bool keepSelection) {
    appendNow(box, entry, keepSelection);
}
