// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A unit: the words the screens play, each with its form in the like and dislike sentences and
// its picture. The built-in unit 7 (food and drink) is always there; any other is a folder a
// teacher makes:
//   unit.ini   [unit] name=Animals (shown and spoken), number=8 (optional)
//   words.csv  a header word,form,picture, then one word a line: cat,cats,cat.jpg
//   the pictures, JPEG or PNG, beside them.
// Such a folder is read only when it is trusted (files/trust.h), and everything in it is bounded:
// no file is read through a link, no picture is decoded to be checked.

#include <QList>
#include <QString>

#include <algorithm>
#include <vector>

namespace files {
struct Trust;
}

namespace units {

// Exercises 3, 6, 10 and 11 show five different words at once.
inline constexpr int ExerciseWords = 5;
// A memory game deals twelve pairs. Memory 1 takes a unit's first twelve words and memory 2 its
// last twelve, so with fewer than 24 words the two games share some.
inline constexpr int MemoryPairs = 12;
// The word search hides ten words at once.
inline constexpr int WordSearchWords = 10;
// Its grid is ten letters a side and words run straight in eight directions: ten letters at most.
// Only the letters a-z go in a cell; a word with a blank ("ice cream") plays every other screen.
inline constexpr int WordSearchSide = 10;
// Enough for every screen, each word once.
inline constexpr int FewestWords = std::max(ExerciseWords, MemoryPairs);
// No word longer than the grid: labels and cards are laid out for the built-in "sandwiches".
inline constexpr int LongestWord = WordSearchSide;
// "Yummy Yummy! I like <form>!" stays one line on a small screen.
inline constexpr int LongestForm = 30;
// A name is shown on the splash and in a list.
inline constexpr int LongestName = 40;
// Bounds for a hostile folder: far beyond any real unit, and a few megabytes at most to look at.
inline constexpr int MostWords = 500;
inline constexpr qint64 MostCsvBytes = 1 << 20;
inline constexpr qint64 MostIniBytes = 64 << 10;
inline constexpr qint64 MostPictureBytes = 16 << 20;
inline constexpr int LongestPictureName = 100;
// What Qt decodes at most (256 MB at four bytes a pixel); a PNG is decoded whole before it is scaled.
inline constexpr int MostPictureSide = 8192;

struct UnitWord
{
    QString word;    // as shown and spoken: "mouse"
    QString form;    // in the like and dislike sentences: "mice"
    QString picture; // the picture's absolute path
};

struct Unit
{
    QString id;     // its folder's name, which munchora.conf and --unit use: "animals"; "7" for the built-in
    QString name;   // as shown and spoken: "Animals"
    int number = 0; // 0: none
    QString folder; // its real path; empty for the built-in unit
    std::vector<UnitWord> words;
};

// Something a teacher has to mend, in Italian, with where it is.
struct UnitProblem
{
    QString file; // "words.csv", "unit.ini"; empty for the folder itself
    int line = 0; // from 1; 0 for the file or folder as a whole
    QString text;
};

struct UnitReading
{
    Unit unit; // what could be read, also when there are problems
    QList<UnitProblem> problems;
    bool ready() const { return problems.isEmpty(); }
};

inline constexpr char BuiltInId[] = "7";

// The words of today's screens as a unit: Modulo1's words, sentence forms and pictures.
Unit builtInUnit();

// Makes a unit the one the screens play (Modulo1's words, forms and pictures).
void play(const Unit& unit);

// Reads and checks the unit in a folder; every problem is named, none is fatal to the program.
UnitReading readUnit(const QString& folder);

// A folder name a unit may have, as munchora.conf and --unit name it: letters, digits, '-', '_'.
bool isUnitId(const QString& id);

// Whether a word can hide in the word search: the letters a-z only, and no longer than the grid.
bool fitsWordSearch(const QString& word);

// Why a file or folder is not trusted, in Italian, said of `what` ("la cartella").
QString distrust(const files::Trust& trust, QString what);

// "words.csv, riga 4: ..." for the teacher.
QString describe(const UnitProblem& problem);

} // namespace units
