// Two requests of one kind sent at once (a write, then a read or a clear
// right behind it): each answer is read as the answer to its own request.

#include <QLineEdit>
#include <QRadioButton>

#include "KestrunHarness.h"
#include "core/NumberPicker.h"
#include "core/Routines.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "kestrun/settings/PhoneTab.h"
#include "platform/FlexGrid.h"
#include "tools/SimParams.h"
#include "tools/SimPhoneTable.h"
#include "tools/SimSettings.h"
#include "tests/support/VirtualTime.h"

class TestCloseRequests : public QObject {
    Q_OBJECT

private slots:
    void eachAnswerToItsOwnRequest_data();
    void eachAnswerToItsOwnRequest();
    void identityWriteAndVersionQuery_data();
    void identityWriteAndVersionQuery();
    void lostReadGivesWayToTheNext_data();
    void lostReadGivesWayToTheNext();
    void readAnswerShownUnderItsChannel_data();
    void readAnswerShownUnderItsChannel();
    void heldReadAnswerShownLaterRunsNoReceiverChoice();
    void inputStateThenSettingsReadAtOnce_data();
    void inputStateThenSettingsReadAtOnce();
    void refreshRightBehindTwoWrites();
    void lateTableAnswerBelongsToNoOne_data();
    void lateTableAnswerBelongsToNoOne();
    void writeSendsWhatTheBoxesShowWhileAnAnswerIsHeld_data();
    void writeSendsWhatTheBoxesShowWhileAnAnswerIsHeld();
    void readBehindLostWriteToldWhenAnotherWriteGoes();
    void readPressedWhileAnswerHeldAsksTheChannelChosen_data();
    void readPressedWhileAnswerHeldAsksTheChannelChosen();
    void repeatedTableAnswerKeepsTheGridBeingEdited_data();
    void repeatedTableAnswerKeepsTheGridBeingEdited();
    void answerHeldWhenTheFormClosesFillsNoNewForm();
};

void TestCloseRequests::eachAnswerToItsOwnRequest_data() {
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QStringList>("said");
    // What the module does besides: the write's acknowledgement sent twice,
    // the second while the read is out; a read before the write answered
    // late, so that two reads are out at once; a read before the write
    // answered twice, the second copy ahead of the write's acknowledgement; a
    // read answered late after another channel was chosen; a write lost on
    // the line (no acknowledgement, the module unchanged), then two reads;
    // the acknowledgement held back to go with the read's answer, and the
    // two sent twice; a read's answer held back to go with the write's
    // acknowledgement, the two sent again after a read went.
    QTest::addColumn<QString>("road");
    const QStringList both{"设置成功", "读取参数成功"};
    const QStringList three{"读取参数成功", "设置成功", "读取参数成功"};
    QTest::newRow("alarm write, read") << "alarm" << both << "";
    QTest::newRow("output write, read") << "output" << both << "";
    QTest::newRow("phone write, read") << "phone" << QStringList{"电话号码表设置成功"} << "";
    QTest::newRow("phone clear, read") << "clear" << QStringList{"清空号码表成功", "号码表空"} << "";
    QTest::newRow("alarm write answered twice, read") << "alarm" << both << "ack twice";
    QTest::newRow("output write answered twice, read") << "output" << both << "ack twice";
    QTest::newRow("alarm write and read answered together twice") << "alarm" << both << "together twice";
    QTest::newRow("output write and read answered together twice") << "output" << both << "together twice";
    QTest::newRow("alarm read late, write answered twice, read") << "alarm" << three << "late read";
    QTest::newRow("output read late, write answered twice, read") << "output" << three << "late read";
    QTest::newRow("alarm read answered twice, write, read") << "alarm" << three << "read twice";
    QTest::newRow("output read answered twice, write, read") << "output" << three << "read twice";
    QTest::newRow("alarm read and write answered together twice, read") << "alarm" << three << "read glued twice";
    QTest::newRow("output read and write answered together twice, read") << "output" << three << "read glued twice";
    QTest::newRow("alarm read late, channel moved, write, read") << "alarm" << three << "channel moved";
    QTest::newRow("output read late, channel moved, write, read") << "output" << three << "channel moved";
    const QStringList reads{"读取参数成功", "读取参数成功"};
    QTest::newRow("alarm write lost, read, read") << "alarm" << reads << "write lost";
    QTest::newRow("output write lost, read, read") << "output" << reads << "write lost";
}

