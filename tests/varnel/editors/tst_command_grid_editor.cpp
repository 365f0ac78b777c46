#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CommandGridEditor.h"
#include "CommandGridHost.h"
#include "DialogRecorder.h"
#include "OutputFrameEditor.h"
#include "platform/VbTimer.h"

namespace {

const QStringList kRow1 = {QStringLiteral("汉字"),
                           QStringLiteral("打开阀门"),
                           QStringLiteral("回复操作结果"),
                           QStringLiteral("转换输出"),
                           QStringLiteral("无"),
                           QStringLiteral("写"),
                           QString(),
                           QStringLiteral("CH3")};
const QStringList kRow2 = {
    QStringLiteral("英文"),   QStringLiteral("read"), QString(), QStringLiteral("变量"),
    QStringLiteral("采集值"), QStringLiteral("读"),   QString(), QStringLiteral("CH12")};

}  // namespace

class TestCommandGridEditor : public QObject {
    Q_OBJECT

    std::unique_ptr<CommandGridHost> host;
    QLineEdit* cmdText = nullptr;
    QPushButton* write = nullptr;
    std::unique_ptr<CommandGridEditor> editor;

    QPoint cellCenter(int row, int col) {
        return host->grid->visualRect(host->grid->model()->index(row - 1, col)).center();
    }
    void clickCell(int row, int col) {
        QTest::mouseClick(host->grid->viewport(), Qt::LeftButton, {}, cellCenter(row, col));
    }
    void doubleClickCell(int row, int col) {
        QTest::mouseDClick(host->grid->viewport(), Qt::LeftButton, {}, cellCenter(row, col));
    }
    // The user leaves the editor for the box under the grid.
    void leave() {
        cmdText->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
    }
    QWidget* visibleEditor() {
        for (int c = 0; c < 10; ++c)
            if (QComboBox* l = editor->listEditor(c); l && l->isVisible()) return l;
        return editor->textEditor()->isVisible() ? editor->textEditor() : nullptr;
    }
    QString cell(int row, int col) { return host->grid->TextMatrix(row, col); }

    void setUpGrid(int rows) {
        host = std::make_unique<CommandGridHost>(rows);
        if (rows >= 1) host->setRow(1, kRow1);
        if (rows >= 2) host->setRow(2, kRow2);
        cmdText = new QLineEdit(&host->page);
        cmdText->setObjectName(QStringLiteral("TxtCmdText"));
        cmdText->setGeometry(10, 320, 200, 24);
        write = new QPushButton(&host->page);
        write->setObjectName(QStringLiteral("Command13(0)"));
        write->setGeometry(220, 320, 80, 24);
        editor = std::make_unique<CommandGridEditor>(*host, cmdText, write);
        host->page.show();
        host->page.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host->page));
    }

