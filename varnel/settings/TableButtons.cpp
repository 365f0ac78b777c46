// The buttons of the two table pages: reading and writing the tables row by
// row, adding and deleting rows, and clearing a table in the module.

#include <QPushButton>

#include "SettingsForm.h"
#include "TableTabs.h"
#include "TableTransfers.h"
#include "core/protocol/TableRows.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"

namespace {

// Appends a row holding the selected row's cells (none when the table was
// empty), labelled with its table index, and selects it whole.
bool addRow(SettingsForm* form, FlexGrid* grid, const QString& fullMessage) {
    if (grid->Rows() >= protocol::kTableRows + 1) {
        Dialogs::msgBox(form, fullMessage, QStringLiteral("提示"), Dialogs::Icon::Information);
        return false;
    }
    const int s = grid->Row();
    grid->setRows(grid->Rows() + 1);
    const int t = grid->Rows() - 1;
    if (grid->Rows() > 2 && s >= 1 && s < t)
        for (int c = 1; c < grid->Cols(); ++c) grid->setTextMatrix(t, c, grid->TextMatrix(s, c));
    grid->setTextMatrix(t, 1, QStringLiteral("CH%1").arg(t - 1));
    grid->setRow(t);
    grid->setColSel(grid->Cols() - 1);
    return true;
}

// Removes the selected row: the rows below move up one (their labels
// follow their new places, column 0 stays where it is). The grid rows
// themselves move, not only their texts, so an editor open on a command
// that moves up still finds it, and one open on the deleted row finds none.
void deleteRow(FlexGrid* grid, QPushButton* writeButton) {
    if (grid->Rows() <= 1) return;
    const int row = grid->Row();
    if (row >= 1) {
        QStringList marks;
        for (int k = 1; k < grid->Rows(); ++k) marks << grid->TextMatrix(k, 0);
        grid->RemoveItem(row);
        for (int k = row; k < grid->Rows(); ++k) {
            grid->setTextMatrix(k, 0, marks.at(k - 1));
            grid->setTextMatrix(k, 1, QStringLiteral("CH%1").arg(k - 1));
        }
    } else {
        grid->setRows(grid->Rows() - 1);
    }
    writeButton->setEnabled(grid->Rows() >= 2);
}

}  // namespace

void InputTableTab::readTable() { m_form->transfers->read(ModuleTable::Input); }
void InputTableTab::writeTable() { m_form->transfers->write(ModuleTable::Input); }

void InputTableTab::newRow() {
    if (m_form->transfers->busy()) return;
    if (!addRow(m_form, MSGrid2, QStringLiteral("报警通道数限制在64条以内"))) return;
    // Rows just added carry a mark until the channel editor saves them.
    MSGrid2->setTextMatrix(MSGrid2->Row(), 0, QStringLiteral("*"));
    Command13->setEnabled(true);
}

void InputTableTab::deleteRow() {
    if (m_form->transfers->busy()) return;
    ::deleteRow(MSGrid2, Command13);
}

void InputTableTab::clearTable() { m_form->clearModuleTable(ModuleTable::Input); }

void CommandTableTab::readTable() { m_form->transfers->read(ModuleTable::Command); }
void CommandTableTab::writeTable() { m_form->transfers->write(ModuleTable::Command); }

void CommandTableTab::newRow() {
    if (m_form->transfers->busy()) return;
    if (!addRow(m_form, MSGrid1, QStringLiteral("指令条数限制在64条以内"))) return;
    Command13->setEnabled(true);
}

void CommandTableTab::deleteRow() {
    if (m_form->transfers->busy()) return;
    ::deleteRow(MSGrid1, Command13);
}

void CommandTableTab::clearTable() { m_form->clearModuleTable(ModuleTable::Command); }