void TestCloseRequests::eachAnswerToItsOwnRequest() {
    QFETCH(QString, pair);
    QFETCH(QStringList, said);
    QFETCH(QString, road);
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    SimPhoneTable table;
    table.install(h.sim());
    table.setNumbers({QStringLiteral("13900000001"), QStringLiteral("13900000002")});
    // What the module held before: nothing like what the form will write.
    module->alarm[1] = QByteArray(SimSettings::AlarmBlockSize, '\x11');
    module->output[1] = QByteArray(SimSettings::OutputBlockSize, '\x01');
    const auto alarmBefore = module->alarm;
    const auto outputBefore = module->output;
    SettingsForm* f = h.showFormDirectly(3);
    QVERIFY(f);
    AlarmTab* a = f->alarmTab;
    OutputTab* o = f->outputTab;
    PhoneTab* p = f->phoneTab;

    QByteArray written;  // the record the write sends, from its byte 12
    using Fate = ModuleSim::Fate;
    // A read before the values are typed, then the write and a read at once.
    const auto readFirst = [&](QAbstractButton* read, QComboBox* channel) {
        if (road == QStringLiteral("channel moved")) {
            h.sim().queueFates({Fate::late(400)});
            read->click();
            channel->setCurrentIndex(0);  // before the answer comes
            return QTest::qWaitFor([&] { return h.dialogs.messageCount() == 1; }, 5000);
        }
        if (road == QStringLiteral("late read")) {
            h.sim().queueFates({Fate::late(300), Fate::repeated(2, 0)});
            read->click();
        } else if (road == QStringLiteral("read glued twice")) {
            h.sim().queueFates({Fate::glued(1500), Fate::repeated(2, 800)});
            read->click();
        } else if (road == QStringLiteral("read twice")) {
            h.sim().queueFates({Fate::repeated(2, 400)});
            read->click();
            return QTest::qWaitFor([&] { return h.dialogs.messageCount() == 1; }, 5000);
        }
        return true;
    };
    const auto writeThenRead = [&](QAbstractButton* write, QAbstractButton* read) {
        if (road == QStringLiteral("ack twice")) h.sim().queueFates({Fate::repeated(2, 400)});
        if (road == QStringLiteral("together twice")) h.sim().queueFates({Fate::glued(1500), Fate::repeated(2, 0)});
        if (road == QStringLiteral("write lost")) {
            const uint8_t code = pair == QStringLiteral("alarm") ? 0xB4 : 0xB5;
            int lost = 0;
            h.sim().setOpHandler(code, 0x01, [&](ModuleSim&, const QByteArray&) { ++lost; });
            write->click();
            const bool gone = QTest::qWaitFor([&] { return lost == 1; }, 5000);
            h.sim().setOpHandler(code, 0x01, {});
            read->click();
            // Each read is shown, the first once the write is given up.
            return gone && QTest::qWaitFor([&] { return h.dialogs.messageCount() == 1; }, 5000) &&
                   (read->click(), true);
        }
        write->click();
        const int answered = road == QStringLiteral("ack twice") ? 1 : road == QStringLiteral("read glued twice") ? 2 : 0;
        if (answered > 0 && !QTest::qWaitFor([&] { return h.dialogs.messageCount() == answered; }, 5000))
            return false;
        read->click();
        return true;
    };
    if (pair == QStringLiteral("alarm")) {
        a->Combo5->setCurrentIndex(1);
        QVERIFY(readFirst(a->Command17, a->Combo5));
        a->Option10->click();
        a->Text16->setText(QStringLiteral("30"));
        a->Text15->setText(QStringLiteral("LOW"));
        a->Text20->setText(QStringLiteral("2"));
        written = SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12);
        QVERIFY(writeThenRead(a->Command16, a->Command17));
    } else if (pair == QStringLiteral("output")) {
        f->SSTab1->setCurrentIndex(4);
        o->Combo6->setCurrentIndex(1);
        QVERIFY(readFirst(o->Command23, o->Combo6));
        o->Option17->click();
        o->Text10->setText(QStringLiteral("5"));
        o->Text12->setText(QStringLiteral("OFF"));
        written = SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12);
        QVERIFY(writeThenRead(o->Command13, o->Command23));
    } else {
        f->SSTab1->setCurrentIndex(2);
        for (const char* n : {"13800000001", "13800000002", "13800000003"}) {
            p->Text9->setText(QString::fromLatin1(n));
            p->Command19->click();
        }
        (pair == QStringLiteral("phone") ? p->Command11 : p->Command24)->click();
        p->Command12->click();
    }

    QVERIFY(h.moduleCaughtUp());
    QVERIFY(QTest::qWaitFor([&] { return g::RxState == 0 && !h.sim().sending(); }, 5000) && h.settle());
    QStringList shown;
    for (const Dialogs::Message& m : h.dialogs.messages())
        if (m.buttons == Dialogs::Buttons::Ok) shown << m.text;
    QCOMPARE(shown, said);

    // The module holds what was written (on the channel read), and the form
    // shows what it holds.
    if (road == QStringLiteral("write lost")) {
        QVERIFY(module->alarm == alarmBefore && module->output == outputBefore);
    } else if (pair == QStringLiteral("alarm")) {
        QCOMPARE(module->alarm[0], alarmBefore[0]);
        QCOMPARE(module->alarm[1], written);
        QCOMPARE(SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12), written);
    } else if (pair == QStringLiteral("output")) {
        QCOMPARE(module->output[0], outputBefore[0]);
        QCOMPARE(module->output[1], written);
        QCOMPARE(SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12), written);
    } else {
        QCOMPARE(p->numbers(), table.numbers());
        QCOMPARE(table.numbers().size(), pair == QStringLiteral("phone") ? 3 : 0);
    }
}

