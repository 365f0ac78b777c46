// Every chain gets its own answers and ends: a notice box that stays open
// while the refresh or a table read goes on, the next answer arriving as the
// box closes, a row answer that comes after its time-out, a transfer
// stopped and started again with an answer of the first still on the way,
// and a table clear with other requests pressed around it.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>
#include <memory>

#include "TableRig.h"
#include "platform/Controls.h"
#include "tests/support/VirtualTime.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/PhoneTab.h"

using namespace TableRig;
using SimSupport::hex;

namespace {

const QString kNotice = QStringLiteral("模块初始化已经完成，您可以设置参数了");

FlexGrid* gridOf(SettingsForm* f, bool input) { return input ? f->inputTab->MSGrid2 : f->commandTab->MSGrid1; }
QPushButton* readButton(SettingsForm* f, bool input) {
    return input ? f->inputTab->Command23 : f->commandTab->Command23;
}
QPushButton* writeButton(SettingsForm* f, bool input) {
    return input ? f->inputTab->Command13 : f->commandTab->Command13;
}
Tables::Table tableOf(bool input) { return input ? Tables::Table::Input : Tables::Table::Command; }

// The notice's box stays open until `until` holds (at most 30 s, so that a
// fault cannot hang the test); other boxes answer at once. The flag returned
// tells whether the box closed on its condition rather than its limit.
std::shared_ptr<bool> holdNotice(DialogRecorder& d, std::function<bool()> until) {
    auto met = std::make_shared<bool>(false);
    d.setHoldPolicy([until, met](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
        if (m.text != kNotice) return std::nullopt;
        return DialogRecorder::Hold{30000, [until, met] { return *met = *met || until(); }, std::nullopt};
    });
    return met;
}

QStringList texts(const DialogRecorder& d) {
    QStringList out;
    for (const Dialogs::Message& m : d.messages()) out << m.text;
    return out;
}

// The notice came and its box has closed.
bool noticeShownAndClosed(const DialogRecorder& d) { return texts(d).contains(kNotice) && d.openBoxes() == 0; }

// VarnelHarness::connectToForm() on the virtual clock.
bool connectToForm(VirtualTime& time, VarnelHarness& h) {
    time.watchLine(&h.port(), &h.sim());
    if (!time.runUntil([&] { return h.main().pictureWindow() && h.main().pictureWindow()->isVisible(); }, 5000))
        return false;
    if (h.connect() < 0) return false;
    if (!time.runUntil([&] { return h.form() && h.form()->Timer5->enabled(); }, 10000)) return false;
    h.form()->Timer6->setEnabled(false);
    if (!time.runUntil([] { return g::RecvMode == 101; }, 5000)) return false;
    h.form()->Timer6->setEnabled(false);
    return true;
}

// Counts a timer's ticks.
struct TickCount {
    int n = 0;
    explicit TickCount(VbTimer* t) { QObject::connect(t, &VbTimer::tick, t, [this] { ++n; }); }
};

}  // namespace

Q_DECLARE_METATYPE(ModuleSim::Fate)

class TestAnswersInTurn : public QObject {
    Q_OBJECT

private slots:
    void refreshWaitsForTheNoticeBox_data();
    void refreshWaitsForTheNoticeBox();
    void answerArrivingAsTheBoxClosesIsKept();
    void tableReadWaitsForTheNoticeBox();
    void transferTakesOnlyItsOwnAnswer_data();
    void transferTakesOnlyItsOwnAnswer();
    void collectionSettingsAndTablesPressedTogether_data();
    void collectionSettingsAndTablesPressedTogether();
    void lateRefreshAnswerLeavesTheChosenMode_data();
    void lateRefreshAnswerLeavesTheChosenMode();
    void clearIsToldWithATransferBehindIt_data();
    void clearIsToldWithATransferBehindIt();
    void clearKeepsTheCollectionAnswer();
    void lateCollectionAnswerLeavesTableReadAlone_data();
    void lateCollectionAnswerLeavesTableReadAlone();
    void collectionWaitsForTheReceiverBox();
    void tableWriteAcknowledgedTwiceThenRead();
    void answerOfARequestGivenUpIsDropped_data();
    void answerOfARequestGivenUpIsDropped();
    void requestTheModuleLeftUnansweredLeavesTheNextItsAnswer_data();
    void requestTheModuleLeftUnansweredLeavesTheNextItsAnswer();
    void secondCollectionWriteIsToldItsOwnAnswer();
    void transferAfterAChangeTakesNoStoppedAnswer_data();
    void transferAfterAChangeTakesNoStoppedAnswer();
};

// --- a box the receiver opened --------------------------------------------------

void TestAnswersInTurn::refreshWaitsForTheNoticeBox_data() {
    QTest::addColumn<bool>("apart");  // the notice in a window of its own
    QTest::newRow("notice and answer in one window") << false;
    QTest::newRow("answer arrives while the box is open") << true;
}

