// SPDX-License-Identifier: GPL-3.0-or-later
// Where the teacher's report finds the pupils' records, and whose each one is.
#include "record/report_model.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>

namespace Report {

namespace {

// Where pupils' homes are under a folder given: /home/pupil, /home/class/pupil,
// /srv/school/class/pupil. Deeper is somebody's own files.
constexpr int SearchDepth = 3;
const QString InHome = QStringLiteral(".local/share/munchora/answers.sqlite");
const QString FileName = QStringLiteral("answers.sqlite");

// What base/relative is, one step at a time, so that no link on the way is followed: a pupil
// could point one at another pupil's record, or at a pipe that would hang the report.
enum class Outcome { Nothing, Record, Problem, Unsearchable };

Outcome lookFor(const QString& base, const QString& relative, Found& found)
{
    QString path = base;
    const QStringList steps = relative.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString parent = path;
        path += QLatin1Char('/') + steps[i];
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
            if (errno != EACCES)
                return Outcome::Nothing;
            if (i == 0)
                return Outcome::Unsearchable;
            found = {parent, QStringLiteral("non si può entrare nella cartella: ") + denied()};
            return Outcome::Problem;
        }
        const bool last = i == steps.size() - 1;
        if (S_ISLNK(st.st_mode)) {
            found = {path, QStringLiteral("è un collegamento simbolico, che il resoconto non segue")};
            return Outcome::Problem;
        }
        if (!last && !S_ISDIR(st.st_mode))
            return Outcome::Nothing;
        if (last && !S_ISREG(st.st_mode)) {
            found = {path, QStringLiteral("non è un file normale")};
            return Outcome::Problem;
        }
    }
    found = {path, QString()};
    return Outcome::Record;
}

// The folder is its owner's home (as the user database says); a link, when it leads to a
// folder that is.
bool isSomeonesHome(const QString& folder)
{
    struct stat st;
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    const passwd* user = ::getpwuid(st.st_uid);
    return user && user->pw_dir && QDir::cleanPath(QFile::decodeName(user->pw_dir)) == folder;
}

// A link where a pupil's home could be is not followed, but not passed over in silence either
// when it leads to a record, or to a home that cannot be looked into: the pupil is named. It is
// only looked through, never opened.
void linkedHome(const QString& link, int depth, std::vector<Found>& out)
{
    struct stat st;
    if (::stat(QFile::encodeName(link + QLatin1Char('/') + InHome).constData(), &st) == 0
        || (errno == EACCES && (depth <= 1 || isSomeonesHome(link))))
        out.push_back({link,
                       QStringLiteral("è un collegamento simbolico a un'altra cartella, che il resoconto non "
                                      "segue: per leggerla, indicare quella cartella")});
}

void walk(const QString& folder, int depth, std::vector<Found>& out)
{
    Found found;
    switch (lookFor(folder, InHome, found)) {
    case Outcome::Record:
    case Outcome::Problem: out.push_back(found); return; // a home: nothing more under it
    case Outcome::Unsearchable:
        // A pupil's home that only its owner may open. Other folders deep down that are closed
        // are nobody's concern.
        if (depth <= 1 || isSomeonesHome(folder))
            out.push_back({folder, QStringLiteral("non si può entrare nella cartella: ") + denied()});
        return;
    case Outcome::Nothing: break;
    }
    if (depth == SearchDepth)
        return;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    QStringList children, links;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') // also . and ..: hidden folders hold no homes
            continue;
        const QString child = folder + QLatin1Char('/') + QFile::decodeName(entry->d_name);
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::lstat(QFile::encodeName(child).constData(), &st) == 0)
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR)
            children.push_back(child);
        else if (type == DT_LNK)
            links.push_back(child);
    }
    ::closedir(dir);
    children.sort();
    for (const QString& child : children)
        walk(child, depth + 1, out);
    for (const QString& link : links)
        linkedHome(link, depth + 1, out);
}

