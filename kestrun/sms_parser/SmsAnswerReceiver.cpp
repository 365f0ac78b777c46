#include "SmsAnswerReceiver.h"

#include <utility>

#include "Outstanding.h"
#include "SmsAnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/Frames.h"
#include "platform/VbTimer.h"

namespace {

// Codes of the answers, the state each leads to and its first read.
const DispatchTable& smsDispatch() {
    static const DispatchTable table = [] {
        DispatchTable t;
        const std::pair<uint8_t, int> fixed[] = {
            {0xFD, 2},  {0xF8, 3},  {0xF9, 4},  {0xA2, 5},  {0xA1, 6},  {0xF1, 7},  {0xEC, 8},  {0xE2, 9},
            {0xF2, 10}, {0xA3, 11}, {0xFB, 12}, {0xE1, 13}, {0xD3, 14}, {0xD2, 15}, {0xD9, 16}, {0xDB, 20}};
        for (const auto& [code, state] : fixed) t.add(code, state, Frames::answerReadN(code));
        // The answer to a write and the data of a read: the operation that
        // was sent tells them apart, and the code while either is out; an
        // answer nothing out waits for is dropped.
        const auto chosen = [](int op, int readState) {
            return op < 0    ? DispatchTable::Entry{AnswerMachine::Hunt, 1}
                   : op == 1 ? DispatchTable::Entry{21, 1}
                             : DispatchTable::Entry{readState, 3};
        };
        const auto alarm = [chosen](bool writeCode) {
            return [chosen, writeCode] {
                return chosen(Outstanding::settingsOp(g::AlarmSetOutstanding, g::AlarmSetOp, writeCode), 23);
            };
        };
        const auto output = [chosen](bool writeCode) {
            return [chosen, writeCode] {
                return chosen(Outstanding::settingsOp(g::OutputSetOutstanding, g::OutputSetOp, writeCode), 25);
            };
        };
        t.addChosen(0xB4, alarm(true)).addChosen(0xA5, alarm(false));
        t.addChosen(0xB5, output(true)).addChosen(0xA7, output(false));
        return t;
    }();
    return table;
}

}  // namespace

SmsAnswerReceiver::SmsAnswerReceiver(ByteSource* source, SmsAnswerHost* host, QObject* parent)
    : AnswerMachine(source, 101, parent), m_host(host) {
    setObjectName(QStringLiteral("ReceiveSmsModuleAnswer"));
    installParamAnswers(*this);
    installPhoneTableAnswers(*this);
    installSettingsAnswers(*this);
    installInputStateAnswer(*this);
    installTestAnswers(*this);
    for (bool alarm : {false, true}) {
        VbTimer* t = new VbTimer(this, kWriteAckMs);
        m_heldTimer[alarm] = t;
        connect(t, &VbTimer::tick, this, [this, alarm] { settleHeld(alarm, true); });
    }
}

SmsAnswerReceiver::~SmsAnswerReceiver() = default;

AnswerMachine::Step SmsAnswerReceiver::wrap(Step step) {
    if (!step) return {};
    return [step = std::move(step)](AnswerMachine& m) { step(static_cast<SmsAnswerReceiver&>(m)); };
}

bool SmsAnswerReceiver::isListedState(int s) { return (s >= 2 && s <= 26) || s == 28 || s == InputText; }

bool SmsAnswerReceiver::registerState(int rxState, Step step, Wait wait) {
    return AnswerMachine::registerState(rxState, wrap(std::move(step)), wait);
}

bool SmsAnswerReceiver::registerAnswerHandler(uint8_t code, Step step, Wait wait) {
    if (smsDispatch().isChosen(code)) return false;  // two states by operation
    const int state = dispatchFor(code).first;
    if (state == Hunt) return false;
    return registerState(state, std::move(step), wait);
}

void SmsAnswerReceiver::setTestAnswerMachine(Step step) { setOtherMachine(wrap(std::move(step))); }

std::pair<int, int> SmsAnswerReceiver::dispatchFor(uint8_t code) {
    const auto e = smsDispatch().find(code);
    return e ? std::pair{e->state, e->readN} : std::pair{int(Hunt), 1};
}

