#include "core/protocol/SettingsRecords.h"

#include <cmath>

#include "core/protocol/Checksums.h"
#include "core/protocol/Frames.h"
#include "core/protocol/HexText.h"
#include "platform/text/TextCodec.h"
#include "platform/text/VbNum.h"

namespace SettingsRecords {

namespace {

void putText(QByteArray& frame, int lengthAt, int fieldAt, const EncodedText& t) {
    frame[lengthAt] = char(t.lengthByte);
    for (int i = 0; i < t.bytes.size(); ++i) frame[fieldAt + i] = t.bytes[i];
}

uint8_t byteAt(const QByteArray& b, int i) { return uint8_t(b[i]); }

std::optional<uint8_t> optByte(const QByteArray& b, int i) {
    if (i < 0 || i >= b.size()) return std::nullopt;
    return byteAt(b, i);
}

std::optional<bool> optEnglish(const QByteArray& b, int lengthAt) {
    if (auto v = optByte(b, lengthAt)) return (*v & 0x80) != 0;
    return std::nullopt;
}

std::optional<QString> optText(const QByteArray& b, int lengthAt, int fieldAt, int fieldSize) {
    if (auto t = decodeText(b, lengthAt, fieldAt, fieldSize)) return t->text;
    return std::nullopt;
}

}  // namespace

EncodedText encodeText(const QString& text, bool english, int maxBytes) {
    EncodedText out;
    if (text.isEmpty()) return out;
    if (english) {
        bool ok = true;
        out.bytes = TextCodec::toGbk(text, &ok);
        // Sending a "?" in place of what the user typed would put a
        // different message on the phones than the one on the screen.
        if (!ok) {
            out.error = TextError::Unencodable;
            out.bytes.clear();
            return out;
        }
    } else {
        out.bytes = TextCodec::toUcs2BE(text);
    }
    if (out.bytes.size() > maxBytes) {
        out.error = TextError::TooLong;
        out.bytes.clear();
        return out;
    }
    out.lengthByte = uint8_t(out.bytes.size());
    if (english) out.lengthByte |= 0x80;
    return out;
}

Built buildAlarmWrite(const AlarmSettings& s) {
    Built out;
    const EncodedText low = encodeText(s.lowText, s.lowEnglish, AlarmTextMax);
    if (low.error != TextError::None) {
        out.error = low.error;
        return out;
    }
    const EncodedText high = encodeText(s.highText, s.highEnglish, AlarmTextMax);
    if (high.error != TextError::None) {
        out.error = high.error;
        return out;
    }
    QByteArray f = Frames::RequestFrame(0xB4, 0x01);
    f.append(QByteArray(AlarmWriteLength - f.size(), '\0'));
    f[10] = char(s.channel);
    f[12 + AlarmAt::Mode] = char(s.mode);
    f[12 + AlarmAt::Receivers] = char(s.receivers);
    f[12 + AlarmAt::Interval] = char(s.interval10);
    putText(f, 12 + AlarmAt::LowLength, 12 + AlarmAt::LowText, low);
    putText(f, 12 + AlarmAt::HighLength, 12 + AlarmAt::HighText, high);
    for (int i = 0; i < 4; ++i) f[12 + AlarmAt::Mask + i] = char((s.mask >> (24 - 8 * i)) & 0xFF);
    f[12 + AlarmAt::Count] = char(s.count);
    f[12 + AlarmAt::Relay] = char(s.relay);
    f[11] = char(SumCheck8(f, 12, AlarmWriteLength));
    out.frame = f;
    return out;
}

Built buildOutputWrite(const OutputSettings& s) {
    Built out;
    const EncodedText low = encodeText(s.lowText, s.lowEnglish, OutputTextMax);
    if (low.error != TextError::None) {
        out.error = low.error;
        return out;
    }
    const EncodedText high = encodeText(s.highText, s.highEnglish, OutputTextMax);
    if (high.error != TextError::None) {
        out.error = high.error;
        return out;
    }
    QByteArray f = Frames::RequestFrame(0xB5, 0x01);
    f.append(QByteArray(OutputWriteLength - f.size(), '\0'));
    f[10] = char(s.channel);
    f[12 + OutputAt::Mode] = char(s.mode);
    f[12 + OutputAt::Reply] = char(s.reply);
    f[12 + OutputAt::ReplyDelay] = char(s.replyDelay);
    // Restore delays mean something for pulses only.
    if (s.mode == 2) {
        f[12 + OutputAt::HighDelay] = char(s.highDelay);
        f[12 + OutputAt::LowDelay] = char(s.lowDelay);
    }
    putText(f, 12 + OutputAt::LowLength, 12 + OutputAt::LowText, low);
    putText(f, 12 + OutputAt::HighLength, 12 + OutputAt::HighText, high);
    f[12 + OutputAt::Hold] = char(s.hold ? 1 : 0);
    f[11] = char(SumCheck8(f, 12, OutputWriteLength));
    out.frame = f;
    return out;
}

QByteArray alarmReadRequest(int channel) {
    return Frames::RequestFrame(0xB4, 0x02, QByteArray(1, char(channel)));
}

QByteArray outputReadRequest(int channel) {
    return Frames::RequestFrame(0xB5, 0x02, QByteArray(1, char(channel)));
}

QByteArray inputStateRequest(int channel) {
    QByteArray f = Frames::FramePreamble();
    f.append(char(0x98));
    f.append(char(channel));
    return f;
}

QByteArray outputTestRequest(int channel, bool close) {
    QByteArray f = Frames::FramePreamble();
    f.append(char(0x99));
    f.append(char(channel));
    f.append(char(close ? 1 : 0));
    return f;
}

QByteArray paramClearRequest() { return Frames::RequestFrame(0xD5, 0x01); }

QByteArray batchFrame(int index, const QString& number) {
    const char hi = char((index >> 8) & 0xFF);
    const char lo = char(index & 0xFF);
    QByteArray f = Frames::RequestFrame(0xD4, 0x01);
    f.append(hi);
    f.append(lo);
    f.append(hi);
    f.append(lo);
    if (number.size() == 11) {
        // The leading digit of a mobile number is always 1: the module
        // takes it as given.
        f.append(char(0x01));
        for (int i = 1; i < 11; i += 2) f.append(char(HexPairValue(number, i)));
    }
    const QByteArray crc = Crc16Bytes(f, int(f.size()));
    f.append(crc[1]);
    f.append(crc[0]);
    return f;
}

uint8_t intervalUnits(double seconds) {
    if (std::isnan(seconds)) return 0;
    const double r = VbNum::roundHalfEven(std::min(seconds, 2550.0));
    if (r <= 0) return 0;
    return uint8_t(int(r) / 10);
}

std::optional<uint8_t> alarmCount(const QString& text) {
    if (text.trimmed().isEmpty()) return 0;
    const std::optional<double> v = VbNum::parseNumber(text.trimmed());
    if (!v) return std::nullopt;
    if (auto n = VbNum::toIntegerInRange(*v, 0, 255)) return uint8_t(*n);
    return std::nullopt;
}

std::optional<uint32_t> receiverMask(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return 0u;
    const std::optional<double> v = VbNum::parseNumber(t);
    if (!v) return std::nullopt;
    if (auto n = VbNum::toIntegerInRange(*v, 0, 4294967295LL)) return uint32_t(*n);
    return std::nullopt;
}

uint8_t replyDelay(double seconds) {
    if (std::isnan(seconds) || seconds < 0) return 0;
    if (seconds > 250) return 250;
    return uint8_t(VbNum::roundHalfEven(seconds));
}

uint8_t delayByte(double seconds) {
    if (std::isnan(seconds)) return 0;
    const double r = VbNum::roundHalfEven(seconds);
    if (r <= 0) return 0;
    if (r >= 255) return 255;
    return uint8_t(r);
}

std::optional<DecodedText> decodeText(const QByteArray& block, int lengthAt, int fieldAt, int fieldSize) {
    const std::optional<uint8_t> lb = optByte(block, lengthAt);
    if (!lb) return std::nullopt;
    // A field that starts before the block or has no room cannot hold the
    // text; 64-bit sums keep absurd offsets from wrapping round.
    if (fieldAt < 0 || fieldSize < 0) return std::nullopt;
    const qint64 start = fieldAt;
    DecodedText out;
    out.english = (*lb & 0x80) != 0;
    if (out.english) {
        // A length past the field would run into the fields behind it.
        const qint64 n = std::min<qint64>(*lb & 0x7F, fieldSize);
        if (start + n > block.size()) return std::nullopt;
        QByteArray bytes = block.mid(start, n);
        // A zero byte cannot be typed; the text ends there.
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0) bytes.truncate(nul);
        out.text = TextCodec::fromGbk(bytes);
        return out;
    }
    QString text;
    for (qint64 i = 0; i + 1 < fieldSize; i += 2) {
        if (start + i + 1 >= block.size()) return std::nullopt;  // ends before the text does
        const char16_t unit = char16_t(uint8_t(block[start + i]) << 8 | uint8_t(block[start + i + 1]));
        if (unit == 0) break;
        text.append(QChar(unit));
    }
    out.text = text;
    return out;
}

