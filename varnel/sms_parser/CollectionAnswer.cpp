#include "CollectionAnswer.h"

#include "AnswerReceiver.h"
#include "AnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/HexText.h"

void installCollectionAnswers(AnswerReceiver& receiver) {
    AnswerReceiver* rx = &receiver;
    receiver.setHandler(AnswerReceiver::CollectionRead, 12, [rx](const QByteArray& frame) {
        const auto answer = CollectionSettings::decodeAnswer(frame);
        // A short answer is dropped and the request stays pending: the page
        // keeps the emptied boxes until a whole answer comes.
        if (!answer) return;
        g::InTableOp = 0;
        g::CommBytes = answer->payload;
        g::RxText.clear();
        for (const char b : answer->payload) g::RxText += ByteToHex2(uint8_t(b)) + QLatin1Char(' ');
        if (AnswerSink* sink = rx->sink()) sink->collectionSettingsRead(*answer);
    });
    receiver.setHandler(AnswerReceiver::CollectionWriteAck, 10, [rx](const QByteArray& frame) {
        const CollectionSettings::Ack ack = CollectionSettings::judgeAck(frame);
        if (ack == CollectionSettings::Ack::Other) return;
        // Answered once: a repeated acknowledgement shows nothing more.
        g::InTableOp = 0;
        if (AnswerSink* sink = rx->sink())
            sink->collectionWriteAcknowledged(ack == CollectionSettings::Ack::Ok);
    });
}
