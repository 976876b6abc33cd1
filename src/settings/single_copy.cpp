// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/single_copy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QSysInfo>

#include <algorithm>
#include <climits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcStartup, "munchora.startup", QtInfoMsg)

namespace {

struct Verdict
{
    bool live = false;
    QString reason;        // why the lock keeps nobody out, when it does not
    bool clearable = true; // whether this copy may remove it
};

bool namesThisMachine(const QString& host, const QByteArray& hostId)
{
    // The machine id outlives a change of host name, so it decides when both sides have one.
    const QByteArray ourId = QSysInfo::machineUniqueId();
    if (!hostId.isEmpty() && !ourId.isEmpty())
        return hostId == ourId;
    return host.isEmpty() || host == QSysInfo::machineHostName();
}

bool programRuns(qint64 pid, const QString& program)
{
#ifdef Q_OS_UNIX
    if (pid > INT_MAX || (::kill(pid_t(pid), 0) == -1 && errno == ESRCH))
        return false;
#endif
#ifdef Q_OS_LINUX
    if (QFileInfo::exists(QStringLiteral("/proc/self/exe"))) {
        // The process id may have been handed to another program since.
        QByteArray target(4096, '\0');
        const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
        const ssize_t size = ::readlink(link.constData(), target.data(), size_t(target.size()));
        if (size <= 0)
            return false; // gone meanwhile, or a zombie: either way it holds nothing
        target.truncate(size);
        if (target.endsWith(" (deleted)")) // the program was updated while it ran
            target.chop(10);
        QFileInfo named(program);
        if (named.isSymLink())
            named.setFile(named.symLinkTarget());
        return QFileInfo(QFile::decodeName(target)).fileName() == named.fileName();
    }
#endif
    Q_UNUSED(program);
    return true; // nothing to check it against: assume it runs
}

// Whether what stands at path is the lock of a live copy of this program on this machine,
// read the way QLockFile writes it: process id, program, host name, machine id, boot id.
Verdict judge(const QString& path)
{
    const QFileInfo place(path);
    if (place.isSymLink())
        return {false, QStringLiteral("is a link, not a lock file")};
    if (!place.exists())
        return {false, QStringLiteral("is gone")};
    if (place.isDir())
        return {false, QStringLiteral("is a folder")};
#ifdef Q_OS_UNIX
    // One copy per user: another user's copy in a shared temporary folder is not this user's,
    // and its lock is not this user's to remove either.
    if (place.ownerId() != ::geteuid())
        return {false, QStringLiteral("belongs to another user"), false};
#endif
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("cannot be read (") + file.errorString() + QLatin1Char(')')};
    const QList<QByteArray> lines = file.read(4096).split('\n');
    bool ok = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0)
        return {false, QStringLiteral("does not name its owner")};
    const QString program = QString::fromUtf8(lines.value(1));
    const QString host = QString::fromUtf8(lines.value(2));
    if (!namesThisMachine(host, lines.value(3)))
        return {false, QStringLiteral("names another machine (") + host + QLatin1Char(')')};
    const QByteArray bootId = lines.value(4);
    if (!bootId.isEmpty() && bootId != QSysInfo::bootUniqueId())
        return {false, QStringLiteral("is older than the last restart")};
    if (!programRuns(pid, program))
        return {false, QStringLiteral("names a copy that no longer runs (process %1)").arg(pid)};
    return {true, QString()};
}

// Clears a leftover from the lock's place. A folder goes only when it is empty: it may hold
// someone's files.
bool clearPlace(const QString& path, QString* why)
{
    const QFileInfo place(path);
    if (!place.exists() && !place.isSymLink())
        return true;
    if (place.isDir() && !place.isSymLink()) {
        if (QDir().rmdir(path))
            return true;
        *why = QStringLiteral("the folder is not empty or cannot be removed");
        return false;
    }
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    // A process that still holds the file's own lock (a copy on another machine sharing the
    // folder, say) keeps its file. One that cannot even be opened was not left by a copy of
    // this program, so nothing holds it.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        *why = QStringLiteral("a running program still holds it");
        return false;
    }
    int error = 0;
    if (::unlink(name.constData()) != 0 && errno != ENOENT)
        error = errno;
    if (fd >= 0)
        ::close(fd);
    if (error != 0)
        *why = QString::fromLocal8Bit(std::strerror(error));
    return error == 0;
