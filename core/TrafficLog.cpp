#include "TrafficLog.h"

#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <utility>

#include "core/protocol/TestFrames.h"
#include "platform/CommPort.h"

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

// The entries of one box that wait for a port to hand its bytes to the line.
class Waiting : public QObject {
public:
    explicit Waiting(QPlainTextEdit* box) : QObject(box), m_box(box) { setObjectName(name()); }
    static QString name() { return QStringLiteral("trafficLogWaiting"); }

    void add(const QString& entry, bool keepSelection, CommPort* port) {
        m_entries.append({entry, keepSelection});
        if (port && port != m_port) {
            if (m_port) disconnect(m_port, nullptr, this, nullptr);
            m_port = port;
            connect(port, &CommPort::allWritten, this, &Waiting::release);
            connect(port, &QObject::destroyed, this, &Waiting::release);
        }
    }

private:
    void release() {
        if (m_port) disconnect(m_port, nullptr, this, nullptr);
        const auto entries = std::exchange(m_entries, {});
        QPlainTextEdit* box = m_box;
        deleteLater();
        setObjectName(QString());
        for (const auto& [entry, keep] : entries) appendNow(box, entry, keep);
    }

    QPlainTextEdit* m_box;
    QPointer<CommPort> m_port;
    QList<std::pair<QString, bool>> m_entries;
};

}  // namespace

void TrafficLog::append(QPlainTextEdit* box, const QString& entry, CommPort* sentOn, bool keepSelection) {
    auto* waiting = static_cast<Waiting*>(box->findChild<QObject*>(Waiting::name(), Qt::FindDirectChildrenOnly));
    if (!waiting && !(sentOn && sentOn->bytesToWrite() > 0)) return appendNow(box, entry, keepSelection);
    if (!waiting) waiting = new Waiting(box);
    waiting->add(entry, keepSelection, sentOn && sentOn->bytesToWrite() > 0 ? sentOn : nullptr);
}
