// Changing tables: emptying one and appending text rows, on a table
// checked to be of the kind we can write.

#include <cstring>

#include "Jet4Layout.h"

namespace jetdb::detail {

// ------------------------------------------------------------------ writing


TableDef Image::writableTable(const QString& table) const {
    checkWritable();
    const TableDef t = readTableDef(findUserTable(table));
    checkTableShape(t, table, QStringLiteral("无法写入"));
    return t;
}

void Image::deleteAll(const QString& table) { deleteAll(writableTable(table)); }

void Image::deleteAll(const TableDef& t) {
    const quint32 tdef = t.page;
    // Releasing the pages rather than flagging each row leaves no deleted
    // rows and no empty data pages, both of which trip up libmdb.
    for (quint32 p : mapPages(t.ownedMap)) {
        if (!isDataPageOf(*this, p, tdef)) continue;
        mapSet(t.ownedMap, p, false);
        mapSet(t.freeMap, p, false);
        releasePage(p);
    }
    put32(pageStart(tdef) + kTdefRowCount, 0);
}

QString unstorableReason(const QString& s) {
    // libmdb turns characters outside the BMP into "??" and ends a text at
    // U+0000; a leading U+FEFF is dropped by the readers and, stored plain,
    // looks like the compressed-text mark. What the import refuses as
    // damage is refused here too.
    if (!s.isEmpty() && s[0].unicode() == 0xFEFF) return QStringLiteral("以字节顺序标记（U+FEFF）开头");
    const QString invalid = invalidTextReason(s);
    if (!invalid.isEmpty()) return invalid;
    for (QChar c : s)
        if (c.isSurrogate())
            return QStringLiteral("含有 Access 文件无法原样保存的字符（如表情符号等扩展字符）");
    return {};
}

void Image::appendRow(const QString& table, const Record& values) {
    appendRow(writableTable(table), table, values);
}

void Image::appendRow(const TableDef& t, const QString& table, const Record& values) {
    const quint32 tdef = t.page;
    const quint32 rowCount = u32(pageStart(tdef) + kTdefRowCount);
    const quint32 rowNo = rowCount + 1;
    if (values.size() != t.columns.size())
        fail(QStringLiteral("表 %1 有 %2 个字段，记录给出了 %3 个")
                 .arg(table)
                 .arg(t.columns.size())
                 .arg(values.size()));
    QList<Cell> cells;
    for (qsizetype i = 0; i < t.columns.size(); ++i) {
        const Column& c = t.columns[i];
        const Value& v = values[i];
        if (!v) {
            cells.append(std::nullopt);
            continue;
        }
        const QString why = unstorableReason(*v);
        if (!why.isEmpty())
            fail(QStringLiteral("表 %1 第 %2 行的字段 %3 %4，无法保存")
                     .arg(table)
                     .arg(rowNo)
                     .arg(c.name, why));
        const QByteArray enc = encodeText(*v, c.miscFlags & 0x01);
        if (v->size() > c.length / 2 || enc.size() > c.length)
            fail(QStringLiteral("表 %1 第 %2 行：字段 %3 太小，放不下 %4 个字符的内容（最多 %5 个）")
                     .arg(table)
                     .arg(rowNo)
                     .arg(c.name)
                     .arg(v->size())
                     .arg(c.length / 2));
        cells.append(enc);
    }
    const QByteArray row = packRow(t.columns, cells);
    if (row.size() > kMaxRowSize)
        fail(QStringLiteral("表 %1 第 %2 行：记录太大（%3 字节，最多 %4 字节）")
                 .arg(table)
                 .arg(rowNo)
                 .arg(row.size())
                 .arg(kMaxRowSize));

    // Rows go onto the table's last page while it has room, then onto a new
    // page above it, so that page order is insertion order.
    quint32 last = 0;
    bool haveLast = false;
    for (quint32 p : mapPages(t.ownedMap))
        if (isDataPageOf(*this, p, tdef)) {
            last = p;
            haveLast = true;
        }
    auto fits = [&](quint32 p) {
        const qsizetype at = pageStart(p);
        const int n = u16(at + kDataRowCount);
        if (n >= kMaxRowsPerPage) return false;
        // The row's end is taken from the previous row's offset, so the new
        // row must sit right below the last one.
        if (n > 0) {
            int lowest = kPageSize;
            for (int r = 0; r < n; ++r)
                lowest = std::min(lowest, u16(at + kDataOffsets + 2 * r) & kRowOffsetMask);
            if ((u16(at + kDataOffsets + 2 * (n - 1)) & kRowOffsetMask) != lowest) return false;
        }
        return freeSpace(p) >= row.size() + 2;
    };
    quint32 target = 0;
    if (haveLast && mapTest(t.freeMap, last) && fits(last)) {
        target = last;
    } else {
        if (haveLast) mapSet(t.freeMap, last, false);
        target = allocatePage(haveLast ? last : 0);
        const qsizetype at = pageStart(target);
        put8(at, 0x01);
        put8(at + 1, 0x01);
        put32(at + kDataTdef, tdef);
        put16(at + kDataRowCount, 0);
        mapSet(t.ownedMap, target, true);
        mapSet(t.freeMap, target, true);
        // A map that cannot really hold the page must not pass silently.
        if (!mapTest(t.ownedMap, target))
            fail(QStringLiteral("表 %1 的页面映射无法记录新页，无法写入").arg(table));
    }
    const qsizetype at = pageStart(target);
    const int n = u16(at + kDataRowCount);
    int lowest = kPageSize;
    for (int r = 0; r < n; ++r) lowest = std::min(lowest, u16(at + kDataOffsets + 2 * r) & kRowOffsetMask);
    const int offset = lowest - int(row.size());
    if (offset < kDataOffsets + 2 * (n + 1))
        fail(QStringLiteral("表 %1 的数据页已损坏，无法写入").arg(table));
    std::memcpy(m_b.data() + at + offset, row.constData(), size_t(row.size()));
    put16(at + kDataOffsets + 2 * n, quint16(offset));
    put16(at + kDataRowCount, quint16(n + 1));
    put16(at + kDataFreeSpace, quint16(freeSpace(target)));
    put32(pageStart(tdef) + kTdefRowCount, rowNo);
}

}  // namespace jetdb::detail
