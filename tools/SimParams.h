#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <cstdint>

#include "ModuleSim.h"

// The SMS alarm module's parameters as state of a simulated module. Each
// query is answered with the value held; each write is applied and then
// answered exactly as a query of the new value (the program takes that as
// the write's echo). The identity write is answered with "SETOK:", or with
// "SETFAIL:" while identityFails is set.
//
// Work mode, transmission mode and the version stay in the module's
// Identity (the handshake answers them too); everything else lives here.
// Install once per module:  SimParams* p = SimParams::install(sim);
// the object belongs to the module and lives as long as it does.
class SimParams : public QObject {
    Q_OBJECT
public:
    static SimParams* install(ModuleSim& sim);

    ModuleSim& sim() const { return m_sim; }

    uint8_t status = 0x00;           // status byte of every answer
    uint8_t passwordUse = 0x00;      // A1: bit 0 receiving, bit 1 sending
    QByteArray password = QByteArray::fromHex("5A217C40");  // F1: 4 bytes
    QByteArray receiver = QByteArray::fromHex("010000000000");  // A2: 01 and 5 BCD bytes
    QByteArray address = QByteArray::fromHex("0001");  // E2: 2 bytes
    uint8_t baudCode = 0x06;         // F2
    uint32_t restartCount = 0;       // A3: units of 5 ms
    uint8_t subMode = 0x01;          // FB: 0 "透明方式2", other "透明方式1"
    uint32_t mask = 0;               // E1
    uint8_t powerSaving = 0x00;      // D3
    uint8_t wakeMode = 0x00;         // DB: 0 mode 1
    uint16_t idleUnits = 2;          // D2: units of 400 ms
    uint16_t dataUnits = 25;
    QByteArray identityCode;         // the last six bytes written with EC 01
    bool identityFails = false;      // answer the identity write "SETFAIL:"
    QSet<uint8_t> muted;             // codes whose requests go unanswered

    // The unsolicited status notice: P FD status.
    void sendNotice(uint8_t statusByte);

    // The answer frame for a query of `code` with the values held now.
    QByteArray answerFor(uint8_t code) const;

private:
    explicit SimParams(ModuleSim& sim);
    void onRequest(uint8_t code, const QByteArray& request);
    void apply(uint8_t code, const QByteArray& data);

    ModuleSim& m_sim;
};
