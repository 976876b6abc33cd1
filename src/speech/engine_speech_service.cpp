// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/engine_speech_service.h"

#include "speech/silence_watch.h"
#include "speech/speech_engines.h"
#include "speech/speech_log.h"
#include "speech/speech_worker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <set>

using namespace speech;

namespace {

// Catalogue indices of the voices on offer, in their fixed order.
std::vector<int> offeredVoices(const EngineServiceOptions& options)
{
    const bool flite = options.flite && startEngine(Engine::Flite);
    const bool espeak = options.espeak && startEngine(Engine::Espeak);
    std::vector<int> voices;
    const auto& catalogue = voiceCatalogue();
    for (size_t i = 0; i < catalogue.size(); ++i) {
        const CatalogueVoice& voice = catalogue[i];
        const bool engineUp = voice.engine == Engine::Flite ? flite : espeak;
        if (!engineUp)
            continue;
        if (voiceWorks(voice))
            voices.push_back(int(i));
        else
            qCWarning(lcSpeech) << "voice" << voice.displayName << "is missing: not offered";
    }
    return voices;
}

} // namespace

struct EngineSpeechService::Core
{
    std::vector<int> voices; // empty: no engine, the one "silent" voice
    // Catalogue indices already warmed up or being warmed (user-interface thread only).
    std::set<int> warmed;
    bool warmUp = true;
    // Guard time of every mouth's texts still to be heard: they share one voice.
    std::shared_ptr<SpeechBacklog> backlog = std::make_shared<SpeechBacklog>();
    QThread* thread = nullptr;
    SpeechWorker* worker = nullptr;
    bool alive = false; // user-interface thread only

    template <typename F>
    void post(F&& command)
    {
        if (alive)
            QMetaObject::invokeMethod(worker, std::forward<F>(command), Qt::QueuedConnection);
    }

    int count() const { return voices.empty() ? 1 : int(voices.size()); }
    // Catalogue index of a voice number; -1 for the silent voice.
    int catalogueIndex(int number) const { return voices.empty() ? -1 : voices[size_t(number - 1)]; }

    // A voice's first utterance is slow (Flite loads its data lazily): warm a voice up in the
    // background as soon as a mouth selects it, and only then, so an unused voice costs no memory.
    void warmVoice(int number)
    {
        const int index = catalogueIndex(number);
        if (!warmUp || index < 0 || !warmed.insert(index).second)
            return;
        post([worker = worker, index] { worker->warmUp({index}); });
    }
};

namespace {

class EngineChannel final : public SpeechChannel
{
public:
    EngineChannel(std::shared_ptr<EngineSpeechService::Core> core, const QString& owner)
        : core_(std::move(core)), state_(std::make_shared<ChannelState>(owner)),
          watch_(std::make_shared<SilenceWatch>(
              [state = state_] { return state->speaking(steadyNow()); },
              [state = state_] { return (state->guardEnd.load() - steadyNow()) / 1000000; }))
    {
        state_->progressed = [watch = std::weak_ptr<SilenceWatch>(watch_)] { SilenceWatch::post(watch); };
    }

    ~EngineChannel() override
    {
        // A mouth that goes away with its screen falls silent.
        stop();
        SpeechWorker* worker = core_->worker;
        core_->post([worker, state = state_] { worker->close(state); });
    }

    void speak(const QString& text) override
    {
        if (!core_->alive)
            return;
        Utterance utterance;
        utterance.id = state_->requested.load() + 1;
        utterance.text = text;
        utterance.voice = core_->catalogueIndex(voice_);
        utterance.velocita = rate_;
        utterance.guardNs = qint64(guardSeconds(text, rate_) * 1e9);
        // It is heard after every text of every mouth given before it.
        const qint64 deadline = core_->backlog->add(steadyNow(), utterance.guardNs);
        // requested first, then the guard: the worker relies on this order (settleGuard).
        state_->requested.store(utterance.id);
        state_->raiseGuard(deadline);
        SpeechWorker* worker = core_->worker;
        core_->post([worker, state = state_, utterance] { worker->speak(state, utterance); });
    }

    void stop() override
    {
        const quint64 last = state_->requested.load();
        if (state_->cancelled.load() >= last)
            return;
        state_->cancelled.store(last);
        state_->stoppedNs.store(steadyNow());
        SilenceWatch::post(watch_);
        SpeechWorker* worker = core_->worker;
        core_->post([worker, state = state_, last] { worker->stop(state, last); });
    }

