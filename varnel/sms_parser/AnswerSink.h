#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "CollectionAnswer.h"
#include "core/protocol/Answers.h"

// The address layout the module answers to E1: start, length and group
// size as numbers, and the address type.
struct AddressLayoutAnswer {
    int start = 0;
    int length = 0;
    int group = 0;
    uint8_t type = 0;
    // "十六进制" (1), "BCD码" (2), else "ASCII".
    QString typeText;
    // The item of the address-type list for the type (0 ASCII, 1 16进制,
    // 2 BCD码); -1 for any other type, which leaves the list alone.
    int listItem = -1;
};

// What a phone-table acknowledgement says.
enum class PhoneTableAck { WriteOk, WriteFailed, ClearOk, ClearFailed };

// What the answer receiver hands to the settings form: plain values decoded
// from the module's answers. The form implements it and applies them to its
// own controls; the receiver never sees a widget. Every method has an empty
// default, so a form takes only what it shows.
class AnswerSink : public CollectionSink {
public:
    virtual ~AnswerSink() = default;

    // FD: the module's notice with its status byte.
    virtual void moduleNotice(uint8_t /*status*/) {}
    // F8, F9, A2, A1, F1, EC, E2, F2, A3, FB, D3, D2, DB as the protocol
    // library decodes them (the work and transmission modes are stored in
    // the shared globals before this is called).
    virtual void paramAnswer(const Answers::ParamAnswer& /*answer*/) {}
    virtual void addressLayout(const AddressLayoutAnswer& /*answer*/) {}
    // AB: the flash size as shown ("4M", "无"); empty for a code that
    // leaves the label as it is.
    virtual void flashSize(const QString& /*text*/) {}

    // D9 read: the count was 0 or above 20.
    virtual void phoneTableEmpty() {}
    // D9 read: the checksum did not match; the grid stays.
    virtual void phoneTableCorrupt() {}
    // D9 read: the numbers, in order.
    virtual void phoneTableRead(const QStringList& /*numbers*/) {}
    virtual void phoneTableAck(PhoneTableAck /*ack*/) {}
};
