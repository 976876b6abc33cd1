// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/exercise_rig.h"
#include "exercises/likes.h"
#include "helpers/environment_override.h"
#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "units/installed_units.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace units;

namespace {

// Eleven words of letters and one with a blank: as few as a unit may have.
const QStringList Words{"cat", "dog", "cow", "pig", "hen", "fox", "owl", "bee", "ant", "yak", "emu", "guinea pig"};

// A unit ready to play in `folder`, its pictures tiny JPEG and PNG files, its table as a
// spreadsheet writes it: with a byte-order mark and CR LF, or as an Italian one with semicolons.
bool makeUnit(const QString& folder, bool italian = false)
{
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const char sep = italian ? ';' : ',';
    const QByteArray end = italian ? "\n" : "\r\n";
    QByteArray csv = (italian ? "" : "\xEF\xBB\xBF") + QByteArray("word,form,picture").replace(',', sep) + end;
    for (const QString& word : Words) {
        const QString file = word + (word.size() % 2 ? ".jpg" : ".png");
        if (!QDir().mkpath(folder) || !picture.save(folder + '/' + file))
            return false;
        csv += '"' + word.toUtf8() + "\"" + sep + word.toUtf8() + 's' + sep + ' ' + file.toUtf8() + ' ' + end;
        if (word == "hen")
            csv += QByteArray(2, sep) + end; // a spreadsheet's empty row
    }
    return put(folder + "/words.csv", csv) && put(folder + "/unit.ini", "[unit]\r\nname=Farm\r\nnumber=9\r\n");
}

QByteArray bigEndian(quint32 value)
{
    value = qToBigEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&value), 4);
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    quint32 crc = ~0u;
    for (char byte : type + data) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return bigEndian(quint32(data.size())) + type + data + bigEndian(~crc);
}

// A PNG file of a few dozen bytes whose header claims side x side pixels: only decoding would
// find out that nothing is behind it.
QByteArray pngClaiming(quint32 side)
{
    return QByteArray("\x89PNG\r\n\x1A\n", 8)
        + pngChunk("IHDR", bigEndian(side) + bigEndian(side) + QByteArray("\x08\x02\x00\x00\x00", 5))
        + pngChunk("IDAT", {}) + pngChunk("IEND", {});
}

bool link(const QString& target, const QString& path)
{
    QFile::remove(path);
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

bool setMode(const QString& path, int mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

struct Run
{
    int status = -1;
    QString out;
};

// The program as a teacher runs it, with no display at all.
Run checkUnit(const QString& argument)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(env);
    program.start(buildDir() + "/munchora", {"--check-unit", argument});
    if (!program.waitForFinished(60000))
        return {};
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput())};
}

// Something wrong with a unit that is otherwise ready, and what the teacher is told.
struct Fault
{
    const char* name;
    std::function<bool(const QString& unit, const QString& outside)> make;
    const char* said;
};

const std::vector<Fault>& faults()
{
    static const std::vector<Fault> list{
        {"its table a link to a file outside",
         [](const QString& unit, const QString& outside) {
             return QFile::rename(unit + "/words.csv", outside + "/words.csv")
                 && link(outside + "/words.csv", unit + "/words.csv");
         },
         "words.csv: il file è un collegamento simbolico"},
        {"unit.ini a link", [](const QString& unit, const QString&) { return link("/etc/passwd", unit + "/unit.ini"); },
         "unit.ini: il file è un collegamento simbolico"},
        {"a table of 100 MB",
         [](const QString& unit, const QString&) { return QFile::resize(unit + "/words.csv", 100 << 20); },
         "words.csv: il file è troppo grande: 104857600 byte"},
        {"more words than a unit may have",
         [](const QString& unit, const QString&) {
             QByteArray csv = "word,form,picture\n";
             for (int i = 0; i <= MostWords; ++i)
                 csv += "w" + QByteArray::number(i) + ",w,cat.jpg\n";
             return put(unit + "/words.csv", csv);
         },
         "words.csv, riga 502: troppe parole"},
        {"a folder anyone may write", [](const QString& unit, const QString&) { return setMode(unit, 0777); },
         "altri utenti possono modificare la cartella (permessi 0777)"},
        {"a folder above anyone may write",
         [](const QString& unit, const QString&) { return setMode(QFileInfo(unit).path(), 0777); },
         "altri utenti possono modificare la cartella superiore"},
        {"a folder of another user",
         [](const QString& unit, const QString&) {
             return ::chown(QFile::encodeName(unit).constData(), 65534, 65534) == 0;
         },
         "la cartella è di un altro utente (uid 65534)"},
        {"a picture anyone may write",
         [](const QString& unit, const QString&) { return setMode(unit + "/cat.jpg", 0666); },
         "words.csv, riga 2: altri utenti possono modificare l'immagine «cat.jpg»"},
        {"a table not in UTF-8",
         [](const QString& unit, const QString&) {
             // The last character cut short, as a copy broken off gives it.
             return put(unit + "/words.csv", "word,form,picture\ncat,cats,cat.jpg\nyak,yaks,ya\xC3");
         },
         "words.csv, riga 3: il testo non è in UTF-8"},
        {"no header",
         [](const QString& unit, const QString&) { return put(unit + "/words.csv", "cat,cats,cat.jpg\n"); },
         "words.csv, riga 1: la prima riga deve essere l'intestazione word,form,picture"},
        {"no unit.ini", [](const QString& unit, const QString&) { return QFile::remove(unit + "/unit.ini"); },
         "unit.ini: il file non c'è"},
        {"too few words for the word search",
         [](const QString& unit, const QString&) {
             QByteArray csv = "word,form,picture\n";
             for (const QString& word : Words)
                 csv += word.toUtf8() + (csv.count('\n') < 4 ? " bird" : "") + ",x,cat.jpg\n";
             return put(unit + "/words.csv", csv);
         },
         "words.csv: solo 8 parole sono di sole lettere"},
    };
    return list;
}

} // namespace

