// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/report.h"

#include "record/answer_record.h"
#include "record/report_model.h"
#include "units/unit.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace Report {

namespace {

QString sqliteReason(const QSqlError& error)
{
    QString what;
    switch (error.nativeErrorCode().toInt() & 0xff) { // SQLite's primary result code
    case 26: what = QStringLiteral("non è un database: è danneggiato o è un file di un altro tipo"); break;
    case 11: what = QStringLiteral("è danneggiato"); break;
    case 3:
    case 23: what = denied(); break;
    case 5:
    case 6: what = QStringLiteral("è occupato da un'altra copia di Munchora: riprovare fra poco"); break;
    case 10: what = QStringLiteral("errore di lettura dal disco"); break;
    case 14: what = QStringLiteral("non si può aprire"); break;
    default: what = QStringLiteral("non si può leggere"); break;
    }
    // SQLite's own words are English: the teacher gets the Italian reason, and SQLite's number
    // for whoever looks further.
    const QString code = error.nativeErrorCode();
    return code.isEmpty() ? what : what + QStringLiteral(" (errore SQLite %1)").arg(code);
}

// The menu's order; screens it does not know after, by name.
bool menuOrder(const ScreenFigures& a, const ScreenFigures& b)
{
    return a.place != b.place ? a.place < b.place : a.caption < b.caption;
}

// Where a unit comes in the report: in the order offered, then by id.
std::pair<qsizetype, QString> unitPlace(const Options& options, const QString& unit)
{
    const qsizetype place = options.unitOrder.indexOf(unit);
    return {place < 0 ? options.unitOrder.size() : place, unit};
}

QString unitTitle(const Options& options, const QString& unit)
{
    const QString title = options.unitTitle ? options.unitTitle(unit) : QString();
    return title.isEmpty() ? QStringLiteral("Unità «%1»").arg(shown(unit, 40)) : shown(title, 80);
}

UnitFigures& figuresOf(Pupil& pupil, const QString& unit, const Options& options)
{
    for (UnitFigures& u : pupil.units)
        if (u.unit == unit)
            return u;
    pupil.units.emplace_back();
    pupil.units.back().unit = unit;
    pupil.units.back().title = unitTitle(options, unit);
    return pupil.units.back();
}

// Lets SQLite count: a year's answers are summed where they lie, and only the sums come here.
// unit is the column, or the built-in unit's id for a record kept before there were units.
QString countAnswers(QSqlQuery& q, Pupil& pupil, const Options& options, const QString& unit)
{
    if (!q.exec(QStringLiteral("SELECT %1, screen, count(*), sum(attempt=1), sum(attempt=1 AND \"right\"=1), "
                               "min(at), max(at), sum(\"right\"=1) FROM answers GROUP BY %1, screen")
                    .arg(unit)))
        return sqliteReason(q.lastError());
    while (q.next()) {
        ScreenFigures s;
        s.screen = q.value(1).toString();
        s.caption = options.screenTitle ? options.screenTitle(s.screen) : s.screen;
        const qsizetype place = options.screenOrder.indexOf(s.screen);
        s.place = place < 0 ? int(options.screenOrder.size()) : int(place);
        s.pairGame = options.pairGames.contains(s.screen);
        s.answers = q.value(2).toLongLong();
        s.questions = s.pairGame ? 0 : q.value(3).toLongLong();
        s.rightFirst = s.pairGame ? 0 : q.value(4).toLongLong();
        s.first = q.value(5).toLongLong();
        s.last = q.value(6).toLongLong();
        s.right = q.value(7).toLongLong();
        figuresOf(pupil, q.value(0).toString(), options).screens.push_back(s);
    }
    if (q.lastError().isValid()) // damage met half way through
        return sqliteReason(q.lastError());

    // Each word's first answers, grouped further by the other word chosen in a wrong one (''
    // for the rest): its figures and its confusions in one pass. Only first answers, so that
    // asked, right and confused with count the same answers and add up.
    if (!q.exec(QStringLiteral("SELECT %1, word, CASE WHEN \"right\"=0 AND chosen_word<>word THEN chosen_word ELSE '' "
                               "END AS other, count(*), sum(\"right\"=1) FROM answers WHERE word<>'' AND attempt=1 "
                               "GROUP BY %1, word, other ORDER BY %1, word, other")
                    .arg(unit)))
        return sqliteReason(q.lastError());
    UnitFigures* in = nullptr;
    while (q.next()) {
        const QString unitOfWord = q.value(0).toString(), word = q.value(1).toString();
        if (!in || in->unit != unitOfWord)
            in = &figuresOf(pupil, unitOfWord, options);
        if (in->words.empty() || in->words.back().word != word) {
            in->words.emplace_back();
            in->words.back().word = word;
        }
        WordFigures& w = in->words.back();
        w.asked += q.value(3).toLongLong();
        w.rightFirst += q.value(4).toLongLong();
        const Confusion c{unitOfWord, word, q.value(2).toString(), q.value(3).toLongLong(), 1};
        if (c.chosen.isEmpty())
            continue;
        // The commonest; between equals the first in the alphabet, the same every time.
        if (c.times > w.confusedTimes || (c.times == w.confusedTimes && c.chosen < w.confusedWith)) {
            w.confusedWith = c.chosen;
            w.confusedTimes = c.times;
        }
        pupil.confusions.push_back(c);
    }
    if (q.lastError().isValid())
        return sqliteReason(q.lastError());

    std::sort(pupil.units.begin(), pupil.units.end(), [&options](const UnitFigures& a, const UnitFigures& b) {
        return unitPlace(options, a.unit) < unitPlace(options, b.unit);
    });
    for (UnitFigures& u : pupil.units) {
        std::sort(u.screens.begin(), u.screens.end(), menuOrder);
        // The hardest first: what to go over again in class.
        std::sort(u.words.begin(), u.words.end(), [](const WordFigures& a, const WordFigures& b) {
            const int pa = percent(a.rightFirst, a.asked), pb = percent(b.rightFirst, b.asked);
            if ((pa < 0) != (pb < 0))
                return pb < 0;
            return pa != pb ? pa < pb : a.word < b.word;
        });
        for (const ScreenFigures& s : u.screens) {
            u.answers += s.answers;
            u.questions += s.questions;
            u.rightFirst += s.rightFirst;
            u.first = u.first ? std::min(u.first, s.first) : s.first;
            u.last = std::max(u.last, s.last);
        }
        pupil.answers += u.answers;
        pupil.questions += u.questions;
        pupil.rightFirst += u.rightFirst;
        pupil.first = pupil.first ? std::min(pupil.first, u.first) : u.first;
        pupil.last = std::max(pupil.last, u.last);
    }
    return QString();
}

QString readFigures(QSqlDatabase& db, Pupil& pupil, const Options& options)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const auto number = [&q](const QString& sql, qint64& value) {
        if (!q.exec(sql) || !q.next())
            return false;
        value = q.value(0).toLongLong();
        return true;
    };
    qint64 id = 0, version = 0, objects = 0, table = 0, hasUnit = 0;
    if (!number(QStringLiteral("PRAGMA application_id"), id) || !number(QStringLiteral("PRAGMA user_version"), version)
        || !number(QStringLiteral("SELECT count(*) FROM sqlite_schema"), objects)
        || !number(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type='table' AND name='answers'"), table)
        || !number(QStringLiteral("SELECT count(*) FROM pragma_table_info('answers') WHERE name='unit'"), hasUnit))
        return sqliteReason(q.lastError());
    if (id == 0 && version == 0 && objects == 0)
        return QString(); // made, then closed before the first answer
    if (id != AnswerRecord::ApplicationId)
        return QStringLiteral("non è una registrazione di Munchora (è il database di un altro programma)");
    if (version > AnswerRecord::SchemaVersion)
        return QStringLiteral("è stata scritta da una versione più nuova di Munchora (formato %1): "
                              "per leggerla serve quella versione")
            .arg(version);
    if (table == 0)
        return QString(); // marked as ours, then closed before the table was made
    // One snapshot for both counts, while a running copy goes on adding answers.
    if (!q.exec(QStringLiteral("BEGIN")))
        return sqliteReason(q.lastError());
    // A record kept before units (version 1), read as it is: the report never changes a record.
    const QString problem = countAnswers(q, pupil, options,
                                         hasUnit ? QStringLiteral("unit")
                                                 : QStringLiteral("'%1'").arg(QLatin1String(units::BuiltInId)));
    q.finish();
    q.exec(QStringLiteral("ROLLBACK"));
    return problem;
}

void read(Pupil& pupil, int index, const Options& options)
{
    const QByteArray path = QFile::encodeName(pupil.path);
    if (::access(path.constData(), R_OK) != 0) {
        pupil.problem = errnoText(errno);
        return;
    }
    // Read-only, and beside a copy of the program that may be writing: the write-ahead log
    // lets both be.
    const QString connection = QStringLiteral("munchora-report-%1").arg(index);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(pupil.path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open())
            pupil.problem = sqliteReason(db.lastError());
        else
            pupil.problem = readFigures(db, pupil, options);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!pupil.problem.isEmpty()) { // nothing half read is shown
        const Pupil blank;
        pupil.answers = pupil.questions = pupil.rightFirst = pupil.first = pupil.last = 0;
        pupil.units = blank.units;
        pupil.confusions = blank.confusions;
    }
}

