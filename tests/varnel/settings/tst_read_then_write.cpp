// What the page read is what its writes send: the address layout that the
// work-mode sequence writes in 透明方式1 (which the refresh of that mode does
// not read), the wake settings that power saving writes (which the refresh
// reads only while it is on), and the collection settings read and saved
// back unchanged.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "../VarnelHarness.h"
#include "platform/Controls.h"
#include "tests/support/BoxInput.h"
#include "tools/SimParams.h"
#include "varnel/settings/ParamTab.h"
#include "varnel/settings/TableTabs.h"

using SimSupport::hex;

class TestReadThenWrite : public QObject {
    Q_OBJECT

private slots:
    void layoutWrittenAsTheModuleHoldsIt_data();
    void layoutWrittenAsTheModuleHoldsIt();
    void wakeSettingsKeptWhenPowerSavingTurnedOn_data();
    void wakeSettingsKeptWhenPowerSavingTurnedOn();
    void collectionSettingsSavedAsRead_data();
    void collectionSettingsSavedAsRead();
};

void TestReadThenWrite::layoutWrittenAsTheModuleHoldsIt_data() {
    QTest::addColumn<int>("transMode");  // the module's: 1 formatted, 0 transparent
    QTest::addColumn<int>("subMode");    // 1 透明方式1, 0 透明方式2
    QTest::addColumn<uint>("layout");    // E1: start, length, group, type
    QTest::addColumn<bool>("answersE1");
    QTest::addColumn<QString>("refusal");  // "" when the sequence writes
    QTest::addColumn<bool>("viaSecond");   // 透明方式2 picked on the way to 透明方式1
    const QString unread = QStringLiteral("未能读取模块的地址设置，工作方式没有写入");
    QTest::newRow("透明方式1") << 0 << 1 << 0x05020A01u << true << QString() << false;
    QTest::newRow("透明方式1, R50 type") << 0 << 1 << 0x05020A03u << true << QString() << false;
    QTest::newRow("透明方式1, largest values") << 0 << 1 << 0xFFFFFF02u << true << QString() << false;
    QTest::newRow("formatted module set to 透明方式1") << 1 << 1 << 0x05020A01u << true << QString() << false;
    QTest::newRow("透明方式2 module set to 透明方式1") << 0 << 0 << 0x05020A02u << true << QString() << false;
    QTest::newRow("layout not answered") << 0 << 1 << 0x05020A01u << false << unread << false;
    // Values the spinners and the list cannot hold go back as they came.
    QTest::newRow("start 0") << 0 << 1 << 0x00020A01u << true << QString() << false;
    QTest::newRow("all 0, as a new module") << 0 << 1 << 0x00000000u << true << QString() << false;
    QTest::newRow("unknown type") << 0 << 1 << 0x05020A07u << true << QString() << false;
    // 透明方式2 shows "ASCII" in the type list; back in 透明方式1 it shows
    // the type that goes out again.
    QTest::newRow("BCD, 透明方式2 picked on the way") << 0 << 0 << 0x05020A02u << true << QString() << true;
    QTest::newRow("16进制, 透明方式2 picked on the way") << 0 << 1 << 0x05020A01u << true << QString() << true;
}

