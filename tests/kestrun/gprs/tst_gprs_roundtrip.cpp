// What the GPRS settings form reads is what it writes back: a simulated
// module holding random settings (every field at random, its ends included,
// in every work, transmission and address mode, the line at every rate) is
// read by the form's own refresh; then each write button the installer can
// reach is pressed with nothing changed. The module must hold exactly what
// it held; a write may instead be refused with a message, sending nothing.
//
// Runs on the virtual clock, so a case costs the time of its bytes, not of
// the form's one-second chains. SMSTOOLS_PROPERTY_CASES / _SECONDS / _SEED
// set a longer run (scripts/fuzz.sh --long does).

#include "GprsHarness.h"
#include "tests/support/Property.h"
#include "tests/support/VirtualTime.h"

namespace {

// The form on the virtual clock: the clock is made before the program and
// the module, and dropped after them.
struct Rig {
    VirtualTime time;
    GprsHarness h;
    Rig() { time.watchLine(&h.port(), &h.sim()); }
};

template <typename T>
rc::Gen<T> edged(int lo, int hi) {
    return rc::gen::cast<T>(rc::gen::weightedOneOf<int>(
        {{1, rc::gen::just(lo)}, {1, rc::gen::just(hi)}, {4, rc::gen::inRange(lo, hi + 1)}}));
}

QByteArray bytes(int n) {
    QByteArray a;
    for (int i = 0; i < n; ++i) a.append(char(*edged<uint8_t>(0, 255)));
    return a;
}

struct Rate {
    int bps;
    uint8_t code;
};
const Rate kRates[] = {{1200, 3},  {2400, 4},  {4800, 5},   {9600, 6},   {14400, 7},
                       {19200, 8}, {38400, 9}, {57600, 10}, {115200, 11}};

// The tab each write button sits on.
int tabOf(int button) { return button == 0 ? 2 : 0; }

}  // namespace

class TestGprsRoundTrip : public QObject {
    Q_OBJECT
private slots:
    void everyWriteSendsBackWhatWasRead();
};

void TestGprsRoundTrip::everyWriteSendsBackWhatWasRead() {
    SMS_PROPERTY("gprs settings read then written", 100000, 4, [] {
        Rig r;
        GprsHarness& h = r.h;
        auto must = [&](bool ok, const std::string& what) {
            if (ok) return;
            const std::string why = what + ": " + r.time.why().toStdString();
            std::cerr << why << std::endl;
            RC_FAIL(why);
        };
        must(h.fixture.ok(), "simulated module");
        SimGprs& m = *h.module;
        h.sim().identity.workMode = *edged<uint8_t>(0, 1);
        h.sim().identity.transMode = *edged<uint8_t>(0, 1);
        m.subMode = *edged<uint8_t>(0, 1);
        m.layout = bytes(4);
        m.identityAddress = bytes(2);
        m.identityExtra = bytes(2);
        m.targetAddress = bytes(2);
        m.passiveAddress = bytes(2);
        m.heartbeat = *edged<uint16_t>(0, 65535);
        m.restartCount = *edged<uint8_t>(0, 255);
        m.powerSaving = *edged<uint8_t>(0, 1);
        m.idleUnits = *edged<uint16_t>(0, 65535);
        m.dataUnits = *edged<uint16_t>(0, 65535);
        m.wakeMode = *edged<uint8_t>(0, 1);
        // The module talks at the rate it holds: the line runs at it.
        const Rate rate = kRates[*rc::gen::inRange<size_t>(0, std::size(kRates))];
        m.baudCode = rate.code;
        h.port().setSettings(QStringLiteral("%1,n,8,1").arg(rate.bps));
        const int formMode = *edged<int>(0, 1);

        must(h.openForm(formMode, false) != nullptr, "form opened");
        auto idle = [&] {
            for (const char* t : {"Timer1", "Timer2", "Timer3", "Timer4", "Timer5", "Timer6", "Timer7"})
                if (h.timer(t)->enabled()) return false;
            return h.allButtonsEnabled() && !h.form()->dataCentreWait();
        };
        must(r.time.runUntil(idle, 60000) && r.time.runUntilLineQuiet(1000, 10000), "refresh");
        if (h.dialogs.messageCount() > 0) RC_FAIL("the refresh said: " + h.dialogs.describe().toStdString());
        const QString before = h.holds();

        auto* tabs = h.f<QTabWidget>(QStringLiteral("SSTab1"));
        for (int b : {0, 2, 6, 8, 9, 10, 11}) {
            tabs->setCurrentIndex(tabOf(b));
            QPushButton* button = h.button(b);
            if (tabs->currentIndex() != tabOf(b) || !button->isVisible() || !button->isEnabled()) continue;
            const int messages = h.dialogs.messageCount();
            const int from = int(h.sim().requests().size());
            QTest::mouseClick(button, Qt::LeftButton);
            const std::string what = "Command1(" + std::to_string(b) + ")";
            must(r.time.runUntil(idle, 60000) && r.time.runUntilLineQuiet(1000, 10000), what);
            const QStringList sent = h.requestsFrom(from);
            for (int i = messages; i < h.dialogs.messageCount(); ++i) {
                const QString text = h.dialogs.messages().at(i).text;
                // A refusal sends nothing; the identity write is confirmed.
                if (text == QStringLiteral("模块身份地址设置成功") && b == 0) continue;
                if (!sent.isEmpty())
                    RC_FAIL(what + " sent " + sent.join(" | ").toStdString() + " and said " +
                            text.toStdString());
            }
            if (h.holds() != before)
                RC_FAIL(what + " sent " + sent.join(" | ").toStdString() + "\n module held " +
                        before.toStdString() + "\n now holds   " + h.holds().toStdString());
        }
    });
}

QTEST_MAIN(TestGprsRoundTrip)
#include "tst_gprs_roundtrip.moc"
