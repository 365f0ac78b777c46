#include "TableTransfers.h"

#include <algorithm>

#include <QLineEdit>
#include <QPushButton>

#include "SettingsForm.h"
#include "TableTabs.h"
#include "core/AnswerHold.h"
#include "core/Globals.h"
#include "core/protocol/TableRows.h"
#include "platform/CommPort.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"
#include "platform/VbTimer.h"
#include "varnel/sms_parser/TableRequests.h"

namespace {

const QString kStop = QStringLiteral("停止");
const QString kReadCaption = QStringLiteral("读取设置");
const QString kWriteCaption = QStringLiteral("更新设置");

// The input table's [0] or the command table's [1] of a pair.
int side(ModuleTable table) { return table == ModuleTable::Input ? 0 : 1; }

QString hexPairs(const QByteArray& bytes) {
    QString s;
    s.reserve(bytes.size() * 3);
    for (char c : bytes) s += QStringLiteral("%1 ").arg(uint8_t(c), 2, 16, QLatin1Char('0')).toUpper();
    return s;
}

}  // namespace

TableTransfers::TableTransfers(SettingsForm* form) : QObject(form), m_form(form), m_timer(form->Timer4) {
    connect(m_timer, &VbTimer::tick, this, &TableTransfers::tick);
}

const QStringList& TableTransfers::exclusiveControls() {
    static const QStringList names = {
        QStringLiteral("Command23(0)"), QStringLiteral("Command23(1)"), QStringLiteral("Command13(0)"),
        QStringLiteral("Command13(1)"), QStringLiteral("Command27(0)"), QStringLiteral("Command27(1)"),
        QStringLiteral("Command28"),    QStringLiteral("Command29"),    QStringLiteral("Command25(0)"),
        QStringLiteral("Command25(1)"), QStringLiteral("Command26(0)"), QStringLiteral("Command26(1)"),
        QStringLiteral("mLoadSetup")};
    return names;
}

void TableTransfers::setIntervals(int retryMs, int paceMs) {
    m_retryMs = retryMs;
    m_paceMs = paceMs;
}

FlexGrid* TableTransfers::grid(ModuleTable table) const {
    return table == ModuleTable::Input ? m_form->inputTab->MSGrid2 : m_form->commandTab->MSGrid1;
}

QPushButton* TableTransfers::readButton(ModuleTable table) const {
    return table == ModuleTable::Input ? m_form->inputTab->Command23 : m_form->commandTab->Command23;
}

QPushButton* TableTransfers::writeButton(ModuleTable table) const {
    return table == ModuleTable::Input ? m_form->inputTab->Command13 : m_form->commandTab->Command13;
}

ModuleTable TableTransfers::tableOf(Step step) {
    return step == ReadInputs || step == WriteInputs ? ModuleTable::Input : ModuleTable::Command;
}

int& TableTransfers::pendingOp(ModuleTable table) {
    return table == ModuleTable::Input ? g::InTableOp : g::OutTableOp;
}

// --- locking -------------------------------------------------------------------

void TableTransfers::lockOthers(QObject* running) {
    m_held.clear();
    for (const QString& name : exclusiveControls()) {
        QObject* o = m_form->findChild<QObject*>(name);
        if (!o || o == running) continue;
        m_held.insert(name, o->property("enabled").toBool());
        o->setProperty("enabled", false);
    }
}

void TableTransfers::restoreOthers() {
    for (auto it = m_held.cbegin(); it != m_held.cend(); ++it)
        if (QObject* o = m_form->findChild<QObject*>(it.key())) o->setProperty("enabled", it.value());
    m_held.clear();
}

void TableTransfers::setEnabledWhenFree(const QString& objectName, bool enabled) {
    if (busy() && m_held.contains(objectName)) {
        m_held[objectName] = enabled;
        return;
    }
    if (QObject* o = m_form->findChild<QObject*>(objectName)) o->setProperty("enabled", enabled);
}

// --- start and stop ------------------------------------------------------------

void TableTransfers::read(ModuleTable table) {
    const Step mine = table == ModuleTable::Input ? ReadInputs : ReadCommands;
    if (m_step == mine) {
        stop();
        return;
    }
    if (busy()) return;
    if (!m_form->portOpen()) {
        m_form->showConnectDialog();
        return;
    }
    pendingOp(table) = 2;
    grid(table)->setRows(1);
    if (table == ModuleTable::Command) m_form->commandTab->TxtCmdText->clear();
    lockOthers(readButton(table));
    readButton(table)->setText(kStop);
    g::ReadTries = 0;
    m_step = mine;
    request(table, 0);
    m_timer->setEnabled(false);
    m_timer->setInterval(m_retryMs);
    m_timer->setEnabled(true);
}

