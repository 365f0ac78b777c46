// The GPRS settings form: the read sequence, the writes and their chains,
// refusals and a closed port, end to end against the simulated module.

#include "GprsHarness.h"
#include "tests/support/VirtualTime.h"
#include "tests/support/WriteTimes.h"
#include <QFileInfo>
#include <QGroupBox>

#include "platform/Controls.h"

class TestGprsSettings : public QObject {
    Q_OBJECT
private slots:
    void readSequenceFollowsTheModule();
    void readSequenceWithPowerSavingAndSilence();
    void strayF5AndAnswersDuringANotice();
    void writeChains();
    void identityAndTargetAddresses();
    void dataCentreSilenceTimesOut();
    void workModeChain();
    void refusalsSendNothing();
    void closedPortSendsNothing();
    void goneDeviceIsNamedByWhatWouldOpenIt_data();
    void goneDeviceIsNamedByWhatWouldOpenIt();
    void readThenWriteSendsWhatWasRead_data();
    void readThenWriteSendsWhatWasRead();
    void noticeDuringTheReadSequence();
    void chainBeforeTheTimedRefreshKeepsTheButtons();
    void lateReadAnswerLeavesAWriteChainAlone();
    void twoThingsAtOnce_data();
    void twoThingsAtOnce();
    void identityWriteOverIsNotSentByANotice_data();
    void identityWriteOverIsNotSentByANotice();
    void identityResultEndsTheWaitWhileItIsRead_data();
    void identityResultEndsTheWaitWhileItIsRead();
};

void TestGprsSettings::readSequenceFollowsTheModule() {
    GprsHarness h;
    h.sim().identity.transMode = 1;  // active, formatted, no power saving
    // The read sequence runs on the form's timers alone: a second after
    // opening, then a request every 400 ms.
    WriteTimes writes(h.port(), {0, 700, 700, 700, 700, 700, 700});
    QVERIFY(h.openForm(1, false));
    QVERIFY(h.fixture.waitForRequests(1, 3000));
    QVERIFY2(writes.gapMs(0) >= 1000, qPrintable(QString::number(writes.gapMs(0))));
    QVERIFY(!h.button(4)->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 8000));
    QCOMPARE(h.requestsFrom(0),
             (QStringList{hex(h.frame("F4 03")), hex(h.frame("EC 03")), hex(h.frame("F6 03")),
                          hex(h.frame("E4 03")), hex(h.frame("D3 03")), hex(h.frame("F8 03")),
                          hex(h.frame("F9 03"))}));
    // Counted from the opening, not from the request before: each tick
    // restarts its timer before it writes, and a busy machine can hold the
    // thread between the two, so one gap alone may come out short.
    for (int i = 1; i < 7; ++i)
        QVERIFY2(writes.atMs(i) >= 1000 + i * 400 - 20, qPrintable(QString::number(writes.atMs(i))));
    QCOMPARE(writes.late(), QList<int>{});
    QCOMPARE(h.label1(0), QStringLiteral("1A:05:"));
    QCOMPARE(h.text("Text2"), QStringLiteral("1"));
    QCOMPARE(h.text("Text3"), QStringLiteral("A05"));
    QCOMPARE(h.label1(9), QStringLiteral("N320 V4.02 "));
    QCOMPARE(h.label1(3), QStringLiteral("300秒"));
    QCOMPARE(h.text("Text4"), QStringLiteral("300"));
    QCOMPARE(h.f<QLabel>("Label5")->text(), QStringLiteral("5"));
    QCOMPARE(h.f<QLabel>("Label7")->text(), QStringLiteral("无省电"));
    QCOMPARE(h.label1(4), QStringLiteral("主动方式"));
    QCOMPARE(h.label1(5), QStringLiteral("格式传输"));
    QCOMPARE(h.f<QComboBox>("Combo1")->currentText(), QStringLiteral("主动方式"));
    QVERIFY(!g::GprsParamMode);
    QCOMPARE(g::GprsParamStep, 100);
    QTest::qWait(500);
    QCOMPARE(h.sim().requests().size(), 7);
    QCOMPARE(h.dialogs.messageCount(), 0);
}

