// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/question_record.h"

#include "record/answer_record.h"

#include <QDateTime>

void QuestionRecord::startVisit()
{
    visit_ = QDateTime::currentMSecsSinceEpoch();
    newQuestion();
}

void QuestionRecord::newQuestion()
{
    clock_.start();
    tries_ = 0;
}

void QuestionRecord::keep(const QString& screen, const GivenAnswer& given)
{
    Answer answer;
    answer.screen = screen;
    answer.asked = given.asked;
    answer.word = given.word;
    answer.chosen = given.chosen;
    answer.chosenWord = given.chosenWord;
    answer.right = given.right;
    answer.attempt = ++tries_;
    answer.ms = clock_.elapsed();
    answer.visit = visit_;
    AnswerRecord::add(answer);
    if (given.right)
        newQuestion();
}

void QuestionRecord::keepStray(const QString& screen, const QString& chosen)
{
    Answer answer;
    answer.screen = screen;
    answer.chosen = chosen;
    answer.attempt = 0;
    answer.ms = clock_.elapsed();
    answer.visit = visit_;
    AnswerRecord::add(answer);
}
