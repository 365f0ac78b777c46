// Saving the module tables to Access files and loading them back through
// the grids' popup menu: what reaches the file (read back by mdbtools and
// by mdb-reader), what comes back into the grid, and that a failing save or
// load changes neither the file nor the grid.

#include <QAction>
#include <QDir>
#include <QProcess>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>
#include <QMenu>
#include <QTemporaryDir>

#include "../VarnelHarness.h"
#include "JetTestUtil.h"
#include "platform/FlexGrid.h"
#include "varnel/settings/TableFiles.h"
#include "varnel/settings/TableTabs.h"

using namespace jettest;

namespace {

const QStringList kTables{QStringLiteral("iSMSx"), QStringLiteral("oSMSx"), QStringLiteral("Phone_Table")};

// The grid rows as stored: columns 1 to the last.
QList<QStringList> stored(FlexGrid* g) {
    QList<QStringList> rows;
    for (int r = 1; r < g->Rows(); ++r) {
        QStringList row;
        for (int c = 1; c < g->Cols(); ++c) row << g->TextMatrix(r, c);
        rows << row;
    }
    return rows;
}

// n rows labelled CH0.., every other cell distinct; Chinese, empty and
// full-length (255 characters) texts among them.
void fill(FlexGrid* g, int n) {
    g->setRows(1 + n);
    for (int r = 1; r <= n; ++r) {
        g->setTextMatrix(r, 0, QStringLiteral("*"));
        g->setTextMatrix(r, 1, QStringLiteral("CH%1").arg(r - 1));
        for (int c = 2; c < g->Cols(); ++c) g->setTextMatrix(r, c, QStringLiteral("%1-%2").arg(r).arg(c));
    }
    g->setTextMatrix(1, 2, QStringLiteral("温度超限报警"));
    g->setTextMatrix(1, 3, QString());
    g->setTextMatrix(n, g->Cols() - 1, QString(255, QChar(u'汉')));
}

// Another process holding the advisory lock on path until it is killed.
std::unique_ptr<QProcess> holdLock(const QString& path) {
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral("flock"), {QStringLiteral("-x"), path, QStringLiteral("sleep"), QStringLiteral("600")});
    if (!p->waitForStarted()) return nullptr;
    const QByteArray name = QFile::encodeName(path);
    const bool held = QTest::qWaitFor([&] {
        const int fd = ::open(name.constData(), O_RDONLY);
        const bool busy = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (fd >= 0) ::close(fd);
        return busy;
    }, 10000);
    return held ? std::move(p) : nullptr;
}

QStringList columnsOf(const QString& table) {
    jetdb::Error err;
    auto db = jetdb::Database::open(QString::fromUtf8(SMSTOOLS_TEMPLATE), &err);
    auto rs = db ? db->openRecordset(QStringLiteral("select * from ") + table, &err) : nullptr;
    QStringList names;
    for (int i = 0; rs && i < rs->fieldCount(); ++i) names << rs->fieldName(i);
    return names;
}

// The table as both outside readers see it must equal rows.
void checkWithReaders(const QString& file, const QString& table, const QList<QStringList>& rows) {
    Expected e{table, columnsOf(table), {}};
    for (const QStringList& row : rows) {
        jetdb::Record rec;
        for (const QString& v : row) rec << jetdb::Value(v);
        e.rows << rec;
    }
    Run r = run(QStringLiteral("mdb-export"), {file, table});
    QCOMPARE(r.exitCode, 0);
    const QList<QStringList> csv = parseCsv(QString::fromUtf8(r.out));
    QCOMPARE(csv.size(), rows.size() + 1);
    QCOMPARE(csv[0], e.columns);
    for (qsizetype i = 0; i < rows.size(); ++i) QCOMPARE(csv[i + 1], rows[i]);

    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    QVERIFY2(!node.isEmpty(), "node is not installed; the cross-check with mdb-reader needs it");
    const QString expectFile = file + QStringLiteral(".") + table + QStringLiteral(".json");
    QVERIFY(writeAll(expectFile, expectedJson(e, kTables).toJson()));
    r = run(node, {sourceDir() + QStringLiteral("/tests/tools/mdbcheck.mjs"), file, expectFile});
    QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
}

}  // namespace

class TestTableFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<VarnelHarness> h;

    SettingsForm* form() { return h->form(); }
    FlexGrid* gridOf(int tab) { return tab == 3 ? form()->inputTab->MSGrid2 : form()->commandTab->MSGrid1; }
    QString file(const QString& name) { return m_dir.filePath(name); }
    void save(int tab, const QString& path) {
        form()->SSTab1->setCurrentIndex(tab);
        h->dialogs.queueFile(path);
        form()->tableFiles->mSaveSetup->trigger();
    }
    void load(int tab, const QString& path) {
        form()->SSTab1->setCurrentIndex(tab);
        h->dialogs.queueFile(path);
        form()->tableFiles->mLoadSetup->trigger();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::copy(QString::fromUtf8(SMSTOOLS_TEMPLATE), m_dir.filePath("gprs.mdb")));
    }
    void init() {
        Vb::setAppPath(m_dir.path());
        h = std::make_unique<VarnelHarness>();
        QVERIFY(QTest::qWaitFor([&] { return form() != nullptr; }, 3000));
    }
    void cleanup() {
        h.reset();
        Vb::setAppPath(QString());
    }

    void saveThenLoadKeepsColumns_data();
    void saveThenLoadKeepsColumns();
    void saveIntoExistingFileKeepsOtherTable();
    void failingSaveLeavesFileAsItWas();
    void loadOrdersRowsByChannel();
    void loadWithNoChannelRecordSaysSo();
    void failingLoadLeavesGrid_data();
    void failingLoadLeavesGrid();
    void missingTemplate();
    void dialogsAndDataFolder();
    void rightButtonShowsMenu();
    void saveRefusesFilesItWouldPart_data();
    void saveRefusesFilesItWouldPart();
    void saveWritesThroughSymbolicLink();
    void saveRemovesOnlyStaleLeftovers();
};

void TestTableFiles::saveThenLoadKeepsColumns_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("table");
    QTest::newRow("input-parsing table") << 3 << "iSMSx";
    QTest::newRow("command table") << 4 << "oSMSx";
}

void TestTableFiles::saveThenLoadKeepsColumns() {
    QFETCH(int, tab);
    QFETCH(QString, table);
    FlexGrid* g = gridOf(tab);
    fill(g, 3);
    const QList<QStringList> rows = stored(g);
    const QString path = file(table + QStringLiteral("-round.mdb"));
    save(tab, path);
    QVERIFY2(h->dialogs.messages().isEmpty(), qPrintable(h->dialogs.describe()));
    QVERIFY(QFileInfo::exists(path));
    checkWithReaders(path, table, rows);
    // Saving again gives the same file: nothing piles up.
    const QByteArray first = readAll(path);
    save(tab, path);
    QCOMPARE(readAll(path).size(), first.size());

    g->setRows(1);
    load(tab, path);
    QVERIFY2(h->dialogs.messages().isEmpty(), qPrintable(h->dialogs.describe()));
    QCOMPARE(stored(g), rows);
    for (int r = 1; r < g->Rows(); ++r) QCOMPARE(g->TextMatrix(r, 0), QString());
}

void TestTableFiles::saveIntoExistingFileKeepsOtherTable() {
    const QString path = file(QStringLiteral("both.mdb"));
    fill(gridOf(4), 2);
    save(4, path);
    const QList<QStringList> commands = stored(gridOf(4));
    fill(gridOf(3), 4);
    save(3, path);
    fill(gridOf(3), 1);
    save(3, path);  // replaces the input table only
    QVERIFY2(h->dialogs.messages().isEmpty(), qPrintable(h->dialogs.describe()));
    checkWithReaders(path, QStringLiteral("oSMSx"), commands);
    checkWithReaders(path, QStringLiteral("iSMSx"), stored(gridOf(3)));
    // An empty command table empties the file's command table; an empty
    // input table is not saved.
    gridOf(4)->setRows(1);
    save(4, path);
    checkWithReaders(path, QStringLiteral("oSMSx"), {});
    const QByteArray before = readAll(path);
    gridOf(3)->setRows(1);
    save(3, path);
    QCOMPARE(readAll(path), before);
}

