// The template gprs.mdb, written from nothing: no Access-made file is copied.
//
// Layout (4 KiB pages):
//   0  database header          6  usage-map rows of every table
//   1  global page map          7  MSysObjects rows (the catalog)
//   2  MSysObjects definition   8  iSMSx definition
//   3  MSysACEs definition      9  oSMSx definition
//   4  MSysQueries definition  10  Phone_Table definition
//   5  MSysRelationships definition
// User tables start without data pages; the writer allocates them.

#include "Jet4File.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>

namespace jetdb::detail {

namespace {

constexpr double kCreationDate = 45292.0;  // 2024-01-01, fixed for identical output
constexpr int kTextChars = 255;

struct ColSpec {
    const char* name;  // UTF-8
    quint8 type;
    quint16 length;    // 0: default for the type
};

QList<Column> makeColumns(const QList<ColSpec>& specs)
{
    QList<Column> cols;
    quint16 fixedAt = 0, slot = 0, number = 0;
    for (const ColSpec& s : specs) {
        Column c;
        c.name = QString::fromUtf8(s.name);
        c.type = s.type;
        c.number = number++;
        switch (s.type) {
        case kText:
            c.length = s.length ? s.length : kTextChars * 2;
            c.miscFlags = 0x01;  // compressed unicode allowed
            break;
        case kBinary:
            c.length = 255;
            break;
        case kMemo:
        case kOle:
            c.length = 0;
            break;
        case kBool: c.length = 1; break;
        case kByte: c.length = 1; break;
        case kInt: c.length = 2; break;
        case kLong: case kFloat: c.length = 4; break;
        default: c.length = 8; break;
        }
        const bool fixed = !(s.type == kText || s.type == kBinary || s.type == kMemo || s.type == kOle);
        if (fixed) {
            c.flags = 0x03;
            c.fixedOffset = fixedAt;
            if (s.type != kBool)
                fixedAt = quint16(fixedAt + c.length);
        } else {
            c.flags = 0x02;
            c.varIndex = slot++;
        }
        cols.append(c);
    }
    return cols;
}

QByteArray ucs2(const QString& s)
{
    QByteArray b;
    for (QChar ch : s) {
        b.append(char(ch.unicode() & 0xFF));
        b.append(char(ch.unicode() >> 8));
    }
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    b[0] = char(v & 0xFF);
    b[1] = char(v >> 8);
    return b;
}

QByteArray leDouble(double d)
{
    QByteArray b(8, '\0');
    quint64 bits = 0;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i)
        b[i] = char((bits >> (8 * i)) & 0xFF);
    return b;
}

void writeTableDef(Image& img, quint32 page, bool system, const QList<Column>& cols, quint32 owned,
                   quint32 freeMap, quint32 rows)
{
    QByteArray d(kPageSize, '\0');
    Image t(d);
    t.put8(0, 0x02);
    t.put8(1, 0x01);
    t.put32(4, 0);  // no continuation page
    t.put32(16, rows);
    t.put8(40, system ? 0x53 : 0x4E);
    quint16 varCols = 0;
    for (const Column& c : cols)
        if (!c.fixed())
            ++varCols;
    t.put16(41, quint16(cols.size()));
    t.put16(43, varCols);
    t.put16(45, quint16(cols.size()));
    t.put32(47, 0);  // no indexes
    t.put32(51, 0);
    t.put32(55, owned);
    t.put32(59, freeMap);
    qsizetype at = 63;
    for (const Column& c : cols) {
        t.put8(at, c.type);
        t.put16(at + 5, c.number);
        t.put16(at + 7, c.varIndex);
        t.put16(at + 9, c.number);
        if (c.type == kText || c.type == kMemo)
            t.put16(at + 11, 0x0409);  // general sort order
        t.put8(at + 15, c.flags);
        t.put8(at + 16, c.miscFlags);
        t.put16(at + 21, c.fixedOffset);
        t.put16(at + 23, c.length);
        at += 25;
    }
    for (const Column& c : cols) {
        const QByteArray n = ucs2(c.name);
        t.put16(at, quint16(n.size()));
        std::memcpy(t.bytes().data() + at + 2, n.constData(), size_t(n.size()));
        at += 2 + n.size();
    }
    // End of the (empty) list of per-column long-value maps.
    t.put16(at, 0xFFFF);
    at += 2;
    t.put32(8, quint32(at - 8));
    t.put16(2, quint16(kPageSize - at - 8));
    std::memcpy(img.bytes().data() + qsizetype(page) * kPageSize, t.bytes().constData(), kPageSize);
}

// Starts a data page holding the given rows, in order.
void writeDataPage(Image& img, quint32 page, quint32 tdef, const QList<QByteArray>& rows)
{
    const qsizetype at = qsizetype(page) * kPageSize;
    img.put8(at, 0x01);
    img.put8(at + 1, 0x01);
    img.put32(at + 4, tdef);
    int offset = kPageSize;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        offset -= int(rows[r].size());
        std::memcpy(img.bytes().data() + at + offset, rows[r].constData(), size_t(rows[r].size()));
        img.put16(at + 14 + 2 * r, quint16(offset));
    }
    img.put16(at + 12, quint16(rows.size()));
    img.put16(at + 2, quint16(img.freeSpace(page)));
}