// The identity write and the refresh's version query (or a table read)
// answered in one delivery: the acknowledgement is told, the version shown
// (or the table). An acknowledgement sent twice, an output read right
// behind it: the second copy is no version and the read is shown.
void TestCloseRequests::identityWriteAndVersionQuery_data() {
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("then");
    QTest::newRow("accepted") << false << "version";
    QTest::newRow("refused") << true << "version";
    QTest::newRow("accepted, then a table read") << false << "table";
    QTest::newRow("accepted twice, then an output read") << false << "output";
}

void TestCloseRequests::identityWriteAndVersionQuery() {
    QFETCH(bool, refused);
    QFETCH(QString, then);
    const bool tableRead = then == QStringLiteral("table");
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimParams* params = SimParams::install(h.sim());
    params->identityFails = refused;
    h.sim().identity.version = "N310 V4.02 ";
    SimPhoneTable table;
    table.install(h.sim());
    table.setNumbers({QStringLiteral("13900000001")});
    SimSettings* module = SimSettings::install(h.sim());
    SettingsForm* f = h.showFormDirectly(0);
    QVERIFY(f);
    const QString versionBefore = f->Label8->text();
    OutputTab* o = f->outputTab;
    if (then == QStringLiteral("output")) {
        o->Option17->click();
        o->Text10->setText(QStringLiteral("30"));
        o->Text12->setText(QStringLiteral("ONE"));
        module->output[0] = SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12);
        o->Text12->setText(QString());
        h.sim().queueFates({ModuleSim::Fate::repeated(2, 0)});
    } else {
        h.sim().gatherAnswers(2);
    }
    h.dialogs.queueInput(QStringLiteral("ABC123"));
    QTest::mouseDClick(f->Label8, Qt::LeftButton);
    if (tableRead) {
        f->SSTab1->setCurrentIndex(2);
        f->phoneTab->Command12->click();
        QVERIFY(QTest::qWaitFor([&] { return f->phoneTab->numbers() == table.numbers(); }, 10000));
    } else if (then == QStringLiteral("output")) {
        f->SSTab1->setCurrentIndex(4);
        o->Command23->click();
        QVERIFY(QTest::qWaitFor([&] { return h.dialogs.messageCount() == 2; }, 10000));
    } else {
        f->Command8->click();
    }
    QVERIFY(QTest::qWaitFor([&] { return !f->commandsDisabled() && g::RxState == 0; }, 10000) && h.settle());
    QCOMPARE(params->identityCode, QByteArray("ABC123"));
    QCOMPARE(f->Label8->text(), then == QStringLiteral("version") ? QStringLiteral("N310 V4.02") : versionBefore);
    QStringList shown;
    for (const Dialogs::Message& m : h.dialogs.messages()) shown << m.text;
    QStringList said{refused ? QStringLiteral("设置错误 ") : QStringLiteral("设置成功")};
    if (then == QStringLiteral("output")) said << QStringLiteral("读取参数成功");
    QCOMPARE(shown, said);
    if (then == QStringLiteral("output")) QCOMPARE(o->Text12->text(), QStringLiteral("ONE"));
}

namespace {

// The settings form on the virtual clock, against a module that holds
// alarm and output settings.
struct Rig {
    VirtualTime time;
    KestrunHarness h;
    SimSettings* module = SimSettings::install(h.sim());
    SettingsForm* f = nullptr;
    bool open(int tab) {
        if (!h.fixture.ok()) return false;
        time.watchLine(&h.port(), &h.sim());
        f = h.showFormDirectly(tab);
        return f;
    }
    // Presses `button`; the module takes the request and answers nothing.
    bool lose(QAbstractButton* button, uint8_t code, uint8_t op) {
        int lost = 0;
        h.sim().setOpHandler(code, op, [&](ModuleSim&, const QByteArray&) { ++lost; });
        button->click();
        const bool gone = h.waitFor([&] { return lost == 1; }, 5000);
        h.sim().setOpHandler(code, op, {});
        return gone;
    }
    bool told(int messages) {
        return h.waitFor([&] { return h.dialogs.messageCount() == messages && g::RxState == 0; }, 5000);
    }
    QStringList said() const {
        QStringList out;
        for (const Dialogs::Message& m : h.dialogs.messages())
            if (m.buttons == Dialogs::Buttons::Ok) out << m.text;
        return out;
    }
};

}  // namespace

