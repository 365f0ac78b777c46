#include "Jet4File.h"

#include <algorithm>
#include <cstring>

#include "Jet4Layout.h"

namespace jetdb::detail {

namespace {

// Page 0 from 0x18 on is scrambled with RC4 under this fixed key.
constexpr int kHeaderCryptStart = 0x18;
constexpr int kHeaderCryptLen = 128;
const quint8 kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};

void rc4(const quint8* key, int keyLen, quint8* data, int len) {
    quint8 s[256];
    for (int i = 0; i < 256; ++i) s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLen]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int k = 0, i = 0, j = 0; k < len; ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[k] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

void append16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

quint32 fixedSize(const Column& c) { return c.type == kBool ? 0 : c.length; }

}  // namespace

void scrambleHeader(QByteArray& bytes) {
    rc4(kHeaderKey, 4, reinterpret_cast<quint8*>(bytes.data()), int(bytes.size()));
}

// ------------------------------------------------------------ text coding

QByteArray encodeText(const QString& s, bool compressible) {
    QByteArray plain;
    plain.reserve(s.size() * 2);
    bool packable = true;
    for (QChar ch : s) {
        const quint16 u = ch.unicode();
        append16(plain, u);
        // A zero byte switches modes in the compressed form, so a character
        // whose low byte is zero cannot appear in it at all.
        if ((u & 0xFF) == 0) packable = false;
    }
    // A plain text starting with U+FEFF would read back as compressed; the
    // compressed form is the only safe one for it, whatever the column says.
    const bool leadingMark = !s.isEmpty() && s[0].unicode() == 0xFEFF;
    if (!packable || (!compressible && !leadingMark)) return plain;
    QByteArray packed("\xFF\xFE", 2);
    bool narrow = true;
    for (QChar ch : s) {
        const quint16 u = ch.unicode();
        const bool small = u < 0x100;
        if (small != narrow) {
            packed.append('\0');
            narrow = small;
        }
        if (narrow)
            packed.append(char(u));
        else
            append16(packed, u);
    }
    return (packed.size() < plain.size() || leadingMark) ? packed : plain;
}

QString decodeText(const QByteArray& b, bool* clean) {
    QString out;
    const auto* p = reinterpret_cast<const quint8*>(b.constData());
    const qsizetype n = b.size();
    bool whole = true;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        bool narrow = true;
        for (qsizetype i = 2; i < n;) {
            if (p[i] == 0) {
                narrow = !narrow;
                ++i;
            } else if (narrow) {
                out.append(QChar(p[i]));
                ++i;
            } else if (i + 1 < n) {
                out.append(QChar(quint16(p[i] | (p[i + 1] << 8))));
                i += 2;
            } else {
                whole = false;  // half a two-byte character
                break;
            }
        }
    } else {
        whole = n % 2 == 0;
        for (qsizetype i = 0; i + 1 < n; i += 2) out.append(QChar(quint16(p[i] | (p[i + 1] << 8))));
    }
    if (clean) *clean = whole;
    return out;
}

QString invalidTextReason(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        const auto code = [u] { return QStringLiteral("U+%1").arg(uint(u), 4, 16, QLatin1Char('0')).toUpper(); };
        if (u == 0) return QStringLiteral("含有空字符（U+0000）");
        // Tabs and line breaks are text; other control codes are what
        // damaged bytes turn into, not what anyone types.
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || (u >= 0x7F && u <= 0x9F))
            return QStringLiteral("含有控制字符（%1）").arg(code());
        if (u == 0xFFFE || u == 0xFFFF) return QStringLiteral("含有非字符（%1）").arg(code());
        if (QChar::isHighSurrogate(u) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(u)) return QStringLiteral("含有不成对的代理字符（%1）").arg(code());
    }
    return {};
}

// ----------------------------------------------------------------- rows

