// The configuration requests of the GPRS settings form: single writes, the
// timed write chains and the read sequence.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <utility>

#include "GprsSettingsForm.h"
#include "GprsWaitDialogs.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/Routines.h"
#include "core/protocol/GprsFrames.h"
#include "platform/CommPort.h"
#include "platform/Dialogs.h"
#include "platform/VbTimer.h"

namespace {
const QString kTitle = QStringLiteral("系统提示");
// How long after the read sequence gave up on a request its answer is still
// looked for among the bytes that come: a frame start in transparent data
// is held meanwhile until the bytes after it tell a frame from data.
constexpr int kReadLateMs = 7000;
}  // namespace

QString GprsSettingsForm::openPort() {
    CommPort& p = *port();
    const CommPort::OpenResult opened = p.open();
    if (opened != CommPort::OpenResult::Ok) return PortOpenErrorText(p, opened);
    emit portOpened();
    return QString();
}

// The line may have gone with its device (an adapter pulled out): what was
// to be sent goes nowhere, and the installer learns which device.
void GprsSettingsForm::tellPortError(const QString& why) {
    Dialogs::msgBox(this, why, QStringLiteral("端口错误"), Dialogs::Icon::Exclamation);
}

// The writes that never open the port send nothing on one closed plainly;
// one whose line went is opened again, as the read sequence does.
QString GprsSettingsForm::reopenLostLine() {
    CommPort* p = port();
    return p && p->lineLost() ? openPort() : QString();
}

bool GprsSettingsForm::sendWrite(const QByteArray& frame) {
    if (const QString why = reopenLostLine(); !why.isEmpty()) {
        tellPortError(why);
        return false;
    }
    return sendFrame(frame, false);
}

bool GprsSettingsForm::sendFrame(const QByteArray& frame, bool mayOpen) {
    CommPort* p = port();
    if (!p) return false;
    if (!p->isOpen()) {
        if (!mayOpen) return false;
        if (const QString why = openPort(); !why.isEmpty()) {
            tellPortError(why);
            return false;
        }
    }
    g::CommBytes = frame;
    return p->output(frame);
}

void GprsSettingsForm::set_slave() {
    // Only a write that went out awaits its result: a refused or unsent one
    // leaves nothing for a later notice of the module to send again.
    g::GprsSlaveSetPending = false;
    if (const QString why = GprsFrames::addressEntryError(Text2->text(), Text3->text()); !why.isEmpty()) {
        Dialogs::msgBox(this, why, kTitle);
        return;
    }
    g::GprsParamMode = true;
    const QByteArray frame = GprsFrames::identityWrite(Text2->text(), Text3->text(), false);
    if (!sendFrame(frame, true)) return;
    g::GprsSlaveSetPending = true;
    m_identityWritten = frame.mid(10, 2);
    waitForDataCentre();
}

void GprsSettingsForm::waitForDataCentre() {
    if (m_form10) m_form10->end();
    // Modal to the user; the answer parser closes it when the result comes.
    m_form10 = new DataCentreWaitDialog(this);
    // A write given up is not sent again by a later notice of the module.
    connect(m_form10, &DataCentreWaitDialog::gaveUp, this, [] { g::GprsSlaveSetPending = false; });
    m_form10->show();
}

// The forced write: the address the installer wrote, whatever the boxes
// show by now; its result is waited for like the first write's, so that
// silence ends with the time-out's word. A line gone since the question is
// opened again, or the installer told which device is missing.
void GprsSettingsForm::onTimer3() {
    Timer3->setEnabled(false);
    if (m_identityWritten.size() != 2) return;
    if (!sendWrite(GprsFrames::request(0xF4, 0x02, m_identityWritten, 12))) {
        g::GprsSlaveSetPending = false;
        if (m_form10) m_form10->end();
        return;
    }
    waitForDataCentre();
}

void GprsSettingsForm::set_object() {
    if (!m_targetGiven)
        return refuse(QStringLiteral("模块目标地址还没有读出：请在透明传输方式下参数刷新，或输入要设置的工程号和站点号"));
    if (const QString why = GprsFrames::addressEntryError(Text8->text(), Text1[0]->text()); !why.isEmpty()) {
        Dialogs::msgBox(this, why, kTitle);
        return;
    }
    sendWrite(GprsFrames::targetWrite(Text8->text(), Text1[0]->text()));
}