std::pair<int, int> SmsAnswerReceiver::route(uint8_t code) const {
    const std::pair<int, int> to = dispatchFor(code);
    m_readArrived = false;
    m_readChannel = -1;
    // An acknowledgement has its write; which read a read's answer answers
    // its block helps to tell. An answer dropped answers nothing.
    if (to.first == Hunt) return to;
    const bool alarm = code == 0xB4 || code == 0xA5;
    if (!alarm && code != 0xB5 && code != 0xA7) return to;
    // The flag alone would read a repeated acknowledgement as a read's
    // header once a read went behind the write.
    if (m_requestsKept[alarm] && (alarm ? g::AlarmSetOutstanding : g::OutputSetOutstanding) == 0)
        return {Hunt, 1};
    if (to.first == 21) {
        Outstanding::answered(alarm ? g::AlarmSetOutstanding : g::OutputSetOutstanding, 1);
        m_writtenSinceRead[alarm] = true;
        if (m_held[alarm] && !m_held[alarm]->doubtful) {
            // The acknowledgement a held block waits for, or that of a
            // write behind its read: what follows it soon tells.
            m_ackWhileHeld[alarm] = true;
            m_heldTimer[alarm]->rearm(Outstanding::kReadLostMs);
        }
    } else {
        m_readArrived = true;
    }
    return to;
}

namespace {
QList<g::SettingsRead>& readsOut(bool alarm) { return alarm ? g::AlarmSetReads : g::OutputSetReads; }
int& settingsOut(bool alarm) { return alarm ? g::AlarmSetOutstanding : g::OutputSetOutstanding; }
}  // namespace

bool SmsAnswerReceiver::settleReadBlock(bool alarm, const QByteArray& block, bool good) {
    QByteArray& read = alarm ? g::AlarmSetRead : g::OutputSetRead;
    if (!std::exchange(m_readArrived, false)) {
        if (good) read = block;
        return true;
    }
    if (m_held[alarm] && m_held[alarm]->doubtful) {
        // An answer right behind one in doubt: the module answers in turn,
        // so that one was the given-up read's, or a repeat, and no one's.
        m_heldTimer[alarm]->setEnabled(false);
        const Held held = *std::exchange(m_held[alarm], std::nullopt);
        if (held.givenUp > 0) Outstanding::readAnswered(settingsOut(alarm), readsOut(alarm));
    } else if (m_held[alarm]) {
        // Behind one held for a write's acknowledgement: with none between
        // them, the module answering in turn says the write never reached
        // it, and the held one is shown; with one, it was a repeat.
        settleHeld(alarm);
    }
    // A read given up may still have its answer come, ahead of the next
    // read's; a copy of the block last read, while a read of another
    // channel is out, or the one read out after a write changed what the
    // module holds, may be a repeat of that answer. Either waits for what
    // comes behind it to tell.
    const QList<g::SettingsRead>& reads = readsOut(alarm);
    const int givenUp = Outstanding::readsGivenUp(reads);
    const bool otherChannel = Outstanding::has(settingsOut(alarm), 0) && !reads.isEmpty() &&
                              m_lastReadChannel[alarm] >= 0 && reads.first().channel != m_lastReadChannel[alarm];
    const bool stale = otherChannel || (m_writtenSinceRead[alarm] && reads.size() == 1);
    if (givenUp > 0 || (stale && !read.isEmpty() && block == read)) {
        m_held[alarm] = Held{block, good, true, givenUp};
        m_heldTimer[alarm]->rearm(Outstanding::kReadLostMs);
        return false;
    }
    return takeRead(alarm, block, good);
}

void SmsAnswerReceiver::readAnswered(bool alarm) {
    m_readChannel = Outstanding::readAnswered(settingsOut(alarm), readsOut(alarm));
    if (m_readChannel >= 0) m_lastReadChannel[alarm] = m_readChannel;
}

