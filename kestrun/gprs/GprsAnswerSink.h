#pragma once

#include <QString>
#include <cstdint>

#include "core/protocol/GprsAnswers.h"

// What the GPRS answer parser hands on, decoded. The settings form
// implements it and applies each value to its controls; the parser keeps
// the shared globals (read step, work and transmission mode, received
// data) itself.
class GprsAnswerSink {
public:
    virtual ~GprsAnswerSink() = default;

    // --- configuration answers ---
    // FD 01: the module finished its start-up.
    virtual void moduleReady() = 0;
    // FD 03 while an identity write waits: write it once more (Timer7).
    virtual void retryIdentityWrite() = 0;
    virtual void version(const QString& text) = 0;
    virtual void passiveAddress(const QString& addressText) = 0;
    virtual void targetAddress(const QString& addressText) = 0;
    // F4 03: the identity address and the two bytes after it, as address
    // texts; `updateEntry` false while a write of the user's entry waits.
    virtual void identityAddress(const QString& addressText, const QString& secondText, bool updateEntry) = 0;
    // F4 result of an identity write (not AddressFollows, not Unknown).
    virtual void identityOutcome(GprsAnswers::IdentityOutcome outcome) = 0;
    virtual void heartbeat(uint16_t seconds) = 0;
    virtual void workMode(uint8_t mode) = 0;
    virtual void transMode(uint8_t mode) = 0;
    virtual void subMode(uint8_t mode) = 0;
    virtual void addressLayout(const GprsAnswers::AddressLayout& layout) = 0;
    // F2: the rate's list position (-1: a code outside the list, the list
    // stays) and the text for the hidden rate label.
    virtual void baud(int listIndex, const QString& labelText) = 0;
    virtual void restartCount(int count) = 0;
    virtual void powerSaving(uint8_t value) = 0;
    // D2: both delays in units of 400 ms.
    virtual void wakeDelays(uint16_t idleUnits, uint16_t dataUnits) = 0;
    virtual void wakeMode(uint8_t mode) = 0;

    // --- data-terminal answers ---
    // One complete answer line for the log ("接收  ...\r\n").
    virtual void logAnswer(const QString& line) = 0;
    // Received data grew (g::RxText): restart the 200 ms quiet timer.
    // `cutBytes` data bytes went from the middle of the text (after its frame
    // head) to keep it within its bound.
    virtual void receivedData(qint64 cutBytes) = 0;
    // A frame complete at its head (no data): show g::RxText now.
    virtual void showReceived() = 0;
};
