#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <cstdint>
#include <optional>

class ModuleSim;

// The simulated module's phone-number table (code D9): reads are answered
// with the count and all 20 entries, writes store the table and clears empty
// it, each acknowledged in text. Options make the failure cases.
class SimPhoneTable {
public:
    enum class Ack { Ok, Fail, Silent };

    // The stored table: the count byte and 120 entry bytes.
    uint8_t count = 0;
    QByteArray entries = QByteArray(120, '\0');

    // How writes and clears are acknowledged ("SETOK:"/"SETFAIL:",
    // "CLROK:"/"CLRFAIL:"); a refused request leaves the table as it was.
    Ack writeAck = Ack::Ok;
    Ack clearAck = Ack::Ok;
    // > 0: the acknowledgement text goes out as its first splitAt bytes and,
    // splitGapMs later, the rest.
    int ackSplitAt = 0;
    int splitGapMs = 200;
    bool answerReads = true;

    // Read answers: the status byte; a checksum sent in place of the right
    // one; a count sent in place of the stored one; bytes sent right behind
    // the 120 entries, in the same piece.
    uint8_t status = 0x00;
    std::optional<uint8_t> checksumOverride;
    std::optional<uint8_t> countOverride;
    QByteArray trailer;

    // Requests handled so far.
    int reads = 0;
    int writes = 0;
    int clears = 0;

    // Registers the request lengths (D9 01: 10, D9 02: 183, D9 04: 11 bytes)
    // and the D9 handler on sim. The object must outlive the handler.
    void install(ModuleSim& sim);

    // Puts these numbers (packed as the settings form packs them) in the
    // table; the rest of the 20 places are zero.
    void setNumbers(const QStringList& numbers);
    // The stored numbers (count of them) as text.
    QStringList numbers() const;

    // The whole read answer frame as it would be sent now.
    QByteArray readAnswer() const;

private:
    void handle(ModuleSim& sim, const QByteArray& request);
    void acknowledge(ModuleSim& sim, const QByteArray& text);
};
