// The answer receiver's walk over one window: frame start, preamble,
// dispatch by code and by the operation flags, and the search for further
// frames, with recording handlers in place of the answers' own.

#include <QTest>

#include "core/Globals.h"
#include "tests/support/SimSupport.h"
#include "varnel/sms_parser/AnswerReceiver.h"
#include "varnel/sms_parser/AnswerSink.h"
#include "varnel/sms_parser/TableAnswerSink.h"

using SimSupport::fromHex;
using SimSupport::hex;

namespace {

QByteArray P(const char* tail) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(tail); }

// Every state handled, in order, with the frame it was given.
struct Recorder {
    QStringList seen;
    void attach(AnswerReceiver& r) {
        const int states[] = {
            AnswerReceiver::ModuleNotice,   AnswerReceiver::WorkMode,       AnswerReceiver::TransMode,
            AnswerReceiver::PasswordUse,    AnswerReceiver::Password,       AnswerReceiver::RestartTime,
            AnswerReceiver::PhoneTable,     AnswerReceiver::InRowWriteAck,  AnswerReceiver::InRowRead,
            AnswerReceiver::OutRowRead,     AnswerReceiver::OutRowWriteAck, AnswerReceiver::TableClearAck,
            AnswerReceiver::CollectionRead, AnswerReceiver::FlashSize,      AnswerReceiver::CollectionWriteAck};
        for (int state : states) {
            // F1 reads four value bytes, A3 four, AB two: the frame must hold them.
            const int need = state == AnswerReceiver::Password || state == AnswerReceiver::RestartTime ? 14
                             : state == AnswerReceiver::FlashSize                                      ? 12
                                                                                                       : 10;
            r.setHandler(state, need, [this, state](const QByteArray& frame) {
                seen << QStringLiteral("%1:%2").arg(state).arg(hex(frame.mid(8)));
            });
        }
    }
};

// What reaches the form. A table answer ends the transfer, as the form's
// does: the table operation is cleared.
struct FormSink : AnswerSink, TableAnswerSink {
    QStringList seen;
    void collectionSettingsRead(const CollectionSettings::Answer& a) override { seen << QString::number(a.timeOut); }
    void collectionWriteAcknowledged(bool ok) override { seen << (ok ? "ok" : "failed"); }
    void tableRowAnswered(const TableRowAnswer& a) override {
        seen << (a.shortAnswer ? QStringLiteral("row cut") : QStringLiteral("row %1").arg(a.length));
        g::InTableOp = 0;
    }
    void tableRowWriteAcknowledged(ModuleTable, const QString&) override {}
    void tableClearAcknowledged(ModuleTable, const QString&) override {}
};

}  // namespace

class TestAnswerWalk : public QObject {
    Q_OBJECT

private slots:
    void init() { g::resetAll(); }
    void walk_data();
    void walk();
    void dispatchByOperation_data();
    void dispatchByOperation();
    void nothingWhileParamModeIsOff();
    void collectionAnswerWhateverTheTableOp_data();
    void collectionAnswerWhateverTheTableOp();
};

