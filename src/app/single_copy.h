#pragma once
// One running copy of the program per user. The lock is a file whose owner is checked by
// process id, so a copy that was killed or crashed does not keep the next one out.

#include <QLockFile>
#include <QString>

class SingleCopy
{
public:
    enum class Outcome {
        Acquired,        // this is the only copy; the lock is held until this object goes
        AnotherCopyRuns, // a live copy holds the lock
        Unavailable      // no lock can be taken here (folder not writable): run without it
    };

    explicit SingleCopy(const QString& lockPath = defaultLockPath());
    Outcome acquire();
    QString lockPath() const { return lock_.fileName(); }

    // "munchora.lock" in the user's runtime folder, or in the temporary folder without one.
    static QString defaultLockPath();

private:
    QLockFile lock_;
};
