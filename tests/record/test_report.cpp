// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/fakes.h"
#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "record/answer_record.h"
#include "record/first_version_record.h"
#include "record/report.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "units/unit.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

Answer answer(const char* screen, const char* word, const char* chosenWord, bool right, int attempt)
{
    Answer a;
    a.screen = QLatin1String(screen);
    a.asked = a.word = QString::fromUtf8(word);
    a.chosen = a.chosenWord = QLatin1String(chosenWord);
    a.right = right;
    a.attempt = attempt;
    return a;
}

// A memory turn: no word asked, the two cards, the pair's word when they are one.
Answer turn(const char* cards, const char* pair, int attempt)
{
    Answer a = answer("FormMemory", "", pair, *pair != 0, attempt);
    a.chosen = QLatin1String(cards);
    return a;
}

// A classroom server's /home: two pupils' records written by the program's own writer (one with
// two units), one kept before units, one of junk bytes, and one whose folder is a link to another
// pupil's.
struct Classroom
{
    Classroom()
    {
        keep(QStringLiteral("anna"),
             {
                 answer("Form2", "apple", "apple", true, 1),
                 answer("Form2", "pear", "bread", false, 1),
                 answer("Form2", "pear", "pear", true, 2),
                 answer("Form2", "milk", "water", false, 1),
                 answer("Form2", "milk", "water", false, 2),
                 answer("Form2", "milk", "milk", true, 3),
                 answer("Form2", "apple", "pear", false, 1),
                 answer("Form2", "apple", "apple", true, 2),
                 turn("milk + water", "", 1),
                 turn("pear + pear", "pear", 2),
                 // A sentence chosen, no word: no confusion.
                 answer("Form14", "bread", "", false, 1),
                 answer("Form3", "fish", "fish", true, 1),
             });
        // Another unit's fish: another word.
        keep(QStringLiteral("anna"),
             {answer("Form2", "fish", "whale", false, 1), answer("Form2", "fish", "fish", true, 2),
              answer("Form2", "cat", "cat", true, 1)},
             QStringLiteral("animals"));
        keep(QStringLiteral("bruno"),
             {
                 answer("Form3", "milk", "water", false, 1),
                 answer("Form3", "milk", "milk", true, 2),
                 answer("Form3", "apple", "pear", false, 1),
                 answer("Form3", "apple", "apple", true, 2),
                 answer("Form3", "bread", "bread", true, 1),
                 // Text a pupil's record may hold, for the page to escape.
                 answer("Form3", "<i>\"ham\" & co</i>", "", false, 1),
             });
        QDir().mkpath(QFileInfo(record(QStringLiteral("dario"))).path());
        QVERIFY(makeFirstVersionRecord(
            record(QStringLiteral("dario")),
            {QStringLiteral("Form2|milk|milk|water|water|0|1"), QStringLiteral("Form2|milk|milk|milk|milk|1|2")}));
        QDir().mkpath(QFileInfo(record(QStringLiteral("carla"))).path());
        put(record(QStringLiteral("carla")), QByteArray(4096, '\x5a'));
        QDir(home()).mkpath(QStringLiteral("eva"));
        QFile::link(home() + QStringLiteral("/anna/.local"), home() + QStringLiteral("/eva/.local"));
        // A home that is itself a link, to a record kept elsewhere.
        const QString elsewhere = dir.path() + QStringLiteral("/elsewhere/gino");
        QDir().mkpath(elsewhere + QStringLiteral("/.local/share/munchora"));
        put(elsewhere + QStringLiteral("/.local/share/munchora/answers.sqlite"), "a record");
        QFile::link(elsewhere, home() + QStringLiteral("/gino"));
    }

    QString home() const { return dir.path() + QStringLiteral("/home"); }
    QString record(const QString& pupil) const
    {
        return home() + QLatin1Char('/') + pupil + QStringLiteral("/.local/share/munchora/answers.sqlite");
    }

    void keep(const QString& pupil, const std::vector<Answer>& answers,
              const QString& unit = QLatin1String(units::BuiltInId))
    {
        AnswerRecord::startAt(record(pupil));
        AnswerRecord::setUnit(unit);
        for (const Answer& a : answers)
            AnswerRecord::add(a);
        AnswerRecord::setUnit(QLatin1String(units::BuiltInId));
        QVERIFY(AnswerRecord::flush(10000));
        AnswerRecord::stop();
    }