void TestAnswerWalk::walk_data() {
    QTest::addColumn<QByteArray>("window");
    QTest::addColumn<QStringList>("seen");
    QTest::newRow("F8 then F1") << (P("F8 00 00") + P("F1 00 AA BB CC DD"))
                                << QStringList{"3:F8 00 00 1A 2A 3A 4A 5A 6A 7A 8A F1 00 AA BB CC DD",
                                               "7:F1 00 AA BB CC DD"};
    // An 11-byte answer behind another frame is handled as well.
    QTest::newRow("F1 then 11-byte F8")
        << (P("F1 00 11 22 33 44") + P("F8 00 01"))
        << QStringList{"7:F1 00 11 22 33 44 1A 2A 3A 4A 5A 6A 7A 8A F8 00 01", "3:F8 00 01"};
    QTest::newRow("junk before A3") << (fromHex("00 FF") + P("A3 00 00 00 00 C8"))
                                    << QStringList{"11:A3 00 00 00 00 C8"};
    QTest::newRow("bad preamble, then F8")
        << (fromHex("1A 2A 3A 4A 5A 6A 7A 8B F8 00 00") + P("F8 00 01")) << QStringList{"3:F8 00 01"};
    QTest::newRow("A9 with nothing pending, then F9")
        << (P("A9 00 53 45 54") + P("F9 00 01")) << QStringList{"4:F9 00 01"};
    QTest::newRow("text answer, then F9")
        << (QByteArray("<0123456789") + P("F9 00 00")) << QStringList{"4:F9 00 00"};
    QTest::newRow("unknown code D5, then F8") << (P("D5 00 00") + P("F8 00 00")) << QStringList{"3:F8 00 00"};
    // A frame shorter than its handler reads is dropped whole.
    QTest::newRow("short F1") << P("F1 00 AA") << QStringList{};
    // Offsets count from the frame start: a short answer with a frame
    // behind it reads into that frame, which is then handled on its own.
    QTest::newRow("short A3, then F8")
        << (P("A3 00 00 00") + P("F8 00 01"))
        << QStringList{"11:A3 00 00 00 1A 2A 3A 4A 5A 6A 7A 8A F8 00 01", "3:F8 00 01"};
    // A frame start with only 8 bytes behind it is passed over.
    QTest::newRow("F8 then 9-byte tail")
        << (P("F8 00 01") + P("")) << QStringList{"3:F8 00 01 1A 2A 3A 4A 5A 6A 7A 8A"};
    QTest::newRow("F8 then bare code")
        << (P("F8 00 01") + P("F9")) << QStringList{"3:F8 00 01 1A 2A 3A 4A 5A 6A 7A 8A F9"};
    QTest::newRow("nothing framed") << fromHex("00 01 02 03") << QStringList{};
    QTest::newRow("three frames")
        << (P("FD 00") + P("F8 00 00") + P("F9 00 01"))
        << QStringList{"2:FD 00 1A 2A 3A 4A 5A 6A 7A 8A F8 00 00 1A 2A 3A 4A 5A 6A 7A 8A F9 00 01",
                       "3:F8 00 00 1A 2A 3A 4A 5A 6A 7A 8A F9 00 01", "4:F9 00 01"};
}

void TestAnswerWalk::walk() {
    QFETCH(QByteArray, window);
    QFETCH(QStringList, seen);
    AnswerReceiver receiver;
    Recorder rec;
    rec.attach(receiver);
    g::RxBuf = window;
    g::RxCount = int(window.size());
    receiver.receive();
    QCOMPARE(rec.seen, seen);
    QCOMPARE(g::RxState, 0);
    QCOMPARE(g::RxBuf, QByteArray(1, '\0'));
}

void TestAnswerWalk::dispatchByOperation_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("inOp");
    QTest::addColumn<int>("outOp");
    QTest::addColumn<int>("state");
    QTest::newRow("A8 write") << 0xA8 << 1 << 0 << int(AnswerReceiver::InRowWriteAck);
    QTest::newRow("A8 collection write") << 0xA8 << 11 << 0 << int(AnswerReceiver::CollectionWriteAck);
    QTest::newRow("A8 read") << 0xA8 << 2 << 0 << int(AnswerReceiver::InRowRead);
    QTest::newRow("A8 clear") << 0xA8 << 4 << 0 << int(AnswerReceiver::TableClearAck);
    QTest::newRow("A8 collection read") << 0xA8 << 12 << 0 << int(AnswerReceiver::CollectionRead);
    QTest::newRow("A8 nothing") << 0xA8 << 0 << 0 << int(AnswerReceiver::Hunt);
    QTest::newRow("A5 write") << 0xA5 << 1 << 0 << int(AnswerReceiver::InRowWriteAck);
    QTest::newRow("A5 other") << 0xA5 << 0 << 0 << int(AnswerReceiver::InRowRead);
    QTest::newRow("A9 write") << 0xA9 << 0 << 1 << int(AnswerReceiver::OutRowWriteAck);
    QTest::newRow("A9 read") << 0xA9 << 0 << 2 << int(AnswerReceiver::OutRowRead);
    QTest::newRow("A9 clear") << 0xA9 << 0 << 4 << int(AnswerReceiver::TableClearAck);
    QTest::newRow("A9 nothing") << 0xA9 << 2 << 0 << int(AnswerReceiver::Hunt);
    QTest::newRow("D9") << 0xD9 << 0 << 0 << int(AnswerReceiver::PhoneTable);
    QTest::newRow("DB") << 0xDB << 0 << 0 << int(AnswerReceiver::WakeMode);
    QTest::newRow("AB") << 0xAB << 0 << 0 << int(AnswerReceiver::FlashSize);
    QTest::newRow("D5") << 0xD5 << 0 << 0 << int(AnswerReceiver::Hunt);
}

