#include "TableRows.h"

#include <algorithm>

#include "Frames.h"

namespace protocol {

QByteArray rowReadRequest(uint8_t tableCode, int index) {
    return Frames::RequestFrame(tableCode, 0x02, QByteArray(1, char(uint8_t(index))));
}

QByteArray tableClearFrame(uint8_t tableCode) {
    return Frames::RequestFrame(tableCode, 0x04, QByteArray(1, '\x01'));
}

RowAnswerEnvelope decodeRowAnswer(const QByteArray& frame) {
    RowAnswerEnvelope e;
    if (frame.size() < 12) return e;
    e.hasLength = true;
    e.length = uint8_t(frame.at(10)) | (uint8_t(frame.at(11)) << 8);
    if (frame.size() < 12 + qsizetype(e.length)) return e;
    e.complete = true;
    e.payload = frame.mid(12, e.length);
    if (e.length >= 2) e.index = uint8_t(e.payload.at(1));
    unsigned sum = 0;
    for (qsizetype i = 1; i < e.payload.size(); ++i) sum += uint8_t(e.payload.at(i));
    e.sumOk = e.length >= 1 && uint8_t(sum & 0xFF) == uint8_t(e.payload.at(0));
    return e;
}

QString acknowledgementText(const QByteArray& frame) {
    return frame.size() > 10 ? QString::fromLatin1(frame.mid(10)) : QString();
}

int namedRow(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString two = colon < 0 ? QString() : text.mid(colon + 1, 2);
    int n = -1;
    for (QChar c : two) {
        if (c == QLatin1Char(' ')) continue;
        if (!c.isDigit() || c.unicode() > 127) break;
        n = std::max(n, 0) * 10 + (c.unicode() - '0');
    }
    return n;
}

int acknowledgedRow(const QString& text) { return std::max(namedRow(text), 0); }

}  // namespace protocol
