// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file when the disk, the folder or the file itself misbehaves: reading falls
// back to the defaults, a save that cannot be made says so and keeps the values for the run,
// and nothing already on the disk is lost or replaced by something else. Never a hang.

#include "fuzz/settings_check.h"
#include "helpers/environment_override.h"
#include "helpers/screen_rig.h"
#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "home/menu.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "settings/settings_file.h"
#include "widgets/picture_button.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace Modulo1;

namespace {

const QByteArray ThreeAndOneFifty = " 3 \r\n 150 \r\n";
const QByteArray TwoAndNinety = " 2 \r\n 90 \r\n";

bool isFifo(const QString& path)
{
    struct stat status
    {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

bool makeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}

// The voice settings over the menu, as the "Voice" button opens them.
struct Rig : ScreenRig
{
    Rig() { window.showScreen(newFormMenu()); }
    FormImposta* open()
    {
        window.showOverlay(newFormImposta());
        return qobject_cast<FormImposta*>(window.overlay());
    }
};

// What can stand in the way of a save made after the start.
enum class SaveFault { FolderBecameAFile, FileIsAFifo, FileLinksToAFifo, FileIsAFolder, DiskFull };

// Runs the settings probe as a user without rights over root's files, when the test runs as
// root; as the test's own user otherwise.
void dropRights()
{
    if (::geteuid() == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
    }
}

QString runProbe(const QStringList& args, bool asNobody)
{
    QProcess probe;
    if (asNobody)
        probe.setChildProcessModifier(dropRights);
    probe.start(buildDir() + "/tests/settings_probe", args);
    if (!probe.waitForFinished(10000)) {
        probe.kill();
        probe.waitForFinished();
        return "probe did not end";
    }
    return QString::fromUtf8(probe.readAllStandardOutput());
}

QString tempFilesIn(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("programmiinglese.ini.*")}, QDir::Files | QDir::Hidden).join(' ');
}

} // namespace

Q_DECLARE_METATYPE(SaveFault)