void GprsSettingsForm::set_bd_address() {
    if (!m_passiveGiven)
        return refuse(QStringLiteral("被动方式地址还没有读出：请在被动方式下参数刷新，或输入要设置的地址"));
    if (Text9->text().isEmpty()) return refuseIncomplete();
    // Two characters of one byte each: a third one, or one the module
    // cannot take as a byte, would not reach it as the box shows.
    const auto frame = GprsFrames::passiveAddressWrite(Text9->text());
    if (!frame) return refuse(QStringLiteral("被动方式下地址是两字节，以ASCII表示"));
    sendWrite(*frame);
}

void GprsSettingsForm::set_baud() {
    // A rate without a code would reach the module as the undefined code 0.
    if (GprsFrames::baudCode(Combo7->currentText()) == 0)
        return refuse(QStringLiteral("波特率只能是 1200bps 到 115200bps 之一"));
    sendWrite(GprsFrames::baudWrite(Combo7->currentText()));
}

// Heartbeat and restart count: F6, and a second later E4.
void GprsSettingsForm::onTimer1() {
    Timer1->rearm(1000);
    auto end = [this] {
        Timer1->setEnabled(false);
        commandenable();
    };
    if (const QString why = reopenLostLine(); !why.isEmpty()) {
        end();
        return tellPortError(why);
    }
    // The boxes are read at each tick: one changed meanwhile to something
    // they do not take ends the chain with the reason.
    if (g::GprsParamStep == 0) {
        const auto seconds = heartbeatSeconds();
        if (!seconds || !sendFrame(GprsFrames::heartbeatWrite(*seconds), false)) return end();
        g::GprsParamStep = 1;
    } else if (g::GprsParamStep == 1) {
        if (const auto count = restartCount()) sendFrame(GprsFrames::restartWrite(*count), false);
        end();
    }
}

// Work mode: F8, F9 [, FB [, E1]] a second apart, as the lists ask.
void GprsSettingsForm::onTimer4() {
    Timer4->rearm(1000);
    auto end = [this] {
        commandenable();
        Timer4->setEnabled(false);
    };
    if (!port()) return end();
    if (const QString why = port()->isOpen() ? QString() : openPort(); !why.isEmpty()) {
        end();
        return tellPortError(why);
    }
    const QString c1 = Combo1->currentText(), c2 = Combo2->currentText(), c3 = Combo3->currentText();
    switch (g::GprsParamStep) {
        case 0:
            if (c1 == QStringLiteral("主动方式"))
                sendFrame(GprsFrames::valueWrite(0xF8, 1), false);
            else if (c1 == QStringLiteral("被动方式"))
                sendFrame(GprsFrames::valueWrite(0xF8, 0), false);
            g::GprsParamStep = 1;
            break;
        case 1:
            if (c2 == QStringLiteral("格式传输")) {
                sendFrame(GprsFrames::valueWrite(0xF9, 1), false);
                g::GprsParamStep = 100;
            } else if (c2 == QStringLiteral("透明传输")) {
                sendFrame(GprsFrames::valueWrite(0xF9, 0), false);
                g::GprsParamStep = 2;
            } else {
                // Nothing chosen (the lists were changed while the chain ran).
                end();
                refuseIncomplete();
            }
            break;
        case 2:
            if (c3 == QStringLiteral("方式1")) {
                sendFrame(GprsFrames::valueWrite(0xFB, 1), false);
                g::GprsParamStep = 100;
            } else if (c3 == QStringLiteral("方式2")) {
                sendFrame(GprsFrames::valueWrite(0xFB, 0), false);
                g::GprsParamStep = 3;
            } else {
                end();
                refuseIncomplete();
            }
            break;
        case 3: {
            const QString type = Combo4->currentText();
            uint8_t t = m_readLayoutType.value_or(3);
            if (type == QStringLiteral("ASCII"))
                t = 0;
            else if (type == QStringLiteral("16进制"))
                t = 1;
            else if (type == QStringLiteral("BCD码"))
                t = 2;
            // The boxes follow the bars, and show a layout read from the
            // module whole where the bars' ranges would cut it.
            const auto start = GprsFrames::textNumber(Text5->text(), 0, 255);
            const auto length = GprsFrames::textNumber(Text6->text(), 0, 255);
            const auto groupMax = GprsFrames::textNumber(Text7->text(), 0, 255);
            if (!start || !length || !groupMax) {
                refuseIncomplete();
                return end();
            }
            if (!layoutTypeShown()) {
                refuseLayoutType();
                return end();
            }
            sendFrame(GprsFrames::addressLayoutWrite(uint8_t(*start), uint8_t(*length), uint8_t(*groupMax), t),
                      false);
            g::GprsParamStep = 100;
            break;
        }
        default:
            end();
            break;
    }
}