// A read the module never answers (lost on the line), then, once a user
// can have chosen another channel, a read of that channel: its answer is
// shown under its own channel, and a write sends it back there, not to the
// lost read's.
void TestCloseRequests::lostReadGivesWayToTheNext_data() {
    QTest::addColumn<bool>("alarm");
    QTest::addColumn<int>("gapMs");
    QTest::newRow("alarm, 3 s") << true << 3000;
    QTest::newRow("output, 3 s") << false << 3000;
    QTest::newRow("alarm, 1 s") << true << 1000;
    QTest::newRow("output, 500 ms") << false << 500;
}

void TestCloseRequests::lostReadGivesWayToTheNext() {
    QFETCH(bool, alarm);
    QFETCH(int, gapMs);
    Rig r;
    QVERIFY(r.open(alarm ? 3 : 4));
    AlarmTab* a = r.f->alarmTab;
    OutputTab* o = r.f->outputTab;
    QComboBox* channel = alarm ? a->Combo5 : o->Combo6;
    QAbstractButton* read = alarm ? a->Command17 : o->Command23;
    const auto shown = [&] {
        return alarm ? SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12)
                     : SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12);
    };
    // Channel 0 holds what the form shows now; channel 1 something else.
    (alarm ? a->Option10 : o->Option17)->click();
    (alarm ? a->Text15 : o->Text12)->setText(QStringLiteral("LOW"));
    QByteArray& held0 = alarm ? r.module->alarm[0] : r.module->output[0];
    QByteArray& held1 = alarm ? r.module->alarm[1] : r.module->output[1];
    held0 = shown();
    held1 = QByteArray(alarm ? SimSettings::AlarmBlockSize : SimSettings::OutputBlockSize, '\x01');
    const QByteArrayList before{held0, held1};

    channel->setCurrentIndex(1);
    QVERIFY(r.lose(read, alarm ? 0xB4 : 0xB5, 0x02));
    QVERIFY(r.time.runFor(gapMs));
    channel->setCurrentIndex(0);
    read->click();
    QVERIFY(r.told(1));
    QCOMPARE(r.said(), QStringList{QStringLiteral("读取参数成功")});
    QCOMPARE(channel->currentIndex(), 0);
    QCOMPARE(shown(), before[0]);
    (alarm ? a->Command16 : o->Command13)->click();
    QVERIFY(r.told(2));
    QCOMPARE(QByteArrayList({held0, held1}), before);
}

// A read of channel 1 whose answer comes late (past a read of channel 0
// going, a write between them or not) or twice (the copy while the next
// read is out: of channel 0, or of channel 1 behind a write sending back
// the block read): whenever a read is said to have succeeded, the form
// shows under the channel it shows what the module holds there, and
// nothing failed. So too for a read pressed while an answer is held back
// to see what follows it (a lost read's before it, or a copy of the block
// last read while another channel is out): the answer behind is its own.
void TestCloseRequests::readAnswerShownUnderItsChannel_data() {
    QTest::addColumn<bool>("alarm");
    QTest::addColumn<QString>("road");
    QTest::addColumn<QStringList>("said");
    const QString ok = QStringLiteral("读取参数成功");
    for (const bool alarm : {true, false}) {
        const char* kind = alarm ? "alarm" : "output";
        QTest::addRow("%s read late, write, read", kind)
            << alarm << "late, write" << QStringList{QStringLiteral("设置成功"), ok};
        QTest::addRow("%s read late, read", kind) << alarm << "late" << QStringList{ok};
        QTest::addRow("%s read answered twice, read", kind) << alarm << "twice" << QStringList{ok, ok};
        QTest::addRow("%s read answered twice, the block written back, read", kind)
            << alarm << "twice, write back" << QStringList{ok, QStringLiteral("设置成功"), ok};
        QTest::addRow("%s read lost, read, read behind the held answer", kind)
            << alarm << "lost, behind" << QStringList{ok, ok};
    }
    QTest::addRow("alarm two channels alike, read behind the held answer")
        << true << "alike, behind" << QStringList{ok, ok, ok};
}

