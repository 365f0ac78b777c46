// The communication test: requests built from whatever the boxes hold and
// the module's test answers decoded in every mode.
#include "FuzzInput.h"
#include "core/protocol/TestFrames.h"

using namespace TestFrames;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int mode = in.byte() % 3;
    if (mode == 0) {
        const bool passive = in.flag(), formatted = in.flag();
        const SendMode send = sendModeFromIndex(in.intIn(-1, 3));
        const QByteArray answer = in.rest();
        (void)decode(answer, passive, formatted, send);
        (void)senderNumber(answer.left(6));
        const QString hex = hexText(answer);
        // The log's hex text reads back as the bytes.
        FUZZ_CHECK(fromHexText(hex) == answer);
        (void)logLines(QStringLiteral("接收  "), hex);
        return 0;
    }
    if (mode == 1) {
        TestInput t;
        t.content = in.text();
        t.receiver = in.text();
        t.address = in.text();
        t.mode = sendModeFromIndex(in.intIn(-1, 3));
        t.passive = in.flag();
        t.formatted = in.flag();
        const Request r = buildRequest(in.intIn(-1, 8), t);
        if (r.refusal != Refusal::None) FUZZ_CHECK(!refusalText(r.refusal).isEmpty());
        (void)contentByteCount(t.content, t.mode);
        (void)encodeContent(t.content, t.mode);
        return 0;
    }
    const QString text = in.text();
    (void)fromHexText(text);
    (void)moduleAddress(text);
    (void)receiverNumber(text);
    (void)smsRecord(in.byte(), in.bytes(), in.bytes());
    (void)dollarWrite(in.byte(), in.byte(), in.rest());
    return 0;
}
