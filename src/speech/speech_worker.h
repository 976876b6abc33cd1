// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The speech worker: lives on its own thread with its own event loop, owns the engines' use
// and the audio line, and plays the texts of every mouth in one queue. The user-interface
// thread only posts commands to it and reads the atomic state of ChannelState.

#include "speech/speech_cache.h"
#include "speech/speech_engines.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace speech {

// std::chrono::steady_clock, in nanoseconds.
qint64 steadyNow();

// What the user-interface thread and the worker share about one mouth. Utterances are
// numbered 1, 2, ... per mouth. The UI thread writes requested and cancelled, the worker
// writes finished; both may move guardEnd.
struct ChannelState
{
    explicit ChannelState(QString name) : owner(std::move(name)) {}

    const QString owner;
    std::atomic<quint64> requested{0}; // the last utterance given
    std::atomic<quint64> cancelled{0}; // everything up to this one was stopped
    std::atomic<quint64> finished{0};  // everything up to this one was heard
    // "Speaking" never lasts beyond this steady time (ns), even if the audio system or the
    // worker hangs. Set from the length of the texts, then from the synthesised durations.
    std::atomic<qint64> guardEnd{0};
    // When the last stop cut something off (steady ns; UI thread).
    std::atomic<qint64> stoppedNs{0};
    // Worker: a text was heard to its end, or the guard moved, so "speaking" may have ended or
    // will end at another time. Set once before the channel's first text; may be empty.
    std::function<void()> progressed;

    bool speaking(qint64 now) const;
    // UI thread: the last text given will certainly be over by end.
    void raiseGuard(qint64 end);
    // Worker: utterance id is under way and will certainly be over at end.
    void settleGuard(quint64 id, qint64 end);
};

// The texts of every mouth that are still to be heard, as guard time. The program has one
// voice, so a text waits behind the texts of other mouths given before it: its guard must
// allow for them. The UI thread adds a text's guard time when it is given, the worker takes
// it away when the text leaves the queue (heard, stopped or dropped).
class SpeechBacklog
{
public:
    // UI thread: a text that takes at most ns was queued; the deadline by which it is heard.
    qint64 add(qint64 now, qint64 ns) { return now + (pending_.fetch_add(ns) + ns); }
    void remove(qint64 ns) { pending_.fetch_sub(ns); }

private:
    std::atomic<qint64> pending_{0};
};

// A generous bound on how long a text takes to say at a speed, for the guard deadline.
double guardSeconds(const QString& text, int velocita);
// How long the silent voice (no engine at all) takes to "say" a text.
double silentSeconds(const QString& text, int velocita);

struct Utterance
{
    quint64 id = 0;
    QString text;
    int voice = -1; // index into voiceCatalogue(); -1: no engine, time it on a clock
    int velocita = 135;
    qint64 guardNs = 0; // what it added to the backlog
};

class AudioLine;

// Plays the texts of all mouths one after another, in the order they were given, through
// the one audio line (or on a clock when there is no sound).
class SpeechWorker : public QObject
{
public:
    enum class Event { FirstAudio, Silenced, Finished };
    using Observer = std::function<void(Event, const QString& owner, const QString& text, bool sink, qint64 steadyNs)>;

    // audio false: never touch a sound server, keep the timing on a clock. The sound server
    // is the one PULSE_SERVER names now (read here, on the creating thread).
    // cache: where texts made before are found and new ones kept (null: made every time).
    SpeechWorker(bool audio, std::shared_ptr<SpeechBacklog> backlog, std::unique_ptr<SpeechCache> cache = nullptr,
                 Synthesizer synthesizer = synthesize);
    ~SpeechWorker() override;

    // All of these run on the worker thread.
    void speak(const std::shared_ptr<ChannelState>& channel, const Utterance& utterance);
    void stop(const std::shared_ptr<ChannelState>& channel, quint64 upTo);
    void close(const std::shared_ptr<ChannelState>& channel);
    // Reaches for the sound server now, so that the first text finds the line open.
    void openLine();
    // Queues voices (catalogue indices) to warm up in the pauses.
    void warmUp(std::vector<int> voices);
    // Warms one voice up at once, ahead of anything queued after it.
    void warmNow(int voice);
    void setObserver(Observer observer) { observer_ = std::move(observer); }
    // Stops every sound and closes the line; afterwards the worker does nothing.
    void teardown();

    std::atomic<bool> warmedUp{false};

private:
    struct Item
    {
        std::shared_ptr<ChannelState> channel;
        Utterance utterance;
    };
    enum class Output {
        Waiting, // the line is being opened: hold the samples a moment
        Line,
        Clock,
    };

    void startNext();
    // Makes the current text into playing_.samples, from the cache or the engine; false when it failed.
    bool make(const CatalogueVoice& voice, const PcmChunk& chunk);
    void startSilentClock();
    void settleGuard();
    void resolveWaiting(qint64 now);
    void startClock(qint64 now);
    void lineLost(qint64 now);
    void feed(qint64 now);
    void tick();
    // On the clock: the ticker next fires at end (or sooner, to try the line again).
    void wakeAt(qint64 now, qint64 end);
    void silence();  // the current text stopped
    void complete(); // the current text heard to its end
    void finish();   // complete, then the next text
    void release(const Utterance& utterance);
    void restLine();
    AudioLine* line();
    void warmStep();
    bool anyBusy() const;
    void notify(Event event, bool sink, qint64 when);

    const bool audio_;
    const QByteArray server_;
    std::shared_ptr<SpeechBacklog> backlog_;
    std::unique_ptr<SpeechCache> cache_;
    Synthesizer synthesizer_;
    std::unique_ptr<AudioLine> line_;
    bool tornDown_ = false;
    std::deque<Item> queue_;
    QTimer* ticker_ = nullptr;
    QTimer* resting_ = nullptr; // pauses the line a moment after the last text

    // The text being heard, and how far it got: a new text starts from Progress{}.
    struct Progress
    {
        Output output = Output::Clock;
        std::vector<int16_t> samples; // as far as it is made
        size_t written = 0;           // how many of them went to the line
        bool synthesised = false;
        bool playedOut = false;
        qint64 startNs = 0;    // its first samples were handed over
        qint64 clockNs = 0;    // silent voice: its length
        qint64 progressNs = 0; // the line last took samples (or the text began)
        qint64 drainNs = 0;    // after the last write: when the line will have played it all
        bool guardSettled = false;
    };
    bool busy_ = false;
    Item current_;
    Progress playing_;

    std::deque<int> warmQueue_;
    bool warming_ = false;
    Observer observer_;
};

} // namespace speech
