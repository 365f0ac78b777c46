#include "core/CommPortSource.h"

#include "platform/CommPort.h"

bool CommPortSource::isOpen() const { return m_port && m_port->isOpen(); }

int CommPortSource::waiting() const { return m_port ? m_port->inBufferCount() : 0; }

QByteArray CommPortSource::read() { return m_port ? m_port->input() : QByteArray(); }

QByteArray CommPortSource::readAll() {
    if (!m_port) return QByteArray();
    const int len = m_port->inputLen();
    m_port->setInputLen(0);
    const QByteArray got = m_port->input();
    m_port->setInputLen(len);
    return got;
}

void CommPortSource::drop() {
    if (m_port) m_port->dropInput();
}

int CommPortSource::readLength() const { return m_port ? m_port->inputLen() : 0; }

void CommPortSource::setReadLength(int n) {
    if (m_port) m_port->setInputLen(n);
}

int CommPortSource::threshold() const { return m_port ? m_port->rThreshold() : 0; }

void CommPortSource::setThreshold(int n) {
    if (m_port) m_port->setRThreshold(n);
}
