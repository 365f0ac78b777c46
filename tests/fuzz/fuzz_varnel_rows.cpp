// The QV7351 tables: rows read back from the module, the rows written to
// it from whatever the grid cells hold, and the check code beside them.
#include "FuzzInput.h"
#include "core/protocol/ChannelRecord.h"
#include "core/protocol/CheckCode.h"
#include "core/protocol/CommandRecord.h"

using namespace protocol;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int mode = in.byte() % 4;
    if (mode == 0) {
        const QByteArray payload = in.rest();
        const ChannelReadBack ch = decodeChannelRow(payload);
        const CommandReadBack cmd = decodeCommandRow(payload);
        // A row read back is written back without a fault, refused or not.
        (void)channelRowFrame(ch.cells, 1);
        (void)commandRowFrame(cmd.cells, 1);
        (void)splitSmsColumn(ch.cells[ChannelCol::Sms]);
        (void)splitOutputFrame(cmd.cells[CommandCol::OutputFrame]);
        return 0;
    }
    if (mode == 1) {
        ChannelRecord row;
        for (auto& cell : row) cell = in.text();
        const RowWrite w = channelRowFrame(row, in.intIn(-2, 300));
        FUZZ_CHECK(w.refused() != w.message.isEmpty());
        if (const auto parts = splitSmsColumn(row[ChannelCol::Sms])) (void)smsColumnText(parts->sms);
        (void)phoneChoiceOf(phoneMaskOf(row[ChannelCol::Phones]));
        (void)englishTextAccepted(row[ChannelCol::SwitchOnText]);
        return 0;
    }
    if (mode == 2) {
        CommandRecord row;
        for (auto& cell : row) cell = in.text();
        const RowWrite w = commandRowFrame(row, in.intIn(-2, 300));
        FUZZ_CHECK(w.refused() != w.message.isEmpty());
        if (const auto rec = splitOutputFrame(row[CommandCol::OutputFrame])) {
            const QString joined = joinOutputFrame(*rec);
            (void)splitOutputFrame(joined);
            (void)kindFieldCount((*rec)[OutputField::HeadKind]);
            (void)isAscKindField((*rec)[OutputField::TailKind]);
        }
        (void)commandTextLimit(row[CommandCol::Language]);
        (void)signFieldFromHexView(row[CommandCol::Text]);
        (void)signFieldFromCharView(row[CommandCol::Text]);
        (void)hexKindField(row[CommandCol::Reply]);
        return 0;
    }
    const QString source = in.text();
    const CheckSource kind = in.flag() ? CheckSource::Spaced : CheckSource::Packed;
    const int method = in.intIn(-3, 8);
    const QString count = in.text();
    const auto code = checkCodeText(source, kind, method, count);
    if (method < 1 || method > 4) FUZZ_CHECK(!code || source.isEmpty());
    return 0;
}
