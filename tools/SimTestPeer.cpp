#include "SimTestPeer.h"

namespace {

QByteArray bytesOf(std::initializer_list<uint8_t> list) {
    QByteArray out;
    for (uint8_t b : list) out.append(char(b));
    return out;
}

}  // namespace

SimTestPeer* SimTestPeer::install(ModuleSim& sim) { return new SimTestPeer(sim); }

SimTestPeer::SimTestPeer(ModuleSim& sim) : QObject(&sim), m_sim(sim) {
    sim.setFallbackHandler([this](ModuleSim&, const QByteArray& request) { onRequest(request); });
}

QByteArray SimTestPeer::receivedRecord(const QByteArray& number6, const QByteArray& content,
                                       const QByteArray& stamp6, uint8_t type) {
    QByteArray out;
    out.append(char(type));
    out.append(char(0x01));
    out.append(number6.left(6).leftJustified(6, '\0', true));
    // The length covers the date and time as well.
    const qsizetype length = content.size() + stamp6.size();
    out.append(char(length / 256));
    out.append(char(length % 256));
    out.append(content);
    out.append(stamp6);
    return out;
}

void SimTestPeer::receiveMessage(const QByteArray& bytes) {
    if (m_sim.identity.workMode == 0)
        inbox = bytes;
    else
        m_sim.answer(bytes);
}

void SimTestPeer::onRequest(const QByteArray& request) {
    if (m_sim.identity.workMode == 0) {
        passive(request);
        return;
    }
    taken << request;
    if (m_sim.identity.transMode == 0) return;
    const uint8_t type = request.isEmpty() ? 0 : uint8_t(request.at(0));
    if (type == 0xD7 || type == 0xD8) m_sim.answer(bytesOf({0xD7, formattedResult}));
}

void SimTestPeer::refuseWith(uint8_t a1, uint8_t a2) {
    const QByteArray tail = refusalTail ? refusalTail->left(3) : bytesOf({a1, a2, 0x0D});
    m_sim.answer(QByteArray(1, '?') + tail);
}

void SimTestPeer::passive(const QByteArray& request) {
    qsizetype at = 0;
    while (at < request.size()) {
        if (request.at(at) != '$') {
            ++at;  // line noise before a frame
            continue;
        }
        const QByteArray rest = request.mid(at);
        const qsizetype used = passiveFrame(rest);
        if (used == 0) {
            const uint8_t a1 = rest.size() > 1 ? uint8_t(rest.at(1)) : 0;
            const uint8_t a2 = rest.size() > 2 ? uint8_t(rest.at(2)) : 0;
            refuseWith(a1, a2);
            return;
        }
        at += used;
    }
}

qsizetype SimTestPeer::passiveFrame(const QByteArray& f) {
    if (f.size() < 5) return 0;
    const uint8_t a1 = uint8_t(f.at(1));
    const uint8_t a2 = uint8_t(f.at(2));
    const char op = f.at(3);
    if (op == 'R') {
        if (f.at(4) != '\r') return 0;
        if (refuse) {
            refuseWith(a1, a2);
            return 5;
        }
        QByteArray answer = bytesOf({'!', a1, a2, uint8_t(inbox.size() / 256), uint8_t(inbox.size() % 256)});
        answer += inbox;
        answer += '\r';
        inbox.clear();
        m_sim.answer(answer);
        return 5;
    }
    if (op != 'W' || f.size() < 7) return 0;
    const qsizetype n = uint8_t(f.at(4)) * 256 + uint8_t(f.at(5));
    if (f.size() < 7 + n || f.at(6 + n) != '\r') return 0;
    if (refuse) {
        refuseWith(a1, a2);
    } else if (n == 0) {
        m_sim.answer(bytesOf({'!', a1, a2, statusLead, sendStatus, 0x0D}));
    } else {
        taken << f.mid(6, n);
        m_sim.answer(bytesOf({'!', a1, a2, 0x0D}));
    }
    return 7 + n;
}
