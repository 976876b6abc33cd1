// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The teacher's report over the records of answers (answer_record.h): per pupil, unit and screen
// the answers and how many were right at the first try; per word how often it was asked, how
// often right, and what it was most often confused with; for the class the ten confusions that
// happen most in each unit. Printed as text, and with an HTML file also written as one
// self-contained page in Italian that prints on A4. Needs no display.

#include <QString>
#include <QStringList>

#include <functional>

namespace Report {

struct Options
{
    // Records to read: a database file, or a folder searched for pupils' records (a
    // classroom server's /home). Empty: the caller's own record.
    QStringList places;
    QString htmlFile; // empty: text only
    // How the teacher knows a screen ("Esercizio 2 – Che cos'è? (2 - What is it?)"), by the
    // screen's name; the name when unknown.
    std::function<QString(const QString& screen)> screenTitle;
    // The screens in the menu's order; a screen not named comes after them.
    QStringList screenOrder;
    // The pair games (memory): a turn there asks no question, so they tell pairs found and turns.
    QStringList pairGames;
    // How the teacher knows a unit ("Unità 8 – Animals"), by its id; empty for a unit not
    // installed here, which is shown by its id.
    std::function<QString(const QString& unit)> unitTitle;
    // The units in the order they are offered; a unit not named comes after them.
    QStringList unitOrder;
    // Where the picture of a unit's word is ("jpg/apple.jpg"); empty when there is none.
    std::function<QString(const QString& unit, const QString& word)> picturePath;
};

// Prints the report to standard output; returns the exit status (0 also when some records
// could not be read: they are named in the report).
int run(const Options& options);

} // namespace Report
