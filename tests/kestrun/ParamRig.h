#pragma once

// Kestrun against a module that keeps its parameters (SimParams): connect
// and wait for the first refresh, or open the form offline through Cancel
// and let answers arrive unasked.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "KestrunHarness.h"
#include "platform/Controls.h"
#include "tests/support/WriteTimes.h"
#include "tools/SimParams.h"

struct ParamRig {
    KestrunHarness h;
    SimParams* p = nullptr;
    WriteTimes writes{h.port()};
    // The first write of the last refresh that refreshRuns() saw.
    int refreshFrom = 0;

    ParamRig() { p = SimParams::install(h.sim()); }

    SettingsForm* f() const { return h.settingsForm(); }
    ModuleSim& sim() { return h.sim(); }
    static QByteArray frame(const char* tail) { return KestrunHarness::frame(tail); }

    // True while the parameter buttons are held by a refresh or a chain.
    bool busy() const { return f() && f()->commandsDisabled(); }

    // Connects; true once the settings form is shown.
    bool connect() {
        h.connect();
        return QTest::qWaitFor([&] { return h.settingsFormShown(); }, 10000);
    }

    // Waits until a refresh starts and then ends (buttons back); `start` is
    // the index of the first request the refresh may have sent.
    bool refreshRuns(int* start = nullptr) {
        const int before = count();
        const int writesBefore = writes.count();
        if (!QTest::qWaitFor([&] { return f()->Timer2->enabled(); }, 3000)) return false;
        if (start) *start = before;
        refreshFrom = writesBefore;
        // The queries run on the refresh timer alone: each is due well
        // within its 500 ms of the one before.
        writes.eachDueWithin(650);
        const bool ended = QTest::qWaitFor([&] { return !f()->Timer2->enabled() && !busy(); }, 12000);
        writes.eachDueWithin(0);
        return ended;
    }

    bool connectAndRefresh(int* start = nullptr) { return connect() && refreshRuns(start); }

    // Right after connectAndRefresh(): the opening refresh's queries came
    // 500 ms apart, none after its deadline, and none before its time,
    // counted from the last identify request (the hand-over second, the
    // refresh's first 100 ms, then whole steps) rather than from the query
    // before: each tick restarts its timer before it writes, and a busy
    // machine may hold the thread between the two, so one gap alone may
    // come out short.
    bool refreshPaced() {
        const int identifyEnd = 5;  // the probe, then F8 F9 EC D6 D1
        if (writes.count() <= identifyEnd || writes.frame(identifyEnd) != frame("D1 03")) return false;
        const qint64 t0 = writes.atMs(identifyEnd);
        for (int i = identifyEnd + 1; i < writes.count(); ++i)
            if (writes.atMs(i) - t0 < 1000 + 100 + (i - identifyEnd - 1) * 500 - 20) return false;
        return writes.late().isEmpty();
    }

    // Opens the form without a module; once the answer path is open,
    // answers sent by the module are shown as they come.
    bool openOffline() {
        ConnectDialog* dlg = h.openConnectDialog();
        if (!dlg) return false;
        QTest::mouseClick(dlg->Command1[1], Qt::LeftButton);
        if (!h.settingsFormShown()) return false;
        return QTest::qWaitFor([&] { return g::RecvMode == 101 && h.port().isOpen(); }, 3000);
    }

    // The requests from index `from` on, as hex after the preamble.
    QStringList tails(int from) {
        QStringList out;
        const auto reqs = sim().requests();
        for (int i = from; i < reqs.size(); ++i) out << hex(reqs[i].bytes.mid(8));
        return out;
    }
    int count() { return int(sim().requests().size()); }

    // The module sends bytes of its own accord.
    void send(const char* tail) { sim().send(frame(tail)); }
};
