#include "AnswerReceiver.h"

#include <algorithm>

#include "AnswerSink.h"
#include "CollectionAnswer.h"
#include "TableRequests.h"
#include "core/Globals.h"
#include "core/protocol/Frames.h"
#include "core/protocol/TableRows.h"

namespace {

// A further frame is taken when at least this many bytes follow its 0x1A
// (the shortest answer: preamble, code, status).
constexpr int kMinBehindStart = 9;

uint8_t at(const QByteArray& b, int i) { return i >= 0 && i < b.size() ? uint8_t(b[i]) : 0; }

// A clear's answer names itself: it goes to the clear still awaited,
// whatever a transfer or collection request pressed behind the clear routes
// that table's answers to by now.
bool awaitedClearAnswer(const QByteArray& frame) {
    const uint8_t code = at(frame, 8);
    const int due = code == protocol::kInputTableCode ? 1 : code == protocol::kCommandTableCode ? 2 : 0;
    if (!(g::TableClearDue & due)) return false;
    const QByteArray text = frame.mid(10);
    return text.startsWith("CLROK:") || text.startsWith("CLRFAIL:");
}

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

const DispatchTable& AnswerReceiver::dispatchTable() {
    // The readN of an entry: the bytes a handler reads after the answer
    // code (the status byte included); the window must hold them.
    static const DispatchTable table = [] {
        using E = DispatchTable::Entry;
        DispatchTable t;
        t.add(0xFD, ModuleNotice, 1)
            .add(0xF8, WorkMode, 2)
            .add(0xF9, TransMode, 2)
            .add(0xA2, ReceiverNumber, 7)
            .add(0xA1, PasswordUse, 2)
            .add(0xF1, Password, 5)
            .add(0xEC, Version, 12)
            .add(0xE2, Address, 3)
            .add(0xF2, BaudWritten, 1)
            .add(0xA3, RestartTime, 5)
            .add(0xFB, SubMode, 2)
            .add(0xE1, AddressLayout, 5)
            .add(0xD3, PowerSaving, 2)
            .add(0xD2, WakeDelays, 5)
            .add(0xD9, PhoneTable, 1)
            .add(0xDB, WakeMode, 2)
            .add(0xAB, FlashSize, 3);
        t.addChosen(0xA8, [] {
            switch (g::InTableOp) {
                case 1: return E{InRowWriteAck, 1};
                case 11: return E{CollectionWriteAck, 1};
                case 2: return E{InRowRead, 1};
                case 4: return E{TableClearAck, 1};
                case 12: return E{CollectionRead, 1};
                // A transfer that ended (or never began) after a collection
                // request went out leaves the answer to that request.
                default: return E{g::CollectionDue != 0 ? CollectionDue : Hunt, 1};
            }
        });
        t.addChosen(0xA5, [] { return E{g::InTableOp == 1 ? InRowWriteAck : InRowRead, 1}; });
        t.addChosen(0xA9, [] {
            switch (g::OutTableOp) {
                case 1:
                    return E{OutRowWriteAck, 1};
                case 2:
                    return E{OutRowRead, 1};
                case 4:
                    return E{TableClearAck, 1};
                default:
                    return E{Hunt, 1};
            }
        });
        return t;
    }();
    return table;
}

int AnswerReceiver::stateFor(uint8_t code) {
    const auto e = dispatchTable().find(code);
    return e ? e->state : int(Hunt);
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
    if (!Frames::hasPreambleAt(frame, 0) || frame.size() < 9) {
        g::RxState = Hunt;
        return;
    }
    g::RxState = Dispatch;
    const auto route = dispatchTable().find(at(frame, 8));
    const bool clear = awaitedClearAnswer(frame);
    const int state = clear ? int(TableClearAck) : route ? route->state : int(Hunt);
    if (!clear && TableRequests::dropAnswer(frame)) {
        g::RxState = Hunt;
        return;
    }
    const auto it = m_handlers.find(state);
    const qsizetype needed =
        std::max<qsizetype>(9 + (route ? route->readN : 0), it == m_handlers.end() ? 0 : it->second.minBytes);
    if (state == Hunt || it == m_handlers.end() || frame.size() < needed) {
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
    // The minimum lengths come from the dispatch table.
    auto param = [this](const QByteArray& f) { paramAnswer(f); };
    for (int state : {WorkMode, TransMode, ReceiverNumber, PasswordUse, Password, Version, Address,
                      BaudWritten, RestartTime, SubMode, PowerSaving, WakeDelays, WakeMode})
        setHandler(state, 0, param);
    setHandler(ModuleNotice, 0, [this](const QByteArray& f) { moduleNotice(f); });
    setHandler(AddressLayout, 0, [this](const QByteArray& f) { addressLayout(f); });
    setHandler(FlashSize, 0, [this](const QByteArray& f) { flashSize(f); });
    setHandler(PhoneTable, 0, [this](const QByteArray& f) { phoneTable(f); });
    setHandler(InRowWriteAck, 10, [this](const QByteArray& f) { inRowWriteAck(f); });
    setHandler(InRowRead, 10, [this](const QByteArray& f) { inRowRead(f); });
    setHandler(OutRowWriteAck, 10, [this](const QByteArray& f) { outRowWriteAck(f); });
    setHandler(OutRowRead, 10, [this](const QByteArray& f) { outRowRead(f); });
    setHandler(TableClearAck, 10, [this](const QByteArray& f) { tableClearAck(f); });
    installCollectionAnswers(*this);
}
