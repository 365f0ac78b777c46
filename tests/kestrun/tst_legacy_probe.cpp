// The older probe path and the automatic rate search: nothing in the
// program starts them, so the tests start their timers directly.

#include <QGroupBox>

#include "KestrunHarness.h"
#include "core/RestartNotice.h"
#include "core/Handshake.h"
#include "core/LegacyProbe.h"

class TestLegacyProbe : public QObject {
    Q_OBJECT

private slots:
    void rateSearchGivesUpAfterNineRates();
    void rateSearchStopsAtProbeAnswer();
    void olderProbeOffersSearchAndItsOwnSearchGivesUp();
    void olderIdentifyRequests();
};

namespace {
bool openPort(KestrunHarness& h) {
    h.port().setCommPort(1);
    return h.port().open() == CommPort::OpenResult::Ok;
}
}  // namespace

void TestLegacyProbe::rateSearchGivesUpAfterNineRates() {
    KestrunHarness h;
    h.sim().behaviour.silent = true;
    ConnectDialog* dlg = h.openConnectDialog();
    QVERIFY(dlg);
    dlg->Command1[0]->setEnabled(false);
    dlg->Combo1->setEnabled(false);
    QVERIFY(openPort(h));
    g::BaudScanStep = 1;
    g::RecvMode = 100;
    const int rates[9] = {1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 9; ++i) {
        h.main().legacyProbe()->onTimer10();
        QCOMPARE(h.port().settings(), QStringLiteral("%1,n,8,1").arg(rates[i]));
        QCOMPARE(h.main().panel(1), QStringLiteral("串口：COM1--%1,n,8,1").arg(rates[i]));
        QVERIFY(h.fixture.waitForRequests(i + 1));
        QCOMPARE(hex(h.request(i)), hex(h.frame("FE 03")));
    }
    QVERIFY(h.dialogs.messages().isEmpty());
    h.main().legacyProbe()->onTimer10();
    QCOMPARE(h.dialogs.messageCount(), 1);
    QCOMPARE(h.dialogs.messages().first().text, QStringLiteral("自动检索失败请换一下串口编号再试！"));
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("错误提示"));
    QVERIFY(!h.port().isOpen());
    QVERIFY(!h.main().timer(10)->enabled());
    QCOMPARE(h.main().panel(1), QStringLiteral("串口：未使用"));
    QCOMPARE(g::BaudScanStep, 1);
    QVERIFY(dlg->Command1[0]->isEnabled());
    QVERIFY(dlg->Combo1->isEnabled());
    QCOMPARE(h.sim().requests().size(), 9);
}

void TestLegacyProbe::rateSearchStopsAtProbeAnswer() {
    KestrunHarness h;
    QVERIFY(h.waitForPictureWindow());
    QVERIFY(openPort(h));
    g::BaudScanStep = 1;
    g::RecvMode = 100;
    h.main().timer(10)->rearm(50);
    QVERIFY(h.fixture.waitForRequest(h.frame("F8 03"), 0, 3000) >= 0);
    QVERIFY(!h.main().timer(10)->enabled());
    QCOMPARE(g::BaudScanStep, 1);
    QCOMPARE(hex(h.request(0)), hex(h.frame("FE 03")));
    QCOMPARE(h.main().panel(1), QStringLiteral("串口：COM1--1200,n,8,1"));
}

void TestLegacyProbe::olderProbeOffersSearchAndItsOwnSearchGivesUp() {
    KestrunHarness h;
    QVERIFY(h.waitForPictureWindow());
    QVERIFY(openPort(h));
    h.main().timer(3)->setEnabled(true);
    QVERIFY(QTest::qWaitFor([&] { return h.main().legacyProbe()->waitDialog(); }, 2000));
    RestartNotice* wait = h.main().legacyProbe()->waitDialog();
    QVERIFY(wait->isModal());
    QVERIFY(QTest::qWaitFor([&] { return wait->ticks() >= 2; }, 3000));
    QCOMPARE(wait->Label2->text(), QStringLiteral(">>"));

    // Command1 sends the bare older probe; nothing answers it, so a second
    // later the user is offered the rate search.
    h.dialogs.queueAnswer(Dialogs::Answer::Yes);
    QTest::mouseClick(wait->Command1, Qt::LeftButton);
    QVERIFY(h.fixture.waitForRequests(1));
    QCOMPARE(hex(h.request(0)), QStringLiteral("D7 FE"));
    QCOMPARE(h.main().timer(2)->interval(), 5000);
    QVERIFY(h.dialogs.waitForMessage(1, 3000));
    QCOMPARE(h.dialogs.messages().first().buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(h.dialogs.messages().first().title, QStringLiteral("系统提示"));
    QVERIFY(h.main().timer(7)->enabled());
    QVERIFY(h.port().dtrEnable());

    // The older search stops short of 115200 and gives up at its ninth tick.
    h.main().timer(7)->setEnabled(false);
    for (int i = 0; i < 8; ++i) h.main().legacyProbe()->onTimer7();
    QCOMPARE(h.port().settings(), QStringLiteral("57600,n,8,1"));
    h.main().legacyProbe()->onTimer7();
    QCOMPARE(h.dialogs.messages().last().text, QStringLiteral("自动检索失败请换一下串口编号再试！"));
    QVERIFY(!h.port().isOpen());
    // Back-to-back probes arrive as one burst: count the bytes.
    QVERIFY(h.fixture.waitForReceived(18));
    QCOMPARE(h.sim().received(), QByteArray::fromHex("D7FE").repeated(9));

    // Answering No closes the port instead.
    QVERIFY(openPort(h));
    h.dialogs.queueAnswer(Dialogs::Answer::No);
    h.main().legacyProbe()->onTimer4();
    QVERIFY(!h.port().isOpen());
    QCOMPARE(h.port().rThreshold(), 1000);
    QCOMPARE(h.port().inputLen(), 1000);
}

void TestLegacyProbe::olderIdentifyRequests() {
    KestrunHarness h;
    QVERIFY(h.waitForPictureWindow());
    QVERIFY(openPort(h));
    g::PollStep = 0;
    h.main().timer(6)->rearm(50);
    // Counted in bytes: how the module cuts requests without a preamble
    // into pieces depends on the gaps a busy machine leaves between them.
    QVERIFY(h.fixture.waitForReceived(8));
    QVERIFY(QTest::qWaitFor([&] { return !h.main().timer(6)->enabled(); }, 2000));
    const QByteArray all = h.sim().received();
    QCOMPARE(hex(all), QStringLiteral("D7 F8 03 D7 F9 03 D7 EC"));
}

QTEST_MAIN(TestLegacyProbe)
#include "tst_legacy_probe.moc"
