#pragma once
// The speech worker: lives on its own thread with its own event loop, owns the engines'
// use and the audio sinks, and plays each mouth's queue. The user-interface thread only
// posts commands to it and reads the atomic state of ChannelState.

#include "speech/speech_engines.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;
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

    bool speaking(qint64 now) const;
    // UI thread: a text was queued that should be over within seconds after the ones before.
    void extendGuard(qint64 now, double seconds);
    // Worker: utterance id is under way and will certainly be over at end.
    void settleGuard(quint64 id, qint64 end);
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
};

class SpeechWorker : public QObject
{
public:
    enum class Event { FirstAudio, Silenced, Finished };
    using Observer = std::function<void(Event, const QString& owner, const QString& text, bool sink,
                                        qint64 steadyNs)>;

    explicit SpeechWorker(bool audio);
    ~SpeechWorker() override;

    // All of these run on the worker thread.
    void speak(const std::shared_ptr<ChannelState>& channel, const Utterance& utterance);
    void stop(const std::shared_ptr<ChannelState>& channel, quint64 upTo);
    void close(const std::shared_ptr<ChannelState>& channel);
    // Queues voices (catalogue indices) to warm up in the pauses; the first call also reaches
    // the sound server once.
    void warmUp(std::vector<int> voices);
    // Warms one voice up at once, ahead of anything queued after it.
    void warmNow(int voice);
    void setObserver(Observer observer) { observer_ = std::move(observer); }
    // Stops every sound and releases the sinks; afterwards the worker does nothing.
    void teardown();

    std::atomic<bool> warmedUp{false};

private:
    struct Playback;

    Playback& playback(const std::shared_ptr<ChannelState>& channel);
    void startNext(Playback& p);
    void startSilentClock(Playback& p);
    void settleGuard(Playback& p);
    bool openSink(Playback& p);
    void feed(Playback& p);
    void tick(Playback& p);
    void silence(Playback& p);
    void complete(Playback& p); // heard to its end
    void finish(Playback& p);   // complete, then the next text
    void dropSink(Playback& p);
    void warmStep();
    bool anyBusy() const;
    void notify(Event event, const Playback& p, bool sink, qint64 when);

    bool audio_;
    bool tornDown_ = false;
    bool warnedNoDevice_ = false;
    std::map<ChannelState*, std::unique_ptr<Playback>> channels_;
    std::deque<int> warmQueue_;
    bool warmAudio_ = false;
    bool audioWarmAsked_ = false;
    bool warming_ = false;
    Observer observer_;
};

} // namespace speech
