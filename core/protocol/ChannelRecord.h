#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

#include "RowWrite.h"

// One row of the input-parsing table (MSGrid2): the 31 cell texts of one
// input channel, its A8 row-write frame and its read-back from the module.
namespace protocol {

constexpr int kChannelColumns = 31;
// Cell texts by column; row r of the grid holds table index r - 1.
using ChannelRecord = std::array<QString, kChannelColumns>;

// Column numbers of a ChannelRecord.
namespace ChannelCol {
enum : int {
    Marker = 0,           // "*" on a row just added
    Label = 1,            // 指令号: "CH" and the table index
    AlarmInterval = 2,    // 报警间隔
    AlarmCount = 3,       // 报警次数
    Language = 4,         // 汉字/英文: "英文" for code-page texts, else UCS-2
    Phones = 5,           // 号码表: hex mask "(" choice ")", e.g. 30005(号码表自选)
    AutoUpload = 6,       // 自动上传
    SignPos = 7,          // 符号位置
    PositiveSign = 8,     // 正数符号 (two hex digits)
    NegativeSign = 9,     // 负数符号
    PointPos = 10,        // 小数点位置
    Decimals = 11,        // 小数位数
    ValueType = 12,       // 数值类型 (valueTypeItems)
    ValueStart = 13,      // 数值位置
    ValueLength = 14,     // 数值长度
    CheckMethod = 15,     // 校验方式 (checkMethodItems)
    CheckBytes = 16,      // 校验字节数 ("1字节")
    OverLimitCount = 17,  // 超限次数
    Protocol = 18,        // 通信协议 (protocolItems)
    DataFormat = 19,      // 数据格式 (dataFormatItems)
    ByteSort = 20,        // 字节排序 (byteSortItems)
    BitMode = 21,  // 位变量取值方式: a bitItems item, "按字节/字符取值" followed by "," and two hex digits
    HeadPos = 22,        // 数据头位置
    UpperLimit = 23,     // 上限值
    LowerLimit = 24,     // 下限值
    Head = 25,           // 数据头: hex bytes, or a binding code (81-BF) with head position 0
    Command = 26,        // 采集指令: hex bytes
    SwitchOnText = 27,   // 开关量1描述
    SwitchOffText = 28,  // 开关量0描述
    Sms = 29,            // 短信内容: 8 segments each followed by kSmsSegmentSeparator, then 8 flags
    LinkedValues = 30,   // 关联变量: 8 linkValueItems texts joined by ","
};
}

// Header texts of the columns (without the grid's padding).
QStringList channelHeaders();

constexpr int kSmsSegments = 8;
// Ends every SMS segment in column 29: CR LF space CR LF.
inline const QString kSmsSegmentSeparator = QStringLiteral("\r\n \r\n");

// "CH" followed by the table index.
QString channelLabel(int tableIndex);

// The phone column as the editor and the read-back write it: the mask in
// upper-case hex without leading zeros, then the phoneChoiceItems item in
// brackets (0 -> "0(透明方式1 号码)", FFFFFF -> "FFFFFF(全部号码表)", else 号码表自选).
QString phoneMaskText(uint32_t mask);
// The mask of a phone cell: the hex digits at its start, unsigned, low 24 bits
// (blanks ignored; "1FFFFFF" gives FFFFFF).
uint32_t phoneMaskOf(const QString& cell);
// The phoneChoiceItems position for a mask: 0 for 0, 1 for FFFFFF, else 2.
int phoneChoiceOf(uint32_t mask);

// The binding code of column 25 for a position above 0 in the binding list:
// two hex digits of 80 hex plus the position ("81" for the first channel).
QString bindingCodeText(int listPosition);

// Column 29 taken apart: the eight segments and the line-break flags.
struct SmsColumn {
    std::array<QString, kSmsSegments> segments;
    std::array<bool, kSmsSegments> lineBreaks{};
};
// Builds column 29 (each segment followed by the separator, then the flags
// as "1"/"0" joined by ",").
QString smsColumnText(const SmsColumn& sms);
// The segments when the text splits at the separator into exactly 9 parts;
// `flagsValid` tells whether the last part held exactly 8 flags (the flags
// are then set from it, else all false). nullopt for any other shape.
struct SmsColumnParts {
    SmsColumn sms;
    bool flagsValid = false;
};
std::optional<SmsColumnParts> splitSmsColumn(const QString& text);

// Whether a text may be sent in English mode: every character must have a
// one-byte code of at most 128 in code page 936 (the editor's OK refuses the
// row with "短信选择了英文模式，但是短信内容有Unicode 编码字符" otherwise).
bool englishTextAccepted(const QString& text);

// The row as the A8 row-write frame (267 bytes) for table index 0-63, or the
// refusal to show. The refusals are "采集指令长度超出范围40字节",
// "转换开关量描述内容时发生错误！" (empty switch text in Chinese mode),
// "开关量1描述超出范围16字节" / "开关量0描述超出范围16字节" (a switch text of more
// than 16 bytes in the row's language),
// "短信内容超出120字节范围", "第n段短信内容超出范围60字节" and "执行错误！" with
// the reason for a cell that gives no sound byte. A refused row never moves
// the grid's selection: the caller only reports it.
RowWrite channelRowFrame(const ChannelRecord& row, int tableIndex);

// The cells rebuilt from a row answer's payload (frame bytes 11 on: p[0] the
// sum, p[1] the table index). Columns 1-30 are filled as the row was written
// (limits as the exact decimal of the integer and its decimal count, head
// and command as hex pairs each followed by a blank, a switch text length
// taken as at most 16); column 0 stays empty. A list byte outside
// its list gives item 0. Nothing beyond the payload is read: where a field or
// a text length reaches past it, decoding ends there and `complete` is false;
// the columns written up to then stay, the rest are empty.
struct ChannelReadBack {
    ChannelRecord cells;
    std::optional<uint32_t> phoneMask;  // the row's mask, for PhoneMask (unset when not reached)
    QString rxText;                     // the last text decoded (segment 7 of a complete row), for RxText
    bool complete = false;
};
ChannelReadBack decodeChannelRow(const QByteArray& payload);

}  // namespace protocol
