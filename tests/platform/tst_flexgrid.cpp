#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "FlexGrid.h"

namespace {
const QString kCommandFormat = QStringLiteral(
    " |指令号   |汉字/英文 |<短信指令内容(最多50英文/25汉字) |短信回复    |操作对象   |关联变量  "
    "|指令类型(读/写)|<输出数据   "
    "          |操作通道  ");

QPoint cellCenter(FlexGrid& g, int row, int col) {
    return g.visualRect(g.model()->index(row - 1, col)).center();
}
}  // namespace

class TestFlexGrid : public QObject {
    Q_OBJECT
private slots:
    void countsIncludeTheHeaderRow() {
        FlexGrid g;
        QCOMPARE(g.Rows(), 2);
        QCOMPARE(g.Cols(), 2);
        QCOMPARE(g.FixedRows(), 1);
        QCOMPARE(g.FixedCols(), 1);
        QCOMPARE(g.Row(), 1);
        QCOMPARE(g.Col(), 1);

        g.setCols(3);
        g.setRows(1);  // header only
        QCOMPARE(g.Rows(), 1);
        QCOMPARE(g.rowCount(), 0);
        QCOMPARE(g.Row(), 0);
        g.setRows(4);
        QCOMPARE(g.Rows(), 4);
        // The first data row to appear becomes current, never the header.
        QCOMPARE(g.Row(), 1);
        g.setTextMatrix(3, 2, QStringLiteral("x"));
        QCOMPARE(g.TextMatrix(3, 2), QStringLiteral("x"));
        QCOMPARE(g.item(2, 2)->text(), QStringLiteral("x"));
        g.setRow(3);
        g.setRows(2);  // the current row goes with its row
        QCOMPARE(g.Row(), 1);
        g.setRows(3);
        QCOMPARE(g.TextMatrix(2, 2), QString());  // shrunk rows come back empty
    }

    void outOfRangeIsIgnored() {
        FlexGrid g;
        g.setCols(3);
        g.setRows(3);
        g.setTextMatrix(1, 1, QStringLiteral("a"));
        for (auto [r, c] : {std::pair{-1, 0}, {3, 0}, {0, 3}, {1, -1}, {99, 99}}) {
            QCOMPARE(g.TextMatrix(r, c), QString());
            g.setTextMatrix(r, c, QStringLiteral("zz"));
        }
        g.setRow(3);
        g.setRow(-1);
        g.setCol(3);
        g.setColSel(7);
        g.setRowSel(-2);
        QCOMPARE(g.Row(), 1);
        QCOMPARE(g.Col(), 1);
        QCOMPARE(g.ColWidth(3), 0);
        QCOMPARE(g.ColWidth(-1), 0);
        QCOMPARE(g.RowHeight(3), 0);
        g.setColWidth(9, 600);
        g.setRowHeightTwips(-1, 600);
        g.setRows(0);
        g.setCols(0);
        g.setScrollBars(7);
        g.RemoveItem(0);  // the header row cannot go
        g.RemoveItem(3);
        g.AddItem(QStringLiteral("h"), 0);
        g.AddItem(QStringLiteral("h"), 9);
        QCOMPARE(g.Rows(), 3);
        QCOMPARE(g.Cols(), 3);
        QCOMPARE(g.ScrollBars(), 3);
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("a"));
        QCOMPARE(g.TextMatrix(0, 0), QString());

