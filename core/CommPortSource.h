#pragma once

#include "core/protocol/ByteSource.h"

class CommPort;

// The serial port as a receiver's byte source: the read length and the
// receive threshold are the port's own, so a receiver drives the port's
// receive events exactly as it did reading the port itself.
class CommPortSource : public ByteSource {
public:
    explicit CommPortSource(CommPort* port) : m_port(port) {}

    bool isOpen() const override;
    int waiting() const override;
    QByteArray read() override;
    QByteArray readAll() override;
    void drop() override;
    int readLength() const override;
    void setReadLength(int n) override;
    int threshold() const override;
    void setThreshold(int n) override;

private:
    CommPort* m_port;
};
