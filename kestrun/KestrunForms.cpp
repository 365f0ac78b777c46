#include "KestrunForms.h"

#include <QMdiSubWindow>

#include "kestrun/settings/SettingsForm.h"
#include "kestrun/settings/TestTab.h"
#include "core/MainWindow.h"
#include "kestrun/gprs/GprsForms.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"

KestrunForms::KestrunForms() = default;
KestrunForms::~KestrunForms() = default;

void KestrunForms::attach(MainWindow* main) {
    m_main = main;
    m_receiver = std::make_unique<SmsAnswerReceiver>(main);
    m_gprs = std::make_unique<GprsForms>(main);
}

SettingsForm* KestrunForms::settingsForm() const { return m_settings.data(); }

void KestrunForms::showSettingsForm() {
    if (m_settings) {
        m_main->showChild(m_settings);
        m_settings->restartPortSteps();
        return;
    }
    m_settings = new SettingsForm(m_main);
    if (m_receiver) m_receiver->setForm(m_settings);
    m_settings->load();
    QMdiSubWindow* sub = m_main->showChild(m_settings);
    if (sub) sub->move(0, 0);
}

void KestrunForms::receiveModuleAnswer() {
    if (m_receiver) m_receiver->receive();
}

void KestrunForms::sendModeChanged() {
    if (m_settings) m_settings->testTab->sendModeChanged();
}

void KestrunForms::showSampleReceived() {
    if (m_settings) m_settings->testTab->showSample();
}

void KestrunForms::receiveGprsAnswer() {
    if (m_gprs) m_gprs->receive();
}

void KestrunForms::setGprsProgress(int value) {
    if (m_gprs) m_gprs->setProgress(value);
}

void KestrunForms::enableGprsConnectButtons() {
    if (m_gprs) m_gprs->enableConnectButtons();
}

void KestrunForms::gprsHandshakeDone(int moduleType) {
    if (m_gprs) m_gprs->handshakeDone(moduleType);
}

Kestrun::~Kestrun() { main.reset(); }

std::unique_ptr<Kestrun> createKestrun() {
    auto app = std::make_unique<Kestrun>();
    app->forms = std::make_unique<KestrunForms>();
    app->main = std::make_unique<MainWindow>(QStringLiteral("Kestrun"), app->forms.get());
    app->forms->attach(app->main.get());
    return app;
}
