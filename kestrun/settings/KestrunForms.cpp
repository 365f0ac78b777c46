#include "KestrunForms.h"

#include "Frm7340COM.h"
#include "core/MainWindow.h"

Frm7340COM* KestrunForms::settingsForm() const { return m_settings.data(); }

void KestrunForms::showSettingsForm() {
    if (!m_settings) m_settings = new Frm7340COM(m_main);
    m_main->showChild(m_settings);
}

Kestrun::~Kestrun() { main.reset(); }

std::unique_ptr<Kestrun> createKestrun() {
    auto app = std::make_unique<Kestrun>();
    app->forms = std::make_unique<KestrunForms>();
    app->main = std::make_unique<MainWindow>(QStringLiteral("Kestrun"), app->forms.get());
    app->forms->attach(app->main.get());
    return app;
}
