#include "CommPort.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QPointer>
#include <QSerialPort>
#include <QStringList>

#include "PortNames.h"

namespace {

struct LineSettings {
    qint32 rate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// "rate,parity,data,stop" as the forms write it, e.g. "9600,n,8,1".
bool parseSettings(const QString& text, LineSettings* out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    LineSettings s;
    bool ok = false;
    s.rate = parts[0].trimmed().toInt(&ok);
    if (!ok || s.rate <= 0) return false;

    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else
        return false;

    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8) return false;
    s.dataBits = static_cast<QSerialPort::DataBits>(bits);

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return false;

    *out = s;
    return true;
}

// The lock file QSerialPort takes for a device: "LCK.." and the path below
// /dev with slashes turned into underscores (/dev/pts/3 -> LCK..pts_3).
QStringList lockFileCandidates(const QString& devicePath) {
    QString name = devicePath;
    if (name.startsWith(QLatin1String("/dev/"))) name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return {QStringLiteral("/var/lock/LCK..") + name, QStringLiteral("/run/lock/LCK..") + name};
}

}  // namespace

CommPort::CommPort(QObject* parent) : QObject(parent), m_port(new QSerialPort(this)) {
    connect(m_port, &QSerialPort::readyRead, this, &CommPort::onReadyRead);
    connect(m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port->bytesToWrite() == 0) emit allWritten();
    });
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(static_cast<int>(e)); });
}

CommPort::~CommPort() {
    // Closing here (not in QSerialPort's own destructor) keeps the lock file
    // and the line released before any signal could reach a dying receiver.
    if (m_port->isOpen()) m_port->close();
}

void CommPort::setCommPort(int number) {
    if (number >= 1 && number <= 8) m_portNumber = number;
}

bool CommPort::setSettings(const QString& text) {
    LineSettings parsed;
    if (!parseSettings(text, &parsed)) return false;
    m_settings = text.trimmed();
    if (isOpen() && !applySettings()) {
        m_lastError = m_port->errorString();
        m_port->clearError();
        return false;
    }
    return true;
}

bool CommPort::applySettings() {
    LineSettings s;
    parseSettings(m_settings, &s);
    bool ok = m_port->setBaudRate(s.rate);
    ok = m_port->setParity(s.parity) && ok;
    ok = m_port->setDataBits(s.dataBits) && ok;
    ok = m_port->setStopBits(s.stopBits) && ok;
    ok = m_port->setFlowControl(QSerialPort::NoFlowControl) && ok;
    return ok;
}

