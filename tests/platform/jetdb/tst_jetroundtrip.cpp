// Round trips through the DAO-like API, checked against our own structure
// checker and two independent readers (mdbtools' programs, node mdb-reader).

#include <QtTest>

#include "Jet4File.h"
#include "JetDb.h"
#include "JetTestUtil.h"

using jetdb::Record;
using jetdb::Value;
using namespace jettest;

namespace {

const QStringList kTables{QStringLiteral("iSMSx"), QStringLiteral("oSMSx"), QStringLiteral("Phone_Table")};

QString chinese(int n, int seed) {
    static const QString pool =
        QStringLiteral("报警通道采集数据上限下限短信内容号码表设备安装地点温度湿度压力开关量描述");
    QString s;
    for (int i = 0; i < n; ++i) s += pool[(i * 7 + seed) % pool.size()];
    return s;
}

QStringList fieldNames(const QString& file, const QString& table) {
    jetdb::Error err;
    auto db = jetdb::Database::open(file, &err);
    if (!db) return {};
    auto rs = db->openRecordset(QStringLiteral("select * from ") + table, &err);
    QStringList out;
    for (int i = 0; rs && i < rs->fieldCount(); ++i) out << rs->fieldName(i);
    return out;
}

// The export's sequence: copy the template unless the file exists, open,
// delete all, add the rows.
bool exportRows(const QString& file, const QString& table, const QList<Record>& rows, QString* why) {
    if (!QFile::exists(file)) QFile::copy(QString::fromUtf8(SMSTOOLS_TEMPLATE), file);
    jetdb::Error err;
    auto db = jetdb::Database::open(file, &err);
    if (!db || !db->execute(QStringLiteral("delete * from ") + table, &err)) {
        *why = err.text;
        return false;
    }
    auto rs = db->openRecordset(QStringLiteral("select * from ") + table, &err);
    if (!rs) {
        *why = err.text;
        return false;
    }
    for (const Record& r : rows) {
        rs->addNew();
        for (int j = 0; j < r.size(); ++j)
            if (!rs->setField(j, r[j], &err)) {
                *why = err.text;
                return false;
            }
        if (!rs->update(&err)) {
            *why = err.text;
            return false;
        }
    }
    return true;
}

QList<Record> readBack(const QString& file, const QString& table, QString* why) {
    jetdb::Error err;
    auto db = jetdb::Database::open(file, &err);
    std::unique_ptr<jetdb::Recordset> rs;
    if (db) rs = db->openRecordset(QStringLiteral("select * from ") + table, &err);
    if (!rs) {
        *why = err.text;
        return {};
    }
    QList<Record> out;
    for (int i = 0; i < rs->recordCount(); ++i) out << rs->record(i);
    return out;
}

QString show(const QList<Record>& rows) {
    QStringList s;
    for (const Record& r : rows) {
        QStringList f;
        for (const Value& v : r) f << (v ? QLatin1Char('"') + *v + QLatin1Char('"') : QStringLiteral("NULL"));
        s << f.join(QLatin1Char(','));
    }
    return s.join(QLatin1Char('\n')).left(2000);
}

}  // namespace