void TestGprsSettings::readSequenceWithPowerSavingAndSilence() {
    GprsHarness h;
    h.module->powerSaving = 1;
    h.module->idleUnits = 1;
    h.module->dataUnits = 10;
    h.module->heartbeat = 65535;
    h.sim().identity.workMode = 0;  // passive, transparent: E2, F3, FB follow
    h.module->subMode = 1;
    QVERIFY(h.openForm(1));
    QTest::mouseClick(h.button(4), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 9000));
    QStringList codes;
    for (const QString& r : h.requestsFrom(0)) codes << r.mid(24, 2);
    QCOMPARE(codes, (QStringList{"F4", "EC", "F6", "E4", "D3", "D2", "DB", "F8", "E2", "F9", "F3", "FB"}));
    QCOMPARE(h.f<QLabel>("Label8")->text(), QStringLiteral(".4s   4s"));
    QCOMPARE(h.text("Text4"), QStringLiteral("65535"));
    QCOMPARE(h.text("Text1(4)"), QStringLiteral("31:32:"));
    QCOMPARE(h.label1(6), QStringLiteral("方式1"));
    QCOMPARE(h.label1(4), QStringLiteral("被动方式"));

    // A request left unanswered ends the sequence 400 ms later.
    h.module->muted.insert(0xE4);
    const int from = h.sim().requests().size();
    WriteTimes writes(h.port());
    Deadline endsInTime(900, [&] { return h.allButtonsEnabled(); });
    int e4 = -1;
    QObject::connect(&h.port(), &CommPort::frameWritten, &endsInTime, [&](const QByteArray& w) {
        if (e4 < 0 && w == h.frame("E4 03")) {
            e4 = writes.count() - 1;
            endsInTime.start();
        }
    });
    QTest::mouseClick(h.button(4), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequest(h.frame("E4 03"), from) >= 0);
    QVERIFY(!h.allButtonsEnabled());
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 5000));
    QVERIFY2(writes.nowMs() - writes.atMs(e4) >= 300, qPrintable(QString::number(writes.nowMs() - writes.atMs(e4))));
    QVERIFY(endsInTime.met());
    QCOMPARE(h.sim().requests().size(), from + 4);
    QCOMPARE(h.f<QLabel>("Label5")->text(), QStringLiteral("**"));
    QVERIFY(h.dialogs.lastText().startsWith(QStringLiteral("模块没有回答，参数没有全部读出")));
}

void TestGprsSettings::strayF5AndAnswersDuringANotice() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    g::GprsParamMode = true;
    h.sim().send(h.frame("F5 00 01 02 03 04 05 06 07 08"));
    h.sim().send(h.frame("F6 00 01 2C"));
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text4") == "300" && h.label1(3) == "300秒"; }, 2000));
    h.setText("Text4", "1");

    // The module speaks while the notice is open: its answer is read.
    Dialogs::Handler* recorder = Dialogs::handler();
    Dialogs::Handler during;
    QStringList shown;
    during.message = [&](const Dialogs::Message& m) {
        shown << m.text;
        h.sim().send(h.frame("F6 00 00 2A"));
        QTest::qWait(300);
        return Dialogs::Answer::Ok;
    };
    Dialogs::setHandler(&during);
    h.module->sendNotice(0x01);
    QVERIFY(QTest::qWaitFor([&] { return h.text("Text4") == "42"; }, 3000));
    Dialogs::setHandler(recorder);
    QCOMPARE(shown, QStringList{QStringLiteral("模块初始化已经完成，您可以接收和发射数据了")});
    QCOMPARE(g::RxState, 0);
}

void TestGprsSettings::writeChains() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    h.setText("Text4", "300");
    h.setText("Text10", "7");
    WriteTimes writes(h.port(), {400, 1300});
    QTest::mouseClick(h.button(2), Qt::LeftButton);
    QVERIFY(!h.button(4)->isEnabled());
    QVERIFY(h.fixture.waitForRequests(2, 3000));
    QCOMPARE(h.requestsFrom(0), (QStringList{hex(h.frame("F6 01 01 2C")), hex(h.frame("E4 01 07"))}));
    // A second from the click (F6 went out early: its deadline), not from
    // F6's write, which a busy machine may hold after the timer's restart.
    QVERIFY2(writes.atMs(1) >= 980, qPrintable(QString::number(writes.atMs(1))));
    QCOMPARE(writes.late(), QList<int>{});
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 5000));
    QCOMPARE(h.module->heartbeat, 300);

    // Power saving on, mode 1, 1200 ms and 10400 ms.
    h.setText("Text11", "1200");
    h.f<QRadioButton>("Option7")->click();
    h.setText("Text12", "10400");
    QTest::mouseClick(h.button(9), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(5, 4000));
    QCOMPARE(h.requestsFrom(2), (QStringList{hex(h.frame("D3 01 01")), hex(h.frame("DB 01 00 00 00 00")),
                                             hex(h.frame("D2 01 00 03 00 1A"))}));
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 2000));
    // Without power saving only D3 goes out.
    Controls::setValueQuiet(h.f<QRadioButton>("Option4"), true);
    QTest::mouseClick(h.button(9), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 3000));
    QCOMPARE(h.requestsFrom(5), (QStringList{hex(h.frame("D3 01 00"))}));

    // Passive address and rate.
    h.setText("Text9", "5");
    QTest::mouseClick(h.button(11), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequest(h.frame("E2 01 30 35"), 6) >= 0);
    QTest::mouseClick(h.button(8), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequest(h.frame("F2 01 06"), 7) >= 0);
}

