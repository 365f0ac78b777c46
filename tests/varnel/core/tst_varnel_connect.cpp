// Varnel's start-up, connect dialog and handshake over the quiet-time
// receive path, end to end against the simulated QV7351 module.

#include <QPointer>
#include <QProgressBar>

#include "../VarnelHarness.h"
#include "tests/support/VirtualTime.h"
#include "tests/support/WriteTimes.h"
#include "core/LegacyProbe.h"
#include "platform/FlexGrid.h"

using SimSupport::fromHex;
using SimSupport::hex;

namespace {

QByteArray probe() { return VarnelHarness::frame("FE 03"); }
QByteArray identify(const char* code) { return VarnelHarness::frame(code) + fromHex("03"); }

}  // namespace

class TestVarnelConnect : public QObject {
    Q_OBJECT

private slots:
    void captionMenusAndFormAtStartUp_data();
    void captionMenusAndFormAtStartUp();
    void connectIdentifiesAndOpensForm();
    void secondConnectWaitsOneSecond();
    void moduleTypeOneIsRefused();
    void missingTypeAnswerLeavesOnlyCancel();
    void silentModuleTimesOut();
    void portErrors();
    void cancelOpensPortOffline();
    void cancelOrCloseDuringHandshakeStopsIt();
    void resizeFitsChildWindows();
    void olderPathsKeepReadSettings();
};

void TestVarnelConnect::captionMenusAndFormAtStartUp_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("caption");
    QTest::newRow("4.00") << 4 << 0 << QStringLiteral("QV7351短信模块参数设置V4.0");
    QTest::newRow("4.12") << 4 << 12 << QStringLiteral("QV7351短信模块参数设置V4.12");
}

void TestVarnelConnect::captionMenusAndFormAtStartUp() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, caption);
    VarnelHarness h(major, minor);
    QCOMPARE(h.main().windowTitle(), caption);
    // The first resize has already created and loaded the settings form.
    QVERIFY(QTest::qWaitFor([&] { return h.form() != nullptr; }, 2000));
    QCOMPARE(h.form()->objectName(), QStringLiteral("frm7340COM"));
    QCOMPARE(h.form()->SSTab1->count(), 5);
    QVERIFY(!h.form()->Timer5->enabled());
    QCOMPARE(g::RecvMode, 0);
    // Kept menus; no address calculator.
    for (const char* kept : {"clear_rece", "clear_send", "clear_yuan", "mnuCode", "x", "chinese"})
        QVERIFY2(h.main().action(QString::fromLatin1(kept)), kept);
    for (const char* gone : {"lookfine", "count_k"})
        QVERIFY2(!h.main().action(QString::fromLatin1(gone)), gone);
    QVERIFY(h.main().timer(12));
    QCOMPARE(h.main().timer(12)->interval(), 100);
    QVERIFY(!h.main().timer(12)->enabled());
}

