#pragma once

#include <QApplication>
#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

// Finds the one object of type T named `name` under root (root itself
// included; a null root searches every top-level window). A missing or
// ambiguous name fails the current test with a message saying which, and
// gives nullptr; use FIND_NAMED to also leave the test function.
template <class T>
T* findNamed(QObject* root, const QString& name, const char* file = __FILE__, int line = __LINE__) {
    QList<T*> found;
    auto searchIn = [&](QObject* r) {
        if (auto* self = qobject_cast<T*>(r); self && r->objectName() == name) found << self;
        found << r->template findChildren<T*>(name);
    };
    if (root) {
        searchIn(root);
    } else {
        for (QWidget* w : QApplication::topLevelWidgets()) searchIn(w);
    }
    if (found.size() == 1) return found.first();
    const QString where =
        root ? QStringLiteral("under \"%1\" (%2)")
                   .arg(root->objectName(), QString::fromLatin1(root->metaObject()->className()))
             : QStringLiteral("in any window");
    const QString what = found.isEmpty() ? QStringLiteral("no %1 named \"%2\" %3")
                                         : QStringLiteral("%4 objects of type %1 named \"%2\" %3");
    QString msg = what.arg(QString::fromLatin1(T::staticMetaObject.className()), name, where);
    if (!found.isEmpty()) msg = msg.arg(found.size());
    QTest::qFail(qPrintable(msg), file, line);
    return nullptr;
}

// T* var = the control, or the test function returns (failed) when missing.
#define FIND_NAMED(var, T, root, name)                         \
    T* var = findNamed<T>((root), (name), __FILE__, __LINE__); \
    if (!var) return
