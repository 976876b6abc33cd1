// SPDX-License-Identifier: GPL-3.0-or-later
// Speech with parts of the system missing: no sound server, no eSpeak NG data, Flite voices
// not installed. The voice screen still opens and offers only voices that speak; the clock
// keeps the timing of speech nobody hears; nothing crashes.

#include "helpers/environment_override.h"
#include "helpers/test_files.h"
#include "helpers/test_registry.h"
#include "speech/engine_speech_service.h"
#include "speech/speech_engines.h"
#include "speech/speech_journal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace speech;
using namespace speech_tests;

namespace {

QStringList catalogueNames(bool flite, bool espeak)
{
    QStringList names;
    for (const CatalogueVoice& voice : voiceCatalogue())
        if (voice.engine == Engine::Flite ? flite : espeak)
            names << QString::fromUtf8(voice.displayName);
    return names;
}

} // namespace

class TestSpeechFaults : public QObject
{
    Q_OBJECT
private slots:
    void voiceScreenOffersWhatSpeaks_data()
    {
        QTest::addColumn<bool>("espeakData");
        QTest::addColumn<QStringList>("fliteMissing");
        QTest::addColumn<QStringList>("offered");
        const QStringList allFlite{"slt", "rms", "awb", "kal16"};
        QTest::newRow("everything there") << true << QStringList() << catalogueNames(true, true);
        QTest::newRow("no eSpeak NG data") << false << QStringList() << catalogueNames(true, false);
        QStringList withoutRobert = catalogueNames(true, true);
        withoutRobert.removeAll("Robert (US)");
        QTest::newRow("a Flite voice missing") << true << QStringList{"rms"} << withoutRobert;
        QTest::newRow("no Flite voice") << true << allFlite << catalogueNames(false, true);
        QTest::newRow("nothing at all") << false << allFlite << QStringList{"silent"};
    }

    void voiceScreenOffersWhatSpeaks()
    {
        QFETCH(bool, espeakData);
        QFETCH(QStringList, fliteMissing);
        QFETCH(QStringList, offered);
        QTemporaryDir dir;
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PULSE_SERVER", "unix:/nonexistent/munchora-test"); // no sound, the clock
        env.remove("QT_LOGGING_RULES");
        if (!espeakData) {
            // eSpeak NG reads its data from here when the folder exists: an empty one.
            QVERIFY(QDir(dir.path()).mkpath("espeak-ng-data"));
            env.insert("ESPEAK_DATA_PATH", dir.path());
        }
        probe.setProcessEnvironment(env);
        QStringList args;
        for (const QString& voice : fliteMissing)
            args << "--without-flite-voice" << voice;
        QElapsedTimer clock;
        clock.start();
        probe.start(buildDir() + "/tests/speech_probe", args);
        QVERIFY2(probe.waitForFinished(60000), "the probe hangs");
        const QString out = QString::fromUtf8(probe.readAllStandardOutput());
        const QString log = QString::fromUtf8(probe.readAllStandardError());
        QVERIFY2(probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0, qPrintable(out + log));

        QString expected;
        const bool silent = offered == QStringList{"silent"};
        for (int i = 0; i < offered.size(); ++i)
            expected += QStringLiteral("voice %1 %2%3\n").arg(i + 1).arg(offered[i], silent ? " (silent)" : "");
        expected += QStringLiteral("closed, voice %1, 0 boxes\n").arg(offered.size());
        QCOMPARE(out, expected);
        if (!fliteMissing.isEmpty())
            QVERIFY2(log.contains("is missing: not offered"), qPrintable(log));
        if (!espeakData)
            QVERIFY2(log.contains("eSpeak NG did not start"), qPrintable(log));
    }

    void theProgramFindsItsFliteVoices()
    {
        for (const CatalogueVoice& voice : voiceCatalogue()) {
            if (voice.engine == Engine::Flite)
                QVERIFY2(QFileInfo(installedFliteVoice(voice.engineVoice)).isFile(), voice.engineVoice);
        }
        QVERIFY(installedFliteVoice("nosuchvoice").isEmpty());
        QVERIFY(installedFliteVoice("../../etc/passwd").isEmpty());
    }

    void withNoSoundServerTheClockKeepsTime()
    {
        std::unique_ptr<EngineSpeechService> service;
        {
            EnvironmentOverride pulse("PULSE_SERVER", "unix:/nonexistent/munchora-test");
            service = std::make_unique<EngineSpeechService>(EngineServiceOptions{.warmUp = false});
        }
        auto mouth = service->openChannel(QStringLiteral("Form1"));
        const QString word = QStringLiteral("chicken");
        const qint64 expected = qint64(synthesizeSpeech(1, 135, word).seconds() * 1000);
        QVERIFY(expected > 100);
        for (int i = 0; i < 2; ++i) {
            QElapsedTimer timer;
            timer.start();
            mouth->speak(word);
            QVERIFY(mouth->speakingNow());
            QVERIFY(pollUntilSilent(*mouth, 5000) >= 0);
            // Neither cut short nor held up: the word lasts as long as if it were heard.
            QVERIFY2(timer.elapsed() >= expected - 50 && timer.elapsed() < expected + 400,
                     qPrintable(QStringLiteral("%1 ms for %2 ms of speech").arg(timer.elapsed()).arg(expected)));
        }
        mouth->speak(word);
        QElapsedTimer stopping;
        stopping.start();
        mouth.reset();
        service.reset();
        QVERIFY(stopping.elapsed() < 1000);
    }
};

MUNCHORA_TEST(TestSpeechFaults)
#include "test_speech_faults.moc"
