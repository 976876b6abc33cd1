// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The word search: ten words of one of three sets hidden in a 10 x 10 grid of letters, each
// in one of eight directions, their pictures beside the grid as clues. The child clicks the
// letters of a word one by one; each turns yellow, and a word whose letters are all yellow
// scores a point and loses its picture. Once every hidden word is found the grid is built
// again at once with the same words in new places.

#include "exercises/exercise_screen.h"

#include <array>
#include <vector>

// The 100 letter cells, laid out as equal squares in ten rows of ten, as large as the widget
// allows and centred in it: the screen's scaler stretches width and height separately, and a
// word search with oblong cells on a wide display would read badly. The arrow keys move the
// keyboard focus from cell to cell (the host window's keyboard play).
class LetterGrid : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Side = 10;

    explicit LetterGrid(QWidget* parent = nullptr);

    const std::vector<GridCell*>& cells() const { return cells_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void layoutCells();
    QRect gridRect() const;

    std::vector<GridCell*> cells_;
    int fontPixels_ = 0;
};

// "Crucipuzzle", the word search.
class FormCruciPuzzle : public ExerciseScreen
{
    Q_OBJECT
public:
    static constexpr int Cells = LetterGrid::Side * LetterGrid::Side;
    static constexpr int Slots = 10;
    static constexpr int ConflictLimit = 1000;

    // The letters a cell that belongs to no word gets, in keyboard order.
    static constexpr const char* Filler = "QWERTYUIOPLKJHGFDSAZXCVBNM";
    // The colour of a clicked word letter (0x00FFFF in blue-green-red order).
    static const QColor Yellow;

    explicit FormCruciPuzzle(QWidget* parent = nullptr);

    void Label1_Click(int Index);

    void LeggiDirezioni();
    void LeggiParole();
    void InserisciParole();
    void ControllaSpazi();
    void SistemaParola();
    void RiempiAltriSpazi();
    void Ricomincia();

    LetterGrid* grid = nullptr;
    std::vector<GridCell*> Label1;   // the cells, row by row from the top left
    std::vector<PictureBox*> Image1; // Image1(k - 1): the clue of the word in slot k

    std::array<QString, Slots + 1> ParoleCruci; // slot 0 stays empty

    // A cell's owner: the slot written in its tag, 0 for none.
    int owner(int cell) const;
    bool isYellow(int cell) const;
    // Whether the word of a slot is in the current grid, and whether it was found.
    bool isPlaced(int slot) const { return !paths_[size_t(slot)].empty(); }
    bool isFound(int slot) const { return found_[size_t(slot)]; }
    // The cells the word of a slot was written on, first letter first (empty if not placed).
    const std::vector<int>& path(int slot) const { return paths_[size_t(slot)]; }

    int tentativi() const { return Tentativi; }
    int paroleInserite() const { return ParoleInserite; }
    int paroleTrovate() const { return ParoleTrovate; }
    int wordSet() const { return wordSet_; }

protected:
    // Its start procedure in place of a question: the directions, a set of words, a new grid.
    void CaricaPalla() override;

private:
    std::array<qint16, 8> Direzioni{};
    qint16 IndiceParola = 0;
    qint16 Direzione = 0;
    qint16 Casella = 0;
    qint16 Lunghezza = 0;
    bool SpazioLibero = false;
    qint16 ParoleTrattate = 0;
    qint16 Tentativi = 0;
    qint16 ParoleInserite = 0;
    qint16 ParoleTrovate = 0;
    int wordSet_ = 0; // the set drawn on activation, 1..3

    void clearGrid();
    void wordFound(int slot);
    void setOwner(int cell, int slot);

    std::array<std::vector<int>, Slots + 1> paths_;
    std::array<bool, Slots + 1> found_{};
};