// A place the teacher named: followed even when it is a link (/home may be one).
void search(const QString& place, std::vector<Found>& out)
{
    const QString path = QDir::cleanPath(QFileInfo(place).absoluteFilePath());
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        out.push_back({path, errnoText(errno)});
        return;
    }
    if (S_ISREG(st.st_mode)) {
        out.push_back({path, QString()});
        return;
    }
    if (!S_ISDIR(st.st_mode)) {
        out.push_back({path, QStringLiteral("non è né un file né una cartella")});
        return;
    }
    const QString folder = QFileInfo(path).canonicalFilePath();
    // The data folder itself, or the munchora folder in it.
    for (const QString& relative : {FileName, QStringLiteral("munchora/") + FileName}) {
        Found found;
        const Outcome outcome = lookFor(folder, relative, found);
        if (outcome == Outcome::Record || outcome == Outcome::Problem)
            out.push_back(found);
    }
    walk(folder, 0, out);
}

// /somewhere/mario/.local/share/munchora/answers.sqlite -> mario.
QString homeFolderName(const QString& path)
{
    QStringList parts = QDir::cleanPath(path).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const char* tail : {"answers.sqlite", "munchora", "share", ".local"})
        if (!parts.isEmpty() && parts.last() == QLatin1String(tail))
            parts.removeLast();
    return parts.isEmpty() ? QStringLiteral("/") : parts.last();
}

} // namespace

QString denied()
{
    // Pupils' folders are theirs alone: the teacher reads them as the administrator.
    return QStringLiteral("permesso negato (le registrazioni degli alunni si leggono come amministratore: "
                          "sudo munchora --report)");
}

QString errnoText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return denied();
    case ENOENT: return QStringLiteral("non esiste");
    case ENOTDIR: return QStringLiteral("una parte del percorso non è una cartella");
    case EISDIR: return QStringLiteral("è una cartella");
    case ELOOP: return QStringLiteral("troppi collegamenti simbolici lungo il percorso");
    case ENAMETOOLONG: return QStringLiteral("il nome è troppo lungo");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("il disco è pieno");
    case EROFS: return QStringLiteral("il disco si può solo leggere");
    case EIO: return QStringLiteral("errore di lettura o scrittura sul disco");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("è in uso");
    case EXDEV: return QStringLiteral("è su un altro disco");
    case EFBIG: return QStringLiteral("il file è troppo grande");
    // The system's own words would come in the machine's language, often English.
    default: return QStringLiteral("errore di sistema numero %1").arg(error);
    }
}

std::vector<Found> findRecords(const QStringList& places)
{
    std::vector<Found> found;
    for (const QString& place : places)
        search(place, found);
    return found;
}

// The owner's user name when the record is in the owner's own home; a copy made elsewhere (by
// root, on a stick) is named after the folder it is in, not after who copied it.
void name(Pupil& pupil)
{
    pupil.name = homeFolderName(pupil.path);
    struct stat st;
    if (::lstat(QFile::encodeName(pupil.path).constData(), &st) != 0)
        return;
    const passwd* user = ::getpwuid(st.st_uid);
    if (!user || !user->pw_name || !user->pw_dir || !*user->pw_dir)
        return;
    const QString home = QFileInfo(QFile::decodeName(user->pw_dir)).canonicalFilePath();
    // Where it is, its own last step not followed: a link is judged by where it lies.
    const QFileInfo file(pupil.path);
    const QString at = QFileInfo(file.absolutePath()).canonicalFilePath() + QLatin1Char('/') + file.fileName();
    if (home.isEmpty() || home == QLatin1String("/") || !(at + QLatin1Char('/')).startsWith(home + QLatin1Char('/')))
        return;
    pupil.name = QFile::decodeName(user->pw_name);
    if (user->pw_gecos)
        pupil.fullName = QFile::decodeName(user->pw_gecos).section(QLatin1Char(','), 0, 0).trimmed();
    if (pupil.fullName == pupil.name)
        pupil.fullName.clear();
}

} // namespace Report
