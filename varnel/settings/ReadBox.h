#pragma once

#include <QString>

class QLineEdit;

// A box whose text a single write sends: it may send what the module gave
// (shown there by an answer) or what the user put in (typed, pasted,
// dropped). Anything else - the design text, a value left from another
// module - is no value the user chose, and a write must not send it.
namespace ReadBox {

// Shows the module's value in the box.
void showRead(QLineEdit* box, const QString& text);
// What the box shows is no longer taken as the module's (a new read
// begins); the user's own text stays the user's.
void forget(QLineEdit* box);
// True when the box holds the module's value or the user's own text.
bool known(const QLineEdit* box);

}  // namespace ReadBox
