// SPDX-License-Identifier: GPL-3.0-or-later
// The record of answers: what playing leaves in it, and what a bad file, a full disk or a folder
// that cannot be written do to it (nothing to the child).

#include "exercises/exercise_rig.h"
#include "exercises/picture_choice.h"
#include "games/memory.h"
#include "games/word_search.h"
#include "helpers/test_registry.h"
#include "record/answer_record.h"
#include "record/first_version_record.h"
#include "units/unit.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

// The rows as "screen|asked|word|chosen|chosen word|right|attempt|unit", oldest first.
QStringList rowsOf(const QString& path)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(QStringLiteral("SELECT screen, asked, word, chosen, chosen_word, right, attempt, unit FROM "
                                       "answers ORDER BY id"),
                        db);
            while (q.next()) {
                QStringList fields;
                for (int k = 0; k < 8; ++k)
                    fields << q.value(k).toString();
                rows << fields.join(QLatin1Char('|'));
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    return rows;
}

// Counts the record's warnings while it lives.
struct RecordWarnings
{
    RecordWarnings()
    {
        count = 0;
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (type == QtWarningMsg && QByteArray(context.category) == "munchora.record") {
                    ++count;
                    last = message;
                }
            });
    }
    ~RecordWarnings() { qInstallMessageHandler(previous); }
    static inline std::atomic<int> count{0};
    static inline QString last; // read once the record has stopped
    QtMessageHandler previous;
};

} // namespace

