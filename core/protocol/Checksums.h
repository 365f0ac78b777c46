#pragma once

#include <QByteArray>

// The two checksums the module frames carry.

// CRC-16/MODBUS of a[0..n-1], two bytes high byte first.
QByteArray Crc16Bytes(const QByteArray& a, int n);
// Sum of a[start..end-1] modulo 256; 0 when start >= end.
int SumCheck8(const QByteArray& a, long start, long end);
