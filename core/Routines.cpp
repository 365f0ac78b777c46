#include "core/Routines.h"

#include <algorithm>

#include "core/Globals.h"
#include "platform/CommPort.h"
#include "platform/ListChoice.h"
#include "platform/Vb.h"

void HexKeyFilter(int& keyAscii) {
    const int k = keyAscii;
    if ((k >= 0 && k <= 7) || (k >= 9 && k <= 47) || (k >= 58 && k <= 64) || (k >= 71 && k <= 96) ||
        (k >= 103 && k <= 126)) {
        keyAscii = 0;
    } else if (k >= 'a' && k <= 'f') {
        keyAscii = k - 32;
    }
    // Backspace, the hex digits and everything outside ASCII (IME input)
    // pass untouched.
}

void DigitKeyFilter(int& keyAscii) {
    const int k = keyAscii;
    if ((k >= 0 && k <= 7) || (k >= 9 && k <= 47) || (k >= 58 && k <= 126)) keyAscii = 0;
}

int TextToUnicodeBytes(QByteArray& a, const QString& text) {
    if (text.isEmpty()) return 0;
    // Callers copy from element 1: element 0 is a spare zero byte.
    QByteArray out;
    out.reserve(1 + 2 * text.size());
    out.append('\0');
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        out.append(static_cast<char>(u >> 8));
        out.append(static_cast<char>(u & 0xFF));
    }
    a = out;
    return 1;
}

int TenSecondsElapsed() {
    const double now = Vb::timeOfDay();
    const double start = g::WaitStart;
    // The time of day wraps at midnight; an earlier "now" means the day
    // changed since the stamp was taken.
    const double elapsed = now >= start ? now - start : now + 86400.0 - start;
    return elapsed > 10.0 ? 1 : 0;
}

void SetPortAndBaud(CommPort& port, const QString& portText, const QString& rateText) {
    for (int n = 1; n <= 8; ++n) {
        if (portText == QStringLiteral("COM%1").arg(n)) {
            port.setCommPort(n);
            break;
        }
    }
    static const char* const rates[] = {"1200", "2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200"};
    for (const char* rate : rates) {
        const QString r = QString::fromLatin1(rate);
        if (rateText == r + QStringLiteral("bps")) {
            port.setSettings(r + QStringLiteral(",n,8,1"));
            break;
        }
    }
}

QString RefreshIncompleteText() {
    return QStringLiteral("模块没有回答，参数没有全部读出（显示“**”的参数未读出），请检查连线后重新参数刷新");
}

QString LineLostText() { return QStringLiteral("串口连接已断开，请检查连线后重新连接"); }

QString PortOpenErrorText(const CommPort& port, CommPort::OpenResult result) {
    return PortOpenErrorText(
        result, port.lastFailure(), QStringLiteral("COM%1（%2）").arg(port.commPort()).arg(port.devicePath()),
        port.deviceGroup(), port.lastSystemError(), port.settings().section(QLatin1Char(','), 0, 0));
}

QString PortOpenErrorText(CommPort::OpenResult result, CommPort::Failure failure, const QString& name,
                          const QString& group, const QString& why, const QString& rate) {
    switch (result) {
        case CommPort::OpenResult::Ok:
            return {};
        case CommPort::OpenResult::Missing:
            // The old text, then what the port was looked for as.
            return QStringLiteral("本机没有这个串口，请选择其它串口重试\n没有找到串口%1").arg(name);
        case CommPort::OpenResult::InUse:
            return QStringLiteral("串口已经打开，请关闭其它程序重试");
        case CommPort::OpenResult::Other:
            break;
    }
    switch (failure) {
        case CommPort::Failure::NoPermission:
            // On Linux a serial device belongs to a group (usually dialout);
            // membership takes effect at the next login.
            return QStringLiteral(
                       "没有权限打开串口%1。当前用户必须属于拥有该设备的用户组“%2”（通常是 dialout），"
                       "请把用户加入该组并重新登录后重试")
                .arg(name, group.isEmpty() ? QStringLiteral("dialout") : group);
        case CommPort::Failure::NotSerialPort:
            return QStringLiteral("%1不是串口，请检查这个串口的链接或选择其它串口重试").arg(name);
        case CommPort::Failure::SettingsRefused:
            return QStringLiteral("串口%1不接受波特率 %2，请选择其它波特率重试").arg(name, rate);
        case CommPort::Failure::None:
        case CommPort::Failure::Other:
            break;
    }
    return why.isEmpty() ? QStringLiteral("串口%1打开失败，请选择其它串口重试").arg(name)
                         : QStringLiteral("串口%1打开失败（%2），请选择其它串口重试").arg(name, why);
}

QString PortChoiceErrorText(const QComboBox* portList, const QComboBox* rateList) {
    if (!ListChoice::showsTaken(portList)) return QStringLiteral("串口号无效，请从列表中选择");
    if (!ListChoice::showsTaken(rateList)) return QStringLiteral("波特率无效，请从列表中选择");
    return {};
}