    Report::Options options(const QString& html = QString()) const
    {
        Report::Options o;
        o.places = {home()};
        o.htmlFile = html;
        o.screenTitle = screenCaption;
        for (const ScreenEntry& entry : programScreens()) {
            o.screenOrder << entry.screen;
            if (entry.picture == ButtonPicture::Memory)
                o.pairGames << entry.screen;
        }
        // Unit 7 is not installed here: it is shown by its id.
        o.unitTitle = [](const QString& unit) {
            return unit == QLatin1String("animals") ? QStringLiteral("Unità 8 – Animals") : QString();
        };
        o.picturePath = [](const QString& unit, const QString& word) {
            return unit == QLatin1String(units::BuiltInId) ? Modulo1::picturePath(word) : QString();
        };
        return o;
    }

    QTemporaryDir dir;
};

struct Printed
{
    int status = -1;
    QStringList lines; // each with its spaces simplified
    QString text;
};

// Runs the report here, with what it prints to standard output caught.
Printed report(const Report::Options& options)
{
    QTemporaryFile caught;
    Printed printed;
    if (!caught.open())
        return printed;
    std::fflush(stdout);
    const int saved = ::dup(1);
    ::dup2(caught.handle(), 1);
    printed.status = Report::run(options);
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    caught.seek(0);
    printed.text = QString::fromUtf8(caught.readAll());
    for (const QString& line : printed.text.split(QLatin1Char('\n')))
        printed.lines << line.simplified();
    return printed;
}

// Runs a tool to its end; its standard output, or the reason it failed in why.
QByteArray tool(const QString& program, const QStringList& arguments, QString& why)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        why = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError()).right(800);
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