void TestCloseRequests::readAnswerShownUnderItsChannel() {
    QFETCH(bool, alarm);
    QFETCH(QString, road);
    QFETCH(QStringList, said);
    Rig r;
    QVERIFY(r.open(alarm ? 3 : 4));
    AlarmTab* a = r.f->alarmTab;
    OutputTab* o = r.f->outputTab;
    QComboBox* channel = alarm ? a->Combo5 : o->Combo6;
    QAbstractButton* read = alarm ? a->Command17 : o->Command23;
    const auto shown = [&] {
        return alarm ? SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12)
                     : SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12);
    };
    const auto holds = [&](int ch) -> QByteArray& { return alarm ? r.module->alarm[ch] : r.module->output[ch]; };
    (alarm ? a->Option10 : o->Option17)->click();
    (alarm ? a->Text15 : o->Text12)->setText(QStringLiteral("ZERO"));
    holds(0) = shown();
    (alarm ? a->Text15 : o->Text12)->setText(QStringLiteral("ONE"));
    holds(1) = shown();
    QStringList wrong;
    r.h.dialogs.setHoldPolicy([&](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
        if (m.text == QStringLiteral("读取参数成功") && shown() != holds(channel->currentIndex()))
            wrong << QStringLiteral("channel %1 shows another's").arg(channel->currentIndex());
        return std::nullopt;
    });

    if (road.endsWith(QStringLiteral("behind"))) {
        const bool lost = road.startsWith(QStringLiteral("lost"));
        if (lost) {
            channel->setCurrentIndex(1);
            QVERIFY(r.lose(read, alarm ? 0xB4 : 0xB5, 0x02));
            QVERIFY(r.time.runFor(1000));
        } else {
            holds(2) = std::exchange(holds(1), holds(0));
            read->click();
            QVERIFY(r.told(1));
        }
        channel->setCurrentIndex(lost ? 0 : 1);
        read->click();
        QVERIFY(r.time.runFor(400));  // its answer is in and held
        channel->setCurrentIndex(lost ? 1 : 2);
        read->click();
    } else {
        using Fate = ModuleSim::Fate;
        channel->setCurrentIndex(1);
        const bool twice = road.startsWith(QStringLiteral("twice"));
        r.h.sim().queueFates({twice ? Fate::repeated(2, 800) : Fate::late(3000)});
        read->click();
        if (twice)
            QVERIFY(r.told(1));
        else
            QVERIFY(r.time.runFor(1000));
        channel->setCurrentIndex(road == QStringLiteral("twice, write back") ? 1 : 0);
        if (road.contains(QStringLiteral("write"))) (alarm ? a->Command16 : o->Command13)->click();
        read->click();
    }
    QVERIFY(r.time.runFor(6000));
    QCOMPARE(wrong, QStringList());
    QCOMPARE(r.said(), said);
}

// A write lost on the line and a read right behind it whose answer is the
// block last read: the block is held until the write is given up and then
// shown. Showing a record the module holds is no choice of the user's: its
// "号码表自选" must not open the number picker nor read the phone table
// into the grid (which throws away the numbers the user is editing there).
void TestCloseRequests::heldReadAnswerShownLaterRunsNoReceiverChoice() {
    Rig r;
    QVERIFY(r.open(3));
    AlarmTab* a = r.f->alarmTab;
    PhoneTab* p = r.f->phoneTab;
    SettingsRecords::AlarmSettings held;
    held.receivers = 2;  // chosen numbers
    held.mask = 5;
    r.module->alarm[0] = SettingsRecords::buildAlarmWrite(held).frame.mid(12);
    // Numbers being edited in the grid, not yet written.
    for (const char* n : {"13800000001", "13800000002"}) {
        p->Text9->setText(QString::fromLatin1(n));
        p->Command19->click();
    }
    a->Command17->click();
    QVERIFY(r.told(1));
    a->Text20->setText(QStringLiteral("3"));
    QVERIFY(r.lose(a->Command16, 0xB4, 0x01));
    a->Command17->click();
    QVERIFY(r.told(2));
    QVERIFY(r.time.runFor(1000));
    QCOMPARE(r.said().last(), QStringLiteral("读取参数成功"));
    QCOMPARE(a->TextBJPhone->text(), QStringLiteral("5"));
    int phoneReads = 0;
    for (const auto& q : r.h.sim().requests()) phoneReads += q.bytes.startsWith(KestrunHarness::frame("D9 01"));
    const bool pickerOpen = NumberPicker::current(r.f->mainWindow()) != nullptr;
    QCOMPARE(QList<int>({p->Grid->Rows(), int(pickerOpen), phoneReads}), QList<int>({3, 0, 0}));
}

// "读取DI状态" and then at once "读取设置" (or the output tab's read): the
// module answers both, one right behind the other. The state text takes
// its own characters only; the settings answer behind it is the read's.
void TestCloseRequests::inputStateThenSettingsReadAtOnce_data() {
    QTest::addColumn<bool>("alarm");
    QTest::newRow("alarm read behind") << true;
    QTest::newRow("output read behind") << false;
}

