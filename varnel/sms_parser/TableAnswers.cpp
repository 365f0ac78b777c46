// The answers of the table transfers and clears. Each handler gets the
// frame from its 0x1A on, decodes it with the protocol library and hands the
// result to the settings form, which knows which transfer is under way.

#include "AnswerReceiver.h"
#include "AnswerSink.h"
#include "CollectionAnswer.h"
#include "TableAnswerSink.h"
#include "core/Globals.h"
#include "core/protocol/TableRows.h"

namespace {

TableAnswerSink* tableSink(AnswerSink* sink) { return dynamic_cast<TableAnswerSink*>(sink); }

// An input-table write acknowledgement is looked at from 11 bytes on, a
// command-table one from 18: the shorter ones wait for the repeat.
constexpr int kInputAckMin = 11;
constexpr int kCommandAckMin = 18;
// A clear acknowledgement is looked at when longer than 6 bytes.
constexpr int kClearAckMin = 7;

TableRowAnswer rowAnswer(ModuleTable table, const QByteArray& frame, bool* drop) {
    TableRowAnswer a;
    a.table = table;
    *drop = false;
    const protocol::RowAnswerEnvelope e = protocol::decodeRowAnswer(frame);
    // Fewer payload bytes than it announces: the head of a row cut by a
    // pause on the line, or another request's late acknowledgement. Not a
    // row, and no end of the table either: the time-out asks again.
    const bool cut = e.hasLength && e.length > 0 && !e.complete;
    // The collection settings' length: a copy of their answer that no read
    // awaits any more, never a row.
    if (table == ModuleTable::Input && e.complete && e.length == CollectionSettings::PayloadLength) {
        *drop = true;
        return a;
    }
    if (table == ModuleTable::Input && frame.size() < protocol::kInputRowAnswerMin && !cut) {
        a.shortAnswer = true;
        return a;
    }
    // No length: not a row.
    if (!e.hasLength || cut) {
        *drop = true;
        return a;
    }
    a.length = e.length;
    a.payload = e.payload;
    a.sumOk = e.sumOk;
    a.index = e.index;
    if (!a.sumOk) return a;
    if (table == ModuleTable::Input && a.length >= protocol::kInputRowPayload)
        a.channel = protocol::decodeChannelRow(a.payload);
    if (table == ModuleTable::Command && a.length >= protocol::kCommandRowPayload)
        a.command = protocol::decodeCommandRow(a.payload);
    return a;
}

}  // namespace

void AnswerReceiver::inRowWriteAck(const QByteArray& frame) {
    if (takeCollectionAnswer(*this, frame)) return;
    // InTableOp 11 acknowledges the collection settings, which keep their
    // own step; only row writes are taken here.
    if (g::InTableOp != 1 || frame.size() < kInputAckMin) return;
    if (TableAnswerSink* s = tableSink(m_sink))
        s->tableRowWriteAcknowledged(ModuleTable::Input, protocol::acknowledgementText(frame));
}

void AnswerReceiver::inRowRead(const QByteArray& frame) {
    if (takeCollectionAnswer(*this, frame)) return;
    // The module answers in turn: while the collection settings asked for
    // before the read are still due, a frame too short to hold a length is
    // the head of their answer cut by a pause, not the table's end.
    if (collectionReadDue() && !protocol::decodeRowAnswer(frame).hasLength) return;
    TableAnswerSink* s = tableSink(m_sink);
    if (!s) return;
    bool drop = false;
    const TableRowAnswer a = rowAnswer(ModuleTable::Input, frame, &drop);
    if (!drop) s->tableRowAnswered(a);
}

void AnswerReceiver::outRowWriteAck(const QByteArray& frame) {
    if (frame.size() < kCommandAckMin) return;
    if (TableAnswerSink* s = tableSink(m_sink))
        s->tableRowWriteAcknowledged(ModuleTable::Command, protocol::acknowledgementText(frame));
}

void AnswerReceiver::outRowRead(const QByteArray& frame) {
    TableAnswerSink* s = tableSink(m_sink);
    if (!s) return;
    bool drop = false;
    const TableRowAnswer a = rowAnswer(ModuleTable::Command, frame, &drop);
    if (!drop) s->tableRowAnswered(a);
}

void AnswerReceiver::tableClearAck(const QByteArray& frame) {
    if (uint8_t(frame.at(8)) == 0xA8 && takeCollectionAnswer(*this, frame)) return;
    if (frame.size() < kClearAckMin) return;
    TableAnswerSink* s = tableSink(m_sink);
    if (!s) return;
    const bool input = uint8_t(frame.at(8)) != protocol::kCommandTableCode;
    s->tableClearAcknowledged(input ? ModuleTable::Input : ModuleTable::Command,
                              protocol::acknowledgementText(frame));
}

