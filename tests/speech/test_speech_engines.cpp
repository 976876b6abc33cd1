// SPDX-License-Identifier: GPL-3.0-or-later
// The voices themselves, on the real engines: what each offered voice makes of a text, the
// speed scale, and the PCM helpers the engines' output goes through.

#include "helpers/test_registry.h"
#include "speech/engine_speech_service.h"
#include "speech/pcm_tools.h"
#include "speech/speech_engines.h"

#include <QSet>
#include <QTest>

#include <cmath>

using namespace speech;

namespace {

// Index of the first / one past the last sample louder than threshold; -1 when none is.
std::pair<long, long> audibleSpan(const Pcm& pcm, int threshold = 300)
{
    long first = -1;
    long last = -1;
    for (size_t i = 0; i < pcm.samples.size(); ++i) {
        if (std::abs(int(pcm.samples[i])) > threshold) {
            if (first < 0)
                first = long(i);
            last = long(i) + 1;
        }
    }
    return {first, last};
}

Pcm sine(int rate, double hz, double seconds, double amplitude)
{
    Pcm pcm;
    pcm.sampleRate = rate;
    for (int i = 0; i < int(rate * seconds); ++i)
        pcm.samples.push_back(int16_t(amplitude * std::sin(2 * M_PI * hz * i / rate)));
    return pcm;
}

int zeroCrossings(const std::vector<int16_t>& s, size_t from, size_t to)
{
    int n = 0;
    for (size_t i = from + 1; i < to; ++i)
        if ((s[i - 1] < 0) != (s[i] < 0))
            ++n;
    return n;
}

} // namespace

class TestSpeechEngines : public QObject
{
    Q_OBJECT
private slots:
    void voiceListIsFixedAndNamed()
    {
        EngineSpeechService service({.warmUp = false});
        const int count = service.voiceCount();
        QCOMPARE(count, int(voiceCatalogue().size())); // both engines start on this machine
        QCOMPARE(service.voiceName(1), QStringLiteral("Sally (US, clear)"));
        QSet<QString> names;
        bool british = false;
        bool espeak = false;
        for (int n = 1; n <= count; ++n) {
            const QString name = service.voiceName(n);
            QVERIFY(!name.isEmpty());
            names.insert(name);
            british = british || name.contains(QStringLiteral("British"));
            const int kind = service.voiceKind(n);
            QVERIFY2(kind == 1 || kind == 2, qPrintable(name));
            const CatalogueVoice& entry = voiceCatalogue()[size_t(n - 1)];
            espeak = espeak || entry.engine == Engine::Espeak;
            // A voice with an eSpeak variant is one the program adjusts.
            QCOMPARE(kind == 2, QByteArray(entry.engineVoice).contains('+') || entry.pitch >= 0);
        }
        QCOMPARE(names.size(), count);
        QVERIFY(british);
        QVERIFY(espeak);
        QCOMPARE(service.voiceName(0), QString());
        QCOMPARE(service.voiceName(count + 1), QString());
        QCOMPARE(service.voiceKind(count + 1), 0);
    }

    void everyVoiceSaysWelcome()
    {
        EngineSpeechService service({.warmUp = false});
        for (int n = 1; n <= service.voiceCount(); ++n) {
            const QString name = service.voiceName(n);
            const Pcm pcm = synthesizeSpeech(n, 135, QStringLiteral("welcome"));
            QCOMPARE(pcm.sampleRate, OutputRate);
            QVERIFY2(peak(pcm) > 4000, qPrintable(name));
            // "welcome" is two syllables: well under a second and a half, more than a quarter.
            QVERIFY2(pcm.seconds() > 0.25 && pcm.seconds() < 1.5,
                     qPrintable(name + QStringLiteral(": %1 s").arg(pcm.seconds())));
            // The engines' lead-in and trailing silence is gone.
            const auto [first, last] = audibleSpan(pcm);
            QVERIFY2(first >= 0 && first < OutputRate * 30 / 1000, qPrintable(name));
            // The end is judged by the faintest sound: Flite's noisy voices hover near the
            // trimming level as they fade, and changing the rate can lower a sample just above it.
            const long end = audibleSpan(pcm, 100).second;
            QVERIFY2(long(pcm.samples.size()) - end < OutputRate * 60 / 1000,
                     qPrintable(name
                                + QStringLiteral(": %1 ms after the end")
                                      .arg((long(pcm.samples.size()) - end) * 1000 / OutputRate)));
        }
        QVERIFY(synthesizeSpeech(0, 135, QStringLiteral("welcome")).samples.empty());
        QVERIFY(synthesizeSpeech(99, 135, QStringLiteral("welcome")).samples.empty());
    }

    void slowerSpeedGivesLongerSpeech()
    {
        EngineSpeechService service({.warmUp = false});
        const QString text = QStringLiteral("welcome to unit seven, listen and click");
        for (int n = 1; n <= service.voiceCount(); ++n) {
            const QString name = service.voiceName(n);
            const double slow = synthesizeSpeech(n, 100, text).seconds();
            const double calm = synthesizeSpeech(n, 135, text).seconds();
            const double quick = synthesizeSpeech(n, 180, text).seconds();
            QVERIFY2(slow > calm * 1.15 && calm > quick * 1.15,
                     qPrintable(name + QStringLiteral(": %1 %2 %3").arg(slow).arg(calm).arg(quick)));
        }
    }