void TableTransfers::write(ModuleTable table) {
    const Step mine = table == ModuleTable::Input ? WriteInputs : WriteCommands;
    if (m_step == mine) {
        stop();
        return;
    }
    if (busy()) return;
    FlexGrid* g = grid(table);
    if (g->Rows() <= 1) return;
    if (!m_form->portOpen()) {
        m_form->showConnectDialog();
        return;
    }
    pendingOp(table) = 1;
    supersedeStopped(table);
    g->setRow(1);
    lockOthers(writeButton(table));
    writeButton(table)->setText(kStop);
    g::WriteTries = 0;
    m_step = mine;
    m_form->updateGridLocks();
    if (!sendCurrentRow(table)) return;
    m_timer->setEnabled(false);
    m_timer->setInterval(m_retryMs);
    m_timer->setEnabled(true);
}

void TableTransfers::stop(const QString& message) {
    if (m_step == Idle) return;
    const Step was = m_step;
    const ModuleTable table = tableOf(was);
    m_step = Idle;
    m_timer->setEnabled(false);
    m_timer->setInterval(m_retryMs);
    pendingOp(table) = 0;
    TableRequests::givenUp(table, TableRequests::Transfer);
    restoreOthers();
    if (reading(was)) {
        readButton(table)->setText(kReadCaption);
        writeButton(table)->setEnabled(true);
    } else {
        writeButton(table)->setText(kWriteCaption);
    }
    m_form->updateGridLocks();
    emit stopped();
    if (!message.isEmpty())
        Dialogs::msgBox(m_form, message, QStringLiteral("提示"), Dialogs::Icon::Information);
}

// --- requests ------------------------------------------------------------------

void TableTransfers::request(ModuleTable table, int index) {
    ++m_unanswered[side(table)][index];
    if (table == ModuleTable::Input ? m_form->readSMSIn(index) : m_form->readSMSOut(index))
        TableRequests::sent(table, TableRequests::Transfer, index);
}

bool TableTransfers::sendCurrentRow(ModuleTable table) {
    if (!m_form->portOpen()) {
        stop();
        m_form->showConnectDialog();
        return false;
    }
    const protocol::RowWrite w =
        table == ModuleTable::Input ? m_form->inputRowFrame() : m_form->commandRowFrame();
    if (w.refused()) {
        // The refused row stays selected; its message is the write's last word.
        stop();
        Dialogs::msgBox(m_form, w.message, w.title, Dialogs::Icon::Information);
        return false;
    }
    if (m_form->writeFrame(w.frame)) TableRequests::sent(table, TableRequests::Transfer, grid(table)->Row() - 1);
    return true;
}

void TableTransfers::tick() {
    // A time-out does not run while the answer receiver's box holds the
    // answer back.
    if (AnswerHold::deferTick(m_timer)) return;
    m_timer->setEnabled(false);
    m_timer->setInterval(m_retryMs);
    if (m_step == Idle) return;
    const ModuleTable table = tableOf(m_step);
    if (reading(m_step)) {
        if (++g::ReadTries > MaxTries) {
            stop(QStringLiteral("读参数超时失败"));
            return;
        }
        request(table, grid(table)->Rows() - 1);
        m_timer->setEnabled(true);
        return;
    }
    if (++g::WriteTries > MaxTries) {
        stop(QStringLiteral("写参数超时失败"));
        return;
    }
    if (!sendCurrentRow(table)) return;
    m_timer->setEnabled(true);
}

// --- answers -------------------------------------------------------------------

void TableTransfers::forgetRequests() {
    TableRequests::forget();
    for (QHash<int, int>& open : m_unanswered) open.clear();
    for (QHash<int, QByteArray>& rows : m_taken) rows.clear();
}

void TableTransfers::supersedeStopped(ModuleTable table) {
    TableRequests::superseded(table);
    // Their answers are dropped as they come, unseen here.
    m_unanswered[side(table)].clear();
    m_taken[side(table)].clear();
}