QByteArray packRow(const QList<Column>& columns, const QList<Cell>& cells) {
    int rowCols = 0;
    quint32 fixedArea = 0;
    int varSlots = 0;
    for (const Column& c : columns) {
        rowCols = std::max(rowCols, c.number + 1);
        if (c.fixed())
            fixedArea = std::max(fixedArea, quint32(c.fixedOffset) + fixedSize(c));
        else
            varSlots = std::max(varSlots, c.varIndex + 1);
    }
    QByteArray row;
    append16(row, quint16(rowCols));
    row.append(QByteArray(fixedArea, '\0'));
    QByteArray nullMask((rowCols + 7) / 8, '\0');
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        const Cell& v = cells.value(i);
        if (!v) continue;
        if (c.type == kBool) {
            // Booleans live in the null mask alone.
            if (!v->isEmpty() && v->at(0) != 0)
                nullMask[c.number / 8] = char(nullMask[c.number / 8] | (1 << (c.number % 8)));
            continue;
        }
        nullMask[c.number / 8] = char(nullMask[c.number / 8] | (1 << (c.number % 8)));
        if (c.fixed()) {
            const QByteArray bytes = v->left(fixedSize(c));
            std::memcpy(row.data() + 2 + c.fixedOffset, bytes.constData(), size_t(bytes.size()));
        }
    }
    if (varSlots > 0) {
        QList<int> offsets(varSlots, 0);
        for (int slot = 0; slot < varSlots; ++slot) {
            offsets[slot] = int(row.size());
            for (qsizetype i = 0; i < columns.size(); ++i) {
                const Column& c = columns[i];
                if (!c.fixed() && c.varIndex == slot && cells.value(i)) row.append(*cells.value(i));
            }
        }
        append16(row, quint16(row.size()));  // end of the variable data
        for (int slot = varSlots - 1; slot >= 0; --slot) append16(row, quint16(offsets[slot]));
        append16(row, quint16(varSlots));
    }
    row.append(nullMask);
    return row;
}

// ------------------------------------------------------------ file image

void Image::check(qsizetype off, qsizetype len) const {
    if (off < 0 || len < 0 || off > m_b.size() || len > m_b.size() - off) fail(damaged());
}

quint8 Image::u8(qsizetype off) const {
    check(off, 1);
    return quint8(m_b[off]);
}

quint16 Image::u16(qsizetype off) const {
    check(off, 2);
    return quint16(quint8(m_b[off]) | (quint8(m_b[off + 1]) << 8));
}

quint32 Image::u32(qsizetype off) const {
    check(off, 4);
    return quint32(u16(off)) | (quint32(u16(off + 2)) << 16);
}

void Image::put8(qsizetype off, quint8 v) {
    check(off, 1);
    m_b[off] = char(v);
}

void Image::put16(qsizetype off, quint16 v) {
    put8(off, quint8(v & 0xFF));
    put8(off + 1, quint8(v >> 8));
}

void Image::put32(qsizetype off, quint32 v) {
    put16(off, quint16(v & 0xFFFF));
    put16(off + 2, quint16(v >> 16));
}

qsizetype Image::pageStart(quint32 page) const {
    if (page >= pageCount()) fail(damaged());
    return qsizetype(page) * kPageSize;
}

void Image::checkWritable() const {
    if (m_b.size() < kHeaderCryptStart + kHeaderCryptLen || u8(0) != 0)
        fail(QStringLiteral("不是 Access 数据库文件"));
    const QByteArray magic = m_b.mid(4, 15);
    if (magic == "Standard ACE DB")
        fail(QStringLiteral("只能写入 Access 2000（Jet 4）格式的数据库，此文件是更新的 ACE 格式"));
    if (magic != "Standard Jet DB") fail(QStringLiteral("不是 Access 数据库文件"));
    const quint32 version = u32(0x14);
    if (version == 0)
        fail(QStringLiteral("只能写入 Access 2000（Jet 4）格式的数据库，此文件是 Access 97（Jet 3）格式"));
    if (version != 1) fail(QStringLiteral("只能写入 Access 2000（Jet 4）格式的数据库"));
    QByteArray header = m_b.mid(kHeaderCryptStart, kHeaderCryptLen);
    scrambleHeader(header);
    const Image h(header);
    if (h.u32(0x3E - kHeaderCryptStart) != 0) fail(QStringLiteral("数据库已加密，无法写入"));
    if (m_b.size() % kPageSize != 0 || pageCount() < 3) fail(damaged());
    if (u8(kPageSize) != 0x01 || u8(2 * kPageSize) != 0x02) fail(damaged());
}

// ---------------------------------------------------------- table definition