void TestCloseRequests::inputStateThenSettingsReadAtOnce() {
    QFETCH(bool, alarm);
    Rig r;
    QVERIFY(r.open(3));
    AlarmTab* a = r.f->alarmTab;
    OutputTab* o = r.f->outputTab;
    r.module->inputState[0] = '1';
    SettingsRecords::AlarmSettings as;
    as.lowText = QStringLiteral("DOOR");
    as.lowEnglish = true;
    r.module->alarm[0] = SettingsRecords::buildAlarmWrite(as).frame.mid(12);
    SettingsRecords::OutputSettings os;
    os.mode = 2;
    os.highDelay = 7;
    r.module->output[0] = SettingsRecords::buildOutputWrite(os).frame.mid(12);

    a->Command25->click();
    (alarm ? a->Command17 : o->Command23)->click();
    QVERIFY(r.h.moduleCaughtUp() && r.time.runFor(2000));
    QCOMPARE(a->Text19->text(), QStringLiteral("DI0 = 0"));
    QCOMPARE(r.said(), QStringList{QStringLiteral("读取参数成功")});
    QCOMPARE(alarm ? a->Text15->text() : o->Text10->text(), alarm ? QStringLiteral("DOOR") : QStringLiteral("7"));
}

// A phone-table request answered late, after a write or a clear went out
// behind it: the later request decides what the module holds, so the
// earlier answer, when it comes, is no one's: it neither tells of a table
// the module no longer holds nor ends the request out since.
// Two writes and a refresh pressed at once, the first write's echo cut in
// pieces: the second's echo, of the same code as one of the refresh's
// queries, comes after the refresh started and before it asked anything.
// The refresh still asks every query and reads every answer.
void TestCloseRequests::refreshRightBehindTwoWrites() {
    Rig r;
    SimParams::install(r.h.sim());
    r.h.sim().identity.workMode = 0;  // passive: the refresh reads the address
    QVERIFY(r.open(0));
    const auto refreshed = [&] {
        return r.time.runUntil([&] { return !r.f->Timer2->running(); }, 30000) && r.time.runUntilLineQuiet(500, 5000);
    };
    r.f->Command8->click();
    QVERIFY(refreshed());
    const QString shown = r.f->Label3->text() + r.f->Label10->text() + r.f->Label12->text();
    QVERIFY(!shown.contains(QLatin1Char('*')));
    r.h.dialogs.clear();
    r.h.sim().queueFates({ModuleSim::Fate::split(3, 40)});
    r.f->Command6->click();
    r.f->Command4->click();
    r.f->Command8->click();
    QVERIFY(refreshed());
    QCOMPARE(r.f->Label3->text() + r.f->Label10->text() + r.f->Label12->text(), shown);
    QVERIFY2(!r.said().contains(RefreshIncompleteText()), qPrintable(r.said().join(QLatin1Char('|'))));
}

void TestCloseRequests::lateTableAnswerBelongsToNoOne_data() {
    QTest::addColumn<QString>("requests");  // the first answered late; numbers typed before a write
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<bool>("twice");  // the first answered twice, not late
    QTest::newRow("clear late, write, read")
        << "clear write read" << QStringList{"电话号码表设置成功"} << false;
    QTest::newRow("write late, clear") << "write clear" << QStringList{"清空号码表成功"} << false;
    QTest::newRow("read late, write") << "read write" << QStringList{"电话号码表设置成功"} << false;
    QTest::newRow("write answered twice, read")
        << "write read" << QStringList{"电话号码表设置成功"} << true;
}

void TestCloseRequests::lateTableAnswerBelongsToNoOne() {
    QFETCH(QString, requests);
    QFETCH(QStringList, said);
    QFETCH(bool, twice);
    Rig r;
    SimPhoneTable table;
    table.install(r.h.sim());
    table.setNumbers({QStringLiteral("13900000001"), QStringLiteral("13900000002")});
    QVERIFY(r.open(2));
    PhoneTab* p = r.f->phoneTab;
    const QMap<QString, QPushButton*> button{
        {"clear", p->Command24}, {"write", p->Command11}, {"read", p->Command12}};
    r.h.sim().queueFates({twice ? ModuleSim::Fate::repeated(2, 800) : ModuleSim::Fate::late(3000)});
    for (const QString& q : requests.split(QLatin1Char(' '))) {
        for (const char* n : {"13800000001", "13800000002", "13800000003"}) {
            if (q != QStringLiteral("write") || p->Grid->Rows() > 3) break;
            p->Text9->setText(QString::fromLatin1(n));
            p->Command19->click();
        }
        button.value(q)->click();
    }
    QVERIFY(r.time.runFor(5000) && r.h.waitFor([&] { return g::RxState == 0 && !r.h.sim().sending(); }, 5000));
    QCOMPARE(r.said(), said);
    QCOMPARE(p->numbers(), table.numbers());
}

