// The only file that talks to libmdb. glib must come first: Debian's
// mdbtools.h includes it inside extern "C", which breaks glib's C++ templates
// when they are seen there for the first time.
#include <glib.h>
#include <mdbtools.h>

#include <QFile>
#include <memory>
#include <vector>

#include "Jet4File.h"
#include "JetInternal.h"

namespace jetdb::detail {

namespace {

struct HandleCloser {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};
struct TableFree {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using HandlePtr = std::unique_ptr<MdbHandle, HandleCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFree>;

HandlePtr openHandle(const QString& file, QString* err) {
    const QByteArray name = file.toLocal8Bit();
    HandlePtr h(mdb_open(name.constData(), MDB_NOFLAGS));
    if (!h) {
        *err = QStringLiteral("不是可读的 Access 数据库文件：%1").arg(file);
        return nullptr;
    }
    // A file cut short or grown by a partial copy is not a whole number of
    // pages; libmdb would read what is left without a word.
    const qint64 size = QFile(file).size();
    if (!h->fmt || h->fmt->pg_size == 0 || size % h->fmt->pg_size != 0) {
        *err = QStringLiteral("数据库文件 %1 的大小不是整页数，文件可能被截断或已损坏").arg(file);
        return nullptr;
    }
    if (!mdb_read_catalog(h.get(), MDB_TABLE)) {
        *err = QStringLiteral("无法读取数据库目录：%1").arg(file);
        return nullptr;
    }
    return h;
}

QList<MdbCatalogEntry*> userTables(MdbHandle* h) {
    QList<MdbCatalogEntry*> out;
    if (!h->catalog) return out;
    for (guint i = 0; i < h->catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(h->catalog, i));
        if (e && e->object_type == MDB_TABLE && mdb_is_user_table(e)) out.append(e);
    }
    return out;
}

}  // namespace

bool mdbListTables(const QString& file, QStringList* names, QString* err) {
    HandlePtr h = openHandle(file, err);
    if (!h) return false;
    names->clear();
    for (MdbCatalogEntry* e : userTables(h.get()))
        names->append(QString::fromUtf8(e->object_name, qstrnlen(e->object_name, MDB_MAX_OBJ_NAME)));
    return true;
}

bool mdbReadTable(const QString& file, const QString& table, TableData* out, QString* err) {
    HandlePtr h = openHandle(file, err);
    if (!h) return false;
    MdbCatalogEntry* entry = nullptr;
    for (MdbCatalogEntry* e : userTables(h.get())) {
        // Jet names are case-insensitive.
        const QString n = QString::fromUtf8(e->object_name, qstrnlen(e->object_name, MDB_MAX_OBJ_NAME));
        if (n.compare(table, Qt::CaseInsensitive) == 0) {
            entry = e;
            break;
        }
    }
    if (!entry) {
        *err = QStringLiteral("数据库中没有表 %1").arg(table);
        return false;
    }
    TablePtr t(mdb_read_table(entry));
    if (!t || !mdb_read_columns(t.get()) || !t->columns) {
        *err = QStringLiteral("无法读取表 %1 的定义").arg(table);
        return false;
    }
    const unsigned ncols = t->columns->len;
    if (ncols == 0 || ncols > MDB_MAX_COLS) {
        *err = QStringLiteral("表 %1 的字段定义无效").arg(table);
        return false;
    }
    out->columns.clear();
    out->rows.clear();
    for (unsigned i = 0; i < ncols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        out->columns.append(QString::fromUtf8(col->name, qstrnlen(col->name, MDB_MAX_OBJ_NAME)));
    }

    MdbHandle* mdb = h.get();
    const size_t bindSize = mdb->bind_size ? mdb->bind_size : MDB_BIND_SIZE;
    std::vector<std::vector<char>> bufs(ncols, std::vector<char>(bindSize + 1, 0));
    std::vector<int> lens(ncols, 0);
    mdb_rewind_table(t.get());
    for (unsigned i = 0; i < ncols; ++i) mdb_bind_column(t.get(), int(i) + 1, bufs[i].data(), &lens[i]);

    // mdb_crack_row fills one entry per column it knows; give it room for
    // the most a row can claim.
    std::vector<MdbField> fields(MDB_MAX_COLS + 1);
    const unsigned maxRows = 1000000;
    while (mdb_fetch_row(t.get())) {
        // libmdb moves on to an empty data page without checking its row
        // count and then yields one all-null row that does not exist.
        if (mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset) == 0) continue;
        // Bound columns give "" for both Null and the empty text; the row's
        // null mask tells them apart.
        int start = 0;
        size_t size = 0;
        if (t->cur_row == 0 || mdb_find_row(mdb, int(t->cur_row) - 1, &start, &size) != 0) {
            *err = QStringLiteral("表 %1 的记录已损坏").arg(table);
            return false;
        }
        std::fill(fields.begin(), fields.end(), MdbField{});
        const int cracked = mdb_crack_row(t.get(), start & 0x1FFF, size, fields.data());
        if (cracked < int(ncols)) {
            *err = QStringLiteral("表 %1 的记录已损坏").arg(table);
            return false;
        }
        Record rec;
        rec.reserve(int(ncols));
        for (unsigned i = 0; i < ncols; ++i) {
            if (fields[i].is_null) {
                rec.append(std::nullopt);
            } else {
                const int n = std::clamp(lens[i], 0, int(bindSize));
                rec.append(utf8Text(bufs[i].data(), n));
            }
        }
        out->rows.append(rec);
        if (unsigned(out->rows.size()) > maxRows) {
            *err = QStringLiteral("表 %1 的记录数不合理").arg(table);
            return false;
        }
    }
    // libmdb never compares what it found with the table definition: a lost
    // page or a damaged row count shows as missing or extra rows.
    if (quint64(out->rows.size()) != quint64(t->num_rows)) {
        *err = QStringLiteral("表 %1 的记录数与表定义不符（定义为 %2，读到 %3），文件可能已损坏")
                   .arg(table)
                   .arg(t->num_rows)
                   .arg(out->rows.size());
        return false;
    }
    if (IS_JET3(mdb)) return true;
    // Jet 4: read the table a second time on our own, doubting everything
    // libmdb lets pass (moved rows, rows outside the table's page map, row
    // bounds). Both must agree; our texts are kept, since libmdb cannot
    // carry every character.
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        *err = QStringLiteral("无法打开数据库文件：%1").arg(file);
        return false;
    }
    QStringList ownColumns;
    QList<Record> ownRows;
    try {
        const Image img(f.readAll());
        img.readTableStrict(table, &ownColumns, &ownRows);
    } catch (const JetFault& fault) {
        *err = fault.text;
        return false;
    }
    const QString disagree =
        QStringLiteral("表 %1 的结构有疑问（两种读取结果不一致），文件可能已损坏").arg(table);
    if (ownColumns != out->columns || ownRows.size() != out->rows.size()) {
        *err = disagree;
        return false;
    }
    std::vector<bool> isText(ncols, false);
    for (unsigned i = 0; i < ncols; ++i)
        isText[i] = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i))->col_type == MDB_TEXT;
    for (qsizetype r = 0; r < ownRows.size(); ++r) {
        Record& theirs = out->rows[r];
        const Record& ours = ownRows[r];
        for (unsigned i = 0; i < ncols; ++i) {
            // Other types (a Yes/No column lives in the null mask alone) are
            // libmdb's to read.
            if (!isText[i]) continue;
            if (bool(ours[i]) != bool(theirs[i])) {
                *err = disagree;
                return false;
            }
            if (!ours[i]) continue;
            bool plain = true;
            for (QChar c : *ours[i]) plain = plain && !c.isSurrogate() && c.unicode() != 0;
            if (plain && *ours[i] != *theirs[i]) {
                *err = disagree;
                return false;
            }
            theirs[i] = ours[i];
        }
    }
    return true;
}

}  // namespace jetdb::detail
