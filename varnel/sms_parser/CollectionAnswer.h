#pragma once

#include <QByteArray>

#include "core/protocol/CollectionSettings.h"

class AnswerReceiver;

// What the settings form takes from the answers to the collection settings
// requests: the settings read back, and the verdict on a write. Part of the
// receiver's sink; empty by default so that a sink may ignore them.
class CollectionSink {
public:
    virtual ~CollectionSink() = default;
    virtual void collectionSettingsRead(const CollectionSettings::Answer& /*answer*/) {}
    // ok: "SETOK:", else "SETFAIL:".
    virtual void collectionWriteAcknowledged(bool /*ok*/) {}
};

// Installs the receiver's handlers of the collection settings: the read
// answer (A8 while InTableOp is 12) and the write acknowledgement (A8 while
// InTableOp is 11), and an A8 answer that only a collection request still
// awaits. The acknowledgement is a step of its own: it never touches a table
// transfer.
void installCollectionAnswers(AnswerReceiver& receiver);
// An A8 answer that a collection request still awaits (g::CollectionDue),
// wherever InTableOp routes A8 by now (a table transfer pressed right after
// the collection's button): taken as that answer and true, or false.
bool takeCollectionAnswer(AnswerReceiver& receiver, const QByteArray& frame);
// A collection read still awaits its answer.
bool collectionReadDue();
