// Random sequences of everything a user does on Varnel's settings form and
// its two row editors (every button of every tab, tab switches, list
// choices, typed values, the channel editor and the output-frame editor
// opened, confirmed and cancelled, 停止 and 退出, closing the main window, a
// new connect) mixed with what the module does (answers on time, late,
// split, glued, repeated or missing, a notice in the middle of a chain, the
// line closed), all on the virtual clock. After each sequence, once the
// module is quiet:
//  1. nothing crashed, hung or stayed busy;
//  2. every button the parameter lock covers, and every table button, is as
//     it was before the first step, and no timer of the program still runs;
//  3. a success or completion message came only when the module held what
//     was written, or the form showed exactly what the module holds; a
//     failure message only when the module's answers were disturbed; an
//     editor confirmed unchanged left its row's frame as it was; a clean
//     refresh at the end shows exactly what the module holds;
//  4. every request the module received was sent by a step or by the
//     form's own sequence, in that sequence's order, and whole;
//  5. a refresh or a table transfer that ended early told the user why.
//
// Roads that wait for a mend are kept closed by flags, each named below;
// SMSTOOLS_RANDOM_MENDED=name,name (or "all") opens them.
//
// SMSTOOLS_PROPERTY_CASES / _SECONDS / _SEED and RC_PARAMS work as for every
// property (tests/support/Property.h); the test command runs about 20 s.

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>

#include "RandomCase.h"
#include "core/NumberPicker.h"
#include "tests/support/BoxInput.h"
#include "tests/support/RandomActions.h"
#include "varnel/editors/ChannelEditor.h"
#include "varnel/editors/OutputFrameEditor.h"
#include "varnel/settings/PhoneTab.h"
#include "varnel/settings/TestTab.h"

using RandomActions::ActionTable;
using RandomActions::Step;

