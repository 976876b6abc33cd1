// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/speech_engines.h"

#include "speech/speech_log.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>
#include <flite/flite_version.h>
#include <map>
#include <mutex>
#include <optional>

namespace speech {

const std::vector<CatalogueVoice>& voiceCatalogue()
{
    // Fixed order: a saved voice number must mean the same voice on the next run. Paces were
    // matched so that every voice says a sentence in about the same time at Velocita 135
    // (about four fifths of the engines' own pace). Only voices a machine listener restricted to
    // the thirty words makes out (28 of 30 or better, bench_speech_intelligibility) are offered:
    // eSpeak NG's plain voices, its female British variants and its RP voice fall short or sit
    // on the edge; its Klatt-based "edward" variant is the clearest eSpeak voice, British or US.
    static const std::vector<CatalogueVoice> voices = {
        {"Sally (US, clear)", Engine::Flite, "slt", 1, 1.23},
        {"Robert (US)", Engine::Flite, "rms", 1, 1.17},
        {"Edward (British)", Engine::Espeak, "en+edward", 2, 141},
        {"Angus (Scottish)", Engine::Flite, "awb", 1, 1.23},
        {"Grace (US)", Engine::Espeak, "en-us+f2", 2, 150},
        {"Jack (US)", Engine::Espeak, "en-us+edward", 2, 145},
        {"Kal (US, computer)", Engine::Flite, "kal16", 1, 1.19},
    };
    return voices;
}

namespace {

// Flite and eSpeak NG keep global state: one synthesis at a time in the whole process.
std::mutex& engineLock()
{
    static std::mutex lock;
    return lock;
}

// The synthesis running under engineLock(), reached from the engines' C callbacks.
struct Pipeline
{
    explicit Pipeline(const PcmChunk& sink) : chunk(sink) {}

    // The engine's rate is known for sure only once it hands over samples.
    void setRate(int engineRate)
    {
        if (!trimmer) {
            rate = engineRate;
            trimmer.emplace(engineRate);
            resampler.emplace(engineRate, OutputRate);
        }
    }

    bool feed(const int16_t* data, size_t count)
    {
        trimmed.clear();
        converted.clear();
        if (trimmer && count > 0) {
            const bool wasQuiet = !trimmer->heardAnything();
            trimmer->push(data, count, trimmed);
            if (wasQuiet && !trimmed.empty() && pauseSamples > 0) {
                // A new sentence begins: the pause after the one before goes first.
                trimmed.insert(trimmed.begin(), size_t(pauseSamples), 0);
            }
            if (!trimmed.empty()) {
                pauseSamples = 0;
                resampler->push(trimmed.data(), trimmed.size(), converted);
            }
        }
        if (!chunk(converted.data(), converted.size()))
            aborted = true;
        return !aborted;
    }

    // Ends one sentence of several, followed by a pause of that many seconds if another
    // audible one comes.
    bool endSentence(double pauseSeconds)
    {
        if (!trimmer)
            return !aborted;
        trimmed.clear();
        converted.clear();
        const bool heard = trimmer->heardAnything();
        trimmer->finish(trimmed);
        resampler->push(trimmed.data(), trimmed.size(), converted);
        trimmer.emplace(rate);
        if (heard)
            pauseSamples = int(pauseSeconds * rate);
        if (!converted.empty() && !chunk(converted.data(), converted.size()))
            aborted = true;
        return !aborted;
    }

    bool finish()
    {
        trimmed.clear();
        converted.clear();
        if (trimmer) {
            trimmer->finish(trimmed);
            resampler->push(trimmed.data(), trimmed.size(), converted);
            resampler->finish(converted);
        }
        if (!converted.empty() && !chunk(converted.data(), converted.size()))
            aborted = true;
        return !aborted;
    }

