#include "SimGprs.h"

#include "platform/VirtualClock.h"

namespace {

constexpr uint8_t kWrite = 0x01;
constexpr uint8_t kForced = 0x02;
constexpr uint8_t kRead = 0x03;

QByteArray be16(uint16_t v) {
    QByteArray a;
    a.append(char(v >> 8));
    a.append(char(v & 0xFF));
    return a;
}

// Bytes of data each write carries after the operation byte.
struct Code {
    uint8_t code;
    int writeData;
};
constexpr Code kCodes[] = {{0xF4, 2}, {0xF3, 2}, {0xE2, 2}, {0xF2, 1}, {0xF6, 2}, {0xE4, 1},
                           {0xF8, 1}, {0xF9, 1}, {0xFB, 1}, {0xE1, 4}, {0xD3, 1}, {0xDB, 4},
                           {0xD2, 4}, {0xEC, 0}, {0xF5, 0}, {0xDA, 1}};

}  // namespace

SimGprs* SimGprs::install(ModuleSim& sim) { return new SimGprs(sim); }

SimGprs::SimGprs(ModuleSim& sim) : QObject(&sim), m_sim(sim) {
    setObjectName(QStringLiteral("SimGprs"));
    for (const Code& c : kCodes) {
        sim.setRequestLength(c.code, kRead, 10);
        if (c.writeData > 0) sim.setRequestLength(c.code, kWrite, 10 + c.writeData);
        const uint8_t code = c.code;
        sim.setHandler(code,
                       [this, code](ModuleSim&, const QByteArray& request) { onRequest(code, request); });
    }
    sim.setRequestLength(0xF4, kForced, 12);
}

void SimGprs::sendNotice(uint8_t statusByte, int delayMs) {
    const QByteArray notice = ModuleSim::answerFrame(0xFD, statusByte, {});
    if (delayMs <= 0) return m_sim.answer(notice);
    VirtualClock::singleShot(delayMs, this, [this, notice] {
        if (m_sim.isRunning()) m_sim.answer(notice);
    });
}

QByteArray SimGprs::answerFor(uint8_t code) const {
    const ModuleSim::Identity& id = m_sim.identity;
    QByteArray payload;
    uint8_t st = status;
    switch (code) {
        case 0xF4:
            st = 0x03;  // result 03: the address follows
            payload = identityAddress.left(2) + identityExtra.left(2);
            break;
        case 0xF3:
            payload = targetAddress.left(2);
            break;
        case 0xE2:
            payload = passiveAddress.left(2);
            break;
        case 0xF2:
            return ModuleSim::answerFrame(0xF2, baudCode, {});
        case 0xF5:
            return ModuleSim::answerFrame(0xF5, uint8_t(f5Payload.isEmpty() ? 0 : f5Payload.at(0)),
                                          f5Payload.mid(1, 8));
        case 0xF6:
            payload = be16(heartbeat);
            break;
        case 0xE4:
            payload = QByteArray(1, char(restartCount));
            break;
        case 0xF8:
            payload = QByteArray(1, char(id.workMode));
            break;
        case 0xF9:
            payload = QByteArray(1, char(id.transMode));
            break;
        case 0xFB:
            payload = QByteArray(1, char(subMode));
            break;
        case 0xE1:
            payload = layout.left(4).leftJustified(4, '\0', true);
            break;
        case 0xD3:
            payload = QByteArray(1, char(powerSaving));
            break;
        case 0xD2:
            payload = be16(idleUnits) + be16(dataUnits);
            break;
        case 0xDB:
            payload = QByteArray(1, char(wakeMode));
            break;
        case 0xEC: {
            payload = id.version.left(11);
            payload.append(QByteArray(11 - payload.size(), ' '));
            break;
        }
        default:
            return QByteArray();
    }
    return ModuleSim::answerFrame(code, st, payload);
}

void SimGprs::onRequest(uint8_t code, const QByteArray& request) {
    if (request.size() < 10) return;
    const uint8_t op = uint8_t(request.at(9));
    if (op == kRead) {
        if (!muted.contains(code)) m_sim.answer(answerFor(code));
        return;
    }
    if (op != kWrite && !(code == 0xF4 && op == kForced)) return;
    int need = 0;
    for (const Code& c : kCodes)
        if (c.code == code) need = c.writeData;
    if (request.size() < 10 + need) return;
    apply(code, request.mid(10, need));
    if (code != 0xF4 || muted.contains(0xF4)) return;  // muted: the data centre never answers
    uint8_t result = 0xFA;
    if (op == kWrite && !identityResults.isEmpty()) result = identityResults.takeFirst();
    VirtualClock::singleShot(identityDelayMs, this,
                             [this, result] { m_sim.answer(ModuleSim::answerFrame(0xF4, result, {})); });
}

void SimGprs::apply(uint8_t code, const QByteArray& d) {
    ModuleSim::Identity& id = m_sim.identity;
    switch (code) {
        case 0xF4:
            identityAddress = d;
            break;
        case 0xF3:
            targetAddress = d;
            break;
        case 0xE2:
            passiveAddress = d;
            break;
        case 0xF2:
            baudCode = uint8_t(d[0]);
            break;
        case 0xF6:
            heartbeat = uint16_t(uint8_t(d[0]) * 256 + uint8_t(d[1]));
            break;
        case 0xE4:
            restartCount = uint8_t(d[0]);
            break;
        case 0xF8:
            id.workMode = uint8_t(d[0]);
            break;
        case 0xF9:
            id.transMode = uint8_t(d[0]);
            break;
        case 0xFB:
            subMode = uint8_t(d[0]);
            break;
        case 0xE1:
            layout = d;
            break;
        case 0xD3:
            powerSaving = uint8_t(d[0]);
            break;
        case 0xDB:
            wakeMode = uint8_t(d[0]);
            break;
        case 0xD2:
            idleUnits = uint16_t(uint8_t(d[0]) * 256 + uint8_t(d[1]));
            dataUnits = uint16_t(uint8_t(d[2]) * 256 + uint8_t(d[3]));
            break;
        case 0xDA:
            id.hsStatus2 = d[0] == 0 ? 0x80 : 0x00;
            break;
        default:
            break;
    }
}
