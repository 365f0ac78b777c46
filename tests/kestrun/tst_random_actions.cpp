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
// SMSTOOLS_PROPERTY_CASES / _SECONDS / _SEED and RC_PARAMS work as for every
// property (tests/support/Property.h); the test command walks a fixed set
// of sequences (cmake/Sms.cmake), scripts/fuzz.sh --long fresh ones.

#include <QAction>
#include <QCheckBox>
#include <QRadioButton>

#include "KestrunRandomCase.h"
#include "core/NumberPicker.h"
#include "kestrun/settings/PhoneTab.h"
#include "kestrun/settings/TestTab.h"
#include "platform/FlexGrid.h"
#include "tests/support/BoxInput.h"

using RandomActions::ActionTable;
using RandomActions::FrameLedger;
using RandomActions::Step;
using namespace KestrunRandom;

namespace {

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
