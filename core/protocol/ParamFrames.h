#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// Requests that set and read the SMS module's parameters, and the texts the
// parameter answers show, as plain functions of the typed texts and the
// received bytes. The settings form only gathers the texts and sends.
namespace ParamFrames {

// A request, or the reason why none can be built from the input (a text
// for a "提示" message; the request is then empty and nothing is sent).
struct Built {
    QByteArray frame;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// --- texts of the refusals ----------------------------------------------------
QString tooShortPassword();
QString tooShortNumber();
QString tooShortAddress();
QString notSingleByte();
QString restartOutOfRange();
QString maskOutOfRange();
QString delaysOutOfRange();
// A write whose value neither a refresh read nor the user entered.
QString notReadYet(const QString& what);
// The identity input's only complaint, for every kind of bad input.
QString invalidIdentity();
// A rate text that has no code (typed by hand, "9600" without "bps").
QString unknownRate();

// --- parts ----------------------------------------------------------------
// Two characters from 0-based position `pos` as one byte; a character that
// is not a hex digit (lower case included) counts as 0.
uint8_t hexPair(const QString& text, int pos);
// Code of the serial rate text ("9600bps" -> 6); 0 for any other text.
uint8_t baudCode(const QString& text);
// The leading decimal number of `text`, rounded half to even; false when
// the result lies outside [lo, hi].
bool leadingInteger(const QString& text, int64_t lo, int64_t hi, int64_t& out);

// --- single writes ------------------------------------------------------------
// A1 01: bit 0 receiving, bit 1 sending.
QByteArray passwordUse(bool receive, bool send);
// F1 01: the four bytes of the password box, "5A:21:7C:40:" (lower case as
// its capital); any other text is refused.
Built smsPassword(const QString& text1);
// A2 01 01 and the pairs at characters 2-3 .. 10-11 of the number box;
// refused unless it holds 11 digits starting with 1.
Built receiverNumber(const QString& text2);
// E2 01: the two bytes of the address box, "0A:01" or "0A:01:".
Built passiveAddress(const QString& text3);
// D1 01: 02 for the SMS model N310, 01 for the GPRS model N320.
QByteArray moduleModel(bool smsModel);
// F2 01 and the rate's code; a text without a code is refused.
Built moduleBaud(const QString& comboText);
// A3 01: seconds as a count of 5 ms, four bytes high first; a text that is
// no number, or a count past 31 bits, is refused.
Built restartTime(const QString& text4);
// EC 01 and the six typed characters, one byte each.
Built identity(const QString& typed);

// --- refresh and chains -----------------------------------------------------
// The refresh query of a step 0..12; empty for any other step.
QByteArray refreshQuery(int step);
// F8 01: 01 active, 00 passive.
QByteArray workMode(bool active);
// F9 01 by the transmission list's item: 01 for "格式传输", 00 otherwise.
QByteArray transMode(int item);
// FB 01 and the sub-mode byte.
QByteArray subMode(uint8_t value);
// E1 01 and the number mask (the picker's box), four bytes high first.
Built numberMask(const QString& textDXPhone);
// D3 01: 01 on, 00 off.
QByteArray powerSaving(bool on);
// DB 01, 00 for mode 1 and 01 for mode 2, then 00 00 00.
QByteArray wakeMode(bool mode1);
// D2 01 and both delays (milliseconds typed) in units of 400 ms; a text
// that is no number, or units past 16 bits, are refused.
Built wakeDelays(const QString& idleMs, const QString& dataMs);

// --- what the answers show ----------------------------------------------------
// Unsigned number from `count` bytes of `bytes` at `pos`, high byte first;
// missing bytes count as 0.
uint32_t bigEndian(const QByteArray& bytes, int pos, int count);
// "01:02:0A:FF:": each byte as two hex digits closed by a colon.
QString hexPairsWithColons(const QByteArray& bytes, int pos, int count);
// "1" and the BCD digits of bytes[pos .. pos+4]; a byte outside the array
// counts as 0.
QString receiverNumberText(const QByteArray& bytes, int pos);
// The restart count (signed, units of 5 ms) as seconds.
QString restartSecondsText(int32_t count);
// The wake delays' label ("1.2s   10s") and both values in milliseconds.
struct WakeDelayTexts {
    QString label;
    QString idleMs;
    QString dataMs;
};
WakeDelayTexts wakeDelayTexts(uint16_t idleUnits, uint16_t dataUnits);
// "9600,n,8,1" -> "9600bps": the settings text less its last six characters.
QString portRateText(const QString& settings);

}  // namespace ParamFrames
