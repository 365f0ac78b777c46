#include "KestrunForms.h"

#include <QMdiSubWindow>

#include "core/CommPortSource.h"
#include "core/MainWindow.h"
#include "kestrun/settings/SettingsForm.h"
#include "kestrun/settings/TestTab.h"
#include "kestrun/gprs/GprsForms.h"
#include "kestrun/sms_parser/SmsAnswerReceiver.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"

KestrunForms::KestrunForms() = default;
KestrunForms::~KestrunForms() = default;

void KestrunForms::attach(MainWindow* main) {
    m_main = main;
    m_source = std::make_unique<CommPortSource>(main->MSComm1);
    m_receiver = std::make_unique<SmsAnswerReceiver>(m_source.get(), this);
    m_gprs = std::make_unique<GprsForms>(main);
}

SettingsForm* KestrunForms::settingsForm() const { return m_settings.data(); }

void KestrunForms::showSettingsForm(bool handshakeEnded) {
    if (m_settings) {
        m_main->showChild(m_settings);
        // Cancel closed the port: a refresh now would open it again.
        if (handshakeEnded) m_settings->restartPortSteps();
        return;
    }
    m_settings = new SettingsForm(m_main);
    if (m_receiver) {
        m_receiver->setSink(m_settings);
        // An answer may come after the form was closed: it finds no form,
        // and a form opened later asked nothing.
        QObject::connect(m_settings, &QObject::destroyed, m_receiver.get(), [r = m_receiver.get()] {
            r->setSink(nullptr);
            r->forgetRequests();
        });
        m_settings->setSettingsRequestHook(
            [r = m_receiver.get()](bool alarm) { r->settingsRequestGoing(alarm); });
    }
    m_settings->load();
    QMdiSubWindow* sub = m_main->showChild(m_settings);
    if (sub) sub->move(0, 0);
}

void KestrunForms::receiveModuleAnswer() {
    if (m_receiver) m_receiver->receive();
}

void KestrunForms::connectStarting() {
    if (m_settings) m_settings->connectStarting();
    if (m_receiver) m_receiver->forgetRequests();
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

void KestrunForms::tell(const QString& text, const QString& title, Icon icon) {
    Dialogs::Icon i = Dialogs::Icon::None;
    if (icon == Icon::Information) i = Dialogs::Icon::Information;
    if (icon == Icon::Exclamation) i = Dialogs::Icon::Exclamation;
    Dialogs::msgBox(m_settings.data(), text, title, i);
}

void KestrunForms::showStatusWord(const QString& word) {
    if (m_main) m_main->setPanel(2, Vb::stringTable(103) + word);
}

Kestrun::~Kestrun() { main.reset(); }

std::unique_ptr<Kestrun> createKestrun() {
    auto app = std::make_unique<Kestrun>();
    app->forms = std::make_unique<KestrunForms>();
    app->main = std::make_unique<MainWindow>(QStringLiteral("Kestrun"), app->forms.get());
    app->forms->attach(app->main.get());
    return app;
}
