#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>

#include "JetInternal.h"

#ifndef JETDB_BUILD_READER
#define JETDB_BUILD_READER ""
#endif

// Reply of the reader program, all of it on standard output:
//   JETDB1 TABLES <n>\n  then n texts                    then END\n
//   JETDB1 TABLE <cols> <rows>\n  cols names, rows*cols values  then END\n
//   JETDB1 ERROR\n  one text                            then END\n
// A text is "<byte count>:<UTF-8 bytes>\n"; a Null value is "N\n".
// Lengths make the reply binary-safe, and END tells a complete reply from
// one cut short by a crash.

namespace jetdb::detail {

namespace {

constexpr qsizetype kMaxReply = 256 * 1024 * 1024;
constexpr qsizetype kMaxCols = 4096;
constexpr qsizetype kMaxRows = 1000000;

QString g_readerProgram;
int g_timeoutMs = 15000;

void putText(QByteArray& out, const QString& s) {
    const QByteArray u = s.toUtf8();
    out += QByteArray::number(u.size());
    out += ':';
    out += u;
    out += '\n';
}

class Parser {
public:
    explicit Parser(const QByteArray& b) : m_b(b) {}

    bool line(QByteArray* out) {
        const qsizetype nl = m_b.indexOf('\n', m_pos);
        if (nl < 0) return false;
        *out = m_b.mid(m_pos, nl - m_pos);
        m_pos = nl + 1;
        return true;
    }

    // A text, or (when nullable) the Null marker.
    bool value(Value* out, bool nullable) {
        if (nullable && m_b.mid(m_pos, 2) == "N\n") {
            m_pos += 2;
            *out = std::nullopt;
            return true;
        }
        const qsizetype colon = m_b.indexOf(':', m_pos);
        if (colon < 0 || colon - m_pos > 10 || colon == m_pos) return false;
        bool ok = false;
        const qlonglong n = m_b.mid(m_pos, colon - m_pos).toLongLong(&ok);
        if (!ok || n < 0 || n > m_b.size() - colon - 2) return false;
        for (qsizetype i = m_pos; i < colon; ++i)
            if (m_b[i] < '0' || m_b[i] > '9') return false;
        const qsizetype start = colon + 1;
        if (m_b[start + n] != '\n') return false;
        *out = utf8Text(m_b.constData() + start, n);
        m_pos = start + n + 1;
        return true;
    }

    bool atEnd() const { return m_pos == m_b.size(); }

private:
    const QByteArray& m_b;
    qsizetype m_pos = 0;
};

bool parseCount(const QByteArray& s, qsizetype limit, qsizetype* out) {
    if (s.isEmpty() || s.size() > 10) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    bool ok = false;
    const qlonglong n = s.toLongLong(&ok);
    if (!ok || n > limit) return false;
    *out = qsizetype(n);
    return true;
}

QString findReader() {
    if (!g_readerProgram.isEmpty()) return g_readerProgram;
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString dir = QCoreApplication::applicationDirPath();
        candidates << dir + QStringLiteral("/smstools-mdbread")
                   << dir + QStringLiteral("/../libexec/smstools/smstools-mdbread");
    }
    candidates << QString::fromUtf8(JETDB_BUILD_READER);
    for (const QString& c : candidates)
        if (!c.isEmpty() && QFileInfo(c).isExecutable()) return QFileInfo(c).absoluteFilePath();
    return {};
}

}  // namespace

