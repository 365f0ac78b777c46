#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Byte-level routines of the module protocol. They live here, below the
// forms, so that frame builders and decoders can use them without pulling
// in any window code; core/Routines.h and varnel/core/VarnelRoutines.h
// still offer them to their callers.

// A byte as two upper-case hex digits ("0A").
QString ByteToHex2(uint8_t b);
// "0".."9" -> 0..9, "A".."F" -> 10..15, anything else (lower case too) -> 0.
int HexDigitValue(int c);
// The byte of the two hex digits at pos (a missing or non-hex digit counts
// as 0): "41:42:" at 3 gives 0x42.
uint8_t HexPairValue(const QString& text, qsizetype pos);
// Sum of a[start..end-1] modulo 256; 0 when start >= end.
int SumCheck8(const QByteArray& a, long start, long end);

namespace varnel {

// CRC-16/MODBUS of a[0..count-1] as one number, low byte + 256 x high byte
// (the byte a Modbus frame carries first is the low one). A count of 0 or
// less gives 65535; a count past the array's end covers the array only.
int Crc16Value(const QByteArray& a, int count);

}  // namespace varnel