void TestAnswersInTurn::refreshWaitsForTheNoticeBox() {
    QFETCH(bool, apart);
    // On the virtual clock every answer is in before the chain's next tick
    // is judged, as on an idle machine: the test is about order, not speed.
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    SettingsForm* f = h.form();
    ParamTab* p = f->paramTab;
    if (apart) h.sim().behaviour.delayMs = 250;
    TickCount ticks(f->Timer2);
    int ticksAtOpen = -1;
    const auto closedInTime =
        holdNotice(h.dialogs, [&] { return ticks.n >= ticksAtOpen + 3 || !f->Timer2->enabled(); });
    QObject::connect(&h.sim(), &ModuleSim::requestReceived, &h.sim(), [&](const QByteArray& r) {
        if (r == VarnelHarness::frame("A3 02")) {
            ticksAtOpen = ticks.n;
            h.sim().send(VarnelHarness::frame("FD 01"));
        }
    });
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(p->Command8, Qt::LeftButton);
    QVERIFY2(time.runUntil([&] { return noticeShownAndClosed(h.dialogs); }, 35000), qPrintable(time.why()));
    QVERIFY(*closedInTime);
    QVERIFY2(time.runUntil([&] { return !f->Timer2->enabled(); }, 8000), qPrintable(time.why()));
    QStringList tails;
    for (const QString& r : requestsFrom(h, from)) tails << r.mid(24);
    QCOMPARE(tails, QStringList({"EC 03", "A3 02", "A1 03", "F8 03", "F9 03", "D3 03", "AB 03"}));
    QCOMPARE(p->Label3->text(), QStringLiteral("主动方式"));
    QCOMPARE(p->Label4->text(), QStringLiteral("格式传输"));
    QCOMPARE(p->Label19->text(), QStringLiteral("无省电"));
    QCOMPARE(p->LabelFlash->text(), QStringLiteral("4M"));
    QCOMPARE(texts(h.dialogs), QStringList{kNotice});
    for (QPushButton* b : f->coveredButtons()) QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void TestAnswersInTurn::answerArrivingAsTheBoxClosesIsKept() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    g::ParamMode = true;
    ParamTab* p = h.form()->paramTab;
    CommPort& port = h.port();
    const QByteArray held = VarnelHarness::frame("E2 00 0A 0B");
    const QByteArray next = VarnelHarness::frame("E2 00 0C 0D");
    int phase = 0;
    const auto closedInTime = holdNotice(h.dialogs, [&] {
        switch (phase) {
            case 0:  // the box is open: an answer comes, which the receiver holds
                h.sim().send(held);
                phase = 1;
                return false;
            case 1:  // its window has closed: the next answer begins
                if (port.inBufferCount() < held.size() || h.main().timer(12)->enabled()) return false;
                h.sim().send(next.left(6));
                phase = 2;
                return false;
            default:  // the rest of it is on the line as the box closes
                if (port.inBufferCount() < held.size() + 6) return false;
                h.sim().send(next.mid(6));
                return true;
        }
    });
    h.sim().send(VarnelHarness::frame("FD 01"));
    QVERIFY(QTest::qWaitFor([&] { return noticeShownAndClosed(h.dialogs); }, 35000));
    QVERIFY(*closedInTime);
    QVERIFY(QTest::qWaitFor([&] { return p->Label9->text() == QStringLiteral("0C:0D:"); }, 3000));
}

void TestAnswersInTurn::tableReadWaitsForTheNoticeBox() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    f->transfers->setIntervals(1000, 200);
    storeRows(h.module, Tables::Table::Command, 4);
    TickCount ticks(f->Timer4);
    int ticksAtOpen = -1;
    const auto closedInTime =
        holdNotice(h.dialogs, [&] { return ticks.n >= ticksAtOpen + 5 || !f->Timer4->enabled(); });
    QObject::connect(&h.sim(), &ModuleSim::requestReceived, &h.sim(), [&](const QByteArray& r) {
        if (r == VarnelHarness::frame("A9 02 01")) {
            ticksAtOpen = ticks.n;
            h.sim().send(VarnelHarness::frame("FD 01"));
        }
    });
    QTest::mouseClick(readButton(f, false), Qt::LeftButton);
    QVERIFY(waitIdle(f));
    QVERIFY(*closedInTime);
    QCOMPARE(texts(h.dialogs), QStringList({kNotice, QStringLiteral("读取参数完成")}));
    QCOMPARE(gridOf(f, false)->Rows(), 5);
}

// --- answers that belong to another request ---------------------------------------

void TestAnswersInTurn::transferTakesOnlyItsOwnAnswer_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("write");
    QTest::addColumn<bool>("restart");   // else: the first answer comes after its time-out
    QTest::addColumn<int>("heldIndex");  // the row whose answer is late
    for (bool input : {true, false})
        for (bool write : {false, true})
            for (int held : {0, 3, 4}) {
                if (write && held == 4) continue;  // a write asks for no end
                const QString what = held == 0 ? QStringLiteral("late first answer")
                                               : QStringLiteral("stopped at row %1 and started again").arg(held);
                QTest::newRow(qPrintable(
                    QStringLiteral("%1 %2, %3").arg(input ? "A8" : "A9", write ? "write" : "read", what)))
                    << input << write << (held != 0) << held;
            }
}

