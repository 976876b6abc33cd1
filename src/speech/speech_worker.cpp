#include "speech/speech_worker.h"

#include "speech/speech_log.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace speech {

namespace {
constexpr qint64 Ms = 1000000; // ns
// The sink's buffer: long enough to ride out a busy worker, short enough to start at once
// (the sound server waits for a full buffer before it starts playing).
constexpr int SinkBufferMs = 150;
constexpr int TickMs = 10;
// After the last sample's time: the sound server's own latency.
constexpr qint64 EndMargin = 40 * Ms;

qint64 nsFor(double seconds)
{
    return qint64(seconds * 1e9);
}

qint64 durationNs(qint64 samples)
{
    return samples * 1000000000LL / OutputRate;
}
} // namespace

qint64 steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ChannelState::speaking(qint64 now) const
{
    const quint64 last = requested.load();
    const quint64 done = std::max(finished.load(), cancelled.load());
    return last > done && now < guardEnd.load();
}

void ChannelState::extendGuard(qint64 now, double seconds)
{
    qint64 old = guardEnd.load();
    while (!guardEnd.compare_exchange_weak(old, std::max(old, now) + nsFor(seconds))) {
    }
}

void ChannelState::settleGuard(quint64 id, qint64 end)
{
    // Read the guard before the last request: if a text is queued in between, the UI thread
    // moves the guard after raising requested, and the exchange below fails.
    qint64 guard = guardEnd.load();
    if (requested.load() == id) {
        guardEnd.compare_exchange_strong(guard, end);
        return;
    }
    while (guard < end && !guardEnd.compare_exchange_weak(guard, end)) {
    }
}

namespace {
double weightedLength(const QString& text)
{
    double chars = 0;
    for (QChar c : text)
        chars += c.isDigit() ? 6.0 : 1.0; // "7" is said "seven"
    return chars;
}
} // namespace

double guardSeconds(const QString& text, int velocita)
{
    // About twice the slowest voice's time per character, plus room for a cold engine.
    return 1.5 + weightedLength(text) * 0.16 / paceFactor(velocita);
}

double silentSeconds(const QString& text, int velocita)
{
    return text.trimmed().isEmpty() ? 0.0 : 0.3 + weightedLength(text) * 0.075 / paceFactor(velocita);
}

struct SpeechWorker::Playback
{
    std::shared_ptr<ChannelState> state;
    std::deque<Utterance> queue;
    bool busy = false;
    Utterance current;
    std::vector<int16_t> samples; // the current utterance as far as it is made
    size_t written = 0;           // how many of them went to the sink
    bool synthesised = false;
    bool padded = false;
    bool onSink = false;      // this utterance plays on the sink, not on the clock
    qint64 startNs = 0;       // its first samples were handed over
    qint64 clockNs = 0;       // silent voice: its length
    qint64 madeNs = 0;        // synthesis was over
    qint64 lastWriteNs = 0;
    qint64 bufferedNs = 0;    // audio in the sink's buffer after the last write
    bool guardSettled = false;
    QAudioSink* sink = nullptr;
    QIODevice* io = nullptr;
    QTimer* ticker = nullptr;
};

SpeechWorker::SpeechWorker(bool audio) : audio_(audio) {}

SpeechWorker::~SpeechWorker() = default;

void SpeechWorker::notify(Event event, const Playback& p, bool sink, qint64 when)
{
    if (observer_)
        observer_(event, p.state->owner, p.current.text, sink, when);
}

SpeechWorker::Playback& SpeechWorker::playback(const std::shared_ptr<ChannelState>& channel)
{
    auto& slot = channels_[channel.get()];
    if (!slot) {
        slot = std::make_unique<Playback>();
        slot->state = channel;
        slot->ticker = new QTimer(this);
        slot->ticker->setInterval(TickMs);
        Playback* p = slot.get();
        connect(slot->ticker, &QTimer::timeout, this, [this, p] { tick(*p); });
    }
    return *slot;
}

