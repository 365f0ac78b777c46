// Reading a table on our own, doubting everything, and the structure check
// every write runs on its result.

#include <algorithm>

#include "Jet4Layout.h"

namespace jetdb::detail {

// ------------------------------------------------------------ strict reading

void Image::readTableStrict(const QString& table, QStringList* columns, QList<Record>* rows) const {
    if (m_b.size() % kPageSize != 0) fail(QStringLiteral("文件大小不是整页数，文件可能被截断或已损坏"));
    const quint32 tdef = findUserTable(table);
    const TableDef t = readTableDef(tdef);
    // A definition our writer would refuse cannot be read by position and
    // slot either: values would land under other names.
    checkTableShape(t, table, QStringLiteral("文件可能已损坏，或不是本程序能读取的表"));
    columns->clear();
    rows->clear();
    for (const Column& c : t.columns) columns->append(c.name);
    bool beyondEnd = false;
    const QList<quint32> owned = mapPages(t.ownedMap, &beyondEnd);
    if (beyondEnd) fail(QStringLiteral("表 %1 的页面映射指向文件末尾以外的页，文件可能被截断").arg(table));
    for (quint32 p : owned)
        if (!isDataPageOf(*this, p, tdef))
            fail(QStringLiteral("表 %1 的页面映射指向不属于它的页 %2").arg(table).arg(p));
    // Rows of this table on pages its map does not own would be lost
    // without a word.
    for (quint32 p = 1; p < pageCount(); ++p) {
        if (!isDataPageOf(*this, p, tdef) || std::binary_search(owned.begin(), owned.end(), p)) continue;
        const qsizetype at = pageStart(p);
        const int n = rowCountOnPage(p);
        if (kDataOffsets + 2 * n > kPageSize) fail(damaged());
        for (int r = 0; r < n; ++r)
            if (!(u16(at + kDataOffsets + 2 * r) & kRowDeleted))
                fail(QStringLiteral("表 %1 有记录在页面映射以外的页 %2 上").arg(table).arg(p));
    }
    for (quint32 p : owned) {
        const qsizetype at = pageStart(p);
        const int n = rowCountOnPage(p);
        if (kDataOffsets + 2 * n > kPageSize) fail(damaged());
        for (int r = 0; r < n; ++r) {
            const quint16 raw = u16(at + kDataOffsets + 2 * r);
            if (raw & kRowDeleted) continue;
            if (raw & kRowOverflow)
                fail(QStringLiteral("表 %1 含有被移到其他页的记录（页 %2 第 %3 个），无法完整读取")
                         .arg(table)
                         .arg(p)
                         .arg(r));
            qsizetype s = 0, e = 0;
            rowBounds(p, r, &s, &e);
            if (u16(s) == 0 || u16(s) > t.maxCols) fail(damaged());
            const QList<Cell> cells = crackRow(t, s, e);
            Record rec;
            rec.reserve(cells.size());
            for (qsizetype i = 0; i < cells.size(); ++i) {
                const Column& c = t.columns[i];
                const Cell& v = cells[i];
                if (!v) {
                    rec.append(std::nullopt);
                    continue;
                }
                // Bytes that no longer decode as the text the writer stores
                // are damage, not a value.
                bool clean = false;
                const QString text = decodeText(*v, &clean);
                QString bad = invalidTextReason(text);
                if (!clean) bad = QStringLiteral("的字节不是完整的文本");
                else if (v->size() > c.length || text.size() > c.length / 2)
                    bad = QStringLiteral("超出字段长度");
                else if (!bad.isEmpty())
                    bad = QStringLiteral("的内容无效（%1）").arg(bad);
                if (!bad.isEmpty())
                    fail(QStringLiteral("表 %1 第 %2 条记录的字段 %3 %4，文件可能已损坏")
                             .arg(table)
                             .arg(rows->size() + 1)
                             .arg(c.name, bad));
                rec.append(text);
            }
            rows->append(rec);
        }
    }
    if (quint32(rows->size()) != t.rowCount)
        fail(QStringLiteral("表 %1 的记录数与表定义不符（定义为 %2，读到 %3），文件可能已损坏")
                 .arg(table)
                 .arg(t.rowCount)
                 .arg(rows->size()));
}

QStringList checkStructure(const QByteArray& file) {
    QStringList problems;
    try {
        const Image img(file);
        img.checkWritable();
        for (const CatalogEntry& e : img.readCatalog()) {
            if ((e.type & 0x7F) != 1 || (e.flags & 0x80000002u)) continue;
            const quint32 tdef = e.id & 0x00FFFFFF;
            const TableDef t = img.readTableDef(tdef);
            quint64 live = 0;
            for (quint32 p : img.mapPages(t.ownedMap)) {
                const QString where = QStringLiteral("%1 page %2").arg(e.name).arg(p);
                if (!isDataPageOf(img, p, tdef)) {
                    problems << where + QStringLiteral(": owned page is not its data page");
                    continue;
                }
                const int n = img.rowCountOnPage(p);
                if (n == 0) problems << where + QStringLiteral(": empty data page");
                if (img.mapTest(kGlobalMap, p))
                    problems << where + QStringLiteral(": marked free in the global map");
                if (img.u16(img.pageStart(p) + kDataFreeSpace) != img.freeSpace(p))
                    problems << where + QStringLiteral(": wrong free-space field");
                for (int r = 0; r < n; ++r) {
                    qsizetype s = 0, end = 0;
                    if (img.rowBounds(p, r, &s, &end)) ++live;
                }
            }
            for (quint32 p : img.mapPages(t.freeMap))
                if (!img.mapTest(t.ownedMap, p))
                    problems
                        << QStringLiteral("%1 page %2: free-space map page not owned").arg(e.name).arg(p);
            if (live != t.rowCount)
                problems << QStringLiteral("%1: %2 rows stored, definition says %3")
                                .arg(e.name)
                                .arg(live)
                                .arg(t.rowCount);
        }
    } catch (const JetFault& f) {
        problems << f.text;
    }
    return problems;
}

}  // namespace jetdb::detail
