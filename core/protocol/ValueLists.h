#pragma once

#include <QStringList>

// The fixed lists whose positions travel to the module in place of the list
// columns' texts (items in order from position 0). The settings form and the
// editors fill their combo boxes from these, so a text and its position can
// never drift apart. The check-method list is checkMethodItems() in
// CheckCode.h. The output-frame editor offers its own value types and switch
// output values: texts it writes that are not in these lists go as position 0.
namespace protocol {

// Shared by both tables.
QStringList valueTypeItems();   // "整数", "浮点数", "离散位"
QStringList protocolItems();    // "自定义", "Modbus RTU", "DCON"
QStringList dataFormatItems();  // "16进制", "ASCII码", "BCD码"
QStringList byteSortItems();    // "1-2-3-4", "2-1-4-3", "4-3-2-1"

// Input-parsing table.
QStringList bitItems();          // "bit0" .. "bit7", "按字节/字符取值" (position 8)
QStringList linkValueItems();    // "无", "采集值", "上限值", "下限值"
QStringList phoneChoiceItems();  // "透明方式1 号码", "全部号码表", "号码表自选"

// SMS command table.
QStringList languageItems();         // "汉字", "英文"
QStringList smsReplyItems();         // "无回复", "回复操作结果", "回复执行结果"
QStringList operationObjectItems();  // "变量", "转换输出"
QStringList linkValueOutItems();  // "无", "采集值", "上限值", "下限值", "采集周期", "通讯超时", "重发次数"
QStringList readWriteItems();  // "读", "写"
QStringList channelItems();    // "无", "CH0" .. "CH63"
QStringList doValueItems();    // "0", "1", "00", "FF", "按指令输出"

}  // namespace protocol
