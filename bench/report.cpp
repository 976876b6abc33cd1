// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's report over a class: 30 pupils' records of 10,000 answers each (a term of
// 60 school days), in a temporary folder shaped as a classroom server's /home, then the report
// as text alone and as text and page. Median of RUNS reports; what the report prints goes to
// /dev/null. With --keep FOLDER the records are made there and left (the sample the docs'
// picture was taken from).
//
//   bench_report [runs] [--keep FOLDER]

#include "record/report.h"

#include "bench_tools.h"
#include "home/screen_catalogue.h"
#include "record/answer_record.h"
#include "settings/modulo1.h"
#include "units/unit.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

constexpr int Pupils = 30;
constexpr int AnswersEach = 10000;
const char* const Names[Pupils] = {
    "alessia",  "andrea",    "anna",  "beatrice", "bruno",    "carlo", "chiara",   "davide",  "elena",     "emma",
    "federico", "francesco", "gaia",  "giorgia",  "giulia",   "greta", "leonardo", "lorenzo", "luca",      "marco",
    "matteo",   "nicola",    "noemi", "paolo",    "riccardo", "sara",  "sofia",    "tommaso", "valentina", "zoe"};

// One pupil's term: sittings on school mornings, each a few screens; the pupil's own skill,
// words of their own difficulty, and wrong answers that favour a look-alike word.
bool makeRecord(const QString& path, int pupil, const QStringList& screens)
{
    QDir().mkpath(QFileInfo(path).path());
    // The writer makes the database as the program does; the answers then go in at once.
    AnswerRecord::startAt(path);
    AnswerRecord::stop();
    bool ok = false;
    const QString connection = QStringLiteral("bench-%1").arg(pupil);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (db.open() && db.transaction()) {
            std::mt19937 random(unsigned(pupil) + 1);
            std::uniform_real_distribution<double> unit(0, 1);
            const double skill = 0.7 + 0.3 * unit(random);
            double difficulty[Modulo1::BuiltInWordCount + 1];
            for (double& d : difficulty)
                d = 0.35 * unit(random);
            std::vector<double> ease(size_t(screens.size()));
            for (double& e : ease)
                e = 0.25 * unit(random) - 0.1;
            size_t sitting = 0;
            QSqlQuery insert(db);
            insert.prepare(QStringLiteral("INSERT INTO answers (at, visit, screen, asked, word, chosen, chosen_word, "
                                          "right, attempt, ms, unit) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            const qint64 start = QDateTime::currentMSecsSinceEpoch() - 90LL * 86400000;
            qint64 at = start, visit = start;
            QString screen = screens.first();
            ok = true;
            for (int written = 0; ok && written < AnswersEach;) {
                if (written % 40 == 0) { // a new sitting: another morning, another screen
                    const qint64 morning = start + (written / 170) * 86400000LL * 3 / 2 + 9 * 3600000LL;
                    at = visit = std::max(at + 600000, morning);
                    sitting = random() % size_t(screens.size());
                    screen = screens[qsizetype(sitting)];
                }
                const int word = 1 + int(random() % Modulo1::BuiltInWordCount);
                const double chance = skill - difficulty[word] + ease[sitting];
                for (int attempt = 1; ok && attempt <= 3 && written < AnswersEach; ++attempt) {
                    const bool right = unit(random) < chance + 0.2 * (attempt - 1);
                    const int lookAlike = 1
                        + (word + (unit(random) < 0.6 ? 0 : int(random() % 7))) % Modulo1::BuiltInWordCount;
                    const QString chosen = Modulo1::Parola(right ? word : lookAlike);
                    at += 2000 + qint64(random() % 9000);
                    const QVariant values[] = {
                        at,     visit,         screen,  Modulo1::Parola(word), Modulo1::Parola(word),          chosen,
                        chosen, right ? 1 : 0, attempt, qint64(at - visit),    QLatin1String(units::BuiltInId)};
                    for (int i = 0; i < 11; ++i)
                        insert.bindValue(i, values[i]);
                    ok = insert.exec();
                    ++written;
                    if (right)
                        break;
                }
            }
            ok = ok && db.commit();
        }
        if (!ok)
            std::fprintf(stderr, "cannot fill %s: %s\n", qPrintable(path), qPrintable(db.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

qint64 recordBytes(const QString& path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

// The report's own printing, out of the figures' way.
struct Silenced
{
    Silenced()
    {
        std::fflush(stdout);
        saved = ::dup(1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::close(null);
    }
    ~Silenced()
    {
        std::fflush(stdout);
        ::dup2(saved, 1);
        ::close(saved);
    }
    int saved;
};

int reportOverAClass(int runs, const QString& keep)
{
    Modulo1::CaricaParole();
    Modulo1::setProgramFolder(QStringLiteral(MUNCHORA_SOURCE_DIR "/assets"));
    QStringList screens;
    for (const ScreenEntry& entry : programScreens())
        screens << entry.screen;

    QTemporaryDir temporary;
    const QString root = keep.isEmpty() ? temporary.path() : QDir(keep).absolutePath();
    const QString home = root + QStringLiteral("/home");
    QElapsedTimer making;
    making.start();
    qint64 bytes = 0;
    for (int i = 0; i < Pupils; ++i) {
        const QString path = home + QLatin1Char('/') + QLatin1String(Names[i])
            + QStringLiteral("/.local/share/munchora/answers.sqlite");
        if (QFileInfo::exists(path))
            QFile::remove(path);
        if (!makeRecord(path, i, screens))
            return 1;
        bytes += recordBytes(path);
    }
    const double madeIn = making.elapsed() / 1000.0;

    Report::Options options;
    options.places = {home};
    options.screenTitle = screenCaption;
    options.picturePath = [](const QString&, const QString& word) { return Modulo1::picturePath(word); };
    const auto timed = [&](bool page) {
        options.htmlFile = page ? root + QStringLiteral("/report.html") : QString();
        int status = 0;
        const Figures figures = measure(
            runs, [] {},
            [&] {
                Silenced quiet;
                status |= Report::run(options);
            });
        if (status != 0)
            std::fprintf(stderr, "the report ended with status %d\n", status);
        return figures;
    };
    const Figures text = timed(false);
    const Figures both = timed(true);

    std::printf("%d records of %d answers, %d reports each, milliseconds   median      min      max\n", Pupils,
                AnswersEach, runs);
    std::printf("%-55s %8.1f %8.1f %8.1f\n", "report, text", text.median, text.minimum, text.maximum);
    std::printf("%-55s %8.1f %8.1f %8.1f\n", "report, text and page", both.median, both.minimum, both.maximum);
    std::printf("%-55s %8.2f\n", "database per 10,000 answers, MB", bytes / double(Pupils) / 1e6 * 10000 / AnswersEach);
    std::printf("%-55s %8.2f\n", "page for the class, MB",
                QFileInfo(root + QStringLiteral("/report.html")).size() / 1e6);
    std::printf("%-55s %8.1f\n", "making the records, seconds", madeIn);
    if (!keep.isEmpty())
        std::printf("records kept in %s\n", qPrintable(home));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QString keep;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--keep" && i + 1 < argc)
            keep = QString::fromLocal8Bit(argv[++i]);
        else
            rest.push_back(argv[i]);
    }
    int count = int(rest.size());
    return runBench(count, rest.data(), 5, [&](int runs) { return reportOverAClass(runs, keep); });
}