void TestGprsSettings::identityAndTargetAddresses() {
    GprsHarness h;
    QVERIFY(h.openForm(0));
    h.setText("Text2", "A");
    h.setText("Text3", "0F3");
    h.module->identityDelayMs = 300;
    QTest::mouseClick(h.button(0), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(1));
    QCOMPARE(h.requestsFrom(0), QStringList{hex(h.frame("F4 01 A0 F3"))});
    QPointer<DataCentreWaitDialog> wait = h.form()->dataCentreWait();
    QVERIFY(wait && wait->isVisible() && wait->isModal());
    QVERIFY(h.dialogs.waitForMessage(1, 3000));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("模块身份地址设置成功"));
    QCOMPARE(h.dialogs.messages().last().title, QStringLiteral("系统提示"));
    QVERIFY(QTest::qWaitFor([&] { return wait.isNull(); }, 1000));
    QVERIFY(!g::GprsSlaveSetPending);

    // Taken: Yes forces the write; the wait closes without a second one.
    h.module->identityResults = {0x08};
    h.dialogs.queueAnswer(Dialogs::Answer::Yes);
    QTest::mouseClick(h.button(0), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(3, 3000));
    QCOMPARE(h.requestsFrom(1), (QStringList{hex(h.frame("F4 01 A0 F3")), hex(h.frame("F4 02 A0 F3"))}));
    QCOMPARE(h.dialogs.messages()[1].text, QStringLiteral("您设置的身份地址已经被占用，要替换它吗？"));
    QVERIFY(QTest::qWaitFor([&] { return !h.form()->dataCentreWait(); }, 1000));
    QVERIFY(h.dialogs.waitForMessage(3, 3000));  // the forced write's own result
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("模块身份地址设置成功"));

    // A two-digit station is refused.
    h.setText("Text3", "0F");
    QTest::mouseClick(h.button(0), Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("您输入站点号错误，站点号是 3 位"));

    h.setText("Text8", "1");
    h.setText("Text1(0)", "234");
    QTest::mouseClick(h.button(6), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequest(h.frame("F3 01 12 34"), 3) >= 0);
    QTest::qWait(200);
    QCOMPARE(h.sim().requests().size(), 4);
}

void TestGprsSettings::dataCentreSilenceTimesOut() {
    GprsHarness h;
    QVERIFY(h.openForm(0));
    h.module->muted.insert(0xF4);
    QTest::mouseClick(h.button(0), Qt::LeftButton);
    QPointer<DataCentreWaitDialog> wait = h.form()->dataCentreWait();
    QVERIFY(wait);
    QVERIFY(g::GprsSlaveSetPending);
    // Only its timer or the answer ends the wait: not Escape, not the close box.
    QTest::keyClick(wait, Qt::Key_Escape);
    wait->close();
    QVERIFY(wait && wait->isVisible());
    QVERIFY(QTest::qWaitFor([&] { return wait->Label1->text() == ">>"; }, 2000));
    // The marks grow to 30 and start again; the 180th tick gives up.
    QStringList seen;
    QObject::connect(wait->Timer1, &VbTimer::tick, [&] { seen << wait->Label1->text(); });
    wait->Timer1->rearm(2);
    QVERIFY(QTest::qWaitFor([&] { return wait.isNull(); }, 5000));
    QVERIFY(seen.contains(QString(30, QLatin1Char('>'))));
    QVERIFY(!seen.contains(QString(31, QLatin1Char('>'))));
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("连接超时，可能是网络忙。请少后再试"));
    QCOMPARE(h.dialogs.messages()[0].title, QStringLiteral("网络出错！"));
    // The write is given up: a later notice of the module's restart does
    // not send it again with whatever the boxes hold by then.
    QVERIFY(!g::GprsSlaveSetPending);
    h.module->muted.clear();
    h.setText("Text3", "C99");
    h.module->sendNotice(0x03);
    QTest::qWait(500);
    QCOMPARE(h.requestsFrom(0), (QStringList{hex(h.frame("F4 01 00 00"))}));
    QVERIFY(!h.form()->dataCentreWait());
}

void TestGprsSettings::workModeChain() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    auto* c1 = h.f<QComboBox>("Combo1");
    auto* c2 = h.f<QComboBox>("Combo2");
    auto* c3 = h.f<QComboBox>("Combo3");
    auto* c4 = h.f<QComboBox>("Combo4");
    // Active with no transmission mode: refused, every button back.
    Controls::setListIndexAndClick(c1, 0);
    QCOMPARE(c3->count(), 2);
    QTest::mouseClick(h.button(10), Qt::LeftButton);
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("模块设置时参数不全"));
    QVERIFY(h.allButtonsEnabled());

    // Transparent, 方式2, ASCII: F8, F9, FB, E1 a second apart.
    Controls::setListIndexAndClick(c2, 1);
    Controls::setListIndexAndClick(c3, 1);
    QVERIFY(c4->isEnabled());
    Controls::setListIndexAndClick(c4, 0);
    QCOMPARE(h.text("Text6"), QStringLiteral("1"));
    QTest::mouseClick(h.button(10), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 6000));
    QCOMPARE(h.requestsFrom(0), (QStringList{hex(h.frame("F8 01 01")), hex(h.frame("F9 01 00")),
                                             hex(h.frame("FB 01 00")), hex(h.frame("E1 01 01 01 01 00"))}));

    // 格式传输 greys the layout out and sends F8 and F9 only.
    Controls::setListIndexAndClick(c2, 0);
    QVERIFY(!c4->isEnabled());
    QCOMPARE(c3->currentText(), QStringLiteral("无"));
    QTest::mouseClick(h.button(10), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 5000));
    QCOMPARE(h.requestsFrom(4), (QStringList{hex(h.frame("F8 01 01")), hex(h.frame("F9 01 01"))}));

    // A passive module with nothing chosen below, or no work mode chosen:
    // refused before anything goes out, every button back.
    Controls::setListIndexAndClick(c1, 1);
    c2->setCurrentIndex(-1);
    c2->setEditText(QStringLiteral("无"));
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            c1->setCurrentIndex(-1);
            c1->setEditText(QStringLiteral("无"));
        }
        const int messages = h.dialogs.messageCount();
        QTest::mouseClick(h.button(10), Qt::LeftButton);
        QCOMPARE(h.dialogs.messageCount(), messages + 1);
        QCOMPARE(h.dialogs.lastText(), QStringLiteral("模块设置时参数不全"));
        QVERIFY(h.allButtonsEnabled());
    }
    QTest::qWait(1200);
    QCOMPARE(h.requestsFrom(6), QStringList());
}

