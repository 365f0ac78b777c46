#pragma once

// One case of the random actions on Varnel's settings form: the program
// against a module on the virtual clock, the module's starting contents,
// and the checks made while it runs (every request has a cause, messages
// agree with what the module holds, a refresh or transfer that ends early
// says why). The steps themselves are in tst_random_actions.cpp.

#include <QRandomGenerator>

#include "TableRig.h"
#include "core/protocol/Answers.h"
#include "tests/support/RandomActions.h"
#include "tests/support/VirtualTime.h"
#include "varnel/settings/ParamTab.h"

namespace VarnelRandom {

using RandomActions::FrameLedger;
using Fate = ModuleSim::Fate;
using Tables = SimQv7351Tables;

// Roads kept closed until their mends land; a mended road is open by
// default.
struct Mended {
    // A refresh that ends early says why.
    bool refreshTellsWhy = true;
    // A connect's handshake while a refresh, chain or transfer runs.
    bool connectApart = true;
    // An input row answer cut in two by a pause, or a clear's late
    // acknowledgement: the read took it for the end of the table.
    bool cutRowTellsWhy = true;
    // A table row answered twice: the read takes the copy for the module's
    // end of the table (a repeat of the last row) and ends "读取参数完成"
    // with rows missing.
    bool rowCopies = true;
    // A table clear drops the input waiting on the port: an answer of a
    // running refresh or chain is lost with it.
    bool clearKeepsAnswers = true;
    // 写入号码表 (or a clear) and 读取号码表 at once: the write's "SETOK:" is
    // read as the table, "号码表空" shows and the grid is emptied.
    bool phoneWriteThenRead = true;

    static Mended fromEnvironment() {
        Mended m;
        const QStringList on = qEnvironmentVariable("SMSTOOLS_RANDOM_MENDED").split(QLatin1Char(','));
        const bool all = on.contains(QStringLiteral("all"));
        const auto flag = [&](const char* name, bool& b) { b = b || all || on.contains(QLatin1String(name)); };
        flag("refreshTellsWhy", m.refreshTellsWhy);
        flag("connectApart", m.connectApart);
        flag("cutRowTellsWhy", m.cutRowTellsWhy);
        flag("rowCopies", m.rowCopies);
        flag("clearKeepsAnswers", m.clearKeepsAnswers);
        flag("phoneWriteThenRead", m.phoneWriteThenRead);
        return m;
    }
};

inline const QByteArray kPre = QByteArray::fromHex("1A2A3A4A5A6A7A8A");
inline QByteArray req(const char* hex) { return kPre + QByteArray::fromHex(QByteArray(hex).replace(' ', "")); }
inline FrameLedger::Pattern code(uint8_t c, uint8_t op, int length) {
    return FrameLedger::head(kPre + QByteArray(1, char(c)) + QByteArray(1, char(op)), length);
}
inline ModuleTable tableOfCode(uint8_t c) { return c == 0xA8 ? ModuleTable::Input : ModuleTable::Command; }
inline Tables::Table simTable(ModuleTable t) { return t == ModuleTable::Input ? Tables::Table::Input : Tables::Table::Command; }

// The module's modes and contents at the start of a case.
struct Module {
    int workMode = 1;
    int transMode = 1;
    int subMode = 1;
    int passwordUse = 0;
    int power = 0;
    int inputRows = 2;
    int commandRows = 2;
    unsigned contents = 0;
};
inline void showValue(const Module& m, std::ostream& os) {
    os << "module: work mode " << m.workMode << ", transmission " << m.transMode << ", sub-mode " << m.subMode
       << ", password use " << m.passwordUse << ", power saving " << m.power << ", input rows " << m.inputRows
       << ", command rows " << m.commandRows << ", contents " << m.contents;
}

// An editor opened by a step and what its row held when it loaded.
struct OpenEditor {
    QPointer<QWidget> editor;
    QByteArray loadedFrame;  // the row's frame once loaded
    bool changed = false;    // a step typed or chose something in it
};

// One run: the program against a module on the virtual clock.
struct Case {
    VirtualTime vt;
    VarnelHarness h;
    SimQv7351* m = nullptr;
    Mended mended;
    RandomActions::Transcript& transcript;
    FrameLedger ledger;
    QStringList violations;
    RandomActions::ButtonStates baseline;
    QPointer<SettingsForm> hooked;
    bool mainClosed = false;
    bool lineClosedByModule = false;
    // An answer not whole and on time, a notice, or the line closed: the
    // module's side was disturbed at least once in this case.
    bool disturbed = false;
    // As above, since the running refresh began.
    bool refreshDisturbed = false;
    // A parameter went to the module while the refresh ran: what it read
    // before may no longer be what the module holds, nor what it chose to
    // ask (a password use written after it was read leaves the password
    // unasked).
    bool refreshOverlapped = false;
    int messagesAtRefreshStart = 0;
    // A transfer ended by itself; the message count then.
    std::optional<int> transferEndedAt;
    // The user stopped it (停止, 退出, the main window, a new connect), or
    // the line went.
    bool userStops = false;
    // Fates the steps chose, taken by the module's next answers.
    QList<Fate> fates;
    // The last requests of each kind the module took.
    QByteArray lastD9, lastCollectionWrite;
    // The operation of the last phone-table write (2) or clear (4) sent: a
    // write's success is judged by the table only while no clear followed
    // it, and a clear's only while no write followed it.
    uint8_t lastD9Change = 0;
    std::optional<ModuleTable> lastRead, lastClear;
    // A row of the last cleared table was written after the clear went out.
    bool clearOverwritten = false;
    OpenEditor form2, form3;

