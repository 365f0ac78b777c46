// The collection settings write frame byte for byte, the read answer's
// decoding and how it is shown in the page's boxes.

#include <QTest>

#include "core/protocol/CollectionSettings.h"
#include "tests/support/SimSupport.h"

using namespace CollectionSettings;
using SimSupport::fromHex;

Q_DECLARE_METATYPE(CollectionSettings::Input)

namespace {
const QByteArray P = fromHex("1A 2A 3A 4A 5A 6A 7A 8A");
}

class TestCollectionSettings : public QObject {
    Q_OBJECT
private slots:
    void writeFrame_data();
    void writeFrame();
    void refusedValues_data();
    void refusedValues();
    void readRequestBytes();
    void answers_data();
    void answers();
    void acknowledgements();
};

void TestCollectionSettings::writeFrame_data() {
    QTest::addColumn<Input>("in");
    QTest::addColumn<QByteArray>("tail");  // bytes 8 to 18; 19-25 are zero
    QTest::newRow("1.5 s, 500 ms, 3, history")
        << Input{true, "1.5", "500", "3", true} << fromHex("A8 F1 00 9F 96 00 00 00 05 03 01");
    QTest::newRow("86400 s, 550 ms to even 6, 10")
        << Input{true, "86400", "550", "10", false} << fromHex("A8 F1 00 69 00 D6 83 00 06 0A 00");
    QTest::newRow("650 ms to even 6")
        << Input{true, "1", "650", "0", false} << fromHex("A8 F1 00 6A 64 00 00 00 06 00 00");
    QTest::newRow("listening: period ignored")
        << Input{false, "12.3", "500", "3", false} << fromHex("A8 F1 00 08 00 00 00 00 05 03 00");
    QTest::newRow("single precision 1.1 s")
        << Input{true, "1.1", "100", "0", false} << fromHex("A8 F1 00 6F 6E 00 00 00 01 00 00");
    QTest::newRow("a module's period of hundredths goes back as it came")
        << Input{true, "70598.37", "100", "0", false} << fromHex("A8 F1 00 A2 7D B9 6B 00 01 00 00");
    QTest::newRow("number at the start of the text")
        << Input{true, "2秒", "1000ms", " 1 0", false} << fromHex("A8 F1 00 DC C8 00 00 00 0A 0A 00");
    QTest::newRow("empty boxes") << Input{false, "", "", "", false}
                                 << fromHex("A8 F1 00 00 00 00 00 00 00 00 00");
    QTest::newRow("repeat count modulo 256")
        << Input{false, "0", "100", "257", false} << fromHex("A8 F1 00 02 00 00 00 00 01 01 00");
}

void TestCollectionSettings::writeFrame() {
    QFETCH(Input, in);
    QFETCH(QByteArray, tail);
    const Write w = CollectionSettings::writeFrame(in);
    QVERIFY2(!w.refused(), qPrintable(w.error));
    QCOMPARE(w.frame.size(), WriteLength);
    QCOMPARE(w.frame.toHex(' '), (P + tail + QByteArray(7, '\0')).toHex(' '));
}

void TestCollectionSettings::refusedValues_data() {
    QTest::addColumn<Input>("in");
    QTest::newRow("negative period") << Input{true, "-1", "500", "3", false};
    // Polling with no whole 10 ms would have the module listen only.
    QTest::newRow("polling period 0") << Input{true, "0", "500", "3", false};
    QTest::newRow("polling period under 10 ms") << Input{true, "0.004", "500", "3", false};
    QTest::newRow("period beyond 32 bits") << Input{true, "1e9", "500", "3", false};
    QTest::newRow("negative repeat count") << Input{true, "1", "500", "-1", false};
    QTest::newRow("negative time-out") << Input{false, "1", "-500", "3", false};
}