// Power saving: D3 [, DB, D2] a second apart.
void GprsSettingsForm::onTimer5() {
    Timer5->rearm(1000);
    auto end = [this] {
        Timer5->setEnabled(false);
        commandenable();
    };
    if (const QString why = g::GprsParamStep <= 2 ? reopenLostLine() : QString(); !why.isEmpty()) {
        end();
        return tellPortError(why);
    }
    switch (g::GprsParamStep) {
        case 0:
            if (!sendFrame(GprsFrames::valueWrite(0xD3, Option3->isChecked() ? 1 : 0), false)) return end();
            g::GprsParamStep = Option3->isChecked() ? 1 : 3;
            break;
        case 1:
            if (!sendFrame(GprsFrames::wakeModeWrite(Option7->isChecked() ? 0 : 1), false)) return end();
            g::GprsParamStep = 2;
            break;
        case 2: {
            const auto units = wakeDelayUnits();
            if (!units || !sendFrame(GprsFrames::wakeDelaysWrite(units->first, units->second), false)) return end();
            g::GprsParamStep = 3;
            break;
        }
        case 3:
            end();
            break;
        default:
            break;
    }
}

void GprsSettingsForm::refresh_para() {
    for (int i : {0, 1, 30}) Label1[i]->setText(QStringLiteral("**:**:"));
    Label1[2]->setText(QStringLiteral("******"));
    Label1[3]->setText(QStringLiteral("***"));
    Label1[9]->setText(QStringLiteral("***********"));
    for (int i : {4, 5, 6, 7, 8, 33, 34}) Label1[i]->setText(QStringLiteral("********"));
    Label10->setText(QStringLiteral("********"));
    for (QLabel* l : {Label5, Label7, Label8}) l->setText(QStringLiteral("**"));
    commanddisable();
    Timer2->setEnabled(true);
    g::GprsParamStep = 0;
    g::GprsReadLate = -1;
    if (port()) port()->setDTREnable(false);
}

// The read sequence: one request a tick; the answer chooses the next step.
void GprsSettingsForm::onTimer2() {
    static const uint8_t kCodes[13] = {0xF4, 0xEC, 0xF6, 0xE4, 0xD3, 0xD2, 0xF8,
                                       0xE2, 0xF9, 0xF3, 0xFB, 0xE1, 0xDB};
    Timer2->rearm(400);
    g::GprsParamMode = true;
    if (g::GprsReadAwaited >= 0) emit counting();
    const int step = g::GprsParamStep;
    // A request still unanswered at this tick is retired: its answer, when
    // it comes late, moves nothing.
    const int awaited = std::exchange(g::GprsReadAwaited, -1);
    const bool unanswered = awaited >= 0;
    const bool asking = step >= 0 && step <= 12;
    const QString portError = asking && port() && !port()->isOpen() ? openPort() : QString();
    if (asking && portError.isEmpty() && sendFrame(GprsFrames::readRequest(kCodes[step]), false)) {
        g::GprsReadAwaited = kCodes[step];
        g::GprsParamStep = 100;
        return;
    }
    Timer2->setEnabled(false);
    g::GprsParamMode = false;
    if (unanswered) {
        g::GprsReadLate = awaited;
        m_readLateOver->rearm(kReadLateMs);
    }
    commandenable();
    g::GprsParamStep = 100;
    // Ended before the module's last answer: the labels still showing
    // "**" were not read, and the installer is told so; a port that will
    // not open is told by its device, which says why.
    if (!portError.isEmpty())
        tellPortError(portError);
    else if (unanswered)
        refuse(RefreshIncompleteText());
}
