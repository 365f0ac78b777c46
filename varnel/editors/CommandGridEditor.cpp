#include "CommandGridEditor.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>

#include "OutputFrameEditor.h"
#include "core/protocol/ValueLists.h"
#include "platform/Controls.h"
#include "platform/FlexGrid.h"
#include "platform/Vb.h"
#include "varnel/core/VarnelRoutines.h"

namespace {

struct ListColumn {
    int column;
    const char* name;
};
constexpr ListColumn kListColumns[] = {
    {CommandGridEditor::Language, "Combo_HE"},   {CommandGridEditor::Reply, "ComboSMSBack"},
    {CommandGridEditor::Target, "ComboSMSType"}, {CommandGridEditor::Variable, "ComboLinkValOut"},
    {CommandGridEditor::ReadWrite, "ComboRW"},   {CommandGridEditor::Channel, "ComboChannel"}};

}  // namespace

CommandGridEditor::CommandGridEditor(OutputFrameEditorHost& host, QLineEdit* cmdText,
                                     QAbstractButton* writeButton, QObject* parent)
    : QObject(parent), m_host(host), m_cmdText(cmdText), m_writeButton(writeButton) {
    FlexGrid* grid = m_host.commandGrid();
    QWidget* beside = grid->parentWidget() ? grid->parentWidget() : grid;

    for (const ListColumn& lc : kListColumns) {
        auto* c = Controls::named(new QComboBox(beside), lc.name);
        c->addItems(listItems(lc.column));
        c->setCurrentIndex(0);
        c->hide();
        c->installEventFilter(this);
        // A choice made while the list is open over its cell goes straight in.
        connect(c, &QComboBox::currentIndexChanged, this, [this, c] { writeBack(c); });
        m_lists[lc.column] = c;
    }
    m_lists[Channel]->setToolTip(
        QStringLiteral("操作变量时对应的通道，如果选择‘无’则是以指令后面带通道号指明"));

    m_text = Controls::named(new QLineEdit(QStringLiteral("读取通道0状态"), beside), "TxtCmdSMS");
    m_text->setToolTip(QStringLiteral("短信指令文字"));
    m_text->hide();
    m_text->installEventFilter(this);
    connect(m_text, &QLineEdit::textChanged, this, &CommandGridEditor::textChanged);

    connect(grid, &FlexGrid::gridClicked, this, &CommandGridEditor::gridClicked);
    connect(grid, &FlexGrid::gridDoubleClicked, this, &CommandGridEditor::gridDoubleClicked);
}

CommandGridEditor::~CommandGridEditor() {
    if (m_frame) m_frame->close();
}

QStringList CommandGridEditor::listItems(int column) {
    // The row frame sends each of these columns as the position of its text
    // in the same list.
    switch (column) {
        case Language:
            return protocol::languageItems();
        case Reply:
            return protocol::smsReplyItems();
        case Target:
            return protocol::operationObjectItems();
        case Variable:
            return protocol::linkValueOutItems();
        case ReadWrite:
            return protocol::readWriteItems();
        case Channel:
            return protocol::channelItems();
        default:
            return {};
    }
}

int CommandGridEditor::textLimit(const QString& language) { return protocol::commandTextLimit(language); }

QComboBox* CommandGridEditor::listEditor(int column) const {
    return column >= 0 && column < 10 ? m_lists[column] : nullptr;
}

int CommandGridEditor::editRow() const { return m_editRow.isValid() ? m_editRow.row() + 1 : 0; }

int CommandGridEditor::columnOf(const QWidget* editor) const {
    if (editor == m_text) return Text;
    for (int c = 0; c < 10; ++c)
        if (m_lists[c] && m_lists[c] == editor) return c;
    return -1;
}

void CommandGridEditor::gridClicked() {
    FlexGrid* grid = m_host.commandGrid();
    if (m_writeButton) m_writeButton->setEnabled(grid->Rows() > 1);
    if (grid->MouseCol() > 0 && m_cmdText)
        m_cmdText->setText(grid->TextMatrix(grid->Row(), grid->MouseCol()));
}

void CommandGridEditor::gridDoubleClicked() {
    FlexGrid* grid = m_host.commandGrid();
    leaveEditor(m_text);
    for (QComboBox* c : m_lists)
        if (c) leaveEditor(c);
    if (grid->Row() < 1) return;
    grid->setScrollBars(0);
    const int col = grid->MouseCol();
    if (col > 0) grid->setCol(col);
    m_editRow = QPersistentModelIndex(grid->model()->index(grid->Row() - 1, 0));
    const QString cell = grid->TextMatrix(grid->Row(), grid->Col());

    if (QComboBox* list = listEditor(col)) {
        placeOver(list, false);
        // Chosen while hidden, so nothing is written yet.
        Controls::setListIndexQuiet(list, varnel::ComboFindIndex(list, cell));
        list->show();
        list->raise();
        list->setFocus(Qt::MouseFocusReason);
    } else if (col == Text) {
        placeOver(m_text, true);
        m_text->show();
        m_text->raise();
        {
            const QSignalBlocker quiet(m_text);
            m_text->setText(cell);
        }
        // Run the change even when the box held this text already: the
        // limit depends on the row.
        textChanged();
        m_text->setFocus(Qt::MouseFocusReason);
        m_text->setCursorPosition(static_cast<int>(m_text->text().size()));
    } else if (col == Frame) {
        openFrameEditor();
    } else {
        grid->setScrollBars(3);
    }
}

void CommandGridEditor::placeOver(QWidget* editor, bool cellHeight) {
    FlexGrid* grid = m_host.commandGrid();
    QPoint origin(Vb::twips(grid->CellLeft()), Vb::twips(grid->CellTop()));
    if (editor->parentWidget() != grid) origin += grid->pos();
    const int height = cellHeight ? Vb::twips(grid->CellHeight()) : editor->height();
    editor->setGeometry(origin.x(), origin.y(), Vb::twips(grid->CellWidth()), height);
}

void CommandGridEditor::writeBack(QWidget* editor) {
    if (editor->isHidden()) return;
    const int row = editRow();
    const int col = columnOf(editor);
    if (row < 1 || col < 0) return;
    const QString text = editor == m_text ? m_text->text() : static_cast<QComboBox*>(editor)->currentText();
    m_host.commandGrid()->setTextMatrix(row, col, text);
}

void CommandGridEditor::leaveEditor(QWidget* editor) {
    if (editor->isHidden()) return;
    writeBack(editor);
    editor->hide();
    m_host.commandGrid()->setScrollBars(3);
}

void CommandGridEditor::textChanged() {
    const int row = editRow();
    const int limit = textLimit(row >= 1 ? m_host.commandGrid()->TextMatrix(row, Language) : QString());
    if (m_text->text().size() > limit) {
        m_text->setText(m_text->text().left(limit));  // changes again, within the limit
        return;
    }
    writeBack(m_text);
}

bool CommandGridEditor::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        // A list's own drop-down and a switch to another window do not
        // leave the editor.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            if (auto* w = qobject_cast<QWidget*>(watched); w && columnOf(w) >= 0) leaveEditor(w);
    }
    return QObject::eventFilter(watched, e);
}

void CommandGridEditor::openFrameEditor() {
    // An editor already open keeps its row and comes to the front.
    if (!m_frame) m_frame = new OutputFrameEditor(m_host);
    m_frame->show();
    m_frame->raise();
    m_frame->activateWindow();
}
