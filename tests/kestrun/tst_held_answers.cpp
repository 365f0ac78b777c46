// Answers that may be copies or late, with more than one request of a kind
// out: whenever a read is said to have succeeded, the form shows under the
// channel it shows what the module holds there, a write pressed afterwards
// changes no channel it was not meant for, and every write or clear the
// module acknowledges is told.

#include <QLineEdit>
#include <QRadioButton>

#include "KestrunHarness.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "kestrun/settings/PhoneTab.h"
#include "platform/FlexGrid.h"
#include "tools/SimPhoneTable.h"
#include "tools/SimSettings.h"
#include "tests/support/VirtualTime.h"

class TestHeldAnswers : public QObject {
    Q_OBJECT

private slots:
    void everyReadShownUnderItsOwnChannel_data();
    void everyReadShownUnderItsOwnChannel();
    void readPressedWhileACopyAwaitsTheWritesAcknowledgement_data();
    void readPressedWhileACopyAwaitsTheWritesAcknowledgement();
    void tableCopyAheadOfAnAcknowledgementTakesNoneOfIt_data();
    void tableCopyAheadOfAnAcknowledgementTakesNoneOfIt();
};

namespace {

struct Rig {
    VirtualTime time;
    KestrunHarness h;
    SimSettings* module = SimSettings::install(h.sim());
    SettingsForm* f = nullptr;
    bool alarm = true;
    QStringList wrong;

    bool open(bool alarmTab) {
        alarm = alarmTab;
        if (!h.fixture.ok()) return false;
        time.watchLine(&h.port(), &h.sim());
        f = h.showFormDirectly(alarm ? 3 : 4);
        if (!f) return false;
        h.dialogs.setHoldPolicy([this](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
            if (m.text == QStringLiteral("读取参数成功") && shown() != holds(channel()->currentIndex()))
                wrong << QStringLiteral("channel %1 shows another's").arg(channel()->currentIndex());
            return std::nullopt;
        });
        return true;
    }
    QComboBox* channel() const { return alarm ? f->alarmTab->Combo5 : f->outputTab->Combo6; }
    QAbstractButton* read() const { return alarm ? f->alarmTab->Command17 : f->outputTab->Command23; }
    QAbstractButton* write() const { return alarm ? f->alarmTab->Command16 : f->outputTab->Command13; }
    QLineEdit* text() const { return alarm ? f->alarmTab->Text15 : f->outputTab->Text12; }
    QByteArray shown() const {
        return alarm ? SettingsRecords::buildAlarmWrite(f->alarmTab->currentSettings()).frame.mid(12)
                     : SettingsRecords::buildOutputWrite(f->outputTab->currentSettings()).frame.mid(12);
    }
    QByteArray& holds(int ch) { return alarm ? module->alarm[ch] : module->output[ch]; }
    // Channels 0 .. n-1 hold records told apart by their text.
    void fill(int n) {
        (alarm ? static_cast<QAbstractButton*>(f->alarmTab->Option10) : f->outputTab->Option17)->click();
        const char* names[] = {"ZERO", "ONE", "TWO"};
        for (int ch = 0; ch < n; ++ch) {
            text()->setText(QString::fromLatin1(names[ch]));
            holds(ch) = shown();
        }
    }
    bool told(int messages) {
        return h.waitFor([&] { return h.dialogs.messageCount() == messages && g::RxState == 0; }, 5000);
    }
    bool quiet() {
        return time.runFor(4000) &&
               h.waitFor([&] { return g::RxState == 0 && !h.sim().sending(); }, 5000);
    }
};

}  // namespace

// A read, the block read written back unchanged, then a read of channel 0
// and at once one of channel 1 (both out before either is answered): each
// answer is its own read's, shown under its channel.
void TestHeldAnswers::everyReadShownUnderItsOwnChannel_data() {
    QTest::addColumn<bool>("alarm");
    QTest::newRow("alarm") << true;
    QTest::newRow("output") << false;
}

void TestHeldAnswers::everyReadShownUnderItsOwnChannel() {
    QFETCH(bool, alarm);
    Rig r;
    QVERIFY(r.open(alarm));
    r.fill(alarm ? 3 : 2);
    const QByteArrayList before{r.holds(0), r.holds(1)};
    r.channel()->setCurrentIndex(0);
    r.read()->click();
    QVERIFY(r.told(1));
    r.write()->click();
    QVERIFY(r.told(2));
    r.read()->click();
    r.channel()->setCurrentIndex(1);
    r.read()->click();
    QVERIFY(r.quiet());
    QCOMPARE(r.wrong, QStringList());
    const int ch = r.channel()->currentIndex();
    QCOMPARE(r.shown(), r.holds(ch));
    // What the form shows, written back, lands where it came from.
    r.write()->click();
    QVERIFY(r.quiet());
    QCOMPARE(QByteArrayList({r.holds(0), r.holds(1)}), before);
}

