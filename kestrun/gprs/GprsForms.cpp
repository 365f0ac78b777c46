#include "GprsForms.h"

#include <QMdiSubWindow>

#include "GprsAnswerParser.h"
#include "GprsModeDialog.h"
#include "GprsSettingsForm.h"
#include "core/CommPortSource.h"
#include "core/MainWindow.h"

GprsForms::GprsForms(MainWindow* main)
    : m_main(main),
      m_source(std::make_unique<CommPortSource>(main->MSComm1)),
      m_parser(std::make_unique<GprsAnswerParser>(m_source.get(), nullptr)) {}

GprsForms::~GprsForms() {
    if (m_settings) m_settings->close();
    delete m_mode.data();
}

GprsModeDialog* GprsForms::loadModeDialog() {
    if (!m_mode) m_mode = new GprsModeDialog(m_main, [this] { showSettingsForm(); });
    return m_mode;
}

GprsModeDialog* GprsForms::showModeDialog() {
    GprsModeDialog* dlg = loadModeDialog();
    dlg->show();
    dlg->raise();
    return dlg;
}

GprsModeDialog* GprsForms::modeDialog() const { return m_mode.data(); }

GprsSettingsForm* GprsForms::settingsForm() const { return m_settings.data(); }

void GprsForms::showSettingsForm() {
    if (!m_settings) {
        m_settings = new GprsSettingsForm(m_main);
        m_parser->setSink(m_settings);
        QObject::connect(m_settings, &GprsSettingsForm::receivedShown, m_parser.get(),
                         &GprsAnswerParser::receivedShown);
        QObject::connect(m_settings, &GprsSettingsForm::counting, m_parser.get(), &GprsAnswerParser::readHeld);
        QObject::connect(m_settings, &GprsSettingsForm::portOpened, m_parser.get(), &GprsAnswerParser::restart);
        QObject::connect(m_settings, &QObject::destroyed, m_main, [this] { m_parser->setSink(nullptr); });
        m_settings->load();
    }
    QMdiSubWindow* sub = m_main->showChild(m_settings);
    if (sub) sub->move(0, 0);
}

void GprsForms::receive() { m_parser->receive(); }

void GprsForms::setProgress(int value) {
    if (m_mode) m_mode->setProgress(value);
}

void GprsForms::enableConnectButtons() { loadModeDialog()->enableConnectButtons(); }

void GprsForms::handshakeDone(int moduleType) {
    if (m_mode) m_mode->handshakeDone(moduleType);
}
