#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

#include "platform/VirtualClock.h"

namespace jetdb {
class Database;
class Recordset;
}  // namespace jetdb

// The programs' shared state. The forms and receivers talk through these,
// exactly as the module's operation flags are meant to be shared; nothing
// else in the project keeps shared state in statics.
namespace g {

// Which receiver gets the serial input: 100 handshake, 101 module answers,
// 110/111 the GPRS module, anything else none.
extern int RecvMode;
// The running receiver's state; 0 is the hunt for the start of an answer.
extern int RxState;
// The request being sent (in Kestrun also the bytes just read).
extern QByteArray CommBytes;

// Handshake results, kept for the whole run.
extern uint8_t HsStatusBytes[3];
extern uint8_t WorkModeByte[1];
extern uint8_t TransModeByte[1];
extern uint8_t VersionBytes[12];
extern QString VersionText;
extern uint8_t HsBlockD6[1];
extern uint8_t ModuleTypeByte[1];

// Identify-sequence step 0..5 and the rate-search step.
extern int PollStep;
extern int BaudScanStep;
// -1 when the settings form was opened without a handshake.
extern int OfflineMode;

// Receivers' work variable (loop index, running checksum).
extern int RxByteIndex;
// Time of day of the answer receiver's last frame step.
extern float WaitStart;

// Operation flags telling the answer parser what the next answer means.
extern int PhoneTableOp;
extern int AlarmSetOp;
extern int OutputSetOp;
extern int DollarPendingOp;
// Kestrun: the phone-table, alarm and output requests sent and not yet
// answered, in the order they went out, by the value of the flag above;
// and the identity's (0 the version query, 1 the identity write).
extern int PhoneTableOutstanding;
extern int AlarmSetOutstanding;
extern int OutputSetOutstanding;
extern int IdentityOutstanding;
// Kestrun: the phone-table requests given up unanswered when a write or a
// clear went out behind them, as the queue above: their answers may still
// come.
extern int PhoneTableGivenUp;
// Kestrun: the alarm and output blocks of the last read answer taken, from
// the record's byte 12 on.
extern QByteArray AlarmSetRead, OutputSetRead;
// Kestrun: the alarm and output reads out, oldest first: the channel each
// named and how long ago it went.
struct SettingsRead {
    int channel = -1;
    ClockElapsed sent;
};
extern QList<SettingsRead> AlarmSetReads, OutputSetReads;
extern int DIChannel;
extern bool ParamMode;
extern int RefreshStep;
// The code of the refresh query whose answer is awaited, 0 when none: only
// that answer moves the refresh on (a write's echo or a late copy does not).
extern uint8_t RefreshQuery;

// Received test data as hex text waiting for the display.
extern QString RxText;
// Address bytes and the two following bytes of a passive-mode answer.
extern uint8_t RxFrameFields[4];
// Header of a phone-table or settings-read answer.
extern uint8_t PhoneTableHdr[3];

// Kestrun's settings form keeps gprs.mdb and its phone table open for the
// whole run; both stay empty when the file cannot be read.
extern std::unique_ptr<jetdb::Database> PhoneDb;
extern std::unique_ptr<jetdb::Recordset> PhoneRs;

// Bit mask of phone numbers chosen in the picker.
extern int64_t PhoneMask;

// Kestrun's phone-number batch: ticks so far (never reset while the program
// runs) and the number of the current batch frame.
extern int BatchIndex;
extern QString BatchNumber;

// The GPRS module's work-mode routines (never started in this build).
extern QString WaitMessage;
extern int LegacyModeFlags[5];

// The GPRS data module: the work mode chosen on entering its settings form
// (1 data communication, 0 address setting); configuration answers awaited
// (else data-terminal answers); the read sequence's next step (100: none
// out); an identity-address write awaiting its result; scratch answer text.
extern int GprsWorkMode;
extern bool GprsParamMode;
extern int GprsParamStep;
extern bool GprsSlaveSetPending;
// The code of the read request whose answer the read sequence waits for
// (-1: none): only that answer chooses the next step.
extern int GprsReadAwaited;
// The passive requests of the GPRS data terminal whose answers have not
// come, oldest first, each by its DollarPendingOp value. The module answers
// in order, so an answer belongs to the oldest; one given up at its wait
// stays here for a while, so that its late answer is not read as the next
// request's.
extern QList<int> GprsPassiveOwed;
// The code of the read request the read sequence gave up on (-1: none, or
// its while is over): its answer, should it still come within a few
// seconds, is a configuration answer and not data.
extern int GprsReadLate;
extern QString GprsRxText;

// Varnel: one quiet-time window of received bytes, and the transfer steps.
extern QByteArray RxBuf;
extern int RxCount;
extern int InTableOp;
extern int OutTableOp;
// Collection settings requests sent and not yet answered (bit 0 a read,
// and 2 for each write), whatever InTableOp says by the time their answers
// come.
extern int CollectionDue;
// Table clears sent and not yet answered (bit 0 the input-parsing table,
// bit 1 the command table), whatever InTableOp / OutTableOp say by the time
// their answers come.
extern int TableClearDue;
// A table's requests out, oldest first, which the module answers in turn,
// one answer each: row reads and writes, and for the input-parsing table
// also the collection settings' read and write. `asker` tells whose; `live`
// is false once that one stopped waiting; `row` is the table row a
// transfer's request names (-1: none).
struct InputRequest {
    int asker = 0;
    bool live = true;
    int row = -1;
    ClockElapsed sent;
};
extern QList<InputRequest> InTableOwed;
extern QList<InputRequest> OutTableOwed;
extern int CommStep;
extern int ReadTries;
extern int WriteTries;

// Puts every global back to its start value (tests run many programs in one
// process).
void resetAll();

}  // namespace g
