#include "GprsAnswers.h"

#include "HexText.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"

namespace GprsAnswers {

namespace {

uint8_t at(const QByteArray& a, int i) { return i >= 0 && i < a.size() ? uint8_t(a[i]) : 0; }

}  // namespace

std::optional<Dispatch> dispatch(uint8_t code) {
    switch (code) {
        case 0xFD:
            return Dispatch{Notice, 1};
        case 0xEC:
            return Dispatch{Version, 12};
        case 0xE2:
            return Dispatch{PassiveAddress, 3};
        case 0xF3:
            return Dispatch{Target, 3};
        case 0xF4:
            return Dispatch{IdentityResult, 1};
        case 0xF5:
            return Dispatch{Unused, 9};
        case 0xF6:
            return Dispatch{Heartbeat, 3};
        case 0xF8:
            return Dispatch{WorkMode, 2};
        case 0xF9:
            return Dispatch{TransMode, 2};
        case 0xFB:
            return Dispatch{SubMode, 2};
        case 0xE1:
            return Dispatch{Layout, 5};
        case 0xF2:
            return Dispatch{Baud, 1};
        case 0xE4:
            return Dispatch{Restart, 2};
        case 0xD3:
            return Dispatch{PowerSaving, 2};
        case 0xD2:
            return Dispatch{WakeDelays, 5};
        case 0xDB:
            return Dispatch{WakeMode, 2};
        default:
            return std::nullopt;
    }
}

int awaited(int state) {
    switch (state) {
        case Signature:
            return 7;
        case Version:
            return 12;
        case PassiveAddress:
        case Target:
        case Heartbeat:
            return 3;
        case Unused:
            return 9;
        case WorkMode:
        case TransMode:
        case SubMode:
        case Restart:
        case PowerSaving:
        case WakeMode:
            return 2;
        case Layout:
        case WakeDelays:
            return 5;
        case Identity:
            return 4;
        default:
            return 1;
    }
}

QString addressText(uint8_t hi, uint8_t lo) {
    return ByteToHex2(hi) + QLatin1Char(':') + ByteToHex2(lo) + QLatin1Char(':');
}

QString projectOf(const QString& t) { return t.left(1); }

QString stationOf(const QString& t) { return t.mid(1, 1) + t.mid(3, 2); }

QString hexText(const QByteArray& bytes) {
    QString s;
    s.reserve(bytes.size() * 3);
    for (char c : bytes) s += ByteToHex2(uint8_t(c)) + QLatin1Char(':');
    return s;
}

QString answerLine(const QByteArray& bytes) {
    return QStringLiteral("接收  ") + hexText(bytes) + QStringLiteral("\r\n");
}

QString versionText(const QByteArray& answer) { return TextCodec::bytesToChars(answer.mid(1, 11)); }

uint16_t heartbeatSeconds(const QByteArray& answer) { return uint16_t(at(answer, 1) * 256 + at(answer, 2)); }

QString wakeDelayText(const QByteArray& answer) {
    return wakeDelayText(uint16_t(at(answer, 1) * 256 + at(answer, 2)), uint16_t(at(answer, 3) * 256 + at(answer, 4)));
}

QString wakeDelayText(uint16_t idleUnits, uint16_t dataUnits) {
    return VbNum::strBare(idleUnits * 0.4) + QStringLiteral("s   ") + VbNum::strBare(dataUnits * 0.4) +
           QStringLiteral("s");
}

std::optional<QString> baudText(uint8_t code) {
    static const char* const kRates[] = {"1200bps",  "2400bps",  "4800bps",  "9600bps",
                                         "14400bps", "19200bps", "38400bps", "57600bps"};
    if (code < 3 || code > 10) return std::nullopt;
    return QString::fromLatin1(kRates[code - 3]);
}

QString AddressLayout::typeText() const {
    switch (type) {
        case 0:
            return QStringLiteral("ASCII");
        case 1:
            return QStringLiteral("16进制");
        case 2:
            return QStringLiteral("BCD码");
        default:
            return QStringLiteral("R50模式");
    }
}

AddressLayout addressLayout(const QByteArray& answer) {
    return AddressLayout{at(answer, 1), at(answer, 2), at(answer, 3), at(answer, 4)};
}

IdentityOutcome identityOutcome(uint8_t result) {
    switch (result) {
        case 0x03:
            return IdentityOutcome::AddressFollows;
        case 0xFA:
            return IdentityOutcome::Written;
        case 0xFC:
            return IdentityOutcome::Failed;
        case 0x08:
            return IdentityOutcome::Taken;
        case 0x0A:
            return IdentityOutcome::Offline;
        default:
            return IdentityOutcome::Unknown;
    }
}

int nextReadStep(uint8_t code, uint8_t value) {
    switch (code) {
        case 0xF4:
            return 1;  // the identity address, after result 03
        case 0xEC:
            return 2;
        case 0xF6:
            return 3;
        case 0xE4:
            return 4;
        case 0xD3:
            return value == 0 ? 6 : 5;
        case 0xD2:
            return 12;
        case 0xDB:
            return 6;
        case 0xF8:
            return value != 0 ? 8 : 7;
        case 0xE2:
            return 8;
        case 0xF9:
            return value == 0 ? 9 : 100;
        case 0xF3:
            return 10;
        case 0xFB:
            return value != 0 ? 100 : 11;
        case 0xE1:
            return 100;
        default:
            return -1;
    }
}

}  // namespace GprsAnswers
