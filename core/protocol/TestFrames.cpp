#include "core/protocol/TestFrames.h"

#include <algorithm>

#include "core/protocol/Checksums.h"
#include "core/protocol/HexText.h"
#include "core/protocol/PhoneCodec.h"
#include "platform/text/TextCodec.h"

namespace TestFrames {

namespace {

uint8_t pairAt(const QString& text, qsizetype i) { return HexPairValue(text, i); }

void appendLength(QByteArray& out, int length) {
    out.append(char(length / 256));
    out.append(char(length % 256));
}

}  // namespace

SendMode sendModeFromIndex(int index) {
    switch (index) {
        case 1:
            return SendMode::English;
        case 2:
            return SendMode::Hex;
        default:
            return SendMode::Chinese;
    }
}

std::optional<std::array<uint8_t, 2>> moduleAddress(const QString& text) {
    if (text.size() != 6) return std::nullopt;
    // Only hex digits send what the box shows.
    const std::optional<QByteArray> bytes = ColonGroupBytes(text, 2);
    if (!bytes) return std::nullopt;
    return std::array<uint8_t, 2>{uint8_t(bytes->at(0)), uint8_t(bytes->at(1))};
}

std::optional<QByteArray> receiverNumber(const QString& text) {
    if (text.size() != 11 || !AllHexDigits(text)) return std::nullopt;
    return PhoneCodec::packNumber(text);
}

QByteArray dollarRead(uint8_t a1, uint8_t a2) {
    QByteArray out;
    out.append('$');
    out.append(char(a1));
    out.append(char(a2));
    out.append('R');
    out.append('\r');
    return out;
}

QByteArray dollarWrite(uint8_t a1, uint8_t a2, const QByteArray& data) {
    QByteArray out;
    out.reserve(data.size() + 7);
    out.append('$');
    out.append(char(a1));
    out.append(char(a2));
    out.append('W');
    appendLength(out, int(data.size()));
    out.append(data);
    out.append('\r');
    return out;
}

QByteArray smsRecord(uint8_t type, const QByteArray& number, const QByteArray& content) {
    QByteArray out;
    out.reserve(content.size() + 10);
    out.append(char(type));
    out.append(char(0x01));
    out.append(number.left(6));
    if (number.size() < 6) out.append(QByteArray(6 - number.size(), '\0'));
    appendLength(out, int(content.size()));
    out.append(content);
    return out;
}

uint8_t recordType(SendMode mode) { return mode == SendMode::English ? TypeSingleByte : TypeUcs2; }

std::optional<QByteArray> encodeContent(const QString& text, SendMode mode) {
    switch (mode) {
        case SendMode::Chinese:
            return TextCodec::toUcs2BE(text);
        case SendMode::English: {
            bool ok = false;
            const QByteArray bytes = TextCodec::toGbk(text, &ok);
            // Every character must have come out as exactly one byte; a
            // two-byte code would shift everything after it.
            if (!ok || bytes.size() != text.size()) return std::nullopt;
            return bytes;
        }
        case SendMode::Hex: {
            const qsizetype n = (text.size() + 1) / 3;  // a third, to the nearest whole number
            const QString digits = text.toUpper();
            QByteArray out;
            out.reserve(n);
            for (qsizetype i = 0; i < n; ++i) {
                // Each byte two hex digits and its ":" (the last may lack
                // it): anything else would go out as another byte.
                const qsizetype at = 3 * i;
                if (!AllHexDigits(digits.mid(at, 2)) || (at + 2 < digits.size() && digits.at(at + 2) != QLatin1Char(':')))
                    return std::nullopt;
                out.append(char(pairAt(digits, at)));
            }
            return out;
        }
    }
    return std::nullopt;
}

int contentByteCount(const QString& text, SendMode mode) {
    const int n = int(text.size());
    switch (mode) {
        case SendMode::Chinese:
            return 2 * n;
        case SendMode::English:
            return n;
        case SendMode::Hex:
            return n / 3;
    }
    return 0;
}

QString refusalText(Refusal r) {
    switch (r) {
        case Refusal::None:
            return QString();
        case Refusal::Address:
            return QStringLiteral("您输入的模块地址不正确，请重新输入");
        case Refusal::Content:
            return QStringLiteral("您所发射的内容不符合要求， 请输入要发射的内容");
        case Refusal::Receiver:
            return QStringLiteral("您接收方地址不符合要求， 请输入接收方地址");
    }
    return QString();
}

QString notSentText() {
    return QStringLiteral("测试请求没有发出：已离开通信测试页或正在读写参数，请在通信测试页重新发送");
}

Request buildRequest(int button, const TestInput& in) {
    Request r;
    if (button == 0 || button == 1) {
        const auto addr = moduleAddress(in.address);
        if (!addr) {
            r.refusal = Refusal::Address;
            return r;
        }
        r.bytes = button == 0 ? dollarRead((*addr)[0], (*addr)[1]) : dollarWrite((*addr)[0], (*addr)[1], {});
        r.pendingOp = button + 1;
        return r;
    }
    if (button != 2) return r;

    const bool present = in.mode == SendMode::Hex ? in.content.size() >= 3 : !in.content.isEmpty();
    if (!present) {
        r.refusal = Refusal::Content;
        return r;
    }
    std::optional<std::array<uint8_t, 2>> addr;
    if (in.passive) {
        addr = moduleAddress(in.address);
        if (!addr) {
            r.refusal = Refusal::Address;
            return r;
        }
    }
    std::optional<QByteArray> number;
    if (in.formatted) {
        number = receiverNumber(in.receiver);
        if (!number) {
            r.refusal = Refusal::Receiver;
            return r;
        }
    }
    const std::optional<QByteArray> content = encodeContent(in.content, in.mode);
    if (!content || content->size() > MaxLength) {
        r.refusal = Refusal::Content;
        return r;
    }
    QByteArray data = in.formatted ? smsRecord(recordType(in.mode), *number, *content) : *content;
    if (in.passive) data = dollarWrite((*addr)[0], (*addr)[1], data);
    // The length fields hold at most MaxLength, and so must the whole frame.
    if (data.size() > MaxLength) {
        r.refusal = Refusal::Content;
        return r;
    }
    r.bytes = data;
    r.pendingOp = 3;
    return r;
}

QString hexText(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        out += ByteToHex2(uint8_t(c));
        out += QLatin1Char(':');
    }
    return out;
}

