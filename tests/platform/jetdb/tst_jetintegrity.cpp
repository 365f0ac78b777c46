// Whole-table guarantees: a read of a damaged file gives the exact table or
// an error naming file and table; an export killed at any moment leaves the
// old table or the new one; a batch that fails part-way writes nothing; and
// a writer facing a map it cannot change safely refuses before writing.

#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <atomic>
#include <csignal>
#include <thread>

#include "Jet4File.h"
#include "JetDb.h"
#include "JetTestUtil.h"

using jetdb::Record;
using jetdb::Value;
using namespace jettest;

namespace {

#ifdef JETDB_SANITIZED
constexpr int kDamages = 180;
constexpr int kKills = 40;
#else
constexpr int kDamages = 600;
constexpr int kKills = 150;
#endif

constexpr quint32 kInTdef = 8;
constexpr quint32 kOutTdef = 9;
constexpr int kPage = 4096;

QList<Record> rowsOf(int n, int width, int seed) {
    static const QString pool =
        QStringLiteral("报警通道采集数据上限下限短信内容号码表设备安装地点温度湿度压力开关量描述");
    QList<Record> rows;
    for (int r = 0; r < n; ++r) {
        Record rec{QStringLiteral("CH%1").arg(r)};
        for (int c = 1; c < width; ++c) {
            QString s = QStringLiteral("v%1.%2 ").arg(r).arg(c);
            for (int i = 0; i < (r + c + seed) % 9; ++i) s += pool[(r * 5 + c + i + seed) % pool.size()];
            rec << ((r + c) % 11 == 0 ? Value() : Value(s));
        }
        rows << rec;
    }
    return rows;
}

// The program's export: one batch of "delete all" and the appends.
QString exportBatch(const QString& file, const QString& table, const QList<Record>& rows) {
    jetdb::Error err;
    auto db = jetdb::Database::open(file, &err);
    if (!db || !db->beginTrans(&err)) return err.text;
    if (!db->execute(QStringLiteral("delete * from ") + table, &err)) return err.text;
    auto rs = db->openRecordset(QStringLiteral("select * from ") + table, &err);
    if (!rs) return err.text;
    for (const Record& r : rows) {
        rs->addNew();
        for (int c = 0; c < r.size(); ++c) rs->setField(c, r[c], &err);
        if (!rs->update(&err)) return err.text;
    }
    return db->commitTrans(&err) ? QString() : err.text;
}

struct Table {
    QStringList columns;
    QList<Record> rows;
    bool operator==(const Table& o) const { return columns == o.columns && rows == o.rows; }
};

// The import's read: the table, or the error text.
std::optional<Table> importTable(const QString& file, const QString& table, QString* why) {
    jetdb::Error err;
    auto db = jetdb::Database::open(file, &err);
    std::unique_ptr<jetdb::Recordset> rs;
    if (db) rs = db->openRecordset(QStringLiteral("select * from ") + table, &err);
    if (!rs) {
        *why = err.text;
        return std::nullopt;
    }
    Table t;
    for (int i = 0; i < rs->fieldCount(); ++i) t.columns << rs->fieldName(i);
    for (int i = 0; i < rs->recordCount(); ++i) t.rows << rs->record(i);
    return t;
}

// Byte ranges that describe the file rather than hold its texts: damage
// inside a stored text cannot be told from a text, by any reader.
QList<QPair<qsizetype, qsizetype>> structureRanges(const QByteArray& file) {
    QList<QPair<qsizetype, qsizetype>> out;
    out.append({0, 0x98});           // header
    out.append({1 * kPage, kPage});  // global usage map
    out.append({6 * kPage, kPage});  // usage maps of the tables
    out.append({7 * kPage, kPage});  // catalog rows
    for (quint32 tdef : {kInTdef, kOutTdef}) {
        const qsizetype at = qsizetype(tdef) * kPage;
        const int ncols = quint8(file[at + 45]) | (quint8(file[at + 46]) << 8);
        out.append({at, 63 + ncols * 25});  // definition and columns, not the names
    }
    for (qsizetype p = 11; p * kPage < file.size(); ++p) {
        const qsizetype at = p * kPage;
        if (file[at] != 0x01) continue;
        const int n = quint8(file[at + 12]) | (quint8(file[at + 13]) << 8);
        out.append({at, 14 + 2 * n});  // data page header and row offsets
    }
    return out;
}

QList<quint32> dataPagesOf(const QByteArray& file, quint32 tdef) {
    QList<quint32> out;
    for (qsizetype p = 11; p * kPage < file.size(); ++p) {
        const qsizetype at = p * kPage;
        if (file[at] == 0x01 && jetdb::detail::Image(file.mid(at, 8)).u32(4) == tdef) out << quint32(p);
    }
    return out;
}

}  // namespace

