#include "app/single_copy.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcStartup, "munchora.startup", QtInfoMsg)

SingleCopy::SingleCopy(const QString& lockPath) : lock_(lockPath)
{
    // A copy holds the lock for hours, so age says nothing; only an owner that is gone
    // (process id no longer running that program, or the machine rebooted) makes it stale.
    lock_.setStaleLockTime(0);
}

QString SingleCopy::defaultLockPath()
{
    QString folder;
#ifndef Q_OS_WIN
    folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/munchora.lock");
}

SingleCopy::Outcome SingleCopy::acquire()
{
    QDir().mkpath(QFileInfo(lock_.fileName()).absolutePath());
    if (lock_.tryLock(0))
        return Outcome::Acquired;
    if (lock_.error() == QLockFile::LockFailedError) {
        // A lock file without its owner's details (a copy killed between creating and
        // filling it) would never turn stale. Removing it takes the file's native lock,
        // which a live owner still holds, so a running copy is safe from this.
        if (!lock_.getLockInfo(nullptr, nullptr, nullptr) && lock_.removeStaleLockFile()
            && lock_.tryLock(0))
            return Outcome::Acquired;
        if (lock_.error() == QLockFile::LockFailedError)
            return Outcome::AnotherCopyRuns;
    }
    qCWarning(lcStartup).nospace() << "cannot take the single-copy lock " << lock_.fileName()
                                   << "; starting without it";
    return Outcome::Unavailable;
}