void TestTableFiles::failingSaveLeavesFileAsItWas() {
    const QString path = file(QStringLiteral("kept.mdb"));
    fill(gridOf(3), 2);
    save(3, path);
    const QList<QStringList> kept = stored(gridOf(3));
    const QByteArray before = readAll(path);
    // Three rows, the second too long for its field.
    fill(gridOf(3), 3);
    gridOf(3)->setTextMatrix(2, 5, QString(256, QLatin1Char('x')));
    save(3, path);
    QCOMPARE(h->dialogs.messageCount(), 1);
    QVERIFY(h->dialogs.lastText().startsWith(QStringLiteral("执行错误！")));
    QVERIFY(h->dialogs.lastText().size() > QStringLiteral("执行错误！").size());
    QCOMPARE(h->dialogs.messages()[0].title, QStringLiteral("提示"));
    QCOMPARE(readAll(path), before);
    checkWithReaders(path, QStringLiteral("iSMSx"), kept);
    // A file made for a failing save does not stay behind.
    const QString fresh = file(QStringLiteral("fresh.mdb"));
    save(3, fresh);
    QCOMPARE(h->dialogs.messageCount(), 2);
    QVERIFY(!QFileInfo::exists(fresh));
}

void TestTableFiles::loadOrdersRowsByChannel() {
    const QString path = file(QStringLiteral("order.mdb"));
    auto row = [](const QString& label, const QString& mark) {
        QStringList r{label};
        for (int c = 2; c < 10; ++c) r << mark + QString::number(c);
        return r;
    };
    // Out of order, a label outside CH0..CH63 and a second CH0 (the first wins).
    const QList<QStringList> rows = {row("CH7", "g"), row("CH0", "a"), row("CH64", "x"),
                                     row("CH2", "c"), row("ch0", "y"), row("CHX", "z")};
    QString why;
    QVERIFY2(TableFiles::writeTable(path, m_dir.filePath("gprs.mdb"), QStringLiteral("oSMSx"), rows, &why),
             qPrintable(why));
    fill(gridOf(4), 5);
    load(4, path);
    QVERIFY2(h->dialogs.messages().isEmpty(), qPrintable(h->dialogs.describe()));
    QCOMPARE(stored(gridOf(4)), (QList<QStringList>{rows[1], rows[3], rows[0]}));
}

// A table whose records are all outside CH0..CH63 gives nothing to load:
// the grid stays and the user is told; an empty table stays silent.
void TestTableFiles::loadWithNoChannelRecordSaysSo() {
    const QString path = file(QStringLiteral("no-channel.mdb"));
    QString why;
    QVERIFY2(TableFiles::writeTable(path, m_dir.filePath("gprs.mdb"), QStringLiteral("iSMSx"),
                                    {QStringList{"CH64"}, QStringList{"X1"}}, &why),
             qPrintable(why));
    fill(gridOf(3), 2);
    const QList<QStringList> before = stored(gridOf(3));
    load(3, path);
    QCOMPARE(h->dialogs.messageCount(), 1);
    QVERIFY(h->dialogs.lastText().startsWith(QStringLiteral("执行错误！")));
    QVERIFY(h->dialogs.lastText().contains(QStringLiteral("CH0")));
    QCOMPARE(stored(gridOf(3)), before);
    load(3, m_dir.filePath("gprs.mdb"));
    QCOMPARE(h->dialogs.messageCount(), 1);
    QCOMPARE(stored(gridOf(3)), before);
}

void TestTableFiles::failingLoadLeavesGrid_data() {
    QTest::addColumn<QByteArray>("content");  // empty: a record with a Null field
    QTest::newRow("not a database") << QByteArray(8192, '\x5A');
    QTest::newRow("field without a value") << QByteArray();
}

