// Random sequences of everything a user does on the settings form (every
// button of every tab, tab switches, list choices, typed values, 停止 and
// 退出, closing the main window, a new connect) mixed with what the module
// does (answers on time, late, split, glued, repeated or missing, a notice
// in the middle of a chain, the line closed), all on the virtual clock.
// After each sequence, once the module is quiet:
//  1. nothing crashed, hung or stayed busy;
//  2. every button the parameter lock covers is as it was before the first
//     step, and no timer of the program still runs;
//  3. a success or completion message came only when the module held what
//     was written, or the form showed exactly what the module holds, and a
//     failure message only for a failure the module made (this module makes
//     none); a clean refresh at the end shows exactly what the module holds;
//  4. every request the module received was sent by a step or by the
//     form's own sequence, in that sequence's order, and whole;
//  5. a refresh that ended early told the user why.
//
// Faults that are being mended elsewhere are kept out by flags, each named
// below; SMSTOOLS_RANDOM_MENDED=name,name (or "all") turns them on, so that
// the run walks those roads too once the mends have landed.
//
// SMSTOOLS_PROPERTY_CASES / _SECONDS / _SEED and RC_PARAMS work as for every
// property (tests/support/Property.h); the test command runs about 20 s.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRandomGenerator>

#include "KestrunHarness.h"
#include "core/NumberPicker.h"
#include "core/protocol/Answers.h"
#include "core/protocol/SettingsRecords.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "kestrun/settings/PhoneTab.h"
#include "kestrun/settings/TestTab.h"
#include "platform/FlexGrid.h"
#include "tests/support/BoxInput.h"
#include "tests/support/RandomActions.h"
#include "tests/support/VirtualTime.h"
#include "tools/SimParams.h"
#include "tools/SimPhoneTable.h"
#include "tools/SimSettings.h"
#include "tools/SimTestPeer.h"

using RandomActions::ActionTable;
using RandomActions::FrameLedger;
using RandomActions::Step;
using Fate = ModuleSim::Fate;

namespace {

// Roads kept closed until their mends land.
struct Mended {
    // A box held open while a refresh or chain runs.
    bool boxHoldsChain = false;
    // Typed text that is not an item of the rate list.
    bool listsTakeItemsOnly = false;
    // A refresh that ends early says why (today it ends silently).
    bool refreshTellsWhy = false;
    // A connect's handshake and a refresh or chain of the form at once.
    bool connectApart = false;
    // A refresh in the form's first second, before its answers are read.
    bool firstSecondRefresh = false;

    static Mended fromEnvironment() {
        Mended m;
        const QStringList on = qEnvironmentVariable("SMSTOOLS_RANDOM_MENDED").split(QLatin1Char(','));
        const bool all = on.contains(QStringLiteral("all"));
        const auto flag = [&](const char* name, bool& b) { b = all || on.contains(QLatin1String(name)); };
        flag("boxHoldsChain", m.boxHoldsChain);
        flag("listsTakeItemsOnly", m.listsTakeItemsOnly);
        flag("refreshTellsWhy", m.refreshTellsWhy);
        flag("connectApart", m.connectApart);
        flag("firstSecondRefresh", m.firstSecondRefresh);
        return m;
    }
};

const QByteArray kPre = QByteArray::fromHex("1A2A3A4A5A6A7A8A");
QByteArray req(const char* tail) { return kPre + SimSupport::fromHex(tail); }
FrameLedger::Pattern code(uint8_t c, uint8_t op, int length) {
    return FrameLedger::head(kPre + QByteArray(1, char(c)) + QByteArray(1, char(op)), length);
}

// The module's modes and contents at the start of a case.
struct Module {
    int workMode = 1;
    int transMode = 0;
    int subMode = 1;
    int passwordUse = 0;
    int power = 0;
    int wakeMode = 0;
    unsigned contents = 0;
};
void showValue(const Module& m, std::ostream& os) {
    os << "module: work mode " << m.workMode << ", transmission " << m.transMode << ", sub-mode " << m.subMode
       << ", password use " << m.passwordUse << ", power saving " << m.power << ", wake mode " << m.wakeMode
       << ", contents " << m.contents;
}

const QStringList kLabelNames = {"Label3", "Label4",  "Label5",  "Label6",  "Label8",      "Label9",
                                 "Label10", "Label12", "Label19", "Label22", "Label30", "TextDXPhone"};

// One run: the program against a module on the virtual clock.
struct Case {
    VirtualTime vt;
    KestrunHarness h;
    SimParams* params = nullptr;
    SimSettings* settings = nullptr;
    SimTestPeer* peer = nullptr;
    SimPhoneTable table;
    Mended mended;
    RandomActions::Transcript& transcript;
    FrameLedger ledger;
    QStringList violations;
    RandomActions::ButtonStates baseline;
    QPointer<SettingsForm> hooked;
    bool mainClosed = false;
    bool lineClosedByModule = false;
    int messagesAtRefreshStart = 0;
    // Something other than a box came between the running refresh and its
    // answers: an answer not on time, the line or port closed, the test tab.
    bool refreshDisturbed = false;
    // The last write request of each kind the module took.
    QByteArray lastB4, lastB5, lastD9, lastEC;
    // The block the module held when it took the last read of each kind: a
    // write sent before its answer is in changes the module, not the answer.
    QByteArray alarmAtRead, outputAtRead;

