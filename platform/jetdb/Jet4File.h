#pragma once

// Our own Jet 4 (Access 2000) page-level code: enough to build the template,
// empty a table and append text rows. libmdb cannot write safely, so nothing
// here uses it. The whole file is held in memory (these files are tiny) and
// written back through a temporary file that replaces the target only once
// complete.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

#include "ExportTarget.h"
#include "JetDb.h"

namespace jetdb::detail {

constexpr int kPageSize = 4096;
constexpr int kMaxRowSize = 4060;     // what Jet 4 allows in one record
constexpr int kMaxRowsPerPage = 255;  // row numbers are one byte in page/row pointers

enum ColumnType : quint8 {
    kBool = 0x01,
    kByte = 0x02,
    kInt = 0x03,
    kLong = 0x04,
    kMoney = 0x05,
    kFloat = 0x06,
    kDouble = 0x07,
    kDateTime = 0x08,
    kBinary = 0x09,
    kText = 0x0A,
    kOle = 0x0B,
    kMemo = 0x0C,
    kGuid = 0x0F,
    kNumeric = 0x10
};

// Internal failure; caught at the edge of every public function.
struct JetFault {
    QString text;
};

struct Column {
    QString name;
    quint8 type = kText;
    quint16 number = 0;       // position in rows (includes deleted columns)
    quint16 position = 0;     // place of its entry in the table definition
    quint16 varIndex = 0;     // slot in the variable-length offset table
    quint16 fixedOffset = 0;  // offset in the fixed area
    quint16 length = 0;       // bytes; 0 for memo/OLE
    quint8 flags = 0x02;      // 0x01 fixed length, 0x02 nullable
    quint8 miscFlags = 0;     // 0x01 compressed unicode
    bool fixed() const { return flags & 0x01; }
};

struct TableDef {
    quint32 page = 0;
    quint32 rowCount = 0;
    quint8 tableType = 0;
    quint16 maxCols = 0;
    quint16 varCols = 0;
    quint32 logicalIndexes = 0;
    quint32 realIndexes = 0;
    quint32 ownedMap = 0;  // page << 8 | row
    quint32 freeMap = 0;
    QList<Column> columns;
};

struct CatalogEntry {
    quint32 id = 0;
    quint32 parentId = 0;
    QString name;
    int type = 0;
    quint32 flags = 0;
};

// One cell of a row being packed or read: std::nullopt is Null; otherwise the
// bytes as stored (fixed columns: their bytes; text: encoded UCS-2).
using Cell = std::optional<QByteArray>;

class Image {
public:
    Image() = default;
    explicit Image(QByteArray b) : m_b(std::move(b)) {}

    QByteArray& bytes() { return m_b; }
    const QByteArray& bytes() const { return m_b; }
    quint32 pageCount() const { return quint32(m_b.size() / kPageSize); }
    qsizetype pageStart(quint32 page) const;  // throws past the end

    quint8 u8(qsizetype off) const;
    quint16 u16(qsizetype off) const;
    quint32 u32(qsizetype off) const;
    void put8(qsizetype off, quint8 v);
    void put16(qsizetype off, quint16 v);
    void put32(qsizetype off, quint32 v);
    void check(qsizetype off, qsizetype len) const;

    // Header checks shared by every write: Jet 4, not encrypted.
    void checkWritable() const;

    // Table definitions, over chained definition pages.
    TableDef readTableDef(quint32 page) const;
    QList<CatalogEntry> readCatalog() const;
    quint32 findUserTable(const QString& name) const;  // throws when missing

    // Rows on data pages.
    quint16 rowCountOnPage(quint32 page) const;
    // Row bounds [start, end) of row r on a page; false for deleted/moved rows.
    bool rowBounds(quint32 page, int row, qsizetype* start, qsizetype* end) const;
    QList<Cell> crackRow(const TableDef& t, qsizetype start, qsizetype end) const;
    int freeSpace(quint32 page) const;  // computed from the row offsets

    // Usage maps, referenced as page << 8 | row.
    bool mapTest(quint32 ref, quint32 page) const;
    void mapSet(quint32 ref, quint32 page, bool on);
    // beyondEnd (when given) learns whether the map names pages past the
    // end of the file; those are never returned.
    QList<quint32> mapPages(quint32 ref, bool* beyondEnd = nullptr) const;

