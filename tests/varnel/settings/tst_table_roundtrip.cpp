// Random rows of both module tables, edge values of every field, both
// languages, texts at their limits and every list item, must survive
// everything an installer does with them: a row that fits is written to the
// module, read back and written again unchanged (cell for cell, byte for
// byte), and opening it in its editor and pressing OK changes nothing; a
// row that does not fit is refused before anything is sent.
//
// SMSTOOLS_ROUNDTRIP_ROWS sets the rows per table (default 10), and
// SMSTOOLS_ROUNDTRIP_SEED the seed (default: a new one, printed when a
// check fails). scripts/fuzz.sh --long runs it with many more rows.

#include <QPushButton>
#include <QRandomGenerator>

#include "TableRig.h"
#include "core/protocol/CellReading.h"
#include "core/protocol/HexText.h"
#include "core/protocol/ValueLists.h"
#include "core/protocol/CheckCode.h"
#include "varnel/editors/ChannelEditor.h"
#include "varnel/editors/OutputFrameEditor.h"

using namespace TableRig;
using namespace protocol;

namespace {

// Rows of faults still open are left out of the generator; a fault's flag
// turns true once it is mended, and SMSTOOLS_ROUNDTRIP_MENDED (names
// separated by ",") turns flags on without a rebuild.
struct Mended {
    bool threeDigitKindCount = true;   // Asc100 / Hex120 heads refused like 51-99
    bool exactLimits = true;           // limits of 2-4 decimals and over 7 digits
    bool longEnglishSegments = true;   // English segments over 40 characters survive the editor
    bool switchTextsFit = true;        // switch texts over 16 bytes refused
    bool unsignedAutoUpload = true;    // 32768-65535 read back as sent, above refused
    bool editorDoValues = true;        // "00" / "按指令输出" survive Form3 (not in its list)
    bool commaFromModule = true;       // a module's 2C in an Asc head reads back as 16 fields
    bool moduleOutputValues = true;    // Form3 keeps digits over 10, empty and two-byte Asc heads
    bool channelBeyondTyping = true;   // decimals 5-6, value lengths and check bytes past what Form2 lets be typed

    static Mended fromEnvironment() {
        Mended m;
        const QStringList on = qEnvironmentVariable("SMSTOOLS_ROUNDTRIP_MENDED").split(QLatin1Char(','));
        const auto flag = [&](const char* name, bool& b) { b = b || on.contains(QLatin1String(name)); };
        flag("threeDigitKindCount", m.threeDigitKindCount);
        flag("exactLimits", m.exactLimits);
        flag("longEnglishSegments", m.longEnglishSegments);
        flag("switchTextsFit", m.switchTextsFit);
        flag("unsignedAutoUpload", m.unsignedAutoUpload);
        flag("editorDoValues", m.editorDoValues);
        flag("commaFromModule", m.commaFromModule);
        flag("moduleOutputValues", m.moduleOutputValues);
        flag("channelBeyondTyping", m.channelBeyondTyping);
        return m;
    }
};

const QString kChinese = QStringLiteral("你好温度报警开关阀门湿压力上下限");
const QString kPrintable = [] {
    QString s;
    for (char16_t c = 0x20; c < 0x7F; ++c) s += QChar(c);
    return s;
}();

struct Gen {
    QRandomGenerator rng;
    Mended mended;

    int uniform(int lo, int hi) { return int(rng.bounded(qint64(lo), qint64(hi) + 1)); }
    // Ends of the range half of the time.
    int edge(int lo, int hi) {
        switch (rng.bounded(4)) {
            case 0: return lo;
            case 1: return hi;
            default: return uniform(lo, hi);
        }
    }
    bool coin() { return rng.bounded(2) == 0; }
    QString item(const QStringList& items) { return items.at(uniform(0, int(items.size()) - 1)); }
    QString chars(const QString& alphabet, int n) {
        QString s;
        for (int i = 0; i < n; ++i) s += alphabet.at(uniform(0, int(alphabet.size()) - 1));
        return s;
    }
    QString hexPairs(int n) {
        QString s;
        for (int i = 0; i < n; ++i) s += ByteToHex2(uint8_t(uniform(0, 255))) + QLatin1Char(' ');
        return s;
    }
    // A text of exactly `bytes` code-page bytes (one- and two-byte characters).
    QString codePageText(int bytes, const QString& alphabet) {
        QString s;
        while (bytes > 0) {
            if (bytes >= 2 && coin()) {
                s += chars(kChinese, 1);
                bytes -= 2;
            } else {
                s += chars(alphabet, 1);
                bytes -= 1;
            }
        }
        return s;
    }
    // The limit text of v scaled by ten d times, written exactly.
    static QString limitText(qint64 v, int d) {
        QString s = QString::number(qAbs(v)).rightJustified(d + 1, QLatin1Char('0'));
        if (d > 0) {
            s.insert(s.size() - d, QLatin1Char('.'));
            while (s.endsWith(QLatin1Char('0'))) s.chop(1);
            if (s.endsWith(QLatin1Char('.'))) s.chop(1);
        }
        return v < 0 ? QLatin1Char('-') + s : s;
    }