class TestJetIntegrity : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString put(const QString& name, const QByteArray& bytes) {
        const QString p = m_dir.filePath(name);
        writeAll(p, bytes);
        return p;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void damagedFilesReadExactlyOrNotAtAll() {
        // JETDB_DAMAGES=N runs N damaged files (the long run); the test
        // command's run is bounded.
        const int damages = qEnvironmentVariableIntValue("JETDB_DAMAGES") > 0
                                ? qEnvironmentVariableIntValue("JETDB_DAMAGES")
                                : kDamages;
        const QString base = put(QStringLiteral("base.mdb"), jetdb::templateBytes());
        QCOMPARE(exportBatch(base, QStringLiteral("iSMSx"), rowsOf(64, 30, 1)), QString());
        QCOMPARE(exportBatch(base, QStringLiteral("oSMSx"), rowsOf(64, 9, 2)), QString());
        const QByteArray good = readAll(base);
        // Another export of the same template, for pages taken from it.
        const QString other = put(QStringLiteral("other.mdb"), jetdb::templateBytes());
        QCOMPARE(exportBatch(other, QStringLiteral("iSMSx"), rowsOf(64, 30, 5)), QString());
        QCOMPARE(exportBatch(other, QStringLiteral("oSMSx"), rowsOf(64, 9, 6)), QString());
        const QByteArray foreign = readAll(other);
        QCOMPARE(dataPagesOf(foreign, kInTdef), dataPagesOf(good, kInTdef));
        QString why;
        const Table in = importTable(base, QStringLiteral("iSMSx"), &why).value();
        const Table out = importTable(base, QStringLiteral("oSMSx"), &why).value();
        QCOMPARE(in.rows.size(), 64);
        QCOMPARE(out.rows.size(), 64);
        const auto ranges = structureRanges(good);

        enum Kind {
            Flip, Truncate, ZeroPage, RowCount, Moved, UsageMap, ColumnNumber, TypeByte, DataSlot,
            IndexCount, ColumnCount, NameLength, RowOffset, CatalogRow, SwappedPages,
            ForeignPage, NameText, CellText, Kinds
        };
        const char* kindNames[Kinds] = {
            "flips", "truncation", "zeroed page", "row count", "moved row", "usage map",
            "column number", "type byte", "data slot", "index count", "column count", "name length",
            "row offset", "catalog row", "swapped pages", "foreign page", "name text", "cell text"};
        // No reader can tell these from valid data: Jet keeps no checksum.
        auto undetectable = [](Kind k) {
            return k == SwappedPages || k == ForeignPage || k == NameText || k == CellText;
        };
        auto structural = [](Kind k) {
            return k == RowCount || k == Moved || (k >= ColumnNumber && k <= NameLength);
        };
        std::atomic<int> next{0};
        std::atomic<int> exact[Kinds] = {}, refused[Kinds] = {}, different[Kinds] = {};
        QMutex lock;
        QStringList wrong;
        auto worker = [&](int id) {
            const QString file = m_dir.filePath(QStringLiteral("damaged-%1.mdb").arg(id));
            for (int i = next++; i < damages; i = next++) {
                QRandomGenerator rng(quint32(4242 + i));
                const Kind kind = Kind(i % Kinds);
                const bool inTable = (i / Kinds) % 2 == 0;
                const quint32 tdef = inTable ? kInTdef : kOutTdef;
                QByteArray b = good;
                jetdb::detail::Image img(good);
                const jetdb::detail::TableDef def = img.readTableDef(tdef);
                const QList<quint32> pages = dataPagesOf(good, tdef);
                const int ncols = def.columns.size();
                const qsizetype colAt = qsizetype(tdef) * kPage + 63;  // no index entries
                auto byteChange = [&](qsizetype at) {
                    b[at] = char(quint8(b[at]) ^ (1 + rng.bounded(255)));
                };
                auto put16 = [&](qsizetype at, quint16 v) {
                    b[at] = char(v & 0xFF);
                    b[at + 1] = char(v >> 8);
                };
                auto get16 = [&](qsizetype at) { return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8)); };
                // A column field: swapped with another column's, or changed.
                auto columnField = [&](int field) {
                    const int k = int(rng.bounded(ncols));
                    const qsizetype at = colAt + k * 25 + field;
                    if (rng.bounded(2)) {
                        int j = int(rng.bounded(ncols - 1));
                        j += j >= k;
                        const quint16 a = get16(at), c = get16(colAt + j * 25 + field);
                        put16(at, c);
                        put16(colAt + j * 25 + field, a);
                    } else {
                        byteChange(at + rng.bounded(2));
                    }
                };
                auto nameAt = [&](int k) {
                    qsizetype at = colAt + ncols * 25;
                    for (int c = 0; c < k; ++c) at += 2 + get16(at);
                    return at;
                };
                switch (kind) {
                    case Flip:
                        for (int h = 1 + int(rng.bounded(3)); h > 0; --h) {
                            const auto& r = ranges[rng.bounded(ranges.size())];
                            const qsizetype at = r.first + rng.bounded(r.second);
                            b[at] = char(b[at] ^ (1 << rng.bounded(8)));
                        }
                        break;
                    case Truncate:
                        b.truncate(rng.bounded(2) ? qsizetype(rng.bounded(b.size() / kPage)) * kPage
                                                  : rng.bounded(b.size()));
                        break;
                    case ZeroPage: {
                        const qsizetype p = 1 + rng.bounded(b.size() / kPage - 1);
                        std::memset(b.data() + p * kPage, 0, kPage);
                        break;
                    }
                    case RowCount: {
                        const qsizetype at = qsizetype(tdef) * kPage + 16 + rng.bounded(2);
                        b[at] = char(quint8(b[at]) + 1 + rng.bounded(255));
                        break;
                    }
                    case Moved: {
                        const qsizetype at = qsizetype(pages[rng.bounded(pages.size())]) * kPage;
                        const int n = quint8(b[at + 12]);
                        const qsizetype off = at + 14 + 2 * rng.bounded(n) + 1;
                        b[off] = char(quint8(b[off]) | 0x40);
                        break;
                    }
                    case UsageMap: {
                        // The table's owned-page or free-space map, or the global map.
                        const int which = int(rng.bounded(3));
                        const quint32 ref = which == 0 ? def.ownedMap : which == 1 ? def.freeMap : (1u << 8);
                        qsizetype s = 0, e = 0;
                        img.rowBounds(ref >> 8, int(ref & 0xFF), &s, &e);
                        const qsizetype at = s + 5 + rng.bounded(e - s - 5);
                        b[at] = char(b[at] ^ (1 << rng.bounded(8)));
                        break;
                    }
                    case ColumnNumber:
                        columnField(5);
                        break;
                    case TypeByte:
                        byteChange(colAt + rng.bounded(ncols) * 25);
                        break;
                    case DataSlot:
                        columnField(7);
                        break;
                    case IndexCount:
                        byteChange(qsizetype(tdef) * kPage + 47 + rng.bounded(8));
                        break;
                    case ColumnCount:
                        byteChange(qsizetype(tdef) * kPage + 41 + rng.bounded(6));
                        break;
                    case NameLength:
                        byteChange(nameAt(int(rng.bounded(ncols))) + rng.bounded(2));
                        break;
                    case RowOffset: {
                        const qsizetype at = qsizetype(pages[rng.bounded(pages.size())]) * kPage;
                        const int n = quint8(b[at + 12]);
                        const qsizetype off = at + 14 + 2 * rng.bounded(n);
                        const quint16 v = get16(off);
                        put16(off, quint16((v & 0xE000) | ((v ^ (1u << rng.bounded(13))) & 0x1FFF)));
                        break;
                    }
                    case CatalogRow: {
                        // A bit of the table's own catalog row.
                        const QByteArray name = inTable ? QByteArray("i\0S\0M\0S\0x\0", 10)
                                                        : QByteArray("o\0S\0M\0S\0x\0", 10);
                        const qsizetype cat = 7 * kPage;
                        const QByteArray compressed = inTable ? QByteArray("\xFF\xFEiSMSx") : QByteArray("\xFF\xFEoSMSx");
                        qsizetype hit = good.indexOf(compressed, cat);
                        if (hit < 0 || hit >= cat + kPage) hit = good.indexOf(name, cat);
                        if (hit < cat || hit >= cat + kPage) qFatal("no catalog row for the table");
                        const jetdb::detail::Image page(good.mid(cat, kPage));
                        qsizetype s = 0, e = 0;
                        for (int r = 0; r < page.rowCountOnPage(0); ++r)
                            if (page.rowBounds(0, r, &s, &e) && s <= hit - cat && hit - cat < e) break;
                        const qsizetype at = cat + s + rng.bounded(e - s);
                        b[at] = char(b[at] ^ (1 << rng.bounded(8)));
                        break;
                    }
                    case SwappedPages: {
                        const qsizetype n = b.size() / kPage;
                        const qsizetype p = 1 + rng.bounded(n - 1);
                        qsizetype q = 1 + rng.bounded(n - 2);
                        q += q >= p;
                        const QByteArray a = b.mid(p * kPage, kPage);
                        b.replace(p * kPage, kPage, b.mid(q * kPage, kPage));
                        b.replace(q * kPage, kPage, a);
                        break;
                    }
                    case ForeignPage: {
                        const qsizetype p = pages[rng.bounded(pages.size())];
                        b.replace(p * kPage, kPage, foreign.mid(p * kPage, kPage));
                        break;
                    }
                    case NameText: {
                        const qsizetype at = nameAt(int(rng.bounded(ncols)));
                        const qsizetype hit = at + 2 + rng.bounded(get16(at));
                        b[hit] = char(b[hit] ^ (1 << rng.bounded(8)));
                        break;
                    }
                    case CellText: {
                        // A bit inside a row's stored texts.
                        const quint32 p = pages[rng.bounded(pages.size())];
                        qsizetype s = 0, e = 0;
                        img.rowBounds(p, int(rng.bounded(img.rowCountOnPage(p))), &s, &e);
                        const qsizetype mask = e - (ncols + 7) / 8;
                        const int varSlots = img.u16(mask - 2);
                        const qsizetype eod = s + img.u16(mask - 4 - 2 * varSlots);
                        const qsizetype at = s + 2 + rng.bounded(eod - s - 2);
                        b[at] = char(b[at] ^ (1 << rng.bounded(8)));
                        break;
                    }
                    case Kinds:
                        break;
                }
                writeAll(file, b);
                const QString table = inTable ? QStringLiteral("iSMSx") : QStringLiteral("oSMSx");
                QString err;
                const std::optional<Table> got = importTable(file, table, &err);
                QMutexLocker l(&lock);
                if (got && *got == (inTable ? in : out)) {
                    ++exact[kind];
                } else if (got) {
                    ++different[kind];
                    if (!undetectable(kind))
                        wrong << QStringLiteral("damage %1 (%2): a different table of %3 rows")
                                     .arg(i)
                                     .arg(QString::fromLatin1(kindNames[kind]))
                                     .arg(got->rows.size());
                } else if (err.isEmpty() || !err.contains(QFileInfo(file).fileName()) ||
                           (structural(kind) && !err.contains(table))) {
                    wrong << QStringLiteral("damage %1: error does not name the file and table: %2").arg(i).arg(err);
                } else {
                    ++refused[kind];
                }
            }
        };
        std::vector<std::thread> threads;
        for (int w = 0; w < 4; ++w) threads.emplace_back(worker, w);
        for (auto& t : threads) t.join();
        int totalExact = 0, totalRefused = 0, totalDifferent = 0;
        for (int k = 0; k < Kinds; ++k) {
            qInfo("%-15s exact %4d, error %4d, different table %4d", kindNames[k], exact[k].load(),
                  refused[k].load(), different[k].load());
            totalExact += exact[k];
            totalRefused += refused[k];
            totalDifferent += different[k];
        }
        qInfo("%d damaged reads: %d exact tables, %d errors, %d different tables", damages, totalExact,
              totalRefused, totalDifferent);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join(QLatin1Char('\n'))));
        // Damage to what the table's shape rests on never goes unseen.
        for (int k = 0; k < Kinds; ++k)
            if (structural(Kind(k))) QVERIFY2(exact[k].load() == 0, kindNames[k]);
        QVERIFY(refused[Flip].load() > 0);
    }

    void errorsNameFileAndTable() {
        QByteArray b = readAll(put(QStringLiteral("n.mdb"), jetdb::templateBytes()));
        const QString file = put(QStringLiteral("rowcount.mdb"), b);
        QCOMPARE(exportBatch(file, QStringLiteral("oSMSx"), rowsOf(5, 9, 0)), QString());
        jetdb::detail::Image img(readAll(file));
        img.put32(kOutTdef * kPage + 16, 6);
        writeAll(file, img.bytes());
        QString why;
        QVERIFY(!importTable(file, QStringLiteral("oSMSx"), &why));
        QVERIFY2(why.contains(file) && why.contains(QStringLiteral("oSMSx")) &&
                     why.contains(QStringLiteral("记录数")),
                 qPrintable(why));
        // A file a few bytes short of whole pages.
        writeAll(file, img.bytes().left(img.bytes().size() - 7));
        QVERIFY(!importTable(file, QStringLiteral("oSMSx"), &why));
        QVERIFY2(why.contains(file) && why.contains(QStringLiteral("整页")), qPrintable(why));
        // A cell whose bytes turned into control codes is damage, not a text.
        img.put32(kOutTdef * kPage + 16, 5);
        const qsizetype cell = img.bytes().indexOf(QByteArray("\xFF\xFEv1.3 "));
        QVERIFY(cell > 0);
        img.put8(cell + 4, 0x85);
        writeAll(file, img.bytes());
        QVERIFY(!importTable(file, QStringLiteral("oSMSx"), &why));
        QVERIFY2(why.contains(file) && why.contains(QStringLiteral("oSMSx")) && why.contains(QStringLiteral("U+0085")),
                 qPrintable(why));
    }

    void killedExportLeavesOldOrNew() {
        const QString bench = QString::fromUtf8(JETDB_BENCH);
        const QString file = m_dir.filePath(QStringLiteral("kill.mdb"));
        auto exportOnce = [&](int seed) {
            Run r = run(bench, {QStringLiteral("--export"), file, QStringLiteral("iSMSx"),
                                QStringLiteral("64"), QString::number(seed)});
            return r.exitCode == 0 ? QString() : QString::fromUtf8(r.err);
        };
        QFile::remove(file);
        QCOMPARE(exportOnce(1), QString());
        const QByteArray oldBytes = readAll(file);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(exportOnce(2), QString());
        const qint64 fullUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
        const QByteArray newBytes = readAll(file);
        QVERIFY(oldBytes != newBytes);

        // What every reader gives for the two states.
        QStringList csvOld, csvNew;
        for (const auto& [bytes, csv] : {std::pair{oldBytes, &csvOld}, std::pair{newBytes, &csvNew}}) {
            writeAll(file, bytes);
            *csv << QString::fromUtf8(run(QStringLiteral("mdb-export"), {file, QStringLiteral("iSMSx")}).out);
            QString why;
            const Table t = importTable(file, QStringLiteral("iSMSx"), &why).value();
            QCOMPARE(t.rows.size(), 64);
            Expected e{QStringLiteral("iSMSx"), t.columns, t.rows};
            const QString expectFile = file + QStringLiteral(".json");
            writeAll(expectFile, expectedJson(e, {QStringLiteral("iSMSx"), QStringLiteral("oSMSx"),
                                                  QStringLiteral("Phone_Table")})
                                     .toJson());
            const Run r = run(QStandardPaths::findExecutable(QStringLiteral("node")),
                              {sourceDir() + QStringLiteral("/tests/tools/mdbcheck.mjs"), file, expectFile});
            QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
        }

        int olds = 0, news = 0;
        QRandomGenerator rng(99);
        for (int k = 0; k < kKills; ++k) {
            writeAll(file, oldBytes);
            const pid_t pid = ::fork();
            if (pid == 0) {
                const QByteArray prog = bench.toLocal8Bit(), f = file.toLocal8Bit();
                ::execl(prog.constData(), prog.constData(), "--export", f.constData(), "iSMSx", "64", "2",
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
            QVERIFY(pid > 0);
            // A random moment within (and a little past) one export's run;
            // every other one near its end, where the file is written.
            const qint64 from = k % 2 ? fullUs * 3 / 4 : 0;
            const qint64 to = k % 2 ? fullUs * 21 / 20 : fullUs * 6 / 5;
            ::usleep(useconds_t(from + rng.bounded(to - from)));
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            const QByteArray now = readAll(file);
            QVERIFY2(now == oldBytes || now == newBytes,
                     qPrintable(QStringLiteral("kill %1: neither table").arg(k)));
            const QString csv =
                QString::fromUtf8(run(QStringLiteral("mdb-export"), {file, QStringLiteral("iSMSx")}).out);
            QCOMPARE(csv, now == oldBytes ? csvOld.first() : csvNew.first());
            QString why;
            QVERIFY2(importTable(file, QStringLiteral("iSMSx"), &why), qPrintable(why));
            ++(now == oldBytes ? olds : news);
        }
        qInfo("%d killed exports: old table %d times, new table %d times", kKills, olds, news);
        QCOMPARE(olds + news, kKills);
    }

    void failedBatchWritesNothing() {
        const QString file = put(QStringLiteral("batch.mdb"), jetdb::templateBytes());
        QCOMPARE(exportBatch(file, QStringLiteral("oSMSx"), rowsOf(10, 9, 3)), QString());
        const QByteArray before = readAll(file);
        const QString big = QString(255, QChar(0x4E2D));
        struct Case {
            const char* name;
            Record bad;
            QString expect;
        };
        const QList<Case> cases = {
            {"field too small", Record{QStringLiteral("CH5"), big + u'x'}, QStringLiteral("太小")},
            {"row too big", Record(9, Value(big)), QStringLiteral("记录太大")},
            {"beyond the BMP", Record{QStringLiteral("CH5"), QStringLiteral("a😀")},
             QStringLiteral("扩展字符")},
            {"U+0000", Record{QStringLiteral("CH5"), QString(QChar(0)) + u'a'}, QStringLiteral("U+0000")},
            {"leading U+FEFF", Record{QStringLiteral("CH5"), QStringLiteral("\uFEFF一")},
             QStringLiteral("U+FEFF")},
        };
        for (const Case& c : cases) {
            jetdb::Error err;
            auto db = jetdb::Database::open(file, &err);
            QVERIFY(db && db->beginTrans(&err));
            QVERIFY(db->execute(QStringLiteral("delete * from oSMSx"), &err));
            auto rs = db->openRecordset(QStringLiteral("select * from oSMSx"), &err);
            QVERIFY2(rs && rs->isEmpty(), c.name);  // the batch's own view
            QList<Record> rows = rowsOf(5, 9, 4);
            Record bad = c.bad;
            while (bad.size() < 9) bad << Value();
            rows << bad;
            QString refusal;
            for (const Record& r : rows) {
                rs->addNew();
                for (int i = 0; i < 9; ++i) rs->setField(i, r[i], &err);
                if (!rs->update(&err)) {
                    refusal = err.text;
                    break;
                }
            }
            QVERIFY2(refusal.contains(c.expect) && refusal.contains(QStringLiteral("第 6 行")),
                     qPrintable(refusal));
            if (QByteArray(c.name) != "field too small" && QByteArray(c.name) != "row too big")
                QVERIFY2(refusal.contains(QStringLiteral("字段")), qPrintable(refusal));
            QVERIFY(!db->commitTrans(&err));
            QVERIFY(!err.text.isEmpty());
            QCOMPARE(readAll(file), before);
        }
        // Until commit the file on disk is untouched; rollback leaves it so.
        jetdb::Error err;
        auto db = jetdb::Database::open(file, &err);
        QVERIFY(db->beginTrans(&err));
        QVERIFY(db->execute(QStringLiteral("delete * from oSMSx"), &err));
        QCOMPARE(readAll(file), before);
        db->rollback();
        QVERIFY(!db->inTransaction());
        QCOMPARE(readAll(file), before);
        QString why;
        QCOMPARE(importTable(file, QStringLiteral("oSMSx"), &why)->rows, rowsOf(10, 9, 3));

        // A recordset opened before the batch began writes into it too.
        auto early = db->openRecordset(QStringLiteral("select * from oSMSx"), &err);
        QVERIFY(early);
        QVERIFY(db->beginTrans(&err));
        QVERIFY(db->execute(QStringLiteral("delete * from oSMSx"), &err));
        const Record one = rowsOf(1, 9, 7).first();
        early->addNew();
        for (int i = 0; i < 9; ++i) early->setField(i, one[i], &err);
        QVERIFY2(early->update(&err), qPrintable(err.text));
        QCOMPARE(readAll(file), before);
        QVERIFY2(db->commitTrans(&err), qPrintable(err.text));
        QCOMPARE(importTable(file, QStringLiteral("oSMSx"), &why)->rows, QList<Record>{one});
    }

    void tableTheImportCannotReadIsNotWritten() {
        // Where libmdb does not see the table our writer's catalog reading
        // finds, or cannot read what was written, the export fails and the
        // file stays as it was. A stand-in reader plays libmdb's part.
        const QString file = put(QStringLiteral("unreadable.mdb"), jetdb::templateBytes());
        QCOMPARE(exportBatch(file, QStringLiteral("iSMSx"), rowsOf(4, 30, 6)), QString());
        const QByteArray before = readAll(file);
        const QString real = jetdb::readerProgram();
        auto script = [&](const QString& name, const QByteArray& body) {
            const QString p = m_dir.filePath(name);
            writeAll(p, "#!/bin/sh\n" + body + "\n");
            QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return p;
        };
        const QList<QPair<QString, QString>> readers = {
            {script(QStringLiteral("blind.sh"),
                    "printf 'JETDB1 TABLES 2\\n5:oSMSx\\n11:Phone_Table\\nEND\\n'"),
             QStringLiteral("没有表 iSMSx")},
            {script(QStringLiteral("listsonly.sh"),
                    "if [ $# -eq 3 ]; then printf 'JETDB1 ERROR\\n6:broken\\nEND\\n'; else exec '" +
                        real.toUtf8() + "' \"$@\"; fi"),
             QStringLiteral("broken")},
        };
        for (const auto& r : readers) {
            jetdb::setReaderProgram(r.first);
            const QString err = exportBatch(file, QStringLiteral("iSMSx"), rowsOf(7, 30, 8));
            jetdb::setReaderProgram(QString());
            QVERIFY2(err.contains(r.second), qPrintable(err));
            QCOMPARE(readAll(file), before);
        }
    }

    void mapRowsWithoutBitsRefuseTheWrite_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<quint32>("tdef");
        QTest::addColumn<bool>("owned");
        QTest::newRow("iSMSx owned") << "iSMSx" << kInTdef << true;
        QTest::newRow("iSMSx free") << "iSMSx" << kInTdef << false;
        QTest::newRow("oSMSx owned") << "oSMSx" << kOutTdef << true;
        QTest::newRow("Phone_Table owned") << "Phone_Table" << quint32(10) << true;
        QTest::newRow("Phone_Table free") << "Phone_Table" << quint32(10) << false;
    }

    void mapRowsWithoutBitsRefuseTheWrite() {
        QFETCH(QString, table);
        QFETCH(quint32, tdef);
        QFETCH(bool, owned);
        // Shrink the table's map row to its type and base alone by moving
        // its start in the page's row offsets: a few bytes' change.
        jetdb::detail::Image img(jetdb::templateBytes());
        const jetdb::detail::TableDef def = img.readTableDef(tdef);
        const quint32 ref = owned ? def.ownedMap : def.freeMap;
        qsizetype s = 0, e = 0;
        QVERIFY(img.rowBounds(ref >> 8, int(ref & 0xFF), &s, &e));
        const qsizetype page = qsizetype(ref >> 8) * kPage;
        img.put16(page + 14 + 2 * (ref & 0xFF), quint16(e - 5 - page));
        img.put8(e - 5, 0);
        img.put32(e - 4, 0);
        const QByteArray damaged = img.bytes();
        const QString file = put(QStringLiteral("map5-%1-%2.mdb").arg(table).arg(owned), damaged);
        const int width = jetdb::detail::Image(damaged).readTableDef(tdef).columns.size();
        for (int rows : {0, 3}) {
            const QString err = exportBatch(file, table, rowsOf(rows, width, 5));
            const QByteArray now = readAll(file);
            if (!err.isEmpty()) {
                QCOMPARE(now, damaged);
                continue;
            }
            // Success must mean the file opens and holds exactly what was written.
            QString why;
            const auto t = importTable(file, table, &why);
            QVERIFY2(t, qPrintable(why));
            QCOMPARE(t->rows, rowsOf(rows, width, 5));
            writeAll(file, damaged);
        }
    }
};

QTEST_GUILESS_MAIN(TestJetIntegrity)
#include "tst_jetintegrity.moc"
