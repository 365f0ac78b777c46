#include "TableFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QTabWidget>
#include <memory>

#include "JetDb.h"
#include "SettingsForm.h"
#include "TableTabs.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/FlexGrid.h"
#include "platform/Vb.h"

namespace {

const QString kFilter = QStringLiteral("数据文件(*.MDB)|*.mdb");
constexpr int kMaxIndex = 63;

QString templatePath() { return QDir(Vb::appPath()).filePath(QStringLiteral("gprs.mdb")); }

bool usableFolder(const QString& dir) {
    return QDir().mkpath(dir) && QFileInfo(dir).isDir() && QFileInfo(dir).isWritable();
}

}  // namespace

TableFiles::TableFiles(SettingsForm* form) : QObject(form), m_form(form) {
    mpop = new QMenu(form);
    Controls::setName(mpop, "mpop");
    mLoadSetup = mpop->addAction(QStringLiteral("导入设置"));
    Controls::setName(mLoadSetup, "mLoadSetup");
    mSaveSetup = mpop->addAction(QStringLiteral("导出设置"));
    Controls::setName(mSaveSetup, "mSaveSetup");
    connect(mLoadSetup, &QAction::triggered, this, &TableFiles::loadSetup);
    connect(mSaveSetup, &QAction::triggered, this, &TableFiles::saveSetup);

    // The command table shows the menu on release, the input table on press.
    FlexGrid* commands = form->commandTab->MSGrid1;
    FlexGrid* inputs = form->inputTab->MSGrid2;
    connect(commands, &FlexGrid::gridMouseUp, this, [this, commands](Qt::MouseButton b, QPoint pos) {
        if (b == Qt::RightButton) mpop->popup(commands->mapToGlobal(pos));
    });
    connect(inputs, &FlexGrid::gridMouseDown, this, [this, inputs](Qt::MouseButton b, QPoint pos) {
        if (b == Qt::RightButton) mpop->popup(inputs->mapToGlobal(pos));
    });
}

QString TableFiles::dataFolder() {
    const QString beside = QDir(Vb::appPath()).filePath(QStringLiteral("Data"));
    if (usableFolder(beside)) return beside;
    const QString own = QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                            .filePath(QStringLiteral("Data"));
    QDir().mkpath(own);
    return own;
}

bool TableFiles::currentTable(FlexGrid** grid, QString* table) const {
    switch (m_form->SSTab1->currentIndex()) {
        case 3:
            *grid = m_form->inputTab->MSGrid2;
            *table = QStringLiteral("iSMSx");
            return true;
        case 4:
            *grid = m_form->commandTab->MSGrid1;
            *table = QStringLiteral("oSMSx");
            return true;
        default:
            return false;
    }
}

void TableFiles::showError(const QString& why) {
    Dialogs::msgBox(m_form, QStringLiteral("执行错误！") + why, QStringLiteral("提示"),
                    Dialogs::Icon::Information);
}

void TableFiles::saveSetup() {
    // Choosing an existing file replaces the one table and keeps the rest:
    // no question about replacing the file.
    const QString path = Dialogs::saveFile(m_form, QString(), kFilter, dataFolder() + QLatin1Char('/'),
                                           QString(), QStringLiteral("mdb"), false);
    if (path.isEmpty()) return;
    FlexGrid* grid = nullptr;
    QString table;
    if (!currentTable(&grid, &table)) return;
    // An empty input table is not saved; an empty command table empties the
    // file's table.
    if (table == QStringLiteral("iSMSx") && grid->Rows() < 2) return;
    QList<QStringList> rows;
    for (int r = 1; r < grid->Rows(); ++r) {
        QStringList row;
        for (int c = 1; c < grid->Cols(); ++c) row << grid->TextMatrix(r, c);
        rows << row;
    }
    QString why;
    if (!writeTable(path, templatePath(), table, rows, &why)) showError(why);
}

void TableFiles::loadSetup() {
    const QString path = Dialogs::openFile(m_form, QString(), kFilter, dataFolder() + QLatin1Char('/'));
    if (path.isEmpty()) return;
    FlexGrid* grid = nullptr;
    QString table;
    if (!currentTable(&grid, &table)) return;
    QList<QStringList> rows;
    QString why;
    if (!readTable(path, table, grid->Cols() - 1, &rows, &why)) {
        showError(why);
        return;
    }
    if (rows.isEmpty()) return;  // an empty table leaves the grid as it was
    grid->setRows(1);
    grid->setRows(1 + int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) grid->setTextMatrix(r + 1, c + 1, rows[r][c]);
}

bool TableFiles::writeTable(const QString& path, const QString& templ, const QString& table,
                            const QList<QStringList>& rows, QString* why) {
    // A new file is built from the template and appears only once complete.
    const bool made = !QFileInfo::exists(path) && !QFileInfo(path).isSymLink();
    if (made && !QFileInfo::exists(templ)) {
        *why = QStringLiteral("找不到模板文件 %1").arg(QDir::toNativeSeparators(templ));
        return false;
    }
    jetdb::Error err;
    const auto fail = [&](std::unique_ptr<jetdb::Database>& db) {
        if (db && db->inTransaction()) db->rollback();
        db.reset();
        *why = err.text;
        return false;
    };
    std::unique_ptr<jetdb::Database> db = jetdb::Database::open(made ? templ : path, &err);
    if (!db) return fail(db);
    if (!(made ? db->beginTransAs(path, &err) : db->beginTrans(&err))) return fail(db);
    if (!db->execute(QStringLiteral("delete * from %1").arg(table), &err)) return fail(db);
    std::unique_ptr<jetdb::Recordset> rs =
        db->openRecordset(QStringLiteral("select * from %1").arg(table), &err);
    if (!rs) return fail(db);
    for (const QStringList& row : rows) {
        rs->addNew();
        for (int i = 0; i < row.size(); ++i)
            if (!rs->setField(i, row[i], &err)) return fail(db);
        if (!rs->update(&err)) return fail(db);
    }
    if (!db->commitTrans(&err)) return fail(db);
    return true;
}

bool TableFiles::readTable(const QString& path, const QString& table, int fields, QList<QStringList>* rows,
                           QString* why) {
    rows->clear();
    jetdb::Error err;
    std::unique_ptr<jetdb::Database> db = jetdb::Database::open(path, &err);
    std::unique_ptr<jetdb::Recordset> rs;
    if (db) rs = db->openRecordset(QStringLiteral("select * from %1").arg(table), &err);
    if (!rs) {
        *why = err.text;
        return false;
    }
    if (rs->isEmpty()) return true;
    QList<QStringList> found;
    for (int n = 0; n <= kMaxIndex; ++n) {
        if (!rs->findFirst(QStringLiteral("指令号 like 'CH%1'").arg(n), &err)) {
            *why = err.text;
            return false;
        }
        if (rs->noMatch()) continue;
        QStringList row;
        for (int i = 0; i < fields; ++i) {
            const jetdb::Value v = rs->field(i, &err);
            if (err) {
                *why = err.text;
                return false;
            }
            if (!v) {
                *why = QStringLiteral("表 %1 中 %2 的字段 %3 没有值")
                           .arg(table, QStringLiteral("CH%1").arg(n), rs->fieldName(i));
                return false;
            }
            row << *v;
        }
        found << row;
    }
    if (found.isEmpty()) {
        // Records, but none the grid can take: saying nothing would look like
        // an import that worked.
        *why = QStringLiteral("表 %1 中没有指令号为CH0-CH63的记录").arg(table);
        return false;
    }
    *rows = found;
    return true;
}
