// SPDX-License-Identifier: GPL-3.0-or-later
// Speech kept for the next time: a text is made once, an entry that is not whole is never
// played, a shared folder is only read, the own folder keeps its bound, and a cache that cannot
// be written costs nothing but time. The service runs on the real engines with a counting
// stand-in in front of them, silently.

#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "speech/engine_speech_service.h"
#include "speech/speech_cache.h"
#include "speech/speech_engines.h"
#include "speech/speech_journal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

using namespace speech;
using namespace speech_tests;

namespace {

const CatalogueVoice& sally()
{
    return voiceCatalogue()[0];
}

// The real service, silent, in front of a synthesis that counts what it is asked to make.
struct CountingService
{
    explicit CountingService(SpeechCache::Folders folders)
    {
        EngineServiceOptions options;
        options.audio = false;
        options.warmUp = false;
        options.cache = std::move(folders);
        options.synthesizer = [made = made](const CatalogueVoice& voice, int velocita, const QString& text,
                                            const PcmChunk& chunk) {
            made->fetch_add(1);
            return synthesize(voice, velocita, text, chunk);
        };
        service = std::make_unique<EngineSpeechService>(options);
        mouth = service->openChannel(QStringLiteral("Form2"));
    }

    // Says text to its end; false when it never ends.
    bool say(const QString& text)
    {
        mouth->speak(text);
        return pollUntilSilent(*mouth, 20000) >= 0;
    }

    std::shared_ptr<std::atomic<int>> made = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<EngineSpeechService> service;
    std::unique_ptr<SpeechChannel> mouth;
};

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestSpeechCache : public QObject
{
    Q_OBJECT
private slots:
    void aTextIsMadeOnceAndReadBackInTheNextRun()
    {
        QTemporaryDir dir;
        const QString own = dir.filePath("own");
        {
            CountingService run({.own = own});
            QVERIFY(run.say("apple"));
            QVERIFY(run.say("apple"));
            QCOMPARE(run.made->load(), 1);
        }
        QCOMPARE(entries(own).size(), 1);
        CountingService next({.own = own});
        QVERIFY(next.say("apple"));
        QCOMPARE(next.made->load(), 0);
        // Another speed is another sound.
        next.mouth->setRate(100);
        QVERIFY(next.say("apple"));
        QCOMPARE(next.made->load(), 1);
    }

    void anEntryThatIsNotWholeIsMadeAgainAndReplaced_data()
    {
        QTest::addColumn<QString>("damage");
        for (const char* damage : {"truncated", "a byte changed", "another engine version", "empty", "a folder"})
            QTest::newRow(damage) << QString::fromLatin1(damage);
    }

    void anEntryThatIsNotWholeIsMadeAgainAndReplaced()
    {
        QFETCH(QString, damage);
        QTemporaryDir dir;
        const QByteArray key = SpeechCache::keyFor(sally(), 135, "pear");
        const QString path = SpeechCache::entryPath(dir.path(), key);
        const Pcm pcm = synthesizeAll(sally(), 135, "pear");
        QVERIFY(SpeechCache::writeEntry(path, key, pcm.samples));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        if (damage == "truncated") {
            bytes.chop(2);
        } else if (damage == "a byte changed") {
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x10);
        } else if (damage == "another engine version") {
            QByteArray other = key;
            other.replace("flite ", "flite 0.9 ");
            file.close();
            QVERIFY(SpeechCache::writeEntry(path, other, pcm.samples));
            QVERIFY(file.open(QIODevice::ReadWrite));
            bytes = file.readAll();
        } else {
            bytes.clear();
        }
        file.resize(0);
        file.write(bytes);
        file.close();
        if (damage == "a folder")
            QVERIFY(QFile::remove(path) && QDir().mkpath(path));

        std::vector<int16_t> read;
        QVERIFY(!SpeechCache::readEntry(path, key, read));
        CountingService run({.own = dir.path()});
        QVERIFY(run.say("pear"));
        QCOMPARE(run.made->load(), 1); // made again, not played
        if (damage != "a folder") {
            QVERIFY(SpeechCache::readEntry(path, key, read));
            QVERIFY(!read.empty());
        }
    }

