#pragma once

#include <QByteArray>
#include <QList>

#include "core/Globals.h"

// Which requests of one kind (phone table, alarm settings, output settings)
// are out and unanswered, in the order they went out, kept in the g::
// ...Outstanding globals: a queue of operation values, two bits each (the
// operation + 1), the oldest in the lowest bits, at most 15 (the oldest
// gives way). One answer code serves all operations of a kind; while only
// one of them is out, the operation flag alone says what an answer means,
// as it always has. When more are out (a write and a read right behind
// it), the answer itself must say which request it answers. Two requests
// of one operation are two answers to wait for: the first answer leaves
// the second out.
namespace Outstanding {

// RefreshQuery while a refresh runs with no query out (0: no refresh runs,
// otherwise the code of the query out).
constexpr uint8_t kRefreshNothingOut = 0xFF;

constexpr int kMost = 15;
inline int at(int queue, int i) { return (queue >> (2 * i) & 3) - 1; }
inline int length(int queue) {
    int n = 0;
    while (n < kMost && at(queue, n) >= 0) ++n;
    return n;
}
// The operation of the oldest request out; -1 with none.
inline int oldest(int queue) { return at(queue, 0); }
inline void sent(int& queue, int op) {
    int n = length(queue);
    if (n == kMost) queue >>= 2, --n;
    queue |= (op + 1) << (2 * n);
}
// The oldest request of that operation has had its answer.
inline void answered(int& queue, int op) {
    if (op < 0) return;
    for (int i = 0, n = length(queue); i < n; ++i) {
        if (at(queue, i) != op) continue;
        const int below = queue & ((1 << (2 * i)) - 1);
        queue = below | (queue >> (2 * (i + 1))) << (2 * i);
        return;
    }
}

inline bool has(int queue, int op) {
    for (int i = 0, n = length(queue); i < n; ++i)
        if (at(queue, i) == op) return true;
    return false;
}
// More than one operation is out.
inline bool several(int queue) {
    for (int i = 1, n = length(queue); i < n; ++i)
        if (at(queue, i) != oldest(queue)) return true;
    return false;
}

// The phone table. Its answers come in turn, and a write or a clear decides
// what the module holds: as one goes, every request still out before it is
// given up (an earlier acknowledgement no longer tells what the module
// holds, nor an earlier read's table) and kept in `givenUp`, a queue like
// the one above, for its answer may still come.
inline void tableSent(int& queue, int& givenUp, int op) {
    if (op != 0) {
        for (int i = 0, n = length(queue); i < n; ++i) sent(givenUp, at(queue, i));
        queue = 0;
    }
    sent(queue, op);
}
// The request an answer of that operation (by its own first bytes) answers,
// -1 for none. One given up is answered first, being older: the answer is
// no one's, and those given up before it have lost theirs. Else the oldest
// request out of that operation has its answer, every one before it has
// lost its own, and so has every one given up.
inline int tableAnswered(int& queue, int& givenUp, int op) {
    for (int i = 0, n = length(givenUp); i < n; ++i) {
        if (at(givenUp, i) != op) continue;
        givenUp >>= 2 * (i + 1);
        return -1;
    }
    for (int i = 0, n = length(queue); i < n; ++i) {
        if (at(queue, i) != op) continue;
        queue >>= 2 * (i + 1);
        givenUp = 0;
        return op;
    }
    return -1;
}

// A settings read and the channel it names: the reads out are kept beside
// the queue, oldest first, and leave it with their answer. The module
// answers a read at once and in turn, within the refresh's 500 ms tick; a
// read still unanswered kReadLostMs after it went is given up when the next
// read goes. Given up is not forgotten: its answer may yet come, ahead of
// the next read's, where it would be shown under that read's channel (and
// the next write would send it there). The receiver forgets it with its
// answer, or once an answer behind it came alone: then it was lost.
constexpr int kReadLostMs = 500;
// How many of the oldest reads out are given up: a later read went
// kReadLostMs or more after each of them.
inline int readsGivenUp(const QList<g::SettingsRead>& reads) {
    if (reads.size() < 2) return 0;
    const qint64 last = reads.last().sent.elapsed();
    int n = 0;
    while (n < reads.size() - 1 && reads.at(n).sent.elapsed() - last >= kReadLostMs) ++n;
    return n;
}
// The oldest read out has had its answer, or is forgotten: the channel it
// named, -1 with none out.
inline int readAnswered(int& queue, QList<g::SettingsRead>& reads) {
    const bool was = has(queue, 0);
    answered(queue, 0);
    return was && !reads.isEmpty() ? reads.takeFirst().channel : -1;
}
inline void readSent(int& queue, QList<g::SettingsRead>& reads, int channel) {
    if (length(queue) == kMost && oldest(queue) == 0 && !reads.isEmpty()) reads.removeFirst();
    sent(queue, 0);
    g::SettingsRead read{channel, {}};
    read.sent.start();
    reads.append(read);
    while (reads.size() > kMost) reads.removeFirst();
}
// Alarm and output settings: the module answers a write with the request's
// code and a read with its own (A5, A7). While something is out, the code
// decides (1 write, 0 read), and an answer of a kind nothing out waits for
// (a repeated acknowledgement, the read of a write that was refused) is
// none: -1. With nothing out, the operation flag decides, as it always has.
inline int settingsOp(int queue, int opFlag, bool writeCode) {
    if (queue == 0) return opFlag;
    const int op = writeCode ? 1 : 0;
    return has(queue, op) ? op : -1;
}

// A read's answer (A5, A7) while a write that went out before the read is
// unacknowledged: the module answers in turn, so it is a repeat of an
// earlier read's answer, unless the write's acknowledgement was lost. The
// block tells what it can: one other than the block last read is the
// read's own; that block may be either (a write that sent it back
// unchanged leaves the read behind it finding the same), and waits for
// the acknowledgement.
inline bool readBehindWrite(int queue) { return has(queue, 0) && oldest(queue) == 1; }
inline bool repeatOfLastRead(const QByteArray& block, const QByteArray& lastRead) {
    return !lastRead.isEmpty() && block == lastRead;
}

}  // namespace Outstanding
