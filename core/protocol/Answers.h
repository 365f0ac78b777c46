#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// What the module's answers say, as plain values. Each decoder takes the
// bytes a receiver collected after an answer code (the status byte first,
// as the port delivered them) and never reads past them: a short answer
// decodes with its missing bytes as 0, or as nothing where the type says
// so. The receivers decide when an answer is whole; the forms show what is
// decoded.
namespace Answers {

// --- short parameter answers -------------------------------------------------
struct ParamAnswer {
    enum class Kind {
        Unknown,
        ModuleStatus,    // FD: value is the status byte
        WorkMode,        // F8: flag set for passive
        TransMode,       // F9: flag set for transparent
        ReceiverNumber,  // A2
        PasswordUse,     // A1: value 0 none, bit 0 receiving, bit 1 sending
        Password,        // F1
        Version,         // EC: the identity text
        Address,         // E2
        BaudWritten,     // F2: nothing to show
        RestartTime,     // A3: seconds
        SubMode,         // FB: flag set for the second transparent mode
        NumberMask,      // E1
        PowerSaving,     // D3: flag set for on
        WakeDelays,      // D2: text the label, idleMs and dataMs the boxes
        WakeMode,        // DB: flag set for mode 1
    };
    Kind kind = Kind::Unknown;
    uint8_t value = 0;
    bool flag = false;
    QString text;
    QString idleMs;
    QString dataMs;
    // The query the parameter refresh sends next; -1 when the answer
    // proposes none.
    int refreshStep = -1;
};
ParamAnswer decodeParamAnswer(uint8_t code, const QByteArray& bytes);

// --- acknowledgements ----------------------------------------------------------
enum class Verdict { Wait, Ok, Fail, Other };
// A phone-table acknowledgement gathered so far ("SETOK:" / "SETFAIL:",
// "CLROK:" / "CLRFAIL:"): judged once six bytes are there, except while all
// there is could still become the refusal.
Verdict judgeTableAck(const QByteArray& text, const QByteArray& ok, const QByteArray& fail);
// A settings-write acknowledgement gathered so far, judged on its first
// bytes: "SETOK:" needs six, "SETFAIL:" eight. While it can still become
// either, moreBytes is how many are still missing.
struct SettingsAck {
    Verdict verdict = Verdict::Other;
    int moreBytes = 0;
};
SettingsAck judgeSettingsAck(const QByteArray& text);
// The short text that acknowledges an identity write: it may hold either
// word, or both.
struct IdentityAck {
    bool ok = false;
    bool fail = false;
};
IdentityAck decodeIdentityAck(const QByteArray& bytes);

// --- phone-number table ----------------------------------------------------------
struct PhoneTableHeader {
    uint8_t checksum = 0;
    uint8_t count = 0;
    // No number, or more than the table holds: the entries are not read.
    bool empty() const;
};
// Two bytes: checksum and count; nothing when fewer came.
std::optional<PhoneTableHeader> decodePhoneTableHeader(const QByteArray& bytes);
struct PhoneTable {
    // The checksum over the count and the entries, as received.
    uint8_t sum = 0;
    bool checksumOk = false;
    // The numbers, when the checksum matched.
    QStringList numbers;
};
PhoneTable decodePhoneTable(const PhoneTableHeader& header, const QByteArray& entries);

// --- alarm and output settings read back -----------------------------------------
// Header of a block read back: status, L (block length + 1), checksum.
struct BlockHeader {
    uint8_t status = 0;
    uint8_t length = 0;
    uint8_t checksum = 0;
    // The bytes of the block that follows; 0 or less for none.
    int blockBytes() const { return int(length) - 1; }
};
BlockHeader decodeBlockHeader(const QByteArray& bytes);
// The block matches the header's checksum (byte sum modulo 256).
bool blockChecksumOk(const QByteArray& block, uint8_t checksum);

// --- input state ------------------------------------------------------------------
// The text after "<": its first character is the state. Nothing when the
// text is empty.
std::optional<QString> decodeInputState(int channel, const QByteArray& text);

// --- communication test -------------------------------------------------------------
// The status word of a passive-mode send status (0 sent, 1 failed, 2
// sending); empty for any other byte.
QString sendStatusWord(uint8_t status);
// The byte after D7 in the formatted mode.
struct FormattedType {
    bool known = false;
    // A status that ends the answer (FA, FC, FF); else received data follows (01).
    bool endsAnswer = false;
    QString word;
};
FormattedType decodeFormattedType(uint8_t type);

}  // namespace Answers
