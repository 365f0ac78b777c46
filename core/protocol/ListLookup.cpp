#include "ListLookup.h"

#include <cmath>

namespace varnel {

int ComboFindIndex(const QStringList& items, const QString& text) {
    const qsizetype i = items.indexOf(text);
    return i > 0 ? static_cast<int>(i) : 0;
}

QString ComboItemText(const QStringList& items, double index) {
    if (!(index >= 0 && index < items.size())) return QString();
    const double r = std::nearbyint(index);  // default rounding: half to even
    if (r >= items.size()) return QString();
    return items.at(static_cast<qsizetype>(r));
}

}  // namespace varnel
