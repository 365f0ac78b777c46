#pragma once

#include <QByteArray>
#include <QString>

namespace protocol {

// What a table-row serialiser gives: either the whole row-write frame, to be
// written to the port in one call, or the reason the row is refused, to be
// shown in a message box titled `title` ("提示", information icon). A
// refused row sends nothing.
struct RowWrite {
    QByteArray frame;  // empty when refused
    QString message;   // empty when the frame was built
    QString title;     // "提示" when refused

    bool refused() const { return frame.isEmpty(); }

    static RowWrite built(const QByteArray& frame) { return {frame, QString(), QString()}; }
    static RowWrite refusal(const QString& message) {
        return {QByteArray(), message, QStringLiteral("提示")};
    }
};

}  // namespace protocol
