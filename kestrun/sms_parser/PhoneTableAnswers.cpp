#include <QByteArray>
#include <memory>

#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "core/protocol/PhoneCodec.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"

// Phone-number table answers (code D9): states 16 to 19 and 28. The answer
// does not say which request it answers; g::PhoneTableOp, set by the button
// that sent the request, does.
namespace {

enum : int { Operation = 16, Header = 17, Entries = 18, WriteAck = 19, ClearAck = 28 };

// The acknowledgement text gathered so far: a refusal may arrive in pieces.
struct AckText {
    QByteArray text;
};

FlexGrid* phoneGrid(SmsAnswerReceiver& rx) {
    SettingsForm* form = rx.form();
    return form ? form->phoneGrid() : nullptr;
}

void say(SmsAnswerReceiver& rx, const char* text, const char* title, Dialogs::Icon icon) {
    Dialogs::msgBox(rx.form(), QString::fromUtf8(text), QString::fromUtf8(title), icon);
}

// What a gathered acknowledgement amounts to.
enum class Verdict { Wait, Ok, Fail, Other };

Verdict judge(const QByteArray& text, const QByteArray& ok, const QByteArray& fail) {
    // Judged once six bytes are there, except while all there is could
    // still become the refusal ("SETFAI" of "SETFAIL:").
    if (text.size() < 6) return Verdict::Wait;
    if (text.size() < fail.size() && fail.startsWith(text)) return Verdict::Wait;
    if (text.startsWith(ok)) return Verdict::Ok;
    if (text.startsWith(fail)) return Verdict::Fail;
    return Verdict::Other;
}

void stepOperation(SmsAnswerReceiver& rx, AckText& ack) {
    rx.read();  // the status byte, never examined
    ack.text.clear();
    switch (g::PhoneTableOp) {
        case 0:
            rx.goTo(Header, 2);
            break;
        case 1:
            rx.goTo(WriteAck, 0);
            break;
        case 2:
            rx.goTo(ClearAck, 0);
            break;
        default:
            rx.toHunt();
            break;
    }
}

void stepHeader(SmsAnswerReceiver& rx) {
    const QByteArray b = rx.read();
    if (b.size() < 2) {
        rx.toHunt();
        return;
    }
    g::PhoneTableHdr[0] = uint8_t(b.at(0));
    g::PhoneTableHdr[1] = uint8_t(b.at(1));
    const int n = g::PhoneTableHdr[1];
    if (n == 0 || n > PhoneCodec::MaxNumbers) {
        rx.setReadN(0);
        say(rx, "号码表空", "提示", Dialogs::Icon::Information);
        if (FlexGrid* grid = phoneGrid(rx)) grid->setRows(1);
        // The entries that follow are hunted through.
        rx.toHunt();
        return;
    }
    // Exactly the twenty entries: whatever follows them belongs to the
    // next answer.
    rx.goTo(Entries, PhoneCodec::TableBytes);
}

void stepEntries(SmsAnswerReceiver& rx) {
    const QByteArray entries = rx.read();
    if (entries.size() < PhoneCodec::TableBytes) {
        rx.toHunt();
        return;
    }
    const uint8_t n = g::PhoneTableHdr[1];
    g::RxByteIndex = PhoneCodec::tableChecksum(n, entries);
    if (g::RxByteIndex == g::PhoneTableHdr[0]) {
        if (FlexGrid* grid = phoneGrid(rx)) {
            const QStringList numbers = PhoneCodec::tableNumbers(n, entries);
            grid->setRows(int(numbers.size()) + 1);
            for (int r = 1; r <= numbers.size(); ++r) {
                g::RxByteIndex = r;
                grid->setTextMatrix(r, 1, QString::number(r));
                grid->setTextMatrix(r, 2, numbers.at(r - 1));
            }
        }
    } else {
        say(rx, "号码表结构错误", "提示", Dialogs::Icon::Information);
    }
    g::RxText.clear();
    rx.toHunt();
}

// Gathers the acknowledgement; true once it can be judged.
bool gather(SmsAnswerReceiver& rx, AckText& ack, const QByteArray& ok, const QByteArray& fail, Verdict& v) {
    ack.text += rx.readAll();
    v = judge(ack.text, ok, fail);
    return v != Verdict::Wait;
}

void stepWriteAck(SmsAnswerReceiver& rx, AckText& ack) {
    Verdict v;
    if (!gather(rx, ack, "SETOK:", "SETFAIL:", v)) return;
    ack.text.clear();
    if (v == Verdict::Ok)
        say(rx, "电话号码表设置成功", "提示！！", Dialogs::Icon::Information);
    else if (v == Verdict::Fail)
        say(rx, "电话号码表设置错误 ", "提示！！", Dialogs::Icon::Exclamation);
    g::RxText.clear();
    rx.toHunt();
}

void stepClearAck(SmsAnswerReceiver& rx, AckText& ack) {
    Verdict v;
    if (!gather(rx, ack, "CLROK:", "CLRFAIL:", v)) return;
    ack.text.clear();
    if (v == Verdict::Ok) {
        say(rx, "清空号码表成功", "提示！！", Dialogs::Icon::Information);
        if (FlexGrid* grid = phoneGrid(rx)) grid->setRows(1);
    } else if (v == Verdict::Fail) {
        say(rx, "清空号码表失败", "提示！！", Dialogs::Icon::Exclamation);
    }
    g::RxText.clear();
    rx.toHunt();
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
