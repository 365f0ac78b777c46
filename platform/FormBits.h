#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class QWidget;

// Small builders the settings forms of both programs share: every control gets
// its design name as objectName.
namespace FormBits {

QLabel* label(QWidget* parent, const QString& text, const char* name = nullptr);
QLineEdit* edit(QWidget* parent, const QString& text, const char* name);
QPushButton* button(QWidget* parent, const QString& caption, const char* name);
QPushButton* arrayButton(QWidget* parent, const QString& caption, const char* base, int index);
QRadioButton* option(QWidget* parent, const QString& caption, const char* name);
// An option pair that is its own group, whatever else shares its frame.
void pair(QObject* owner, QRadioButton* a, QRadioButton* b);
// A list showing `text` until an item is chosen (editable lists only). An
// editable list takes its items only (ListChoice).
QComboBox* combo(QWidget* parent, const char* name, bool editable, const QStringList& items,
                 const QString& text = QString());
// A vertical spinner whose box shows minus its value (1..255).
QScrollBar* spinner(QWidget* parent, const char* name);
// Empties a one-line or multi-line box.
void emptyText(QWidget* w);
// The tab control asks for the room of the page on show only, so that one
// wide page does not make every other page scroll on a small screen.
void roomOfShownPage(QTabWidget* tabs);

}  // namespace FormBits
