// Random sequences of everything a user does with the GPRS data module's
// windows (the work-mode dialog's connect, cancel, enter and mode switch
// with its restart wait; every button of every tab of the settings form,
// tab switches, list choices, typed values, scroll bars, the identity write
// and its wait, 退出, closing the window or the main window, a new connect)
// mixed with what the module and its data centre do (answers on time,
// late, split, glued, repeated or missing; FD notices now or later; every
// identity result, soon or after the wait has given up; the line closed),
// all on the virtual clock. After each sequence, once the module is quiet:
//  1. nothing crashed, hung, or freed a window under its own open box;
//  2. the twelve buttons are as they were before the first step, and no
//     timer of the program still runs;
//  3. a result or notice message came only for what the module said, and
//     "模块身份地址设置成功" only when the module holds that address; a clean
//     refresh at the end shows exactly what the module holds;
//  4. every request the module received was sent by a step or by a
//     sequence of the program, in that sequence's order, and whole;
//  5. a chain that ended early told the user why, a read sequence too, even
//     when late, split or repeated answers came in among its own.
//
// SMSTOOLS_PROPERTY_CASES / _SECONDS / _SEED and RC_PARAMS work as for every
// property (tests/support/Property.h); the test command runs about 20 s.

#include <QApplication>
#include <QCheckBox>
#include <QRandomGenerator>
#include <QScrollBar>

#include "GprsHarness.h"
#include "core/protocol/GprsAnswers.h"
#include "kestrun/gprs/GprsAnswerParser.h"
#include "tests/support/BoxInput.h"
#include "tests/support/RandomActions.h"
#include "tests/support/VirtualTime.h"

using RandomActions::ActionTable;
using RandomActions::FrameLedger;
using RandomActions::Step;
using Fate = ModuleSim::Fate;

namespace {

const QByteArray kPre = QByteArray::fromHex("1A2A3A4A5A6A7A8A");
FrameLedger::Pattern code(uint8_t c, uint8_t op, int length) {
    return FrameLedger::head(kPre + QByteArray(1, char(c)) + QByteArray(1, char(op)), length);
}
const FrameLedger::Pattern kNoPreamble{QStringLiteral("data or a passive request"),
                                       [](const QByteArray& f) { return !f.startsWith(kPre.left(2)); }};
const uint8_t kReadCodes[13] = {0xF4, 0xEC, 0xF6, 0xE4, 0xD3, 0xD2, 0xF8, 0xE2, 0xF9, 0xF3, 0xFB, 0xE1, 0xDB};

// The module's modes and settings at the start of a case.
struct Module {
    int workMode = 1;
    int transMode = 0;
    int subMode = 1;
    int power = 0;
    int wakeMode = 0;
    int dataMode = 1;  // the status the probe answer reports: 80h data communication, else 0
    unsigned contents = 0;
};
void showValue(const Module& m, std::ostream& os) {
    os << "module: work mode " << m.workMode << ", transmission " << m.transMode << ", sub-mode " << m.subMode
       << ", power saving " << m.power << ", wake mode " << m.wakeMode << ", data communication " << m.dataMode
       << ", contents " << m.contents;
}

QString addr(const QByteArray& a) { return GprsAnswers::addressText(uint8_t(a.at(0)), uint8_t(a.at(1))); }

// What refresh_para puts in each display label before the answers come.
const QMap<QString, QString> kPlaceholders = [] {
    QMap<QString, QString> m;
    for (int i : {0, 1, 30}) m[QStringLiteral("Label1(%1)").arg(i)] = QStringLiteral("**:**:");
    m[QStringLiteral("Label1(3)")] = QStringLiteral("***");
    m[QStringLiteral("Label1(9)")] = QStringLiteral("***********");
    for (int i : {4, 5, 6, 7, 8, 33, 34}) m[QStringLiteral("Label1(%1)").arg(i)] = QStringLiteral("********");
    m[QStringLiteral("Label10")] = QStringLiteral("********");
    for (const char* l : {"Label5", "Label7", "Label8"}) m[QLatin1String(l)] = QStringLiteral("**");
    return m;
}();

struct Case;
Case* g_case = nullptr;
Case& c() { return *g_case; }

// One run: the program against a GPRS module on the virtual clock.
struct Case {
    VirtualTime vt;
    GprsHarness h;
    RandomActions::Transcript& transcript;
    FrameLedger ledger;
    QStringList violations;
    RandomActions::ButtonStates baseline;
    QPointer<GprsSettingsForm> hooked;
    bool mainClosed = false;
    bool lineClosedByModule = false;
    bool otherPortChosen = false;
    bool anyAnswerOff = false;
    bool lineLostShown = false;
    Dialogs::Answer takenAnswer = Dialogs::Answer::Yes;
    // Notices and identity results the module sent, and the boxes shown for them.
    QMap<uint8_t, int> noticesSent, noticesShown, resultsSent, resultsShown;
    QByteArray lastIdentityWrite;
    // The read sequence under way: the boxes before it, and whether
    // anything but on-time answers came between it and the module.
    int messagesAtRefreshStart = 0;
    bool refreshDisturbed = false;
    QMap<VbTimer*, int> messagesAtChainStart;

