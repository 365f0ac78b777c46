#pragma once

// What the parts of the channel editor (its controls, its rules, its
// loading and saving) share: the table's columns, the design texts and the
// readings of cell and box texts. Internal to the editor.

#include <QColor>
#include <QComboBox>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "core/protocol/ChannelRecord.h"
#include "platform/Controls.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"
#include "varnel/core/VarnelRoutines.h"

namespace channel_editor {

inline const QString kCaption = QStringLiteral("编辑－参数设置－输入数据解析－通道 ");
inline const QString kHex = QStringLiteral("Hex");
inline const QString kAsc = QStringLiteral("Asc");
inline const QString kNoBinding = QStringLiteral("独立通道 不绑定");

inline const QColor kPaleGreen(240, 255, 240);
inline const QColor kPaleRed(255, 240, 240);
inline const QColor kPaleCyan(192, 255, 255);

// Table columns of one channel.
enum Col {
    ColMarker = protocol::ChannelCol::Marker,
    ColLabel = protocol::ChannelCol::Label,
    ColInterval = protocol::ChannelCol::AlarmInterval,
    ColAlarmCount = protocol::ChannelCol::AlarmCount,
    ColLanguage = protocol::ChannelCol::Language,
    ColPhones = protocol::ChannelCol::Phones,
    ColUpload = protocol::ChannelCol::AutoUpload,
    ColSignPos = protocol::ChannelCol::SignPos,
    ColPlusSign = protocol::ChannelCol::PositiveSign,
    ColMinusSign = protocol::ChannelCol::NegativeSign,
    ColPointPos = protocol::ChannelCol::PointPos,
    ColDecimals = protocol::ChannelCol::Decimals,
    ColValueType = protocol::ChannelCol::ValueType,
    ColValuePos = protocol::ChannelCol::ValueStart,
    ColValueLen = protocol::ChannelCol::ValueLength,
    ColCheck = protocol::ChannelCol::CheckMethod,
    ColCheckBytes = protocol::ChannelCol::CheckBytes,
    ColOverCount = protocol::ChannelCol::OverLimitCount,
    ColProtocol = protocol::ChannelCol::Protocol,
    ColFormat = protocol::ChannelCol::DataFormat,
    ColByteOrder = protocol::ChannelCol::ByteSort,
    ColBit = protocol::ChannelCol::BitMode,
    ColHeadPos = protocol::ChannelCol::HeadPos,
    ColUpper = protocol::ChannelCol::UpperLimit,
    ColLower = protocol::ChannelCol::LowerLimit,
    ColHead = protocol::ChannelCol::Head,
    ColCommand = protocol::ChannelCol::Command,
    ColOn = protocol::ChannelCol::SwitchOnText,
    ColOff = protocol::ChannelCol::SwitchOffText,
    ColSms = protocol::ChannelCol::Sms,
    ColLinks = protocol::ChannelCol::LinkedValues,
};

// Characters an SMS segment box takes from the user.
constexpr int kTypedSegmentRoom = 40;

inline const QStringList kDesignSegments = {QStringLiteral("安装地点"),  QStringLiteral("设备号"),
                                            QStringLiteral("报警内容1"), QStringLiteral("报警内容2"),
                                            QStringLiteral("报警内容3"), QStringLiteral("报警内容4"),
                                            QStringLiteral("报警内容5"), QStringLiteral("报警内容6")};

// A cell's number: blanks anywhere ignored, no number gives 0.
inline double number(const QString& text) { return VbNum::val(text); }
// A number written back into a box or cell: plain decimal text of up to 15
// significant digits, no exponent even for the very small ("0.000001").
inline QString plain(double v) {
    const QString s = VbNum::str(v);
    if (!s.contains(QLatin1Char('E')) || !std::isfinite(v) || v == 0) return s;
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    QString fixed = QString::number(v, 'f', std::max(0, 14 - exponent));
    if (fixed.contains(QLatin1Char('.'))) {
        while (fixed.endsWith(QLatin1Char('0'))) fixed.chop(1);
        if (fixed.endsWith(QLatin1Char('.'))) fixed.chop(1);
    }
    return fixed;
}

// The hex digits at the start of the text, unsigned; reading stops at the
// first other character. Saturates instead of wrapping on absurd lengths.
inline quint64 hexNumber(const QString& text) {
    quint64 v = 0;
    for (QChar c : text) {
        int d;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        else if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            d = c.unicode() - 'a' + 10;
        else
            break;
        if (v > (~quint64(0) >> 4)) return ~quint64(0);
        v = v * 16 + static_cast<quint64>(d);
    }
    return v;
}

// The single-byte code of c in the system code page, or -1 when c has none
// (a double-byte character, or none at all).
inline int singleByteCode(QChar c) {
    bool ok = false;
    const QByteArray b = TextCodec::toGbk(QString(c), &ok);
    if (!ok || b.size() != 1) return -1;
    return static_cast<unsigned char>(b[0]);
}

inline void choose(QComboBox* c, int index) {
    Controls::setListIndexAndClick(c, index, Controls::ClickWhen::Always);
}
inline void chooseText(QComboBox* c, const QString& text) { choose(c, varnel::ComboFindIndex(c, text)); }

}  // namespace channel_editor