void TestTableFiles::failingLoadLeavesGrid() {
    QFETCH(QByteArray, content);
    const QString path = file(QStringLiteral("bad-%1.mdb").arg(QTest::currentDataTag()));
    if (content.isEmpty()) {
        QString why;
        QVERIFY(TableFiles::writeTable(path, m_dir.filePath("gprs.mdb"), QStringLiteral("iSMSx"),
                                       {QStringList{"CH0"}}, &why));
        // CH1 whole, CH0 with Null fields: the load stops at CH0 without
        // having touched the grid.
        jetdb::Error err;
        auto db = jetdb::Database::open(path, &err);
        auto rs = db->openRecordset(QStringLiteral("select * from iSMSx"), &err);
        rs->addNew();
        for (int i = 0; i < rs->fieldCount(); ++i) QVERIFY(rs->setField(i, QStringLiteral("CH1"), &err));
        QVERIFY2(rs->update(&err), qPrintable(err.text));
    } else {
        QVERIFY(writeAll(path, content));
    }
    fill(gridOf(3), 2);
    const QList<QStringList> before = stored(gridOf(3));
    load(3, path);
    QCOMPARE(h->dialogs.messageCount(), 1);
    QVERIFY(h->dialogs.lastText().startsWith(QStringLiteral("执行错误！")));
    QCOMPARE(stored(gridOf(3)), before);
}

void TestTableFiles::missingTemplate() {
    QTemporaryDir empty;
    Vb::setAppPath(empty.path());
    fill(gridOf(4), 1);
    const QString path = file(QStringLiteral("no-template.mdb"));
    save(4, path);
    QCOMPARE(h->dialogs.messageCount(), 1);
    QVERIFY(h->dialogs.lastText().startsWith(QStringLiteral("执行错误！")));
    QVERIFY(h->dialogs.lastText().contains(QStringLiteral("gprs.mdb")));
    QVERIFY(!QFileInfo::exists(path));
    // An existing file needs no template.
    Vb::setAppPath(m_dir.path());
    save(4, path);
    Vb::setAppPath(empty.path());
    h->dialogs.clear();
    fill(gridOf(4), 2);
    save(4, path);
    QVERIFY2(h->dialogs.messages().isEmpty(), qPrintable(h->dialogs.describe()));
    checkWithReaders(path, QStringLiteral("oSMSx"), stored(gridOf(4)));
}

void TestTableFiles::dialogsAndDataFolder() {
    // Cancelled dialogs change nothing; other pages save and load nothing.
    fill(gridOf(3), 2);
    const QList<QStringList> before = stored(gridOf(3));
    form()->SSTab1->setCurrentIndex(3);
    form()->tableFiles->mSaveSetup->trigger();
    form()->tableFiles->mLoadSetup->trigger();
    const QString other = file(QStringLiteral("other-page.mdb"));
    save(0, other);
    QVERIFY(!QFileInfo::exists(other));
    QCOMPARE(stored(gridOf(3)), before);
    QCOMPARE(h->dialogs.files().size(), 3);
    for (const Dialogs::FileRequest& f : h->dialogs.files()) {
        QCOMPARE(QDir(f.directory).canonicalPath(), QDir(m_dir.filePath("Data")).canonicalPath());
        QCOMPARE(Dialogs::qtFilter(f.filter), Dialogs::qtFilter(QStringLiteral("数据文件(*.MDB)|*.mdb")));
    }
    QVERIFY(h->dialogs.files()[0].save);
    // The export replaces one table and keeps the rest of the file: there
    // is nothing to confirm about choosing an existing one.
    QVERIFY(!h->dialogs.files()[0].confirmOverwrite);
    QVERIFY(!h->dialogs.files()[1].save);
    QVERIFY(h->dialogs.messages().isEmpty());

    // A program folder where no Data folder can be made (here a file holds
    // the name; a folder installed for all users does the same): the
    // user's own data folder.
    QTemporaryDir locked;
    QVERIFY(writeAll(locked.filePath("Data"), "not a folder"));
    Vb::setAppPath(locked.path());
    QStandardPaths::setTestModeEnabled(true);
    const QString folder = TableFiles::dataFolder();
    QStandardPaths::setTestModeEnabled(false);
    QVERIFY(!folder.startsWith(locked.path()));
    QVERIFY(folder.endsWith(QStringLiteral("/Data")));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QFileInfo(folder).isWritable());
}

