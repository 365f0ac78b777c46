#include "SimCollection.h"

#include "ModuleSim.h"

namespace {
constexpr uint8_t kCode = 0xA8;
constexpr uint8_t kWrite = 0xF1;
constexpr uint8_t kRead = 0xF2;
constexpr int kWriteLength = 26;
constexpr int kSettings = 7;
}  // namespace

void SimCollection::install(ModuleSim& sim) {
    sim.setRequestLength(kCode, kWrite, kWriteLength);
    sim.setRequestLength(kCode, kRead, 10);
    sim.setOpHandler(kCode, kWrite, [this](ModuleSim& s, const QByteArray& r) { onWrite(s, r); });
    sim.setOpHandler(kCode, kRead, [this](ModuleSim& s, const QByteArray&) { onRead(s); });
}

QByteArray SimCollection::settingsBytes() const {
    QByteArray b;
    for (int i = 0; i < 4; ++i) b.append(char((periodUnits >> (8 * i)) & 0xFF));
    b.append(char(timeoutUnits));
    b.append(char(resends));
    b.append(char(history));
    return b;
}

void SimCollection::setSettingsBytes(const QByteArray& seven) {
    const QByteArray b = seven.left(kSettings).leftJustified(kSettings, '\0');
    periodUnits = 0;
    for (int i = 3; i >= 0; --i) periodUnits = (periodUnits << 8) | uint8_t(b.at(i));
    timeoutUnits = uint8_t(b.at(4));
    resends = uint8_t(b.at(5));
    history = uint8_t(b.at(6));
}

QByteArray SimCollection::readAnswer() const {
    const uint16_t length = lengthOverride.value_or(kSettings);
    QByteArray payload;
    payload.append(char(length & 0xFF));
    payload.append(char(length >> 8));
    payload.append(settingsBytes());
    return ModuleSim::answerFrame(kCode, status, payload);
}

void SimCollection::onWrite(ModuleSim& sim, const QByteArray& request) {
    ++writes;
    lastWrite = request;
    bool sound = request.size() >= kWriteLength;
    if (sound) {
        unsigned sum = 0;
        for (int i = 12; i < kWriteLength; ++i) sum += uint8_t(request.at(i));
        sound = uint8_t(sum & 0xFF) == uint8_t(request.at(11));
    }
    if (writeAck == Ack::Silent) return;
    const bool ok = sound && writeAck == Ack::Ok;
    if (ok) setSettingsBytes(request.mid(12, kSettings));
    sim.answer(ModuleSim::answerFrame(kCode, status, ok ? okText : QByteArrayLiteral("SETFAIL:")));
}

void SimCollection::onRead(ModuleSim& sim) {
    ++reads;
    if (answerReads) sim.answer(readAnswer());
}
