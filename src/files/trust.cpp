// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/trust.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

Trust judge(const struct stat& st)
{
    Trust trust;
    trust.owner = st.st_uid;
    trust.mode = st.st_mode & 07777;
    if (st.st_uid != 0 && st.st_uid != geteuid())
        trust.verdict = Trust::Verdict::OtherOwner;
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        trust.verdict = Trust::Verdict::OthersMayWrite;
    return trust;
}

QString trustedFolder(const QString& folder, Trust* why)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    struct stat st;
    if (real.isEmpty() || ::stat(QFile::encodeName(real).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *why = {};
        why->verdict = Trust::Verdict::NotAFolder;
        return {};
    }
    if (*why = judge(st); !why->trusted())
        return {};
    for (QString above = real; above != QLatin1String("/");) {
        above = QFileInfo(above).path();
        if (::stat(QFile::encodeName(above).constData(), &st) != 0) {
            *why = {};
            why->verdict = Trust::Verdict::CannotLook;
        } else {
            if (st.st_mode & S_ISVTX)
                st.st_mode &= ~mode_t(S_IWGRP | S_IWOTH);
            *why = judge(st);
        }
        if (!why->trusted()) {
            why->above = above;
            return {};
        }
    }
    return real;
}

QString describe(const Trust& trust)
{
    QString what;
    switch (trust.verdict) {
    case Trust::Verdict::Trusted: return QStringLiteral("it is trusted");
    case Trust::Verdict::NotAFolder: return QStringLiteral("it is not a folder");
    case Trust::Verdict::CannotLook: return QStringLiteral("the folder %1 above it cannot be read").arg(trust.above);
    case Trust::Verdict::OtherOwner:
        what = QStringLiteral("it belongs to another user (uid %1)").arg(trust.owner);
        break;
    case Trust::Verdict::OthersMayWrite:
        what = QStringLiteral("group or others may write it (mode %1)").arg(trust.mode, 4, 8, QLatin1Char('0'));
        break;
    }
    if (trust.above.isEmpty())
        return what;
    return QStringLiteral("the folder %1 above it cannot be trusted: %2").arg(trust.above, what);
}

int openPlainFile(const QString& path, struct stat* st)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int error = errno;
    if (::fstat(fd, st) != 0)
        error = errno;
    else if (S_ISREG(st->st_mode))
        return fd;
    else
        error = S_ISDIR(st->st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = error;
    return -1;
}

} // namespace files