    Case(const Module& m, RandomActions::Transcript& t) : transcript(t) {
        transcript.clear();
        transcript.setClock(&vt);
        // Nothing of the last run's program may live on into this one.
        for (QWidget* w : QApplication::allWidgets())
            if (w->objectName().startsWith(QStringLiteral("frm")) || w->objectName().startsWith(QStringLiteral("Form")))
                violation(QStringLiteral("a window of the last run still lives: %1 (parent %2, visible %3)")
                              .arg(w->objectName(), w->parent() ? w->parent()->metaObject()->className() : "none")
                              .arg(w->isVisible()));
        fill(m);
        vt.watchLine(&h.port(), &sim());
        transcript.watch(sim());
        transcript.watch(h.dialogs, [this](const Dialogs::Message& msg) { judgeMessage(msg); });
        QObject::connect(&sim(), &ModuleSim::requestReceived, &sim(), [this](const QByteArray& r) { attribute(r); });
        QObject::connect(&sim(), &ModuleSim::answerMade, &sim(), [this] { countAnswer(sim().fateLog().last()); });
        QObject::connect(&sim(), &ModuleSim::lineClosed, &sim(), [this] { refreshDisturbed = anyAnswerOff = true; });
    }
    ~Case() { transcript.setClock(nullptr); }

    ModuleSim& sim() { return h.sim(); }
    SimGprs& module() { return *h.module; }
    GprsSettingsForm* form() { return h.form(); }

    void fill(const Module& m) {
        ModuleSim::Identity& id = sim().identity;
        id.workMode = uint8_t(m.workMode);
        id.transMode = uint8_t(m.transMode);
        id.hsStatus2 = m.dataMode ? 0x80 : 0x00;
        SimGprs& g = module();
        g.subMode = uint8_t(m.subMode);
        g.powerSaving = uint8_t(m.power);
        g.wakeMode = uint8_t(m.wakeMode);
        QRandomGenerator rng(m.contents);
        const auto two = [&] { return QByteArray(1, char(rng.bounded(256))) + QByteArray(1, char(rng.bounded(256))); };
        g.identityAddress = two();
        g.identityExtra = two();
        g.targetAddress = two();
        g.passiveAddress = QByteArray(1, char('0' + rng.bounded(10))) + QByteArray(1, char('0' + rng.bounded(10)));
        g.heartbeat = uint16_t(rng.bounded(10000));
        g.restartCount = uint8_t(rng.bounded(256));
        const int type = int(rng.bounded(3));
        g.layout = QByteArray(1, char(rng.bounded(1, 256))) + QByteArray(1, char(rng.bounded(1, type == 0 ? 5 : 3))) +
                   QByteArray(1, char(rng.bounded(1, 256))) + QByteArray(1, char(type));
        g.idleUnits = uint16_t(rng.bounded(1000));
        g.dataUnits = uint16_t(rng.bounded(1000));
    }

    void violation(const QString& what) {
        transcript.note(QStringLiteral("!! ") + what);
        violations << what;
    }

    // --- check 4: every request has a cause ----------------------------------------

    bool refreshAllowed = false;
    void allowRefresh() {
        if (std::exchange(refreshAllowed, true)) return;
        QList<FrameLedger::Pattern> reads;
        for (uint8_t code_ : kReadCodes) reads << code(code_, 3, 10);
        ledger.allow(QStringLiteral("read sequence"), reads, FrameLedger::Lasting);
    }
    void allowConnect() {
        ledger.allow(QStringLiteral("connect"),
                     {code(0xFE, 3, 10), code(0xF8, 3, 10), code(0xF9, 3, 10), code(0xEC, 3, 10), code(0xD6, 3, 10),
                      code(0xD1, 3, 10)},
                     FrameLedger::Ordered);
    }
    void allow(const QString& cause, const QList<FrameLedger::Pattern>& p, FrameLedger::Kind k = FrameLedger::Once) {
        ledger.allow(cause, p, k);
    }

    void attribute(const QByteArray& r) {
        if (r.startsWith(kPre) && r.size() >= 10) {
            const uint8_t code_ = uint8_t(r.at(8)), op = uint8_t(r.at(9));
            if (code_ == 0xF4 && (op == 1 || op == 2)) lastIdentityWrite = r;
            // A write reaching the module in the middle of a read sequence
            // changes what the sequence reads.
            if (op == 1 || op == 2) refreshDisturbed = true;
        }
        if (ledger.take(r).isEmpty())
            violation(QStringLiteral("request nothing sent: ") + SimSupport::hex(r.left(24)) +
                      (r.size() > 24 ? QStringLiteral(" … (%1 bytes)").arg(r.size()) : QString()));
    }

