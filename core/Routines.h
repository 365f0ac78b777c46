#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "core/protocol/Checksums.h"
#include "core/protocol/HexText.h"
#include "platform/CommPort.h"

class QComboBox;

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
// What a parameter refresh that ended before the module's last answer
// says: the labels still showing "**" were not read.
QString RefreshIncompleteText();
// What the user is told when the port closed itself because its line went.
QString LineLostText();
// What a failed open of the port says to the user (titled "端口错误"):
// the reason, in words that tell what to do about it.
QString PortOpenErrorText(const CommPort& port, CommPort::OpenResult result);
// The same from its parts: "COMn（device path）", the group owning the
// device ("" unknown) and the system's own words for the failure.
QString PortOpenErrorText(CommPort::OpenResult result, CommPort::Failure failure, const QString& portName,
                          const QString& group, const QString& systemError, const QString& rate);
// What a connect says (titled "端口错误") when its port or rate list shows
// typed text that is none of its items: "" when both show an item.
QString PortChoiceErrorText(const QComboBox* portList, const QComboBox* rateList);
