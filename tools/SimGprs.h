#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <cstdint>

#include "ModuleSim.h"

// The GPRS data module's configuration as state of a simulated module.
// Reads (operation 03) of every setting are answered with the value held;
// writes (01) are applied and not answered, except the identity address
// (F4 01 / 02), which the data centre answers after `identityDelayMs` with
// the next result of `identityResults` (FA written when the queue is empty;
// a forced write is always written). The work-mode switch (DA 01) changes
// the status byte the next probe answer reports and answers nothing.
//
// Work mode, transmission mode and the version stay in the module's
// Identity (the handshake answers them too). The data terminal's side
// (passive "$" requests, formatted and transparent data) is SimTestPeer's,
// which the GPRS module shares with the SMS alarm module.
//
// Install once per module:  SimGprs* g = SimGprs::install(sim);
class SimGprs : public QObject {
    Q_OBJECT
public:
    static SimGprs* install(ModuleSim& sim);

    ModuleSim& sim() const { return m_sim; }

    uint8_t status = 0x00;  // status byte of every answer
    QByteArray identityAddress = QByteArray::fromHex("1A05");
    QByteArray identityExtra = QByteArray::fromHex("0000");  // the two bytes after it
    QByteArray targetAddress = QByteArray::fromHex("0000");
    QByteArray passiveAddress = QByteArray::fromHex("3132");  // E2: two characters
    uint8_t baudCode = 0x06;                                  // F2
    uint16_t heartbeat = 300;                                 // F6, seconds
    uint8_t restartCount = 5;                                 // E4
    uint8_t subMode = 0x01;                                   // FB: 0 方式2
    QByteArray layout = QByteArray::fromHex("01020300");      // E1: start, length, max, type
    uint8_t powerSaving = 0x00;                               // D3
    uint16_t idleUnits = 2;                                   // D2, units of 400 ms
    uint16_t dataUnits = 25;
    uint8_t wakeMode = 0x00;                     // DB
    QByteArray f5Payload = QByteArray(9, '\0');  // F5 read: the 9 bytes after the code

    QList<uint8_t> identityResults;  // FA, FC, 08, 0A ... one per identity write
    int identityDelayMs = 50;
    QSet<uint8_t> muted;  // codes whose reads (F4: also writes) go unanswered

    // The unsolicited notice: P FD status, now or delayMs later (a module
    // that speaks up while the program waits on something else).
    void sendNotice(uint8_t statusByte, int delayMs = 0);
    // The answer frame for a read of `code` with the values held now.
    QByteArray answerFor(uint8_t code) const;

private:
    explicit SimGprs(ModuleSim& sim);
    void onRequest(uint8_t code, const QByteArray& request);
    void apply(uint8_t code, const QByteArray& data);

    ModuleSim& m_sim;
};