void TestGprsSettings::refusalsSendNothing() {
    struct Case {
        const char* box;
        const char* value;
        int button;
    };
    // An empty box; a value it does not take is refused by name (tst_gprs_input).
    const Case cases[] = {{"Text9", "", 11}, {"Text10", "", 2}, {"Text4", "", 2}, {"Text12", "", 9}};
    for (const Case& c : cases) {
        GprsHarness fresh;
        QVERIFY(fresh.openForm(1));
        fresh.setText(c.box, c.value);
        QTest::mouseClick(fresh.button(c.button), Qt::LeftButton);
        QCOMPARE(fresh.dialogs.lastText(), QStringLiteral("模块设置时参数不全"));
        QCOMPARE(fresh.dialogs.messages().last().title, QStringLiteral("系统提示"));
        QTest::qWait(150);
        QVERIFY2(fresh.sim().requests().isEmpty(), c.box);
        QVERIFY2(fresh.allButtonsEnabled(), c.box);
    }
}

void TestGprsSettings::closedPortSendsNothing() {
    GprsHarness h;
    QVERIFY(h.openForm(1));
    h.port().close();
    h.setText("Text1(0)", "234");
    h.setText("Text9", "5");
    h.setText("Text10", "7");
    h.setText("Text11", "1200");
    h.setText("Text12", "10400");
    h.f<QRadioButton>("Option7")->click();
    QTest::mouseClick(h.button(6), Qt::LeftButton);   // target
    QTest::mouseClick(h.button(8), Qt::LeftButton);   // rate
    QTest::mouseClick(h.button(11), Qt::LeftButton);  // passive address
    QTest::mouseClick(h.button(2), Qt::LeftButton);   // heartbeat chain
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 1000));
    QTest::mouseClick(h.button(9), Qt::LeftButton);  // power-saving chain
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 1000));
    QTest::qWait(1200);
    QVERIFY(!h.port().isOpen());
    QVERIFY(h.sim().requests().isEmpty());
    QCOMPARE(h.dialogs.messageCount(), 0);
    // The read sequence opens the port itself.
    QTest::mouseClick(h.button(4), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(1, 2000));
    QVERIFY(h.port().isOpen());
    QCOMPARE(h.requestsFrom(0).value(0), hex(h.frame("F4 03")));
}

void TestGprsSettings::goneDeviceIsNamedByWhatWouldOpenIt_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("forced");  // gone after the Yes to replacing a taken address
    QTest::newRow("参数刷新") << 4 << false;
    QTest::newRow("身份地址设置") << 0 << false;
    QTest::newRow("身份地址替换") << 0 << true;
    QTest::newRow("工作方式") << 10 << false;
    QTest::newRow("心跳时间") << 2 << false;
    QTest::newRow("省电") << 9 << false;
    QTest::newRow("目标地址") << 6 << false;
    QTest::newRow("波特率") << 8 << false;
    QTest::newRow("被动方式地址") << 11 << false;
}

