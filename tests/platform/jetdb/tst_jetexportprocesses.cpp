// Exports as separate program runs make them: two at once into one file,
// and one killed while it makes a new file.

#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <csignal>

#include "JetDb.h"
#include "JetTestUtil.h"

using namespace jettest;

namespace {

const QString kBench = QString::fromUtf8(JETDB_BENCH);

QStringList exportArgs(const QString& file, const QString& table, int seed) {
    return {QStringLiteral("--export"), file, table, QStringLiteral("64"), QString::number(seed)};
}

// The table's rows as the import reads them ({} on any error).
QList<jetdb::Record> rowsIn(const QString& file, const QString& table) {
    jetdb::Error err;
    auto db = jetdb::Database::open(file, &err);
    auto rs = db ? db->openRecordset(QStringLiteral("select * from ") + table, &err) : nullptr;
    QList<jetdb::Record> rows;
    for (int r = 0; rs && r < rs->recordCount(); ++r) rows << rs->record(r);
    return rows;
}

}  // namespace

class TestJetExportProcesses : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    // What an export of seed writes into table, made alone.
    QList<jetdb::Record> reference(const QString& table, int seed) {
        const QString ref = m_dir.filePath(QStringLiteral("ref-%1-%2.mdb").arg(table).arg(seed));
        if (!QFileInfo::exists(ref)) run(kBench, exportArgs(ref, table, seed));
        return rowsIn(ref, table);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Each run that reports success finds its table in the file afterwards;
    // one that cannot wait long enough says the file is in use.
    void twoExportsIntoOneFileLoseNothing() {
        const QString file = m_dir.filePath(QStringLiteral("shared.mdb"));
        QCOMPARE(run(kBench, exportArgs(file, QStringLiteral("iSMSx"), 0)).exitCode, 0);
        QCOMPARE(run(kBench, exportArgs(file, QStringLiteral("oSMSx"), 0)).exitCode, 0);
        int succeeded = 0;
        for (int trial = 1; trial <= 8; ++trial) {
            QProcess in, out;
            in.start(kBench, exportArgs(file, QStringLiteral("iSMSx"), trial));
            out.start(kBench, exportArgs(file, QStringLiteral("oSMSx"), trial));
            QVERIFY(in.waitForFinished(60000) && out.waitForFinished(60000));
            for (auto [p, table] : {std::pair{&in, QStringLiteral("iSMSx")}, std::pair{&out, QStringLiteral("oSMSx")}}) {
                const QString said = QString::fromUtf8(p->readAllStandardError());
                if (p->exitCode() == 0) {
                    ++succeeded;
                    QVERIFY2(rowsIn(file, table) == reference(table, trial),
                             qPrintable(QStringLiteral("trial %1: %2 reported written, but is not").arg(trial).arg(table)));
                } else {
                    QVERIFY2(said.contains(QStringLiteral("正在使用")), qPrintable(said));
                }
            }
        }
        QVERIFY(succeeded > 0);
    }

    // A new file is there whole or not at all, however early the export dies.
    void killedExportMakesNoHalfFile() {
        const QString file = m_dir.filePath(QStringLiteral("new.mdb"));
        const QList<jetdb::Record> whole = reference(QStringLiteral("oSMSx"), 3);
        QCOMPARE(whole.size(), 64);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run(kBench, exportArgs(file, QStringLiteral("oSMSx"), 3)).exitCode, 0);
        const qint64 fullUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
        QRandomGenerator rng(7);
        int absent = 0, made = 0;
        for (int k = 0; k < 30; ++k) {
            QFile::remove(file);
            const pid_t pid = ::fork();
            if (pid == 0) {
                const QByteArray prog = kBench.toLocal8Bit(), f = file.toLocal8Bit();
                ::execl(prog.constData(), prog.constData(), "--export", f.constData(), "oSMSx", "64", "3",
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
            QVERIFY(pid > 0);
            ::usleep(useconds_t(rng.bounded(fullUs * 6 / 5)));
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            if (!QFileInfo::exists(file)) {
                ++absent;
                continue;
            }
            QVERIFY2(rowsIn(file, QStringLiteral("oSMSx")) == whole, qPrintable(QStringLiteral("kill %1").arg(k)));
            ++made;
        }
        qInfo("30 killed exports into a new file: absent %d times, whole %d times", absent, made);
    }
};

QTEST_MAIN(TestJetExportProcesses)
#include "tst_jetexportprocesses.moc"