private slots:
    void cleanup() {
        editor.reset();
        host.reset();
    }

    void clickShowsCellAndEnablesWrite() {
        setUpGrid(2);
        clickCell(2, 9);
        QCOMPARE(cmdText->text(), QStringLiteral("CH12"));
        QVERIFY(write->isEnabled());
        clickCell(1, 3);
        QCOMPARE(cmdText->text(), QStringLiteral("打开阀门"));

        setUpGrid(0);
        write->setEnabled(true);
        QTest::mouseClick(host->grid->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!write->isEnabled());
    }

    // What a double click opens, by column, and the scroll bars meanwhile.
    void doubleClickOpensTheColumnsEditor() {
        struct Case {
            int col;
            const char* editor;  // objectName, "" none, "Form3"
            int selected;        // list position shown, -1 for none
            int scrollBars;
        };
        const QList<Case> cases = {
            {0, "", -1, 3},
            {1, "", -1, 3},
            {2, "Combo_HE", 0, 0},
            {3, "TxtCmdSMS", -1, 0},
            {4, "ComboSMSBack", 1, 0},
            {5, "ComboSMSType", 1, 0},
            {6, "ComboLinkValOut", 0, 0},
            {7, "ComboRW", 1, 0},
            {8, "Form3", -1, 0},
            {9, "ComboChannel", 4, 0},
        };
        for (const Case& c : cases) {
            setUpGrid(2);
            doubleClickCell(1, c.col);
            const QString name = QString::fromUtf8(c.editor);
            QWidget* open = visibleEditor();
            if (name == QStringLiteral("Form3")) {
                QVERIFY(editor->frameEditor() && editor->frameEditor()->isVisible());
                QCOMPARE(editor->frameEditor()->editedRow(), 1);
                QVERIFY(host->grid->isEnabled());
                QVERIFY(!open);
            } else if (name.isEmpty()) {
                QVERIFY2(!open, qPrintable(QString::number(c.col)));
            } else {
                QVERIFY2(open && open->objectName() == name, qPrintable(QString::number(c.col)));
                QTRY_VERIFY(open->hasFocus());
                const QRect cellRect = host->grid->visualRect(host->grid->model()->index(0, c.col));
                QCOMPARE(open->x(), host->grid->x() + host->grid->viewport()->x() + cellRect.x());
                if (auto* list = qobject_cast<QComboBox*>(open)) QCOMPARE(list->currentIndex(), c.selected);
                // Nothing is written by opening.
                QCOMPARE(cell(1, c.col), c.col == 3 ? kRow1[1] : kRow1[c.col - 2]);
            }
            QVERIFY2(host->grid->ScrollBars() == c.scrollBars, qPrintable(QString::number(c.col)));
            if (editor->frameEditor()) {
                editor->frameEditor()->close();
                QCOMPARE(host->grid->ScrollBars(), 3);
            }
        }
        // With no data row a double click opens nothing and leaves the bars.
        setUpGrid(0);
        host->grid->setScrollBars(1);
        QTest::mouseDClick(host->grid->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!visibleEditor());
        QCOMPARE(host->grid->ScrollBars(), 1);
    }

    // Lists write on every choice and when left, into the row they opened on.
    void listEditorsWriteBack() {
        setUpGrid(3);
        // An empty cell opens on the first item, which leaving writes.
        doubleClickCell(3, 4);
        QCOMPARE(editor->listEditor(4)->currentText(), QStringLiteral("无回复"));
        QCOMPARE(cell(3, 4), QString());
        leave();
        QCOMPARE(cell(3, 4), QStringLiteral("无回复"));
        QVERIFY(!visibleEditor());
        QCOMPARE(host->grid->ScrollBars(), 3);

        // A choice goes in at once, into the row of the double click even
        // when the grid has moved to another row meanwhile.
        doubleClickCell(1, 7);
        host->grid->setRow(2);
        CommandGridHost::choose(editor->listEditor(7), 0);
        QCOMPARE(cell(1, 7), QStringLiteral("读"));
        QCOMPARE(cell(2, 7), QStringLiteral("读"));
        CommandGridHost::choose(editor->listEditor(7), 1);
        QCOMPARE(cell(1, 7), QStringLiteral("写"));
        QCOMPARE(cell(2, 7), QStringLiteral("读"));
        clickCell(2, 1);  // leaving by a click on another row
        QCOMPARE(cell(1, 7), QStringLiteral("写"));
        QCOMPARE(cell(2, 7), QStringLiteral("读"));

        // Columns 6 and 9 do not follow column 5.
        for (const int choice : {0, 1}) {
            doubleClickCell(2, 5);
            CommandGridHost::choose(editor->listEditor(5), choice);
            leave();
            QCOMPARE(cell(2, 5), CommandGridEditor::listItems(5)[choice]);
            QCOMPARE(cell(2, 6), QStringLiteral("采集值"));
            QCOMPARE(cell(2, 9), QStringLiteral("CH12"));
        }
    }

    // The command text's limit comes from its own row's language.
    void textEditorLimit() {
        struct Case {
            const char* name;
            QString language;
            int length;
            int kept;
        };
        const QList<Case> cases = {
            {"English 55 uncut", QStringLiteral("英文"), 55, 55},
            {"English cut at 60", QStringLiteral("英文"), 70, 60},
            {"Chinese 40 cut to 30", QStringLiteral("汉字"), 40, 30},
            {"unknown language as Chinese", QStringLiteral("english"), 31, 30},
        };
        for (const Case& c : cases) {
            setUpGrid(2);
            // Another row chose "汉字" last.
            doubleClickCell(1, 2);
            CommandGridHost::choose(editor->listEditor(2), 0);
            leave();
            host->grid->setTextMatrix(2, 2, c.language);
            host->grid->setTextMatrix(2, 3, QStringLiteral("a").repeated(c.length));
            doubleClickCell(2, 3);
            QVERIFY2(editor->textEditor()->text().size() == c.kept, c.name);
            QVERIFY2(cell(2, 3).size() == c.kept, c.name);
        }
        // Typing goes into the cell and stops at the limit.
        setUpGrid(2);
        doubleClickCell(1, 3);
        QTRY_VERIFY(editor->textEditor()->hasFocus());
        for (int k = 0; k < 20; ++k) editor->textEditor()->insert(QStringLiteral("关闭"));
        QCOMPARE(cell(1, 3), (QStringLiteral("打开阀门") + QStringLiteral("关闭").repeated(13)).left(30));
        leave();
        QVERIFY(!editor->textEditor()->isVisible());
        QCOMPARE(host->grid->ScrollBars(), 3);
    }

    // The output frame editor opened from the grid edits its own row.
    void frameEditorKeepsItsRow() {
        setUpGrid(2);
        DialogRecorder dialogs;
        doubleClickCell(1, 8);
        OutputFrameEditor* form = editor->frameEditor();
        QVERIFY(form);
        QCOMPARE(form->parentWidget(), &host->owner);
        clickCell(2, 3);
        doubleClickCell(2, 8);  // the open editor comes to the front, still on row 1
        QCOMPARE(editor->frameEditor(), form);
        QCOMPARE(form->editedRow(), 1);
        // OK counts once the editor has read its row.
        QTRY_VERIFY(!form->findChild<VbTimer*>(QStringLiteral("Timer1"))->enabled());
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(cell(1, 8).startsWith(QStringLiteral("自定义,")));
        QCOMPARE(cell(2, 8), QString());
        QTRY_VERIFY(!editor->frameEditor());
        QCOMPARE(host->grid->ScrollBars(), 3);
    }
};

QTEST_MAIN(TestCommandGridEditor)
#include "tst_command_grid_editor.moc"
