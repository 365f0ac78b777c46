#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <cstdint>
#include <optional>

#include "ModuleSim.h"

// The SMS alarm module's side of the communication test: what it does with
// the requests that carry no preamble. The module's work and transmission
// modes are those of its Identity (the handshake reports them).
//
//  - Passive mode: "$" requests. A read is answered "!", the address, the
//    length and the waiting message (or a length of 0 and CR); a write of
//    length 0 with the send status; a write with data with "!", the address
//    and CR, the data kept as taken. With `refuse` set every request is
//    answered "?" and three bytes; so is a request that does not parse.
//  - Active formatted mode: a record handed over is kept and answered with
//    D7 and `formattedResult` (FA sent, FC failed, FF not on the network).
//  - Active transparent mode: the bytes are kept; nothing is answered.
//
// A message arriving from the network (receiveMessage) is sent at once in
// active mode and kept for the next read in passive mode.
//
// Install once per module:  SimTestPeer* p = SimTestPeer::install(sim);
// it becomes the module's handler for requests without preamble and lives
// as long as the module.
class SimTestPeer : public QObject {
    Q_OBJECT
public:
    static SimTestPeer* install(ModuleSim& sim);

    ModuleSim& sim() const { return m_sim; }

    bool refuse = false;
    // The three bytes after "?"; by default the address bytes and CR.
    std::optional<QByteArray> refusalTail;
    // The send-status answer: "!", the address, `statusLead`, `sendStatus`
    // (2 sending, 1 failed, 0 sent), CR.
    uint8_t statusLead = 0x0D;
    uint8_t sendStatus = 0x00;
    uint8_t formattedResult = 0xFA;
    // What the module took to send: the data of passive writes, the records
    // or raw bytes of active mode, in order.
    QList<QByteArray> taken;
    // The message a passive read will return (its data bytes).
    QByteArray inbox;

    // A message reaches the module: passive mode keeps it for the next read,
    // active mode sends `bytes` as they are.
    void receiveMessage(const QByteArray& bytes);

    // A received record as the module passes it on: type, 01, the six number
    // bytes, the length (of content and date together), the content and six
    // date-and-time bytes.
    static QByteArray receivedRecord(const QByteArray& number6, const QByteArray& content,
                                     const QByteArray& stamp6 = QByteArray::fromHex("240115103000"),
                                     uint8_t type = 0xD7);

private:
    explicit SimTestPeer(ModuleSim& sim);
    void onRequest(const QByteArray& request);
    void passive(const QByteArray& request);
    // One "$" frame at the start of `rest`; its length, or 0 when it does
    // not parse.
    qsizetype passiveFrame(const QByteArray& rest);
    void refuseWith(uint8_t a1, uint8_t a2);

    ModuleSim& m_sim;
};
