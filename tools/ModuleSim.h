#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <functional>

#include "platform/VirtualClock.h"

class QSocketNotifier;

// A module on the far end of a pseudo-terminal. The slave side is linked as
// "com<n>" in a ports folder, so the programs open it as COMn; the master side
// is serviced here, in the thread that called start(), by socket notifiers.
//
// Every received byte is recorded with its arrival time. Received bytes are
// cut into requests: a request that begins with the frame preamble has a
// length known from its code and operation byte (see setRequestLength());
// anything else ends after a quiet time. Each request goes to the handler of
// its code (the handshake and identify answers are built in), or, when it has
// no preamble, to the fallback handler.
//
// Its timing (answer delays, piece gaps, the quiet time, elapsedMs()) runs on
// the VirtualClock while a test has one (see platform/VirtualClock.h).
class ModuleSim : public QObject {
    Q_OBJECT
public:
    enum class Kind { Sms, Gprs, Qv7351 };

    // The values the built-in handshake and identify answers carry.
    struct Identity {
        uint8_t probeStatus = 0x00;     // status byte of the FD answer
        uint8_t hsStatus1 = 0x00;       // FD answer, frame byte 10
        uint8_t hsStatus2 = 0x00;       // FD answer, frame byte 11 (80h: data communication)
        uint8_t identifyStatus = 0x00;  // status byte of the identify answers
        uint8_t workMode = 0x01;        // F8: 0 passive, other active
        uint8_t transMode = 0x00;       // F9: 0 transparent, 1 formatted
        QByteArray version;             // EC: 11 bytes (padded with blanks or cut)
        uint8_t blockD6 = 0x00;         // D6
        uint8_t moduleType = 0x02;      // D1: 1 the GPRS model, other the SMS model
    };
    static Identity preset(Kind kind);

    // How answers go out. Raw send() and sendChunks() bypass all of it.
    struct Behaviour {
        bool silent = false;  // answer nothing
        int delayMs = 0;      // before each answer
        int chunkSize = 0;    // > 0: split each answer into pieces of this many bytes
        int chunkGapMs = 0;   // between those pieces
        QByteArray junk;      // sent just before each answer
    };

    // What becomes of one answer (answer() and everything built on it):
    // tests choose it per answer, with queueFates() or setFatePolicy().
    struct Fate {
        enum Kind { OnTime, Late, Split, Glued, Repeated, Missing };
        Kind kind = OnTime;
        // Late: this much later than it would have gone. Glued: the longest
        // it waits for the next answer to go out with; alone after that.
        int delayMs = 0;
        // Split: the answer goes out in this many pieces, gapMs apart.
        int pieces = 2;
        // Split: between the pieces. Repeated: between the copies.
        int gapMs = 0;
        // Repeated: copies sent in all, the first one on time.
        int copies = 2;
        // Sent just before the answer, in the same delivery (a notice the
        // module raises in the middle of a chain, line noise).
        QByteArray before;

        static Fate onTime() { return {}; }
        static Fate late(int ms) { return make(Late, ms, 2, 0, 2); }
        static Fate split(int pieces, int gapMs) { return make(Split, 0, pieces, gapMs, 2); }
        static Fate glued(int maxWaitMs) { return make(Glued, maxWaitMs, 2, 0, 2); }
        static Fate repeated(int copies, int gapMs) { return make(Repeated, 0, 2, gapMs, copies); }
        static Fate missing() { return make(Missing, 0, 2, 0, 2); }
        static Fate make(Kind kind, int delayMs, int pieces, int gapMs, int copies) {
            Fate f;
            f.kind = kind;
            f.delayMs = delayMs;
            f.pieces = pieces;
            f.gapMs = gapMs;
            f.copies = copies;
            return f;
        }
        Fate withBefore(const QByteArray& bytes) const {
            Fate f = *this;
            f.before = bytes;
            return f;
        }
        // "late 700 ms", "split in 3, 40 ms apart", "on time, FD notice first".
        QString describe() const;
    };
    struct FateRecord {
        qint64 atMs = 0;
        QByteArray answer;
        Fate fate;
    };