    std::optional<SilenceTrimmer> trimmer;
    std::optional<Resampler> resampler;
    const PcmChunk& chunk;
    int rate = 0;
    int pauseSamples = 0;
    std::vector<int16_t> trimmed;
    std::vector<int16_t> converted;
    bool aborted = false;
};

// Splits after . ! or ? followed by a blank: "welcome. unit 7. munchora" -> three sentences.
std::vector<QByteArray> sentences(const QByteArray& text)
{
    std::vector<QByteArray> result;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool end = (c == '.' || c == '!' || c == '?') && i + 1 < text.size()
            && (text[i + 1] == ' ' || text[i + 1] == '\n' || text[i + 1] == '\t');
        if (end || i + 1 == text.size()) {
            const QByteArray piece = text.mid(begin, i + 1 - begin).trimmed();
            if (!piece.isEmpty())
                result.push_back(piece);
            begin = i + 1;
        }
    }
    return result;
}

Pipeline* running = nullptr; // guarded by engineLock()

// ---- Flite ----

struct FliteVoices
{
    bool started = false;
    std::vector<std::pair<const char*, cst_voice*>> voices; // loaded so far
    std::vector<const char*> missing;                       // tried and not loadable
};

int fliteChunk(const cst_wave* wave, int start, int size, int /*last*/, cst_audio_streaming_info*)
{
    if (!running || running->aborted)
        return CST_AUDIO_STREAM_STOP;
    running->setRate(wave->sample_rate);
    return running->feed(wave->samples + start, size_t(size)) ? CST_AUDIO_STREAM_CONT : CST_AUDIO_STREAM_STOP;
}

QString libraryFolderOf(const void* symbol)
{
    Dl_info info{};
    if (!dladdr(symbol, &info) || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
}

} // namespace

QString installedFliteVoice(const char* voice)
{
    // The loader's own search, short of its cache: LD_LIBRARY_PATH, then the folder Flite was
    // loaded from (its voices come in the same package), then the usual folders.
    QStringList folders = qEnvironmentVariable("LD_LIBRARY_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QString fliteFolder = libraryFolderOf(reinterpret_cast<const void*>(&flite_init));
    if (!fliteFolder.isEmpty())
        folders << fliteFolder;
    folders << QStringLiteral("/usr/local/lib") << QStringLiteral("/usr/lib") << QStringLiteral("/lib");
    const QString base = QStringLiteral("libflite_cmu_us_") + QString::fromLatin1(voice);
    for (const QString& folder : folders) {
        for (const QString& name : {base + QStringLiteral(".so.1"), base + QStringLiteral(".so")}) {
            const QFileInfo library(folder + QLatin1Char('/') + name);
            if (library.isFile())
                return library.absoluteFilePath();
        }
    }
    return QString();
}

namespace {

std::atomic<FliteVoiceFinder> fliteVoiceFinder{installedFliteVoice};

bool fliteVoiceLoaded(const FliteVoices& state, const char* name)
{
    for (const auto& [known, voice] : state.voices)
        if (std::strcmp(known, name) == 0)
            return true;
    return false;
}

FliteVoices& flite()
{
    static FliteVoices state;
    static std::once_flag once;
    std::call_once(once, [] {
        flite_init();
        state.started = true;
    });
    return state;
}

// A Flite voice's library is loaded the first time the voice is used, not at start: each
// holds megabytes of voice data that an unused voice need not cost. Called under engineLock().
cst_voice* fliteVoice(const char* name)
{
    FliteVoices& state = flite();
    for (const auto& [known, voice] : state.voices)
        if (std::strcmp(known, name) == 0)
            return voice;
    for (const char* failed : state.missing)
        if (std::strcmp(failed, name) == 0)
            return nullptr;
    // The library the finder names, the one that decided the voice is offered.
    const QString path = findFliteVoice(name);
    void* library = path.isEmpty() ? nullptr : dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    using Register = cst_voice* (*)(const char*);
    auto reg = library ? reinterpret_cast<Register>(dlsym(library, ("register_cmu_us_" + QByteArray(name)).constData()))
                       : nullptr;
    cst_voice* voice = reg ? reg(nullptr) : nullptr;
    if (!voice) {
        const char* why = path.isEmpty() ? "not installed" : library ? "no voice in it" : dlerror();
        qCWarning(lcSpeech) << "Flite voice" << name << "did not load:" << why;
        state.missing.push_back(name);
        return nullptr;
    }
    // Stream the samples as they are made, so the first sound does not wait for the whole
    // utterance, and a stop can cut synthesis short.
    cst_audio_streaming_info* asi = new_audio_streaming_info();
    asi->asc = fliteChunk;
    feat_set(voice->features, "streaming_info", audio_streaming_info_val(asi));
    state.voices.emplace_back(name, voice);
    return voice;
}

bool fliteSynthesize(const CatalogueVoice& entry, int velocita, const QByteArray& text, const PcmChunk& chunk)
{
    cst_voice* voice = fliteVoice(entry.engineVoice);
    if (!voice)
        return false;
    const double stretch = fliteStretch(entry, velocita);
    feat_set_float(voice->features, "duration_stretch", float(stretch));
    // One sentence at a time, as Flite's own text reader does: the first sound comes after
    // the first sentence is made, not the whole text. Between them, the pause Flite makes
    // between sentences of one utterance.
    Pipeline pipeline(chunk);
    running = &pipeline;
    const std::vector<QByteArray> parts = sentences(text);
    for (size_t i = 0; i < parts.size() && !pipeline.aborted; ++i) {
        cst_utterance* utterance = flite_synth_text(parts[i].constData(), voice);
        if (utterance)
            delete_utterance(utterance);
        if (i + 1 < parts.size())
            pipeline.endSentence(0.1 * stretch);
    }
    running = nullptr;
    if (pipeline.aborted)
        return false;
    return pipeline.finish();
}

// ---- eSpeak NG ----

int espeakSampleRate = 0; // 0 until started; -1 when it failed

int espeakChunk(short* wav, int count, espeak_EVENT*)
{
    if (!running || running->aborted)
        return 1;
    if (!wav || count <= 0)
        return running->feed(nullptr, 0) ? 0 : 1;
    return running->feed(reinterpret_cast<const int16_t*>(wav), size_t(count)) ? 0 : 1;
}

bool espeakStart()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // espeak_Initialize reaches for the sound server even in synchronous mode, and blocks
        // for ever on a server that accepts but never streams: point that one call at a server
        // that does not exist.
        const bool hadServer = qEnvironmentVariableIsSet("PULSE_SERVER");
        const QByteArray server = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/munchora-no-sound-server");
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
        if (hadServer)
            qputenv("PULSE_SERVER", server);
        else
            qunsetenv("PULSE_SERVER");
        if (rate <= 0) {
            qCWarning(lcSpeech) << "eSpeak NG did not start: its voices are not offered";
            espeakSampleRate = -1;
            return;
        }
        espeakSampleRate = rate;
        espeak_SetSynthCallback(espeakChunk);
    });
    return espeakSampleRate > 0;
}