    Case(const Module& mod, const Mended& flags, RandomActions::Transcript& t) : mended(flags), transcript(t) {
        transcript.clear();
        transcript.setClock(&vt);
        m = h.module;
        fill(mod);
        vt.watchLine(&h.port(), &sim());
        transcript.watch(sim());
        transcript.watch(h.dialogs, [this](const Dialogs::Message& msg) { judgeMessage(msg); });
        QObject::connect(&sim(), &ModuleSim::requestReceived, &sim(), [this](const QByteArray& r) { attribute(r); });
        QObject::connect(&sim(), &ModuleSim::answerMade, &sim(), [this] {
            const Fate& f = sim().fateLog().last().fate;
            if (f.kind != Fate::OnTime || !f.before.isEmpty()) disturbed = refreshDisturbed = true;
        });
        QObject::connect(&sim(), &ModuleSim::lineClosed, &sim(), [this] { disturbed = refreshDisturbed = true; });
        sim().setFatePolicy([this](const QByteArray& answer) {
            if (fates.isEmpty()) return Fate::onTime();
            Fate f = fates.takeFirst();
            const uint8_t c = answer.size() > 8 ? uint8_t(answer.at(8)) : 0;
            if (!mended.rowCopies && (c == 0xA8 || c == 0xA9) && f.kind == Fate::Repeated) f = Fate::onTime();
            return f;
        });
    }
    ~Case() { transcript.setClock(nullptr); }

    ModuleSim& sim() { return h.sim(); }
    SettingsForm* form() const { return h.form(); }

    void fill(const Module& mod) {
        ModuleSim::Identity& id = sim().identity;
        id.workMode = uint8_t(mod.workMode);
        id.transMode = uint8_t(mod.transMode);
        SimParams* p = m->params;
        p->subMode = uint8_t(mod.subMode);
        p->passwordUse = uint8_t(mod.passwordUse);
        p->powerSaving = uint8_t(mod.power);
        QRandomGenerator rng(mod.contents);
        p->password = QByteArray::fromHex(QByteArray::number(rng.generate(), 16).rightJustified(8, '0').left(8));
        p->receiver = QByteArray::fromHex("01") +
                      QByteArray::fromHex(QByteArray::number(rng.bounded(10000000000LL)).rightJustified(10, '0'));
        p->address = QByteArray::fromHex(QByteArray::number(rng.bounded(0x10000), 16).rightJustified(4, '0'));
        p->restartCount = uint32_t(rng.bounded(0, 3600)) * 200;
        p->mask = uint32_t(rng.bounded(0x1000000));
        p->idleUnits = uint16_t(rng.bounded(0, 200));
        p->dataUnits = uint16_t(rng.bounded(0, 200));
        p->wakeMode = uint8_t(rng.bounded(2));
        QStringList numbers;
        for (int i = int(rng.bounded(5)); i > 0; --i)
            numbers << QStringLiteral("13%1").arg(rng.bounded(1000000000LL), 9, 10, QLatin1Char('0'));
        m->phoneTable.setNumbers(numbers);
        TableRig::storeRows(m, Tables::Table::Input, mod.inputRows);
        TableRig::storeRows(m, Tables::Table::Command, mod.commandRows);
    }

