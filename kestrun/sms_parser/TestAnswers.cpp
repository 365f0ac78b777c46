// Answers on the communication-test tab (the test-answer machine): the
// passive-mode answers to "$" requests, the raw data of the transparent
// mode and the statuses and records of the formatted mode. Short answers
// become a log line and a status word at once; received data is gathered
// in g::RxText for the display of the test tab, which runs once the line
// has been quiet for a while.
#include "SmsAnswerReceiver.h"
#include "core/Globals.h"
#include "core/protocol/Answers.h"
#include "core/protocol/TestFrames.h"

namespace {

enum PassiveState : int {
    PHunt = 0,
    PAddress = 1,
    PAfterAddress = 2,
    PLengthLow = 3,
    PEmptyEnd = 4,
    PData = 5,
    PStatus = 6,
    PRefused = 7,
};
enum FormattedState : int { FHunt = 0, FType = 1, FData = 2 };

constexpr uint8_t Accepted = 0x21;  // "!"
constexpr uint8_t Refused = 0x3F;   // "?"

void logAnswer(SmsAnswerReceiver& rx, const QByteArray& bytes) {
    if (SmsAnswerSink* sink = rx.sink()) sink->logReceived(bytes);
}

void status(SmsAnswerReceiver& rx, const QString& word) { rx.showStatusWord(word); }

void restartDisplay(SmsAnswerReceiver& rx) {
    if (SmsAnswerSink* sink = rx.sink()) sink->restartTestDisplay();
}

QString hexByte(uint8_t b) { return TestFrames::hexText(QByteArray(1, char(b))); }

QByteArray bytes(std::initializer_list<uint8_t> list) {
    QByteArray out;
    for (uint8_t b : list) out.append(char(b));
    return out;
}

// One read of the port; the first byte, or -1 when nothing came.
int readFirst(SmsAnswerReceiver& rx) {
    const QByteArray got = rx.read();
    return got.isEmpty() ? -1 : uint8_t(got.at(0));
}

// The hunt for the start of an answer, and transparent data, take one byte
// at a time, whatever read length an answer cut short (or the parameter
// machine) left behind: a longer read would drop all but its first byte.
int readHuntByte(SmsAnswerReceiver& rx) {
    if (rx.readN() != 1) rx.setReadN(1);
    return readFirst(rx);
}

void passiveStep(SmsAnswerReceiver& rx) {
    uint8_t* f = g::RxFrameFields;  // a1, a2, x, y
    switch (g::RxState) {
        case PHunt: {
            const int b = readHuntByte(rx);
            if (b == Accepted)
                rx.goTo(PAddress, 2);
            else if (b == Refused)
                rx.goTo(PRefused, 3);
            return;  // anything else is dropped
        }
        case PAddress: {
            if (rx.waiting() < 2) return;
            const QByteArray got = rx.read();
            if (got.size() > 0) f[0] = uint8_t(got.at(0));
            if (got.size() > 1) f[1] = uint8_t(got.at(1));
            rx.goTo(PAfterAddress, 1);
            return;
        }
        case PAfterAddress: {
            const int b = readFirst(rx);
            if (b < 0) return;
            switch (g::DollarPendingOp) {
                case 1:
                    f[2] = uint8_t(b);
                    rx.goTo(PLengthLow, 1);
                    break;
                case 2:
                    f[2] = uint8_t(b);
                    rx.goTo(PStatus, 2);
                    break;
                case 3:
                    logAnswer(rx, bytes({Accepted, f[0], f[1], uint8_t(b)}));
                    status(rx, QStringLiteral("格式正确"));
                    g::RxState = PHunt;
                    break;
                default:
                    break;  // no request sent yet: the byte is dropped
            }
            return;
        }
        case PLengthLow: {
            const int b = readFirst(rx);
            if (b < 0) return;
            f[3] = uint8_t(b);
            if (f[2] == 0 && f[3] == 0) {
                rx.goTo(PEmptyEnd, 1);
            } else {
                g::RxText = TestFrames::hexText(bytes({Accepted, f[0], f[1], f[2], f[3]}));
                rx.goTo(PData, 1);
            }
            return;
        }
        case PEmptyEnd: {
            const int b = readFirst(rx);
            if (b < 0) return;
            logAnswer(rx, bytes({Accepted, f[0], f[1], f[2], f[3], uint8_t(b)}));
            status(rx, QStringLiteral("读短信空"));
            rx.toHunt();
            return;
        }
        case PData: {
            const int b = readFirst(rx);
            if (b < 0) return;
            restartDisplay(rx);
            TestFrames::appendReceived(g::RxText, uint8_t(b));
            status(rx, QStringLiteral("接收短信"));
            return;
        }
        case PStatus: {
            if (rx.waiting() < 2) return;
            const QByteArray got = rx.read();
            const uint8_t s = got.size() > 0 ? uint8_t(got.at(0)) : 0;
            const uint8_t t = got.size() > 1 ? uint8_t(got.at(1)) : 0;
            logAnswer(rx, bytes({Accepted, f[0], f[1], f[2], s, t}));
            if (const QString word = Answers::sendStatusWord(s); !word.isEmpty()) status(rx, word);
            rx.toHunt();
            return;
        }
        case PRefused: {
            if (rx.waiting() < 3) return;
            const QByteArray got = rx.read();
            logAnswer(rx, QByteArray(1, char(Refused)) + got.left(3));
            status(rx, QStringLiteral("格式错误"));
            rx.toHunt();
            return;
        }
        default:
            // A state no test answer uses (left by another machine): back to
            // the hunt, or the bytes would wait for ever.
            rx.toHunt();
            return;
    }
}

void transparentStep(SmsAnswerReceiver& rx) {
    const int b = readHuntByte(rx);
    if (b < 0) return;
    // Data that no display is waiting for belongs to no message any more.
    SmsAnswerSink* sink = rx.sink();
    if (!sink || sink->testDisplayIdle()) g::RxText.clear();
    TestFrames::appendReceived(g::RxText, uint8_t(b));
    restartDisplay(rx);
    rx.toHunt();
}

void formattedStep(SmsAnswerReceiver& rx) {
    switch (g::RxState) {
        case FHunt: {
            const int b = readHuntByte(rx);
            if (b == TestFrames::TypeUcs2) {
                g::RxState = FType;
            } else if (b == TestFrames::TypeSingleByte) {
                g::RxText = hexByte(uint8_t(b));
                g::RxState = FData;
            }
            return;
        }
        case FType: {
            const int k = readFirst(rx);
            if (k < 0) return;
            const Answers::FormattedType type = Answers::decodeFormattedType(uint8_t(k));
            if (!type.known) return;  // taken as noise; the next byte is the type again
            if (type.endsAnswer) {
                logAnswer(rx, bytes({TestFrames::TypeUcs2, uint8_t(k)}));
                status(rx, type.word);
                rx.toHunt();
            } else {
                status(rx, type.word);
                g::RxText = TestFrames::hexText(bytes({TestFrames::TypeUcs2, uint8_t(k)}));
                g::RxState = FData;
            }
            return;
        }
        case FData: {
            const int b = readFirst(rx);
            if (b < 0) return;
            TestFrames::appendReceived(g::RxText, uint8_t(b));
            restartDisplay(rx);
            return;
        }
        default:
            rx.toHunt();
            return;
    }
}

void testStep(SmsAnswerReceiver& rx) {
    // A request is waiting to go out: its answer, and anything else, is
    // taken once it has been written and logged.
    if (SmsAnswerSink* sink = rx.sink(); sink && sink->testSendPending()) return;
    if (g::WorkModeByte[0] == 0) {
        passiveStep(rx);
    } else if (g::TransModeByte[0] == 0) {
        transparentStep(rx);
    } else if (g::TransModeByte[0] == 1) {
        formattedStep(rx);
    } else {
        // A transmission mode this console cannot show: what comes is
        // dropped rather than left to surface in a later message.
        rx.dropWaiting();
        rx.toHunt();
    }
}

}  // namespace

void installTestAnswers(SmsAnswerReceiver& receiver) { receiver.setTestAnswerMachine(testStep); }