    struct Row {
        ChannelRecord channel;
        CommandRecord command;
        bool fits = true;  // false: the row must be refused
        int commaAt = -1;  // the module turns this payload byte of an Asc head into 2C
    };

    Row channel(int index) {
        Row r;
        ChannelRecord& c = r.channel;
        c[1] = channelLabel(index);
        for (int col : {2, 3, 7, 10, 13, 17}) c[size_t(col)] = QString::number(edge(0, 255));
        const bool english = coin();
        c[4] = english ? QStringLiteral("英文") : QStringLiteral("汉字");
        const uint32_t masks[] = {0, 0xFFFFFF, uint32_t(uniform(1, 0xFFFFFE))};
        c[5] = phoneMaskText(masks[uniform(0, 2)]);
        int upload = edge(0, mended.unsignedAutoUpload ? 65535 : 32767);
        if (mended.unsignedAutoUpload && rng.bounded(8) == 0) {
            upload = edge(65536, 70000);
            r.fits = false;
        }
        c[6] = QString::number(upload);
        c[8] = ByteToHex2(uint8_t(edge(0, 255)));
        c[9] = ByteToHex2(uint8_t(edge(0, 255)));
        // Typing keeps 0-4 decimals, 0-10 value bytes and 0-3 check bytes;
        // the module holds up to 6 decimals and a byte of each.
        const bool beyond = mended.channelBeyondTyping;
        const int d = edge(0, beyond ? 6 : mended.exactLimits ? 4 : 1);
        c[11] = QString::number(d);
        c[12] = item(valueTypeItems());
        c[14] = QString::number(edge(0, beyond ? 255 : 10));
        c[15] = item(checkMethodItems());
        c[16] = QString::number(edge(0, beyond ? 255 : 3)) + QStringLiteral("字节");
        c[18] = item(protocolItems());
        c[19] = item(dataFormatItems());
        c[20] = item(byteSortItems());
        const int bit = uniform(0, 8);
        c[21] = bitItems().at(bit) + (bit == 8 ? QLatin1Char(',') + ByteToHex2(uint8_t(edge(0, 255))) : QString());
        for (int col : {23, 24}) {
            const qint64 v = mended.exactLimits ? edge(INT32_MIN, INT32_MAX) : edge(-999999, 999999);
            c[size_t(col)] = limitText(v, d);
        }
        const int headPos = coin() ? 0 : edge(1, 255);
        c[22] = QString::number(headPos);
        if (headPos > 0) {
            c[25] = hexPairs(edge(0, 8));
            c[26] = hexPairs(edge(0, 40));
        } else if (coin()) {
            c[25] = ByteToHex2(uint8_t(edge(0x81, 0xFF)));  // bound: no command of its own
        } else {
            c[26] = hexPairs(edge(0, 40));
        }
        for (int col : {27, 28}) {
            int bytes = edge(1, 16);
            if (mended.switchTextsFit && rng.bounded(8) == 0) {
                bytes = 17;
                r.fits = false;
            }
            c[size_t(col)] = english ? codePageText(bytes, kPrintable)
                                     : chars(kChinese + QStringLiteral("AZaz09 :"), (bytes + 1) / 2);
        }
        // Segments: 120 bytes in all; a Chinese one at most 30 characters,
        // an English one as long as the editor keeps it.
        SmsColumn sms;
        int room = english ? 120 : 60;
        QStringList links;
        for (int i = 0; i < kSmsSegments; ++i) {
            const int most = english ? (mended.longEnglishSegments ? 120 : 40) : 30;
            const int n = qMin(edge(0, most), room);
            sms.segments[size_t(i)] = english ? chars(kPrintable, n) : chars(kChinese + QStringLiteral("AZ09 ,:"), n);
            room -= n;
            sms.lineBreaks[size_t(i)] = coin();
            links << item(linkValueItems());
        }
        c[29] = smsColumnText(sms);
        c[30] = links.join(QLatin1Char(','));
        return r;
    }

