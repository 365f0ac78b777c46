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
    void closingTheFormUnderTheEditor_data();
    void closingTheFormUnderTheEditor();
};

void TestOutputFrameRows::closingTheFormUnderTheEditor_data() {
    QTest::addColumn<bool>("exitButton");
    QTest::newRow("退出") << true;
    QTest::newRow("main window") << false;
}

void TestOutputFrameRows::closingTheFormUnderTheEditor() {
    QFETCH(bool, exitButton);
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
        QTRY_VERIFY(!f);
        QTRY_VERIFY(!editor);
    } else {
        h.main().close();
        h.app.reset();
        QVERIFY(!editor);
    }
}

QTEST_MAIN(TestOutputFrameRows)
#include "tst_output_frame_rows.moc"
