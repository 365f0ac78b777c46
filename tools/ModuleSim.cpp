#include "ModuleSim.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {

constexpr uint8_t kReadOp = 0x03;

int lengthKey(uint8_t code, int op) { return (int(code) << 9) | (op + 1); }

}  // namespace

ModuleSim::Identity ModuleSim::preset(Kind kind) {
    Identity id;
    switch (kind) {
        case Kind::Sms:
            id.version = QByteArrayLiteral("N310 V4.02 ");
            id.moduleType = 0x02;
            break;
        case Kind::Gprs:
            id.version = QByteArrayLiteral("N320 V4.02 ");
            id.moduleType = 0x01;
            id.hsStatus2 = 0x80;
            break;
        case Kind::Qv7351:
            id.version = QByteArrayLiteral("QV7351-V402");
            id.moduleType = 0x02;
            id.transMode = 0x01;
            break;
    }
    return id;
}

ModuleSim::ModuleSim(QObject* parent) : QObject(parent) {
    m_quietTimer.setObjectName(QStringLiteral("requestQuiet"));
    connect(&m_quietTimer, &ClockShot::timeout, this, [this]() {
        if (!m_pending.isEmpty()) takeRequest(m_pending.size());
    });
    m_sendTimer.setObjectName(QStringLiteral("answerDue"));
    connect(&m_sendTimer, &ClockShot::timeout, this, &ModuleSim::pumpOutgoing);
    m_glueTimer.setObjectName(QStringLiteral("gluedAnswer"));
    connect(&m_glueTimer, &ClockShot::timeout, this, &ModuleSim::releaseGlued);

    // The probe and the identify requests are ten bytes: preamble, code, 03.
    for (uint8_t code :
         {uint8_t(0xFE), uint8_t(0xF8), uint8_t(0xF9), uint8_t(0xEC), uint8_t(0xD6), uint8_t(0xD1)})
        setRequestLength(code, kReadOp, 10);
    installDefaultHandlers();
    m_clock.start();
}

ModuleSim::~ModuleSim() { stop(); }

QByteArray ModuleSim::preambleBytes() { return QByteArray::fromHex("1A2A3A4A5A6A7A8A"); }

QByteArray ModuleSim::answerFrame(uint8_t code, uint8_t status, const QByteArray& payload) {
    QByteArray frame = preambleBytes();
    frame.append(char(code));
    frame.append(char(status));
    frame.append(payload);
    return frame;
}

void ModuleSim::installDefaultHandlers() {
    m_handlers.clear();
    auto oneByte = [](uint8_t code, uint8_t Identity::*field) {
        return [code, field](ModuleSim& sim, const QByteArray& request) {
            if (uint8_t(request.at(9)) != kReadOp) return;
            sim.answer(
                answerFrame(code, sim.identity.identifyStatus, QByteArray(1, char(sim.identity.*field))));
        };
    };
    m_handlers.insert(0xFE, [](ModuleSim& sim, const QByteArray& request) {
        if (uint8_t(request.at(9)) != kReadOp) return;
        QByteArray status;
        status.append(char(sim.identity.hsStatus1));
        status.append(char(sim.identity.hsStatus2));
        sim.answer(answerFrame(0xFD, sim.identity.probeStatus, status));
    });
    m_handlers.insert(0xF8, oneByte(0xF8, &Identity::workMode));
    m_handlers.insert(0xF9, oneByte(0xF9, &Identity::transMode));
    m_handlers.insert(0xD6, oneByte(0xD6, &Identity::blockD6));
    m_handlers.insert(0xD1, oneByte(0xD1, &Identity::moduleType));
    m_handlers.insert(0xEC, [](ModuleSim& sim, const QByteArray& request) {
        if (uint8_t(request.at(9)) != kReadOp) return;
        QByteArray version = sim.identity.version.left(11);
        version.append(QByteArray(11 - version.size(), ' '));
        sim.answer(answerFrame(0xEC, sim.identity.identifyStatus, version));
    });
}

void ModuleSim::resetHandlers() {
    installDefaultHandlers();
    m_opHandlers.clear();
    m_fallback = nullptr;
}

void ModuleSim::setHandler(uint8_t code, Handler handler) { m_handlers.insert(code, std::move(handler)); }

void ModuleSim::setOpHandler(uint8_t code, uint8_t op, Handler handler) {
    const int key = (int(code) << 8) | op;
    if (handler)
        m_opHandlers.insert(key, std::move(handler));
    else
        m_opHandlers.remove(key);
}

void ModuleSim::setRequestLength(uint8_t code, int op, int length) {
    m_lengths.insert(lengthKey(code, op), length);
}

int ModuleSim::requestLength(uint8_t code, uint8_t op) const {
    auto it = m_lengths.constFind(lengthKey(code, op));
    if (it != m_lengths.constEnd()) return *it;
    return m_lengths.value(lengthKey(code, -1), 0);
}

