#pragma once

#include <QByteArray>

#include "TableAnswerSink.h"

// A table's requests out (g::InTableOwed, g::OutTableOwed). The module
// answers them in turn, one answer each, also those the program stopped
// waiting for (a transfer stopped, a wait run out): such an answer, still on
// its way, comes ahead of the later requests' and is theirs for none of
// them, unless the request has been out too long to be answered at all.
namespace TableRequests {

// Only the input table has collection askers: they share its answer code.
enum Asker { Transfer = 1, CollectionRead = 2, CollectionWrite = 3, Superseded = 4 };

// How long a request can still be answered: the program's longest wait
// before it asks again or gives up. The module answers in turn and at once;
// a request out longer than that with nothing come for it was lost (the
// module left it unanswered, or the answer was cut on the line), and what
// comes belongs to the requests behind it, whether given up or asked again.
constexpr int kGoneMs = 5000;

void sent(ModuleTable table, Asker asker, int row = -1);
// `asker` no longer waits for its requests out.
void givenUp(ModuleTable table, Asker asker);
// The table is cleared or written anew: what a stopped transfer asked for
// before is no answer to the transfer running then, though it names the
// same row (its row as it was, or its write's acknowledgement). An answer
// that names another row shows the stopped request's answer was lost.
void superseded(ModuleTable table);
// The line went away: nothing sent so far is answered.
void forget();
// A table answer, the window from its 0x1A on: books it against its table's
// oldest request out and tells whether it is dropped unseen, being the
// answer of a request given up, or a copy (the window holds more whole
// answers than requests are out: the last ones are theirs). What a stopped
// read asked for is left to the read running again, which tells it from its
// own by the row named: with nothing changed in between, it is the same row.
bool dropAnswer(const QByteArray& window);

}  // namespace TableRequests