    Case(const Module& m, const Mended& flags, RandomActions::Transcript& t) : mended(flags), transcript(t) {
        transcript.clear();
        transcript.setClock(&vt);
        params = SimParams::install(sim());
        settings = SimSettings::install(sim());
        peer = SimTestPeer::install(sim());
        table.install(sim());
        fill(m);
        vt.watchLine(&h.port(), &sim());
        transcript.watch(sim());
        transcript.watch(h.dialogs, [this](const Dialogs::Message& msg) { judgeMessage(msg); });
        QObject::connect(&sim(), &ModuleSim::requestReceived, &sim(), [this](const QByteArray& r) {
            attribute(r);
        });
        QObject::connect(&sim(), &ModuleSim::answerMade, &sim(), [this] {
            if (sim().fateLog().last().fate.kind != Fate::OnTime) refreshDisturbed = true;
        });
        QObject::connect(&sim(), &ModuleSim::lineClosed, &sim(), [this] { refreshDisturbed = true; });
    }
    ~Case() { transcript.setClock(nullptr); }

    ModuleSim& sim() { return h.sim(); }
    SettingsForm* form() const { return h.settingsForm(); }

    void fill(const Module& m) {
        ModuleSim::Identity& id = sim().identity;
        id.workMode = uint8_t(m.workMode);
        id.transMode = uint8_t(m.transMode);
        params->subMode = uint8_t(m.subMode);
        params->passwordUse = uint8_t(m.passwordUse);
        params->powerSaving = uint8_t(m.power);
        params->wakeMode = uint8_t(m.wakeMode);
        QRandomGenerator rng(m.contents);
        params->password = QByteArray::number(rng.generate(), 16).left(8).rightJustified(8, '0');
        params->password = QByteArray::fromHex(params->password);
        params->receiver = QByteArray::fromHex("01") + QByteArray::fromHex(QByteArray::number(rng.bounded(10000000000LL)).rightJustified(10, '0'));
        params->address = QByteArray::fromHex(QByteArray::number(rng.bounded(0x10000), 16).rightJustified(4, '0'));
        params->restartCount = uint32_t(rng.bounded(0, 3600)) * 200;
        params->mask = uint32_t(rng.bounded(0x1000000));
        params->idleUnits = uint16_t(rng.bounded(0, 200));
        params->dataUnits = uint16_t(rng.bounded(0, 200));
        QStringList numbers;
        for (int i = int(rng.bounded(5)); i > 0; --i) numbers << QStringLiteral("13%1").arg(rng.bounded(1000000000LL), 9, 10, QLatin1Char('0'));
        table.setNumbers(numbers);
        for (int ch = 0; ch < SimSettings::AlarmChannels; ++ch) {
            SettingsRecords::AlarmSettings s;
            s.channel = uint8_t(ch);
            s.mode = uint8_t(rng.bounded(1, 4));
            s.receivers = uint8_t(rng.bounded(3));
            s.interval10 = uint8_t(rng.bounded(256));
            s.lowEnglish = rng.bounded(2);
            s.lowText = s.lowEnglish ? QStringLiteral("ALARM %1").arg(ch) : QStringLiteral("报警%1").arg(ch);
            s.highEnglish = rng.bounded(2);
            s.highText = s.highEnglish ? QStringLiteral("HIGH") : QStringLiteral("高电平");
            s.mask = uint32_t(rng.bounded(0x1000000));
            s.count = uint8_t(rng.bounded(256));
            s.relay = uint8_t(rng.bounded(3));
            settings->alarm[ch] = SettingsRecords::buildAlarmWrite(s).frame.mid(12);
        }
        for (int ch = 0; ch < SimSettings::OutputChannels; ++ch) {
            SettingsRecords::OutputSettings s;
            s.channel = uint8_t(ch);
            s.mode = uint8_t(rng.bounded(1, 3));
            s.reply = uint8_t(rng.bounded(4));
            s.replyDelay = uint8_t(rng.bounded(251));
            if (s.mode == 2) {
                s.highDelay = uint8_t(rng.bounded(1, 251));
                s.lowDelay = uint8_t(rng.bounded(1, 251));
            }
            s.lowEnglish = rng.bounded(2);
            s.lowText = s.lowEnglish ? QStringLiteral("OFF") : QStringLiteral("设备关");
            s.highEnglish = rng.bounded(2);
            s.highText = s.highEnglish ? QStringLiteral("ON") : QStringLiteral("设备开");
            s.hold = rng.bounded(2);
            settings->output[ch] = SettingsRecords::buildOutputWrite(s).frame.mid(12);
        }
    }

    void violation(const QString& what) {
        transcript.note(QStringLiteral("!! ") + what);
        violations << what;
    }

    // --- check 4: every request has a cause -----------------------------------------

    // A refresh's answers choose its next query, a repeated answer included,
    // and only a running refresh sends them: any query, any time.
    bool refreshAllowed = false;
    void allowRefresh() {
        if (std::exchange(refreshAllowed, true)) return;
        ledger.allow(QStringLiteral("refresh"),
                     {code(0xEC, 3, 10), code(0xA3, 2, 10), code(0xA1, 3, 10), code(0xF1, 3, 10), code(0xF8, 3, 10),
                      code(0xE2, 3, 10), code(0xF9, 3, 10), code(0xFB, 3, 10), code(0xA2, 3, 10), code(0xE1, 3, 10),
                      code(0xD3, 3, 10), code(0xD2, 3, 10), code(0xDB, 3, 10)},
                     FrameLedger::Lasting);
    }
    void allowConnect() {
        ledger.allow(QStringLiteral("connect"),
                     {code(0xFE, 3, 10), code(0xF8, 3, 10), code(0xF9, 3, 10), code(0xEC, 3, 10), code(0xD6, 3, 10),
                      code(0xD1, 3, 10)},
                     FrameLedger::Ordered);
        allowRefresh();
    }

