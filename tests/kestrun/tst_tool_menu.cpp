// The tool menu opens the address calculator inside the main window and the
// converter as a window of its own; the windows menu lists the children.

#include <QMenu>

#include "KestrunHarness.h"
#include "core/UnicodeConverter.h"
#include "core/AddressCalculator.h"

class TestToolMenu : public QObject {
    Q_OBJECT

private slots:
    void addressCalculatorVariants();
    void converterIsSeparateWindow();
    void windowsMenuListsChildren();
};

void TestToolMenu::addressCalculatorVariants() {
    KestrunHarness h;
    h.main().action("lookfine")->trigger();
    AddressCalculator* f = h.main().addressCalculator();
    QVERIFY(f);
    QCOMPARE(f->windowTitle(), QStringLiteral("为用户计算地址"));
    QVERIFY(!f->calcK());
    auto* sub = qobject_cast<QMdiSubWindow*>(f->parentWidget());
    QVERIFY(sub);
    QCOMPARE(sub->mdiArea(), h.main().mdiArea());
    QCOMPARE(sub->size(), QSize(Vb::twips(7260), Vb::twips(4650)));

    h.main().action("count_k")->trigger();
    QCOMPARE(h.main().addressCalculator(), f);  // one instance, switched to K
    QCOMPARE(f->windowTitle(), QStringLiteral("为用户计算地址K"));
    QVERIFY(f->calcK());
}

void TestToolMenu::converterIsSeparateWindow() {
    KestrunHarness h;
    h.main().action("mnuCode")->trigger();
    UnicodeConverter* f = h.main().unicodeConverter();
    QVERIFY(f);
    QVERIFY(f->isWindow());
    QVERIFY(f->isVisible());
    QCOMPARE(f->parentWidget(), &h.main());
    QCOMPARE(f->windowTitle(), QStringLiteral("转换"));
    QVERIFY(!f->isModal());
}

void TestToolMenu::windowsMenuListsChildren() {
    KestrunHarness h;
    QVERIFY(h.waitForPictureWindow());
    auto* windows = h.main().findChild<QMenu*>("windows");
    QVERIFY(windows);
    emit windows->aboutToShow();
    QStringList titles;
    for (QAction* a : windows->actions()) titles << a->text();
    QCOMPARE(titles, QStringList{QStringLiteral("短信报警控制模块")});
    ConnectDialog* dlg = h.openConnectDialog();
    QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
    emit windows->aboutToShow();
    QCOMPARE(windows->actions().size(), 2);
}

QTEST_MAIN(TestToolMenu)
#include "tst_tool_menu.moc"