bool ModuleSim::start(const QString& portsDir, int comNumber) {
    stop();
    m_error.clear();
    if (!QDir().mkpath(portsDir)) {
        m_error = QStringLiteral("cannot create %1").arg(portsDir);
        return false;
    }

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        m_error = QStringLiteral("posix_openpt: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        m_error = QStringLiteral("pseudo-terminal set-up: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        ::close(master);
        return false;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    // Raw line, no echo, before the program ever opens it.
    termios tio{};
    if (::tcgetattr(master, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(master, TCSANOW, &tio);
    }
    // Holding the slave open ourselves keeps the master from reading as
    // hung up while the program has the port closed (which would make the
    // notifier fire without end).
    const int keeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);

    const QString link = QDir(portsDir).absoluteFilePath(QStringLiteral("com%1").arg(comNumber));
    const QByteArray linkName = QFile::encodeName(link);
    ::unlink(linkName.constData());
    if (::symlink(name, linkName.constData()) != 0) {
        m_error = QStringLiteral("cannot link %1: %2").arg(link, QString::fromLocal8Bit(strerror(errno)));
        if (keeper >= 0) ::close(keeper);
        ::close(master);
        return false;
    }

    m_master = master;
    m_slaveKeeper = keeper;
    m_slavePath = QString::fromLocal8Bit(name);
    m_linkPath = link;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ModuleSim::onMasterReadable);
    clearRecorded();
    m_clock.start();
    return true;
}

QString ModuleSim::lineSettingsText() const {
    const int fd = m_slaveKeeper >= 0 ? m_slaveKeeper : m_master;
    termios tio{};
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0) return {};
    const struct {
        speed_t code;
        int rate;
    } rates[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
                 {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    int rate = 0;
    for (const auto& r : rates)
        if (::cfgetospeed(&tio) == r.code) rate = r.rate;
    QChar parity = QLatin1Char('n');
    if (tio.c_cflag & PARENB) {
        if (tio.c_cflag & CMSPAR)
            parity = (tio.c_cflag & PARODD) ? QLatin1Char('m') : QLatin1Char('s');
        else
            parity = (tio.c_cflag & PARODD) ? QLatin1Char('o') : QLatin1Char('e');
    }
    int bits = 8;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            bits = 5;
            break;
        case CS6:
            bits = 6;
            break;
        case CS7:
            bits = 7;
            break;
        default:
            bits = 8;
            break;
    }
    return QStringLiteral("%1,%2,%3,%4").arg(rate).arg(parity).arg(bits).arg((tio.c_cflag & CSTOPB) ? 2 : 1);
}

void ModuleSim::closeFds() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(false);
        m_writeNotifier->deleteLater();
        m_writeNotifier = nullptr;
    }
    m_stream.clear();
    m_streamAt = 0;
    if (m_master >= 0) ::close(m_master);
    if (m_slaveKeeper >= 0) ::close(m_slaveKeeper);
    m_master = -1;
    m_slaveKeeper = -1;
    m_outgoing.clear();
    m_sendTimer.stop();
    m_glued.clear();
    m_glueTimer.stop();
}

void ModuleSim::stop() {
    closeFds();
    m_gathered.clear();
    m_gatheredCount = 0;
    m_gatherLeft = 0;
    m_pending.clear();
    m_pendingTimes.clear();
    m_quietTimer.stop();
    removeLink();
    m_linkPath.clear();
    m_slavePath.clear();
}

void ModuleSim::removeLink() {
    if (m_linkPath.isEmpty()) return;
    // Only our own link goes; another simulator may have replaced it.
    const QFileInfo info(m_linkPath);
    if (info.isSymLink() && info.symLinkTarget() == m_slavePath) ::unlink(QFile::encodeName(m_linkPath).constData());
}

void ModuleSim::closeLine() {
    if (!isRunning()) return;
    closeFds();
    // The closed pseudo-terminal's number goes back to the system, and the
    // next one another process opens may take it: a program reopening the
    // port through a link left behind would talk to that stranger. Without
    // a link the port would be the machine's own ttyS<n-1>, which opens here
    // or not depending on who else holds it. So the link stays, as a pulled
    // adapter's does, naming a device that is gone: a reopen finds nothing.
    removeLink();
    const QString gone = m_linkPath + QStringLiteral("-gone");
    if (::symlink(QFile::encodeName(gone).constData(), QFile::encodeName(m_linkPath).constData()) == 0)
        m_slavePath = gone;  // stop() and start() take this link as their own
    emit lineClosed();
}

void ModuleSim::clearRecorded() {
    m_fateLog.clear();
    m_chunks.clear();
    m_received.clear();
    m_requests.clear();
    m_sent.clear();
}

