#include "AnswerReceiver.h"

#include "AnswerSink.h"
#include "core/Globals.h"

namespace {

const uint8_t kPreambleTail[7] = {0x2A, 0x3A, 0x4A, 0x5A, 0x6A, 0x7A, 0x8A};
// A further frame is taken when at least this many bytes follow its 0x1A
// (the shortest answer: preamble, code, status).
constexpr int kMinBehindStart = 9;

uint8_t at(const QByteArray& b, int i) { return i >= 0 && i < b.size() ? uint8_t(b[i]) : 0; }

}  // namespace

AnswerReceiver::AnswerReceiver(AnswerSink* sink) : m_sink(sink) { installHandlers(); }

AnswerReceiver::~AnswerReceiver() = default;

void AnswerReceiver::setHandler(int state, int minBytes, Handler handler) {
    if (!handler) {
        m_handlers.erase(state);
        return;
    }
    m_handlers[state] = Entry{minBytes, std::move(handler)};
}

int AnswerReceiver::stateFor(uint8_t code) {
    switch (code) {
        case 0xFD:
            return ModuleNotice;
        case 0xF8:
            return WorkMode;
        case 0xF9:
            return TransMode;
        case 0xA2:
            return ReceiverNumber;
        case 0xA1:
            return PasswordUse;
        case 0xF1:
            return Password;
        case 0xEC:
            return Version;
        case 0xE2:
            return Address;
        case 0xF2:
            return BaudWritten;
        case 0xA3:
            return RestartTime;
        case 0xFB:
            return SubMode;
        case 0xE1:
            return AddressLayout;
        case 0xD3:
            return PowerSaving;
        case 0xD2:
            return WakeDelays;
        case 0xD9:
            return PhoneTable;
        case 0xDB:
            return WakeMode;
        case 0xAB:
            return FlashSize;
        case 0xA8:
            switch (g::InTableOp) {
                case 1:
                case 11:
                    return InRowWriteAck;
                case 2:
                    return InRowRead;
                case 4:
                    return TableClearAck;
                case 12:
                    return CollectionRead;
                default:
                    return Hunt;
            }
        case 0xA5:
            return g::InTableOp == 1 ? InRowWriteAck : InRowRead;
        case 0xA9:
            switch (g::OutTableOp) {
                case 1:
                    return OutRowWriteAck;
                case 2:
                    return OutRowRead;
                case 4:
                    return TableClearAck;
                default:
                    return Hunt;
            }
        default:
            return Hunt;
    }
}

void AnswerReceiver::receive() {
    for (;;) {
        if (!g::ParamMode) return;  // the SMS test tab: the window stays unparsed
        g::RxCount = int(g::RxBuf.size());
        walkFrame();
        const int next = nextFrameStart();
        if (next < 0) break;
        g::RxBuf = g::RxBuf.mid(next);
        g::CommBytes = g::RxBuf;
    }
    g::RxBuf = QByteArray(1, '\0');
    g::RxCount = 1;
}

int AnswerReceiver::nextFrameStart() {
    const int last = int(g::RxBuf.size()) - 1;
    for (g::RxByteIndex = 1; g::RxByteIndex <= last; ++g::RxByteIndex)
        if (at(g::RxBuf, g::RxByteIndex) == 0x1A && last - g::RxByteIndex >= kMinBehindStart)
            return g::RxByteIndex;
    return -1;
}

void AnswerReceiver::walkFrame() {
    const QByteArray& frame = g::RxBuf;
    g::RxState = Hunt;
    const uint8_t first = at(frame, 0);
    if (frame.isEmpty() || (first != 0x1A && first != '<')) return;
    // A text answer that begins with "<" is dropped.
    if (first == '<') return;
    g::RxState = Preamble;
    for (int i = 0; i < 7; ++i) {
        if (at(frame, 1 + i) != kPreambleTail[i]) {
            g::RxState = Hunt;
            return;
        }
    }
    if (frame.size() < 9) {
        g::RxState = Hunt;
        return;
    }
    g::RxState = Dispatch;
    const int state = stateFor(at(frame, 8));
    const auto it = m_handlers.find(state);
    if (state == Hunt || it == m_handlers.end() || frame.size() < it->second.minBytes) {
        // No handler, or a frame the window does not hold whole: dropped.
        g::RxState = Hunt;
        return;
    }
    g::RxState = state;
    ++m_handled;
    // A handler reads its own copy: a message box it shows may not see the
    // window change under it.
    const QByteArray copy = frame;
    const Handler handler = it->second.handler;
    handler(copy);
    g::RxState = Hunt;
}

void AnswerReceiver::installHandlers() {
    setHandler(InRowWriteAck, 10, [this](const QByteArray& f) { inRowWriteAck(f); });
    setHandler(InRowRead, 10, [this](const QByteArray& f) { inRowRead(f); });
    setHandler(OutRowWriteAck, 10, [this](const QByteArray& f) { outRowWriteAck(f); });
    setHandler(OutRowRead, 10, [this](const QByteArray& f) { outRowRead(f); });
    setHandler(TableClearAck, 10, [this](const QByteArray& f) { tableClearAck(f); });
    setHandler(CollectionRead, 10, [this](const QByteArray& f) { collectionRead(f); });
}
