#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

class ModuleSim;

// The QV7351 module's global collection settings: polling period, answer
// time-out, repeat count and history. A8 F1 writes them (26 bytes: the sum
// of bytes 12 to 25 in byte 11, then the seven setting bytes and seven
// zeros); A8 F2 (10 bytes) reads them back as A8, status, L = 7 (little
// endian) and the seven bytes.
//
// A write whose sum holds is stored and answered with `okText`; a write
// with a wrong sum, or any write while writeAck is Fail, is answered
// "SETFAIL:" and changes nothing.
class SimCollection {
public:
    enum class Ack { Ok, Fail, Silent };

    uint32_t periodUnits = 100;  // units of 10 ms; 0: the module only listens
    uint8_t timeoutUnits = 5;    // units of 100 ms
    uint8_t resends = 3;
    uint8_t history = 0;  // 1: kept

    Ack writeAck = Ack::Ok;
    QByteArray okText = QByteArrayLiteral("SETOK:00");
    bool answerReads = true;
    uint8_t status = 0x00;
    // A length announced in place of 7 in read answers (the payload stays).
    std::optional<uint16_t> lengthOverride;

    int reads = 0;
    int writes = 0;
    QByteArray lastWrite;  // the last write request as received

    // Registers A8 F1 (26 bytes) and A8 F2 (10 bytes) on sim; the object
    // must outlive the handlers.
    void install(ModuleSim& sim);

    // The seven setting bytes, as the read answer carries them.
    QByteArray settingsBytes() const;
    void setSettingsBytes(const QByteArray& seven);
    QByteArray readAnswer() const;

private:
    void onWrite(ModuleSim& sim, const QByteArray& request);
    void onRead(ModuleSim& sim);
};
