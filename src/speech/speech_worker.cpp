// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/speech_worker.h"

#include "speech/audio_line.h"
#include "speech/speech_log.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>

namespace speech {

namespace {
constexpr qint64 Ms = 1000000; // ns
constexpr int TickMs = 10;
// After the last sample's time: the sound server's own latency.
constexpr qint64 EndMargin = 40 * Ms;
// A text that begins while the line is being opened waits for it until the attempt is this
// old, then keeps its time on the clock (a server that never answers costs no more).
constexpr qint64 LineWait = 250 * Ms;
// A line that takes nothing for this long while samples wait has stalled (a server that is
// stopped or hung): it is given up and tried again later. Some sinks legitimately hold a new
// stream back for up to two seconds (one that has rendered that far ahead while idle).
constexpr qint64 StallLimit = 3000 * Ms;
// A text that follows a stop of its mouth sounds no sooner than this after the stop: quick
// clicks on a mouth (each a stop and a speak) are then heard as the last word alone, not as
// a rattle of word beginnings.
constexpr qint64 StopSettle = 30 * Ms;
// The line pauses this long after the last text (once its sound is heard), so the sound server
// may let the card rest; texts close together keep it running.
constexpr qint64 RestAfter = 500 * Ms;

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
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ChannelState::speaking(qint64 now) const
{
    const quint64 last = requested.load();
    const quint64 done = std::max(finished.load(), cancelled.load());
    return last > done && now < guardEnd.load();
}

void ChannelState::raiseGuard(qint64 end)
{
    qint64 old = guardEnd.load();
    while (old < end && !guardEnd.compare_exchange_weak(old, end)) {}
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
    while (guard < end && !guardEnd.compare_exchange_weak(guard, end)) {}
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

SpeechWorker::SpeechWorker(bool audio, std::shared_ptr<SpeechBacklog> backlog, std::unique_ptr<SpeechCache> cache,
                           Synthesizer synthesizer)
    : audio_(audio), server_(qgetenv("PULSE_SERVER")), backlog_(std::move(backlog)), cache_(std::move(cache)),
      synthesizer_(synthesizer ? std::move(synthesizer) : Synthesizer(synthesize))
{
    ticker_ = new QTimer(this);
    ticker_->setInterval(TickMs);
    ticker_->setTimerType(Qt::PreciseTimer);
    connect(ticker_, &QTimer::timeout, this, [this] { tick(); });
    resting_ = new QTimer(this);
    resting_->setSingleShot(true);
    resting_->setInterval(RestAfter / Ms);
    connect(resting_, &QTimer::timeout, this, [this] { restLine(); });
}

SpeechWorker::~SpeechWorker() = default;

void SpeechWorker::notify(Event event, bool sink, qint64 when)
{
    if (observer_)
        observer_(event, current_.channel->owner, current_.utterance.text, sink, when);
}

AudioLine* SpeechWorker::line()
{
    if (!audio_ || tornDown_)
        return nullptr;
    if (!line_)
        line_ = std::make_unique<AudioLine>(server_, OutputRate);
    return line_.get();
}

void SpeechWorker::openLine()
{
    if (AudioLine* l = line())
        l->poll(steadyNow());
}

void SpeechWorker::release(const Utterance& utterance)
{
    backlog_->remove(utterance.guardNs);
}

void SpeechWorker::speak(const std::shared_ptr<ChannelState>& channel, const Utterance& utterance)
{
    if (tornDown_)
        return;
    queue_.push_back({channel, utterance});
    if (!busy_)
        startNext();
}

void SpeechWorker::stop(const std::shared_ptr<ChannelState>& channel, quint64 upTo)
{
    if (tornDown_)
        return;
    // Only this mouth's texts go; the others' stay in their places.
    for (auto it = queue_.begin(); it != queue_.end();) {
        if (it->channel == channel && it->utterance.id <= upTo) {
            release(it->utterance);
            it = queue_.erase(it);
        } else {
            ++it;
        }
    }
    if (busy_ && current_.channel == channel && current_.utterance.id <= upTo) {
        silence();
        startNext();
    }
}

void SpeechWorker::close(const std::shared_ptr<ChannelState>& channel)
{
    stop(channel, std::numeric_limits<quint64>::max());
}

void SpeechWorker::startNext()
{
    for (;;) {
        while (!queue_.empty() && queue_.front().utterance.id <= queue_.front().channel->cancelled.load()) {
            release(queue_.front().utterance);
            queue_.pop_front();
        }
        if (queue_.empty()) {
            busy_ = false;
            ticker_->stop();
            if (line_)
                resting_->start();
            return;
        }
        current_ = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        playing_ = Progress{};
        const Utterance& utterance = current_.utterance;
        ChannelState& channel = *current_.channel;

        if (utterance.voice < 0) {
            startSilentClock();
            return;
        }

        const qint64 now = steadyNow();
        playing_.progressNs = now;
        playing_.output = Output::Clock;
        if (AudioLine* l = line()) {
            const AudioLine::State state = l->poll(now);
            if (state == AudioLine::State::Ready)
                playing_.output = Output::Line;
            else if (state == AudioLine::State::Connecting && now - l->attemptNs() <= LineWait)
                playing_.output = Output::Waiting;
        }
        const quint64 id = utterance.id;
        const CatalogueVoice& voice = voiceCatalogue()[size_t(utterance.voice)];
        const bool made = make(voice, [this, &channel, id](const int16_t* data, size_t count) {
            if (channel.cancelled.load() >= id)
                return false;
            if (count == 0)
                return true;
            playing_.samples.insert(playing_.samples.end(), data, data + count);
            const qint64 at = steadyNow();
            if (playing_.output == Output::Waiting)
                resolveWaiting(at);
            if (playing_.output == Output::Line)
                feed(at);
            else if (playing_.output == Output::Clock && playing_.startNs == 0)
                startClock(at);
            return true;
        });
        if (channel.cancelled.load() >= id) {
            // Stopped while it was being made: the stop command that follows finds it gone.
            silence();
            continue;
        }
        if (!made)
            qCWarning(lcSpeech) << channel.owner << ": the voice" << voice.displayName << "could not say"
                                << utterance.text;
        playing_.synthesised = true;
        if (playing_.samples.empty()) {
            complete();
            continue;
        }
        settleGuard();
        ticker_->start(TickMs);
        tick();
        return;
    }
}

bool SpeechWorker::make(const CatalogueVoice& voice, const PcmChunk& chunk)
{
    const Utterance& utterance = current_.utterance;
    QByteArray key;
    if (cache_) {
        key = SpeechCache::keyFor(voice, utterance.velocita, utterance.text);
        if (const auto kept = cache_->find(key)) {
            chunk(kept->data(), kept->size()); // all at once: the line takes what it can
            return true;
        }
    }
    const bool made = synthesizer_(voice, utterance.velocita, utterance.text, chunk);
    // Only a whole text is kept: one stopped half-way is made again next time.
    if (cache_ && made && current_.channel->cancelled.load() < utterance.id)
        cache_->store(key, playing_.samples);
    return made;
}

void SpeechWorker::settleGuard()
{
    // Once the length is known and the sound has begun, the guard follows the sound itself,
    // with room for a slow device.
    if (playing_.guardSettled || !playing_.synthesised || playing_.startNs == 0)
        return;
    const qint64 length = durationNs(qint64(playing_.samples.size()));
    current_.channel->settleGuard(current_.utterance.id, playing_.startNs + length + length / 2 + 2000 * Ms);
    playing_.guardSettled = true;
    if (current_.channel->progressed)
        current_.channel->progressed();
}

void SpeechWorker::restLine()
{
    if (busy_ || !queue_.empty() || !line_)
        return;
    if (!line_->rest(steadyNow()))
        resting_->start(); // a fade still plays
}

void SpeechWorker::startSilentClock()
{
    playing_.output = Output::Clock;
    playing_.synthesised = true;
    playing_.startNs = steadyNow();
    playing_.clockNs = nsFor(silentSeconds(current_.utterance.text, current_.utterance.velocita));
    notify(Event::FirstAudio, false, playing_.startNs);
    current_.channel->settleGuard(current_.utterance.id, playing_.startNs + playing_.clockNs + 2000 * Ms);
    ticker_->start(TickMs);
}

void SpeechWorker::resolveWaiting(qint64 now)
{
    const AudioLine::State state = line_->poll(now);
    if (state == AudioLine::State::Ready) {
        playing_.output = Output::Line;
        playing_.progressNs = now;
    } else if (state == AudioLine::State::Off || now - line_->attemptNs() > LineWait) {
        startClock(now);
    }
}

void SpeechWorker::startClock(qint64 now)
{
    playing_.output = Output::Clock;
    if (playing_.startNs == 0 && !playing_.samples.empty()) {
        playing_.startNs = now;
        notify(Event::FirstAudio, false, playing_.startNs);
    }
}

void SpeechWorker::lineLost(qint64 now)
{
    // The rest of the text keeps its time on the clock, from where the sound began.
    playing_.output = Output::Clock;
    if (playing_.startNs == 0) {
        playing_.startNs = now;
        notify(Event::FirstAudio, false, playing_.startNs);
    }
}

void SpeechWorker::feed(qint64 now)
{
    if (playing_.startNs == 0 && now < current_.channel->stoppedNs.load() + StopSettle)
        return; // the tick writes it once the stop has settled
    const size_t left = playing_.samples.size() - playing_.written;
    if (left > 0) {
        const size_t taken = line_->write(playing_.samples.data() + playing_.written, left);
        if (taken > 0) {
            playing_.written += taken;
            playing_.progressNs = now;
            if (playing_.startNs == 0) {
                playing_.startNs = now;
                notify(Event::FirstAudio, true, playing_.startNs);
            }
        }
    }
    if (playing_.synthesised && playing_.written == playing_.samples.size() && !playing_.playedOut) {
        // A short word may not fill what the server waits for before it plays: play it out.
        line_->playOut();
        playing_.playedOut = true;
        const qint64 pending = line_->pendingNs(now);
        playing_.drainNs = pending >= 0 ? now + pending : 0;
    }
}

void SpeechWorker::tick()
{
    if (!busy_ || !playing_.synthesised)
        return;
    const qint64 now = steadyNow();
    if (current_.utterance.voice < 0) {
        if (now >= playing_.startNs + playing_.clockNs)
            finish();
        else
            wakeAt(now, playing_.startNs + playing_.clockNs);
        return;
    }
    if (playing_.output == Output::Waiting)
        resolveWaiting(now);
    if (playing_.output == Output::Line) {
        if (line_->poll(now) == AudioLine::State::Ready)
            feed(now);
        else
            lineLost(now);
    } else if (playing_.output == Output::Clock && line_) {
        // Meanwhile the line is tried again (once a second at most), so that the next text
        // finds it back.
        line_->poll(now);
    }
    if (playing_.output == Output::Waiting)
        return;
    settleGuard();
    const qint64 length = durationNs(qint64(playing_.samples.size()));
    if (playing_.output == Output::Line) {
        if (playing_.written < playing_.samples.size()) {
            if (now - playing_.progressNs > StallLimit) {
                line_->fail("it takes no more sound");
                lineLost(now);
            }
            return;
        }
        if (now >= std::max(playing_.startNs + length, playing_.drainNs) + EndMargin)
            finish();
        return;
    }
    if (now >= playing_.startNs + length + EndMargin)
        finish();
    else if (playing_.startNs > 0)
        wakeAt(now, playing_.startNs + length + EndMargin);
}

void SpeechWorker::wakeAt(qint64 now, qint64 end)
{
    // On the clock nothing is written while the text lasts: the next tick is its end (or, at
    // the latest, the next try of the sound line), not ten milliseconds on. A classroom server
    // runs many copies, each ticking while it speaks.
    const int ms = int(std::clamp<qint64>((end - now) / Ms + 1, TickMs, 250));
    if (ticker_->interval() != ms)
        ticker_->start(ms);
}

void SpeechWorker::silence()
{
    if (!busy_)
        return;
    const bool onLine = playing_.output == Output::Line && playing_.written > 0;
    if (onLine)
        line_->fadeOut(playing_.samples.data() + playing_.written, playing_.samples.size() - playing_.written,
                       steadyNow());
    busy_ = false;
    playing_.samples.clear();
    ticker_->stop();
    release(current_.utterance);
    notify(Event::Silenced, onLine, steadyNow());
}

void SpeechWorker::complete()
{
    current_.channel->finished.store(current_.utterance.id);
    if (current_.channel->progressed)
        current_.channel->progressed();
    busy_ = false;
    playing_.samples.clear();
    ticker_->stop();
    release(current_.utterance);
    notify(Event::Finished, playing_.output == Output::Line, steadyNow());
}

void SpeechWorker::finish()
{
    complete();
    // The next text from the event loop, so that a long queue never nests.
    QTimer::singleShot(0, this, [this] {
        if (!busy_ && !tornDown_)
            startNext();
    });
}

bool SpeechWorker::anyBusy() const
{
    return busy_ || !queue_.empty();
}

void SpeechWorker::warmUp(std::vector<int> voices)
{
    if (tornDown_)
        return;
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
    if (!warmQueue_.empty()) {
        // Each engine's first utterance is slow (Flite loads its voice data lazily).
        const CatalogueVoice& voice = voiceCatalogue()[size_t(warmQueue_.front())];
        warmQueue_.pop_front();
        synthesize(voice, 135, QStringLiteral("welcome"), [](const int16_t*, size_t) { return true; });
    }
    if (!warmQueue_.empty()) {
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
    queue_.clear();
    busy_ = false;
    delete ticker_;
    ticker_ = nullptr;
    delete resting_;
    resting_ = nullptr;
    line_.reset();
    warmedUp.store(true);
}

} // namespace speech