bool espeakSetVoice(const CatalogueVoice& entry)
{
    return espeak_SetVoiceByName(entry.engineVoice) == EE_OK;
}

bool espeakSynthesize(const CatalogueVoice& entry, int velocita, const QByteArray& text, const PcmChunk& chunk)
{
    if (!espeakStart() || !espeakSetVoice(entry))
        return false;
    const EspeakRate rate = espeakRate(entry, velocita);
    espeak_SetParameter(espeakRATE, rate.wordsPerMinute, 0);
    espeak_SetParameter(espeakWORDGAP, rate.wordGap, 0);
    // Parameters outlive a change of voice: set them all every time (50 is eSpeak's own).
    espeak_SetParameter(espeakPITCH, entry.pitch >= 0 ? entry.pitch : 50, 0);
    espeak_SetParameter(espeakRANGE, entry.range >= 0 ? entry.range : 50, 0);
    Pipeline pipeline(chunk);
    pipeline.setRate(espeakSampleRate);
    running = &pipeline;
    const espeak_ERROR result = espeak_Synth(text.constData(), size_t(text.size()) + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8, nullptr, nullptr);
    running = nullptr;
    if (pipeline.aborted || result != EE_OK)
        return false;
    return pipeline.finish();
}

} // namespace

bool startEngine(Engine engine)
{
    std::lock_guard guard(engineLock());
    return engine == Engine::Flite ? flite().started : espeakStart();
}

bool voiceWorks(const CatalogueVoice& voice)
{
    std::lock_guard guard(engineLock());
    if (voice.engine == Engine::Flite) {
        // Each voice is loaded when first used: only its library is looked for now.
        FliteVoices& state = flite();
        if (!state.started)
            return false;
        if (fliteVoiceLoaded(state, voice.engineVoice))
            return true;
        for (const char* failed : state.missing)
            if (std::strcmp(failed, voice.engineVoice) == 0)
                return false;
        return !findFliteVoice(voice.engineVoice).isEmpty();
    }
    if (!espeakStart())
        return false;
    // Selecting the voice would load its dictionary (some 15 ms) at start-up: the language
    // voices come with the engine's data, so a variant's file is all there is to check.
    const char* plus = std::strchr(voice.engineVoice, '+');
    if (!plus)
        return true;
    const char* dataPath = nullptr;
    espeak_Info(&dataPath);
    return dataPath
        && QFileInfo::exists(QString::fromLocal8Bit(dataPath) + QStringLiteral("/voices/!v/")
                             + QString::fromLatin1(plus + 1));
}

