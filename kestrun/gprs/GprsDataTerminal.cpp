// The data terminal of the GPRS settings form: passive "$" requests,
// transparent and formatted sends, and the display of received data.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <limits>
#include <utility>

#include "GprsSettingsForm.h"
#include "core/Globals.h"
#include "core/MainWindow.h"
#include "core/TrafficLog.h"
#include "core/protocol/GprsAnswers.h"
#include "core/protocol/GprsFrames.h"
#include "core/protocol/TestFrames.h"
#include "platform/Vb.h"
#include "platform/VbTimer.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kModuleAddress = QStringLiteral("模块地址应为两个字节的十六进制数，如 31:32:");
const QString kReceiverAddress = QStringLiteral("接收方地址应为两个字节的十六进制数，如 00:05:");
// How long a passive request's buttons wait for its answer, and how long
// after that its answer is still taken as late rather than as the next's.
constexpr int kPassiveAnswerMs = 3000;
constexpr int kLateAnswerMs = 7000;
}  // namespace

void GprsSettingsForm::appendLog(const QString& text, CommPort* sentOn) {
    // The newest part only, as the SMS test tab keeps its log.
    TrafficLog::append(Area[3], text, sentOn);
}

std::optional<QByteArray> GprsSettingsForm::sendBytes(int maxBytes) {
    const GprsFrames::HexGroups groups = GprsFrames::hexGroups(Area[1]->toPlainText());
    // A refused text stays as it was typed; one that goes is cut to the
    // groups that went.
    if (!groups.valid) {
        refuse(QStringLiteral("发送区只能是十六进制数（0-9、A-F），每个字节后跟“:”"));
        return std::nullopt;
    }
    // A count past the length field would go out wrapped.
    if (groups.bytes.size() > maxBytes) {
        refuse(QStringLiteral("发送的数据不能超过 %1 字节").arg(maxBytes));
        return std::nullopt;
    }
    if (groups.text != Area[1]->toPlainText()) Area[1]->setPlainText(groups.text);
    return groups.bytes;
}

// A passive request to the module address: a read, or the memory check.
// g::DollarPendingOp tells the parser what the answer carries.
void GprsSettingsForm::sendDollarRequest(bool read) {
    const auto address = GprsFrames::addressBytes(Text1[4]->text());
    if (!address) return refuse(kModuleAddress);
    const QByteArray frame =
        read ? GprsFrames::dollarRead(*address) : GprsFrames::dollarMemoryCheck(*address);
    if (!sendWrite(frame)) return;
    appendLog(QStringLiteral("发送指令 ") + GprsAnswers::hexText(frame) + kCrLf, port());
    awaitPassiveAnswer(read ? 1 : 2);
}

// One passive request at a time: the answer is read by what was asked, so
// a second request sent before the first's answer would read it as its own.
void GprsSettingsForm::awaitPassiveAnswer(int op) {
    g::DollarPendingOp = op;
    g::GprsPassiveOwed.append(op);
    for (int i : {1, 3, 7}) m_lock.busy(Command1[i]);
    m_passiveWait->rearm(kPassiveAnswerMs);
}

// The answer to the request the buttons wait for has come when nothing
// sent is owed any more; a late answer to an older one leaves them waiting.
void GprsSettingsForm::passiveAnswered() {
    if (!m_passiveWait->enabled() || !g::GprsPassiveOwed.isEmpty()) return;
    m_passiveWait->setEnabled(false);
    for (int i : {1, 3, 7}) m_lock.done(Command1[i]);
}

// Given up: the buttons come back, and its answer, should it still come,
// is read as its own for a while.
void GprsSettingsForm::passiveTimedOut() {
    m_passiveWait->setEnabled(false);
    for (int i : {1, 3, 7}) m_lock.done(Command1[i]);
    m_lateAnswers->rearm(kLateAnswerMs);
}

void GprsSettingsForm::lateAnswersOver() {
    m_lateAnswers->setEnabled(false);
    // What is still owed then is older than the request waited for now.
    while (g::GprsPassiveOwed.size() > (m_passiveWait->enabled() ? 1 : 0)) g::GprsPassiveOwed.removeFirst();
}

void GprsSettingsForm::read_bd_data() { sendDollarRequest(true); }

void GprsSettingsForm::read_empty() { sendDollarRequest(false); }

void GprsSettingsForm::send_data() {
    if (g::WorkModeByte[0] != 0) {
        if (g::TransModeByte[0] != 0)
            send_geshi();
        else
            send_stand_touming();
    } else {
        send_beidong();
    }
}