QString utf8Text(const char* data, qsizetype size) {
    QStringDecoder dec(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return dec.decode(QByteArrayView(data, size));
}

QByteArray encodeTables(const QStringList& names) {
    QByteArray out = "JETDB1 TABLES " + QByteArray::number(names.size()) + "\n";
    for (const QString& n : names) putText(out, n);
    out += "END\n";
    return out;
}

QByteArray encodeTable(const TableData& data) {
    QByteArray out = "JETDB1 TABLE " + QByteArray::number(data.columns.size()) + ' ' +
                     QByteArray::number(data.rows.size()) + "\n";
    for (const QString& c : data.columns) putText(out, c);
    for (const Record& r : data.rows) {
        for (qsizetype i = 0; i < data.columns.size(); ++i) {
            const Value v = i < r.size() ? r[i] : Value();
            if (v)
                putText(out, *v);
            else
                out += "N\n";
        }
    }
    out += "END\n";
    return out;
}

QByteArray encodeError(const QString& text) {
    QByteArray out = "JETDB1 ERROR\n";
    putText(out, text);
    out += "END\n";
    return out;
}

bool decodeReply(const QByteArray& out, QStringList* names, TableData* data, QString* err) {
    const QString malformed = QStringLiteral("读取程序的输出无效");
    Parser p(out);
    QByteArray head;
    if (!p.line(&head)) {
        *err = malformed;
        return false;
    }
    const QList<QByteArray> parts = head.split(' ');
    if (parts.size() < 2 || parts[0] != "JETDB1") {
        *err = malformed;
        return false;
    }
    QByteArray tail;
    if (parts[1] == "ERROR" && parts.size() == 2) {
        Value v;
        if (!p.value(&v, false) || !p.line(&tail) || tail != "END" || !p.atEnd()) {
            *err = malformed;
            return false;
        }
        *err = v->isEmpty() ? malformed : *v;
        return false;
    }
    if (parts[1] == "TABLES" && parts.size() == 3) {
        qsizetype n = 0;
        if (!parseCount(parts[2], kMaxCols, &n)) {
            *err = malformed;
            return false;
        }
        QStringList list;
        for (qsizetype i = 0; i < n; ++i) {
            Value v;
            if (!p.value(&v, false)) {
                *err = malformed;
                return false;
            }
            list.append(*v);
        }
        if (!p.line(&tail) || tail != "END" || !p.atEnd()) {
            *err = malformed;
            return false;
        }
        if (names) *names = list;
        return true;
    }
    if (parts[1] == "TABLE" && parts.size() == 4) {
        qsizetype cols = 0, rows = 0;
        if (!parseCount(parts[2], kMaxCols, &cols) || !parseCount(parts[3], kMaxRows, &rows) || cols == 0) {
            *err = malformed;
            return false;
        }
        TableData d;
        for (qsizetype i = 0; i < cols; ++i) {
            Value v;
            if (!p.value(&v, false)) {
                *err = malformed;
                return false;
            }
            d.columns.append(*v);
        }
        for (qsizetype r = 0; r < rows; ++r) {
            Record rec;
            rec.reserve(cols);
            for (qsizetype i = 0; i < cols; ++i) {
                Value v;
                if (!p.value(&v, true)) {
                    *err = malformed;
                    return false;
                }
                rec.append(v);
            }
            d.rows.append(rec);
        }
        if (!p.line(&tail) || tail != "END" || !p.atEnd()) {
            *err = malformed;
            return false;
        }
        if (data) *data = std::move(d);
        return true;
    }
    *err = malformed;
    return false;
}

bool runReader(const QString& file, const QString& table, QStringList* names, TableData* data, QString* err) {
    const QString program = findReader();
    if (program.isEmpty()) {
        *err = QStringLiteral("找不到数据库读取程序 smstools-mdbread");
        return false;
    }
    QProcess proc;
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    proc.setStandardInputFile(QProcess::nullDevice());
    // libmdb's warnings are of no use to the caller.
    proc.setStandardErrorFile(QProcess::nullDevice());
    QStringList args{QStringLiteral("--"), QFileInfo(file).absoluteFilePath()};
    if (!table.isEmpty()) args << table;
    proc.start(program, args);
    if (!proc.waitForStarted(g_timeoutMs)) {
        *err = QStringLiteral("无法启动数据库读取程序：%1").arg(proc.errorString());
        return false;
    }
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    bool finished = false;
    while (!finished) {
        const qint64 left = g_timeoutMs - clock.elapsed();
        if (left <= 0) break;
        finished = proc.waitForFinished(int(std::min<qint64>(left, 200)));
        out += proc.readAllStandardOutput();
        if (out.size() > kMaxReply) break;
        if (!finished && proc.state() == QProcess::NotRunning) finished = true;
    }
    if (!finished) {
        proc.kill();
        proc.waitForFinished(5000);
        *err = out.size() > kMaxReply ? QStringLiteral("读取数据库的输出过大，已中止")
                                      : QStringLiteral("读取数据库超时，已中止");
        return false;
    }
    out += proc.readAllStandardOutput();
    if (proc.exitStatus() != QProcess::NormalExit) {
        *err = QStringLiteral("读取数据库时读取程序异常终止（文件可能已损坏）");
        return false;
    }
    QString decodeErr;
    if (!decodeReply(out, names, data, &decodeErr)) {
        *err = decodeErr;
        return false;
    }
    if (proc.exitCode() != 0) {
        *err = QStringLiteral("读取程序的输出无效");
        return false;
    }
    return true;
}

}  // namespace jetdb::detail

namespace jetdb {

void setReaderProgram(const QString& path) { detail::g_readerProgram = path; }
QString readerProgram() { return detail::findReader(); }
void setReadTimeout(int ms) { detail::g_timeoutMs = ms; }

}  // namespace jetdb
