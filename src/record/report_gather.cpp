// SPDX-License-Identifier: GPL-3.0-or-later
// What the teacher's report reads: the records found, and in each the pupil's figures per unit,
// screen and word; for the class, the confusions that happen most.
#include "record/answer_record.h"
#include "record/report_model.h"
#include "units/unit.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cerrno>
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

} // namespace

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

} // namespace Report