    bool speakingNow() const override { return state_->speaking(steadyNow()); }
    void whenSilent(std::function<void()> then) override { watch_->add(std::move(then)); }

    void setRate(int velocita) override { rate_ = velocita; }

    bool setVoice(int number) override
    {
        if (number < 1 || number > core_->count())
            return false;
        voice_ = number;
        core_->warmVoice(number);
        return true;
    }

    int voice() const override { return voice_; }

    // The flag tells whether the selected voice is one the program adjusts (1) or the
    // engine's own (0), as ImpostaVoce derives it from VoiceKind. It is kept with the channel;
    // the sound depends on the voice number alone, so a saved voice always sounds the same.
    void setFlag(int flag) override { flag_ = flag; }

private:
    std::shared_ptr<EngineSpeechService::Core> core_;
    std::shared_ptr<ChannelState> state_;
    std::shared_ptr<SilenceWatch> watch_;
    int voice_ = 1;
    int rate_ = 135;
    int flag_ = 0;
};

} // namespace

EngineSpeechService::EngineSpeechService(const EngineServiceOptions& options) : core_(std::make_shared<Core>())
{
    core_->voices = offeredVoices(options);
    if (core_->voices.empty())
        qCWarning(lcSpeech) << "no speech engine started: speech keeps its timing, silently";
    core_->warmUp = options.warmUp;

    core_->thread = new QThread;
    core_->thread->setObjectName(QStringLiteral("speech"));
    core_->worker = new SpeechWorker(options.audio, core_->backlog,
                                     options.cache ? std::make_unique<SpeechCache>(*options.cache) : nullptr,
                                     options.synthesizer);
    core_->worker->moveToThread(core_->thread);
    core_->thread->start();
    core_->alive = true;
    if (options.audio) {
        // Reaching the sound server takes a moment: begin before the first text comes.
        SpeechWorker* worker = core_->worker;
        core_->post([worker] { worker->openLine(); });
    }

    if (options.warmUp) {
        // The voice the settings name is heard first. An eSpeak NG voice's first utterance
        // loads the engine's dictionary (some 15 ms): that is done before anything can be
        // queued, on the worker. A Flite voice streams its first sentence soon enough cold,
        // and that first sentence (the splash's welcome) is what warms it: warmed beforehand,
        // it would be still warming when the welcome comes, and hold it back.
        SpeechWorker* worker = core_->worker;
        const int stored = options.firstVoice;
        const int index = stored >= 1 && stored <= core_->count() ? core_->catalogueIndex(stored) : -1;
        if (index >= 0) {
            core_->warmed.insert(index);
            if (voiceCatalogue()[size_t(index)].engine == Engine::Espeak)
                core_->post([worker, index] { worker->warmNow(index); });
        }
        core_->post([worker] { worker->warmUp({}); });
    } else {
        core_->worker->warmedUp.store(true);
    }
}

EngineSpeechService::~EngineSpeechService()
{
    shutdown();
}

void EngineSpeechService::shutdown()
{
    if (!core_->alive)
        return;
    SpeechWorker* worker = core_->worker;
    QThread* thread = core_->thread;
    core_->post([worker] {
        worker->teardown();
        QThread::currentThread()->quit();
    });
    core_->alive = false;
    if (thread->wait(3000)) {
        delete worker;
        delete thread;
    } else {
        // A sound server that hangs holds the worker: leave it behind rather than hang the exit.
        qCWarning(lcSpeech) << "the speech thread does not stop: left behind";
    }
    core_->worker = nullptr;
    core_->thread = nullptr;
}

int EngineSpeechService::voiceCount() const
{
    return core_->count();
}

QString EngineSpeechService::voiceName(int number) const
{
    if (number < 1 || number > core_->count())
        return QString();
    if (core_->voices.empty())
        return QStringLiteral("silent");
    return QString::fromUtf8(voiceCatalogue()[size_t(core_->catalogueIndex(number))].displayName);
}

int EngineSpeechService::voiceKind(int number) const
{
    if (number < 1 || number > core_->count())
        return 0;
    if (core_->voices.empty())
        return 1;
    return voiceCatalogue()[size_t(core_->catalogueIndex(number))].kind;
}

