#pragma once

#include <QObject>
#include <QStatusBar>
#include <QString>
#include <QVector>
#include <functional>
#include <initializer_list>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;

// Helpers every form uses to behave like the controls it was written for.
namespace Controls {

void setName(QObject* o, const char* name);
// Names a new control and hands it back: `named(new QLabel(f), "Label8")`.
template <class W>
W* named(W* w, const char* name) {
    setName(w, name);
    return w;
}
// Makes the buttons one exclusive choice, apart from others on the same
// parent (as option buttons inside one frame are).
void exclusiveGroup(QObject* owner, std::initializer_list<QAbstractButton*> buttons);
// "Command1(0)": the object name of member `index` of a control array.
QString arrayName(const QString& base, int index);
void setArrayName(QObject* o, const QString& base, int index);

// The "click" of a control as the forms know it: raised by the user's own
// click or choice AND by code that sets the value through the
// ...AndClick() helpers below, but never by Qt's toggled or
// currentIndexChanged. A form decides per control and per assignment
// whether code changes run the handler: ...AndClick() runs it, ...Quiet()
// does not.
class VbClick : public QObject {
    Q_OBJECT
public:
    // The relay of a control, created on first use (a child of the control).
    static VbClick* of(QObject* control);
    void fire() { emit click(); }
signals:
    void click();

private:
    using QObject::QObject;
};

// Runs `handler` (in `context`'s lifetime) when the control is clicked by
// the user (QAbstractButton::clicked, QComboBox::activated) or by code
// through the ...AndClick() helpers.
void onClick(QAbstractButton* button, QObject* context, std::function<void()> handler);
void onClick(QComboBox* combo, QObject* context, std::function<void()> handler);
// Only the code path (for controls whose user signal the form wires itself).
void onCodeClick(QObject* control, QObject* context, std::function<void()> handler);
// Runs the control's click handling now.
void runClick(QObject* control);

enum class ClickWhen {
    Changed,  // only when the value really changes
    Always,   // on every assignment, even of the value it already has
};

// Checks or unchecks a check box or option button with Qt's signals
// blocked, then runs its click handling. An option button is exclusive with
// its siblings; unchecking one leaves none selected (allowed from code).
// An option button set to false runs no click.
void setValueAndClick(QAbstractButton* b, bool value, ClickWhen when = ClickWhen::Changed);
void setValueQuiet(QAbstractButton* b, bool value);

// Selects list item `index` (-1 = none) with Qt's signals blocked, then
// runs the click handling. An index outside the list changes nothing and
// returns false.
bool setListIndexAndClick(QComboBox* c, int index, ClickWhen when = ClickWhen::Changed);
bool setListIndexQuiet(QComboBox* c, int index);

// Every character that reaches the box, typed, pasted (keys, context menu,
// middle click), dropped or committed by an input method, passes `filter`
// first, one character at a time with the caret where the character will go:
// 0 drops it, another code puts that character in its place. Backspace
// reaches the filter as 8 (0 cancels it) and Enter as 13; Delete and the
// cursor keys work as usual. The filter may itself change the box (insert
// text, move the caret); what it leaves in keyAscii is then inserted at the
// caret. The box's validator is taken over for this.
void installKeyFilter(QLineEdit* edit, std::function<void(int& keyAscii)> filter);

}  // namespace Controls

// A status bar of N sunken text panels, numbered from 1.
class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit PanelStatusBar(int panels, QWidget* parent = nullptr);
    int panelCount() const { return static_cast<int>(m_panels.size()); }
    // Index outside 1..panelCount(): ignored / "".
    void setPanelText(int index, const QString& text);
    QString panelText(int index) const;
    QLabel* panel(int index) const;
    void setPanelWidth(int index, int twips);

private:
    QVector<QLabel*> m_panels;
};
