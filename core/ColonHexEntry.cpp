#include "ColonHexEntry.h"

#include <QLineEdit>

#include "core/Routines.h"

void ColonHexKey(QLineEdit* edit, int& key, bool backspaceTakesColon) {
    HexKeyFilter(key);
    if (key == 8) {
        if (backspaceTakesColon && !edit->hasSelectedText() &&
            edit->cursorPosition() == edit->text().size() && edit->text().endsWith(QLatin1Char(':')))
            edit->backspace();
        return;
    }
    if (key != 0) edit->insert(QString(QChar(char16_t(key))));
    key = 0;
    if (edit->text().size() % 3 == 2) {
        edit->end(false);
        edit->insert(QStringLiteral(":"));
    }
}
