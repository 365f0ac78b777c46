#pragma once

#include <QObject>
#include <QPointer>
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "kestrun/settings/SettingsForm.h"

class CommPort;
class MainWindow;
class VbTimer;

// `ReceiveSmsModuleAnswer`: everything the SMS alarm module sends while the
// settings form is open. Fed by the port's receive event (RecvMode 101); it
// never pumps events and never sleeps. Its whole state lives in the shared
// globals (g::RxState, g::CommBytes, the port's read length), so a frame
// that comes in pieces is continued by the next receive event.
//
// The machine itself only hunts for the frame start (0x1A and the seven
// further preamble bytes, or "<"), reads the answer code and dispatches.
// What an answer means is handled by state steps that each answer family
// registers in its own file (see the install functions at the end).
//
// A state step is called when it can act:
//  - Wait::Count: once as many bytes wait as the state's read N (the port's
//    read length); a read length of 0 ("everything waiting") is judged as
//    Wait::Quiet.
//  - Wait::Quiet: at once when the full read N waits, otherwise once the
//    line has been quiet for 50 ms with at least one byte waiting; quiet()
//    then tells the step that nothing more is coming for now.
// A step that reads nothing, keeps its state and its read N is waiting and
// is called again on the next arrival (or quiet spell). A step that throws
// sends the machine back to the hunt; the receiver goes on.
class SmsAnswerReceiver : public QObject {
    Q_OBJECT
public:
    enum : int { Hunt = 0, Dispatch = 1, InputText = 30, Preamble = 100 };
    enum class Wait { Count, Quiet };
    using Step = std::function<void(SmsAnswerReceiver&)>;

    // Quiet spell that lets a short answer be judged whole.
    static constexpr int QuietMs = 50;
    // How often an incomplete answer is checked against the ten-second
    // limit (TenSecondsElapsed).
    static constexpr int StallCheckMs = 250;

    explicit SmsAnswerReceiver(MainWindow* main, QObject* parent = nullptr);
    ~SmsAnswerReceiver() override;

    MainWindow* main() const { return m_main; }
    CommPort* port() const;
    // The settings form while it is loaded, else nullptr: steps must cope
    // with an answer that arrives after the form was closed.
    SettingsForm* form() const { return m_form.data(); }
    void setForm(SettingsForm* form) { m_form = form; }

    // --- registry ---------------------------------------------------------
    // The states a step may be registered for: 2..26, 28 and 30. Any other
    // value is reset to the hunt without reading; so is a listed state with
    // no step yet. Returns false (nothing registered) for other values.
    // A later registration replaces an earlier one.
    bool registerState(int rxState, Step step, Wait wait = Wait::Count);
    // Registers the step for the state the answer code dispatches to (the
    // codes of the short parameter answers and D9). B4/A5/B5/A7 lead to two
    // states by operation: register those with registerState().
    bool registerAnswerHandler(uint8_t code, Step step, Wait wait = Wait::Count);
    void unregisterState(int rxState);
    bool hasState(int rxState) const;
    static bool isListedState(int rxState);

    // The machine that takes the bytes while g::ParamMode is false (it uses
    // g::RxState for its own states). Judged as Wait::Quiet. Without one,
    // what arrives on the test tab is read and dropped.
    void setTestAnswerMachine(Step step) { m_testMachine = std::move(step); }
    bool hasTestAnswerMachine() const { return bool(m_testMachine); }

    // The state and read N an answer code leads to, the operation flags
    // (g::AlarmSetOp, g::OutputSetOp) deciding for B4/A5 and B5/A7;
    // {Hunt, 1} for a code not listed.
    static std::pair<int, int> dispatchFor(uint8_t code);

    // --- for state steps --------------------------------------------------
    // Bytes waiting at the port.
    int waiting() const;
    // One read of the port's input (at most read N bytes; all for read 0)
    // into g::CommBytes, which it returns.
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
    // The receive event. Re-entry (a message box of a step delivering
    // events) is refused; what arrives meanwhile is taken afterwards.
    void receive();
    bool running() const { return m_running; }

    // Steps that failed (threw) since start, for diagnostics.
    int failures() const { return m_failures; }
    VbTimer* quietTimer() const { return m_quietTimer; }
    VbTimer* stallTimer() const { return m_stallTimer; }

private:
    struct Entry {
        Step step;
        Wait wait = Wait::Count;
    };

    void runPass(bool quietCall);
    // One step of the machine; false when it is waiting for bytes.
    bool stepOnce();
    bool runStep(const Step& step, Wait wait);
    bool stepHunt();
    bool stepPreamble();
    bool stepDispatch();
    void stampWait();
    // The current state is judged by quiet spells when short.
    bool quietRuleNow() const;
    void afterPass();
    void onQuietTick();
    void onStallTick();

    MainWindow* m_main;
    QPointer<SettingsForm> m_form;
    std::map<int, Entry> m_states;
    Step m_testMachine;
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

// Each answer family adds its steps in its own file; the receiver calls
// these once when it is built.
void installParamAnswers(SmsAnswerReceiver& receiver);
void installPhoneTableAnswers(SmsAnswerReceiver& receiver);
void installSettingsAnswers(SmsAnswerReceiver& receiver);
void installInputStateAnswer(SmsAnswerReceiver& receiver);
void installTestAnswers(SmsAnswerReceiver& receiver);
