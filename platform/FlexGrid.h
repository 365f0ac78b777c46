#pragma once

#include <QString>
#include <QTableWidget>
#include <QVector>

// A grid with the indexing and properties the forms were written against:
// row 0 is the fixed header row and is counted in Rows(); data rows start at
// 1; columns start at 0, the first FixedCols() of them fixed (drawn as
// headers, not selectable). Sizes are in twips. An index out of range is
// ignored by setters and gives "" or 0 from getters; nothing here throws or
// asserts on bad input.
//
// Row 0 is drawn by the horizontal header, so it stays in view while the
// data rows scroll; TextMatrix(0, c) reads and writes the header texts.
// Cells cannot be typed into: the forms edit through their own boxes laid
// over CellLeft/CellTop/CellWidth/CellHeight.
//
// Qt's own rowCount()/setRowHeight()/clear()... keep their meaning (table
// rows, pixels); use the capitalised members below.
class FlexGrid : public QTableWidget {
    Q_OBJECT
public:
    enum Align { AlignGeneral, AlignLeft, AlignCenter, AlignRight };

    explicit FlexGrid(QWidget* parent = nullptr);

    // Row count including the header row (at least 1).
    int Rows() const;
    void setRows(int n);
    int Cols() const;
    void setCols(int n);
    int FixedRows() const { return 1; }
    int FixedCols() const { return m_fixedCols; }
    void setFixedCols(int n);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    // Text of the current cell.
    QString Text() const;
    void setText(const QString& text);

    // Current cell. Setting Row or Col also collapses the selection onto it
    // (RowSel = Row, ColSel = Col).
    int Row() const { return m_row; }
    void setRow(int row);
    int Col() const { return m_col; }
    void setCol(int col);
    // Far corner of the selection; the selection spans Row..RowSel, Col..ColSel.
    int RowSel() const { return m_rowSel; }
    void setRowSel(int row);
    int ColSel() const { return m_colSel; }
    void setColSel(int col);

    // "<a|^b|>c": '|' separates the header texts of columns 0, 1, 2...;
    // a leading < ^ > aligns the column's cells left, centred or right.
    // Text after ';' gives column 0 of rows 1, 2... Sets Cols (and Rows when
    // row texts are given); each header's width, trailing blanks included,
    // sets its column's width.
    QString FormatString() const { return m_formatString; }
    void setFormatString(const QString& fmt);
    Align ColAlignment(int col) const;
    void setColAlignment(int col, Align a);

    // Widths and heights in twips.
    int ColWidth(int col) const;
    void setColWidth(int col, int twips);
    int RowHeight(int row) const;
    void setRowHeightTwips(int row, int twips);

    // The current cell's rectangle in twips, relative to the grid's own
    // top-left corner (add the grid's Left/Top to place a box over it).
    int CellLeft() const;
    int CellTop() const;
    int CellWidth() const;
    int CellHeight() const;

    // Cell under the mouse at the last mouse event (press, release, move,
    // double click); -1 where the mouse was over no cell.
    int MouseRow() const { return m_mouseRow; }
    int MouseCol() const { return m_mouseCol; }

    // 0 none, 1 horizontal, 2 vertical, 3 both. With 0 the wheel does not
    // scroll either, so a box laid over a cell stays over it.
    int ScrollBars() const { return m_scrollBars; }
    void setScrollBars(int v);

    // Empties every cell, header texts included; Rows and Cols stay.
    void Clear();
    // A row of tab-separated texts (column 0 first), appended or put before
    // row index (>= 1).
    void AddItem(const QString& text, int index = -1);
    // Removes data row `row` (>= 1).
    void RemoveItem(int row);

signals:
    void gridClicked();
    void gridDoubleClicked();
    void rowColChanged();
    void enterCell();
    // Position in pixels relative to the grid.
    void gridMouseDown(Qt::MouseButton button, QPoint pos);
    void gridMouseUp(Qt::MouseButton button, QPoint pos);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    bool validCell(int row, int col) const;
    QRect cellRect(int row, int col) const;  // pixels, grid coordinates
    void trackMouse(const QPoint& viewportPos);
    QPoint toGrid(const QPoint& viewportPos) const;
    void moveCurrent(int row, int col, int rowSel, int colSel);
    void clampCurrent();
    void showSelection();
    void cellFromUser(int row, int col);

    friend class FlexGridDelegate;
    QVector<Align> m_align;
    QString m_formatString;
    int m_fixedCols = 1;
    int m_row = 0;
    int m_col = 0;
    int m_rowSel = 0;
    int m_colSel = 0;
    int m_mouseRow = -1;
    int m_mouseCol = -1;
    int m_scrollBars = 3;
    bool m_applying = false;
    bool m_pressOnGrid = false;
};
