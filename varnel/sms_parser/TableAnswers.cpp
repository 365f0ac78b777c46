// The answers of the table transfers and the collection settings. Each
// handler gets the frame from its 0x1A on; the table transfers fill them.

#include "AnswerReceiver.h"

void AnswerReceiver::inRowWriteAck(const QByteArray& /*frame*/) {}
void AnswerReceiver::inRowRead(const QByteArray& /*frame*/) {}
void AnswerReceiver::outRowWriteAck(const QByteArray& /*frame*/) {}
void AnswerReceiver::outRowRead(const QByteArray& /*frame*/) {}
void AnswerReceiver::tableClearAck(const QByteArray& /*frame*/) {}
void AnswerReceiver::collectionRead(const QByteArray& /*frame*/) {}