    void attribute(const QByteArray& r) {
        if (r.startsWith(kPre) && r.size() >= 10) {
            const uint8_t c = uint8_t(r.at(8)), op = uint8_t(r.at(9));
            if (c == 0xB4 && op == 1) lastB4 = r;
            if (c == 0xB5 && op == 1) lastB5 = r;
            if (c == 0xB4 && op == 2 && r.size() == 11) alarmAtRead = settings->alarm[uint8_t(r.at(10)) % 10];
            if (c == 0xB5 && op == 2 && r.size() == 11) outputAtRead = settings->output[uint8_t(r.at(10)) % 2];
            if (c == 0xD9 && op == 2) lastD9 = r;
            if (c == 0xEC && op == 1) lastEC = r;
            if (c == 0xF2 && op == 1 && r.size() == 11 && (uint8_t(r.at(10)) < 3 || uint8_t(r.at(10)) > 11))
                violation(QStringLiteral("a rate code the module does not know: ") + SimSupport::hex(r));
        }
        if (ledger.take(r).isEmpty())
            violation(QStringLiteral("request nothing sent: ") + SimSupport::hex(r.left(24)) +
                      (r.size() > 24 ? QStringLiteral(" … (%1 bytes)").arg(r.size()) : QString()));
    }

    // --- check 3: messages ------------------------------------------------------------

    QByteArray formAlarmBlock() const {
        const QByteArray f = SettingsRecords::buildAlarmWrite(form()->alarmTab->currentSettings()).frame;
        return f.isEmpty() ? QByteArray() : f.mid(12);
    }
    QByteArray formOutputBlock() const {
        const QByteArray f = SettingsRecords::buildOutputWrite(form()->outputTab->currentSettings()).frame;
        return f.isEmpty() ? QByteArray() : f.mid(12);
    }

    void judgeMessage(const Dialogs::Message& m) {
        const QString t = m.text;
        static const QStringList failures = {"设置失败", "设置错误 ", "电话号码表设置错误 ", "清空号码表失败",
                                             "读取参数失败", "号码表结构错误"};
        if (failures.contains(t)) {
            violation(QStringLiteral("“%1” though the module refused and garbled nothing").arg(t));
        } else if (t == QStringLiteral("电话号码表设置成功")) {
            if (lastD9.size() < 132 || table.count != uint8_t(lastD9.at(11)) || table.entries != lastD9.mid(12, 120))
                violation(QStringLiteral("“电话号码表设置成功” but the module holds another table"));
        } else if (t == QStringLiteral("清空号码表成功") || t == QStringLiteral("号码表空")) {
            if (table.count != 0) violation(QStringLiteral("“%1” but the module holds %2 numbers").arg(t).arg(table.count));
        } else if (t == QStringLiteral("设置成功") && m.title == QStringLiteral("提示！！")) {
            if (lastEC.size() < 16 || params->identityCode != lastEC.mid(10, 6))
                violation(QStringLiteral("“设置成功” for the identity the module does not hold"));
        } else if (t == QStringLiteral("设置成功")) {
            const bool alarmHeld = lastB4.size() == 199 && settings->alarm[uint8_t(lastB4.at(10)) % 10] == lastB4.mid(12);
            const bool outputHeld = lastB5.size() == 141 && settings->output[uint8_t(lastB5.at(10)) % 2] == lastB5.mid(12);
            if (!alarmHeld && !outputHeld) violation(QStringLiteral("“设置成功” but the module holds neither write"));
        } else if (t == QStringLiteral("读取参数成功") && form()) {
            const bool alarm = !alarmAtRead.isEmpty() && formAlarmBlock() == alarmAtRead;
            const bool output = !outputAtRead.isEmpty() && formOutputBlock() == outputAtRead;
            if (!alarm && !output)
                violation(QStringLiteral("“读取参数成功” but the form shows neither block the module holds"));
        } else if (t == QStringLiteral("串口连接已断开，请检查连线后重新连接") && !lineClosedByModule) {
            violation(QStringLiteral("the line reported lost though it was not"));
        }
    }

    // --- check 3 and 5: what a refresh shows ---------------------------------------

    // Each value the refresh shows, as the module holds it; the labels the
    // refresh does not reach keep their placeholders (not listed).
    QMap<QString, QString> expectedLabels() {
        QMap<QString, QString> out;
        auto shown = [&](uint8_t c) {
            const QByteArray a = params->answerFor(c);
            return Answers::decodeParamAnswer(c, a.mid(9)).text;
        };
        const ModuleSim::Identity& id = sim().identity;
        out["Label8"] = shown(0xEC);
        out["Label12"] = shown(0xA3);
        out["Label10"] = shown(0xA1);
        if (params->passwordUse) out["Label5"] = shown(0xF1);
        out["Label3"] = shown(0xF8);
        if (id.workMode == 0) out["Label9"] = shown(0xE2);
        out["Label4"] = shown(0xF9);
        if (id.transMode == 0) {
            out["Label4"] = shown(0xFB);
            if (params->subMode == 0)
                out["TextDXPhone"] = shown(0xE1);
            else
                out["Label6"] = shown(0xA2);
        }
        out["Label19"] = shown(0xD3);
        if (params->powerSaving) {
            out["Label22"] = shown(0xD2);
            out["Label30"] = shown(0xDB);
        }
        return out;
    }
    QStringList labelDifferences() {
        QStringList out;
        const auto expected = expectedLabels();
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            QString now;
            if (auto* l = form()->control<QLabel>(it.key())) now = l->text();
            if (auto* e = form()->control<QLineEdit>(it.key())) now = e->text();
            if (now != it.value()) out << QStringLiteral("%1 shows “%2”, module holds “%3”").arg(it.key(), now, it.value());
        }
        return out;
    }
    void hookForm() {
        SettingsForm* f = form();
        if (!f || f == hooked) return;
        hooked = f;
        // A refresh begins: by the button, or a second after the form opens.
        const auto begins = [this] {
            // An answer still on its way from before comes in among its own.
            refreshDisturbed = sim().sending() || sim().holdingGlued() || !sim().isRunning();
            messagesAtRefreshStart = h.dialogs.messageCount();
        };
        QObject::connect(f->Command8, &QPushButton::clicked, f, begins);
        QObject::connect(f->Timer6, &VbTimer::tick, f, begins);
        QObject::connect(f->Timer2, &VbTimer::tick, f, [this, f] {
            if (f->Timer2->running()) return;
            // The refresh ended at this tick.
            const QStringList diffs = labelDifferences();
            const bool told = h.dialogs.messageCount() > messagesAtRefreshStart;
            // Placeholders left, or the transmission mode never narrowed
            // down: the refresh did not get to the end.
            const bool early = std::any_of(diffs.begin(), diffs.end(), [](const QString& d) {
                return d.contains(QStringLiteral("“*")) || d.contains(QStringLiteral("“透明传输”"));
            });
            if (early && !refreshDisturbed && h.port().isOpen())
                violation(QStringLiteral("a refresh ended early though every answer came on time: ") +
                          diffs.join(QStringLiteral("; ")));
            else if (early && mended.refreshTellsWhy && !told)
                violation(QStringLiteral("a refresh ended early without a word: ") + diffs.join(QStringLiteral("; ")));
            if (!early)
                for (const QString& d : diffs) violation(QStringLiteral("after a refresh ") + d);
        });
    }

