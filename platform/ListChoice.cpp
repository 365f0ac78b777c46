#include "ListChoice.h"

#include <QComboBox>

namespace ListChoice {

void itemsOnly(QComboBox* c) {
    if (c) c->setInsertPolicy(QComboBox::NoInsert);
}

int shownItem(const QComboBox* c) {
    if (!c) return -1;
    const QString shown = c->currentText();
    const int i = c->currentIndex();
    if (i >= 0 && c->itemText(i) == shown) return i;
    if (!c->isEditable()) return i;
    return c->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

bool showsTaken(const QComboBox* c, const QStringList& alsoTaken) {
    return shownItem(c) >= 0 || (c && alsoTaken.contains(c->currentText()));
}

}  // namespace ListChoice
