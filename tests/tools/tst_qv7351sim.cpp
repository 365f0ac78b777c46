// The simulated QV7351 module, byte for byte: each request in, the exact
// answer out, over a real pseudo-terminal.

#include <QTest>

#include "RawClient.h"
#include "tests/support/SimSupport.h"
#include "tools/SimQv7351.h"

using SimSupport::fromHex;
using SimSupport::hex;
using SimSupport::SimFixture;
using Table = SimQv7351Tables::Table;

namespace {

QByteArray P(const char* rest) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + fromHex(rest); }
QByteArray P(const QByteArray& rest) { return fromHex("1A 2A 3A 4A 5A 6A 7A 8A") + rest; }

// A QV7351 module on COM1 with everything installed, and a client on it.
struct Rig {
    SimFixture fx{1, ModuleSim::Kind::Qv7351};
    SimQv7351* q = SimQv7351::install(fx.sim());
    RawClient client{fx.sim().linkPath()};
    ModuleSim& sim() { return fx.sim(); }
    // True when nothing comes back within 200 ms of the request's arrival.
    bool silentTo(const QByteArray& request) {
        const int before = int(sim().requests().size());
        client.reset();
        client.write(request);
        if (!fx.waitForRequests(before + 1)) return false;
        QTest::qWait(200);
        client.poll();
        return client.got().isEmpty();
    }
};

uint8_t sum(const QByteArray& b, int from) {
    unsigned s = 0;
    for (int i = from; i < b.size(); ++i) s += uint8_t(b.at(i));
    return uint8_t(s);
}

// A row write frame as the program builds it: code 01 n sum n body.
QByteArray rowWrite(Table t, int index, const QByteArray& body) {
    const int size = SimQv7351Tables::payloadSize(t);
    QByteArray f = P(QByteArray(1, char(SimQv7351Tables::code(t))) + fromHex("01"));
    f.append(char(index));
    f.append('\0');
    f.append(char(index));
    f.append(body.leftJustified(size - 2, '\0'));
    f[11] = char(sum(f, 12));
    return f;
}

QByteArray codeByte(Table t) { return QByteArray(1, char(SimQv7351Tables::code(t))); }

}  // namespace

class TestQv7351Sim : public QObject {
    Q_OBJECT
private slots:
    void handshakeAnswers();
    void deliveryWholeInPiecesAndInOneBurst();
    void refreshQueriesOfTheStartingModule();
    void refreshQueriesOfAPassivePowerSavingModule();
    void writesAreEchoedAndKept();
    void readyNoticeOnCommand();
    void phoneTable();
    void rowReadsAndTheEndOfATable();
    void rowWrites();
    void goldenCommandRowRoundTrip();
    void tableClears();
    void collectionSettings();
};

void TestQv7351Sim::handshakeAnswers() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    const struct {
        const char* ask;
        const char* answer;
    } cases[] = {
        {"FE 03", "FD 00 00 00"}, {"F8 03", "F8 00 01"},
        {"F9 03", "F9 00 01"},    {"EC 03", "EC 00 51 56 37 33 35 31 2D 56 34 30 32"},  // "QV7351-V402"
        {"D6 03", "D6 00 00"},    {"D1 03", "D1 00 02"},
    };
    for (const auto& c : cases) {
        const QByteArray expected = P(c.answer);
        QCOMPARE(hex(rig.client.ask(P(c.ask), int(expected.size()))), hex(expected));
    }
    // A type-1 module is the one Varnel turns away.
    rig.sim().identity.moduleType = 0x01;
    QCOMPARE(hex(rig.client.ask(P("D1 03"), 11)), hex(P("D1 00 01")));
    QVERIFY(rig.silentTo(P("D1 02")));
}

