// The GPRS work-mode dialog: connect, handshake, mode switch and entry,
// end to end against the simulated module.

#include <QFile>
#include <QProgressBar>

#include "GprsHarness.h"
#include "tests/support/ListWays.h"
#include "tests/support/VirtualTime.h"
#include "tests/support/WriteTimes.h"
#include "core/ConnectDialog.h"
#include "core/PictureWindow.h"

class TestGprsConnect : public QObject {
    Q_OBJECT
private slots:
    void connectIdentifiesAndSwitchesToAddressSetting();
    void statusOtherThanBothModesSwitchesFromTheReceiver();
    void noticeAheadOfTheProbeAnswerSwitchesNothing_data();
    void noticeAheadOfTheProbeAnswerSwitchesNothing();
    void splitVersionAnswerAndUnknownCode();
    void enterOpensTheFormInTheChosenMode();
    void wrongTypeAndPortErrors();
    void typedPortOrRateIsRefused();
    void modeSwitchOnAClosedPort_data();
    void modeSwitchOnAClosedPort();
    void smsConnectWithoutTypeAnswerShowsNoGprsWindow();
};

namespace {
QRadioButton* option(GprsModeDialog* d, int n) {
    return d->findChild<QRadioButton*>(QStringLiteral("Option%1").arg(n));
}
QPushButton* cmd(QWidget* d, int n) {
    return d->findChild<QPushButton*>(QStringLiteral("Command1(%1)").arg(n));
}
}  // namespace

void TestGprsConnect::connectIdentifiesAndSwitchesToAddressSetting() {
    GprsHarness h;
    QVERIFY(h.fixture.ok());
    GprsModeDialog* dlg = h.gprs().showModeDialog();
    QVERIFY(dlg->isModal());
    QVERIFY(!cmd(dlg, 2)->isEnabled());
    QVERIFY(!option(dlg, 1)->isEnabled() && !option(dlg, 2)->isEnabled());
    QList<int> progress;
    QObject::connect(dlg->findChild<QProgressBar*>("PBar"), &QProgressBar::valueChanged,
                     [&](int v) { progress << v; });

    // The probe on a 100 ms timer, the identify requests a second apart
    // (the first waits for the probe answer).
    WriteTimes writes(h.port(), {600, 0, 1300, 1300, 1300, 1300});
    QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(h.dialogs.messages()[0].title, QStringLiteral("注意：系统提示！！！"));
    QCOMPARE(g::RecvMode, 110);
    QVERIFY(!cmd(dlg, 0)->isEnabled());

    QVERIFY(QTest::qWaitFor([&] { return option(dlg, 1)->isEnabled(); }, 9000));
    const QStringList reqs = h.requestsFrom(0);
    QCOMPARE(reqs, (QStringList{hex(h.frame("FE 03")), hex(h.frame("F8 03")), hex(h.frame("F9 03")),
                                hex(h.frame("EC 03")), hex(h.frame("D6 03")), hex(h.frame("D1 03"))}));
    QVERIFY2(writes.gapMs(0) >= 80, qPrintable(QString::number(writes.gapMs(0))));
    // Whole seconds from the probe, which goes out before the first identify
    // tick restarts its timer (a single gap may lose what a busy machine
    // held the thread between that restart and the write).
    for (int i = 2; i <= 5; ++i)
        QVERIFY2(writes.atMs(i) - writes.atMs(0) >= (i - 1) * 1000 - 20,
                 qPrintable(QString::number(writes.atMs(i) - writes.atMs(0))));
    QCOMPARE(writes.late(), QList<int>{});
    // Data communication (80h): selected, nothing sent, every button on.
    QVERIFY(option(dlg, 1)->isChecked());
    QVERIFY(!option(dlg, 2)->isChecked());
    QVERIFY(cmd(dlg, 0)->isEnabled() && cmd(dlg, 1)->isEnabled() && cmd(dlg, 2)->isEnabled());
    QCOMPARE(progress.value(progress.size() - 1), 0);
    QVERIFY(progress.contains(4));
    QTest::qWait(300);
    QCOMPARE(h.sim().requests().size(), 6);
    QCOMPARE(h.dialogs.messageCount(), 1);

    // 地址设置: the switch frame, the restart wait, the port closed 200 ms on.
    QTest::mouseClick(option(dlg, 2), Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(7));
    QCOMPARE(hex(h.sim().requests()[6].bytes), hex(h.frame("DA 01 01")));
    QPointer<RestartWaitDialog> wait = dlg->restartWait();
    QVERIFY(wait && wait->isVisible() && wait->isModal());
    QCOMPARE(wait->findChild<QLabel*>("Label1")->text(),
             QStringLiteral("您设置了QV7380模块通信模式，模块已经重新启动，需要等待一点时间"));
    QVERIFY(h.port().isOpen());
    QVERIFY(QTest::qWaitFor([&] { return !h.port().isOpen(); }, 1000));

    // Escape and the close box leave it; its last tick resets the dialog
    // for a new connect.
    QTest::keyClick(wait, Qt::Key_Escape);
    wait->close();
    QVERIFY(wait && wait->isVisible());
    auto* t1 = wait->findChild<VbTimer*>("Timer1");
    t1->rearm(1);
    QVERIFY(QTest::qWaitFor([&] { return wait.isNull(); }, 3000));
    QVERIFY(!option(dlg, 1)->isEnabled() && !option(dlg, 1)->isChecked() && !option(dlg, 2)->isChecked());
    QVERIFY(cmd(dlg, 0)->isEnabled() && !cmd(dlg, 1)->isEnabled() && cmd(dlg, 2)->isEnabled());
    QVERIFY(dlg->findChild<QComboBox*>("Combo1")->isEnabled());
    // Enter with no mode selected only closes the dialog.
    QPointer<GprsModeDialog> guard = dlg;
    QTest::mouseClick(cmd(dlg, 2), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 1000));
    QVERIFY(!h.form());
}