TableDef Image::readTableDef(quint32 page) const {
    const qsizetype first = pageStart(page);
    if (u8(first) != 0x02) fail(damaged());
    // Long definitions continue on further pages, each after an 8-byte header.
    QByteArray def = m_b.mid(first, kPageSize);
    quint32 next = u32(first + 4);
    for (quint32 hops = 0; next != 0; ++hops) {
        if (hops > pageCount()) fail(damaged());
        const qsizetype p = pageStart(next);
        if (u8(p) != 0x02) fail(damaged());
        def += m_b.mid(p + 8, kPageSize - 8);
        next = u32(p + 4);
    }
    const Image d(def);
    TableDef t;
    t.page = page;
    t.rowCount = d.u32(kTdefRowCount);
    t.tableType = d.u8(40);
    t.maxCols = d.u16(41);
    t.varCols = d.u16(43);
    const quint16 numCols = d.u16(45);
    t.logicalIndexes = d.u32(47);
    t.realIndexes = d.u32(51);
    t.ownedMap = d.u32(55);
    t.freeMap = d.u32(59);
    if (numCols == 0 || t.realIndexes > 1000 || t.logicalIndexes > 1000) fail(damaged());
    const qsizetype colStart = kTdefColumns + qsizetype(t.realIndexes) * kTdefRealIndexEntry;
    qsizetype names = colStart + qsizetype(numCols) * kTdefColumnEntry;
    for (int i = 0; i < numCols; ++i) {
        const qsizetype e = colStart + qsizetype(i) * kTdefColumnEntry;
        Column c;
        c.type = d.u8(e);
        c.number = d.u16(e + 5);
        c.varIndex = d.u16(e + 7);
        c.flags = d.u8(e + 15);
        c.miscFlags = d.u8(e + 16);
        c.fixedOffset = d.u16(e + 21);
        c.length = d.u16(e + 23);
        c.position = quint16(i);
        const quint16 len = d.u16(names);
        d.check(names + 2, len);
        if (len % 2 != 0) fail(damaged());  // names are stored as two-byte characters
        c.name = decodeText(def.mid(names + 2, len));
        names += 2 + len;
        t.columns.append(c);
    }
    std::stable_sort(t.columns.begin(), t.columns.end(),
                     [](const Column& a, const Column& b) { return a.number < b.number; });
    return t;
}

void checkTableShape(const TableDef& t, const QString& table, const QString& consequence) {
    const auto refuse = [&](const QString& what) {
        fail(QStringLiteral("表 %1 %2，%3").arg(table, what, consequence));
    };
    if (t.realIndexes > 0 || t.logicalIndexes > 0) refuse(QStringLiteral("带有索引"));
    if (t.columns.size() != t.maxCols || t.columns.size() != t.varCols)
        refuse(QStringLiteral("的字段数不一致（%1 个字段，记录中 %2 个，变长 %3 个），或含已删除的字段")
                   .arg(t.columns.size())
                   .arg(t.maxCols)
                   .arg(t.varCols));
    QStringList seen;
    for (const Column& c : t.columns) {
        const QString name = c.name.isEmpty() ? QStringLiteral("（第 %1 个）").arg(c.position + 1) : c.name;
        if (c.type != kText) refuse(QStringLiteral("的字段 %1 不是文本字段").arg(name));
        if (c.fixed() || c.length < 2 || c.length > 510 || c.length % 2 != 0)
            refuse(QStringLiteral("的字段 %1 不是本程序使用的文本字段（长度 %2 字节）").arg(name).arg(c.length));
        // Values are read by column number and stored slot; both must follow
        // the entries, or values land under other names.
        if (c.number != c.position)
            refuse(QStringLiteral("的字段 %1 的编号 %2 与其位置 %3 不符").arg(name).arg(c.number).arg(c.position));
        if (c.varIndex != c.position)
            refuse(QStringLiteral("的字段 %1 的数据位置 %2 与其位置 %3 不符")
                       .arg(name)
                       .arg(c.varIndex)
                       .arg(c.position));
        const QString bad = invalidTextReason(c.name);
        if (c.name.isEmpty() || c.name.size() > 64 || !bad.isEmpty())
            refuse(QStringLiteral("的第 %1 个字段名无效%2").arg(c.position + 1).arg(bad.isEmpty() ? QString() : QStringLiteral("（%1）").arg(bad)));
        for (const QString& s : seen)
            if (s.compare(c.name, Qt::CaseInsensitive) == 0) refuse(QStringLiteral("的字段名 %1 重复").arg(name));
        seen << c.name;
    }
}