void TestQv7351Sim::deliveryWholeInPiecesAndInOneBurst() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    ModuleSim& sim = rig.sim();

    // Two answers gathered: the first waits for the second, then both go
    // out in one write.
    sim.gatherAnswers(2);
    QVERIFY(rig.silentTo(P("F8 03")));
    QCOMPARE(sim.gatheredCount(), 1);
    rig.client.reset();
    rig.client.write(P("F9 03"));
    QVERIFY(rig.client.waitFor(22));
    QCOMPARE(hex(rig.client.got()), hex(P("F8 00 01") + P("F9 00 01")));
    QCOMPARE(sim.gatheredCount(), 0);
    // Gathering is over: the next answer goes alone.
    QCOMPARE(hex(rig.client.ask(P("D1 03"), 11)), hex(P("D1 00 02")));

    // A burst released early, and the probe answer with the notice behind it.
    sim.gatherAnswers(3);
    rig.client.reset();
    rig.client.write(P("FE 03"));
    QVERIFY(rig.fx.waitForRequests(4));
    rig.q->sendNotice(0x01);
    QCOMPARE(sim.gatheredCount(), 2);
    sim.flushGathered();
    QVERIFY(rig.client.waitFor(22));
    QCOMPARE(hex(rig.client.got()), hex(P("FD 00 00 00") + P("FD 01")));

    // In pieces: the same bytes, spread over time.
    sim.behaviour.chunkSize = 4;
    sim.behaviour.chunkGapMs = 50;
    rig.client.reset();
    rig.client.write(P("EC 03"));
    QVERIFY(rig.client.waitFor(21));
    QCOMPARE(hex(rig.client.got()), hex(P("EC 00 51 56 37 33 35 31 2D 56 34 30 32")));
    QVERIFY(rig.client.pieceTimes().last() - rig.client.pieceTimes().first() >= 200);
}

void TestQv7351Sim::refreshQueriesOfTheStartingModule() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    const struct {
        const char* ask;
        const char* answer;
    } cases[] = {
        {"EC 03", "EC 00 51 56 37 33 35 31 2D 56 34 30 32"},
        {"A3 02", "A3 00 00 0A BC 20"},
        {"A1 03", "A1 00 00"},
        {"F8 03", "F8 00 01"},
        {"F9 03", "F9 00 01"},
        {"D3 03", "D3 00 00"},
        {"AB 03", "AB 00 15 00"},
    };
    for (const auto& c : cases) {
        const QByteArray expected = P(c.answer);
        QCOMPARE(hex(rig.client.ask(P(c.ask), int(expected.size()))), hex(expected));
    }
    // The flash code is the module's to choose.
    rig.q->flashSize = 0xFF;
    QCOMPARE(hex(rig.client.ask(P("AB 03"), 12)), hex(P("AB 00 FF 00")));
}

void TestQv7351Sim::refreshQueriesOfAPassivePowerSavingModule() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    SimParams& p = *rig.q->params;
    rig.sim().identity.workMode = 0x00;
    rig.sim().identity.transMode = 0x00;
    p.passwordUse = 0x02;
    p.password = fromHex("12 34 56 78");
    p.address = fromHex("31 32");
    p.subMode = 0x00;
    p.mask = 0x01020A01;
    p.powerSaving = 0x01;
    p.idleUnits = 5;
    p.dataUnits = 25;
    p.wakeMode = 0x01;
    p.receiver = fromHex("01 38 61 23 45 67");

    const struct {
        const char* ask;
        const char* answer;
    } cases[] = {
        {"A1 03", "A1 00 02"},
        {"F1 03", "F1 00 12 34 56 78"},
        {"F8 03", "F8 00 00"},
        {"E2 03", "E2 00 31 32"},
        {"F9 03", "F9 00 00"},
        {"FB 03", "FB 00 00"},
        {"E1 03", "E1 00 01 02 0A 01"},
        {"D3 03", "D3 00 01"},
        {"D2 03", "D2 00 00 05 00 19"},
        {"DB 03", "DB 00 01"},
        {"A2 03", "A2 00 01 38 61 23 45 67"},
    };
    for (const auto& c : cases) {
        const QByteArray expected = P(c.answer);
        QCOMPARE(hex(rig.client.ask(P(c.ask), int(expected.size()))), hex(expected));
    }
}

void TestQv7351Sim::writesAreEchoedAndKept() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    // Each write is answered with the value now held, and a later query
    // gives the same.
    const struct {
        const char* write;
        const char* query;
        const char* answer;
    } cases[] = {
        {"F8 01 00", "F8 03", "F8 00 00"},
        {"F9 01 00", "F9 03", "F9 00 00"},
        {"FB 01 01", "FB 03", "FB 00 01"},
        {"E1 01 02 03 04 02", "E1 03", "E1 00 02 03 04 02"},
        {"D3 01 01", "D3 03", "D3 00 01"},
        {"DB 01 00 00 00 00", "DB 03", "DB 00 00"},
        {"D2 01 00 02 00 19", "D2 03", "D2 00 00 02 00 19"},
        {"A1 01 03", "A1 03", "A1 00 03"},
        {"F1 01 AA BB CC DD", "F1 03", "F1 00 AA BB CC DD"},
        {"E2 01 00 07", "E2 03", "E2 00 00 07"},
        {"A3 01 00 00 0B B8", "A3 02", "A3 00 00 00 0B B8"},
        {"A2 01 01 39 12 34 56 78", "A2 03", "A2 00 01 39 12 34 56 78"},
    };
    for (const auto& c : cases) {
        const QByteArray expected = P(c.answer);
        QCOMPARE(hex(rig.client.ask(P(c.write), int(expected.size()))), hex(expected));
        QCOMPARE(hex(rig.client.ask(P(c.query), int(expected.size()))), hex(expected));
    }
    // Two writes in one delivery are two requests, each answered.
    rig.client.reset();
    rig.client.write(P("F8 01 01") + P("F9 01 01"));
    QVERIFY(rig.client.waitFor(22));
    QCOMPARE(hex(rig.client.got()), hex(P("F8 00 01") + P("F9 00 01")));
    // The parameter clear is taken and not answered.
    QVERIFY(rig.silentTo(P("D5 01 00")));
    QCOMPARE(rig.q->parameterClears.size(), 1);
}

