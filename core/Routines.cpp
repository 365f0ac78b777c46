#include "core/Routines.h"

#include <algorithm>

#include "core/Globals.h"
#include "platform/CommPort.h"
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
