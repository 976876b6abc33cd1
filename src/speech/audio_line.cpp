// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/audio_line.h"

#include "speech/speech_log.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <pulse/pulseaudio.h>

namespace speech {

namespace {
constexpr qint64 Ms = 1000000; // ns

// The stream's buffer. The server starts playing once StartMs are queued (a short word is
// played out at its end anyway), keeps about TargetMs between the worker and the speaker,
// and asks for more in steps of StepMs: long enough to ride out a busy worker that writes
// every 10 ms, short enough that a word starts at once.
constexpr int TargetMs = 80;
constexpr int StartMs = 20;
constexpr int StepMs = 10;
// A stop leaves this much of what is queued beyond the server's last known read position:
// the server may have taken that much more since it said, and overwriting what it already
// took would be lost.
constexpr int StopMarginMs = 20;
// What is kept of the samples written: more than the stream ever holds.
constexpr size_t HistorySeconds = 1;

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class Locker
{
public:
    explicit Locker(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
    ~Locker() { pa_threaded_mainloop_unlock(loop_); }
    Locker(const Locker&) = delete;
    Locker& operator=(const Locker&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

void forget(pa_operation* operation)
{
    if (operation)
        pa_operation_unref(operation);
}
} // namespace

AudioLine::AudioLine(QByteArray server, int sampleRate) : server_(std::move(server)), rate_(sampleRate)
{
    loop_ = pa_threaded_mainloop_new();
    if (loop_ && pa_threaded_mainloop_start(loop_) < 0) {
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }
    if (!loop_)
        qCWarning(lcSpeech) << "the audio line could not start: speech keeps its timing, silently";
    else
        pa_threaded_mainloop_set_name(loop_, "munchora-audio");
}

AudioLine::~AudioLine()
{
    if (!loop_)
        return;
    {
        Locker lock(loop_);
        release();
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

AudioLine::State AudioLine::poll(qint64 now)
{
    if (!loop_)
        return State::Off;
    Locker lock(loop_);
    if (state_ == State::Ready) {
        if (pa_context_get_state(context_) != PA_CONTEXT_READY || pa_stream_get_state(stream_) != PA_STREAM_READY)
            failed(QString::fromUtf8(pa_strerror(pa_context_errno(context_))), now);
    } else if (state_ == State::Connecting) {
        const pa_context_state_t context = pa_context_get_state(context_);
        if (context == PA_CONTEXT_READY && !stream_ && !openStream()) {
            failed(QString::fromUtf8(pa_strerror(pa_context_errno(context_))), now);
        } else if (!PA_CONTEXT_IS_GOOD(context)) {
            failed(QString::fromUtf8(pa_strerror(pa_context_errno(context_))), now);
        } else if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY) {
            state_ = State::Ready;
            written_ = 0;
            history_.clear();
            readIndex_ = -1;
            timingAsked_ = false;
            resting_ = false;
            if (warned_)
                qCInfo(lcSpeech) << "the audio output is back";
            warned_ = false;
            everReady_ = true;
        } else if (stream_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
            failed(QString::fromUtf8(pa_strerror(pa_context_errno(context_))), now);
        } else if (now - attemptNs_ > ConnectTimeoutMs * Ms) {
            failed(QStringLiteral("the sound server does not answer"), now);
        }
    }
    if (state_ == State::Off && (!attempted_ || now - attemptNs_ >= RetryMs * Ms))
        connect(now);
    return state_;
}

void AudioLine::connect(qint64 now)
{
    attempted_ = true;
    attemptNs_ = now;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Munchora");
    if (!context_) {
        failed(QStringLiteral("no context"), now);
        return;
    }
    // Never start a sound server of our own: with none there, speech keeps its time silently.
    if (pa_context_connect(context_, server_.isEmpty() ? nullptr : server_.constData(), PA_CONTEXT_NOAUTOSPAWN, nullptr)
        < 0) {
        failed(QString::fromUtf8(pa_strerror(pa_context_errno(context_))), now);
        return;
    }
    state_ = State::Connecting;
}

bool AudioLine::openStream()
{
    const pa_sample_spec format{PA_SAMPLE_S16LE, uint32_t(rate_), 1};
    stream_ = pa_stream_new(context_, "speech", &format, nullptr);
    if (!stream_)
        return false;
    const auto bytes = [this](int ms) { return uint32_t(rate_ / 1000.0 * ms) * 2; };
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = bytes(TargetMs);
    attr.prebuf = bytes(StartMs);
    attr.minreq = bytes(StepMs);
    attr.fragsize = uint32_t(-1);
    return pa_stream_connect_playback(stream_, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) >= 0;
}

void AudioLine::failed(const QString& why, qint64 now)
{
    release();
    state_ = State::Off;
    // A failure counts as an attempt: the next one comes a second later at the earliest.
    attemptNs_ = now;
    attempted_ = true;
    if (warned_)
        return;
    warned_ = true;
    if (everReady_)
        qCWarning(lcSpeech).noquote() << "the audio output failed (" + why
                + "): speech keeps its timing, silently, and tries the output again about once a second";
    else
        qCWarning(lcSpeech).noquote() << "no sound server (" + why
                + "): speech keeps its timing, silently, and tries again about once a second";
}

void AudioLine::release()
{
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)))
            pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    history_.clear();
    written_ = 0;
    readIndex_ = -1;
    timingAsked_ = false;
    resting_ = false;
}

size_t AudioLine::writable()
{
    if (!loop_)
        return 0;
    Locker lock(loop_);
    if (state_ != State::Ready)
        return 0;
    const size_t bytes = pa_stream_writable_size(stream_);
    return bytes == size_t(-1) ? 0 : bytes / 2;
}

size_t AudioLine::write(const int16_t* data, size_t count)
{
    if (!loop_)
        return 0;
    Locker lock(loop_);
    if (state_ != State::Ready)
        return 0;
    const size_t bytes = pa_stream_writable_size(stream_);
    if (bytes == size_t(-1))
        return 0;
    const size_t n = std::min(count, bytes / 2);
    if (n == 0)
        return 0;
    if (resting_) {
        forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
        resting_ = false;
    }
    if (pa_stream_write(stream_, data, n * 2, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        failed(QString::fromUtf8(pa_strerror(pa_context_errno(context_))), steadyNs());
        return 0;
    }
    written_ += int64_t(n);
    history_.insert(history_.end(), data, data + n);
    const size_t keep = size_t(rate_) * HistorySeconds;
    if (history_.size() > 2 * keep)
        history_.erase(history_.begin(), history_.end() - std::ptrdiff_t(keep));
    askTiming();
    return n;
}

void AudioLine::playOut()
{
    if (!loop_)
        return;
    Locker lock(loop_);
    if (state_ == State::Ready)
        forget(pa_stream_trigger(stream_, nullptr, nullptr));
}

void AudioLine::askTiming()
{
    // One question at a time; the answer comes within a round trip to the server.
    if (timingAsked_)
        return;
    if (pa_operation* asked = pa_stream_update_timing_info(stream_, &AudioLine::timingArrived, this)) {
        timingAsked_ = true;
        pa_operation_unref(asked);
    }
}

void AudioLine::timingArrived(pa_stream* stream, int success, void* self)
{
    // On libpulse's thread, with the lock held.
    auto* line = static_cast<AudioLine*>(self);
    if (stream != line->stream_)
        return; // an answer for a stream given up since
    line->timingAsked_ = false;
    const pa_timing_info* info = success ? pa_stream_get_timing_info(stream) : nullptr;
    if (!info || info->read_index_corrupt)
        return;
    line->readIndex_ = info->read_index / 2;
    line->playing_ = info->playing != 0;
    line->sinkNs_ = qint64(info->sink_usec) * 1000;
    line->timingNs_ = steadyNs();
}

qint64 AudioLine::readIndexAt(qint64 now) const
{
    if (readIndex_ < 0)
        return -1;
    int64_t read = readIndex_;
    if (playing_)
        read += int64_t(double(std::max<qint64>(0, now - timingNs_)) * rate_ / 1e9);
    return std::min(read, written_);
}

qint64 AudioLine::pendingNs(qint64 now)
{
    if (!loop_)
        return -1;
    Locker lock(loop_);
    if (state_ != State::Ready)
        return -1;
    const qint64 read = readIndexAt(now);
    if (read < 0)
        return -1;
    return (written_ - read) * 1000000000LL / rate_ + sinkNs_;
}

void AudioLine::fadeOut(const int16_t* next, size_t count, qint64 now)
{
    if (!loop_)
        return;
    Locker lock(loop_);
    if (state_ != State::Ready)
        return;
    // Where the fade begins: a little after the server's read position, so that what is
    // heard runs on into the fade without a jump. The samples from there on are known (they
    // were written, or are the ones that would have followed), so the fade continues the very
    // waveform that is playing. Unknown read position: fade after what is queued.
    const int64_t oldest = written_ - int64_t(history_.size());
    const qint64 read = readIndexAt(now);
    const int64_t from = read < 0 ? written_
                                  : std::clamp<int64_t>(read + int64_t(rate_) * StopMarginMs / 1000, oldest, written_);
    const int64_t fade = int64_t(rate_) * FadeMs / 1000;
    if (from == written_ && count == 0)
        return; // everything queued is heard to its end, and it ends there
    const int64_t end = std::max(written_, from + fade);
    std::vector<int16_t> tail(size_t(end - from), 0);
    for (int64_t i = 0; i < fade; ++i) {
        const int64_t at = from + i;
        double sample = 0;
        if (at < written_)
            sample = history_[size_t(at - oldest)];
        else if (size_t(at - written_) < count)
            sample = next[at - written_];
        const double gain = 0.5 * (1.0 + std::cos(M_PI * double(i + 1) / double(fade)));
        tail[size_t(i)] = int16_t(std::lround(sample * gain));
    }
    // Written over the queue in place: what the server holds beyond the fade turns to silence,
    // and nothing is re-opened.
    if (pa_stream_write(stream_, tail.data(), tail.size() * 2, nullptr, from * 2, PA_SEEK_ABSOLUTE) < 0) {
        failed(QString::fromUtf8(pa_strerror(pa_context_errno(context_))), now);
        return;
    }
    history_.resize(size_t(from - oldest));
    history_.insert(history_.end(), tail.begin(), tail.end());
    written_ = end;
    forget(pa_stream_trigger(stream_, nullptr, nullptr));
    askTiming();
}

bool AudioLine::rest(qint64 now)
{
    if (!loop_)
        return true;
    Locker lock(loop_);
    if (state_ != State::Ready || resting_)
        return true;
    // Pausing with sound queued would hold a fade halfway: wait until it is heard.
    const qint64 read = readIndexAt(now);
    if (read >= 0 && read < written_) {
        askTiming();
        return false;
    }
    forget(pa_stream_cork(stream_, 1, nullptr, nullptr));
    resting_ = true;
    return true;
}

void AudioLine::fail(const char* why)
{
    if (!loop_)
        return;
    Locker lock(loop_);
    if (state_ != State::Off)
        failed(QString::fromUtf8(why), steadyNs());
}

} // namespace speech
