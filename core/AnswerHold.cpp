#include "AnswerHold.h"

#include <QList>
#include <QPointer>

#include "platform/VbTimer.h"

namespace AnswerHold {

namespace {

int g_holds = 0;
QList<QPointer<VbTimer>> g_deferred;

void release() {
    const QList<QPointer<VbTimer>> timers = std::exchange(g_deferred, {});
    for (const QPointer<VbTimer>& t : timers)
        // A chain that ended meanwhile stays ended.
        if (t && t->enabled()) t->rearm(t->interval());
}

}  // namespace

Hold::Hold() { ++g_holds; }

Hold::~Hold() {
    if (--g_holds == 0) release();
}

bool active() { return g_holds > 0; }

bool deferTick(VbTimer* timer) {
    if (!active() || !timer) return false;
    if (!g_deferred.contains(timer)) g_deferred.append(timer);
    return true;
}

}  // namespace AnswerHold
