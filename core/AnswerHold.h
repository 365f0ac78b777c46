#pragma once

class VbTimer;

// While a receiver has a message box of its own open, it takes no answer:
// what arrives waits until the box is closed. A timed chain whose next step
// depends on those answers waits with them; otherwise it would send its next
// request into the held answers and, at the tick after, end as though the
// module had not answered.
//
// A receiver holds answers back for as long as a Hold of its lives. A
// chain's tick first asks deferTick(): a deferred tick does nothing and
// leaves its timer running, and once the last Hold has ended every deferred
// timer that still runs starts its interval afresh, so that the answers let
// through have a whole interval to be read.
namespace AnswerHold {

class Hold {
public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
};

// True while any receiver holds answers back.
bool active();
// True when the tick of `timer` must wait (and is put off until the hold
// ends); false when it may act now.
bool deferTick(VbTimer* timer);

}  // namespace AnswerHold
