// The output-frame editor opened from the command grid of the real settings
// form: it writes into the command it was opened on wherever that command
// moves, and closing the form under it in any order leaves nothing dangling.

#include <QPointer>
#include <QPushButton>

#include "TableRig.h"
#include "varnel/editors/OutputFrameEditor.h"
#include "varnel/settings/ParamTab.h"

using namespace TableRig;

namespace {

const QString kGone = QStringLiteral("所编辑的指令已不在指令表中，输出数据没有写入");

// Rows 读1 .. 读n, each with the golden output frame.
void fillCommands(FlexGrid* grid, int n) {
    grid->setRows(1);
    for (int r = 1; r <= n; ++r) putRow(grid, r, plainCommand(QStringLiteral("读%1").arg(r)));
}

QPoint cellCenter(FlexGrid* grid, int row, int col) {
    return grid->visualRect(grid->model()->index(row - 1, col)).center();
}

// Double-clicks the 输出数据 cell of `row` and waits for the editor's load.
OutputFrameEditor* openEditor(VarnelHarness& h, int row) {
    FlexGrid* grid = h.form()->commandTab->MSGrid1;
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(grid, row, 8));
    OutputFrameEditor* e = nullptr;
    if (!QTest::qWaitFor([&] { return (e = h.main().findChild<OutputFrameEditor*>()) && e->isVisible(); }))
        return nullptr;
    auto* timer = e->findChild<VbTimer*>(QStringLiteral("Timer1"));
    if (!timer || !QTest::qWaitFor([&] { return !timer->enabled(); })) return nullptr;
    return e;
}

}  // namespace

class TestOutputFrameRows : public QObject {
    Q_OBJECT

private slots:
    // Closed by 退出 or with the main window, in either order, with the
    // editor open: nothing is left to touch a deleted grid.
    void closingTheFormUnderTheEditor() {
        for (bool exitButton : {true, false}) {
            VarnelHarness h;
            QVERIFY(h.connectToForm());
            QPointer<SettingsForm> f = h.form();
            f->SSTab1->setCurrentWidget(f->commandTab);
            fillCommands(f->commandTab->MSGrid1, 2);
            QPointer<OutputFrameEditor> editor = openEditor(h, 2);
            QVERIFY(editor);
            if (exitButton) {
                f->SSTab1->setCurrentIndex(0);
                QTest::mouseClick(f->paramTab->Command10, Qt::LeftButton);
                QTRY_VERIFY(!f && !editor);
            } else {
                h.main().close();
                h.app.reset();
                QVERIFY(!editor);
            }
        }
    }

    void okFollowsItsCommand_data() {
        QTest::addColumn<int>("opened");
        QTest::addColumn<QString>("action");  // "delete N", "add", "read"
        QTest::addColumn<QString>("edited");  // the command that gets the edit, "" for none
        QTest::newRow("its own row deleted") << 2 << "delete 2" << "";
        QTest::newRow("a row above deleted") << 2 << "delete 1" << "读2";
        QTest::newRow("last row, first deleted") << 4 << "delete 1" << "读4";
        QTest::newRow("a row below deleted") << 2 << "delete 3" << "读2";
        QTest::newRow("a row added") << 2 << "add" << "读2";
        QTest::newRow("the table read again") << 2 << "read" << "";
    }
    void okFollowsItsCommand() {
        QFETCH(int, opened);
        QFETCH(QString, action);
        QFETCH(QString, edited);
        VarnelHarness h;
        QVERIFY(h.connectToForm());
        SettingsForm* f = h.form();
        f->SSTab1->setCurrentWidget(f->commandTab);
        FlexGrid* grid = f->commandTab->MSGrid1;
        fillCommands(grid, 4);
        storeRows(h.module, Tables::Table::Command, 4);
        QPointer<OutputFrameEditor> editor = openEditor(h, opened);
        QVERIFY(editor);
        editor->findChild<QLineEdit*>(QStringLiteral("TxtValStart"))->setText(QStringLiteral("9"));

        if (action.startsWith(QStringLiteral("delete"))) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(grid, action.section(' ', 1).toInt(), 1));
            QTest::mouseClick(f->commandTab->Command26, Qt::LeftButton);
        } else if (action == QStringLiteral("add")) {
            QTest::mouseClick(f->commandTab->Command25, Qt::LeftButton);
        } else {
            QTest::mouseClick(f->commandTab->Command23, Qt::LeftButton);
            QVERIFY(waitIdle(f));
        }
        QVERIFY(editor);
        QStringList before;
        for (int r = 1; r < grid->Rows(); ++r) before << grid->TextMatrix(r, 8);
        h.dialogs.clear();
        QTest::mouseClick(editor->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QTRY_VERIFY(!editor);
        for (int r = 1; r < grid->Rows(); ++r) {
            const QString cell = grid->TextMatrix(r, 8);
            // An added row is a copy taken before the edit.
            if (grid->TextMatrix(r, 3) == edited && !(action == "add" && r == grid->Rows() - 1))
                QCOMPARE(protocol::splitOutputFrame(cell)->at(protocol::OutputField::ValueStart), QStringLiteral("9"));
            else
                QCOMPARE(cell, before.at(r - 1));
        }
        QCOMPARE(h.dialogs.lastText(), edited.isEmpty() ? kGone : QString());
    }
};

QTEST_MAIN(TestOutputFrameRows)
#include "tst_output_frame_rows.moc"
