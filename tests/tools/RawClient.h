#pragma once

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QTest>
#include <cerrno>

// The program's side of the line, in plain POSIX, so that these tests do not
// lean on the serial port class they are meant to help test.
class RawClient {
public:
    explicit RawClient(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            ::tcgetattr(m_fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
        m_clock.start();
    }
    ~RawClient() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    void write(const QByteArray& bytes) {
        QCOMPARE(::write(m_fd, bytes.constData(), bytes.size()), bytes.size());
    }
    // Collects whatever arrived; each read that got something is a piece.
    void poll() {
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                m_got.append(buf, n);
                m_pieceTimes.append(m_clock.elapsed());
                continue;
            }
            if (n < 0 && errno != EAGAIN) m_hungUp = true;
            if (n == 0) m_hungUp = true;
            return;
        }
    }
    bool waitFor(int bytes, int timeoutMs = 5000) {
        return QTest::qWaitFor(
            [&]() {
                poll();
                return m_got.size() >= bytes;
            },
            timeoutMs);
    }
    // Sends a request and returns what came back: at least `expected` bytes
    // (or what arrived before the time-out), plus anything that followed
    // within settleMs, so that an answer too long shows.
    QByteArray ask(const QByteArray& request, int expected, int settleMs = 60) {
        reset();
        write(request);
        waitFor(expected);
        QTest::qWait(settleMs);
        poll();
        return m_got;
    }
    QByteArray got() const { return m_got; }
    QList<qint64> pieceTimes() const { return m_pieceTimes; }
    bool hungUp() const { return m_hungUp; }
    qint64 now() const { return m_clock.elapsed(); }
    void reset() {
        poll();
        m_got.clear();
        m_pieceTimes.clear();
    }

private:
    int m_fd = -1;
    QByteArray m_got;
    QList<qint64> m_pieceTimes;
    QElapsedTimer m_clock;
    bool m_hungUp = false;
};
