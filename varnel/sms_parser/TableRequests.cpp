#include "TableRequests.h"

#include "core/Globals.h"
#include "core/protocol/Frames.h"
#include "core/protocol/TableRows.h"

namespace TableRequests {

namespace {

QList<g::InputRequest>& owed(ModuleTable table) {
    return table == ModuleTable::Input ? g::InTableOwed : g::OutTableOwed;
}

bool isAcknowledgement(const QByteArray& frame) {
    const QByteArray text = frame.mid(10);
    return text.startsWith("SETOK:") || text.startsWith("SETFAIL:");
}

// An acknowledgement, or a length with all its bytes: a head cut by a pause
// on the line is no answer yet, and a clear's answer goes to the clear.
bool whole(const QByteArray& frame) {
    const protocol::RowAnswerEnvelope e = protocol::decodeRowAnswer(frame);
    return isAcknowledgement(frame) || (e.hasLength && e.complete);
}

// The whole answers of the same table in the window behind its first frame.
int wholeAnswersBehind(const QByteArray& window) {
    const char code = window.at(8);
    int n = 0;
    for (qsizetype p = 1; p + 8 < window.size(); ++p)
        if (uint8_t(window.at(p)) == 0x1A && Frames::hasPreambleAt(window, p) && window.at(p + 8) == code &&
            whole(window.mid(p)))
            ++n;
    return n;
}

// The row an answer names: an acknowledgement's number, a row's index;
// -1 for a refusal with no number, or an end of the table (no row, or one
// past the last), which answer a request of any row.
int rowNamed(const QByteArray& frame) {
    if (isAcknowledgement(frame)) return protocol::namedRow(protocol::acknowledgementText(frame));
    const int index = protocol::decodeRowAnswer(frame).index;
    return index < protocol::kTableRows ? index : -1;
}

}  // namespace

void sent(ModuleTable table, Asker asker, int row) {
    g::InputRequest r;
    r.asker = asker;
    r.row = row;
    r.sent.start();
    owed(table).append(r);
}

void givenUp(ModuleTable table, Asker asker) {
    for (g::InputRequest& r : owed(table))
        if (r.asker == asker) r.live = false;
}

void superseded(ModuleTable table) {
    for (g::InputRequest& r : owed(table))
        if (!r.live && r.asker == Transfer) r.asker = Superseded;
}

void forget() {
    g::InTableOwed.clear();
    g::OutTableOwed.clear();
}

bool dropAnswer(const QByteArray& window) {
    if (window.size() < 9) return false;
    const uint8_t code = uint8_t(window.at(8));
    if (code != protocol::kInputTableCode && code != protocol::kCommandTableCode) return false;
    const bool input = code == protocol::kInputTableCode;
    QList<g::InputRequest>& out = owed(input ? ModuleTable::Input : ModuleTable::Command);
    if (!whole(window)) return false;
    while (!out.isEmpty() && out.first().sent.elapsed() >= kGoneMs) out.removeFirst();
    if (out.isEmpty()) return false;
    if (1 + wholeAnswersBehind(window) > out.size()) return true;
    const int row = rowNamed(window);
    while (!out.isEmpty() && out.first().asker == Superseded && out.first().row >= 0 && row >= 0 &&
           out.first().row != row)
        out.removeFirst();
    if (out.isEmpty()) return false;
    const g::InputRequest oldest = out.takeFirst();
    if (oldest.live) return false;
    // A transfer running again tells its own rows and acknowledgements by
    // the row they name; with a collection request due they could pass for
    // its answer.
    const int op = input ? g::InTableOp : g::OutTableOp;
    const bool transferRuns = op == 1 || op == 2;
    return !(oldest.asker == Transfer && transferRuns && (!input || g::CollectionDue == 0));
}

}  // namespace TableRequests