void TestCollectionSettings::refusedValues() {
    QFETCH(Input, in);
    const Write w = CollectionSettings::writeFrame(in);
    QVERIFY(w.refused());
    QVERIFY(!w.error.isEmpty());
}

void TestCollectionSettings::readRequestBytes() { QCOMPARE(readRequest(), P + fromHex("A8 F2")); }

void TestCollectionSettings::answers_data() {
    QTest::addColumn<QByteArray>("tail");  // from byte 8
    QTest::addColumn<bool>("used");
    QTest::addColumn<bool>("autoPoll");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("timeOut");
    QTest::addColumn<QString>("reSend");
    QTest::addColumn<bool>("history");
    QTest::newRow("1.5 s") << fromHex("A8 00 07 00 96 00 00 00 05 03 01") << true << true << "1.5"
                           << "500"
                           << "3" << true;
    QTest::newRow("listening") << fromHex("A8 00 07 00 00 00 00 00 00 0B 02") << true << false << "0"
                               << "0"
                               << "0" << false;
    QTest::newRow("whole seconds") << fromHex("A8 00 07 00 64 00 00 00 FF 0A 00") << true << true << "1"
                                   << "25500"
                                   << "10" << false;
    QTest::newRow("86400 s") << fromHex("A8 00 07 00 00 D6 83 00 01 00 01") << true << true << "86400"
                             << "100"
                             << "0" << true;
    QTest::newRow("0.1 s") << fromHex("A8 00 07 00 0A 00 00 00 01 00 00") << true << true << "0.1"
                           << "100"
                           << "0" << false;
    // The period is a signed count: a negative one means listening, like 0.
    QTest::newRow("period FFFFFFFF") << fromHex("A8 00 07 00 FF FF FF FF 05 03 00") << true << false << "0"
                                     << "500"
                                     << "3" << false;
    QTest::newRow("period 80000000") << fromHex("A8 00 07 00 00 00 00 80 05 03 00") << true << false << "0"
                                     << "500"
                                     << "3" << false;
    QTest::newRow("longer payload") << fromHex("A8 00 08 00 96 00 00 00 05 03 01 77") << true << true << "1.5"
                                    << "500"
                                    << "3" << true;
    QTest::newRow("payload cut short") << fromHex("A8 00 07 00 96 00 00 00 05 03") << false << false << ""
                                       << ""
                                       << "" << false;
    QTest::newRow("length below seven") << fromHex("A8 00 06 00 96 00 00 00 05 03 01") << false << false << ""
                                        << ""
                                        << "" << false;
    QTest::newRow("length above the frame")
        << fromHex("A8 00 00 01 96 00 00 00 05 03 01") << false << false << ""
        << ""
        << "" << false;
}

void TestCollectionSettings::answers() {
    QFETCH(QByteArray, tail);
    QFETCH(bool, used);
    const auto a = decodeAnswer(P + tail);
    QCOMPARE(a.has_value(), used);
    if (!used) return;
    const Shown s = show(*a);
    QTEST(s.autoPoll, "autoPoll");
    QTEST(s.period, "period");
    QTEST(s.timeOut, "timeOut");
    QTEST(s.reSend, "reSend");
    QTEST(s.history, "history");
}

void TestCollectionSettings::acknowledgements() {
    QCOMPARE(judgeAck(P + QByteArray("\xA8\x00SETOK:00", 10)), Ack::Ok);
    QCOMPARE(judgeAck(P + QByteArray("\xA8\x00SETFAIL:", 10)), Ack::Fail);
    QCOMPARE(judgeAck(P + QByteArray("\xA8\x00SETFAI", 8)), Ack::Other);
    QCOMPARE(judgeAck(P + QByteArray("\xA8\x00"
                                     "CLROK:",
                                     8)),
             Ack::Other);
    QCOMPARE(judgeAck(P + QByteArray("\xA8\x00", 2)), Ack::Other);
}

QTEST_MAIN(TestCollectionSettings)
#include "tst_collection_settings.moc"
