#include "ExportTarget.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <cerrno>

namespace jetdb::detail {

namespace {

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

bool TargetLock::acquire(const QString& path, QString* realPath, QString* err) {
    release();
    const QString shown = QDir::toNativeSeparators(path);
    // Through a link, the file it names is the one to change; replacing the
    // link itself would leave that file as it was.
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty()) {
        *err = QStringLiteral("找不到数据库文件：%1").arg(shown);
        return false;
    }
    const QByteArray name = QFile::encodeName(real);
    const QDeadlineTimer deadline(kTargetWaitMs);
    for (;;) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            *err = QStringLiteral("无法打开数据库文件：%1").arg(shown);
            return false;
        }
        struct stat held {}, now {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The file may have been replaced while we waited: the lock must
            // be on what the name holds now.
            if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &now) == 0 && sameFile(held, now)) {
                m_fd = fd;
                break;
            }
            ::close(fd);
            continue;
        }
        ::close(fd);
        if (errno != EWOULDBLOCK || deadline.hasExpired()) {
            *err = QStringLiteral("文件 %1 正在使用中（另一个导出正在写入它），未作任何改动。请稍后再试。")
                       .arg(shown);
            return false;
        }
        QThread::msleep(20);
    }
    struct stat st {};
    ::fstat(m_fd, &st);
    QString refusal;
    if (!S_ISREG(st.st_mode))
        refusal = QStringLiteral("%1 不是普通文件，未作任何改动").arg(shown);
    else if ((st.st_mode & 0222) == 0 || ::access(name.constData(), W_OK) != 0)
        refusal = QStringLiteral("文件 %1 是只读的，未作任何改动。要写入它，请先取消它的只读属性。").arg(shown);
    else if (st.st_nlink > 1)
        refusal = QStringLiteral("文件 %1 有 %2 个硬链接（同一文件的其他名称），替换它会使它与其他名称分离，未作任何改动")
                      .arg(shown)
                      .arg(st.st_nlink);
    if (!refusal.isEmpty()) {
        release();
        *err = refusal;
        return false;
    }
    removeStaleTemps(real);
    *realPath = real;
    return true;
}

void TargetLock::release() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

int createLockedTemp(const QString& target, QByteArray* name) {
    const QFileInfo fi(target);
    for (int attempt = 0; attempt < 8; ++attempt) {
        QByteArray tmp = QFile::encodeName(fi.absolutePath() + QStringLiteral("/.") + fi.fileName() +
                                           QStringLiteral(".XXXXXX"));
        const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // Between mkstemp and flock another export may have taken the file
        // for stale and removed it; then its name is gone and we start over.
        struct stat st {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            *name = tmp;
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

void removeStaleTemps(const QString& target) {
    static const QRegularExpression ours(QStringLiteral(R"(^\.(.+)\.[A-Za-z0-9]{6}$)"));
    const QFileInfo fi(target);
    const QDir dir = fi.absoluteDir();
    const QStringList names = dir.entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& n : names) {
        const QRegularExpressionMatch m = ours.match(n);
        if (!m.hasMatch()) continue;
        const QString of = m.captured(1);
        if (of != fi.fileName() && !of.endsWith(QStringLiteral(".mdb"), Qt::CaseInsensitive)) continue;
        const QByteArray path = QFile::encodeName(dir.filePath(n));
        struct stat named {}, opened {};
        if (::lstat(path.constData(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_uid != ::geteuid())
            continue;
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        // Holding its lock, the file is ours to remove, if the name still
        // belongs to it (a live export may just have renamed it away).
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
            ::lstat(path.constData(), &named) == 0 && sameFile(opened, named))
            ::unlink(path.constData());
        ::close(fd);
    }
}

}  // namespace jetdb::detail
