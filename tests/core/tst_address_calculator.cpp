#include "core/AddressCalculator.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

namespace {

QString lines(const QStringList& l)
{
    return l.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

}  // namespace

class TestAddressCalculator : public QObject {
    Q_OBJECT

    QList<Dialogs::Message> shown;
    Dialogs::Handler handler;
    std::unique_ptr<AddressCalculator> form;

    QLineEdit* edit(const char* name) { return form->findChild<QLineEdit*>(QString::fromUtf8(name)); }
    QScrollBar* spin(const char* name) { return form->findChild<QScrollBar*>(QString::fromUtf8(name)); }
    QLineEdit* station() { return edit("Text1(4)"); }

    // Steps the count spinner with its arrows until the count box reads n.
    void setCount(int n)
    {
        QScrollBar* s = spin("VScroll3");
        if (-s->value() == n) {
            s->triggerAction(n < 255 ? QAbstractSlider::SliderSingleStepSub
                                     : QAbstractSlider::SliderSingleStepAdd);
        }
        while (-s->value() < n)
            s->triggerAction(QAbstractSlider::SliderSingleStepSub);
        while (-s->value() > n)
            s->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(edit("Text1(2)")->text(), QString::number(n));
    }
    void setEncoding(int step)
    {
        QScrollBar* s = spin("VScroll4");
        while (s->value() < step)
            s->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        while (s->value() > step)
            s->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    void typeStation(const QString& keys)
    {
        station()->clear();
        QTest::keyClicks(station(), keys);
    }
    QString convert()
    {
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command1(0)")), Qt::LeftButton);
        return form->outputText();
    }

private slots:
    void init()
    {
        shown.clear();
        handler.message = [this](const Dialogs::Message& m) {
            shown << m;
            return Dialogs::Answer::Ok;
        };
        Dialogs::setHandler(&handler);
        form = std::make_unique<AddressCalculator>();
        form->show();
    }
    void cleanup()
    {
        form.reset();
        Dialogs::setHandler(nullptr);
    }

    void opensWithNamedControlsAndEmptyCount()
    {
        QCOMPARE(form->objectName(), QStringLiteral("Form9"));
        for (const char* name : {"Text1(2)", "Text1(3)", "Text1(4)"})
            QVERIFY2(edit(name), name);
        QVERIFY(form->findChild<QPlainTextEdit*>(QStringLiteral("Text2")));
        QCOMPARE(form->findChild<QPushButton*>(QStringLiteral("Command1(0)"))->text(), QStringLiteral("转换"));
        QCOMPARE(form->findChild<QPushButton*>(QStringLiteral("Command1(1)"))->text(), QStringLiteral("退出"));
        QVERIFY(edit("Text1(2)")->text().isEmpty());
        QVERIFY(station()->text().isEmpty());
        QCOMPARE(edit("Text1(3)")->text(), QStringLiteral("ASCII"));
    }

    void spinnersFillCountAndEncodingAndTypingIsIgnored()
    {
        setCount(3);
        setCount(255);
        setCount(1);
        setEncoding(2);
        QCOMPARE(edit("Text1(3)")->text(), QStringLiteral("十六进制"));
        setEncoding(3);
        QCOMPARE(edit("Text1(3)")->text(), QStringLiteral("BCD码"));
        setEncoding(1);
        QCOMPARE(edit("Text1(3)")->text(), QStringLiteral("ASCII"));
        QTest::keyClicks(edit("Text1(2)"), QStringLiteral("99"));
        QTest::keyClicks(edit("Text1(3)"), QStringLiteral("x"));
        QCOMPARE(edit("Text1(2)")->text(), QStringLiteral("1"));
        QCOMPARE(edit("Text1(3)")->text(), QStringLiteral("ASCII"));
    }

    void stationBoxFiltersAndAddsColons()
    {
        QTest::keyClicks(station(), QStringLiteral("1g2"));
        QCOMPARE(station()->text(), QStringLiteral("12:"));
        // Lower case turns upper; the caret's place does not matter.
        station()->setCursorPosition(0);
        QTest::keyClicks(station(), QStringLiteral("b :c"));
        QCOMPARE(station()->text(), QStringLiteral("12:BC:"));
        QCOMPARE(station()->cursorPosition(), 6);
        // Backspace edits normally and adds no colon.
        QTest::keyClick(station(), Qt::Key_Backspace);
        QCOMPARE(station()->text(), QStringLiteral("12:BC"));
        QTest::keyClick(station(), Qt::Key_Backspace);
        QCOMPARE(station()->text(), QStringLiteral("12:B"));
        QTest::keyClick(station(), Qt::Key_Home);
        QTest::keyClick(station(), Qt::Key_Delete);
        QCOMPARE(station()->text(), QStringLiteral("2:B"));
    }

    void pastedTextGoesThroughTheFilter()
    {
        QTest::keyClicks(station(), QStringLiteral("1"));
        QApplication::clipboard()->setText(QStringLiteral("2-3x4"));
        QTest::keyClick(station(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(station()->text(), QStringLiteral("12:34:"));

        // The context menu's paste as well.
        station()->clear();
        QApplication::clipboard()->setText(QStringLiteral("a z9"));
        QContextMenuEvent ev(QContextMenuEvent::Mouse, QPoint(2, 2), station()->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(station(), &ev);
        QMenu* menu = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
                    menu = m;
            return menu != nullptr;
        }, 5000));
        QAction* paste = nullptr;
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String("paste"))
                paste = a;
        QVERIFY(paste);
        paste->trigger();
        menu->close();
        QCOMPARE(station()->text(), QStringLiteral("A9:"));
    }

