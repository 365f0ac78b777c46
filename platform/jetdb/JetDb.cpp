#include <QFileInfo>
#include <QRegularExpression>
#include <vector>

#include "Jet4File.h"
#include "JetInternal.h"

namespace jetdb {

namespace detail {

namespace {

// A table or field name: bare, or in brackets (which allow blanks).
const QString kName = QStringLiteral(R"((\[[^\[\]]+\]|[^\s\[\];=*'"]+))");

QString unbracket(const QString& s) {
    if (s.size() >= 2 && s.startsWith(u'[') && s.endsWith(u']')) return s.mid(1, s.size() - 2);
    return s;
}

}  // namespace

Statement parseStatement(const QString& sql, QString* table) {
    static const QRegularExpression del(
        QStringLiteral(R"(^\s*delete\s*(?:\*\s*)?from\s+)") + kName + QStringLiteral(R"(\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sel(
        QStringLiteral(R"(^\s*select\s*\*\s*from\s+)") + kName + QStringLiteral(R"(\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = del.match(sql);
    if (m.hasMatch()) {
        *table = unbracket(m.captured(1));
        return Statement::DeleteAll;
    }
    m = sel.match(sql);
    if (m.hasMatch()) {
        *table = unbracket(m.captured(1));
        return Statement::SelectAll;
    }
    return Statement::Invalid;
}

bool parseCriterion(const QString& text, Criterion* out) {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*)") + kName +
            QStringLiteral(R"re(\s*(like\s|=)\s*(?:'((?:[^']|'')*)'|"((?:[^"]|"")*)")\s*$)re"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return false;
    out->field = unbracket(m.captured(1));
    out->like = m.captured(2).trimmed().compare(QStringLiteral("like"), Qt::CaseInsensitive) == 0;
    if (m.capturedStart(3) >= 0)
        out->pattern = m.captured(3).replace(QStringLiteral("''"), QStringLiteral("'"));
    else
        out->pattern = m.captured(4).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return true;
}

namespace {

struct Token {
    enum Kind { Any, One, Digit, Set, Literal } kind;
    QString chars;                      // Literal: one char; Set: single members
    QList<QPair<QChar, QChar>> ranges;  // Set ranges, case-folded
    bool negate = false;
};

QChar fold(QChar c) { return c.toCaseFolded(); }

bool compileLike(const QString& pattern, std::vector<Token>* out) {
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'*') {
            out->push_back({Token::Any, {}, {}, false});
        } else if (c == u'?') {
            out->push_back({Token::One, {}, {}, false});
        } else if (c == u'#') {
            out->push_back({Token::Digit, {}, {}, false});
        } else if (c == u'[') {
            const qsizetype close = pattern.indexOf(u']', i + 1);
            if (close < 0) return false;
            Token t{Token::Set, {}, {}, false};
            QString body = pattern.mid(i + 1, close - i - 1);
            if (body.startsWith(u'!') && body.size() > 1) {
                t.negate = true;
                body.remove(0, 1);
            }
            for (qsizetype k = 0; k < body.size(); ++k) {
                if (k + 2 < body.size() && body[k + 1] == u'-') {
                    QChar a = fold(body[k]), b = fold(body[k + 2]);
                    if (b < a) return false;
                    t.ranges.append({a, b});
                    k += 2;
                } else {
                    t.chars.append(fold(body[k]));
                }
            }
            // "[]" matches nothing and "[!]" is a literal "!" in Jet; both are rare
            // enough to treat as an empty set.
            out->push_back(t);
            i = close;
        } else {
            out->push_back({Token::Literal, QString(fold(c)), {}, false});
        }
    }
    return true;
}

bool tokenMatches(const Token& t, QChar c) {
    switch (t.kind) {
        case Token::One:
            return true;
        case Token::Digit:
            return c >= u'0' && c <= u'9';
        case Token::Literal:
            return fold(c) == t.chars[0];
        case Token::Set: {
            const QChar f = fold(c);
            bool in = t.chars.contains(f);
            for (const auto& r : t.ranges) in = in || (f >= r.first && f <= r.second);
            return in != t.negate;
        }
        case Token::Any:
            break;
    }
    return false;
}

}  // namespace

}  // namespace detail

bool likeMatch(const QString& text, const QString& pattern) {
    using detail::Token;
    std::vector<Token> toks;
    if (!detail::compileLike(pattern, &toks)) return false;
    // Row by row over the tokens: reach[j] says whether the first j text
    // characters can be matched by the tokens seen so far.
    const qsizetype n = text.size();
    std::vector<char> reach(size_t(n) + 1, 0), next(size_t(n) + 1, 0);
    reach[0] = 1;
    for (const Token& t : toks) {
        std::fill(next.begin(), next.end(), 0);
        if (t.kind == Token::Any) {
            char any = 0;
            for (qsizetype j = 0; j <= n; ++j) {
                any = any || reach[size_t(j)];
                next[size_t(j)] = any;
            }
        } else {
            for (qsizetype j = 0; j < n; ++j)
                if (reach[size_t(j)] && detail::tokenMatches(t, text[j])) next[size_t(j) + 1] = 1;
        }
        reach.swap(next);
    }
    return reach[size_t(n)] != 0;
}

// ---------------------------------------------------------------- Database

Database::Database(QString path, QStringList tables)
    : m_path(std::move(path)), m_tables(std::move(tables)), m_batch(std::make_shared<detail::Batch>()) {}

std::unique_ptr<Database> Database::open(const QString& path, Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile()) {
        e->text = QStringLiteral("找不到数据库文件：%1").arg(path);
        return nullptr;
    }
    QStringList names;
    QString why;
    if (!detail::runReader(fi.absoluteFilePath(), QString(), &names, nullptr, &why)) {
        e->text = why;
        return nullptr;
    }
    return std::unique_ptr<Database>(new Database(fi.absoluteFilePath(), names));
}

