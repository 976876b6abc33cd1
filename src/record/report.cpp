// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's report on the command line: the text to standard output, and the page written
// only at the path given.
#include "record/report.h"

#include "record/report_model.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Report {

namespace {

// Who the page is for: the caller, or under sudo the user who called sudo (root's own files
// are the caller's too).
struct Caller
{
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    bool forSomeone = false;
};

Caller caller()
{
    Caller c;
    bool uidOk = false, gidOk = false;
    const uint uid = qEnvironmentVariable("SUDO_UID").toUInt(&uidOk);
    const uint gid = qEnvironmentVariable("SUDO_GID").toUInt(&gidOk);
    if (c.uid == 0 && uidOk && gidOk && uid != 0)
        c = {uid_t(uid), gid_t(gid), true};
    return c;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n == 0)
            errno = EIO;
        if (n == 0 || (n < 0 && errno != EINTR))
            return false;
        done += n > 0 ? n : 0;
    }
    return true;
}

// The page goes exactly where the teacher said, and nowhere else, also as root and in a folder
// others may write (/tmp): the folder is opened once and the name looked at, written and
// replaced within it, so no link put there, before or meanwhile, is ever followed. The page is
// made whole beside the name and then renamed over it: a link planted meanwhile is replaced,
// not followed, and no existing file is written into (a hard link to it keeps what it held).
bool writePage(const QString& file, const QByteArray& html, QString& error)
{
    const QFileInfo info(file);
    const QByteArray name = QFile::encodeName(info.fileName());
    if (name.isEmpty() || name == "." || name == "..") {
        error = QStringLiteral("non è il nome di un file");
        return false;
    }
    const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        error = QStringLiteral("la sua cartella non si può aprire (%1)").arg(errnoText(errno));
        return false;
    }
    const Caller who = caller();
    struct stat old;
    const bool existed = ::fstatat(folder, name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!existed && errno != ENOENT)
        error = errnoText(errno);
    else if (existed && S_ISLNK(old.st_mode))
        error = QStringLiteral("è un collegamento simbolico: la pagina non si scrive attraverso un collegamento; "
                               "indicare un file vero e proprio");
    else if (existed && !S_ISREG(old.st_mode))
        error = QStringLiteral("c'è già qualcosa che non è un file normale");
    else if (existed && old.st_uid != who.uid && old.st_uid != ::geteuid())
        error = QStringLiteral("c'è già un file di un altro utente");
    if (!error.isEmpty()) {
        ::close(folder);
        return false;
    }

    QByteArray temporary;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 100; ++tries) {
        temporary = ".munchora-page-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
        fd = ::openat(folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = errnoText(errno);
        ::close(folder);
        return false;
    }
    // Children's results are for the teacher's eyes: a new page is 0600, and a teacher who ran
    // this through sudo gets it, not root. A page written over keeps its owner and mode.
    int failure = 0;
    const auto check = [&failure](bool done) {
        if (!done && failure == 0)
            failure = errno != 0 ? errno : EIO;
    };
    if (existed) {
        if (::geteuid() == 0)
            check(::fchown(fd, old.st_uid, old.st_gid) == 0);
        check(::fchmod(fd, old.st_mode & 0777) == 0);
    } else {
        check(::fchmod(fd, S_IRUSR | S_IWUSR) == 0);
        if (who.forSomeone)
            check(::fchown(fd, who.uid, who.gid) == 0);
    }
    if (failure == 0)
        check(writeAll(fd, html));
    if (failure == 0)
        check(::fsync(fd) == 0);
    check(::close(fd) == 0);
    if (failure == 0)
        check(::renameat(folder, temporary.constData(), folder, name.constData()) == 0);
    if (failure != 0) {
        error = errnoText(failure);
        ::unlinkat(folder, temporary.constData(), 0);
    } else {
        ::fsync(folder); // the new name lasts a power cut too
    }
    ::close(folder);
    return failure == 0;
}

} // namespace

int run(const Options& options)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        std::fprintf(stderr, "munchora: manca il driver SQLite di Qt (pacchetto libqt6sql6-sqlite)\n");
        return 2;
    }
    const ClassReport report = gather(options);
    const QByteArray out = text(report).toUtf8();
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "munchora: il resoconto non si può scrivere: %s\n", qPrintable(errnoText(errno)));
        return 2;
    }
    if (options.htmlFile.isEmpty())
        return 0;
    QString error;
    if (!writePage(options.htmlFile, page(report, options), error)) {
        std::fprintf(stderr, "munchora: la pagina %s non è stata scritta: %s\n", qPrintable(options.htmlFile),
                     qPrintable(error));
        return 2;
    }
    return 0;
}

} // namespace Report