        // A header-only grid answers every cell question without a cell.
        g.setRows(1);
        QCOMPARE(g.Text(), QString());
        g.setText(QStringLiteral("head"));
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("head"));
        QVERIFY(g.CellWidth() > 0);
    }

    void formatStringSetsHeadersAndAlignment() {
        FlexGrid g;
        g.setFormatString(kCommandFormat);
        QCOMPARE(g.Cols(), 10);
        QCOMPARE(g.FormatString(), kCommandFormat);
        QCOMPARE(g.TextMatrix(0, 0), QStringLiteral(" "));
        QCOMPARE(g.TextMatrix(0, 1), QStringLiteral("指令号   "));  // trailing blanks kept
        QCOMPARE(g.TextMatrix(0, 3), QStringLiteral("短信指令内容(最多50英文/25汉字) "));
        QCOMPARE(g.TextMatrix(0, 9), QStringLiteral("操作通道  "));
        QCOMPARE(g.horizontalHeaderItem(3)->text(), QStringLiteral("短信指令内容(最多50英文/25汉字) "));
        QCOMPARE(g.ColAlignment(3), FlexGrid::AlignLeft);
        QCOMPARE(g.ColAlignment(8), FlexGrid::AlignLeft);
        QCOMPARE(g.ColAlignment(1), FlexGrid::AlignGeneral);
        // Header width sets the column width: the long header is the widest.
        QVERIFY(g.ColWidth(3) > g.ColWidth(1));
        QVERIFY(g.ColWidth(1) > g.ColWidth(0));

        g.setFormatString(QStringLiteral("^a|>b|c;|r1|r2|r3"));
        QCOMPARE(g.Cols(), 3);
        QCOMPARE(g.ColAlignment(0), FlexGrid::AlignCenter);
        QCOMPARE(g.ColAlignment(1), FlexGrid::AlignRight);
        QCOMPARE(g.ColAlignment(2), FlexGrid::AlignGeneral);
        QCOMPARE(g.Rows(), 4);
        QCOMPARE(g.TextMatrix(0, 0), QStringLiteral("a"));
        QCOMPARE(g.TextMatrix(3, 0), QStringLiteral("r3"));
    }

    void sizesInTwips() {
        FlexGrid g;
        g.setFormatString(kCommandFormat);
        g.setColWidth(1, 600);
        g.setColWidth(7, 960);
        g.setRowHeightTwips(0, 480);
        g.setRows(3);
        g.setRowHeightTwips(2, 300);
        QCOMPARE(g.ColWidth(1), 600);
        QCOMPARE(g.columnWidth(1), 40);
        QCOMPARE(g.ColWidth(7), 960);
        QCOMPARE(g.RowHeight(0), 480);
        QCOMPARE(g.RowHeight(2), 300);
        // Row 1 is the first table row, not the header.
        QCOMPARE(g.rowHeight(1), 20);
    }

    void cellRectangleIsWhereTheCellIs() {
        FlexGrid g;
        g.resize(600, 300);
        g.setFormatString(kCommandFormat);
        g.setRowHeightTwips(0, 480);
        g.setRows(4);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));

        g.setRow(2);
        g.setCol(2);
        const int left = g.CellLeft(), top = g.CellTop(), w = g.CellWidth(), h = g.CellHeight();
        QCOMPARE(w, g.ColWidth(2));
        QCOMPARE(h, g.RowHeight(2));
        // The rectangle, in grid coordinates, covers exactly cell (2, 2).
        const QPoint inside(left / 15 + w / 30, top / 15 + h / 30);
        const QModelIndex idx = g.indexAt(g.viewport()->mapFrom(&g, inside));
        QCOMPARE(idx.row() + 1, 2);
        QCOMPARE(idx.column(), 2);

        g.setCol(3);
        QCOMPARE(g.CellLeft(), left + w);
        g.setRow(3);
        QCOMPARE(g.CellTop(), top + h);
        // Row 1 starts below the 480-twip header.
        g.setRow(1);
        QVERIFY(g.CellTop() >= 480);
        g.setRow(0);
        QCOMPARE(g.CellHeight(), 480);
    }

    void selectionAndCurrentCell() {
        FlexGrid g;
        g.setCols(5);
        g.setRows(4);
        QSignalSpy moved(&g, &FlexGrid::rowColChanged);
        g.setRow(3);
        QCOMPARE(moved.count(), 1);
        g.setRow(3);
        QCOMPARE(moved.count(), 1);  // no change, no event
        g.setColSel(g.Cols() - 1);
        QCOMPARE(g.ColSel(), 4);
        QCOMPARE(g.selectionModel()->selectedIndexes().size(), 4);  // columns 1..4 of row 3
        for (const QModelIndex& i : g.selectionModel()->selectedIndexes()) QCOMPARE(i.row() + 1, 3);
        // Setting Row collapses the selection back to the current cell.
        g.setRow(2);
        QCOMPARE(g.ColSel(), g.Col());
        QCOMPARE(g.RowSel(), 2);
        QCOMPARE(g.selectionModel()->selectedIndexes().size(), 1);

        g.setText(QStringLiteral("cur"));
        QCOMPARE(g.TextMatrix(2, 1), QStringLiteral("cur"));
        QCOMPARE(g.Text(), QStringLiteral("cur"));
    }

    void addAndRemoveRows() {
        FlexGrid g;
        g.setCols(3);
        g.setRows(1);
        g.AddItem(QStringLiteral("*\tCH0\tA"));
        g.AddItem(QStringLiteral("\tCH1\tB\textra"));  // the extra column is dropped
        g.AddItem(QStringLiteral("\tfirst"), 1);
        QCOMPARE(g.Rows(), 4);
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("first"));
        QCOMPARE(g.TextMatrix(2, 0), QStringLiteral("*"));
        QCOMPARE(g.TextMatrix(2, 2), QStringLiteral("A"));
        QCOMPARE(g.TextMatrix(3, 2), QStringLiteral("B"));
        g.RemoveItem(1);
        QCOMPARE(g.Rows(), 3);
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("CH0"));
        g.setRow(2);
        g.RemoveItem(2);
        QCOMPARE(g.Row(), 1);
        g.RemoveItem(1);
        QCOMPARE(g.Rows(), 1);
        QCOMPARE(g.Row(), 0);
    }

    void clearEmptiesEveryCell() {
        FlexGrid g;
        g.setFormatString(QStringLiteral("|a|b"));
        g.setRows(3);
        g.setTextMatrix(2, 2, QStringLiteral("x"));
        g.Clear();
        QCOMPARE(g.Rows(), 3);
        QCOMPARE(g.Cols(), 3);
        QCOMPARE(g.TextMatrix(2, 2), QString());
        QCOMPARE(g.TextMatrix(0, 1), QString());
    }

    void mouseTellsTheCell() {
        FlexGrid g;
        g.resize(500, 300);
        g.setFormatString(kCommandFormat);
        g.setRows(4);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QSignalSpy clicks(&g, &FlexGrid::gridClicked);
        QSignalSpy doubles(&g, &FlexGrid::gridDoubleClicked);
        QSignalSpy ups(&g, &FlexGrid::gridMouseUp);

        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 2, 3));
        QCOMPARE(g.MouseRow(), 2);
        QCOMPARE(g.MouseCol(), 3);
        QCOMPARE(g.Row(), 2);
        QCOMPARE(g.Col(), 3);
        QCOMPARE(clicks.count(), 1);

        // The right button reports where it was but does not move the cell.
        QTest::mouseClick(g.viewport(), Qt::RightButton, {}, cellCenter(g, 3, 2));
        QCOMPARE(g.MouseRow(), 3);
        QCOMPARE(g.MouseCol(), 2);
        QCOMPARE(g.Row(), 2);
        QCOMPARE(ups.count(), 2);
        QCOMPARE(ups.last().at(0).value<Qt::MouseButton>(), Qt::RightButton);

        // A fixed cell selects its row from the first data column on.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 3, 0));
        QCOMPARE(g.MouseCol(), 0);
        QCOMPARE(g.Row(), 3);
        QCOMPARE(g.Col(), 1);
        QCOMPARE(g.ColSel(), 9);

        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, cellCenter(g, 1, 8));
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(g.MouseCol(), 8);
        QCOMPARE(g.Row(), 1);

        // The header row is row 0 to the mouse as well.
        QHeaderView* h = g.horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(4) + 5, h->height() / 2));
        QCOMPARE(g.MouseRow(), 0);
        QCOMPARE(g.MouseCol(), 4);
        QCOMPARE(g.Row(), 1);  // header clicks select nothing

        // Below the last row there is no cell.
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, QPoint(5, g.viewport()->height() - 2));
        QCOMPARE(g.MouseRow(), -1);
        QCOMPARE(g.MouseCol(), -1);
        QCOMPARE(g.Row(), 1);
    }

    void cellsCannotBeTyped() {
        FlexGrid g;
        g.setRows(3);
        g.setTextMatrix(1, 1, QStringLiteral("keep"));
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        g.setFocus();
        QTest::keyClicks(&g, QStringLiteral("zz"));
        QTest::keyClick(&g, Qt::Key_F2);
        QTest::keyClick(&g, Qt::Key_Return);
        QCOMPARE(g.TextMatrix(1, 1), QStringLiteral("keep"));
        // The cursor keys still move the current cell.
        QSignalSpy moved(&g, &FlexGrid::rowColChanged);
        QTest::keyClick(&g, Qt::Key_Down);
        QCOMPARE(g.Row(), 2);
        QCOMPARE(moved.count(), 1);
    }

    void noScrollBarsMeansNoScrolling() {
        FlexGrid g;
        g.resize(300, 150);
        g.setRows(200);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        g.setScrollBars(0);
        QCOMPARE(g.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(g.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const int before = g.verticalScrollBar()->value();
        QWheelEvent wheel(QPointF(50, 50), g.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                          QPoint(0, -360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g.viewport(), &wheel);
        QCOMPARE(g.verticalScrollBar()->value(), before);
        g.setScrollBars(3);
        QCOMPARE(g.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QWheelEvent wheel2(QPointF(50, 50), g.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                           QPoint(0, -360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g.viewport(), &wheel2);
        QVERIFY(g.verticalScrollBar()->value() > before);
    }
};

QTEST_MAIN(TestFlexGrid)
#include "tst_flexgrid.moc"
