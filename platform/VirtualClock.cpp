#include "VirtualClock.h"

#include <QStringList>

namespace {
VirtualClock* g_active = nullptr;
VirtualClock::Id g_lastId = 0;
constexpr qint64 kDayMs = 24LL * 3600 * 1000;
}  // namespace

VirtualClock::VirtualClock(QTime startOfDay) : m_startOfDayMs(startOfDay.isValid() ? startOfDay.msecsSinceStartOfDay() : 0) {
    g_active = this;
}

VirtualClock::~VirtualClock() {
    if (g_active == this) g_active = nullptr;
}

VirtualClock* VirtualClock::active() { return g_active; }

float VirtualClock::timeOfDay() const {
    return static_cast<float>((m_startOfDayMs + m_now) % kDayMs) / 1000.0f;
}

VirtualClock::Id VirtualClock::schedule(qint64 due, QObject* context, std::function<void()> fn) {
    const Id id = ++g_lastId;
    Entry e;
    e.context = context;
    e.hadContext = context != nullptr;
    if (context)
        e.label = QStringLiteral("%1 (%2)").arg(context->objectName(),
                                                QString::fromLatin1(context->metaObject()->className()));
    e.fn = std::move(fn);
    due = qMax(due, m_now);
    m_queue.emplace(Key{due, id}, std::move(e));
    m_due.emplace(id, due);
    return id;
}

void VirtualClock::cancel(Id id) {
    const auto it = m_due.find(id);
    if (it == m_due.end()) return;
    m_queue.erase(Key{it->second, id});
    m_due.erase(it);
}

std::optional<qint64> VirtualClock::nextDue() const {
    if (m_queue.empty()) return std::nullopt;
    return m_queue.begin()->first.first;
}

bool VirtualClock::fireNext() {
    while (!m_queue.empty()) {
        auto it = m_queue.begin();
        const auto [due, id] = it->first;
        Entry e = std::move(it->second);
        m_queue.erase(it);
        m_due.erase(id);
        m_now = qMax(m_now, due);
        if (e.hadContext && !e.context) continue;  // its owner is gone
        ++m_fired;
        e.fn();
        return true;
    }
    return false;
}

void VirtualClock::singleShot(int ms, QObject* context, std::function<void()> fn) {
    if (VirtualClock* clock = active()) {
        clock->schedule(clock->now() + qMax(0, ms), context, std::move(fn));
        return;
    }
    QTimer::singleShot(qMax(0, ms), Qt::PreciseTimer, context, std::move(fn));
}

void VirtualClock::moveTo(qint64 t) {
    if (const auto next = nextDue()) t = qMin(t, *next);
    m_now = qMax(m_now, t);
}

QString VirtualClock::describe() const {
    QStringList lines;
    for (const auto& [key, e] : m_queue)
        lines << QStringLiteral("%1 at %2").arg(e.label.isEmpty() ? QStringLiteral("(callback)") : e.label)
                     .arg(key.first);
    return lines.join(QLatin1Char('\n'));
}

// --- ClockShot -------------------------------------------------------------------

ClockShot::ClockShot(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ClockShot::timeout);
}

ClockShot::~ClockShot() { stop(); }

void ClockShot::start(int ms) {
    stop();
    if (VirtualClock* clock = VirtualClock::active()) {
        m_entry = clock->schedule(clock->now() + qMax(0, ms), this, [this] {
            m_entry = 0;
            emit timeout();
        });
        return;
    }
    m_timer.start(qMax(0, ms));
}

void ClockShot::stop() {
    m_timer.stop();
    if (m_entry) {
        if (VirtualClock* clock = VirtualClock::active()) clock->cancel(m_entry);
        m_entry = 0;
    }
}

bool ClockShot::isActive() const {
    if (m_timer.isActive()) return true;
    const VirtualClock* clock = VirtualClock::active();
    return m_entry && clock && clock->scheduled(m_entry);
}

// --- ClockElapsed ----------------------------------------------------------------

void ClockElapsed::start() {
    if (const VirtualClock* clock = VirtualClock::active()) {
        m_virtual = true;
        m_virtualStart = clock->now();
        return;
    }
    m_virtual = false;
    m_real.start();
}

qint64 ClockElapsed::elapsed() const {
    if (m_virtual) {
        const VirtualClock* clock = VirtualClock::active();
        return clock ? clock->now() - m_virtualStart : 0;
    }
    return m_real.isValid() ? m_real.elapsed() : 0;
}