void TestGprsConnect::statusOtherThanBothModesSwitchesFromTheReceiver() {
    for (uint8_t status : {uint8_t(0x00), uint8_t(0x40)}) {
        GprsHarness h;
        h.sim().identity.hsStatus2 = status;
        GprsModeDialog* dlg = h.gprs().showModeDialog();
        QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return option(dlg, 2)->isEnabled(); }, 9000));
        QVERIFY(option(dlg, 2)->isChecked());
        QTest::qWait(200);
        if (status == 0) {
            // Address setting already: nothing sent; 数据通信 sends mode 00.
            QCOMPARE(h.sim().requests().size(), 6);
            QTest::mouseClick(option(dlg, 1), Qt::LeftButton);
            QVERIFY(h.fixture.waitForRequests(7));
            QCOMPARE(hex(h.sim().requests()[6].bytes), hex(h.frame("DA 01 00")));
        } else {
            QCOMPARE(h.sim().requests().size(), 7);
            QCOMPARE(hex(h.sim().requests()[6].bytes), hex(h.frame("DA 01 01")));
        }
        QVERIFY(dlg->restartWait());
    }
}

void TestGprsConnect::noticeAheadOfTheProbeAnswerSwitchesNothing_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("gapMs");
    for (int status : {0x00, 0x80}) {
        QTest::addRow("status %02X, glued", status) << status << 0;
        QTest::addRow("status %02X, 300 ms apart", status) << status << 300;
    }
}

// A module that powers up as the user connects: its notice FD 01 comes in
// front of the probe's answer. The module's own mode is shown and no
// switch goes out.
void TestGprsConnect::noticeAheadOfTheProbeAnswerSwitchesNothing() {
    QFETCH(int, status);
    QFETCH(int, gapMs);
    VirtualTime time;
    GprsHarness h;
    QVERIFY(h.fixture.ok());
    time.watchLine(&h.port(), &h.sim());
    h.sim().setHandler(0xFE, [&](ModuleSim& sim, const QByteArray&) {
        const QByteArray notice = GprsHarness::frame("FD 01");
        const QByteArray answer = GprsHarness::frame("FD 00 00") + char(status);
        if (gapMs == 0) sim.answer(notice + answer);
        else sim.sendChunks({notice, answer}, gapMs);
    });
    GprsModeDialog* dlg = h.gprs().showModeDialog();
    QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
    QVERIFY2(time.runUntil([&] { return option(dlg, 1)->isEnabled(); }, 10000), qPrintable(time.why()));
    QVERIFY(time.runFor(1000));
    QCOMPARE(h.sim().requests().size(), 6);
    QCOMPARE(option(dlg, 1)->isChecked(), status == 0x80);
    QCOMPARE(option(dlg, 2)->isChecked(), status == 0x00);
    QVERIFY(!dlg->restartWait());
}

