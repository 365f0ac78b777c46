#pragma once

// The whole Kestrun program against a simulated module on a pseudo-terminal
// linked as COM1, with every message box recorded and answered.

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "core/ConnectDialog.h"
#include "core/PictureWindow.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "kestrun/settings/SettingsForm.h"
#include "kestrun/KestrunForms.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/SimSupport.h"
#include "tests/support/VirtualTime.h"

using SimSupport::fromHex;
using SimSupport::hex;

struct KestrunHarness {
    SimSupport::SimFixture fixture;
    DialogRecorder dialogs;
    std::unique_ptr<Kestrun> app;

    KestrunHarness() {
        g::resetAll();
        Vb::setAppVersion(4, 2);
        app = createKestrun();
        QObject::connect(app->main->MSComm1, &CommPort::frameWritten, app->main.get(),
                         [this](const QByteArray& frame) { written += quint64(frame.size()); });
        app->main->show();
    }

    // Bytes the program has written to its port.
    quint64 written = 0;
    // True once the module has received everything the program wrote, so
    // that "nothing more was sent" can be judged without sleeping.
    bool moduleCaughtUp(int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return sim().receivedTotal() >= written; }, timeoutMs) &&
               settle(timeoutMs);
    }

    ModuleSim& sim() { return fixture.sim(); }
    MainWindow& main() { return *app->main; }
    CommPort& port() { return *app->main->MSComm1; }

    // P followed by the given bytes.
    static QByteArray frame(const char* tailHex) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tailHex); }

    bool waitForPictureWindow() {
        return QTest::qWaitFor([&] { return main().pictureWindow() && main().pictureWindow()->isVisible(); }, 3000);
    }

    // Clicks the picture window's caption label, as a user opens the dialog.
    ConnectDialog* openConnectDialog() {
        if (!waitForPictureWindow()) return nullptr;
        QTest::mouseClick(main().pictureWindow()->Label2, Qt::LeftButton);
        return main().connectDialog();
    }

    // Opens the dialog and presses Connect; returns the simulator's clock at
    // the press.
    qint64 connect() {
        ConnectDialog* dlg = main().connectDialog() ? main().connectDialog() : openConnectDialog();
        if (!dlg) return -1;
        const qint64 t = sim().elapsedMs();
        QTest::mouseClick(dlg->Command1[0], Qt::LeftButton);
        return t;
    }

    SettingsForm* settingsForm() const { return app->forms->settingsForm(); }

    // The settings form shown without a handshake, on `tab`, its port open on
    // the simulated module (unless openPort is false) and the answer receiver
    // in charge. The first parameter refresh is held back so that only the
    // requests of a test talk. Null when the form could not be brought up.
    SettingsForm* showFormDirectly(int tab, bool openPort = true, int com = 0) {
        if (!fixture.ok()) return nullptr;
        if (openPort) {
            port().setCommPort(com ? com : fixture.comNumber());
            if (port().open() != CommPort::OpenResult::Ok) return nullptr;
            port().setRThreshold(1);
            port().setInputLen(1);
        }
        app->forms->showSettingsForm(true);
        SettingsForm* form = settingsForm();
        if (!form) return nullptr;
        form->Timer6->setEnabled(false);
        form->SSTab1->setCurrentIndex(tab);
        return waitFor([] { return g::RecvMode == 101; }, 4000) ? form : nullptr;
    }
    bool settingsFormShown() const { return settingsForm() && settingsForm()->isVisible(); }

    // The module sends `bytes`; true once the program has taken all of them
    // in and its receivers have had their turn at them (nothing waits in
    // the event queue). Stands in for sleeping "long enough".
    bool sendAndSettle(const QByteArray& bytes, int timeoutMs = 5000) {
        return sendChunksAndSettle({bytes}, 0, timeoutMs);
    }
    bool sendChunksAndSettle(const QList<QByteArray>& pieces, int gapMs, int timeoutMs = 5000) {
        quint64 target = port().receivedTotal();
        for (const QByteArray& p : pieces) target += quint64(p.size());
        sim().sendChunks(pieces, gapMs);
        if (!waitFor([&] { return port().receivedTotal() >= target; }, timeoutMs)) return false;
        return settle(timeoutMs);
    }
    // On the virtual clock when a test runs one, else on the real one.
    bool waitFor(const std::function<bool()>& done, int timeoutMs) {
        if (VirtualTime* time = VirtualTime::current()) return time->runUntil(done, timeoutMs);
        return QTest::qWaitFor(done, timeoutMs);
    }
    // Lets everything already posted run, and what that posts in turn; a
    // quiet spell the answer receiver has begun to time is waited out.
    bool settle(int timeoutMs = 5000) {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        VbTimer* quiet = app->forms->answerReceiver()->quietTimer();
        if (!waitFor([&] { return !quiet->enabled(); }, timeoutMs)) return false;
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        return true;
    }

    // Time of the request at index i on the simulator's clock.
    qint64 at(int i) { return sim().requests().value(i).atMs; }
    QByteArray request(int i) { return sim().requests().value(i).bytes; }
};