class TestSettingsFaults : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetSharedState(); }

    void oddThingsInTheFilesPlaceReadAsDefaults()
    {
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());
        const auto readsDefaults = [] {
            Voce = 9;
            Velocita = 99;
            QElapsedTimer clock;
            clock.start();
            LeggiImpostazioni();
            return Voce == 1 && Velocita == 135 && clock.elapsed() < 1000;
        };

        // A fifo nobody writes to would hold the start for ever if it were opened.
        QVERIFY(makeFifo(FileImpostazioni));
        QVERIFY(readsDefaults());
        QVERIFY(QFile::remove(FileImpostazioni));

        // Endless zeros.
        QVERIFY(QFile::link("/dev/zero", FileImpostazioni));
        QVERIFY(readsDefaults());
        QVERIFY(QFile::remove(FileImpostazioni));

        // A link to itself, and one to nowhere.
        QVERIFY(QFile::link(FileImpostazioni, FileImpostazioni));
        QVERIFY(readsDefaults());
        QVERIFY(QFile::remove(FileImpostazioni));
        QVERIFY(QFile::link(folders.settings() + "/gone.ini", FileImpostazioni));
        QVERIFY(readsDefaults());

        // A link to a good file is read through.
        QVERIFY(QFile::remove(FileImpostazioni));
        QVERIFY(put(folders.settings() + "/elsewhere.ini", ThreeAndOneFifty));
        QVERIFY(QFile::link(folders.settings() + "/elsewhere.ini", FileImpostazioni));
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(3));
        QCOMPARE(Velocita, qint16(150));
    }

    void aSaveThatCannotBeMadeSaysSoAndLosesNothing_data()
    {
        QTest::addColumn<SaveFault>("fault");
        QTest::newRow("folder became a file") << SaveFault::FolderBecameAFile;
        QTest::newRow("file is a fifo") << SaveFault::FileIsAFifo;
        QTest::newRow("file links to a fifo") << SaveFault::FileLinksToAFifo;
        QTest::newRow("file is a folder") << SaveFault::FileIsAFolder;
        QTest::newRow("disk full") << SaveFault::DiskFull;
    }

    void aSaveThatCannotBeMadeSaysSoAndLosesNothing()
    {
        QFETCH(SaveFault, fault);
        Rig rig;
        const QString folder = rig.folders.settings();
        const QString file = FileImpostazioni;
        const QString fifo = folder + "/pipe";
        QVERIFY(CreaCartellaImpostazioni());
        QVERIFY(put(file, ThreeAndOneFifty));
        LeggiImpostazioni();

        FormImposta* form = rig.open();
        QVERIFY(form);
        // The trouble starts while the screen is open.
        std::optional<FileSizeLimit> limit;
        switch (fault) {
        case SaveFault::FolderBecameAFile:
            QVERIFY(QDir(folder).removeRecursively());
            QVERIFY(put(folder, "someone's notes"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot create the settings folder"));
            break;
        case SaveFault::FileIsAFifo: QVERIFY(QFile::remove(file) && makeFifo(file)); break;
        case SaveFault::FileLinksToAFifo:
            QVERIFY(makeFifo(fifo));
            QVERIFY(QFile::remove(file) && QFile::link(fifo, file));
            break;
        case SaveFault::FileIsAFolder: QVERIFY(QFile::remove(file) && QDir().mkpath(file + "/inside")); break;
        case SaveFault::DiskFull: limit.emplace(4); break;
        }
        form->Combo1->setCurrentIndex(1);
        form->HScroll1->setValue(90);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write"));
        QElapsedTimer clock;
        clock.start();
        click(form->BottoneEsci);
        QVERIFY(clock.elapsed() < 2000);
        limit.reset();

        QCOMPARE(rig.dialogs.shown.size(), 1);
        QVERIFY(rig.dialogs.shown[0].text.startsWith(QStringLiteral("non posso salvare")));
        QVERIFY(!rig.window.overlay());
        QCOMPARE(Voce, qint16(2)); // kept for the rest of the run
        QCOMPARE(Velocita, qint16(90));

        // What stood there stands there still.
        switch (fault) {
        case SaveFault::FolderBecameAFile: QCOMPARE(contents(folder), QByteArray("someone's notes")); break;
        case SaveFault::FileIsAFifo: QVERIFY(isFifo(file)); break;
        case SaveFault::FileLinksToAFifo:
            QVERIFY(QFileInfo(file).isSymLink());
            QVERIFY(isFifo(fifo));
            break;
        case SaveFault::FileIsAFolder: QVERIFY(QDir(file + "/inside").exists()); break;
        case SaveFault::DiskFull: QCOMPARE(contents(file), ThreeAndOneFifty); break;
        }
        if (fault != SaveFault::FolderBecameAFile)
            QCOMPARE(tempFilesIn(folder), QString());
    }

    void aLinkToARegularFileIsSavedThrough()
    {
        // Someone keeps the file elsewhere on purpose: the link stays, the file it names is saved.
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());
        const QString real = folders.settings() + "/shared.ini";
        QVERIFY(put(real, ThreeAndOneFifty));
        QVERIFY(QFile::link(real, FileImpostazioni));
        Voce = 2;
        Velocita = 90;
        QVERIFY(SalvaImpostazioni());
        QVERIFY(QFileInfo(FileImpostazioni).isSymLink());
        QCOMPARE(contents(real), TwoAndNinety);
    }

    void aLinkToAnythingButSettingsIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("target");
        QByteArray homework = "My favourite food is pizza.\n";
        while (homework.size() < 920)
            homework += "I like pizza with ham and cheese, and I don't like spinach.\n";
        QTest::newRow("homework") << homework;
        QTest::newRow("two numbers, then words") << QByteArray(" 2 \r\n 90 \r\nand my notes\r\n");
        QTest::newRow("a link to nothing") << QByteArray();
    }

    void aLinkToAnythingButSettingsIsNeverWritten()
    {
        QFETCH(QByteArray, target);
        Rig rig;
        QVERIFY(CreaCartellaImpostazioni());
        const QString elsewhere = rig.folders.settings() + "/../homework.txt";
        if (!target.isEmpty())
            QVERIFY(put(elsewhere, target));
        QVERIFY(QFile::link(elsewhere, FileImpostazioni));

        FormImposta* form = rig.open();
        form->HScroll1->setValue(90);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write .*link"));
        click(form->BottoneEsci);
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QVERIFY(rig.dialogs.shown[0].text.startsWith(QStringLiteral("non posso salvare")));
        QCOMPARE(Velocita, qint16(90));
        QVERIFY(QFileInfo(FileImpostazioni).isSymLink());
        if (target.isEmpty())
            QVERIFY(!QFileInfo::exists(elsewhere));
        else
            QCOMPARE(contents(elsewhere), target);
        QCOMPARE(tempFilesIn(rig.folders.settings()), QString());
    }

    void aRelativeConfigHomeIsIgnored()
    {
        QTemporaryDir home;
        setSettingsFolder(QString());
        EnvironmentOverride homeVariable("HOME", QFile::encodeName(home.path()));
        const QString expected = home.path() + "/.config/ImpostazioniProgrammiZerlino";
        EnvironmentOverride configHome("XDG_CONFIG_HOME", "relative/config");
        for (const char* config : {"relative/config", "./config", "config", ""}) {
            configHome.set(config);
            QCOMPARE(settingsFolder(), expected);
        }
        configHome.set(QFile::encodeName(home.path() + "/xdg"));
        QCOMPARE(settingsFolder(), home.path() + "/xdg/ImpostazioniProgrammiZerlino");
    }

    void realStartWithAnOddConfigHome_data()
    {
        QTest::addColumn<QString>("config");
        QTest::newRow("relative") << QStringLiteral("relative/config");
        QTest::newRow("a file") << QStringLiteral("FILE");
    }

    void realStartWithAnOddConfigHome()
    {
        QFETCH(QString, config);
        QTemporaryDir dir;
        for (const char* sub : {"home", "run", "tmp", "cwd"})
            QVERIFY(QDir(dir.path()).mkpath(sub));
        QFile::setPermissions(dir.path() + "/run",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (config == "FILE") {
            config = dir.path() + "/config";
            QVERIFY(put(config, "not a folder"));
        }
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", dir.path() + "/home");
        env.insert("XDG_CONFIG_HOME", config);
        env.insert("XDG_RUNTIME_DIR", dir.path() + "/run");
        env.insert("TMPDIR", dir.path() + "/tmp");
        probe.setProcessEnvironment(env);
        probe.setWorkingDirectory(dir.path() + "/cwd");
        probe.start(buildDir() + "/tests/single_copy_probe");
        QVERIFY(probe.waitForFinished(15000));
        // No box: the program starts on the defaults.
        QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()),
                 QStringLiteral("window shown\nvoice 1 speed 135\nexit 0\n"));
        QCOMPARE(QDir(dir.path() + "/cwd").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        if (config.startsWith('/')) {
            QCOMPARE(contents(config), QByteArray("not a folder"));
        } else {
            QVERIFY(QFile::exists(dir.path() + "/home/.config/ImpostazioniProgrammiZerlino/leggimi.txt"));
        }
    }

    void withoutRights()
    {
        // Run as a user without rights over the folder (root's permission bits stop nobody else).
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ExeOther | QFileDevice::ReadOther));
        const QString folder = dir.path() + "/settings";
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + "/programmiinglese.ini";
        QVERIFY(put(file, ThreeAndOneFifty));
        QVERIFY(put(folder + "/leggimi.txt", SettingsFile::readme()));
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
            | QFileDevice::ExeOther;

        // A read-only folder: the settings are read, the save fails, the file stays.
        QVERIFY(QFile::setPermissions(folder, readOnly));
        QCOMPARE(runProbe({"read-save", folder, "2", "90"}, true),
                 QStringLiteral("read 3 150\nsave failed, kept 2 90\n"));
        QCOMPARE(contents(file), ThreeAndOneFifty);

        // An unreadable file: the defaults.
        QVERIFY(QFile::setPermissions(file, {}));
        QCOMPARE(runProbe({"read-save", folder, "2", "90"}, true),
                 QStringLiteral("read 1 135\nsave failed, kept 2 90\n"));
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(contents(file), ThreeAndOneFifty);
        QCOMPARE(tempFilesIn(folder), QString());
    }

    void killedInTheMiddleOfSavesLeavesOldOrNew()
    {
        // Killed at random moments while saving in a loop: the file is always one whole save.
        const int kills = qEnvironmentVariableIntValue("MUNCHORA_SAVE_KILLS") > 0
            ? qEnvironmentVariableIntValue("MUNCHORA_SAVE_KILLS")
            : 60;
        const quint32 seed = qEnvironmentVariableIsSet("MUNCHORA_SAVE_KILL_SEED")
            ? quint32(qEnvironmentVariableIntValue("MUNCHORA_SAVE_KILL_SEED"))
            : QRandomGenerator::global()->generate();
        qInfo("killing saves: seed %u, %d kills", seed, kills);
        QRandomGenerator random(seed);
        QTemporaryDir dir;
        const QString folder = dir.path() + "/ImpostazioniProgrammiZerlino";
        const QString file = folder + "/programmiinglese.ini";
        const auto valueOf = [&](long n) { return n % 2 == 0 ? ThreeAndOneFifty : TwoAndNinety; };

        QByteArray before = contents(file); // nothing yet
        long saves = 0;
        int leftovers = 0;
        for (int k = 0; k < kills; ++k) {
            QProcess probe;
            probe.start(buildDir() + "/tests/settings_probe", {"save-loop", folder});
            QVERIFY(probe.waitForStarted());
            QByteArray out;
            while (!out.contains("ready\n")) {
                QVERIFY(probe.waitForReadyRead(10000));
                out += probe.readAllStandardOutput();
            }
            ::usleep(useconds_t(random.bounded(20000)));
            ::kill(pid_t(probe.processId()), SIGKILL);
            QVERIFY(probe.waitForFinished());
            QCOMPARE(probe.exitStatus(), QProcess::CrashExit);
            out += probe.readAllStandardOutput();

            // The last save reported done, or the one after it if it was killed between its
            // rename and its report.
            const QList<QByteArray> lines = out.trimmed().split('\n');
            const long last = lines.size() > 1 ? lines.last().toLong() : -1;
            saves += last + 2; // those made, and the one interrupted
            const QByteArray now = contents(file);
            const QByteArray done = last >= 0 ? valueOf(last) : before;
            QVERIFY2(now == done || now == valueOf(last + 1),
                     qPrintable(QStringLiteral("seed %1, kill %2 after save %3: file holds \"%4\"")
                                    .arg(seed)
                                    .arg(k)
                                    .arg(last)
                                    .arg(QString::fromLatin1(now.toHex(' ')))));
            before = now;
            // A temporary file may be left behind; it never stands in the file's place.
            const QString temps = tempFilesIn(folder);
            leftovers = temps.isEmpty() ? 0 : int(temps.count(' ') + 1);
        }
        qInfo("%ld saves made or interrupted, %d temporary files left behind", saves, leftovers);
        QCOMPARE(contents(folder + "/leggimi.txt"), SettingsFile::readme());
    }

    void fuzzCorpusAndRandomFilesKeepTheReadingRule()
    {
        QString corpus = qEnvironmentVariable("MUNCHORA_SOURCE_DIR");
        corpus = corpus.isEmpty() ? QStringLiteral(MUNCHORA_FUZZ_CORPUS) : corpus + "/fuzz/corpus";
        QDirIterator files(corpus + "/settings", QDir::Files);
        int replayed = 0;
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());
        while (files.hasNext()) {
            const QString path = files.next();
            const QByteArray bytes = contents(path);
            QString wrong = settings_check::check(bytes);
            QVERIFY2(wrong.isEmpty(), qPrintable(QFileInfo(path).fileName() + ": " + wrong));
            // The real reading from the disk gives what the check saw.
            QVERIFY(put(FileImpostazioni, bytes));
            bool fellBack = false;
            const SettingsFile::Values values = SettingsFile::valuesFor(bytes, bytes.size() <= SettingsFile::ReadLimit,
                                                                        &fellBack);
            if (fellBack)
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not hold two numbers"));
            LeggiImpostazioni();
            QVERIFY2(Voce == values.voce && Velocita == values.velocita, qPrintable(path));
            ++replayed;
        }
        QVERIFY2(replayed >= 10, qPrintable(corpus));

        // Files made of the pieces that matter, in random order; seeded, so a failure repeats.
        static const char* const pieces[] = {" ",     "\r\n",  "\t",     "\n",    "-", "+",  "0",    "7",  "135",
                                             "32767", "32768", "-32768", "99999", "x", "\0", "\xff", "1 2"};
        QRandomGenerator random(20261208);
        for (int i = 0; i < 20000; ++i) {
            QByteArray file;
            const int count = int(random.bounded(12));
            for (int p = 0; p < count; ++p) {
                const char* piece = pieces[random.bounded(int(std::size(pieces)))];
                file += piece[0] ? QByteArray(piece) : QByteArray(1, '\0');
            }
            if (random.bounded(50) == 0) // around the read limit
                file = QByteArray(SettingsFile::ReadLimit - 4 + int(random.bounded(8)), ' ') + file;
            const QString wrong = settings_check::check(file);
            QVERIFY2(wrong.isEmpty(), qPrintable(QString::fromLatin1(file.toHex(' ')) + ": " + wrong));
        }
    }
};

MUNCHORA_TEST(TestSettingsFaults)
#include "test_settings_faults.moc"
