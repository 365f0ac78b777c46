#include "ValueLists.h"

namespace protocol {

QStringList valueTypeItems() {
    return {QStringLiteral("整数"), QStringLiteral("浮点数"), QStringLiteral("离散位")};
}

QStringList protocolItems() {
    return {QStringLiteral("自定义"), QStringLiteral("Modbus RTU"), QStringLiteral("DCON")};
}

QStringList dataFormatItems() {
    return {QStringLiteral("16进制"), QStringLiteral("ASCII码"), QStringLiteral("BCD码")};
}

QStringList byteSortItems() {
    return {QStringLiteral("1-2-3-4"), QStringLiteral("2-1-4-3"), QStringLiteral("4-3-2-1")};
}

QStringList bitItems() {
    QStringList items;
    for (int i = 0; i < 8; ++i) items.append(QStringLiteral("bit%1").arg(i));
    items.append(QStringLiteral("按字节/字符取值"));
    return items;
}

QStringList linkValueItems() {
    return {QStringLiteral("无"), QStringLiteral("采集值"), QStringLiteral("上限值"),
            QStringLiteral("下限值")};
}

QStringList phoneChoiceItems() {
    return {QStringLiteral("透明方式1 号码"), QStringLiteral("全部号码表"), QStringLiteral("号码表自选")};
}

QStringList languageItems() { return {QStringLiteral("汉字"), QStringLiteral("英文")}; }

QStringList smsReplyItems() {
    return {QStringLiteral("无回复"), QStringLiteral("回复操作结果"), QStringLiteral("回复执行结果")};
}

QStringList operationObjectItems() { return {QStringLiteral("变量"), QStringLiteral("转换输出")}; }

QStringList linkValueOutItems() {
    return {QStringLiteral("无"),      QStringLiteral("采集值"),   QStringLiteral("上限值"),
            QStringLiteral("下限值"),  QStringLiteral("采集周期"), QStringLiteral("通讯超时"),
            QStringLiteral("重发次数")};
}

QStringList readWriteItems() { return {QStringLiteral("读"), QStringLiteral("写")}; }

QStringList channelItems() {
    QStringList items{QStringLiteral("无")};
    for (int i = 0; i < 64; ++i) items.append(QStringLiteral("CH%1").arg(i));
    return items;
}

QStringList doValueItems() {
    return {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("00"), QStringLiteral("FF"),
            QStringLiteral("按指令输出")};
}

}  // namespace protocol
