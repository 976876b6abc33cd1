// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record of answers: off unless the school turns it on ([record] enabled=true in
// munchora/munchora.conf, in the first folder of XDG_CONFIG_DIRS that holds one). Then every
// answer a child gives is kept in the child's own data folder ($XDG_DATA_HOME/munchora/, mode
// 0700), in an SQLite database written by a thread of its own, so an answer costs the screen a
// copy into a queue. Nothing leaves the machine.
//
// The database (application_id 'MUNC', user_version 2, write-ahead log) has one table:
//   answers(id INTEGER PRIMARY KEY,
//           at INTEGER      -- when the answer was given, ms since 1970 (UTC)
//           visit INTEGER   -- when the screen was opened, ms since 1970: one sitting
//           screen TEXT     -- the screen's name in the program ("Form2", "FormMemory")
//           asked TEXT      -- what was asked: a word or a sentence; '' when nothing was
//                              (a memory turn, a letter of no word in the word search)
//           word TEXT       -- the unit's word the question is about; '' when none
//           chosen TEXT     -- what the child chose, as shown: a word, a sentence, a letter,
//                              the two cards of a memory turn ("apple + cake")
//           chosen_word TEXT-- the unit's word the child chose; '' when none (a
//                              memory turn: the pair's word when the two cards are one)
//           right INTEGER   -- 1 right (a memory turn: a pair), 0 wrong
//           attempt INTEGER -- 1 for the first answer to a question, 2 for the second...;
//                              a memory turn counts the turns since the deal or the last
//                              pair; 0 for a choice that is no try at any question
//           ms INTEGER      -- from the question to this answer
//           unit TEXT)      -- the unit played, by its id: "7" (the built-in), "animals"
// The newest KeepAnswers answers are kept; older ones go. A record of version 1 (no unit: all
// its answers were unit 7's) is brought to version 2 when the record starts, in one transaction.

#include <QString>

struct Answer
{
    QString screen;
    QString asked;
    QString word;
    QString chosen;
    QString chosenWord;
    bool right = false;
    int attempt = 1;
    qint64 ms = 0;
    qint64 visit = 0;
};

namespace AnswerRecord {

// A number of answers, not a time: some 330 school days at 300 answers a day, some 80 for a
// child who plays the memory games (up to some 20 answers a minute) an hour a day.
inline constexpr int KeepAnswers = 100000;
inline constexpr int SchemaVersion = 2;
inline constexpr int ApplicationId = 0x4D554E43; // "MUNC"

// Whether the school turned the record on.
bool enabledBySchool();
// The caller's record: $XDG_DATA_HOME/munchora/answers.sqlite.
QString defaultPath();

// Starts keeping answers in the caller's record when the school turned it on. The program
// plays on whatever happens to the record: a problem is one line in the log.
void start();
// Starts keeping answers in the database at path, whatever the school's switch (tests, benches).
void startAt(const QString& path);
// Whether answers are being kept.
bool active();
// The unit being played, by its id ("7", the built-in one, until told otherwise): each answer
// added from now on is stamped with it.
void setUnit(const QString& id);
// Keeps one answer, stamped with the time now and the unit in play; nothing while the record is
// off. Never waits for the disk.
void add(const Answer& answer);
// Waits until every answer given so far is on disk (or the record stopped); false after timeoutMs.
bool flush(int timeoutMs);
// Writes what is waiting and closes the database.
void stop();

// --forget: removes the caller's record (the database, its write-ahead files and the records
// put aside; nothing else), or nothing while a copy of the program runs for the caller. Prints
// what it removed; returns the exit status.
int forget();

} // namespace AnswerRecord
