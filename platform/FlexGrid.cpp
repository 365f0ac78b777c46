#include "FlexGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>

#include "Vb.h"

namespace {
// Generous enough for any table the forms keep; it only guards memory.
constexpr int kMaxRows = 100000;
constexpr int kMaxCols = 1000;
constexpr int kDefaultColWidthPx = 64;  // 960 twips

Qt::Alignment qtAlign(FlexGrid::Align a, const QString& text) {
    switch (a) {
        case FlexGrid::AlignLeft:
            return Qt::AlignLeft | Qt::AlignVCenter;
        case FlexGrid::AlignCenter:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case FlexGrid::AlignRight:
            return Qt::AlignRight | Qt::AlignVCenter;
        case FlexGrid::AlignGeneral:
            break;
    }
    // General: numbers to the right, text to the left.
    bool isNumber = false;
    text.trimmed().toDouble(&isNumber);
    return (isNumber ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}
}  // namespace

// Draws the fixed columns like the header and aligns cells per column.
class FlexGridDelegate : public QStyledItemDelegate {
public:
    explicit FlexGridDelegate(FlexGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const int col = index.column();
        if (col < m_grid->m_fixedCols) {
            option->backgroundBrush = m_grid->palette().button();
            option->palette.setBrush(QPalette::Text, m_grid->palette().buttonText());
            option->state &= ~QStyle::State_Selected;
            option->displayAlignment = Qt::AlignHCenter | Qt::AlignVCenter;
            return;
        }
        const FlexGrid::Align a =
            col < m_grid->m_align.size() ? m_grid->m_align[col] : FlexGrid::AlignGeneral;
        option->displayAlignment = qtAlign(a, option->text);
    }

private:
    FlexGrid* m_grid;
};

FlexGrid::FlexGrid(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new FlexGridDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setDragEnabled(false);
    setAcceptDrops(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);  // no column selection by header
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultSectionSize(kDefaultColWidthPx);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->viewport()->installEventFilter(this);
    horizontalHeader()->viewport()->setMouseTracking(true);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(std::max(16, fontMetrics().height() + 4));
    viewport()->setMouseTracking(true);

    setColumnCount(2);
    setRowCount(1);  // grid rows 0 and 1
    for (int c = 0; c < 2; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
    m_align.resize(2);
    m_row = 1;
    m_col = 1;
    m_rowSel = 1;
    m_colSel = 1;
    showSelection();
}

int FlexGrid::Rows() const { return rowCount() + 1; }

void FlexGrid::setRows(int n) {
    if (n < 1 || n > kMaxRows || n == Rows()) return;
    m_applying = true;
    setRowCount(n - 1);
    m_applying = false;
    clampCurrent();
}

int FlexGrid::Cols() const { return columnCount(); }

void FlexGrid::setCols(int n) {
    if (n < 1 || n > kMaxCols || n < m_fixedCols || n == Cols()) return;
    const int old = columnCount();
    m_applying = true;
    setColumnCount(n);
    m_applying = false;
    for (int c = old; c < n; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
    m_align.resize(n);
    clampCurrent();
}

void FlexGrid::setFixedCols(int n) {
    if (n < 0 || n >= Cols() + 1 || n == m_fixedCols) return;
    m_fixedCols = n;
    clampCurrent();
    viewport()->update();
}

bool FlexGrid::validCell(int row, int col) const {
    return row >= 0 && row < Rows() && col >= 0 && col < Cols();
}

QString FlexGrid::TextMatrix(int row, int col) const {
    if (!validCell(row, col)) return QString();
    const QTableWidgetItem* it = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    return it ? it->text() : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString& text) {
    if (!validCell(row, col)) return;
    if (row == 0) {
        QTableWidgetItem* h = horizontalHeaderItem(col);
        if (!h)
            setHorizontalHeaderItem(col, new QTableWidgetItem(text));
        else
            h->setText(text);
        return;
    }
    QTableWidgetItem* it = item(row - 1, col);
    if (!it) {
        if (text.isEmpty()) return;
        it = new QTableWidgetItem(text);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row - 1, col, it);
    } else {
        it->setText(text);
    }
}

QString FlexGrid::Text() const { return TextMatrix(m_row, m_col); }

void FlexGrid::setText(const QString& text) { setTextMatrix(m_row, m_col, text); }

void FlexGrid::setRow(int row) {
    if (row < 0 || row >= Rows()) return;
    moveCurrent(row, m_col, row, m_col);
}

void FlexGrid::setCol(int col) {
    if (col < 0 || col >= Cols()) return;
    moveCurrent(m_row, col, m_row, col);
}

void FlexGrid::setRowSel(int row) {
    if (row < 0 || row >= Rows()) return;
    m_rowSel = row;
    showSelection();
}

void FlexGrid::setColSel(int col) {
    if (col < 0 || col >= Cols()) return;
    m_colSel = col;
    showSelection();
}

void FlexGrid::moveCurrent(int row, int col, int rowSel, int colSel) {
    const bool changed = row != m_row || col != m_col;
    m_row = row;
    m_col = col;
    m_rowSel = rowSel;
    m_colSel = colSel;
    showSelection();
    if (changed) {
        emit enterCell();
        emit rowColChanged();
    }
}

void FlexGrid::clampCurrent() {
    int row = std::min(m_row, Rows() - 1);
    // A header-only grid has its current row on the header; the first data
    // row to appear becomes current, so no edit ever lands on the header.
    if (row < FixedRows() && Rows() > FixedRows()) row = FixedRows();
    int col = std::min(m_col, Cols() - 1);
    if (col < m_fixedCols && Cols() > m_fixedCols) col = m_fixedCols;
    const int rowSel = std::clamp(m_rowSel, 0, Rows() - 1);
    const int colSel = std::clamp(m_colSel, 0, Cols() - 1);
    moveCurrent(row, col, row != m_row ? row : rowSel, col != m_col ? col : colSel);
}

void FlexGrid::showSelection() {
    m_applying = true;
    QItemSelectionModel* sm = selectionModel();
    if (m_row >= 1 && m_col >= 0 && m_col < Cols()) {
        const QModelIndex cur = model()->index(m_row - 1, m_col);
        sm->setCurrentIndex(cur, QItemSelectionModel::NoUpdate);
        const int r0 = std::max(1, std::min(m_row, m_rowSel)) - 1;
        const int r1 = std::max(m_row, m_rowSel) - 1;
        const int c0 = std::max(m_fixedCols, std::min(m_col, m_colSel));
        const int c1 = std::max(m_col, m_colSel);
        if (r1 >= r0 && c1 >= c0)
            sm->select(QItemSelection(model()->index(r0, c0), model()->index(r1, c1)),
                       QItemSelectionModel::ClearAndSelect);
        else
            sm->clearSelection();
        scrollTo(cur);
    } else {
        sm->clearSelection();
        sm->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    m_applying = false;
}

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    if (m_applying || !current.isValid()) return;
    // Keyboard navigation moved the cell.
    cellFromUser(current.row() + 1, current.column());
}

void FlexGrid::cellFromUser(int row, int col) {
    if (!validCell(row, col) || row < FixedRows()) return;
    if (col < m_fixedCols) {
        // A fixed cell selects its whole row.
        const int first = std::min(m_fixedCols, Cols() - 1);
        moveCurrent(row, first, row, Cols() - 1);
        return;
    }
    moveCurrent(row, col, row, col);
}

void FlexGrid::setFormatString(const QString& fmt) {
    m_formatString = fmt;
    const int semi = fmt.indexOf(QLatin1Char(';'));
    const QString colPart = semi < 0 ? fmt : fmt.left(semi);
    const QString rowPart = semi < 0 ? QString() : fmt.mid(semi + 1);

    if (!colPart.isEmpty()) {
        const QStringList heads = colPart.split(QLatin1Char('|'));
        const int n = std::min<int>(static_cast<int>(heads.size()), kMaxCols);
        if (n < m_fixedCols) m_fixedCols = n;
        setCols(n);
        const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 8;
        for (int c = 0; c < n; ++c) {
            QString h = heads[c];
            Align a = AlignGeneral;
            if (!h.isEmpty()) {
                const QChar k = h[0];
                if (k == QLatin1Char('<'))
                    a = AlignLeft;
                else if (k == QLatin1Char('^'))
                    a = AlignCenter;
                else if (k == QLatin1Char('>'))
                    a = AlignRight;
                if (a != AlignGeneral) h.remove(0, 1);
            }
            m_align[c] = a;
            setTextMatrix(0, c, h);
            const int w = horizontalHeader()->fontMetrics().horizontalAdvance(h) + padding;
            setColumnWidth(c, std::max(w, 8));
        }
    }
    if (!rowPart.isEmpty()) {
        const QStringList texts = rowPart.split(QLatin1Char('|'));
        // The first text belongs to the header row's corner cell.
        const int needRows = static_cast<int>(texts.size());
        if (needRows > Rows()) setRows(std::min(needRows, kMaxRows));
        for (int r = 0; r < texts.size() && r < Rows(); ++r)
            if (r > 0 || colPart.isEmpty()) setTextMatrix(r, 0, texts[r]);
    }
    viewport()->update();
}

FlexGrid::Align FlexGrid::ColAlignment(int col) const {
    return col >= 0 && col < m_align.size() ? m_align[col] : AlignGeneral;
}

void FlexGrid::setColAlignment(int col, Align a) {
    if (col < 0 || col >= m_align.size()) return;
    m_align[col] = a;
    viewport()->update();
}

int FlexGrid::ColWidth(int col) const {
    if (col < 0 || col >= Cols()) return 0;
    return Vb::pixelsToTwips(columnWidth(col));
}

void FlexGrid::setColWidth(int col, int twips) {
    if (col < 0 || col >= Cols() || twips < 0) return;
    setColumnWidth(col, Vb::twips(twips));
}

int FlexGrid::RowHeight(int row) const {
    if (row < 0 || row >= Rows()) return 0;
    if (row == 0) return Vb::pixelsToTwips(horizontalHeader()->height());
    return Vb::pixelsToTwips(QTableWidget::rowHeight(row - 1));
}

void FlexGrid::setRowHeightTwips(int row, int twips) {
    if (row < 0 || row >= Rows() || twips < 0) return;
    const int px = Vb::twips(twips);
    if (row == 0)
        horizontalHeader()->setFixedHeight(px);
    else
        QTableWidget::setRowHeight(row - 1, px);
}

QPoint FlexGrid::toGrid(const QPoint& viewportPos) const { return viewport()->mapTo(this, viewportPos); }

QRect FlexGrid::cellRect(int row, int col) const {
    if (!validCell(row, col)) return QRect();
    const int x = toGrid(QPoint(columnViewportPosition(col), 0)).x();
    const int w = columnWidth(col);
    if (row == 0) {
        const QHeaderView* h = horizontalHeader();
        const int y = h->mapTo(this, QPoint(0, 0)).y();
        return QRect(x, y, w, h->height());
    }
    const int y = toGrid(QPoint(0, rowViewportPosition(row - 1))).y();
    return QRect(x, y, w, QTableWidget::rowHeight(row - 1));
}

int FlexGrid::CellLeft() const { return Vb::pixelsToTwips(cellRect(m_row, m_col).x()); }

int FlexGrid::CellTop() const { return Vb::pixelsToTwips(cellRect(m_row, m_col).y()); }

int FlexGrid::CellWidth() const { return Vb::pixelsToTwips(cellRect(m_row, m_col).width()); }

int FlexGrid::CellHeight() const { return Vb::pixelsToTwips(cellRect(m_row, m_col).height()); }

void FlexGrid::setScrollBars(int v) {
    if (v < 0 || v > 3) return;
    m_scrollBars = v;
    setHorizontalScrollBarPolicy((v & 1) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy((v & 2) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void FlexGrid::Clear() {
    for (int c = 0; c < Cols(); ++c) {
        setTextMatrix(0, c, QString());
        for (int r = 0; r < rowCount(); ++r) delete takeItem(r, c);
    }
}

void FlexGrid::AddItem(const QString& text, int index) {
    if (Rows() >= kMaxRows) return;
    if (index == -1) index = Rows();
    if (index < FixedRows() || index > Rows()) return;
    m_applying = true;
    insertRow(index - 1);
    m_applying = false;
    const QStringList parts = text.split(QLatin1Char('\t'));
    for (int c = 0; c < parts.size() && c < Cols(); ++c) setTextMatrix(index, c, parts[c]);
    // The current cell keeps its numbers; only the highlight follows them.
    clampCurrent();
    showSelection();
}

void FlexGrid::RemoveItem(int row) {
    if (row < FixedRows() || row >= Rows()) return;
    m_applying = true;
    removeRow(row - 1);
    m_applying = false;
    clampCurrent();
    showSelection();
}

void FlexGrid::trackMouse(const QPoint& viewportPos) {
    const QModelIndex idx = indexAt(viewportPos);
    if (idx.isValid()) {
        m_mouseRow = idx.row() + 1;
        m_mouseCol = idx.column();
    } else {
        m_mouseRow = -1;
        m_mouseCol = -1;
    }
}

void FlexGrid::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    trackMouse(p);
    m_pressOnGrid = true;
    setFocus(Qt::MouseFocusReason);
    if (e->button() == Qt::LeftButton && m_mouseRow >= 1) cellFromUser(m_mouseRow, m_mouseCol);
    emit gridMouseDown(e->button(), toGrid(p));
    e->accept();
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    trackMouse(p);
    emit gridMouseUp(e->button(), toGrid(p));
    const bool click = m_pressOnGrid && e->button() == Qt::LeftButton;
    m_pressOnGrid = false;
    if (click) emit gridClicked();
    e->accept();
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    trackMouse(p);
    m_pressOnGrid = true;
    if (e->button() == Qt::LeftButton) {
        if (m_mouseRow >= 1) cellFromUser(m_mouseRow, m_mouseCol);
        emit gridDoubleClicked();
    }
    e->accept();
}

void FlexGrid::mouseMoveEvent(QMouseEvent* e) {
    trackMouse(e->position().toPoint());
    e->accept();
}

void FlexGrid::wheelEvent(QWheelEvent* e) {
    if (m_scrollBars == 0) {
        e->accept();
        return;
    }
    QTableWidget::wheelEvent(e);
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* e) {
    if (watched == horizontalHeader()->viewport()) {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove: {
                auto* me = static_cast<QMouseEvent*>(e);
                const QPoint p = me->position().toPoint();
                const int c = horizontalHeader()->logicalIndexAt(p);
                m_mouseRow = c >= 0 ? 0 : -1;
                m_mouseCol = c;
                const QPoint gp = horizontalHeader()->viewport()->mapTo(this, p);
                if (e->type() == QEvent::MouseButtonPress) {
                    m_pressOnGrid = true;
                    emit gridMouseDown(me->button(), gp);
                } else if (e->type() == QEvent::MouseButtonRelease) {
                    emit gridMouseUp(me->button(), gp);
                    if (m_pressOnGrid && me->button() == Qt::LeftButton) emit gridClicked();
                    m_pressOnGrid = false;
                } else if (e->type() == QEvent::MouseButtonDblClick && me->button() == Qt::LeftButton) {
                    emit gridDoubleClicked();
                }
                break;  // the header still handles column resizing
            }
            default:
                break;
        }
    }
    return QTableWidget::eventFilter(watched, e);
}