    void aSharedFolderIsReadAndNeverWritten()
    {
        QTemporaryDir dir;
        const QString shared = dir.filePath("shared"), own = dir.filePath("own");
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), 0755) == 0);
        const QByteArray key = SpeechCache::keyFor(sally(), 135, "cheese");
        QVERIFY(SpeechCache::writeEntry(SpeechCache::entryPath(shared, key), key,
                                        synthesizeAll(sally(), 135, "cheese").samples));
        QVERIFY(::chmod(QFile::encodeName(SpeechCache::entryPath(shared, key)).constData(), 0644) == 0);
        const QStringList before = entries(shared);
        const QDateTime written = QFileInfo(SpeechCache::entryPath(shared, key)).lastModified();

        CountingService run({.own = own, .shared = {shared}});
        QVERIFY(run.say("cheese"));
        QCOMPARE(run.made->load(), 0);
        QVERIFY(run.say("milk"));
        QCOMPARE(run.made->load(), 1);
        QCOMPARE(entries(shared), before);
        QCOMPARE(QFileInfo(SpeechCache::entryPath(shared, key)).lastModified(), written);
        QCOMPARE(entries(own).size(), 1); // milk only
    }

    // What one pupil could plant in a shared folder, every pupil would hear: only a folder and
    // entries of root or of this user that nobody else may write are read.
    void aSharedFolderOthersCouldWriteIsNotRead_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("entryMode");
        QTest::addColumn<bool>("otherOwner");
        QTest::addColumn<int>("aboveMode");
        QTest::addColumn<bool>("read");
        // aboveMode is the folder holding the shared one; higher up, the tests' own temporary
        // folder is sticky, as /tmp.
        QTest::newRow("mine, 0755") << 0755 << 0644 << false << 0700 << true;
        QTest::newRow("group may write the folder") << 0775 << 0644 << false << 0700 << false;
        QTest::newRow("anyone may write the folder") << 0777 << 0644 << false << 0700 << false;
        QTest::newRow("sticky, as /tmp") << 01777 << 0644 << false << 0700 << false;
        QTest::newRow("group may write the entry") << 0755 << 0664 << false << 0700 << false;
        QTest::newRow("another user's folder") << 0755 << 0644 << true << 0700 << false;
        QTest::newRow("anyone may write a folder above") << 0755 << 0644 << false << 0777 << false;
        QTest::newRow("a sticky folder above, as /tmp") << 0755 << 0644 << false << 01777 << true;
    }

    void aSharedFolderOthersCouldWriteIsNotRead()
    {
        QFETCH(int, folderMode);
        QFETCH(int, entryMode);
        QFETCH(bool, otherOwner);
        QFETCH(int, aboveMode);
        QFETCH(bool, read);
        if (otherOwner && ::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        QTemporaryDir dir;
        const QString shared = dir.filePath("shared");
        QVERIFY(QDir().mkpath(shared));
        const QByteArray key = SpeechCache::keyFor(sally(), 135, "cheese");
        const QString entry = SpeechCache::entryPath(shared, key);
        QVERIFY(SpeechCache::writeEntry(entry, key, synthesizeAll(sally(), 135, "cheese").samples));
        QVERIFY(::chmod(QFile::encodeName(entry).constData(), mode_t(entryMode)) == 0);
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), mode_t(folderMode)) == 0);
        if (otherOwner)
            QVERIFY(::chown(QFile::encodeName(shared).constData(), 65534, 65534) == 0); // nobody
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), mode_t(aboveMode)) == 0);

        CountingService run({.own = dir.filePath("own"), .shared = {shared}});
        QVERIFY(run.say("cheese"));
        QCOMPARE(run.made->load(), read ? 0 : 1);
    }

    void theOwnFolderKeepsItsBoundAndTheNewest()
    {
        QTemporaryDir dir;
        SpeechCache cache({.own = dir.path(), .ownLimit = 100000});
        const std::vector<int16_t> samples(10000, 7); // 20 kB an entry
        QByteArray last;
        for (int i = 0; i < 20; ++i) {
            last = "entry " + QByteArray::number(i);
            cache.store(last, samples);
            // The first ten a second apart, as texts said over a lesson; the last ten in one second,
            // which the file times cannot tell apart: the oldest goes by its time, then by the
            // order of writing.
            QFile written(SpeechCache::entryPath(dir.path(), last));
            QVERIFY(written.open(QIODevice::ReadWrite));
            QVERIFY(written.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000 + std::min(i, 10)),
                                        QFileDevice::FileModificationTime));
            qint64 total = 0;
            for (const QFileInfo& entry : QDir(dir.path()).entryInfoList(QDir::Files))
                total += entry.size();
            QVERIFY2(total <= 100000, qPrintable(QString::number(total)));
        }
        std::vector<int16_t> read;
        QVERIFY(SpeechCache::readEntry(SpeechCache::entryPath(dir.path(), last), last, read));
        for (int i = 0; i < 20; ++i)
            QCOMPARE(QFileInfo::exists(SpeechCache::entryPath(dir.path(), "entry " + QByteArray::number(i))), i >= 16);
    }

    void speechGoesOnWhenTheCacheCannotBeWritten_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("a folder that cannot be made") << false;
        QTest::newRow("a full disk") << true;
    }

    void speechGoesOnWhenTheCacheCannotBeWritten()
    {
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        const QString own = fullDisk ? dir.filePath("own") : QStringLiteral("/dev/null/speech");
        std::unique_ptr<FileSizeLimit> limit;
        if (fullDisk)
            limit = std::make_unique<FileSizeLimit>(1000); // every entry is larger
        CountingService run({.own = own});
        QVERIFY(run.say("bread"));
        QVERIFY(run.say("water"));
        QVERIFY(run.say("bread"));
        QCOMPARE(run.made->load(), 2); // the memory still keeps what was said
        QVERIFY(entries(own).isEmpty());
    }
};

MUNCHORA_TEST(TestSpeechCache)
#include "test_speech_cache.moc"
