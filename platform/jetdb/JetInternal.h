#pragma once

// Pieces shared by the facade, the reader program and the tests.

#include <QByteArray>

#include "JetDb.h"

namespace jetdb::detail {

struct TableData {
    QStringList columns;
    QList<Record> rows;
};

// UTF-8 to text keeping a leading U+FEFF (QString::fromUtf8 drops it).
QString utf8Text(const char* data, qsizetype size);

// --- libmdb, in this process. Only the reader program calls these: libmdb
// is not safe on damaged files.
bool mdbListTables(const QString& file, QStringList* names, QString* err);
bool mdbReadTable(const QString& file, const QString& table, TableData* out, QString* err);

// --- What the reader program prints, and how the caller checks it.
QByteArray encodeTables(const QStringList& names);
QByteArray encodeTable(const TableData& data);
QByteArray encodeError(const QString& text);
// Returns false with *err set for an error report or malformed output.
bool decodeReply(const QByteArray& out, QStringList* names, TableData* data, QString* err);

// --- Runs the reader program with a time limit. table empty: list tables.
bool runReader(const QString& file, const QString& table, QStringList* names, TableData* data, QString* err);

// --- SQL shapes the programs use.
enum class Statement { Invalid, DeleteAll, SelectAll };
Statement parseStatement(const QString& sql, QString* table);
struct Criterion {
    QString field;
    QString pattern;
    bool like = true;
};
bool parseCriterion(const QString& text, Criterion* out);

}  // namespace jetdb::detail
