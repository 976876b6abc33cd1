// SPDX-License-Identifier: GPL-3.0-or-later
#include "units/installed_units.h"

#include "files/trust.h"
#include "settings/modulo1.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>

namespace units {

namespace {

// A folder that may hold a unit, in the order looked at; with a problem it is not even read.
struct Candidate
{
    QString id;
    QString path;
    QString problem;
};

std::vector<Candidate> candidates()
{
    std::vector<Candidate> found;
    QSet<QString> ids{QLatin1String(BuiltInId)};
    for (const QString& base : unitFolders()) {
        if (!QFileInfo(base).isDir())
            continue;
        files::Trust trust;
        const QString real = files::trustedFolder(base, &trust);
        if (real.isEmpty()) {
            found.push_back({{}, base, distrust(trust, QStringLiteral("la cartella"))});
            continue;
        }
        const QFileInfoList entries = QDir(real).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (i == MostUnitFolders) {
                found.push_back(
                    {{}, real, QStringLiteral("più di %1 cartelle: le altre non sono guardate").arg(MostUnitFolders)});
                break;
            }
            const QString id = entries[i].fileName();
            if (ids.contains(id))
                continue; // an earlier folder of this name wins
            ids.insert(id);
            QString problem;
            if (entries[i].isSymLink())
                problem = QStringLiteral("è un collegamento simbolico: un'unità è una cartella vera");
            else if (!isUnitId(id))
                problem = QStringLiteral("il nome può avere solo lettere senza accenti, cifre, «-» e «_»");
            found.push_back({id, entries[i].filePath(), problem});
        }
    }
    return found;
}

// The units beside the program in the build tree; installed, the program is in lib/munchora/ and
// its data in share/munchora/.
QString programUnitsFolder()
{
    const QString beside = Modulo1::programFolder() + QStringLiteral("/units");
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(Modulo1::programFolder() + QStringLiteral("/../../share/munchora/units"));
}

} // namespace

QStringList unitFolders()
{
    // A relative entry would depend on where the program was started: the XDG rules ignore it.
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QStringList bases{home};
    QStringList system = qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts);
    if (system.isEmpty())
        system = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    for (const QString& base : std::as_const(system)) {
        if (QDir::isAbsolutePath(base))
            bases << base;
    }
    QStringList folders;
    for (const QString& base : std::as_const(bases))
        folders << QDir::cleanPath(base + QStringLiteral("/munchora/units"));
    folders << programUnitsFolder();
    folders.removeDuplicates();
    return folders;
}

InstalledUnits installedUnits()
{
    InstalledUnits installed;
    installed.units.push_back(builtInUnit());
    for (const Candidate& candidate : candidates()) {
        if (!candidate.problem.isEmpty()) {
            installed.skipped << QStringLiteral("%1: %2").arg(candidate.path, candidate.problem);
            continue;
        }
        UnitReading reading = readUnit(candidate.path);
        if (reading.ready()) {
            installed.units.push_back(std::move(reading.unit));
            continue;
        }
        QString line = QStringLiteral("%1: %2").arg(candidate.path, describe(reading.problems.constFirst()));
        if (reading.problems.size() > 1)
            line += QStringLiteral(" (e altri %1 problemi: munchora --check-unit %2)")
                        .arg(reading.problems.size() - 1)
                        .arg(candidate.path);
        installed.skipped << line;
    }
    return installed;
}

ClassroomChoice classroomChoice(const std::vector<Unit>& installed)
{
    ClassroomChoice choice;
    for (const Unit& unit : installed)
        choice.offered << unit.id;
    choice.start = QLatin1String(BuiltInId);
    const QString path = SettingsFile::systemConfigFile(QStringLiteral("munchora/munchora.conf"));
    if (path.isEmpty())
        return choice;
    const QSettings conf(path, QSettings::IniFormat);
    const auto ready = [&](const QString& id, const char* key) {
        if (choice.offered.contains(id))
            return true;
        choice.problems << QStringLiteral("%1: [units] %2 nomina «%3», che non è un'unità pronta")
                               .arg(path, QLatin1String(key), id.left(64));
        return false;
    };
    const QString start = configuredStartUnit();
    const bool startReady = !start.isEmpty() && ready(start, "start");
    if (!start.isEmpty() && !startReady)
        choice.startRefused = start.left(64);
    if (conf.contains(QStringLiteral("units/offered"))) {
        QStringList offered;
        // "7, animals" is a list to QSettings; "animals" alone is one word.
        const QStringList named = conf.value(QStringLiteral("units/offered")).toStringList();
        for (const QString& name : named) {
            if (const QString id = name.trimmed(); !id.isEmpty() && ready(id, "offered") && !offered.contains(id))
                offered << id;
        }
        if (startReady && !offered.contains(start))
            offered.prepend(start);
        if (offered.isEmpty()) {
            choice.problems << QStringLiteral("%1: [units] offered non nomina nessuna unità pronta: si offre "
                                              "l'unità %2")
                                   .arg(path, QLatin1String(BuiltInId));
            offered << QLatin1String(BuiltInId);
        }
        choice.offered = offered;
    }
    if (startReady)
        choice.start = start;
    else if (!choice.offered.contains(choice.start))
        choice.start = choice.offered.constFirst();
    return choice;
}

QString configuredStartUnit()
{
    const QString path = SettingsFile::systemConfigFile(QStringLiteral("munchora/munchora.conf"));
    if (path.isEmpty())
        return QString();
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("units/start")).toString().trimmed();
}

UnitReading findUnit(const QString& argument)
{
    if (argument.contains(u'/'))
        return readUnit(argument);
    UnitReading reading;
    if (!isUnitId(argument)) {
        reading.problems.append(
            {{},
             0,
             QStringLiteral("«%1» non è il nome di un'unità (solo lettere senza accenti, cifre, «-» e «_»); una "
                            "cartella si scrive con una «/», per esempio ./%1")
                 .arg(argument.left(64))});
        return reading;
    }
    if (argument == QLatin1String(BuiltInId)) {
        reading.unit = builtInUnit();
        return reading;
    }
    QStringList refused;
    for (const Candidate& candidate : candidates()) {
        if (candidate.id == argument && candidate.problem.isEmpty())
            return readUnit(candidate.path);
        if (candidate.id == argument || candidate.id.isEmpty())
            refused << QStringLiteral("%1: %2").arg(candidate.path, candidate.problem);
        if (candidate.id == argument)
            break;
    }
    reading.problems.append(
        {{},
         0,
         QStringLiteral("nessuna unità «%1» pronta in %2").arg(argument, unitFolders().join(QStringLiteral(", ")))});
    for (const QString& why : std::as_const(refused))
        reading.problems.append({{}, 0, why});
    return reading;
}

} // namespace units
