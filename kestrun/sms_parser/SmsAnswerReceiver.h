#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "SmsAnswerSink.h"
#include "core/AnswerMachine.h"
#include "core/protocol/DispatchTable.h"

class ByteSource;
class VbTimer;

// `ReceiveSmsModuleAnswer`: everything the SMS alarm module sends while the
// settings form is open. Called when the source's threshold is reached
// (RecvMode 101). The machine (AnswerMachine) hunts for the frame start
// (0x1A and the seven further preamble bytes, or "<"), reads the answer
// code and dispatches; what an answer means is handled by state steps that
// each answer family registers in its own file (see the install functions
// at the end). The steps decode what they read and hand it to the sink, the
// settings form.
class SmsAnswerReceiver : public AnswerMachine {
    Q_OBJECT
public:
    enum : int { InputText = 30 };
    using Step = std::function<void(SmsAnswerReceiver&)>;

    SmsAnswerReceiver(ByteSource* source, SmsAnswerHost* host, QObject* parent = nullptr);
    ~SmsAnswerReceiver() override;

    // The settings form while it is loaded, else nullptr: steps must cope
    // with an answer that arrives after the form was closed.
    SmsAnswerSink* sink() const { return m_sink; }
    void setSink(SmsAnswerSink* sink) { m_sink = sink; }
    SmsAnswerHost* host() const { return m_host; }

    // --- registry ---------------------------------------------------------
    // The states a step may be registered for: 2..26, 28 and 30. Any other
    // value is refused (false). A later registration replaces an earlier one.
    bool registerState(int rxState, Step step, Wait wait = Wait::Count);
    // Registers the step for the state the answer code dispatches to (the
    // codes of the short parameter answers and D9). B4/A5/B5/A7 lead to two
    // states by operation: register those with registerState().
    bool registerAnswerHandler(uint8_t code, Step step, Wait wait = Wait::Count);
    static bool isListedState(int rxState);

    // The machine that takes the bytes while g::ParamMode is false (the
    // communication test).
    void setTestAnswerMachine(Step step);
    bool hasTestAnswerMachine() const { return hasOtherMachine(); }

    // The state and read N an answer code leads to, the operation flags
    // (g::AlarmSetOp, g::OutputSetOp) deciding for B4/A5 and B5/A7, or the
    // code itself while a write and a read are both out; {Hunt, 1} for a
    // code not listed.
    static std::pair<int, int> dispatchFor(uint8_t code);

    // An acknowledgement text has been judged: what trails it, up to the
    // next frame start, is none of its own answer. The hunt passes it over
    // as it does any stray byte, and a "<" among it starts no input-state
    // text unless the form asked for one.
    void skipAcknowledgementTail();

    // The block of a settings read, read in full: false when it is held
    // back, else the read has had its answer. A block that may be the
    // repeat of an earlier answer (Outstanding::readBehindWrite) is held
    // for the write's acknowledgement: shown when it has not come within
    // kWriteAckMs, or when a second read answer comes behind the same
    // write (the write never came through and is retired); dropped when it
    // comes after all. A block that may be the answer of a read given up
    // (Outstanding::readsGivenUp), or a repeat of the block last read while
    // a read of another channel is out, is held for kReadLostMs: an answer
    // right behind it shows it was none of the reads out, and it is
    // dropped; else it answers the oldest read not given up, and is shown.
    // So is a repeat of the block last read when one read is out and a
    // write was acknowledged since.
    bool settleReadBlock(bool alarm, const QByteArray& block, bool good);
    static constexpr int kWriteAckMs = 1500;
    using BlockShower = std::function<void(SmsAnswerReceiver&, bool alarm, const QByteArray& block, bool good)>;
    void setHeldBlockShower(BlockShower show) { m_showHeld = std::move(show); }
    // The channel the settings read being answered asked for; -1 unknown.
    int readChannel() const { return m_readChannel; }
    // A settings request of that kind is about to go out. The module
    // answers in turn, so a block held for what comes behind it answers a
    // read sent before this request: it is settled now, as if nothing had
    // followed, and the answer behind it is the new request's. Once one
    // went, an answer of that kind with nothing out (a repeat, or the
    // acknowledgement and read answer sent again together) is dropped,
    // not read by the operation flag.
    void settingsRequestGoing(bool alarm);
    // A phone-table answer has come while a request of the table was out:
    // the form counts them, and from then on an answer with none out (a
    // copy of one already taken) is none.
    bool tableRequestsKept();
    // A new connect, or the settings form gone: the requests out and the
    // blocks held back are dropped, as no one awaits their answers.
    void forgetRequests();

    // Messages and the status bar, through the host (none without one).
    void tell(const QString& text, const QString& title,
              SmsAnswerHost::Icon icon = SmsAnswerHost::Icon::None);
    void showStatusWord(const QString& word);

protected:
    bool listedState(int rxState) const override { return isListedState(rxState); }
    std::pair<int, int> route(uint8_t code) const override;
    std::pair<int, int> startOther(uint8_t byte) const override;
    bool framesActive() const override;
    void frameStarting() override { m_ackTail = false; }

private:
    static AnswerMachine::Step wrap(Step step);

    SmsAnswerSink* m_sink = nullptr;
    SmsAnswerHost* m_host;
    bool m_ackTail = false;
    // A settings read's answer is being read: its block helps to decide
    // which read it answers.
    mutable bool m_readArrived = false;
    // The channel the settings read being read asked for; -1 unknown.
    mutable int m_readChannel = -1;
    struct Held {
        QByteArray block;
        bool good = false;
        // Held for what comes behind it, not for a write's acknowledgement;
        // the reads given up ahead of it then.
        bool doubtful = false;
        int givenUp = 0;
    };
    // Shows or drops the block held; timedOut when nothing came behind it.
    void settleHeld(bool alarm, bool timedOut = false);
    bool takeRead(bool alarm, const QByteArray& block, bool good);
    // The oldest read out has its answer: the channel it asked for.
    void readAnswered(bool alarm);
    // The channel of the read last answered, -1 unknown.
    int m_lastReadChannel[2] = {-1, -1};  // output, alarm
    // A request of that kind went out through the form: from then on the
    // requests out say what an answer is, and with none out it is none.
    bool m_requestsKept[2] = {false, false};
    bool m_tableKept = false;
    // A write of that kind was acknowledged since the last read answer was
    // taken: the module no longer holds that answer's block.
    mutable bool m_writtenSinceRead[2] = {false, false};
    // A write's acknowledgement came while a block was held for one.
    mutable bool m_ackWhileHeld[2] = {false, false};
    std::optional<Held> m_held[2];  // output, alarm
    VbTimer* m_heldTimer[2] = {};
    BlockShower m_showHeld;
};

// Each answer family adds its steps in its own file; the receiver calls
// these once when it is built.
void installParamAnswers(SmsAnswerReceiver& receiver);
void installPhoneTableAnswers(SmsAnswerReceiver& receiver);
void installSettingsAnswers(SmsAnswerReceiver& receiver);
void installInputStateAnswer(SmsAnswerReceiver& receiver);
void installTestAnswers(SmsAnswerReceiver& receiver);
