// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exercises 2 and 3: the program says a word and the child clicks its picture among three
// (Form2) or five (Form3). The right picture is always Image1(0); Sposta moves it to a random
// place before each question. The two screens differ only in the numbers of PictureChoiceSet.

#include "exercises/exercise_screen.h"

#include <vector>

// What tells the two picture-choice screens apart.
struct PictureChoiceSet
{
    struct Place
    {
        int column; // PrimaX + column * PassoX
        int row;    // 0: RigaSopra, 1: RigaSotto, -1: the picture keeps its top edge
    };

    QString name;
    QString title;
    std::vector<QRect> designRects;             // Image1(k) in the starting layout
    std::vector<Place> places;                  // place 1, 2, ... in order
    std::vector<std::vector<int>> arrangements; // row a - 1: the picture at place 1, 2, ...

    // The pictures the places are measured from.
    int primaXFrom;
    int passoXFrom;
    int rigaSopraFrom; // -1 where there is one row
    int rigaSottoFrom;
};

class PictureChoice : public ExerciseScreen
{
    Q_OBJECT
public:
    explicit PictureChoice(PictureChoiceSet set, QWidget* parent = nullptr);

    void Image1_Click(int Index);
    void Command1_Click() override;
    void Sposta();

    std::vector<PictureBox*> Image1;
    HighlightFrame* Shape1 = nullptr;

    // The places, in design coordinates, measured once on the first activation.

    // The arrangement of the current question, 1..n (0 before the first).
    int arrangement() const { return arrangement_; }
    // Design top-left of place p (1-based).
    QPointF placePosition(int p, const QWidget* picture) const;
    const PictureChoiceSet& set() const { return set_; }
    // The word of Image1(k) in the question on show; Image1(0)'s is the one asked.
    int pictureWord(int k) const { return k >= 0 && k < int(words_.size()) ? words_[size_t(k)] : 0; }

protected:
    double PrimaX = 0;
    double PassoX = 0;
    double RigaSopra = 0;
    double RigaSotto = 0;

    void CaricaPalla() override;
    void measurePlaces() override;
    QStringList mouthItems() const override;

private:
    PictureChoiceSet set_;
    bool measured_ = false;
    int arrangement_ = 0;
    std::vector<int> words_; // the word of each picture
};

// Exercise 2: three pictures in a row.
class Form2 : public PictureChoice
{
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);
};

// Exercise 3: two pictures above, three below.
class Form3 : public PictureChoice
{
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);
};