void TestAnswerWalk::dispatchByOperation() {
    QFETCH(int, code);
    QFETCH(int, inOp);
    QFETCH(int, outOp);
    QFETCH(int, state);
    g::InTableOp = inOp;
    g::OutTableOp = outOp;
    QCOMPARE(AnswerReceiver::stateFor(uint8_t(code)), state);
    // Through the walk: the frame reaches that state's handler only.
    AnswerReceiver receiver;
    Recorder rec;
    rec.attach(receiver);
    const QByteArray frame = P("00 00 00 00 00") + QByteArray(1, '\0');
    QByteArray window = frame;
    window[8] = char(code);
    g::RxBuf = window;
    receiver.receive();
    if (state == AnswerReceiver::Hunt) {
        QVERIFY(rec.seen.isEmpty());
    } else if (state != AnswerReceiver::WakeMode) {
        QCOMPARE(rec.seen.size(), 1);
        QVERIFY(rec.seen.first().startsWith(QString::number(state) + QLatin1Char(':')));
    }
}

void TestAnswerWalk::nothingWhileParamModeIsOff() {
    AnswerReceiver receiver;
    Recorder rec;
    rec.attach(receiver);
    g::ParamMode = false;
    g::RxBuf = P("F8 00 00") + P("F9 00 01");
    receiver.receive();
    QVERIFY(rec.seen.isEmpty());
    QCOMPARE(receiver.framesHandled(), 0);
}

// A collection request's answer goes to it however the table operation
// changed after it was sent (a transfer started and ended by its answer
// in the same window), and nothing else is taken for it.
void TestAnswerWalk::collectionAnswerWhateverTheTableOp_data() {
    QTest::addColumn<int>("inOp");
    QTest::addColumn<int>("due");  // 1 read, 2 write
    QTest::addColumn<QByteArray>("window");
    QTest::addColumn<QStringList>("seen");
    const QByteArray ok = P("A8 00 53 45 54 4F 4B 3A 30 30"), fail = P("A8 00 53 45 54 46 41 49 4C 3A");
    const QByteArray settings = P("A8 00 07 00 64 00 00 00 05 03 01"), tableEnd = P("A8 00 00 00 00 00 00");
    QTest::newRow("write due, table read ended") << 2 << 2 << (tableEnd + ok) << QStringList{"row cut", "ok"};
    QTest::newRow("write due, no table op") << 0 << 2 << (tableEnd + fail) << QStringList{"failed"};
    QTest::newRow("read due, table read ended") << 2 << 1 << (tableEnd + settings) << QStringList{"row cut", "5"};
    // Two reads answered: the second copy is no row of the table read after
    // them (whose end comes as long as a row).
    QTest::newRow("read due, copy, table read") << 2 << 1 << (settings + settings + tableEnd + QByteArray(256, 0))
                                                << QStringList{"5", "row 0"};
}

void TestAnswerWalk::collectionAnswerWhateverTheTableOp() {
    QFETCH(int, inOp);
    QFETCH(int, due);
    QFETCH(QByteArray, window);
    QFETCH(QStringList, seen);
    FormSink sink;
    AnswerReceiver receiver(&sink);
    g::InTableOp = inOp;
    g::CollectionDue = due;
    g::RxBuf = window;
    receiver.receive();
    QCOMPARE(sink.seen, seen);
    if (!seen.isEmpty() && !seen.last().startsWith("row")) QCOMPARE(g::CollectionDue, 0);
}

QTEST_MAIN(TestAnswerWalk)
#include "tst_answer_walk.moc"
