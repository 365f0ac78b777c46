// The settings form's side of the module tables: the row frames sent from
// the grids' current rows, the row read requests, the clears, and the
// answers the receiver hands over.

#include <QLineEdit>

#include "SettingsForm.h"
#include "TableTabs.h"
#include "TableTransfers.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/protocol/ChannelRecord.h"
#include "core/protocol/CommandRecord.h"
#include "core/protocol/TableRows.h"
#include "platform/CommPort.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"

bool SettingsForm::portOpen() {
    if (!port() || !port()->isOpen() || connectUnderWay()) return false;
    // Asked in the half second before the hand-over: the answer is the
    // parser's, not the finished handshake's.
    if (Timer5->enabled()) g::RecvMode = 101;
    return true;
}

bool SettingsForm::connectUnderWay() const {
    if (!m_main) return false;
    for (int n : {8, 9, 11})
        if (m_main->timerEnabled(n)) return true;
    // An identify that ended without the module's type: the dialog waits
    // for Cancel, and every answer still goes to the handshake.
    return g::RecvMode == 100 && g::OfflineMode == 0 && !Timer5->enabled();
}

bool SettingsForm::writeFrame(const QByteArray& frame) {
    g::CommBytes = frame;
    return port() && port()->output(frame);
}

void SettingsForm::showConnectDialog() {
    if (m_main) m_main->bringUpConnectDialog();
}

protocol::RowWrite SettingsForm::inputRowFrame() {
    FlexGrid* grid = inputTab->MSGrid2;
    const int row = grid->Row();
    if (row < 1 || row >= grid->Rows())
        return protocol::RowWrite::refusal(QStringLiteral("执行错误！没有选中的行"));
    protocol::ChannelRecord rec;
    for (int c = 0; c < protocol::kChannelColumns; ++c) rec[size_t(c)] = grid->TextMatrix(row, c);
    return protocol::channelRowFrame(rec, row - 1);
}

protocol::RowWrite SettingsForm::commandRowFrame() {
    FlexGrid* grid = commandTab->MSGrid1;
    const int row = grid->Row();
    if (row < 1 || row >= grid->Rows())
        return protocol::RowWrite::refusal(QStringLiteral("执行错误！没有选中的行"));
    protocol::CommandRecord rec;
    for (int c = 0; c < protocol::kCommandColumns; ++c) rec[size_t(c)] = grid->TextMatrix(row, c);
    return protocol::commandRowFrame(rec, row - 1);
}

bool SettingsForm::SMSin() {
    if (!portOpen()) {
        showConnectDialog();
        return false;
    }
    g::InTableOp = 1;
    const protocol::RowWrite w = inputRowFrame();
    if (w.refused()) {
        Dialogs::msgBox(this, w.message, w.title, Dialogs::Icon::Information);
        return false;
    }
    return writeFrame(w.frame);
}

int SettingsForm::SMSout() {
    if (!portOpen()) {
        showConnectDialog();
        return 0;
    }
    const protocol::RowWrite w = commandRowFrame();
    if (w.refused()) {
        Dialogs::msgBox(this, w.message, w.title, Dialogs::Icon::Information);
        return 0;
    }
    return writeFrame(w.frame) ? 1 : 0;
}

bool SettingsForm::readSMSIn(int index) {
    const bool sent = writeFrame(protocol::rowReadRequest(protocol::kInputTableCode, index));
    g::RecvMode = 101;
    return sent;
}

bool SettingsForm::readSMSOut(int index) {
    const bool sent = writeFrame(protocol::rowReadRequest(protocol::kCommandTableCode, index));
    g::RecvMode = 101;
    return sent;
}

void SettingsForm::clearModuleTable(ModuleTable table) {
    if (transfers->busy()) return;
    if (Dialogs::msgBox(this, QStringLiteral("您确定要清空所有设置吗？此操作无法恢复！"),
                        QStringLiteral("清除警告"), Dialogs::Icon::Question,
                        Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok)
        return;
    if (!portOpen()) {
        showConnectDialog();
        return;
    }
    // What waits on the port is emptied, unless a refresh, a chain, a
    // phone-table or collection request, or a clear still waits for its
    // answer there.
    if (!Timer1->running() && !Timer2->running() && !Timer3->running() && g::PhoneTableOutstanding == 0 &&
        g::CollectionDue == 0 && g::TableClearDue == 0)
        port()->dropInput();
    const bool input = table == ModuleTable::Input;
    (input ? g::InTableOp : g::OutTableOp) = 4;
    transfers->supersedeStopped(table);
    g::TableClearDue |= input ? 1 : 2;
    writeFrame(protocol::tableClearFrame(input ? protocol::kInputTableCode : protocol::kCommandTableCode));
}

void SettingsForm::updateGridLocks() {
    const TableTransfers::Step step = transfers ? transfers->step() : TableTransfers::Idle;
    inputTab->MSGrid2->setEnabled(!m_channelEditorOpen && step != TableTransfers::WriteInputs);
    commandTab->MSGrid1->setEnabled(step != TableTransfers::WriteCommands);
}

void SettingsForm::tableRowAnswered(const TableRowAnswer& answer) { transfers->rowAnswered(answer); }

void SettingsForm::tableRowWriteAcknowledged(ModuleTable table, const QString& text) {
    transfers->writeAcknowledged(table, text);
}

void SettingsForm::tableClearAcknowledged(ModuleTable table, const QString& text) {
    const int due = table == ModuleTable::Input ? 1 : 2;
    int& op = table == ModuleTable::Input ? g::InTableOp : g::OutTableOp;
    if (op != 4 && !(g::TableClearDue & due)) return;
    g::RxText = text;
    const bool ok = text.startsWith(QStringLiteral("CLROK:"));
    if (!ok && !text.startsWith(QStringLiteral("CLRFAIL:"))) return;
    // Answered once; a transfer pressed after the clear keeps its routing.
    g::TableClearDue &= ~due;
    if (op == 4) op = 0;
    const QString title = QStringLiteral("提示！！");
    if (ok)
        Dialogs::msgBox(this, QStringLiteral("清除成功"), title, Dialogs::Icon::Information);
    else
        Dialogs::msgBox(this, QStringLiteral("清除失败"), title, Dialogs::Icon::Exclamation);
}