void TestAnswersInTurn::transferTakesOnlyItsOwnAnswer() {
    QFETCH(bool, input);
    QFETCH(bool, write);
    QFETCH(bool, restart);
    QFETCH(int, heldIndex);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    f->transfers->setIntervals(1000, 200);
    const Tables::Table t = tableOf(input);
    const uint8_t code = Tables::code(t);
    storeRows(h.module, t, 4);
    if (input) {
        fillGrid(gridOf(f, true), 4, goldenChannel());
    } else {
        fillGrid(gridOf(f, false), 4, plainCommand());
    }
    // The module answers every request at once, except one, whose answer it
    // keeps back (the first request of the transfer, or the request for a
    // later row, the end of the table included) and sends right behind its
    // answer to the request for row `releaseIndex`.
    const int releaseIndex = restart ? 0 : 2;
    bool held = false;
    QByteArray keptBack;
    auto answerOf = [&](const QByteArray& r) {
        const int index = uint8_t(r.at(10));
        if (!write) return h.module->tables.readAnswer(t, index);
        return ModuleSim::answerFrame(code, 0, "SETOK:" + QByteArray::number(index).rightJustified(2, '0'));
    };
    auto onRequest = [&](ModuleSim& s, const QByteArray& r) {
        const int index = uint8_t(r.at(10));
        if (!held && index == heldIndex) {
            held = true;
            keptBack = answerOf(r);
            return;
        }
        s.send(answerOf(r));
        if (!keptBack.isEmpty() && index == releaseIndex) {
            s.send(keptBack);
            keptBack.clear();
        }
    };
    h.sim().setOpHandler(code, write ? 0x01 : 0x02, onRequest);
    QPushButton* button = write ? writeButton(f, input) : readButton(f, input);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(button, Qt::LeftButton);
    int restartFrom = from;
    if (restart) {
        QVERIFY(QTest::qWaitFor([&] { return held; }, 10000));
        QTest::mouseClick(button, Qt::LeftButton);  // 停止
        QVERIFY(!f->transfers->busy());
        restartFrom = int(h.sim().requests().size());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QVERIFY(waitIdle(f));
    QVERIFY(keptBack.isEmpty());
    const QString done = QString::fromUtf8(write ? "设置成功" : input ? "读取参数成功" : "读取参数完成");
    QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: ") + done);
    // Each row went out once in its turn (the first twice when its answer
    // was late), and a read took every row.
    QList<int> indices;
    for (int i = restartFrom; i < h.sim().requests().size(); ++i) indices << uint8_t(h.request(i).at(10));
    QList<int> expected = write ? QList<int>{0, 1, 2, 3} : QList<int>{0, 1, 2, 3, 4};
    if (!restart) expected.prepend(0);
    QCOMPARE(indices, expected);
    if (!write) QCOMPARE(gridOf(f, input)->Rows(), 5);
}

// The collection settings share the input table's code: pressed together
// with a table transfer or with each other, each request still gets its own
// answer.
void TestAnswersInTurn::collectionSettingsAndTablesPressedTogether_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("messages");  // sorted
    const QString ok = QStringLiteral("设置成功"), readOk = QStringLiteral("读取参数成功");
    QTest::newRow("collection read, table read") << "Command28" << "Command23(1)" << QStringList{readOk};
    QTest::newRow("collection read, table write") << "Command28" << "Command13(1)" << QStringList{ok};
    QTest::newRow("collection write, table read") << "Command29" << "Command23(1)" << QStringList{ok, readOk};
    QTest::newRow("collection write, table write") << "Command29" << "Command13(1)" << QStringList{ok, ok};
    QTest::newRow("collection write, collection read") << "Command29" << "Command28" << QStringList{ok};
}

void TestAnswersInTurn::collectionSettingsAndTablesPressedTogether() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QStringList, messages);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    InputTableTab* t = f->inputTab;
    SimCollection& c = h.module->collection;
    c.periodUnits = 250;
    c.timeoutUnits = 7;
    c.resends = 4;
    c.history = 1;
    const QByteArray held = c.settingsBytes();
    storeRows(h.module, Tables::Table::Input, 3);
    fillGrid(t->MSGrid2, 2, goldenChannel());
    // The page already shows what the module holds, so every order of the
    // two requests leaves both the same.
    t->TxtPeriod->setText(QStringLiteral("2.5"));
    t->TxtTimeOut->setText(QStringLiteral("700"));
    t->TxtReSend->setText(QStringLiteral("4"));
    t->CheckHis->setChecked(true);
    QTest::mouseClick(t->findChild<QPushButton*>(first), Qt::LeftButton);
    QTest::mouseClick(t->findChild<QPushButton*>(second), Qt::LeftButton);
    QVERIFY(waitIdle(f));
    QVERIFY(h.dialogs.waitForMessage(int(messages.size()), 10000));
    // Every answer has been sent, taken in and handed to the receiver.
    QVERIFY(QTest::qWaitFor(
        [&] { return !h.sim().sending() && h.port().inBufferCount() == 0 && !h.main().timer(12)->enabled(); },
        5000));
    QStringList shown;
    for (const Dialogs::Message& m : h.dialogs.messages()) shown << m.text;
    shown.sort();
    QCOMPARE(shown, messages);
    QCOMPARE(c.settingsBytes(), held);
    QCOMPARE(QStringList({t->TxtPeriod->text(), t->TxtTimeOut->text(), t->TxtReSend->text()}),
             QStringList({"2.5", "700", "4"}));
    QVERIFY(t->CheckHis->isChecked());
    if (second == QStringLiteral("Command23(1)")) QCOMPARE(t->MSGrid2->Rows(), 4);
    if (second == QStringLiteral("Command13(1)")) QCOMPARE(h.module->tables.state(Tables::Table::Input).writes, 2);
}

