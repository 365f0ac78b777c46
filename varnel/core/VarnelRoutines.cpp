#include "VarnelRoutines.h"

#include <QComboBox>
#include <algorithm>
#include <cmath>

namespace varnel {

namespace {

QStringList itemTexts(const QComboBox* combo) {
    QStringList items;
    if (!combo) return items;
    items.reserve(combo->count());
    for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
    return items;
}

}  // namespace

int TextToUnicodeBytes(QByteArray& a, const QString& text) {
    if (text.isEmpty()) return 0;
    QByteArray out(2 * text.size(), '\0');
    for (qsizetype k = 0; k < text.size(); ++k) {
        const char16_t u = text.at(k).unicode();
        out[2 * k] = static_cast<char>(u >> 8);
        out[2 * k + 1] = static_cast<char>(u & 0xFF);
    }
    a = out;
    return 1;
}

int ComboFindIndex(const QComboBox* combo, const QString& text) { return ComboFindIndex(itemTexts(combo), text); }

QString ComboItemText(const QComboBox* combo, double index) { return ComboItemText(itemTexts(combo), index); }

}  // namespace varnel