    struct Record {
        qint64 atMs = 0;  // on elapsedMs()'s clock; for a request, its first byte
        QByteArray bytes;
    };

    using Handler = std::function<void(ModuleSim&, const QByteArray& request)>;

    explicit ModuleSim(QObject* parent = nullptr);
    ~ModuleSim() override;

    Identity identity = preset(Kind::Sms);
    Behaviour behaviour;

    void setKind(Kind kind) { identity = preset(kind); }

    // Opens a pseudo-terminal and links portsDir/com<comNumber> to its slave
    // side (an existing link is replaced). False with errorText() on failure.
    bool start(const QString& portsDir, int comNumber = 1);
    // Closes the line, removes the link, drops pending output.
    void stop();
    // Closes the master side and points the link at a device that is not
    // there (slavePath() names it): the program sees the other end of its
    // line go away, and a reopen finds no device until start() again.
    void closeLine();
    bool isRunning() const { return m_master >= 0; }
    QString linkPath() const { return m_linkPath; }
    QString slavePath() const { return m_slavePath; }
    QString errorText() const { return m_error; }

    // The line settings the program gave the port, as "9600,n,8,1" (a rate
    // outside the standard list shows as 0).
    QString lineSettingsText() const;

    // Milliseconds since start().
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }

    // Writes raw bytes at once.
    void send(const QByteArray& bytes);
    // Writes the first piece at once and each further one gapMs later.
    void sendChunks(const QList<QByteArray>& pieces, int gapMs);
    // Writes bytes as fast as the program takes them off the line, however
    // many: nothing is lost to a full line buffer. Bytes streamed are written
    // in order after any earlier ones; streamed() counts those written (they
    // are not kept in sent()).
    void stream(const QByteArray& bytes);
    bool streaming() const { return !m_stream.isEmpty(); }
    qint64 streamed() const { return m_streamed; }
    // Sends an answer as the behaviour says (silence, delay, junk, chunks)
    // and as its fate says (below).
    void answer(const QByteArray& bytes);
    // Fates of the coming answers, in order; after them the policy decides,
    // and without one an answer goes out on time.
    void queueFates(const QList<Fate>& fates) { m_fates.append(fates); }
    void setFatePolicy(std::function<Fate(const QByteArray& answer)> policy) { m_fatePolicy = std::move(policy); }
    void clearFates();
    int queuedFates() const { return int(m_fates.size()); }
    // Every answer made, with the fate it met, in order.
    const QList<FateRecord>& fateLog() const { return m_fateLog; }
    // An answer glued to the next one is still held back.
    bool holdingGlued() const { return !m_glued.isEmpty(); }
    // The next `count` answers are held back and go out joined, as one
    // delivery, when the last of them is made (so two answers can reach the
    // program in one receive window). Silence still applies to each.
    void gatherAnswers(int count);
    // Sends what is gathered so far at once and stops gathering.
    void flushGathered();
    // Answers held back by gatherAnswers() and not yet sent.
    int gatheredCount() const { return m_gatheredCount; }
    // True while answers or chunks are still queued for sending.
    bool sending() const { return !m_outgoing.isEmpty(); }

    // The far end: while this says no one has the line open, what the
    // module sends is lost (counted in lostTotal()), as on a real line,
    // instead of waiting in the pseudo-terminal for the next open. Tests
    // that count bytes across a close set it (tests/support VirtualTime).
    void setListenerProbe(std::function<bool()> probe) { m_listening = std::move(probe); }
    // Bytes written to the line since start() (streamed ones included), and
    // bytes lost because no one listened.
    quint64 sentTotal() const { return m_sentTotal; }
    quint64 lostTotal() const { return m_lostTotal; }

    // Replaces (or adds) the answer to requests with this command code; an
    // empty handler leaves such requests unanswered.
    void setHandler(uint8_t code, Handler handler);
    // Takes requests with this code and operation byte before the code's
    // own handler; an empty handler removes the entry.
    void setOpHandler(uint8_t code, uint8_t op, Handler handler);
    // Requests without the preamble.
    void setFallbackHandler(Handler handler) { m_fallback = std::move(handler); }
    // Back to the built-in handshake and identify answers only.
    void resetHandlers();

    // A preamble request with this code and operation byte is `length` bytes
    // long; op -1 stands for every operation byte not listed on its own.
    void setRequestLength(uint8_t code, int op, int length);
    // Quiet time that ends a request of unknown length (default 20 ms).
    void setQuietTimeMs(int ms) { m_quietMs = ms; }

    // What arrived: every read as it came, all bytes, and the requests.
    QList<Record> receivedChunks() const { return m_chunks; }
    QByteArray received() const { return m_received; }
    // Bytes received since start, clearRecorded() notwithstanding.
    quint64 receivedTotal() const { return m_receivedTotal; }
    QList<Record> requests() const { return m_requests; }
    QByteArray sent() const { return m_sent; }
    // Forgets the records above and the fate log (the totals stay).
    void clearRecorded();

    // Frames as the module builds them.
    static QByteArray preambleBytes();
    static QByteArray answerFrame(uint8_t code, uint8_t status, const QByteArray& payload);

