// Two requests of one kind sent at once (a write, then a read or a clear
// right behind it): each answer is read as the answer to its own request.

#include <QLineEdit>
#include <QRadioButton>

#include "KestrunHarness.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "kestrun/settings/PhoneTab.h"
#include "platform/FlexGrid.h"
#include "tools/SimParams.h"
#include "tools/SimPhoneTable.h"
#include "tools/SimSettings.h"

class TestCloseRequests : public QObject {
    Q_OBJECT

private slots:
    void eachAnswerToItsOwnRequest_data();
    void eachAnswerToItsOwnRequest();
    void identityWriteAndVersionQuery_data();
    void identityWriteAndVersionQuery();
};

void TestCloseRequests::eachAnswerToItsOwnRequest_data() {
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QStringList>("said");
    QTest::newRow("alarm write, read") << "alarm" << QStringList{"设置成功", "读取参数成功"};
    QTest::newRow("output write, read") << "output" << QStringList{"设置成功", "读取参数成功"};
    QTest::newRow("phone write, read") << "phone" << QStringList{"电话号码表设置成功"};
    QTest::newRow("phone clear, read") << "clear" << QStringList{"清空号码表成功", "号码表空"};
}

void TestCloseRequests::eachAnswerToItsOwnRequest() {
    QFETCH(QString, pair);
    QFETCH(QStringList, said);
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    SimPhoneTable table;
    table.install(h.sim());
    table.setNumbers({QStringLiteral("13900000001"), QStringLiteral("13900000002")});
    // What the module held before: nothing like what the form will write.
    module->alarm[1] = QByteArray(SimSettings::AlarmBlockSize, '\x11');
    module->output[1] = QByteArray(SimSettings::OutputBlockSize, '\x01');
    SettingsForm* f = h.showFormDirectly(3);
    QVERIFY(f);
    AlarmTab* a = f->alarmTab;
    OutputTab* o = f->outputTab;
    PhoneTab* p = f->phoneTab;

    QByteArray written;  // the record the write sends, from its byte 12
    if (pair == QStringLiteral("alarm")) {
        a->Combo5->setCurrentIndex(1);
        a->Option10->click();
        a->Text16->setText(QStringLiteral("30"));
        a->Text15->setText(QStringLiteral("LOW"));
        a->Text20->setText(QStringLiteral("2"));
        written = SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12);
        a->Command16->click();
        a->Command17->click();
    } else if (pair == QStringLiteral("output")) {
        f->SSTab1->setCurrentIndex(4);
        o->Combo6->setCurrentIndex(1);
        o->Option17->click();
        o->Text10->setText(QStringLiteral("5"));
        o->Text12->setText(QStringLiteral("OFF"));
        written = SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12);
        o->Command13->click();
        o->Command23->click();
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

    // The module holds what was written, and the form shows what it holds.
    if (pair == QStringLiteral("alarm")) {
        QCOMPARE(module->alarm[1], written);
        QCOMPARE(SettingsRecords::buildAlarmWrite(a->currentSettings()).frame.mid(12), written);
    } else if (pair == QStringLiteral("output")) {
        QCOMPARE(module->output[1], written);
        QCOMPARE(SettingsRecords::buildOutputWrite(o->currentSettings()).frame.mid(12), written);
    } else {
        QCOMPARE(p->numbers(), table.numbers());
        QCOMPARE(table.numbers().size(), pair == QStringLiteral("phone") ? 3 : 0);
    }
}

// The identity write and the refresh's version query (or a table read)
// answered in one delivery: the acknowledgement is told, the version shown
// (or the table).
void TestCloseRequests::identityWriteAndVersionQuery_data() {
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("tableRead");
    QTest::newRow("accepted") << false << false;
    QTest::newRow("refused") << true << false;
    QTest::newRow("accepted, then a table read") << false << true;
}

void TestCloseRequests::identityWriteAndVersionQuery() {
    QFETCH(bool, refused);
    QFETCH(bool, tableRead);
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimParams* params = SimParams::install(h.sim());
    params->identityFails = refused;
    h.sim().identity.version = "N310 V4.02 ";
    SimPhoneTable table;
    table.install(h.sim());
    table.setNumbers({QStringLiteral("13900000001")});
    SettingsForm* f = h.showFormDirectly(0);
    QVERIFY(f);
    const QString versionBefore = f->Label8->text();
    h.sim().gatherAnswers(2);
    h.dialogs.queueInput(QStringLiteral("ABC123"));
    QTest::mouseDClick(f->Label8, Qt::LeftButton);
    if (tableRead) {
        f->SSTab1->setCurrentIndex(2);
        f->phoneTab->Command12->click();
        QVERIFY(QTest::qWaitFor([&] { return f->phoneTab->numbers() == table.numbers(); }, 10000));
    } else {
        f->Command8->click();
    }
    QVERIFY(QTest::qWaitFor([&] { return !f->commandsDisabled() && g::RxState == 0; }, 10000) && h.settle());
    QCOMPARE(params->identityCode, QByteArray("ABC123"));
    QCOMPARE(f->Label8->text(), tableRead ? versionBefore : QStringLiteral("N310 V4.02"));
    QStringList shown;
    for (const Dialogs::Message& m : h.dialogs.messages()) shown << m.text;
    QCOMPARE(shown, QStringList{refused ? QStringLiteral("设置错误 ") : QStringLiteral("设置成功")});
}

QTEST_MAIN(TestCloseRequests)
#include "tst_close_requests.moc"
