#include "SimQv7351Tables.h"

#include "ModuleSim.h"

namespace {
constexpr uint8_t kWrite = 0x01;
constexpr uint8_t kRead = 0x02;
constexpr uint8_t kClear = 0x04;

uint8_t sumOf(const QByteArray& bytes, qsizetype from) {
    unsigned sum = 0;
    for (qsizetype i = from; i < bytes.size(); ++i) sum += uint8_t(bytes.at(i));
    return uint8_t(sum & 0xFF);
}
}  // namespace

void SimQv7351Tables::install(ModuleSim& sim) {
    for (Table t : {Table::Input, Table::Command}) {
        const uint8_t c = code(t);
        sim.setRequestLength(c, kRead, 11);
        sim.setRequestLength(c, kWrite, 11 + payloadSize(t));
        sim.setRequestLength(c, kClear, 11);
        sim.setHandler(c, [this, t](ModuleSim& s, const QByteArray& r) { handle(t, s, r); });
    }
}

void SimQv7351Tables::setRow(Table t, int index, const QByteArray& payload) {
    if (index < 0 || index >= Rows) return;
    state(t).rows[size_t(index)] = payload;
}

void SimQv7351Tables::setRowBody(Table t, int index, const QByteArray& body) {
    if (index < 0 || index >= Rows) return;
    QByteArray p(2, '\0');
    p[1] = char(index);
    p.append(body.left(payloadSize(t) - 2).leftJustified(payloadSize(t) - 2, '\0'));
    p[0] = char(sumOf(p, 1));
    setRow(t, index, p);
}

QByteArray SimQv7351Tables::row(Table t, int index) const {
    if (index < 0 || index >= Rows) return {};
    return state(t).rows[size_t(index)];
}

int SimQv7351Tables::rowCount(Table t) const {
    int n = 0;
    while (n < Rows && !state(t).rows[size_t(n)].isEmpty()) ++n;
    return n;
}

void SimQv7351Tables::clear(Table t) {
    for (QByteArray& r : state(t).rows) r.clear();
}

QByteArray SimQv7351Tables::rowAnswer(Table t, const QByteArray& payload, uint8_t status,
                                      std::optional<uint16_t> announced) {
    const uint16_t length = announced.value_or(uint16_t(payload.size()));
    QByteArray data;
    data.append(char(length & 0xFF));
    data.append(char(length >> 8));
    data.append(payload);
    return ModuleSim::answerFrame(code(t), status, data);
}

QByteArray SimQv7351Tables::readAnswer(Table t, int index) const {
    const QByteArray stored = row(t, index);
    if (!stored.isEmpty()) return rowAnswer(t, stored, status, state(t).lengthOverride);
    switch (state(t).end) {
        case End::Short:
            return ModuleSim::answerFrame(code(t), status, QByteArray(2, '\0'));
        case End::ZeroLength:
            return ModuleSim::answerFrame(code(t), status, QByteArray(2 + payloadSize(t), '\0'));
        case End::Silence:
            break;
    }
    return {};
}

void SimQv7351Tables::handle(Table t, ModuleSim& sim, const QByteArray& request) {
    if (request.size() < 10) return;
    State& s = state(t);
    switch (uint8_t(request.at(9))) {
        case kRead: {
            ++s.reads;
            if (!s.answerReads || request.size() < 11) return;
            const QByteArray a = readAnswer(t, uint8_t(request.at(10)));
            if (!a.isEmpty()) sim.answer(a);
            return;
        }
        case kWrite:
            onWrite(t, sim, request);
            return;
        case kClear: {
            ++s.clears;
            if (s.clearAck == Ack::Silent) return;
            if (s.clearAck == Ack::Ok) clear(t);
            sim.answer(
                ModuleSim::answerFrame(code(t), status, s.clearAck == Ack::Ok ? "CLROK:" : "CLRFAIL:"));
            return;
        }
        default:
            return;
    }
}

void SimQv7351Tables::onWrite(Table t, ModuleSim& sim, const QByteArray& request) {
    State& s = state(t);
    ++s.writes;
    const int index = request.size() > 10 ? uint8_t(request.at(10)) : -1;
    const Ack ack = s.rowAcks.value(index, s.writeAck);
    if (ack == Ack::Silent) return;
    // A frame that does not hold together is refused, as the module would.
    const bool sound = request.size() == 11 + payloadSize(t) && index < Rows &&
                       request.at(12) == request.at(10) && sumOf(request, 12) == uint8_t(request.at(11));
    if (!sound || ack == Ack::Fail) {
        sim.answer(ModuleSim::answerFrame(code(t), status, "SETFAIL:"));
        return;
    }
    s.rows[size_t(index)] = request.mid(11);
    sim.answer(
        ModuleSim::answerFrame(code(t), status, "SETOK:" + QByteArray::number(index).rightJustified(2, '0')));
}