    void everyOtherWayInGoesThroughTheFilter()
    {
        // Dropped text, an input method's commit, and keys with modifiers.
        QTest::keyClicks(station(), QStringLiteral("1"));
        QMimeData mime;
        mime.setText(QStringLiteral("2:3a g"));
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(station(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(station(), &drop);
        QCOMPARE(station()->text(), QStringLiteral("12:3A:"));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("4:x5"));
        QApplication::sendEvent(station(), &commit);
        QCOMPARE(station()->text(), QStringLiteral("12:3A:45:"));
        for (Qt::KeyboardModifiers m : {Qt::AltModifier, Qt::ControlModifier, Qt::MetaModifier})
            QTest::keyClick(station(), Qt::Key_G, m);
        QCOMPARE(station()->text(), QStringLiteral("12:3A:45:"));
    }

    void plainVariantListsDownFromBaseTimesCount()
    {
        form->setCalcK(false);
        typeStation(QStringLiteral("1234"));
        QCOMPARE(station()->text(), QStringLiteral("12:34:"));
        setCount(3);
        QCOMPARE(convert(), lines({"30:30:39:43:", "30:30:39:42:", "30:30:39:41:"}));
        setEncoding(2);
        QCOMPARE(convert(), lines({"00:9C:", "00:9B:", "00:9A:"}));
        // The box itself shows the same lines.
        QCOMPARE(form->findChild<QPlainTextEdit*>(QStringLiteral("Text2"))->toPlainText(),
                 QStringLiteral("00:9C:\n00:9B:\n00:9A:\n"));
        setEncoding(3);
        QCOMPARE(convert(), lines({"01:56:", "01:55:", "01:54:"}));
        QVERIFY(shown.isEmpty());

        // The first byte of the station plays no part.
        typeStation(QStringLiteral("FF34"));
        QCOMPARE(convert(), lines({"01:56:", "01:55:", "01:54:"}));
        // A count of one lists the base itself.
        setCount(1);
        QCOMPARE(convert(), lines({"00:52:"}));
    }

    void kVariantTakesTheLowDigitOfTheFirstByte()
    {
        form->setCalcK(true);
        typeStation(QStringLiteral("1234"));
        setCount(2);
        setEncoding(2);
        QCOMPARE(convert(), lines({"04:68:", "04:67:"}));
        typeStation(QStringLiteral("F234"));
        QCOMPARE(convert(), lines({"04:68:", "04:67:"}));
        setEncoding(1);
        QCOMPARE(convert(), lines({"30:34:36:38:", "30:34:36:37:"}));
        setEncoding(3);
        QCOMPARE(convert(), lines({"11:28:", "11:27:"}));
    }

    void wrongStationLengthIsRefused()
    {
        setCount(3);
        setEncoding(2);
        typeStation(QStringLiteral("1234"));
        QVERIFY(!convert().isEmpty());
        QTest::keyClick(station(), Qt::Key_Backspace);
        QCOMPARE(station()->text().size(), 5);
        QCOMPARE(convert(), QString());
        QCOMPARE(form->findChild<QPlainTextEdit*>(QStringLiteral("Text2"))->toPlainText(), QString());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("发射区没有需要发射的数据，请重新输入"));
        QCOMPARE(shown[0].title, QStringLiteral("错误提示"));
        QCOMPARE(shown[0].buttons, Dialogs::Buttons::Ok);

        typeStation(QStringLiteral("1234567"));
        QCOMPARE(station()->text().size(), 10);
        QCOMPARE(convert(), QString());
        station()->clear();
        QCOMPARE(convert(), QString());
        QCOMPARE(shown.size(), 3);
    }