// A read whose answer is held back to see what follows it (the same block
// the module sent for the read before, after a write sent that block back
// unchanged), and the user types a value and presses the write before the
// hold runs out: the write sends what the boxes showed when it was
// pressed, not the held block put into them on the way.
void TestCloseRequests::writeSendsWhatTheBoxesShowWhileAnAnswerIsHeld_data() {
    QTest::addColumn<bool>("alarm");
    QTest::newRow("alarm") << true;
    QTest::newRow("output") << false;
}

void TestCloseRequests::writeSendsWhatTheBoxesShowWhileAnAnswerIsHeld() {
    QFETCH(bool, alarm);
    Rig r;
    QVERIFY(r.open(alarm ? 3 : 4));
    AlarmTab* a = r.f->alarmTab;
    OutputTab* o = r.f->outputTab;
    QAbstractButton* read = alarm ? a->Command17 : o->Command23;
    QAbstractButton* write = alarm ? a->Command16 : o->Command13;
    QLineEdit* text = alarm ? a->Text15 : o->Text12;
    const auto shown = [&] {
        return alarm ? SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12)
                     : SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12);
    };
    QByteArray& held = alarm ? r.module->alarm[0] : r.module->output[0];
    (alarm ? a->Option10 : o->Option17)->click();
    text->setText(QStringLiteral("OLD"));
    held = shown();
    read->click();
    QVERIFY(r.told(1));
    write->click();  // the block read, sent back unchanged
    QVERIFY(r.told(2));
    read->click();
    QVERIFY(r.time.runFor(350));  // its answer is in, held
    QVERIFY(!r.h.sim().sending() && r.said().size() == 2);
    text->setText(QStringLiteral("NEW"));
    const QByteArray typed = shown();
    write->click();
    QVERIFY(r.time.runFor(3000) && r.h.waitFor([&] { return g::RxState == 0 && !r.h.sim().sending(); }, 5000));
    QCOMPARE(held, typed);
}

// A write lost on the line, then a read whose answer is the block last
// read (held for the write's acknowledgement), then, before the hold runs
// out, a second write that the module takes: the read is answered, and
// its block is not put over what the second write sent; the write is told.
void TestCloseRequests::readBehindLostWriteToldWhenAnotherWriteGoes() {
    Rig r;
    QVERIFY(r.open(3));
    AlarmTab* a = r.f->alarmTab;
    a->Option10->click();
    a->Text15->setText(QStringLiteral("LOW"));
    r.module->alarm[0] = SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12);
    a->Text15->setText(QString());
    a->Command17->click();
    QVERIFY(r.told(1));
    QVERIFY(r.lose(a->Command16, 0xB4, 0x01));
    a->Command17->click();
    QVERIFY(r.time.runFor(300));  // its answer is in, held
    a->Text15->setText(QStringLiteral("HIGH"));
    a->Command16->click();
    QVERIFY(r.time.runFor(5000) && r.h.waitFor([&] { return g::RxState == 0 && !r.h.sim().sending(); }, 5000));
    const QStringList said = r.said();
    QCOMPARE(said.count(QStringLiteral("读取参数成功")), 1);
    QCOMPARE(said.count(QStringLiteral("设置成功")), 1);
    QCOMPARE(a->Text15->text(), QStringLiteral("HIGH"));
    QCOMPARE(r.module->alarm[0], SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12));
    QCOMPARE(g::AlarmSetOutstanding, 0);
}

// A read lost on the line, a read of channel 0 whose answer is held to see
// what follows it, and the user picks channel 1 and presses the read (or
// types a value and presses the write): the request goes to channel 1 (the
// write with what was typed), the list still shows it, and channel 0 is
// left as it was.
void TestCloseRequests::readPressedWhileAnswerHeldAsksTheChannelChosen_data() {
    QTest::addColumn<bool>("alarm");
    QTest::addColumn<bool>("write");
    QTest::newRow("alarm read") << true << false;
    QTest::newRow("output read") << false << false;
    QTest::newRow("alarm write") << true << true;
    QTest::newRow("output write") << false << true;
}