void TestQv7351Sim::readyNoticeOnCommand() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    for (uint8_t status : {uint8_t(1), uint8_t(2)}) {
        rig.client.reset();
        rig.q->sendNotice(status);
        QVERIFY(rig.client.waitFor(10));
        QCOMPARE(hex(rig.client.got()), hex(P("FD") + QByteArray(1, char(status))));
    }
}

void TestQv7351Sim::phoneTable() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    SimPhoneTable& t = rig.q->phoneTable;
    t.setNumbers({"13861234567", "13912345678"});
    QCOMPARE(hex(rig.client.ask(P("D9 01"), 132)),
             hex(P("D9 00 B9 02 01 38 61 23 45 67 01 39 12 34 56 78") + QByteArray(108, '\0')));

    // A write of one number replaces the table.
    QByteArray write = P("D9 02 5B 01 01 23 45 67 89 01") + QByteArray(165, '\0');
    QCOMPARE(write.size(), 183);
    QCOMPARE(hex(rig.client.ask(write, 16)), hex(P(QByteArray("\xD9\x00SETOK:", 8))));
    QCOMPARE(t.numbers(), QStringList{"12345678901"});
    QCOMPARE(hex(rig.client.ask(P("D9 01"), 132)),
             hex(P("D9 00 5B 01 01 23 45 67 89 01") + QByteArray(114, '\0')));

    const struct {
        SimPhoneTable::Ack ack;
        const char* text;  // empty: no answer
        int countAfter;
    } clears[] = {
        {SimPhoneTable::Ack::Fail, "CLRFAIL:", 1},
        {SimPhoneTable::Ack::Silent, "", 1},
        {SimPhoneTable::Ack::Ok, "CLROK:", 0},
    };
    for (const auto& c : clears) {
        t.clearAck = c.ack;
        if (*c.text)
            QCOMPARE(hex(rig.client.ask(P("D9 04 01"), 10 + int(qstrlen(c.text)))),
                     hex(P(QByteArray("\xD9\x00", 2) + c.text)));
        else
            QVERIFY(rig.silentTo(P("D9 04 01")));
        QCOMPARE(int(t.count), c.countAfter);
    }
    t.writeAck = SimPhoneTable::Ack::Fail;
    QCOMPARE(hex(rig.client.ask(write, 18)), hex(P(QByteArray("\xD9\x00SETFAIL:", 10))));
    QCOMPARE(int(t.count), 0);
}

