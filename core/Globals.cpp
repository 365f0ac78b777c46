#include "Globals.h"

#include <cstring>

#include "JetDb.h"

namespace g {

int RecvMode = 0;
int RxState = 0;
QByteArray CommBytes;
uint8_t HsStatusBytes[3] = {};
uint8_t WorkModeByte[1] = {};
uint8_t TransModeByte[1] = {};
uint8_t VersionBytes[12] = {};
QString VersionText;
uint8_t HsBlockD6[1] = {};
uint8_t ModuleTypeByte[1] = {};
int PollStep = 0;
int BaudScanStep = 0;
int OfflineMode = 0;
int RxByteIndex = 0;
float WaitStart = 0;
int PhoneTableOp = 0;
int AlarmSetOp = 0;
int OutputSetOp = 0;
int PhoneTableOutstanding = 0;
int AlarmSetOutstanding = 0;
int OutputSetOutstanding = 0;
int IdentityOutstanding = 0;
int PhoneTableGivenUp = 0;
QByteArray AlarmSetRead, OutputSetRead;
QList<SettingsRead> AlarmSetReads, OutputSetReads;
int DollarPendingOp = 0;
int DIChannel = 0;
bool ParamMode = true;
int RefreshStep = 0;
uint8_t RefreshQuery = 0;
QString RxText;
uint8_t RxFrameFields[4] = {};
uint8_t PhoneTableHdr[3] = {};
std::unique_ptr<jetdb::Database> PhoneDb;
std::unique_ptr<jetdb::Recordset> PhoneRs;
int64_t PhoneMask = 0;
int BatchIndex = 0;
QString BatchNumber;
QString WaitMessage;
int LegacyModeFlags[5] = {};

int GprsWorkMode = 0;
bool GprsParamMode = false;
int GprsParamStep = 0;
bool GprsSlaveSetPending = false;
int GprsReadAwaited = -1;
QList<int> GprsPassiveOwed;
int GprsReadLate = -1;
QString GprsRxText;
QByteArray RxBuf;
int RxCount = 0;
int InTableOp = 0;
int OutTableOp = 0;
int CollectionDue = 0;
int TableClearDue = 0;
QList<InputRequest> InTableOwed;
QList<InputRequest> OutTableOwed;
int CommStep = 0;
int ReadTries = 0;
int WriteTries = 0;

void resetAll() {
    RecvMode = 0;
    RxState = 0;
    CommBytes.clear();
    std::memset(HsStatusBytes, 0, sizeof HsStatusBytes);
    WorkModeByte[0] = TransModeByte[0] = HsBlockD6[0] = ModuleTypeByte[0] = 0;
    std::memset(VersionBytes, 0, sizeof VersionBytes);
    VersionText.clear();
    PollStep = BaudScanStep = OfflineMode = RxByteIndex = 0;
    WaitStart = 0;
    PhoneTableOp = AlarmSetOp = OutputSetOp = DollarPendingOp = DIChannel = RefreshStep = 0;
    RefreshQuery = 0;
    PhoneTableOutstanding = AlarmSetOutstanding = OutputSetOutstanding = IdentityOutstanding = 0;
    PhoneTableGivenUp = 0;
    for (QByteArray* b : {&AlarmSetRead, &OutputSetRead}) b->clear();
    AlarmSetReads.clear();
    OutputSetReads.clear();
    ParamMode = true;
    RxText.clear();
    std::memset(RxFrameFields, 0, sizeof RxFrameFields);
    std::memset(PhoneTableHdr, 0, sizeof PhoneTableHdr);
    PhoneRs.reset();
    PhoneDb.reset();
    PhoneMask = 0;
    BatchIndex = 0;
    BatchNumber.clear();
    WaitMessage.clear();
    std::memset(LegacyModeFlags, 0, sizeof LegacyModeFlags);
    GprsWorkMode = 0;
    GprsParamMode = false;
    GprsParamStep = 0;
    GprsSlaveSetPending = false;
    GprsReadAwaited = -1;
    GprsPassiveOwed.clear();
    GprsReadLate = -1;
    GprsRxText.clear();
    RxBuf.clear();
    InTableOwed.clear();
    OutTableOwed.clear();
    RxCount = InTableOp = OutTableOp = CollectionDue = TableClearDue = CommStep = ReadTries = WriteTries = 0;
}

}  // namespace g
