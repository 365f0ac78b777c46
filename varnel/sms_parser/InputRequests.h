#pragma once

#include <QByteArray>

// The input-parsing table's requests out (g::InTableOwed). The module
// answers them in turn, one answer each, also those the program stopped
// waiting for (a transfer stopped, a collection wait run out): such an
// answer, still on its way, comes ahead of the later requests' and is
// theirs for none of them.
namespace InputRequests {

enum Asker { Transfer = 1, CollectionRead = 2, CollectionWrite = 3, Superseded = 4 };

// How long after it went a request given up can still be answered: twice
// the longest wait before the program asks again or gives up. Past that the
// module has let it drop, and what comes belongs to the requests behind it.
constexpr int kGoneMs = 10000;

void sent(Asker asker);
// `asker` no longer waits for its requests out.
void givenUp(Asker asker);
// The table was cleared: what a stopped transfer asked for before is no
// row of the table any more, even to the transfer running then.
void tableCleared();
// The line went away: nothing sent so far is answered.
void forget();
// An input-table answer, the window from its 0x1A on: books it against the
// oldest request out and tells whether it is dropped unseen, being the
// answer of a request given up, or a copy (the window holds more whole
// answers than requests are out: the last ones are theirs). What a stopped
// transfer asked for is left to the transfer running now, which tells it
// from its own by the row named.
bool dropAnswer(const QByteArray& window);

}  // namespace InputRequests
