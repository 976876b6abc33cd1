// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exercises 4, 5 and 6: the mouth says N words; the child clicks their pictures in the lower row
// in the order heard, and each right click puts the picture into the next place of the upper
// row. The three screens differ only in N (3, 4, 5).

#include "exercises/exercise_screen.h"

#include <array>
#include <vector>

class ListenOrder : public ExerciseScreen
{
    Q_OBJECT
public:
    ListenOrder(const QString& name, const QString& title, int n, QWidget* parent = nullptr);

    void Image1_Click(int Index);
    void Command1_Click() override;
    void Sposta();

    int count() const { return n_; }
    // The word index at position k of the sequence (0-based).
    int sequenceWord(int k) const;

    std::vector<PictureBox*> Image1; // the lower row, shuffled; element k shows word k
    std::vector<PictureBox*> Image2; // the upper row, filled left to right

    int contatore() const { return Contatore; }
    const std::array<int, 6>& posizioni() const { return Posizioni; }

protected:
    int Contatore = 0;              // pictures put in order so far: the next expected is Image1(Contatore)
    std::array<int, 6> Posizioni{}; // left edges of the lower row's places, design units

    void CaricaPalla() override;
    void measurePlaces() override;
    QStringList mouthItems() const override;

private:
    int n_;
    std::vector<int> sequence_; // the words in the order they are said
};

// Exercise 4 ("4 - listen and order"): three words.
class Form4a : public ListenOrder
{
    Q_OBJECT
public:
    explicit Form4a(QWidget* parent = nullptr);
};

// Exercise 5: four words.
class Form4b : public ListenOrder
{
    Q_OBJECT
public:
    explicit Form4b(QWidget* parent = nullptr);
};

// Exercise 6: five words.
class Form4c : public ListenOrder
{
    Q_OBJECT
public:
    explicit Form4c(QWidget* parent = nullptr);
};
