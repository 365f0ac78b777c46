#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "platform/CommPort.h"

// Routines shared by every form of both programs.

// A byte as two upper-case hex digits ("0A").
QString ByteToHex2(uint8_t b);
// "0".."9" -> 0..9, "A".."F" -> 10..15, anything else (lower case too) -> 0.
int HexDigitValue(int c);
// The byte of the two hex digits at pos (a missing or non-hex digit counts
// as 0): "41:42:" at 3 gives 0x42.
uint8_t HexPairValue(const QString& text, qsizetype pos);
// Key filters: the key code is changed in place, 0 dropping the key.
void HexKeyFilter(int& keyAscii);
void DigitKeyFilter(int& keyAscii);
// CRC-16/MODBUS of a[0..n-1], two bytes high byte first.
QByteArray Crc16Bytes(const QByteArray& a, int n);
// Sum of a[start..end-1] modulo 256; 0 when start >= end.
int SumCheck8(const QByteArray& a, long start, long end);
// a := 00 followed by each UTF-16 code unit high byte first; 1, or 0 for an
// empty text (a left unchanged).
int TextToUnicodeBytes(QByteArray& a, const QString& text);
// 1 when more than 10 s have passed since g::WaitStart (across midnight).
int TenSecondsElapsed();
// Applies "COM1".."COM8" and "1200bps".."115200bps" to the port; any other
// text leaves that setting alone.
void SetPortAndBaud(CommPort& port, const QString& portText, const QString& rateText);
// What a failed open of the port says to the user (titled "端口错误"):
// the reason, in words that tell what to do about it.
QString PortOpenErrorText(const CommPort& port, CommPort::OpenResult result);
// The same from its parts: "COMn（device path）", the group owning the
// device ("" unknown) and the system's own words for the failure.
QString PortOpenErrorText(CommPort::OpenResult result, CommPort::Failure failure, const QString& portName,
                          const QString& group, const QString& systemError, const QString& rate);
