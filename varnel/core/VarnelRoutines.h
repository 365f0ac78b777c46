#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QComboBox;

// Routines only Varnel has; the others it shares with Kestrun (core/Routines.h).
namespace varnel {

// CRC-16/MODBUS of a[0..count-1] as one number, low byte + 256 x high byte
// (the byte a Modbus frame carries first is the low one). A count of 0 or
// less gives 65535; a count past the array's end covers the array only.
int Crc16Value(const QByteArray& a, int count);

// a := each UTF-16 code unit of text, high byte first, nothing before the
// first pair. Returns 1, or 0 for an empty text (a left unchanged).
int TextToUnicodeBytes(QByteArray& a, const QString& text);

// Index of the first item equal to text (case-sensitive); 0 when none is,
// which a caller cannot tell from a match of item 0.
int ComboFindIndex(const QStringList& items, const QString& text);
int ComboFindIndex(const QComboBox* combo, const QString& text);

// The item at index, or the empty text outside the list. A fractional index
// rounds half to even, as a list index does.
QString ComboItemText(const QStringList& items, double index);
QString ComboItemText(const QComboBox* combo, double index);

}  // namespace varnel