// --- a late answer of an ended refresh -------------------------------------------

void TestAnswersInTurn::lateRefreshAnswerLeavesTheChosenMode_data() {
    QTest::addColumn<int>("lateCode");  // the refresh's query answered after it ended
    QTest::addColumn<int>("transMode");  // the module's: 1 formatted, 0 transparent
    QTest::addColumn<int>("pick");      // Combo2 item the user picks
    QTest::addColumn<QString>("sent");  // the transmission-mode write
    QTest::newRow("late F9, 格式传输 to 透明方式2") << 0xF9 << 1 << 2 << "F9 01 00";
    QTest::newRow("late FB, 透明方式2 to 格式传输") << 0xFB << 0 << 0 << "F9 01 01";
}

void TestAnswersInTurn::lateRefreshAnswerLeavesTheChosenMode() {
    QFETCH(int, lateCode);
    QFETCH(int, transMode);
    QFETCH(int, pick);
    QFETCH(QString, sent);
    VarnelHarness h;
    h.sim().identity.workMode = 1;
    h.sim().identity.transMode = uint8_t(transMode);
    h.module->params->subMode = 0;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    ParamTab* p = f->paramTab;
    h.sim().setFatePolicy([lateCode](const QByteArray& a) {
        return a.size() > 8 && uint8_t(a.at(8)) == lateCode ? ModuleSim::Fate::late(1500) : ModuleSim::Fate::onTime();
    });
    QTest::mouseClick(p->Command8, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer2->enabled(); }, 10000));
    h.sim().setFatePolicy({});
    Controls::setListIndexAndClick(p->Combo1, 0);
    Controls::setListIndexAndClick(p->Combo2, pick);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(p->Command5, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !f->Timer1->enabled(); }, 15000));
    QStringList out;
    for (int i = from; i < h.sim().requests().size(); ++i) out << hex(h.request(i).mid(8));
    QVERIFY2(out.contains(sent), qPrintable(out.join(" | ")));
    QCOMPARE(p->Combo2->currentIndex(), pick);
}

// --- a table clear and the requests around it ------------------------------------

void TestAnswersInTurn::clearIsToldWithATransferBehindIt_data() {
    QTest::addColumn<bool>("input");
    QTest::addColumn<bool>("write");  // the table's write pressed, else its read
    for (bool input : {true, false})
        for (bool write : {false, true})
            QTest::addRow("%s table, %s", input ? "input" : "command", write ? "write" : "read") << input << write;
}

// The table's read or write pressed before the clear's acknowledgement is
// in: the module answers the clear first, and both are told.
void TestAnswersInTurn::clearIsToldWithATransferBehindIt() {
    QFETCH(bool, input);
    QFETCH(bool, write);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    f->SSTab1->setCurrentIndex(input ? 3 : 4);
    storeRows(h.module, tableOf(input), 2);
    if (input)
        fillGrid(gridOf(f, true), 1, goldenChannel());
    else
        fillGrid(gridOf(f, false), 1, plainCommand());
    h.dialogs.queueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(input ? f->inputTab->Command27 : f->commandTab->Command27, Qt::LeftButton);
    QTest::mouseClick(write ? writeButton(f, input) : readButton(f, input), Qt::LeftButton);
    QVERIFY(waitIdle(f, 30000));
    QVERIFY(h.dialogs.waitForMessage(3, 5000));
    QCOMPARE(h.module->tables.rowCount(tableOf(input)), write ? 1 : 0);
    QVERIFY2(texts(h.dialogs).contains(QStringLiteral("清除成功")), qPrintable(texts(h.dialogs).join(" | ")));
}

