#include "SimSettings.h"

namespace {

uint8_t sum8(const QByteArray& bytes) {
    unsigned s = 0;
    for (char c : bytes) s += uint8_t(c);
    return uint8_t(s & 0xFF);
}

}  // namespace

SimSettings* SimSettings::install(ModuleSim& sim) { return new SimSettings(sim); }

SimSettings::SimSettings(ModuleSim& sim) : QObject(&sim), m_sim(sim) {
    setObjectName(QStringLiteral("SimSettings"));
    for (auto& a : alarm) a = QByteArray(AlarmBlockSize, '\0');
    for (auto& o : output) o = QByteArray(OutputBlockSize, '\0');
    inputState.fill('0');

    sim.setRequestLength(0xB4, 0x01, 12 + AlarmBlockSize);
    sim.setRequestLength(0xB4, 0x02, 11);
    sim.setRequestLength(0xB5, 0x01, 12 + OutputBlockSize);
    sim.setRequestLength(0xB5, 0x02, 11);
    // The channel stands where other requests have their operation byte.
    sim.setRequestLength(0x98, -1, 10);
    sim.setRequestLength(0x99, -1, 11);
    sim.setRequestLength(0xD5, -1, 10);
    // D4 comes in two lengths (16 or 22 bytes) told apart by nothing in its
    // first ten: the quiet time behind it ends it.

    for (uint8_t code : {uint8_t(0xB4), uint8_t(0xB5)}) {
        sim.setHandler(code, [this, code](ModuleSim&, const QByteArray& r) {
            if (uint8_t(r.at(9)) == 0x01)
                onWrite(code, r);
            else if (uint8_t(r.at(9)) == 0x02)
                onRead(code, r);
        });
    }
    sim.setHandler(0x98, [this](ModuleSim&, const QByteArray& r) { onInputState(r); });
    sim.setHandler(0x99, [this](ModuleSim&, const QByteArray& r) {
        outputTests << r;
        if (r.size() >= 11 && uint8_t(r.at(9)) < OutputChannels)
            outputState[uint8_t(r.at(9))] = uint8_t(r.at(10));
    });
    sim.setHandler(0xD5, [this](ModuleSim&, const QByteArray& r) { clears << r; });
    sim.setHandler(0xD4, [this](ModuleSim&, const QByteArray& r) { batchFrames << r; });
}

QByteArray SimSettings::readAnswer(uint8_t code, const QByteArray& block, int checksumSkew) {
    QByteArray payload;
    payload.append(char(block.size() + 1));
    payload.append(char(uint8_t(sum8(block) + checksumSkew)));
    payload.append(block);
    return ModuleSim::answerFrame(code, 0x00, payload);
}

QByteArray SimSettings::ackAnswer(uint8_t code, bool ok) {
    return ModuleSim::answerFrame(code, 0x03,
                                  ok ? QByteArrayLiteral("SETOK:") : QByteArrayLiteral("SETFAIL:"));
}

void SimSettings::sendPieces(const QByteArray& first, const QByteArray& second) {
    if (second.isEmpty())
        m_sim.answer(first);
    else
        m_sim.sendChunks({first, second}, pieceGapMs);
}

void SimSettings::onWrite(uint8_t code, const QByteArray& r) {
    const bool isAlarm = code == 0xB4;
    const int size = isAlarm ? AlarmBlockSize : OutputBlockSize;
    const int channels = isAlarm ? AlarmChannels : OutputChannels;
    const int ch = uint8_t(r.at(10));
    const QByteArray record = r.mid(12, size);
    const bool good =
        !refuseWrites && ch < channels && record.size() == size && sum8(record) == uint8_t(r.at(11));
    if (good) (isAlarm ? alarm[ch] : output[ch]) = record;
    const QByteArray ack = ackAnswer(code, good) + trailer;
    if (ackSplitAt > 0) {
        const int cut = 10 + ackSplitAt;  // preamble, code, status, then the text
        sendPieces(ack.left(cut), ack.mid(cut));
    } else {
        sendPieces(ack, QByteArray());
    }
}

void SimSettings::onRead(uint8_t code, const QByteArray& r) {
    const bool isAlarm = code == 0xB4;
    const int ch = r.size() > 10 ? uint8_t(r.at(10)) : 0;
    if (ch >= (isAlarm ? AlarmChannels : OutputChannels)) return;
    const QByteArray frame =
        readAnswer(isAlarm ? 0xA5 : 0xA7, isAlarm ? alarm[ch] : output[ch], checksumSkew) + trailer;
    if (splitRead)
        sendPieces(frame.left(12), frame.mid(12));
    else
        sendPieces(frame, QByteArray());
}

void SimSettings::onInputState(const QByteArray& r) {
    const int ch = uint8_t(r.at(9));
    const char state = ch < AlarmChannels ? inputState[ch] : '?';
    if (splitInputState)
        sendPieces(QByteArrayLiteral("<"), QByteArray(1, state));
    else
        sendPieces(QByteArrayLiteral("<") + QByteArray(1, state), QByteArray());
}