bool blank(const QImage& page, const QRect& strip)
{
    for (int y = strip.top(); y <= strip.bottom(); ++y)
        for (int x = strip.left(); x <= strip.right(); ++x) {
            const QRgb c = page.pixel(x, y);
            if (qRed(c) < 240 || qGreen(c) < 240 || qBlue(c) < 240)
                return false;
        }
    return true;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        resetSharedState();
        folders_ = std::make_unique<TempFolders>(); // the pictures
    }
    void cleanupTestCase() { folders_.reset(); }

    // Counts by unit, screen and word, the first tries, the confusions of each pupil and of the
    // class; a record kept before units is unit 7's, and left as it is; the records that cannot
    // be read are named, and the rest still reported.
    void textReportsEachPupilAndNamesWhatItCannotRead()
    {
        Classroom classroom;
        const QByteArray firstVersion = contents(classroom.record(QStringLiteral("dario")));
        const Printed p = report(classroom.options());
        QCOMPARE(contents(classroom.record(QStringLiteral("dario"))), firstVersion);
        QCOMPARE(p.status, 0);
        const auto has = [&p](const QString& start) {
            const bool found = std::any_of(p.lines.begin(), p.lines.end(),
                                           [&start](const QString& line) { return line.startsWith(start); });
            if (!found)
                qWarning().noquote() << "no line" << start << "in:\n" << p.text;
            return found;
        };
        QVERIFY(has(QStringLiteral("LA CLASSE: 6 alunni")));
        QVERIFY(has(QStringLiteral("Unità giocate: Unità «7»; Unità 8 – Animals")));
        QVERIFY(has(QStringLiteral("anna 15 3 su 8 (38%)")));
        QVERIFY(has(QStringLiteral("dario 2 0 su 1 (0%)")));
        QVERIFY(has(QStringLiteral("bruno 6 1 su 4 (25%)")));
        QVERIFY(p.text.contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy\n"))));
        // By screen: the menu's caption and order.
        QVERIFY(has(QStringLiteral("2 - What is it? 8 1 su 4 (25%)")));
        QVERIFY(has(QStringLiteral("15 - Tom.. Susy... 1 0 su 1 (0%)")));
        // A memory game asks no word: its pairs and turns, and no confusion.
        QVERIFY(has(QStringLiteral("Memory 1 2 1 coppia trovata in 2 turni")));
        QVERIFY(p.text.indexOf(QLatin1String("  2 - What")) < p.text.indexOf(QLatin1String("  15 - Tom")));
        // By word: asked at a first try, right at it, and the commonest other word chosen.
        // Asked, right and confused with count the same first answers.
        QVERIFY(has(QStringLiteral("milk 1 0 (0%) water (1 volta)")));
        QVERIFY(has(QStringLiteral("apple 2 1 (50%) pear (1 volta)")));
        QVERIFY(has(QStringLiteral("pear 1 0 (0%) bread (1 volta)")));
        QVERIFY(has(QStringLiteral("bread 1 0 (0%) -")));
        // Each unit apart, under its name: a word of one is not the same word of another.
        const qsizetype unit7 = p.text.indexOf(QStringLiteral("\nUNITÀ «7»: 12 risposte")),
                        animals = p.text.indexOf(QStringLiteral("\nUNITÀ 8 – ANIMALS: 3 risposte"));
        QVERIFY2(unit7 > 0 && animals > unit7, qPrintable(p.text));
        QVERIFY(p.text.indexOf(QRegularExpression(QStringLiteral("fish +1 +1 \\(100%\\) +-")), unit7) < animals);
        QVERIFY(p.text.indexOf(QRegularExpression(QStringLiteral("fish +1 +0 \\(0%\\) +whale"))) > animals);
        QVERIFY(p.lines.contains(QStringLiteral("Unità «7»"))); // bruno's one unit, said once
        // The class, unit by unit: most frequent first, with how many pupils made each.
        QVERIFY(has(QStringLiteral("1. milk -> water 3 volte, da 3 alunni")));
        QVERIFY(has(QStringLiteral("2. apple -> pear 2 volte, da 2 alunni")));
        QVERIFY(has(QStringLiteral("3. pear -> bread 1 volta, da 1 alunno")));
        QVERIFY2(!p.text.contains(QLatin1String("\n     4. ")), qPrintable(p.text));
        QVERIFY(p.text.indexOf(QLatin1String("1. fish -> whale "))
                > p.text.indexOf(QStringLiteral("  Unità 8 – Animals:\n")));
        // Junk bytes and a link to another's record: named with the reason, never counted.
        QVERIFY(
            p.text.contains(QRegularExpression(QStringLiteral("\n  carla +NON SI PUÒ LEGGERE: non è un database"))));
        for (const char* linked : {"eva", "gino"})
            QVERIFY(p.text.contains(
                QRegularExpression(QStringLiteral("\n  %1 +NON SI PUÒ LEGGERE: .*collegamento").arg(linked))));
        QCOMPARE(p.text.count(QLatin1String("\nANNA\n")), 1);
    }

    // An empty folder says so; a page that cannot be written, or is asked through a link (a
    // pupil's trap for a teacher who runs this as root), fails the command after the text, and
    // nothing anywhere is made or changed.
    void nothingFoundIsSaidAndAPageIsWrittenOnlyWhereAsked_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("link");
        QTest::newRow("a file in the folder's place") << "a file/report.html"
                                                      << "";
        QTest::newRow("a link to a file") << "report.html"
                                          << "elsewhere/a file";
        QTest::newRow("a dangling link") << "report.html"
                                         << "elsewhere/new.html";
    }

    void nothingFoundIsSaidAndAPageIsWrittenOnlyWhereAsked()
    {
        QFETCH(QString, page);
        QFETCH(QString, link);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("elsewhere")));
        QVERIFY(put(dir.filePath(QStringLiteral("a file")), "not a folder"));
        QVERIFY(put(dir.filePath(QStringLiteral("elsewhere/a file")), "the teacher's own"));
        if (!link.isEmpty())
            QVERIFY(QFile::link(dir.filePath(link), dir.filePath(page)));
        const auto everything = [&dir] {
            QStringList all;
            QDirIterator it(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo entry(it.next());
                all << entry.filePath() + QLatin1Char(' ') + entry.symLinkTarget() + contents(entry.filePath());
            }
            all.sort();
            return all;
        };
        const QStringList before = everything();
        Report::Options options;
        options.places = {dir.filePath(QStringLiteral("elsewhere"))};
        options.htmlFile = dir.filePath(page);
        const Printed p = report(options);
        QCOMPARE(p.status, 2);
        QVERIFY(p.text.contains(QLatin1String("Nessuna registrazione di risposte trovata")));
        QCOMPARE(everything(), before);
        // The caller's own record, missing, is no failure.
        QCOMPARE(report(Report::Options{}).status, 0);
    }

    // The page escapes what the records hold, carries everything it shows, and a real browser
    // prints it on A4 with nothing past the margins.
    void pagePrintsOnA4()
    {
        Classroom classroom;
        const QString html = classroom.dir.filePath(QStringLiteral("report.html"));
        QCOMPARE(report(classroom.options(html)).status, 0);
        const QByteArray page = contents(html);
        QVERIFY(page.startsWith("<!DOCTYPE html>\n<html lang=\"it\">"));
        QVERIFY(page.contains("&lt;i&gt;&quot;ham&quot; &amp; co&lt;/i&gt;"));
        QVERIFY(!page.contains("<i>\"ham\""));
        QVERIFY(page.contains("href=\"data:image/jpeg;base64,"));
        for (const char* outside : {"<script", "src=", "url(", "http:", "https:", "<link", "@import", "@font-face"})
            QVERIFY2(!page.contains(outside), outside);

        QString why;
        const QString browser = QStringLiteral("/usr/bin/chromium");
        const bool tools = QFileInfo::exists(browser) && !QStandardPaths::findExecutable("pdftoppm").isEmpty()
            && !QStandardPaths::findExecutable("pdfinfo").isEmpty()
            && !QStandardPaths::findExecutable("pdfimages").isEmpty()
            && !QStandardPaths::findExecutable("pdftotext").isEmpty();
        if (!tools) {
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL("chromium and poppler-utils are needed (scripts/install-deps)");
            QSKIP("chromium or poppler-utils is not installed");
        }
        const QString pdf = classroom.dir.filePath(QStringLiteral("report.pdf"));
        tool(browser,
             {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--user-data-dir=" + classroom.dir.filePath(QStringLiteral("browser")), "--print-to-pdf=" + pdf,
              "--no-pdf-header-footer", QUrl::fromLocalFile(html).toString()},
             why);
        QVERIFY2(QFileInfo(pdf).size() > 0, qPrintable(why));

        const QString info = QString::fromUtf8(tool(QStringLiteral("pdfinfo"), {pdf}, why));
        const auto size = QRegularExpression(QStringLiteral("Page size: +([\\d.]+) x ([\\d.]+) pts")).match(info);
        QVERIFY2(qRound(size.captured(1).toDouble()) == 595 && qRound(size.captured(2).toDouble()) == 842,
                 qPrintable(info + why));
        const int pages = QRegularExpression(QStringLiteral("Pages: +(\\d+)")).match(info).captured(1).toInt();
        QVERIFY2(pages >= 3, qPrintable(info)); // the class, then a page for each pupil read

        // Every word within the margins.
        const QString words = QString::fromUtf8(tool(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"}, why));
        static const QRegularExpression word(QStringLiteral(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
        const QRectF margins(34 - 1, 34 - 1, 595 - 2 * 34 + 2, 842 - 2 * 34 + 2);
        QStringList text;
        for (const QRegularExpressionMatch& m : word.globalMatch(words)) {
            const QRectF box(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                             QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
            QVERIFY2(margins.contains(box), qPrintable(m.captured(0)));
            text << m.captured(5);
        }
        // The pictures printed, at their size (64 dots over 7.5 mm): a browser shrinks a page too
        // wide for the paper, all of it.
        const QString placed = QString::fromUtf8(tool(QStringLiteral("pdfimages"), {"-list", pdf}, why));
        static const QRegularExpression picture(QStringLiteral(" 64 +64 .* (\\d+) +\\d+ +\\S+ +\\S+\n"));
        int pictures = 0;
        for (const QRegularExpressionMatch& m : picture.globalMatch(placed)) {
            QVERIFY2(qAbs(m.captured(1).toInt() - 217) <= 4, qPrintable(m.captured(0)));
            ++pictures;
        }
        QVERIFY2(pictures >= 6, qPrintable(placed + why));
        const QString all = text.join(QLatin1Char(' '));
        for (const char* shown : {"Parola chiesta", "Scelta al suo posto", "Giuste al 1° tentativo", "Esercizio",
                                  "Confusa più spesso con", "anna", "bruno", "carla", "milk water 3 3"})
            QVERIFY2(all.contains(QString::fromUtf8(shown)), shown);

        // At 50 dots an inch 12 mm is 23 dots: a strip of 18 inside the right and bottom
        // margins of every page stays white.
        tool(QStringLiteral("pdftoppm"), {"-r", "50", "-png", pdf, classroom.dir.filePath(QStringLiteral("page"))},
             why);
        const QStringList images =
            QDir(classroom.dir.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
        QCOMPARE(images.size(), pages);
        for (const QString& name : images) {
            const QImage image(classroom.dir.filePath(name));
            QVERIFY2(!image.isNull(), qPrintable(name));
            QVERIFY2(blank(image, QRect(image.width() - 18, 0, 18, image.height())), qPrintable(name + " right"));
            QVERIFY2(blank(image, QRect(0, image.height() - 18, image.width(), 18)), qPrintable(name + " bottom"));
        }
    }

private:
    std::unique_ptr<TempFolders> folders_;
};

MUNCHORA_TEST(TestReport)
#include "test_report.moc"