void TestQv7351Sim::rowReadsAndTheEndOfATable() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    SimQv7351Tables& tables = rig.q->tables;

    for (Table t : {Table::Input, Table::Command}) {
        const int size = SimQv7351Tables::payloadSize(t);
        const QByteArray c = codeByte(t);
        tables.setRowBody(t, 0, fromHex("11 22"));
        tables.setRowBody(t, 1, fromHex("33"));
        QCOMPARE(tables.rowCount(t), 2);

        // A stored row: index, L, sum, payload.
        QByteArray payload = fromHex("00 01 33").leftJustified(size, '\0');
        payload[0] = char(0x34);
        QCOMPARE(tables.row(t, 1), payload);
        QByteArray expected = P(c + fromHex("00"));
        expected.append(char(size & 0xFF));
        expected.append(char(size >> 8));
        expected.append(payload);
        QCOMPARE(hex(rig.client.ask(P(c + fromHex("02 01")), int(expected.size()))), hex(expected));

        // A payload kept as given: a wrong sum goes out as it is.
        tables.setRow(t, 1, fromHex("FF 01 33"));
        QCOMPARE(hex(rig.client.ask(P(c + fromHex("02 01")), 15)), hex(P(c + fromHex("00 03 00 FF 01 33"))));
        // An answer that announces more than it carries.
        tables.state(t).lengthOverride = 0x0104;
        QCOMPARE(hex(rig.client.ask(P(c + fromHex("02 01")), 15)), hex(P(c + fromHex("00 04 01 FF 01 33"))));
        tables.state(t).lengthOverride.reset();

        // Past the last row, and at index 64, each end as chosen.
        const struct {
            SimQv7351Tables::End end;
            int length;  // -1: silence
        } ends[] = {
            {SimQv7351Tables::End::Short, 12},
            {SimQv7351Tables::End::ZeroLength, 12 + size},
            {SimQv7351Tables::End::Silence, -1},
        };
        for (const auto& e : ends) {
            tables.state(t).end = e.end;
            for (const char* index : {"02 02", "02 40"}) {
                const QByteArray request = P(c + fromHex(index));
                if (e.length < 0) {
                    QVERIFY(rig.silentTo(request));
                    continue;
                }
                const QByteArray got = rig.client.ask(request, e.length);
                QCOMPARE(hex(got), hex(P(c + QByteArray(e.length - 9, '\0'))));
            }
        }
        // Reads can be left unanswered altogether.
        tables.state(t).answerReads = false;
        QVERIFY(rig.silentTo(P(c + fromHex("02 00"))));
        QCOMPARE(tables.state(t).reads, 10);
    }
    // The two tables are apart.
    tables.clear(Table::Input);
    QCOMPARE(tables.rowCount(Table::Input), 0);
    QCOMPARE(tables.rowCount(Table::Command), 2);
}

void TestQv7351Sim::rowWrites() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    SimQv7351Tables& tables = rig.q->tables;
    for (Table t : {Table::Input, Table::Command}) {
        const QByteArray c = codeByte(t);
        const QByteArray ok5 = P(c + QByteArray("\x00SETOK:05", 9));
        const QByteArray fail = P(c + QByteArray("\x00SETFAIL:", 9));

        QByteArray good = rowWrite(t, 5, fromHex("01 02 03"));
        QByteArray badSum = good;
        badSum[11] = char(badSum.at(11) + 1);
        QByteArray twoIndices = good;
        twoIndices[12] = char(6);
        twoIndices[11] = char(sum(twoIndices, 12));
        const QByteArray past = rowWrite(t, 64, {});

        const struct {
            const char* name;
            QByteArray frame;
            QByteArray answer;
            bool stored;
        } cases[] = {
            {"bad sum", badSum, fail, false},
            {"indices differ", twoIndices, fail, false},
            {"index 64", past, fail, false},
            {"sound", good, ok5, true},
        };
        for (const auto& w : cases) {
            tables.clear(t);
            QCOMPARE(hex(rig.client.ask(w.frame, int(w.answer.size()))), hex(w.answer));
            QVERIFY2(tables.row(t, 5).isEmpty() != w.stored, w.name);
        }
        QCOMPARE(tables.row(t, 5), good.mid(11));

        // Refusals chosen by the test: one row, or all, refused or unanswered.
        tables.state(t).rowAcks.insert(1, SimQv7351Tables::Ack::Fail);
        QCOMPARE(hex(rig.client.ask(rowWrite(t, 1, {}), 18)), hex(fail));
        QVERIFY(tables.row(t, 1).isEmpty());
        QCOMPARE(hex(rig.client.ask(rowWrite(t, 0, {}), 18)), hex(P(c + QByteArray("\x00SETOK:00", 9))));
        tables.state(t).writeAck = SimQv7351Tables::Ack::Silent;
        QVERIFY(rig.silentTo(rowWrite(t, 2, {})));
        QVERIFY(tables.row(t, 2).isEmpty());
        tables.state(t).writeAck = SimQv7351Tables::Ack::Ok;
        QCOMPARE(hex(rig.client.ask(rowWrite(t, 63, {}), 18)), hex(P(c + QByteArray("\x00SETOK:63", 9))));
        QCOMPARE(tables.state(t).writes, 8);
    }
}

void TestQv7351Sim::goldenCommandRowRoundTrip() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    // A command row as the program sends it, stored and read back.
    const QByteArray frame =
        SimSupport::zerosWith(139, {{0, "1A 2A 3A 4A 5A 6A 7A 8A A9 01 01 DF 01 01 01 00"},
                                    {16, "01 04 06 08 02 00 00 01 00 01 01 05 04 01 03 2B"},
                                    {32, "2D 03 02 04 82 00 00 01 10 00 02 4F 4B"},
                                    {89, "62 53 5F 00 96 00 95 E8"}});
    QCOMPARE(hex(rig.client.ask(frame, 18)), hex(P(QByteArray("\xA9\x00SETOK:01", 10))));
    QCOMPARE(hex(rig.client.ask(P("A9 02 01"), 140)), hex(P("A9 00 80 00") + frame.mid(11)));
    QCOMPARE(rig.q->tables.rowCount(Table::Command), 0);  // row 0 is still missing
    QCOMPARE(rig.q->tables.rowCount(Table::Input), 0);
}

