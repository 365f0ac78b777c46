// The only file that talks to libmdb. glib must come first: Debian's
// mdbtools.h includes it inside extern "C", which breaks glib's C++ templates
// when they are seen there for the first time.
#include <glib.h>
#include <mdbtools.h>

#include "JetInternal.h"

#include <memory>
#include <vector>

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

HandlePtr openHandle(const QString& file, QString* err)
{
    const QByteArray name = file.toLocal8Bit();
    HandlePtr h(mdb_open(name.constData(), MDB_NOFLAGS));
    if (!h) {
        *err = QStringLiteral("不是可读的 Access 数据库文件：%1").arg(file);
        return nullptr;
    }
    if (!mdb_read_catalog(h.get(), MDB_TABLE)) {
        *err = QStringLiteral("无法读取数据库目录：%1").arg(file);
        return nullptr;
    }
    return h;
}

QList<MdbCatalogEntry*> userTables(MdbHandle* h)
{
    QList<MdbCatalogEntry*> out;
    if (!h->catalog)
        return out;
    for (guint i = 0; i < h->catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(h->catalog, i));
        if (e && e->object_type == MDB_TABLE && mdb_is_user_table(e))
            out.append(e);
    }
    return out;
}

}  // namespace

bool mdbListTables(const QString& file, QStringList* names, QString* err)
{
    HandlePtr h = openHandle(file, err);
    if (!h)
        return false;
    names->clear();
    for (MdbCatalogEntry* e : userTables(h.get()))
        names->append(QString::fromUtf8(e->object_name, qstrnlen(e->object_name, MDB_MAX_OBJ_NAME)));
    return true;
}

bool mdbReadTable(const QString& file, const QString& table, TableData* out, QString* err)
{
    HandlePtr h = openHandle(file, err);
    if (!h)
        return false;
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
    for (unsigned i = 0; i < ncols; ++i)
        mdb_bind_column(t.get(), int(i) + 1, bufs[i].data(), &lens[i]);

    // mdb_crack_row fills one entry per column it knows; give it room for
    // the most a row can claim.
    std::vector<MdbField> fields(MDB_MAX_COLS + 1);
    const unsigned maxRows = 1000000;
    while (mdb_fetch_row(t.get())) {
        // libmdb moves on to an empty data page without checking its row
        // count and then yields one all-null row that does not exist.
        if (mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset) == 0)
            continue;
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
                rec.append(QString::fromUtf8(bufs[i].data(), n));
            }
        }
        out->rows.append(rec);
        if (unsigned(out->rows.size()) > maxRows) {
            *err = QStringLiteral("表 %1 的记录数不合理").arg(table);
            return false;
        }
    }
    return true;
}

}  // namespace jetdb::detail
