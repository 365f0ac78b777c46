#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/protocol/ByteRoutines.h"
#include "core/protocol/ListLookup.h"

class QComboBox;

// Routines only Varnel has; the others it shares with Kestrun (core/Routines.h).
namespace varnel {

// Crc16Value and the list forms of ComboFindIndex / ComboItemText are in the
// protocol library (included above).

// a := each UTF-16 code unit of text, high byte first, nothing before the
// first pair. Returns 1, or 0 for an empty text (a left unchanged).
int TextToUnicodeBytes(QByteArray& a, const QString& text);

// The same lookups over a combo box's items.
int ComboFindIndex(const QComboBox* combo, const QString& text);
QString ComboItemText(const QComboBox* combo, double index);

}  // namespace varnel