void TestVarnelConnect::connectIdentifiesAndOpensForm() {
    // On the virtual clock the handshake's own timing is measured exactly,
    // however busy the machine.
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    time.watchLine(&h.port(), &h.sim());
    QVERIFY(time.runUntil([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); }, 5000));
    QVERIFY(h.form());
    QList<qint64> at;  // when the program wrote each frame
    QObject::connect(&h.port(), &CommPort::frameWritten, &h.port(), [&] { at << time.now(); });
    qint64 handed = -1, refreshed = -1;
    QObject::connect(h.form()->Timer5, &VbTimer::tick, h.form(), [&] { handed = time.now(); });
    QObject::connect(h.form()->Timer6, &VbTimer::tick, h.form(), [&] { refreshed = time.now(); });
    QTest::mouseClick(h.main().pictureWindow()->Label2, Qt::LeftButton);
    QVERIFY(h.main().connectDialog());
    const qint64 pressed = time.now();
    QTest::mouseClick(h.main().connectDialog()->Command1[0], Qt::LeftButton);
    QCOMPARE(h.port().inputLen(), 0);
    QCOMPARE(g::RecvMode, 100);

    // The probe on its 100 ms timer; the probe answer's window closes
    // 100 ms after it arrived and the first identify request follows 100 ms
    // later, the rest a second apart.
    QVERIFY2(time.runUntil([&] { return at.size() >= 6; }, 10000), qPrintable(time.why()));
    QCOMPARE(SimSupport::hex(h.request(0)), SimSupport::hex(probe()));
    const char* codes[] = {"F8", "F9", "EC", "D6", "D1"};
    for (int i = 1; i <= 5; ++i) QCOMPARE(SimSupport::hex(h.request(i)), SimSupport::hex(identify(codes[i - 1])));
    QVERIFY2(at[0] - pressed >= 90 && at[0] - pressed <= 400, qPrintable(QString::number(at[0] - pressed)));
    QVERIFY2(at[1] - at[0] >= 190, qPrintable(QString::number(at[1] - at[0])));
    for (int i = 2; i <= 5; ++i)
        QVERIFY2(at[i] - at[i - 1] >= 950 && at[i] - at[i - 1] <= 1300,
                 qPrintable(QStringLiteral("%1: %2").arg(i).arg(at[i] - at[i - 1])));

    // D1 02 brings the form up; its Timer5 hands the input to the parser
    // half a second later and starts Timer6.
    QVERIFY(time.runUntil([&] { return h.form() && h.form()->Timer5->enabled(); }, 5000));
    QCOMPARE(h.sim().requests().size(), 6);
    QVERIFY(!h.main().connectDialog());
    QVERIFY(h.port().dtrEnable());
    QCOMPARE(g::WorkModeByte[0], h.sim().identity.workMode);
    QCOMPARE(g::TransModeByte[0], h.sim().identity.transMode);
    QCOMPARE(g::ModuleTypeByte[0], uint8_t(2));
    QCOMPARE(g::VersionText, QString::fromLatin1(h.sim().identity.version.leftJustified(11, ' ', true)));
    QVERIFY(time.runUntil([] { return g::RecvMode == 101; }, 5000));
    QVERIFY2(handed - at[5] >= 450, qPrintable(QString::number(handed - at[5])));
    QVERIFY(!h.port().dtrEnable());
    QVERIFY(time.runUntil([&] { return refreshed >= 0 && !h.form()->Timer6->enabled(); }, 5000));
    QVERIFY2(refreshed - handed >= 450 && refreshed - handed <= 900, qPrintable(QString::number(refreshed - handed)));
    QVERIFY(h.dialogs.messages().isEmpty());
}

void TestVarnelConnect::secondConnectWaitsOneSecond() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    const int before = h.sim().requests().size();
    h.main().showConnectDialog(true);
    QVERIFY(h.main().connectDialog());
    WriteTimes writes(h.port());
    h.connect();
    const int fe = h.waitFor(probe(), before);
    QVERIFY(fe >= 0);
    const int f8 = h.waitFor(identify("F8"), fe + 1, 4000);
    QVERIFY(f8 > fe);
    QCOMPARE(writes.frame(1), identify("F8"));
    QVERIFY2(writes.gapMs(1) >= 1050, qPrintable(QString::number(writes.gapMs(1))));
}

void TestVarnelConnect::moduleTypeOneIsRefused() {
    VarnelHarness h;
    h.sim().identity.moduleType = 1;
    h.connect();
    QVERIFY(h.dialogs.waitForMessage(1, 8000));
    const Dialogs::Message m = h.dialogs.messages().first();
    QCOMPARE(m.text, QStringLiteral("您的模块与测试软件不一样，请与厂家联系"));
    QCOMPARE(m.title, QStringLiteral("提示"));
    QCOMPARE(m.icon, Dialogs::Icon::Exclamation);
    QVERIFY(h.port().isOpen());
    QVERIFY(h.port().dtrEnable());
    QCOMPARE(g::RecvMode, 100);
    QVERIFY(!h.form()->Timer5->enabled());
    QVERIFY(!h.main().connectDialog());
    QTest::qWait(700);
    QCOMPARE(g::RecvMode, 100);

    // While RecvMode is 100 a resize fits nothing.
    auto* sub = qobject_cast<QMdiSubWindow*>(h.form()->parentWidget());
    QVERIFY(sub);
    const QSize was = sub->size();
    h.main().resize(h.main().size() + QSize(60, 40));
    QTest::qWait(50);
    QCOMPARE(sub->size(), was);
}

