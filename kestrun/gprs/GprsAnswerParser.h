#pragma once

#include <QByteArray>
#include <cstdint>
#include <utility>

#include "core/AnswerMachine.h"

class ByteSource;
class GprsAnswerSink;
class VbTimer;

// `GprsAnswerParser`: everything the GPRS data module sends while its
// settings form is open (RecvMode 111). The shared machine hunts for the
// frame start, checks the preamble and dispatches by answer code; each
// configuration answer's step reads exactly the bytes its code announced
// (the machine waits until they are there) and hands the decoded values to
// the sink. An unknown code is skipped and the next byte read as the code.
// While g::GprsParamMode is false the data terminal's answers (passive,
// formatted, transparent) take the bytes instead, one step at a time, in
// the same g::RxState.
class GprsAnswerParser : public AnswerMachine {
    Q_OBJECT
public:
    GprsAnswerParser(ByteSource* source, GprsAnswerSink* sink, QObject* parent = nullptr);
    ~GprsAnswerParser() override;

    // The sink showed the received block: the data half hunts again. An
    // answer of the settings half that a read sequence began meanwhile reads
    // on, and a frame start held to see what follows it is still owed.
    void receivedShown();

    // The port was opened again after its line went: an answer cut short
    // then is over, and nothing sent before is owed any more.
    void restart();

    // A passive answer held, and what came behind it, are read now as if
    // the rest could not come any more (the read sequence is about to count
    // its request answered or not).
    void readHeld();

    // How long a passive answer may pause between its pieces.
    static constexpr int AnswerGapMs = 200;

    void setSink(GprsAnswerSink* sink) { m_sink = sink; }
    GprsAnswerSink* sink() const { return m_sink; }

protected:
    bool listedState(int rxState) const override;
    std::pair<int, int> route(uint8_t code) const override;
    // A passive answer still owed that arrives while the configuration
    // answers are read (a read sequence pressed after 读取数据).
    std::pair<int, int> startOther(uint8_t byte) const override;
    bool framesActive() const override;
    bool entersDuringStep() const override { return true; }
    // Before any step, whether bytes arrived or the line went quiet: a
    // state the other half left (an answer cut short when a read sequence
    // began or ended) is dropped first, as each half reads only frames it
    // began itself. A passive answer still owed, held or under way, goes on
    // in the new half.
    void passStarting() override { followHalf(); }

private:
    // The half g::GprsParamMode chose when it changed since the last call.
    void followHalf();
    void configStep();
    void dataStep();
    void formattedStep();
    // The passive answer's steps; `base` 0 in the data half, else the
    // offset of the same steps among the configuration states.
    void passiveStep(int base);
    // The request the passive answer beginning now belongs to: the oldest
    // owed, or the last one sent when none is owed.
    int takeOwedOp();
    // With more than one request owed, the passive answer whose address has
    // come is held until the line is quiet; then it is read as the owed
    // request under which the held bytes are whole answers. Those passed
    // over are owed nothing any more. The same in both halves.
    void heldAnswer(bool gapOver = false);
    // One step of the configuration half over the bytes still held there.
    void heldConfigStep();
    // After a passive answer read in the configuration half, the byte that
    // follows it: its CR, or the start of what comes next.
    void afterPassiveAnswer(uint8_t byte, int headChars);
    // A frame start in the data half while a given-up read's answer may
    // still come: false, with nothing done, when that is not so.
    bool lateFrameStarts(uint8_t byte);
    // The bytes after such a frame start (fewer than seven once the line
    // went quiet): a frame, or data with the start among them.
    void lateHead(const QByteArray& in);
    // A frame start with nothing after it, once the line is quiet: data.
    void lateStartAlone();
    // The armed bytes when that many wait (held ones first), else nothing
    // (nothing read).
    QByteArray take(int n);
    // Back to the hunt; with the next read step of the form's read sequence
    // when the answer sets one.
    void answered(uint8_t code, uint8_t value);
    // A received data byte onto g::RxText, whose first `headChars` (the
    // frame head the display decodes) stay whatever the bound takes.
    void receivedByte(uint8_t byte, int headChars);

    GprsAnswerSink* m_sink;
    bool m_configHalf = false;
    qint64 m_cutBytes = 0;  // taken from the middle of the block being received
    bool m_lateFrame = false;  // the data half hands a given-up read's answer to the configuration steps
    VbTimer* m_lateStartQuiet = nullptr;
    VbTimer* m_heldGap = nullptr;  // a held answer's pieces may still come
    // The passive request the answer being read belongs to, whether one
    // sent was owed it, and the data bytes of a read answer so far.
    int m_answerOp = 0;
    bool m_answerOwed = false;
    qint64 m_dataCount = 0;
    // The answer was told from the others by its length: a read's data end
    // there, and what follows is the next answer.
    bool m_answerSized = false;
    QByteArray m_held;  // bytes of a held answer not read yet
};
