#include "helpers/test_files.h"

#include <QCoreApplication>
#include <QFile>

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