// The module's line went away and its device with it: a request pressed
// then (or the forced identity write due then) opens the port again (a port
// closed plainly stays closed for the writes), and says which device is
// missing instead of ending unseen.
void TestGprsSettings::goneDeviceIsNamedByWhatWouldOpenIt() {
    QFETCH(int, button);
    QFETCH(bool, forced);
    VirtualTime vt;
    GprsHarness h;
    vt.watchLine(&h.port(), &h.sim());
    QVERIFY(h.openForm(0));
    h.setText("Text2", "A");
    h.setText("Text3", "0F3");
    for (const auto& [box, text] : {std::pair{"Text1(0)", "234"}, {"Text9", "5"}, {"Text10", "7"}, {"Text11", "1200"},
                                    {"Text12", "10400"}})
        h.setText(box, text);
    h.f<QRadioButton>("Option7")->click();
    for (const char* list : {"Combo1", "Combo2"}) h.f<QComboBox>(list)->setCurrentIndex(0);
    if (forced) {
        h.module->identityResults = {0x08};
        h.dialogs.queueAnswer(Dialogs::Answer::Yes);
        h.button(button)->click();
        QVERIFY(vt.runUntil([&] { return h.timer("Timer3")->enabled(); }, 3000));
    }
    h.sim().closeLine();
    QVERIFY(vt.runUntil([&] { return h.dialogs.messageCount() >= 1 + forced && !h.port().isOpen(); }, 1000));
    // As a pulled adapter's, the port's link names a device that is gone.
    const QString gone = h.sim().slavePath();
    QVERIFY(!QFileInfo::exists(gone));

    if (!forced) h.button(button)->click();
    QVERIFY2(vt.runFor(3000), qPrintable(vt.why()));
    QVERIFY(h.allButtonsEnabled() && !h.timer("Timer2")->running() && !h.form()->dataCentreWait());
    QVERIFY2(h.dialogs.messageCount() == 2 + forced, qPrintable(h.dialogs.describe()));
    QCOMPARE(h.dialogs.messages().at(1).title, QStringLiteral("端口错误"));
    QVERIFY2(h.dialogs.lastText().contains(QStringLiteral("COM1（%1）").arg(gone)),
             qPrintable(h.dialogs.lastText()));
}

namespace {
// "work=0 layout=05020A00 ...": numbers in decimal, byte strings in hex.
void holdInModule(GprsHarness& h, const QString& spec) {
    SimGprs& m = *h.module;
    for (const QString& item : spec.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0), value = item.section(QLatin1Char('='), 1);
        const int n = value.toInt();
        if (key == "work") h.sim().identity.workMode = uint8_t(n);
        if (key == "trans") h.sim().identity.transMode = uint8_t(n);
        if (key == "sub") m.subMode = uint8_t(n);
        if (key == "layout") m.layout = QByteArray::fromHex(value.toLatin1());
        if (key == "passive") m.passiveAddress = QByteArray::fromHex(value.toLatin1());
    }
}
}  // namespace

void TestGprsSettings::readThenWriteSendsWhatWasRead_data() {
    QTest::addColumn<QString>("module");
    QTest::addColumn<int>("formMode");
    QTest::addColumn<int>("button");
    QTest::newRow("address layout") << "work=1 trans=0 sub=0 layout=05020A00" << 1 << 10;
    QTest::newRow("passive address") << "work=0 trans=1 passive=3132" << 1 << 11;
}

void TestGprsSettings::readThenWriteSendsWhatWasRead() {
    QFETCH(QString, module);
    QFETCH(int, formMode);
    QFETCH(int, button);
    GprsHarness h;
    holdInModule(h, module);
    QVERIFY(h.openForm(formMode, false));
    QVERIFY(h.fixture.waitForRequests(1, 3000));
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled() && g::GprsParamStep == 100; }, 9000));
    const QString before = h.holds();
    const int from = h.sim().requests().size();
    QTest::mouseClick(h.button(button), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor(
        [&] {
            return h.sim().requests().size() > from && h.allButtonsEnabled() && !h.form()->dataCentreWait() &&
                   !h.timer("Timer1")->enabled() && !h.timer("Timer4")->enabled() &&
                   !h.timer("Timer5")->enabled();
        },
        8000));
    QTest::qWait(100);
    QVERIFY2(h.dialogs.messageCount() == 0 || h.dialogs.lastText() == QStringLiteral("模块身份地址设置成功"),
             qPrintable(h.dialogs.describe()));
    QCOMPARE(h.holds(), before);
    // The display's captions stand without a colon.
    QStringList captions;
    for (auto* l : h.f<QGroupBox>("Frame5")->findChildren<QLabel*>())
        if (l->objectName().isEmpty()) captions << l->text();
    QVERIFY(captions.contains(QStringLiteral("模块身份地址")));
    for (const QString& c : captions) QVERIFY2(!c.endsWith(QStringLiteral("：")), qPrintable(c));
}

void TestGprsSettings::noticeDuringTheReadSequence() {
    GprsHarness h;
    h.sim().identity.transMode = 1;  // active, formatted: seven reads
    QVERIFY(h.openForm(1));
    // The notice stays open until the read sequence is over.
    Dialogs::Handler* recorder = Dialogs::handler();
    Dialogs::Handler during;
    during.message = [&](const Dialogs::Message&) {
        (void)QTest::qWaitFor([&] { return g::GprsParamStep == 100 && h.allButtonsEnabled(); }, 8000);
        return Dialogs::Answer::Ok;
    };
    Dialogs::setHandler(&during);
    QTest::mouseClick(h.button(4), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(1, 2000));
    h.module->sendNotice(0x01);
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 9000));
    Dialogs::setHandler(recorder);
    QCOMPARE(h.requestsFrom(0).size(), 7);
    QCOMPARE(h.label1(3), QStringLiteral("300秒"));
}

