#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <map>

#include "core/protocol/DispatchTable.h"

class AnswerSink;

// ParseModuleAnswer: the walk over one quiet-time window (g::RxBuf). It
// parses only while g::ParamMode holds. The frame at byte 0 is checked
// (0x1A, the rest of the preamble), its answer code chooses the handler
// (A8 / A5 by g::InTableOp, A9 by g::OutTableOp, D9 by g::PhoneTableOp),
// and then the rest of the window is searched for a further 0x1A with at
// least 9 bytes behind it, which is walked the same way.
//
// A handler takes its bytes by offset from the frame start and is called
// only when the window holds every byte it reads (its minimum length); a
// shorter frame is dropped whole. A handler for a frame of varying length
// checks the rest itself. Nothing here waits, pumps events or drains the
// port.
class AnswerReceiver {
public:
    // A frame handler: the window from the frame's 0x1A on.
    using Handler = std::function<void(const QByteArray& frame)>;

    // RxState values of the answer kinds (the states the walk dispatches to).
    enum State : int {
        Hunt = 0,
        Dispatch = 1,
        TextStart = 30,
        Preamble = 100,
        ModuleNotice = 2,     // FD
        WorkMode = 3,         // F8
        TransMode = 4,        // F9
        ReceiverNumber = 5,   // A2
        PasswordUse = 6,      // A1
        Password = 7,         // F1
        Version = 8,          // EC
        Address = 9,          // E2
        BaudWritten = 10,     // F2
        RestartTime = 11,     // A3
        SubMode = 12,         // FB
        AddressLayout = 13,   // E1
        PowerSaving = 14,     // D3
        WakeDelays = 15,      // D2
        PhoneTable = 16,      // D9, then by PhoneTableOp
        WakeMode = 20,        // DB
        InRowWriteAck = 21,   // A8 / A5: row or collection write acknowledged
        InRowRead = 23,       // A8 / A5: input-parsing row read back
        OutRowRead = 25,      // A9: command row read back
        OutRowWriteAck = 27,  // A9: command row write acknowledged
        TableClearAck = 29,   // A8 / A9: table cleared
        FlashSize = 32,       // AB
        CollectionRead = 33,  // A8: collection settings read back
        CollectionWriteAck = 35,  // A8: collection settings write acknowledged
        CollectionDue = 37,       // A8 that no table operation awaits: a collection answer or nothing
    };

    explicit AnswerReceiver(AnswerSink* sink = nullptr);
    virtual ~AnswerReceiver();

    AnswerSink* sink() const { return m_sink; }
    void setSink(AnswerSink* sink) { m_sink = sink; }

    // Walks g::RxBuf. At the end the window is used up (a single 0 byte).
    void receive();

    // The state an answer code leads to now (the operation flags decide for
    // A8, A5 and A9); Hunt drops the frame.
    static int stateFor(uint8_t code);
    // Answer code -> state, and the bytes after the code its handler reads.
    static const DispatchTable& dispatchTable();

    // Replaces the handler of a state; minBytes is a frame length the
    // window must hold before it is called (besides what the dispatch table
    // says the answer reads).
    void setHandler(int state, int minBytes, Handler handler);
    bool hasHandler(int state) const { return m_handlers.count(state) != 0; }

    // Frames handed to a handler since construction.
    int framesHandled() const { return m_handled; }

private:
    struct Entry {
        int minBytes = 10;
        Handler handler;
    };

    void walkFrame();
    // Index of the next frame start in g::RxBuf after index 0, or -1.
    static int nextFrameStart();
    void installHandlers();
    // Parameter answers (ParamAnswers.cpp).
    void moduleNotice(const QByteArray& frame);
    void paramAnswer(const QByteArray& frame);
    void addressLayout(const QByteArray& frame);
    void flashSize(const QByteArray& frame);
    // Phone-table answers (PhoneTableAnswers.cpp).
    void phoneTable(const QByteArray& frame);
    void phoneTableRead(const QByteArray& frame);
    void phoneTableAck(const QByteArray& frame, bool clear);
    // The table handlers, filled by the table transfers.
    void inRowWriteAck(const QByteArray& frame);
    void inRowRead(const QByteArray& frame);
    void outRowWriteAck(const QByteArray& frame);
    void outRowRead(const QByteArray& frame);
    void tableClearAck(const QByteArray& frame);

    AnswerSink* m_sink = nullptr;
    std::map<int, Entry> m_handlers;
    int m_handled = 0;
};
