// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "settings/single_copy.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString windowShown = QStringLiteral("window shown\nvoice 1 speed 135\nexit 0\n");
// The running copy took the call and says it runs itself: the second start shows nothing.
const QString secondCopyStopped = QStringLiteral("no window\nvoice 1 speed 135\nexit 0\n");
// A running copy that takes no call: the second start says it, in a box that never stays for good.
const QString secondCopyStoppedAlone = QString::fromUtf8(
    "box critical \"Error\" \"E' già stata avviata una copia di questo programma!\", closes after 10000 ms\n"
    "no window\nvoice 1 speed 135\nexit 0\n");

// A lock's content as QLockFile writes it: process id, program, host name, machine id, boot id.
QByteArray lockContent(qint64 pid, const QString& program, const QString& host, const QByteArray& machineId,
                       const QByteArray& bootId)
{
    return QByteArray::number(pid) + '\n' + program.toUtf8() + '\n' + host.toUtf8() + '\n' + machineId + '\n' + bootId
        + '\n';
}

// The lock a live copy would write: this test program, running now, on this machine.
QByteArray liveLockContent()
{
    return lockContent(QCoreApplication::applicationPid(),
                       QFileInfo(QCoreApplication::applicationFilePath()).fileName(), QSysInfo::machineHostName(),
                       QSysInfo::machineUniqueId(), QSysInfo::bootUniqueId());
}

// The same live program, but its lock names another machine: sharing the folder is no reason
// to keep this machine's copy out.
QByteArray otherMachineLockContent()
{
    return lockContent(QCoreApplication::applicationPid(),
                       QFileInfo(QCoreApplication::applicationFilePath()).fileName(), QStringLiteral("classroom-pc-7"),
                       "0123456789abcdef0123456789abcdef", QSysInfo::bootUniqueId());
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The kinds of leftovers a start can find in the lock's place.
enum class Leftover {
    EmptyFolder,
    FolderWithFiles,
    DanglingLink,
    Unreadable,
    Garbage,
    OtherMachine,
    CopyGone,
    ReadOnlyCopyGone,
    EarlierBoot,
    PidOfAnotherProgram,
    OtherUser,
    LiveCopy
};

bool makeLeftover(Leftover kind, const QString& path)
{
    switch (kind) {
    case Leftover::EmptyFolder: return QDir().mkpath(path);
    case Leftover::FolderWithFiles: return QDir().mkpath(path) && writeFile(path + "/notes.txt", "keep me");
    case Leftover::DanglingLink: return QFile::link(path + ".nowhere", path);
    case Leftover::Unreadable:
        // Unreadable for a user; root reads any file, so its content is no lock either way.
        return writeFile(path, "\x01\x02 not a lock\n") && QFile::setPermissions(path, {});
    case Leftover::Garbage: return writeFile(path, "twelve\nmunchora\n");
    case Leftover::OtherMachine: return writeFile(path, otherMachineLockContent());
    case Leftover::CopyGone:
        return writeFile(path,
                         lockContent(2147483000, "munchora", QSysInfo::machineHostName(), QSysInfo::machineUniqueId(),
                                     QSysInfo::bootUniqueId()));
    case Leftover::ReadOnlyCopyGone:
        return makeLeftover(Leftover::CopyGone, path) && QFile::setPermissions(path, QFileDevice::ReadOwner);
    case Leftover::EarlierBoot:
        return writeFile(path,
                         lockContent(QCoreApplication::applicationPid(),
                                     QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                                     QSysInfo::machineHostName(), QSysInfo::machineUniqueId(),
                                     "00000000-0000-0000-0000-000000000000"));
    case Leftover::PidOfAnotherProgram:
        return writeFile(path,
                         lockContent(QCoreApplication::applicationPid(), "munchora", QSysInfo::machineHostName(),
                                     QSysInfo::machineUniqueId(), QSysInfo::bootUniqueId()));
    case Leftover::OtherUser:
        // A live copy's lock, but not this user's (a shared temporary folder).
        return writeFile(path, liveLockContent()) && ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
    case Leftover::LiveCopy: return writeFile(path, liveLockContent());
    }
    return false;
}

// Records what the start-up logs; everything else goes where it went.
struct StartupLog
{
    StartupLog() { previous = qInstallMessageHandler(&StartupLog::handle); }
    ~StartupLog() { qInstallMessageHandler(previous); }
    bool mentions(const QString& text) const
    {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(text); });
    }

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && QByteArray(context.category) == "munchora.startup")
            lines.append(message);
        else
            previous(type, context, message);
    }
    static inline QtMessageHandler previous = nullptr;
    static inline QStringList lines;
};