void TestGprsSettings::chainBeforeTheTimedRefreshKeepsTheButtons() {
    // The power-saving chain pressed as the form opens outlasts the form's
    // own read sequence's start: that read sends nothing into the chain,
    // and every button, 退出 included, comes back.
    GprsHarness h;
    QVERIFY(h.openForm(1, false));
    QVERIFY(h.timer("Timer6")->enabled() && h.allButtonsEnabled());
    h.setText("Text11", "1200");
    h.f<QRadioButton>("Option7")->click();
    h.setText("Text12", "10400");
    QTest::mouseClick(h.button(9), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !h.timer("Timer6")->enabled(); }, 6000));
    QVERIFY(QTest::qWaitFor([&] { return !h.timer("Timer5")->enabled() && !h.timer("Timer2")->enabled(); }, 9000));
    // The read sequence follows the chain.
    QCOMPARE(h.requestsFrom(0).mid(0, 4), (QStringList{hex(h.frame("D3 01 01")), hex(h.frame("DB 01 00 00 00 00")),
                                                       hex(h.frame("D2 01 00 03 00 1A")), hex(h.frame("F4 03"))}));
    QVERIFY(h.allButtonsEnabled());
}

void TestGprsSettings::lateReadAnswerLeavesAWriteChainAlone() {
    // An identity write leaves the configuration answers read; a read
    // answer that comes late, in the middle of the heartbeat chain, chooses
    // no step of it: the chain still sends E4 and gives the buttons back.
    GprsHarness h;
    QVERIFY(h.openForm(1));
    g::GprsParamMode = true;
    h.setText("Text10", "7");
    QTest::mouseClick(h.button(2), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(1, 3000));
    h.sim().send(h.frame("EC 00") + "ABCDEFGHIJK");
    QVERIFY(h.fixture.waitForRequests(2, 3000));
    QCOMPARE(h.requestsFrom(0), (QStringList{hex(h.frame("F6 01 01 2C")), hex(h.frame("E4 01 07"))}));
    QVERIFY(QTest::qWaitFor([&] { return h.allButtonsEnabled(); }, 2000));
    QCOMPARE(h.label1(9), QStringLiteral("ABCDEFGHIJK"));
}