bool TableTransfers::answersEarlierRequest(const TableRowAnswer& a) {
    QHash<int, int>& open = m_unanswered[side(a.table)];
    const Step mine = a.table == ModuleTable::Input ? ReadInputs : ReadCommands;
    const int asked = m_step == mine ? grid(a.table)->Rows() - 1 : -1;
    const bool end = a.shortAnswer || a.length == 0 ||
                     (a.index > protocol::kTableRows - 1 && (a.table == ModuleTable::Command || a.sumOk));
    int index = a.index;
    if (end) {
        // An end names no row: it answers the furthest request still open,
        // which only a read stopped or repeated before this one can have
        // asked beyond the row asked now.
        index = asked;
        for (auto it = open.cbegin(); it != open.cend(); ++it) index = std::max(index, it.key());
    } else if (!a.sumOk) {
        return false;  // no row to go by: the read fails as it would
    }
    const auto it = open.find(index);
    if (it == open.end()) {
        // Every request of this row is answered: the very row taken before
        // is a copy of that answer; any other row never asked for is the
        // module's own way of ending the table.
        const QHash<int, QByteArray>& taken = m_taken[side(a.table)];
        const auto was = taken.constFind(index);
        return !end && was != taken.cend() && *was == a.payload;
    }
    if (--*it == 0) open.erase(it);
    return index != asked;
}

void TableTransfers::rowAnswered(const TableRowAnswer& a) {
    const Step mine = a.table == ModuleTable::Input ? ReadInputs : ReadCommands;
    const bool earlier = answersEarlierRequest(a);
    if (m_step != mine) return;  // no read of this table under way: a late answer
    if (earlier) return;
    FlexGrid* g = grid(a.table);
    if (a.table == ModuleTable::Input) {
        if (a.shortAnswer) {
            stop();
            return;
        }
        if (a.length == 0) {
            stop(QStringLiteral("读取参数成功"));
            return;
        }
        g::RxText = hexPairs(a.payload);
    } else if (a.length == 0 || a.index > protocol::kTableRows - 1) {
        stop(QStringLiteral("读取参数完成"));
        return;
    }
    if (!a.sumOk) {
        stop(QStringLiteral("读取参数失败"));
        return;
    }
    g::ReadTries = 0;
    if (a.index > protocol::kTableRows - 1 || a.index + 1 != g->Rows()) {
        stop(QStringLiteral("读取参数完成"));
        return;
    }
    m_taken[side(a.table)].insert(a.index, a.payload);
    g->setRows(a.index + 2);
    m_timer->setEnabled(false);
    m_timer->setInterval(m_paceMs);
    m_timer->setEnabled(true);
    fillRow(g, a);
}

void TableTransfers::fillRow(FlexGrid* g, const TableRowAnswer& a) {
    const int r = g->Rows() - 1;
    if (a.channel) {
        const protocol::ChannelReadBack& rb = *a.channel;
        for (int c = 1; c < protocol::kChannelColumns; ++c) g->setTextMatrix(r, c, rb.cells[size_t(c)]);
        if (rb.phoneMask) g::PhoneMask = *rb.phoneMask;
        if (rb.complete || !rb.rxText.isEmpty()) g::RxText = rb.rxText;
    } else if (a.command) {
        const protocol::CommandReadBack& rb = *a.command;
        for (int c = 1; c < protocol::kCommandColumns; ++c) g->setTextMatrix(r, c, rb.cells[size_t(c)]);
        g::RxText = rb.rxText;
    }
}

void TableTransfers::writeAcknowledged(ModuleTable table, const QString& text) {
    const Step mine = table == ModuleTable::Input ? WriteInputs : WriteCommands;
    if (m_step != mine) return;
    g::RxText = text;
    if (text.startsWith(QStringLiteral("SETOK:"))) {
        const int m = protocol::acknowledgedRow(text);
        FlexGrid* g = grid(table);
        // The acknowledgement of a row sent earlier (repeated, or before a
        // stop) moves nothing.
        if (m != g->Row() - 1) return;
        g::WriteTries = 0;
        if (m < g->Rows() - 2) {
            g->setRow(m + 2);
            m_timer->setEnabled(false);
            m_timer->setInterval(m_paceMs);
            m_timer->setEnabled(true);
        } else {
            stop(QStringLiteral("设置成功"));
        }
    } else if (text.startsWith(QStringLiteral("SETFAIL:"))) {
        stop(QStringLiteral("设置失败"));
    }
}
