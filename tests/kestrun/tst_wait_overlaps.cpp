// A test request's two-second wait overlapping a refresh or a timed chain:
// once both have ended, every button of the form is as it was before.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "KestrunHarness.h"
#include "kestrun/settings/TestTab.h"
#include "tests/support/ButtonStates.h"
#include "tools/SimParams.h"
#include "tools/SimTestPeer.h"

class TestWaitOverlaps : public QObject {
    Q_OBJECT

private slots:
    void everyButtonComesBack();
};

void TestWaitOverlaps::everyButtonComesBack() {
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    h.sim().identity.workMode = 0;  // passive: all three test requests exist
    h.sim().identity.transMode = 1;
    SimParams* params = SimParams::install(h.sim());
    params->powerSaving = 1;
    SimTestPeer::install(h.sim());
    SettingsForm* f = h.showFormDirectly(1);
    QVERIFY(f);
    g::WorkModeByte[0] = 0;
    g::TransModeByte[0] = 1;
    TestTab* t = f->testTab;
    for (QPushButton* b : t->Command21) b->setVisible(true);
    t->Text22->setText(QStringLiteral("00:01:"));
    t->TextBox[1]->setPlainText(QStringLiteral("AB"));
    t->ReceiverNumber->setText(QStringLiteral("13800138000"));
    f->Combo1->setCurrentIndex(1);
    f->Combo2->setCurrentIndex(0);
    f->Option5->setChecked(true);
    // A button the user cannot use before stays so.
    f->Command7->setEnabled(false);

    const auto ended = [&] {
        return !t->sendPending() && !f->commandsDisabled() && !f->Timer1->enabled() && !f->Timer2->enabled() &&
               !f->Timer3->enabled() && !h.sim().sending();
    };
    // A request whose wait ends inside the chain stays out of it, with a word.
    const QString broken = ButtonStates::firstBrokenPair(
        f, {t->Command21[0], t->Command21[1], t->Command21[2]},
        {{"refresh", f->Command8}, {"work mode", f->Command5}, {"power saving", f->Command14}}, ended, 12000,
        ButtonStates::testRequestsKeptOutOfChains(h.sim(), h.dialogs));
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
    for (const auto& m : h.dialogs.messages())
        QVERIFY2(m.text == TestFrames::notSentText(), qPrintable(h.dialogs.describe()));
}

QTEST_MAIN(TestWaitOverlaps)
#include "tst_wait_overlaps.moc"