QByteArray usageMapRow(quint32 base, int bitmapBytes, const QList<quint32>& pages)
{
    QByteArray m(5 + bitmapBytes, '\0');
    m[0] = 0;
    const QByteArray b = le32(base);
    std::memcpy(m.data() + 1, b.constData(), 4);
    for (quint32 p : pages)
        m[5 + (p - base) / 8] = char(m[5 + (p - base) / 8] | (1 << ((p - base) % 8)));
    return m;
}

}  // namespace

QByteArray buildTemplate(double creationDate)
{
    constexpr quint32 kPages = 11;
    Image img(QByteArray(kPages * kPageSize, '\0'));

    // Page 0: header. Everything from 0x18 on is RC4-scrambled below.
    img.put8(0, 0x00);
    img.put8(1, 0x01);
    std::memcpy(img.bytes().data() + 4, "Standard Jet DB", 15);
    img.put32(0x14, 1);  // Jet 4
    {
        QByteArray h(128, '\0');
        Image hd(h);
        hd.put16(0x3C - 0x18, 1252);  // code page (Jet 4 text is UCS-2 anyway)
        hd.put32(0x3E - 0x18, 0);     // database key 0: not encrypted
        // Empty password: the stored bytes are just the mask Jet derives from
        // the creation date.
        const quint32 mask = quint32(qint32(creationDate));
        for (int i = 0; i < 40; ++i)
            hd.put8(0x42 - 0x18 + i, quint8(mask >> (8 * (i % 4))));
        hd.put16(0x6E - 0x18, 0x0409);  // general sort order
        const QByteArray date = leDouble(creationDate);
        std::memcpy(hd.bytes().data() + 0x72 - 0x18, date.constData(), 8);
        QByteArray enc = hd.bytes();
        scrambleHeader(enc);
        std::memcpy(img.bytes().data() + 0x18, enc.constData(), size_t(enc.size()));
    }

    // Page 1: the global map, inline, covering the first 4096 pages; no page
    // is free yet.
    writeDataPage(img, 1, 0, {usageMapRow(0, 512, {})});

    const QList<Column> sysObjects = makeColumns({
        {"Id", kLong, 0}, {"ParentId", kLong, 0}, {"Name", kText, 0}, {"Owner", kBinary, 0},
        {"Type", kInt, 0}, {"DateCreate", kDateTime, 0}, {"DateUpdate", kDateTime, 0},
        {"Flags", kLong, 0}, {"Database", kMemo, 0}, {"Connect", kMemo, 0},
        {"ForeignName", kText, 0}, {"RmtInfoShort", kBinary, 0}, {"RmtInfoLong", kOle, 0},
        {"Lv", kOle, 0}, {"LvProp", kOle, 0}, {"LvModule", kOle, 0}, {"LvExtra", kOle, 0},
    });
    const QList<Column> sysAces = makeColumns({
        {"ACM", kLong, 0}, {"FInheritable", kBool, 0}, {"ObjectId", kLong, 0}, {"SID", kBinary, 0},
    });
    const QList<Column> sysQueries = makeColumns({
        {"Attribute", kByte, 0}, {"Expression", kMemo, 0}, {"Flag", kInt, 0}, {"LvExtra", kOle, 0},
        {"Name1", kMemo, 0}, {"Name2", kMemo, 0}, {"ObjectId", kLong, 0}, {"Order", kBinary, 0},
    });
    const QList<Column> sysRelationships = makeColumns({
        {"ccolumn", kLong, 0}, {"grbit", kLong, 0}, {"icolumn", kLong, 0},
        {"szColumn", kText, 0}, {"szObject", kText, 0}, {"szReferencedColumn", kText, 0},
        {"szReferencedObject", kText, 0}, {"szRelationship", kText, 0},
    });
    // One record per grid row; field k-1 holds grid column k. The names
    // follow the grid headers.
    const QList<Column> inTable = makeColumns({
        {"指令号", kText, 0}, {"报警间隔", kText, 0}, {"报警次数", kText, 0},
        {"汉字英文", kText, 0}, {"号码表", kText, 0}, {"自动上传", kText, 0},
        {"符号位置", kText, 0}, {"正数符号", kText, 0}, {"负数符号", kText, 0},
        {"小数点位置", kText, 0}, {"小数位数", kText, 0}, {"数值类型", kText, 0},
        {"数值位置", kText, 0}, {"数值长度", kText, 0}, {"校验方式", kText, 0},
        {"校验字节数", kText, 0}, {"超限次数", kText, 0}, {"通信协议", kText, 0},
        {"数据格式", kText, 0}, {"字节排序", kText, 0}, {"位变量取值方式", kText, 0},
        {"数据头位置", kText, 0}, {"上限值", kText, 0}, {"下限值", kText, 0},
        {"数据头", kText, 0}, {"采集指令", kText, 0}, {"开关量1描述", kText, 0},
        {"开关量0描述", kText, 0}, {"短信内容", kText, 0}, {"关联变量", kText, 0},
    });
    const QList<Column> outTable = makeColumns({
        {"指令号", kText, 0}, {"汉字英文", kText, 0}, {"短信指令内容", kText, 0},
        {"短信回复", kText, 0}, {"操作对象", kText, 0}, {"关联变量", kText, 0},
        {"指令类型", kText, 0}, {"输出数据", kText, 0}, {"操作通道", kText, 0},
    });
    const QList<Column> phoneTable = makeColumns({
        {"序号", kText, 0}, {"号码", kText, 0}, {"备注", kText, 0},
    });

    struct TableSpec {
        const char* name;
        quint32 page;
        bool system;
        const QList<Column>* cols;
    };
    const QList<TableSpec> tables = {
        {"MSysObjects", 2, true, &sysObjects},
        {"MSysACEs", 3, true, &sysAces},
        {"MSysQueries", 4, true, &sysQueries},
        {"MSysRelationships", 5, true, &sysRelationships},
        {"iSMSx", 8, false, &inTable},
        {"oSMSx", 9, false, &outTable},
        {"Phone_Table", 10, false, &phoneTable},
    };

    // Page 6: two usage maps per table (owned pages, pages with free space),
    // 64-byte inline bitmaps. Only the catalog owns a data page (7).
    QList<QByteArray> maps;
    for (const TableSpec& t : tables) {
        const QList<quint32> pages = t.page == 2 ? QList<quint32>{7} : QList<quint32>{};
        maps << usageMapRow(0, 64, pages) << usageMapRow(0, 64, pages);
    }
    writeDataPage(img, 6, 0, maps);

    // Page 7: the catalog.
    const QByteArray date = leDouble(creationDate);
    auto catalogRow = [&](quint32 id, quint32 parent, const char* name, quint16 type, quint32 flags) {
        QList<Cell> cells(sysObjects.size(), std::nullopt);
        cells[0] = le32(id);
        cells[1] = le32(parent);
        cells[2] = encodeText(QString::fromUtf8(name), true);
        cells[4] = le16(type);
        cells[5] = date;
        cells[6] = date;
        cells[7] = le32(flags);
        return packRow(sysObjects, cells);
    };
    constexpr quint32 kTablesContainer = 0x0F000001;
    QList<QByteArray> catalog = {
        catalogRow(kTablesContainer, 0x0F000000, "Tables", 3, 0),
        catalogRow(0x0F000002, 0x0F000000, "Databases", 3, 0),
        catalogRow(0x0F000003, 0x0F000000, "Relationships", 3, 0),
        catalogRow(0x10000000, 0x0F000002, "MSysDb", 2, 0),
    };
    for (const TableSpec& t : tables)
        catalog << catalogRow(t.page, kTablesContainer, t.name, 1, t.system ? 0x80000000u : 0u);
    writeDataPage(img, 7, 2, catalog);

    for (qsizetype i = 0; i < tables.size(); ++i) {
        const TableSpec& t = tables[i];
        const quint32 owned = (6u << 8) | quint32(2 * i);
        const quint32 freeMap = (6u << 8) | quint32(2 * i + 1);
        writeTableDef(img, t.page, t.system, *t.cols, owned, freeMap,
                      t.page == 2 ? quint32(catalog.size()) : 0);
    }
    return img.bytes();
}

}  // namespace jetdb::detail

namespace jetdb {

QByteArray templateBytes()
{
    return detail::buildTemplate(detail::kCreationDate);
}

bool createTemplate(const QString& path, Error* err)
{
    QSaveFile f(path);
    const QByteArray bytes = templateBytes();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (err)
            err->text = QStringLiteral("无法写入模板数据库：%1（%2）").arg(path, f.errorString());
        return false;
    }
    if (err)
        *err = {};
    return true;
}

}  // namespace jetdb
