// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's start-up module: the state every screen shares for the whole run (the words,
// the voice and speed), the settings file and its folder.

#include <QString>

#include <vector>

class QWidget;

namespace Modulo1 {

inline constexpr qint16 DefaultVoce = 1;
inline constexpr qint16 DefaultVelocita = 135;

// The unit in play: the built-in unit 7 (thirty words for food and drink) until another is loaded.
struct UnitInPlay
{
    QString id = QStringLiteral("7"); // as munchora.conf, --unit and the record name it
    QString name;                     // as shown and spoken; the built-in unit's splash has its own words
    int number = 7;                   // 0: none
    bool builtIn = true;
};
// A word of another unit, as its folder gives it.
struct WordOfUnit
{
    QString word;    // as shown and spoken
    QString form;    // in the like and dislike sentences
    QString picture; // its picture file
};

inline constexpr int BuiltInWordCount = 30;

// Index 0 stays empty; 1..WordCount() hold the words of the unit in play.
extern std::vector<QString> Parole;
extern qint16 Voce;
extern qint16 Velocita;
extern qint16 FlagVoce;
extern QString FileImpostazioni;

// How many words the unit in play has (30 for the built-in one).
int WordCount();
const UnitInPlay& unitInPlay();
// Bounds-checked access to Parole: an index outside 0..WordCount() is a programming error
// (asserted in debug and sanitizer builds); release builds answer the empty word.
const QString& Parola(int index);

// The built-in unit's words.
void CaricaParole();
// Another unit's words (at least one); its pictures are where its folder has them.
void CaricaParole(const UnitInPlay& unit, const std::vector<WordOfUnit>& words);
// A word's form in the like and dislike sentences ("apples", "tomatos"); empty outside 1..WordCount().
QString sentenceForm(int index);
// The built-in unit's words and forms, whatever unit is in play (1..30).
QString builtInWord(int index);
QString builtInForm(int index);
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
// The picture of a word of the unit in play, or of one of the program's own pictures
// ("smileys1"): program folder + /jpg/ + word + .jpg.
QString picturePath(const QString& word);
// The program's own picture of a word, whatever unit is in play.
QString builtInPicturePath(const QString& word);
// The settings file's full path as the user's system writes it, for messages to people.
QString settingsFileDisplayPath();

} // namespace Modulo1