    // Counts the notices and identity results in an answer as the module
    // delivers it: a repeated answer repeats its notice and whatever was
    // glued to it; a glued one goes out with the next.
    QByteArray heldGlued;
    void countAnswer(const ModuleSim::FateRecord& a) {
        if (a.fate.kind != Fate::OnTime) refreshDisturbed = anyAnswerOff = true;
        const bool missing = a.fate.kind == Fate::Missing;
        const QByteArray glued = sim().holdingGlued() && !missing ? std::exchange(heldGlued, QByteArray()) : QByteArray();
        const QByteArray whole = glued + a.fate.before + a.answer;
        if (a.fate.kind == Fate::Glued) {
            heldGlued = whole;
            return count(a.fate.before + a.answer, 1);  // it goes out once, with the next or alone
        }
        if (missing) return;
        count(a.fate.before + a.answer, 1);
        if (a.fate.kind == Fate::Repeated) count(whole, a.fate.copies - 1);
    }
    void count(const QByteArray& bytes, int n) {
        for (qsizetype at = bytes.indexOf(kPre); at >= 0 && n > 0; at = bytes.indexOf(kPre, at + 1)) {
            const QByteArray f = bytes.mid(at);
            if (f.size() < 10) continue;
            const uint8_t code_ = uint8_t(f.at(8)), status = uint8_t(f.at(9));
            if (code_ == 0xFD) noticesSent[status] += n;
            if (code_ == 0xF4 && status != 0x03) resultsSent[status] += n;
            // A retried identity write: the notice brings the write again.
            if (code_ == 0xFD && status == 0x03)
                for (int i = 0; i < n; ++i) allow(QStringLiteral("FD 03 retry"), {code(0xF4, 1, 12)});
        }
    }

    // --- check 3: messages ---------------------------------------------------------

    void judgeMessage(const Dialogs::Message& m) {
        const QString t = m.text;
        const auto owed = [&](QMap<uint8_t, int>& sent, QMap<uint8_t, int>& shown, uint8_t key) {
            if (++shown[key] > sent.value(key))
                violation(QStringLiteral("“%1” %2 times, the module said so %3 times").arg(t).arg(shown[key]).arg(sent.value(key)));
        };
        if (t == QStringLiteral("模块身份地址设置成功")) {
            owed(resultsSent, resultsShown, 0xFA);
            if (lastIdentityWrite.size() < 12 || module().identityAddress != lastIdentityWrite.mid(10, 2))
                violation(QStringLiteral("“模块身份地址设置成功” but the module holds %1").arg(addr(module().identityAddress)));
        } else if (t == QStringLiteral("对不起，模块身份地址设置失败")) {
            owed(resultsSent, resultsShown, 0xFC);
        } else if (t == QStringLiteral("对不起，您的模块没有上网")) {
            owed(resultsSent, resultsShown, 0x0A);
        } else if (t == QStringLiteral("您设置的身份地址已经被占用，要替换它吗？")) {
            owed(resultsSent, resultsShown, 0x08);
            if (takenAnswer != Dialogs::Answer::Yes) h.dialogs.queueAnswer(takenAnswer);
            else allow(QStringLiteral("替换"), {code(0xF4, 2, 12)});
        } else if (t == QStringLiteral("模块初始化已经完成，您可以接收和发射数据了")) {
            owed(noticesSent, noticesShown, 0x01);
        } else if (t == QStringLiteral("串口连接已断开，请检查连线后重新连接")) {
            lineLostShown = true;
            if (!lineClosedByModule) violation(QStringLiteral("the line reported lost though it was not"));
        } else if (t == QStringLiteral("模块和计算机通信失败，请检查串口号、波特率") && !anyAnswerOff) {
            violation(QStringLiteral("the handshake failed though every answer came on time"));
        } else if (m.title == QStringLiteral("端口错误") && !lineClosedByModule && !otherPortChosen) {
            violation(QStringLiteral("a port error on a port that is there: ") + t);
        } else if (t == QStringLiteral("您的模块与测试软件不一样，请与厂家联系")) {
            violation(QStringLiteral("the GPRS module taken for another type"));
        }
    }

    // --- check 3 and 5: what a read sequence shows ---------------------------------

