#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "core/protocol/Checksums.h"
#include "core/protocol/HexText.h"

class CommPort;

// Routines shared by every form of both programs.

// Key filters: the key code is changed in place, 0 dropping the key.
void HexKeyFilter(int& keyAscii);
void DigitKeyFilter(int& keyAscii);
// a := 00 followed by each UTF-16 code unit high byte first; 1, or 0 for an
// empty text (a left unchanged).
int TextToUnicodeBytes(QByteArray& a, const QString& text);
// 1 when more than 10 s have passed since g::WaitStart (across midnight).
int TenSecondsElapsed();
// Applies "COM1".."COM8" and "1200bps".."115200bps" to the port; any other
// text leaves that setting alone.
void SetPortAndBaud(CommPort& port, const QString& portText, const QString& rateText);
