// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a screen keeps of the child's answers for the record of answers (record/answer_record.h,
// off unless the school turns it on): each answer with its question's try number and the time
// since the question was asked.

#include <QElapsedTimer>
#include <QString>

// An answer as the screen judged it. Filled by name, so that no two texts change places:
//   recordAnswer({.asked = Frase, .word = word, .chosen = sentence, .chosenWord = word, .right = right});
struct GivenAnswer
{
    QString asked;      // what was asked: a word or a sentence; '' when nothing was
    QString word;       // the unit's word the question is about; '' when none
    QString chosen;     // what the child chose, as shown: a word, a sentence, two cards
    QString chosenWord; // the unit's word the child chose; '' when none
    bool right = false;
};

class QuestionRecord
{
public:
    // A visit to the screen begins: one sitting in the record.
    void startVisit();
    // A new question is on show: its tries count from 1, its time from now.
    void newQuestion();
    // Keeps an answer to the question on show; a right one ends the question.
    void keep(const QString& screen, const GivenAnswer& answer);
    // Keeps a choice that answers no question (a letter of no word in the word search): it is
    // no try of the question on show (attempt 0 in the record).
    void keepStray(const QString& screen, const QString& chosen);

private:
    QElapsedTimer clock_;
    int tries_ = 0;
    qint64 visit_ = 0;
};