std::unique_ptr<SpeechChannel> EngineSpeechService::openChannel(const QString& owner)
{
    return std::make_unique<EngineChannel>(core_, owner);
}

void EngineSpeechService::setObserver(Observer observer)
{
    SpeechWorker* worker = core_->worker;
    core_->post([worker, observer = std::move(observer)] {
        if (!observer) {
            worker->setObserver(nullptr);
            return;
        }
        worker->setObserver([observer](SpeechWorker::Event event, const QString& owner, const QString& text, bool sink,
                                       qint64 when) { observer(Event(int(event)), owner, text, sink, when); });
    });
}

bool EngineSpeechService::warmedUp() const
{
    return !core_->alive || core_->worker->warmedUp.load();
}

std::unique_ptr<SpeechService> createEngineSpeechService(int firstVoice)
{
    EngineServiceOptions options;
    options.firstVoice = firstVoice;
    options.cache = SpeechCache::programFolders();
    return std::make_unique<EngineSpeechService>(options);
}

Pcm synthesizeSpeech(int voice, int velocita, const QString& text)
{
    static const std::vector<int> voices = offeredVoices({});
    if (voice < 1 || voice > int(voices.size()))
        return Pcm{{}, OutputRate};
    return synthesizeAll(voiceCatalogue()[size_t(voices[size_t(voice - 1)])], velocita, text);
}

namespace {
class MuteChannel final : public SpeechChannel
{
public:
    void speak(const QString&) override {}
    void stop() override {}
    bool speakingNow() const override { return false; }
    void whenSilent(std::function<void()> then) override { watch_.add(std::move(then)); }
    void setRate(int) override {}
    bool setVoice(int number) override { return number == 1; }
    int voice() const override { return 1; }
    void setFlag(int) override {}

private:
    SilenceWatch watch_{[] { return false; }, {}};
};

class MuteService final : public SpeechService
{
public:
    int voiceCount() const override { return 1; }
    QString voiceName(int number) const override { return number == 1 ? QStringLiteral("silent") : QString(); }
    int voiceKind(int number) const override { return number == 1 ? 1 : 0; }
    std::unique_ptr<SpeechChannel> openChannel(const QString&) override { return std::make_unique<MuteChannel>(); }
};
} // namespace

std::unique_ptr<SpeechService> createMuteSpeechService()
{
    return std::make_unique<MuteService>();
}

bool prepareSpeechCache(const QString& folder, int voice, int velocita, const QStringList& texts,
                        SpeechPreparation& result, QString* why)
{
    static const std::vector<int> voices = offeredVoices({});
    if (voice < 1 || voice > int(voices.size())) {
        *why = QStringLiteral("there is no voice %1 (the voices are 1 to %2)").arg(voice).arg(voices.size());
        return false;
    }
    // Every pupil reads what is made here, whatever the caller's umask: folders 0755, entries
    // 0644, the folders made on the way too.
    const auto everyoneReads = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
        | QFileDevice::ReadOther;
    const auto everyoneEnters = everyoneReads | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    QStringList made;
    for (QDir up(folder); !up.exists(); up.setPath(QFileInfo(up.absolutePath()).absolutePath())) {
        made << up.absolutePath();
        if (up.isRoot())
            break;
    }
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable()) {
        *why = QStringLiteral("the folder %1 cannot be written").arg(folder);
        return false;
    }
    made << folder;
    for (const QString& path : std::as_const(made))
        QFile::setPermissions(path, everyoneEnters);
    const CatalogueVoice& entry = voiceCatalogue()[size_t(voices[size_t(voice - 1)])];
    result.voiceName = QString::fromUtf8(entry.displayName);
    for (const QString& text : texts) {
        const QByteArray key = SpeechCache::keyFor(entry, velocita, text);
        const QString path = SpeechCache::entryPath(folder, key);
        std::vector<int16_t> samples;
        if (SpeechCache::readEntry(path, key, samples)) {
            ++result.kept;
        } else {
            samples = synthesizeAll(entry, velocita, text).samples;
            if (samples.empty()) {
                ++result.failed;
                continue;
            }
            if (!SpeechCache::writeEntry(path, key, samples)) {
                *why = QStringLiteral("the folder %1 cannot be written (is the disk full?)").arg(folder);
                return false;
            }
            ++result.made;
        }
        QFile::setPermissions(path, everyoneReads);
        result.bytes += QFileInfo(path).size();
    }
    return true;
}