CommPort::OpenResult CommPort::open() {
    if (isOpen()) return OpenResult::Ok;
    m_lastError.clear();
    m_failure = Failure::None;
    m_systemError.clear();

    const QString candidate = PortNames::devicePathFor(m_portNumber);
    const QFileInfo info(candidate);
    if (!info.exists()) {
        m_devicePath = candidate;
        m_lastError = QStringLiteral("COM%1: %2 does not exist").arg(m_portNumber).arg(candidate);
        return OpenResult::Missing;
    }
    // Open the device itself, never a link to it: the lock file is named after
    // the path, and a link would take a second lock beside the first.
    m_devicePath = info.canonicalFilePath();
    m_port->setPortName(m_devicePath);
    applySettings();
    m_buffer.clear();

    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString text = m_port->errorString();
        m_port->clearError();
        m_lastError = QStringLiteral("COM%1 (%2): %3").arg(m_portNumber).arg(m_devicePath, text);
        m_systemError = text;
        // A node with no hardware behind it (the usual /dev/ttyS1..3 of a PC
        // with one serial port) refuses every open with an I/O error: to the
        // user that port is not there.
        if (error == QSerialPort::DeviceNotFoundError || error == QSerialPort::ResourceError)
            return OpenResult::Missing;
        if (error == QSerialPort::PermissionError) return classifyPermissionError();
        // Anything but a character device, or one that refuses the terminal
        // calls (a link to /dev/null or to a file), is no serial line.
        struct stat st {};
        const bool charDevice =
            ::stat(QFile::encodeName(m_devicePath).constData(), &st) == 0 && S_ISCHR(st.st_mode);
        const bool refusesTerminalCalls = error == QSerialPort::WriteError ||
                                          error == QSerialPort::ReadError ||
                                          error == QSerialPort::UnsupportedOperationError;
        m_failure = !charDevice || refusesTerminalCalls ? Failure::NotSerialPort : Failure::Other;
        return OpenResult::Other;
    }

    // Like a real line, a port hears nothing of what was sent while it was
    // closed; a pseudo-terminal would otherwise keep it.
    m_port->clear(QSerialPort::Input);
    ++m_openCount;
    m_lostReported = false;
    m_recheckAfterHandler = false;
    m_buffer.clear();
    if (!applySettings()) {
        // A rate the adapter refuses leaves the line unusable; say so rather
        // than talk at the wrong speed.
        m_lastError =
            QStringLiteral("COM%1 (%2): %3").arg(m_portNumber).arg(m_devicePath, m_port->errorString());
        m_systemError = m_port->errorString();
        m_failure = Failure::SettingsRefused;
        m_port->clearError();
        m_port->close();
        return OpenResult::Other;
    }
    // Pseudo-terminals have no modem lines: the wanted state is kept and the
    // failure to set it is of no consequence.
    m_port->setDataTerminalReady(m_dtr);
    m_port->clearError();
    return OpenResult::Ok;
}

QString CommPort::deviceGroup() const {
    struct stat st {};
    if (m_devicePath.isEmpty() || ::stat(QFile::encodeName(m_devicePath).constData(), &st) != 0) return {};
    const struct group* gr = ::getgrgid(st.st_gid);
    return gr ? QString::fromLocal8Bit(gr->gr_name) : QString();
}

CommPort::OpenResult CommPort::classifyPermissionError() {
    // The same error value covers "someone else has it" and "the user may not
    // open it"; the lock file's holder tells them apart.
    for (const QString& lockPath : lockFileCandidates(m_devicePath)) {
        QLockFile lock(lockPath);
        qint64 pid = 0;
        QString host;
        QString app;
        if (lock.getLockInfo(&pid, &host, &app) && pid > 0) {
            m_lastError = QStringLiteral("COM%1 (%2) is in use by %3 (pid %4)")
                              .arg(m_portNumber)
                              .arg(m_devicePath, app.isEmpty() ? QStringLiteral("another program") : app)
                              .arg(pid);
            return OpenResult::InUse;
        }
    }
    // No lock file: a program that only took the device exclusively, unless
    // we are not allowed to open it at all.
    const QByteArray path = QFile::encodeName(m_devicePath);
    if (::access(path.constData(), R_OK | W_OK) != 0) {
        m_lastError = QStringLiteral("COM%1 (%2): permission denied").arg(m_portNumber).arg(m_devicePath);
        m_failure = Failure::NoPermission;
        return OpenResult::Other;
    }
    m_lastError =
        QStringLiteral("COM%1 (%2) is in use by another program").arg(m_portNumber).arg(m_devicePath);
    return OpenResult::InUse;
}

void CommPort::close() {
    m_buffer.clear();
    const qint64 unsent = m_port->isOpen() ? m_port->bytesToWrite() : 0;
    const bool pending = unsent > 0;
    // What never reached the line is not counted as written.
    m_written -= quint64(qMax<qint64>(0, unsent));
    if (m_port->isOpen()) m_port->close();
    m_port->clearError();
    if (pending) emit allWritten();
}

bool CommPort::isOpen() const { return m_port->isOpen(); }

void CommPort::setDTREnable(bool on) {
    m_dtr = on;
    if (isOpen()) {
        m_port->setDataTerminalReady(on);
        m_port->clearError();
    }
}

