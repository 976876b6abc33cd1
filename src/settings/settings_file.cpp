// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_file.h"

#include "settings/modulo1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcSettings, "munchora.settings", QtInfoMsg)

namespace SettingsFile {

namespace {

QByteArray formatNumber(qint16 value)
{
    const int v = value; // -32768 has no 16-bit absolute value
    return (v < 0 ? QByteArray("-") : QByteArray(" ")) + QByteArray::number(v < 0 ? -v : v) + ' ';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

QByteArray format(qint16 voce, qint16 velocita)
{
    return formatNumber(voce) + "\r\n" + formatNumber(velocita) + "\r\n";
}

std::optional<Values> parse(QByteArrayView bytes, bool wholeFile)
{
    qsizetype pos = 0;
    const qsizetype size = bytes.size();
    auto nextNumber = [&]() -> std::optional<qint16> {
        while (pos < size && isBlank(bytes[pos]))
            ++pos;
        const qsizetype start = pos;
        if (pos < size && (bytes[pos] == '-' || bytes[pos] == '+'))
            ++pos;
        const qsizetype digits = pos;
        while (pos < size && bytes[pos] >= '0' && bytes[pos] <= '9')
            ++pos;
        if (pos == digits)
            return std::nullopt;
        // "3x" is no number, and neither is one cut off where the read stopped.
        if (pos < size ? !isBlank(bytes[pos]) : !wholeFile)
            return std::nullopt;
        bool ok = false;
        const qlonglong value = bytes.sliced(start, pos - start).toLongLong(&ok);
        if (!ok || value < -32768 || value > 32767)
            return std::nullopt;
        return qint16(value);
    };
    const auto voce = nextNumber();
    if (!voce)
        return std::nullopt;
    const auto velocita = nextNumber();
    if (!velocita)
        return std::nullopt;
    return Values{*voce, *velocita};
}

Values valuesFor(QByteArrayView head, bool wholeFile, bool* fellBack)
{
    if (head.size() > ReadLimit) {
        head = head.first(ReadLimit);
        wholeFile = false;
    }
    const auto values = parse(head, wholeFile);
    if (fellBack)
        *fellBack = !values;
    return values.value_or(Values{Modulo1::DefaultVoce, Modulo1::DefaultVelocita});
}

bool isSettingsText(QByteArrayView bytes)
{
    int numbers = 0;
    bool inWord = false;
    for (const char c : bytes) {
        if (isBlank(c)) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++numbers;
        }
    }
    return numbers == 2 && parse(bytes).has_value();
}

QByteArray readme()
{
    // Windows-1252: the "ò" of "può" is the one byte 0xF2. "quata" is the folder's
    // long-standing wording, kept as it is.
    QByteArray text;
    text += "Questa cartella contiene i files di impostazione dei programmi presenti nel sito ";
    text += MakerHost;
    text += ".\r\n";
    text += " \r\n";
    text += "Se qualche programma presenta problemi di funzionamento pu\xF2"
            " essere utile cancellare il file *.ini relativo al programma in quata cartella.\r\n";
    text += " \r\n";
    text += "Non cancellare questo file.\r\n";
    return text;
}

QString readmePath()
{
    return Modulo1::settingsFolder() + QLatin1Char('/') + QLatin1String(ReadmeName);
}

QString presetPath()
{
    return systemConfigFile(QLatin1String(FolderName) + QLatin1Char('/') + QLatin1String(FileName));
}

QString systemConfigFile(const QString& relativePath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(relativePath);
    return QString();
#else
    QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (folders.isEmpty())
        folders = {QStringLiteral("/etc/xdg")};
    for (const QString& folder : folders) {
        if (!QDir::isAbsolutePath(folder))
            continue; // a relative entry would depend on where the program was started
        const QString path = QDir::cleanPath(folder) + QLatin1Char('/') + relativePath;
        // The first file found counts, even a bad one: a teacher's broken preset must show as
        // the defaults, not quietly hand over to a file further down the list.
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink())
            return path;
    }
    return QString();
#endif
}

} // namespace SettingsFile