    // Each display label as the module's answers fill it; with placeholders,
    // the labels the sequence does not reach as refresh_para left them.
    QMap<QString, QString> expectedLabels(bool placeholders) {
        QMap<QString, QString> out = placeholders ? kPlaceholders : QMap<QString, QString>{};
        const SimGprs& g = module();
        const ModuleSim::Identity& id = sim().identity;
        const auto in = [&](uint8_t c) { return g.answerFor(c).mid(9); };
        out["Label1(0)"] = addr(g.identityAddress);
        out["Label1(27)"] = addr(g.identityExtra);
        out["Label1(9)"] = GprsAnswers::versionText(in(0xEC));
        out["Label1(3)"] = QString::number(g.heartbeat) + QStringLiteral("秒");
        out["Label5"] = QString::number(g.restartCount);
        out["Label7"] = g.powerSaving ? QStringLiteral("有省电") : QStringLiteral("无省电");
        if (g.powerSaving) {
            out["Label8"] = GprsAnswers::wakeDelayText(in(0xD2));
            out["Label10"] = g.wakeMode ? QStringLiteral("模式2") : QStringLiteral("模式1");
        }
        out["Label1(4)"] = id.workMode ? QStringLiteral("主动方式") : QStringLiteral("被动方式");
        if (!id.workMode) out["Label1(30)"] = addr(g.passiveAddress);
        out["Label1(5)"] = id.transMode ? QStringLiteral("格式传输") : QStringLiteral("透明传输");
        if (!id.transMode) {
            out["Label1(1)"] = addr(g.targetAddress);
            out["Label1(6)"] = g.subMode ? QStringLiteral("方式1") : QStringLiteral("方式2");
            if (!g.subMode) {
                const GprsAnswers::AddressLayout l = GprsAnswers::addressLayout(in(0xE1));
                out["Label1(7)"] = QString::number(l.start);
                out["Label1(8)"] = QString::number(l.length);
                out["Label1(33)"] = QString::number(l.groupMax);
                out["Label1(34)"] = l.typeText();
            }
        }
        return out;
    }
    QStringList labelDifferences(bool placeholders) {
        QStringList out;
        const auto expected = expectedLabels(placeholders);
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            auto* l = h.f<QLabel>(it.key());
            const QString now = l ? l->text() : QStringLiteral("<none>");
            if (now != it.value()) out << QStringLiteral("%1 shows “%2”, module holds “%3”").arg(it.key(), now, it.value());
        }
        return out;
    }

    void hookForm() {
        GprsSettingsForm* f = form();
        if (!f || f == hooked) return;
        hooked = f;
        allowRefresh();
        const auto begins = [this] {
            // An answer still on its way from before comes in among its own.
            refreshDisturbed = sim().sending() || sim().holdingGlued() || !sim().isRunning();
            messagesAtRefreshStart = h.dialogs.messageCount();
        };
        QObject::connect(h.button(4), &QPushButton::clicked, f, begins);
        QObject::connect(h.timer("Timer6"), &VbTimer::tick, f, begins);
        VbTimer* t2 = h.timer("Timer2");
        QObject::connect(t2, &VbTimer::tick, f, [this, t2] {
            if (t2->running()) return;
            const QStringList diffs = labelDifferences(false);
            const bool told = h.dialogs.messageCount() > messagesAtRefreshStart;
            const bool early = std::any_of(diffs.begin(), diffs.end(), [](const QString& d) { return d.contains(QStringLiteral("“*")); });
            if (early && !refreshDisturbed && h.port().isOpen())
                violation(QStringLiteral("a read sequence ended early though every answer came on time: ") + diffs.join(QStringLiteral("; ")));
            else if (early && !told)
                violation(QStringLiteral("a read sequence ended early without a word: ") + diffs.join(QStringLiteral("; ")));
            else if (!early && !refreshDisturbed)
                for (const QString& d : diffs) violation(QStringLiteral("after a read sequence ") + d);
        });
        // The write chains: each ends at its last step, or tells why not.
        const std::pair<const char*, int> chains[] = {{"Timer1", 1}, {"Timer4", 100}, {"Timer5", 3}};
        const std::pair<int, const char*> starters[] = {{2, "Timer1"}, {10, "Timer4"}, {9, "Timer5"}};
        for (const auto& [button, timer] : starters) {
            VbTimer* t = h.timer(timer);
            QObject::connect(h.button(button), &QPushButton::clicked, f, [this, t] {
                if (t->running()) messagesAtChainStart[t] = h.dialogs.messageCount();
            });
        }
        for (const auto& [name, last] : chains) {
            VbTimer* t = h.timer(name);
            QObject::connect(t, &VbTimer::tick, f, [this, t, last = last, name = QString::fromLatin1(name)] {
                if (t->running() || !messagesAtChainStart.contains(t)) return;
                const int since = messagesAtChainStart.take(t);
                // A port the line took away was reported when it went.
                const bool portGone = !h.port().isOpen() && lineLostShown;
                if (g::GprsParamStep != last && h.dialogs.messageCount() == since && !portGone)
                    violation(QStringLiteral("the %1 chain ended at step %2 without a word").arg(name).arg(g::GprsParamStep));
            });
        }
    }

