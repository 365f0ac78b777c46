#include "core/protocol/Frames.h"

#include <algorithm>

namespace Frames {

QByteArray FramePreamble() { return QByteArray("\x1A\x2A\x3A\x4A\x5A\x6A\x7A\x8A", 8); }

QByteArray RequestFrame(uint8_t code, uint8_t op, const QByteArray& data) {
    QByteArray f;
    f.reserve(10 + data.size());
    f.append(FramePreamble());
    f.append(static_cast<char>(code));
    f.append(static_cast<char>(op));
    f.append(data);
    return f;
}

QByteArray HandshakeFrame() { return RequestFrame(0xFE, 0x03); }

QByteArray ReadParamsFrame(uint8_t code) { return RequestFrame(code, 0x03); }

QByteArray LegacyProbe() { return QByteArray("\xD7\xFE", 2); }

bool isPreambleTail(const QByteArray& seven) { return seven == FramePreamble().mid(1); }

bool hasPreambleAt(const QByteArray& buf, qsizetype pos) {
    const QByteArray p = FramePreamble();
    return pos >= 0 && pos <= buf.size() - p.size() && buf.mid(pos, p.size()) == p;
}

qsizetype findFrameStart(const QByteArray& buf, qsizetype from, qsizetype minFollowing) {
    for (qsizetype i = std::max<qsizetype>(from, 0); i < buf.size(); ++i)
        if (uint8_t(buf[i]) == 0x1A && buf.size() - 1 - i > minFollowing) return i;
    return -1;
}

int answerReadN(uint8_t code) {
    switch (code) {
        case 0xFD:  // outside the handshake only the status byte follows
        case 0xD9:
        case 0xB4:
        case 0xB5:
            return 1;
        case 0xF8:
        case 0xF9:
        case 0xD6:
        case 0xD1:
        case 0xA1:
        case 0xF2:
        case 0xFB:
        case 0xD3:
        case 0xDB:
            return 2;
        case 0xE2:
        case 0xA5:
        case 0xA7:
            return 3;
        case 0xF1:
        case 0xA3:
        case 0xE1:
        case 0xD2:
            return 5;
        case 0xA2:
            return 7;
        case 0xEC:
            return 12;
        default:
            return 0;
    }
}

}  // namespace Frames