AlarmBlock decodeAlarmBlock(const QByteArray& b) {
    AlarmBlock a;
    a.mode = optByte(b, AlarmAt::Mode);
    a.receivers = optByte(b, AlarmAt::Receivers);
    a.interval10 = optByte(b, AlarmAt::Interval);
    a.lowEnglish = optEnglish(b, AlarmAt::LowLength);
    a.highEnglish = optEnglish(b, AlarmAt::HighLength);
    a.lowText = optText(b, AlarmAt::LowLength, AlarmAt::LowText, AlarmTextMax);
    if (b.size() >= AlarmAt::Mask + 4) {
        uint32_t m = 0;
        for (int i = 0; i < 4; ++i) m = m << 8 | byteAt(b, AlarmAt::Mask + i);
        a.mask = m;
    }
    a.highText = optText(b, AlarmAt::HighLength, AlarmAt::HighText, AlarmTextMax);
    a.count = optByte(b, AlarmAt::Count);
    a.relay = optByte(b, AlarmAt::Relay);
    return a;
}

OutputBlock decodeOutputBlock(const QByteArray& b) {
    OutputBlock o;
    o.mode = optByte(b, OutputAt::Mode);
    o.reply = optByte(b, OutputAt::Reply);
    o.replyDelay = optByte(b, OutputAt::ReplyDelay);
    o.highDelay = optByte(b, OutputAt::HighDelay);
    o.lowDelay = optByte(b, OutputAt::LowDelay);
    o.lowEnglish = optEnglish(b, OutputAt::LowLength);
    o.highEnglish = optEnglish(b, OutputAt::HighLength);
    o.lowText = optText(b, OutputAt::LowLength, OutputAt::LowText, OutputTextMax);
    o.highText = optText(b, OutputAt::HighLength, OutputAt::HighText, OutputTextMax);
    o.hold = optByte(b, OutputAt::Hold);
    return o;
}

QString inputStateText(int channel, char state) {
    const QString head = QStringLiteral("DI") + QString::number(channel);
    if (state == '0') return head + QStringLiteral(" = 1");
    if (state == '1') return head + QStringLiteral(" = 0");
    return head + QStringLiteral(" = ?");
}

bool looksEnglish(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 1 || c.unicode() > 127) return false;
    return true;
}

QString trimBlanks(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == u' ') ++from;
    while (to > from && text[to - 1] == u' ') --to;
    return text.mid(from, to - from);
}

}  // namespace SettingsRecords