namespace {

bool openRegularFile(QFile& file, const QString& path, QString* why);

// A link in the settings folder may lead to a file kept elsewhere on purpose; it is written
// through only when that file is already one of ours (or empty). A link to a pupil's homework,
// or to a system file, is never replaced by two numbers.
bool linkLeadsToOurs(const QString& link, bool (*ours)(QByteArrayView), QString* why)
{
    const QString target = QFileInfo(link).canonicalFilePath();
    if (target.isEmpty()) {
        *why = QStringLiteral("a link to nothing");
        return false;
    }
    QFile file;
    if (!openRegularFile(file, target, why))
        return false;
    const QByteArray head = file.read(SettingsFile::ReadLimit + 1);
    if (head.isEmpty() && file.atEnd())
        return true;
    if (head.size() <= SettingsFile::ReadLimit && file.atEnd() && ours(head))
        return true;
    *why = QStringLiteral("a link to %1, which is not a file of this program's").arg(target);
    return false;
}

bool isReadmeText(QByteArrayView bytes)
{
    return bytes == SettingsFile::readme();
}

// Temporary file, then rename: a failure at any point leaves the old file as it was.
bool writeAtomically(const QString& path, const QByteArray& bytes, bool (*ours)(QByteArrayView))
{
    if (QFileInfo(path).isSymLink()) {
        QString why;
        if (!linkLeadsToOurs(path, ours, &why)) {
            qCWarning(lcSettings).nospace() << "cannot write " << path << ": " << why;
            return false;
        }
    }
    // QSaveFile writes through a link to its target and renames over whatever stands there: a
    // link to /dev/zero, a fifo or a device would be replaced by a file. Only a regular file,
    // or nothing, is ours to replace.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        qCWarning(lcSettings).nospace() << "cannot write " << path << ": not a regular file";
        return false;
    }
    QSaveFile file(path);
    // flush() first: Qt 6.4's commit() misses an error raised while flushing (a full disk)
    // and would put a cut-off file in place of the old one.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit())
        return true;
    qCWarning(lcSettings).nospace() << "cannot write " << path << ": " << file.errorString();
    file.cancelWriting();
    return false;
}

// The user's own file while anything stands in its place (an unusable thing gives the
// defaults, as always); before the user has saved settings, the classroom preset.
QString settingsToRead()
{
    const QFileInfo own(Modulo1::FileImpostazioni);
    if (Modulo1::FileImpostazioni.isEmpty() || own.exists() || own.isSymLink())
        return Modulo1::FileImpostazioni;
    return SettingsFile::presetPath();
}

// Opens path for reading if it is a regular file, never blocking: a fifo put in the file's
// place after EsisteFile looked would otherwise hold the start for ever.
bool openRegularFile(QFile& file, const QString& path, QString* why)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        *why = QStringLiteral("not a regular file");
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *why = file.errorString();
        return false;
    }
    return true;
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    return true;
#endif
}

} // namespace

namespace Modulo1 {

bool EsisteFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

void LeggiImpostazioni()
{
    Voce = DefaultVoce;
    Velocita = DefaultVelocita;
    const QString path = settingsToRead();
    if (!EsisteFile(path))
        return; // no settings yet: the defaults, silently
    QFile file;
    QString why;
    if (!openRegularFile(file, path, &why)) {
        qCWarning(lcSettings).nospace() << "cannot read " << path << ": " << why << "; using the defaults";
        return;
    }
    const QByteArray bytes = file.read(SettingsFile::ReadLimit);
    bool fellBack = false;
    const SettingsFile::Values values = SettingsFile::valuesFor(bytes, file.atEnd(), &fellBack);
    if (fellBack)
        qCWarning(lcSettings).nospace() << path << " does not hold two numbers; using the defaults";
    Voce = values.voce;
    Velocita = values.velocita;
}

bool SalvaImpostazioni()
{
    if (FileImpostazioni.isEmpty()) {
        qCWarning(lcSettings) << "no settings file chosen; settings not saved";
        return false;
    }
    // The folder may have been deleted while the program ran: set it up again first.
    if (!EsisteFile(SettingsFile::readmePath()))
        CreaCartellaImpostazioni();
    return writeAtomically(FileImpostazioni, SettingsFile::format(Voce, Velocita), SettingsFile::isSettingsText);
}

bool CreaCartellaImpostazioni()
{
    const QString folder = settingsFolder();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcSettings).nospace() << "cannot create the settings folder " << folder
                                        << "; the settings will not be kept";
        return false;
    }
    return writeAtomically(SettingsFile::readmePath(), SettingsFile::readme(), isReadmeText);
}

} // namespace Modulo1
