#pragma once

#include <QString>
#include <QStringList>

// How a list column travels: as the position of its text in a fixed list,
// and back as the item at a position. The combo-box forms of these live in
// varnel/core/VarnelRoutines.h.
namespace varnel {

// Index of the first item equal to text (case-sensitive); 0 when none is,
// which a caller cannot tell from a match of item 0.
int ComboFindIndex(const QStringList& items, const QString& text);

// The item at index, or the empty text outside the list. A fractional index
// rounds half to even, as a list index does.
QString ComboItemText(const QStringList& items, double index);

}  // namespace varnel