namespace {

using namespace VarnelRandom;

// --- what the user does ---------------------------------------------------------

Case* g_case = nullptr;
Case& c() { return *g_case; }

bool chainRunning() {
    SettingsForm* f = c().form();
    return f && (f->Timer1->running() || f->Timer2->running() || f->Timer3->running() || f->Timer6->running() ||
                 f->transfers->busy() || g::CollectionDue != 0);
}

void waitFor(const QString& why, const std::function<bool()>& done) {
    if (done()) return;
    c().transcript.note(QStringLiteral("   (waits until %1)").arg(why));
    if (!c().vt.runUntil(done, 30000) && !c().vt.limitReached()) c().violation(QStringLiteral("never quiet: ") + c().vt.why());
}


// Until a connect keeps apart from the form's chains, a chain waits for the
// handshake (and the half second before the parser takes the answers).
// Until a phone-table request keeps apart from the one before, it waits for
// that one's answer.
void beforePhoneRequest() {
    if (c().mended.phoneWriteThenRead || !c().form()) return;
    waitFor(QStringLiteral("the last answer is in"), [] {
        return !c().sim().sending() && !c().sim().holdingGlued() && c().h.port().inBufferCount() == 0 &&
               !c().h.main().timerEnabled(12);
    });
}

bool handshakeRunning() {
    MainWindow& m = c().h.main();
    return m.timerEnabled(8) || m.timerEnabled(9) || m.timerEnabled(11) || (c().form() && c().form()->Timer5->running());
}
void beforeChain() {
    if (c().mended.connectApart || c().mainClosed) return;
    waitFor(QStringLiteral("the connect's handshake is over"), [] { return !handshakeRunning(); });
}

bool modalInTheWay() {
    ConnectDialog* d = c().h.main().connectDialog();
    return d && d->isVisible() && d->isModal();
}

bool onTab(int tab) {
    SettingsForm* f = c().form();
    if (!f || c().mainClosed || !f->isVisible()) return false;
    if (f->SSTab1->currentIndex() != tab) {
        c().transcript.note(QStringLiteral("   (tab %1 first)").arg(tab));
        // The test page reads no answers: a transfer or refresh under way
        // then runs out of time, as the user is told.
        if (tab == 1) c().disturbed = c().refreshDisturbed = true;
        f->SSTab1->setCurrentIndex(tab);
        c().settle();
    }
    return c().form() != nullptr;
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

// A table button: a start (or 停止) of a transfer.
void transferButton(int tab, ModuleTable t, bool read) {
    if (modalInTheWay() || !onTab(tab)) return;
    SettingsForm* f = c().form();
    QPushButton* b = t == ModuleTable::Input ? (read ? f->inputTab->Command23 : f->inputTab->Command13)
                                             : (read ? f->commandTab->Command23 : f->commandTab->Command13);
    if (!b->isEnabled()) return;
    const bool stopping = b->text() == QStringLiteral("停止");
    if (!stopping) {
        beforeChain();
        if (!c().form()) return;
        const uint8_t code8 = t == ModuleTable::Input ? 0xA8 : 0xA9;
        c().ledger.allow(QStringLiteral("transfer"),
                         {read ? code(code8, 2, 11) : code(code8, 1, t == ModuleTable::Input ? 267 : 139)},
                         FrameLedger::Lasting);
    }
    c().userStops = stopping;
    b->click();
    c().userStops = false;
    // Nothing started (no rows to write): nothing more may be sent for it.
    if (!c().form() || !c().form()->transfers->busy()) c().ledger.close(QStringLiteral("transfer"));
}

void gridRow(int tab, ModuleTable t, int row) {
    if (modalInTheWay() || !onTab(tab)) return;
    FlexGrid* g = c().grid(t);
    if (!g->isEnabled() || row >= g->Rows()) return;
    g->setRow(row);
    emit g->gridClicked();
}

ChannelEditor* channelEditor() {
    if (c().mainClosed) return nullptr;
    for (ChannelEditor* e : c().h.main().findChildren<ChannelEditor*>())
        if (e->isVisible()) return e;
    return nullptr;
}
OutputFrameEditor* frameEditor() {
    if (c().mainClosed) return nullptr;
    for (OutputFrameEditor* e : c().h.main().findChildren<OutputFrameEditor*>())
        if (e->isVisible()) return e;
    return nullptr;
}

void openForm2(int row) {
    if (channelEditor() || modalInTheWay() || !onTab(3)) return;
    FlexGrid* g = c().grid(ModuleTable::Input);
    if (!g->isEnabled() || row >= g->Rows()) return;
    g->setRow(row);
    // A row whose alarms go to chosen numbers opens the number picker as it
    // loads, and the picker reads the phone table.
    c().ledger.allow(QStringLiteral("Form2"), {code(0xD9, 1, 10)}, FrameLedger::Once);
    emit g->gridDoubleClicked();
    ChannelEditor* e = channelEditor();
    if (!e) return;
    c().form2 = {e, {}, false};
    QObject::connect(e, &ChannelEditor::rowLoaded, e, [e] {
        if (c().form2.editor == e && e->editedRow() > 0)
            c().form2.loadedFrame = c().rowFrame(ModuleTable::Input, e->editedRow());
    });
}

void openForm3(int row) {
    if (frameEditor() || modalInTheWay() || !onTab(4)) return;
    FlexGrid* g = c().grid(ModuleTable::Command);
    if (!g->isEnabled() || row >= g->Rows()) return;
    const QModelIndex cell = g->model()->index(row - 1, 8);
    g->scrollTo(cell);
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(cell).center());
    OutputFrameEditor* e = frameEditor();
    if (!e) return;
    c().form3 = {e, e->editedRow() > 0 ? c().rowFrame(ModuleTable::Command, e->editedRow()) : QByteArray(), false};
}

// OK of an editor that no step changed: its row sends what it sent before.
void confirmEditor(bool channel) {
    OpenEditor& o = channel ? c().form2 : c().form3;
    QWidget* e = channel ? static_cast<QWidget*>(channelEditor()) : static_cast<QWidget*>(frameEditor());
    if (!e || o.editor != e) return;
    const ModuleTable t = channel ? ModuleTable::Input : ModuleTable::Command;
    if (channel && !static_cast<ChannelEditor*>(e)->loaded()) return;
    if (!channel && static_cast<OutputFrameEditor*>(e)->isLoading()) return;
    const int row = channel ? static_cast<ChannelEditor*>(e)->editedRow() : static_cast<OutputFrameEditor*>(e)->editedRow();
    const QByteArray before = o.loadedFrame;
    const bool changed = o.changed;
    if (QPushButton* ok = channel ? static_cast<ChannelEditor*>(e)->Command1[0] : e->findChild<QPushButton*>(QStringLiteral("Command1")))
        ok->click();
    c().settle();
    if (changed || before.isEmpty() || row <= 0 || !c().form() || row >= c().grid(t)->Rows()) return;
    const QByteArray after = c().rowFrame(t, row);
    if (after != before)
        c().violation(QStringLiteral("%1 confirmed unchanged rewrote row %2: %3 → %4")
                          .arg(channel ? "Form2" : "Form3")
                          .arg(row)
                          .arg(SimSupport::hex(before.left(40)), SimSupport::hex(after.left(40))));
}

void connectAgain() {
    Case& k = c();
    if (k.mainClosed) return;
    if (!k.mended.connectApart) waitFor(QStringLiteral("no refresh, chain or transfer runs"), [] { return !chainRunning(); });
    if (!k.sim().isRunning()) {
        k.transcript.note(QStringLiteral("   (the module is plugged in again)"));
        k.sim().start(k.h.fixture.portsDir(), k.h.fixture.comNumber());
        k.lineClosedByModule = false;
    }
    ConnectDialog* d = k.h.main().connectDialog();
    if (!d && k.h.main().pictureWindow() && k.h.main().pictureWindow()->isVisible()) {
        QTest::mouseClick(k.h.main().pictureWindow()->Label2, Qt::LeftButton);
        d = k.h.main().connectDialog();
    }
    if (!d) d = k.h.main().showConnectDialog(true);
    if (!d->Command1[0]->isEnabled()) return;
    k.allowConnect();
    k.refreshDisturbed = true;
    // The new connect ends what the form still has running, as 退出 would.
    k.userStops = true;
    d->Command1[0]->click();
    k.userStops = false;
}

ActionTable buildActions() {
    ActionTable t;
    using F = SettingsForm;
    auto button = [&](const char* name, int tab, std::function<QAbstractButton*(F*)> which, int weight = 1,
                      std::function<void()> before = nullptr, std::function<void()> allow = nullptr) {
        t.add({QString::fromUtf8(name), {}, {}, weight, [tab, which, before, allow](const Step&) {
                   if (before) before();
                   if (allow && c().form() && !modalInTheWay()) allow();
                   press(tab, which);
               }});
    };
    auto once = [](const QString& cause, QList<FrameLedger::Pattern> p) {
        return [cause, p] { c().ledger.allow(cause, p, FrameLedger::Once); };
    };
    auto chain = [](const QString& cause, QList<FrameLedger::Pattern> p) {
        return [cause, p] { c().ledger.allow(cause, p, FrameLedger::Ordered); };
    };

    // 基本设置
    button("基本设置 › 确定 有无密码 (Command1)", 0, [](F* f) { return f->paramTab->Command1; }, 1, nullptr,
           once("Command1", {code(0xA1, 1, 11)}));
    button("基本设置 › 确定 短信密码 (Command2)", 0, [](F* f) { return f->paramTab->Command2; }, 1, nullptr,
           once("Command2", {code(0xF1, 1, 14)}));
    button("基本设置 › 确定 接收号码 (Command3)", 0, [](F* f) { return f->paramTab->Command3; }, 1, nullptr,
           once("Command3", {code(0xA2, 1, 16)}));
    button("基本设置 › 确定 模块地址 (Command4)", 0, [](F* f) { return f->paramTab->Command4; }, 1, nullptr,
           once("Command4", {code(0xE2, 1, 12)}));
    button("基本设置 › 确定 波特率 (Command6)", 0, [](F* f) { return f->paramTab->Command6; }, 1, nullptr,
           once("Command6", {code(0xF2, 1, 11)}));
    button("基本设置 › 确定 重起时间 (Command7)", 0, [](F* f) { return f->paramTab->Command7; }, 1, nullptr,
           once("Command7", {code(0xA3, 1, 14)}));
    button("基本设置 › 确定 工作方式 (Command5)", 0, [](F* f) { return f->paramTab->Command5; }, 3, beforeChain,
           chain("Command5", {code(0xF8, 1, 11), code(0xF9, 1, 11), code(0xFB, 1, 11), code(0xE1, 1, 14)}));
    button("基本设置 › 确定 省电 (Command14)", 0, [](F* f) { return f->paramTab->Command14; }, 3, beforeChain,
           chain("Command14", {code(0xD3, 1, 11), code(0xDB, 1, 14), code(0xD2, 1, 14)}));
    button("基本设置 › 需要 (Option1)", 0, [](F* f) { return f->paramTab->Option1; }, 1, nullptr,
           once("Option1", {code(0xA1, 1, 11)}));
    button("基本设置 › 不需要 (Option2)", 0, [](F* f) { return f->paramTab->Option2; }, 1, nullptr,
           once("Option2", {code(0xA1, 1, 11)}));
    button("基本设置 › 接收 (Check3)", 0, [](F* f) { return f->paramTab->Check3; });
    button("基本设置 › 省电 (Option5)", 0, [](F* f) { return f->paramTab->Option5; });
    button("基本设置 › 不省电 (Option6)", 0, [](F* f) { return f->paramTab->Option6; });
    button("基本设置 › 模式2 (Option8)", 0, [](F* f) { return f->paramTab->Option8; });
    t.add({QStringLiteral("基本设置 › 工作形式 (Combo1)"), {"主动方式", "被动方式"}, {}, 1,
           [](const Step& s) { choose(0, [](F* f) { return f->paramTab->Combo1; }, s.choice); }});
    t.add({QStringLiteral("基本设置 › 传输方式 (Combo2)"), {"格式传输", "透明方式1", "透明方式2"}, {}, 2,
           [](const Step& s) { choose(0, [](F* f) { return f->paramTab->Combo2; }, s.choice); }});
    t.add({QStringLiteral("基本设置 › 地址类型 (Combo4)"), {"ASCII", "16进制", "BCD码"}, {}, 1,
           [](const Step& s) { choose(0, [](F* f) { return f->paramTab->Combo4; }, s.choice); }});
    t.add({QStringLiteral("基本设置 › 传输方式 typed (Combo2)"), {}, {"透明方式3", "透明方式3\n", "格式"}, 1,
               [](const Step& s) { type(0, [](F* f) { return f->paramTab->Combo2; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 短信密码 (Text1)"), {}, {"5A217C40", "12"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->paramTab->Text1; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 接收号码 (Text2)"), {}, {"13912345678", "1391234567A"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->paramTab->Text2; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 重起时间 (Text4)"), {}, {"60", "-3"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->paramTab->Text4; }, s.text); }});
    t.add({QStringLiteral("基本设置 › 醒后延时 (Text11)"), {}, {"1000", "99999999"}, 1,
           [](const Step& s) { type(0, [](F* f) { return f->paramTab->Text11; }, s.text); }});
    button("参数信息 › 刷新 (Command8)", 0, [](F* f) { return f->paramTab->Command8; }, 4, beforeChain,
           [] { c().allowRefresh(); });
    button("参数信息 › 清空 (Command18)", 0, [](F* f) { return f->paramTab->Command18; }, 1, nullptr,
           once("Command18", {code(0xD5, 1, 11)}));
    t.add({QStringLiteral("参数信息 › 退出 (Command10)"), {}, {}, 1, [](const Step&) {
               c().userStops = true;
               press(0, [](F* f) { return f->paramTab->Command10; });
               c().userStops = false;
           }});

    // 短信测试
    t.add({QStringLiteral("短信测试 › (Command21)"), {"读取短信", "发送状态", "发送短信", "复位"}, {}, 2, [](const Step& s) {
               if (c().form() && !modalInTheWay())
                   c().ledger.allow(QStringLiteral("Command21(%1)").arg(s.choice),
                                    {FrameLedger::Pattern{QStringLiteral("a test request"),
                                                          [](const QByteArray& f) { return !f.startsWith(kPre); }}},
                                    FrameLedger::Once);
               press(1, [i = s.choice](F* f) { return f->testTab->Command21[size_t(i)]; });
           }});

    // 其他设置
    t.add({QStringLiteral("其他设置 › 电话号码 (Text9)"), {}, {"13912345678", "1391"}, 1,
           [](const Step& s) { type(2, [](F* f) { return f->phoneTab->Text9; }, s.text); }});
    button("其他设置 › 增加号码 (Command19)", 2, [](F* f) { return f->phoneTab->Command19; }, 2);
    button("其他设置 › 移除号码 (Command15)", 2, [](F* f) { return f->phoneTab->Command15; });
    button("其他设置 › 下降 (Command22)", 2, [](F* f) { return f->phoneTab->Command22; });
    t.add({QStringLiteral("其他设置 › 清空号码表 (Command24)"), {"确定", "取消"}, {}, 1, [](const Step& s) {
               beforePhoneRequest();
               c().h.dialogs.queueAnswer(s.choice == 0 ? Dialogs::Answer::Yes : Dialogs::Answer::No);
               if (s.choice == 0 && c().form() && !modalInTheWay())
                   c().ledger.allow(QStringLiteral("Command24"), {FrameLedger::exact(req("D9 04 01"))}, FrameLedger::Once);
               press(2, [](F* f) { return f->phoneTab->Command24; });
               c().h.dialogs.dropQueued();
           }});
    button("其他设置 › 读取号码表 (Command12)", 2, [](F* f) { return f->phoneTab->Command12; }, 2, beforePhoneRequest,
           once("Command12", {code(0xD9, 1, 10)}));
    button("其他设置 › 写入号码表 (Command11)", 2, [](F* f) { return f->phoneTab->Command11; }, 2, beforePhoneRequest,
           once("Command11", {code(0xD9, 2, 183)}));

    // The two tables: index 0 the command table (tab 4), 1 the input table (tab 3).
    for (const ModuleTable table : {ModuleTable::Input, ModuleTable::Command}) {
        const bool in = table == ModuleTable::Input;
        const int tab = in ? 3 : 4;
        const QString page = in ? QStringLiteral("采集报警设置 › ") : QStringLiteral("指令控设置制 › ");
        const uint8_t code8 = in ? 0xA8 : 0xA9;
        t.add({page + QStringLiteral("读取设置 / 停止 (Command23)"), {}, {}, 3,
               [tab, table](const Step&) { transferButton(tab, table, true); }});
        t.add({page + QStringLiteral("更新设置 / 停止 (Command13)"), {}, {}, 3,
               [tab, table](const Step&) { transferButton(tab, table, false); }});
        t.add({page + QStringLiteral("新建指令 (Command25)"), {}, {}, 1, [tab, in](const Step&) {
                   press(tab, [in](F* f) { return in ? f->inputTab->Command25 : f->commandTab->Command25; });
               }});
        t.add({page + QStringLiteral("删除指令 (Command26)"), {}, {}, 1, [tab, in](const Step&) {
                   press(tab, [in](F* f) { return in ? f->inputTab->Command26 : f->commandTab->Command26; });
               }});
        t.add({page + QStringLiteral("清空全部设置 (Command27)"), {"确定", "取消"}, {}, 1, [tab, in, code8](const Step& s) {
                   if (!c().mended.clearKeepsAnswers && c().form())
                       waitFor(QStringLiteral("no refresh or chain runs"), [] { return !chainRunning(); });
                   c().h.dialogs.queueAnswer(s.choice == 0 ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
                   if (s.choice == 0 && c().form() && !modalInTheWay())
                       c().ledger.allow(QStringLiteral("Command27"), {code(code8, 4, 11)}, FrameLedger::Once);
                   press(tab, [in](F* f) { return in ? f->inputTab->Command27 : f->commandTab->Command27; });
                   c().h.dialogs.dropQueued();
               }});
        t.add({page + QStringLiteral("行 (grid)"), {"1", "2", "3"}, {}, 1,
               [tab, table](const Step& s) { gridRow(tab, table, s.choice + 1); }});
    }
    button("采集报警设置 › 保存设置 (Command29)", 3, [](F* f) { return f->inputTab->Command29; }, 1, nullptr,
           once("Command29", {code(0xA8, 0xF1, 26)}));
    button("采集报警设置 › 读取设置 (Command28)", 3, [](F* f) { return f->inputTab->Command28; }, 1, nullptr,
           once("Command28", {code(0xA8, 0xF2, 10)}));
    t.add({QStringLiteral("采集报警设置 › 采集周期 (TxtPeriod)"), {}, {"10", "99999"}, 1,
           [](const Step& s) { type(3, [](F* f) { return f->inputTab->TxtPeriod; }, s.text); }});

    // The channel editor (Form2) and the output-frame editor (Form3).
    t.add({QStringLiteral("采集报警设置 › 双击行 (Form2)"), {"1", "2", "3"}, {}, 3,
           [](const Step& s) { openForm2(s.choice + 1); }});
    t.add({QStringLiteral("Form2 › 确定"), {}, {}, 2, [](const Step&) { confirmEditor(true); }});
    t.add({QStringLiteral("Form2 › 取消"), {}, {}, 1, [](const Step&) {
               if (ChannelEditor* e = channelEditor()) e->Command1[1]->click();
           }});
    t.add({QStringLiteral("Form2 › 报警间隔 (TxtBJReTime)"), {}, {"60", "300"}, 1, [](const Step& s) {
               ChannelEditor* e = channelEditor();
               if (!e || !e->loaded()) return;
               BoxInput::put(e->TxtBJReTime, s.text, BoxInput::Way::Typed);
               c().form2.changed = true;
           }});
    t.add({QStringLiteral("Form2 › 短信报警号码 (ComboBJPhone)"), {"0", "1", "2"}, {}, 1, [](const Step& s) {
               ChannelEditor* e = channelEditor();
               if (!e || !e->loaded() || s.choice >= e->ComboBJPhone->count()) return;
               // The choice of numbers reads the phone table for its picker.
               c().ledger.allow(QStringLiteral("ComboBJPhone"), {code(0xD9, 1, 10)}, FrameLedger::Once);
               e->ComboBJPhone->setCurrentIndex(s.choice);
               emit e->ComboBJPhone->activated(s.choice);
               c().form2.changed = true;
           }});
    t.add({QStringLiteral("号码选择 (Form1)"), {"确定", "取消"}, {}, 1, [](const Step& s) {
               if (c().mainClosed) return;
               for (NumberPicker* p : c().h.main().findChildren<NumberPicker*>())
                   if (p->isVisible()) {
                       (s.choice == 0 ? p->Command1 : p->Command2)->click();
                       return;
                   }
           }});
    t.add({QStringLiteral("指令控设置制 › 双击输出数据 (Form3)"), {"1", "2", "3"}, {}, 3,
           [](const Step& s) { openForm3(s.choice + 1); }});
    t.add({QStringLiteral("Form3 › 确定"), {}, {}, 2, [](const Step&) { confirmEditor(false); }});
    t.add({QStringLiteral("Form3 › 取消"), {}, {}, 1, [](const Step&) {
               if (OutputFrameEditor* e = frameEditor()) e->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
           }});
    t.add({QStringLiteral("Form3 › 通信协议 (ComboXieYi)"), {"自定义", "Modbus RTU", "DCON"}, {}, 1, [](const Step& s) {
               OutputFrameEditor* e = frameEditor();
               if (!e || e->isLoading()) return;
               auto* box = e->findChild<QComboBox*>(QStringLiteral("ComboXieYi"));
               box->setCurrentIndex(s.choice);
               emit box->activated(s.choice);
               c().form3.changed = true;
           }});

    // The form and the program.
    t.add({QStringLiteral("标签 (SSTab1)"), {"基本设置", "短信测试", "其他设置", "采集报警设置", "指令控设置制"}, {}, 3,
           [](const Step& s) {
               if (!modalInTheWay()) onTab(s.choice);
           }});
    t.add({QStringLiteral("等待"), {"100 ms", "300 ms", "1 s", "2.1 s", "5 s", "12 s"}, {}, 6, [](const Step& s) {
               const int ms = QList<int>{100, 300, 1000, 2100, 5000, 12000}.at(s.choice);
               if (!c().vt.runFor(ms)) c().violation(QStringLiteral("never quiet: ") + c().vt.why());
           }});
    t.add({QStringLiteral("模块 › 通知 (FD)"), {"01 初始化完成", "02"}, {}, 1, [](const Step& s) {
               if (!c().sim().isRunning()) return;
               c().disturbed = c().refreshDisturbed = true;
               c().m->sendNotice(uint8_t(s.choice + 1));
           }});
    t.add({QStringLiteral("模块 › 断线"), {}, {}, 1, [](const Step&) {
               if (!c().sim().isRunning()) return;
               c().lineClosedByModule = true;
               c().userStops = true;
               c().sim().closeLine();
               c().settle();
               c().userStops = false;
           }});
    {
        const auto presets = RandomActions::fatePresets(req("FD 01"));
        QStringList names;
        for (const auto& p : presets) names << p.first;
        t.add({QStringLiteral("模块 › 下一个回答"), names, {}, 3,
               [presets](const Step& s) { c().fates << presets.value(s.choice).second; }});
    }
    t.add(RandomActions::nextBoxAction([] { return &c().h.dialogs; }));
    t.add({QStringLiteral("重新连接 (连接)"), {}, {}, 1, [](const Step&) { connectAgain(); }});
    t.add({QStringLiteral("关闭主窗口"), {}, {}, 1, [](const Step&) {
               if (c().mainClosed) return;
               c().mainClosed = true;
               c().userStops = true;
               c().h.main().close();
               c().settle();
           }});
    return t;
}

rc::Gen<Module> anyModule() {
    return rc::gen::build<Module>(rc::gen::set(&Module::workMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::transMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::subMode, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::passwordUse, rc::gen::inRange(0, 4)),
                                  rc::gen::set(&Module::power, rc::gen::inRange(0, 2)),
                                  rc::gen::set(&Module::inputRows, rc::gen::inRange(0, 5)),
                                  rc::gen::set(&Module::commandRows, rc::gen::inRange(0, 5)),
                                  rc::gen::set(&Module::contents, rc::gen::arbitrary<unsigned>()));
}

// The user ends what the form waits for: the editors and the picker are
// cancelled, a work-mode chain waiting for a choice gets one.
void finishOpenWork(Case& k) {
    if (k.mainClosed || !k.form()) return;
    // A connect still under way holds its dialog over the form: the user
    // answers the form once it is done.
    if (!k.mended.connectApart && (handshakeRunning() || modalInTheWay())) {
        k.transcript.note(QStringLiteral("   (waits until the connect is over)"));
        k.vt.runUntil([] { return !handshakeRunning() && !modalInTheWay(); }, 30000);
    }
    if (!k.form()) return;
    for (NumberPicker* p : k.h.main().findChildren<NumberPicker*>())
        if (p->isVisible()) p->Command2->click();
    if (ChannelEditor* e = channelEditor()) e->Command1[1]->click();
    if (OutputFrameEditor* e = frameEditor()) e->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    SettingsForm* f = k.form();
    // Only a list that still shows "无" is waited for; any other text the
    // chain must have dealt with by itself.
    const auto unchosen = [](QComboBox* b) { return b->currentText() == QStringLiteral("无"); };
    if (f && f->Timer1->running() && g::CommStep <= 1 && (unchosen(f->paramTab->Combo1) || unchosen(f->paramTab->Combo2))) {
        k.transcript.note(QStringLiteral("   (the work-mode chain waits for a choice: 主动方式, 格式传输)"));
        choose(0, [](SettingsForm* f) { return f->paramTab->Combo1; }, 0);
        choose(0, [](SettingsForm* f) { return f->paramTab->Combo2; }, 0);
    }
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
        // from. The line itself is not under test here: another test's line
        // may hold the pseudo-terminal's name a moment longer, or bytes of
        // the last case's line turn up on the new one; a fresh line then.
        std::unique_ptr<Case> made;
        QString why;
        for (int attempt = 0; attempt < 3 && !made; ++attempt) {
            made = std::make_unique<Case>(module, mended, transcript);
            g_case = made.get();
            why = made->open();
            if (why.isEmpty()) break;
            made.reset();
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

        if (k.violations.isEmpty()) {
            finishOpenWork(k);
            k.settle();
        }
        // Quiet: the line, and then whatever the form still runs by itself
        // (a transfer whose port a new connect closed times out on its own).
        if (k.violations.isEmpty() && !k.vt.runUntilLineQuiet(15000, 600000))
            k.violation(QStringLiteral("the line never went quiet: ") + k.vt.why());
        for (int round = 0; round < 2 && k.violations.isEmpty(); ++round) {
            if (!k.mainClosed && !k.vt.runUntil([] { return !chainRunning() && !handshakeRunning(); }, 60000) &&
                !k.vt.limitReached())
                k.violation(QStringLiteral("never quiet: ") + k.vt.why());
            if (k.violations.isEmpty() && !k.vt.runUntilLineQuiet(15000, 600000))
                k.violation(QStringLiteral("the line never went quiet: ") + k.vt.why());
        }
        k.settle();

        // 2: buttons as before, no timer left running.
        if (k.violations.isEmpty() && !k.mainClosed) {
            const QStringList running = RandomActions::runningTimers({&k.h.main()});
            if (!running.isEmpty()) k.violation(QStringLiteral("still running: ") + running.join(QStringLiteral(", ")));
            if (SettingsForm* f = k.form(); f && f->isVisible()) {
                const QStringList diff = RandomActions::differences(k.baseline, k.buttons());
                if (!diff.isEmpty()) k.violation(QStringLiteral("buttons: ") + diff.join(QStringLiteral("; ")));
            }
        }
        // A connect whose identify gave up before the module's type came (its
        // answers held back by a late one) leaves the dialog waiting: the user
        // connects once more.
        if (k.violations.isEmpty() && !k.mainClosed && k.form() && k.form()->connectUnderWay() && !handshakeRunning() &&
            k.sim().isRunning()) {
            k.transcript.note(QStringLiteral("   (the connect never identified the module: 取消, then 连接 once more)"));
            if (ConnectDialog* d = k.h.main().connectDialog(); d && d->isVisible() && !d->Command1[0]->isEnabled())
                d->Command1[1]->click();
            k.vt.settle();
            // The module answers on time from now on, as for the closing refresh.
            k.fates.clear();
            k.sim().clearFates();
            connectAgain();
            if (!k.vt.runUntil([&] { return !k.form() || (!handshakeRunning() && !chainRunning() && !k.form()->connectUnderWay()); },
                               60000))
                k.violation(QStringLiteral("the second connect never ended: ") + k.vt.why());
        }
        // 3: a clean refresh shows what the module holds.
        SettingsForm* f = k.form();
        if (k.violations.isEmpty() && !k.mainClosed && f && f->isVisible() && k.h.port().isOpen() &&
            k.sim().isRunning() && f->paramTab->Command8->isEnabled() && !modalInTheWay()) {
            k.transcript.note(QStringLiteral("» the closing refresh, every answer on time"));
            k.fates.clear();
            k.sim().clearFates();
            k.h.dialogs.setHoldPolicy(nullptr);
            k.allowRefresh();
            onTab(0);
            f->paramTab->Command8->click();
            if (!k.vt.runUntil([&] { return !k.form() || !k.form()->Timer2->running(); }, 20000))
                k.violation(QStringLiteral("the closing refresh never ended: ") + k.vt.why());
            else if (k.form())
                for (const QString& d : k.labelDifferences()) k.violation(QStringLiteral("closing refresh: ") + d);
        }
        for (const QString& o : k.h.dialogs.orphanedBoxes()) k.violation(QStringLiteral("a box outlived its window: ") + o);
        if (qEnvironmentVariableIsSet("SMSTOOLS_RANDOM_SHOW")) qInfo("%s\n", qPrintable(k.transcript.text()));
        if (!k.violations.isEmpty()) RC_FAIL(k.violations.join(QStringLiteral("\n")).toStdString());
    };
    SMS_RANDOM_ACTIONS("random actions on Varnel's settings form and its editors", 5000, 20, property,
                       [&] { return transcript.text(); });
    qInfo("%d sequences", sequences);
}

QTEST_MAIN(TestRandomActions)
#include "tst_random_actions.moc"
