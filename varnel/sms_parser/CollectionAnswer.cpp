#include "CollectionAnswer.h"

#include "AnswerReceiver.h"
#include "AnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/HexText.h"

namespace {

constexpr int kReadDue = 1;
constexpr int kWriteDue = 2;  // each write out adds one

int writesDue() { return g::CollectionDue / kWriteDue; }

// The read's answer: the payload shown on the page. The operation flag is
// cleared only while it is still the collection's own: a table transfer
// started meanwhile keeps its routing.
void takeRead(AnswerReceiver& rx, const CollectionSettings::Answer& answer) {
    if (g::InTableOp == 12) g::InTableOp = 0;
    g::CollectionDue &= ~kReadDue;
    g::CommBytes = answer.payload;
    g::RxText.clear();
    for (const char b : answer.payload) g::RxText += ByteToHex2(uint8_t(b)) + QLatin1Char(' ');
    if (AnswerSink* sink = rx.sink()) sink->collectionSettingsRead(answer);
}

void takeAck(AnswerReceiver& rx, CollectionSettings::Ack ack) {
    // Each write out is answered once: a repeated acknowledgement shows
    // nothing more, a second write's its own verdict.
    if (writesDue() > 0) g::CollectionDue -= kWriteDue;
    if (g::InTableOp == 11 && writesDue() == 0) g::InTableOp = 0;
    if (AnswerSink* sink = rx.sink()) sink->collectionWriteAcknowledged(ack == CollectionSettings::Ack::Ok);
}

}  // namespace

bool takeCollectionAnswer(AnswerReceiver& rx, const QByteArray& frame) {
    // The module answers in turn: an acknowledgement while a write is due is
    // the write's, a settings answer (of exactly their length) while a read
    // is due is the read's.
    if (writesDue() > 0) {
        const CollectionSettings::Ack ack = CollectionSettings::judgeAck(frame);
        if (ack != CollectionSettings::Ack::Other) {
            takeAck(rx, ack);
            return true;
        }
    }
    if (g::CollectionDue & kReadDue) {
        const auto answer = CollectionSettings::decodeAnswer(frame);
        if (answer && answer->payload.size() == CollectionSettings::PayloadLength) {
            takeRead(rx, *answer);
            return true;
        }
    }
    return false;
}

bool collectionReadDue() { return g::CollectionDue & kReadDue; }

void installCollectionAnswers(AnswerReceiver& receiver) {
    AnswerReceiver* rx = &receiver;
    receiver.setHandler(AnswerReceiver::CollectionRead, 12, [rx](const QByteArray& frame) {
        if (takeCollectionAnswer(*rx, frame)) return;
        const auto answer = CollectionSettings::decodeAnswer(frame);
        // A short answer is dropped and the request stays pending: the page
        // keeps the emptied boxes until a whole answer comes.
        if (answer) takeRead(*rx, *answer);
    });
    receiver.setHandler(AnswerReceiver::CollectionDue, 10,
                        [rx](const QByteArray& frame) { takeCollectionAnswer(*rx, frame); });
    receiver.setHandler(AnswerReceiver::CollectionWriteAck, 10, [rx](const QByteArray& frame) {
        if (takeCollectionAnswer(*rx, frame)) return;
        const CollectionSettings::Ack ack = CollectionSettings::judgeAck(frame);
        if (ack != CollectionSettings::Ack::Other) takeAck(*rx, ack);
    });
}
