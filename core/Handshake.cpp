#include "Handshake.h"

#include <QProgressBar>
#include <QPushButton>

#include "ConnectDialog.h"
#include "Globals.h"
#include "MainWindow.h"
#include "ProgramForms.h"
#include "core/AnswerMachine.h"
#include "core/CommPortSource.h"
#include "core/protocol/Frames.h"
#include "platform/Dialogs.h"
#include "platform/text/TextCodec.h"

namespace {

uint8_t at(const QByteArray& a, int i) { return i < a.size() ? uint8_t(a[i]) : 0; }
}  // namespace

// The handshake's states on the shared receive machine: the machine hunts
// for 0x1A, checks the preamble and reads the answer code; the code leads to
// the state of its answer. An unlisted code is skipped and the next byte is
// read as a code.
class HandshakeMachine : public AnswerMachine {
public:
    HandshakeMachine(HandshakeReceiver& owner, MainWindow& main, ByteSource* source, bool gprs)
        : AnswerMachine(source, gprs ? 110 : 100), m_owner(owner), m_main(main), m_gprs(gprs) {
        setObjectName(gprs ? QStringLiteral("ReceiveHandshakeGprs") : QStringLiteral("ReceiveHandshakeSms"));
        for (int state = 3; state <= 9; ++state)
            registerState(state, [this](AnswerMachine&) { answerStep(); });
        registerState(PreambleRest, [this](AnswerMachine&) { preambleRest(); });
    }

protected:
    // After a status notice taken for the probe answer: the rest of the
    // preamble of the frame that follows it.
    static constexpr int PreambleRest = 10;

    bool listedState(int s) const override { return s >= 3 && s <= PreambleRest; }

    std::pair<int, int> route(uint8_t code) const override {
        switch (code) {
            case 0xFD:
                // A probe answer counts only while the handshake waits for it.
                if (m_main.timerEnabled(9) || m_main.timerEnabled(10)) {
                    m_main.setTimerEnabled(5, true);
                    return {3, 3};
                }
                return {9, 1};
            // Both bytes of F8 and F9 are awaited, so a value byte that
            // arrives late is not mistaken for a stray byte.
            case 0xF8:
                return {4, 2};
            case 0xF9:
                return {5, 2};
            case 0xEC:
                return {6, 12};
            case 0xD6:
                return {7, 2};
            case 0xD1:
                return {8, 2};
            default:
                return {Dispatch, 1};
        }
    }

private:
    void answerStep() {
        const int state = g::RxState;
        if (state == 8) {
            const QByteArray answer = read();
            m_owner.endOfHandshake(at(answer, 1), m_gprs);
            return;
        }
        g::CommBytes = read();
        switch (state) {
            case 3:
                m_main.setTimerEnabled(5, false);
                m_main.setTimerInterval(5, 1000);
                if (at(g::CommBytes, 1) == 0x1A && at(g::CommBytes, 2) == 0x2A) {
                    // A module that has just powered up sends its one-byte
                    // notice FD: what follows it is the next frame (the
                    // probe's own answer), not two status bytes. Its status
                    // would pick a work mode the module is not in.
                    goTo(PreambleRest, 6);
                    return;
                }
                m_main.setTimerEnabled(9, false);
                m_main.setTimerEnabled(10, false);
                g::BaudScanStep = 1;
                g::HsStatusBytes[2] = at(g::CommBytes, 2);
                g::HsStatusBytes[1] = at(g::CommBytes, 1);
                m_main.setTimerEnabled(11, true);
                break;
            case 4:
                g::WorkModeByte[0] = at(g::CommBytes, 1);
                break;
            case 5:
                g::TransModeByte[0] = at(g::CommBytes, 1);
                break;
            case 6: {
                QString text;
                for (g::RxByteIndex = 1; g::RxByteIndex <= 11; ++g::RxByteIndex) {
                    const uint8_t b = at(g::CommBytes, g::RxByteIndex);
                    text += TextCodec::byteToChar(b);
                    g::VersionBytes[g::RxByteIndex - 1] = b;
                }
                g::VersionText = text;
                break;
            }
            case 7:
                g::HsBlockD6[0] = at(g::CommBytes, 1);
                break;
            default:
                break;  // 9: a probe answer nobody waits for, dropped
        }
        toHunt();
    }

    void preambleRest() {
        if (read() == Frames::FramePreamble().mid(2))
            goTo(Dispatch, 1);
        else
            toHunt();
    }

    HandshakeReceiver& m_owner;
    MainWindow& m_main;
    bool m_gprs;
};

HandshakeReceiver::HandshakeReceiver(MainWindow& main)
    : m_main(main), m_source(std::make_unique<CommPortSource>(main.MSComm1)) {
    m_sms = std::make_unique<HandshakeMachine>(*this, main, m_source.get(), false);
    m_gprs = std::make_unique<HandshakeMachine>(*this, main, m_source.get(), true);
}

HandshakeReceiver::~HandshakeReceiver() = default;

void HandshakeReceiver::readN(int n) {
    m_main.MSComm1->setRThreshold(n);
    m_main.MSComm1->setInputLen(n);
}

void HandshakeReceiver::receive(bool gprs) { (gprs ? m_gprs : m_sms)->receive(); }

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
        Dialogs::msgBox(&m_main, QStringLiteral("您的模块与测试软件不一样，请与厂家联系"),
                        QStringLiteral("提示"), Dialogs::Icon::Exclamation);
        return;
    }
    if (m_main.forms()) m_main.forms()->showSettingsForm(true);
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
    Dialogs::msgBox(&m_main, QStringLiteral("模块和计算机通信失败，请检查串口号、波特率"),
                    QStringLiteral("系统提示"));
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
        const bool giveBack = !m_main.forms() || m_main.forms()->connectChoice().identifyEndGivesConnectBack;
        if (g::RecvMode == 100 && giveBack) {
            if (ConnectDialog* dlg = m_main.connectDialog()) {
                dlg->Command1[0]->setEnabled(true);
                dlg->Command1[1]->setEnabled(true);
            }
        }
        // The GPRS dialog's buttons come back whichever dialog connected;
        // that loads it unseen when it was not loaded.
        if (m_main.forms()) m_main.forms()->enableGprsConnectButtons();
        m_main.setTimerEnabled(11, false);
    }
}