    // Connects through the work-mode dialog, enters the settings form and
    // waits for its first read sequence; what went wrong, or "".
    QString open() {
        transcript.note(QStringLiteral("connect"));
        allowConnect();
        GprsModeDialog* d = h.gprs().showModeDialog();
        d->findChild<QPushButton*>(QStringLiteral("Command1(0)"))->click();
        QPushButton* enter = d->findChild<QPushButton*>(QStringLiteral("Command1(2)"));
        if (!vt.runUntil([&] { return enter->isEnabled(); }, 10000)) return QStringLiteral("no handshake: ") + vt.why() + h.dialogs.describe();
        enter->click();
        if (!vt.runUntil([&] { return form() && form()->isVisible(); }, 2000)) return QStringLiteral("no settings form: ") + vt.why();
        hookForm();
        if (!vt.runUntil([&] { return !h.timer("Timer6")->running() && !h.timer("Timer2")->running(); }, 20000))
            return QStringLiteral("the first read sequence never ended: ") + vt.why();
        baseline = buttonStates();
        if (h.dialogs.messageCount() != 1) return QStringLiteral("messages while opening: ") + h.dialogs.describe();
        return violations.join(QLatin1Char('\n'));
    }

    RandomActions::ButtonStates buttonStates() {
        QList<QPushButton*> buttons;
        for (int i = 0; i < 12; ++i) buttons << h.button(i);
        return RandomActions::buttonStates(buttons);
    }

    bool settle() {
        const bool ok = vt.settle();
        if (!ok) violation(QStringLiteral("never quiet: ") + vt.why());
        hookForm();
        return ok;
    }
};

// --- what the user does -----------------------------------------------------------

// A modal window other than w's own stands in the user's way.
bool blocked(QWidget* w) {
    QWidget* modal = QApplication::activeModalWidget();
    return !w || (modal && w->window() != modal);
}

GprsModeDialog* modeDialog() {
    if (c().mainClosed) return nullptr;
    GprsModeDialog* d = c().h.gprs().modeDialog();
    return d && d->isVisible() && !blocked(d) ? d : nullptr;
}

// The form on the tab the control stands on (-1: outside the tabs), or
// nullptr when the user cannot reach it.
GprsSettingsForm* formOn(int tab) {
    if (c().mainClosed) return nullptr;
    GprsSettingsForm* f = c().form();
    if (!f || !f->isVisible() || blocked(f)) return nullptr;
    auto* tabs = c().h.f<QTabWidget>(QStringLiteral("SSTab1"));
    if (tab >= 0 && tabs->currentIndex() != tab) {
        c().transcript.note(QStringLiteral("   (tab %1 first)").arg(tab));
        tabs->setCurrentIndex(tab);
        c().settle();
    }
    return c().form();
}

template <class T = QWidget>
T* control(int tab, const QString& name) {
    GprsSettingsForm* f = formOn(tab);
    T* w = f ? c().h.in<T>(f, name) : nullptr;
    if (w && (!w->isEnabled() || !w->isVisibleTo(f))) {
        c().transcript.note(QStringLiteral("   (%1 cannot be used)").arg(name));
        return nullptr;
    }
    return w;
}

// The tab each of the twelve buttons stands on.
constexpr int kTabOf[12] = {2, 1, 0, 1, -1, -1, 0, 1, 0, 0, 0, 0};

void choose(int tab, const QString& name, int item) {
    auto* box = control<QComboBox>(tab, name);
    if (!box || item >= box->count()) return;
    box->setCurrentIndex(item);
    emit box->activated(item);
}

void type(int tab, const QString& name, const QString& text) {
    if (QWidget* box = control(tab, name)) BoxInput::put(box, text, BoxInput::Way::Typed);
}

// Two sends in one virtual instant would reach the module as one request:
// a user does not press twice within 50 ms.
void breath() { c().vt.runFor(50); }

void waitFor(qint64 ms) {
    if (!c().vt.runFor(ms)) c().violation(QStringLiteral("never quiet: ") + c().vt.why());
}