namespace {

// What the module and the installer do at once, each on the virtual clock;
// a row returns what went wrong, or nothing.
struct Rig {
    VirtualTime time;
    GprsHarness h;
    Rig() { time.watchLine(&h.port(), &h.sim()); }
    bool idle() {
        for (const char* t : {"Timer1", "Timer2", "Timer3", "Timer4", "Timer5", "Timer6", "Timer7", "passiveWait"})
            if (VbTimer* timer = h.timer(t); timer && timer->enabled()) return false;
        return h.allButtonsEnabled() && !h.form()->dataCentreWait();
    }
    bool settle() { return time.runUntil([&] { return idle(); }, 200000) && time.runUntilLineQuiet(1000, 20000); }
    QString codes(int from = 0) {
        QStringList out;
        for (const QString& r : h.requestsFrom(from)) out << r.mid(24, 5);
        return out.join(QLatin1Char(' '));
    }
    QString report(const QString& what) {
        return what + QStringLiteral("\nrequests: ") + codes() + QStringLiteral("\nmodule: ") + h.holds() +
               QStringLiteral("\n") + h.dialogs.describe();
    }
    // The identity write pressed within the second before the form's own
    // read sequence.
    void writeIdentityAtOnce() {
        h.setText(QStringLiteral("Text2"), QStringLiteral("2"));
        h.setText(QStringLiteral("Text3"), QStringLiteral("B07"));
        h.button(0)->click();
    }
};

using Scenario = QString (*)(Rig&);
const std::pair<const char*, Scenario> kScenarios[] = {
    {"identity write, taken, forced with what was typed",
     [](Rig& r) {
         r.h.module->identityResults = {0x08};
         r.h.module->identityDelayMs = 3000;
         r.h.openForm(0, false);
         r.h.dialogs.queueAnswer(Dialogs::Answer::Yes);
         r.writeIdentityAtOnce();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         const QStringList sent = r.h.requestsFrom(0);
         const bool ok = sent.contains(hex(r.h.frame("F4 02 2B 07"))) && r.h.text("Text3") == QStringLiteral("B07") &&
                         r.h.module->identityAddress == fromHex("2B 07") &&
                         r.h.dialogs.lastText() == QStringLiteral("模块身份地址设置成功");
         return ok ? QString() : r.report(QStringLiteral("Text2/Text3 %1/%2").arg(r.h.text("Text2"), r.h.text("Text3")));
     }},
    {"identity written, its result read though the form's own read sequence is due",
     [](Rig& r) {
         r.h.module->identityDelayMs = 8000;
         r.h.openForm(0, false);
         r.writeIdentityAtOnce();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         // The read sequence runs after the write, and reads the new address.
         const bool ok = r.h.dialogs.describe().contains(QStringLiteral("模块身份地址设置成功")) &&
                         !r.h.dialogs.describe().contains(QStringLiteral("连接超时")) &&
                         r.h.label1(0) == QStringLiteral("2B:07:");
         return ok ? QString() : r.report(QStringLiteral("Label1(0) ") + r.h.label1(0));
     }},
    {"forced identity write unanswered ends with the time-out's word",
     [](Rig& r) {
         r.h.module->identityResults = {0x08};
         QObject::connect(&r.h.sim(), &ModuleSim::requestReceived, &r.h.sim(), [&r](const QByteArray& q) {
             if (q.size() >= 12 && uint8_t(q.at(8)) == 0xF4 && uint8_t(q.at(9)) == 0x01) r.h.module->muted.insert(0xF4);
         }, Qt::QueuedConnection);
         r.h.openForm(0, true);
         r.h.dialogs.queueAnswer(Dialogs::Answer::Yes);
         r.writeIdentityAtOnce();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         const bool ok = r.h.dialogs.lastText() == QStringLiteral("连接超时，可能是网络忙。请少后再试") &&
                         !g::GprsSlaveSetPending;
         return ok ? QString() : r.report(QStringLiteral("pending %1").arg(g::GprsSlaveSetPending));
     }},
    {"power saving turned on, wake settings never read",
     [](Rig& r) {
         r.h.module->idleUnits = 3;
         r.h.module->dataUnits = 7;
         r.h.module->wakeMode = 1;
         r.h.openForm(1, false);
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         const int from = int(r.h.sim().requests().size()), messages = r.h.dialogs.messageCount();
         r.h.f<QRadioButton>("Option3")->click();
         r.h.button(9)->click();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         const bool ok = r.h.dialogs.messageCount() == messages + 1 && r.h.requestsFrom(from).isEmpty();
         return ok ? QString() : r.report(QStringLiteral("power saving on"));
     }},
    {"heartbeat pressed before the form's own read sequence",
     [](Rig& r) {
         r.h.module->restartCount = 3;
         r.h.openForm(1, false);
         r.time.runFor(300);
         r.h.button(2)->click();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         // Refused for the count never read; the read sequence runs all the same.
         const bool ok = r.h.module->restartCount == 3 && r.h.dialogs.messageCount() == 1 &&
                         r.h.f<QLabel>("Label5")->text() == QStringLiteral("3");
         return ok ? QString() : r.report(QStringLiteral("Label5 ") + r.h.f<QLabel>("Label5")->text());
     }},
    {"a chain pressed before the form's own read sequence delays it",
     [](Rig& r) {
         r.h.openForm(1, false);
         r.time.runFor(300);
         r.h.setText(QStringLiteral("Text10"), QStringLiteral("7"));
         r.h.button(2)->click();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         return r.codes() == QStringLiteral("F6 01 E4 01 F4 03 EC 03 F6 03 E4 03 D3 03 F8 03 F9 03 F3 03 FB 03")
                    ? QString()
                    : r.report(QStringLiteral("order"));
     }},
    {"passive address never read",
     [](Rig& r) {
         r.h.module->passiveAddress = QByteArray("57");
         r.h.openForm(1, false);
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         auto* combo1 = r.h.f<QComboBox>("Combo1");
         combo1->setCurrentIndex(1);
         emit combo1->activated(1);
         const int from = int(r.h.sim().requests().size());
         r.h.button(11)->click();
         r.time.runFor(500);
         const bool ok = r.h.requestsFrom(from).isEmpty() && r.h.dialogs.messageCount() == 1;
         return ok ? QString() : r.report(QStringLiteral("E2 written from the design text"));
     }},
    {"a memory check pressed while a passive read's answer comes",
     [](Rig& r) {
         r.h.sim().identity.workMode = 0;
         r.h.peer->inbox = QByteArray("HELLO");
         r.h.openForm(1, false);
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         r.h.sim().behaviour.delayMs = 150;
         r.h.button(3)->click();
         r.time.runFor(50);
         r.h.button(7)->click();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         // The read's message is shown; the check waits for the read's answer.
         r.h.button(7)->click();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         const bool ok = r.h.text("Text1(2)").contains(QStringLiteral("48:45:4C:4C:4F:")) &&
                         r.h.text("Text1(3)").count(QStringLiteral("接收  21:31:32:")) == 1;
         return ok ? QString() : r.report(r.h.text("Text1(3)"));
     }},
    {"the receive display during a read sequence's split answer",
     [](Rig& r) {
         r.h.sim().identity.workMode = 0;
         r.h.peer->inbox = QByteArray("HELLO");
         r.h.sim().setFatePolicy([](const QByteArray& a) {
             if (a.size() > 9 && uint8_t(a.at(8)) == 0xF4 && uint8_t(a.at(9)) == 0x03) return ModuleSim::Fate::split(2, 100);
             return ModuleSim::Fate::onTime();
         });
         r.h.openForm(1, true);
         r.h.setText(QStringLiteral("Text1(4)"), QStringLiteral("31:32:"));
         g::WorkModeByte[0] = 0;
         r.h.button(3)->click();
         r.time.runFor(50);
         r.h.button(4)->click();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         const bool ok = r.h.label1(0) == QStringLiteral("1A:05:") && r.h.label1(4) == QStringLiteral("被动方式") &&
                         r.h.text("Text1(2)").contains(QStringLiteral("48:45:4C:4C:4F:"));
         return ok ? QString() : r.report(QStringLiteral("Label1(0) ") + r.h.label1(0));
     }},
    {"a late answer and the next read sequence",
     [](Rig& r) {
         r.h.sim().identity.transMode = 1;
         r.h.sim().behaviour.delayMs = 250;
         bool late = false;
         r.h.sim().setFatePolicy([&late](const QByteArray& a) {
             if (!late && a.size() > 8 && uint8_t(a.at(8)) == 0xE4) {
                 late = true;
                 return ModuleSim::Fate::late(650);
             }
             return ModuleSim::Fate::onTime();
         });
         r.h.openForm(1, true);
         r.h.button(4)->click();
         if (!r.time.runUntil([&] { return r.idle(); }, 60000)) return r.report(QStringLiteral("never idle"));
         const bool told = r.h.dialogs.lastText().startsWith(QStringLiteral("模块没有回答"));
         const int from = int(r.h.sim().requests().size());
         r.h.button(4)->click();
         if (!r.settle()) return r.report(QStringLiteral("never idle"));
         const bool ok = told && r.codes(from) == QStringLiteral("F4 03 EC 03 F6 03 E4 03 D3 03 F8 03 F9 03") &&
                         r.h.dialogs.messageCount() == 1;
         return ok ? QString() : r.report(QStringLiteral("told %1, second: %2").arg(told).arg(r.codes(from)));
     }},
};

}  // namespace