    Row command(int index) {
        Row r;
        CommandRecord& c = r.command;
        c[1] = channelLabel(index);
        const bool english = coin();
        c[2] = languageItems().at(english ? 1 : 0);
        c[3] = english ? codePageText(edge(0, 50), kPrintable) : chars(kChinese + QStringLiteral("AZ09 ,"), edge(0, 25));
        c[4] = item(smsReplyItems());
        c[5] = item(operationObjectItems());
        c[6] = item(linkValueOutItems());
        c[7] = item(readWriteItems());
        c[9] = item(channelItems());
        OutputFrameRecord o;
        o[OutputField::Protocol] = item(protocolItems());
        o[OutputField::DataFormat] = item(dataFormatItems());
        o[OutputField::ByteSort] = item(byteSortItems());
        o[OutputField::ValueType] = item(valueTypeItems());
        o[OutputField::ValueStart] = QString::number(edge(0, 255));
        o[OutputField::IntegerDigits] = QString::number(edge(0, mended.moduleOutputValues ? 255 : 10));
        o[OutputField::Decimals] = QString::number(edge(0, mended.moduleOutputValues ? 255 : 4));
        o[OutputField::DoValue] = mended.editorDoValues ? item(doValueItems()) : item({"0", "1", "FF"});
        o[OutputField::PositiveSign] = signFieldText(uint8_t(edge(0, 255)));
        o[OutputField::NegativeSign] = signFieldText(uint8_t(edge(0, 255)));
        o[OutputField::CheckMethod] = item(checkMethodItems());
        o[OutputField::CheckBytes] = QString::number(edge(0, 255));
        // Head and tail share 50 bytes; a three-digit count is over them.
        const int h = edge(0, 50);
        int t = edge(0, 50 - h);
        if (mended.threeDigitKindCount && rng.bounded(8) == 0) {
            t = edge(100, 127);
            r.fits = false;
        }
        // "，" is how a character head holds the byte 2C.
        const QString ascChars = QString(kPrintable).remove(QLatin1Char(',')) +
                                 (mended.commaFromModule ? QStringLiteral("\uFF0C") : QString());
        // A character head or tail may hold two-byte characters, or be empty.
        bool singleByteHead = true;
        for (auto [kind, text, n] : {std::tuple{OutputField::HeadKind, OutputField::HeadText, h},
                                     std::tuple{OutputField::TailKind, OutputField::TailText, t}}) {
            const bool asc = (n > 0 || mended.moduleOutputValues) && coin();
            const bool wide = asc && mended.moduleOutputValues && coin();
            o[size_t(kind)] = kindFieldText(asc, n);
            o[size_t(text)] = !asc ? hexPairs(n) : wide ? codePageText(n, ascChars) : chars(ascChars, n);
            if (kind == OutputField::HeadKind) singleByteHead = !wide;
        }
        if (mended.commaFromModule && h > 0 && singleByteHead && isAscKindField(o[OutputField::HeadKind]) &&
            coin())
            r.commaAt = 28 + uniform(0, h - 1);
        c[8] = joinOutputFrame(o);
        return r;
    }
};

int rowsPerTable() {
    const int n = qEnvironmentVariableIntValue("SMSTOOLS_ROUNDTRIP_ROWS");
    return n > 0 ? n : 10;
}

quint32 seedOf() {
    bool ok = false;
    const quint32 s = qEnvironmentVariable("SMSTOOLS_ROUNDTRIP_SEED").toUInt(&ok);
    return ok ? s : QRandomGenerator::global()->generate();
}

// A row with the editors' forms of its texts taken back to the module's.
ChannelRecord editorForms(ChannelRecord c) {
    c[ChannelCol::Head] = detail::withoutSpaces(c[ChannelCol::Head]);
    return c;
}
CommandRecord editorForms(CommandRecord c) {
    if (auto o = splitOutputFrame(c[CommandCol::OutputFrame])) {
        if ((*o)[OutputField::ValueType] == QStringLiteral("原值输出"))
            (*o)[OutputField::ValueType] = valueTypeItems().at(0);
        for (int k : {OutputField::HeadKind, OutputField::TailKind})
            if ((*o)[size_t(k)] == QStringLiteral("0000")) (*o)[size_t(k)] = kindFieldText(false, 0);
        c[CommandCol::OutputFrame] = joinOutputFrame(*o);
    }
    return c;
}

template <size_t N>
QString firstDifference(const std::array<QString, N>& want, const std::array<QString, N>& got) {
    for (size_t c = 1; c < N; ++c)
        if (want[c] != got[c])
            return QStringLiteral("col %1: expected \"%2\", got \"%3\"").arg(c).arg(want[c], got[c]);
    return QString();
}

}  // namespace

class TestTableRoundTrip : public QObject {
    Q_OBJECT

