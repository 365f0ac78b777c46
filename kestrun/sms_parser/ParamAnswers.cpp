// Short parameter answers: states 2 to 15 and 20. Each is decoded, shown on
// the settings form and proposes the refresh's next query in RefreshStep.
// The same handler serves the answer to a query and the echo of a write.
#include <memory>

#include "Outstanding.h"
#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "core/protocol/Answers.h"

namespace {

using Rx = SmsAnswerReceiver;
using Kind = Answers::ParamAnswer::Kind;

void tellIdentityAck(Rx& rx, const Answers::IdentityAck& ack);

// The last identity write has had its acknowledgement and nothing came
// since: a further acknowledgement is its repeat, which answers nothing.
// Kept by each receiver (its answer handlers), never across two.
bool repeatedAck(bool ackedWrite) { return ackedWrite && !Outstanding::has(g::IdentityOutstanding, 1); }
// An acknowledgement is told unless it is such a repeat.
void ackAnswered(Rx& rx, const QByteArray& text, bool& ackedWrite) {
    if (!repeatedAck(ackedWrite)) tellIdentityAck(rx, Answers::decodeIdentityAck(text));
    if (Outstanding::has(g::IdentityOutstanding, 1)) ackedWrite = true;
    Outstanding::answered(g::IdentityOutstanding, 1);
}

// The refresh's next query, as an answer proposes it: the query out has
// had its answer. While a refresh runs, an answer of another code (a
// write's echo that came after the refresh started, before or among its
// queries) moves nothing: the refresh would skip the queries between.
void propose(uint8_t code, int step) {
    if (g::RefreshQuery == 0) {
        g::RefreshStep = step;
        return;
    }
    if (g::RefreshQuery != code) return;
    g::RefreshStep = step;
    g::RefreshQuery = Outstanding::kRefreshNothingOut;
}

void apply(Rx& rx, const Answers::ParamAnswer& a) {
    if (SmsAnswerSink* sink = rx.sink()) sink->applyParamAnswer(a);
}

void onModuleStatus(Rx& rx) {
    const Answers::ParamAnswer a = Answers::decodeParamAnswer(0xFD, rx.read());
    if (a.value == 1) {
        rx.tell(QStringLiteral("模块初始化已经完成，您可以设置参数了"), QStringLiteral("提示信息"));
        rx.toHunt();
    } else if (a.value == 2 || a.value == 3) {
        rx.toHunt();
    }
    // Any other status: the next byte is taken as a status in the same way.
}

// The answers whose proposal for the refresh is made before they are shown.
void onProposedFirst(Rx& rx, uint8_t code) {
    const Answers::ParamAnswer a = Answers::decodeParamAnswer(code, rx.read());
    if (a.kind == Kind::WorkMode) g::WorkModeByte[0] = a.value;
    propose(code, a.refreshStep);
    apply(rx, a);
    rx.toHunt();
}

// The answers shown before their proposal is made. Showing happens while
// RxState is still the answer's state: list clicks that would send or open
// something stay out of it.
void onShownFirst(Rx& rx, uint8_t code) {
    const Answers::ParamAnswer a = Answers::decodeParamAnswer(code, rx.read());
    if (a.kind == Kind::TransMode) g::TransModeByte[0] = a.value;
    apply(rx, a);
    if (a.refreshStep >= 0) propose(code, a.refreshStep);
    rx.toHunt();
}

void tellIdentityAck(Rx& rx, const Answers::IdentityAck& ack) {
    if (ack.ok)
        rx.tell(QStringLiteral("设置成功"), QStringLiteral("提示！！"), SmsAnswerHost::Icon::Information);
    if (ack.fail)
        rx.tell(QStringLiteral("设置错误 "), QStringLiteral("提示！！"), SmsAnswerHost::Icon::Exclamation);
}

// Twelve bytes are the version; a shorter text, judged once the line has
// gone quiet, acknowledges the identity write.
void onVersion(Rx& rx, bool& ackedWrite) {
    const int waiting = rx.waiting();
    if (waiting >= 12) {
        ackedWrite = false;
        Outstanding::answered(g::IdentityOutstanding, 0);
        onShownFirst(rx, 0xEC);
        return;
    }
    if (!rx.quiet() || waiting < 6) return;  // more may come
    // Read and shown here only: the communication test's text stays as it was.
    ackAnswered(rx, rx.readAll(), ackedWrite);
    rx.toHunt();
}

// The identity write and the version query both out: the answer's text
// says which it is, read as far as it goes and no further, since the other
// answer may follow in the same delivery.
void onVersionOrAck(Rx& rx, QByteArray& got, bool& ackedWrite) {
    if (got.isEmpty() && rx.readN() != 7) {
        rx.setReadN(7);  // the status and six characters tell them apart
        return;
    }
    got += rx.read();
    const QByteArray text = got.mid(1);
    for (const QByteArray& word : {QByteArray("SETOK:"), QByteArray("SETFAIL:")}) {
        if (text.startsWith(word)) {
            // A repeated acknowledgement tells nothing and is no version.
            ackAnswered(rx, text.left(word.size()), ackedWrite);
            got.clear();
            rx.skipAcknowledgementTail();
            return;
        }
        if (word.startsWith(text) && text.size() < word.size()) {
            rx.setReadN(int(word.size() - text.size()));
            return;
        }
    }
    if (got.size() < 12) {
        rx.setReadN(12 - int(got.size()));
        return;
    }
    ackedWrite = false;
    Outstanding::answered(g::IdentityOutstanding, 0);
    const Answers::ParamAnswer a = Answers::decodeParamAnswer(0xEC, got);
    got.clear();
    apply(rx, a);
    if (a.refreshStep >= 0) propose(0xEC, a.refreshStep);
    rx.toHunt();
}

void onBaudWritten(Rx& rx) {
    rx.read();
    rx.toHunt();
}

}  // namespace

