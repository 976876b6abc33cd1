// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/environment_override.h"
#include "helpers/fakes.h"
#include "helpers/test_registry.h"
#include "settings/modulo1.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Modulo1;

namespace {

bool put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// System configuration folders of the test's own, named in XDG_CONFIG_DIRS for its lifetime.
class SystemFolders
{
public:
    explicit SystemFolders(int count = 1)
    {
        QStringList list;
        for (int i = 0; i < count; ++i) {
            QDir(dir_.path()).mkpath(QString::number(i));
            list << folder(i);
        }
        use(list.join(QLatin1Char(':')));
    }
    void use(const QString& value) { variable_.set(value); }
    QString folder(int i) const { return dir_.path() + QLatin1Char('/') + QString::number(i); }
    QString preset(int i = 0) const { return folder(i) + "/ImpostazioniProgrammiZerlino/programmiinglese.ini"; }

private:
    QTemporaryDir dir_;
    EnvironmentOverride variable_{"XDG_CONFIG_DIRS", QString()};
};

void readAfresh()
{
    Voce = 9;
    Velocita = 99;
    LeggiImpostazioni();
}

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetSharedState(); }

    void presetServesUntilThePupilSaves()
    {
        TempFolders folders;
        SystemFolders system;
        QVERIFY(CreaCartellaImpostazioni());
        const QByteArray preset = " 2 \r\n 170 \r\n";
        QVERIFY(put(system.preset(), preset));
        QVERIFY(QFile::setPermissions(system.preset(), QFileDevice::ReadOwner | QFileDevice::ReadOther));

        readAfresh();
        QCOMPARE(Voce, qint16(2));
        QCOMPARE(Velocita, qint16(170));
        QVERIFY(!QFile::exists(FileImpostazioni)); // reading the preset makes no file of the pupil's

        // The pupil's choice goes to their own file; the preset stays as the teacher wrote it.
        Voce = 3;
        Velocita = 120;
        QVERIFY(SalvaImpostazioni());
        QCOMPARE(contents(FileImpostazioni), QByteArray(" 3 \r\n 120 \r\n"));
        QCOMPARE(contents(system.preset()), preset);
        readAfresh();
        QCOMPARE(Voce, qint16(3));
        QCOMPARE(Velocita, qint16(120));

        // Deleting the own file, as the read-me advises, brings the classroom's settings back.
        QVERIFY(QFile::remove(FileImpostazioni));
        readAfresh();
        QCOMPARE(Voce, qint16(2));
        QCOMPARE(Velocita, qint16(170));
    }

    void aBadOwnFileIsNotReplacedByThePreset()
    {
        TempFolders folders;
        SystemFolders system;
        QVERIFY(CreaCartellaImpostazioni());
        QVERIFY(put(system.preset(), " 2 \r\n 170 \r\n"));

        QVERIFY(put(FileImpostazioni, "voce=3\r\n"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("programmiinglese.ini.? does not hold two numbers"));
        readAfresh();
        QCOMPARE(Voce, DefaultVoce);
        QCOMPARE(Velocita, DefaultVelocita);

        // Nor is something that is no file at all in the own file's place.
        QVERIFY(QFile::remove(FileImpostazioni));
        QVERIFY(QDir().mkpath(FileImpostazioni));
        readAfresh();
        QCOMPARE(Voce, DefaultVoce);
        QCOMPARE(Velocita, DefaultVelocita);
    }

    void badPresetGivesTheDefaults_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << "text";
        QTest::newRow("folder") << "folder";
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("dangling link") << "link";
        QTest::newRow("huge, numbers cut by the read limit") << "huge";
    }

    void badPresetGivesTheDefaults()
    {
        QFETCH(QString, kind);
        TempFolders folders;
        SystemFolders system(2);
        QVERIFY(CreaCartellaImpostazioni());
        // A good preset further down the list must not stand in for the broken first one.
        QVERIFY(put(system.preset(1), " 2 \r\n 170 \r\n"));

        const QString path = system.preset(0);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (kind == "text") {
            QVERIFY(put(path, "voce=2\r\nvelocita=170\r\n"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not hold two numbers"));
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == "fifo") {
            // Opening a fifo would wait for a writer forever: it must not even be opened.
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else if (kind == "link") {
            QVERIFY(QFile::link(path + ".gone", path));
        } else if (kind == "huge") {
            QVERIFY(put(path, QByteArray(int(SettingsFile::ReadLimit) - 2, ' ') + "12345 170\r\n"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not hold two numbers"));
        }

        readAfresh();
        QCOMPARE(Voce, DefaultVoce);
        QCOMPARE(Velocita, DefaultVelocita);
        QVERIFY(!QFile::exists(FileImpostazioni));
    }

    void firstSystemFolderWithAPresetWins()
    {
        TempFolders folders;
        SystemFolders system(3);
        QVERIFY(CreaCartellaImpostazioni());
        QVERIFY(put(system.preset(1), " 4 \r\n 150 \r\n"));
        QVERIFY(put(system.preset(2), " 5 \r\n 180 \r\n"));

        // The first folder has none: the second's is taken, not the third's.
        readAfresh();
        QCOMPARE(Voce, qint16(4));
        QCOMPARE(Velocita, qint16(150));

        QVERIFY(put(system.preset(0), " 6 \r\n 100 \r\n"));
        readAfresh();
        QCOMPARE(Voce, qint16(6));
        QCOMPARE(Velocita, qint16(100));

        // Empty and relative entries are passed over; a trailing slash is no obstacle.
        const QString relative = QDir::current().relativeFilePath(system.folder(0));
        system.use("::" + relative + ":" + system.folder(2) + "/:" + system.folder(1));
        QCOMPARE(SettingsFile::presetPath(), QDir::cleanPath(system.preset(2)));
        readAfresh();
        QCOMPARE(Voce, qint16(5));
        QCOMPARE(Velocita, qint16(180));

        // No preset anywhere: the defaults.
        system.use(system.folder(0) + "/nothing-here");
        QVERIFY(SettingsFile::presetPath().isEmpty());
        readAfresh();
        QCOMPARE(Voce, DefaultVoce);
        QCOMPARE(Velocita, DefaultVelocita);
    }

    // A teacher's machine: a classroom preset, and the user's own settings. The tests that
    // start the real program must not notice either.
    void theTestsStartTheProgramApartFromTheMachinesSettings()
    {
        QTemporaryDir machine;
        QVERIFY(put(machine.path() + "/etc/xdg/ImpostazioniProgrammiZerlino/programmiinglese.ini", " 2 \r\n 150 \r\n"));
        QVERIFY(
            put(machine.path() + "/home/.config/ImpostazioniProgrammiZerlino/programmiinglese.ini", " 3 \r\n 90 \r\n"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_DIRS", machine.path() + "/etc/xdg");
        env.insert("HOME", machine.path() + "/home");
        env.remove("XDG_CONFIG_HOME");
        QProcess tests;
        tests.setProcessEnvironment(env);
        tests.setProcessChannelMode(QProcess::MergedChannels);
        for (const QStringList& run : {QStringList{"-class", "TestSettingsFaults", "realStartWithAnOddConfigHome"},
                                       QStringList{"-class", "TestSingleCopy", "realStartDespiteALeftover"}}) {
            tests.start(QCoreApplication::applicationFilePath(), run);
            QVERIFY(tests.waitForFinished(120000));
            const QString out = QString::fromUtf8(tests.readAll());
            QVERIFY2(tests.exitStatus() == QProcess::NormalExit && tests.exitCode() == 0, qPrintable(out));
            QVERIFY2(out.contains(" 0 failed, 0 skipped"), qPrintable(out));
        }
        QCOMPARE(contents(machine.path() + "/home/.config/ImpostazioniProgrammiZerlino/programmiinglese.ini"),
                 QByteArray(" 3 \r\n 90 \r\n"));
    }
};

MUNCHORA_TEST(TestPresets)
#include "test_presets.moc"
