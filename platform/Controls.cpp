#include "Controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QValidator>
#include <memory>
#include <vector>

#include "Vb.h"

namespace Controls {

void setName(QObject* o, const char* name) {
    if (o) o->setObjectName(QString::fromUtf8(name));
}

void exclusiveGroup(QObject* owner, std::initializer_list<QAbstractButton*> buttons) {
    auto* group = new QButtonGroup(owner);
    for (QAbstractButton* b : buttons) group->addButton(b);
}

QString arrayName(const QString& base, int index) {
    return base + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

void setArrayName(QObject* o, const QString& base, int index) {
    if (o) o->setObjectName(arrayName(base, index));
}

VbClick* VbClick::of(QObject* control) {
    if (!control) return nullptr;
    if (auto* r = control->findChild<VbClick*>(QString(), Qt::FindDirectChildrenOnly)) return r;
    return new VbClick(control);
}

void onCodeClick(QObject* control, QObject* context, std::function<void()> handler) {
    if (VbClick* r = VbClick::of(control))
        QObject::connect(r, &VbClick::click, context ? context : control, std::move(handler));
}

void onClick(QAbstractButton* button, QObject* context, std::function<void()> handler) {
    if (!button) return;
    QObject* ctx = context ? context : button;
    QObject::connect(button, &QAbstractButton::clicked, ctx, [handler] { handler(); });
    onCodeClick(button, ctx, handler);
}

void onClick(QComboBox* combo, QObject* context, std::function<void()> handler) {
    if (!combo) return;
    QObject* ctx = context ? context : combo;
    QObject::connect(combo, &QComboBox::activated, ctx, [handler](int) { handler(); });
    onCodeClick(combo, ctx, handler);
}

void runClick(QObject* control) {
    if (!control) return;
    if (auto* r = control->findChild<VbClick*>(QString(), Qt::FindDirectChildrenOnly)) r->fire();
}

namespace {
// The buttons whose state changes with b's: its exclusive siblings.
QList<QAbstractButton*> exclusiveSiblings(QAbstractButton* b) {
    QList<QAbstractButton*> out;
    if (QButtonGroup* g = b->group()) {
        if (g->exclusive()) out = g->buttons();
    } else if (b->autoExclusive() && b->parent()) {
        for (auto* o : b->parent()->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
            if (o->autoExclusive() && !o->group()) out << o;
    }
    out.removeAll(b);
    return out;
}

void setChecked(QAbstractButton* b, bool value) {
    // Unchecked siblings would report their change through toggled, which
    // must stay as silent as the button itself.
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QAbstractButton* o : exclusiveSiblings(b)) blockers.push_back(std::make_unique<QSignalBlocker>(o));
    const QSignalBlocker block(b);
    if (!value && b->isChecked() && b->group() && b->group()->exclusive()) {
        // An exclusive group refuses to have no button checked.
        QButtonGroup* g = b->group();
        g->setExclusive(false);
        b->setChecked(false);
        g->setExclusive(true);
    } else if (!value && b->autoExclusive() && b->isChecked()) {
        // An exclusive button refuses to be unchecked directly.
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    } else {
        b->setChecked(value);
    }
}
}  // namespace

void setValueQuiet(QAbstractButton* b, bool value) {
    if (b) setChecked(b, value);
}

void setValueAndClick(QAbstractButton* b, bool value, ClickWhen when) {
    if (!b) return;
    const bool changed = b->isChecked() != value;
    setChecked(b, value);
    if (!changed && when == ClickWhen::Changed) return;
    // An option button raises its click only when it becomes the chosen one.
    const bool option = b->autoExclusive() || (b->group() && b->group()->exclusive());
    if (option && !value) return;
    runClick(b);
}

bool setListIndexQuiet(QComboBox* c, int index) {
    if (!c || index < -1 || index >= c->count()) return false;
    const QSignalBlocker block(c);
    c->setCurrentIndex(index);
    return true;
}

bool setListIndexAndClick(QComboBox* c, int index, ClickWhen when) {
    if (!c || index < -1 || index >= c->count()) return false;
    const bool changed = c->currentIndex() != index;
    setListIndexQuiet(c, index);
    if (changed || when == ClickWhen::Always) runClick(c);
    return true;
}

// ---------------------------------------------------------------------------
// Key filter

namespace {

class KeyAsciiFilter;

// Sees every change Qt makes to the box's text before it is kept. Insertions
// made while a user event is being delivered are refused and handed to the
// filter, which puts the accepted characters in itself.
class InsertGuard : public QValidator {
public:
    InsertGuard(KeyAsciiFilter* owner, QObject* parent) : QValidator(parent), m_owner(owner) {}
    State validate(QString& input, int& pos) const override;

private:
    KeyAsciiFilter* m_owner;
};

class KeyAsciiFilter : public QObject {
public:
    KeyAsciiFilter(QLineEdit* edit, std::function<void(int&)> fn)
        : QObject(edit), m_edit(edit), m_fn(std::move(fn)) {
        m_last = edit->text();
        edit->setValidator(new InsertGuard(this, this));
        edit->installEventFilter(this);
        // An editable list box takes the keyboard and input methods itself
        // and hands them to its line edit directly, past any event filter.
        if (auto* combo = qobject_cast<QComboBox*>(edit->parentWidget());
            combo && combo->lineEdit() == edit) {
            m_combo = combo;
            combo->installEventFilter(this);
        }
        connect(edit, &QLineEdit::textChanged, this, [this] { m_last = m_edit->text(); });
    }

    // Called by the guard with the text Qt proposes.
    QValidator::State check(const QString& input) {
        if (m_codeDepth > 0 || m_userDepth == 0) return QValidator::Acceptable;  // the program's own edits
        const QString& old = m_last;
        qsizetype prefix = 0;
        const qsizetype maxPrefix = std::min(old.size(), input.size());
        while (prefix < maxPrefix && old[prefix] == input[prefix]) ++prefix;
        qsizetype suffix = 0;
        while (suffix < old.size() - prefix && suffix < input.size() - prefix &&
               old[old.size() - 1 - suffix] == input[input.size() - 1 - suffix])
            ++suffix;
        const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
        if (inserted.isEmpty()) return QValidator::Acceptable;  // deletions pass untouched
        m_pending.push_back(
            Pending{static_cast<int>(prefix), static_cast<int>(old.size() - suffix), inserted});
        return QValidator::Invalid;  // Qt undoes the edit; replay() redoes it filtered
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != m_edit && (!m_combo || watched != m_combo)) return false;
        switch (e->type()) {
            case QEvent::KeyPress:
                return keyPress(watched, static_cast<QKeyEvent*>(e));
            case QEvent::InputMethod:
                deliverAsUser(watched, e);
                return true;
            case QEvent::Drop:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::ContextMenu:
                if (watched != m_edit) return false;
                deliverAsUser(watched, e);
                return true;
            default:
                return false;
        }
    }

private:
    struct Pending {
        int start;
        int end;
        QString text;
    };

    bool keyPress(QObject* target, QKeyEvent* ke) {
        const int key = ke->key();
        if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter) {
            const int original = key == Qt::Key_Backspace ? 8 : 13;
            int code = original;
            runFilter(code);
            if (code == 0) return true;
            if (code == original) {
                deliverAsUser(target, ke);
                return true;
            }
            insertCode(code);
            return true;
        }
        const QString text = ke->text();
        const Qt::KeyboardModifiers mods = ke->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        bool printable = !text.isEmpty() && mods == Qt::NoModifier;
        for (QChar c : text)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) printable = false;
        if (!printable) {
            // Shortcuts (paste among them), Delete, cursor keys.
            deliverAsUser(target, ke);
            return true;
        }
        typeText(text);
        return true;
    }

