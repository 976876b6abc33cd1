// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "speech/pcm_tools.h"
#include "speech/speech_cache.h"
#include "speech/speech_engines.h"
#include "speech/speech_service.h"

#include <functional>
#include <memory>
#include <optional>

// The program's speech: eSpeak NG and Flite voices, played one text after another through
// one PulseAudio stream on a worker thread, or timed silently when there is no sound server. firstVoice (1-based, 0 for
// none) is the voice the settings name: it is made ready first.
std::unique_ptr<SpeechService> createEngineSpeechService(int firstVoice = 0);

struct EngineServiceOptions
{
    // Which engines may be used; an engine that does not start is left out anyway.
    bool flite = true;
    bool espeak = true;
    // false: never reach for a sound server, keep the timing on a clock (as with no server).
    bool audio = true;
    // Warm the engines up in the background at start.
    bool warmUp = true;
    // The voice number heard first (the saved one), warmed before the others; 0: none.
    int firstVoice = 0;
    // Where texts made before are found and new ones kept; none: every text is made anew.
    std::optional<speech::SpeechCache::Folders> cache;
    // Tests stand in for the engines' synthesis (to count it); empty: the engines.
    speech::Synthesizer synthesizer;
};

// The real service. Voices are numbered from 1 in the fixed order of the voice catalogue,
// leaving out those of an engine that did not start; with no engine at all there is one
// voice, "silent", which keeps the timing of speech on a clock.
class EngineSpeechService final : public SpeechService
{
public:
    explicit EngineSpeechService(const EngineServiceOptions& options = {});
    ~EngineSpeechService() override;

    int voiceCount() const override;
    QString voiceName(int number) const override;
    // 1: the engine's voice as shipped; 2: a voice the program adjusts (an eSpeak NG voice with
    // a variant such as "+f2"); 0: no such voice.
    int voiceKind(int number) const override;
    std::unique_ptr<SpeechChannel> openChannel(const QString& owner) override;

    // Stops the worker thread and closes the audio line; channels still open keep
    // answering, silently. Called by the destructor, and at exit before the application object
    // goes away. Never blocks for more than a few seconds, even on a hung sound server.
    void shutdown();

    // What happens to an utterance on the worker thread, for benchmarks.
    enum class Event {
        FirstAudio, // its first samples were handed to the audio line (or to the clock)
        Silenced,   // a stop took effect: its fade was written to the line (or the clock stopped)
        Finished,   // played to its end
    };
    // Called on the worker thread with the event, the channel's owner, the text, whether the
    // audio line (not the clock) played it, and std::chrono::steady_clock time in nanoseconds.
    // Whatever the observer uses must outlive the service (or the observer must be cleared).
    using Observer = std::function<void(Event, const QString& owner, const QString& text, bool sink, qint64 steadyNs)>;
    void setObserver(Observer observer);
    // True once the background warm-up is done (or was not asked for).
    bool warmedUp() const;

    struct Core; // shared with the channels, which may outlive the service

private:
    std::shared_ptr<Core> core_;
};

// The PCM the program plays for text with voice number voice (numbered as the real service
// offers them) at speed velocita: silence trimmed, speech::OutputRate. Empty when the voice
// number is not offered. For tests and benchmarks; safe next to a running service.
speech::Pcm synthesizeSpeech(int voice, int velocita, const QString& text);

// A service that offers one voice, "silent", and never speaks: what is left once the real
// service has been shut down at exit.
std::unique_ptr<SpeechService> createMuteSpeechService();

// Fills a cache folder (a classroom's shared one) with the speech of texts, said by voice number
// voice at speed velocita, as the program would make it; an entry already there and whole is
// kept. False, with why, when the voice is not offered or the folder cannot be written.
struct SpeechPreparation
{
    QString voiceName;
    int made = 0;
    int kept = 0;
    int failed = 0;
    qint64 bytes = 0; // of all the texts' entries in the folder
};
bool prepareSpeechCache(const QString& folder, int voice, int velocita, const QStringList& texts,
                        SpeechPreparation& result, QString* why);
