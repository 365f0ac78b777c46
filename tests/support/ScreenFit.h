#pragma once

// Whether a form's buttons can be seen and pressed on the screen as it is:
// each shown button at least as high as it asks to be, and wholly inside
// every window and frame around it and inside the screen, once the MDI area
// it sits in has been scrolled to it.

#include <QAbstractScrollArea>
#include <QApplication>
#include <QMdiArea>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

namespace ScreenFit {

// Scrolls the nearest scroll area around w (an MDI area, say) so that w's
// rectangle is in its viewport as far as it fits.
inline void scrollTo(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        auto* area = qobject_cast<QAbstractScrollArea*>(p);
        if (!area) continue;
        QWidget* vp = area->viewport();
        const QRect r(w->mapTo(vp, QPoint(0, 0)), w->size());
        auto shift = [](QScrollBar* bar, int lo, int hi, int size) {
            if (hi > size) bar->setValue(bar->value() + hi - size);
            if (lo < 0) bar->setValue(bar->value() + lo);
        };
        shift(area->horizontalScrollBar(), r.left(), r.right() + 1, vp->width());
        shift(area->verticalScrollBar(), r.top(), r.bottom() + 1, vp->height());
        QApplication::processEvents();
    }
}

// What is wrong with one shown button; empty when nothing is.
inline QString fault(QPushButton* b) {
    const QString name = b->objectName() + QStringLiteral(" \"") + b->text() + QStringLiteral("\"");
    if (b->height() < b->sizeHint().height())
        return QStringLiteral("%1: %2 px high, needs %3").arg(name).arg(b->height()).arg(b->sizeHint().height());
    scrollTo(b);
    QRect r = b->rect();
    for (QWidget* w = b; !w->isWindow(); w = w->parentWidget()) {
        r.translate(w->pos());
        QWidget* p = w->parentWidget();
        if (!p->rect().contains(r))
            return QStringLiteral("%1: cut off by %2 (%3,%4 %5x%6 in %7x%8)")
                .arg(name, p->objectName().isEmpty() ? QString::fromLatin1(p->metaObject()->className())
                                                     : p->objectName())
                .arg(r.x())
                .arg(r.y())
                .arg(r.width())
                .arg(r.height())
                .arg(p->width())
                .arg(p->height());
    }
    const QRect global(b->mapToGlobal(QPoint(0, 0)), b->size());
    const QRect screen = b->screen()->geometry();
    if (!screen.contains(global))
        return QStringLiteral("%1: off the screen at %2,%3").arg(name).arg(global.x()).arg(global.y());
    return {};
}

// What keeps a shown main window from lying wholly within the working area
// of its screen (its frame and caption included); empty when nothing does.
inline QString windowFault(QWidget* window) {
    // A window manager tells the frame a little after the window shows.
    (void)QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, 1000);
    const QRect work = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    if (work.contains(frame)) return {};
    return QStringLiteral("%1 at %2,%3, %4x%5, on a working area of %6x%7")
        .arg(window->objectName())
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .arg(work.width())
        .arg(work.height());
}

// Every shown button of `form`, on every page of its tab controls, that
// a user could not wholly see and press; `skip` names the buttons the
// design keeps out of reach.
inline QStringList unusableButtons(QWidget* form, const QStringList& skip = {}) {
    QStringList out;
    auto check = [&](const QString& where) {
        QApplication::processEvents();
        for (QPushButton* b : form->findChildren<QPushButton*>()) {
            if (!b->isVisible() || skip.contains(b->objectName())) continue;
            const QString f = fault(b);
            if (!f.isEmpty() && !out.contains(where + f)) out << where + f;
        }
    };
    const QList<QTabWidget*> tabs = form->findChildren<QTabWidget*>();
    if (tabs.isEmpty()) check(QString());
    for (QTabWidget* t : tabs)
        for (int i = 0; i < t->count(); ++i) {
            t->setCurrentIndex(i);
            check(QStringLiteral("tab %1: ").arg(t->tabText(i).trimmed()));
        }
    return out;
}

}  // namespace ScreenFit
