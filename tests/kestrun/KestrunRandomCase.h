#pragma once

// One run of the Kestrun settings form's random actions: the program
// against a module on the virtual clock, filled from a drawn set of modes
// and contents, and what the run checks as it goes: who caused each request
// the module takes, whether each message is borne out by the module, and
// what a refresh shows against what the module holds.
//
// Faults that are being mended elsewhere are kept out by flags, each named
// below; SMSTOOLS_RANDOM_MENDED=name,name (or "all") turns them on, so that
// the run walks those roads too once the mends have landed.

#include <QLineEdit>
#include <QRandomGenerator>

#include "KestrunHarness.h"
#include "core/protocol/Answers.h"
#include "core/protocol/SettingsRecords.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "tests/support/RandomActions.h"
#include "tests/support/VirtualTime.h"
#include "tools/SimParams.h"
#include "tools/SimPhoneTable.h"
#include "tools/SimSettings.h"
#include "tools/SimTestPeer.h"

namespace KestrunRandom {

using RandomActions::FrameLedger;
using Fate = ModuleSim::Fate;

// Roads kept closed until their mends land; a mended road is open by
// default.
struct Mended {
    // A box held open while a refresh or chain runs.
    bool boxHoldsChain = true;
    // Typed text that is not an item of the rate list.
    bool listsTakeItemsOnly = true;
    // A refresh that ends early says why.
    bool refreshTellsWhy = true;
    // A connect's handshake and a refresh or chain of the form at once.
    bool connectApart = true;
    // A refresh in the form's first second, before its answers are read.
    bool firstSecondRefresh = true;

    static Mended fromEnvironment() {
        Mended m;
        const QStringList on = qEnvironmentVariable("SMSTOOLS_RANDOM_MENDED").split(QLatin1Char(','));
        const bool all = on.contains(QStringLiteral("all"));
        const auto flag = [&](const char* name, bool& b) { b = b || all || on.contains(QLatin1String(name)); };
        flag("boxHoldsChain", m.boxHoldsChain);
        flag("listsTakeItemsOnly", m.listsTakeItemsOnly);
        flag("refreshTellsWhy", m.refreshTellsWhy);
        flag("connectApart", m.connectApart);
        flag("firstSecondRefresh", m.firstSecondRefresh);
        return m;
    }
};

inline const QByteArray kPre = QByteArray::fromHex("1A2A3A4A5A6A7A8A");
inline QByteArray req(const char* tail) { return kPre + SimSupport::fromHex(tail); }
inline FrameLedger::Pattern code(uint8_t c, uint8_t op, int length) {
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
inline void showValue(const Module& m, std::ostream& os) {
    os << "module: work mode " << m.workMode << ", transmission " << m.transMode << ", sub-mode " << m.subMode
       << ", password use " << m.passwordUse << ", power saving " << m.power << ", wake mode " << m.wakeMode
       << ", contents " << m.contents;
}

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
    // The block the module held when it took each read of each kind not yet
    // answered, oldest first: a write sent before a read's answer is in
    // changes the module, not the answer. The module answers in turn, so an
    // answer shown retires its read and every read before it, and a repeat
    // of an answer already shown matches none. With no read out, the form
    // reads a stray answer as a read, as it always has: a repeat of the
    // last answer shows that block again.
    QList<QByteArray> alarmAtRead, outputAtRead;
    QByteArray alarmShown, outputShown;

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
            if (c == 0xB4 && op == 2 && r.size() == 11) alarmAtRead << settings->alarm[uint8_t(r.at(10)) % 10];
            if (c == 0xB5 && op == 2 && r.size() == 11) outputAtRead << settings->output[uint8_t(r.at(10)) % 2];
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
            const auto answers = [](QList<QByteArray>& reads, QByteArray& last, const QByteArray& shown) {
                const qsizetype at = reads.indexOf(shown);
                if (at < 0) return reads.isEmpty() && !last.isEmpty() && shown == last;
                reads.remove(0, at + 1);
                last = shown;
                return true;
            };
            const bool alarm = answers(alarmAtRead, alarmShown, formAlarmBlock());
            const bool output = !alarm && answers(outputAtRead, outputShown, formOutputBlock());
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

}  // namespace KestrunRandom
