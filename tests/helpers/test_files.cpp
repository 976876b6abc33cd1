// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/test_files.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <sys/resource.h>

QString buildDir()
{
    const QString dir = qEnvironmentVariable("MUNCHORA_BUILD_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() + "/.." : dir;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

FileSizeLimit::FileSizeLimit(quint64 bytes)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    savedSoft_ = saved.rlim_cur;
    savedHard_ = saved.rlim_max;
    previous_ = std::signal(SIGXFSZ, SIG_IGN); // report EFBIG instead of killing us
    rlimit limit = saved;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    const rlimit saved{rlim_t(savedSoft_), rlim_t(savedHard_)};
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous_);
}
