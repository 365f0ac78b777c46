// The settings form's size on a real X11 display after a connect, where the
// main window's layout gives the client area its size only after the
// window's first resize. Skips (exit code 77) without an X server.

#include <QApplication>
#include "tests/support/X11Main.h"

#include "../VarnelHarness.h"

class TestVarnelFitX11 : public QObject {
    Q_OBJECT

private slots:
    void formFillsTheClientAreaAfterConnect() {
        VarnelHarness h;
        QVERIFY2(h.fixture.ok(), qPrintable(h.fixture.error()));
        QVERIFY(QTest::qWaitForWindowExposed(&h.main()));
        QVERIFY(h.connectToForm());
        auto* formSub = qobject_cast<QMdiSubWindow*>(h.form()->parentWidget());
        QVERIFY(formSub);
        QVERIFY(formSub->isVisible());
        const QWidget* client = h.main().mdiArea()->viewport();
        const QSize margin(Vb::twips(120), Vb::twips(120));
        // The client area is the main window's, not a first guess of it.
        QVERIFY(client->width() > h.main().width() / 2 && client->height() > h.main().height() / 2);
        // Never below what the form's controls need (the area scrolls).
        QTRY_COMPARE(formSub->size(), (client->size() - margin).expandedTo(formSub->minimumSizeHint()));
    }
};

SMS_X11_TEST_MAIN(TestVarnelFitX11)

#include "tst_varnel_fit_x11.moc"
