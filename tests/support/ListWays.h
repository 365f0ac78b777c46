#pragma once

// The lists whose text goes into a request, as the tests of both programs'
// settings forms check them: a text reaches the list by every way a user
// has, with Enter or without; the list must add no item, and its button
// then either refuses or sends what the list shows.

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <functional>

#include "BoxInput.h"

namespace ListWays {

// The first request (after the preamble) the list's button sends while the
// list shows `shown`; "" when the text is none the request can carry.
// Combo1 and Combo2 are the work-mode lists (the work mode goes first),
// Combo4 the address type, Combo3 the module's rate.
inline QString firstRequest(const QString& list, const QString& shown) {
    static const QMap<QString, QString> rates = {
        {"1200bps", "03"},  {"2400bps", "04"},  {"4800bps", "05"},  {"9600bps", "06"},   {"14400bps", "07"},
        {"19200bps", "08"}, {"38400bps", "09"}, {"57600bps", "0A"}, {"115200bps", "0B"}};
    if (list == "Combo1") return shown == "主动方式" ? "F8 01 01" : shown == "被动方式" ? "F8 01 00" : "";
    if (list == "Combo2")
        return QStringList{"格式传输", "透明方式1", "透明方式2"}.contains(shown) ? "F8 01 01" : "";
    if (list == "Combo4")
        return QStringList{"ASCII", "16进制", "BCD码", "R50模式"}.contains(shown) ? "F8 01 01" : "";
    if (list == "Combo3") return rates.contains(shown) ? "F2 01 " + rates.value(shown) : "";
    return "";
}

// Puts `text` into `list` by every way, with and without Enter; `before`
// runs ahead of each. Fails the test when an item was added; otherwise
// calls `check` with the way and what the list shows then.
inline void everyWay(QComboBox* list, const QString& text, const std::function<void()>& before,
                     const std::function<void(const QString& how, const QString& shown)>& check) {
    const int items = list->count();
    for (BoxInput::Way way : BoxInput::kWays) {
        for (bool enter : {false, true}) {
            const QString how = QStringLiteral("%1%2").arg(BoxInput::name(way), enter ? " + Enter" : "");
            if (before) before();
            QVERIFY2(BoxInput::put(list, text, way), qPrintable(how));
            if (enter) QTest::keyClick(list->lineEdit(), Qt::Key_Return);
            // The user moves on to the button: a completion offered is put
            // away and the list settles what it shows as its focus leaves.
            if (QCompleter* c = list->completer(); c && c->popup()) c->popup()->hide();
            list->lineEdit()->clearFocus();
            QVERIFY2(list->count() == items, qPrintable(how + ": an item was added"));
            check(how, list->currentText());
            if (QTest::currentTestFailed()) return;
        }
    }
}

}  // namespace ListWays
