#pragma once

// Kestrun against a simulated GPRS data module on a pseudo-terminal linked
// as COM1, every message box recorded and answered. The GPRS dialogs are
// opened in code: nothing in the program leads to them.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "kestrun/KestrunForms.h"
#include "kestrun/gprs/GprsForms.h"
#include "kestrun/gprs/GprsModeDialog.h"
#include "kestrun/gprs/GprsSettingsForm.h"
#include "platform/CommPort.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"
#include "tests/support/DialogRecorder.h"
#include "tests/support/SimSupport.h"
#include "tools/SimGprs.h"
#include "tools/SimTestPeer.h"

using SimSupport::fromHex;
using SimSupport::hex;

struct GprsHarness {
    SimSupport::SimFixture fixture{1, ModuleSim::Kind::Gprs};
    DialogRecorder dialogs;
    SimGprs* module = nullptr;
    SimTestPeer* peer = nullptr;
    std::unique_ptr<Kestrun> app;

    GprsHarness() {
        g::resetAll();
        Vb::setAppVersion(4, 2);
        module = SimGprs::install(fixture.sim());
        peer = SimTestPeer::install(fixture.sim());
        app = createKestrun();
        app->main->show();
    }

    ModuleSim& sim() { return fixture.sim(); }
    MainWindow& main() { return *app->main; }
    CommPort& port() { return *app->main->MSComm1; }
    GprsForms& gprs() { return *app->forms->gprs(); }
    GprsSettingsForm* form() { return gprs().settingsForm(); }

    static QByteArray frame(const char* tailHex) {
        return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tailHex);
    }

    template <class T = QWidget>
    T* in(QObject* parent, const QString& name) {
        return parent ? parent->findChild<T*>(name) : nullptr;
    }
    template <class T = QWidget>
    T* f(const QString& name) {
        return in<T>(form(), name);
    }
    QPushButton* button(int i) { return f<QPushButton>(QStringLiteral("Command1(%1)").arg(i)); }
    QString label1(int i) { return f<QLabel>(QStringLiteral("Label1(%1)").arg(i))->text(); }
    QString text(const QString& name) {
        if (auto* e = f<QLineEdit>(name)) return e->text();
        if (auto* a = f<QPlainTextEdit>(name)) return a->toPlainText();
        return QStringLiteral("<none>");
    }
    void setText(const QString& name, const QString& t) {
        if (auto* e = f<QLineEdit>(name)) e->setText(t);
        if (auto* a = f<QPlainTextEdit>(name)) a->setPlainText(t);
    }
    VbTimer* timer(const char* name) { return f<VbTimer>(QString::fromLatin1(name)); }
    bool allButtonsEnabled() {
        for (int i = 0; i < 12; ++i)
            if (button(i)->testAttribute(Qt::WA_ForceDisabled)) return false;  // its own state
        return true;
    }

    // The settings form opened in `workMode` on the simulated module's open
    // port; with holdRefresh the read sequence of the load is held back.
    GprsSettingsForm* openForm(int workMode = 1, bool holdRefresh = true) {
        if (!fixture.ok()) return nullptr;
        port().setCommPort(fixture.comNumber());
        if (port().open() != CommPort::OpenResult::Ok) return nullptr;
        g::GprsWorkMode = workMode;
        gprs().showSettingsForm();
        if (holdRefresh && form()) timer("Timer6")->setEnabled(false);
        return form();
    }

    // Requests that arrived from index `from` on, as hex lines.
    QStringList requestsFrom(int from) {
        QStringList out;
        const auto reqs = sim().requests();
        for (int i = from; i < reqs.size(); ++i) out << hex(reqs[i].bytes);
        return out;
    }
    qint64 at(int i) { return sim().requests().value(i).atMs; }

    // Everything the simulated module holds, as one comparable text.
    QString holds() {
        const SimGprs& m = *module;
        return QStringLiteral("work %1 trans %2 id %3 %4 target %5 passive %6 baud %7 beat %8 restart %9 sub %10 "
                              "layout %11 power %12 delays %13/%14 wake %15")
            .arg(sim().identity.workMode)
            .arg(sim().identity.transMode)
            .arg(hex(m.identityAddress), hex(m.identityExtra), hex(m.targetAddress), hex(m.passiveAddress))
            .arg(m.baudCode)
            .arg(m.heartbeat)
            .arg(m.restartCount)
            .arg(m.subMode)
            .arg(hex(m.layout))
            .arg(m.powerSaving)
            .arg(m.idleUnits)
            .arg(m.dataUnits)
            .arg(m.wakeMode);
    }
};
