#include "SimQv7351.h"

SimQv7351* SimQv7351::install(ModuleSim& sim) { return new SimQv7351(sim); }

SimQv7351::SimQv7351(ModuleSim& sim) : QObject(&sim), m_sim(sim) {
    setObjectName(QStringLiteral("SimQv7351"));
    params = SimParams::install(sim);
    params->passwordUse = 0x00;
    params->restartCount = 0x000ABC20;  // 3517.6 s in units of 5 ms
    params->powerSaving = 0x00;
    testPeer = SimTestPeer::install(sim);
    phoneTable.install(sim);
    tables.install(sim);
    // After the tables: these two operations of A8 are the collection's.
    collection.install(sim);

    sim.setRequestLength(0xAB, 0x03, 10);
    sim.setHandler(0xAB, [this](ModuleSim& s, const QByteArray& request) {
        if (uint8_t(request.at(9)) != 0x03) return;
        QByteArray data;
        data.append(char(flashSize));
        data.append(char(flashExtra));
        s.answer(ModuleSim::answerFrame(0xAB, params->status, data));
    });
    sim.setRequestLength(0xD5, -1, 11);
    sim.setHandler(0xD5, [this](ModuleSim&, const QByteArray& request) { parameterClears.append(request); });
}
