#include "ReadBox.h"

#include <QLineEdit>
#include <QVariant>

namespace {
constexpr const char* kRead = "smsReadText";
}

namespace ReadBox {

void showRead(QLineEdit* box, const QString& text) {
    box->setText(text);
    // Shown as the box took it (a length limit may cut it).
    box->setProperty(kRead, box->text());
}

void forget(QLineEdit* box) { box->setProperty(kRead, QVariant()); }

bool known(const QLineEdit* box) {
    // setText() clears the flag, so it is the user's own editing only.
    if (box->isModified()) return true;
    const QVariant read = box->property(kRead);
    return read.isValid() && read.toString() == box->text();
}

}  // namespace ReadBox
