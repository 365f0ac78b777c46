#pragma once

#include <QByteArray>

// Byte-level routines of the module protocol, below the forms so that frame
// builders and decoders can use them without any window code; core/Routines.h
// and varnel/core/VarnelRoutines.h still offer them to their callers.
#include "core/protocol/Checksums.h"
#include "core/protocol/HexText.h"

namespace varnel {

// CRC-16/MODBUS of a[0..count-1] as one number, low byte + 256 x high byte
// (the byte a Modbus frame carries first is the low one). A count of 0 or
// less gives 65535; a count past the array's end covers the array only.
int Crc16Value(const QByteArray& a, int count);

}  // namespace varnel