    // Connects and waits for the first refresh; what went wrong, or "".
    QString open() {
        transcript.note(QStringLiteral("connect"));
        allowConnect();
        const auto until = [&](const std::function<bool()>& done, int ms) {
            return vt.runUntil(done, ms) && !h.dialogs.messages().size();
        };
        if (!until([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); }, 5000))
            return QStringLiteral("no picture window: ") + vt.why();
        QTest::mouseClick(h.main().pictureWindow()->Label2, Qt::LeftButton);
        h.main().connectDialog()->Command1[0]->click();
        if (!until([&] { return h.settingsFormShown(); }, 10000))
            return QStringLiteral("no settings form: ") + vt.why() + h.dialogs.describe();
        hookForm();
        if (!until([&] { return !form()->Timer6->running() && !form()->commandsDisabled(); }, 20000))
            return QStringLiteral("the first refresh never ended: ") + vt.why() + h.dialogs.describe();
        baseline = RandomActions::buttonStates(form()->coveredButtons());
        return violations.join(QLatin1Char('\n'));
    }

    bool settle() {
        const bool ok = vt.settle();
        if (!ok) violation(QStringLiteral("never quiet: ") + vt.why());
        hookForm();
        return ok;
    }
};

// --- what the user does ---------------------------------------------------------

Case* g_case = nullptr;

Case& c() { return *g_case; }

bool chainRunning() {
    SettingsForm* f = c().form();
    return f && (f->Timer1->running() || f->Timer2->running() || f->Timer3->running() || f->Timer6->running());
}

void waitFor(const QString& why, const std::function<bool()>& done) {
    if (done()) return;
    c().transcript.note(QStringLiteral("   (waits until %1)").arg(why));
    if (!c().vt.runUntil(done, 30000) && !c().vt.limitReached()) c().violation(QStringLiteral("never quiet: ") + c().vt.why());
}

bool handshakeRunning() {
    MainWindow& m = c().h.main();
    return m.timerEnabled(8) || m.timerEnabled(9) || m.timerEnabled(11);
}

// Until its mend lands, a road is walked around: the step waits first.
void beforeChain() {
    if (!c().mended.connectApart)
        waitFor(QStringLiteral("the connect's handshake is over"), [] { return !handshakeRunning(); });
    if (!c().mended.firstSecondRefresh)
        waitFor(QStringLiteral("the form reads answers"), [] { return !c().form() || !c().form()->Timer5->running(); });
}

// The tab the control stands on, chosen first as a user would.
bool onTab(int tab) {
    SettingsForm* f = c().form();
    if (!f || c().mainClosed) return false;
    if (f->SSTab1->currentIndex() != tab) {
        c().transcript.note(QStringLiteral("   (tab %1 first)").arg(tab));
        if (tab == 1) c().refreshDisturbed = true;
        f->SSTab1->setCurrentIndex(tab);
        c().settle();
    }
    return c().form() != nullptr;
}

bool modalInTheWay() {
    ConnectDialog* d = c().h.main().connectDialog();
    return d && d->isVisible() && d->isModal();
}

void press(int tab, const std::function<QAbstractButton*(SettingsForm*)>& which) {
    if (modalInTheWay() || !onTab(tab)) return;
    QAbstractButton* b = which(c().form());
    if (!b->isEnabled() || !b->isVisibleTo(c().form())) {
        c().transcript.note(QStringLiteral("   (%1 cannot be pressed)").arg(b->objectName()));
        return;
    }
    b->click();
}

void choose(int tab, const std::function<QComboBox*(SettingsForm*)>& which, int item) {
    if (modalInTheWay() || !onTab(tab)) return;
    QComboBox* box = which(c().form());
    if (!box->isEnabled() || item >= box->count()) return;
    box->setCurrentIndex(item);
    emit box->activated(item);
}

void type(int tab, const std::function<QWidget*(SettingsForm*)>& which, const QString& text) {
    if (modalInTheWay() || !onTab(tab)) return;
    QWidget* box = which(c().form());
    if (box->isEnabled()) BoxInput::put(box, text, BoxInput::Way::Typed);
}