#else
    QLockFile lock(path);
    if (lock.removeStaleLockFile() || !QFileInfo::exists(path))
        return true;
    *why = QStringLiteral("it cannot be removed");
    return false;
#endif
}

void warn(const QString& path, const QString& text)
{
    qCWarning(lcStartup).noquote() << QStringLiteral("single-copy lock \"%1\" %2").arg(path, text);
}

QString lockErrorText(QLockFile::LockError error)
{
    switch (error) {
    case QLockFile::PermissionError: return QStringLiteral("no permission to create it");
    case QLockFile::UnknownError: return QStringLiteral("it cannot be created there");
    default: return QStringLiteral("it cannot be taken");
    }
}

} // namespace

SingleCopy::SingleCopy() : SingleCopy(defaultLockPath(), defaultFallbackPath())
{}

SingleCopy::SingleCopy(const QString& lockPath, const QString& fallbackPath)
{
    places_ << lockPath;
    if (!fallbackPath.isEmpty() && fallbackPath != lockPath)
        places_ << fallbackPath;
}

QString SingleCopy::lockPath() const
{
    return lock_ ? lock_->fileName() : QString();
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

QString SingleCopy::defaultFallbackPath()
{
#ifdef Q_OS_UNIX
    const QString user = QString::number(::geteuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    return QDir::tempPath() + QStringLiteral("/munchora-") + user + QStringLiteral(".lock");
}

SingleCopy::Attempt SingleCopy::tryPlace(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath()); // a failure shows in tryLock
    auto lock = std::make_unique<QLockFile>(path);
    // A copy holds the lock for hours, so age says nothing; only its owner's state counts.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        lock_ = std::move(lock);
        return Attempt::Taken;
    }
    // Two copies starting together must not both clear the same leftover (the slower could
    // remove the faster one's new lock): they take turns, as QLockFile does for its own.
    QLockFile turn(path + QStringLiteral(".rmlock"));
    turn.tryLock(2000); // waits for a copy clearing it now; goes on where no turn can be had
    for (int round = 0; round < 3; ++round) {
        if (lock->tryLock(0)) {
            lock_ = std::move(lock);
            return Attempt::Taken;
        }
        if (lock->error() != QLockFile::LockFailedError) {
            warn(path, QStringLiteral("cannot be made: ") + lockErrorText(lock->error()));
            return Attempt::Unusable;
        }
        const Verdict verdict = judge(path);
        if (verdict.live)
            return Attempt::LiveCopy;
        if (!verdict.clearable) {
            warn(path, verdict.reason + QStringLiteral("; leaving it to its owner"));
            return Attempt::Unusable;
        }
        QString why;
        if (!clearPlace(path, &why)) {
            warn(path, verdict.reason + QStringLiteral("; cannot remove it: ") + why);
            return Attempt::Unusable;
        }
        warn(path, verdict.reason + QStringLiteral("; removed it"));
    }
    warn(path, QStringLiteral("keeps coming back"));
    return Attempt::Unusable;
}

SingleCopy::Outcome SingleCopy::acquire()
{
    for (const QString& place : std::as_const(places_)) {
        switch (tryPlace(place)) {
        case Attempt::LiveCopy: liveCopyLock_ = place; return Outcome::AnotherCopyRuns;
        case Attempt::Taken:
            // A copy that found the first place blocked runs with its lock at the second.
            for (const QString& other : std::as_const(places_)) {
                if (other != place && judge(other).live) {
                    lock_.reset();
                    liveCopyLock_ = other;
                    return Outcome::AnotherCopyRuns;
                }
            }
            return Outcome::Acquired;
        case Attempt::Unusable: break;
        }
    }
    qCWarning(lcStartup).noquote() << QStringLiteral("cannot take the single-copy lock at \"%1\"; starting without it")
                                          .arg(places_.join(QStringLiteral("\" or \"")));
    return Outcome::Unavailable;
}

QString SingleCopy::socketPath(const QString& lockPath)
{
    QString path = lockPath;
    if (path.endsWith(QLatin1String(".lock")))
        path.chop(5);
    return path + QStringLiteral(".socket");
}

#ifdef Q_OS_UNIX
namespace {

// A Unix socket's address; false when the path is too long for one.
bool socketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray name = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return true;
}