void TestGprsConnect::splitVersionAnswerAndUnknownCode() {
    GprsHarness h;
    h.sim().setHandler(0xEC, [](ModuleSim& sim, const QByteArray&) {
        const QByteArray a = GprsHarness::frame("EC 00") + "ABCDEFGHIJK";
        sim.sendChunks({a.left(9 + 5), a.mid(9 + 5)}, 150);
    });
    // A code the handshake does not know is skipped: the next byte is the code.
    h.sim().setHandler(
        0xF8, [](ModuleSim& sim, const QByteArray&) { sim.answer(GprsHarness::frame("77 F8 00 00")); });
    GprsModeDialog* dlg = h.gprs().showModeDialog();
    QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return option(dlg, 1)->isEnabled(); }, 9000));
    QCOMPARE(g::WorkModeByte[0], uint8_t(0));
    QCOMPARE(g::VersionText, QStringLiteral("ABCDEFGHIJK"));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(g::VersionBytes), 11), QByteArray("ABCDEFGHIJK"));
}

void TestGprsConnect::enterOpensTheFormInTheChosenMode() {
    for (int mode : {1, 0}) {
        GprsHarness h;
        h.sim().identity.hsStatus2 = mode == 1 ? 0x80 : 0x00;
        GprsModeDialog* dlg = h.gprs().showModeDialog();
        QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return cmd(dlg, 2)->isEnabled(); }, 9000));
        QTest::mouseClick(cmd(dlg, 2), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return h.form() && h.form()->isVisible(); }, 2000));
        QCOMPARE(g::GprsWorkMode, mode);
        QCOMPARE(g::RecvMode, 111);
        auto* tabs = h.f<QTabWidget>("SSTab1");
        QCOMPARE(tabs->currentIndex(), mode == 1 ? 0 : 2);
        // Each mode offers its own second tab.
        tabs->setCurrentIndex(mode == 1 ? 2 : 1);
        QCOMPARE(tabs->currentIndex(), mode == 1 ? 1 : 2);
        QVERIFY(QTest::qWaitFor([&] { return !h.gprs().modeDialog(); }, 1000));
        QCOMPARE(h.main().panel(1), QStringLiteral("串口：COM1--9600,n,8,1"));
    }
}

void TestGprsConnect::wrongTypeAndPortErrors() {
    {
        GprsHarness h;
        h.sim().identity.moduleType = 2;
        GprsModeDialog* dlg = h.gprs().showModeDialog();
        QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
        QVERIFY(h.dialogs.waitForMessage(2, 9000));
        QCOMPARE(h.dialogs.lastText(), QStringLiteral("您的模块与测试软件不一样，请与厂家联系"));
        QCOMPARE(h.dialogs.messages().last().title, QStringLiteral("提示"));
        QVERIFY(!cmd(dlg, 2)->isEnabled());
        QVERIFY(h.port().isOpen());
    }
    {
        GprsHarness h;
        GprsModeDialog* dlg = h.gprs().showModeDialog();
        dlg->findChild<QComboBox*>("Combo1")->setEditText("COM5");  // no such port here
        QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
        QCOMPARE(h.dialogs.messageCount(), 1);
        QCOMPARE(h.dialogs.lastText(), QStringLiteral("本机没有这个串口，请选择其它串口重试"));
        QCOMPARE(h.dialogs.messages()[0].title, QStringLiteral("端口错误"));
        QVERIFY(cmd(dlg, 0)->isEnabled());
        QTest::qWait(300);
        QVERIFY(h.sim().requests().isEmpty());
        // Any other failure is named too, never silent: a plain file where
        // the port should be.
        QFile plain(h.fixture.portsDir() + "/com3");
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        dlg->findChild<QComboBox*>("Combo1")->setEditText("COM3");
        QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
        QCOMPARE(h.dialogs.messageCount(), 2);
        QCOMPARE(h.dialogs.messages()[1].title, QStringLiteral("端口错误"));
        QVERIFY2(h.dialogs.lastText().contains("COM3"), qPrintable(h.dialogs.lastText()));
        QVERIFY(cmd(dlg, 0)->isEnabled());
        // Cancel closes the dialog.
        QPointer<GprsModeDialog> guard = dlg;
        QTest::mouseClick(cmd(dlg, 1), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return guard.isNull(); }, 1000));
    }
}

