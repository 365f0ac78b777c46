#include <QLineEdit>
#include <memory>

#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "core/Routines.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "core/protocol/SettingsRecords.h"
#include "platform/Dialogs.h"

// Alarm and output settings answers (B4/A5, B5/A7): states 21 to 26.
//
// A write is acknowledged by a status byte 03 and the text "SETOK:" or
// "SETFAIL:" (states 21, 22); a read is answered by a header (status, L =
// block length + 1, checksum C) and the block (states 23/24 alarm, 25/26
// output), which goes back into the controls it was built from.

namespace {

enum : int {
    WriteStatus = 21,
    WriteText = 22,
    AlarmHeader = 23,
    AlarmBlock = 24,
    OutputHeader = 25,
    OutputBlock = 26
};

const QByteArray kOk = QByteArrayLiteral("SETOK:");
const QByteArray kFail = QByteArrayLiteral("SETFAIL:");

void tell(SmsAnswerReceiver& rx, const QString& text) {
    Dialogs::msgBox(rx.form(), text, QStringLiteral("提示"), Dialogs::Icon::Information);
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

// The block is exactly the L - 1 bytes the header announced; whatever
// follows it belongs to the next answer.
template <class Apply>
void block(SmsAnswerReceiver& rx, Apply apply) {
    const int n = int(g::PhoneTableHdr[1]) - 1;
    const QByteArray b = n > 0 ? rx.read() : QByteArray();
    g::CommBytes = b;
    SettingsForm* form = rx.form();
    if (SumCheck8(b, 0, long(b.size())) != g::PhoneTableHdr[2]) {
        tell(rx, QStringLiteral("读取参数失败"));
    } else if (form) {
        apply(*form, b);
        tell(rx, QStringLiteral("读取参数成功"));
    }
    finish(rx);
}

}  // namespace

void installSettingsAnswers(SmsAnswerReceiver& receiver) {
    // The acknowledgement text as far as it has come; it lives as long as
    // the receiver's steps.
    auto ack = std::make_shared<QByteArray>();

    receiver.registerState(WriteStatus, [ack](SmsAnswerReceiver& rx) {
        const QByteArray b = rx.read();
        if (b.isEmpty()) return;
        // Any other status byte is passed over; the next one is looked at.
        if (uint8_t(b[0]) != 0x03) return;
        ack->clear();
        rx.goTo(WriteText, int(kOk.size()));
    });

    // Judged on the text's first bytes only: "SETOK:" needs six of them,
    // "SETFAIL:" eight, which may come in more than one delivery.
    receiver.registerState(
        WriteText,
        [ack](SmsAnswerReceiver& rx) {
            ack->append(rx.read());
            if (ack->startsWith(kOk)) {
                tell(rx, QStringLiteral("设置成功"));
            } else if (ack->startsWith(kFail)) {
                tell(rx, QStringLiteral("设置失败"));
            } else if (kOk.startsWith(*ack)) {
                rx.setReadN(int(kOk.size() - ack->size()));
                return;
            } else if (kFail.startsWith(*ack)) {
                rx.setReadN(int(kFail.size() - ack->size()));
                return;
            }
            ack->clear();
            finish(rx);
        },
        SmsAnswerReceiver::Wait::Quiet);

    receiver.registerState(AlarmHeader, [](SmsAnswerReceiver& rx) {
        header(rx, AlarmBlock);
        if (g::RxState == AlarmBlock && g::PhoneTableHdr[1] <= 1)
            block(rx, [](SettingsForm& f, const QByteArray& b) {
                f.alarmTab->applyRecord(SettingsRecords::decodeAlarmBlock(b));
            });
    });
    receiver.registerState(AlarmBlock, [](SmsAnswerReceiver& rx) {
        block(rx, [](SettingsForm& f, const QByteArray& b) {
            f.alarmTab->applyRecord(SettingsRecords::decodeAlarmBlock(b));
        });
    });

    receiver.registerState(OutputHeader, [](SmsAnswerReceiver& rx) {
        header(rx, OutputBlock);
        if (g::RxState == OutputBlock && g::PhoneTableHdr[1] <= 1)
            block(rx, [](SettingsForm& f, const QByteArray& b) {
                f.outputTab->applyRecord(SettingsRecords::decodeOutputBlock(b));
            });
    });
    receiver.registerState(OutputBlock, [](SmsAnswerReceiver& rx) {
        block(rx, [](SettingsForm& f, const QByteArray& b) {
            f.outputTab->applyRecord(SettingsRecords::decodeOutputBlock(b));
        });
    });
}
