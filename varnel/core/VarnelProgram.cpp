#include "VarnelProgram.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>

#include "QuietTimeReceivePath.h"
#include "VarnelHandshake.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/PictureWindow.h"
#include "platform/Vb.h"

VarnelProgram::VarnelProgram() = default;
VarnelProgram::~VarnelProgram() = default;

std::vector<MainTimerDesign> VarnelProgram::mainTimers() const {
    std::vector<MainTimerDesign> timers = ProgramForms::mainTimers();
    timers.push_back({12, QuietTimeReceivePath::QuietMs, false});
    return timers;
}

MainMenuChoice VarnelProgram::menuChoice() const {
    MainMenuChoice c;
    // Varnel has no address calculator; its items are left out of the menu.
    c.addressCalculator = false;
    return c;
}

ConnectChoice VarnelProgram::connectChoice() const {
    ConnectChoice c;
    c.readWholeWindows = true;
    c.cancelOpensPort = true;
    c.closeStopsHandshake = true;
    c.restartWaitDialog = false;
    c.identifyEndGivesConnectBack = false;
    return c;
}

std::unique_ptr<ReceivePath> VarnelProgram::makeReceivePath(MainWindow& main) {
    m_handshake = std::make_unique<VarnelHandshake>(main, [this] {
        showSettingsForm(true);
        startModuleDialogue();
    });
    auto path = std::make_unique<QuietTimeReceivePath>(
        main, [this] { m_handshake->receive(); }, [this] { receiveModuleAnswer(); });
    m_path = path.get();
    return path;
}

void VarnelProgram::fitChildren(MainWindow& main) {
    if (main.isMinimized() || g::RecvMode == 100) return;
    const QSize client = main.mdiArea()->viewport()->size();
    const int margin = Vb::twips(FitMarginTwips);
    const QSize fitted(qMax(0, client.width() - margin), qMax(0, client.height() - margin));
    // Never below what the form's controls need: the main window's area
    // scrolls to the rest instead.
    auto fit = [&](QWidget* form) {
        if (!form) return;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget()))
            sub->resize(fitted.expandedTo(sub->minimumSizeHint()));
        else
            form->resize(fitted.expandedTo(form->minimumSizeHint()));
    };
    fit(main.pictureWindow());
    fit(settingsWindow());
}
