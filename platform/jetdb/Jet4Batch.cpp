// Whole-file operations: a file replaced in one rename, and batches of
// changes checked before they replace it.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "Jet4Layout.h"
#include "JetInternal.h"

namespace jetdb::detail {

// ------------------------------------------------------------ whole files

namespace {

bool loadImage(const QString& path, Image* img, QString* err) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *err = QStringLiteral("无法打开数据库文件：%1").arg(path);
        return false;
    }
    if (f.size() > 256 * 1024 * 1024) {
        *err = QStringLiteral("数据库文件过大：%1").arg(path);
        return false;
    }
    img->bytes() = f.readAll();
    return true;
}

bool writeFd(int fd, const QByteArray& b) {
    qsizetype done = 0;
    while (done < b.size()) {
        const ssize_t n = ::write(fd, b.constData() + done, size_t(b.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

}  // namespace

bool replaceFile(const QString& path, const QByteArray& bytes, QString* err,
                 const std::function<bool(const QString&, QString*)>& check, bool createOnly) {
    const QFileInfo fi(path);
    const QString dir = fi.absolutePath();
    QByteArray tmp;
    auto failWith = [&](const QString& why) {
        *err = QStringLiteral("无法写入数据库文件：%1（%2）").arg(path, why);
        return false;
    };
    // Its lock (held through lockFd until the end) marks it as a live
    // export's file, not a killed one's leftover.
    const int fd = createLockedTemp(path, &tmp);
    if (fd < 0) return failWith(QString::fromLocal8Bit(std::strerror(errno)));
    const int lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    struct Closer {
        int fd;
        ~Closer() {
            if (fd >= 0) ::close(fd);
        }
    } closeLock{lockFd};
    const QString tmpName = QFile::decodeName(tmp);
    struct stat st {};
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    const bool written = lockFd >= 0 && ::fchmod(fd, mode) == 0 && writeFd(fd, bytes) && ::fdatasync(fd) == 0;
    const QString why = written ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    if (::close(fd) != 0 || !written) {
        ::unlink(tmp.constData());
        return failWith(why.isEmpty() ? QStringLiteral("关闭失败") : why);
    }
    if (check && !check(tmpName, err)) {
        ::unlink(tmp.constData());
        return false;
    }
    const QByteArray target = QFile::encodeName(path);
    int moved = createOnly ? ::renameat2(AT_FDCWD, tmp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
                           : ::rename(tmp.constData(), target.constData());
    if (moved != 0 && createOnly && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the no-replace rename: a hard link refuses
        // an existing name just as well.
        moved = ::link(tmp.constData(), target.constData());
        if (moved == 0) ::unlink(tmp.constData());
    }
    if (moved != 0) {
        const int e = errno;
        ::unlink(tmp.constData());
        if (createOnly && e == EEXIST) {
            *err = QStringLiteral("文件 %1 在导出期间已被别处创建，未作任何改动。请重新导出。").arg(path);
            return false;
        }
        return failWith(QString::fromLocal8Bit(std::strerror(e)));
    }
    // The rename itself must reach the disk, or a power cut could bring the
    // old name back pointing at nothing.
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

// ------------------------------------------------------------------ batches

bool Batch::begin(const QString& path, const QStringList& libmdbTables, QString* err,
                  const QString& newPath) {
    rollback();
    QString source = path;
    if (newPath.isEmpty()) {
        if (!m_lock.acquire(path, &source, err)) return false;
        m_path = source;
    } else {
        // Built complete as a temporary file and renamed once, a new file
        // is there whole or not at all.
        struct stat st {};
        if (::lstat(QFile::encodeName(newPath).constData(), &st) == 0) {
            *err = QStringLiteral("文件 %1 已存在，未作任何改动").arg(newPath);
            return false;
        }
        m_path = QFileInfo(newPath).absoluteFilePath();
        removeStaleTemps(m_path);
    }
    m_new = !newPath.isEmpty();
    if (!loadImage(source, &m_img, err)) {
        rollback();
        return false;
    }
    m_libmdbTables = libmdbTables;
    m_original = m_img.bytes();
    m_active = true;
    return true;
}

void Batch::rollback() {
    m_active = false;
    m_lock.release();
    m_new = false;
    m_img = Image();
    m_original.clear();
    m_touched.clear();
    m_spoiled.clear();
}

Batch::Touched* Batch::touch(const QString& table) {
    for (Touched& t : m_touched)
        if (t.name.compare(table, Qt::CaseInsensitive) == 0) return &t;
    if (!m_libmdbTables.isEmpty()) {
        bool listed = false;
        for (const QString& n : m_libmdbTables) listed = listed || n.compare(table, Qt::CaseInsensitive) == 0;
        if (!listed) fail(QStringLiteral("数据库中没有表 %1").arg(table));
    }
    Touched t;
    t.name = table;
    t.def = m_img.writableTable(table);
    m_touched.append(t);
    return &m_touched.last();
}

template <typename Fn>
static bool batchStep(bool active, QString& spoiled, QString* err, Fn fn) {
    if (!active) {
        *err = QStringLiteral("没有进行中的写入");
        return false;
    }
    if (!spoiled.isEmpty()) {
        *err = spoiled;
        return false;
    }
    try {
        fn();
    } catch (const JetFault& f) {
        *err = f.text;
        spoiled = f.text;
        return false;
    }
    return true;
}

bool Batch::deleteAll(const QString& table, QString* err) {
    return batchStep(m_active, m_spoiled, err, [&] {
        Touched* t = touch(table);
        m_img.deleteAll(t->def);
        t->expected.clear();
        t->known = true;
    });
}

bool Batch::append(const QString& table, const Record& values, QString* err) {
    return batchStep(m_active, m_spoiled, err, [&] {
        Touched* t = touch(table);
        if (!t->known) {
            // Appending to what is there: those rows must come back first.
            m_img.readTableStrict(table, &t->columns, &t->expected);
            t->known = true;
        }
        m_img.appendRow(t->def, table, values);
        t->expected.append(values);
    });
}

bool Batch::read(const QString& table, QStringList* columns, QList<Record>* rows, QString* err) {
    if (!m_active) {
        *err = QStringLiteral("没有进行中的写入");
        return false;
    }
    try {
        if (!m_libmdbTables.isEmpty()) {
            bool listed = false;
            for (const QString& n : m_libmdbTables)
                listed = listed || n.compare(table, Qt::CaseInsensitive) == 0;
            if (!listed) fail(QStringLiteral("数据库中没有表 %1").arg(table));
        }
        m_img.readTableStrict(table, columns, rows);
    } catch (const JetFault& f) {
        *err = f.text;
        return false;
    }
    return true;
}

bool Batch::commit(QString* err) {
    if (!m_active) {
        *err = QStringLiteral("没有进行中的写入");
        return false;
    }
    if (!m_spoiled.isEmpty()) {
        *err = QStringLiteral("写入中有操作失败，文件未作任何改动：%1").arg(m_spoiled);
        rollback();
        return false;
    }
    if (m_touched.isEmpty() && !m_new) {
        rollback();
        return true;
    }
    // What we are about to write must read back as written, by our reading
    // and then by the import's reader on the synced temporary file.
    QString why;
    try {
        const QStringList before = checkStructure(m_original);
        for (const QString& p : checkStructure(m_img.bytes()))
            if (!before.contains(p)) fail(p);
        for (const Touched& t : m_touched) {
            QStringList cols;
            QList<Record> rows;
            m_img.readTableStrict(t.name, &cols, &rows);
            if (rows != t.expected) fail(QStringLiteral("表 %1 读回的内容与写入的不一致").arg(t.name));
        }
    } catch (const JetFault& f) {
        why = f.text;
    }
    if (!why.isEmpty()) {
        *err = QStringLiteral("写入结果未通过检查，文件未作任何改动：%1").arg(why);
        rollback();
        return false;
    }
    const QList<Touched> touched = m_touched;
    const bool verify = m_verifyWithReader;
    const bool createOnly = m_new;
    const bool ok = replaceFile(m_path, m_img.bytes(), err, [&](const QString& tmp, QString* e) {
        if (!verify) return true;
        // One reader run per table, side by side.
        std::vector<QString> problems(size_t(touched.size()));
        std::vector<std::thread> runs;
        for (qsizetype i = 0; i < touched.size(); ++i)
            runs.emplace_back([&, i] {
                const Touched& t = touched[i];
                TableData data;
                QString readErr;
                if (!runReader(tmp, t.name, nullptr, &data, &readErr))
                    problems[size_t(i)] =
                        QStringLiteral("写入结果读回失败，文件未作任何改动：%1").arg(readErr);
                else if (data.rows != t.expected)
                    problems[size_t(i)] =
                        QStringLiteral("写入结果读回与写入的不一致，文件未作任何改动（表 %1）").arg(t.name);
            });
        for (std::thread& r : runs) r.join();
        for (const QString& p : problems)
            if (!p.isEmpty()) {
                *e = p;
                return false;
            }
        return true;
    }, createOnly);
    rollback();
    return ok;
}

bool deleteAllRows(const QString& path, const QString& table, QString* err) {
    Batch b;
    return b.begin(path, {}, err) && b.deleteAll(table, err) && b.commit(err);
}

bool appendRow(const QString& path, const QString& table, const Record& values, QString* err) {
    Batch b;
    return b.begin(path, {}, err) && b.append(table, values, err) && b.commit(err);
}

}  // namespace jetdb::detail