void installParamAnswers(SmsAnswerReceiver& receiver) {
    auto proposedFirst = [](uint8_t code) { return [code](Rx& rx) { onProposedFirst(rx, code); }; };
    auto shownFirst = [](uint8_t code) { return [code](Rx& rx) { onShownFirst(rx, code); }; };
    receiver.registerAnswerHandler(0xFD, onModuleStatus);
    receiver.registerAnswerHandler(0xF8, proposedFirst(0xF8));
    receiver.registerAnswerHandler(0xF9, shownFirst(0xF9));
    receiver.registerAnswerHandler(0xA2, shownFirst(0xA2));
    receiver.registerAnswerHandler(0xA1, shownFirst(0xA1));
    receiver.registerAnswerHandler(0xF1, shownFirst(0xF1));
    auto versionOrAck = std::make_shared<QByteArray>();
    auto ackedWrite = std::make_shared<bool>(false);
    receiver.registerAnswerHandler(
        0xEC,
        [versionOrAck, ackedWrite](Rx& rx) {
            // An acknowledgement and the next answer right behind it (a
            // table read's) are as long as a version: the text tells them
            // apart, while the write is out or a repeat of its
            // acknowledgement may come.
            const bool ackAndMore =
                (Outstanding::has(g::IdentityOutstanding, 1) || repeatedAck(*ackedWrite)) && rx.waiting() >= 12;
            if (!versionOrAck->isEmpty() || Outstanding::several(g::IdentityOutstanding) || ackAndMore)
                onVersionOrAck(rx, *versionOrAck, *ackedWrite);
            else
                onVersion(rx, *ackedWrite);
        },
        SmsAnswerReceiver::Wait::Quiet);
    receiver.registerAnswerHandler(0xE2, shownFirst(0xE2));
    receiver.registerAnswerHandler(0xF2, onBaudWritten);
    receiver.registerAnswerHandler(0xA3, shownFirst(0xA3));
    receiver.registerAnswerHandler(0xFB, proposedFirst(0xFB));
    receiver.registerAnswerHandler(0xE1, shownFirst(0xE1));
    receiver.registerAnswerHandler(0xD3, proposedFirst(0xD3));
    receiver.registerAnswerHandler(0xD2, shownFirst(0xD2));
    receiver.registerAnswerHandler(0xDB, shownFirst(0xDB));
}
