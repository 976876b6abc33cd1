// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exercise 15: a table of seven children and four foods twice, under "LIKES" and "DOESN'T
// LIKE". The program says "Tom likes apples" and the child clicks the cell where Tom's row
// meets the apples under the right heading. Ten sentences a board, then a new board.

#include "exercises/likes.h"
#include "layout/line_control.h"

#include <array>

// Exercise 15 ("15 - Tom.. Susy...").
class Form14 : public LikesScreen
{
    Q_OBJECT
public:
    explicit Form14(QWidget* parent = nullptr);
    // Besides the frame's texts, every name with "likes" and "doesn't like" and every item.
    QStringList spokenTexts() const override;

    void Label4_Click(int Index);
    // Asks the next sentence of the board, or deals a new board after the tenth.
    void GeneraEsercizio();

    std::array<QLabel*, 7> Label3{};     // the children's names, down the left
    std::array<PictureBox*, 8> Image1{}; // the columns' pictures; tag: " likes apples"
    std::array<QLabel*, 2> Label5{};     // "LIKES", "DOESN'T LIKE"
    std::array<GridCell*, 56> Label4{};  // the answer cells, row g / 8, column g % 8
    std::array<LineControl*, 8> Line1{}; // the table's ruling
    std::array<LineControl*, 5> Line2{};
    std::array<LineControl*, 4> Line3{};

    // The sentence a cell answers: the row's name and the column's tag.
    QString sentenceOf(int cell) const;
    bool isRed(int cell) const;

    int domande() const { return Domande; }
    // The cell of the sentence asked.
    int askedCell() const { return askedCell_; }

protected:
    // Deals a board: four different words, every cell white, then its first sentence.
    void CaricaPalla() override;

private:
    int Domande = 0;    // sentences asked on this board
    int askedCell_ = 0; // the cell whose sentence was said
};