class TestJetRoundTrip : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Every reader must see exactly `e`; the file must be sound.
    void crossCheck(const QString& file, const Expected& e) {
        const QStringList problems = jetdb::detail::checkStructure(readAll(file));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));

        QString why;
        const QList<Record> ours = readBack(file, e.table, &why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QVERIFY2(ours == e.rows, qPrintable(show(ours) + QStringLiteral("\n--- expected\n") + show(e.rows)));

        Run r = run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts), kTables);

        r = run(QStringLiteral("mdb-count"), {file, e.table});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed().toInt(), int(e.rows.size()));

        // mdb-json leaves out both Null and empty texts.
        r = run(QStringLiteral("mdb-json"), {file, e.table});
        QCOMPARE(r.exitCode, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QList<QByteArray> objects;
        for (const QByteArray& l : lines)
            if (!l.trimmed().isEmpty()) objects << l;
        QCOMPARE(objects.size(), e.rows.size());
        for (qsizetype i = 0; i < objects.size(); ++i) {
            QJsonParseError pe;
            const QJsonObject o = QJsonDocument::fromJson(objects[i], &pe).object();
            QVERIFY2(pe.error == QJsonParseError::NoError, objects[i].constData());
            for (qsizetype c = 0; c < e.columns.size(); ++c) {
                const Value& v = e.rows[i][c];
                if (v && !v->isEmpty())
                    QCOMPARE(o.value(e.columns[c]).toString(), *v);
                else
                    QVERIFY(!o.contains(e.columns[c]));
            }
        }

        r = run(QStringLiteral("mdb-export"), {file, e.table});
        QCOMPARE(r.exitCode, 0);
        const QList<QStringList> csv = parseCsv(QString::fromUtf8(r.out));
        QCOMPARE(csv.size(), e.rows.size() + 1);
        QCOMPARE(csv[0], e.columns);
        for (qsizetype i = 0; i < e.rows.size(); ++i)
            for (qsizetype c = 0; c < e.columns.size(); ++c)
                QCOMPARE(csv[i + 1].value(c), e.rows[i][c].value_or(QString()));

        // mdb-reader tells Null from "" and checks page ownership. A machine
        // without node fails here rather than skipping the check.
        const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
        QVERIFY2(!node.isEmpty(), "node is not installed; the cross-check with mdb-reader needs it");
        const QString expectFile = file + QStringLiteral(".expected.json");
        QVERIFY(writeAll(expectFile, expectedJson(e, kTables).toJson()));
        r = run(node, {sourceDir() + QStringLiteral("/tests/tools/mdbcheck.mjs"), file, expectFile});
        QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
        QVERIFY(r.out.contains("mdbcheck: ok"));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void templateIsBuiltDeterministicAndReadable() {
        const QByteArray bytes = jetdb::templateBytes();
        QCOMPARE(jetdb::templateBytes(), bytes);
        QCOMPARE(readAll(QString::fromUtf8(SMSTOOLS_TEMPLATE)), bytes);
        QCOMPARE(bytes.size() % 4096, 0);
        QVERIFY(jetdb::detail::checkStructure(bytes).isEmpty());

        jetdb::Error err;
        auto db = jetdb::Database::open(QString::fromUtf8(SMSTOOLS_TEMPLATE), &err);
        QVERIFY2(db, qPrintable(err.text));
        QCOMPARE(db->tableNames(), kTables);
        const QStringList in = fieldNames(QString::fromUtf8(SMSTOOLS_TEMPLATE), QStringLiteral("iSMSx"));
        const QStringList out = fieldNames(QString::fromUtf8(SMSTOOLS_TEMPLATE), QStringLiteral("oSMSx"));
        QCOMPARE(in.size(), 30);
        QCOMPARE(out.size(), 9);
        QCOMPARE(in.first(), QStringLiteral("指令号"));
        QCOMPARE(out.first(), QStringLiteral("指令号"));
        auto phones = db->openRecordset(QStringLiteral("select * from Phone_Table"), &err);
        QVERIFY2(phones, qPrintable(err.text));
        QVERIFY(phones->isEmpty());

        crossCheck(QString::fromUtf8(SMSTOOLS_TEMPLATE), {QStringLiteral("iSMSx"), in, {}});
    }

    void exportsOfFullRowsThenFewRows() {
        const QString file = path(QStringLiteral("full.mdb"));
        const QStringList cols = fieldNames(QString::fromUtf8(SMSTOOLS_TEMPLATE), QStringLiteral("iSMSx"));
        // As much Chinese text as one Jet record holds: 29 fields of 68
        // characters plus the label.
        QList<Record> rows;
        for (int r = 0; r < 64; ++r) {
            Record rec{QStringLiteral("CH%1").arg(r)};
            for (int c = 1; c < 30; ++c) rec << chinese(68, r * 31 + c);
            rows << rec;
        }
        QString why;
        QVERIFY2(exportRows(file, QStringLiteral("iSMSx"), rows, &why), qPrintable(why));
        crossCheck(file, {QStringLiteral("iSMSx"), cols, rows});
        const qint64 sizeAfterFull = QFileInfo(file).size();

        const QList<Record> few = rows.mid(5, 3);
        QVERIFY2(exportRows(file, QStringLiteral("iSMSx"), few, &why), qPrintable(why));
        crossCheck(file, {QStringLiteral("iSMSx"), cols, few});

        // Released pages are reused: repeating the big export does not grow
        // the file.
        QVERIFY2(exportRows(file, QStringLiteral("iSMSx"), rows, &why), qPrintable(why));
        QCOMPARE(QFileInfo(file).size(), sizeAfterFull);
        crossCheck(file, {QStringLiteral("iSMSx"), cols, rows});
    }

    void textFormsNullsAndEmptyTexts() {
        const QString file = path(QStringLiteral("forms.mdb"));
        const QStringList cols = fieldNames(QString::fromUtf8(SMSTOOLS_TEMPLATE), QStringLiteral("oSMSx"));
        const QList<QString> texts = {
            QStringLiteral("plain ASCII, compressed"),
            QStringLiteral("读取通道0状态 mixed 中文 and ASCII 1,2,\"3\""),
            QStringLiteral("一二三 low byte zero: \u4E00\u0100"),
            // (A leading U+FEFF is dropped by every reader, libmdb and
            // mdb-reader alike, so only an inner one is checked.)
            QStringLiteral("inner\uFEFFmark"),
            QStringLiteral("中\uFEFF文"),
            QStringLiteral("line\r\n \r\nbreaks"),
            QStringLiteral("é ü ñ Latin-1"),
            QStringLiteral("x"),
            QStringLiteral("ab"),
            chinese(255, 3),
        };
        QList<Record> rows;
        for (int r = 0; r < texts.size(); ++r) {
            Record rec{QStringLiteral("CH%1").arg(r)};
            for (int c = 1; c < 9; ++c) {
                if ((r + c) % 5 == 0)
                    rec << Value();  // Null
                else if ((r + c) % 5 == 1)
                    rec << QString();  // empty text, not Null
                else
                    rec << (c == 2 ? texts[r] : texts[(r + c) % texts.size()].left(120));
            }
            rows << rec;
        }
        QString why;
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), rows, &why), qPrintable(why));
        crossCheck(file, {QStringLiteral("oSMSx"), cols, rows});
    }

    void otherTableKeptAndOrderFollowsInsertion() {
        const QString file = path(QStringLiteral("both.mdb"));
        const QStringList inCols = fieldNames(QString::fromUtf8(SMSTOOLS_TEMPLATE), QStringLiteral("iSMSx"));
        const QStringList outCols = fieldNames(QString::fromUtf8(SMSTOOLS_TEMPLATE), QStringLiteral("oSMSx"));
        auto rowsOf = [](int n, int width, int len, int seed) {
            QList<Record> rows;
            for (int r = 0; r < n; ++r) {
                Record rec{QStringLiteral("CH%1").arg(r)};
                for (int c = 1; c < width; ++c) rec << chinese(len, seed + r + c);
                rows << rec;
            }
            return rows;
        };
        QString why;
        // Interleaved exports make the two tables' pages alternate in the
        // file; each table must still read back in insertion order.
        const QList<Record> in1 = rowsOf(20, 30, 60, 1);
        QVERIFY2(exportRows(file, QStringLiteral("iSMSx"), in1, &why), qPrintable(why));
        const QList<Record> out1 = rowsOf(64, 9, 200, 2);
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), out1, &why), qPrintable(why));
        const QList<Record> in2 = rowsOf(64, 30, 40, 3);
        QVERIFY2(exportRows(file, QStringLiteral("iSMSx"), in2, &why), qPrintable(why));
        crossCheck(file, {QStringLiteral("oSMSx"), outCols, out1});
        crossCheck(file, {QStringLiteral("iSMSx"), inCols, in2});
        const QList<Record> out2 = rowsOf(40, 9, 250, 4);
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), out2, &why), qPrintable(why));
        crossCheck(file, {QStringLiteral("oSMSx"), outCols, out2});
        crossCheck(file, {QStringLiteral("iSMSx"), inCols, in2});

        // An empty export empties only its table.
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), {}, &why), qPrintable(why));
        crossCheck(file, {QStringLiteral("oSMSx"), outCols, {}});
        crossCheck(file, {QStringLiteral("iSMSx"), inCols, in2});
    }

    void refusedValuesLeaveTheFileAlone() {
        const QString file = path(QStringLiteral("limits.mdb"));
        QString why;
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), {}, &why), qPrintable(why));
        const QByteArray before = readAll(file);

        jetdb::Error err;
        auto db = jetdb::Database::open(file, &err);
        QVERIFY2(db, qPrintable(err.text));
        auto rs = db->openRecordset(QStringLiteral("select * from oSMSx"), &err);
        QVERIFY2(rs, qPrintable(err.text));

        // 256 characters do not fit a 255-character field.
        rs->addNew();
        QVERIFY(rs->setField(1, chinese(256, 1), &err));
        QVERIFY(!rs->update(&err));
        QVERIFY2(err.text.contains(QStringLiteral("太小")), qPrintable(err.text));
        QCOMPARE(readAll(file), before);

        // Nine full Chinese fields exceed what one record can hold.
        rs->addNew();
        for (int c = 0; c < 9; ++c) QVERIFY(rs->setField(c, chinese(255, c), &err));
        QVERIFY(!rs->update(&err));
        QVERIFY2(err.text.contains(QStringLiteral("记录太大")), qPrintable(err.text));
        QCOMPARE(readAll(file), before);

        QVERIFY(!rs->setField(9, QStringLiteral("x"), &err));
        rs->addNew();
        QVERIFY(rs->setField(0, QStringLiteral("CH0"), &err));
        QVERIFY2(rs->update(&err), qPrintable(err.text));
        QVERIFY(!rs->update(&err));  // nothing pending any more
        QCOMPARE(rs->recordCount(), 1);
        QCOMPARE(rs->record(0).value(0), Value(QStringLiteral("CH0")));
        QCOMPARE(rs->record(0).value(1), Value());
    }

    void unusualTextsComeBackAsWritten() {
        // Texts near the edges of the stored forms: Latin-1 bytes that look
        // like the compressed-text mark, marks inside a text, private-use
        // and replacement characters. Every reader must give them back.
        const QString file = path(QStringLiteral("unusual.mdb"));
        const QStringList cols = fieldNames(QString::fromUtf8(SMSTOOLS_TEMPLATE), QStringLiteral("oSMSx"));
        const QList<QString> texts = {
            QStringLiteral("\u00FF\u00FEabc"),  // ÿþ: FF FE as characters, not as the mark
            QStringLiteral("\u00FF\u00FE"),       QStringLiteral("\u00FE\u00FF中"),
            QStringLiteral("一\uFEFF"),           QStringLiteral("a\uFEFF\uFEFFb"),
            QStringLiteral("\uFFFD\uE000\uF8FF"), QStringLiteral("\u4E00\u0100\u0200 zero low bytes"),
        };
        QList<Record> rows;
        for (int r = 0; r < texts.size(); ++r) {
            Record rec{QStringLiteral("CH%1").arg(r)};
            for (int c = 1; c < 9; ++c) rec << texts[(r + c) % texts.size()];
            rows << rec;
        }
        QString why;
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), rows, &why), qPrintable(why));
        crossCheck(file, {QStringLiteral("oSMSx"), cols, rows});

        // Texts no reader can give back are refused, naming row and field.
        const QList<QPair<QString, QString>> refused = {
            {QStringLiteral("emoji 😀"), QStringLiteral("扩展字符")},
            {QStringLiteral("\U00020000"), QStringLiteral("扩展字符")},
            {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QStringLiteral("U+0000")},
            {QStringLiteral("\uFEFF一"), QStringLiteral("U+FEFF")},
            {QStringLiteral("\uFEFFabc"), QStringLiteral("U+FEFF")},
            {QStringLiteral("\uFEFF"), QStringLiteral("U+FEFF")},
            {QStringLiteral("a\u0085b"), QStringLiteral("控制字符")},
            {QStringLiteral("\u0007"), QStringLiteral("控制字符")},
            {QStringLiteral("x\uFFFF"), QStringLiteral("非字符")},
        };
        for (const auto& c : refused) {
            QList<Record> more = rows.mid(0, 2);
            more << Record{QStringLiteral("CH9"), QStringLiteral("ok"), QStringLiteral("ok"), c.first};
            while (more.last().size() < 9) more.last() << Value();
            QVERIFY(!exportRows(file, QStringLiteral("oSMSx"), more, &why));
            QVERIFY2(
                why.contains(c.second) && why.contains(QStringLiteral("第 3 行")) && why.contains(cols[3]),
                qPrintable(why));
        }
        // This statement-by-statement export has emptied the table and
        // added two rows; the refused row itself was never written.
        QString readErr;
        const QList<Record> now = readBack(file, QStringLiteral("oSMSx"), &readErr);
        QVERIFY2(readErr.isEmpty(), qPrintable(readErr));
        QCOMPARE(now, rows.mid(0, 2));
    }

    void leadingMarkStoredByAnotherProgramIsKept() {
        // Access may hold a text starting with U+FEFF in the compressed
        // form (mark, switch to two-byte characters, FEFF, switch back). Our
        // import keeps the character; QString::fromUtf8 would drop it.
        const QString file = path(QStringLiteral("mark.mdb"));
        Record rec(9, Value());
        rec[0] = QStringLiteral("CH0");
        rec[1] = QStringLiteral("中abcdefgh");
        QString why;
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), {rec}, &why), qPrintable(why));
        QByteArray b = readAll(file);
        const QByteArray stored(
            "\xFF\xFE\x00\x2D\x4E\x00"
            "abcdefgh",
            14);
        const qsizetype at = b.indexOf(stored);
        QVERIFY(at > 0);
        QCOMPARE(b.indexOf(stored, at + 1), -1);
        b[at + 3] = char(0xFF);
        b[at + 4] = char(0xFE);
        QVERIFY(writeAll(file, b));
        const QList<Record> got = readBack(file, QStringLiteral("oSMSx"), &why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].value(1), Value(QStringLiteral("\uFEFFabcdefgh")));
    }

    void findFirstOverStoredLabels() {
        const QString file = path(QStringLiteral("find.mdb"));
        QList<Record> rows;
        for (const char* label : {"CH7", "CH0", "CH10", "ch1", "CH2", "CH2", "X5"}) {
            Record rec(9, Value(QString()));
            rec[0] = QString::fromUtf8(label);
            rec[1] = QString::number(rows.size());
            rows << rec;
        }
        QString why;
        QVERIFY2(exportRows(file, QStringLiteral("oSMSx"), rows, &why), qPrintable(why));
        jetdb::Error err;
        auto db = jetdb::Database::open(file, &err);
        QVERIFY(db);
        auto rs = db->openRecordset(QStringLiteral("select * from oSMSx"), &err);
        QVERIFY(rs);
        auto find = [&](int n) -> QString {
            if (!rs->findFirst(QStringLiteral("指令号 like 'CH%1'").arg(n), &err))
                return QStringLiteral("error: ") + err.text;
            return rs->noMatch() ? QStringLiteral("none") : rs->field(1).value_or(QStringLiteral("null"));
        };
        QCOMPARE(find(0), QStringLiteral("1"));
        QCOMPARE(find(1), QStringLiteral("3"));  // case-insensitive, not CH10
        QCOMPARE(find(2), QStringLiteral("4"));  // the first of two
        QCOMPARE(find(7), QStringLiteral("0"));
        QCOMPARE(find(10), QStringLiteral("2"));
        QCOMPARE(find(3), QStringLiteral("none"));
        QVERIFY(!rs->findFirst(QStringLiteral("没有 like 'CH1'"), &err));
        QVERIFY(!err.text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestJetRoundTrip)
#include "tst_jetroundtrip.moc"
