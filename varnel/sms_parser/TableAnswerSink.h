#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "core/protocol/ChannelRecord.h"
#include "core/protocol/CommandRecord.h"

// What the answer receiver hands on of the answers to the table transfers
// and clears: plain values, the rows already decoded. The settings form
// implements it beside AnswerSink and decides, with its grids, what an
// answer means for the transfer under way.
enum class ModuleTable { Input, Command };  // A8 (MSGrid2), A9 (MSGrid1)

// One answer to a row read.
struct TableRowAnswer {
    ModuleTable table = ModuleTable::Input;
    // Input table only: the window held fewer bytes than a full row answer.
    bool shortAnswer = false;
    int length = 0;      // L
    QByteArray payload;  // the L payload bytes
    bool sumOk = false;
    int index = -1;  // p[1]
    // The row's cells, when the payload holds a full row with a sound sum.
    std::optional<protocol::ChannelReadBack> channel;
    std::optional<protocol::CommandReadBack> command;
};

class TableAnswerSink {
public:
    virtual ~TableAnswerSink() = default;
    virtual void tableRowAnswered(const TableRowAnswer& answer) = 0;
    // Text from byte 10 of a row-write acknowledgement ("SETOK:nn", "SETFAIL:").
    virtual void tableRowWriteAcknowledged(ModuleTable table, const QString& text) = 0;
    // Text from byte 10 of a clear acknowledgement ("CLROK:", "CLRFAIL:").
    virtual void tableClearAcknowledged(ModuleTable table, const QString& text) = 0;
};