// --------------------------------------------------------------- data rows

quint16 Image::rowCountOnPage(quint32 page) const { return u16(pageStart(page) + kDataRowCount); }

bool Image::rowBounds(quint32 page, int row, qsizetype* start, qsizetype* end) const {
    const qsizetype p = pageStart(page);
    const int n = u16(p + kDataRowCount);
    if (row < 0 || row >= n || kDataOffsets + 2 * n > kPageSize) fail(damaged());
    const quint16 raw = u16(p + kDataOffsets + 2 * row);
    if (raw & (kRowDeleted | kRowOverflow)) return false;
    const int s = raw & kRowOffsetMask;
    const int e = row == 0 ? kPageSize : (u16(p + kDataOffsets + 2 * (row - 1)) & kRowOffsetMask);
    if (s < kDataOffsets + 2 * n || e > kPageSize || s >= e) fail(damaged());
    *start = p + s;
    *end = p + e;
    return true;
}

int Image::freeSpace(quint32 page) const {
    const qsizetype p = pageStart(page);
    const int n = u16(p + kDataRowCount);
    if (kDataOffsets + 2 * n > kPageSize) fail(damaged());
    int lowest = kPageSize;
    for (int r = 0; r < n; ++r) lowest = std::min(lowest, u16(p + kDataOffsets + 2 * r) & kRowOffsetMask);
    return std::max(0, lowest - (kDataOffsets + 2 * n));
}

QList<Cell> Image::crackRow(const TableDef& t, qsizetype start, qsizetype end) const {
    const qsizetype len = end - start;
    const int rowCols = u16(start);
    const int maskLen = (rowCols + 7) / 8;
    if (len < 2 + maskLen) fail(damaged());
    const qsizetype maskStart = end - maskLen;
    int varLen = 0;
    qsizetype eod = 0;
    auto varOffset = [&](int slot) -> qsizetype { return u16(maskStart - 4 - 2 * slot); };
    if (t.varCols > 0) {
        varLen = u16(maskStart - 2);
        if (maskStart - 4 - 2 * varLen < start + 2) fail(damaged());
        eod = u16(maskStart - 4 - 2 * varLen);
        if (eod < 2 || start + eod > maskStart - 4 - 2 * varLen) fail(damaged());
    }
    QList<Cell> cells;
    for (const Column& c : t.columns) {
        const bool present = c.number < rowCols && (u8(maskStart + c.number / 8) >> (c.number % 8)) & 1;
        if (c.type == kBool) {
            cells.append(QByteArray(1, present ? '\1' : '\0'));
            continue;
        }
        if (!present) {
            cells.append(std::nullopt);
            continue;
        }
        if (c.fixed()) {
            const qsizetype at = start + 2 + c.fixedOffset;
            check(at, fixedSize(c));
            if (at + fixedSize(c) > end) fail(damaged());
            cells.append(m_b.mid(at, fixedSize(c)));
            continue;
        }
        if (c.varIndex >= varLen) {
            cells.append(std::nullopt);
            continue;
        }
        const qsizetype from = varOffset(c.varIndex);
        const qsizetype to = c.varIndex + 1 < varLen ? varOffset(c.varIndex + 1) : eod;
        if (from < 2 || from > to || start + to > maskStart) fail(damaged());
        cells.append(m_b.mid(start + from, to - from));
    }
    return cells;
}

// --------------------------------------------------------------- usage maps

void Image::rowRange(quint32 ref, qsizetype* start, qsizetype* len) const {
    const quint32 page = ref >> 8;
    const int row = int(ref & 0xFF);
    if (page < 1 || u8(pageStart(page)) != 0x01) fail(damaged());
    qsizetype s = 0, e = 0;
    if (!rowBounds(page, row, &s, &e) || e - s < 5) fail(damaged());
    *start = s;
    *len = e - s;
}

namespace {
constexpr quint32 kBitsPerMapPage = (kPageSize - 4) * 8;
}