// A clear confirmed while the collection write's acknowledgement waits on
// the port leaves it there for the write.
void TestAnswersInTurn::clearKeepsTheCollectionAnswer() {
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    InputTableTab* t = h.form()->inputTab;
    h.form()->SSTab1->setCurrentIndex(3);
    t->setCollectionWait(1000);
    t->Option9->click();
    t->TxtPeriod->setText(QStringLiteral("2"));
    QTest::mouseClick(t->Command29, Qt::LeftButton);
    h.dialogs.queueHold({5000, [&] { return h.port().inBufferCount() > 0; }, Dialogs::Answer::Ok});
    QTest::mouseClick(t->Command27, Qt::LeftButton);
    QVERIFY2(time.runUntil([&] { return h.dialogs.messageCount() >= 3; }, 10000), qPrintable(time.why()));
    QVERIFY2(time.runUntilLineQuiet(1500, 10000), qPrintable(time.why()));
    QStringList shown = texts(h.dialogs).mid(1);
    shown.sort();
    QCOMPARE(shown, QStringList({QStringLiteral("清除成功"), QStringLiteral("设置成功")}));
}

// The collection read answered after its wait ran out and the user was
// told, or answered in two pieces a pause apart with the table read pressed
// at once: neither the late answer nor the head of the cut one is a row, or
// the end, of the input table read.
void TestAnswersInTurn::lateCollectionAnswerLeavesTableReadAlone_data() {
    QTest::addColumn<ModuleSim::Fate>("fate");
    QTest::addColumn<bool>("readAfterWait");
    QTest::newRow("late") << ModuleSim::Fate::late(1500) << true;
    QTest::newRow("cut by a pause") << ModuleSim::Fate::split(2, 600) << false;
}

void TestAnswersInTurn::lateCollectionAnswerLeavesTableReadAlone() {
    QFETCH(ModuleSim::Fate, fate);
    QFETCH(bool, readAfterWait);
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    SettingsForm* f = h.form();
    f->SSTab1->setCurrentIndex(3);
    storeRows(h.module, Tables::Table::Input, 4);
    f->inputTab->setCollectionWait(1000);
    h.sim().queueFates({fate});
    QTest::mouseClick(f->inputTab->Command28, Qt::LeftButton);
    if (readAfterWait)
        QVERIFY2(time.runUntil([&] { return h.dialogs.messageCount() == 1; }, 5000), qPrintable(time.why()));
    QTest::mouseClick(f->inputTab->Command23, Qt::LeftButton);
    QVERIFY2(time.runUntil([&] { return !f->transfers->busy(); }, 60000), qPrintable(time.why()));
    QVERIFY2(time.runUntilLineQuiet(1000, 10000), qPrintable(time.why()));
    QStringList shown = texts(h.dialogs);
    shown.sort();
    QCOMPARE(shown, QStringList({QStringLiteral("读参数超时失败"), QStringLiteral("读取参数成功")}));
    QCOMPARE(f->inputTab->MSGrid2->Rows(), 5);
}

// The phone table read and the collection write pressed together, the
// read's box left open past the write's wait: the acknowledgement held
// behind the box is taken once it closes, and no time-out is told.
void TestAnswersInTurn::collectionWaitsForTheReceiverBox() {
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    InputTableTab* t = h.form()->inputTab;
    t->setCollectionWait(1000);
    t->TxtPeriod->setText(QStringLiteral("2.5"));
    h.dialogs.queueHold({3000, {}, {}});
    h.form()->phoneTab->Command12->click();
    t->Command29->click();
    QVERIFY2(time.runUntil([&] { return h.dialogs.messageCount() >= 2 && !h.dialogs.openBoxes(); }, 10000),
             qPrintable(time.why()));
    QVERIFY2(time.runUntilLineQuiet(2000, 10000), qPrintable(time.why()));
    QCOMPARE(texts(h.dialogs), QStringList({QStringLiteral("号码表空"), QStringLiteral("设置成功")}));
}

// The phone table written, its acknowledgement sent twice, and a read
// pressed as the first is told: the copy is no table, and the read shows
// what the module holds.
void TestAnswersInTurn::tableWriteAcknowledgedTwiceThenRead() {
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    PhoneTab* p = h.form()->phoneTab;
    h.form()->SSTab1->setCurrentIndex(2);
    for (const char* n : {"13800000001", "13800000002"}) {
        p->Text9->setText(QString::fromLatin1(n));
        p->Command19->click();
    }
    h.sim().queueFates({ModuleSim::Fate::repeated(2, 300)});
    p->Command11->click();
    QVERIFY2(time.runUntil([&] { return h.dialogs.messageCount() == 1; }, 5000), qPrintable(time.why()));
    p->Command12->click();
    QVERIFY2(time.runUntilLineQuiet(1000, 10000), qPrintable(time.why()));
    QCOMPARE(texts(h.dialogs), QStringList{QStringLiteral("电话号码表设置成功")});
    QCOMPARE(p->numbers(), h.module->phoneTable.numbers());
}