    // Lets the box (or its list box) handle a user event itself, then puts
    // any text it tried to insert through the filter.
    void deliverAsUser(QObject* target, QEvent* e) {
        QPointer<QLineEdit> edit(m_edit);
        ++m_userDepth;
        target->event(e);
        --m_userDepth;
        if (!edit) return;
        replay();
    }

    void replay() {
        while (!m_pending.isEmpty()) {
            const Pending p = m_pending.takeFirst();
            if (p.end > p.start)
                m_edit->setSelection(p.start, p.end - p.start);
            else
                m_edit->setCursorPosition(p.start);
            typeText(p.text);
        }
    }

    void typeText(const QString& text) {
        QPointer<QLineEdit> edit(m_edit);
        for (char32_t cp : text.toUcs4()) {
            int code = static_cast<int>(cp);
            runFilter(code);
            if (!edit) return;
            if (code != 0) insertCode(code);
        }
    }

    void runFilter(int& code) {
        ++m_codeDepth;
        m_fn(code);
        --m_codeDepth;
    }

    void insertCode(int code) {
        // A one-line box holds no control characters (a filter may keep
        // Enter or turn a key into one).
        if (code < 0x20 || code == 0x7F) return;
        const char32_t cp = static_cast<char32_t>(code);
        ++m_codeDepth;
        m_edit->insert(QString::fromUcs4(&cp, 1));
        --m_codeDepth;
    }

    QLineEdit* m_edit;
    QPointer<QComboBox> m_combo;
    std::function<void(int&)> m_fn;
    QString m_last;
    QList<Pending> m_pending;
    int m_userDepth = 0;
    int m_codeDepth = 0;
};

QValidator::State InsertGuard::validate(QString& input, int&) const { return m_owner->check(input); }

}  // namespace

void installKeyFilter(QLineEdit* edit, std::function<void(int& keyAscii)> filter) {
    if (!edit || !filter) return;
    new KeyAsciiFilter(edit, std::move(filter));
}

}  // namespace Controls

// ---------------------------------------------------------------------------

PanelStatusBar::PanelStatusBar(int panels, QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
    for (int i = 1; i <= panels; ++i) {
        auto* l = new QLabel(this);
        l->setObjectName(QStringLiteral("Panel%1").arg(i));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(Vb::twips(1440));
        addPermanentWidget(l, i == panels ? 1 : 0);
        m_panels.push_back(l);
    }
}

QLabel* PanelStatusBar::panel(int index) const {
    return index >= 1 && index <= panelCount() ? m_panels[index - 1] : nullptr;
}

void PanelStatusBar::setPanelText(int index, const QString& text) {
    if (QLabel* l = panel(index)) l->setText(text);
}

QString PanelStatusBar::panelText(int index) const {
    const QLabel* l = panel(index);
    return l ? l->text() : QString();
}

void PanelStatusBar::setPanelWidth(int index, int twips) {
    if (QLabel* l = panel(index)) l->setMinimumWidth(Vb::twips(twips));
}
