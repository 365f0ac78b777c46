#include "VarnelForms.h"

#include <QMdiSubWindow>

#include "core/MainWindow.h"
#include "varnel/settings/SettingsForm.h"
#include "varnel/settings/TestTab.h"
#include "varnel/sms_parser/AnswerReceiver.h"

VarnelForms::VarnelForms() = default;
VarnelForms::~VarnelForms() = default;

void VarnelForms::attach(MainWindow* main) {
    m_main = main;
    m_receiver = std::make_unique<AnswerReceiver>();
}

SettingsForm* VarnelForms::settingsForm() const { return m_settings.data(); }

SettingsForm* VarnelForms::ensureSettingsForm() {
    if (m_settings || !m_main) return m_settings;
    m_settings = new SettingsForm(m_main);
    if (m_receiver) m_receiver->setSink(m_settings);
    QObject::connect(m_settings, &QObject::destroyed, m_main, [this] {
        if (m_receiver) m_receiver->setSink(nullptr);
    });
    m_main->showChild(m_settings);
    m_settings->load();
    return m_settings;
}

QWidget* VarnelForms::settingsWindow() { return ensureSettingsForm(); }

void VarnelForms::showSettingsForm(bool) {
    SettingsForm* form = ensureSettingsForm();
    if (!form) return;
    m_main->showChild(form);
    form->setFocus();
}

void VarnelForms::startModuleDialogue() {
    if (SettingsForm* form = ensureSettingsForm()) form->startModuleDialogue();
}

void VarnelForms::receiveModuleAnswer() {
    if (m_receiver) m_receiver->receive();
}

void VarnelForms::lineLost() {
    if (m_settings) m_settings->lineLost();
}

void VarnelForms::connectStarting() {
    if (m_settings) m_settings->connectStarting();
}

void VarnelForms::sendModeChanged() {
    if (m_settings) m_settings->testTab->sendModeChanged();
}

void VarnelForms::showSampleReceived() {
    if (m_settings) m_settings->testTab->showSample();
}

Varnel::~Varnel() { main.reset(); }

std::unique_ptr<Varnel> createVarnel() {
    auto app = std::make_unique<Varnel>();
    app->forms = std::make_unique<VarnelForms>();
    app->main = std::make_unique<MainWindow>(QStringLiteral("QV7351短信模块参数设置"), app->forms.get());
    app->forms->attach(app->main.get());
    return app;
}