void TestReadThenWrite::layoutWrittenAsTheModuleHoldsIt() {
    QFETCH(int, transMode);
    QFETCH(int, subMode);
    QFETCH(uint, layout);
    QFETCH(bool, answersE1);
    QFETCH(QString, refusal);
    QFETCH(bool, viaSecond);
    VarnelHarness h;
    SimParams* s = h.module->params;
    h.sim().identity.transMode = uint8_t(transMode);
    s->subMode = uint8_t(subMode);
    s->mask = layout;
    if (!answersE1) s->muted.insert(0xE1);
    QVERIFY(h.connectToForm());
    ParamTab* p = h.form()->paramTab;
    QTest::mouseClick(p->Command8, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return p->Command8->isEnabled(); }, 12000));
    // The boxes beside the spinners show what the layout frame carries: a
    // key does not change them.
    const QString start = p->Text5->text();
    QVERIFY(BoxInput::put(p->Text5, QStringLiteral("9"), BoxInput::Way::Typed));
    QCOMPARE(p->Text5->text(), start);
    // The user leaves everything as read, only choosing 透明方式1 where the
    // module is in another mode.
    if (viaSecond) Controls::setListIndexAndClick(p->Combo2, 2, Controls::ClickWhen::Always);
    if (transMode != 0 || subMode != 1 || viaSecond) Controls::setListIndexAndClick(p->Combo2, 1);
    QCOMPARE(p->Combo2->currentText(), QStringLiteral("透明方式1"));
    const QString typeShown = p->Combo4->currentText();
    const int from = int(h.sim().requests().size());
    QTest::mouseClick(p->Command5, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !h.form()->Timer1->enabled(); }, 15000));
    QStringList sent;
    for (int i = from; i < h.sim().requests().size(); ++i) sent << hex(h.request(i).mid(8));
    const QString e1 = hex(VarnelHarness::frame("E1 01").mid(8) +
                           QByteArray::fromHex(QByteArray::number(layout, 16).rightJustified(8, '0')));
    if (refusal.isEmpty()) {
        QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
        QCOMPARE(sent.last(), e1);
        // The type list shows the type that went out.
        const QStringList types = {"ASCII", "16进制", "BCD码", "R50模式"};
        if ((layout & 0xFF) < 4) {
            QCOMPARE(p->Combo4->currentText(), types.at(layout & 0xFF));
            // Read by the refresh (透明方式2): shown already when 确定 was pressed.
            if (transMode == 0 && subMode == 0) QCOMPARE(typeShown, types.at(layout & 0xFF));
        }
        QVERIFY2(sent.size() == 4 || (sent.size() == 5 && sent.first() == "E1 03"), qPrintable(sent.join(", ")));
    } else {
        QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: ") + refusal);
        // At most the question that found it out went out.
        QVERIFY2(sent.isEmpty() || sent == QStringList{"E1 03"}, qPrintable(sent.join(", ")));
    }
    QCOMPARE(s->mask, quint32(layout));
    for (QPushButton* b : h.form()->coveredButtons()) QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void TestReadThenWrite::wakeSettingsKeptWhenPowerSavingTurnedOn_data() {
    QTest::addColumn<int>("powerSaving");  // the module's before the write
    QTest::addColumn<int>("wakeMode");
    QTest::addColumn<int>("muted");  // a query the module leaves unanswered, 0 none
    QTest::addColumn<QString>("refusal");
    const QString unread = QStringLiteral("未能读取模块的醒后设置，省电方式没有写入");
    QTest::newRow("off, mode 2") << 0 << 1 << 0 << QString();
    QTest::newRow("off, mode 1") << 0 << 0 << 0 << QString();
    QTest::newRow("on, read by the refresh") << 1 << 1 << 0 << QString();
    QTest::newRow("off, delays not answered") << 0 << 1 << 0xD2 << unread;
    QTest::newRow("off, wake mode not answered") << 0 << 1 << 0xDB << unread;
}

void TestReadThenWrite::wakeSettingsKeptWhenPowerSavingTurnedOn() {
    QFETCH(int, powerSaving);
    QFETCH(int, wakeMode);
    QFETCH(int, muted);
    QFETCH(QString, refusal);
    VarnelHarness h;
    SimParams* s = h.module->params;
    s->powerSaving = uint8_t(powerSaving);
    s->idleUnits = 1;
    s->dataUnits = 10;
    s->wakeMode = uint8_t(wakeMode);
    if (muted) s->muted.insert(uint8_t(muted));
    QVERIFY(h.connectToForm());
    ParamTab* p = h.form()->paramTab;
    QTest::mouseClick(p->Command8, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return p->Command8->isEnabled(); }, 12000));
    QTest::mouseClick(p->Option5, Qt::LeftButton);
    QTest::mouseClick(p->Command14, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !h.form()->Timer3->enabled(); }, 15000));
    if (refusal.isEmpty()) {
        QVERIFY2(h.dialogs.messages().isEmpty(), qPrintable(h.dialogs.describe()));
        QCOMPARE(int(s->powerSaving), 1);
    } else {
        QCOMPARE(h.dialogs.describe(), QStringLiteral("提示: ") + refusal);
        QCOMPARE(int(s->powerSaving), powerSaving);
    }
    QCOMPARE(int(s->idleUnits), 1);
    QCOMPARE(int(s->dataUnits), 10);
    QCOMPARE(int(s->wakeMode), wakeMode);
    for (QPushButton* b : h.form()->coveredButtons()) QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
}

void TestReadThenWrite::collectionSettingsSavedAsRead_data() {
    QTest::addColumn<uint>("period");  // in 10 ms units
    for (uint v : {150u, 100u, 8640000u, 155u, 1u, 5u, 12345u, 8639999u})
        QTest::newRow(qPrintable(QString::number(v))) << v;
}

void TestReadThenWrite::collectionSettingsSavedAsRead() {
    QFETCH(uint, period);
    VarnelHarness h;
    h.module->collection.periodUnits = period;
    h.module->collection.timeoutUnits = 5;
    h.module->collection.resends = 3;
    h.module->collection.history = 1;
    QVERIFY(h.connectToForm());
    InputTableTab* t = h.form()->inputTab;
    QTest::mouseClick(t->Command28, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return t->CheckHis->isChecked(); }, 5000));
    const QString shown = t->TxtPeriod->text();
    QTest::mouseClick(t->Command29, Qt::LeftButton);
    QVERIFY(h.dialogs.waitForMessage(1));
    QCOMPARE(h.dialogs.lastText(), QStringLiteral("设置成功"));
    QVERIFY2(h.module->collection.periodUnits == period,
             qPrintable(QStringLiteral("shown %1, stored %2").arg(shown).arg(h.module->collection.periodUnits)));
}

QTEST_MAIN(TestReadThenWrite)
#include "tst_read_then_write.moc"
