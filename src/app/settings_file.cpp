#include "app/settings_file.h"

#include "app/modulo1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
#ifdef Q_OS_WIN
    return QString();
#else
    QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (folders.isEmpty())
        folders = {QStringLiteral("/etc/xdg")};
    const QString tail = QLatin1Char('/') + QLatin1String(FolderName) + QLatin1Char('/') + QLatin1String(FileName);
    for (const QString& folder : folders) {
        if (!QDir::isAbsolutePath(folder))
            continue; // a relative entry would depend on where the program was started
        const QString path = QDir::cleanPath(folder) + tail;
        // The first file found is the preset, even a bad one: a teacher's broken preset must
        // show as the defaults, not quietly hand over to a file further down the list.
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink())
            return path;
    }
    return QString();
#endif
}

} // namespace SettingsFile

namespace {

// Temporary file, then rename: a failure at any point leaves the old file as it was.
bool writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // flush() first: Qt 6.4's commit() misses an error raised while flushing (a full disk)
    // and would put a cut-off file in place of the old one.
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.commit())
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcSettings).nospace() << "cannot read " << path << ": "
                                        << file.errorString() << "; using the defaults";
        return;
    }
    const QByteArray bytes = file.read(SettingsFile::ReadLimit);
    const auto values = SettingsFile::parse(bytes, file.atEnd());
    if (!values) {
        qCWarning(lcSettings).nospace() << path
                                        << " does not hold two numbers; using the defaults";
        return;
    }
    Voce = values->voce;
    Velocita = values->velocita;
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
    return writeAtomically(FileImpostazioni, SettingsFile::format(Voce, Velocita));
}

bool CreaCartellaImpostazioni()
{
    const QString folder = settingsFolder();
    if (!QDir().mkpath(folder)) {
        qCWarning(lcSettings).nospace() << "cannot create the settings folder " << folder
                                        << "; the settings will not be kept";
        return false;
    }
    return writeAtomically(SettingsFile::readmePath(), SettingsFile::readme());
}

} // namespace Modulo1