void CommPort::setRThreshold(int n) {
    if (n < 0) n = 0;
    if (n != m_threshold) {
        m_threshold = n;
        ++m_thresholdChanges;
    }
}

void CommPort::setInputLen(int n) { m_inputLen = n < 0 ? 0 : n; }

int CommPort::inBufferCount() const { return isOpen() ? int(m_buffer.size()) : 0; }

void CommPort::dropInput() {
    if (!isOpen()) return;
    pullFromDevice();
    if (!m_buffer.isEmpty()) {
        m_buffer.clear();
        ++m_consumed;
    }
}

QByteArray CommPort::input() {
    if (!isOpen()) return {};
    pullFromDevice();
    const qsizetype n = (m_inputLen == 0) ? m_buffer.size() : qMin<qsizetype>(m_inputLen, m_buffer.size());
    if (n == 0) return {};
    QByteArray taken = m_buffer.left(n);
    m_buffer.remove(0, n);
    ++m_consumed;
    return taken;
}

bool CommPort::output(const QByteArray& frame) {
    if (!isOpen()) return false;
    if (frame.isEmpty()) return true;
    if (m_port->write(frame) != frame.size()) return false;
    m_written += quint64(frame.size());
    // Hand the frame to the line now, in one piece, rather than at the next
    // turn of the event loop: the request timing is part of the protocol.
    m_port->flush();
    emit frameWritten(frame);
    return true;
}

qint64 CommPort::bytesToWrite() const { return m_port->isOpen() ? m_port->bytesToWrite() : 0; }

bool CommPort::pullFromDevice() {
    if (!m_port->isOpen() || m_port->bytesAvailable() <= 0) return false;
    const QByteArray got = m_port->readAll();
    m_buffer.append(got);
    m_received += quint64(got.size());
    return !got.isEmpty();
}

void CommPort::onReadyRead() {
    if (pullFromDevice()) scheduleCheck();
}

void CommPort::onError(int error) {
    const auto e = static_cast<QSerialPort::SerialPortError>(error);
    if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError) return;
    // A failed open reports here too; open() reads that error itself.
    if (!m_port->isOpen()) return;
    m_port->clearError();
    // Qt keeps raising the same error for as long as the dead descriptor
    // stays open; react to the first one only.
    if (m_lostReported) return;
    m_lostReported = true;
    const quint64 session = m_openCount;
    QMetaObject::invokeMethod(
        this,
        [this, session]() {
            if (session != m_openCount) return;
            close();
            emit commEvent(LineLost);
        },
        Qt::QueuedConnection);
}

void CommPort::scheduleCheck() {
    if (m_checkQueued) return;
    m_checkQueued = true;
    QMetaObject::invokeMethod(this, &CommPort::deliver, Qt::QueuedConnection);
}

void CommPort::deliver() {
    m_checkQueued = false;
    const bool nested = m_inHandler;
    if (nested && !m_eventsDuringHandler) {
        // Bytes came in while a handler runs a nested event loop (a message
        // box): never re-enter it; look again once it has returned.
        m_recheckAfterHandler = true;
        return;
    }
    if (!isOpen() || m_threshold <= 0) return;
    pullFromDevice();
    if (m_buffer.size() < m_threshold) return;

    const quint64 consumedBefore = m_consumed;
    const quint64 thresholdBefore = m_thresholdChanges;
    const quint64 session = m_openCount;
    m_recheckAfterHandler = false;
    QPointer<CommPort> self(this);
    m_inHandler = true;
    emit commEvent(Receive);
    if (!self) return;
    m_inHandler = nested;

    if (!isOpen() || session != m_openCount || m_threshold <= 0) return;
    const bool progressed = m_consumed != consumedBefore || m_thresholdChanges != thresholdBefore;
    // A handler that left enough bytes waiting without touching them would
    // get the same bytes again and again; it waits for new bytes instead.
    if (m_recheckAfterHandler || (progressed && m_buffer.size() >= m_threshold)) scheduleCheck();
    m_recheckAfterHandler = false;
}
