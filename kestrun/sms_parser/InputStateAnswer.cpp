#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "core/protocol/Answers.h"

// The input-state text that begins with "<": state 30. The "<" was taken by
// the hunt; the state character follows, possibly in a later delivery,
// which the quiet rule waits for.
void installInputStateAnswer(SmsAnswerReceiver& receiver) {
    receiver.registerState(
        SmsAnswerReceiver::InputText,
        [](SmsAnswerReceiver& rx) {
            // The text is what waits up to a frame that came right behind
            // it (the answer to a request sent just after the query): that
            // frame is the next answer's, read from its start.
            QByteArray b;
            bool frameBehind = false;
            rx.setReadN(1);
            while (rx.waiting() > 0) {
                const QByteArray c = rx.read();
                if (c.isEmpty()) break;
                if (uint8_t(c[0]) == 0x1A) {
                    frameBehind = true;
                    break;
                }
                b += c;
            }
            g::CommBytes = b;
            if (b.isEmpty() && !frameBehind) return;
            // Only an outstanding query is answered; a stray "<" text is
            // read and dropped.
            SmsAnswerSink* sink = rx.sink();
            if (g::DIChannel == 0x98 && sink) {
                if (const auto text = Answers::decodeInputState(sink->inputStateChannel(), b))
                    sink->showInputState(*text);
            }
            g::DIChannel = 0;
            if (frameBehind)
                rx.goTo(AnswerMachine::Preamble, 7);
            else
                rx.toHunt();
        },
        SmsAnswerReceiver::Wait::Quiet);
}
