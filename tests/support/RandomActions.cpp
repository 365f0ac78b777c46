#include "RandomActions.h"

#include <QPushButton>
#include <QScopeGuard>
#include <iostream>

#include "Property.h"
#include "SimSupport.h"
#include "VirtualTime.h"
#include "platform/VbTimer.h"

void showValue(const ModuleSim::Fate& f, std::ostream& os) { os << f.describe().toStdString(); }

namespace RandomActions {

void showValue(const Step& s, std::ostream& os) { os << s.label.toStdString(); }

// --- the table -------------------------------------------------------------------

int ActionTable::add(Action a) {
    m_actions.push_back(std::move(a));
    return int(m_actions.size()) - 1;
}

QString ActionTable::label(const Step& s) const {
    const Action& a = m_actions.at(s.action);
    QString out = a.name;
    if (!a.choices.isEmpty()) out += QStringLiteral(" ← ") + a.choices.value(s.choice);
    if (!a.texts.isEmpty()) out += QStringLiteral(" “") + s.text + QStringLiteral("”");
    return out;
}

namespace {
// One of the generators, each as often as its weight says (rapidcheck's own
// weighted choice takes a fixed list only).
template <class T>
rc::Gen<T> weighted(std::vector<std::pair<std::size_t, rc::Gen<T>>> choices) {
    std::vector<int> picks;
    for (std::size_t i = 0; i < choices.size(); ++i) picks.insert(picks.end(), choices[i].first, int(i));
    std::vector<rc::Gen<T>> gens;
    for (auto& c : choices) gens.push_back(std::move(c.second));
    return rc::gen::mapcat(rc::gen::elementOf(picks), [gens](int i) { return gens[std::size_t(i)]; });
}
}  // namespace

rc::Gen<Step> ActionTable::step() const {
    std::vector<std::pair<std::size_t, rc::Gen<Step>>> byWeight;
    for (int i = 0; i < size(); ++i) {
        const Action& a = m_actions.at(i);
        const int choices = int(qMax<qsizetype>(1, a.choices.size()));
        std::vector<QString> texts(a.texts.begin(), a.texts.end());
        if (texts.empty()) texts.push_back(QString());
        auto gen = rc::gen::map(
            // Every choice as likely at any size: the long waits and rare
            // results are the last of their lists.
            rc::gen::pair(rc::gen::resize(100, rc::gen::inRange(0, choices)), rc::gen::elementOf(texts)),
            [this, i](const std::pair<int, QString>& drawn) {
                Step s;
                s.action = i;
                s.choice = drawn.first;
                s.text = drawn.second;
                s.label = label(s);
                return s;
            });
        byWeight.emplace_back(std::size_t(qMax(1, a.weight)), std::move(gen));
    }
    return weighted(std::move(byWeight));
}

rc::Gen<std::vector<Step>> ActionTable::sequence(int maxLength) const {
    const rc::Gen<Step> one = step();
    // The length grows with rapidcheck's size up to maxLength, and a
    // failing list shrinks by whole steps.
    return rc::gen::withSize([one, maxLength](int size) {
        return rc::gen::resize(qMin(maxLength, qMax(1, size)), rc::gen::container<std::vector<Step>>(one));
    });
}

void ActionTable::perform(const Step& s) const {
    const Action& a = m_actions.at(s.action);
    if (a.run) a.run(s);
}

// --- module and boxes ------------------------------------------------------------

QList<QPair<QString, ModuleSim::Fate>> fatePresets(const QByteArray& notice) {
    using Fate = ModuleSim::Fate;
    return {
        {QStringLiteral("晚 300 ms"), Fate::late(300)},
        {QStringLiteral("晚 700 ms"), Fate::late(700)},
        {QStringLiteral("晚 3 s"), Fate::late(3000)},
        {QStringLiteral("晚 6 s"), Fate::late(6000)},
        {QStringLiteral("分 3 段, 相隔 40 ms"), Fate::split(3, 40)},
        {QStringLiteral("分 2 段, 相隔 600 ms"), Fate::split(2, 600)},
        {QStringLiteral("粘到下一个 (最多 1.5 s)"), Fate::glued(1500)},
        {QStringLiteral("发两次, 相隔 0 ms"), Fate::repeated(2, 0)},
        {QStringLiteral("发两次, 相隔 800 ms"), Fate::repeated(2, 800)},
        {QStringLiteral("丢失"), Fate::missing()},
        {QStringLiteral("先发通知 ") + SimSupport::hex(notice.mid(8)), Fate::onTime().withBefore(notice)},
    };
}

ActionTable::Action nextAnswerAction(std::function<ModuleSim*()> sim, const QByteArray& notice, int weight) {
    const auto presets = fatePresets(notice);
    QStringList names;
    for (const auto& p : presets) names << p.first;
    return {QStringLiteral("模块 › 下一个回答"), names, {}, weight, [sim, presets](const Step& s) {
                if (ModuleSim* m = sim()) m->queueFates({presets.value(s.choice).second});
            }};
}

ActionTable::Action nextBoxAction(std::function<DialogRecorder*()> dialogs,
                                  std::function<bool(const Dialogs::Message&)> allowed, int weight) {
    static const QList<int> times = {300, 1500, 3000, 8000};
    QStringList names;
    for (int ms : times) names << QStringLiteral("保持打开 %1 ms").arg(ms);
    return {QStringLiteral("下一个提示框"), names, {}, weight, [dialogs, allowed](const Step& s) {
                DialogRecorder* d = dialogs();
                if (!d) return;
                // The hold is taken by the next box, unless it may not stay
                // open when it comes; then that box answers at once.
                auto left = std::make_shared<bool>(true);
                const int ms = times.value(s.choice);
                d->setHoldPolicy([left, ms, allowed](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
                    if (!*left) return std::nullopt;
                    *left = false;
                    if (allowed && !allowed(m)) return std::nullopt;
                    DialogRecorder::Hold h;
                    h.forMs = ms;
                    return h;
                });
            }};
}

// --- transcript ------------------------------------------------------------------

void Transcript::note(const QString& line) {
    const QString at = m_time ? QStringLiteral("%1 ms").arg(m_time->now(), 7) : QStringLiteral("       ");
    m_lines << at + QStringLiteral("  ") + line;
}

void Transcript::watch(ModuleSim& sim) {
    QObject::connect(&sim, &ModuleSim::requestReceived, &sim, [this](const QByteArray& r) {
        note(QStringLiteral("module got ") + SimSupport::hex(r.left(24)) +
             (r.size() > 24 ? QStringLiteral(" … (%1 bytes)").arg(r.size()) : QString()));
    });
    QObject::connect(&sim, &ModuleSim::answerMade, &sim, [this, &sim] {
        const ModuleSim::FateRecord& a = sim.fateLog().last();
        note(QStringLiteral("  module answers ") + SimSupport::hex(a.answer.left(16)) +
             (a.answer.size() > 16 ? QStringLiteral(" …") : QString()) + QStringLiteral(" — ") + a.fate.describe());
    });
    QObject::connect(&sim, &ModuleSim::lineClosed, &sim, [this] { note(QStringLiteral("module closes the line")); });
}

void Transcript::watch(DialogRecorder& dialogs, std::function<void(const Dialogs::Message&)> also) {
    dialogs.setObserver([this, also](const Dialogs::Message& m) {
        note(QStringLiteral("box ") + m.title + QStringLiteral(": ") + m.text);
        if (also) also(m);
    });
}

// --- invariants ------------------------------------------------------------------

ButtonStates buttonStates(const QList<QPushButton*>& buttons) {
    ButtonStates out;
    for (QPushButton* b : buttons)
        if (b) out.insert(b->objectName(), !b->testAttribute(Qt::WA_ForceDisabled));
    return out;
}

QStringList differences(const ButtonStates& before, const ButtonStates& after) {
    QStringList out;
    auto word = [](bool on) { return on ? QStringLiteral("enabled") : QStringLiteral("disabled"); };
    for (auto it = before.begin(); it != before.end(); ++it)
        if (after.contains(it.key()) && after.value(it.key()) != it.value())
            out << QStringLiteral("%1: %2 before, %3 now").arg(it.key(), word(it.value()), word(after.value(it.key())));
    return out;
}

QStringList runningTimers(const QList<QObject*>& roots) {
    QStringList out;
    for (QObject* root : roots) {
        if (!root) continue;
        QList<VbTimer*> timers = root->findChildren<VbTimer*>();
        if (auto* self = qobject_cast<VbTimer*>(root)) timers << self;
        for (VbTimer* t : timers) {
            if (!t->running()) continue;
            const QObject* owner = t->parent();
            out << QStringLiteral("%1 (%2)").arg(t->objectName(), owner ? owner->objectName() : QStringLiteral("-"));
        }
    }
    return out;
}

FrameLedger::Pattern FrameLedger::exact(const QByteArray& bytes) {
    return {SimSupport::hex(bytes), [bytes](const QByteArray& f) { return f == bytes; }};
}

FrameLedger::Pattern FrameLedger::head(const QByteArray& head, int length, const QString& name) {
    return {name.isEmpty() ? SimSupport::hex(head) + QStringLiteral(" …") : name,
            [head, length](const QByteArray& f) { return f.startsWith(head) && (length <= 0 || f.size() == length); }};
}

void FrameLedger::allow(const QString& cause, const QList<Pattern>& patterns, Kind kind) {
    Allowance a;
    a.cause = cause;
    a.patterns = patterns;
    a.used = QList<bool>(patterns.size(), false);
    a.kind = kind;
    m_open << a;
}

QString FrameLedger::take(const QByteArray& frame) {
    // The oldest allowance that can still take the frame has it.
    for (Allowance& a : m_open) {
        for (int i = a.kind == Ordered ? a.cursor : 0; i < a.patterns.size(); ++i) {
            if (a.used[i] || !a.patterns[i].match(frame)) continue;
            if (a.kind != Lasting) a.used[i] = true;
            if (a.kind == Ordered) a.cursor = i + 1;
            return a.cause;
        }
    }
    return QString();
}

void FrameLedger::close(const QString& cause) {
    m_open.erase(std::remove_if(m_open.begin(), m_open.end(), [&](const Allowance& a) { return a.cause == cause; }),
                 m_open.end());
}

// --- running ---------------------------------------------------------------------

namespace {
// The offscreen platform warns of every raise and size hint of the
// thousands of windows a run opens; the log keeps the rest.
QtMessageHandler g_previousHandler = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (g_previousHandler) g_previousHandler(type, context, text);
}
}  // namespace

