// The SMS alarm module's answers as the receivers hand them over, and the
// settings records and phone table read back, with any arguments.
#include "FuzzInput.h"
#include "core/protocol/Answers.h"
#include "core/protocol/ParamFrames.h"
#include "core/protocol/PhoneCodec.h"
#include "core/protocol/SettingsRecords.h"
#include "platform/text/VbNum.h"

using namespace SettingsRecords;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int mode = in.byte() % 6;
    if (mode == 0) {
        const uint8_t code = in.byte();
        (void)Answers::decodeParamAnswer(code, in.rest());
        return 0;
    }
    if (mode == 1) {
        const QByteArray a = in.bytes();
        (void)Answers::judgeTableAck(a, "SETOK:", "SETFAIL:");
        (void)Answers::judgeTableAck(a, "CLROK:", "CLRFAIL:");
        const auto ack = Answers::judgeSettingsAck(a);
        FUZZ_CHECK(ack.moreBytes >= 0 && ack.moreBytes <= 8);
        (void)Answers::decodeIdentityAck(a);
        (void)Answers::decodeInputState(in.intIn(-1, 40), a);
        (void)Answers::sendStatusWord(in.byte());
        (void)Answers::decodeFormattedType(in.byte());
        const auto header = Answers::decodeBlockHeader(a);
        (void)Answers::blockChecksumOk(in.bytes(), header.checksum);
        return 0;
    }
    if (mode == 2) {
        const QByteArray head = in.bytes();
        const QByteArray entries = in.rest();
        if (const auto h = Answers::decodePhoneTableHeader(head)) {
            const auto table = Answers::decodePhoneTable(*h, entries);
            FUZZ_CHECK(table.numbers.size() <= PhoneCodec::MaxNumbers);
            if (!table.checksumOk) FUZZ_CHECK(table.numbers.isEmpty());
        }
        const int count = in.anyInt();
        FUZZ_CHECK(PhoneCodec::tableNumbers(count, entries).size() <= PhoneCodec::MaxNumbers);
        (void)PhoneCodec::tableChecksum(uint8_t(count), entries);
        (void)PhoneCodec::entryText(entries.left(PhoneCodec::EntryBytes));
        return 0;
    }
    if (mode == 3) {
        const QByteArray block = in.rest();
        (void)decodeAlarmBlock(block);
        (void)decodeOutputBlock(block);
        return 0;
    }
    if (mode == 4) {
        // Any offsets and sizes, the absurd ones included.
        const int lengthAt = in.anyInt(), fieldAt = in.anyInt(), fieldSize = in.anyInt();
        const QByteArray block = in.rest();
        if (const auto t = decodeText(block, lengthAt, fieldAt, fieldSize))
            FUZZ_CHECK(t->text.size() <= qsizetype(block.size()));
        (void)decodeText(block, in.intIn(-4, 300), in.intIn(-4, 300), in.intIn(-4, 300));
        // Callers ask for a few bytes; the position may be anything.
        (void)ParamFrames::bigEndian(block, lengthAt, fieldSize & 7);
        (void)ParamFrames::hexPairsWithColons(block, fieldAt, fieldSize & 31);
        (void)ParamFrames::receiverNumberText(block, lengthAt);
        return 0;
    }
    // Records written and read back give what was written.
    AlarmSettings a;
    a.channel = in.byte();
    a.mode = in.byte();
    a.receivers = in.byte();
    a.interval10 = in.byte();
    a.lowEnglish = in.flag();
    a.highEnglish = in.flag();
    a.mask = uint32_t(in.anyInt());
    a.count = in.byte();
    a.relay = in.byte();
    a.lowText = in.text();
    a.highText = in.text();
    const Built built = buildAlarmWrite(a);
    FUZZ_CHECK(built.frame.isEmpty() == (built.error != TextError::None));
    if (!built.frame.isEmpty()) {
        FUZZ_CHECK(built.frame.size() == AlarmWriteLength);
        const AlarmBlock back = decodeAlarmBlock(built.frame.mid(12));
        FUZZ_CHECK(back.mode == a.mode && back.receivers == a.receivers && back.interval10 == a.interval10);
        FUZZ_CHECK(back.mask == a.mask && back.count == a.count && back.relay == a.relay);
        if (!a.lowText.contains(QChar(0))) FUZZ_CHECK(back.lowText == a.lowText || a.lowText.isEmpty());
        if (!a.highText.contains(QChar(0))) FUZZ_CHECK(back.highText == a.highText || a.highText.isEmpty());
    }
    const QString number = in.text();
    (void)PhoneCodec::entryText(PhoneCodec::packNumber(number));
    (void)batchFrame(in.anyInt(), number);
    (void)alarmCount(number);
    (void)receiverMask(number);
    (void)intervalUnits(VbNum::val(number));
    return 0;
}
