#include "InputRequests.h"

#include "core/Globals.h"
#include "core/protocol/Frames.h"
#include "core/protocol/TableRows.h"

namespace InputRequests {

namespace {

// An acknowledgement, or a length with all its bytes: a head cut by a pause
// on the line is no answer yet, and a clear's answer goes to the clear.
bool whole(const QByteArray& frame) {
    const QByteArray text = frame.mid(10);
    if (text.startsWith("SETOK:") || text.startsWith("SETFAIL:")) return true;
    const protocol::RowAnswerEnvelope e = protocol::decodeRowAnswer(frame);
    return e.hasLength && e.complete;
}

// The whole input-table answers in the window behind its first frame.
int wholeAnswersBehind(const QByteArray& window) {
    int n = 0;
    for (qsizetype p = 1; p + 8 < window.size(); ++p)
        if (uint8_t(window.at(p)) == 0x1A && Frames::hasPreambleAt(window, p) &&
            uint8_t(window.at(p + 8)) == protocol::kInputTableCode && whole(window.mid(p)))
            ++n;
    return n;
}

}  // namespace

void sent(Asker asker) {
    g::InputRequest r;
    r.asker = asker;
    r.sent.start();
    g::InTableOwed.append(r);
}

void givenUp(Asker asker) {
    for (g::InputRequest& r : g::InTableOwed)
        if (r.asker == asker) r.live = false;
}

void tableCleared() {
    for (g::InputRequest& r : g::InTableOwed)
        if (!r.live && r.asker == Transfer) r.asker = Superseded;
}

void forget() { g::InTableOwed.clear(); }

bool dropAnswer(const QByteArray& window) {
    QList<g::InputRequest>& owed = g::InTableOwed;
    if (!whole(window)) return false;
    while (!owed.isEmpty() && owed.first().sent.elapsed() >= kGoneMs) owed.removeFirst();
    if (owed.isEmpty()) return false;
    if (1 + wholeAnswersBehind(window) > owed.size()) return true;
    const g::InputRequest oldest = owed.takeFirst();
    if (oldest.live) return false;
    // A transfer running again tells its own rows and acknowledgements by
    // the row they name; with a collection request due they could pass for
    // its answer.
    const bool transferRuns = g::InTableOp == 1 || g::InTableOp == 2;
    return !(oldest.asker == Transfer && transferRuns && g::CollectionDue == 0);
}

}  // namespace InputRequests
