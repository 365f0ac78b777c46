#pragma once

#include <QString>
#include <cstdint>

// Bytes as the hex text the modules and the forms use, and back.

// A byte as two upper-case hex digits ("0A").
QString ByteToHex2(uint8_t b);
// "0".."9" -> 0..9, "A".."F" -> 10..15, anything else (lower case too) -> 0.
int HexDigitValue(int c);
// Every character a hex digit, of either case ("" too).
bool AllHexDigits(const QString& text);
// The byte of the two hex digits at pos (a missing or non-hex digit counts
// as 0): "41:42:" at 3 gives 0x42.
uint8_t HexPairValue(const QString& text, qsizetype pos);
