#include "LegacyProbe.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

#include "ConnectDialog.h"
#include "Globals.h"
#include "MainWindow.h"
#include "ProgramForms.h"
#include "RestartNotice.h"
#include "core/protocol/Frames.h"
#include "platform/Dialogs.h"
#include "platform/Vb.h"

namespace {
const int kRates[9] = {1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200};
}

LegacyProbe::LegacyProbe(MainWindow& main) : m_main(main) {
    m_main.onTimerTick(2, [this] { onTimer2(); });
    m_main.onTimerTick(3, [this] { onTimer3(); });
    m_main.onTimerTick(4, [this] { onTimer4(); });
    m_main.onTimerTick(6, [this] { onTimer6(); });
    m_main.onTimerTick(7, [this] { onTimer7(); });
    m_main.onTimerTick(10, [this] { onTimer10(); });
}

RestartNotice* LegacyProbe::waitDialog() const { return m_form11.data(); }

bool LegacyProbe::keepsReadSettings() const {
    return m_main.forms() && m_main.forms()->connectChoice().readWholeWindows;
}

void LegacyProbe::setReadSettings(int n) {
    if (keepsReadSettings()) return;
    m_main.MSComm1->setInputLen(n);
    m_main.MSComm1->setRThreshold(n);
}

void LegacyProbe::onTimer3() {
    m_main.setTimerEnabled(3, false);
    if (m_main.forms() && !m_main.forms()->connectChoice().restartWaitDialog) return;
    if (!m_form11) m_form11 = new RestartNotice(&m_main);
    m_form11->setWindowModality(Qt::ApplicationModal);
    m_form11->show();
}

void LegacyProbe::onTimer2() {
    m_main.setTimerEnabled(2, false);
    m_main.setTimerInterval(2, 5000);
    m_main.MSComm1->output(Frames::LegacyProbe());
    m_main.setTimerEnabled(4, true);
}

void LegacyProbe::onTimer4() {
    m_main.setTimerEnabled(4, false);
    CommPort& port = *m_main.MSComm1;
    port.dropInput();
    g::RxState = 0;
    const auto answer = Dialogs::msgBox(
        &m_main, QStringLiteral("模块和计算机通信失败，请检查串口号、波特率。您需要系统自动检测波特率吗？"),
        QStringLiteral("系统提示"), Dialogs::Icon::None, Dialogs::Buttons::YesNo);
    if (answer == Dialogs::Answer::Yes) {
        m_main.setTimerEnabled(7, true);
        setReadSettings(1);
        port.setDTREnable(true);
        g::BaudScanStep = 1;
        return;
    }
    setReadSettings(1000);
    if (port.isOpen()) port.close();
    if (ConnectDialog* dlg = m_main.connectDialog()) {
        dlg->Command1[0]->setEnabled(true);
        dlg->Command1[1]->setEnabled(true);
        dlg->Frame1->setEnabled(true);
    }
}

void LegacyProbe::onTimer6() {
    QByteArray frame;
    switch (g::PollStep) {
        case 0:
            frame = QByteArray::fromHex("D7F803");
            g::PollStep = 1;
            break;
        case 1:
            frame = QByteArray::fromHex("D7F903");
            g::PollStep = 2;
            break;
        case 2:
            frame = QByteArray::fromHex("D7EC");
            g::PollStep = 3;
            break;
        case 3:
            m_main.setTimerEnabled(6, false);
            return;
        default:
            return;
    }
    m_main.MSComm1->output(frame);
}

void LegacyProbe::onTimer7() { scanStep(false); }

void LegacyProbe::onTimer10() {
    g::CommBytes = Frames::HandshakeFrame();
    g::RxState = 0;
    setReadSettings(1);
    m_main.rearmTimer(10, 1500);
    scanStep(true);
}

// One rate of the search: the handshake probe search tries all nine rates,
// the older one gives up before 115200.
void LegacyProbe::scanStep(bool handshakeProbe) {
    const int step = g::BaudScanStep;
    const int lastRateStep = handshakeProbe ? 9 : 8;
    if (step >= 1 && step <= lastRateStep) {
        CommPort& port = *m_main.MSComm1;
        port.setSettings(QStringLiteral("%1,n,8,1").arg(kRates[step - 1]));
        g::BaudScanStep = step + 1;
        m_main.setPanel(
            1, Vb::stringTable(101) + QStringLiteral("COM%1--%2").arg(port.commPort()).arg(port.settings()));
        port.output(handshakeProbe ? g::CommBytes : Frames::LegacyProbe());
    } else if (step == lastRateStep + 1) {
        giveUp(handshakeProbe);
    }
}

void LegacyProbe::giveUp(bool handshakeProbe) {
    g::BaudScanStep = 1;
    CommPort& port = *m_main.MSComm1;
    setReadSettings(1000);
    if (ConnectDialog* dlg = m_main.connectDialog()) {
        dlg->Command1[0]->setEnabled(true);
        dlg->Command1[1]->setEnabled(true);
        if (handshakeProbe) {
            dlg->Combo1->setEnabled(true);
            dlg->Combo2->setEnabled(true);
        } else {
            dlg->Frame1->setEnabled(true);
        }
    }
    if (port.isOpen()) port.close();
    m_main.setTimerEnabled(handshakeProbe ? 10 : 7, false);
    m_main.setPanel(1, Vb::stringTable(101) + QStringLiteral("未使用"));
    Dialogs::msgBox(&m_main, QStringLiteral("自动检索失败请换一下串口编号再试！"),
                    QStringLiteral("错误提示"));
}
