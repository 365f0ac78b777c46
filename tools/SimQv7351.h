#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <cstdint>

#include "ModuleSim.h"
#include "SimCollection.h"
#include "SimParams.h"
#include "SimPhoneTable.h"
#include "SimQv7351Tables.h"
#include "SimTestPeer.h"

// A whole QV7351 module on a simulated line: the parameters and the phone
// table as the SMS alarm module keeps them, plus the flash-size query (AB),
// both row tables, the collection settings and the test-tab peer. The
// handshake answers come from the module's Identity (setKind(Qv7351)).
//
// Its starting state is an active, formatted module without password or
// power saving, restart time 3517.6 s and 4M of flash.
//
// Install once per module:  SimQv7351* q = SimQv7351::install(sim);
// the object belongs to the module and lives as long as it does.
class SimQv7351 : public QObject {
    Q_OBJECT
public:
    static SimQv7351* install(ModuleSim& sim);

    ModuleSim& sim() const { return m_sim; }

    SimParams* params = nullptr;  // owned by the module
    SimTestPeer* testPeer = nullptr;
    SimPhoneTable phoneTable;
    SimQv7351Tables tables;
    SimCollection collection;

    // AB: the flash size code (13h 1M ... 17h 16M, FFh none) and the byte
    // after it.
    uint8_t flashSize = 0x15;
    uint8_t flashExtra = 0x00;
    // Parameter clears (D5 01 00) taken; the module does not answer them.
    QList<QByteArray> parameterClears;

    // The unsolicited ready notice: P FD status.
    void sendNotice(uint8_t status) { params->sendNotice(status); }

private:
    explicit SimQv7351(ModuleSim& sim);

    ModuleSim& m_sim;
};
