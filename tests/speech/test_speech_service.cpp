// SPDX-License-Identifier: GPL-3.0-or-later
// The speech service on the real engines, as the screens use it: queues, stop, several
// mouths, and SpeakingNow polled in a tight loop. The tests run without an audio device, so
// the service keeps its timing on the silent clock.

#include "helpers/environment_override.h"
#include "helpers/test_registry.h"
#include "speech/engine_speech_service.h"
#include "speech/speech_engines.h"
#include "speech/speech_journal.h"
#include "speech/speech_worker.h"
#include "widgets/bocca.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace speech;
using namespace speech_tests;

namespace {

// The tests run with no audio device (the test program points PULSE_SERVER at nothing), so
// they are silent and their timing is the clock's, also on a desktop with a sound server.
// Naming a server (MUNCHORA_TEST_PULSE_SERVER=... test_speech) runs them against it instead.
bool noSoundServer()
{
    return qEnvironmentVariableIsEmpty("MUNCHORA_TEST_PULSE_SERVER");
}

const EngineServiceOptions NoWarmUp{.warmUp = false};
// The real engines with no sound at all: the silent clock keeps the time.
const EngineServiceOptions Silent{.audio = false, .warmUp = false};

} // namespace

class TestSpeechService : public QObject
{
    Q_OBJECT
private slots:
    void speakingLastsAsLongAsTheSpeech()
    {
        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service(NoWarmUp);
        journal.attach(service);
        auto mouth = service.openChannel(QStringLiteral("Form2"));
        QVERIFY(!mouth->speakingNow());

        const QString text = QStringLiteral("welcome. unit 7. munchora");
        const double seconds = synthesizeSpeech(1, 135, text).seconds();
        QVERIFY(seconds > 1.0);
        QElapsedTimer timer;
        timer.start();
        mouth->speak(text);
        QVERIFY(mouth->speakingNow()); // at once, before the worker even saw the text
        const qint64 took = pollUntilSilent(*mouth, 10000);
        QVERIFY2(took >= 0, "still speaking after 10 s");
        QVERIFY2(timer.elapsed() >= qint64(seconds * 1000),
                 qPrintable(QStringLiteral("%1 ms for %2 s of speech").arg(timer.elapsed()).arg(seconds)));
        // A real sound server may take its time to start a new stream (a null sink up to a second).
        QVERIFY2(timer.elapsed() < qint64(seconds * 1000) + (noSoundServer() ? 600 : 1600),
                 qPrintable(QStringLiteral("%1 ms for %2 s of speech").arg(timer.elapsed()).arg(seconds)));
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::Finished).size() == 1; }, 1000));
        if (noSoundServer())
            QVERIFY(!journal.usedSink()); // no audio device: the clock kept the time
    }

    void queuedTextsComeOutInOrder()
    {
        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service(NoWarmUp);
        journal.attach(service);
        auto mouth = service.openChannel(QStringLiteral("Form4"));
        mouth->setVoice(3); // an eSpeak NG voice
        const QStringList texts{QStringLiteral("one"), QStringLiteral("two apples"), QStringLiteral("three")};
        for (const QString& t : texts)
            mouth->speak(t);
        QVERIFY(pollUntilSilent(*mouth, 10000) >= 0);
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::Finished).size() == 3; }, 1000));
        QCOMPARE(journal.texts(EngineSpeechService::Event::FirstAudio), texts);
        // Each starts only after the one before has finished.
        QMutexLocker lock(&journal.mutex);
        QStringList sequence;
        for (const auto& e : journal.entries)
            sequence << (e.event == EngineSpeechService::Event::FirstAudio ? QStringLiteral("start ")
                                                                           : QStringLiteral("end "))
                    + e.text;
        QCOMPARE(
            sequence,
            QStringList({"start one", "end one", "start two apples", "end two apples", "start three", "end three"}));
    }

    void stopDropsTheQueueAtOnce()
    {
        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service(NoWarmUp);
        journal.attach(service);
        auto mouth = service.openChannel(QStringLiteral("Form13"));
        mouth->speak(QStringLiteral("I like chicken and I like chips and I like chocolate"));
        mouth->speak(QStringLiteral("second"));
        mouth->speak(QStringLiteral("third"));
        QVERIFY(waitUntil([&] { return !journal.texts(EngineSpeechService::Event::FirstAudio).isEmpty(); }, 3000));
        QVERIFY(mouth->speakingNow());
        mouth->stop();
        QCOMPARE(pollUntilSilent(*mouth, 0), qint64(0)); // silent the moment stop returns
        QVERIFY(waitUntil([&] { return !journal.texts(EngineSpeechService::Event::Silenced).isEmpty(); }, 1000));
        QThread::msleep(300);
        QCOMPARE(journal.texts(EngineSpeechService::Event::FirstAudio).size(), 1);
        QVERIFY(!mouth->speakingNow());

        // The mouth speaks again after a stop.
        mouth->speak(QStringLiteral("pear"));
        QVERIFY(mouth->speakingNow());
        QVERIFY(pollUntilSilent(*mouth, 5000) >= 0);
        QVERIFY(waitUntil(
            [&] { return journal.texts(EngineSpeechService::Event::Finished).contains(QStringLiteral("pear")); },
            1000));
    }

    void mouthsTakeTurnsInTheOrderGiven()
    {
        // One voice for the program: texts of two mouths given at once are heard one after
        // the other, in the order given across mouths, never over each other.
        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service(Silent);
        journal.attach(service);
        auto exercise = service.openChannel(QStringLiteral("Form15"));
        auto settings = service.openChannel(QStringLiteral("FormImposta"));
        settings->setVoice(3); // the other engine, too
        exercise->speak(QStringLiteral("Tom likes pizza"));
        settings->speak(QStringLiteral("this is my voice"));
        exercise->speak(QStringLiteral("and Anna likes grapes"));
        settings->speak(QStringLiteral("do you like it"));
        QVERIFY(exercise->speakingNow() && settings->speakingNow());
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::Finished).size() == 4; }, 15000));
        QCOMPARE(journal.texts(EngineSpeechService::Event::FirstAudio),
                 QStringList({"Tom likes pizza", "this is my voice", "and Anna likes grapes", "do you like it"}));
        const auto spans = journal.spans();
        QCOMPARE(spans.size(), size_t(4));
        for (size_t i = 1; i < spans.size(); ++i)
            QVERIFY2(spans[i].first >= spans[i - 1].second,
                     qPrintable(QStringLiteral("text %1 began %2 ms before the one before it ended")
                                    .arg(i)
                                    .arg(double(spans[i - 1].second - spans[i].first) / 1e6)));
        QVERIFY(!exercise->speakingNow() && !settings->speakingNow());
    }

    void stoppingOneMouthLeavesTheOthersTexts()
    {
        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service(Silent);
        journal.attach(service);
        auto exercise = service.openChannel(QStringLiteral("Form15"));
        auto settings = service.openChannel(QStringLiteral("FormImposta"));
        exercise->speak(QStringLiteral("Tom likes pizza and Anna likes grapes"));
        settings->speak(QStringLiteral("this is my voice"));
        exercise->speak(QStringLiteral("never heard"));
        settings->speak(QStringLiteral("do you like it"));
        QVERIFY(waitUntil([&] { return !journal.texts(EngineSpeechService::Event::FirstAudio).isEmpty(); }, 3000));
        exercise->stop(); // while its first text plays and its second waits behind the other's
        QVERIFY(!exercise->speakingNow());
        QVERIFY(settings->speakingNow());
        QVERIFY(pollUntilSilent(*settings, 10000) >= 0);
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::Finished).size() == 2; }, 1000));
        QCOMPARE(journal.texts(EngineSpeechService::Event::Silenced),
                 QStringList{"Tom likes pizza and Anna likes grapes"});
        QCOMPARE(journal.texts(EngineSpeechService::Event::Finished),
                 QStringList({"this is my voice", "do you like it"}));
        QVERIFY(!journal.texts(EngineSpeechService::Event::FirstAudio).contains(QStringLiteral("never heard")));

        // Stopping the mouth that waits leaves the one that speaks alone.
        exercise->speak(QStringLiteral("I like chicken and I like chips"));
        settings->speak(QStringLiteral("gone"));
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::FirstAudio).size() == 4; }, 3000));
        settings->stop();
        QVERIFY(pollUntilSilent(*exercise, 10000) >= 0);
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::Finished).size() == 3; }, 1000));
        QCOMPARE(journal.texts(EngineSpeechService::Event::Finished).last(),
                 QStringLiteral("I like chicken and I like chips"));
        QVERIFY(!journal.texts(EngineSpeechService::Event::FirstAudio).contains(QStringLiteral("gone")));
    }

    void aMouthWaitingItsTurnIsSpeaking()
    {
        // A short text behind another mouth's long one: its mouth speaks while it waits, well
        // past the time its own text alone could take, and until that text is heard.
        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service(Silent);
        journal.attach(service);
        auto story = service.openChannel(QStringLiteral("Form13"));
        auto word = service.openChannel(QStringLiteral("Form2"));
        const QString long_ = QStringLiteral("I like chicken and I like chips and I like chocolate. "
                                             "Tom likes pizza and Anna likes grapes.");
        QVERIFY(synthesizeSpeech(1, 135, long_).seconds() > guardSeconds(QStringLiteral("pear"), 135) + 0.5);
        story->speak(long_);
        word->speak(QStringLiteral("pear"));
        const qint64 took = pollUntilSilent(*word, 20000);
        const qint64 silentAt = steadyNow();
        QVERIFY2(took >= 0, "still speaking after 20 s");
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::Finished).size() == 2; }, 1000));
        const auto spans = journal.spans();
        QCOMPARE(journal.texts(EngineSpeechService::Event::Finished), QStringList({long_, "pear"}));
        // Silent only once its own text was over (the event may be reported a moment later).
        QVERIFY2(
            silentAt >= spans[1].second - 20 * 1000000,
            qPrintable(
                QStringLiteral("silent %1 ms before its text ended").arg(double(spans[1].second - silentAt) / 1e6)));
        QVERIFY(!story->speakingNow());
    }

    void closingAMouthSilencesIt()
    {
        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service(NoWarmUp);
        journal.attach(service);
        auto mouth = service.openChannel(QStringLiteral("Form2"));
        mouth->speak(QStringLiteral("exercise 2.. click on the object."));
        mouth->speak(QStringLiteral("never heard"));
        QVERIFY(waitUntil([&] { return !journal.texts(EngineSpeechService::Event::FirstAudio).isEmpty(); }, 3000));
        mouth.reset();
        QVERIFY(waitUntil([&] { return journal.texts(EngineSpeechService::Event::Silenced).size() == 1; }, 1000));
        QThread::msleep(200);
        QCOMPARE(journal.texts(EngineSpeechService::Event::FirstAudio).size(), 1);
    }

    void voiceNumbersOutsideTheListAreRefused()
    {
        EngineSpeechService service(NoWarmUp);
        auto mouth = service.openChannel(QStringLiteral("FormImposta"));
        QVERIFY(mouth->setVoice(service.voiceCount()));
        QCOMPARE(mouth->voice(), service.voiceCount());
        QVERIFY(!mouth->setVoice(0));
        QVERIFY(!mouth->setVoice(service.voiceCount() + 1));
        QVERIFY(!mouth->setVoice(-3));
        QCOMPARE(mouth->voice(), service.voiceCount());
    }

    void aSoundServerThatNeverAnswersCostsNoTime()
    {
        // A socket that takes connections and never says a word: the line gives up on it in
        // the background, texts keep their timing, and the service stops at once.
        QTemporaryDir folder;
        const QByteArray path = (folder.path() + QStringLiteral("/mute")).toLocal8Bit();
        const int mute = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
        QVERIFY(bind(mute, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0);
        QVERIFY(listen(mute, 8) == 0);
        std::unique_ptr<EngineSpeechService> service;
        {
            EnvironmentOverride pulse("PULSE_SERVER", "unix:" + path);
            service = std::make_unique<EngineSpeechService>(NoWarmUp);
        }
        auto mouth = service->openChannel(QStringLiteral("Form3"));

        const QString word = QStringLiteral("pear");
        const qint64 expected = qint64(synthesizeSpeech(1, 135, word).seconds() * 1000);
        for (int i = 0; i < 4; ++i) { // across more than one attempt to connect
            QElapsedTimer timer;
            timer.start();
            mouth->speak(word);
            QVERIFY(pollUntilSilent(*mouth, 5000) >= 0);
            QVERIFY2(timer.elapsed() < expected + 400,
                     qPrintable(QStringLiteral("%1 ms for %2 ms of speech").arg(timer.elapsed()).arg(expected)));
        }
        mouth->speak(QStringLiteral("left talking when the service stops"));
        QElapsedTimer stopping;
        stopping.start();
        mouth.reset();
        service.reset();
        QVERIFY2(stopping.elapsed() < 1000, qPrintable(QString::number(stopping.elapsed())));
        ::close(mute);
    }

    void withoutEnginesTheClockStillKeepsTime()
    {
        EngineSpeechService service({.flite = false, .espeak = false, .warmUp = false});
        auto mouth = service.openChannel(QStringLiteral("Form1"));
        const QString text = QStringLiteral("chicken");
        QElapsedTimer timer;
        timer.start();
        mouth->speak(text);
        QVERIFY(mouth->speakingNow());
        QVERIFY(pollUntilSilent(*mouth, 5000) >= 0);
        const qint64 expected = qint64(silentSeconds(text, 135) * 1000);
        QVERIFY2(timer.elapsed() >= expected && timer.elapsed() < expected + 300,
                 qPrintable(QString::number(timer.elapsed())));
    }

    void guardEndsSpeakingWhenNothingAnswers()
    {
        // The worker never reports back (a hung sound system): the guard still ends it.
        SpeechBacklog backlog;
        ChannelState state(QStringLiteral("Form14"));
        ChannelState other(QStringLiteral("Form15"));
        const qint64 now = steadyNow();
        state.requested.store(1);
        state.raiseGuard(backlog.add(now, 50000000));
        QVERIFY(state.speaking(now));
        other.requested.store(1);
        other.raiseGuard(backlog.add(now, 30000000)); // behind the first mouth's text
        QVERIFY(other.speaking(now + 70000000));
        QVERIFY(!other.speaking(now + 90000000));
        state.requested.store(2);
        state.raiseGuard(backlog.add(now, 50000000)); // behind both: 130 ms in all
        QVERIFY(state.speaking(now + 110000000));
        QVERIFY(!state.speaking(now + 140000000));
        // Texts that left the queue no longer count for the ones given later.
        backlog.remove(50000000);
        backlog.remove(30000000);
        backlog.remove(50000000);
        QCOMPARE(backlog.add(now, 10000000), now + 10000000);

        // Settling the first utterance's end must not shorten the guard of the second.
        state.settleGuard(1, now + 10000000);
        QVERIFY(state.speaking(now + 110000000));
        // Settling the last one does.
        state.settleGuard(2, now + 20000000);
        QVERIFY(!state.speaking(now + 30000000));
        state.finished.store(2);
        QVERIFY(!state.speaking(now));

        // A long text gets a long guard, a slow speed a longer one.
        QVERIFY(guardSeconds(QStringLiteral("welcome. unit 7. munchora"), 135) > 3.0);
        QVERIFY(guardSeconds(QStringLiteral("pear"), 50) > guardSeconds(QStringLiteral("pear"), 200));
    }

    void theProgramsMouthUsesTheRealService()
    {
        // Left running on purpose: the test program's exit then takes the path the program
        // takes, the service going away while the application object is destroyed.
        Bocca mouth(QStringLiteral("FormAvvio"));
        QCOMPARE(mouth.VoiceCount(), int(voiceCatalogue().size()));
        QCOMPARE(mouth.VoiceName(1), QStringLiteral("Sally (US, clear)"));
        mouth.Speak(QStringLiteral("pear"));
        QCOMPARE(mouth.SpeakingNow(), 1);
        QVERIFY(waitUntil([&] { return mouth.SpeakingNow() == 0; }, 5000));
        auto other = std::make_unique<Bocca>(QStringLiteral("FormMenu"));
        other->Speak(QStringLiteral("exit?"));
        other->Speak(QStringLiteral("go back? "));
        QCOMPARE(other->SpeakingNow(), 1);
        other.reset(); // a screen unloaded while its mouth talks
        mouth.Speak(QStringLiteral("still talking when the test ends"));
    }

    void channelsOutliveTheService()
    {
        std::unique_ptr<SpeechChannel> mouth;
        {
            EngineSpeechService service; // warming up while it goes away
            mouth = service.openChannel(QStringLiteral("Form9"));
            mouth->speak(QStringLiteral("banana"));
            QVERIFY(mouth->speakingNow());
        }
        // The exit path: the channel still answers, and never speaks again.
        mouth->speak(QStringLiteral("apple"));
        mouth->stop();
        QVERIFY(!mouth->speakingNow());
        mouth.reset();
    }
};

MUNCHORA_TEST(TestSpeechService)
#include "test_speech_service.moc"