void TestVarnelConnect::missingTypeAnswerLeavesOnlyCancel() {
    VarnelHarness h;
    h.sim().setHandler(0xD1, {});
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    h.connect();
    QVERIFY(h.waitFor(identify("D1"), 0, 8000) >= 0);
    QVERIFY(QTest::qWaitFor([&] { return !h.main().timer(11)->enabled(); }, 2500));
    QCOMPARE(dlg->PBar->value(), 0);
    QVERIFY(!dlg->Command1[0]->isEnabled());
    QVERIFY(!dlg->Combo1->isEnabled());
    QVERIFY(!dlg->Combo2->isEnabled());
    QVERIFY(dlg->Command1[1]->isEnabled());
    QCOMPARE(h.sim().requests().size(), 6);
}

void TestVarnelConnect::silentModuleTimesOut() {
    VarnelHarness h;
    h.sim().behaviour.silent = true;
    // The time-out runs from the probe, on its own timer.
    Deadline timeout(2600, [&] { return h.dialogs.messageCount() > 0; });
    QObject::connect(&h.port(), &CommPort::frameWritten, &timeout, [&] { timeout.start(); });
    const qint64 pressed = h.connect();
    QVERIFY(h.dialogs.waitForMessage(1, 5000));
    const qint64 shown = h.sim().elapsedMs();
    QVERIFY2(shown - pressed >= 2050, qPrintable(QString::number(shown - pressed)));
    QVERIFY(timeout.met());
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("模块和计算机通信失败，请检查串口号、波特率"));
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("系统提示"));
    QVERIFY(!h.port().isOpen());
    ConnectDialog* dlg = h.main().connectDialog();
    QVERIFY(dlg);
    for (QWidget* w : QList<QWidget*>{dlg->Command1[0], dlg->Command1[1], dlg->Combo1, dlg->Combo2})
        QVERIFY(w->isEnabled());
    QCOMPARE(h.sim().requests().size(), 1);
}

void TestVarnelConnect::portErrors() {
    VarnelHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    struct Case {
        const char* port;
        bool holdIt;
        const char* text;
    };
    const Case cases[] = {{"COM3", false, "本机没有这个串口，请选择其它串口重试"},
                          {"COM1", true, "串口已经打开，请关闭其它程序重试"}};
    for (const Case& c : cases) {
        CommPort other;
        if (c.holdIt) {
            other.setCommPort(1);
            QCOMPARE(other.open(), CommPort::OpenResult::Ok);
        }
        dlg->Combo1->setEditText(QString::fromLatin1(c.port));
        for (int button : {0, 1}) {
            h.dialogs.clear();
            QTest::mouseClick(dlg->Command1[button], Qt::LeftButton);
            QCOMPARE(h.dialogs.messageCount(), 1);
            QVERIFY2(h.dialogs.lastText().startsWith(QString::fromUtf8(c.text)), qPrintable(h.dialogs.lastText()));
            QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("端口错误"));
            // The dialog keeps its state: usable, not closed.
            QCOMPARE(h.main().connectDialog(), dlg);
            QVERIFY(dlg->Command1[0]->isEnabled());
            QVERIFY(!h.port().isOpen());
        }
    }
    QTest::qWait(300);
    QVERIFY(h.sim().requests().isEmpty());
}

void TestVarnelConnect::cancelOpensPortOffline() {
    VarnelHarness h;
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    dlg->Combo2->setEditText(QStringLiteral("19200bps"));
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    QVERIFY(!h.main().connectDialog());
    QVERIFY(h.port().isOpen());
    QCOMPARE(h.port().settings(), QStringLiteral("19200,n,8,1"));
    QCOMPARE(h.port().inputLen(), 0);
    QVERIFY(!h.port().dtrEnable());
    QCOMPARE(g::OfflineMode, -1);
    QVERIFY(h.form() && h.form()->isVisible());
    QVERIFY(!h.form()->Timer5->enabled());
    QCOMPARE(g::RecvMode, 0);

    // Nothing received is parsed: the window is read and dropped.
    h.sim().send(VarnelHarness::frame("FD 00 01"));
    QVERIFY(QTest::qWaitFor([&] { return h.main().timer(12)->enabled(); }, 2000));
    QVERIFY(QTest::qWaitFor([&] { return !h.main().timer(12)->enabled(); }, 2000));
    QCOMPARE(h.port().inBufferCount(), 0);
    QTest::qWait(300);
    QVERIFY(h.dialogs.messages().isEmpty());
    QVERIFY(h.sim().requests().isEmpty());
}

