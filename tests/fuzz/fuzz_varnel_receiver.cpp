// The QV7351 settings form's answer receiver walking quiet-time windows:
// each window goes into the shared receive buffer as the quiet timer would
// leave it, under operation flags taken from the input. The receiver must
// stay inside the window, return, and leave the window used up.
#include <QCoreApplication>

#include "FuzzInput.h"
#include "core/Globals.h"
#include "varnel/sms_parser/AnswerReceiver.h"
#include "varnel/sms_parser/AnswerSink.h"
#include "varnel/sms_parser/TableAnswerSink.h"

namespace {

// Records every call, touching each value handed over so that a decoded
// value built from bytes outside the window shows up under the sanitizer.
struct Sink : AnswerSink, TableAnswerSink {
    QStringList seen;
    void moduleNotice(uint8_t status) override { seen << QStringLiteral("notice %1").arg(status); }
    void paramAnswer(const Answers::ParamAnswer& a) override {
        seen << QStringLiteral("param %1 %2 %3 %4")
                    .arg(int(a.kind))
                    .arg(a.value)
                    .arg(a.text)
                    .arg(a.refreshStep);
    }
    void addressLayout(const AddressLayoutAnswer& a) override {
        seen << QStringLiteral("layout %1 %2 %3 %4 %5 %6")
                    .arg(a.start)
                    .arg(a.length)
                    .arg(a.group)
                    .arg(a.type)
                    .arg(a.typeText)
                    .arg(a.listItem);
    }
    void flashSize(const QString& text) override { seen << "flash " + text; }
    void phoneTableEmpty() override { seen << QStringLiteral("phones empty"); }
    void phoneTableCorrupt() override { seen << QStringLiteral("phones corrupt"); }
    void phoneTableRead(const QStringList& numbers) override { seen << "phones " + numbers.join(','); }
    void phoneTableAck(PhoneTableAck ack) override { seen << QStringLiteral("phones ack %1").arg(int(ack)); }
    void collectionSettingsRead(const CollectionSettings::Answer& a) override {
        seen << QStringLiteral("collection %1 %2 %3 %4 %5")
                    .arg(a.period)
                    .arg(a.timeOut)
                    .arg(a.reSend)
                    .arg(a.history)
                    .arg(QString::fromLatin1(a.payload.toHex()));
    }
    void collectionWriteAcknowledged(bool ok) override {
        seen << QStringLiteral("collection ack %1").arg(ok);
    }
    void tableRowAnswered(const TableRowAnswer& a) override {
        seen << QStringLiteral("row %1 %2 %3 %4 %5 %6 %7 %8")
                    .arg(int(a.table))
                    .arg(a.shortAnswer)
                    .arg(a.length)
                    .arg(QString::fromLatin1(a.payload.toHex()))
                    .arg(a.sumOk)
                    .arg(a.index)
                    .arg(a.channel.has_value())
                    .arg(a.command.has_value());
    }
    void tableRowWriteAcknowledged(ModuleTable table, const QString& text) override {
        seen << QStringLiteral("row ack %1 %2").arg(int(table)).arg(text);
    }
    void tableClearAcknowledged(ModuleTable table, const QString& text) override {
        seen << QStringLiteral("clear ack %1 %2").arg(int(table)).arg(text);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    g::resetAll();
    const uint8_t flags = in.byte();
    g::ParamMode = !(flags & 1);
    g::PhoneTableOp = (flags >> 1) & 7;
    const uint8_t ops = in.byte();
    // 11 and 12 are the collection settings' write and read.
    g::InTableOp = (ops & 15) > 12 ? 0 : ops & 15;
    g::OutTableOp = (ops >> 4) & 7;
    const std::vector<QByteArray> windows = in.pieces();
    Sink sink;
    AnswerReceiver rx(&sink);
    for (const QByteArray& window : windows) {
        // A copy of the window's own size, so a read past its end leaves
        // the allocation.
        g::RxBuf = QByteArray(window.constData(), window.size());
        g::RxCount = int(g::RxBuf.size());
        rx.receive();
        if (g::ParamMode) {
            FUZZ_CHECK(g::RxBuf == QByteArray(1, '\0'));
            FUZZ_CHECK(g::RxCount == 1);
        }
    }
    QCoreApplication::sendPostedEvents();
    return 0;
}
