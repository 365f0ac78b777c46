// The phone-number picker opened as the number-choice lists open it: mask
// preset, caption set, the table read pressed; end to end against the
// simulated module.

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>

#include "PhoneRig.h"
#include "core/NumberPicker.h"
#include "platform/VbTimer.h"

namespace {

// A click on the box itself (a check box takes clicks on its box and
// caption only, not on the blank rest of its cell).
void click(QCheckBox* c) { QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(6, c->height() / 2)); }

QString caption(int i) { return QStringLiteral("号码 %1").arg(i + 1); }

QList<int> ticked(const NumberPicker& f) {
    QList<int> out;
    for (int i = 0; i < NumberPicker::Numbers; ++i)
        if (f.Check1[i]->isChecked()) out << i + 1;
    return out;
}

struct PickerRig : PhoneRig {
    QPointer<NumberPicker> picker;

    bool openPicker(const QString& title, qint64 mask) {
        picker = tab->openPicker(title, mask);
        return !picker.isNull();
    }
    bool waitLabelled(int ms = 5000) {
        return QTest::qWaitFor([&] { return picker && !picker->Timer1->enabled(); }, ms);
    }
    bool waitGone(int ms = 3000) {
        return QTest::qWaitFor([&] { return picker.isNull(); }, ms);
    }
    QLineEdit* maskBox(const char* name) { return form->control<QLineEdit>(QString::fromLatin1(name)); }
};

}  // namespace

// Waits until the picker has looked at the table n more times.
bool polls(NumberPicker* picker, int n) {
    int seen = 0;
    QObject ctx;
    QObject::connect(picker->Timer1, &VbTimer::tick, &ctx, [&] { ++seen; });
    return QTest::qWaitFor([&] { return seen >= n; }, 5000);
}

class TestPicker : public QObject {
    Q_OBJECT

private slots:
    void labelsAndTicksFromTheTableItReads();
    void selectAllWithoutAdministratorsThenOk();
    void cancelKeepsThePresetMask();
    void tableOfTwentyLabelsEveryBox();
    void tableThatNeverArrives();
    void standAloneWithAGridAndNoBoxes();
    void openedByTheNumberChoiceLists();
};

