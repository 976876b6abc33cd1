// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one audio line: a single PulseAudio playback stream (mono 16-bit) that stays
// open for the whole run. Everything the mouths say goes through it one text after another.
// A stop fades out what is playing and silences what is queued, without closing the stream:
// closing and reopening it on every click is what turned quick clicks into noise.
//
// Used from one thread (the speech worker); libpulse's own thread does the socket work.
// Nothing here ever waits for the sound server: a server that is gone, or that accepts and
// never answers, only makes poll() report Off, and the line tries again about once a second.

#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace speech {

class AudioLine
{
public:
    enum class State {
        Off,        // no sound server: keep time on a clock
        Connecting, // an attempt is under way; it ends one way or the other within seconds
        Ready,      // samples may be written
    };

    // server: as in PULSE_SERVER; empty for libpulse's own default.
    AudioLine(QByteArray server, int sampleRate);
    ~AudioLine();
    AudioLine(const AudioLine&) = delete;
    AudioLine& operator=(const AudioLine&) = delete;

    // Looks at the connection; when it is off and the last attempt is at least RetryMs old,
    // starts a new one. now: steadyNow().
    State poll(qint64 now);
    // How many samples the line takes now without growing its buffer beyond its target.
    size_t writable();
    // Writes up to count samples (no more than writable()); returns how many it took.
    size_t write(const int16_t* data, size_t count);
    // Plays what is queued even if it is less than the stream waits for before starting: the
    // end of a text.
    void playOut();
    // Audio written and not heard yet, in ns; -1 when the server has not said yet.
    qint64 pendingNs(qint64 now);
    // A stop: what is about to be heard fades to zero within FadeMs, what is queued after it
    // becomes silence. next: the samples that would have been written next (the fade follows
    // them where the queue runs out).
    void fadeOut(const int16_t* next, size_t count, qint64 now);
    // Nothing more to say for now: once what is queued has been heard, the stream pauses, so
    // the sound server may let the sound card rest. False while sound is still queued (ask
    // again later). The next write resumes it.
    bool rest(qint64 now);
    // Gives the connection up (it stopped taking sound); tried again later.
    void fail(const char* why);
    // When the last attempt to connect began (steady ns).
    qint64 attemptNs() const { return attemptNs_; }

    static constexpr int RetryMs = 1000;
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr int FadeMs = 10;

private:
    void connect(qint64 now);
    bool openStream();
    void failed(const QString& why, qint64 now); // under the lock
    void release();                              // under the lock
    qint64 readIndexAt(qint64 now) const;        // under the lock; samples, -1 when unknown
    void askTiming();                            // under the lock
    static void timingArrived(pa_stream* stream, int success, void* self);

    const QByteArray server_;
    const int rate_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    State state_ = State::Off;
    bool attempted_ = false;
    qint64 attemptNs_ = 0;
    bool everReady_ = false;
    bool warned_ = false; // an outage was reported and the line has not come back since

    // The stream's write index in samples (it starts at 0 with the stream) and the last
    // samples written, for the fade of a stop.
    int64_t written_ = 0;
    std::vector<int16_t> history_;

    // The server's last report of its read index (written by libpulse's thread, under the lock).
    int64_t readIndex_ = -1; // samples
    bool playing_ = false;
    qint64 timingNs_ = 0;
    qint64 sinkNs_ = 0;
    bool timingAsked_ = false;
    bool resting_ = false;
};

} // namespace speech