void TestGprsSettings::twoThingsAtOnce_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kScenarios)); ++i) QTest::newRow(kScenarios[i].first) << i;
}

void TestGprsSettings::twoThingsAtOnce() {
    QFETCH(int, row);
    Rig r;
    QVERIFY(r.h.fixture.ok());
    const QString wrong = kScenarios[row].second(r);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestGprsSettings::identityWriteOverIsNotSentByANotice_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<bool>("taken");  // reported taken, and not replaced
    QTest::newRow("station of two digits") << "12" << false;
    QTest::newRow("taken, not replaced") << "0F3" << true;
}

// An identity write refused for its entry, or answered and declined, is
// over: its wait ends then, no time-out speaks of it later, and the
// module's notice that asks a waiting write again (FD 03) sends nothing,
// whatever the boxes hold by then.
void TestGprsSettings::identityWriteOverIsNotSentByANotice() {
    QFETCH(QString, station);
    QFETCH(bool, taken);
    Rig r;
    QVERIFY(r.h.openForm(0));
    if (taken) r.h.module->identityResults = {0x08};
    if (taken) r.h.dialogs.queueAnswer(Dialogs::Answer::No);
    r.h.setText("Text2", "A");
    r.h.setText("Text3", station);
    r.h.button(0)->click();
    QVERIFY(r.time.runUntil([&] { return r.h.dialogs.messageCount() == 1; }, 2000) && r.time.runFor(500));
    QVERIFY(!r.h.form()->dataCentreWait());
    r.h.setText("Text3", "0F3");
    r.h.module->sendNotice(0x03);
    QVERIFY(r.time.runFor(95000));
    QCOMPARE(r.h.requestsFrom(0).size(), taken ? 1 : 0);
    QVERIFY(!g::GprsSlaveSetPending);
    QVERIFY2(r.h.dialogs.messageCount() == 1, qPrintable(r.h.dialogs.describe()));
}

void TestGprsSettings::identityResultEndsTheWaitWhileItIsRead_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("told");
    QTest::newRow("written") << 0xFA << "模块身份地址设置成功";
    QTest::newRow("failed") << 0xFC << "对不起，模块身份地址设置失败";
    QTest::newRow("not on the network") << 0x0A << "对不起，您的模块没有上网";
}

// The identity write's result has come: its wait is over, also while the
// installer still has the result's box open past the wait's time-out; no
// time-out speaks of a write already answered.
void TestGprsSettings::identityResultEndsTheWaitWhileItIsRead() {
    QFETCH(int, result);
    QFETCH(QString, told);
    Rig r;
    QVERIFY(r.h.openForm(0));
    r.h.module->identityResults = {uint8_t(result)};
    r.h.module->identityDelayMs = 300;
    r.h.dialogs.setHoldPolicy([&](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
        if (m.text == told) return DialogRecorder::Hold{100000, {}, {}};
        return std::nullopt;
    });
    r.h.setText("Text2", "A");
    r.h.setText("Text3", "0F3");
    r.h.button(0)->click();
    QVERIFY(r.time.runUntil([&] { return !r.h.form()->dataCentreWait(); }, 200000) && r.time.runFor(1000));
    QVERIFY2(r.h.dialogs.messageCount() == 1 && r.h.dialogs.lastText() == told, qPrintable(r.h.dialogs.describe()));
}

QTEST_MAIN(TestGprsSettings)
#include "tst_gprs_settings.moc"