void TestPicker::labelsAndTicksFromTheTableItReads() {
    PickerRig rig;
    QVERIFY(rig.start());
    rig.table.setNumbers(
        {QStringLiteral("13812345678"), QStringLiteral("13900000001"), QStringLiteral("12345678901")});
    rig.h.sim().behaviour.delayMs = 500;
    rig.add(QStringLiteral("19999999999"));  // stale: the read empties the grid first
    QVERIFY(rig.openPicker(QStringLiteral("号码选择 - 短信发送"), 5));
    QCOMPARE(g::PhoneMask, 5);
    QCOMPARE(rig.picker->windowTitle(), QStringLiteral("号码选择 - 短信发送"));
    QVERIFY(rig.picker->isVisible());
    QVERIFY(!rig.picker->isModal());
    QCOMPARE(rig.picker->parentWidget(), static_cast<QWidget*>(&rig.h.main()));
    QCOMPARE(rig.grid->Rows(), 1);
    QVERIFY(rig.waitPhoneRequests(1));
    QCOMPARE(hex(rig.phoneRequests().first()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 01"));

    // While the table is on its way the picker waits with its own captions.
    QVERIFY(polls(rig.picker, 2));
    QVERIFY(rig.picker->Timer1->enabled());
    QCOMPARE(rig.picker->Check1[0]->text(), caption(0));
    QVERIFY(ticked(*rig.picker).isEmpty());

    QVERIFY(rig.waitLabelled());
    QCOMPARE(rig.picker->Check1[0]->text(), QStringLiteral("13812345678"));
    QCOMPARE(rig.picker->Check1[1]->text(), QStringLiteral("13900000001"));
    QCOMPARE(rig.picker->Check1[2]->text(), QStringLiteral("12345678901"));
    for (int i = 3; i < 20; ++i) QCOMPARE(rig.picker->Check1[i]->text(), caption(i));
    QCOMPARE(ticked(*rig.picker), (QList<int>{1, 3}));
    QCOMPARE(rig.picker->Check1[19]->objectName(), QStringLiteral("Check1(19)"));

    // Boxes beyond the table can still be ticked; OK takes them.
    click(rig.picker->Check1[4]);
    click(rig.picker->Check1[0]);
    QTest::mouseClick(rig.picker->Command1, Qt::LeftButton);
    QCOMPARE(g::PhoneMask, 4 + 16);
    QCOMPARE(rig.form->TextDXPhone->text(), QStringLiteral("20"));
    QVERIFY(rig.waitGone());
    QVERIFY(rig.h.dialogs.messages().isEmpty());
}

void TestPicker::selectAllWithoutAdministratorsThenOk() {
    PickerRig rig;
    QVERIFY(rig.start());
    rig.table.setNumbers({QStringLiteral("13812345678"), QStringLiteral("13900000001")});
    QVERIFY(rig.openPicker(QStringLiteral("号码选择 - 短信发送"), 0));
    QVERIFY(rig.waitLabelled());
    NumberPicker& p = *rig.picker;

    click(p.Check2);  // 全选
    QCOMPARE(ticked(p).size(), 20);
    click(p.Check2);  // and off again: none
    QVERIFY(ticked(p).isEmpty());

    click(p.Check3);  // 不含管理员 first ...
    click(p.Check2);  // ... then 全选 keeps 1 and 2 out
    QCOMPARE(ticked(p).size(), 18);
    QVERIFY(!p.Check1[0]->isChecked() && !p.Check1[1]->isChecked());
    // Unticking 不含管理员 gives nothing back; ticking it again takes 1 and
    // 2 out once more.
    click(p.Check1[0]);
    click(p.Check3);
    QVERIFY(p.Check1[0]->isChecked());
    click(p.Check3);
    QVERIFY(!p.Check1[0]->isChecked());

    QLineEdit* bj = rig.maskBox("TextBJPhone");
    QTest::mouseClick(p.Command1, Qt::LeftButton);
    QCOMPARE(g::PhoneMask, 1048572);
    QCOMPARE(rig.form->TextDXPhone->text(), QStringLiteral("1048572"));
    if (bj) QCOMPARE(bj->text(), QStringLiteral("1048572"));
    QVERIFY(rig.waitGone());
    QVERIFY(!NumberPicker::current(&rig.h.main()));
}

void TestPicker::cancelKeepsThePresetMask() {
    PickerRig rig;
    QVERIFY(rig.start());
    rig.table.setNumbers(
        {QStringLiteral("13812345678"), QStringLiteral("13900000001"), QStringLiteral("12345678901")});
    rig.form->TextDXPhone->setText(QStringLiteral("7"));
    QVERIFY(rig.openPicker(QStringLiteral("选择号码 - 短信报警"), 7));
    QCOMPARE(rig.picker->windowTitle(), QStringLiteral("选择号码 - 短信报警"));
    QVERIFY(rig.waitLabelled());
    QCOMPARE(ticked(*rig.picker), (QList<int>{1, 2, 3}));
    click(rig.picker->Check2);
    QTest::mouseClick(rig.picker->Command2, Qt::LeftButton);
    QVERIFY(rig.waitGone());
    QCOMPARE(g::PhoneMask, 7);
    QCOMPARE(rig.form->TextDXPhone->text(), QStringLiteral("7"));
    // Opened again, it starts afresh.
    QVERIFY(rig.openPicker(QStringLiteral("号码选择 - 短信发送"), 2));
    QVERIFY(rig.waitLabelled());
    QCOMPARE(ticked(*rig.picker), QList<int>{2});
    QCOMPARE(rig.phoneRequests().size(), 2);
}

void TestPicker::tableOfTwentyLabelsEveryBox() {
    PickerRig rig;
    QVERIFY(rig.start());
    QStringList twenty;
    for (int i = 0; i < 20; ++i) twenty << QStringLiteral("186%1").arg(i, 8, 10, QLatin1Char('0'));
    rig.table.setNumbers(twenty);
    QVERIFY(rig.openPicker(QStringLiteral("号码选择 - 短信发送"), 0x80001));
    QVERIFY(rig.waitLabelled());
    for (int i = 0; i < 20; ++i) QCOMPARE(rig.picker->Check1[i]->text(), twenty.at(i));
    QCOMPARE(ticked(*rig.picker), (QList<int>{1, 20}));
    // Opening it again while it is open reuses it and waits for the new read.
    rig.table.setNumbers({QStringLiteral("17000000000")});
    NumberPicker* first = rig.picker;
    QVERIFY(rig.openPicker(QStringLiteral("选择号码 - 短信报警"), 0));
    QCOMPARE(rig.picker.data(), first);
    QCOMPARE(rig.picker->windowTitle(), QStringLiteral("选择号码 - 短信报警"));
    QVERIFY(rig.waitLabelled());
    QCOMPARE(rig.picker->Check1[0]->text(), QStringLiteral("17000000000"));
    QCOMPARE(rig.picker->Check1[1]->text(), twenty.at(1));  // a box beyond the table is left as it was
    QCOMPARE(ticked(*rig.picker), (QList<int>{1, 20}));     // and nothing is unticked
}

void TestPicker::tableThatNeverArrives() {
    PickerRig rig;
    QVERIFY(rig.start());
    rig.table.answerReads = false;
    rig.form->TextDXPhone->setText(QStringLiteral("3"));
    QVERIFY(rig.openPicker(QStringLiteral("号码选择 - 短信发送"), 3));
    QVERIFY(rig.waitPhoneRequests(1));
    QVERIFY(polls(rig.picker, 4));
    QVERIFY(rig.picker->Timer1->enabled());
    for (int i = 0; i < 20; ++i) QCOMPARE(rig.picker->Check1[i]->text(), caption(i));
    QVERIFY(ticked(*rig.picker).isEmpty());
    QTest::mouseClick(rig.picker->Command1, Qt::LeftButton);
    QCOMPARE(g::PhoneMask, 0);
    QCOMPARE(rig.form->TextDXPhone->text(), QStringLiteral("0"));
    QVERIFY(rig.waitGone());
}

void TestPicker::standAloneWithAGridAndNoBoxes() {
    // As Varnel uses it: a grid of its own, no boxes to fill.
    g::resetAll();
    QWidget owner;
    FlexGrid grid;
    grid.setFormatString(QStringLiteral("|^序号|^电话号码"));
    grid.setRows(1);
    g::PhoneMask = 2;
    QPointer<NumberPicker> p = NumberPicker::open(&owner, QString(), &grid, {}, &owner);
    QVERIFY(p);
    QCOMPARE(p->windowTitle(), QStringLiteral("号码选择"));
    QCOMPARE(NumberPicker::current(&owner), p.data());
    QVERIFY(polls(p, 2));
    QVERIFY(p->Timer1->enabled());
    grid.setRows(3);
    grid.setTextMatrix(1, 2, QStringLiteral("A"));
    grid.setTextMatrix(2, 2, QStringLiteral("B"));
    QVERIFY(QTest::qWaitFor([&] { return !p->Timer1->enabled(); }, 3000));
    QCOMPARE(p->Check1[0]->text(), QStringLiteral("A"));
    QCOMPARE(p->Check1[1]->text(), QStringLiteral("B"));
    QCOMPARE(ticked(*p), QList<int>{2});
    click(p->Check1[2]);
    QTest::mouseClick(p->Command1, Qt::LeftButton);
    QCOMPARE(g::PhoneMask, 6);
    QVERIFY(QTest::qWaitFor([&] { return p.isNull(); }, 3000));

    // The grid going away while the picker waits does no harm.
    auto* doomed = new FlexGrid;
    doomed->setRows(1);
    p = NumberPicker::open(&owner, QStringLiteral("x"), doomed, {}, nullptr);
    delete doomed;
    QVERIFY(polls(p, 2));
    QVERIFY(p->Timer1->enabled());
    QTest::mouseClick(p->Command2, Qt::LeftButton);
    QCOMPARE(g::PhoneMask, 6);
    QVERIFY(QTest::qWaitFor([&] { return p.isNull(); }, 3000));
}

void TestPicker::openedByTheNumberChoiceLists() {
    PickerRig rig;
    QVERIFY(rig.start());
    rig.table.setNumbers(
        {QStringLiteral("13812345678"), QStringLiteral("13900000001"), QStringLiteral("12345678901")});
    auto choose = [](QComboBox* c, int index) {
        c->setCurrentIndex(index);
        emit c->activated(index);
    };

    // "透明方式2" on the parameter tab: the mask comes from TextDXPhone.
    rig.form->TextDXPhone->setText(QStringLiteral("5"));
    choose(rig.form->Combo2, 2);
    rig.picker = NumberPicker::current(&rig.h.main());
    QVERIFY(rig.picker);
    QCOMPARE(rig.picker->windowTitle(), QStringLiteral("号码选择 - 短信发送"));
    QCOMPARE(g::PhoneMask, 5);
    QVERIFY(rig.waitPhoneRequests(1));
    QCOMPARE(hex(rig.phoneRequests().first()), QStringLiteral("1A 2A 3A 4A 5A 6A 7A 8A D9 01"));
    QVERIFY(rig.waitLabelled());
    for (int i = 0; i < 3; ++i) QCOMPARE(rig.picker->Check1[i]->text(), rig.table.numbers().at(i));
    QCOMPARE(rig.picker->Check1[3]->text(), caption(3));
    QCOMPARE(ticked(*rig.picker), (QList<int>{1, 3}));
    click(rig.picker->Check3);
    click(rig.picker->Check2);
    QTest::mouseClick(rig.picker->Command1, Qt::LeftButton);
    QCOMPARE(rig.form->TextDXPhone->text(), QStringLiteral("1048572"));
    QLineEdit* bj = rig.maskBox("TextBJPhone");
    QVERIFY(bj);
    QCOMPARE(bj->text(), QStringLiteral("1048572"));
    QVERIFY(rig.waitGone());

    // "号码表自选" of the alarm frame: the mask comes from TextBJPhone;
    // cancel leaves the mask and both boxes as they were.
    bj->setText(QStringLiteral("6"));
    auto* list = rig.form->control<QComboBox>(QStringLiteral("ComboBJPhone"));
    QVERIFY(list);
    choose(list, 2);
    rig.picker = NumberPicker::current(&rig.h.main());
    QVERIFY(rig.picker);
    QCOMPARE(rig.picker->windowTitle(), QStringLiteral("选择号码 - 短信报警"));
    QCOMPARE(g::PhoneMask, 6);
    QVERIFY(rig.waitPhoneRequests(2));
    QVERIFY(rig.waitLabelled());
    QCOMPARE(ticked(*rig.picker), (QList<int>{2, 3}));
    click(rig.picker->Check2);
    QTest::mouseClick(rig.picker->Command2, Qt::LeftButton);
    QVERIFY(rig.waitGone());
    QCOMPARE(g::PhoneMask, 6);
    QCOMPARE(bj->text(), QStringLiteral("6"));
    QCOMPARE(rig.form->TextDXPhone->text(), QStringLiteral("1048572"));
    QVERIFY(rig.h.dialogs.messages().isEmpty());
}

QTEST_MAIN(TestPicker)
#include "tst_picker.moc"
