// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two speech engines, called as libraries that hand back PCM: Flite (US and Scottish
// voices) and eSpeak NG (British and US voices). Both are process-wide C libraries that are
// not re-entrant, so every call goes through one lock; the speech worker is the only caller
// in the program, tests and benchmarks may call too.

#include "speech/pcm_tools.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace speech {

enum class Engine { Flite, Espeak };

// Everything the program plays runs at this rate (Flite's 16 kHz is converted up).
inline constexpr int OutputRate = 22050;

struct CatalogueVoice
{
    const char* displayName;
    Engine engine;
    // Flite: the voice's short name ("slt"). eSpeak NG: the voice file name, with a variant
    // after '+' ("en+f3"); the file name, not the language ("en", never "en-gb").
    const char* engineVoice;
    // 1: the engine's voice as shipped. 2: a voice the program adjusts (a variant, a pitch).
    int kind;
    // The voice's pace at Velocita 135: Flite's duration_stretch, eSpeak's words per minute.
    double pace;
    // eSpeak only, 0..100; -1 keeps the engine's default (50).
    int pitch = -1;
    int range = -1;
};

// The voices the program offers, in their fixed order (voice number = index + 1), before
// dropping those of an engine that does not start.
const std::vector<CatalogueVoice>& voiceCatalogue();

// Starts the engine once per process (later calls answer the first result). eSpeak NG is
// never terminated: a second initialise/terminate cycle hangs.
bool startEngine(Engine engine);
// The engine started and knows this voice.
bool voiceWorks(const CatalogueVoice& voice);

// Where a Flite voice's library is ("slt" -> its full path), or empty when it is not installed.
// The program looks in the loader's folders and beside Flite's own library, without loading
// anything; a voice whose library is not found is not offered. Tests take voices away with a
// finder of their own (nullptr goes back to the program's). The finder answers for a voice
// until it has been loaded.
using FliteVoiceFinder = QString (*)(const char* voice);
void setFliteVoiceFinder(FliteVoiceFinder finder);
QString findFliteVoice(const char* voice);
// The program's finder.
QString installedFliteVoice(const char* voice);

// What makes the engine's sound for a voice, besides the program's own settings: the engine,
// its version and the data it speaks from (a library or data file, by size and time), so that
// an update of either is told apart.
QByteArray engineIdentity(const CatalogueVoice& voice);

// Speed. Velocita 50..200 (values outside are clamped); every step of 5 changes the pace by the
// same ratio, and the pace doubles roughly every 80 steps of Velocita.
double paceFactor(int velocita);
double fliteStretch(const CatalogueVoice& voice, int velocita);
struct EspeakRate
{
    int wordsPerMinute; // never below 85: eSpeak NG does not speak slower
    int wordGap;        // extra pause between words, 10 ms units, for what 80 cannot reach
};
EspeakRate espeakRate(const CatalogueVoice& voice, int velocita);

// Receives consecutive blocks of the utterance at OutputRate, silence trimmed; also called
// with count 0 now and then while nothing audible came yet. Returning false aborts.
using PcmChunk = std::function<bool(const int16_t* data, size_t count)>;

// Synthesises text, streaming it to chunk as it is made. False when the engine is not
// available, failed, or chunk asked to stop.
bool synthesize(const CatalogueVoice& voice, int velocita, const QString& text, const PcmChunk& chunk);

// synthesize, or a stand-in for it (tests count or refuse syntheses).
using Synthesizer =
    std::function<bool(const CatalogueVoice& voice, int velocita, const QString& text, const PcmChunk& chunk)>;

// The whole utterance at OutputRate, silence trimmed; empty when synthesis failed.
Pcm synthesizeAll(const CatalogueVoice& voice, int velocita, const QString& text);

} // namespace speech
