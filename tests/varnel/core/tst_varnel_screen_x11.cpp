// Varnel on the most common field laptop's screen, 1366 x 768, with a
// window manager: the main window opens within the screen's working area,
// and after a connect, with the settings form fitted to the main window,
// normal or maximised, every button on every tab can be seen whole and
// pressed. Skips (exit code 77) without Xvfb.

#include "../VarnelHarness.h"
#include "tests/support/ScreenFit.h"
#include "tests/support/X11Screen.h"

class TestVarnelScreenX11 : public QObject {
    Q_OBJECT

private slots:
    void formFitsALaptopScreen() {
        VarnelHarness h;
        QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
        QVERIFY(QTest::qWaitForWindowExposed(&h.main()));
        QCOMPARE(h.main().screen()->geometry().size(), QSize(1366, 768));
        QStringList problems;
        if (const QString f = ScreenFit::windowFault(&h.main()); !f.isEmpty()) problems << f;
        QVERIFY(h.connectToForm());
        problems << ScreenFit::unusableButtons(h.form());

        h.main().showMaximized();
        QVERIFY(QTest::qWaitFor([&] { return h.main().isMaximized(); }, 3000));
        QApplication::processEvents();
        for (const QString& p : ScreenFit::unusableButtons(h.form())) problems << QStringLiteral("maximised: ") + p;
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

SMS_X11_SCREEN_TEST_MAIN(TestVarnelScreenX11, 1366, 768)

#include "tst_varnel_screen_x11.moc"