void GprsSettingsForm::logSent(const QByteArray& frame) {
    appendLog(QStringLiteral("发射数据：  ") + GprsAnswers::hexText(frame) + kCrLf, port());
    if (m_main) m_main->setPanel(2, Vb::stringTable(103) + QStringLiteral("发射数据"));
}

void GprsSettingsForm::send_beidong() {
    const bool formatted = g::TransModeByte[0] != 0;
    const auto data = sendBytes(GprsFrames::maxSendBytes(true, formatted));
    if (!data) return;
    const auto address = GprsFrames::addressBytes(Text1[4]->text());
    if (!address) return refuse(kModuleAddress);
    QByteArray payload = *data;
    if (formatted) {
        const auto receiver = GprsFrames::addressBytes(Text1[6]->text());
        if (!receiver) return refuse(kReceiverAddress);
        payload = GprsFrames::formattedFrame(*receiver, *data);
    }
    const QByteArray frame = GprsFrames::dollarWrite(*address, payload);
    if (!sendWrite(frame)) return;
    awaitPassiveAnswer(3);
    logSent(frame);
}

void GprsSettingsForm::send_stand_touming() {
    // Raw bytes: no length field to outgrow.
    const auto data = sendBytes(std::numeric_limits<int>::max());
    if (!data || data->isEmpty()) return;  // refused, or nothing typed
    if (!sendWrite(*data)) return;
    logSent(*data);
}

void GprsSettingsForm::send_geshi() {
    const auto data = sendBytes(GprsFrames::maxSendBytes(false, true));
    if (!data) return;
    const auto receiver = GprsFrames::addressBytes(Text1[6]->text());
    if (!receiver) return refuse(kReceiverAddress);
    const QByteArray frame = GprsFrames::formattedFrame(*receiver, *data);
    if (!sendWrite(frame)) return;
    logSent(frame);
}

void GprsSettingsForm::logAnswer(const QString& line) {
    appendLog(line);
    if (g::WorkModeByte[0] == 0) passiveAnswered();
}

void GprsSettingsForm::receivedData(qint64 cutBytes) {
    m_rxCut = cutBytes;
    rTimer->setEnabled(false);
    rTimer->setInterval(200);
    rTimer->setEnabled(true);
}

// 200 ms after the last received byte: show what came.
void GprsSettingsForm::onRTimer() { showReceived(); }

void GprsSettingsForm::showReceived() {
    rTimer->setEnabled(false);
    const QString rx = g::RxText;
    const bool active = g::WorkModeByte[0] != 0;
    const bool formatted = g::TransModeByte[0] != 0;
    // Where a line that never paused lost bytes after the frame head, the
    // display and the log say so.
    const qsizetype head = active ? (formatted ? 18 : 0) : (formatted ? 33 : 15);
    const qint64 cut = std::exchange(m_rxCut, 0);
    const QString mark = cut > 0 ? TestFrames::LogCutMark : QString();
    const QString logLine = QStringLiteral("接收数据：  ") + rx.left(head) + mark + rx.mid(head) + kCrLf;
    if (active && formatted) {
        Area[2]->setPlainText(mark + rx.mid(18) + kCrLf);
        Text1[5]->setText(rx.mid(6, 6));
        appendLog(logLine);
    } else if (active) {
        Area[2]->setPlainText(mark + rx + kCrLf);
        appendLog(logLine);
    } else if (formatted) {
        // The data starts at byte 11 and the last byte is the CR; an answer
        // too short to hold a frame shows nothing rather than a cut guess.
        if (rx.size() / 3 >= 12) {
            Area[2]->setPlainText(mark + rx.mid(33, rx.size() - 33 - 3) + kCrLf);
            Text1[5]->setText(rx.mid(21, 6));
        } else {
            Area[2]->clear();
            Text1[5]->clear();
        }
        appendLog(logLine);
    } else {
        // The data that the length gives after "!", the address and the
        // length; a CR after them is not data.
        const QByteArray got = TestFrames::fromHexText(rx.left(15));
        const qint64 length = got.size() >= 5 ? uint8_t(got[3]) * 256 + uint8_t(got[4]) : 0;
        Area[2]->setPlainText(mark + rx.mid(15, 3 * std::max<qint64>(0, length - cut)) + kCrLf);
        appendLog(logLine);
    }
    g::RxText.clear();
    if (m_main) m_main->setPanel(2, Vb::stringTable(103) + QStringLiteral("接收数据"));
    if (!active) passiveAnswered();
    emit receivedShown();
}
