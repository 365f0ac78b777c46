// The refresh gets its own answers while a box the answer receiver opened
// stays open: it waits for the box rather than ending with placeholders.

#include "ParamRig.h"

class TestAnswersInTurn : public QObject {
    Q_OBJECT

private slots:
    void refreshWaitsForTheNoticeBox_data();
    void refreshWaitsForTheNoticeBox();
};

void TestAnswersInTurn::refreshWaitsForTheNoticeBox_data() {
    QTest::addColumn<bool>("apart");  // the answer arrives after the notice's box opened
    QTest::newRow("notice and answer together") << false;
    QTest::newRow("answer arrives while the box is open") << true;
}

void TestAnswersInTurn::refreshWaitsForTheNoticeBox() {
    QFETCH(bool, apart);
    const QString notice = QStringLiteral("模块初始化已经完成，您可以设置参数了");
    ParamRig r;
    r.p->passwordUse = 1;
    r.p->powerSaving = 1;
    int start = 0;
    QVERIFY(r.connectAndRefresh(&start));
    const QStringList chain = r.tails(start);
    SettingsForm* f = r.f();
    const QString labels = QStringList({f->Label3->text(), f->Label4->text(), f->Label5->text(),
                                        f->Label19->text(), f->Label22->text(), f->Label30->text()})
                               .join(QLatin1Char('|'));

    // Late enough to arrive apart from the notice, early enough to leave the
    // refresh's 500 ms tick room on a busy machine.
    if (apart) r.sim().behaviour.delayMs = 150;
    int ticks = 0, ticksAtOpen = -1;
    QObject::connect(f->Timer2, &VbTimer::tick, f, [&] { ++ticks; });
    bool closedInTime = false;  // on its condition, not its limit
    r.h.dialogs.setHoldPolicy([&](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
        if (m.text != notice) return std::nullopt;
        return DialogRecorder::Hold{
            30000, [&] { return closedInTime = ticks >= ticksAtOpen + 3 || !f->Timer2->enabled(); }, std::nullopt};
    });
    QObject::connect(&r.sim(), &ModuleSim::requestReceived, &r.sim(), [&](const QByteArray& q) {
        if (q == ParamRig::frame("A3 02")) {
            ticksAtOpen = ticks;
            r.send("FD 01");
        }
    });
    const int from = r.count();
    QTest::mouseClick(f->Command8, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return r.h.dialogs.messageCount() == 1 && r.h.dialogs.openBoxes() == 0; }, 35000));
    QVERIFY(closedInTime);
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer2->enabled() && !r.busy(); }, 8000));
    QCOMPARE(r.tails(from), chain);
    QCOMPARE(QStringList({f->Label3->text(), f->Label4->text(), f->Label5->text(), f->Label19->text(),
                          f->Label22->text(), f->Label30->text()})
                 .join(QLatin1Char('|')),
             labels);
    QCOMPARE(r.h.dialogs.describe(), QStringLiteral("提示信息: ") + notice);
}

QTEST_MAIN(TestAnswersInTurn)
#include "tst_answers_in_turn.moc"