void connectAgain() {
    Case& k = c();
    if (k.mainClosed) return;
    beforeChain();
    if (!k.mended.connectApart) waitFor(QStringLiteral("no refresh or chain runs"), [] { return !chainRunning(); });
    if (!k.sim().isRunning()) {
        k.transcript.note(QStringLiteral("   (the module is plugged in again)"));
        k.sim().start(k.h.fixture.portsDir(), k.h.fixture.comNumber());
        k.lineClosedByModule = false;
    }
    ConnectDialog* d = k.h.main().connectDialog();
    if (!d && k.h.main().pictureWindow()) {
        QTest::mouseClick(k.h.main().pictureWindow()->Label2, Qt::LeftButton);
        d = k.h.main().connectDialog();
    }
    if (!d) d = k.h.main().showConnectDialog(true);
    if (!d->Command1[0]->isEnabled()) return;
    k.allowConnect();
    k.refreshDisturbed = true;
    d->Command1[0]->click();
}

ActionTable buildActions() {
    ActionTable t;
    using F = SettingsForm;
    auto button = [&](const char* name, int tab, std::function<QAbstractButton*(F*)> which, int weight = 2,
                      std::function<void()> before = nullptr, std::function<void(F*)> allow = nullptr) {
        t.add({QString::fromUtf8(name), {}, {}, weight, [tab, which, before, allow](const Step&) {
                   if (before) before();
                   if (allow && c().form() && !modalInTheWay()) allow(c().form());
                   press(tab, which);
               }});
    };
    auto allowOne = [](const QString& cause, FrameLedger::Pattern p) {
        return [cause, p](F*) { c().ledger.allow(cause, {p}, FrameLedger::Once); };
    };

    // 基本设置
    const char* p = "基本设置 › ";
    button("基本设置 › 确定 有无密码 (Command1)", 0, [](F* f) { return f->Command1; }, 1, nullptr,
           allowOne("Command1", code(0xA1, 1, 11)));
    button("基本设置 › 确定 短信密码 (Command2)", 0, [](F* f) { return f->Command2; }, 1, nullptr,
           allowOne("Command2", code(0xF1, 1, 14)));
    button("基本设置 › 确定 接收号码 (Command3)", 0, [](F* f) { return f->Command3; }, 1, nullptr,
           allowOne("Command3", code(0xA2, 1, 16)));
    button("基本设置 › 确定 模块地址 (Command4)", 0, [](F* f) { return f->Command4; }, 1, nullptr,
           allowOne("Command4", code(0xE2, 1, 12)));
    button("基本设置 › 确定 波特率 (Command6)", 0, [](F* f) { return f->Command6; }, 1, nullptr,
           allowOne("Command6", code(0xF2, 1, 11)));
    button("基本设置 › 确定 重起时间 (Command7)", 0, [](F* f) { return f->Command7; }, 1, nullptr,
           allowOne("Command7", code(0xA3, 1, 14)));
    button("基本设置 › 确定 工作方式 (Command5)", 0, [](F* f) { return f->Command5; }, 3, beforeChain, [](F*) {
        c().ledger.allow(QStringLiteral("Command5"),
                         {code(0xF8, 1, 11), code(0xF9, 1, 11), code(0xFB, 1, 11), code(0xE1, 1, 14)},
                         FrameLedger::Ordered);
    });
    button("基本设置 › 确定 省电 (Command14)", 0, [](F* f) { return f->Command14; }, 3, beforeChain, [](F*) {
        c().ledger.allow(QStringLiteral("Command14"), {code(0xD3, 1, 11), code(0xDB, 1, 14), code(0xD2, 1, 14)},
                         FrameLedger::Ordered);
    });
    button("基本设置 › 接收 (Check3)", 0, [](F* f) { return f->Check3; }, 1);
    button("基本设置 › 发送 (Check4)", 0, [](F* f) { return f->Check4; }, 1);
    button("基本设置 › 省电 (Option5)", 0, [](F* f) { return f->Option5; }, 1);
    button("基本设置 › 不省电 (Option6)", 0, [](F* f) { return f->Option6; }, 1);
    button("基本设置 › 模式1 (Option7)", 0, [](F* f) { return f->Option7; }, 1);
    button("基本设置 › 模式2 (Option8)", 0, [](F* f) { return f->Option8; }, 1);
    t.add({QStringLiteral("基本设置 › 工作形式 (Combo1)"), {"主动方式", "被动方式"}, {}, 1,
           [](const Step& s) { choose(0, [](F* f) { return f->Combo1; }, s.choice); }});
    t.add({QStringLiteral("基本设置 › 传输方式 (Combo2)"), {"格式传输", "透明方式1", "透明方式2"}, {}, 2, [](const Step& s) {
               // 透明方式2 opens the number picker, which reads the table.
               if (s.choice == 2 && c().form() && !modalInTheWay() && c().form()->Combo2->isEnabled())
                   c().ledger.allow(QStringLiteral("Combo2 透明方式2"), {code(0xD9, 1, 10)}, FrameLedger::Once);
               choose(0, [](F* f) { return f->Combo2; }, s.choice);
           }});
    t.add({QStringLiteral("基本设置 › 波特率 (Combo3)"), {"1200bps", "9600bps", "115200bps"}, {}, 1, [](const Step& s) {
               choose(0, [](F* f) { return f->Combo3; }, QList<int>{0, 3, 7}.at(s.choice));
           }});
    if (Mended::fromEnvironment().listsTakeItemsOnly)
        t.add({QStringLiteral("基本设置 › 波特率 typed (Combo3)"), {}, {"9600", "abc"}, 1,
               [](const Step& s) { type(0, [](F* f) { return f->Combo3; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 短信密码 (Text1)"), {}, {"5A217C40", "0102030A", "12"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->Text1; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 接收号码 (Text2)"), {}, {"13912345678", "1391234", "1391234567A"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->Text2; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 模块地址 (Text3)"), {}, {"0A01", "F"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->Text3; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 重起时间 (Text4)"), {}, {"60", "15.5", "-3"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->Text4; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 醒后延时 (Text11)"), {}, {"1000", "400", "99999999"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->Text11; }, s.text); }});
    t.add({QStringLiteral("参数信息 › 软件版本 double click (Label8)"), {}, {"ABCDEF", "ABCDEFGH"}, 1, [](const Step& s) {
               if (modalInTheWay() || !onTab(0)) return;
               c().h.dialogs.queueInput(s.text);
               if (s.text.size() == 6 && c().h.port().isOpen())
                   c().ledger.allow(QStringLiteral("Label8"), {code(0xEC, 1, 16)}, FrameLedger::Once);
               QTest::mouseDClick(c().form()->Label8, Qt::LeftButton);
               c().h.dialogs.dropQueued();
           }});
    button("参数信息 › 刷新 (Command8)", 0, [](F* f) { return f->Command8; }, 4, beforeChain,
           [](F*) { c().allowRefresh(); });
    button("参数信息 › 清空 (Command18)", 0, [](F* f) { return f->Command18; }, 1, nullptr,
           allowOne("Command18", code(0xD5, 1, 10)));
    button("参数信息 › 退出 (Command10)", 0, [](F* f) { return f->Command10; }, 1, [] { c().refreshDisturbed = true; });
    Q_UNUSED(p);

    // 短信测试
    t.add({QStringLiteral("短信测试 › (Command21)"), {"读取短信", "发送状态", "发送短信", "复位"}, {}, 3, [](const Step& s) {
               if (c().form() && !modalInTheWay())
                   c().ledger.allow(QStringLiteral("Command21(%1)").arg(s.choice),
                                    {FrameLedger::Pattern{QStringLiteral("a test request"),
                                                          [](const QByteArray& f) { return !f.startsWith(kPre); }}},
                                    FrameLedger::Once);
               press(1, [i = s.choice](F* f) { return f->testTab->Command21[i]; });
           }});
    t.add({QStringLiteral("短信测试 › 填写 模块地址 0A1F, 接收方号码 13912345678, 发送区 AB"), {}, {}, 2, [](const Step&) {
               type(1, [](F* f) { return f->testTab->Text22; }, QStringLiteral("0A1F"));
               type(1, [](F* f) { return f->testTab->ReceiverNumber; }, QStringLiteral("13912345678"));
               type(1, [](F* f) { return f->testTab->TextBox[1]; }, QStringLiteral("AB"));
           }});
    t.add({QStringLiteral("短信测试 › 发送区 (Text21(1))"), {}, {"AB", "你好", "41:42:43:"}, 1,
           [](const Step& s) { type(1, [](F* f) { return f->testTab->TextBox[1]; }, s.text); }});
    t.add({QStringLiteral("短信测试 › 模块地址 (Text22)"), {}, {"0A1F", "01"}, 1,
           [](const Step& s) { type(1, [](F* f) { return f->testTab->Text22; }, s.text); }});
    t.add({QStringLiteral("短信测试 › 接收方电话号码 (Text21(4))"), {}, {"13912345678", "139"}, 1,
           [](const Step& s) { type(1, [](F* f) { return f->testTab->ReceiverNumber; }, s.text); }});
    t.add({QStringLiteral("短信发送方式 menu"), {"汉字", "英文", "十六进制"}, {}, 1, [](const Step& s) {
               if (c().mainClosed || modalInTheWay() || !c().h.main().sendModeMenuVisible()) return;
               if (QAction* a = c().h.main().action(QStringList{"chinese", "englist", "sendhex"}.at(s.choice)))
                   a->trigger();
           }});

    // 其他设置
    t.add({QStringLiteral("其他设置 › 电话号码 (Text9)"), {}, {"13912345678", "13800000000", "1391"}, 1,
           [](const Step& s) { type(2, [](F* f) { return f->phoneTab->Text9; }, s.text); }});
    button("其他设置 › 增加号码 (Command19)", 2, [](F* f) { return f->phoneTab->Command19; }, 2);
    button("其他设置 › 移除号码 (Command15)", 2, [](F* f) { return f->phoneTab->Command15; }, 1);
    button("其他设置 › 上升 (Command20)", 2, [](F* f) { return f->phoneTab->Command20; }, 1);
    button("其他设置 › 下降 (Command22)", 2, [](F* f) { return f->phoneTab->Command22; }, 1);
    t.add({QStringLiteral("其他设置 › 号码表 row (Grid)"), {"1", "2", "3"}, {}, 1, [](const Step& s) {
               if (modalInTheWay() || !onTab(2)) return;
               FlexGrid* g = c().form()->phoneTab->Grid;
               if (s.choice + 1 >= g->Rows()) return;
               g->setRow(s.choice + 1);
               emit g->gridClicked();
           }});
    t.add({QStringLiteral("其他设置 › 清空号码表 (Command24)"), {"确定", "取消"}, {}, 1, [](const Step& s) {
               c().h.dialogs.queueAnswer(s.choice == 0 ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
               if (s.choice == 0 && c().form() && !modalInTheWay())
                   c().ledger.allow(QStringLiteral("Command24"), {FrameLedger::exact(req("D9 04 01"))}, FrameLedger::Once);
               press(2, [](F* f) { return f->phoneTab->Command24; });
               c().h.dialogs.dropQueued();  // no question came: the answer is not kept for another box
           }});
    button("其他设置 › 读取号码表 (Command12)", 2, [](F* f) { return f->phoneTab->Command12; }, 2, nullptr,
           allowOne("Command12", FrameLedger::exact(req("D9 01"))));
    button("其他设置 › 写入号码表 (Command11)", 2, [](F* f) { return f->phoneTab->Command11; }, 2, nullptr,
           allowOne("Command11", code(0xD9, 2, 183)));

    // 报警设置
    t.add({QStringLiteral("报警设置 › 通道 (Combo5)"), {"DI0 参数", "DI3 参数", "DI9 参数"}, {}, 1, [](const Step& s) {
               choose(3, [](F* f) { return f->alarmTab->Combo5; }, QList<int>{0, 3, 9}.at(s.choice));
           }});
    t.add({QStringLiteral("报警设置 › 响应报警方式"), {"仅高电平", "仅低电平", "电平变化"}, {}, 1, [](const Step& s) {
               press(3, [i = s.choice](F* f) -> QAbstractButton* {
                   AlarmTab* a = f->alarmTab;
                   return i == 0 ? a->Option9 : i == 1 ? a->Option10 : a->Option13;
               });
           }});
    t.add({QStringLiteral("报警设置 › 重复报警 (Text16)"), {}, {"30", "2600", "0"}, 1,
           [](const Step& s) { type(3, [](F* f) { return f->alarmTab->Text16; }, s.text); }});
    t.add({QStringLiteral("报警设置 › 低电平报警内容 (Text15)"), {}, {"ABC", "报警", ""}, 1,
           [](const Step& s) { type(3, [](F* f) { return f->alarmTab->Text15; }, s.text); }});
    t.add({QStringLiteral("报警设置 › 短信报警号码 (ComboBJPhone)"), {"透明方式1 号码", "全部号码表", "号码表自选"}, {}, 1,
           [](const Step& s) {
               if (s.choice == 2 && c().form() && !modalInTheWay())
                   c().ledger.allow(QStringLiteral("ComboBJPhone 号码表自选"), {code(0xD9, 1, 10)}, FrameLedger::Once);
               choose(3, [](F* f) { return f->alarmTab->ComboBJPhone; }, s.choice);
           }});
    t.add({QStringLiteral("报警设置 › 关联输出 (Combo7)"), {"继电器0", "继电器1"}, {}, 1,
           [](const Step& s) { choose(3, [](F* f) { return f->alarmTab->Combo7; }, s.choice); }});
    button("报警设置 › 更新设置 (Command16)", 3, [](F* f) { return f->alarmTab->Command16; }, 3, nullptr,
           allowOne("Command16", code(0xB4, 1, 199)));
    button("报警设置 › 读取设置 (Command17)", 3, [](F* f) { return f->alarmTab->Command17; }, 3, nullptr,
           allowOne("Command17", code(0xB4, 2, 11)));
    button("报警设置 › 读取DI状态 (Command25)", 3, [](F* f) { return f->alarmTab->Command25; }, 1, nullptr,
           allowOne("Command25", FrameLedger::head(kPre + QByteArray(1, char(0x98)), 10)));

    // 输出控制
    t.add({QStringLiteral("输出控制 › 通道 (Combo6)"), {"Do0 参数", "Do1 参数"}, {}, 1,
           [](const Step& s) { choose(4, [](F* f) { return f->outputTab->Combo6; }, s.choice); }});
    t.add({QStringLiteral("输出控制 › 输出方式"), {"电平输出", "脉冲宽度输出"}, {}, 1, [](const Step& s) {
               press(4, [i = s.choice](F* f) -> QAbstractButton* {
                   return i == 0 ? f->outputTab->Option16 : f->outputTab->Option17;
               });
           }});
    t.add({QStringLiteral("输出控制 › 延时恢复高电平 (Text10)"), {}, {"5", "300"}, 1,
           [](const Step& s) { type(4, [](F* f) { return f->outputTab->Text10; }, s.text); }});
    button("输出控制 › 短信回复 (Check5)", 4, [](F* f) { return f->outputTab->Check5; }, 1);
    t.add({QStringLiteral("输出控制 › 高电平控制短信 (Text8)"), {}, {"ON", "开"}, 1,
           [](const Step& s) { type(4, [](F* f) { return f->outputTab->Text8; }, s.text); }});
    button("输出控制 › 更新设置 (Command13)", 4, [](F* f) { return f->outputTab->Command13; }, 3, nullptr,
           allowOne("Command13", code(0xB5, 1, 141)));
    button("输出控制 › 读取设置 (Command23)", 4, [](F* f) { return f->outputTab->Command23; }, 3, nullptr,
           allowOne("Command23", code(0xB5, 2, 11)));
    t.add({QStringLiteral("输出控制 › 闭合/断开"), {"Command26", "Command27(0)", "Command27(1)"}, {}, 1, [](const Step& s) {
               if (c().form() && !modalInTheWay())
                   c().ledger.allow(QStringLiteral("output test"), {FrameLedger::head(kPre + QByteArray(1, char(0x99)), 11)}, FrameLedger::Once);
               press(4, [i = s.choice](F* f) -> QAbstractButton* {
                   return i == 0 ? f->outputTab->Command26 : f->outputTab->Command27[i - 1];
               });
           }});

    // The form and the program.
    t.add({QStringLiteral("标签 (SSTab1)"), {"基本设置", "短信测试", "其他设置", "报警设置", "输出控制"}, {}, 2,
           [](const Step& s) {
               if (!modalInTheWay()) onTab(s.choice);
           }});
    t.add({QStringLiteral("号码选择 (Form1)"), {"确定", "取消"}, {}, 1, [](const Step& s) {
               if (c().mainClosed) return;
               if (NumberPicker* p = NumberPicker::current(&c().h.main()))
                   (s.choice == 0 ? p->Command1 : p->Command2)->click();
           }});
    t.add({QStringLiteral("等待"), {"100 ms", "300 ms", "1 s", "2.1 s", "5 s", "12 s"}, {}, 6, [](const Step& s) {
               const int ms = QList<int>{100, 300, 1000, 2100, 5000, 12000}.at(s.choice);
               if (!c().vt.runFor(ms)) c().violation(QStringLiteral("never quiet: ") + c().vt.why());
           }});
    t.add({QStringLiteral("模块 › 通知 (FD)"), {"01 初始化完成", "02", "03"}, {}, 1, [](const Step& s) {
               if (c().sim().isRunning()) c().params->sendNotice(uint8_t(s.choice + 1));
           }});
    t.add({QStringLiteral("模块 › 断线"), {}, {}, 1, [](const Step&) {
               if (!c().sim().isRunning()) return;
               c().lineClosedByModule = true;
               c().sim().closeLine();
           }});
    t.add(RandomActions::nextAnswerAction([] { return &c().sim(); }, req("FD 01")));
    t.add(RandomActions::nextBoxAction([] { return &c().h.dialogs; }, [](const Dialogs::Message&) {
        // Until that mend lands, a box stays open only while no chain runs.
        return c().mended.boxHoldsChain || !chainRunning();
    }));
    t.add({QStringLiteral("重新连接 (连接)"), {}, {}, 1, [](const Step&) { connectAgain(); }});
    t.add({QStringLiteral("关闭主窗口"), {}, {}, 1, [](const Step&) {
               if (c().mainClosed) return;
               c().mainClosed = true;
               c().h.main().close();
           }});
    return t;
}

rc::Gen<Module> anyModule() {
    return rc::gen::build<Module>(rc::gen::set(&Module::workMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::transMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::subMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::passwordUse, rc::gen::inRange(0, 4)),
                                  rc::gen::set(&Module::power, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::wakeMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::contents, rc::gen::arbitrary<unsigned>()));
}

}  // namespace

class TestRandomActions : public QObject {
    Q_OBJECT
private slots:
    void settingsFormUnderRandomActions();
};

void TestRandomActions::settingsFormUnderRandomActions() {
    const Mended mended = Mended::fromEnvironment();
    const ActionTable actions = buildActions();
    RandomActions::Transcript transcript;
    int sequences = 0;

    const auto property = [&] {
        const Module module = *anyModule();
        const auto steps = *actions.sequence(30);
        ++sequences;

        // Connected, the first refresh done: the state every step starts
        // from. Another test's line may hold the pseudo-terminal's name a
        // moment longer (the port reports it in use): a fresh line then.
        std::unique_ptr<Case> made;
        QString why;
        for (int attempt = 0; attempt < 3 && !made; ++attempt) {
            made = std::make_unique<Case>(module, mended, transcript);
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

        // The user finishes what the form waits for, then lets it all end.
        if (k.violations.isEmpty() && !k.mainClosed) {
            if (NumberPicker* p = NumberPicker::current(&k.h.main())) p->Command2->click();
            if (SettingsForm* f = k.form(); f && f->Timer1->running() && f->ChainStep <= 1) {
                k.transcript.note(QStringLiteral("   (the work-mode chain waits for a choice: 主动方式, 格式传输)"));
                choose(0, [](SettingsForm* f) { return f->Combo1; }, 0);
                choose(0, [](SettingsForm* f) { return f->Combo2; }, 0);
            }
        }
        if (k.violations.isEmpty() && !k.vt.runUntilLineQuiet(15000, 600000))
            k.violation(QStringLiteral("the line never went quiet: ") + k.vt.why());

        // 2: buttons as before, no timer left running.
        if (k.violations.isEmpty() && !k.mainClosed) {
            const QStringList running = RandomActions::runningTimers(
                {&k.h.main(), k.h.app->forms->answerReceiver()});
            if (!running.isEmpty()) k.violation(QStringLiteral("still running: ") + running.join(QStringLiteral(", ")));
            if (SettingsForm* f = k.form()) {
                const QStringList diff = RandomActions::differences(k.baseline, RandomActions::buttonStates(f->coveredButtons()));
                if (!diff.isEmpty()) k.violation(QStringLiteral("buttons: ") + diff.join(QStringLiteral("; ")));
            }
        }
        // 3: a clean refresh shows what the module holds.
        if (k.violations.isEmpty() && !k.mainClosed && k.form() && k.h.port().isOpen() && k.sim().isRunning() &&
            k.form()->Command8->isEnabled() && !modalInTheWay()) {
            k.transcript.note(QStringLiteral("» the closing refresh, every answer on time"));
            k.sim().clearFates();
            k.h.dialogs.setHoldPolicy(nullptr);
            k.allowRefresh();
            onTab(0);
            k.form()->Command8->click();
            if (!k.vt.runUntil([&] { return !k.form()->Timer2->running(); }, 20000))
                k.violation(QStringLiteral("the closing refresh never ended: ") + k.vt.why());
            else
                for (const QString& d : k.labelDifferences()) k.violation(QStringLiteral("closing refresh: ") + d);
        }
        if (!k.violations.isEmpty()) RC_FAIL(k.violations.join(QStringLiteral("\n")).toStdString());
    };
    SMS_RANDOM_ACTIONS("random actions on Kestrun's settings form", 5000, 20, property,
                       [&] { return transcript.text(); });
    qInfo("%d sequences", sequences);
}

QTEST_MAIN(TestRandomActions)
#include "tst_random_actions.moc"