void TestVarnelConnect::cancelOrCloseDuringHandshakeStopsIt() {
    // Cancel while the time-out runs, Cancel during the identify sequence,
    // and the window button during it: no time-out message, no identify
    // request afterwards; Cancel leaves its port open.
    enum class How { CancelInTimeout, CancelInIdentify, CloseInIdentify };
    for (How how : {How::CancelInTimeout, How::CancelInIdentify, How::CloseInIdentify}) {
        VarnelHarness h;
        if (how == How::CancelInTimeout) h.sim().behaviour.silent = true;
        QPointer<ConnectDialog> dlg = h.openConnectDialog();
        QVERIFY(dlg);
        h.connect();
        if (how == How::CancelInTimeout)
            QVERIFY(h.waitFor(probe()) == 0);
        else
            QVERIFY(h.waitFor(identify("F8")) > 0);
        if (how == How::CloseInIdentify)
            dlg->close();
        else
            QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !dlg; }, 2000));
        const int sent = h.sim().requests().size();
        QTest::qWait(2500);
        QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
        QCOMPARE(h.sim().requests().size(), sent);
        for (int n : {8, 9, 11}) QVERIFY(!h.main().timerEnabled(n));
        if (how != How::CloseInIdentify) {
            QVERIFY(h.port().isOpen());
            QCOMPARE(g::OfflineMode, -1);
        }
    }
}

void TestVarnelConnect::resizeFitsChildWindows() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    QVERIFY(QTest::qWaitFor([&] { return h.main().pictureWindow() != nullptr; }, 2000));
    h.main().resize(h.main().size() + QSize(80, 60));
    QTest::qWait(50);
    const QSize client = h.main().mdiArea()->viewport()->size();
    const QSize fitted = client - QSize(Vb::twips(120), Vb::twips(120));
    auto* formSub = qobject_cast<QMdiSubWindow*>(h.form()->parentWidget());
    auto* picSub = qobject_cast<QMdiSubWindow*>(h.main().pictureWindow()->parentWidget());
    QVERIFY(formSub && picSub);
    // Never below what a window's controls need: the area scrolls instead.
    QCOMPARE(formSub->size(), fitted.expandedTo(formSub->minimumSizeHint()));
    QCOMPARE(picSub->size(), fitted.expandedTo(picSub->minimumSizeHint()));

    // Minimised: nothing is fitted.
    h.main().showMinimized();
    QTest::qWait(50);
    const QSize before = formSub->size();
    h.main().resize(h.main().size() + QSize(40, 40));
    QTest::qWait(50);
    if (h.main().isMinimized()) QCOMPARE(formSub->size(), before);
}

void TestVarnelConnect::olderPathsKeepReadSettings() {
    // Nothing in Varnel starts them; run by hand they leave the port's
    // receive threshold and read length as Varnel set them.
    VarnelHarness h;
    h.sim().behaviour.silent = true;
    h.port().setCommPort(1);
    QCOMPARE(h.port().open(), CommPort::OpenResult::Ok);
    h.port().setInputLen(0);
    h.main().legacyProbe()->onTimer10();
    QCOMPARE(h.port().inputLen(), 0);
    QCOMPARE(h.port().rThreshold(), 1);
    g::BaudScanStep = 10;
    h.main().legacyProbe()->onTimer10();
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("自动检索失败请换一下串口编号再试！"));
    QCOMPARE(h.port().inputLen(), 0);
    QCOMPARE(h.port().rThreshold(), 1);
    h.main().legacyProbe()->onTimer3();
    QVERIFY(!h.main().legacyProbe()->waitDialog());
}

QTEST_MAIN(TestVarnelConnect)
#include "tst_varnel_connect.moc"
