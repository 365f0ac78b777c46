#include "GprsFrames.h"

#include <cmath>

#include "HexText.h"
#include "platform/text/VbNum.h"

namespace GprsFrames {

namespace {

const char kPreamble[8] = {0x1A, 0x2A, 0x3A, 0x4A, 0x5A, 0x6A, 0x7A, char(0x8A)};

int digitAt(const QString& text, qsizetype i) {
    return i < text.size() ? HexDigitValue(text.at(i).toUpper().unicode()) : 0;
}

char charByte(QChar c) { return c.unicode() < 256 ? char(c.unicode()) : '?'; }

void appendLength(QByteArray& out, qsizetype n) {
    out.append(char((n / 256) & 0xFF));
    out.append(char(n % 256));
}

}  // namespace

QByteArray request(uint8_t code, uint8_t op, const QByteArray& data, int length) {
    QByteArray f(kPreamble, 8);
    f.append(char(code));
    f.append(char(op));
    f.append(data);
    f.resize(length, '\0');
    return f;
}

QByteArray readRequest(uint8_t code) { return request(code, 0x03, {}, 10); }

QByteArray modeSwitch(uint8_t mode) { return request(0xDA, 0x01, QByteArray(1, char(mode)), 11); }

QByteArray packedAddress(const QString& project, const QString& station) {
    QByteArray a;
    a.append(char(16 * digitAt(project, 0) + digitAt(station, 0)));
    a.append(char(16 * digitAt(station, 1) + digitAt(station, 2)));
    return a;
}

QString addressEntryError(const QString& project, const QString& station) {
    if (project.isEmpty()) return QStringLiteral("您还没有输入工程号");
    if (station.size() != 3) return QStringLiteral("您输入站点号错误，站点号是 3 位");
    if (project.size() != 1 || !AllHexDigits(project)) return QStringLiteral("工程号只能是一位十六进制数（0-9、A-F）");
    if (!AllHexDigits(station)) return QStringLiteral("站点号只能是三位十六进制数（0-9、A-F）");
    return QString();
}

QByteArray identityWrite(const QString& project, const QString& station, bool forced) {
    return request(0xF4, forced ? 0x02 : 0x01, packedAddress(project, station), 12);
}

QByteArray targetWrite(const QString& project, const QString& station) {
    return request(0xF3, 0x01, packedAddress(project, station), 12);
}

std::optional<QByteArray> passiveAddressWrite(const QString& text) {
    if (text.isEmpty() || text.size() > 2) return std::nullopt;
    for (QChar c : text)
        if (c.unicode() > 0xFF) return std::nullopt;
    QByteArray d;
    if (text.size() == 1) {
        d.append('0');
        d.append(charByte(text.at(0)));
    } else {
        d.append(charByte(text.at(0)));
        d.append(charByte(text.at(1)));
    }
    return request(0xE2, 0x01, d, 12);
}

uint8_t baudCode(const QString& rateText) {
    static const char* const kRates[] = {"1200bps",  "2400bps",  "4800bps",  "9600bps",  "14400bps",
                                         "19200bps", "38400bps", "57600bps", "115200bps"};
    for (int i = 0; i < 9; ++i)
        if (rateText == QLatin1String(kRates[i])) return uint8_t(3 + i);
    return 0;
}

QByteArray baudWrite(const QString& rateText) { return valueWrite(0xF2, baudCode(rateText)); }

QByteArray heartbeatWrite(uint16_t seconds) {
    QByteArray d;
    appendLength(d, seconds);
    return request(0xF6, 0x01, d, 12);
}

QByteArray restartWrite(uint8_t count) { return valueWrite(0xE4, count); }

QByteArray valueWrite(uint8_t code, uint8_t value) {
    return request(code, 0x01, QByteArray(1, char(value)), 11);
}

QByteArray addressLayoutWrite(uint8_t start, uint8_t length, uint8_t groupMax, uint8_t type) {
    QByteArray d;
    for (uint8_t b : {start, length, groupMax, type}) d.append(char(b));
    return request(0xE1, 0x01, d, 14);
}

QByteArray wakeModeWrite(uint8_t mode) { return request(0xDB, 0x01, QByteArray(1, char(mode)), 14); }

QByteArray wakeDelaysWrite(uint16_t idleUnits, uint16_t dataUnits) {
    QByteArray d;
    appendLength(d, idleUnits);
    appendLength(d, dataUnits);
    return request(0xD2, 0x01, d, 14);
}

std::optional<int64_t> textNumber(const QString& text, int64_t lo, int64_t hi) {
    return VbNum::toIntegerInRange(VbNum::val(text), lo, hi);
}

std::optional<int64_t> wholeNumber(const QString& text, int64_t lo, int64_t hi) {
    const QString t = text.trimmed();
    qsizetype i = t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (i == t.size() || t.size() > 18) return std::nullopt;
    for (; i < t.size(); ++i)
        if (t.at(i) < QLatin1Char('0') || t.at(i) > QLatin1Char('9')) return std::nullopt;
    const int64_t v = t.toLongLong();
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

std::optional<uint16_t> delayUnits(const QString& text) {
    const auto ms = wholeNumber(text, 0, MaxDelayMs);
    if (!ms) return std::nullopt;
    const auto units = VbNum::toIntegerInRange(double(*ms) / 400.0, 0, 65535);
    if (!units) return std::nullopt;
    return uint16_t(*units);
}

HexGroups hexGroups(const QString& text) {
    HexGroups g;
    g.text = text.left(text.size() - text.size() % 3);
    const QString digits = g.text.toUpper();
    g.bytes.reserve(digits.size() / 3);
    for (qsizetype p = 0; p < digits.size(); p += 3) {
        g.valid = g.valid && AllHexDigits(digits.mid(p, 2)) && digits.at(p + 2) == QLatin1Char(':');
        g.bytes.append(char(HexPairValue(digits, p)));
    }
    return g;
}

std::optional<QByteArray> addressBytes(const QString& text) { return ColonGroupBytes(text, 2); }

int maxSendBytes(bool passive, bool formatted) { return passive && formatted ? 65535 - 6 : 65535; }

QByteArray dollarRead(const QByteArray& address) { return "$" + address.left(2) + "R\r"; }

QByteArray dollarMemoryCheck(const QByteArray& address) { return dollarWrite(address, {}); }

QByteArray dollarWrite(const QByteArray& address, const QByteArray& data) {
    QByteArray f = "$" + address.left(2) + "W";
    appendLength(f, data.size());
    f.append(data);
    f.append('\r');
    return f;
}

QByteArray formattedFrame(const QByteArray& receiver, const QByteArray& data) {
    QByteArray f;
    f.append(char(0xD7));
    f.append(char(0x01));
    f.append(receiver.left(2));
    appendLength(f, data.size());
    f.append(data);
    return f;
}

}  // namespace GprsFrames
