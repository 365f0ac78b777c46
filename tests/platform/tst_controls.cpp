#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "Controls.h"

namespace {
// Hex digits pass, lower case raised, other codes below 127 dropped.
void hexOnly(int& k) {
    if (k == 8 || (k >= '0' && k <= '9') || (k >= 'A' && k <= 'F')) return;
    if (k >= 'a' && k <= 'f') {
        k -= 32;
        return;
    }
    if (k < 127) k = 0;
}
}  // namespace

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void names() {
        QObject o;
        Controls::setArrayName(&o, QStringLiteral("Command1"), 0);
        QCOMPARE(o.objectName(), QStringLiteral("Command1(0)"));
        QCOMPARE(Controls::arrayName(QStringLiteral("Text21"), 12), QStringLiteral("Text21(12)"));
        Controls::setName(&o, "MSGrid1");
        QCOMPARE(o.objectName(), QStringLiteral("MSGrid1"));
    }

    void checkBoxValueFromCode() {
        QCheckBox box;
        int clicks = 0;
        Controls::onClick(&box, &box, [&] { ++clicks; });
        QSignalSpy toggled(&box, &QCheckBox::toggled);

        Controls::setValueAndClick(&box, true);
        QVERIFY(box.isChecked());
        QCOMPARE(clicks, 1);
        Controls::setValueAndClick(&box, true);  // unchanged: nothing runs
        QCOMPARE(clicks, 1);
        Controls::setValueAndClick(&box, true, Controls::ClickWhen::Always);
        QCOMPARE(clicks, 2);
        Controls::setValueAndClick(&box, false);
        QCOMPARE(clicks, 3);
        Controls::setValueQuiet(&box, true);
        QVERIFY(box.isChecked());
        QCOMPARE(clicks, 3);
        // Qt's own change signal never reached anyone.
        QCOMPARE(toggled.count(), 0);

        // The user's click runs the same handler once.
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
        QCOMPARE(clicks, 4);
        QVERIFY(!box.isChecked());
    }

    void optionButtonsFromCode() {
        QWidget w;
        auto* a = new QRadioButton(QStringLiteral("a"), &w);
        auto* b = new QRadioButton(QStringLiteral("b"), &w);
        int clicksA = 0, clicksB = 0;
        Controls::onClick(a, &w, [&] { ++clicksA; });
        Controls::onClick(b, &w, [&] { ++clicksB; });
        QSignalSpy toggledA(a, &QRadioButton::toggled);

        Controls::setValueAndClick(a, true);
        QCOMPARE(clicksA, 1);
        Controls::setValueAndClick(b, true);
        QVERIFY(b->isChecked());
        QVERIFY(!a->isChecked());  // still exclusive
        QCOMPARE(clicksB, 1);
        QCOMPARE(clicksA, 1);  // the sibling that went off raises nothing
        QCOMPARE(toggledA.count(), 0);

        // Code may leave no option chosen; that raises no click.
        Controls::setValueAndClick(b, false);
        QVERIFY(!a->isChecked() && !b->isChecked());
        QCOMPARE(clicksB, 1);
        // Exclusivity survives the unchecking.
        Controls::setValueQuiet(a, true);
        Controls::setValueQuiet(b, true);
        QVERIFY(!a->isChecked());
    }

    void optionButtonsInAGroup() {
        QWidget w;
        auto* a = new QRadioButton(&w);
        auto* b = new QRadioButton(&w);
        QButtonGroup group;
        group.addButton(a);
        group.addButton(b);
        Controls::setValueQuiet(a, true);
        Controls::setValueQuiet(a, false);
        QVERIFY(!a->isChecked() && !b->isChecked());
        QVERIFY(group.exclusive());
        Controls::setValueQuiet(b, true);
        Controls::setValueQuiet(a, true);
        QVERIFY(!b->isChecked());
    }

    void listIndexFromCode() {
        QComboBox combo;
        combo.addItems({QStringLiteral("1200bps"), QStringLiteral("9600bps"), QStringLiteral("115200bps")});
        int clicks = 0;
        Controls::onClick(&combo, &combo, [&] { ++clicks; });
        QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);

        QVERIFY(Controls::setListIndexAndClick(&combo, 1));
        QCOMPARE(combo.currentIndex(), 1);
        QCOMPARE(clicks, 1);
        QVERIFY(Controls::setListIndexAndClick(&combo, 1));
        QCOMPARE(clicks, 1);
        QVERIFY(Controls::setListIndexAndClick(&combo, 1, Controls::ClickWhen::Always));
        QCOMPARE(clicks, 2);
        QVERIFY(!Controls::setListIndexAndClick(&combo, 3));  // outside the list
        QVERIFY(!Controls::setListIndexQuiet(&combo, -2));
        QCOMPARE(combo.currentIndex(), 1);
        QCOMPARE(clicks, 2);
        QVERIFY(Controls::setListIndexQuiet(&combo, 2));
        QCOMPARE(clicks, 2);
        QVERIFY(Controls::setListIndexAndClick(&combo, -1));
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(clicks, 3);
        QCOMPARE(changed.count(), 0);

        // A choice by the user runs the handler as well.
        Controls::setListIndexQuiet(&combo, 0);
        combo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&combo));
        combo.setFocus();
        QTest::keyClick(&combo, Qt::Key_Down);
        QCOMPARE(combo.currentIndex(), 1);
        QCOMPARE(clicks, 4);
    }

    void codeOnlyClick() {
        QObject control;
        int runs = 0;
        Controls::runClick(&control);  // no handler: nothing happens
        Controls::onCodeClick(&control, nullptr, [&] { ++runs; });
        Controls::runClick(&control);
        QCOMPARE(runs, 1);
        QCOMPARE(Controls::VbClick::of(&control), Controls::VbClick::of(&control));
    }

    void keyFilterOnTypedKeys() {
        QLineEdit edit;
        QList<int> seen;
        Controls::installKeyFilter(&edit, [&](int& k) {
            seen << k;
            hexOnly(k);
        });
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QTest::keyClicks(&edit, QStringLiteral("1a:2bz"));
        QCOMPARE(edit.text(), QStringLiteral("1A2B"));
        QCOMPARE(seen, (QList<int>{'1', 'a', ':', '2', 'b', 'z'}));

        // Backspace reaches the filter as 8 and still deletes.
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("1A2"));
        QCOMPARE(seen.last(), 8);
        // Delete and the cursor keys work as usual.
        QTest::keyClick(&edit, Qt::Key_Home);
        QTest::keyClick(&edit, Qt::Key_Delete);
        QCOMPARE(edit.text(), QStringLiteral("A2"));
        // A typed key replaces the selection, as the box normally does.
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("f"));
        QCOMPARE(edit.text(), QStringLiteral("F"));
        // Non-ASCII characters reach the filter with their own code.
        QKeyEvent wide(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("中"));
        QApplication::sendEvent(&edit, &wide);
        QCOMPARE(seen.last(), 0x4E2D);
        QCOMPARE(edit.text(), QStringLiteral("F中"));
    }

    void keyFilterOnPastedText() {
        QLineEdit edit;
        int calls = 0;
        Controls::installKeyFilter(&edit, [&](int& k) {
            ++calls;
            hexOnly(k);
        });
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setFocus();
        edit.setText(QStringLiteral("00"));
        edit.setCursorPosition(1);
        QClipboard* cb = QApplication::clipboard();
        cb->setText(QStringLiteral("ab:cx9"));
        if (cb->text() != QStringLiteral("ab:cx9")) QSKIP("no clipboard on this platform");
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit.text(), QStringLiteral("0ABC90"));
        QCOMPARE(calls, 6);
        QCOMPARE(edit.cursorPosition(), 5);

        // Pasting over a selection replaces it, filtered.
        edit.setSelection(0, 3);
        cb->setText(QStringLiteral("--e"));
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit.text(), QStringLiteral("EC90"));
    }

    void keyFilterOnInputMethodCommit() {
        QLineEdit edit;
        Controls::installKeyFilter(&edit, [](int& k) {
            if (k == 0x4E2D)  // one character the box refuses
                k = 0;
        });
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setFocus();
        QInputMethodEvent commit(QString(), {});
        commit.setCommitString(QStringLiteral("报中警"));
        QApplication::sendEvent(&edit, &commit);
        QCOMPARE(edit.text(), QStringLiteral("报警"));
    }

    void keyFilterThatEditsTheBox() {
        // A filter in the forms' style: it inserts the key itself at the
        // caret, drops the key, and appends ":" after each pair.
        QLineEdit edit;
        Controls::installKeyFilter(&edit, [&](int& k) {
            hexOnly(k);
            if (k == 8) return;
            if (k != 0) edit.insert(QString(QChar(k)));
            k = 0;
            if (edit.text().size() % 3 == 2) {
                edit.setCursorPosition(static_cast<int>(edit.text().size()));
                edit.insert(QStringLiteral(":"));
            }
        });
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QTest::keyClicks(&edit, QStringLiteral("0a1f"));
        QCOMPARE(edit.text(), QStringLiteral("0A:1F:"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("0A:1F"));
    }

    void keyFilterCanRefuseBackspaceAndEnter() {
        QLineEdit edit;
        Controls::installKeyFilter(&edit, [](int& k) { k = 0; });
        edit.setText(QStringLiteral("log"));
        QSignalSpy returns(&edit, &QLineEdit::returnPressed);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QTest::keyClicks(&edit, QStringLiteral("abc"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.text(), QStringLiteral("log"));
        QCOMPARE(returns.count(), 0);
    }

    void codeChangesAreNotFiltered() {
        QLineEdit edit;
        Controls::installKeyFilter(&edit, [](int& k) { k = 0; });
        int changes = 0;
        connect(&edit, &QLineEdit::textChanged, [&] { ++changes; });
        edit.setText(QStringLiteral("set:by code"));
        QCOMPARE(edit.text(), QStringLiteral("set:by code"));
        edit.insert(QStringLiteral("+more"));
        QCOMPARE(edit.text(), QStringLiteral("set:by code+more"));
        QCOMPARE(changes, 2);
        // Enter passes through when the filter keeps it.
        QLineEdit other;
        Controls::installKeyFilter(&other, [](int&) {});
        QSignalSpy returns(&other, &QLineEdit::returnPressed);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QTest::keyClick(&other, Qt::Key_Return);
        QCOMPARE(returns.count(), 1);
    }

    void statusBarPanels() {
        PanelStatusBar bar(3);
        QCOMPARE(bar.panelCount(), 3);
        bar.setPanelText(1, QStringLiteral("串口：未使用"));
        bar.setPanelText(3, QStringLiteral("发射区字节数：0"));
        bar.setPanelText(0, QStringLiteral("x"));
        bar.setPanelText(4, QStringLiteral("x"));
        QCOMPARE(bar.panelText(1), QStringLiteral("串口：未使用"));
        QCOMPARE(bar.panelText(2), QString());
        QCOMPARE(bar.panelText(3), QStringLiteral("发射区字节数：0"));
        QCOMPARE(bar.panelText(0), QString());
        QCOMPARE(bar.panelText(4), QString());
        QCOMPARE(bar.panel(1)->text(), QStringLiteral("串口：未使用"));
        // A temporary message does not wipe the panels.
        bar.showMessage(QStringLiteral("tip"));
        QCOMPARE(bar.panelText(1), QStringLiteral("串口：未使用"));
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