ActionTable buildActions() {
    ActionTable t;
    using P = FrameLedger::Pattern;
    const auto button = [&](int i, const char* name, int weight, QList<P> sends, FrameLedger::Kind kind = FrameLedger::Once) {
        t.add({QString::fromUtf8(name) + QStringLiteral(" (Command1(%1))").arg(i), {}, {}, weight, [i, sends, kind](const Step&) {
                   auto* b = control<QPushButton>(kTabOf[i], QStringLiteral("Command1(%1)").arg(i));
                   if (!b) return;
                   if (!sends.isEmpty()) c().allow(QStringLiteral("Command1(%1)").arg(i), sends, kind);
                   b->click();
                   breath();
               }});
    };
    // 参数设置
    button(2, "心跳时间 › 确定", 3, {code(0xF6, 1, 12), code(0xE4, 1, 11)}, FrameLedger::Ordered);
    button(6, "目标地址 › 确定", 1, {code(0xF3, 1, 12)});
    button(8, "波特率 › 确定", 1, {code(0xF2, 1, 11)});
    button(9, "省电 › 确定", 3, {code(0xD3, 1, 11), code(0xDB, 1, 14), code(0xD2, 1, 14)}, FrameLedger::Ordered);
    button(10, "工作方式 › 确定", 3, {code(0xF8, 1, 11), code(0xF9, 1, 11), code(0xFB, 1, 11), code(0xE1, 1, 14)},
           FrameLedger::Ordered);
    button(11, "被动方式地址 › 确定", 1, {code(0xE2, 1, 12)});
    // 通信测试
    button(1, "通信测试 › 发送数据", 2, {kNoPreamble});
    button(3, "通信测试 › 读取数据", 1, {kNoPreamble});
    button(7, "通信测试 › 判断内存", 1, {kNoPreamble});
    // 身份地址设置: its wait dialog follows.
    button(0, "身份地址设置 › 确定", 3, {code(0xF4, 1, 12)});
    // Outside the tabs.
    button(4, "参数刷新", 4, {});
    button(5, "退出", 1, {});

    t.add({QStringLiteral("标签 (SSTab1)"), {"参数设置", "通信测试", "身份地址设置"}, {}, 2, [](const Step& s) { formOn(s.choice); }});
    const auto list = [&](int tab, const char* name, QStringList items, int weight = 1) {
        t.add({QString::fromLatin1(name), items, {}, weight,
               [tab, name = QString::fromLatin1(name)](const Step& s) { choose(tab, name, s.choice); }});
    };
    list(0, "Combo1", {"主动方式", "被动方式"}, 2);
    list(0, "Combo2", {"格式传输", "透明传输"}, 2);
    list(0, "Combo3", {"方式1", "方式2"}, 2);
    list(0, "Combo4", {"ASCII", "16进制", "BCD码"});
    list(0, "Combo7", {"1200bps", "9600bps", "57600bps"});
    const auto box = [&](int tab, const char* name, QStringList texts) {
        t.add({QString::fromLatin1(name), {}, texts, 1,
               [tab, name = QString::fromLatin1(name)](const Step& s) { type(tab, name, s.text); }});
    };
    box(2, "Text2", {"1", "a", ""});
    box(2, "Text3", {"A05", "0f", "12"});
    box(0, "Text4", {"300", "65535", ""});
    box(0, "Text10", {"5", "255", "300"});
    box(0, "Text8", {"2", ""});
    box(0, "Text1(0)", {"0F3", "12"});
    box(0, "Text9", {"5", "12", ""});
    box(0, "Text11", {"1000", "400", "30000000"});
    box(0, "Text12", {"10000", "0"});
    box(1, "Text1(1)", {"41:42:", "0102", ""});
    box(1, "Text1(4)", {"31:32:", "3"});
    box(1, "Text1(6)", {"00:05:", ""});
    t.add({QStringLiteral("省电 options"), {"Option3 省电", "Option4 不省电", "Option7 模式1", "Option8 模式2"}, {}, 1,
           [](const Step& s) {
               if (auto* o = control<QRadioButton>(0, QStringLiteral("Option%1").arg(QList<int>{3, 4, 7, 8}.at(s.choice)))) o->click();
           }});
    t.add({QStringLiteral("scroll bar"), {"VScroll3 → 7", "VScroll4 → 2", "VScroll4 → 4", "VScroll5 → 30", "VScroll8 → 65"}, {}, 1,
           [](const Step& s) {
               static const QList<std::pair<const char*, int>> to = {{"VScroll3", -7}, {"VScroll4", -2}, {"VScroll4", -4},
                                                                     {"VScroll5", -30}, {"VScroll8", -65}};
               if (auto* bar = control<QScrollBar>(0, QString::fromLatin1(to.at(s.choice).first))) bar->setValue(to.at(s.choice).second);
           }});
    t.add({QStringLiteral("模块身份地址 double click (Label1(0))"), {}, {}, 1, [](const Step&) {
               if (auto* l = control<QLabel>(-1, QStringLiteral("Label1(0)"))) QTest::mouseDClick(l, Qt::LeftButton);
           }});
    t.add({QStringLiteral("关闭窗口 (frm7380COM)"), {}, {}, 1, [](const Step&) {
               if (GprsSettingsForm* f = formOn(-1)) f->close();
           }});

    // The work-mode dialog.
    t.add({QStringLiteral("工作方式选择"), {"连接", "取消", "进入", "数据通信", "地址设置", "串口 COM2", "串口 COM1"}, {}, 3,
           [](const Step& s) {
               GprsModeDialog* d = modeDialog();
               if (!d) return;
               const auto cmd = [d](int i) { return d->findChild<QPushButton*>(QStringLiteral("Command1(%1)").arg(i)); };
               QAbstractButton* b = nullptr;
               if (s.choice <= 2) b = cmd(s.choice);
               if (s.choice == 3 || s.choice == 4) b = d->findChild<QRadioButton*>(QStringLiteral("Option%1").arg(s.choice - 2));
               if (s.choice >= 5) {
                   auto* port = d->findChild<QComboBox*>(QStringLiteral("Combo1"));
                   if (!port->isEnabled()) return;
                   port->setEditText(s.choice == 5 ? QStringLiteral("COM2") : QStringLiteral("COM1"));
                   c().otherPortChosen = c().otherPortChosen || s.choice == 5;
                   return;
               }
               if (!b->isEnabled()) return c().transcript.note(QStringLiteral("   (cannot be pressed)"));
               if (s.choice == 0) c().allowConnect();
               if (s.choice == 3 || s.choice == 4) c().allow(QStringLiteral("mode switch"), {code(0xDA, 1, 11)});
               b->click();
               breath();
           }});
    t.add({QStringLiteral("新的连接 (frmQV7380)"), {}, {}, 1, [](const Step&) {
               Case& k = c();
               if (k.mainClosed || k.form() || k.h.gprs().modeDialog() || QApplication::activeModalWidget()) return;
               if (!k.sim().isRunning()) {
                   k.transcript.note(QStringLiteral("   (the module is plugged in again)"));
                   k.sim().start(k.h.fixture.portsDir(), k.h.fixture.comNumber());
                   k.lineClosedByModule = false;
               }
               k.h.gprs().showModeDialog();
           }});
    t.add({QStringLiteral("关闭主窗口"), {}, {}, 1, [](const Step&) {
               if (c().mainClosed || QApplication::activeModalWidget()) return;
               c().mainClosed = true;
               c().h.main().close();
           }});

    // The module and its data centre.
    t.add({QStringLiteral("等待"), {"100 ms", "400 ms", "1 s", "3 s", "10 s", "55 s", "95 s"}, {}, 6, [](const Step& s) {
               waitFor(QList<int>{100, 400, 1000, 3000, 10000, 55000, 95000}.at(s.choice));
           }});
    t.add({QStringLiteral("模块 › 通知 (FD)"), {"01", "03", "03 in 1.5 s", "03 in 90.2 s", "01 in 90.2 s"}, {}, 2,
           [](const Step& s) {
               if (!c().sim().isRunning()) return;
               const uint8_t status = s.choice == 0 || s.choice == 4 ? 1 : 3;
               c().module().sendNotice(status, QList<int>{0, 0, 1500, 90200, 90200}.at(s.choice));
           }});
    t.add({QStringLiteral("数据中心 › 下一个结果"), {"FA 成功", "FC 失败", "08 占用", "0A 没有上网"}, {}, 2, [](const Step& s) {
               c().module().identityResults << QList<uint8_t>{0xFA, 0xFC, 0x08, 0x0A}.at(s.choice);
           }});
    t.add({QStringLiteral("数据中心 › 回答时间"), {"50 ms", "3 s", "89.8 s", "90.3 s"}, {}, 2, [](const Step& s) {
               c().module().identityDelayMs = QList<int>{50, 3000, 89800, 90300}.at(s.choice);
           }});
    t.add({QStringLiteral("占用时 替换吗"), {"是", "否"}, {}, 1, [](const Step& s) {
               c().takenAnswer = s.choice == 0 ? Dialogs::Answer::Yes : Dialogs::Answer::No;
           }});
    t.add({QStringLiteral("模块 › 断线"), {}, {}, 1, [](const Step&) {
               if (!c().sim().isRunning()) return;
               c().lineClosedByModule = true;
               c().sim().closeLine();
           }});
    t.add(RandomActions::nextAnswerAction([] { return &c().sim(); }, ModuleSim::answerFrame(0xFD, 0x03, {})));
    t.add(RandomActions::nextBoxAction([] { return &c().h.dialogs; }));
    return t;
}