void ModuleSim::onMasterReadable() {
    while (m_master >= 0) {
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            const QByteArray bytes(buf, n);
            const qint64 now = elapsedMs();
            m_chunks.append({now, bytes});
            m_received.append(bytes);
            m_receivedTotal += quint64(bytes.size());
            m_pending.append(bytes);
            for (ssize_t i = 0; i < n; ++i) m_pendingTimes.append(now);
            emit bytesReceived(bytes);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
        // End of file or a hang-up: nothing more will come, and a notifier
        // left on would fire for ever.
        if (m_notifier) m_notifier->setEnabled(false);
        break;
    }
    if (!m_pending.isEmpty()) {
        m_quietTimer.start(m_quietMs);
        splitRequests();
    }
}

void ModuleSim::splitRequests() {
    const QByteArray pre = preambleBytes();
    while (!m_pending.isEmpty()) {
        if (m_pending.startsWith(pre)) {
            if (m_pending.size() < 10) return;
            const int length = requestLength(uint8_t(m_pending.at(8)), uint8_t(m_pending.at(9)));
            if (length > 0) {
                if (m_pending.size() < length) return;
                takeRequest(length);
                continue;
            }
            // Unknown length: it runs to the quiet time, or to the next frame.
            const qsizetype next = m_pending.indexOf(pre, 8);
            if (next < 0) return;
            takeRequest(next);
            continue;
        }
        const qsizetype next = m_pending.indexOf(pre);
        if (next <= 0) return;
        takeRequest(next);
    }
}

void ModuleSim::takeRequest(qsizetype length) {
    length = qMin(length, m_pending.size());
    if (length <= 0) return;
    Record r;
    r.atMs = m_pendingTimes.isEmpty() ? elapsedMs() : m_pendingTimes.first();
    r.bytes = m_pending.left(length);
    m_pending.remove(0, length);
    m_pendingTimes.remove(0, qMin<qsizetype>(length, m_pendingTimes.size()));
    if (m_pending.isEmpty()) m_quietTimer.stop();
    m_requests.append(r);
    emit requestReceived(r.bytes);
    dispatch(r.bytes);
}

void ModuleSim::dispatch(const QByteArray& request) {
    if (request.startsWith(preambleBytes())) {
        if (request.size() < 10) return;
        const auto byOp = m_opHandlers.constFind((int(uint8_t(request.at(8))) << 8) | uint8_t(request.at(9)));
        if (byOp != m_opHandlers.constEnd()) {
            const Handler handler = *byOp;
            handler(*this, request);
            return;
        }
        const auto it = m_handlers.constFind(uint8_t(request.at(8)));
        if (it != m_handlers.constEnd() && *it) {
            const Handler handler = *it;  // the handler may replace itself
            handler(*this, request);
        }
        return;
    }
    if (m_fallback) {
        const Handler handler = m_fallback;
        handler(*this, request);
    }
}

void ModuleSim::send(const QByteArray& bytes) { writeMaster(bytes); }

void ModuleSim::stream(const QByteArray& bytes) {
    if (m_master < 0 || bytes.isEmpty()) return;
    if (m_streamAt > 0) {
        m_stream.remove(0, m_streamAt);
        m_streamAt = 0;
    }
    m_stream.append(bytes);
    if (!m_writeNotifier) {
        m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
        connect(m_writeNotifier, &QSocketNotifier::activated, this, &ModuleSim::pumpStream);
    }
    m_writeNotifier->setEnabled(true);
    pumpStream();
}