class TestUnits : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<EnvironmentOverride>> environment_;

    QString path(const QString& relative) const { return dir_.filePath(relative); }

private slots:
    // A teacher's own units, a school's, the program's own, and the classroom configuration.
    void initTestCase()
    {
        QVERIFY(makeUnit(path("system/munchora/units/animals")));
        QVERIFY(makeUnit(path("system/munchora/units/farm")));
        QVERIFY(makeUnit(path("system/munchora/units/bad name")));
        QVERIFY(makeUnit(path("home/munchora/units/animals")));
        QVERIFY(QFile::remove(path("home/munchora/units/animals/unit.ini"))); // broken, and first
        QVERIFY(link(path("system/munchora/units/farm"), path("home/munchora/units/linked")));
        QVERIFY(makeUnit(path("program/units/zoo")));
        QVERIFY(QDir().mkpath(path("config/munchora")));
        environment_.push_back(std::make_unique<EnvironmentOverride>("XDG_DATA_HOME", path("home")));
        environment_.push_back(std::make_unique<EnvironmentOverride>("XDG_DATA_DIRS", path("system")));
        environment_.push_back(std::make_unique<EnvironmentOverride>("XDG_CONFIG_DIRS", path("config")));
        Modulo1::setProgramFolder(path("program"));
    }

    void cleanupTestCase()
    {
        Modulo1::setProgramFolder({});
        environment_.clear();
    }

    void aUnitIsReadWhole_data()
    {
        QTest::addColumn<bool>("italian");
        QTest::newRow("commas, CR LF and a byte-order mark") << false;
        QTest::newRow("semicolons and LF") << true;
    }

    void aUnitIsReadWhole()
    {
        QFETCH(bool, italian);
        QTemporaryDir dir;
        const QString folder = dir.filePath("farm");
        QVERIFY(makeUnit(folder, italian));
        const UnitReading reading = readUnit(folder);
        QVERIFY2(reading.ready(), qPrintable(describe(reading.problems.value(0))));
        const Unit& unit = reading.unit;
        QCOMPARE(unit.id, "farm");
        QCOMPARE(unit.name, "Farm");
        QCOMPARE(unit.number, 9);
        QCOMPARE(unit.folder, QFileInfo(folder).canonicalFilePath());
        QCOMPARE(int(unit.words.size()), Words.size());
        const UnitWord& last = unit.words.back();
        QCOMPARE(last.word, "guinea pig");
        QCOMPARE(last.form, "guinea pigs");
        QCOMPARE(last.picture, unit.folder + "/guinea pig.png");
    }

    // The unit played on every screen: what each shows and says comes from it, every picture
    // shows, and every text it says is among those made ahead for it.
    void everyScreenPlaysTheUnit()
    {
        QTemporaryDir dir;
        QVERIFY(makeUnit(dir.filePath("farm")));
        const UnitReading reading = readUnit(dir.filePath("farm"));
        QVERIFY(reading.ready());
        for (const ScreenEntry& row : programScreens()) {
            ExerciseRig rig;
            play(reading.unit);
            Screen* screen = rig.open<Screen>(row.make());
            const QString where = screen->screenName();
            for (const PictureBox* picture : screen->findChildren<PictureBox*>()) {
                if (picture->word().isEmpty() || picture->word().startsWith("smileys"))
                    continue;
                QVERIFY2(Words.contains(picture->word()), qPrintable(where + ": " + picture->word()));
                QVERIFY2(picture->hasPicture(), qPrintable(where + ": " + picture->word()));
            }
            // A word, or a sentence with one ("Yummy Yummy! I like foxs!").
            for (const WordLabel* label : screen->findChildren<WordLabel*>())
                QVERIFY2(label->caption().isEmpty()
                             || std::any_of(Words.begin(), Words.end(),
                                            [label](const QString& word) { return label->caption().contains(word); }),
                         qPrintable(where + ": " + label->caption()));
            const QStringList prepared = screen->spokenTexts();
            for (const QString& said : rig.speech.spoken())
                QVERIFY2(prepared.contains(said), qPrintable(where + ": " + said));
            QVERIFY2(!prepared.contains("apple") && !prepared.join('|').contains("apples"), qPrintable(where));
        }
        Modulo1::setProgramFolder(path("program"));
    }

    // One folder with every fault a line can have, checked as a teacher checks it.
    void everyFaultIsNamedWithItsLine()
    {
        const QString unit = path("broken");
        QVERIFY(makeUnit(unit));
        QVERIFY(put(path("secret.jpg"), contents(unit + "/cat.jpg")));
        QVERIFY(link(path("secret.jpg"), unit + "/link.jpg"));
        QVERIFY(put(unit + "/huge.png", pngClaiming(20000)));
        QVERIFY(put(unit + "/text.jpg", "not a picture"));
        QVERIFY(put(unit + "/unit.ini", "[unit]\nnumber=many\n"));
        QVERIFY(put(unit + "/words.csv",
                    "word,form,picture\n"
                    "cat,cats,cat.jpg\n"
                    "CAT,cats,dog.jpg\n"
                    "hippopotamus,hippos,cat.jpg\n"
                    "dog,,dog.jpg\n"
                    ",cows,cow.jpg\n"
                    "owl,owls\n"
                    "bee,bees,missing.jpg\n"
                    "fox,foxes,text.jpg\n"
                    "emu,emus,huge.png\n"
                    "yak,yaks,../cat.jpg\n"
                    "ant,ants,link.jpg\n"
                    "pi\"g,pigs,pig.jpg\n"
                    "\"pig\"s,pigs,pig.jpg\n"
                    "h\x01n,hens,hen.jpg\n"
                    "<b>gnu</b>,gnus,cat.jpg\n"
                    "\"hen,hens,hen.jpg\n"
                    "emu,emus,emu.jpg\n"));
        const QStringList said{
            "unit.ini, riga 2: number=many non è un numero",
            "unit.ini: manca il nome dell'unità",
            "words.csv, riga 3: la parola «CAT» c'è già alla riga 2",
            "words.csv, riga 4: la parola «hippopotamus» è troppo lunga",
            "words.csv, riga 5: manca la forma",
            "words.csv, riga 6: manca la parola",
            "words.csv, riga 7: la riga ha 2 campi",
            "words.csv, riga 8: l'immagine «missing.jpg» non c'è",
            "words.csv, riga 9: l'immagine «text.jpg» non è un'immagine JPEG o PNG",
            "words.csv, riga 10: l'immagine «huge.png» misura 20000 × 20000 pixel",
            "words.csv, riga 11: il nome dell'immagine «../cat.jpg» non va bene",
            "words.csv, riga 12: l'immagine «link.jpg» è un collegamento simbolico",
            "words.csv, riga 13: virgolette dentro un campo",
            "words.csv, riga 14: c'è del testo dopo le virgolette",
            "words.csv, riga 15: la parola (word) contiene caratteri di controllo",
            "words.csv, riga 16: la parola (word) contiene «<» o «>»",
            "words.csv, riga 17: virgolette aperte qui e mai chiuse",
            "words.csv: ci sono 9 parole: ne servono almeno 12",
        };
        const Run run = checkUnit(unit);
        QCOMPARE(run.status, 1);
        const QStringList lines = run.out.trimmed().split('\n');
        for (const QString& problem : said)
            QVERIFY2(run.out.contains("  " + problem), qPrintable(problem + "\nnot in:\n" + run.out));
        QCOMPARE(lines.size(), said.size() + 1);
    }

    void badFoldersAreRefused_data()
    {
        QTest::addColumn<int>("fault");
        for (size_t i = 0; i < faults().size(); ++i)
            QTest::newRow(faults()[i].name) << int(i);
    }

    void badFoldersAreRefused()
    {
        QFETCH(int, fault);
        if (::geteuid() != 0 && QByteArray(faults()[size_t(fault)].name).contains("another user"))
            QSKIP("only root can give a folder to another user");
        QTemporaryDir dir;
        const QString unit = dir.filePath("farm");
        QVERIFY(makeUnit(unit));
        QVERIFY(QDir().mkpath(dir.filePath("outside")));
        QVERIFY(readUnit(unit).ready());
        QVERIFY(faults()[size_t(fault)].make(unit, dir.filePath("outside")));
        const UnitReading reading = readUnit(unit);
        QStringList problems;
        for (const UnitProblem& problem : reading.problems)
            problems << describe(problem);
        QVERIFY2(problems.join('\n').contains(faults()[size_t(fault)].said), qPrintable(problems.join('\n')));
        setMode(dir.path(), 0700);
    }

    // What is shipped, and the words of today's screens held to the rules every unit is.
    void theProgramsOwnUnitsAreReady()
    {
        const Run run = checkUnit(buildDir() + "/units/animals");
        QCOMPARE(run.out,
                 "L'unità «Animals» (numero 8) è pronta: 30 parole, in "
                     + QFileInfo(buildDir() + "/units/animals").canonicalFilePath() + ".\n");
        QCOMPARE(run.status, 0);
        const UnitReading animals = readUnit(buildDir() + "/units/animals");
        QCOMPARE(std::count_if(animals.unit.words.begin(), animals.unit.words.end(),
                               [](const UnitWord& word) { return fitsWordSearch(word.word); }),
                 30);

        const Unit food = builtInUnit();
        QCOMPARE(int(food.words.size()), 30);
        // As the sentences say them.
        QCOMPARE(food.words[3].word, QStringLiteral("spinach"));
        QCOMPARE(food.words[3].form, QStringLiteral("spinaches"));
        QCOMPARE(food.words[19].form, QStringLiteral("ice cream"));
        QCOMPARE(food.words[24].form, QStringLiteral("tomatos"));
        int searchable = 0;
        for (int i = 0; i < 30; ++i) {
            const UnitWord& word = food.words[size_t(i)];
            QVERIFY(word.word.size() <= LongestWord && word.form.size() <= LongestForm);
            searchable += fitsWordSearch(word.word);
        }
        QCOMPARE(searchable, 29); // all but "ice cream"
    }

    void theFirstOfANameWinsAndLinksAreNotFollowed()
    {
        const InstalledUnits installed = installedUnits();
        QStringList ids;
        for (const Unit& unit : installed.units)
            ids << unit.id;
        QCOMPARE(ids, QStringList({"7", "farm", "zoo"}));
        const QString skipped = installed.skipped.join('\n');
        QCOMPARE(installed.skipped.size(), 3);
        for (const char* why : {"home/munchora/units/animals: unit.ini: il file non c'è", "linked: è un collegamento",
                                "bad name: il nome può avere solo"})
            QVERIFY2(skipped.contains(why), qPrintable(skipped));

        QCOMPARE(findUnit("farm").unit.folder, QFileInfo(path("system/munchora/units/farm")).canonicalFilePath());
        QVERIFY(findUnit("farm").ready());
        QCOMPARE(findUnit("animals").problems.value(0).text, "il file non c'è");
        QCOMPARE(findUnit("7").unit.words.size(), size_t(30));
        QVERIFY(findUnit("linked").problems.value(1).text.contains("collegamento"));
        QVERIFY(findUnit("no such").problems.value(0).text.contains("una cartella si scrive con una «/»"));
        QVERIFY(findUnit(path("program/units/zoo")).ready());
    }

    void theSchoolChoosesTheUnits_data()
    {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<int>("problems");
        const QStringList all{"7", "farm", "zoo"};
        QTest::newRow("no configuration") << QByteArray() << "7" << all << 0;
        QTest::newRow("another start") << QByteArray("[units]\nstart=farm\n") << "farm" << all << 0;
        QTest::newRow("the built-in not offered")
            << QByteArray("[units]\noffered=zoo, farm\n") << "zoo" << QStringList{"zoo", "farm"} << 0;
        QTest::newRow("a start beyond those offered")
            << QByteArray("[units]\nstart=farm\noffered=7\n") << "farm" << QStringList{"farm", "7"} << 0;
        // The teacher's broken animals hide the school's: they are not ready.
        QTest::newRow("names of no unit ready")
            << QByteArray("[units]\nstart=animals\noffered=nowhere, animals\n") << "7" << QStringList{"7"} << 4;
    }

    void theSchoolChoosesTheUnits()
    {
        QFETCH(QByteArray, conf);
        QFETCH(QString, start);
        QFETCH(QStringList, offered);
        QFETCH(int, problems);
        const QString file = path("config/munchora/munchora.conf");
        QFile::remove(file);
        QVERIFY(conf.isEmpty() || put(file, conf));
        const ClassroomChoice choice = classroomChoice(installedUnits().units);
        QCOMPARE(choice.start, start);
        QCOMPARE(choice.offered, offered);
        QCOMPARE(choice.problems.size(), problems);
    }
};

MUNCHORA_TEST(TestUnits)
#include "test_units.moc"
