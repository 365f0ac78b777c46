#include <QByteArray>
#include <memory>

#include "Outstanding.h"
#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "core/protocol/Answers.h"
#include "core/protocol/PhoneCodec.h"

// Phone-number table answers (code D9): states 16 to 19 and 28. The answer
// does not say which request it answers; g::PhoneTableOp, set by the button
// that sent the request, does.
namespace {

enum : int { Operation = 16, Header = 17, Entries = 18, WriteAck = 19, ClearAck = 28 };

using Answers::Verdict;
using Icon = SmsAnswerHost::Icon;

// An acknowledgement is judged on its first six bytes, eight for a refusal.
constexpr int kAckBytes = 6;

// The acknowledgement text gathered so far: a refusal may arrive in pieces.
struct AckText {
    QByteArray text;
};

void say(SmsAnswerReceiver& rx, const char* text, const char* title, Icon icon) {
    rx.tell(QString::fromUtf8(text), QString::fromUtf8(title), icon);
}

void takeHeader(SmsAnswerReceiver& rx, const QByteArray& bytes) {
    const auto header = Answers::decodePhoneTableHeader(bytes);
    if (!header) {
        rx.toHunt();
        return;
    }
    g::PhoneTableHdr[0] = header->checksum;
    g::PhoneTableHdr[1] = header->count;
    if (header->empty()) {
        rx.setReadN(0);
        say(rx, "号码表空", "提示", Icon::Information);
        if (SmsAnswerSink* sink = rx.sink()) sink->clearPhoneTable();
        // The entries that follow are hunted through.
        rx.toHunt();
        return;
    }
    // Exactly the twenty entries: whatever follows them belongs to the
    // next answer.
    rx.goTo(Entries, PhoneCodec::TableBytes);
}

// The operation the answer is read as and the two bytes read after its
// status, when more than one request may be answered: an acknowledgement
// begins "SE" or "CL", which no table's header can (its count would pass
// 20).
int readWhichIsAnswered(SmsAnswerReceiver& rx, QByteArray& two) {
    const QByteArray b = rx.read();  // the status, never examined, and two more
    two = b.mid(1, 2);
    const int op = two == "SE" ? 1 : two == "CL" ? 2 : 0;
    // An acknowledgement or a table nobody waits for is none of theirs.
    return Outstanding::tableAnswered(g::PhoneTableOutstanding, g::PhoneTableGivenUp, op);
}

void stepOperation(SmsAnswerReceiver& rx, AckText& ack) {
    ack.text.clear();
    int op = g::PhoneTableOp;
    QByteArray two;
    const bool kept = rx.tableRequestsKept();
    if (kept || Outstanding::several(g::PhoneTableOutstanding) || g::PhoneTableGivenUp != 0 ||
        Outstanding::has(g::PhoneTableOutstanding, 0)) {
        // Once the form's requests are counted, any answer may be a copy of
        // one already taken (the module sends some twice), ahead of the
        // answer of the request out: the answer's first bytes tell which
        // this is, and whose.
        if (rx.readN() != 3) {
            rx.setReadN(3);
            return;
        }
        op = readWhichIsAnswered(rx, two);
    } else {
        rx.read();  // the status byte, never examined
        Outstanding::answered(g::PhoneTableOutstanding, op);
    }
    switch (op) {
        case 0:
            if (two.isEmpty())
                rx.goTo(Header, 2);
            else
                takeHeader(rx, two);
            break;
        case 1:
        case 2:
            ack.text = two;
            rx.goTo(op == 1 ? WriteAck : ClearAck, kAckBytes - int(two.size()));
            break;
        default:
            // Nothing that is out: hunted through, an acknowledgement's
            // tail with it.
            if (two == "SE" || two == "CL")
                rx.skipAcknowledgementTail();
            else
                rx.toHunt();
            break;
    }
}

void stepHeader(SmsAnswerReceiver& rx) { takeHeader(rx, rx.read()); }

void stepEntries(SmsAnswerReceiver& rx) {
    const QByteArray entries = rx.read();
    if (entries.size() < PhoneCodec::TableBytes) {
        rx.toHunt();
        return;
    }
    const Answers::PhoneTable table =
        Answers::decodePhoneTable({g::PhoneTableHdr[0], g::PhoneTableHdr[1]}, entries);
    g::RxByteIndex = table.sum;
    if (table.checksumOk) {
        if (SmsAnswerSink* sink = rx.sink()) {
            sink->applyPhoneTable(table.numbers);
            if (!table.numbers.isEmpty()) g::RxByteIndex = int(table.numbers.size());
        }
    } else {
        say(rx, "号码表结构错误", "提示", Icon::Information);
    }
    g::RxText.clear();
    rx.toHunt();
}

// Gathers the acknowledgement; true once it can be judged. Only the bytes
// the verdict needs are read: the rest is the acknowledgement's tail, or
// the next answer.
bool gather(SmsAnswerReceiver& rx, AckText& ack, const QByteArray& ok, const QByteArray& fail, Verdict& v) {
    ack.text += rx.read();
    v = Answers::judgeTableAck(ack.text, ok, fail);
    if (v == Verdict::Wait)
        rx.setReadN(int(ack.text.size() < kAckBytes ? kAckBytes : fail.size()) - int(ack.text.size()));
    return v != Verdict::Wait;
}

void judged(SmsAnswerReceiver& rx, Verdict v) {
    if (v == Verdict::Other) {
        g::RxText.clear();
        rx.toHunt();
    } else {
        rx.skipAcknowledgementTail();
    }
}

void stepWriteAck(SmsAnswerReceiver& rx, AckText& ack) {
    Verdict v;
    if (!gather(rx, ack, "SETOK:", "SETFAIL:", v)) return;
    ack.text.clear();
    if (v == Verdict::Ok)
        say(rx, "电话号码表设置成功", "提示！！", Icon::Information);
    else if (v == Verdict::Fail)
        say(rx, "电话号码表设置错误 ", "提示！！", Icon::Exclamation);
    judged(rx, v);
}

void stepClearAck(SmsAnswerReceiver& rx, AckText& ack) {
    Verdict v;
    if (!gather(rx, ack, "CLROK:", "CLRFAIL:", v)) return;
    ack.text.clear();
    if (v == Verdict::Ok) {
        say(rx, "清空号码表成功", "提示！！", Icon::Information);
        if (SmsAnswerSink* sink = rx.sink()) sink->clearPhoneTable();
    } else if (v == Verdict::Fail) {
        say(rx, "清空号码表失败", "提示！！", Icon::Exclamation);
    }
    judged(rx, v);
}

}  // namespace

void installPhoneTableAnswers(SmsAnswerReceiver& receiver) {
    using W = SmsAnswerReceiver::Wait;
    auto ack = std::make_shared<AckText>();
    receiver.registerAnswerHandler(0xD9, [ack](SmsAnswerReceiver& rx) { stepOperation(rx, *ack); });
    receiver.registerState(Header, stepHeader);
    receiver.registerState(Entries, stepEntries);
    receiver.registerState(
        WriteAck, [ack](SmsAnswerReceiver& rx) { stepWriteAck(rx, *ack); }, W::Quiet);
    receiver.registerState(
        ClearAck, [ack](SmsAnswerReceiver& rx) { stepClearAck(rx, *ack); }, W::Quiet);
}
