// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exercise 1: the screen shows the picture of a word and says it; "next" shows another.
// Nothing is asked and nothing is scored.

#include "exercises/exercise_screen.h"

// Exercise 1 ("1 - listen").
class Form1 : public ExerciseScreen
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    void Command1_Click() override;

    PictureBox* Image1 = nullptr;
    qint16 ParolaB = 0; // the word shown and said

protected:
    void CaricaPalla() override;
    QStringList mouthItems() const override;
};