qsizetype appendReceived(QString& text, uint8_t byte, qsizetype keepHead, qsizetype maxChars) {
    qsizetype dropped = 0;
    if (text.size() + 3 > maxChars) {
        // Whole groups only, so the text stays in step with its bytes.
        const qsizetype head = std::clamp<qsizetype>(keepHead / 3 * 3, 0, text.size());
        const qsizetype rest = text.size() - head;
        const qsizetype keep = std::max<qsizetype>(0, (maxChars - head) / 2) / 3 * 3;
        const qsizetype drop = std::min((rest - keep + 2) / 3 * 3, rest);
        if (drop > 0) {
            text.remove(head, drop);
            dropped = drop / 3;
        }
    }
    text += ByteToHex2(byte);
    text += QLatin1Char(':');
    return dropped;
}

QStringList logLines(const QString& prefix, const QString& hex) {
    if (hex.size() < 45) return {prefix + hex};
    return {prefix + hex.left(45), hex.mid(45)};
}

QString boundedLog(const QString& log, qsizetype newest) {
    // The box counts one more character than its text.
    const qsizetype room = MaxLogChars - 1;
    if (log.size() <= room) return log;
    const qsizetype entry = log.size() - std::clamp<qsizetype>(newest, 0, log.size());
    if (log.size() - entry <= room) {
        // Whole older lines go, down to about half the bound, but never a
        // line of the newest entry.
        const qsizetype lineStart = log.indexOf(QLatin1Char('\n'), log.size() - MaxLogChars / 2 - 1) + 1;
        return log.mid(lineStart > 0 ? std::min(lineStart, entry) : entry);
    }
    // Too long for the bound: what the entry is (its own first line when
    // short, else the start of that line), a mark where its middle went, then
    // as much of its end as the rest of the room holds.
    qsizetype head = log.indexOf(QLatin1Char('\n'), entry) + 1 - entry;
    if (head <= 0 || head > room / 2) head = room / 2;
    return log.mid(entry, head) + LogCutMark + log.right(room - head - LogCutMark.size());
}

QByteArray fromHexText(const QString& text) {
    const qsizetype n = text.size() / 3;
    QByteArray out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) out.append(char(pairAt(text, 3 * i)));
    return out;
}

std::optional<QString> senderNumber(const QByteArray& six) {
    if (six.size() != 6) return std::nullopt;
    const QString digits = PhoneCodec::entryText(six);
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    return QString::number(digits.toULongLong());
}

QString senderHexText(const QByteArray& six) {
    if (six.isEmpty()) return {};
    QString text = QString::number(uint8_t(six.at(0)), 16).toUpper();
    for (qsizetype i = 1; i < six.size(); ++i) text += ByteToHex2(uint8_t(six.at(i)));
    return text;
}

Decoded decode(const QByteArray& b, bool passive, bool formatted, SendMode mode) {
    const qsizetype last = b.size() - 1;
    qsizetype s = 0;
    qsizetype e = last;
    qsizetype senderAt = -1;
    if (!passive && formatted) {
        s = 10;
        e = last - 6;
        senderAt = 2;
    } else if (passive && !formatted) {
        s = 5;
        e = last - 1;
    } else if (passive && formatted) {
        s = 15;
        e = last - 7;
        senderAt = 7;
    }

    Decoded d;
    if (senderAt >= 0 && b.size() >= senderAt + 6) {
        d.senderBytes = b.mid(senderAt, 6);
        d.sender = senderNumber(d.senderBytes);
    }

    if (mode == SendMode::Chinese) {
        // Pairs from the first text byte on; the last pair may reach one
        // byte past the text, but never past what was received.
        for (qsizetype i = s; i <= e && i + 1 <= last; i += 2)
            d.text += QChar(char16_t(uint8_t(b.at(i)) * 256 + uint8_t(b.at(i + 1))));
        return d;
    }
    for (qsizetype i = s; i <= e && i <= last; ++i) {
        const uint8_t c = uint8_t(b.at(i));
        if (mode == SendMode::English) {
            d.text += TextCodec::byteToChar(c);
        } else {
            d.text += ByteToHex2(c);
            d.text += QLatin1Char(':');
        }
    }
    return d;
}

QString sampleReceived() {
    // 13912345678, "测试", 2024-05-20 09:30:00.
    return QStringLiteral("D7:01:01:39:12:34:56:78:00:0A:6D:4B:8B:D5:24:05:20:09:30:00:");
}

}  // namespace TestFrames