void TestCloseRequests::readPressedWhileAnswerHeldAsksTheChannelChosen() {
    QFETCH(bool, alarm);
    QFETCH(bool, write);
    Rig r;
    QVERIFY(r.open(alarm ? 3 : 4));
    AlarmTab* a = r.f->alarmTab;
    OutputTab* o = r.f->outputTab;
    QComboBox* channel = alarm ? a->Combo5 : o->Combo6;
    QAbstractButton* read = alarm ? a->Command17 : o->Command23;
    QLineEdit* text = alarm ? a->Text15 : o->Text12;
    const auto shown = [&] {
        return alarm ? SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12)
                     : SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12);
    };
    const auto holds = [&](int ch) -> QByteArray& { return alarm ? r.module->alarm[ch] : r.module->output[ch]; };
    (alarm ? a->Option10 : o->Option17)->click();
    text->setText(QStringLiteral("ZERO"));
    holds(0) = shown();
    text->setText(QStringLiteral("ONE"));
    holds(1) = shown();
    const QByteArray zero = holds(0);
    QByteArray typed;

    channel->setCurrentIndex(1);
    QVERIFY(r.lose(read, alarm ? 0xB4 : 0xB5, 0x02));
    QVERIFY(r.time.runFor(1000));
    channel->setCurrentIndex(0);
    read->click();
    QVERIFY(r.time.runFor(400));  // its answer is in and held
    channel->setCurrentIndex(1);
    const qsizetype before = r.h.sim().requests().size();
    if (write) {
        text->setText(QStringLiteral("TYPED"));
        typed = shown();
        (alarm ? a->Command16 : o->Command13)->click();
    } else {
        read->click();
    }
    QVERIFY(r.h.waitFor([&] { return r.h.sim().requests().size() > before; }, 5000));
    const QByteArray asked = r.h.sim().requests().at(before).bytes;
    QVERIFY(r.time.runFor(3000));
    if (!write)
        QCOMPARE(asked, alarm ? SettingsRecords::alarmReadRequest(1) : SettingsRecords::outputReadRequest(1));
    if (write) QCOMPARE(holds(1), typed);
    QCOMPARE(holds(0), zero);
    QCOMPARE(channel->currentIndex(), 1);
    if (!write) QCOMPARE(shown(), holds(1));
}

// A table read or a clear answered, then its answer sent once more while
// nothing is out and the user is adding a number to the grid: the copy
// answers nothing, and the number typed stays.
void TestCloseRequests::repeatedTableAnswerKeepsTheGridBeingEdited_data() {
    QTest::addColumn<bool>("clear");
    QTest::newRow("read") << false;
    QTest::newRow("clear") << true;
}

void TestCloseRequests::repeatedTableAnswerKeepsTheGridBeingEdited() {
    QFETCH(bool, clear);
    Rig r;
    SimPhoneTable table;
    table.install(r.h.sim());
    table.setNumbers({QStringLiteral("13900000001"), QStringLiteral("13900000002")});
    QVERIFY(r.open(2));
    PhoneTab* p = r.f->phoneTab;
    r.h.sim().queueFates({ModuleSim::Fate::repeated(2, 3000)});
    (clear ? p->Command24 : p->Command12)->click();
    QVERIFY(r.told(clear ? 2 : 0) && r.time.runFor(1000));
    const QStringList before = p->numbers();
    p->Text9->setText(QStringLiteral("13800000009"));
    p->Command19->click();
    QCOMPARE(p->numbers(), before + QStringList{QStringLiteral("13800000009")});
    QVERIFY(r.time.runFor(4000) && r.h.waitFor([&] { return g::RxState == 0 && !r.h.sim().sending(); }, 5000));
    QCOMPARE(p->numbers(), before + QStringList{QStringLiteral("13800000009")});
    QCOMPARE(r.said().size(), clear ? 1 : 0);
}

// A read behind a write lost on the line, its answer held for the write's
// acknowledgement, and the form closed and opened again meanwhile: the
// new form asked nothing, and is neither told of a read nor filled.
void TestCloseRequests::answerHeldWhenTheFormClosesFillsNoNewForm() {
    Rig r;
    QVERIFY(r.open(3));
    AlarmTab* a = r.f->alarmTab;
    a->Option10->click();
    a->Text15->setText(QStringLiteral("LOW"));
    r.module->alarm[0] = SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12);
    a->Command17->click();
    QVERIFY(r.told(1));
    QVERIFY(r.lose(a->Command16, 0xB4, 0x01));
    a->Command17->click();
    QVERIFY(r.time.runFor(300));  // its answer is in, held
    r.f->Command10->click();
    QVERIFY(r.h.waitFor([&] { return !r.h.settingsFormShown(); }, 5000));
    r.f = r.h.showFormDirectly(3);
    QVERIFY(r.f);
    const QString fresh = r.f->alarmTab->Text15->text();
    QVERIFY(r.time.runFor(3000));
    QCOMPARE(r.f->alarmTab->Text15->text(), fresh);
    QCOMPARE(r.said(), QStringList{QStringLiteral("读取参数成功")});
}

QTEST_MAIN(TestCloseRequests)
#include "tst_close_requests.moc"
