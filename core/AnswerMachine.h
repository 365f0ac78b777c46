#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

class ByteSource;
class VbTimer;

// The shared frame of a receiver that takes a module's answers as the port
// delivers them (threshold events): the hunt for the start of a frame, the
// preamble check, the dispatch by answer code, the re-entry guard, the
// quiet rule for answers of no fixed length and the stall guard. A program
// supplies its dispatch table, its listed states and the steps of its
// answers; it never pumps events and never sleeps. Its state lives in
// g::RxState and the source's read length, so a frame that comes in pieces
// is continued by the next call of receive().
//
// A state step is called when it can act:
//  - Wait::Count: once as many bytes wait as the state's read N (the
//    source's read length); a read length of 0 ("everything waiting") is
//    judged as Wait::Quiet.
//  - Wait::Quiet: at once when the full read N waits, otherwise once the
//    line has been quiet for 50 ms with at least one byte waiting; quiet()
//    then tells the step that nothing more is coming for now.
// A step that reads nothing, keeps its state and its read N is waiting and
// is called again on the next arrival (or quiet spell). A step that throws
// sends the machine back to the hunt; the receiver goes on.
class AnswerMachine : public QObject {
    Q_OBJECT
public:
    enum : int { Hunt = 0, Dispatch = 1, Preamble = 100 };
    enum class Wait { Count, Quiet };
    using Step = std::function<void(AnswerMachine&)>;

    // Quiet spell that lets a short answer be judged whole.
    static constexpr int QuietMs = 50;
    // How often an incomplete answer is checked against the ten-second
    // limit (TenSecondsElapsed).
    static constexpr int StallCheckMs = 250;

    // recvMode: the RecvMode under which the source's owner calls
    // receive(); the quiet and stall timers act only then.
    AnswerMachine(ByteSource* source, int recvMode, QObject* parent = nullptr);
    ~AnswerMachine() override;

    ByteSource* source() const { return m_source; }
    void setSource(ByteSource* source) { m_source = source; }

    // --- registry ---------------------------------------------------------
    // A state not listed (listedState) is refused (false); a listed state
    // without a step resets to the hunt without reading. A later
    // registration replaces an earlier one.
    bool registerState(int rxState, Step step, Wait wait = Wait::Count);
    void unregisterState(int rxState);
    bool hasState(int rxState) const;

    // The machine that takes the bytes while framesActive() is false (it
    // uses g::RxState for its own states). Judged as Wait::Quiet. Without
    // one, what arrives then is read and dropped.
    void setOtherMachine(Step step) { m_otherMachine = std::move(step); }
    bool hasOtherMachine() const { return bool(m_otherMachine); }

    // --- for state steps --------------------------------------------------
    // Bytes waiting at the source.
    int waiting() const;
    // One read (at most read N bytes; all for read 0) into g::CommBytes,
    // which it returns.
    QByteArray read();
    // Reads everything waiting into g::CommBytes.
    QByteArray readAll();
    // Drops everything waiting.
    void dropWaiting();
    // "Read N": receive threshold, then read length, both n.
    void setReadN(int n);
    int readN() const;
    // RxState := state with read n.
    void goTo(int state, int n);
    // Back to the hunt: RxState 0, read 1.
    void toHunt();
    // True while the current step runs because the line went quiet.
    bool quiet() const { return m_quietCall; }

    // --- entry ------------------------------------------------------------
    // Bytes have arrived. Re-entry (a message box of a step delivering
    // events) is refused and what arrives meanwhile is taken afterwards,
    // unless entersDuringStep() lets the answers in at once; until then the
    // answers count as held back (AnswerHold).
    void receive();
    bool running() const { return m_running; }

    // Steps that failed (threw) since start, for diagnostics.
    int failures() const { return m_failures; }
    VbTimer* quietTimer() const { return m_quietTimer; }
    VbTimer* stallTimer() const { return m_stallTimer; }

protected:
    // The program's choices.
    virtual bool listedState(int rxState) const = 0;
    // State and read N an answer code leads to; {Hunt, 1} drops the frame,
    // {Dispatch, 1} skips the code and reads the next byte as the code.
    virtual std::pair<int, int> route(uint8_t code) const = 0;
    // The hunt found a byte other than 0x1A: the state and read N it starts,
    // or {Hunt, 1} to pass it over.
    virtual std::pair<int, int> startOther(uint8_t /*byte*/) const { return {Hunt, 1}; }
    // The hunt has found 0x1A, the start of a frame.
    virtual void frameStarting() {}
    // Frames are read only while this holds; otherwise the other machine
    // takes the bytes.
    virtual bool framesActive() const { return true; }
    // True for a receiver whose steps leave the machine at the hunt before
    // they open a box: answers that arrive while it is open are read then.
    virtual bool entersDuringStep() const { return false; }
    // A pass over the waiting bytes begins, whatever started it (an
    // arrival, a quiet spell, the stall guard): before any step runs.
    virtual void passStarting() {}

private:
    struct Entry {
        Step step;
        Wait wait = Wait::Count;
    };

    void runPass(bool quietCall);
    bool stepOnce();
    bool runStep(const Step& step, Wait wait);
    bool stepHunt();
    bool stepPreamble();
    bool stepDispatch();
    void stampWait();
    bool quietRuleNow() const;
    void afterPass();
    void onQuietTick();
    void onStallTick();

    ByteSource* m_source;
    int m_recvMode;
    std::map<int, Entry> m_states;
    Step m_otherMachine;
    VbTimer* m_quietTimer = nullptr;
    VbTimer* m_stallTimer = nullptr;
    bool m_running = false;
    bool m_again = false;
    bool m_againQuiet = false;
    bool m_quietCall = false;
    // The last step waited under the quiet rule with bytes short.
    bool m_quietWait = false;
    // Bumped by every read through this class, to tell a step that read
    // from one that waited.
    quint64 m_reads = 0;
    // Waiting count as the receiver last left it: a larger count means new
    // bytes, which restart the quiet spell.
    int m_lastCount = 0;
    int m_failures = 0;
};
