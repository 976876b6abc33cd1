// SPDX-License-Identifier: GPL-3.0-or-later
// How quickly does a mouth start and stop talking? For every offered voice:
//  - speak -> first audio: from the call of speak() on the user-interface thread to the moment
//    the worker hands the first samples of "welcome. unit 7. munchora" to the audio line (with
//    no sound server: to the silent clock, at the very point they would go to the line);
//    the first utterance in a fresh process (spoken as soon as the service exists, as the first
//    screen does, with that voice not yet warmed up), and the median of warm ones;
//  - stop -> silence: from stop() to the moment the worker wrote the fade-out to the line (or
//    stopped the clock);
//  - synthesis real-time factor: time to synthesise a long text / its duration.
//
//   bench_speech_latency [--runs N]        (bench_speech_latency --cold V is its own helper)

#include "bench_tools.h"
#include "settings/modulo1.h"
#include "speech/engine_speech_service.h"
#include "speech/speech_engines.h"
#include "speech/speech_worker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>

using namespace speech;
using Event = EngineSpeechService::Event;

namespace {

const QString Text = QStringLiteral("welcome. unit 7. munchora");

// Waits on the worker's reports.
struct Reports
{
    explicit Reports(EngineSpeechService& service)
    {
        service.setObserver([this](Event event, const QString&, const QString&, bool sink, qint64 when) {
            std::lock_guard lock(mutex);
            events.push_back({event, sink, when});
            changed.notify_all();
        });
    }

    struct Entry
    {
        Event event;
        bool sink;
        qint64 when;
    };

    // The first report of that kind after index from; nullopt after timeoutMs.
    std::optional<Entry> wait(Event event, size_t& from, int timeoutMs = 5000)
    {
        std::unique_lock lock(mutex);
        std::optional<Entry> found;
        changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
            for (size_t i = from; i < events.size(); ++i)
                if (events[i].event == event) {
                    found = events[i];
                    from = i + 1;
                    return true;
                }
            return false;
        });
        return found;
    }

    size_t size()
    {
        std::lock_guard lock(mutex);
        return events.size();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Entry> events;
};

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// Helper mode: one first utterance in this fresh process. Prints "ms sink".
int coldRun(int voice)
{
    Modulo1::Voce = qint16(voice); // as the program reads its settings before speech starts
    EngineSpeechService service;
    Reports reports(service);
    auto mouth = service.openChannel(QStringLiteral("bench"));
    if (!mouth->setVoice(voice))
        return 2;
    // At once, as the program's first screen does: the warm-up has not begun.
    size_t from = reports.size();
    const qint64 start = steadyNow();
    mouth->speak(Text);
    const auto first = reports.wait(Event::FirstAudio, from);
    if (!first)
        return 1;
    std::printf("%.2f %d\n", ms(first->when - start), first->sink ? 1 : 0);
    mouth.reset();
    service.shutdown(); // before the reports it writes to go away
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int runs = 9;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--cold"))
            return coldRun(args[i + 1].toInt());
        if (args[i] == QLatin1String("--runs"))
            runs = std::max(1, args[i + 1].toInt());
    }

    const qint64 creating = steadyNow();
    EngineSpeechService service;
    const double createMs = ms(steadyNow() - creating);
    Reports reports(service);
    QElapsedTimer warming;
    warming.start();
    while (!service.warmedUp() && warming.elapsed() < 10000)
        QThread::msleep(5);
    const qint64 warmMs = warming.elapsed();

    auto mouth = service.openChannel(QStringLiteral("bench"));
    bool anySink = false;
    bool anyClock = false;

    std::printf("Speech latency, text \"%s\", %d warm runs per voice (median).\n", qPrintable(Text), runs);
    std::printf(
        "Creating the service (on the calling thread: engines started, voices checked) took %.1f ms;\n"
        "the background warm-up after it (the voice in the settings; the audio line opens beside it) %lld ms.\n\n",
        createMs, warmMs);
    std::printf("%-22s %12s %12s %12s %12s\n", "voice", "first (ms)", "warm (ms)", "stop (ms)", "aim met");

    for (int voice = 1; voice <= service.voiceCount(); ++voice) {
        // First utterance: a fresh process of its own.
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--cold"), QString::number(voice)});
        child.waitForFinished(30000);
        const QStringList cold = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char(' '));
        const double coldMs = cold.size() == 2 ? cold[0].toDouble() : -1;

        mouth->setVoice(voice);
        std::vector<double> starts;
        std::vector<double> stops;
        for (int run = 0; run < runs; ++run) {
            size_t from = reports.size();
            const qint64 begin = steadyNow();
            mouth->speak(Text);
            const auto first = reports.wait(Event::FirstAudio, from);
            if (!first)
                break;
            starts.push_back(ms(first->when - begin));
            (first->sink ? anySink : anyClock) = true;
            QThread::msleep(250); // well into the utterance
            const qint64 stopAt = steadyNow();
            mouth->stop();
            const auto silent = reports.wait(Event::Silenced, from);
            if (!silent)
                break;
            stops.push_back(ms(silent->when - stopAt));
            QThread::msleep(30);
        }
        const double warm = median(starts);
        const double stop = median(stops);
        const bool met = coldMs >= 0 && coldMs < 30 && warm >= 0 && warm < 30 && stop >= 0 && stop < 20;
        std::printf("%-22s %12.1f %12.1f %12.2f %12s\n", qPrintable(service.voiceName(voice)), coldMs, warm, stop,
                    met ? "yes" : "no");
        std::fflush(stdout);
    }
    std::printf("\nAim: first audio under 30 ms (first and warm), silence under 20 ms after stop.\n");
    if (anyClock)
        std::printf("No sound server answered: \"first audio\" is the moment the first samples were handed to\n"
                    "the silent clock, which is where they go to the audio line when there is one; \"stop\" is\n"
                    "the moment the worker stopped that utterance's clock (with a line: wrote its fade-out).\n");
    if (anySink)
        std::printf("Measured to the first write to the audio line (PulseAudio) and to the fade-out written.\n");

    // Real-time factor: synthesis time over the duration of what was made.
    const QString paragraph = QStringLiteral(
        "welcome to unit seven. listen and click on the right picture. I like apples, but I don't like "
        "spinach. Tom likes pizza and chips; Anna likes grapes, bananas and ice cream.");
    std::printf("\nSynthesis real-time factor (synthesis time / audio duration), %d words of text:\n",
                int(paragraph.split(QLatin1Char(' ')).size()));
    std::printf("%-22s %-8s %10s %12s %10s\n", "voice", "engine", "audio (s)", "synth (ms)", "RTF");
    for (int voice = 1; voice <= service.voiceCount(); ++voice) {
        synthesizeSpeech(voice, 135, paragraph); // once, so the first-use cost does not count
        std::vector<double> times;
        double seconds = 0;
        for (int run = 0; run < 5; ++run) {
            const qint64 begin = steadyNow();
            seconds = synthesizeSpeech(voice, 135, paragraph).seconds();
            times.push_back(ms(steadyNow() - begin));
        }
        const double synth = median(times);
        const QString name = service.voiceName(voice);
        const bool flite = std::any_of(voiceCatalogue().begin(), voiceCatalogue().end(), [&](const CatalogueVoice& v) {
            return QString::fromUtf8(v.displayName) == name && v.engine == Engine::Flite;
        });
        std::printf("%-22s %-8s %10.2f %12.1f %10.4f\n", qPrintable(name), flite ? "Flite" : "eSpeak", seconds, synth,
                    synth / 1000.0 / seconds);
    }
    mouth.reset();
    service.shutdown();
    return 0;
}