// A request given up (a transfer stopped with its row on the way, a
// collection write whose wait ran out) is still answered, in turn, ahead of
// the next request; so is a collection acknowledgement sent twice. Neither
// answer is the next request's.
void TestAnswersInTurn::answerOfARequestGivenUpIsDropped_data() {
    QTest::addColumn<QString>("first");  // the table's "read"/"write" stopped, or the collection's "ack"
    QTest::addColumn<ModuleSim::Fate>("ackFate");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<QStringList>("told");
    const QString ok = QStringLiteral("设置成功"), refused = QStringLiteral("设置失败");
    QTest::newRow("table read stopped, collection read") << "read" << ModuleSim::Fate() << 800 << QStringList();
    QTest::newRow("table read stopped, table cleared, read again") << "clear" << ModuleSim::Fate() << 800
                                                                   << QStringList();
    QTest::newRow("table write stopped, collection write refused") << "write" << ModuleSim::Fate() << 800
                                                                    << QStringList{refused};
    QTest::newRow("collection ack after its wait, table write refused")
        << "ack" << ModuleSim::Fate() << 1500 << QStringList{QStringLiteral("写参数超时失败"), refused};
    QTest::newRow("collection ack sent twice, table write refused")
        << "ack" << ModuleSim::Fate::repeated(2, 300) << 0 << QStringList{ok, refused};
}

void TestAnswersInTurn::answerOfARequestGivenUpIsDropped() {
    QFETCH(QString, first);
    QFETCH(ModuleSim::Fate, ackFate);
    QFETCH(int, delayMs);
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    SettingsForm* f = h.form();
    InputTableTab* t = f->inputTab;
    f->SSTab1->setCurrentIndex(3);
    SimCollection& c = h.module->collection;
    c.setSettingsBytes(QByteArray::fromHex("FA00000007 0401"));
    storeRows(h.module, Tables::Table::Input, 4);
    fillGrid(t->MSGrid2, first == "ack" ? 1 : 2, goldenChannel());
    t->TxtPeriod->setText(QStringLiteral("3"));
    h.sim().behaviour.delayMs = delayMs;
    QPushButton* transfer = first == "write" || first == "ack" ? t->Command13 : t->Command23;
    if (first == "ack") {
        h.module->tables.state(Tables::Table::Input).writeAck = Tables::Ack::Fail;
        t->setCollectionWait(1000);
        h.sim().queueFates({ackFate});
        QTest::mouseClick(t->Command29, Qt::LeftButton);
        QVERIFY2(time.runUntil([&] { return h.dialogs.messageCount() == 1; }, 5000), qPrintable(time.why()));
        QTest::mouseClick(transfer, Qt::LeftButton);
    } else {
        if (first == "write") c.writeAck = SimCollection::Ack::Fail;
        const int from = int(h.sim().requests().size());
        QTest::mouseClick(transfer, Qt::LeftButton);
        QVERIFY2(time.runUntil([&] { return h.sim().requests().size() > from; }, 5000), qPrintable(time.why()));
        QTest::mouseClick(transfer, Qt::LeftButton);  // 停止
        if (first == "clear") {
            h.dialogs.queueAnswer(Dialogs::Answer::Ok);
            QTest::mouseClick(t->Command27, Qt::LeftButton);
            QTest::mouseClick(transfer, Qt::LeftButton);
        } else {
            QTest::mouseClick(first == "write" ? t->Command29 : t->Command28, Qt::LeftButton);
        }
    }
    QVERIFY2(time.runUntil([&] { return !f->transfers->busy(); }, 30000), qPrintable(time.why()));
    QVERIFY2(time.runUntilLineQuiet(2000, 20000), qPrintable(time.why()));
    if (first == "clear") {  // the stopped read's row is none of the cleared table's
        QCOMPARE(t->MSGrid2->Rows(), 1);
        QVERIFY(texts(h.dialogs).contains(QStringLiteral("清除成功")));
        return;
    }
    QTEST(texts(h.dialogs), "told");
    if (first == "read") {  // what the page shows is what a write sends back
        QCOMPARE(QStringList({t->TxtPeriod->text(), t->TxtTimeOut->text(), t->TxtReSend->text()}),
                 QStringList({"2.5", "700", "4"}));
        QTest::mouseClick(t->Command29, Qt::LeftButton);
        QVERIFY2(time.runUntilLineQuiet(2000, 20000), qPrintable(time.why()));
        QCOMPARE(hex(c.settingsBytes()), QStringLiteral("FA 00 00 00 07 04 01"));
    }
}

// The module leaves one request unanswered (the program asks again or gives
// up and says so); the next request, pressed at once, is answered: that
// answer is the next request's, not taken for the one never answered.
void TestAnswersInTurn::requestTheModuleLeftUnansweredLeavesTheNextItsAnswer_data() {
    QTest::addColumn<QString>("first");  // what the module leaves unanswered once
    QTest::addColumn<QString>("next");   // Command28 collection read, Command29 collection write
    QTest::addColumn<QStringList>("told");
    const QString readLate = QStringLiteral("读参数超时失败"), writeLate = QStringLiteral("写参数超时失败");
    QTest::newRow("collection read, read again") << "collection" << "Command28" << QStringList{readLate};
    QTest::newRow("collection write, write again")
        << "collection" << "Command29" << QStringList{writeLate, QStringLiteral("设置成功")};
    QTest::newRow("table read's first row, collection read")
        << "row" << "Command28" << QStringList{QStringLiteral("读取参数成功")};
    QTest::newRow("table read's end, collection write")
        << "end" << "Command29" << QStringList{readLate, QStringLiteral("设置成功")};
}

