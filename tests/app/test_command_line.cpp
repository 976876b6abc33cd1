// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/screen_rig.h"
#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "shell/screen.h"
#include "speech/speech_cache.h"
#include "speech/speech_engines.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// A user of its own, so nothing here meets the real user's settings or a copy really running.
struct FreshUser
{
    FreshUser()
    {
        QDir(dir.path()).mkpath("home");
        QDir(dir.path()).mkpath("run");
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString runtime() const { return dir.path() + "/run"; }
    QString lock() const { return runtime() + "/munchora.lock"; }
    QString config() const { return dir.path() + "/config"; }

    // With no display at all: a program that reached for one would fail, not print.
    QProcessEnvironment environment(bool display) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        if (display)
            env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", dir.path() + "/home");
        env.insert("XDG_CONFIG_HOME", config());
        env.insert("XDG_RUNTIME_DIR", runtime());
        return env;
    }

    QTemporaryDir dir;
};

struct Finished
{
    int status = -1;
    QString out, err;
    qint64 ms = 0;
};

Finished runToEnd(const FreshUser& user, const QStringList& arguments, bool display = false)
{
    QProcess program;
    program.setProcessEnvironment(user.environment(display));
    QElapsedTimer clock;
    clock.start();
    program.start(buildDir() + "/munchora", arguments);
    Finished result;
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished();
        result.err = "did not end by itself";
        return result;
    }
    result.ms = clock.elapsed();
    result.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    result.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    result.err += QString::fromLocal8Bit(program.readAllStandardError());
    return result;
}

