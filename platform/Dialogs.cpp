#include "Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <list>

namespace Dialogs {

namespace {
Handler* installed = nullptr;

// The parents of the boxes open now, and what waits for their return.
std::list<QPointer<QWidget>> openBoxes;
struct Waiting {
    QPointer<QWidget> window;
    std::function<void()> action;
};
std::list<Waiting> waiting;

void runWaiting() {
    for (auto it = waiting.begin(); it != waiting.end();) {
        if (!it->window) {
            it = waiting.erase(it);
        } else if (!boxOpenIn(it->window)) {
            const std::function<void()> action = std::move(it->action);
            waiting.erase(it);
            action();
            it = waiting.begin();  // the action may have changed the list
        } else {
            ++it;
        }
    }
}

// Holds the box's parent as open while the box runs. What waited for it
// runs from the event loop, after the code that opened the box has used
// its answer.
class OpenBox {
public:
    explicit OpenBox(QWidget* parent) : m_at(openBoxes.insert(openBoxes.end(), parent)) {}
    ~OpenBox() {
        openBoxes.erase(m_at);
        if (!waiting.empty()) QTimer::singleShot(0, [] { runWaiting(); });
    }
    OpenBox(const OpenBox&) = delete;
    OpenBox& operator=(const OpenBox&) = delete;

private:
    std::list<QPointer<QWidget>>::iterator m_at;
};

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(Buttons b) {
    switch (b) {
        case Buttons::Ok:
            return QMessageBox::Ok;
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case Buttons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The answer a box gives when it is closed without a button (Escape or the
// close box): the "no" side of the choice where there is one.
Answer closedAnswer(Buttons b) {
    switch (b) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::OkCancel:
        case Buttons::YesNoCancel:
        case Buttons::RetryCancel:
            return Answer::Cancel;
    }
    return Answer::Cancel;
}

// "*.mdb" also matches "*.MDB": the files come from a system that ignores case.
QString withCaseVariants(const QString& patterns) {
    QStringList out;
    const QStringList parts =
        patterns.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
    for (const QString& p : parts) {
        if (!out.contains(p)) out << p;
        for (const QString& v : {p.toLower(), p.toUpper()})
            if (!out.contains(v)) out << v;
    }
    return out.join(QLatin1Char(' '));
}
}  // namespace

void setHandler(Handler* h) { installed = h; }

bool boxOpenIn(const QWidget* window) {
    if (!window) return false;
    for (const QPointer<QWidget>& parent : openBoxes)
        for (const QWidget* w = parent; w; w = w->parentWidget())
            if (w == window) return true;
    return false;
}

void afterOwnBoxes(QWidget* window, std::function<void()> action) {
    if (!window || !action) return;
    if (!boxOpenIn(window)) return action();
    waiting.push_back({window, std::move(action)});
}

Handler* handler() { return installed; }

QString qtFilter(const QString& filter) {
    if (filter.isEmpty()) return filter;
    QStringList entries;
    if (filter.contains(QLatin1Char('|'))) {
        // Common-dialog form: description|patterns|description|patterns...
        const QStringList parts = filter.split(QLatin1Char('|'));
        for (int i = 0; i + 1 < parts.size(); i += 2)
            entries << parts[i].trimmed() + QStringLiteral(" (") + withCaseVariants(parts[i + 1]) +
                           QLatin1Char(')');
        if (parts.size() % 2 == 1 && !parts.last().trimmed().isEmpty()) entries << parts.last().trimmed();
    } else {
        const QRegularExpression tail(QStringLiteral("^(.*)\\(([^()]*)\\)\\s*$"));
        for (const QString& e : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
            const auto m = tail.match(e);
            if (m.hasMatch())
                entries << m.captured(1) + QLatin1Char('(') + withCaseVariants(m.captured(2)) +
                               QLatin1Char(')');
            else
                entries << e;
        }
    }
    return entries.join(QStringLiteral(";;"));
}

Answer msgBox(QWidget* parent, const QString& text, const QString& title, Icon icon, Buttons buttons) {
    const OpenBox open(parent);
    if (installed && installed->message) return installed->message(Message{title, text, icon, buttons, parent});

    QMessageBox box(qtIcon(icon), title, text, qtButtons(buttons), parent);
    const int r = box.exec();
    switch (r) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Retry:
            return Answer::Retry;
        default:
            return closedAnswer(buttons);
    }
}

QString inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& defaultText) {
    const OpenBox open(parent);
    if (installed && installed->input) return installed->input(InputRequest{title, prompt, defaultText});

    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

namespace {
QString runFileDialog(QWidget* parent, const FileRequest& req) {
    const OpenBox open(parent);
    if (installed && installed->file) return installed->file(req);

    QString start = req.directory;
    if (!req.defaultName.isEmpty())
        start = start.isEmpty() ? req.defaultName : QDir(start).filePath(req.defaultName);
    QFileDialog dlg(parent, req.title, start, qtFilter(req.filter));
    dlg.setAcceptMode(req.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(req.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!req.defaultSuffix.isEmpty()) dlg.setDefaultSuffix(req.defaultSuffix);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !req.confirmOverwrite);
    if (dlg.exec() != QDialog::Accepted) return QString();
    const QStringList files = dlg.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}
}  // namespace

QString openFile(QWidget* parent, const QString& title, const QString& filter, const QString& directory) {
    FileRequest req;
    req.save = false;
    req.title = title;
    req.filter = filter;
    req.directory = directory;
    return runFileDialog(parent, req);
}

QString saveFile(QWidget* parent, const QString& title, const QString& filter, const QString& directory,
                 const QString& defaultName, const QString& defaultSuffix, bool confirmOverwrite) {
    FileRequest req;
    req.save = true;
    req.title = title;
    req.filter = filter;
    req.directory = directory;
    req.defaultName = defaultName;
    req.defaultSuffix = defaultSuffix;
    req.confirmOverwrite = confirmOverwrite;
    return runFileDialog(parent, req);
}

}  // namespace Dialogs
