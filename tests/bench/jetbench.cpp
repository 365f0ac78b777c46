// jetbench: how long an export into an Access table file takes.
//
//   jetbench                         prints the timings of two exports and
//                                    of reading them back
//   jetbench --export FILE TABLE N SEED
//                                    one export of N rows (the kill test
//                                    interrupts this one)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "JetDb.h"

namespace {

QString cell(int row, int col, int seed) {
    static const QString pool =
        QStringLiteral("报警通道采集数据上限下限短信内容号码表设备安装地点温度湿度压力开关量描述");
    QString s = QStringLiteral("值%1-").arg(row);
    for (int i = 0; i < 4; ++i) s += pool[(row * 7 + col * 3 + seed + i) % pool.size()];
    return s;
}

bool exportRows(jetdb::Database& db, const QString& table, int rows, int seed, QString* why) {
    jetdb::Error err;
    auto fail = [&] {
        *why = err.text;
        db.rollback();
        return false;
    };
    if (!db.execute(QStringLiteral("delete * from ") + table, &err)) return fail();
    auto rs = db.openRecordset(QStringLiteral("select * from ") + table, &err);
    if (!rs) return fail();
    for (int r = 0; r < rows; ++r) {
        rs->addNew();
        rs->setField(0, QStringLiteral("CH%1").arg(r), &err);
        for (int c = 1; c < rs->fieldCount(); ++c) rs->setField(c, cell(r, c, seed), &err);
        if (!rs->update(&err)) return fail();
    }
    return true;
}

struct Split {
    qint64 open = 0, statements = 0, commit = 0;  // microseconds
};

// One export as the program makes it: one batch, from the template when the
// file is new.
bool exportFile(const QString& file, const QList<QPair<QString, int>>& tables, int seed, QString* why,
                Split* split = nullptr) {
    Split local;
    Split* sp = split ? split : &local;
    QElapsedTimer clock;
    clock.start();
    const bool made = !QFile::exists(file);
    jetdb::Error err;
    auto db = jetdb::Database::open(made ? QString::fromUtf8(SMSTOOLS_TEMPLATE) : file, &err);
    if (!db || !(made ? db->beginTransAs(file, &err) : db->beginTrans(&err))) {
        *why = err.text;
        return false;
    }
    sp->open = clock.nsecsElapsed() / 1000;
    for (const auto& t : tables)
        if (!exportRows(*db, t.first, t.second, seed, why)) return false;
    sp->statements = clock.nsecsElapsed() / 1000 - sp->open;
    const bool ok = db->commitTrans(&err);
    sp->commit = clock.nsecsElapsed() / 1000 - sp->open - sp->statements;
    if (!ok) {
        *why = err.text;
        return false;
    }
    return true;
}

// An import as the program makes it: open the file, read every row of each
// table (through the reader program).
bool importFile(const QString& file, const QList<QPair<QString, int>>& tables, QString* why) {
    jetdb::Error err;
    auto db = jetdb::Database::open(file, &err);
    if (!db) {
        *why = err.text;
        return false;
    }
    for (const auto& t : tables) {
        auto rs = db->openRecordset(QStringLiteral("select * from ") + t.first, &err);
        if (!rs) {
            *why = err.text;
            return false;
        }
        int rows = 0;
        for (bool more = rs->moveFirst(); more; more = rs->moveNext()) {
            for (int c = 0; c < rs->fieldCount(); ++c) (void)rs->field(c);
            ++rows;
        }
        if (rows != t.second) {
            *why = QStringLiteral("%1: %2 rows read back, %3 written").arg(t.first).arg(rows).arg(t.second);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString why;
    if (args.size() == 5 && args[0] == QLatin1String("--export")) {
        if (!exportFile(args[1], {{args[2], args[3].toInt()}}, args[4].toInt(), &why)) {
            std::fprintf(stderr, "jetbench: %s\n", why.toUtf8().constData());
            return 1;
        }
        return 0;
    }
    if (!args.isEmpty()) {
        std::fprintf(stderr, "usage: jetbench [--export FILE TABLE ROWS SEED]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.mdb"));
    struct Case {
        const char* name;
        QList<QPair<QString, int>> tables;
    };
    const QList<Case> cases = {
        {"64+64 rows (iSMSx and oSMSx)", {{QStringLiteral("iSMSx"), 64}, {QStringLiteral("oSMSx"), 64}}},
        {"5000 rows (oSMSx)", {{QStringLiteral("oSMSx"), 5000}}},
    };
    for (const Case& c : cases) {
        QFile::remove(file);
        // The first export into a copy of the template, then timed ones into
        // the filled file, as a repeated export finds it.
        if (!exportFile(file, c.tables, 0, &why)) {
            std::fprintf(stderr, "jetbench: %s\n", why.toUtf8().constData());
            return 1;
        }
        qint64 best = -1;
        Split bestSplit;
        for (int i = 1; i <= 5; ++i) {
            QElapsedTimer t;
            t.start();
            Split split;
            if (!exportFile(file, c.tables, i, &why, &split)) {
                std::fprintf(stderr, "jetbench: %s\n", why.toUtf8().constData());
                return 1;
            }
            const qint64 us = t.nsecsElapsed() / 1000;
            if (best < 0 || us < best) {
                best = us;
                bestSplit = split;
            }
        }
        std::printf("export of %s: %.1f ms (open %.1f, statements %.1f, check and write %.1f)\n", c.name,
                    double(best) / 1000.0, double(bestSplit.open) / 1000.0,
                    double(bestSplit.statements) / 1000.0, double(bestSplit.commit) / 1000.0);
        qint64 bestImport = -1;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer t;
            t.start();
            if (!importFile(file, c.tables, &why)) {
                std::fprintf(stderr, "jetbench: %s\n", why.toUtf8().constData());
                return 1;
            }
            const qint64 us = t.nsecsElapsed() / 1000;
            if (bestImport < 0 || us < bestImport) bestImport = us;
        }
        std::printf("import of %s: %.1f ms\n", c.name, double(bestImport) / 1000.0);
    }
    return 0;
}