Database::~Database() = default;

bool Database::beginTrans(Error* err) { return beginTransAs(QString(), err); }

bool Database::beginTransAs(const QString& newPath, Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    if (inTransaction()) {
        e->text = QStringLiteral("已有进行中的写入");
        return false;
    }
    QString why;
    if (!m_batch->begin(m_path, m_tables, &why, newPath)) {
        e->text = why;
        return false;
    }
    return true;
}

bool Database::commitTrans(Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    if (!inTransaction()) {
        e->text = QStringLiteral("没有进行中的写入");
        return false;
    }
    QString why;
    const bool ok = m_batch->commit(&why);
    if (!ok) e->text = why;
    return ok;
}

void Database::rollback() { m_batch->rollback(); }

bool Database::inTransaction() const { return m_batch->active(); }

bool Database::execute(const QString& sql, Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    QString table;
    if (detail::parseStatement(sql, &table) != detail::Statement::DeleteAll) {
        e->text = QStringLiteral("不支持的 SQL 语句：%1").arg(sql);
        return false;
    }
    QString why;
    const bool ok =
        inTransaction() ? m_batch->deleteAll(table, &why) : detail::deleteAllRows(m_path, table, &why);
    if (!ok) {
        e->text = why;
        return false;
    }
    return true;
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& sql, Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    QString table;
    if (detail::parseStatement(sql, &table) != detail::Statement::SelectAll) {
        e->text = QStringLiteral("不支持的 SQL 语句：%1").arg(sql);
        return nullptr;
    }
    detail::TableData data;
    QString why;
    const bool ok = inTransaction() ? m_batch->read(table, &data.columns, &data.rows, &why)
                                    : detail::runReader(m_path, table, nullptr, &data, &why);
    if (!ok) {
        e->text = QStringLiteral("无法读取文件 %1 中的表 %2：%3").arg(m_path, table, why);
        return nullptr;
    }
    std::unique_ptr<Recordset> rs(new Recordset);
    // Recordsets opened before a batch began write into it as well.
    rs->m_batch = m_batch;
    rs->m_path = m_path;
    rs->m_table = table;
    rs->m_fields = data.columns;
    rs->m_records = std::move(data.rows);
    rs->m_pos = rs->m_records.isEmpty() ? -1 : 0;
    return rs;
}