class TestAnswerRecord : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { AnswerRecord::stop(); }

    void playingScreensKeepsExactlyTheAnswersGiven()
    {
        const QString conf = qEnvironmentVariable("XDG_CONFIG_DIRS") + QStringLiteral("/munchora/munchora.conf");
        QDir().mkpath(QFileInfo(conf).path());
        QFile::remove(conf);
        QVERIFY(!AnswerRecord::enabledBySchool()); // off unless the school says so
        QFile file(conf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[record]\nenabled=true\n");
        file.close();
        QVERIFY(AnswerRecord::enabledBySchool());
        const QString path = AnswerRecord::defaultPath();
        QFile::remove(path);
        AnswerRecord::start();
        QFile::remove(conf);

        ExerciseRig rig;
        auto* pictures = rig.open<PictureChoice>(new Form2);
        const QString asked = pictures->Image1[0]->word(), other = pictures->Image1[2]->word();
        click(pictures->Image1[2]);
        click(pictures->Image1[0]);
        click(pictures->Command1);
        const QString next = pictures->Image1[0]->word();
        click(pictures->Image1[0]);

        for (int card = 0; card < 24; ++card)
            rig.random.push({0.0}); // card f on place f: picture k and word k + 12
        auto* memory = rig.open<MemoryGame>(new FormMemory);
        // A memory turn asks no word: its two cards, and turns counted since the last pair or "new".
        for (const auto& [first, second] : {std::pair{0, 12}, {1, 14}, {2, 13}, {-1, -1}, {3, 4}}) {
            if (first < 0) {
                click(memory->Command1);
                continue;
            }
            click(memory->Label2[size_t(first)]);
            click(memory->Label2[size_t(second)]);
            memory->Timer1_Timer();
        }
        // A letter of no word is no wrong try at the word then found.
        auto* puzzle = rig.open<FormCruciPuzzle>(new FormCruciPuzzle);
        const QString hidden = puzzle->Image1[0]->word();
        int stray = 0;
        while (puzzle->owner(stray) != 0)
            ++stray;
        click(puzzle->Label1[size_t(stray)]);
        for (int cell = 0; cell < FormCruciPuzzle::Cells; ++cell)
            if (puzzle->owner(cell) == 1)
                click(puzzle->Label1[size_t(cell)]);

        QVERIFY(AnswerRecord::flush(10000));
        const QString f2 = QStringLiteral("Form2|%1|%1|%2|%2|%3|%4|7");
        QCOMPARE(
            rowsOf(path),
            (QStringList{f2.arg(asked, other, QStringLiteral("0"), QStringLiteral("1")),
                         f2.arg(asked, asked, QStringLiteral("1"), QStringLiteral("2")),
                         f2.arg(next, next, QStringLiteral("1"), QStringLiteral("1")),
                         QStringLiteral("FormMemory|||apple + apple|apple|1|1|7"),
                         QStringLiteral("FormMemory|||banana + beans||0|1|7"),
                         QStringLiteral("FormMemory|||beans + banana||0|2|7"),
                         QStringLiteral("FormMemory|||beer + biscuits||0|1|7"),
                         QStringLiteral("FormCruciPuzzle|||%1||0|0|7").arg(puzzle->Label1[size_t(stray)]->letter()),
                         QStringLiteral("FormCruciPuzzle|%1|%1|%1|%1|1|1|7").arg(hidden)}));
        // Only the pupil reads it.
        QCOMPARE(QFileInfo(QFileInfo(path).path()).permissions() & 0x0077, QFileDevice::Permissions());
        QCOMPARE(QFileInfo(path).permissions() & 0x0077, QFileDevice::Permissions());

        // --forget leaves nothing of it, and nothing else; an answer given after it begins a new
        // record rather than going into the removed file.
        for (const char* tail : {".damaged-20260101-000000", ".damaged-20260101-000000-wal", "-mine"}) {
            QFile file(path + QLatin1String(tail));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(AnswerRecord::forget(), 0);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("answers.sqlite-mine")});
        AnswerRecord::add({QStringLiteral("Form2"), QStringLiteral("apple")});
        QVERIFY(AnswerRecord::flush(10000));
        QCOMPARE(rowsOf(path), QStringList{QStringLiteral("Form2|apple||||0|1|7")});
    }

    void aFileFoundIsPutAsideLeftAloneOrUpgraded_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("putAside");
        QTest::addColumn<QStringList>("rows"); // none: no record is kept
        const QString given = QStringLiteral("Form2|apple|apple|pear|pear|0|1|animals");
        QTest::newRow("junk") << QByteArray(5000, '\x5a') << true << QStringList{given};
        QTest::newRow("truncated database")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(3000, '\0') << true << QStringList{given};
        QTest::newRow("another program's") << QByteArray("another") << true << QStringList{given};
        QTest::newRow("a newer Munchora's") << QByteArray("newer") << false << QStringList();
        // The answers of before units were all the built-in unit's.
        QTest::newRow("this Munchora's first version")
            << QByteArray("first") << false
            << QStringList{QStringLiteral("Form2|pear|pear|pear|pear|1|1|7"),
                           QStringLiteral("FormMemory|||milk + water||0|3|7"), given};
    }

    void aFileFoundIsPutAsideLeftAloneOrUpgraded()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, putAside);
        QFETCH(QStringList, rows);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("answers.sqlite"));
        if (bytes == "first") {
            QVERIFY(makeFirstVersionRecord(
                path,
                {QStringLiteral("Form2|pear|pear|pear|pear|1|1"), QStringLiteral("FormMemory|||milk + water||0|3")}));
        } else if (bytes == "another" || bytes == "newer") {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
                db.setDatabaseName(path);
                QVERIFY(db.open());
                QSqlQuery q(db);
                QVERIFY(q.exec(QStringLiteral("CREATE TABLE notes (text TEXT)")));
                if (bytes == "newer")
                    QVERIFY(q.exec(QStringLiteral("PRAGMA application_id=%1").arg(AnswerRecord::ApplicationId))
                            && q.exec(QStringLiteral("PRAGMA user_version=%1").arg(AnswerRecord::SchemaVersion + 1)));
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("maker"));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        QFile original(path);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        RecordWarnings warnings;
        AnswerRecord::startAt(path);
        AnswerRecord::setUnit(QStringLiteral("animals"));
        AnswerRecord::add({QStringLiteral("Form2"), QStringLiteral("apple"), QStringLiteral("apple"),
                           QStringLiteral("pear"), QStringLiteral("pear")});
        AnswerRecord::setUnit(QLatin1String(units::BuiltInId));
        QVERIFY(AnswerRecord::flush(10000));
        const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("answers.sqlite.damaged-*")});
        // Never deleted: renamed, byte for byte, and a record begins anew.
        QCOMPARE(aside.size(), putAside ? 1 : 0);
        if (putAside) {
            QFile kept(dir.filePath(aside.first()));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), before);
        }
        QCOMPARE(rowsOf(path), rows);
        QCOMPARE(AnswerRecord::active(), !rows.isEmpty());
        // A newer program's record is left as it is, and this one keeps none.
        if (rows.isEmpty())
            QCOMPARE(int(warnings.count), 1);
    }

    void aFolderThatCannotBeWrittenOrAFullDiskStopsTheRecordWithOneLine()
    {
        QTemporaryDir dir;
        {
            // Where the folder should be, a file: the record cannot begin.
            QFile blocker(dir.filePath(QStringLiteral("munchora")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            RecordWarnings warnings;
            AnswerRecord::startAt(dir.filePath(QStringLiteral("munchora/answers.sqlite")));
            for (int k = 0; k < 3; ++k)
                AnswerRecord::add({QStringLiteral("Form2"), QStringLiteral("apple")});
            QVERIFY(AnswerRecord::flush(10000));
            QVERIFY(!AnswerRecord::active());
            QCOMPARE(int(warnings.count), 1);
        }
        {
            // The disk fills up while the child plays: files of this process may grow no more.
            const QString path = dir.filePath(QStringLiteral("answers.sqlite"));
            AnswerRecord::startAt(path);
            AnswerRecord::add({QStringLiteral("Form2"), QStringLiteral("apple")});
            QVERIFY(AnswerRecord::flush(10000));
            RecordWarnings warnings;
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            const rlimit full{rlim_t(QFileInfo(path).size() + 40000), limit.rlim_max};
            setrlimit(RLIMIT_FSIZE, &full);
            const QString sentence(400, QLatin1Char('x'));
            for (int k = 0; k < 2000 && AnswerRecord::active(); ++k) {
                AnswerRecord::add({QStringLiteral("Form14"), sentence, QStringLiteral("milk"), sentence});
                if (k % 100 == 0)
                    AnswerRecord::flush(10000);
            }
            AnswerRecord::flush(10000);
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL);
            QVERIFY(!AnswerRecord::active());
            QCOMPARE(int(warnings.count), 1);
            // The cause (here the size limit's), not the rollback's complaint.
            QVERIFY2(warnings.last.contains(QLatin1String("I/O error")), qPrintable(warnings.last));
            // What was written stays whole.
            QVERIFY(!rowsOf(path).isEmpty());
            QCOMPARE(rowsOf(path).first(), QStringLiteral("Form2|apple||||0|1|7"));
        }
        // The child plays on.
        ExerciseRig rig;
        auto* pictures = rig.open<PictureChoice>(new Form2);
        click(pictures->Image1[0]);
        QVERIFY(pictures->Command1->isEnabled());
    }
};

MUNCHORA_TEST(TestAnswerRecord)
#include "test_answer_record.moc"
