#include "app/single_copy.h"
#include "helpers/test_registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString buildDir()
{
    const QString dir = qEnvironmentVariable("MUNCHORA_BUILD_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() + "/.." : dir;
}

// A user of its own: settings, runtime folder (where the lock lives) and temporary files,
// so the test touches neither the real user's files nor the lock of a copy really running.
struct PrivateUser
{
    PrivateUser()
    {
        for (const char* sub : {"home", "config", "tmp"})
            QDir(dir.path()).mkpath(sub);
        QDir(dir.path()).mkpath("run");
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                             | QFileDevice::ExeOwner);
    }
    QString runtime() const { return dir.path() + "/run"; }
    QString lock() const { return runtime() + "/munchora.lock"; }
    QString settings() const { return dir.path() + "/config/ImpostazioniProgrammiZerlino"; }

    void prepare(QProcess& process) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", dir.path() + "/home");
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", runtime());
        env.insert("TMPDIR", dir.path() + "/tmp");
        process.setProcessEnvironment(env);
    }

    // Runs the probe to its end; its report, or why it failed.
    QString runProbe() const
    {
        QProcess probe;
        prepare(probe);
        probe.start(buildDir() + "/tests/single_copy_probe");
        if (!probe.waitForFinished(15000)) {
            probe.kill();
            probe.waitForFinished();
            return "probe did not end by itself";
        }
        return QString::fromUtf8(probe.readAllStandardOutput());
    }

    QTemporaryDir dir;
};

} // namespace

class TestSingleCopy : public QObject
{
    Q_OBJECT
private slots:
    void lockInOneProcess()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/munchora.lock";
        {
            SingleCopy first(path);
            QCOMPARE(first.acquire(), SingleCopy::Outcome::Acquired);
            SingleCopy second(path);
            QCOMPARE(second.acquire(), SingleCopy::Outcome::AnotherCopyRuns);
        }
        QVERIFY(!QFile::exists(path)); // released when the copy ends

        // A lock file without an owner (its copy killed while writing it) does not stick.
        QFile empty(path);
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        SingleCopy next(path);
        QCOMPARE(next.acquire(), SingleCopy::Outcome::Acquired);

        // No place for a lock at all: the program starts anyway.
        QFile blocker(dir.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SingleCopy nowhere(dir.path() + "/file/munchora.lock");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot take the single-copy lock"));
        QCOMPARE(nowhere.acquire(), SingleCopy::Outcome::Unavailable);
    }

    void secondRealCopyAndKilledCopy()
    {
        PrivateUser user;
        QProcess program;
        user.prepare(program);
        program.start(buildDir() + "/munchora");
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        // The program is up once its lock names it.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(user.lock()) && QFile(user.lock()).size() > 0, 10000);

        // First start on this user: folder and read-me, no settings file yet.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(user.settings() + "/leggimi.txt"), 10000);
        QCOMPARE(QDir(user.settings()).entryList(QDir::Files), QStringList{"leggimi.txt"});

        const QString second = user.runProbe();
        QCOMPARE(second,
                 QString::fromUtf8("box critical \"Error\" \"E' già stata avviata una copia di questo "
                                   "programma!\"\nno window\nvoice 1 speed 135\nexit 0\n"));
        QCOMPARE(program.state(), QProcess::Running); // the running copy is left alone

        // Killed without a chance to clean up: the lock file stays behind...
        program.kill();
        QVERIFY(program.waitForFinished());
        QVERIFY(QFile::exists(user.lock()));
        // ...and does not keep the next copy out, which reads the saved settings.
        QFile ini(user.settings() + "/programmiinglese.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(" 2 \r\n 90 \r\n");
        ini.close();
        QCOMPARE(user.runProbe(), QStringLiteral("window shown\nvoice 2 speed 90\nexit 0\n"));
        QVERIFY(!QFile::exists(user.lock()));
    }
};

MUNCHORA_TEST(TestSingleCopy)
#include "test_single_copy.moc"