    void violation(const QString& what) {
        transcript.note(QStringLiteral("!! ") + what);
        violations << what;
    }

    // --- check 4: every request has a cause -----------------------------------------

    bool refreshAllowed = false;
    void allowRefresh() {
        if (std::exchange(refreshAllowed, true)) return;
        QList<FrameLedger::Pattern> queries = {code(0xA3, 2, 10)};
        for (uint8_t c : {0xEC, 0xA1, 0xF1, 0xF8, 0xE2, 0xF9, 0xFB, 0xA2, 0xE1, 0xD3, 0xD2, 0xDB, 0xAB})
            queries << code(c, 3, 10);
        ledger.allow(QStringLiteral("refresh"), queries, FrameLedger::Lasting);
    }
    void allowConnect() {
        ledger.allow(QStringLiteral("connect"),
                     {code(0xFE, 3, 10), code(0xF8, 3, 10), code(0xF9, 3, 10), code(0xEC, 3, 10), code(0xD6, 3, 10),
                      code(0xD1, 3, 10)},
                     FrameLedger::Ordered);
        allowRefresh();
    }

    void attribute(const QByteArray& r) {
        if (r.startsWith(kPre) && r.size() >= 11) {
            const uint8_t c = uint8_t(r.at(8)), op = uint8_t(r.at(9));
            if (c == 0xD9 && op == 2) lastD9 = r;
            if (c == 0xD9 && (op == 2 || op == 4)) lastD9Change = op;
            if (op == 1 && c != 0xA8 && c != 0xA9 && form() && form()->Timer2->running())
                refreshOverlapped = true;
            if ((c == 0xA8 || c == 0xA9) && op == 2) lastRead = tableOfCode(c);
            if ((c == 0xA8 || c == 0xA9) && op == 1 && lastClear == tableOfCode(c)) clearOverwritten = true;
            if ((c == 0xA8 || c == 0xA9) && op == 4) {
                lastClear = tableOfCode(c);
                clearOverwritten = false;
            }
            if (c == 0xA8 && op == 0xF1) lastCollectionWrite = r;
        }
        if (ledger.take(r).isEmpty())
            violation(QStringLiteral("request nothing sent: ") + SimSupport::hex(r.left(24)) +
                      (r.size() > 24 ? QStringLiteral(" … (%1 bytes)").arg(r.size()) : QString()));
    }

    // --- check 3: messages ------------------------------------------------------------

    FlexGrid* grid(ModuleTable t) const {
        return t == ModuleTable::Input ? form()->inputTab->MSGrid2 : form()->commandTab->MSGrid1;
    }
    // The frame a grid row sends (from its sum on), "" when it is refused.
    QByteArray rowFrame(ModuleTable t, int row) const {
        FlexGrid* g = grid(t);
        const protocol::RowWrite w =
            t == ModuleTable::Input ? protocol::channelRowFrame(TableRig::rowOf<31>(g, row), row - 1)
                                    : protocol::commandRowFrame(TableRig::rowOf<10>(g, row), row - 1);
        return w.refused() ? QByteArray() : w.frame.mid(11);
    }
    // The grid's rows are what the module holds in its first rows; `all`:
    // and the module holds no more.
    QString gridAgainstModule(ModuleTable t, bool all) const {
        const int rows = grid(t)->Rows() - 1;
        const int held = m->tables.rowCount(simTable(t));
        if (all && rows != held) return QStringLiteral("the grid shows %1 rows, the module holds %2").arg(rows).arg(held);
        for (int r = 1; r <= rows; ++r)
            if (rowFrame(t, r) != m->tables.row(simTable(t), r - 1))
                return QStringLiteral("grid row %1 is not the module's row %2").arg(r).arg(r - 1);
        return QString();
    }