    quint32 seed = 0;

private slots:
    void init() { seed = seedOf(); }
    void cleanup() {
        if (QTest::currentTestFailed())
            qWarning("SMSTOOLS_ROUNDTRIP_SEED=%u SMSTOOLS_ROUNDTRIP_ROWS=%d reproduces it", seed, rowsPerTable());
    }
    void moduleRoad_data();
    void moduleRoad();
    void editorRoad_data();
    void editorRoad();
    void editorDuringRead();
};

void TestTableRoundTrip::moduleRoad_data() {
    QTest::addColumn<bool>("input");
    QTest::newRow("input table") << true;
    QTest::newRow("command table") << false;
}

// grid -> frame -> module -> read-back -> grid -> frame, a whole table at a
// time (up to 64 rows a batch).
void TestTableRoundTrip::moduleRoad() {
    QFETCH(bool, input);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    f->transfers->setIntervals(5000, 10);
    FlexGrid* grid = input ? f->inputTab->MSGrid2 : f->commandTab->MSGrid1;
    const Tables::Table table = input ? Tables::Table::Input : Tables::Table::Command;
    Gen gen{QRandomGenerator(seed), Mended::fromEnvironment()};

    for (int left = rowsPerTable(); left > 0;) {
        // Rows that do not fit are refused by the serialiser the form uses;
        // the ones that fit make up the next table.
        std::vector<Gen::Row> rows;
        while (left > 0 && rows.size() < 64) {
            --left;
            const int index = int(rows.size());
            Gen::Row r = input ? gen.channel(index) : gen.command(index);
            const RowWrite w = input ? channelRowFrame(r.channel, index) : commandRowFrame(r.command, index);
            const QString cells = input ? QStringList(r.channel.begin(), r.channel.end()).join(QLatin1Char('|'))
                                        : QStringList(r.command.begin(), r.command.end()).join(QLatin1Char('|'));
            QVERIFY2(w.refused() == !r.fits, qPrintable((r.fits ? QStringLiteral("refused (") + w.message +
                                                                      QStringLiteral("): ")
                                                                : QStringLiteral("sent: ")) +
                                                         cells));
            if (r.fits) rows.push_back(r);
        }
        if (rows.empty()) continue;
        h.module->tables.clear(table);
        grid->setRows(1);
        for (size_t i = 0; i < rows.size(); ++i) {
            if (input)
                putRow(grid, int(i) + 1, rows[i].channel);
            else
                putRow(grid, int(i) + 1, rows[i].command);
        }
        grid->setRow(1);
        QTest::mouseClick(input ? f->inputTab->Command13 : f->commandTab->Command13, Qt::LeftButton);
        QVERIFY(waitIdle(f, 120000));
        QCOMPARE(h.module->tables.rowCount(table), int(rows.size()));
        // A comma no grid row can hold reaches the grid from the module.
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].commaAt < 0) continue;
            QByteArray p = h.module->tables.row(table, int(i));
            p[rows[i].commaAt] = ',';
            h.module->tables.setRowBody(table, int(i), p.mid(2));
        }
        QTest::mouseClick(input ? f->inputTab->Command23 : f->commandTab->Command23, Qt::LeftButton);
        QVERIFY(waitIdle(f, 120000));
        QCOMPARE(grid->Rows(), int(rows.size()) + 1);
        for (size_t i = 0; i < rows.size(); ++i) {
            const int index = int(i);
            const QByteArray stored = h.module->tables.row(table, index);
            if (input) {
                const ChannelRecord back = rowOf<31>(grid, index + 1);
                QVERIFY2(back == rows[i].channel, qPrintable(firstDifference(rows[i].channel, back)));
                QCOMPARE(SimSupport::hex(channelRowFrame(back, index).frame.mid(11)), SimSupport::hex(stored));
            } else {
                const CommandRecord back = rowOf<10>(grid, index + 1);
                if (rows[i].commaAt < 0)
                    QVERIFY2(back == rows[i].command, qPrintable(firstDifference(rows[i].command, back)));
                QCOMPARE(SimSupport::hex(commandRowFrame(back, index).frame.mid(11)), SimSupport::hex(stored));
            }
        }
    }
}

void TestTableRoundTrip::editorRoad_data() { moduleRoad_data(); }