namespace {
QByteArray fileStamp(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArrayLiteral("(none)");
    return path.toUtf8() + ' ' + QByteArray::number(info.size()) + ' '
        + QByteArray::number(info.lastModified().toSecsSinceEpoch());
}
} // namespace

QByteArray engineIdentity(const CatalogueVoice& voice)
{
    static std::mutex lock;
    static std::map<std::string, QByteArray> known;
    std::lock_guard guard(lock);
    QByteArray& identity = known[std::string(voice.engine == Engine::Flite ? "f" : "e") + voice.engineVoice];
    if (!identity.isEmpty())
        return identity;
    if (voice.engine == Engine::Flite) {
        identity = QByteArrayLiteral("flite " FLITE_PROJECT_VERSION " ") + fileStamp(findFliteVoice(voice.engineVoice));
    } else {
        const char* dataPath = nullptr;
        const char* version = espeak_Info(&dataPath);
        const QByteArray made = QByteArrayLiteral("espeak-ng ") + QByteArray(version ? version : "?") + ' '
            + fileStamp(dataPath ? QString::fromLocal8Bit(dataPath) + QStringLiteral("/phondata") : QString());
        if (!dataPath)
            return made; // not started yet: asked again later
        identity = made;
    }
    return identity;
}

namespace {
// 4.5 % per step of 5: a step is heard, and 50..200 spans a slow, careful pace to a brisk one.
constexpr double StepRatio = 1.045;
} // namespace

double paceFactor(int velocita)
{
    const int v = std::clamp(velocita, 50, 200);
    return std::pow(StepRatio, (v - 135) / 5.0);
}

double fliteStretch(const CatalogueVoice& voice, int velocita)
{
    return voice.pace / paceFactor(velocita);
}

EspeakRate espeakRate(const CatalogueVoice& voice, int velocita)
{
    // eSpeak NG takes 80 words per minute as its least, but it speaks no slower below 85.
    constexpr int Slowest = 85;
    const double wpm = voice.pace * paceFactor(velocita);
    if (wpm >= Slowest)
        return {int(std::lround(std::min<double>(wpm, espeakRATE_MAXIMUM))), 0};
    // The rest of the slowing goes into pauses between words; the words themselves stay at the
    // slowest rate, so a single word is never said faster at a slower speed. Measured on a
    // sentence of seven words: the first unit of word gap makes it 9.4 % longer, each further
    // unit 3.8 %, close to one step of the scale: one more unit for every step below.
    const double steps = std::log(Slowest / wpm) / std::log(StepRatio);
    const int gap = std::max(1, int(std::ceil(steps - 1e-6)));
    return {Slowest, gap};
}

void setFliteVoiceFinder(FliteVoiceFinder finder)
{
    fliteVoiceFinder.store(finder ? finder : installedFliteVoice);
}

QString findFliteVoice(const char* voice)
{
    return fliteVoiceFinder.load()(voice);
}

bool synthesize(const CatalogueVoice& voice, int velocita, const QString& text, const PcmChunk& chunk)
{
    const QByteArray utf8 = text.toUtf8();
    std::lock_guard guard(engineLock());
    if (voice.engine == Engine::Flite)
        return flite().started && fliteSynthesize(voice, velocita, utf8, chunk);
    return espeakSynthesize(voice, velocita, utf8, chunk);
}

Pcm synthesizeAll(const CatalogueVoice& voice, int velocita, const QString& text)
{
    Pcm pcm;
    pcm.sampleRate = OutputRate;
    const bool ok = synthesize(voice, velocita, text, [&pcm](const int16_t* data, size_t count) {
        pcm.samples.insert(pcm.samples.end(), data, data + count);
        return true;
    });
    if (!ok)
        pcm.samples.clear();
    return pcm;
}

} // namespace speech
