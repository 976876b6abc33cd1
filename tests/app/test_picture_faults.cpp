// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures that are not what they should be: gone, not a picture, cut short, huge, or a fifo.
// Every screen still opens and shows a card with the word; nothing blocks.

#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "home/screen_catalogue.h"
#include "home/splash.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "widgets/pictures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTest>

#include <sys/stat.h>

namespace {

QString pictureFile(const ScreenRig& rig, const QString& word)
{
    return rig.folders.program() + QStringLiteral("/jpg/") + word + QStringLiteral(".jpg");
}

// Puts something else in a picture's place.
void replace(const ScreenRig& rig, const QString& word, const QByteArray& bytes)
{
    const QString path = pictureFile(rig, word);
    QFile::remove(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray realJpeg(const QString& word)
{
    QFile file(qEnvironmentVariable("MUNCHORA_SOURCE_DIR") + QStringLiteral("/assets/jpg/") + word
               + QStringLiteral(".jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPictureFaults : public QObject
{
    Q_OBJECT
private slots:
    void withNoPicturesEveryScreenShowsItsWordsOnCards()
    {
        ScreenRig rig;
        QVERIFY(QDir(rig.folders.program() + QStringLiteral("/jpg")).removeRecursively());
        PictureLoader::instance().clearCache();
        rig.random.push({ScriptedRandom::word(20)});
        rig.window.showScreen(newFormAvvio());
        auto* splash = qobject_cast<FormAvvio*>(rig.window.currentScreen());
        QVERIFY(splash);
        QVERIFY(!splash->Image1[0]->hasPicture());
        QCOMPARE(splash->Image1[0]->word(), QStringLiteral("ice cream"));
        QCOMPARE(splash->Image1[0]->accessibleName(), QStringLiteral("ice cream"));
        splash->grab(); // painted as cards
        for (const ScreenEntry& row : screenCatalogue()) {
            rig.window.showScreen(row.make());
            flushDeletes();
            QVERIFY2(rig.window.currentScreen(), qPrintable(row.caption));
            rig.window.currentScreen()->grab();
        }
    }

    void brokenHugeAndSpecialFilesNeitherBlockNorCostMuch()
    {
        ScreenRig rig;
        replace(rig, QStringLiteral("beer"), QByteArray("this is not a picture"));
        replace(rig, QStringLiteral("cake"), realJpeg(QStringLiteral("cake")).left(700));
        const QString fifo = pictureFile(rig, QStringLiteral("milk"));
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile::remove(pictureFile(rig, QStringLiteral("ham")));
        QVERIFY(QDir().mkpath(pictureFile(rig, QStringLiteral("ham")))); // a folder in a picture's place
        {
            QImage huge(4000, 3000, QImage::Format_RGB32);
            huge.fill(QColor(0xff, 0xd5, 0x4f));
            QFile::remove(pictureFile(rig, QStringLiteral("pear")));
            QVERIFY(huge.save(pictureFile(rig, QStringLiteral("pear")), "JPG", 40));
        }
        PictureLoader& loader = PictureLoader::instance();
        loader.clearCache();

        QElapsedTimer timer;
        timer.start();
        QVERIFY(loader.picture(QStringLiteral("beer")).isNull());
        QVERIFY(loader.picture(QStringLiteral("milk")).isNull()); // a fifo: never opened
        QVERIFY(loader.picture(QStringLiteral("ham")).isNull());
        (void)loader.picture(QStringLiteral("cake")); // cut short: whatever it gives, it gives it
        QVERIFY(timer.elapsed() < 5000);

        const QImage pear = loader.picture(QStringLiteral("pear"));
        QCOMPARE(pear.size(), QSize(1024, 768)); // kept at the size it can be shown, not 4000 x 3000
        QVERIFY(!loader.picture(QStringLiteral("apple")).isNull());

        // A screen with such pictures still opens and shows its cards.
        rig.random.push({ScriptedRandom::word(27), ScriptedRandom::word(2), ScriptedRandom::word(13)});
        rig.window.showScreen(newFormAvvio());
        auto* splash = qobject_cast<FormAvvio*>(rig.window.currentScreen());
        QVERIFY(splash);
        QCOMPARE(splash->Image1[0]->word(), QStringLiteral("milk"));
        QVERIFY(!splash->Image1[0]->hasPicture());
        splash->grab();
    }
};

MUNCHORA_TEST(TestPictureFaults)
#include "test_picture_faults.moc"