void TestAnswersInTurn::requestTheModuleLeftUnansweredLeavesTheNextItsAnswer() {
    QFETCH(QString, first);
    QFETCH(QString, next);
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    SettingsForm* f = h.form();
    InputTableTab* t = f->inputTab;
    f->SSTab1->setCurrentIndex(3);
    SimCollection& c = h.module->collection;
    c.setSettingsBytes(QByteArray::fromHex("FA00000007 0401"));
    storeRows(h.module, Tables::Table::Input, 3);
    t->TxtPeriod->setText(QStringLiteral("3"));
    const bool write = next == QStringLiteral("Command29");
    if (first == "collection") {
        c.answerReads = write;
        c.writeAck = write ? SimCollection::Ack::Silent : SimCollection::Ack::Ok;
        QTest::mouseClick(t->findChild<QPushButton*>(next), Qt::LeftButton);
        QVERIFY2(time.runUntil([&] { return h.dialogs.messageCount() == 1; }, 10000), qPrintable(time.why()));
        c.answerReads = true;
        c.writeAck = SimCollection::Ack::Ok;
        if (write) t->TxtPeriod->setText(QStringLiteral("3"));
    } else {
        if (first == "row") h.sim().queueFates({ModuleSim::Fate::missing()});
        if (first == "end") h.module->tables.state(Tables::Table::Input).end = Tables::End::Silence;
        QTest::mouseClick(t->Command23, Qt::LeftButton);
        QVERIFY2(time.runUntil([&] { return !f->transfers->busy(); }, 60000), qPrintable(time.why()));
        QCOMPARE(t->MSGrid2->Rows(), 4);
    }
    QTest::mouseClick(t->findChild<QPushButton*>(next), Qt::LeftButton);
    // Longer than the collection's wait: a time-out would be told by now.
    QVERIFY2(time.runUntilLineQuiet(8000, 30000), qPrintable(time.why()));
    if (write) QCOMPARE(hex(c.settingsBytes()).left(11), QStringLiteral("2C 01 00 00"));  // the module holds it
    QStringList told = texts(h.dialogs);
    if (first != "collection") told.removeAll(QStringLiteral("读取参数完成"));
    QTEST(told, "told");
    if (!write)
        QCOMPARE(QStringList({t->TxtPeriod->text(), t->TxtTimeOut->text(), t->TxtReSend->text()}),
                 QStringList({"2.5", "700", "4"}));
}

// The collection settings written, changed and written again before the
// module answered the first: the module stores the first and refuses the
// second, and the user is told so of the second, not left with the first's
// success for values the module does not hold.
void TestAnswersInTurn::secondCollectionWriteIsToldItsOwnAnswer() {
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    InputTableTab* t = h.form()->inputTab;
    h.form()->SSTab1->setCurrentIndex(3);
    SimCollection& c = h.module->collection;
    h.sim().behaviour.delayMs = 800;
    int writes = 0;  // the second write is refused
    QObject::connect(&h.sim(), &ModuleSim::requestReceived, &h.sim(), [&](const QByteArray& r) {
        if (r.size() > 9 && uint8_t(r.at(9)) == 0xF1 && ++writes == 2) c.writeAck = SimCollection::Ack::Fail;
    });
    t->TxtPeriod->setText(QStringLiteral("3"));
    QTest::mouseClick(t->Command29, Qt::LeftButton);
    t->TxtPeriod->setText(QStringLiteral("4"));
    QTest::mouseClick(t->Command29, Qt::LeftButton);
    QVERIFY2(time.runUntilLineQuiet(8000, 30000), qPrintable(time.why()));
    QCOMPARE(hex(c.settingsBytes()).left(11), QStringLiteral("2C 01 00 00"));
    QCOMPARE(texts(h.dialogs), QStringList({QStringLiteral("设置成功"), QStringLiteral("设置失败")}));
}


