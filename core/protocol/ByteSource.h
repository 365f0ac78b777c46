#pragma once

#include <QByteArray>

// What a receiver reads its bytes from: the bytes waiting, and the two
// numbers of the serial control the receivers were written against, the
// read length (at most that many bytes a read; 0 all) and the receive
// threshold (the owner of the source calls the receiver once that many
// bytes wait; 0 none). A receiver never learns where the bytes come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual bool isOpen() const = 0;
    virtual int waiting() const = 0;
    // One read: at most readLength() bytes, everything waiting for 0.
    virtual QByteArray read() = 0;
    // Everything waiting, whatever the read length.
    virtual QByteArray readAll() = 0;
    // Drops everything waiting.
    virtual void drop() = 0;

    virtual int readLength() const = 0;
    virtual void setReadLength(int n) = 0;
    virtual int threshold() const = 0;
    virtual void setThreshold(int n) = 0;
};

// Bytes handed over by hand: a receiver's input in tests and tools.
class MemorySource : public ByteSource {
public:
    void append(const QByteArray& bytes) { m_bytes += bytes; }
    void setOpen(bool open) { m_open = open; }
    // True when enough bytes wait for the threshold to call the receiver.
    bool thresholdReached() const { return m_threshold > 0 && m_bytes.size() >= m_threshold; }

    bool isOpen() const override { return m_open; }
    int waiting() const override { return m_open ? int(m_bytes.size()) : 0; }
    QByteArray read() override {
        if (!m_open) return QByteArray();
        const int n = m_readLength > 0 ? m_readLength : int(m_bytes.size());
        const QByteArray out = m_bytes.left(n);
        m_bytes.remove(0, out.size());
        return out;
    }
    QByteArray readAll() override {
        if (!m_open) return QByteArray();
        const QByteArray out = m_bytes;
        m_bytes.clear();
        return out;
    }
    void drop() override { m_bytes.clear(); }
    int readLength() const override { return m_readLength; }
    void setReadLength(int n) override { m_readLength = n < 0 ? 0 : n; }
    int threshold() const override { return m_threshold; }
    void setThreshold(int n) override { m_threshold = n < 0 ? 0 : n; }

private:
    QByteArray m_bytes;
    bool m_open = true;
    int m_readLength = 0;
    int m_threshold = 0;
};
