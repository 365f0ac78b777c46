// The address calculator's station box on a real X11 display, where the
// middle button pastes the primary selection (offscreen has no selection).
// Skips (exit code 77) without an X server, e.g. outside xvfb-run.

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include "tests/support/X11Main.h"

#include "core/AddressCalculator.h"
#include "platform/Dialogs.h"

class TestAddressCalculatorX11 : public QObject {
    Q_OBJECT

private slots:
    void middleButtonPasteGoesThroughTheFilter() {
        QList<Dialogs::Message> shown;
        Dialogs::Handler handler;
        handler.message = [&](const Dialogs::Message& m) {
            shown << m;
            return Dialogs::Answer::Ok;
        };
        Dialogs::setHandler(&handler);
        AddressCalculator form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* station = form.findChild<QLineEdit*>(QStringLiteral("Text1(4)"));
        QVERIFY(station);
        QVERIFY(QApplication::clipboard()->supportsSelection());

        QApplication::clipboard()->setText(QStringLiteral("12:3a:"), QClipboard::Selection);
        QVERIFY(QTest::qWaitFor(
            [] { return QApplication::clipboard()->text(QClipboard::Selection) == QStringLiteral("12:3a:"); },
            3000));
        QTest::mouseClick(station, Qt::MiddleButton, Qt::NoModifier, QPoint(4, 4));
        QCOMPARE(station->text(), QStringLiteral("12:3A:"));

        // And a selection of nothing but junk adds nothing.
        QApplication::clipboard()->setText(QStringLiteral(" :xyz"), QClipboard::Selection);
        QTest::mouseClick(station, Qt::MiddleButton, Qt::NoModifier, QPoint(4, 4));
        QCOMPARE(station->text(), QStringLiteral("12:3A:"));
        QVERIFY(shown.isEmpty());
        Dialogs::setHandler(nullptr);
    }
};

SMS_X11_TEST_MAIN(TestAddressCalculatorX11)

#include "tst_address_calculator_x11.moc"