// Every file in folder is a whole speech entry, named after its own key.
QString notWhole(const QString& folder)
{
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly) || info.suffix() != "pcm")
            return info.fileName();
        file.seek(8);
        quint32 keyBytes = 0;
        file.read(reinterpret_cast<char*>(&keyBytes), sizeof keyBytes);
        file.seek(32);
        const QByteArray key = file.read(keyBytes);
        std::vector<int16_t> samples;
        if (speech::SpeechCache::entryPath(folder, key) != info.filePath()
            || !speech::SpeechCache::readEntry(info.filePath(), key, samples))
            return info.fileName();
    }
    return QString();
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Two copies filling one folder at once (a classroom's server, two administrators): each
    // ends well, and the folder holds whole entries only, one per text, for the voice and speed
    // given, that every pupil may read whatever the administrator's umask.
    void prepareSpeechFillsTheFolderGivenWithWholeEntries()
    {
        FreshUser user;
        const QString folder = user.dir.filePath("shared speech");
        // Voice 3 is an eSpeak NG voice: quick to make.
        const QStringList arguments{"--prepare-speech", folder, "--voice", "3", "--speed", "100"};
        QProcess first, second;
        const mode_t umaskBefore = ::umask(077); // inherited by the copies
        for (QProcess* copy : {&first, &second}) {
            copy->setProcessEnvironment(user.environment(false));
            copy->start(buildDir() + "/munchora", arguments);
        }
        ::umask(umaskBefore);
        for (QProcess* copy : {&first, &second}) {
            QVERIFY(copy->waitForFinished(300000));
            QCOMPARE(copy->exitCode(), 0);
        }
        const QString said = QString::fromLocal8Bit(first.readAllStandardOutput());
        const int texts = said.section(' ', 1, 1).toInt();
        QVERIFY2(texts > 500, qPrintable(said));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), texts);
        QVERIFY2(notWhole(folder).isEmpty(), qPrintable(notWhole(folder)));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(folder).constData(), &st) == 0 && (st.st_mode & 07777) == 0755);
        for (const QString& entry : QDir(folder).entryList(QDir::Files))
            QVERIFY(::stat(QFile::encodeName(folder + '/' + entry).constData(), &st) == 0
                    && (st.st_mode & 07777) == 0644);
        const speech::CatalogueVoice& edward = speech::voiceCatalogue()[2];
        QVERIFY(speech::startEngine(edward.engine)); // the key names the engine's data
        for (const QString& text :
             {QStringLiteral("welcome. unit 7. munchora"), QStringLiteral("Tom doesn't like pizza")})
            QVERIFY2(
                QFile::exists(speech::SpeechCache::entryPath(folder, speech::SpeechCache::keyFor(edward, 100, text))),
                qPrintable(text));
    }

    void prepareSpeechRefusesWhatItCannotDo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no such voice") << QStringList{"--prepare-speech", "FOLDER", "--voice", "99"};
        QTest::newRow("a speed too low") << QStringList{"--prepare-speech", "FOLDER", "--speed", "20"};
        QTest::newRow("a speed that is no number") << QStringList{"--prepare-speech", "FOLDER", "--speed", "fast"};
        QTest::newRow("a folder that cannot be made") << QStringList{"--prepare-speech", "/dev/null/speech"};
        QTest::newRow("a voice without preparing") << QStringList{"--voice", "2"};
    }

    void prepareSpeechRefusesWhatItCannotDo()
    {
        QFETCH(QStringList, arguments);
        FreshUser user;
        arguments.replaceInStrings("FOLDER", user.dir.filePath("speech"));
        const Finished run = runToEnd(user, arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.startsWith("munchora: "), qPrintable(run.err));
        QVERIFY(!QFile::exists(user.dir.filePath("speech")));
    }

    void helpAndVersionAnswerAtOnceAndStartNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--help") << QStringList{"--help"} << "--windowed";
        QTest::newRow("-h") << QStringList{"-h"} << "--windowed";
        QTest::newRow("--version") << QStringList{"--version"} << "munchora 0.";
        QTest::newRow("-v") << QStringList{"-v"} << "munchora 0.";
        // Qt's own options may stand beside them.
        QTest::newRow("--help among Qt's options") << QStringList{"-platform", "xcb", "--help"} << "--windowed";
    }

    void helpAndVersionAnswerAtOnceAndStartNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, printed);
        FreshUser user;
        // No display: had the program tried to open a window, it could not have ended well.
        const Finished run = runToEnd(user, arguments);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(printed), qPrintable(run.out + run.err));
        QVERIFY2(run.ms < 5000, qPrintable(QString::number(run.ms)));
        QVERIFY(!QFile::exists(user.config()));
        QVERIFY(!QFile::exists(user.lock()));
    }

    void versionIsAnsweredWhileACopyRuns()
    {
        FreshUser user;
        QProcess running;
        running.setProcessEnvironment(user.environment(true));
        running.start(buildDir() + "/munchora");
        QVERIFY2(running.waitForStarted(), qPrintable(running.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(user.lock()) && QFile(user.lock()).size() > 0, 10000);
        const QByteArray lock = [&] {
            QFile file(user.lock());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();

        const Finished version = runToEnd(user, {"--version"}, true);
        QCOMPARE(version.status, 0);
        QVERIFY(version.out.startsWith("munchora "));
        QVERIFY2(!version.err.contains("E' gi"), qPrintable(version.err));

        QCOMPARE(running.state(), QProcess::Running);
        QFile after(user.lock());
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), lock); // the running copy's lock, untouched
        running.kill();
        running.waitForFinished();
    }

    void anUnknownOptionIsAnErrorNotAStart()
    {
        FreshUser user;
        const Finished run = runToEnd(user, {"--fullscreen-please"}, true);
        QVERIFY2(run.status != 0 && run.status != -1, qPrintable(QString::number(run.status) + run.err));
        QVERIFY2(run.err.contains("fullscreen-please"), qPrintable(run.err));
        QVERIFY(!QFile::exists(user.lock()));
        QVERIFY(!QFile::exists(user.config()));
    }

    void windowedStartsTheProgram_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("said");
        QTest::newRow("the built-in unit") << QString() << "welcome. unit 7. munchora";
        QTest::newRow("the animals") << "animals"
                                     << "welcome. unit 8. Animals";
        // Named, and the children play the built-in unit.
        QTest::newRow("a unit that is not there") << "./nowhere"
                                                  << "welcome. unit 7. munchora";
    }

    void windowedStartsTheProgram()
    {
        QFETCH(QString, unit);
        QFETCH(QString, said);
        FreshUser user;
        QProcess program;
        QProcessEnvironment env = user.environment(true);
        env.insert("QT_LOGGING_RULES", "munchora.speech.debug=true");
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(user.dir.path());
        program.start(buildDir() + "/munchora",
                      QStringList{"--windowed"} + (unit.isEmpty() ? QStringList() : QStringList{"--unit", unit}));
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        // Up as usual: it holds the lock and has made the settings folder.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(user.lock()) && QFile(user.lock()).size() > 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(user.config() + "/ImpostazioniProgrammiZerlino/leggimi.txt"), 10000);
        QString err;
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromLocal8Bit(program.readAllStandardError())).contains(said), 10000);
        QCOMPARE(err.contains("non si può usare"), unit.startsWith("./"));
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished();
    }

    // The window itself: normal, inside the display, of the screens' proportions, and the
    // screen it hosts fills it and follows its size.
    void aWindowedWindowIsNormalAndTheScreenFitsIt()
    {
        ScreenRig rig;
        AppWindow& window = rig.window;
        window.showWindowed();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.isFullScreen());
        QVERIFY(!window.isMaximized());
        const QRect free = window.screen()->availableGeometry();
        QVERIFY(free.contains(window.geometry()));
        QVERIFY(window.width() < free.width() || window.height() < free.height());
        QVERIFY(qAbs(window.width() * 3 - window.height() * 4) <= 4);

        window.showScreen(newFormAvvio());
        Screen* splash = window.currentScreen();
        QVERIFY(splash);
        QTRY_COMPARE(splash->geometry(), window.rect());
        window.resize(800, 450);
        QTRY_COMPARE(splash->size(), QSize(800, 450));
    }
};

MUNCHORA_TEST(TestCommandLine)
#include "test_command_line.moc"
