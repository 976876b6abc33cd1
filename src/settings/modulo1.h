// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's start-up module: the state every screen shares for the whole run (the words,
// the voice and speed), the settings file and its folder.

#include <QString>

#include <array>

class QWidget;

namespace Modulo1 {

inline constexpr int WordCount = 30;
inline constexpr qint16 DefaultVoce = 1;
inline constexpr qint16 DefaultVelocita = 135;

// Index 0 stays empty; 1..30 hold the words, each also the base name of its picture.
extern std::array<QString, WordCount + 1> Parole;
extern qint16 Voce;
extern qint16 Velocita;
extern qint16 FlagVoce;
extern QString FileImpostazioni;

// Bounds-checked access to Parole: an index outside 0..30 is a programming error
// (asserted in debug and sanitizer builds); release builds answer the empty word.
const QString& Parola(int index);

void CaricaParole();
// Word index's form in the like and dislike sentences ("apples", "tomatos"); empty outside 1..30.
QString sentenceForm(int index);
bool EsisteFile(const QString& path);
void LeggiImpostazioni();
// Writes Voce and Velocita atomically; false (with a warning logged) when it could not.
bool SalvaImpostazioni();
// Creates the settings folder if needed and writes the read-me; false when the folder is unusable.
bool CreaCartellaImpostazioni();

// The folders the module works in. Tests point them at temporary folders.
QString settingsFolder();
void setSettingsFolder(const QString& folder);
QString programFolder();
void setProgramFolder(const QString& folder);
QString picturePath(const QString& word);
// The settings file's full path as the user's system writes it, for messages to people.
QString settingsFileDisplayPath();

} // namespace Modulo1
