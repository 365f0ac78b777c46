#pragma once

// The file an export replaces, and the temporary files it writes beside it.
// Other exports (other program instances too) respect an advisory lock on
// the target from the read to the rename, so two exports into one file never
// lose each other's table. A temporary file is locked by its export for as
// long as it lives, which tells a stale one (left by a killed export) from a
// live one.

#include <QByteArray>
#include <QString>

namespace jetdb::detail {

// How long an export waits for another one to finish with the file.
constexpr int kTargetWaitMs = 3000;

class TargetLock {
public:
    TargetLock() = default;
    TargetLock(const TargetLock&) = delete;
    TargetLock& operator=(const TargetLock&) = delete;
    ~TargetLock() { release(); }

    // Locks the existing file path names, through symbolic links. Refuses a
    // file that is not a plain file, is read-only or has other hard links;
    // waits up to kTargetWaitMs for another export. *realPath is the file to
    // read and replace. Stale temporary files in its folder are removed.
    bool acquire(const QString& path, QString* realPath, QString* err);
    void release();

private:
    int m_fd = -1;
};

// A new, locked temporary file beside target (named .NAME.XXXXXX); -1 with
// errno set on failure. The lock lasts until the descriptor is closed.
int createLockedTemp(const QString& target, QByteArray* name);

// Removes temporary files of our naming in target's folder that no running
// export holds: those for target itself, and those for any .mdb file.
void removeStaleTemps(const QString& target);

}  // namespace jetdb::detail