    void everyStepOfFiveIsHeard()
    {
        // One voice of each engine across the whole scale, eSpeak NG below its 80 words a
        // minute included: every step makes the sentence at least 2 % longer. (A step is 4.5 %
        // of the pace, less of the sentence at Flite's slow end, where its pauses stretch less;
        // Flite's noise excitation moves the trimmed length by a few tenths of a percent from
        // one synthesis to the next.)
        const QString text = QStringLiteral("I like apples and I like bananas");
        for (int n : {1, 3}) {
            double previous = 0;
            for (int v = 200; v >= 50; v -= 5) {
                const double seconds = synthesizeSpeech(n, v, text).seconds();
                if (previous > 0)
                    QVERIFY2(seconds > previous * 1.02,
                             qPrintable(QStringLiteral("voice %1 speed %2: %3 s after %4 s")
                                            .arg(n)
                                            .arg(v)
                                            .arg(seconds)
                                            .arg(previous)));
                previous = seconds;
            }
        }
        // Outside the scale it is clamped, not an error.
        QCOMPARE(paceFactor(20), paceFactor(50));
        QCOMPARE(paceFactor(900), paceFactor(200));
        const CatalogueVoice& espeakVoice = voiceCatalogue()[2];
        QCOMPARE(espeakVoice.engine, Engine::Espeak);
        QCOMPARE(espeakRate(espeakVoice, 50).wordsPerMinute, 85); // eSpeak's slowest
        for (int v = 55; v <= 200; v += 5)                        // a word alone is never said faster at a slower speed
            QVERIFY(espeakRate(espeakVoice, v).wordsPerMinute >= espeakRate(espeakVoice, v - 5).wordsPerMinute);
        QVERIFY(espeakRate(espeakVoice, 50).wordGap > espeakRate(espeakVoice, 65).wordGap);
        QCOMPARE(espeakRate(espeakVoice, 135).wordGap, 0);
    }

    void missingEngineLeavesTheOther()
    {
        EngineSpeechService fliteOnly({.espeak = false, .warmUp = false});
        int flite = 0;
        for (const CatalogueVoice& v : voiceCatalogue())
            flite += v.engine == Engine::Flite ? 1 : 0;
        QCOMPARE(fliteOnly.voiceCount(), flite);
        QCOMPARE(fliteOnly.voiceName(1), QStringLiteral("Sally (US, clear)"));
        for (int n = 1; n <= flite; ++n)
            QVERIFY(!fliteOnly.voiceName(n).contains(QStringLiteral("British")));

        EngineSpeechService none({.flite = false, .espeak = false, .warmUp = false});
        QCOMPARE(none.voiceCount(), 1);
        QCOMPARE(none.voiceName(1), QStringLiteral("silent"));
        QCOMPARE(none.voiceKind(1), 1);
    }

    void trimmerCutsOnlyTheEnds()
    {
        std::vector<int16_t> in(1000, 0);           // lead-in
        in.insert(in.end(), 200, 5000);             // a word
        in.insert(in.end(), 800, 0);                // a pause between words
        in.insert(in.end(), 200, -5000);            // another word
        in.insert(in.end(), 3000, 0);               // trailing silence
        SilenceTrimmer trimmer(10000, 300, 10, 40); // lead 100 samples, tail 400
        std::vector<int16_t> out;
        // In uneven blocks, as the engines deliver.
        for (size_t at = 0; at < in.size(); at += 333)
            trimmer.push(in.data() + at, std::min<size_t>(333, in.size() - at), out);
        trimmer.finish(out);
        QCOMPARE(out.size(), size_t(100 + 200 + 800 + 200 + 400));
        QCOMPARE(out[100], int16_t(5000));
        QCOMPARE(out[100 + 200 + 800], int16_t(-5000));

        SilenceTrimmer quiet(10000);
        std::vector<int16_t> none;
        const std::vector<int16_t> hush(5000, 100);
        quiet.push(hush.data(), hush.size(), none);
        quiet.finish(none);
        QVERIFY(none.empty());
        QVERIFY(!quiet.heardAnything());
    }

    void resamplerKeepsPitchLoudnessAndLength()
    {
        const Pcm tone = sine(16000, 1000, 1.0, 10000);
        for (int rate : {22050, 16000}) {
            Resampler resampler(16000, rate);
            std::vector<int16_t> out;
            for (size_t at = 0; at < tone.samples.size(); at += 777)
                resampler.push(tone.samples.data() + at, std::min<size_t>(777, tone.samples.size() - at), out);
            resampler.finish(out);
            QCOMPARE(long(out.size()), long(rate)); // one second in, one second out
            // 1 kHz: 2000 zero crossings a second, counted away from the edges.
            const int crossings = zeroCrossings(out, size_t(rate / 4), size_t(rate * 3 / 4));
            QVERIFY2(std::abs(crossings - 1000) <= 2, qPrintable(QString::number(crossings)));
            Pcm middle{{out.begin() + rate / 4, out.begin() + rate * 3 / 4}, rate};
            QVERIFY2(std::abs(peak(middle) - 10000) < 200, qPrintable(QString::number(peak(middle))));
        }
        // Down to 16 kHz a tone above 8 kHz is filtered out rather than folded back.
        const Pcm high = resample(sine(22050, 10000, 0.5, 10000), 16000);
        Pcm middle{{high.samples.begin() + 2000, high.samples.end() - 2000}, 16000};
        QVERIFY2(peak(middle) < 300, qPrintable(QString::number(peak(middle))));
    }
};

MUNCHORA_TEST(TestSpeechEngines)
#include "test_speech_engines.moc"
