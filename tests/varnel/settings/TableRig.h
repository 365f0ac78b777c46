#pragma once

// The two module tables on a connected Varnel: golden rows for both grids,
// their frames, and ways to put rows into a grid and wait for transfers.

#include <QLineEdit>

#include "../VarnelHarness.h"
#include "core/protocol/ChannelRecord.h"
#include "core/protocol/CommandRecord.h"
#include "platform/FlexGrid.h"
#include "varnel/settings/TableTabs.h"
#include "varnel/settings/TableTransfers.h"

namespace TableRig {

using Tables = SimQv7351Tables;

inline const QString SEP = QStringLiteral("\r\n \r\n");

// The input channel of the golden frame (table index 2).
inline protocol::ChannelRecord goldenChannel() {
    protocol::ChannelRecord c;
    const QStringList cells = {"60",
                               "3",
                               "汉字",
                               "30005(号码表自选)",
                               "1440",
                               "4",
                               "2B",
                               "2D",
                               "0",
                               "1",
                               "整数",
                               "5",
                               "4",
                               "累加和",
                               "1字节",
                               "2",
                               "自定义",
                               "ASCII码",
                               "4-3-2-1",
                               "按字节/字符取值,3A",
                               "1",
                               "35.5",
                               "-15.6",
                               "EC ED 00",
                               "FD FE 00 03 ",
                               "开启",
                               "关闭"};
    for (int i = 0; i < cells.size(); ++i) c[size_t(2 + i)] = cells.at(i);
    c[29] =
        "安装地点" + SEP + "设备号" + SEP + "温度" + SEP + SEP + SEP + SEP + SEP + SEP + "1,0,1,0,0,0,0,0";
    c[30] = "无,无,采集值,无,无,无,无,无";
    return c;
}

inline QByteArray goldenChannelFrame() {
    return QByteArray::fromHex(
        "1A2A3A4A5A6A7A8AA80102F8023C0300"
        "050003A0053A05042B2D000100050401"
        "01040200010208010304046301000064"
        "FFFFFFECED000000000000FDFE000300"
        "00000000000000000000000000000000"
        "00000000000000000000000000000000"
        "0000005F00542F000000000000000000"
        "000000517395ED000000000000000000"
        "00000008060400000000000000010000"
        "0000005B8988C5573070B98BBE590753"
        "F76E295EA60000000000000000000000"
        "00000000000000000000000000000000"
        "00000000000000000000000000000000"
        "00000000000000000000000000000000"
        "00000000000000000000000000000000"
        "00000000000000000000000000000000"
        "0000000000000000000000");
}

inline const QString kGoldenOutput = QStringLiteral(
    "Modbus RTU,16进制,2-1-4-3,浮点数,5,4,1,FF,2B(+),2D(-),16位CRC（低字节在前）,2字节,Hex4,Asc2,01 10 00 02 "
    ",OK");

// The command of the golden frame (table index 1).
inline protocol::CommandRecord goldenCommand() {
    protocol::CommandRecord c;
    c[2] = "汉字";
    c[3] = "打开阀门";
    c[4] = "回复操作结果";
    c[5] = "转换输出";
    c[6] = "无";
    c[7] = "写";
    c[8] = kGoldenOutput;
    c[9] = "CH3";
    return c;
}

inline QByteArray goldenCommandFrame() {
    return SimSupport::fromHex(
        "1A 2A 3A 4A 5A 6A 7A 8A A9 01 01 DF 01 01 01 00"
        "01 04 06 08 02 00 00 01 00 01 01 05 04 01 03 2B"
        "2D 03 02 04 82 00 00 01 10 00 02 4F 4B 00 00 00"
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 00 00 00 00 00 00 00 62 53 5F 00 96 00 95"
        "E8 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
        "00 00 00 00 00 00 00 00 00 00 00");
}

// A plain command row that the serialiser accepts.
inline protocol::CommandRecord plainCommand(const QString& text = QStringLiteral("读状态")) {
    protocol::CommandRecord c = goldenCommand();
    c[3] = text;
    return c;
}

template <size_t N>
void putRow(FlexGrid* grid, int row, const std::array<QString, N>& cells) {
    if (grid->Rows() <= row) grid->setRows(row + 1);
    grid->setTextMatrix(row, 1, QStringLiteral("CH%1").arg(row - 1));
    for (size_t c = 2; c < N; ++c) grid->setTextMatrix(row, int(c), cells[c]);
}

template <size_t N>
std::array<QString, N> rowOf(FlexGrid* grid, int row) {
    std::array<QString, N> cells;
    for (size_t c = 0; c < N; ++c) cells[c] = grid->TextMatrix(row, int(c));
    return cells;
}

// n rows in a grid, each a copy of `cells`, labelled CH0...
template <size_t N>
void fillGrid(FlexGrid* grid, int n, const std::array<QString, N>& cells) {
    grid->setRows(1);
    for (int r = 1; r <= n; ++r) putRow(grid, r, cells);
    grid->setRow(1);
}

// A body (frame bytes 13 on) that the module stores for table rows.
inline QByteArray channelBody(int tableIndex) {
    protocol::ChannelRecord c = goldenChannel();
    c[2] = QString::number(tableIndex);
    return protocol::channelRowFrame(c, tableIndex).frame.mid(13);
}
inline QByteArray commandBody(int tableIndex) {
    return protocol::commandRowFrame(plainCommand(QStringLiteral("读%1").arg(tableIndex)), tableIndex)
        .frame.mid(13);
}

inline void storeRows(SimQv7351* m, Tables::Table t, int n) {
    for (int i = 0; i < n; ++i)
        m->tables.setRowBody(t, i, t == Tables::Table::Input ? channelBody(i) : commandBody(i));
}

inline bool waitIdle(SettingsForm* f, int ms = 60000) {
    return QTest::qWaitFor([&] { return !f->transfers->busy(); }, ms);
}

// Requests the module received from index `from` on, as hex.
inline QStringList requestsFrom(VarnelHarness& h, int from) {
    QStringList out;
    const auto reqs = h.sim().requests();
    for (int i = from; i < reqs.size(); ++i) out << SimSupport::hex(reqs.at(i).bytes);
    return out;
}

}  // namespace TableRig