void TestTableFiles::rightButtonShowsMenu() {
    form()->SSTab1->setCurrentIndex(3);
    for (FlexGrid* g : {gridOf(3), gridOf(4)}) {
        form()->SSTab1->setCurrentWidget(g->parentWidget());
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!form()->tableFiles->mpop->isVisible());
        QTest::mouseClick(g->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QVERIFY(QTest::qWaitFor([&] { return form()->tableFiles->mpop->isVisible(); }, 2000));
        form()->tableFiles->mpop->hide();
    }
}

void TestTableFiles::saveRefusesFilesItWouldPart_data() {
    QTest::addColumn<QString>("said");
    QTest::newRow("read-only") << QStringLiteral("只读");
    QTest::newRow("second hard link") << QStringLiteral("硬链接");
    QTest::newRow("held by another export") << QStringLiteral("正在使用");
}

// Replacing the file would ignore its read-only mark, part it from its other
// names or lose another export's change: refused after at most a short wait,
// with the file named, and nothing changed.
void TestTableFiles::saveRefusesFilesItWouldPart() {
    QFETCH(QString, said);
    const QString path = file(QString::fromUtf8(QTest::currentDataTag()) + QStringLiteral(".mdb"));
    fill(gridOf(4), 2);
    save(4, path);
    const QByteArray before = readAll(path);
    std::unique_ptr<QProcess> holder;  // killed with the test's end
    if (said == QStringLiteral("硬链接"))
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(path + "2").constData()), 0);
    else if (said == QStringLiteral("只读"))
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    else
        QVERIFY(holder = holdLock(path));
    const QStringList entries = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    h->dialogs.clear();
    fill(gridOf(4), 3);
    save(4, path);
    QCOMPARE(h->dialogs.messageCount(), 1);
    QVERIFY(h->dialogs.lastText().startsWith(QStringLiteral("执行错误！")));
    QVERIFY2(h->dialogs.lastText().contains(path) && h->dialogs.lastText().contains(said),
             qPrintable(h->dialogs.lastText()));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), entries);
}

void TestTableFiles::saveWritesThroughSymbolicLink() {
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("real")));
    const QString real = file(QStringLiteral("real/target.mdb"));
    fill(gridOf(3), 1);
    save(3, real);
    QVERIFY(QFile::link(real, file(QStringLiteral("link.mdb"))));
    fill(gridOf(3), 3);
    save(3, file(QStringLiteral("link.mdb")));
    QVERIFY2(h->dialogs.messages().isEmpty(), qPrintable(h->dialogs.describe()));
    QVERIFY(QFileInfo(file(QStringLiteral("link.mdb"))).isSymLink());
    QCOMPARE(QDir(file(QStringLiteral("real"))).entryList(QDir::Files | QDir::Hidden), QStringList{"target.mdb"});
    checkWithReaders(real, QStringLiteral("iSMSx"), stored(gridOf(3)));
}

// A killed export's temporary file goes at the next export into the
// folder; one a running export holds, and files of other names, stay.
void TestTableFiles::saveRemovesOnlyStaleLeftovers() {
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("left")));
    const QString dir = file(QStringLiteral("left"));
    const QStringList names{".t.mdb.Ab12Cd", ".u.MDB.Zz0000", ".t.mdb.Live00", ".t.mdb.bak", ".notes.txt.Ab12Cd", "t.mdb.Ab12Cd"};
    for (const QString& n : names) QVERIFY(writeAll(dir + QLatin1Char('/') + n, "x"));
    auto holder = holdLock(dir + QStringLiteral("/.t.mdb.Live00"));
    QVERIFY(holder);
    fill(gridOf(4), 2);
    save(4, dir + QStringLiteral("/t.mdb"));
    holder->kill();
    holder->waitForFinished();
    QVERIFY2(h->dialogs.messages().isEmpty(), qPrintable(h->dialogs.describe()));
    QStringList left = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    QStringList expected = names.mid(2) << QStringLiteral("t.mdb");
    expected.sort();
    QCOMPARE(left, expected);
}

QTEST_MAIN(TestTableFiles)
#include "tst_table_files.moc"
