#pragma once

// Helpers shared by the jetdb tests: files, outside readers, expectations.

#include "JetDb.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

namespace jettest {

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& b)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(b) == b.size();
}

struct Run {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
};

inline Run run(const QString& program, const QStringList& args, int timeoutMs = 60000)
{
    Run r;
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(timeoutMs)) {
        r.err = "cannot start " + program.toUtf8();
        return r;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitCode();
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

inline QString sourceDir() { return qEnvironmentVariable("SMSTOOLS_SOURCE_DIR"); }
inline QString binaryDir() { return qEnvironmentVariable("SMSTOOLS_BINARY_DIR"); }

// A table as a test expects to read it back.
struct Expected {
    QString table;
    QStringList columns;
    QList<jetdb::Record> rows;
};

inline QJsonDocument expectedJson(const Expected& e, const QStringList& tables)
{
    QJsonObject o;
    o[QStringLiteral("tables")] = QJsonArray::fromStringList(tables);
    o[QStringLiteral("table")] = e.table;
    o[QStringLiteral("columns")] = QJsonArray::fromStringList(e.columns);
    QJsonArray rows;
    for (const jetdb::Record& r : e.rows) {
        QJsonArray a;
        for (const jetdb::Value& v : r)
            a.append(v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null));
        rows.append(a);
    }
    o[QStringLiteral("rows")] = rows;
    return QJsonDocument(o);
}

// Minimal CSV reader for mdb-export's output (quotes double, fields may
// hold line breaks).
inline QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            row << field;
            field.clear();
            any = true;
        } else if (c == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            any = false;
        } else if (c != u'\r' || quoted) {
            field += c;
            any = true;
        }
    }
    if (any)
        rows << (row << field);
    return rows;
}

}  // namespace jettest