// Opening a row in its editor and pressing OK leaves the row as it was: its
// frame byte for byte, its cells but for the editors' own forms of a text
// (a head without blanks, an empty head or tail as 0000, item 0 of the value
// type in ASCII format as 原值输出).
void TestTableRoundTrip::editorRoad() {
    QFETCH(bool, input);
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    FlexGrid* grid = input ? f->inputTab->MSGrid2 : f->commandTab->MSGrid1;
    f->SSTab1->setCurrentIndex(input ? 3 : 4);
    Gen gen{QRandomGenerator(seed), Mended::fromEnvironment()};
    // Each row in turn takes the next of the 64 grid rows, the ones before
    // it staying for the editor's list of channels to bind to.
    for (int k = 0; k < rowsPerTable(); ++k) {
        const int i = k % 64, row = i + 1;
        Gen::Row r = input ? gen.channel(i) : gen.command(i);
        if (!r.fits) continue;
        if (input)
            putRow(grid, row, r.channel);
        else
            putRow(grid, row, r.command);
        grid->setRow(row);
        if (input) {
            const ChannelRecord want = editorForms(r.channel);
            emit grid->gridDoubleClicked();
            QPointer<ChannelEditor> ed = h.main().findChild<ChannelEditor*>();
            QVERIFY(ed);
            QVERIFY(QTest::qWaitFor([&] { return ed && ed->loaded(); }, 5000));
            QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
            QVERIFY(QTest::qWaitFor([&] { return !ed; }, 5000));
            const ChannelRecord got = editorForms(rowOf<31>(grid, row));
            QVERIFY2(got == want, qPrintable(QStringLiteral("CH%1 ").arg(i) + firstDifference(want, got)));
            QCOMPARE(SimSupport::hex(channelRowFrame(rowOf<31>(grid, row), i).frame),
                     SimSupport::hex(channelRowFrame(r.channel, i).frame));
        } else {
            const CommandRecord want = editorForms(r.command);
            grid->scrollTo(grid->model()->index(row - 1, 8));
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                               grid->visualRect(grid->model()->index(row - 1, 8)).center());
            QPointer<OutputFrameEditor> ed = h.main().findChild<OutputFrameEditor*>();
            QVERIFY(ed);
            auto* timer = ed->findChild<VbTimer*>(QStringLiteral("Timer1"));
            QVERIFY(QTest::qWaitFor([&] { return ed && !timer->enabled() && !ed->isLoading(); }, 5000));
            QTest::mouseClick(ed->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
            QVERIFY(QTest::qWaitFor([&] { return !ed; }, 5000));
            const CommandRecord got = editorForms(rowOf<10>(grid, row));
            QVERIFY2(got == want, qPrintable(QStringLiteral("CH%1 ").arg(i) + firstDifference(want, got)));
            QCOMPARE(SimSupport::hex(commandRowFrame(rowOf<10>(grid, row), i).frame),
                     SimSupport::hex(commandRowFrame(r.command, i).frame));
        }
    }
}

// The editor opened on a row while the rest of the table is still being
// read: OK writes the row back as the module holds it, whatever the rows read
// after it hold (their phone masks above all).
void TestTableRoundTrip::editorDuringRead() {
    VarnelHarness h;
    QVERIFY(h.connectToForm());
    SettingsForm* f = h.form();
    FlexGrid* grid = f->inputTab->MSGrid2;
    f->SSTab1->setCurrentIndex(3);
    Gen gen{QRandomGenerator(seed), Mended::fromEnvironment()};
    const uint32_t masks[] = {0x30005, 0xFFFFFF, 0x12, 0, 0xFFFFFF, 0};
    std::vector<ChannelRecord> rows;
    while (rows.size() < std::size(masks)) {
        const int i = int(rows.size());
        Gen::Row r = gen.channel(i);
        if (!r.fits) continue;
        r.channel[ChannelCol::Phones] = phoneMaskText(masks[i]);
        h.module->tables.setRowBody(Tables::Table::Input, i, channelRowFrame(r.channel, i).frame.mid(13));
        rows.push_back(r.channel);
    }
    QTest::mouseClick(f->inputTab->Command23, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return grid->Rows() >= 3; }, 20000));
    grid->setRow(2);
    emit grid->gridDoubleClicked();
    QPointer<ChannelEditor> ed = h.main().findChild<ChannelEditor*>();
    QVERIFY(ed);
    QVERIFY(QTest::qWaitFor([&] { return ed && ed->loaded(); }, 5000));
    QVERIFY(waitIdle(f));
    QCOMPARE(grid->Rows(), int(rows.size()) + 1);
    QTest::mouseClick(ed->Command1[0], Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return !ed; }, 5000));
    const ChannelRecord got = editorForms(rowOf<31>(grid, 2));
    QVERIFY2(got == editorForms(rows[1]), qPrintable(firstDifference(editorForms(rows[1]), got)));
}

QTEST_MAIN(TestTableRoundTrip)
#include "tst_table_roundtrip.moc"