void SpeechWorker::speak(const std::shared_ptr<ChannelState>& channel, const Utterance& utterance)
{
    if (tornDown_)
        return;
    Playback& p = playback(channel);
    p.queue.push_back(utterance);
    if (!p.busy)
        startNext(p);
}

void SpeechWorker::stop(const std::shared_ptr<ChannelState>& channel, quint64 upTo)
{
    if (tornDown_)
        return;
    auto found = channels_.find(channel.get());
    if (found == channels_.end())
        return;
    Playback& p = *found->second;
    while (!p.queue.empty() && p.queue.front().id <= upTo)
        p.queue.pop_front();
    if (p.busy && p.current.id <= upTo) {
        silence(p);
        startNext(p);
    }
}

void SpeechWorker::close(const std::shared_ptr<ChannelState>& channel)
{
    if (tornDown_)
        return;
    auto found = channels_.find(channel.get());
    if (found == channels_.end())
        return;
    std::unique_ptr<Playback> p = std::move(found->second);
    channels_.erase(found);
    p->queue.clear();
    if (p->busy)
        silence(*p);
    dropSink(*p);
    p->ticker->stop();
    p->ticker->deleteLater();
}

void SpeechWorker::startNext(Playback& p)
{
    for (;;) {
        const quint64 cancelled = p.state->cancelled.load();
        while (!p.queue.empty() && p.queue.front().id <= cancelled)
            p.queue.pop_front();
        if (p.queue.empty()) {
            p.busy = false;
            p.ticker->stop();
            return;
        }
        p.current = std::move(p.queue.front());
        p.queue.pop_front();
        p.busy = true;
        p.samples.clear();
        p.written = 0;
        p.synthesised = false;
        p.padded = false;
        p.startNs = 0;
        p.clockNs = 0;
        p.madeNs = 0;
        p.lastWriteNs = 0;
        p.bufferedNs = 0;
        p.guardSettled = false;

        if (p.current.voice < 0) {
            startSilentClock(p);
            return;
        }

        p.onSink = openSink(p);
        const quint64 id = p.current.id;
        const CatalogueVoice& voice = voiceCatalogue()[size_t(p.current.voice)];
        const bool made = synthesize(voice, p.current.velocita, p.current.text,
                                     [this, &p, id](const int16_t* data, size_t count) {
            if (p.state->cancelled.load() >= id)
                return false;
            if (count == 0)
                return true;
            p.samples.insert(p.samples.end(), data, data + count);
            if (p.onSink) {
                feed(p);
            } else if (p.startNs == 0) {
                p.startNs = steadyNow();
                notify(Event::FirstAudio, p, false, p.startNs);
            }
            return true;
        });
        if (p.state->cancelled.load() >= id) {
            // Stopped while it was being made: the stop command that follows finds it gone.
            silence(p);
            continue;
        }
        if (!made)
            qCWarning(lcSpeech) << p.state->owner << ": the voice" << voice.displayName
                                << "could not say" << p.current.text;
        p.synthesised = true;
        p.madeNs = steadyNow();
        if (p.samples.empty()) {
            complete(p);
            continue;
        }
        settleGuard(p);
        p.ticker->start();
        tick(p);
        return;
    }
}

void SpeechWorker::settleGuard(Playback& p)
{
    // Once the length is known and the sound has begun, the guard follows the sound itself,
    // with room for a slow device.
    if (p.guardSettled || !p.synthesised || p.startNs == 0)
        return;
    const qint64 length = durationNs(qint64(p.samples.size()));
    p.state->settleGuard(p.current.id, p.startNs + length + length / 2 + 2000 * Ms);
    p.guardSettled = true;
}

void SpeechWorker::startSilentClock(Playback& p)
{
    p.onSink = false;
    p.synthesised = true;
    p.startNs = steadyNow();
    p.clockNs = nsFor(silentSeconds(p.current.text, p.current.velocita));
    notify(Event::FirstAudio, p, false, p.startNs);
    p.state->settleGuard(p.current.id, p.startNs + p.clockNs + 2000 * Ms);
    p.ticker->start();
}