rc::Gen<Module> anyModule() {
    return rc::gen::build<Module>(rc::gen::set(&Module::workMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::transMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::subMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::power, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::wakeMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::dataMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::contents, rc::gen::arbitrary<unsigned>()));
}

// The checks once the sequence is over and the module quiet.
void finish(Case& k) {
    // The user waits out what the program still does: a chain, the data
    // centre's wait (it gives up after 90 s), the restart wait (51 s).
    const auto running = [&] {
        return RandomActions::runningTimers({&k.h.main(), k.h.gprs().parser()});
    };
    const auto busy = [&] { return !running().isEmpty() || k.sim().sending() || k.sim().holdingGlued(); };
    if (!k.mainClosed && !k.vt.runUntil([&] { return !busy(); }, 200000))
        k.violation(QStringLiteral("still running after 200 s: ") + running().join(QStringLiteral(", ")));
    if (k.violations.isEmpty() && !k.vt.runUntilLineQuiet(15000, 600000))
        k.violation(QStringLiteral("the line never went quiet: ") + k.vt.why());

    for (const QString& b : k.h.dialogs.orphanedBoxes()) k.violation(QStringLiteral("a box outlived its window: ") + b);
    for (const QString& b : k.h.dialogs.holdFailures()) k.violation(QStringLiteral("a held box: ") + b);
    // 4: no request left half-written.
    qsizetype whole = 0;
    for (const ModuleSim::Record& r : k.sim().requests()) whole += r.bytes.size();
    if (whole != k.sim().received().size())
        k.violation(QStringLiteral("a request left half-written: ") + SimSupport::hex(k.sim().received().mid(whole)));
    if (!k.violations.isEmpty() || k.mainClosed) return;

    // 2: buttons as before, no timer left running.
    if (!running().isEmpty()) k.violation(QStringLiteral("still running: ") + running().join(QStringLiteral(", ")));
    if (k.form()) {
        const QStringList diff = RandomActions::differences(k.baseline, k.buttonStates());
        if (!diff.isEmpty()) k.violation(QStringLiteral("buttons: ") + diff.join(QStringLiteral("; ")));
    }
    // 3: a clean read sequence shows what the module holds.
    if (k.violations.isEmpty() && k.form() && k.h.port().isOpen() && k.sim().isRunning() && k.h.button(4)->isEnabled() &&
        !blocked(k.form())) {
        k.transcript.note(QStringLiteral("» the closing 参数刷新, every answer on time"));
        k.sim().clearFates();
        k.h.dialogs.setHoldPolicy(nullptr);
        // An answer still on its way would come in among the sequence's own.
        if (!k.vt.runUntil([&] { return !k.sim().sending() && !k.sim().holdingGlued(); }, 20000))
            return k.violation(QStringLiteral("the module never stopped sending: ") + k.vt.why());
        if (!k.h.button(4)->isEnabled()) return;
        k.h.button(4)->click();
        if (!k.vt.runUntil([&] { return !k.h.timer("Timer2")->running(); }, 20000))
            k.violation(QStringLiteral("the closing read sequence never ended: ") + k.vt.why());
        else
            for (const QString& d : k.labelDifferences(true)) k.violation(QStringLiteral("closing read sequence: ") + d);
    }
}

}  // namespace

