#include "ButtonLock.h"

#include <QTimer>

bool ButtonLock::ownEnabled(const QPushButton* b) { return b && !b->testAttribute(Qt::WA_ForceDisabled); }

bool ButtonLock::covers(const QPushButton* b) const {
    if (!m_held || b == m_keep) return false;
    for (const QPointer<QPushButton>& p : m_heldButtons)
        if (p == b) return true;
    return false;
}

void ButtonLock::hold(const QList<QPushButton*>& buttons, const QPushButton* keep) {
    if (!m_held) {
        m_saved.clear();
        m_heldButtons.clear();
        for (QPushButton* b : buttons) {
            // A busy button is disabled by its own operation, not by the user.
            const auto busy = m_busy.constFind(b);
            m_saved << (busy != m_busy.cend() ? *busy : ownEnabled(b));
            m_heldButtons << b;
        }
        m_keep = keep;
        m_held = true;
    }
    for (QPushButton* b : buttons)
        if (b && b != keep) b->setEnabled(false);
}

void ButtonLock::release(const QList<QPushButton*>& buttons) {
    for (int i = 0; i < buttons.size(); ++i) {
        QPushButton* b = buttons[i];
        if (!b) continue;
        const bool state = i < m_saved.size() && m_saved[i];
        if (auto busy = m_busy.find(b); busy != m_busy.end())
            *busy = state;  // its own operation gives it back
        else
            b->setEnabled(state);
    }
    m_held = false;
    m_heldButtons.clear();
    m_keep = nullptr;
    if (m_waiting && m_context) QTimer::singleShot(0, m_context, [this] { runWaiting(); });
}

void ButtonLock::whenFree(QObject* context, std::function<void()> fn) {
    if (!m_held) {
        fn();
        return;
    }
    m_context = context;
    m_waiting = std::move(fn);
}

void ButtonLock::runWaiting() {
    if (m_held || !m_waiting) return;
    const std::function<void()> fn = std::move(m_waiting);
    m_waiting = nullptr;
    fn();
}

void ButtonLock::busy(QPushButton* b) {
    if (!b || m_busy.contains(b)) return;
    // Under a hold this is false, and the release puts in what the hold
    // remembered.
    m_busy.insert(b, ownEnabled(b));
    b->setEnabled(false);
}

void ButtonLock::done(QPushButton* b) {
    const auto it = m_busy.find(b);
    if (it == m_busy.end()) return;
    const bool before = *it;
    m_busy.erase(it);
    if (!covers(b)) b->setEnabled(before);
}