signals:
    void bytesReceived(const QByteArray& bytes);
    // An answer was made; its fate is the last entry of fateLog().
    void answerMade();
    void requestReceived(const QByteArray& request);
    void lineClosed();

private:
    struct Outgoing {
        qint64 due = 0;
        QByteArray bytes;
    };

    void onMasterReadable();
    void splitRequests();
    void takeRequest(qsizetype length);
    void dispatch(const QByteArray& request);
    void enqueue(qint64 due, const QByteArray& bytes);
    void deliver(const QByteArray& whole, int extraDelayMs = 0, int pieces = 0, int gapMs = 0);
    Fate nextFate(const QByteArray& answer);
    void releaseGlued();
    bool listening() const { return !m_listening || m_listening(); }
    void pumpOutgoing();
    void writeMaster(const QByteArray& bytes);
    void pumpStream();
    int requestLength(uint8_t code, uint8_t op) const;
    void installDefaultHandlers();
    void removeLink();
    void closeFds();

    int m_master = -1;
    int m_slaveKeeper = -1;
    QSocketNotifier* m_notifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_stream;
    qsizetype m_streamAt = 0;
    qint64 m_streamed = 0;
    QString m_linkPath;
    QString m_slavePath;
    QString m_error;
    ClockElapsed m_clock;

    QList<Record> m_chunks;
    QByteArray m_received;
    quint64 m_receivedTotal = 0;
    QList<Record> m_requests;
    QByteArray m_sent;

    QByteArray m_pending;
    QList<qint64> m_pendingTimes;
    ClockShot m_quietTimer;
    int m_quietMs = 20;

    QHash<uint8_t, Handler> m_handlers;
    QHash<int, Handler> m_opHandlers;  // key: code << 8 | op
    Handler m_fallback;
    QHash<int, int> m_lengths;  // key: code << 9 | (op + 1)

    int m_gatherLeft = 0;
    int m_gatheredCount = 0;
    QByteArray m_gathered;

    QList<Outgoing> m_outgoing;
    ClockShot m_sendTimer;

    QQueue<Fate> m_fates;
    std::function<Fate(const QByteArray&)> m_fatePolicy;
    QList<FateRecord> m_fateLog;
    QByteArray m_glued;
    ClockShot m_glueTimer;

    std::function<bool()> m_listening;
    quint64 m_sentTotal = 0;
    quint64 m_lostTotal = 0;
};
