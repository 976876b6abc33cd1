// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two memory games: 24 cards face down on 4 rows of 6, twelve pictures and the same twelve
// words written out. Two cards a turn; a picture with its own word stays face up, any other
// two turn back after a pause. "new" deals again. The two screens differ only in their words.

#include "exercises/exercise_screen.h"

#include <QStringList>

#include <array>

class QLabel;
class QTimer;

class MemoryGame : public ExerciseScreen
{
    Q_OBJECT
public:
    MemoryGame(const QString& name, const QStringList& words, QWidget* parent = nullptr);

    void Label2_Click(int Index);
    void Timer1_Timer();
    void Command1_Click() override;
    void Ricomincia();
    void mescola();

    // Card f: the picture of word f for f < 12, the word f - 12 written out for f >= 12.
    QWidget* face(int card) const;
    bool isFaceUp(int card) const;
    // The place a card was dealt to (0..23), from its cover's tag.
    int placeOf(int card) const;

    std::array<PictureBox*, 12> Image1{}; // picture faces
    std::array<QLabel*, 12> Label1{};     // word faces
    std::array<CardCover*, 24> Label2{};  // covers, cover f on card f
    QLabel* Label3 = nullptr;             // "times = " and the count
    QTimer* Timer1 = nullptr;             // the pause before two cards turn back

    bool primaScoperta() const { return PrimaScoperta; }
    bool carteAttive() const { return CarteAttive; }
    int volte() const { return Volte; }

protected:
    double TopRiga[4] = {0, 0, 0, 0};
    double LeftColonna0 = 0;
    double PassoColonne = 0;
    bool PrimaScoperta = false;
    qint16 PrimaCarta = 0;
    qint16 SecondaCarta = 0;
    bool CarteAttive = false;
    qint16 Volte = 0;

    // The rows and columns measured, the count shown at 0, the pictures loaded (once a visit).
    void measurePlaces() override;
    // The game's start procedure in place of a question.
    void CaricaPalla() override { Ricomincia(); }

private:
    void showCover(int card, bool shown);
    void showCount();
};

// "Memory 1".
class FormMemory : public MemoryGame
{
    Q_OBJECT
public:
    explicit FormMemory(QWidget* parent = nullptr);
};

// "Memory 2".
class FormMemory2 : public MemoryGame
{
    Q_OBJECT
public:
    explicit FormMemory2(QWidget* parent = nullptr);
};
