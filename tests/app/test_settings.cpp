// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/fakes.h"
#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "home/program_boxes.h"
#include "settings/modulo1.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Modulo1;

namespace {

// Written out here rather than taken from the code, so a slip in either shows.
const QByteArray expectedReadme =
    "Questa cartella contiene i files di impostazione dei programmi presenti nel sito "
    "munchora.example.org.\r\n"
    " \r\n"
    "Se qualche programma presenta problemi di funzionamento pu\xF2 essere utile cancellare il "
    "file *.ini relativo al programma in quata cartella.\r\n"
    " \r\n"
    "Non cancellare questo file.\r\n";

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void scrambleSettings()
{
    Voce = 9;
    Velocita = 99;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetSharedState(); }

    void firstStartMakesFolderAndReadmeOnly()
    {
        TempFolders folders;
        QVERIFY(!QDir(folders.settings()).exists());
        QVERIFY(CreaCartellaImpostazioni());
        QCOMPARE(contents(folders.settings() + "/leggimi.txt"), expectedReadme);
        scrambleSettings();
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(1));
        QCOMPARE(Velocita, qint16(135));
        QCOMPARE(entries(folders.settings()), QStringList{"leggimi.txt"});

        // Read-me deleted, folder and settings kept: the read-me comes back, settings untouched.
        QVERIFY(put(FileImpostazioni, " 3 \r\n 150 \r\n"));
        QVERIFY(QFile::remove(folders.settings() + "/leggimi.txt"));
        QVERIFY(CreaCartellaImpostazioni());
        QCOMPARE(contents(folders.settings() + "/leggimi.txt"), expectedReadme);
        QCOMPARE(contents(FileImpostazioni), QByteArray(" 3 \r\n 150 \r\n"));
    }

    void readsAndWritesTheFileFormat()
    {
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());
        const QList<QByteArray> threeAndOneFifty{" 3 \r\n 150 \r\n", "3\r\n150\r\n", "3\n150",
                                                 "\r\n  3   150  \r\n\r\n", " 3 \r\n 150 \r\n 7 \r\n"};
        for (const QByteArray& file : threeAndOneFifty) {
            QVERIFY(put(FileImpostazioni, file));
            scrambleSettings();
            LeggiImpostazioni();
            QVERIFY2(Voce == 3 && Velocita == 150, file.toHex().constData());
        }

        Voce = 2;
        Velocita = 90;
        QVERIFY(SalvaImpostazioni());
        QCOMPARE(contents(FileImpostazioni), QByteArray(" 2 \r\n 90 \r\n"));
        scrambleSettings();
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(2));
        QCOMPARE(Velocita, qint16(90));

        // Values are kept as they are, the whole 16-bit range, a minus in the sign's place.
        Voce = -32768;
        Velocita = 32767;
        QVERIFY(SalvaImpostazioni());
        QCOMPARE(contents(FileImpostazioni), QByteArray("-32768 \r\n 32767 \r\n"));
        scrambleSettings();
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(-32768));
        QCOMPARE(Velocita, qint16(32767));
        QCOMPARE(entries(folders.settings()), (QStringList{"leggimi.txt", "programmiinglese.ini"}));
    }

    void hostileFilesGiveTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("text") << QByteArray("voce=3\r\nvelocita=150\r\n");
        QTest::newRow("out of range") << QByteArray(" 40000 \r\n 135 \r\n");
        QTest::newRow("second out of range") << QByteArray(" 3 \r\n -40000 \r\n");
        QTest::newRow("huge number") << QByteArray("99999999999999999999999999 1\r\n");
        QTest::newRow("truncated") << QByteArray("3");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("number glued to text") << QByteArray("3x\r\n150\r\n");
        QTest::newRow("lone sign") << QByteArray("- 3\r\n150\r\n");
        QTest::newRow("binary") << QByteArray("\x00\xff\x13\x80 3 \r\n", 8);
    }

    void hostileFilesGiveTheDefaults()
    {
        QFETCH(QByteArray, file);
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());
        QVERIFY(put(FileImpostazioni, file));
        scrambleSettings();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not hold two numbers"));
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(1));
        QCOMPARE(Velocita, qint16(135));
        QCOMPARE(contents(FileImpostazioni), file); // reading never repairs or deletes
    }

    void oddPlacesForTheFile()
    {
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());

        // A very large file is not read whole: the first numbers count, quickly.
        {
            QFile file(FileImpostazioni);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(" 3 \r\n 150 \r\n");
            QVERIFY(file.resize(qint64(6) << 30)); // 6 GB, sparse
        }
        QElapsedTimer clock;
        clock.start();
        scrambleSettings();
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(3));
        QCOMPARE(Velocita, qint16(150));
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(QFile::remove(FileImpostazioni));

        // A folder named like the file is no settings file, and saving cannot replace it.
        QVERIFY(QDir().mkpath(FileImpostazioni + "/inside"));
        QVERIFY(!EsisteFile(FileImpostazioni));
        scrambleSettings();
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(1));
        QCOMPARE(Velocita, qint16(135));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write"));
        QVERIFY(!SalvaImpostazioni());
        QVERIFY(QDir(FileImpostazioni + "/inside").exists());

        // EsisteFile: ordinary, visible files only.
        const QString hidden = folders.settings() + "/.hidden.ini";
        QVERIFY(put(hidden, " 3 \r\n 150 \r\n"));
        QVERIFY(!EsisteFile(hidden));
        QVERIFY(!EsisteFile(folders.settings()));
        QVERIFY(!EsisteFile(folders.settings() + "/missing.ini"));
        QVERIFY(!EsisteFile(QString()));
        QVERIFY(EsisteFile(folders.settings() + "/leggimi.txt"));
    }

    void failedSaveKeepsTheOldFile()
    {
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());
        Voce = 3;
        Velocita = 150;
        QVERIFY(SalvaImpostazioni());

        Voce = 2;
        Velocita = 90;
        {
            // The disk fills up in the middle of the new file.
            FileSizeLimit limit(4);
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write"));
            QVERIFY(!SalvaImpostazioni());
        }
        QCOMPARE(contents(FileImpostazioni), QByteArray(" 3 \r\n 150 \r\n"));
        QCOMPARE(entries(folders.settings()), (QStringList{"leggimi.txt", "programmiinglese.ini"}));
        QCOMPARE(Voce, qint16(2)); // the program goes on with the chosen settings
        QVERIFY(SalvaImpostazioni());
        QCOMPARE(contents(FileImpostazioni), QByteArray(" 2 \r\n 90 \r\n"));
    }

    void unusableFolder()
    {
        TempFolders folders;
        // Something else stands where the folder should be: nothing can be made there.
        QVERIFY(put(folders.settings(), "not a folder"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot create the settings folder"));
        QVERIFY(!CreaCartellaImpostazioni());
        scrambleSettings();
        LeggiImpostazioni();
        QCOMPARE(Voce, qint16(1));
        QCOMPARE(Velocita, qint16(135));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot create the settings folder"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write"));
        QVERIFY(!SalvaImpostazioni());
        QCOMPARE(contents(folders.settings()), QByteArray("not a folder"));
    }

    void saveRecreatesAVanishedFolder()
    {
        TempFolders folders;
        QVERIFY(CreaCartellaImpostazioni());
        QVERIFY(QDir(folders.settings()).removeRecursively());
        Voce = 4;
        Velocita = 160;
        QVERIFY(SalvaImpostazioni());
        QCOMPARE(contents(FileImpostazioni), QByteArray(" 4 \r\n 160 \r\n"));
        QCOMPARE(contents(folders.settings() + "/leggimi.txt"), expectedReadme);
    }

    void creditsBox()
    {
        ScriptedDialogs dialogs;
        MostraCrediti(nullptr);
        QCOMPARE(dialogs.shown.size(), 1);
        const ScriptedDialogs::Box box = dialogs.shown.first();
        QCOMPARE(box.title, QStringLiteral("munchora"));
        QCOMPARE(box.icon, BoxIcon::Information);
        QCOMPARE(box.buttons, BoxButtons::Ok);
        const QStringList lines = box.text.split("\r\n");
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("Munchora team  "));
        QCOMPARE(lines[1], QStringLiteral(" ----------------------- "));
        QCOMPARE(lines[2], QStringLiteral("https://munchora.example.org"));
        QCOMPARE(lines[3], QStringLiteral("mail: munchora@example.org"));
        QVERIFY(lines[4].contains("fluentui-emoji") && lines[4].contains("MIT"));
    }
};

MUNCHORA_TEST(TestSettings)
#include "test_settings.moc"
