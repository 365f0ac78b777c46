#include "SimParams.h"

namespace {

constexpr uint8_t kWrite = 0x01;
constexpr uint8_t kRead = 0x03;

QByteArray bigEndian(uint32_t v, int count) {
    QByteArray a;
    for (int i = count - 1; i >= 0; --i) a.append(char((v >> (8 * i)) & 0xFF));
    return a;
}

uint32_t fromBigEndian(const QByteArray& a, int pos, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 8) | uint8_t(a.at(pos + i));
    return v;
}

// Bytes of data each write carries after the operation byte.
struct Code {
    uint8_t code;
    int writeData;
};
constexpr Code kCodes[] = {{0xA1, 1}, {0xF1, 4}, {0xA2, 6}, {0xE2, 2}, {0xF2, 1}, {0xA3, 4}, {0xFB, 1},
                           {0xE1, 4}, {0xD3, 1}, {0xDB, 4}, {0xD2, 4}, {0xF8, 1}, {0xF9, 1}, {0xEC, 6},
                           {0xD1, 1}};

}  // namespace

SimParams* SimParams::install(ModuleSim& sim) { return new SimParams(sim); }

SimParams::SimParams(ModuleSim& sim) : QObject(&sim), m_sim(sim) {
    setObjectName(QStringLiteral("SimParams"));
    for (const Code& c : kCodes) {
        // Queries are ten bytes (the restart time is read with 02); writes
        // carry their data.
        sim.setRequestLength(c.code, kRead, 10);
        sim.setRequestLength(c.code, kWrite, 10 + c.writeData);
        const uint8_t code = c.code;
        sim.setHandler(code, [this, code](ModuleSim&, const QByteArray& request) { onRequest(code, request); });
    }
    sim.setRequestLength(0xA3, 0x02, 10);
}

void SimParams::sendNotice(uint8_t statusByte) { m_sim.answer(ModuleSim::answerFrame(0xFD, statusByte, {})); }

QByteArray SimParams::answerFor(uint8_t code) const {
    const ModuleSim::Identity& id = m_sim.identity;
    QByteArray payload;
    switch (code) {
        case 0xA1: payload = QByteArray(1, char(passwordUse)); break;
        case 0xF1: payload = password.left(4).leftJustified(4, '\0', true); break;
        case 0xA2: payload = receiver.left(6).leftJustified(6, '\0', true); break;
        case 0xE2: payload = address.left(2).leftJustified(2, '\0', true); break;
        case 0xF2: payload = QByteArray(1, char(baudCode)); break;
        case 0xA3: payload = bigEndian(restartCount, 4); break;
        case 0xFB: payload = QByteArray(1, char(subMode)); break;
        case 0xE1: payload = bigEndian(mask, 4); break;
        case 0xD3: payload = QByteArray(1, char(powerSaving)); break;
        case 0xDB: payload = QByteArray(1, char(wakeMode)); break;
        case 0xD2: payload = bigEndian(idleUnits, 2) + bigEndian(dataUnits, 2); break;
        case 0xF8: payload = QByteArray(1, char(id.workMode)); break;
        case 0xF9: payload = QByteArray(1, char(id.transMode)); break;
        case 0xD1: payload = QByteArray(1, char(id.moduleType)); break;
        case 0xEC: {
            payload = id.version.left(11);
            payload.append(QByteArray(11 - payload.size(), ' '));
            break;
        }
        default: return QByteArray();
    }
    return ModuleSim::answerFrame(code, status, payload);
}

void SimParams::onRequest(uint8_t code, const QByteArray& request) {
    if (request.size() < 10) return;
    const uint8_t op = uint8_t(request.at(9));
    const bool read = op == kRead || (code == 0xA3 && op == 0x02);
    if (!read && op != kWrite) return;
    if (op == kWrite) {
        int need = 0;
        for (const Code& c : kCodes)
            if (c.code == code) need = c.writeData;
        if (request.size() < 10 + need) return;
        apply(code, request.mid(10, need));
    }
    if (muted.contains(code)) return;
    if (op == kWrite && code == 0xEC) {
        m_sim.answer(ModuleSim::answerFrame(0xEC, status, identityFails ? "SETFAIL:" : "SETOK:"));
        return;
    }
    m_sim.answer(answerFor(code));
}

void SimParams::apply(uint8_t code, const QByteArray& d) {
    ModuleSim::Identity& id = m_sim.identity;
    switch (code) {
        case 0xA1: passwordUse = uint8_t(d[0]); break;
        case 0xF1: password = d; break;
        case 0xA2: receiver = d; break;
        case 0xE2: address = d; break;
        case 0xF2: baudCode = uint8_t(d[0]); break;
        case 0xA3: restartCount = fromBigEndian(d, 0, 4); break;
        case 0xFB: subMode = uint8_t(d[0]); break;
        case 0xE1: mask = fromBigEndian(d, 0, 4); break;
        case 0xD3: powerSaving = uint8_t(d[0]); break;
        case 0xDB: wakeMode = uint8_t(d[0]); break;
        case 0xD2:
            idleUnits = uint16_t(fromBigEndian(d, 0, 2));
            dataUnits = uint16_t(fromBigEndian(d, 2, 2));
            break;
        case 0xF8: id.workMode = uint8_t(d[0]); break;
        case 0xF9: id.transMode = uint8_t(d[0]); break;
        case 0xD1: id.moduleType = uint8_t(d[0]); break;
        case 0xEC: identityCode = d; break;
        default: break;
    }
}