// A later start on the line: its one line is read as it comes, and answered.
class Caller final : public QObject
{
public:
    Caller(int fd, QObject* door, const std::function<void()>& answer)
        : QObject(door), fd_(fd), notifier_(fd, QSocketNotifier::Read, this), answer_(answer)
    {
        connect(&notifier_, &QSocketNotifier::activated, this, &Caller::read);
    }
    ~Caller() override { ::close(fd_); }

private:
    void read()
    {
        char bytes[64];
        const ssize_t got = ::read(fd_, bytes, sizeof bytes);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got > 0)
            line_.append(bytes, got);
        const qsizetype end = line_.indexOf('\n');
        if (end >= 0 && line_.left(end) == "started again") {
            qCInfo(lcStartup) << "the program was started again: this copy comes to the front and says so";
            answer_();
            // A caller gone meanwhile must not end this copy with SIGPIPE.
            (void)!::send(fd_, "ok\n", 3, MSG_NOSIGNAL);
        }
        // Done with it: answered, gone, or not a start of this program.
        if (end >= 0 || got <= 0 || line_.size() > 64) {
            notifier_.setEnabled(false);
            deleteLater();
        }
    }

    int fd_;
    QSocketNotifier notifier_;
    std::function<void()> answer_;
    QByteArray line_;
};

} // namespace
#endif

// The listening socket of the copy that runs.
class SingleCopy::Door final : public QObject
{
public:
    Door(int fd, QString path, std::function<void()> answer)
        : fd_(fd), path_(std::move(path)), notifier_(fd, QSocketNotifier::Read, this), answer_(std::move(answer))
    {
#ifdef Q_OS_UNIX
        connect(&notifier_, &QSocketNotifier::activated, this, [this] {
            const int caller = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (caller >= 0)
                new Caller(caller, this, answer_);
        });
#endif
    }
    ~Door() override
    {
#ifdef Q_OS_UNIX
        ::close(fd_);
        ::unlink(QFile::encodeName(path_).constData());
#endif
    }

private:
    int fd_;
    QString path_;
    QSocketNotifier notifier_;
    std::function<void()> answer_;
};

SingleCopy::~SingleCopy() = default;

void SingleCopy::answerLaterStarts(std::function<void()> answer)
{
#ifdef Q_OS_UNIX
    if (!lock_)
        return;
    const QString path = socketPath(lock_->fileName());
    const auto fail =
        [&path](const char* why) {
            qCWarning(lcStartup).noquote()
                << QStringLiteral("cannot answer later starts at \"%1\": %2").arg(path, QString::fromLocal8Bit(why));
        };
    sockaddr_un address;
    if (!socketAddress(path, address))
        return fail("the path is too long for a socket");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return fail(std::strerror(errno));
    // The lock is this copy's, so a socket still there was left by a copy that was killed.
    ::unlink(address.sun_path);
    // Only this user may call: made unreachable to others before it exists.
    const mode_t mask = ::umask(077);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, 8) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(std::strerror(error));
    }
    door_ = std::make_unique<Door>(fd, path, std::move(answer));
#else
    Q_UNUSED(answer);
#endif
}

bool SingleCopy::callRunningCopy(int timeoutMs) const
{
#ifdef Q_OS_UNIX
    if (liveCopyLock_.isEmpty())
        return false;
    const QString path = socketPath(liveCopyLock_);
    // Only this user's copy is called: a socket someone else left in a shared folder is not its.
    const QFileInfo door(path);
    sockaddr_un address;
    if (!door.exists() || door.ownerId() != ::geteuid() || !socketAddress(path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    QElapsedTimer clock;
    clock.start();
    QByteArray reply;
    // A copy still starting answers once its event loop runs; the call waits for it, no longer
    // than timeoutMs.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::send(fd, "started again\n", 14, MSG_NOSIGNAL) == 14) {
        while (!reply.contains('\n') && reply.size() <= 64) {
            pollfd wait{fd, POLLIN, 0};
            const int left = std::max(0, timeoutMs - int(clock.elapsed()));
            if (::poll(&wait, 1, left) <= 0)
                break;
            char bytes[64];
            const ssize_t got = ::read(fd, bytes, sizeof bytes);
            if (got <= 0)
                break;
            reply.append(bytes, got);
        }
    }
    ::close(fd);
    return reply.startsWith("ok\n");
#else
    Q_UNUSED(timeoutMs);
    return false;
#endif
}
