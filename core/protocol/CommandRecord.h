#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "RowWrite.h"

// One row of the SMS command table (MSGrid1): the 10 cell texts of one
// command, column 8 holding its output frame; the A9 row-write frame and the
// read-back from the module.
namespace protocol {

constexpr int kCommandColumns = 10;
// Cell texts by column; row r of the grid holds table index r - 1.
using CommandRecord = std::array<QString, kCommandColumns>;

// Column numbers of a CommandRecord.
namespace CommandCol {
enum : int {
    Fixed = 0,        // nothing writes it
    Label = 1,        // 指令号: "CH" and the table index
    Language = 2,     // 汉字/英文 (languageItems)
    Text = 3,         // 短信指令内容: at most 50 bytes once encoded
    Reply = 4,        // 短信回复 (smsReplyItems)
    Object = 5,       // 操作对象 (operationObjectItems)
    LinkedValue = 6,  // 关联变量 (linkValueOutItems)
    ReadWrite = 7,    // 指令类型(读/写) (readWriteItems)
    OutputFrame = 8,  // 输出数据: an OutputFrameRecord, 16 fields joined by ","
    Channel = 9,      // 操作通道 (channelItems)
};
}

// Header texts of the columns (without the grid's padding).
QStringList commandHeaders();

// Column 8: the description of the frame the module writes to an instrument.
constexpr int kOutputFrameFields = 16;
using OutputFrameRecord = std::array<QString, kOutputFrameFields>;

namespace OutputField {
enum : int {
    Protocol = 0,       // protocolItems
    DataFormat = 1,     // dataFormatItems
    ByteSort = 2,       // byteSortItems
    ValueType = 3,      // valueTypeItems ("原值输出" as item 0 in ASCII format)
    ValueStart = 4,     // number
    IntegerDigits = 5,  // number
    Decimals = 6,       // number
    DoValue = 7,        // doValueItems
    PositiveSign = 8,   // hh(c), "00()" for none
    NegativeSign = 9,   // hh(c)
    CheckMethod = 10,   // checkMethodItems
    CheckBytes = 11,    // "1字节" or a bare digit
    HeadKind = 12,      // "Hex"/"Asc" and the byte count, "0000" for none
    TailKind = 13,      // likewise
    HeadText = 14,      // hex pairs (Hex kind) or characters (Asc kind)
    TailText = 15,
};
}

// The 16 fields when the cell splits at "," into exactly 16, else nullopt
// (such a cell is neither loaded nor sent).
std::optional<OutputFrameRecord> splitOutputFrame(const QString& cell);
// The fields joined by "," (no separator after the last).
QString joinOutputFrame(const OutputFrameRecord& record);

// A sign field for a byte: "2B(+)"; "00()" for 0 and "hh()" for control
// codes and 80 hex and up, which have no printable one-byte character, and
// "2C()" for the comma, which would split the record into 17 fields.
QString signFieldText(uint8_t b);
// A head or tail kind field: "Hex" or "Asc" followed by the byte count.
QString kindFieldText(bool asc, int count);
// Whether a kind field gives characters rather than hex pairs: it starts
// with "Asc".
bool isAscKindField(const QString& field);
// A character ("Asc") head or tail holds its characters' code page 936
// bytes, two for a Chinese one, and the byte 2C as "，" (U+FF0C), as a comma
// would split the record (a comma found there stands for 2C as well). The
// bytes of such a text (nullopt when a character has no code), and the text
// bytes read back from the module give.
std::optional<QByteArray> ascFrameBytes(const QString& text);
QString ascFrameText(const QByteArray& bytes);
// The byte count a kind field gives: the number in its 4th and 5th
// characters, rounded, a half byte after them not counted ("Hex6" 6, "Asc12"
// 12, "Hex2.5" 2, "Hex3.5" 3, "0000" 0); three digits or more are read whole
// ("Hex100" 100).
int kindFieldCount(const QString& field);

// The character limit of the command-text editor for a row whose column 2
// is `languageCell`: 60 for exactly "英文", else 30.
int commandTextLimit(const QString& languageCell);

// Fields as the output-frame editor's OK builds them from its boxes.
// Sign field from a box in the hex view: the first two characters as typed,
// then the character of their value in brackets; "00()" for an empty box or
// the value 0, "hh()" for 80 hex and up and for the comma.
QString signFieldFromHexView(const QString& box);
// Sign field from a box in the character view: the code of the first
// character as two hex digits, then the character in brackets ("+" gives
// "2B(+)"); "00()" for an empty box, "2C()" for the comma. nullopt when the character has no
// one-byte code in code page 936.
std::optional<QString> signFieldFromCharView(const QString& box);
// Kind field of a head or tail in the hex view: "Hex" and half the number of
// digits with spaces removed ("Hex6", "Hex2.5" for five digits).
QString hexKindField(const QString& box);

// The row as the A9 row-write frame (139 bytes) for table index 0-63, or the
// refusal to show. The refusals are "转换指令输出设置或报文格式不正确，请重新设置"
// (column 8 not 16 fields, or head and tail together above 50 bytes),
// "短信内容超出50字节范围", and "执行错误！" with the reason for a field that gives
// no sound byte (a number outside 0-255, an "Asc" head or tail with fewer
// bytes than its count, a count that ends inside a two-byte character, or a
// character outside code page 936, an English text with such a character). English texts carry their
// code-page byte count in byte 19.
RowWrite commandRowFrame(const CommandRecord& row, int tableIndex);

// The cells rebuilt from a row answer's payload (frame bytes 11 on: p[0] the
// sum, p[1] the table index). Only p[0..127] are read; a payload shorter than
// 128 bytes gives an empty row. A list byte outside its list gives the empty
// text; a text, head or tail whose length reaches past byte 127 shows what
// lies inside. `rxText` is the command text, for RxText.
struct CommandReadBack {
    CommandRecord cells;
    QString rxText;
};
CommandReadBack decodeCommandRow(const QByteArray& payload);

}  // namespace protocol
