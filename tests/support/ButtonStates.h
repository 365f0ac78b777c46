#pragma once

#include <QList>
#include <QMap>
#include <QTest>
#include <functional>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "core/protocol/Frames.h"
#include "core/protocol/TestFrames.h"
#include "tests/support/DialogRecorder.h"
#include "tools/ModuleSim.h"

// The enabled state of every button of a form by objectName, to tell that
// a form gave every button back after some operations.
namespace ButtonStates {

inline QMap<QString, bool> of(const QWidget* form) {
    QMap<QString, bool> out;
    for (const QPushButton* b : form->findChildren<QPushButton*>()) out.insert(b->objectName(), b->isEnabled());
    return out;
}

// "name before->after" for every button that changed, for failure output.
inline QString changes(const QMap<QString, bool>& before, const QMap<QString, bool>& after) {
    QStringList d;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (after.value(it.key()) != it.value())
            d << QStringLiteral("%1 %2->%3").arg(it.key()).arg(it.value()).arg(after.value(it.key()));
    return d.join(QStringLiteral(", "));
}

struct Chain {
    const char* name;
    QPushButton* button;
};

// Checks what `sim` received and `dialogs` showed since its last call: no
// test request (a frame without the preamble) between a chain's first and
// last frame, and a press either sent its request or told it was not.
inline std::function<QString()> testRequestsKeptOutOfChains(ModuleSim& sim, DialogRecorder& dialogs) {
    auto sent = std::make_shared<qsizetype>(sim.requests().size());
    auto told = std::make_shared<qsizetype>(dialogs.messages().size());
    return [&sim, &dialogs, sent, told]() -> QString {
        QString kinds;  // 'c' a chain frame, 't' a test request
        for (const auto& r : sim.requests().mid(*sent)) kinds += Frames::hasPreambleAt(r.bytes, 0) ? 'c' : 't';
        *sent = sim.requests().size();
        const qsizetype boxes = dialogs.messages().size() - *told;
        *told = dialogs.messages().size();
        const qsizetype first = kinds.indexOf('c');
        if (first >= 0 && kinds.mid(first, kinds.lastIndexOf('c') - first).contains('t'))
            return QStringLiteral("a test request inside the chain: ") + kinds;
        if (!kinds.contains('t') && boxes == 0) return QStringLiteral("the press vanished without a word");
        return QString();
    };
}

// For every pair of a waiting button (pressed first) and a chain (started
// during its wait): once `ended` holds, every button of `form` must be as
// it was before the press, and `pairFault` (if given) says "". The first
// pair that breaks it, or "".
inline QString firstBrokenPair(QWidget* form, const QList<QPushButton*>& waits, const QList<Chain>& chains,
                               const std::function<bool()>& ended, int timeoutMs = 12000,
                               const std::function<QString()>& pairFault = {}) {
    for (QPushButton* wait : waits) {
        for (const Chain& chain : chains) {
            const QString row = QStringLiteral("%1 during %2").arg(QString::fromLatin1(chain.name), wait->objectName());
            const QMap<QString, bool> before = of(form);
            QTest::mouseClick(wait, Qt::LeftButton);
            chain.button->click();
            if (!QTest::qWaitFor(ended, timeoutMs)) return row + QStringLiteral(": never ended");
            const QMap<QString, bool> after = of(form);
            if (after != before) return row + QStringLiteral(": ") + changes(before, after);
            if (const QString fault = pairFault ? pairFault() : QString(); !fault.isEmpty())
                return row + QStringLiteral(": ") + fault;
        }
    }
    return QString();
}

}  // namespace ButtonStates