    // Page allocation through the global map (page 1, row 0; bit set = free).
    quint32 allocatePage(quint32 above);
    void releasePage(quint32 page);

    void deleteAll(const QString& table);
    void appendRow(const QString& table, const Record& values);
    // The same on a table already found and checked (see writableTable()).
    void deleteAll(const TableDef& t);
    void appendRow(const TableDef& t, const QString& table, const Record& values);
    TableDef writableTable(const QString& table) const;

    // Reads a table's rows on our own, doubting everything: owned pages
    // that are not the table's data pages, rows of the table outside its
    // owned pages, rows moved to another page, row bounds and text forms
    // that do not add up, and a row total unlike the definition's. Throws
    // JetFault on any doubt.
    void readTableStrict(const QString& table, QStringList* columns, QList<Record>* rows) const;

private:
    void rowRange(quint32 ref, qsizetype* start, qsizetype* len) const;
    QByteArray m_b;
};

// RC4 over the header bytes from 0x18 on (its own inverse).
void scrambleHeader(QByteArray& bytes);

QByteArray encodeText(const QString& s, bool compressible);
// clean (when given) learns whether the bytes are whole characters in one
// of the two stored forms.
QString decodeText(const QByteArray& b, bool* clean = nullptr);
QByteArray packRow(const QList<Column>& columns, const QList<Cell>& cells);

// Why a text is not one a text cell holds (control characters,
// noncharacters, halves of surrogate pairs); "" when it is one.
QString invalidTextReason(const QString& s);

// The shape of every table we read or write, as our writer makes it: text
// columns only, numbered and stored in the order of their entries, no
// indexes, no deleted columns, names that are texts and differ. Throws
// JetFault naming the table and what is wrong; consequence ends the text.
void checkTableShape(const TableDef& t, const QString& table, const QString& consequence);

// Why a text cannot be stored so that every reader gives it back unchanged
// ("" when it can).
QString unstorableReason(const QString& s);

// A set of changes to one file made in memory and written once: the file
// on disk changes only in commit(), which checks the result first and then
// replaces the file in one rename. A failed step spoils the batch, so that
// commit() writes nothing.
class Batch {
public:
    // libmdbTables: the user tables the import's reader lists; a table
    // outside it is refused even if our own catalog reading finds it.
    // Empty: not checked.
    // newPath (when given): commit() writes the result there as a new file,
    // which must not exist then, and path is only read. Otherwise path is
    // locked against other exports until commit() or rollback().
    bool begin(const QString& path, const QStringList& libmdbTables, QString* err,
               const QString& newPath = QString());
    bool active() const { return m_active; }
    bool deleteAll(const QString& table, QString* err);
    bool append(const QString& table, const Record& values, QString* err);
    // Columns and rows of a table as the batch has left it.
    bool read(const QString& table, QStringList* columns, QList<Record>* rows, QString* err);
    bool commit(QString* err);
    void rollback();
    // Checks the written file with the import's reader program before it
    // replaces the target (on by default).
    void setVerifyWithReader(bool on) { m_verifyWithReader = on; }

private:
    struct Touched {
        QString name;
        TableDef def;
        QStringList columns;
        QList<Record> expected;
        bool known = false;  // expected holds the table's rows
    };
    Touched* touch(const QString& table);
    QString m_path;
    bool m_new = false;
    TargetLock m_lock;
    QStringList m_libmdbTables;
    Image m_img;
    QByteArray m_original;
    QList<Touched> m_touched;
    QString m_spoiled;
    bool m_active = false;
    bool m_verifyWithReader = true;
};

// Replaces path with bytes: a temporary file beside it, written and synced,
// renamed over the target, then the folder synced. check (when given) runs
// on the synced temporary file before the rename and may refuse it.
// createOnly: path must not exist, and is not replaced if it appears meanwhile.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* err,
                 const std::function<bool(const QString& tmp, QString* err)>& check = {},
                 bool createOnly = false);

// Whole-file operations used by the facade.
bool deleteAllRows(const QString& path, const QString& table, QString* err);
bool appendRow(const QString& path, const QString& table, const Record& values, QString* err);

// Consistency of every user table: owned pages are this table's data pages,
// none empty, none marked free globally, free-space fields right, row counts
// right. Returns the problems found (empty when sound).
QStringList checkStructure(const QByteArray& file);

QByteArray buildTemplate(double creationDate);

}  // namespace jetdb::detail
