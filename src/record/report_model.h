// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the teacher's report read from the records (report_gather.cpp, report_find.cpp), shared by
// its text (report_text.cpp) and its page (report_html.cpp). Nothing here is public: the program
// knows Report::run alone (report.cpp).

#include "record/report.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <vector>

namespace Report {

struct ScreenFigures
{
    QString screen;  // as the record keeps it ("Form2")
    QString caption; // as the teacher knows it (Options::screenTitle)
    int place = 0;   // in the menu
    bool pairGame = false;
    qint64 answers = 0;   // a pair game's turns
    qint64 questions = 0; // first answers
    qint64 rightFirst = 0;
    qint64 right = 0;           // a pair game's pairs found
    qint64 first = 0, last = 0; // ms since 1970
};

struct WordFigures
{
    QString word;
    qint64 asked = 0;
    qint64 rightFirst = 0;
    QString confusedWith; // empty: never taken for another word
    qint64 confusedTimes = 0;
};

struct Confusion
{
    QString unit; // its id
    QString word, chosen;
    qint64 times = 0;
    int pupils = 0;
};

// What a pupil did in one unit. A word is its unit's: "mouse" of one unit is not "mouse" of
// another, and their figures never mix.
struct UnitFigures
{
    QString unit;  // its id, as the record keeps it ("7", "animals")
    QString title; // as the teacher knows it
    qint64 answers = 0, questions = 0, rightFirst = 0;
    qint64 first = 0, last = 0;
    std::vector<ScreenFigures> screens; // in the menu's order
    std::vector<WordFigures> words;     // the hardest first
};

struct Pupil
{
    QString name;     // the user's name, or the home folder's
    QString fullName; // from the user database; often empty
    QString path;     // the record, or the folder that could not be looked into
    QString problem;  // why the record could not be read; empty when it was
    qint64 answers = 0, questions = 0, rightFirst = 0;
    qint64 first = 0, last = 0;
    std::vector<UnitFigures> units;    // in the units' order
    std::vector<Confusion> confusions; // every word taken for another, with its count
};

// The class's ten most frequent confusions in one unit.
struct UnitConfusions
{
    QString unit, title;
    std::vector<Confusion> top;
};

struct ClassReport
{
    QStringList places; // as searched, for the heading
    QDateTime made;
    std::vector<Pupil> pupils;                 // by name
    QStringList units;                         // the titles of the units the class played, in order
    std::vector<UnitConfusions> topConfusions; // unit by unit
};

// A record found, or a place that was there but could not be looked into (problem says why).
struct Found
{
    QString path;
    QString problem;
};

// The records in the places given, as report.h says where it looks; no link below a place is
// followed.
std::vector<Found> findRecords(const QStringList& places);
// Names the pupil whose record, or folder, is at pupil.path.
void name(Pupil& pupil);
// Why a file could not be reached, in the report's words.
QString errnoText(int error);
QString denied();

// Italian numbers, dates and percentages, as both the text and the page show them.
QLocale italian();
QString number(qint64 n);
// "1 risposta", "12 risposte".
QString answers(qint64 n);
// "12 coppie trovate in 31 turni": a pair game's row.
QString pairsIn(qint64 pairs, qint64 turns);
// "il 9 dicembre 2026", "l'8/12/2026": the date with its article.
QString theDay(const QDate& date, const QString& format);
QString period(qint64 first, qint64 last);
// Whole per cent of part in whole; -1 when there is no whole.
int percent(qint64 part, qint64 whole);
// Text from a record made safe to show: no control or direction characters, at most max long.
QString shown(const QString& text, int max = 48);
// The heading's words, shared by the text and the page.
QString whereSearched(const ClassReport& report);
QString noRecordsFound();

// What the records say (report_gather.cpp).
ClassReport gather(const Options& options);
// The report as text (report_text.cpp).
QString text(const ClassReport& report);
// The whole page, self-contained.
QByteArray page(const ClassReport& report, const Options& options);

} // namespace Report