bool SpeechWorker::openSink(Playback& p)
{
    if (!audio_)
        return false;
    if (p.sink && p.io && p.sink->state() != QAudio::StoppedState)
        return true;
    if (!p.sink) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            if (!warnedNoDevice_)
                qCWarning(lcSpeech) << "no audio output device: speech keeps its timing, silently";
            warnedNoDevice_ = true;
            return false;
        }
        QAudioFormat format;
        format.setSampleRate(OutputRate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        p.sink = new QAudioSink(device, format, this);
        p.sink->setBufferSize(qsizetype(OutputRate) * 2 * SinkBufferMs / 1000);
    }
    p.io = p.sink->start();
    if (!p.io) {
        if (!warnedNoDevice_)
            qCWarning(lcSpeech) << "the audio output does not open (" << p.sink->error()
                                << "): speech keeps its timing, silently";
        warnedNoDevice_ = true;
        dropSink(p);
        return false;
    }
    warnedNoDevice_ = false;
    return true;
}

void SpeechWorker::dropSink(Playback& p)
{
    if (!p.sink)
        return;
    p.sink->stop();
    // deleteLater: the sink's destructor runs the event loop, which must not happen inside
    // one of this worker's own handlers.
    p.sink->deleteLater();
    p.sink = nullptr;
    p.io = nullptr;
}

void SpeechWorker::feed(Playback& p)
{
    if (!p.io)
        return;
    if (p.sink->state() == QAudio::StoppedState) {
        // The device went away: the rest of the utterance keeps its time on the clock.
        qCWarning(lcSpeech) << "the audio output stopped (" << p.sink->error()
                            << "): speech keeps its timing, silently";
        dropSink(p);
        p.onSink = false;
        if (p.startNs == 0) {
            p.startNs = steadyNow();
            notify(Event::FirstAudio, p, false, p.startNs);
        }
        return;
    }
    const qint64 bytesPerSecond = qint64(OutputRate) * 2;
    qint64 free = p.sink->bytesFree() & ~qint64(1);
    const size_t left = p.samples.size() - p.written;
    if (left > 0 && free > 0) {
        const qint64 bytes = std::min(free, qint64(left) * 2);
        const qint64 done = p.io->write(reinterpret_cast<const char*>(p.samples.data() + p.written), bytes);
        if (done > 0) {
            p.written += size_t(done / 2);
            p.lastWriteNs = steadyNow();
            free -= done;
            // What the sink holds right after this write plays on after it.
            const qint64 held = std::max<qint64>(0, p.sink->bufferSize() - p.sink->bytesFree());
            p.bufferedNs = held * 1000000000LL / bytesPerSecond;
            if (p.startNs == 0) {
                p.startNs = p.lastWriteNs;
                notify(Event::FirstAudio, p, true, p.startNs);
            }
        }
    }
    if (p.synthesised && p.written == p.samples.size() && !p.padded && free > 0) {
        // The server starts playing only once its buffer is full: a short word is followed by
        // enough quiet to fill it.
        const qint64 wanted = std::min(free, p.sink->bufferSize() - qint64(p.samples.size()) * 2);
        if (wanted > 0) {
            const std::vector<char> quiet(size_t(wanted & ~qint64(1)), 0);
            p.io->write(quiet.data(), qint64(quiet.size()));
        }
        p.padded = true;
    }
}

void SpeechWorker::tick(Playback& p)
{
    if (!p.busy || !p.synthesised)
        return;
    if (p.onSink)
        feed(p);
    settleGuard(p);
    const qint64 now = steadyNow();
    if (p.current.voice < 0) {
        if (now >= p.startNs + p.clockNs)
            finish(p);
        return;
    }
    const qint64 length = durationNs(qint64(p.samples.size()));
    if (p.onSink) {
        if (p.written < p.samples.size()) {
            // A sink that takes nothing, or stops taking: give up after twice the length.
            const qint64 since = p.startNs != 0 ? p.startNs : p.madeNs;
            if (now > since + 2 * length + 3000 * Ms) {
                qCWarning(lcSpeech) << "the audio output takes no more sound: giving up on"
                                    << p.current.text;
                dropSink(p);
                finish(p);
            }
            return;
        }
        const qint64 end = std::max(p.startNs + length, p.lastWriteNs + p.bufferedNs) + EndMargin;
        if (now >= end)
            finish(p);
        return;
    }
    if (now >= p.startNs + length + EndMargin)
        finish(p);
}

