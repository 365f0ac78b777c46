#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <cstdint>

// Bytes as the hex text the modules and the forms use, and back.

// A byte as two upper-case hex digits ("0A").
QString ByteToHex2(uint8_t b);
// "0".."9" -> 0..9, "A".."F" -> 10..15, anything else (lower case too) -> 0.
int HexDigitValue(int c);
// Every character a hex digit 0-9, A-F, of either case ("" too).
bool AllHexDigits(const QString& text);
// The bytes of a box that holds `groups` bytes as "5A:21:7C:40:" (lower
// case counts as its capital, the last ":" may be missing); nullopt for any
// other text, so that no character the box shows is read as something else.
std::optional<QByteArray> ColonGroupBytes(const QString& text, int groups);
// The byte of the two hex digits at pos (a missing or non-hex digit counts
// as 0): "41:42:" at 3 gives 0x42.
uint8_t HexPairValue(const QString& text, qsizetype pos);