// A transfer stopped with a request out, then the table cleared (and read
// again, or the collection settings read or written), written again, or
// read again, all before the module answers: the stopped request's answer
// is not the new one's, though it names the same row, or none (a refusal,
// an end of the table).
void TestAnswersInTurn::transferAfterAChangeTakesNoStoppedAnswer_data() {
    QTest::addColumn<bool>("input");
    // "read" or "write" stopped at row 0; "refused" at row 1; "end" at row 2,
    // which the module answers with row 0x50, its way of ending the table
    QTest::addColumn<QString>("stopped");
    // "read", "collection", "collection read" (each after a clear), "write", "again" (a read)
    QTest::addColumn<QString>("next");
    QTest::addColumn<QStringList>("told");
    const QStringList ok{QStringLiteral("设置成功")}, ended{QStringLiteral("读取参数完成")};
    for (bool input : {true, false}) {
        const QString c = input ? "A8 " : "A9 ";
        const QStringList empty = input ? QStringList{QStringLiteral("读取参数成功")} : ended;
        QTest::newRow(qPrintable(c + "read stopped, cleared, read again")) << input << "read" << "read" << empty;
        QTest::newRow(qPrintable(c + "read stopped at its end, cleared, read again"))
            << input << "end" << "read" << empty;
        QTest::newRow(qPrintable(c + "write stopped, written again and refused"))
            << input << "write" << "write" << QStringList{QStringLiteral("设置失败")};
        QTest::newRow(qPrintable(c + "write stopped as its row is refused, written again"))
            << input << "refused" << "write" << ok;
    }
    QTest::newRow("A8 write stopped as its row is refused, cleared, collection written")
        << true << "refused" << "collection" << ok;
    QTest::newRow("A8 read stopped at its end, cleared, collection read") << true << "end" << "collection read"
                                                                          << QStringList();
    QTest::newRow("A8 read stopped at its end, read again") << true << "end" << "again" << ended;
}

void TestAnswersInTurn::transferAfterAChangeTakesNoStoppedAnswer() {
    QFETCH(bool, input);
    QFETCH(QString, stopped);
    QFETCH(QString, next);
    VirtualTime time;
    VarnelHarness h;
    QVERIFY2(connectToForm(time, h), qPrintable(time.why()));
    SettingsForm* f = h.form();
    f->SSTab1->setCurrentIndex(input ? 3 : 4);
    const Tables::Table t = tableOf(input);
    Tables::State& module = h.module->tables.state(t);
    const int stopAt = stopped == "end" ? 2 : stopped == "refused" ? 1 : 0;
    const bool read = stopped == "read" || stopped == "end";
    if (read) storeRows(h.module, t, 3);
    if (stopped == "end") {
        QByteArray end = h.module->tables.row(t, 2);
        end[1] = char(0x50);
        unsigned sum = 0;
        for (qsizetype i = 1; i < end.size(); ++i) sum += uint8_t(end.at(i));
        end[0] = char(sum);
        h.module->tables.setRow(t, 2, end);
    }
    h.module->collection.setSettingsBytes(QByteArray::fromHex("FA00000007 0401"));
    if (input) {
        fillGrid(gridOf(f, true), stopAt + 1, goldenChannel());
    } else {
        fillGrid(gridOf(f, false), stopAt + 1, plainCommand());
    }
    if (stopped == "refused") module.rowAcks.insert(1, Tables::Ack::Fail);
    h.sim().behaviour.delayMs = 800;
    QPushButton* transfer = read ? readButton(f, input) : writeButton(f, input);
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(transfer, Qt::LeftButton);
    const auto asked = [&] {
        const int n = int(h.sim().requests().size());
        return read ? n > from && uint8_t(h.request(n - 1).at(10)) == stopAt : n >= from + stopAt + 1;
    };
    QVERIFY2(time.runUntil(asked, 20000), qPrintable(time.why()));
    QTest::mouseClick(transfer, Qt::LeftButton);  // 停止
    module.rowAcks.clear();
    if (next == "write" && stopped == "write") module.writeAck = Tables::Ack::Fail;
    if (next != "write" && next != "again") {
        h.dialogs.queueAnswer(Dialogs::Answer::Ok);
        QTest::mouseClick(input ? f->inputTab->Command27 : f->commandTab->Command27, Qt::LeftButton);
    }
    if (next == "collection") f->inputTab->TxtPeriod->setText(QStringLiteral("3"));
    const int nextFrom = int(h.sim().requests().size());
    QTest::mouseClick(next == "collection"        ? f->inputTab->Command29
                      : next == "collection read" ? f->inputTab->Command28
                                                  : transfer,
                      Qt::LeftButton);
    QVERIFY2(time.runUntil([&] { return !f->transfers->busy(); }, 30000), qPrintable(time.why()));
    QVERIFY2(time.runUntilLineQuiet(2000, 20000), qPrintable(time.why()));
    QStringList shown = texts(h.dialogs);
    shown.removeAll(QStringLiteral("您确定要清空所有设置吗？此操作无法恢复！"));
    shown.removeAll(QStringLiteral("清除成功"));
    QTEST(shown, "told");
    if (next == "read") {  // the empty table, asked for once
        QCOMPARE(gridOf(f, input)->Rows(), 1);
        int reads = 0;
        for (int i = nextFrom; i < h.sim().requests().size(); ++i)
            reads += h.request(i).size() == 11 && uint8_t(h.request(i).at(9)) == 0x02;
        QCOMPARE(reads, 1);
    }
    if (next == "again") QCOMPARE(gridOf(f, input)->Rows(), 3);
    if (next == "collection read") QCOMPARE(f->inputTab->TxtTimeOut->text(), QStringLiteral("700"));
    if (stopped == "refused" && next == "write") QCOMPARE(h.module->tables.rowCount(t), 2);
}

QTEST_MAIN(TestAnswersInTurn)
#include "tst_answers_in_turn.moc"