ClassReport gather(const Options& options)
{
    ClassReport report;
    report.made = QDateTime::currentDateTime();
    std::vector<Found> found;
    if (options.places.isEmpty()) {
        const QString own = AnswerRecord::defaultPath();
        report.places = QStringList{own};
        if (QFileInfo::exists(own))
            found.push_back({own, QString()});
    } else {
        report.places = options.places;
        found = findRecords(options.places);
    }

    // A record reached twice (/home and /home/mario given) is one pupil.
    std::set<std::pair<dev_t, ino_t>> seenFiles;
    std::set<QString> seenPaths;
    int index = 0;
    for (const Found& f : found) {
        struct stat st;
        if (::stat(QFile::encodeName(f.path).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
            if (!seenFiles.insert({st.st_dev, st.st_ino}).second)
                continue;
        } else if (!seenPaths.insert(f.path).second) {
            continue;
        }
        Pupil pupil;
        pupil.path = f.path;
        pupil.problem = f.problem;
        name(pupil);
        if (pupil.problem.isEmpty())
            read(pupil, index++, options);
        report.pupils.push_back(std::move(pupil));
    }
    std::sort(report.pupils.begin(), report.pupils.end(), [](const Pupil& a, const Pupil& b) {
        const int byName = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.path < b.path;
    });

    // The units the class played, and in each the confusions of the whole class.
    std::map<std::pair<qsizetype, QString>, UnitConfusions> byUnit;
    for (const Pupil& pupil : report.pupils)
        for (const UnitFigures& u : pupil.units) {
            UnitConfusions& in = byUnit[unitPlace(options, u.unit)];
            in.unit = u.unit;
            in.title = u.title;
        }
    std::map<std::tuple<QString, QString, QString>, Confusion> all;
    for (const Pupil& pupil : report.pupils)
        for (const Confusion& c : pupil.confusions) {
            Confusion& sum = all[{c.unit, c.word, c.chosen}];
            sum.unit = c.unit;
            sum.word = c.word;
            sum.chosen = c.chosen;
            sum.times += c.times;
            sum.pupils += 1;
        }
    for (const auto& entry : all)
        byUnit[unitPlace(options, entry.second.unit)].top.push_back(entry.second);
    for (auto& [place, unit] : byUnit) {
        report.units << unit.title;
        std::stable_sort(unit.top.begin(), unit.top.end(), [](const Confusion& a, const Confusion& b) {
            return a.times != b.times ? a.times > b.times : a.pupils > b.pupils;
        });
        if (unit.top.size() > 10)
            unit.top.resize(10);
        if (!unit.top.empty())
            report.topConfusions.push_back(std::move(unit));
    }
    return report;
}

// The text's columns: left or right aligned in a width.
QString cell(const QString& text, int width)
{
    return text.leftJustified(width);
}

QString right(const QString& text, int width)
{
    return text.rightJustified(width);
}

QString times(qint64 n)
{
    return n == 1 ? QStringLiteral("1 volta") : number(n) + QStringLiteral(" volte");
}

QString pupils(qint64 n)
{
    return n == 1 ? QStringLiteral("1 alunno") : number(n) + QStringLiteral(" alunni");
}

QString byPupils(qint64 n)
{
    return QStringLiteral("da ") + pupils(n);
}

} // namespace