void TestQv7351Sim::tableClears() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    SimQv7351Tables& tables = rig.q->tables;
    const struct {
        SimQv7351Tables::Ack ack;
        const char* text;
        bool emptied;
    } cases[] = {
        {SimQv7351Tables::Ack::Fail, "CLRFAIL:", false},
        {SimQv7351Tables::Ack::Silent, "", false},
        {SimQv7351Tables::Ack::Ok, "CLROK:", true},
    };
    for (Table t : {Table::Input, Table::Command}) {
        const QByteArray c = codeByte(t);
        for (const auto& k : cases) {
            tables.setRowBody(Table::Input, 0, "x");
            tables.setRowBody(Table::Command, 0, "y");
            tables.state(t).clearAck = k.ack;
            const QByteArray request = P(c + fromHex("04 01"));
            if (*k.text)
                QCOMPARE(hex(rig.client.ask(request, 10 + int(qstrlen(k.text)))),
                         hex(P(c + QByteArray(1, '\0') + k.text)));
            else
                QVERIFY(rig.silentTo(request));
            QCOMPARE(tables.rowCount(t), k.emptied ? 0 : 1);
            // Only the table named is cleared.
            QCOMPARE(tables.rowCount(t == Table::Input ? Table::Command : Table::Input), 1);
        }
        QCOMPARE(tables.state(t).clears, 3);
    }
}

void TestQv7351Sim::collectionSettings() {
    Rig rig;
    QVERIFY2(rig.fx.ok(), qPrintable(rig.fx.error()));
    SimCollection& col = rig.q->collection;
    const QByteArray ok = P(QByteArray("\xA8\x00SETOK:00", 10));
    const QByteArray fail = P(QByteArray("\xA8\x00SETFAIL:", 10));
    const struct {
        QByteArray write;
        QByteArray answer;
        const char* readBack;
    } cases[] = {
        {P("A8 F1 00 9F 96 00 00 00 05 03 01") + QByteArray(7, '\0'), ok, "A8 00 07 00 96 00 00 00 05 03 01"},
        {P("A8 F1 00 69 00 D6 83 00 06 0A 00") + QByteArray(7, '\0'), ok, "A8 00 07 00 00 D6 83 00 06 0A 00"},
        // A wrong sum is refused and changes nothing.
        {P("A8 F1 00 00 00 00 00 00 00 0B 02") + QByteArray(7, '\0'), fail,
         "A8 00 07 00 00 D6 83 00 06 0A 00"},
        {P("A8 F1 00 0D 00 00 00 00 00 0B 02") + QByteArray(7, '\0'), ok, "A8 00 07 00 00 00 00 00 00 0B 02"},
    };
    for (const auto& c : cases) {
        QCOMPARE(hex(rig.client.ask(c.write, int(c.answer.size()))), hex(c.answer));
        QCOMPARE(hex(rig.client.ask(P("A8 F2"), 19)), hex(P(c.readBack)));
    }
    QCOMPARE(col.periodUnits, 0u);
    QCOMPARE(int(col.resends), 11);

    // Test-chosen answers: a refusal, silence, a length that does not fit.
    col.writeAck = SimCollection::Ack::Fail;
    QCOMPARE(hex(rig.client.ask(cases[0].write, 18)), hex(fail));
    col.writeAck = SimCollection::Ack::Silent;
    QVERIFY(rig.silentTo(cases[0].write));
    QCOMPARE(hex(rig.client.ask(P("A8 F2"), 19)), hex(P(cases[3].readBack)));
    col.lengthOverride = 9;
    QCOMPARE(hex(rig.client.ask(P("A8 F2"), 19)), hex(P("A8 00 09 00 00 00 00 00 00 0B 02")));
    col.answerReads = false;
    QVERIFY(rig.silentTo(P("A8 F2")));
    // The collection requests are not row requests.
    QCOMPARE(rig.q->tables.state(Table::Input).reads, 0);
    QCOMPARE(rig.q->tables.state(Table::Input).writes, 0);
}

QTEST_GUILESS_MAIN(TestQv7351Sim)
#include "tst_qv7351sim.moc"
