#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "DialogRecorder.h"
#include "Dialogs.h"
#include "Find.h"
#include "VbTimer.h"
#include "VirtualTime.h"

using Dialogs::Answer;
using Dialogs::Buttons;
using Dialogs::Icon;

namespace {
// Acts on the real modal window once it is up, so the test never blocks.
void whenModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            QPointer<QWidget> guard(w);
            act(w);
            // Should the check inside act() fail before it closed the window,
            // close it anyway so the test reports instead of hanging.
            QTimer::singleShot(2000, [guard] {
                if (auto* d = qobject_cast<QDialog*>(guard.data()); d && d->isVisible()) d->reject();
            });
        }
    });
    poll->start();
}
}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void recorderRecordsAndAnswers() {
        DialogRecorder rec;
        rec.queueAnswer(Answer::Cancel);
        QCOMPARE(Dialogs::msgBox(nullptr, QStringLiteral("清空号码表吗?"), QStringLiteral("警告！"),
                                 Icon::Exclamation, Buttons::OkCancel),
                 Answer::Cancel);
        // Queue empty: the first button of each set.
        QCOMPARE(Dialogs::msgBox(nullptr, QStringLiteral("a"), QStringLiteral("t")), Answer::Ok);
        QCOMPARE(Dialogs::msgBox(nullptr, QStringLiteral("b"), QStringLiteral("t"), Icon::Question,
                                 Buttons::YesNo),
                 Answer::Yes);
        QCOMPARE(Dialogs::msgBox(nullptr, QStringLiteral("c"), QStringLiteral("t"), Icon::None,
                                 Buttons::RetryCancel),
                 Answer::Retry);
        QCOMPARE(rec.messageCount(), 4);
        const Dialogs::Message& m = rec.messages().first();
        QCOMPARE(m.title, QStringLiteral("警告！"));
        QCOMPARE(m.text, QStringLiteral("清空号码表吗?"));
        QCOMPARE(m.icon, Icon::Exclamation);
        QCOMPARE(m.buttons, Buttons::OkCancel);
        QCOMPARE(rec.lastText(), QStringLiteral("c"));
        QVERIFY(rec.describe().contains(QStringLiteral("警告！: 清空号码表吗?")));
        rec.clear();
        QCOMPARE(rec.messageCount(), 0);
        QCOMPARE(rec.lastText(), QString());
    }

    void recorderInputsAndFiles() {
        DialogRecorder rec;
        QCOMPARE(Dialogs::inputBox(nullptr, QStringLiteral("请输入8位密码："), QStringLiteral("身份识别"),
                                   QStringLiteral("00000000")),
                 QStringLiteral("00000000"));
        rec.queueInput(QStringLiteral("12345678"));
        rec.queueInput(QString());  // cancelled
        QCOMPARE(Dialogs::inputBox(nullptr, QStringLiteral("p"), QStringLiteral("t")),
                 QStringLiteral("12345678"));
        QCOMPARE(Dialogs::inputBox(nullptr, QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("d")),
                 QString());
        QCOMPARE(rec.inputs().size(), 3);
        QCOMPARE(rec.inputs().first().prompt, QStringLiteral("请输入8位密码："));
        QCOMPARE(rec.inputs().first().title, QStringLiteral("身份识别"));

        QCOMPARE(Dialogs::openFile(nullptr, QStringLiteral("打开"), QStringLiteral("数据文件(*.MDB)|*.mdb")),
                 QString());
        rec.queueFile(QStringLiteral("/tmp/x.mdb"));
        QCOMPARE(Dialogs::saveFile(nullptr, QStringLiteral("保存"), QStringLiteral("数据文件(*.MDB)|*.mdb"),
                                   QStringLiteral("/data/"), QString(), QStringLiteral("mdb")),
                 QStringLiteral("/tmp/x.mdb"));
        QCOMPARE(rec.files().size(), 2);
        QVERIFY(!rec.files()[0].save);
        QVERIFY(rec.files()[1].save);
        QCOMPARE(rec.files()[1].filter, QStringLiteral("数据文件(*.MDB)|*.mdb"));
        QCOMPARE(rec.files()[1].directory, QStringLiteral("/data/"));
        QCOMPARE(rec.files()[1].defaultSuffix, QStringLiteral("mdb"));
        QCOMPARE(rec.messageCount(), 0);
    }

    void recordersNestAndRestore() {
        QCOMPARE(Dialogs::handler(), nullptr);
        {
            DialogRecorder outer;
            {
                DialogRecorder inner;
                Dialogs::msgBox(nullptr, QStringLiteral("to inner"), QStringLiteral("t"));
                QCOMPARE(inner.messageCount(), 1);
            }
            Dialogs::msgBox(nullptr, QStringLiteral("to outer"), QStringLiteral("t"));
            QCOMPARE(outer.messageCount(), 1);
            QCOMPARE(outer.lastText(), QStringLiteral("to outer"));
        }
        QCOMPARE(Dialogs::handler(), nullptr);
    }

    void waitForMessageFromTheEventLoop() {
        DialogRecorder rec;
        QTimer::singleShot(50,
                           [] { Dialogs::msgBox(nullptr, QStringLiteral("later"), QStringLiteral("提示")); });
        QVERIFY(rec.waitForMessage(1, 5000));
        QCOMPARE(rec.lastText(), QStringLiteral("later"));
        QVERIFY(!rec.waitForMessage(2, 100));
    }

    // A held box runs the loop and the clock as exec() would, until its
    // time is up or its condition holds, then gives the held answer; boxes
    // nest, and a window destroyed under its open box is reported.
    void heldBoxesKeepTheProgramRunning() {
        VirtualTime vt;
        DialogRecorder rec;
        VbTimer chain(nullptr, 500, true);
        QList<qint64> ticks;
        int boxAt = 0;
        QPointer<QWidget> window = new QWidget;
        connect(&chain, &VbTimer::tick, [&] {
            ticks << vt.now();
            // The second tick opens a box of its own while the first is open.
            if (ticks.size() == 2) Dialogs::msgBox(nullptr, QStringLiteral("内"), QStringLiteral("提示"));
            if (ticks.size() == 5) delete window.data();
        });
        rec.setHoldPolicy([&](const Dialogs::Message& m) -> std::optional<DialogRecorder::Hold> {
            boxAt = rec.openBoxes();
            if (m.text == QStringLiteral("内")) return DialogRecorder::Hold{300, {}, {}};
            return DialogRecorder::Hold{5000, [&] { return ticks.size() >= 6; }, Answer::Cancel};
        });
        QCOMPARE(Dialogs::msgBox(window, QStringLiteral("外"), QStringLiteral("警告！"), Icon::Question,
                                 Buttons::OkCancel),
                 Answer::Cancel);
        QCOMPARE(vt.now(), 3000);
        QCOMPARE(ticks, (QList<qint64>{500, 1000, 1500, 2000, 2500, 3000}));
        QCOMPARE(boxAt, 1);  // the inner box came while the outer was open
        QCOMPARE(rec.openBoxes(), 0);
        QCOMPARE(rec.orphanedBoxes(), QStringList{QStringLiteral("警告！: 外")});
        QVERIFY(rec.holdFailures().isEmpty());
        // A box held only for a while, and one with no hold at all.
        chain.setEnabled(false);
        rec.setHoldPolicy(nullptr);
        rec.queueHold({700, {}, {}});
        Dialogs::msgBox(nullptr, QStringLiteral("x"), QStringLiteral("提示"));
        QCOMPARE(vt.now(), 3700);
        Dialogs::msgBox(nullptr, QStringLiteral("y"), QStringLiteral("提示"));
        QCOMPARE(vt.now(), 3700);
        QCOMPARE(rec.messageCount(), 4);
    }

    void filterForQt() {
        QCOMPARE(Dialogs::qtFilter(QStringLiteral("数据文件(*.MDB)|*.mdb")),
                 QStringLiteral("数据文件(*.MDB) (*.mdb *.MDB)"));
        QCOMPARE(Dialogs::qtFilter(QStringLiteral("Access 文件 (*.mdb)")),
                 QStringLiteral("Access 文件 (*.mdb *.MDB)"));
        QCOMPARE(Dialogs::qtFilter(QStringLiteral("A|*.mdb|All|*.*")),
                 QStringLiteral("A (*.mdb *.MDB);;All (*.*)"));
        QCOMPARE(Dialogs::qtFilter(QStringLiteral("Text (*.txt *.log);;Any (*)")),
                 QStringLiteral("Text (*.txt *.TXT *.log *.LOG);;Any (*)"));
        QCOMPARE(Dialogs::qtFilter(QString()), QString());
    }

    void realMessageBoxAnswers() {
        QCOMPARE(Dialogs::handler(), nullptr);
        QString shownTitle, shownText;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            shownTitle = box->windowTitle();
            shownText = box->text();
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(Dialogs::msgBox(nullptr, QStringLiteral("替换它吗？"), QStringLiteral("错误提示"),
                                 Icon::Question, Buttons::YesNo),
                 Answer::No);
        QCOMPARE(shownTitle, QStringLiteral("错误提示"));
        QCOMPARE(shownText, QStringLiteral("替换它吗？"));

        // Closing without a button gives the "no" side of the choice.
        whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(
            Dialogs::msgBox(nullptr, QStringLiteral("x"), QStringLiteral("t"), Icon::None, Buttons::OkCancel),
            Answer::Cancel);
        whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(Dialogs::msgBox(nullptr, QStringLiteral("x"), QStringLiteral("t"), Icon::Information,
                                 Buttons::Ok),
                 Answer::Ok);
    }

    void realInputBox() {
        whenModal([](QWidget* w) {
            auto* dlg = qobject_cast<QInputDialog*>(w);
            QVERIFY(dlg);
            dlg->setTextValue(QStringLiteral("12345678"));
            dlg->accept();
        });
        QCOMPARE(Dialogs::inputBox(nullptr, QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("d")),
                 QStringLiteral("12345678"));
        whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QCOMPARE(Dialogs::inputBox(nullptr, QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("d")),
                 QString());
    }

    // The real save dialog asks before replacing a file unless told not to.
    void realSaveDialogOverwritePrompt() {
        for (const bool confirm : {true, false}) {
            bool asked = !confirm;
            whenModal([&asked](QWidget* w) {
                auto* dlg = qobject_cast<QFileDialog*>(w);
                QVERIFY(dlg);
                asked = !dlg->testOption(QFileDialog::DontConfirmOverwrite);
                dlg->reject();
            });
            QCOMPARE(Dialogs::saveFile(nullptr, QStringLiteral("t"), QStringLiteral("数据文件(*.MDB)|*.mdb"),
                                       QString(), QString(), QString(), confirm),
                     QString());
            QCOMPARE(asked, confirm);
        }
    }

    void findNamedControls() {
        QWidget form;
        form.setObjectName(QStringLiteral("frm7300MOD"));
        auto* b = new QPushButton(&form);
        b->setObjectName(QStringLiteral("Command1(0)"));
        auto* inner = new QWidget(&form);
        auto* c = new QPushButton(inner);
        c->setObjectName(QStringLiteral("Command1(1)"));
        QCOMPARE(findNamed<QPushButton>(&form, QStringLiteral("Command1(0)")), b);
        QCOMPARE(findNamed<QPushButton>(&form, QStringLiteral("Command1(1)")), c);
        QCOMPARE(findNamed<QWidget>(&form, QStringLiteral("frm7300MOD")), &form);
        form.show();
        QCOMPARE(findNamed<QPushButton>(nullptr, QStringLiteral("Command1(1)")), c);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
