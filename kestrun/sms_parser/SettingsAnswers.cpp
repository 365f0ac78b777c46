#include <memory>

#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "core/protocol/Answers.h"
#include "core/protocol/SettingsRecords.h"

// Alarm and output settings answers (B4/A5, B5/A7): states 21 to 26.
//
// A write is acknowledged by a status byte 03 and the text "SETOK:" or
// "SETFAIL:" (states 21, 22); a read is answered by a header (status, L =
// block length + 1, checksum C) and the block (states 23/24 alarm, 25/26
// output), which is decoded and goes back into the controls it was built
// from.

namespace {

enum : int {
    WriteStatus = 21,
    WriteText = 22,
    AlarmHeader = 23,
    AlarmBlock = 24,
    OutputHeader = 25,
    OutputBlock = 26
};

// Six bytes of "SETOK:": the first read of the acknowledgement text.
constexpr int kOkBytes = 6;

void tell(SmsAnswerReceiver& rx, const QString& text) {
    rx.tell(text, QStringLiteral("提示"), SmsAnswerHost::Icon::Information);
}

// Nothing of a settings answer is meant for the test tab's display.
void finish(SmsAnswerReceiver& rx) {
    g::RxText.clear();
    rx.toHunt();
}

void header(SmsAnswerReceiver& rx, int blockState) {
    const QByteArray h = rx.read();
    for (int i = 0; i < 3 && i < h.size(); ++i) g::PhoneTableHdr[i] = uint8_t(h[i]);
    // A read of 0 would take everything waiting, the next answer too: an
    // empty block is judged at once instead.
    const int n = int(g::PhoneTableHdr[1]) - 1;
    if (n > 0) {
        rx.goTo(blockState, n);
        return;
    }
    g::RxState = blockState;
    g::CommBytes.clear();
}

void show(SmsAnswerReceiver& rx, bool alarm, const QByteArray& b, bool good) {
    g::CommBytes = b;
    SmsAnswerSink* sink = rx.sink();
    if (!good) {
        tell(rx, QStringLiteral("读取参数失败"));
        return;
    }
    if (!sink) return;
    if (alarm) {
        SettingsRecords::AlarmBlock decoded = SettingsRecords::decodeAlarmBlock(b);
        if (rx.readChannel() >= 0) decoded.channel = rx.readChannel();
        sink->applyAlarmBlock(decoded);
    } else {
        SettingsRecords::OutputBlock decoded = SettingsRecords::decodeOutputBlock(b);
        if (rx.readChannel() >= 0) decoded.channel = rx.readChannel();
        sink->applyOutputBlock(decoded);
    }
    tell(rx, QStringLiteral("读取参数成功"));
}

// The block is exactly the L - 1 bytes the header announced; whatever
// follows it belongs to the next answer.
void block(SmsAnswerReceiver& rx, bool alarm) {
    const int n = int(g::PhoneTableHdr[1]) - 1;
    const QByteArray b = n > 0 ? rx.read() : QByteArray();
    const bool good = Answers::blockChecksumOk(b, g::PhoneTableHdr[2]);
    // What may be a repeat of the last answer waits for the write's
    // acknowledgement to tell.
    if (rx.settleReadBlock(alarm, b, good)) show(rx, alarm, b, good);
    finish(rx);
}

void alarmBlock(SmsAnswerReceiver& rx) { block(rx, true); }
void outputBlock(SmsAnswerReceiver& rx) { block(rx, false); }

}  // namespace

void installSettingsAnswers(SmsAnswerReceiver& receiver) {
    // The acknowledgement text as far as it has come; it lives as long as
    // the receiver's steps.
    auto ack = std::make_shared<QByteArray>();
    receiver.setHeldBlockShower(show);

    receiver.registerState(WriteStatus, [ack](SmsAnswerReceiver& rx) {
        const QByteArray b = rx.read();
        if (b.isEmpty()) return;
        // Any other status byte is passed over; the next one is looked at.
        if (uint8_t(b[0]) != 0x03) return;
        ack->clear();
        rx.goTo(WriteText, kOkBytes);
    });

    // Judged on the text's first bytes only: "SETOK:" needs six of them,
    // "SETFAIL:" eight, which may come in more than one delivery.
    receiver.registerState(
        WriteText,
        [ack](SmsAnswerReceiver& rx) {
            ack->append(rx.read());
            const Answers::SettingsAck verdict = Answers::judgeSettingsAck(*ack);
            if (verdict.verdict == Answers::Verdict::Ok || verdict.verdict == Answers::Verdict::Fail) {
                tell(rx, verdict.verdict == Answers::Verdict::Ok ? QStringLiteral("设置成功")
                                                                 : QStringLiteral("设置失败"));
                ack->clear();
                rx.skipAcknowledgementTail();
                return;
            } else if (verdict.verdict == Answers::Verdict::Wait) {
                rx.setReadN(verdict.moreBytes);
                return;
            }
            ack->clear();
            finish(rx);
        },
        SmsAnswerReceiver::Wait::Quiet);

    receiver.registerState(AlarmHeader, [](SmsAnswerReceiver& rx) {
        header(rx, AlarmBlock);
        if (g::RxState == AlarmBlock && g::PhoneTableHdr[1] <= 1) alarmBlock(rx);
    });
    receiver.registerState(AlarmBlock, alarmBlock);

    receiver.registerState(OutputHeader, [](SmsAnswerReceiver& rx) {
        header(rx, OutputBlock);
        if (g::RxState == OutputBlock && g::PhoneTableHdr[1] <= 1) outputBlock(rx);
    });
    receiver.registerState(OutputBlock, outputBlock);
}
