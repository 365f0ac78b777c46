#include "Handshake.h"

#include "core/protocol/Frames.h"
#include "ConnectDialog.h"
#include "Globals.h"
#include "MainWindow.h"
#include "ProgramForms.h"
#include "platform/Dialogs.h"
#include "platform/text/TextCodec.h"

#include <QProgressBar>
#include <QPushButton>

namespace {

uint8_t at(const QByteArray& a, int i) { return i < a.size() ? uint8_t(a[i]) : 0; }
}  // namespace

HandshakeReceiver::HandshakeReceiver(MainWindow& main) : m_main(main) {}

void HandshakeReceiver::readN(int n) {
    m_main.MSComm1->setRThreshold(n);
    m_main.MSComm1->setInputLen(n);
}

void HandshakeReceiver::receive(bool gprs) {
    CommPort& port = *m_main.MSComm1;
    while (port.isOpen() && port.inBufferCount() > 0) {
        if (!step(gprs)) return;
    }
}

// One state of the machine. Returns false when the state waits for more
// bytes than have arrived; the threshold set on entering it brings the next
// receive event.
bool HandshakeReceiver::step(bool gprs) {
    CommPort& port = *m_main.MSComm1;
    auto need = [&](int n) { return port.inBufferCount() >= n; };

    switch (g::RxState) {
        case 0: {
            g::CommBytes = port.input();
            if (g::CommBytes.isEmpty()) return false;
            if (at(g::CommBytes, 0) == 0x1A) {
                g::RxState = 1;
                readN(7);
            }
            return true;
        }
        case 1: {
            if (!need(7)) return false;
            g::CommBytes = port.input();
            g::RxState = Frames::isPreambleTail(g::CommBytes) ? 2 : 0;
            readN(1);
            return true;
        }
        case 2: {
            g::CommBytes = port.input();
            if (g::CommBytes.isEmpty()) return false;
            switch (at(g::CommBytes, 0)) {
                case 0xFD:
                    if (m_main.timerEnabled(9) || m_main.timerEnabled(10)) {
                        g::RxState = 3;
                        readN(3);
                        m_main.setTimerEnabled(5, true);
                    } else {
                        g::RxState = 9;
                        readN(1);
                    }
                    break;
                case 0xF8: g::RxState = 4; readN(2); break;
                case 0xF9: g::RxState = 5; readN(2); break;
                case 0xEC: g::RxState = 6; readN(12); break;
                case 0xD6: g::RxState = 7; readN(2); break;
                case 0xD1: g::RxState = 8; readN(2); break;
                default: break;  // not an answer we know: the next byte is read as a code
            }
            return true;
        }
        case 3: {
            if (!need(3)) return false;
            g::CommBytes = port.input();
            m_main.setTimerEnabled(5, false);
            m_main.setTimerInterval(5, 1000);
            m_main.setTimerEnabled(9, false);
            m_main.setTimerEnabled(10, false);
            g::BaudScanStep = 1;
            g::HsStatusBytes[2] = at(g::CommBytes, 2);
            g::HsStatusBytes[1] = at(g::CommBytes, 1);
            m_main.setTimerEnabled(11, true);
            g::RxState = 0;
            readN(1);
            return true;
        }
        case 4:
        case 5: {
            // Both bytes are awaited, so a value byte that arrives late is not
            // mistaken for a stray byte.
            if (!need(2)) return false;
            g::CommBytes = port.input();
            (g::RxState == 4 ? g::WorkModeByte : g::TransModeByte)[0] = at(g::CommBytes, 1);
            g::RxState = 0;
            readN(1);
            return true;
        }
        case 6: {
            if (!need(12)) return false;
            g::CommBytes = port.input();
            QString text;
            for (g::RxByteIndex = 1; g::RxByteIndex <= 11; ++g::RxByteIndex) {
                const uint8_t b = at(g::CommBytes, g::RxByteIndex);
                text += TextCodec::byteToChar(b);
                g::VersionBytes[g::RxByteIndex - 1] = b;
            }
            g::VersionText = text;
            g::RxState = 0;
            readN(1);
            return true;
        }
        case 7: {
            if (!need(2)) return false;
            g::CommBytes = port.input();
            g::HsBlockD6[0] = at(g::CommBytes, 1);
            g::RxState = 0;
            readN(1);
            return true;
        }
        case 8: {
            if (!need(2)) return false;
            const QByteArray answer = port.input();
            endOfHandshake(at(answer, 1), gprs);
            return true;
        }
        case 9: {
            port.input();
            g::RxState = 0;
            readN(1);
            return true;
        }
        default:
            g::RxState = 0;
            readN(1);
            return true;
    }
}

void HandshakeReceiver::endOfHandshake(uint8_t moduleType, bool gprs) {
    g::ModuleTypeByte[0] = moduleType;
    m_main.MSComm1->setDTREnable(true);
    readN(1);
    g::RxState = 0;
    m_main.setTimerEnabled(11, false);
    if (gprs) {
        if (m_main.forms()) m_main.forms()->gprsHandshakeDone(moduleType);
        return;
    }
    m_main.unloadConnectDialog();
    if (moduleType == 1) {
        Dialogs::msgBox(&m_main, QStringLiteral("您的模块与测试软件不一样，请与厂家联系"), QStringLiteral("提示"),
                        Dialogs::Icon::Exclamation);
        return;
    }
    if (m_main.forms()) m_main.forms()->showSettingsForm();
}

void HandshakeReceiver::onProbeTick() {
    m_main.setTimerEnabled(8, false);
    g::CommBytes = Frames::HandshakeFrame();
    m_main.MSComm1->output(g::CommBytes);
    m_main.setTimerEnabled(9, true);
}

void HandshakeReceiver::onTimeoutTick() {
    m_main.setTimerEnabled(9, false);
    m_main.MSComm1->dropInput();
    g::RxState = 0;
    Dialogs::msgBox(&m_main, QStringLiteral("模块和计算机通信失败，请检查串口号、波特率"), QStringLiteral("系统提示"));
    if (m_main.MSComm1->isOpen()) m_main.MSComm1->close();
    if (ConnectDialog* dlg = m_main.connectDialog()) dlg->enableAll();
}

void HandshakeReceiver::onIdentifyTick() {
    g::CommBytes = Frames::FramePreamble();
    g::CommBytes.resize(10);
    m_main.rearmTimer(11, 1000);

    auto showStep = [&](int value) {
        if (g::RecvMode == 100) {
            if (ConnectDialog* dlg = m_main.connectDialog()) dlg->PBar->setValue(value);
        } else if (g::RecvMode == 110) {
            if (m_main.forms()) m_main.forms()->setGprsProgress(value);
        }
    };
    showStep(g::PollStep);

    static const uint8_t kCodes[5] = {0xF8, 0xF9, 0xEC, 0xD6, 0xD1};
    if (g::PollStep >= 0 && g::PollStep <= 4) {
        g::CommBytes[8] = char(kCodes[g::PollStep]);
        g::CommBytes[9] = char(0x03);
        m_main.MSComm1->output(g::CommBytes);
        ++g::PollStep;
    } else if (g::PollStep == 5) {
        // The module-type answer did not come within a second.
        g::PollStep = 0;
        showStep(0);
        if (g::RecvMode == 100) {
            if (ConnectDialog* dlg = m_main.connectDialog()) {
                dlg->Command1[0]->setEnabled(true);
                dlg->Command1[1]->setEnabled(true);
            }
        } else if (g::RecvMode == 110) {
            if (m_main.forms()) m_main.forms()->enableGprsConnectButtons();
        }
        m_main.setTimerEnabled(11, false);
    }
}