// Text that is none of a list's items, however it came, is refused before
// the port is touched: the connect opens only what the lists show.
void TestGprsConnect::typedPortOrRateIsRefused() {
    GprsHarness h;
    QVERIFY(h.fixture.ok());
    GprsModeDialog* dlg = h.gprs().showModeDialog();
    auto* ports = dlg->findChild<QComboBox*>("Combo1");
    auto* rates = dlg->findChild<QComboBox*>("Combo2");
    const auto onItems = [&] { ports->setCurrentIndex(0), rates->setCurrentIndex(3); };
    for (const auto& [list, text, what] : {std::tuple{ports, "COM9", "串口号"}, {ports, "c0m1", "串口号"},
                                           {rates, "4800", "波特率"}, {rates, "96O0", "波特率"}}) {
        ListWays::everyWay(list, text, onItems, [&](const QString& how, const QString& shown) {
            h.dialogs.clear();
            QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
            QVERIFY2(h.dialogs.describe() == QStringLiteral("端口错误: %1无效，请从列表中选择").arg(what),
                     qPrintable(how + ": " + shown + " / " + h.dialogs.describe()));
            QVERIFY(!h.port().isOpen() && cmd(dlg, 0)->isEnabled() && list->isEnabled());
        });
        if (QTest::currentTestFailed()) return;
    }
    QCOMPARE(h.sim().receivedTotal(), quint64(0));
}

void TestGprsConnect::modeSwitchOnAClosedPort_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("gone");
    QTest::newRow("data mode, line gone") << 0x80 << true;
    QTest::newRow("address setting, line gone") << 0x00 << true;
    QTest::newRow("data mode, port closed") << 0x80 << false;
}

// The port closed after the handshake: a click on the other mode opens it
// again; where that fails the options keep the module's mode, the user is
// told why, and Enter opens the settings form in that mode.
void TestGprsConnect::modeSwitchOnAClosedPort() {
    QFETCH(int, status);
    QFETCH(bool, gone);
    VirtualTime time;
    GprsHarness h;
    QVERIFY(h.fixture.ok());
    time.watchLine(&h.port(), &h.sim());
    h.sim().identity.hsStatus2 = uint8_t(status);
    GprsModeDialog* dlg = h.gprs().showModeDialog();
    QRadioButton* other = option(dlg, status == 0x80 ? 2 : 1);
    QTest::mouseClick(cmd(dlg, 0), Qt::LeftButton);
    QVERIFY(time.runUntil([&] { return other->isEnabled(); }, 15000) && time.runUntilLineQuiet(500, 5000));
    const int told = h.dialogs.messageCount();
    gone ? h.sim().closeLine() : h.port().close();
    QVERIFY(time.runUntil([&] { return !h.port().isOpen() && (h.dialogs.messageCount() > told) == gone; }, 1000));
    h.dialogs.clear();
    const int sent = int(h.sim().requests().size());
    QTest::mouseClick(other, Qt::LeftButton);
    QVERIFY(time.runFor(500));
    QCOMPARE(other->isChecked(), !gone);
    QCOMPARE(bool(dlg->restartWait()), !gone);
    if (!gone) {
        QCOMPARE(h.requestsFrom(sent), QStringList{hex(h.frame("DA 01 01"))});
        return;
    }
    QVERIFY2(h.dialogs.describe().startsWith(QStringLiteral("端口错误: ")) &&
                 h.dialogs.lastText().contains(QStringLiteral("COM1（%1）").arg(h.sim().slavePath())),
             qPrintable(h.dialogs.describe()));
    QTest::mouseClick(cmd(dlg, 2), Qt::LeftButton);
    QVERIFY(time.runFor(200) && h.form());
    QCOMPARE(g::GprsWorkMode, status == 0x80 ? 1 : 0);
}

void TestGprsConnect::smsConnectWithoutTypeAnswerShowsNoGprsWindow() {
    GprsHarness h;
    h.sim().setKind(ModuleSim::Kind::Sms);
    h.sim().setHandler(0xD1, nullptr);
    QVERIFY(QTest::qWaitFor([&] { return h.main().pictureWindow() != nullptr; }, 3000));
    ConnectDialog* dlg = h.main().showConnectDialog(true);
    QTest::mouseClick(dlg->Command1[0], Qt::LeftButton);
    // The identify sequence gives up a second after the D1 request.
    QVERIFY(QTest::qWaitFor([&] { return h.gprs().modeDialog() != nullptr; }, 9000));
    QVERIFY(!h.gprs().modeDialog()->isVisible());
    QVERIFY(cmd(h.gprs().modeDialog(), 0)->isEnabled());
    QVERIFY(dlg->Command1[0]->isEnabled());
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible() || (w->objectName() != "frmQV7380" && w->objectName() != "frm7380COM"),
                 qPrintable(w->objectName()));
    QVERIFY(!h.form());
}

QTEST_MAIN(TestGprsConnect)
#include "tst_gprs_connect.moc"
