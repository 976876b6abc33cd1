// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exercises 7, 8, 10 and 11: the child clicks the written word that answers the question: the
// word heard, the picture shown, or both. Form5 and Form6 move three labels among three places;
// Form9 and Form10 have five labels in fixed places and a drawn right one. The four screens are
// one class; WordChoiceSet holds what tells them apart.

#include "exercises/exercise_screen.h"

#include <array>
#include <vector>

struct WordChoiceSet
{
    QString name;
    QString title;
    int labels = 3;            // 3: Label3(0..2), moved by Sposta; 5: Label1(0..4), fixed
    bool picture = false;      // a picture of the right word
    bool speaks = false;       // the right word is said with each question, and by the mouth
    bool spacedFourth = false; // the fourth caption gets one blank in front (Form9)
};

class WordChoice : public ExerciseScreen
{
    Q_OBJECT
public:
    explicit WordChoice(WordChoiceSet set, QWidget* parent = nullptr);

    // Label3_Click on Form5 and Form6, Label1_Click on Form9 and Form10.
    void Label_Click(int Index);
    void Command1_Click() override;
    void Sposta();

    // The word labels: Label3 on the three-label screens, Label1 on the five-label ones.
    std::vector<WordLabel*> labels;
    PictureBox* Image1 = nullptr; // null on Form9

    // The index of the right label of the current question.
    int rightLabel() const;
    const WordChoiceSet& set() const { return set_; }

    const std::array<int, 3>& posizioni() const { return Posizioni; }
    int indiceGiusto() const { return IndiceGiusto; }
    // The word of label k in the question on show.
    int labelWord(int k) const { return k >= 0 && k < int(words_.size()) ? words_[size_t(k)] : 0; }

protected:
    std::array<int, 3> Posizioni{}; // left edges of the three places, design units
    int IndiceGiusto = 0;           // the right label on Form9 and Form10

    void CaricaPalla() override;
    void measurePlaces() override;
    QStringList mouthItems() const override;

private:
    WordChoiceSet set_;
    std::vector<int> words_; // the word of each label
};

// Exercise 7: the word heard and its picture; three labels that move.
class Form5 : public WordChoice
{
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);
};

// Exercise 8: the picture alone; three labels that move.
class Form6 : public WordChoice
{
    Q_OBJECT
public:
    explicit Form6(QWidget* parent = nullptr);
};

// Exercise 10: the word heard; five labels.
class Form9 : public WordChoice
{
    Q_OBJECT
public:
    explicit Form9(QWidget* parent = nullptr);
};

// Exercise 11: the picture alone; five labels.
class Form10 : public WordChoice
{
    Q_OBJECT
public:
    explicit Form10(QWidget* parent = nullptr);
};
