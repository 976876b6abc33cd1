// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One running copy of the program per user. The lock is a file naming its owner (process id,
// program, machine); only a live copy of this program on this machine keeps the next one out.
// Whatever else stands in the lock's place (a copy that was killed, a folder, a file nobody
// can read, a lock from another machine) is logged and cleared away, or the lock is taken
// at a second place, or the program runs without one: it always starts.

#include <QLockFile>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcStartup)

class SingleCopy
{
public:
    enum class Outcome {
        Acquired,        // this is the only copy; the lock is held until this object goes
        AnotherCopyRuns, // a live copy of the program on this machine holds the lock
        Unavailable      // no lock can be taken anywhere: run without it
    };

    // The lock at the default places.
    SingleCopy();
    // The lock at lockPath; at fallbackPath (when given) if nothing can be locked there.
    explicit SingleCopy(const QString& lockPath, const QString& fallbackPath = QString());
    ~SingleCopy();

    Outcome acquire();
    // The lock file held, or empty when none is.
    QString lockPath() const;

    // The copy that holds the lock answers later starts on a socket beside it (only this user
    // may use it): answer runs, in the event loop, for each that calls, for as long as this
    // object lives.
    void answerLaterStarts(std::function<void()> answer);
    // After AnotherCopyRuns: tells that copy it was started again, waiting at most timeoutMs
    // for it to take the call (no event loop runs meanwhile). False when it did not.
    bool callRunningCopy(int timeoutMs) const;
    // The socket that goes with a lock file.
    static QString socketPath(const QString& lockPath);

    // "munchora.lock" in the user's runtime folder, or in the temporary folder without one.
    static QString defaultLockPath();
    // "munchora-<user id>.lock" in the temporary folder.
    static QString defaultFallbackPath();

private:
    enum class Attempt { Taken, LiveCopy, Unusable };
    Attempt tryPlace(const QString& path);

    QStringList places_;
    std::unique_ptr<QLockFile> lock_;
    QString liveCopyLock_; // where a live copy was found
    class Door;
    std::unique_ptr<Door> door_;
};
