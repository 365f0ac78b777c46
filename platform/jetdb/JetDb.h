#pragma once

// A small stand-in for the DAO calls the programs make on Access (.mdb)
// files: open a database, "delete * from T", a dynaset over "select * from T",
// find first with a LIKE criterion, read fields, add records.
//
// Reading goes through libmdb in a separate reader process, so a damaged file
// from another installer can at worst kill that process, never the program.
// Writing is done by our own Jet 4 writer, always through a temporary file
// that replaces the target only when complete.
//
// Nothing here throws or aborts: every failure comes back as a jetdb::Error
// with a text that can be shown to the user.

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace jetdb {

struct Error {
    QString text;
    bool isError() const { return !text.isEmpty(); }
    explicit operator bool() const { return isError(); }
};

using Value = std::optional<QString>;  // std::nullopt is Null
using Record = QList<Value>;

class Recordset;
namespace detail {
class Batch;
}

class Database {
public:
    // Opens and checks the file (a readable Access database). The file stays
    // closed between calls; every call works on what is on disk at that moment.
    static std::unique_ptr<Database> open(const QString& path, Error* err);

    const QString& path() const { return m_path; }
    QStringList tableNames() const { return m_tables; }

    // Only "delete [*] from <table>" is understood.
    bool execute(const QString& sql, Error* err);

    // A batch of changes written as one: after beginTrans(), execute() and
    // the update() of recordsets opened on this database change nothing on
    // disk. commitTrans() checks the result (it must read back exactly as
    // written, by our reading and the import's) and then replaces the file
    // in one step, so the file holds all of the changes or none of them,
    // even if the program is killed meanwhile. After a failed statement,
    // commitTrans() fails too and writes nothing. Recordsets opened during
    // the batch see its changes; those of this database write into it.
    bool beginTrans(Error* err);
    bool commitTrans(Error* err);
    // A batch whose commitTrans() writes a new file at newPath (which must
    // not exist then) from this database's contents and leaves this
    // database's own file as it is: a new file appears whole or not at all.
    bool beginTransAs(const QString& newPath, Error* err);
    void rollback();
    bool inTransaction() const;

    ~Database();

    // Only "select * from <table>" is understood. The recordset holds all
    // records in memory (the tables are tiny).
    std::unique_ptr<Recordset> openRecordset(const QString& sql, Error* err);

private:
    explicit Database(QString path, QStringList tables);
    QString m_path;
    QStringList m_tables;
    std::shared_ptr<detail::Batch> m_batch;
};

class Recordset {
public:
    int fieldCount() const { return int(m_fields.size()); }
    QString fieldName(int i) const;
    int recordCount() const { return int(m_records.size()); }
    bool isEmpty() const { return m_records.isEmpty(); }  // BOF and EOF

    // Current position; -1 means no current record.
    int position() const { return m_pos; }
    bool moveFirst();
    bool moveNext();

    // "<field> like '<pattern>'" or "<field> = '<text>'", the field name bare
    // or in brackets. Jet LIKE: * ? # [abc] [!abc] [a-z], case-insensitive.
    // A match becomes the current record; noMatch() tells whether none did.
    bool findFirst(const QString& criteria, Error* err);
    bool noMatch() const { return m_noMatch; }

    // Field of the current record. Fails on no current record or bad index.
    Value field(int i, Error* err = nullptr) const;
    const Record& record(int row) const { return m_records.at(row); }

    // Adding: addNew() starts an empty record (all Null), setField() fills it
    // by position, update() appends it to the table on disk and, on success,
    // to this recordset.
    void addNew();
    bool setField(int i, const Value& value, Error* err);
    bool update(Error* err);
    bool editing() const { return m_pending.has_value(); }

private:
    friend class Database;
    Recordset() = default;
    QString m_path;
    QString m_table;
    QStringList m_fields;
    QList<Record> m_records;
    int m_pos = -1;
    bool m_noMatch = true;
    std::optional<Record> m_pending;
    std::weak_ptr<detail::Batch> m_batch;  // the database's; writes go there while it is active
};

// Writes a fresh template database (tables Phone_Table, iSMSx and oSMSx) to
// path. Deterministic: the same bytes every time.
bool createTemplate(const QString& path, Error* err);
QByteArray templateBytes();

// Jet's LIKE, case-insensitive, on whole texts.
bool likeMatch(const QString& text, const QString& pattern);

// Where the reader program lives. By default it is looked for beside the
// running program, in ../libexec/smstools and in the build tree.
void setReaderProgram(const QString& path);
QString readerProgram();
// Time limit for one read (milliseconds).
void setReadTimeout(int ms);

}  // namespace jetdb
