#pragma once

// The whole Varnel program against a simulated QV7351 module on a
// pseudo-terminal linked as COM1, with every message box recorded and
// answered.

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "core/ConnectDialog.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/PictureWindow.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/SimSupport.h"
#include "tools/SimQv7351.h"
#include "varnel/VarnelForms.h"
#include "varnel/settings/SettingsForm.h"

struct VarnelHarness {
    SimSupport::SimFixture fixture{1, ModuleSim::Kind::Qv7351};
    SimQv7351* module = nullptr;
    DialogRecorder dialogs;
    std::unique_ptr<Varnel> app;

    explicit VarnelHarness(int major = 4, int minor = 2) {
        g::resetAll();
        Vb::setAppVersion(major, minor);
        if (fixture.ok()) module = SimQv7351::install(fixture.sim());
        app = createVarnel();
        app->main->show();
    }

    ModuleSim& sim() { return fixture.sim(); }
    MainWindow& main() { return *app->main; }
    CommPort& port() { return *app->main->MSComm1; }
    SettingsForm* form() const { return app->forms->settingsForm(); }

    // P followed by the given bytes.
    static QByteArray frame(const char* tailHex) {
        return SimSupport::fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + SimSupport::fromHex(tailHex);
    }

    ConnectDialog* openConnectDialog() {
        if (!QTest::qWaitFor([&] { return main().pictureWindow() && main().pictureWindow()->isVisible(); },
                             3000))
            return nullptr;
        QTest::mouseClick(main().pictureWindow()->Label2, Qt::LeftButton);
        return main().connectDialog();
    }

    // Presses Connect (opening the dialog first when needed); the
    // simulator's clock at the press, or -1.
    qint64 connect() {
        ConnectDialog* dlg = main().connectDialog() ? main().connectDialog() : openConnectDialog();
        if (!dlg) return -1;
        const qint64 t = sim().elapsedMs();
        QTest::mouseClick(dlg->Command1[0], Qt::LeftButton);
        return t;
    }

    // A whole connect up to the answer parser taking the input; the first
    // refresh is held back so that only a test's own requests talk.
    bool connectToForm() {
        if (connect() < 0) return false;
        if (!QTest::qWaitFor([&] { return form() && form()->Timer5->enabled(); }, 8000)) return false;
        form()->Timer6->setEnabled(false);
        if (!QTest::qWaitFor([&] { return g::RecvMode == 101; }, 2000)) return false;
        form()->Timer6->setEnabled(false);
        return true;
    }

    // Index of the first request equal to bytes at `from` or later; -1.
    int waitFor(const QByteArray& bytes, int from = 0, int ms = 5000) {
        return fixture.waitForRequest(bytes, from, ms);
    }
    qint64 at(int i) { return sim().requests().value(i).atMs; }
    QByteArray request(int i) { return sim().requests().value(i).bytes; }
};
