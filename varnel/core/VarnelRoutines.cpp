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

int Crc16Value(const QByteArray& a, int count) {
    // Kept as two byte registers so the result reads directly as lo + 256*hi.
    uint8_t lo = 0xFF;
    uint8_t hi = 0xFF;
    const int n = std::min<int>(count, a.size());
    for (int i = 0; i < n; ++i) {
        lo ^= static_cast<uint8_t>(a[i]);
        for (int bit = 0; bit < 8; ++bit) {
            const bool out = lo & 1;
            lo = static_cast<uint8_t>((lo >> 1) | ((hi & 1) << 7));
            hi = static_cast<uint8_t>(hi >> 1);
            if (out) {
                hi ^= 0xA0;
                lo ^= 0x01;
            }
        }
    }
    return lo + 256 * hi;
}

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

int ComboFindIndex(const QStringList& items, const QString& text) {
    const qsizetype i = items.indexOf(text);
    return i > 0 ? static_cast<int>(i) : 0;
}

int ComboFindIndex(const QComboBox* combo, const QString& text) { return ComboFindIndex(itemTexts(combo), text); }

QString ComboItemText(const QStringList& items, double index) {
    if (!(index >= 0 && index < items.size())) return QString();
    const double r = std::nearbyint(index);  // default rounding: half to even
    if (r >= items.size()) return QString();
    return items.at(static_cast<qsizetype>(r));
}

QString ComboItemText(const QComboBox* combo, double index) { return ComboItemText(itemTexts(combo), index); }

}  // namespace varnel
