#pragma once

#include <QByteArray>

class CommPort;
class GprsAnswerSink;

// Where a receiver takes its bytes from: what waits, one read of the armed
// count, and arming (the next read takes n bytes, and the next receive
// event comes when n wait).
class GprsByteSource {
public:
    virtual ~GprsByteSource() = default;
    virtual int waiting() const = 0;
    virtual QByteArray read() = 0;
    virtual void arm(int n) = 0;
};

// The serial port as a byte source: arming sets the receive threshold and
// the read length.
class CommPortByteSource : public GprsByteSource {
public:
    explicit CommPortByteSource(CommPort* port) : m_port(port) {}
    int waiting() const override;
    QByteArray read() override;
    void arm(int n) override;

private:
    CommPort* m_port;
};

// `GprsAnswerParser`: everything the GPRS data module sends while its
// settings form is open (RecvMode 111). Each step reads exactly the bytes
// the step before armed and waits, without taking anything, until they are
// there; the next receive event continues it. g::GprsParamMode picks the
// configuration answers or the data terminal's answers before every step;
// both share g::RxState. Decoded values go to the sink.
class GprsAnswerParser {
public:
    GprsAnswerParser(GprsByteSource* source, GprsAnswerSink* sink) : m_source(source), m_sink(sink) {}

    void setSink(GprsAnswerSink* sink) { m_sink = sink; }
    GprsAnswerSink* sink() const { return m_sink; }

    // One receive event: steps while bytes wait and the step can act.
    void receive();

private:
    bool step();
    bool configStep();
    bool dataStep();
    bool formattedStep();
    bool passiveStep();
    void goTo(int state, int n);
    // The armed bytes when that many wait (n > 1), else an empty array.
    QByteArray take(int n);

    GprsByteSource* m_source;
    GprsAnswerSink* m_sink;
};
