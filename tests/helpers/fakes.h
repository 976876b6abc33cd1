// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Replacements for the program's seams: a speech recorder, scripted random draws, scripted
// message boxes and temporary settings / program folders. Each installs itself on
// construction and restores the real thing on destruction.

#include "settings/random_source.h"
#include "shell/dialogs.h"
#include "speech/silence_watch.h"
#include "speech/speech_service.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <map>

// Records every speech request of every mouth; "speaking" is controlled by the test.
class RecordingSpeechService final : public SpeechService
{
public:
    struct Event
    {
        QString owner;
        QString kind; // "speak", "stop", "rate", "voice", "flag"
        QString text;
        int value = 0;
    };

    RecordingSpeechService();
    ~RecordingSpeechService() override;

    int voiceCount() const override { return int(voiceNames.size()); }
    QString voiceName(int number) const override;
    int voiceKind(int number) const override;
    std::unique_ptr<SpeechChannel> openChannel(const QString& owner) override;

    // Texts spoken, in order; by one owner when owner is given.
    QStringList spoken(const QString& owner = QString()) const;
    // "Form2: speak \"x\"" / "Form2: stop" lines, in order.
    QStringList log(const QString& owner = QString()) const;
    // The last rate / voice set on a mouth of that owner, or -1.
    int lastValue(const QString& owner, const QString& kind) const;
    void clear() { events.clear(); }

    // Test controls.
    QStringList voiceNames{QStringLiteral("Voice one"), QStringLiteral("Voice two"), QStringLiteral("Voice three")};
    QList<int> voiceKinds{1, 2, 1};
    QSet<int> refusedVoices; // numbers setVoice refuses
    // When on, a mouth that spoke stays "speaking" until stopped or until this is turned off,
    // which the waiting mouths are told, as the speech side tells them.
    class Switch
    {
    public:
        explicit Switch(RecordingSpeechService& service) : service_(service) {}
        Switch& operator=(bool on);
        operator bool() const { return on_; }

    private:
        RecordingSpeechService& service_;
        bool on_ = false;
    };
    Switch holdSpeaking{*this};
    // Speech that ends by itself after this many milliseconds (0: at once).
    int speakingMs = 0;
    // The waiting mouths' watches, told when holdSpeaking is turned off.
    std::vector<std::weak_ptr<SilenceWatch>> watches;
    std::vector<Event> events;
    int openChannels = 0;
};

// Hands out scripted draws, then a fixed varying sequence (and counts how many it ran short).
class ScriptedRandom final : public RandomSource
{
public:
    ScriptedRandom();
    ~ScriptedRandom() override;
    double next() override;
    void push(std::initializer_list<double> values) { draws.insert(draws.end(), values); }
    // x that draws choice k (0-based) among n: the middle of its interval.
    static double choice(int k, int n) { return (k + 0.5) / n; }
    // x that draws word index w (1..30).
    static double word(int w) { return choice(w - 1, 30); }

    std::deque<double> draws;
    int ranShort = 0;
    int used = 0;
};

// Answers message boxes from a script (Yes when nothing is scripted) and records them.
class ScriptedDialogs final : public Dialogs
{
public:
    struct Box
    {
        QString text;
        QString title;
        BoxIcon icon;
        BoxButtons buttons;
        int closesAfterMs = 0; // closes by itself
    };
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    // Answered at once: the next of answers (Yes when none is left), Ok for an Ok box.
    void ask(QWidget* parent, const QString& text, const QString& title, BoxIcon icon, BoxButtons buttons, Then then,
             int closeAfterMs) override;
    bool asking() const override { return false; }

    std::deque<BoxAnswer> answers;
    QList<Box> shown;
};

// A temporary settings folder and a program folder whose jpg/ holds the real pictures.
class TempFolders
{
public:
    TempFolders();
    ~TempFolders();
    QString settings() const { return settingsDir_.path() + QStringLiteral("/ImpostazioniProgrammiZerlino"); }
    QString program() const { return programDir_.path(); }

private:
    QTemporaryDir settingsDir_;
    QTemporaryDir programDir_;
};

// Fresh shared state: words loaded, defaults for voice and speed, counters and indices 0.
void resetSharedState();
// Sends the deferred deletions, so unloaded screens are really gone.
void flushDeletes();