QString answers(qint64 n)
{
    return n == 1 ? QStringLiteral("1 risposta") : number(n) + QStringLiteral(" risposte");
}

QString pairsIn(qint64 pairs, qint64 turns)
{
    return (pairs == 1 ? QStringLiteral("1 coppia trovata") : number(pairs) + QStringLiteral(" coppie trovate"))
        + (turns == 1 ? QStringLiteral(" in 1 turno")
                      : QStringLiteral(" in ") + number(turns) + QStringLiteral(" turni"));
}

namespace {

QString outOf(qint64 part, qint64 whole)
{
    if (whole == 0)
        return QStringLiteral("nessuna domanda");
    return QStringLiteral("%1 su %2 (%3%)").arg(number(part), number(whole)).arg(percent(part, whole));
}

QString displayName(const Pupil& pupil)
{
    return pupil.fullName.isEmpty() ? shown(pupil.name, 40)
                                    : shown(pupil.name, 40) + QStringLiteral(" (") + shown(pupil.fullName, 40) + ')';
}

QString text(const ClassReport& report)
{
    QString out;
    const auto line = [&out](const QString& s = QString()) { out += s + QLatin1Char('\n'); };
    line(QStringLiteral("MUNCHORA - RESOCONTO DELLE RISPOSTE"));
    line(QStringLiteral("Preparato %1 alle %2. %3")
             .arg(theDay(report.made.date(), QStringLiteral("dd/MM/yyyy")),
                  report.made.toString(QStringLiteral("HH:mm")), whereSearched(report)));
    line();
    if (report.pupils.empty()) {
        line(noRecordsFound());
        return out;
    }

    line(QStringLiteral("LA CLASSE: %1").arg(pupils(qint64(report.pupils.size()))));
    if (!report.units.isEmpty())
        line(QStringLiteral("Unità giocate: ") + report.units.join(QStringLiteral("; ")));
    line(QStringLiteral("  %1 %2   %3 %4")
             .arg(cell(QStringLiteral("Alunno"), 20), right(QStringLiteral("Risposte"), 9),
                  cell(QStringLiteral("Giuste al 1° tentativo"), 24), QStringLiteral("Periodo")));
    for (const Pupil& p : report.pupils) {
        if (!p.problem.isEmpty()) {
            line(QStringLiteral("  %1 NON SI PUÒ LEGGERE: %2").arg(cell(shown(p.name, 20), 20), p.problem));
            line(QStringLiteral("  %1 %2").arg(cell(QString(), 20), shown(p.path, 400)));
        } else if (p.answers == 0) {
            line(QStringLiteral("  %1 %2   nessuna risposta registrata")
                     .arg(cell(shown(p.name, 20), 20), right(number(0), 9)));
        } else {
            line(QStringLiteral("  %1 %2   %3 %4")
                     .arg(cell(shown(p.name, 20), 20), right(number(p.answers), 9),
                          cell(outOf(p.rightFirst, p.questions), 24), period(p.first, p.last)));
        }
    }
    line();
    if (!report.topConfusions.empty()) {
        line(QStringLiteral("LE CONFUSIONI PIÙ FREQUENTI (parola chiesta -> parola scelta al suo posto)"));
        // Unit by unit when the class played more than one, each under its name.
        const bool named = report.units.size() > 1;
        for (const UnitConfusions& unit : report.topConfusions) {
            if (named)
                line(QStringLiteral("  %1:").arg(unit.title));
            int rank = 0;
            for (const Confusion& c : unit.top)
                line(QStringLiteral("%1%2. %3 %4, %5")
                         .arg(QString(named ? 4 : 2, QLatin1Char(' ')), right(QString::number(++rank), 2),
                              cell(shown(c.word, 30) + QStringLiteral(" -> ") + shown(c.chosen, 30), 34),
                              times(c.times), byPupils(c.pupils)));
        }
        line();
    }

    for (const Pupil& p : report.pupils) {
        if (!p.problem.isEmpty() || p.answers == 0)
            continue;
        line(QString(72, QLatin1Char('=')));
        line(displayName(p).toUpper());
        line(shown(p.path, 400));
        line(QStringLiteral("%1, %2; giuste al primo tentativo %3")
                 .arg(answers(p.answers), period(p.first, p.last), outOf(p.rightFirst, p.questions)));
        // Each unit's screens and words apart, under its name, when the pupil played more than one.
        const bool named = p.units.size() > 1;
        if (!named)
            line(p.units.front().title);
        for (const UnitFigures& u : p.units) {
            line();
            if (named)
                line(QStringLiteral("%1: %2, %3; giuste al primo tentativo %4")
                         .arg(u.title.toUpper(), answers(u.answers), period(u.first, u.last),
                              outOf(u.rightFirst, u.questions)));
            line(QStringLiteral("  %1 %2   %3 %4")
                     .arg(cell(QStringLiteral("Esercizio"), 48), right(QStringLiteral("Risposte"), 9),
                          cell(QStringLiteral("Giuste al 1° tentativo"), 30), QStringLiteral("Periodo")));
            for (const ScreenFigures& s : u.screens)
                line(QStringLiteral("  %1 %2   %3 %4")
                         .arg(cell(shown(s.caption, 48), 48), right(number(s.answers), 9),
                              cell(s.pairGame ? pairsIn(s.right, s.answers) : outOf(s.rightFirst, s.questions), 30),
                              period(s.first, s.last)));
            if (u.words.empty())
                continue;
            line();
            line(QStringLiteral("  %1 %2   %3 %4")
                     .arg(cell(QStringLiteral("Parola (la più difficile prima)"), 32),
                          right(QStringLiteral("Chiesta"), 7), cell(QStringLiteral("Giusta al 1° tentativo"), 24),
                          QStringLiteral("Confusa più spesso con")));
            for (const WordFigures& w : u.words) {
                const QString right1 = w.asked == 0
                    ? QStringLiteral("-")
                    : QStringLiteral("%1 (%2%)").arg(number(w.rightFirst)).arg(percent(w.rightFirst, w.asked));
                const QString confused = w.confusedWith.isEmpty()
                    ? QStringLiteral("-")
                    : QStringLiteral("%1 (%2)").arg(shown(w.confusedWith, 30), times(w.confusedTimes));
                line(QStringLiteral("  %1 %2   %3 %4")
                         .arg(cell(shown(w.word, 32), 32), right(number(w.asked), 7), cell(right1, 24), confused));
            }
        }
        line();
    }
    return out;
}

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

QLocale italian()
{
    return QLocale(QLocale::Italian, QLocale::Italy);
}

QString number(qint64 n)
{
    return italian().toString(n);
}

namespace {

// "l'8", "dall'11", "all'8": the article as the number is said.
bool saidWithAVowel(const QDate& date)
{
    return date.day() == 8 || date.day() == 11;
}

} // namespace

QString theDay(const QDate& date, const QString& format)
{
    return (saidWithAVowel(date) ? QStringLiteral("l'") : QStringLiteral("il ")) + italian().toString(date, format);
}

QString period(qint64 first, qint64 last)
{
    const QDate from = QDateTime::fromMSecsSinceEpoch(first).date(), to = QDateTime::fromMSecsSinceEpoch(last).date();
    const QString format = QStringLiteral("dd/MM/yyyy");
    if (from == to)
        return theDay(to, format);
    return (saidWithAVowel(from) ? QStringLiteral("dall'") : QStringLiteral("dal ")) + from.toString(format)
        + (saidWithAVowel(to) ? QStringLiteral(" all'") : QStringLiteral(" al ")) + to.toString(format);
}

int percent(qint64 part, qint64 whole)
{
    return whole <= 0 ? -1 : int((part * 100 + whole / 2) / whole);
}

QString shown(const QString& text, int max)
{
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), max + 1));
    for (const QChar c : text) {
        if (out.size() >= max) {
            out.chop(1);
            out += QChar(0x2026); // …
            break;
        }
        const QChar::Category category = c.category();
        out += category == QChar::Other_Control || category == QChar::Other_Format ? QChar(0xfffd) : c;
    }
    return out;
}

QString whereSearched(const ClassReport& report)
{
    QStringList places;
    for (const QString& place : report.places)
        places << shown(place, 200);
    return QStringLiteral("Cercato in: ") + places.join(QStringLiteral(", "));
}

QString noRecordsFound()
{
    return QStringLiteral("Nessuna registrazione di risposte trovata. Munchora registra le risposte solo se la "
                          "scuola lo ha attivato ([record] enabled=true nel file munchora/munchora.conf di /etc/xdg); "
                          "ogni alunno ha la sua registrazione in ~/.local/share/munchora/answers.sqlite.");
}

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
