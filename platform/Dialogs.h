#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Every message box, input box and file dialog of the programs goes through
// here, so that tests can record what was shown and answer it without a
// modal window ever blocking them.
namespace Dialogs {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Retry };

struct Message {
    QString title;
    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The window the box belongs to (gone once that window is).
    QPointer<QWidget> parent;
};

struct InputRequest {
    QString title;
    QString prompt;
    QString defaultText;
};

struct FileRequest {
    bool save = false;
    QString title;
    // "Access 文件 (*.mdb)" style, ";;"-separated; the common dialog's
    // "数据文件(*.MDB)|*.mdb" pairs are accepted too. Patterns match
    // regardless of case, as on the system the files come from.
    QString filter;
    QString directory;
    QString defaultName;
    QString defaultSuffix;  // added to a typed name without one ("mdb")
    // Save dialogs: ask before an existing file is chosen. Off where saving
    // keeps the rest of the file (a table written into an existing database).
    bool confirmOverwrite = true;
};

// A handler replaces the real windows (tests install one).
struct Handler {
    std::function<Answer(const Message&)> message;
    // Returns the typed text; an empty text means cancelled, as with InputBox.
    std::function<QString(const InputRequest&)> input;
    // Returns the chosen path; empty = cancelled.
    std::function<QString(const FileRequest&)> file;
};

// Installs h (nullptr restores the real windows). The handler is not owned;
// a function left empty in it falls back to the real window.
void setHandler(Handler* h);
Handler* handler();

Answer msgBox(QWidget* parent, const QString& text, const QString& title, Icon icon = Icon::None,
              Buttons buttons = Buttons::Ok);
QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                 const QString& defaultText = QString());
QString openFile(QWidget* parent, const QString& title, const QString& filter,
                 const QString& directory = QString());
QString saveFile(QWidget* parent, const QString& title, const QString& filter,
                 const QString& directory = QString(), const QString& defaultName = QString(),
                 const QString& defaultSuffix = QString(), bool confirmOverwrite = true);

// A box (message, input or file) runs an event loop of its own, in which
// timers and the serial line go on. A window that owns an open box (the
// box's parent is the window or a widget inside it) must not be closed or
// deleted in that loop: the box would be freed under its own feet.
bool boxOpenIn(const QWidget* window);
// Runs `action` now when no box of `window` is open, else once the last of
// them has returned and the code that opened it has run on; dropped when
// `window` is gone by then.
void afterOwnBoxes(QWidget* window, std::function<void()> action);

// The filter in the form Qt's file dialog takes (exposed for tests).
QString qtFilter(const QString& filter);

}  // namespace Dialogs