bool SmsAnswerReceiver::takeRead(bool alarm, const QByteArray& block, bool good) {
    QByteArray& read = alarm ? g::AlarmSetRead : g::OutputSetRead;
    int& out = settingsOut(alarm);
    // A read's answer ahead of an earlier write's acknowledgement may be
    // the repeat of an earlier read's: it waits for the acknowledgement.
    if (Outstanding::readBehindWrite(out)) {
        if (Outstanding::repeatOfLastRead(block, read)) {
            m_held[alarm] = Held{block, good};
            m_heldTimer[alarm]->rearm(kWriteAckMs);
            return false;
        }
        // Answered ahead of the writes before it: their acknowledgements
        // will not come.
        while (Outstanding::oldest(out) == 1) Outstanding::answered(out, 1);
    }
    readAnswered(alarm);
    if (good) read = block;
    m_writtenSinceRead[alarm] = false;
    return true;
}

void SmsAnswerReceiver::settingsRequestGoing(bool alarm) {
    m_requestsKept[alarm] = true;
    if (m_held[alarm] && m_held[alarm]->doubtful) settleHeld(alarm);
}

bool SmsAnswerReceiver::tableRequestsKept() {
    if (g::PhoneTableOutstanding != 0 || g::PhoneTableGivenUp != 0) m_tableKept = true;
    return m_tableKept;
}

void SmsAnswerReceiver::forgetRequests() {
    g::PhoneTableOutstanding = g::PhoneTableGivenUp = 0;
    g::AlarmSetOutstanding = g::OutputSetOutstanding = 0;
    g::AlarmSetReads.clear();
    g::OutputSetReads.clear();
    g::IdentityOutstanding = 0;
    for (bool alarm : {false, true}) {
        m_heldTimer[alarm]->setEnabled(false);
        m_held[alarm].reset();
        m_lastReadChannel[alarm] = -1;
        m_writtenSinceRead[alarm] = false;
        m_ackWhileHeld[alarm] = false;
    }
    m_readArrived = false;
    m_readChannel = -1;
}

void SmsAnswerReceiver::settleHeld(bool alarm, bool timedOut) {
    m_heldTimer[alarm]->setEnabled(false);
    const std::optional<Held> held = std::exchange(m_held[alarm], std::nullopt);
    const bool ackCame = std::exchange(m_ackWhileHeld[alarm], false);
    if (!held) return;
    int& out = settingsOut(alarm);
    if (held->doubtful) {
        // Nothing came behind it: the reads given up were lost on the line,
        // and it answers the read behind them.
        for (int i = 0; i < held->givenUp; ++i) Outstanding::readAnswered(out, readsOut(alarm));
        if (!takeRead(alarm, held->block, held->good)) return;
    } else {
        if (!Outstanding::readBehindWrite(out)) {
            // An acknowledgement came, and no read answer behind it: it was
            // that of a write sent behind the read, the write ahead was
            // lost, and the held block is the read's answer. That write
            // has since put what the boxes showed into the module, so the
            // block is shown nowhere. With a read answer behind it, the
            // block was a repeat.
            if (!timedOut || !ackCame || Outstanding::oldest(out) != 0 || !Outstanding::has(out, 1)) return;
            readAnswered(alarm);
            Outstanding::answered(out, 1);
            return;
        }
        while (Outstanding::oldest(out) == 1) Outstanding::answered(out, 1);
        readAnswered(alarm);
        if (held->good) (alarm ? g::AlarmSetRead : g::OutputSetRead) = held->block;
        m_writtenSinceRead[alarm] = false;
    }
    if (m_showHeld) m_showHeld(*this, alarm, held->block, held->good);
}

std::pair<int, int> SmsAnswerReceiver::startOther(uint8_t byte) const {
    // Whether the tail came in the acknowledgement's delivery or a later one
    // must not matter, so it is skipped byte by byte, never as "what waits".
    const bool asked = g::DIChannel == 0x98;
    if (byte == '<' && hasState(InputText) && (asked || !m_ackTail)) return {InputText, 0};
    return {Hunt, 1};
}

void SmsAnswerReceiver::skipAcknowledgementTail() {
    g::RxText.clear();
    m_ackTail = true;
    toHunt();
}

bool SmsAnswerReceiver::framesActive() const { return g::ParamMode; }

void SmsAnswerReceiver::tell(const QString& text, const QString& title, SmsAnswerHost::Icon icon) {
    if (m_host) m_host->tell(text, title, icon);
}

void SmsAnswerReceiver::showStatusWord(const QString& word) {
    if (m_host) m_host->showStatusWord(word);
}
