#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

// Stand-in for the serial communications control the forms were written
// against: byte-array input, a receive threshold that raises one event once
// enough bytes wait, a read length that bounds each read, and DTR held as
// wanted even where the device has no modem lines (pseudo-terminals).
//
// Everything is event-driven: the receive event is always delivered through
// the event queue, never from inside a call on the port, so a receiver may
// freely read, write or close the port from its handler.
class CommPort : public QObject {
    Q_OBJECT
public:
    // Values passed with commEvent(). Only Receive means "data waiting";
    // the receivers ignore everything else.
    enum Event { Receive = 2, LineLost = 1010 };

    enum class OpenResult { Ok, Missing, InUse, Other };
    // Why an open ended in OpenResult::Other.
    enum class Failure { None, NoPermission, NotSerialPort, SettingsRefused, Other };

    explicit CommPort(QObject* parent = nullptr);
    ~CommPort() override;

    // Port number 1..8 (COMn). Held while closed, used at the next open.
    void setCommPort(int number);
    int commPort() const { return m_portNumber; }

    // "9600,n,8,1" and the like. Applied at once when open; held otherwise.
    // Returns false for a text it cannot parse (the settings stay as they were).
    bool setSettings(const QString& text);
    QString settings() const { return m_settings; }

    // Opening resolves COMn through the ports folder (see PortNames.h).
    OpenResult open();
    void close();
    bool isOpen() const;
    // The port closed itself because its line went away, and has not been
    // opened since (a close by the program is no loss).
    bool lineLost() const { return m_lostReported && !isOpen(); }
    // Off (the default): a receive event never comes while a handler of an
    // earlier one runs a nested event loop (a message box); it comes once
    // the handler has returned. On: it comes at once, for a receiver that
    // guards itself.
    void setEventsDuringHandler(bool on) { m_eventsDuringHandler = on; }
    // Human-readable text of the last open failure (for "other" failures).
    QString lastErrorText() const { return m_lastError; }
    // The kind of the last "other" failure, and the system's own words for it.
    Failure lastFailure() const { return m_failure; }
    QString lastSystemError() const { return m_systemError; }
    // The group owning the device the last open() resolved to ("" unknown).
    QString deviceGroup() const;
    // The device path the last open() resolved to.
    QString devicePath() const { return m_devicePath; }

    void setDTREnable(bool on);
    bool dtrEnable() const { return m_dtr; }

    // An event is raised once at least n bytes wait; 0 turns the event off.
    void setRThreshold(int n);
    int rThreshold() const { return m_threshold; }
    // At most n bytes per input(); 0 means all that wait.
    void setInputLen(int n);
    int inputLen() const { return m_inputLen; }

    int inBufferCount() const;
    // Bytes taken in from the line since the port object was made (for
    // tests and diagnostics: tells when what was sent has arrived).
    quint64 receivedTotal() const { return m_received; }
    // Bytes handed to the line since the port object was made; what a close
    // dropped before it left is not counted.
    quint64 writtenTotal() const { return m_written; }
    // Drops everything waiting (InBufferCount = 0).
    void dropInput();
    // Takes up to inputLen() waiting bytes. A closed port yields nothing.
    QByteArray input();
    // Writes the whole frame with one write. A closed port sends nothing and
    // returns false; nothing is ever thrown.
    bool output(const QByteArray& frame);
    // Bytes written that the port has not yet handed to the line.
    qint64 bytesToWrite() const;

signals:
    // Queued; code is Receive or LineLost.
    void commEvent(int code);
    // Every frame handed to the line, after it was written (for logs/tests).
    void frameWritten(const QByteArray& frame);
    // Everything written has been handed to the line, or dropped by a close.
    void allWritten();

private:
    void onReadyRead();
    void onError(int error);
    bool pullFromDevice();
    void scheduleCheck();
    void deliver();
    bool applySettings();
    OpenResult classifyPermissionError();

    QSerialPort* m_port = nullptr;
    QByteArray m_buffer;
    int m_portNumber = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    QString m_lastError;
    Failure m_failure = Failure::None;
    QString m_systemError;
    QString m_devicePath;
    bool m_dtr = false;
    int m_threshold = 0;
    int m_inputLen = 0;
    bool m_checkQueued = false;
    bool m_inHandler = false;
    bool m_eventsDuringHandler = false;
    bool m_lostReported = false;
    // Something happened during a handler that calls for another look once
    // it returns (bytes arrived in a nested event loop).
    bool m_recheckAfterHandler = false;
    // Bumped by every read or drop and every change of the threshold, so the
    // check after a handler can tell whether it made progress.
    quint64 m_consumed = 0;
    quint64 m_received = 0;
    quint64 m_written = 0;
    quint64 m_thresholdChanges = 0;
    // Bumped at each open, so a queued reaction to a lost line never touches
    // a later session of the port.
    quint64 m_openCount = 0;
};
