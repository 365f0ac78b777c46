// The shared main window built with a second program's choices: its own
// menus, its own timers, its own receive path and its own fitting on resize.

#include <QMenuBar>
#include <QTest>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/ProgramForms.h"
#include "platform/CommPort.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

namespace {

struct RecordingPath : ReceivePath {
    QList<int> codes;
    void onCommEvent(int code) override { codes << code; }
};

class OtherProgram : public ProgramForms {
public:
    RecordingPath* path = nullptr;
    int fits = 0;
    int settingsShown = 0;

    std::vector<MainTimerDesign> mainTimers() const override { return {{1, 100, false}, {12, 100, false}}; }
    MainMenuChoice menuChoice() const override {
        MainMenuChoice c;
        c.addressCalculator = false;
        c.sendModeMenu = false;
        return c;
    }
    void addMenus(MainWindow& main, QMenuBar* bar) override {
        QMenu* own = bar->addMenu(QStringLiteral("表"));
        own->setObjectName(QStringLiteral("tables"));
        own->addAction(QStringLiteral("导入"))->setObjectName(QStringLiteral("import"));
        QCOMPARE(&main, bar->parentWidget());
    }
    std::unique_ptr<ReceivePath> makeReceivePath(MainWindow&) override {
        auto p = std::make_unique<RecordingPath>();
        path = p.get();
        return p;
    }
    void fitChildren(MainWindow&) override { ++fits; }
    void showSettingsForm(bool) override { ++settingsShown; }
};

}  // namespace

class TestMainWindowProgram : public QObject {
    Q_OBJECT

private slots:
    void init() { g::resetAll(); }

    void timersAreTheProgramsOwn() {
        OtherProgram p;
        MainWindow main(QStringLiteral("Other"), &p);
        QVERIFY(main.timer(1));
        QVERIFY(main.timer(12));
        QCOMPARE(main.timer(12)->interval(), 100);
        QCOMPARE(main.findChild<VbTimer*>(QStringLiteral("Timer12")), main.timer(12));
        for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 0, -1}) {
            QCOMPARE(main.timer(n), nullptr);
            // The shared handshake and probe code may drive a timer the
            // program does not have: nothing happens, nothing breaks.
            main.setTimerEnabled(n, true);
            main.rearmTimer(n, 10);
            main.setTimerInterval(n, 10);
            QVERIFY(!main.timerEnabled(n));
        }
    }

    void menusAreTheProgramsChoice() {
        OtherProgram p;
        MainWindow main(QStringLiteral("Other"), &p);
        for (const char* kept : {"clear_rece", "clear_send", "clear_yuan", "mnuCode", "x", "import"})
            QVERIFY2(main.action(QString::fromLatin1(kept)), kept);
        for (const char* gone : {"lookfine", "count_k", "chinese", "englist", "sendhex"})
            QVERIFY2(!main.action(QString::fromLatin1(gone)), gone);
        // Without the send-mode menu the mode reads as the first one.
        QCOMPARE(main.sendMode(), 0);
        QVERIFY(!main.sendModeMenuVisible());
        main.setSendModeMenuVisible(true);
        QVERIFY(!main.sendModeMenuVisible());
        // The program's own menu stands before 窗口.
        const auto menus = main.menuBar()->actions();
        QCOMPARE(menus.last()->menu()->objectName(), QStringLiteral("windows"));
        QCOMPARE(menus.at(menus.size() - 2)->menu()->objectName(), QStringLiteral("tables"));
    }

    void receiveEventsGoToTheProgramsPath() {
        OtherProgram p;
        MainWindow main(QStringLiteral("Other"), &p);
        QVERIFY(p.path);
        emit main.MSComm1->commEvent(CommPort::Receive);
        emit main.MSComm1->commEvent(CommPort::LineLost);
        QCOMPARE(p.path->codes, (QList<int>{CommPort::Receive, CommPort::LineLost}));
    }

    void resizeFitsTheProgramsChildren() {
        OtherProgram p;
        MainWindow main(QStringLiteral("Other"), &p);
        main.show();
        const int before = p.fits;
        main.resize(main.size() + QSize(40, 30));
        QTRY_VERIFY(p.fits > before);
    }
};

QTEST_MAIN(TestMainWindowProgram)
#include "tst_main_window_program.moc"
