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
            const QByteArray b = rx.readAll();
            if (b.isEmpty()) return;
            // Only an outstanding query is answered; a stray "<" text is
            // read and dropped.
            SmsAnswerSink* sink = rx.sink();
            if (g::DIChannel == 0x98 && sink) {
                if (const auto text = Answers::decodeInputState(sink->inputStateChannel(), b))
                    sink->showInputState(*text);
            }
            g::DIChannel = 0;
            rx.toHunt();
        },
        SmsAnswerReceiver::Wait::Quiet);
}