void ModuleSim::pumpStream() {
    if (m_master >= 0 && !listening()) {
        m_lostTotal += quint64(m_stream.size() - m_streamAt);
        m_streamAt = m_stream.size();
    }
    while (m_master >= 0 && m_streamAt < m_stream.size()) {
        const ssize_t n =
            ::write(m_master, m_stream.constData() + m_streamAt, size_t(m_stream.size() - m_streamAt));
        if (n > 0) {
            m_streamAt += n;
            m_streamed += n;
            m_sentTotal += quint64(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;  // the line is full: on when it is writable again
        // The line is gone: the rest has nowhere to go.
        m_stream.clear();
        m_streamAt = 0;
        break;
    }
    m_stream.clear();
    m_streamAt = 0;
    if (m_writeNotifier) m_writeNotifier->setEnabled(false);
}

void ModuleSim::sendChunks(const QList<QByteArray>& pieces, int gapMs) {
    const qint64 now = elapsedMs();
    for (int i = 0; i < pieces.size(); ++i) enqueue(now + qint64(i) * qMax(0, gapMs), pieces.at(i));
}

QString ModuleSim::Fate::describe() const {
    QString s;
    switch (kind) {
        case OnTime: s = QStringLiteral("on time"); break;
        case Late: s = QStringLiteral("late %1 ms").arg(delayMs); break;
        case Split: s = QStringLiteral("split in %1, %2 ms apart").arg(pieces).arg(gapMs); break;
        case Glued: s = QStringLiteral("glued to the next (at most %1 ms)").arg(delayMs); break;
        case Repeated: s = QStringLiteral("sent %1 times, %2 ms apart").arg(copies).arg(gapMs); break;
        case Missing: s = QStringLiteral("missing"); break;
    }
    if (!before.isEmpty())
        s += QStringLiteral(", %1 first").arg(QString::fromLatin1(before.toHex(' ').toUpper()));
    return s;
}

void ModuleSim::clearFates() {
    m_fates.clear();
    m_fatePolicy = nullptr;
}

ModuleSim::Fate ModuleSim::nextFate(const QByteArray& answer) {
    if (!m_fates.isEmpty()) return m_fates.dequeue();
    if (m_fatePolicy) return m_fatePolicy(answer);
    return Fate();
}

void ModuleSim::answer(const QByteArray& bytes) {
    if (behaviour.silent) return;
    QByteArray whole = behaviour.junk + bytes;
    if (whole.isEmpty()) return;
    const Fate fate = nextFate(bytes);
    m_fateLog.append({elapsedMs(), bytes, fate});
    emit answerMade();
    if (fate.kind == Fate::Missing) return;
    whole.prepend(fate.before);
    if (!m_glued.isEmpty()) {
        // The answer held back goes out with this one, in one delivery.
        whole.prepend(std::exchange(m_glued, QByteArray()));
        m_glueTimer.stop();
    }
    if (fate.kind == Fate::Glued) {
        m_glued = whole;
        m_glueTimer.start(qMax(0, fate.delayMs));
        return;
    }
    if (m_gatherLeft > 0) {
        m_gathered.append(whole);
        ++m_gatheredCount;
        if (--m_gatherLeft == 0) flushGathered();
        return;
    }
    switch (fate.kind) {
        case Fate::Late:
            deliver(whole, fate.delayMs);
            break;
        case Fate::Split:
            deliver(whole, 0, qMax(1, fate.pieces), fate.gapMs);
            break;
        case Fate::Repeated:
            for (int i = 0; i < qMax(1, fate.copies); ++i) deliver(whole, i * qMax(0, fate.gapMs));
            break;
        default:
            deliver(whole);
            break;
    }
}

void ModuleSim::releaseGlued() {
    // No answer came to go out with: the held one goes alone.
    const QByteArray held = std::exchange(m_glued, QByteArray());
    if (!held.isEmpty()) deliver(held);
}

void ModuleSim::gatherAnswers(int count) {
    m_gatherLeft = qMax(0, count);
    if (m_gatherLeft == 0) flushGathered();
}

void ModuleSim::flushGathered() {
    m_gatherLeft = 0;
    m_gatheredCount = 0;
    const QByteArray all = std::exchange(m_gathered, QByteArray());
    if (!all.isEmpty()) deliver(all);
}

void ModuleSim::deliver(const QByteArray& whole, int extraDelayMs, int pieces, int gapMs) {
    const qint64 first = elapsedMs() + qMax(0, behaviour.delayMs) + qMax(0, extraDelayMs);
    qsizetype size = behaviour.chunkSize;
    int gap = behaviour.chunkGapMs;
    if (pieces > 0) {
        // Pieces as even as the length allows, never empty.
        size = (whole.size() + pieces - 1) / pieces;
        gap = gapMs;
    }
    if (size <= 0) {
        enqueue(first, whole);
        return;
    }
    qint64 due = first;
    for (qsizetype at = 0; at < whole.size(); at += size) {
        enqueue(due, whole.mid(at, size));
        due += qMax(0, gap);
    }
}

void ModuleSim::enqueue(qint64 due, const QByteArray& bytes) {
    if (!isRunning()) return;
    // Answers never overtake one another.
    if (!m_outgoing.isEmpty()) due = qMax(due, m_outgoing.last().due);
    m_outgoing.append({due, bytes});
    pumpOutgoing();
}

void ModuleSim::pumpOutgoing() {
    const qint64 now = elapsedMs();
    while (!m_outgoing.isEmpty() && m_outgoing.first().due <= now) writeMaster(m_outgoing.takeFirst().bytes);
    if (!m_outgoing.isEmpty()) m_sendTimer.start(int(m_outgoing.first().due - now));
}

void ModuleSim::writeMaster(const QByteArray& bytes) {
    if (m_master < 0) return;
    if (!listening()) {
        m_lostTotal += quint64(bytes.size());
        return;
    }
    qsizetype done = 0;
    int stalls = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        // The line's buffer is full (nobody reads the port): what does not
        // fit is lost, as on a real line.
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && ++stalls < 3) continue;
        break;
    }
    m_sent.append(bytes.left(done));
    m_sentTotal += quint64(done);
}
