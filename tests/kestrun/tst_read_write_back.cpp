// What the form reads is what it writes back: a module's settings records
// read and written again with nothing changed stay as they were, whatever
// order the read-back's own clicks run in.

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "KestrunHarness.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "tools/SimSettings.h"

using namespace SettingsRecords;

namespace {

QByteArray alarmRecord(uint8_t mode, uint8_t interval10, const QString& low, bool lowEnglish, const QString& high,
                       bool highEnglish) {
    AlarmSettings s;
    s.channel = 2;
    s.mode = mode;
    s.receivers = 2;
    s.interval10 = interval10;
    s.lowText = low;
    s.lowEnglish = lowEnglish;
    s.highText = high;
    s.highEnglish = highEnglish;
    s.mask = 5;
    s.count = 3;
    s.relay = 2;
    return buildAlarmWrite(s).frame.mid(12);
}

QByteArray outputRecord(uint8_t mode, const QString& low, bool lowEnglish, const QString& high, bool highEnglish) {
    OutputSettings s;
    s.channel = 1;
    s.mode = mode;
    s.reply = 3;
    s.replyDelay = 20;
    s.highDelay = mode == 2 ? 4 : 0;
    s.lowDelay = mode == 2 ? 6 : 0;
    s.lowText = low;
    s.lowEnglish = lowEnglish;
    s.highText = high;
    s.highEnglish = highEnglish;
    s.hold = true;
    return buildOutputWrite(s).frame.mid(12);
}

}  // namespace

class TestReadWriteBack : public QObject {
    Q_OBJECT

private slots:
    void settingsRecord_data();
    void settingsRecord();
};

void TestReadWriteBack::settingsRecord_data() {
    QTest::addColumn<bool>("alarm");
    QTest::addColumn<QByteArray>("record");
    const QString ascii = QStringLiteral("ABC"), chinese = QStringLiteral("报警");
    QTest::newRow("level change, 30 s") << true << alarmRecord(3, 3, ascii, true, chinese, false);
    QTest::newRow("level change, 2550 s, Chinese low text") << true << alarmRecord(3, 255, chinese, false, ascii, true);
    QTest::newRow("high level, 30 s") << true << alarmRecord(2, 3, ascii, true, chinese, false);
    QTest::newRow("low level, plain letters as UCS-2") << true << alarmRecord(1, 7, ascii, false, ascii, false);
    QTest::newRow("level change, Chinese in the code page") << true << alarmRecord(3, 9, chinese, true, chinese, true);
    QTest::newRow("output pulse, plain letters as UCS-2") << false << outputRecord(2, ascii, false, ascii, false);
    QTest::newRow("output level, Chinese in the code page") << false << outputRecord(1, chinese, true, chinese, true);
}

void TestReadWriteBack::settingsRecord() {
    QFETCH(bool, alarm);
    QFETCH(QByteArray, record);
    KestrunHarness h;
    QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
    SimSettings* module = SimSettings::install(h.sim());
    QByteArray& held = alarm ? module->alarm[2] : module->output[1];
    held = record;
    SettingsForm* f = h.showFormDirectly(alarm ? 3 : 4);
    QVERIFY(f);
    if (alarm) {
        f->alarmTab->Combo5->setCurrentIndex(2);
        f->alarmTab->Command17->click();
    } else {
        f->outputTab->Combo6->setCurrentIndex(1);
        f->outputTab->Command23->click();
    }
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("读取参数成功"));
    QVERIFY(QTest::qWaitFor([&] { return g::RxState == 0; }, 3000));
    (alarm ? f->alarmTab->Command16 : f->outputTab->Command13)->click();
    QVERIFY(h.dialogs.waitForMessage(2));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("设置成功"));
    QCOMPARE(hex(held), hex(record));
}

QTEST_MAIN(TestReadWriteBack)
#include "tst_read_write_back.moc"