// A user of its own: settings, runtime folder (where the lock lives) and temporary files,
// so the test touches neither the real user's files nor the lock of a copy really running.
struct PrivateUser
{
    PrivateUser()
    {
        for (const char* sub : {"home", "config", "tmp"})
            QDir(dir.path()).mkpath(sub);
        QDir(dir.path()).mkpath("run");
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString runtime() const { return dir.path() + "/run"; }
    QString lock() const { return runtime() + "/munchora.lock"; }
    QString fallbackLock() const { return dir.path() + "/tmp/munchora-" + QString::number(::geteuid()) + ".lock"; }
    QString settings() const { return dir.path() + "/config/ImpostazioniProgrammiZerlino"; }

    void prepare(QProcess& process) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", dir.path() + "/home");
        env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        env.insert("XDG_RUNTIME_DIR", runtime());
        env.insert("TMPDIR", dir.path() + "/tmp");
        env.remove("QT_LOGGING_RULES");
        process.setProcessEnvironment(env);
    }

    // Runs the probe to its end; its report, or why it failed. Its log goes to 'log'.
    QString runProbe(QString* log = nullptr) const
    {
        QProcess probe;
        prepare(probe);
        probe.start(buildDir() + "/tests/single_copy_probe");
        if (!probe.waitForFinished(15000)) {
            probe.kill();
            probe.waitForFinished();
            return "probe did not end by itself";
        }
        if (log)
            *log = QString::fromUtf8(probe.readAllStandardError());
        return QString::fromUtf8(probe.readAllStandardOutput());
    }

    QTemporaryDir dir;
};

} // namespace