    void emptyCountListsNothing()
    {
        typeStation(QStringLiteral("1234"));
        setEncoding(2);
        QCOMPARE(convert(), QString());
        QVERIFY(shown.isEmpty());
    }

    void valuesBeyondTwoBytesKeepEveryByte()
    {
        // 12345: twelve thousands run into the first BCD byte.
        form->setCalcK(true);
        typeStation(QStringLiteral("0337"));
        setCount(15);
        setEncoding(3);
        QStringList l = convert().split(QStringLiteral("\r\n"));
        QCOMPARE(l.size(), 16);
        QCOMPARE(l.first(), QStringLiteral("C3:45:"));
        QCOMPARE(l.at(14), QStringLiteral("C3:31:"));
        QVERIFY(l.last().isEmpty());

        form->setCalcK(false);
        typeStation(QStringLiteral("00FF"));
        setCount(255);
        setEncoding(2);
        l = convert().split(QStringLiteral("\r\n"));
        QCOMPARE(l.size(), 256);
        QCOMPARE(l.first(), QStringLiteral("FE:01:"));
        QCOMPARE(l.at(254), QStringLiteral("FD:03:"));
        setEncoding(3);
        QVERIFY(convert().startsWith(QStringLiteral("04:10:25:\r\n04:10:24:\r\n")));

        form->setCalcK(true);
        typeStation(QStringLiteral("0FFF"));
        setEncoding(2);
        l = convert().split(QStringLiteral("\r\n"));
        QCOMPARE(l.first(), QStringLiteral("0F:EF:01:"));
        QCOMPARE(l.at(1), QStringLiteral("0F:EF:00:"));
        QCOMPARE(l.at(2), QStringLiteral("0F:EE:FF:"));
        setEncoding(1);
        QVERIFY(convert().startsWith(QStringLiteral("30:46:45:46:30:31:\r\n")));
        setEncoding(3);
        // 1044225: 1044 thousands and 2 hundreds give 16706 = 41 42.
        QVERIFY(convert().startsWith(QStringLiteral("41:42:25:\r\n41:42:24:\r\n")));
    }

    void noLineBelowZero()
    {
        // A station whose used digits are all 0 gives the base 0: counting
        // down from it would run into negative values, which are no address.
        form->setCalcK(false);
        typeStation(QStringLiteral("1200"));
        setCount(3);
        for (int encoding = 1; encoding <= 3; ++encoding) {
            setEncoding(encoding);
            const QString out = convert();
            QVERIFY2(!out.contains(QStringLiteral("FF")), qPrintable(out));
            QCOMPARE(out.count(QStringLiteral("\r\n")), 1);
        }
        QCOMPARE(convert(), lines({"00:00:"}));
        form->setCalcK(true);
        typeStation(QStringLiteral("F000"));
        setEncoding(2);
        QCOMPARE(convert(), lines({"00:00:"}));
        // A base of 1 still reaches down to 1 itself.
        typeStation(QStringLiteral("0001"));
        QCOMPARE(convert(), lines({"00:03:", "00:02:", "00:01:"}));
    }

    void lineForUnknownEncodingIsEmpty()
    {
        QCOMPARE(AddressCalculator::addressLine(156, QStringLiteral("hex")), QString());
        QCOMPARE(AddressCalculator::addressLine(0, QStringLiteral("ASCII")), QStringLiteral("30:30:30:30:\r\n"));
        QCOMPARE(AddressCalculator::addressLine(0, QStringLiteral("BCD码")), QStringLiteral("00:00:\r\n"));
    }

    void quitEmptiesAndClosesItsWindow()
    {
        QMdiArea area;
        auto* calc = new AddressCalculator;
        QPointer<QMdiSubWindow> sub = area.addSubWindow(calc);
        calc->setWindowTitle(QStringLiteral("为用户计算地址"));
        area.show();
        sub->show();
        QTest::keyClicks(calc->findChild<QLineEdit*>(QStringLiteral("Text1(4)")), QStringLiteral("1234"));
        calc->findChild<QScrollBar*>(QStringLiteral("VScroll3"))->triggerAction(QAbstractSlider::SliderSingleStepSub);
        calc->convert();
        QVERIFY(!calc->outputText().isEmpty());
        QTest::mouseClick(calc->findChild<QPushButton*>(QStringLiteral("Command1(1)")), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return sub.isNull() || !sub->isVisible(); }, 5000));
        QVERIFY(area.subWindowList().isEmpty());

        // On its own it closes itself.
        form->findChild<QPushButton*>(QStringLiteral("Command1(1)"))->click();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->outputText(), QString());
    }
};

QTEST_MAIN(TestAddressCalculator)
#include "tst_address_calculator.moc"