void SpeechWorker::silence(Playback& p)
{
    if (!p.busy)
        return;
    const bool wasOnSink = p.onSink && p.sink;
    if (wasOnSink) {
        // Stopping disconnects the stream: what the server still holds is dropped at once.
        p.sink->stop();
        p.io = nullptr;
    }
    p.busy = false;
    p.samples.clear();
    p.ticker->stop();
    notify(Event::Silenced, p, wasOnSink, steadyNow());
}

void SpeechWorker::complete(Playback& p)
{
    p.state->finished.store(p.current.id);
    p.busy = false;
    p.samples.clear();
    p.ticker->stop();
    notify(Event::Finished, p, p.onSink, steadyNow());
}

void SpeechWorker::finish(Playback& p)
{
    complete(p);
    // The next text from the event loop, so that a long queue never nests.
    QTimer::singleShot(0, this, [this, state = p.state] {
        auto found = channels_.find(state.get());
        if (found != channels_.end() && !found->second->busy && !tornDown_)
            startNext(*found->second);
    });
}

bool SpeechWorker::anyBusy() const
{
    for (const auto& [key, p] : channels_)
        if (p->busy || !p->queue.empty())
            return true;
    return false;
}

void SpeechWorker::warmUp(std::vector<int> voices)
{
    if (tornDown_)
        return;
    if (!audioWarmAsked_) {
        audioWarmAsked_ = true;
        warmAudio_ = audio_;
    }
    warmQueue_.insert(warmQueue_.end(), voices.begin(), voices.end());
    if (warming_)
        return; // the running chain of steps takes the new voices too
    warming_ = true;
    warmedUp.store(false);
    QTimer::singleShot(0, this, [this] { warmStep(); });
}

void SpeechWorker::warmNow(int voice)
{
    if (!tornDown_)
        synthesize(voiceCatalogue()[size_t(voice)], 135, QStringLiteral("welcome"),
                   [](const int16_t*, size_t) { return true; });
}

void SpeechWorker::warmStep()
{
    if (tornDown_)
        return;
    if (anyBusy()) {
        // Speech comes first; warm up in the pauses.
        QTimer::singleShot(30, this, [this] { warmStep(); });
        return;
    }
    if (warmAudio_) {
        // Connecting to the sound server takes a moment the first time.
        warmAudio_ = false;
        (void)QMediaDevices::defaultAudioOutput();
    } else if (!warmQueue_.empty()) {
        // Each engine's first utterance is slow (Flite loads its voice data lazily).
        const CatalogueVoice& voice = voiceCatalogue()[size_t(warmQueue_.front())];
        warmQueue_.pop_front();
        synthesize(voice, 135, QStringLiteral("welcome"), [](const int16_t*, size_t) { return true; });
    }
    if (warmAudio_ || !warmQueue_.empty()) {
        QTimer::singleShot(0, this, [this] { warmStep(); });
    } else {
        warming_ = false;
        warmedUp.store(true);
    }
}

void SpeechWorker::teardown()
{
    if (tornDown_)
        return;
    tornDown_ = true;
    warmQueue_.clear();
    // Take the channels out first: a sink's destructor runs the event loop.
    std::map<ChannelState*, std::unique_ptr<Playback>> channels;
    channels.swap(channels_);
    for (auto& [key, p] : channels) {
        p->ticker->stop();
        delete p->ticker;
        if (p->sink) {
            p->sink->stop();
            delete p->sink;
        }
    }
    warmedUp.store(true);
}

} // namespace speech
