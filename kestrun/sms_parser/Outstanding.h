#pragma once

// Which requests of one kind (phone table, alarm settings, output settings)
// are out and unanswered: a bit per operation value, kept in the g::
// ...Outstanding globals. One answer code serves all operations of a kind;
// while only one of them is out, the operation flag alone says what an
// answer means, as it always has. When more are out (a write and a read
// right behind it), the answer itself must say which request it answers.
namespace Outstanding {

inline void sent(int& mask, int op) { mask |= 1 << op; }
inline void answered(int& mask, int op) {
    if (op >= 0) mask &= ~(1 << op);
}
inline bool has(int mask, int op) { return (mask >> op & 1) != 0; }
// More than one operation is out.
inline bool several(int mask) { return (mask & (mask - 1)) != 0; }

// Alarm and output settings: the module answers a write with the request's
// code and a read with its own (A5, A7). While the code's operation is out,
// the code decides (1 write, 0 read); with only the other operation out,
// the answer is a repeat of one already read and answers nothing (-1); with
// nothing out, the operation flag decides.
inline int settingsOp(int mask, int opFlag, bool writeCode) {
    const int byCode = writeCode ? 1 : 0;
    if (has(mask, byCode)) return byCode;
    if (has(mask, 1 - byCode)) return -1;
    return opFlag;
}

}  // namespace Outstanding
