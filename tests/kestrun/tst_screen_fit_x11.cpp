// Kestrun on the most common field laptop's screen, 1366 x 768, with a
// window manager: the main window opens within the screen's working area
// and every button of the settings form, on every tab, can be seen whole
// and pressed after a connect. Skips (exit code 77) without Xvfb.

#include <QStatusBar>

#include "KestrunHarness.h"
#include "tests/support/ScreenFit.h"
#include "tests/support/X11Screen.h"

class TestScreenFitX11 : public QObject {
    Q_OBJECT

private slots:
    void formFitsALaptopScreen() {
        KestrunHarness h;
        QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
        QVERIFY(QTest::qWaitForWindowExposed(&h.main()));
        QCOMPARE(h.main().screen()->geometry().size(), QSize(1366, 768));
        QStringList problems;
        if (const QString f = ScreenFit::windowFault(&h.main()); !f.isEmpty()) problems << f;
        h.connect();
        QVERIFY(QTest::qWaitFor([&] { return h.settingsFormShown() && g::RecvMode == 101; }, 10000));
        const QStatusBar* bar = h.main().statusBar();
        if (!h.main().screen()->availableGeometry().contains(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size())))
            problems << QStringLiteral("status bar off the working area");
        // The model frame stands below the form's area by design: nothing
        // reaches its button.
        problems << ScreenFit::unusableButtons(h.settingsForm(), {QStringLiteral("Command9")});
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

SMS_X11_SCREEN_TEST_MAIN(TestScreenFitX11, 1366, 768)

#include "tst_screen_fit_x11.moc"
