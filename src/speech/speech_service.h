// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One speech service for the process, many mouths: each screen's mouth opens its own
// channel, with its own voice, speed and queue. The program installs the service built on
// eSpeak NG and Flite; tests install a recorder.

#include <QString>

#include <functional>
#include <memory>

// One mouth's queue and settings. Speak and Stop never block the caller.
class SpeechChannel
{
public:
    virtual ~SpeechChannel() = default;
    // Queues a text; texts given while speaking are heard afterwards, in order.
    virtual void speak(const QString& text) = 0;
    // Silence at once; nothing queued before is heard any more.
    virtual void stop() = 0;
    // True from the moment speak() returns until the last queued text has been heard,
    // also while the caller polls it in a loop without handling events.
    virtual bool speakingNow() const = 0;
    // Runs then from the event loop once everything given so far has been heard or stopped
    // (on the next turn when nothing is being said). The speech side tells: nothing polls while
    // it waits. What a channel was given is dropped with it.
    virtual void whenSilent(std::function<void()> then) = 0;
    // Speed in the program's units (Velocita, 50..200; 135 is a calm pace).
    virtual void setRate(int velocita) = 0;
    // Selects a voice by its 1-based number; false when the number is refused.
    virtual bool setVoice(int number) = 0;
    virtual int voice() const = 0;
    // FlagVoce: 1 when the selected voice is one the program adjusts (kind 2), else 0.
    virtual void setFlag(int flag) = 0;
};

class SpeechService
{
public:
    virtual ~SpeechService() = default;
    virtual int voiceCount() const = 0;
    // Display name of a voice, 1-based; empty when there is no such voice.
    virtual QString voiceName(int number) const = 0;
    // 1: the engine's voice as shipped; 2: a voice the program adjusts (a variant);
    // 0 when there is no such voice.
    virtual int voiceKind(int number) const = 0;
    // A new channel; owner names the screen in the log ("Form2").
    virtual std::unique_ptr<SpeechChannel> openChannel(const QString& owner) = 0;

    // The installed service; the first call without one starts the real engines.
    static SpeechService& instance();
    // Starts the real engines now, in the background, making voice firstVoice (1-based) ready
    // first. Does nothing when a service is already there.
    static void start(int firstVoice);
    // Installs a service (not owned); nullptr goes back to the real one.
    static void install(SpeechService* service);
};
