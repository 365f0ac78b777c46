#include "ButtonLock.h"

#include <QTimer>

void ButtonLock::hold(const QList<QPushButton*>& buttons, const QPushButton* keep) {
    if (!m_held) {
        m_saved.clear();
        for (QPushButton* b : buttons) m_saved << (b && !b->testAttribute(Qt::WA_ForceDisabled));
        m_held = true;
    }
    for (QPushButton* b : buttons)
        if (b && b != keep) b->setEnabled(false);
}

void ButtonLock::release(const QList<QPushButton*>& buttons) {
    for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]) buttons[i]->setEnabled(i < m_saved.size() && m_saved[i]);
    m_held = false;
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