Q_DECLARE_METATYPE(Leftover)

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
            QCOMPARE(first.lockPath(), path);
            SingleCopy second(path);
            QCOMPARE(second.acquire(), SingleCopy::Outcome::AnotherCopyRuns);
            QVERIFY(second.lockPath().isEmpty());
        }
        QVERIFY(!QFile::exists(path)); // released when the copy ends
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                 QStringList{}); // nor is the turn-taking file left behind

        // A lock file without an owner (its copy killed while writing it) does not stick.
        StartupLog log;
        QVERIFY(writeFile(path, QByteArray()));
        SingleCopy next(path);
        QCOMPARE(next.acquire(), SingleCopy::Outcome::Acquired);
        QVERIFY(log.mentions("does not name its owner; removed it"));

        // No place for a lock at all: the program starts anyway.
        QVERIFY(writeFile(dir.path() + "/file", QByteArray()));
        SingleCopy nowhere(dir.path() + "/file/munchora.lock", dir.path() + "/file/munchora-2.lock");
        QCOMPARE(nowhere.acquire(), SingleCopy::Outcome::Unavailable);
        QVERIFY(nowhere.lockPath().isEmpty());
        QVERIFY(log.mentions("cannot take the single-copy lock at"));
    }

    void onlyALiveCopyKeepsTheNextOut_data()
    {
        QTest::addColumn<Leftover>("leftover");
        QTest::addColumn<bool>("logged");
        QTest::addColumn<bool>("elsewhere"); // the leftover stays; the lock goes to the second place
        QTest::newRow("empty folder") << Leftover::EmptyFolder << true << false;
        QTest::newRow("dangling link") << Leftover::DanglingLink << true << false;
        QTest::newRow("unreadable file") << Leftover::Unreadable << true << false;
        QTest::newRow("no lock content") << Leftover::Garbage << true << false;
        QTest::newRow("another machine's lock") << Leftover::OtherMachine << true << false;
        QTest::newRow("lock from before a restart") << Leftover::EarlierBoot << false << false;
        QTest::newRow("process id now another program's") << Leftover::PidOfAnotherProgram << false << false;
        QTest::newRow("copy gone") << Leftover::CopyGone << false << false;
        QTest::newRow("copy gone, read-only file") << Leftover::ReadOnlyCopyGone << false << false;
        QTest::newRow("another user's live copy") << Leftover::OtherUser << true << true;
    }

    void onlyALiveCopyKeepsTheNextOut()
    {
        QFETCH(Leftover, leftover);
        QFETCH(bool, logged);
        QFETCH(bool, elsewhere);
        if (leftover == Leftover::OtherUser && ::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        QTemporaryDir dir;
        const QString path = dir.path() + "/munchora.lock";
        const QString fallback = dir.path() + "/elsewhere/munchora.lock";
        QVERIFY(makeLeftover(leftover, path));
        StartupLog log;
        {
            SingleCopy copy(path, fallback);
            QCOMPARE(copy.acquire(), SingleCopy::Outcome::Acquired);
            // Cleared and taken in its own place, or left to its owner.
            QCOMPARE(copy.lockPath(), elsewhere ? fallback : path);
            // Some leftovers QLockFile clears by itself, quietly; what the program clears it says.
            if (logged)
                QVERIFY2(log.mentions(path), qPrintable(log.lines.join('\n')));

            SingleCopy second(path, fallback);
            QCOMPARE(second.acquire(), SingleCopy::Outcome::AnotherCopyRuns);
        }
        QCOMPARE(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), elsewhere);
        QVERIFY(!QFile::exists(fallback));
    }

    void theLockOfALiveCopyIsRecognisedAsSuch()
    {
        // The content the leftovers above vary, unchanged: this process, on this machine.
        QTemporaryDir dir;
        const QString path = dir.path() + "/munchora.lock";
        QVERIFY(makeLeftover(Leftover::LiveCopy, path));
        SingleCopy copy(path, dir.path() + "/elsewhere.lock");
        QCOMPARE(copy.acquire(), SingleCopy::Outcome::AnotherCopyRuns);
        QCOMPARE(QFile(path).size(), liveLockContent().size()); // left as it was
        QVERIFY(!QFile::exists(dir.path() + "/elsewhere.lock"));
    }

    void aFolderWithFilesIsKeptAndTheLockGoesElsewhere()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/munchora.lock";
        const QString fallback = dir.path() + "/tmp/munchora-1.lock";
        QVERIFY(makeLeftover(Leftover::FolderWithFiles, path));
        StartupLog log;
        {
            SingleCopy first(path, fallback);
            QCOMPARE(first.acquire(), SingleCopy::Outcome::Acquired);
            QCOMPARE(first.lockPath(), fallback);
            QVERIFY(log.mentions("is a folder; cannot remove it"));
            QVERIFY(QFile::exists(path + "/notes.txt"));

            // The copy at the second place still keeps the next one out...
            SingleCopy second(path, fallback);
            QCOMPARE(second.acquire(), SingleCopy::Outcome::AnotherCopyRuns);
            // ...also once the first place is free again.
            QVERIFY(QDir(path).removeRecursively());
            SingleCopy third(path, fallback);
            QCOMPARE(third.acquire(), SingleCopy::Outcome::AnotherCopyRuns);
            QVERIFY(!QFile::exists(path));
        }
        QVERIFY(!QFile::exists(fallback));
    }

    void aLockStillHeldIsNeverPulledAway()
    {
        // Another machine's copy sharing the folder holds its file's own lock: the file stays
        // and this copy locks elsewhere.
        QTemporaryDir dir;
        const QString path = dir.path() + "/munchora.lock";
        QVERIFY(makeLeftover(Leftover::OtherMachine, path));
        const int held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX | LOCK_NB), 0);
        StartupLog log;
        SingleCopy copy(path, dir.path() + "/elsewhere.lock");
        QCOMPARE(copy.acquire(), SingleCopy::Outcome::Acquired);
        QCOMPARE(copy.lockPath(), dir.path() + "/elsewhere.lock");
        QVERIFY(log.mentions("a running program still holds it"));
        QCOMPARE(QFile(path).size(), otherMachineLockContent().size());
        ::close(held);
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

        QCOMPARE(user.runProbe(), secondCopyStopped);
        QCOMPARE(program.state(), QProcess::Running); // the running copy is left alone, but in front
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += program.readAllStandardError()).contains("comes to the front and says so"),
                                 10000);

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

    void aCopyThatTakesNoCallStillStopsTheSecond()
    {
        // This test program stands for a copy that runs but has no socket (a copy of an
        // older version, say).
        PrivateUser user;
        QVERIFY(makeLeftover(Leftover::LiveCopy, user.lock()));
        QCOMPARE(user.runProbe(), secondCopyStoppedAlone);
    }

    void realStartDespiteALeftover_data()
    {
        QTest::addColumn<Leftover>("leftover");
        QTest::newRow("folder") << Leftover::EmptyFolder;
        QTest::newRow("folder with files") << Leftover::FolderWithFiles;
        QTest::newRow("unreadable lock") << Leftover::Unreadable;
        QTest::newRow("lock naming another machine") << Leftover::OtherMachine;
    }

    void realStartDespiteALeftover()
    {
        QFETCH(Leftover, leftover);
        PrivateUser user;
        QVERIFY(makeLeftover(leftover, user.lock()));
        QString log;
        QCOMPARE(user.runProbe(&log), windowShown); // no box, the window comes up
        QVERIFY2(log.contains("munchora.startup: single-copy lock \"" + user.lock()), qPrintable(log));
        if (leftover == Leftover::FolderWithFiles) {
            QVERIFY(QFile::exists(user.lock() + "/notes.txt")); // someone's files are kept
        } else {
            QVERIFY(!QFileInfo(user.lock()).exists()); // cleared, then released at the end
        }
        QVERIFY(!QFile::exists(user.fallbackLock()));
    }

    void realCopyLockedElsewhereStillStopsTheSecond()
    {
        PrivateUser user;
        QVERIFY(makeLeftover(Leftover::FolderWithFiles, user.lock()));
        QProcess program;
        user.prepare(program);
        program.start(buildDir() + "/munchora");
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(user.fallbackLock()) && QFile(user.fallbackLock()).size() > 0, 10000);

        QCOMPARE(user.runProbe(), secondCopyStopped);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        QVERIFY(program.waitForFinished());
    }
};

MUNCHORA_TEST(TestSingleCopy)
#include "test_single_copy.moc"