// A read answered twice, the copy late; a write and a read of the same
// channel go before it, answered slowly and in turn, so that the copy comes
// ahead of the write's acknowledgement and is held for it; before the
// acknowledgement comes, a read of another channel is pressed. The write
// is told, and every read said to have succeeded shows what its channel
// holds.
void TestHeldAnswers::readPressedWhileACopyAwaitsTheWritesAcknowledgement_data() {
    QTest::addColumn<bool>("alarm");
    QTest::newRow("alarm") << true;
    QTest::newRow("output") << false;
}

void TestHeldAnswers::readPressedWhileACopyAwaitsTheWritesAcknowledgement() {
    QFETCH(bool, alarm);
    Rig r;
    QVERIFY(r.open(alarm));
    r.fill(2);
    using Fate = ModuleSim::Fate;
    r.h.sim().queueFates({Fate::repeated(2, 800), Fate::late(300), Fate::late(300), Fate::late(300)});
    r.channel()->setCurrentIndex(0);
    r.read()->click();
    QVERIFY(r.told(1));
    QVERIFY(r.time.runFor(600));
    r.text()->setText(QStringLiteral("NEW"));
    r.write()->click();
    r.read()->click();
    QVERIFY(r.time.runFor(250));  // the copy is in, the acknowledgement not yet
    QCOMPARE(r.h.dialogs.messageCount(), 1);
    r.channel()->setCurrentIndex(1);
    r.read()->click();
    QVERIFY(r.quiet());
    QCOMPARE(r.wrong, QStringList());
    QVERIFY2(r.h.dialogs.messages().size() > 1 &&
                 std::any_of(r.h.dialogs.messages().begin(), r.h.dialogs.messages().end(),
                             [](const Dialogs::Message& m) { return m.text == QStringLiteral("设置成功"); }),
             "the write is never told");
    const QByteArrayList before{r.holds(0), r.holds(1)};
    QCOMPARE(r.shown(), r.holds(r.channel()->currentIndex()));
    r.write()->click();
    QVERIFY(r.quiet());
    QCOMPARE(QByteArrayList({r.holds(0), r.holds(1)}), before);
}

// A table read answered twice, the copy 3 s later; a write (or a clear)
// goes just before the copy and the module, answering in turn, sends its
// acknowledgement behind the copy: the copy answers nothing, and the acknowledgement is
// the write's (the clear's), told, with the grid as the module holds it.
void TestHeldAnswers::tableCopyAheadOfAnAcknowledgementTakesNoneOfIt_data() {
    QTest::addColumn<bool>("clear");
    QTest::addColumn<QString>("said");
    QTest::newRow("write") << false << "电话号码表设置成功";
    QTest::newRow("clear") << true << "清空号码表成功";
}

void TestHeldAnswers::tableCopyAheadOfAnAcknowledgementTakesNoneOfIt() {
    QFETCH(bool, clear);
    QFETCH(QString, said);
    Rig r;
    SimPhoneTable table;
    table.install(r.h.sim());
    table.setNumbers({QStringLiteral("13900000001"), QStringLiteral("13900000002")});
    QVERIFY(r.open(true));
    r.f->SSTab1->setCurrentIndex(2);
    PhoneTab* p = r.f->phoneTab;
    using Fate = ModuleSim::Fate;
    r.h.sim().queueFates({Fate::repeated(2, 3000)});
    p->Command12->click();
    QVERIFY(r.h.waitFor([&] { return p->numbers() == table.numbers(); }, 2000));
    QVERIFY(r.time.runFor(2600));
    if (!clear) {
        p->Text9->setText(QStringLiteral("13800000003"));
        p->Command19->click();
    }
    (clear ? p->Command24 : p->Command11)->click();
    QVERIFY(r.quiet());
    QStringList told;
    for (const Dialogs::Message& m : r.h.dialogs.messages())
        if (m.buttons == Dialogs::Buttons::Ok) told << m.text;
    QCOMPARE(told, QStringList{said});
    QCOMPARE(p->numbers(), table.numbers());
}

QTEST_MAIN(TestHeldAnswers)
#include "tst_held_answers.moc"