bool check(const std::string& name, int cases, int seconds, const std::function<void()>& property,
           const std::function<QString()>& transcript) {
    g_previousHandler = qInstallMessageHandler(quietPlatform);
    const auto restore = qScopeGuard([] { qInstallMessageHandler(g_previousHandler); });
    // The seed goes out first: a run that hangs or is killed while
    // shrinking can still be repeated.
    if (qEnvironmentVariableIsEmpty("SMSTOOLS_PROPERTY_SEED"))
        qputenv("SMSTOOLS_PROPERTY_SEED", QByteArray::number(Property::seedFromEnvironment()));
    std::cerr << name << ": seed " << qgetenv("SMSTOOLS_PROPERTY_SEED").toStdString() << " (SMSTOOLS_PROPERTY_SEED)\n"
              << std::flush;
    auto lastFailure = std::make_shared<QString>();
    auto wrapped = [property, transcript, lastFailure] {
        try {
            property();
        } catch (const rc::detail::CaseResult& r) {
            if (r.type == rc::detail::CaseResult::Type::Failure)
                *lastFailure = QString::fromStdString(r.description) + QLatin1Char('\n') +
                               (transcript ? transcript() : QString());
            throw;
        } catch (...) {
            *lastFailure = QStringLiteral("(an exception)\n") + (transcript ? transcript() : QString());
            throw;
        }
    };
    const bool ok = Property::check(name, cases, seconds, wrapped);
    if (!ok && !lastFailure->isEmpty())
        std::cerr << "The last failing run, the shortest case's unless the failure came and went:\n" << lastFailure->toStdString() << "\n" << std::flush;
    return ok;
}

}  // namespace RandomActions