    void judgeMessage(const Dialogs::Message& msg) {
        const QString t = msg.text;
        static const QStringList failures = {"设置失败",   "电话号码表设置错误 ", "清空号码表失败",
                                             "清除失败",   "读取参数失败",       "号码表结构错误",
                                             "读参数超时失败", "写参数超时失败"};
        if (!form()) return;
        if (failures.contains(t)) {
            if (!disturbed) violation(QStringLiteral("“%1” though every answer came whole and on time").arg(t));
        } else if (t == QStringLiteral("电话号码表设置成功")) {
            if (lastD9.size() < 132 || (lastD9Change == 2 && (m->phoneTable.count != uint8_t(lastD9.at(11)) ||
                                                               m->phoneTable.entries != lastD9.mid(12, 120))))
                violation(QStringLiteral("“电话号码表设置成功” but the module holds another table"));
        } else if (t == QStringLiteral("清空号码表成功") || t == QStringLiteral("号码表空")) {
            if (m->phoneTable.count != 0 && (t != QStringLiteral("清空号码表成功") || lastD9Change != 2))
                violation(QStringLiteral("“%1” but the module holds %2 numbers").arg(t).arg(m->phoneTable.count));
        } else if (t == QStringLiteral("清除成功")) {
            if (!lastClear || (!clearOverwritten && m->tables.rowCount(simTable(*lastClear)) != 0))
                violation(QStringLiteral("“清除成功” but the module's table is not empty"));
        } else if (t == QStringLiteral("设置成功")) {
            const bool collection = !lastCollectionWrite.isEmpty() && m->collection.lastWrite == lastCollectionWrite;
            const bool input = form()->inputTab->MSGrid2->Rows() > 1 && gridAgainstModule(ModuleTable::Input, false).isEmpty();
            const bool command = form()->commandTab->MSGrid1->Rows() > 1 && gridAgainstModule(ModuleTable::Command, false).isEmpty();
            if (!collection && !input && !command)
                violation(QStringLiteral("“设置成功” but the module holds neither table nor the collection settings"));
        } else if (t == QStringLiteral("读取参数完成") || t == QStringLiteral("读取参数成功")) {
            if (!lastRead)
                violation(QStringLiteral("“%1” with no table read").arg(t));
            else if (const QString d = gridAgainstModule(*lastRead, true); !d.isEmpty())
                violation(QStringLiteral("“%1”, but %2").arg(t, d));
        } else if (t == QStringLiteral("串口连接已断开，请检查连线后重新连接") && !lineClosedByModule) {
            violation(QStringLiteral("the line reported lost though it was not"));
        }
    }

    // --- check 3 and 5: what a refresh shows ---------------------------------------