bool Image::mapTest(quint32 ref, quint32 page) const {
    qsizetype s = 0, len = 0;
    rowRange(ref, &s, &len);
    const quint8 type = u8(s);
    if (type == 0) {
        const quint32 base = u32(s + 1);
        const quint64 bits = quint64(len - 5) * 8;
        if (page < base || page - base >= bits) return false;
        const quint32 i = page - base;
        return (u8(s + 5 + i / 8) >> (i % 8)) & 1;
    }
    if (type == 1) {
        const quint32 k = page / kBitsPerMapPage;
        if (qsizetype(k) >= (len - 1) / 4) return false;
        const quint32 mp = u32(s + 1 + 4 * k);
        if (mp == 0) return false;
        const qsizetype m = pageStart(mp);
        if (u8(m) != 0x05) fail(damaged());
        const quint32 i = page % kBitsPerMapPage;
        return (u8(m + 4 + i / 8) >> (i % 8)) & 1;
    }
    fail(damaged());
}

void Image::mapSet(quint32 ref, quint32 page, bool on) {
    qsizetype s = 0, len = 0;
    rowRange(ref, &s, &len);
    const quint8 type = u8(s);
    qsizetype byteAt = -1;
    quint32 bit = 0;
    if (type == 0) {
        // A map row of just its type and base has no bits to change; moving
        // its window would write past the row.
        if (len <= 5) fail(QStringLiteral("数据表的页面映射无法写入（映射为空），文件可能已损坏"));
        quint32 base = u32(s + 1);
        const quint64 bits = quint64(len - 5) * 8;
        if (page < base || page - base >= bits) {
            if (!on) return;
            // An empty inline map can move its window to wherever it is needed.
            for (qsizetype i = 5; i < len; ++i)
                if (u8(s + i) != 0) fail(QStringLiteral("数据表的页面映射已满，无法写入"));
            base = page & ~7u;
            put32(s + 1, base);
        }
        byteAt = s + 5 + (page - base) / 8;
        bit = (page - base) % 8;
        if (byteAt < s + 5 || byteAt >= s + len)
            fail(QStringLiteral("数据表的页面映射无法写入，文件可能已损坏"));
    } else if (type == 1) {
        const quint32 k = page / kBitsPerMapPage;
        const quint32 mp = qsizetype(k) < (len - 1) / 4 ? u32(s + 1 + 4 * k) : 0;
        if (mp == 0) {
            if (!on) return;
            fail(QStringLiteral("数据表的页面映射无法扩展，无法写入"));
        }
        const qsizetype m = pageStart(mp);
        if (u8(m) != 0x05) fail(damaged());
        const quint32 i = page % kBitsPerMapPage;
        byteAt = m + 4 + i / 8;
        bit = i % 8;
    } else {
        fail(damaged());
    }
    quint8 v = u8(byteAt);
    v = on ? quint8(v | (1u << bit)) : quint8(v & ~(1u << bit));
    put8(byteAt, v);
}