// --------------------------------------------------------------- Recordset

QString Recordset::fieldName(int i) const { return i >= 0 && i < m_fields.size() ? m_fields[i] : QString(); }

bool Recordset::moveFirst() {
    m_pos = m_records.isEmpty() ? -1 : 0;
    return m_pos >= 0;
}

bool Recordset::moveNext() {
    if (m_pos < 0) return false;
    if (m_pos + 1 >= m_records.size()) {
        m_pos = -1;  // EOF
        return false;
    }
    ++m_pos;
    return true;
}

bool Recordset::findFirst(const QString& criteria, Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    detail::Criterion c;
    if (!detail::parseCriterion(criteria, &c)) {
        e->text = QStringLiteral("无法识别的查找条件：%1").arg(criteria);
        return false;
    }
    qsizetype col = -1;
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].compare(c.field, Qt::CaseInsensitive) == 0) {
            col = i;
            break;
        }
    if (col < 0) {
        e->text = QStringLiteral("表 %1 中没有字段 %2").arg(m_table, c.field);
        return false;
    }
    if (c.like) {
        std::vector<detail::Token> toks;
        if (!detail::compileLike(c.pattern, &toks)) {
            e->text = QStringLiteral("无效的 LIKE 模式：%1").arg(c.pattern);
            return false;
        }
    }
    m_noMatch = true;
    for (qsizetype r = 0; r < m_records.size(); ++r) {
        const Value& v = m_records[r].value(col);
        if (!v) continue;  // Null matches nothing
        const bool hit = c.like ? likeMatch(*v, c.pattern) : v->compare(c.pattern, Qt::CaseInsensitive) == 0;
        if (hit) {
            m_pos = int(r);
            m_noMatch = false;
            break;
        }
    }
    return true;
}

Value Recordset::field(int i, Error* err) const {
    if (err) *err = {};
    if (m_pos < 0 || m_pos >= m_records.size()) {
        if (err) err->text = QStringLiteral("没有当前记录");
        return std::nullopt;
    }
    if (i < 0 || i >= m_fields.size()) {
        if (err) err->text = QStringLiteral("字段序号 %1 超出范围").arg(i);
        return std::nullopt;
    }
    return m_records[m_pos].value(i);
}

void Recordset::addNew() { m_pending = Record(m_fields.size(), std::nullopt); }

bool Recordset::setField(int i, const Value& value, Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    if (!m_pending) {
        e->text = QStringLiteral("没有正在添加的记录");
        return false;
    }
    if (i < 0 || i >= m_fields.size()) {
        e->text = QStringLiteral("字段序号 %1 超出范围").arg(i);
        return false;
    }
    (*m_pending)[i] = value;
    return true;
}

bool Recordset::update(Error* err) {
    Error local;
    Error* e = err ? err : &local;
    *e = {};
    if (!m_pending) {
        e->text = QStringLiteral("没有正在添加的记录");
        return false;
    }
    QString why;
    const std::shared_ptr<detail::Batch> batch = m_batch.lock();
    const bool ok = batch && batch->active() ? batch->append(m_table, *m_pending, &why)
                                             : detail::appendRow(m_path, m_table, *m_pending, &why);
    if (!ok) {
        e->text = why;
        return false;  // the record stays pending, as DAO keeps it
    }
    m_records.append(*m_pending);
    m_pending.reset();
    if (m_pos < 0) m_pos = 0;
    return true;
}

}  // namespace jetdb