    QMap<QString, QString> expectedLabels() {
        QMap<QString, QString> out;
        SimParams* p = m->params;
        auto shown = [&](uint8_t c) { return Answers::decodeParamAnswer(c, p->answerFor(c).mid(9)).text; };
        const ModuleSim::Identity& id = sim().identity;
        out["Label8"] = shown(0xEC);
        out["Label12"] = shown(0xA3);
        out["Label10"] = shown(0xA1);
        if (p->passwordUse) out["Label5"] = shown(0xF1);
        out["Label3"] = shown(0xF8);
        if (id.workMode == 0) out["Label9"] = shown(0xE2);
        out["Label4"] = shown(0xF9);
        if (id.transMode == 0) {
            out["Label4"] = shown(0xFB);
            if (p->subMode == 0)
                out["Label15"] = QString::number(uint8_t(p->answerFor(0xE1).at(10)));
            else
                out["Label6"] = shown(0xA2).trimmed();
        }
        out["Label19"] = shown(0xD3);
        if (p->powerSaving) {
            out["Label22"] = shown(0xD2);
            out["Label30"] = shown(0xDB);
        }
        return out;
    }
    QStringList labelDifferences() {
        QStringList out;
        const auto expected = expectedLabels();
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            auto* l = form()->findChild<QLabel*>(it.key());
            const QString now = l ? l->text() : QString();
            if (now != it.value()) out << QStringLiteral("%1 shows “%2”, module holds “%3”").arg(it.key(), now, it.value());
        }
        return out;
    }
    void hookForm() {
        SettingsForm* f = form();
        if (!f || f == hooked) return;
        hooked = f;
        const auto begins = [this] {
            refreshDisturbed = sim().sending() || sim().holdingGlued() || !sim().isRunning();
            refreshOverlapped = false;
            messagesAtRefreshStart = h.dialogs.messageCount();
        };
        QObject::connect(f->paramTab->Command8, &QPushButton::clicked, f, begins);
        QObject::connect(f->Timer6, &VbTimer::tick, f, begins);
        QObject::connect(f->Timer2, &VbTimer::tick, f, [this, f] {
            if (f->Timer2->running() || refreshOverlapped) return;
            const QStringList diffs = labelDifferences();
            const bool told = h.dialogs.messageCount() > messagesAtRefreshStart;
            const bool early = std::any_of(diffs.begin(), diffs.end(), [](const QString& d) {
                return d.contains(QStringLiteral("“*")) || d.contains(QStringLiteral("“透明传输”"));
            });
            if (early && !refreshDisturbed && h.port().isOpen() && f->SSTab1->currentIndex() != 1)
                violation(QStringLiteral("a refresh ended early though every answer came on time: ") +
                          diffs.join(QStringLiteral("; ")));
            else if (early && mended.refreshTellsWhy && !told)
                violation(QStringLiteral("a refresh ended early without a word: ") + diffs.join(QStringLiteral("; ")));
            if (!early)
                for (const QString& d : diffs) violation(QStringLiteral("after a refresh ") + d);
        });
        QObject::connect(f->transfers, &TableTransfers::stopped, f, [this] {
            // Its message, if any, follows at once; judged when all settles.
            if (!userStops) transferEndedAt = h.dialogs.messageCount();
            ledger.close(QStringLiteral("transfer"));
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
        // The handshake ends, and half a second later the parser takes the
        // answers.
        if (!until([&] { return form() && form()->isVisible() && g::RecvMode == 101; }, 10000))
            return QStringLiteral("no settings form: ") + vt.why() + h.dialogs.describe();
        hookForm();
        if (!until([&] { return !form()->Timer5->running() && !form()->Timer6->running() && !form()->Timer2->running(); },
                   20000))
            return QStringLiteral("the first refresh never ended: ") + vt.why() + h.dialogs.describe();
        baseline = buttons();
        return violations.join(QLatin1Char('\n'));
    }

    // The buttons that must come back as they were.
    RandomActions::ButtonStates buttons() const {
        QList<QPushButton*> list = form()->coveredButtons();
        list << form()->inputTab->Command23 << form()->commandTab->Command23 << form()->inputTab->Command27
             << form()->commandTab->Command27 << form()->inputTab->Command28 << form()->inputTab->Command29;
        return RandomActions::buttonStates(list);
    }

    bool settle() {
        const bool ok = vt.settle();
        if (!ok) violation(QStringLiteral("never quiet: ") + vt.why());
        hookForm();
        if (transferEndedAt && h.dialogs.openBoxes() == 0) {
            const bool cutRow = lastRead == ModuleTable::Input && disturbed && !mended.cutRowTellsWhy;
            // An input-table answer cut by a pause longer than the quiet
            // window is a short answer, which ends the read without a word:
            // what it read must then be all the module holds.
            const bool shortEnd = lastRead == ModuleTable::Input && disturbed &&
                                  gridAgainstModule(ModuleTable::Input, true).isEmpty();
            if (h.dialogs.messageCount() == *transferEndedAt && !cutRow && !shortEnd)
                violation(QStringLiteral("a table transfer ended without a word"));
            transferEndedAt.reset();
        }
        return ok;
    }
};

}  // namespace VarnelRandom
