// The phone-table answers (D9): the table after a read, the acknowledgement
// of a write or a clear, told apart by PhoneTableOp while one request is out
// (g::PhoneTableOutstanding), by the answer's own first bytes while more are.

#include "AnswerReceiver.h"
#include "AnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/Answers.h"
#include "core/protocol/PhoneCodec.h"

namespace {

constexpr int kEntriesAt = 12;
// A clear acknowledgement is read only from a window of this many bytes.
constexpr int kClearAckBytes = 16;

}  // namespace

void AnswerReceiver::phoneTable(const QByteArray& frame) {
    int& out = g::PhoneTableOutstanding;
    int op = g::PhoneTableOp;
    const int named = PhoneCodec::answeredOperation(frame.mid(10, 2));
    // A table's header may begin "SE" or "CL" too (a checksum, and a count
    // past 20 that reads as an empty table); an acknowledgement goes on as
    // one.
    const Answers::Verdict v = named == 1   ? Answers::judgeTableAck(frame.mid(10), "SETOK:", "SETFAIL:")
                               : named == 2 ? Answers::judgeTableAck(frame.mid(10), "CLROK:", "CLRFAIL:")
                                            : Answers::Verdict::Other;
    const bool ack = v == Answers::Verdict::Ok || v == Answers::Verdict::Fail;
    if ((out & (out - 1)) != 0 || ((out & 1) != 0 && ack)) {
        // More than one request is out (a write or a clear, and a read right
        // behind it), or a read is out and an acknowledgement comes (a copy
        // of one already taken): the answer says which it answers; one that
        // answers nothing still out changes nothing.
        op = named;
        if ((out >> op & 1) == 0) return;
    }
    if (op >= 0 && op <= 2) out &= ~(1 << op);
    switch (op) {
        case 0:
            phoneTableRead(frame);
            break;
        case 1:
            phoneTableAck(frame, false);
            break;
        case 2:
            phoneTableAck(frame, true);
            break;
        default:
            break;
    }
}

void AnswerReceiver::phoneTableRead(const QByteArray& frame) {
    const auto header = Answers::decodePhoneTableHeader(frame.mid(10, 2));
    if (!header) return;
    if (header->empty()) {
        if (m_sink) m_sink->phoneTableEmpty();
        return;
    }
    // Every entry the count announces must be in the window; nothing is
    // written from a table that was cut short.
    if (frame.size() < kEntriesAt + PhoneCodec::EntryBytes * header->count) return;
    // The checksum covers the count and the table's 120 bytes, never a
    // frame that came right behind it.
    const Answers::PhoneTable t =
        Answers::decodePhoneTable(*header, frame.mid(kEntriesAt, PhoneCodec::TableBytes));
    g::RxText.clear();
    if (!t.checksumOk) {
        if (m_sink) m_sink->phoneTableCorrupt();
        return;
    }
    if (m_sink) m_sink->phoneTableRead(t.numbers);
}

void AnswerReceiver::phoneTableAck(const QByteArray& frame, bool clear) {
    if (clear && frame.size() < kClearAckBytes) return;
    const QByteArray text = frame.mid(10);
    const Answers::Verdict v = clear ? Answers::judgeTableAck(text, "CLROK:", "CLRFAIL:")
                                     : Answers::judgeTableAck(text, "SETOK:", "SETFAIL:");
    g::RxText.clear();
    if (!m_sink) return;
    if (v == Answers::Verdict::Ok)
        m_sink->phoneTableAck(clear ? PhoneTableAck::ClearOk : PhoneTableAck::WriteOk);
    else if (v == Answers::Verdict::Fail)
        m_sink->phoneTableAck(clear ? PhoneTableAck::ClearFailed : PhoneTableAck::WriteFailed);
}