class TestGprsRandomActions : public QObject {
    Q_OBJECT
private slots:
    void gprsFormsUnderRandomActions();
};

void TestGprsRandomActions::gprsFormsUnderRandomActions() {
    const ActionTable actions = buildActions();
    RandomActions::Transcript transcript;
    int sequences = 0;
    std::unique_ptr<QMap<QString, int>> stats;
    if (qEnvironmentVariableIsSet("SMSTOOLS_RANDOM_STATS")) stats = std::make_unique<QMap<QString, int>>();

    const auto property = [&] {
        const Module module = *anyModule();
        const auto steps = *actions.sequence(30);
        ++sequences;

        // Connected and entered, the first read sequence done. Another
        // test's line may hold the pseudo-terminal's name a moment longer:
        // a fresh line then.
        std::unique_ptr<Case> made;
        QString why;
        for (int attempt = 0; attempt < 3 && !made; ++attempt) {
            made = std::make_unique<Case>(module, transcript);
            g_case = made.get();
            why = made->open();
            if (why.isEmpty()) break;
            const bool portTaken = made->h.dialogs.describe().contains(QStringLiteral("串口已经打开"));
            made.reset();
            if (!portTaken) break;
        }
        const auto done = qScopeGuard([] { g_case = nullptr; });
        if (!made) RC_FAIL("opening: " + why.toStdString());
        Case& k = *made;

        for (const Step& s : steps) {
            k.transcript.step(s);
            actions.perform(s);
            k.settle();
            if (!k.violations.isEmpty()) break;
        }
        finish(k);
        if (stats) ++(*stats)[QStringLiteral("length %1").arg(steps.size(), 2)];
        if (stats)
            for (const QString& line : transcript.text().split(QLatin1Char('\n')))
                if (line.contains(QStringLiteral("box ")) || line.contains(QStringLiteral("»"))) ++(*stats)[line.mid(9).left(40)];
        if (!k.violations.isEmpty()) RC_FAIL(k.violations.join(QStringLiteral("\n")).toStdString());
    };
    SMS_RANDOM_ACTIONS("random actions on the GPRS forms", 5000, 20, property, [&] { return transcript.text(); });
    qInfo("%d sequences", sequences);
    if (stats)
        for (auto it = stats->begin(); it != stats->end(); ++it) qInfo("%6d  %s", it.value(), qPrintable(it.key()));
}

QTEST_MAIN(TestGprsRandomActions)
#include "tst_random_actions_gprs.moc"