QList<quint32> Image::mapPages(quint32 ref, bool* beyondEnd) const {
    if (beyondEnd) *beyondEnd = false;
    auto note = [&](quint64 pg, QList<quint32>& out) {
        if (pg < pageCount())
            out.append(quint32(pg));
        else if (beyondEnd)
            *beyondEnd = true;
    };
    qsizetype s = 0, len = 0;
    rowRange(ref, &s, &len);
    QList<quint32> out;
    const quint8 type = u8(s);
    if (type == 0) {
        const quint32 base = u32(s + 1);
        for (qsizetype i = 5; i < len; ++i) {
            const quint8 b = u8(s + i);
            for (int k = 0; k < 8 && b; ++k)
                if ((b >> k) & 1) {
                    note(quint64(base) + quint64(i - 5) * 8 + quint64(k), out);
                }
        }
    } else if (type == 1) {
        for (qsizetype k = 0; 1 + 4 * k + 4 <= len; ++k) {
            const quint32 mp = u32(s + 1 + 4 * k);
            if (mp == 0) continue;
            const qsizetype m = pageStart(mp);
            if (u8(m) != 0x05) fail(damaged());
            for (int i = 0; i < kPageSize - 4; ++i) {
                const quint8 b = u8(m + 4 + i);
                for (int bitNo = 0; bitNo < 8 && b; ++bitNo)
                    if ((b >> bitNo) & 1) {
                        note(quint64(k) * kBitsPerMapPage + quint64(i) * 8 + quint64(bitNo), out);
                    }
            }
        }
    } else {
        fail(damaged());
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

quint32 Image::allocatePage(quint32 above) {
    // Reuse the lowest free page above the given one, so that a table's data
    // pages, read in page order, keep the order the rows were added in.
    for (quint32 p : mapPages(kGlobalMap)) {
        if (p <= above || p < 2) continue;
        const qsizetype at = pageStart(p);
        const quint8 type = u8(at);
        // Only take pages that look unused: a damaged map must not make us
        // overwrite a table definition.
        if (type != 0x00 && !(type == 0x01 && u16(at + kDataRowCount) == 0)) continue;
        mapSet(kGlobalMap, p, false);
        std::memset(m_b.data() + at, 0, kPageSize);
        return p;
    }
    const quint32 p = pageCount();
    if (p >= 0x00FFFFFF) fail(QStringLiteral("数据库文件过大"));
    m_b.append(QByteArray(kPageSize, '\0'));
    if (mapTest(kGlobalMap, p)) mapSet(kGlobalMap, p, false);
    return p;
}

void Image::releasePage(quint32 page) {
    std::memset(m_b.data() + pageStart(page), 0, kPageSize);
    try {
        mapSet(kGlobalMap, page, true);
    } catch (const JetFault&) {
        // The global map cannot record this page; it stays zeroed and unused.
    }
}

// ------------------------------------------------------------------ catalog

QList<CatalogEntry> Image::readCatalog() const {
    const TableDef sys = readTableDef(2);
    auto find = [&](const char* name) -> qsizetype {
        for (qsizetype i = 0; i < sys.columns.size(); ++i)
            if (sys.columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return i;
        fail(damaged());
    };
    const qsizetype cId = find("Id"), cParent = find("ParentId"), cName = find("Name"), cType = find("Type"),
                    cFlags = find("Flags");
    auto intOf = [](const Cell& c) -> quint32 {
        if (!c) return 0;
        quint32 v = 0;
        for (qsizetype i = 0; i < std::min<qsizetype>(4, c->size()); ++i)
            v |= quint32(quint8(c->at(i))) << (8 * i);
        return v;
    };
    QList<CatalogEntry> out;
    for (quint32 p : mapPages(sys.ownedMap)) {
        const qsizetype at = pageStart(p);
        if (u8(at) != 0x01 || u32(at + kDataTdef) != 2) continue;
        const int n = rowCountOnPage(p);
        for (int r = 0; r < n; ++r) {
            qsizetype s = 0, e = 0;
            if (!rowBounds(p, r, &s, &e)) continue;
            const QList<Cell> cells = crackRow(sys, s, e);
            CatalogEntry ce;
            ce.id = intOf(cells[cId]);
            ce.parentId = intOf(cells[cParent]);
            ce.name = cells[cName] ? decodeText(*cells[cName]) : QString();
            ce.type = int(intOf(cells[cType]) & 0xFFFF);
            ce.flags = intOf(cells[cFlags]);
            out.append(ce);
        }
    }
    return out;
}

quint32 Image::findUserTable(const QString& name) const {
    const QList<CatalogEntry> catalog = readCatalog();
    std::optional<quint32> found;
    for (const CatalogEntry& e : catalog) {
        if ((e.type & 0x7F) == 1 && !(e.flags & 0x80000002u) &&
            e.name.compare(name, Qt::CaseInsensitive) == 0) {
            if (found) fail(QStringLiteral("数据库目录中表 %1 出现了两次，文件可能已损坏").arg(name));
            found = e.id & 0x00FFFFFF;
        }
    }
    if (!found) fail(QStringLiteral("数据库中没有表 %1").arg(name));
    // Two catalog entries sharing one definition would show one table's
    // rows under the other's name.
    for (const CatalogEntry& e : catalog)
        if ((e.type & 0x7F) == 1 && (e.id & 0x00FFFFFF) == *found &&
            e.name.compare(name, Qt::CaseInsensitive) != 0)
            fail(
                QStringLiteral("数据库目录中表 %1 与 %2 指向同一个表定义，文件可能已损坏").arg(name, e.name));
    return *found;
}

bool isDataPageOf(const Image& img, quint32 page, quint32 tdef) {
    const qsizetype at = img.pageStart(page);
    return img.u8(at) == 0x01 && img.u32(at + kDataTdef) == tdef;
}

}  // namespace jetdb::detail
