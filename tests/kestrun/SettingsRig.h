#pragma once

// The settings form open with its port on a simulated module that keeps
// alarm and output settings, the answer receiver in charge. The first
// parameter refresh is held back so that only the requests of a test talk.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "KestrunHarness.h"
#include "kestrun/settings/AlarmTab.h"
#include "kestrun/settings/OutputTab.h"
#include "tools/SimSettings.h"

struct SettingsRig {
    KestrunHarness h;
    SimSettings* module = nullptr;
    SettingsForm* form = nullptr;
    AlarmTab* alarm = nullptr;
    OutputTab* output = nullptr;

    // False when the form could not be brought up.
    bool start(int tab, bool openPort = true) {
        module = SimSettings::install(h.sim());
        form = h.showFormDirectly(tab, openPort);
        if (!form) return false;
        alarm = form->alarmTab;
        output = form->outputTab;
        return true;
    }

    // A click as the user makes it (whether or not the button lies inside
    // the visible part of the window).
    void click(QAbstractButton* b) { b->click(); }

    // Chooses a list item as the user does.
    static void choose(QComboBox* c, int index) {
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    // Types into a box as the user does (replacing what it held); what the
    // keyboard cannot give is put in as an input method commits it.
    static void type(QLineEdit* e, const QString& text) {
        e->selectAll();
        e->del();
        for (QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClicks(e, QString(c));
            else
                e->insert(QString(c));
        }
    }

    QList<QByteArray> requests() {
        QList<QByteArray> out;
        for (const auto& r : h.sim().requests()) out << r.bytes;
        return out;
    }
    bool waitRequests(int n, int ms = 5000) {
        return QTest::qWaitFor([&] { return h.sim().requests().size() >= n; }, ms);
    }
    bool waitIdle(int ms = 5000) {
        return QTest::qWaitFor(
            [&] { return g::RxState == 0 && h.port().inBufferCount() == 0 && !h.sim().sending(); }, ms);
    }
    // Waits for the n-th message box (1-based) of the test.
    bool waitMessage(int n, int ms = 5000) { return h.dialogs.waitForMessage(n, ms); }
    // Nothing more arrives at the module for a while.
    bool staysQuiet(int count, int ms = 400) {
        QTest::qWait(ms);
        return h.sim().requests().size() == count;
    }
};
