// SPDX-License-Identifier: GPL-3.0-or-later
#include "games/word_search.h"

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "units/unit.h"
#include "widgets/bocca.h"
#include "widgets/impostavoce.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {

ExerciseConfig puzzleConfig()
{
    ExerciseConfig config;
    config.title = QStringLiteral("Play  with  me.");
    config.voiceEntry = false;
    config.mouthRepeats = false;
    config.next = ExerciseConfig::Next::None;
    return config;
}

// Where the first letter of a word may stand so that the whole word lies inside the grid:
// anywhere, in the first 11 - L places, or in the last 11 - L places of its row or column.
enum class Range { Any, First, Last };

struct DirectionRule
{
    int step;
    Range row;
    Range column;
};

// Up, up and right, right, down and right, down, down and left, left, up and left.
constexpr std::array<DirectionRule, 8> directionRules{{
    {-10, Range::Last, Range::Any},
    {-9, Range::Last, Range::First},
    {+1, Range::Any, Range::First},
    {+11, Range::First, Range::First},
    {+10, Range::First, Range::Any},
    {+9, Range::First, Range::Last},
    {-1, Range::Any, Range::Last},
    {-11, Range::Last, Range::Last},
}};

int drawIn(Range range, int length)
{
    switch (range) {
    case Range::Any: return RandomChoice(10);
    case Range::First: return RandomChoice(11 - length);
    case Range::Last: return RandomChoice(11 - length) + length - 1;
    }
    return 0;
}

const std::array<std::array<const char*, FormCruciPuzzle::Slots>, 3> wordSets{{
    {"chicken", "beer", "biscuits", "spinach", "beans", "orange", "cheese", "coffee", "tomato", "chips"},
    {"chocolate", "banana", "pear", "carrot", "lemon", "pasta", "coke", "apple", "fish", "chips"},
    {"eggs", "cake", "bread", "sandwiches", "tomato", "salad", "grapes", "pizza", "milk", "chocolate"},
}};

// Design places: the grid below the mouth on the left, the clues in two columns of five on
// the right, all below the score panel.
constexpr QRect gridPlace(24, 200, 560, 560);
constexpr int clueSide = 104, clueGap = 10, clueLeft = 684, clueColumnGap = 60; // centred under the score panel

} // namespace

const QColor FormCruciPuzzle::Yellow(255, 255, 0);

LetterGrid::LetterGrid(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("letters"));
    setProperty("accessibleRole", int(QAccessible::Grouping));
    cells_.reserve(Side * Side);
    for (int i = 0; i < Side * Side; ++i) {
        auto* cell = new GridCell(this);
        cell->setObjectName(QStringLiteral("Label1_%1").arg(i));
        cells_.push_back(cell);
    }
}

QRect LetterGrid::gridRect() const
{
    // A thin margin for the frame, then ten equal whole-pixel cells, centred.
    const int available = std::min(width(), height());
    const int margin = std::max(3, available / 60);
    const int cell = std::max(1, (available - 2 * margin) / Side);
    const int side = cell * Side;
    return {(width() - side) / 2, (height() - side) / 2, side, side};
}

void LetterGrid::layoutCells()
{
    const QRect area = gridRect();
    const int cell = area.width() / Side;
    // Bold capitals that fill most of the cell: readable from the back of a classroom.
    const int pixels = std::max(6, cell * 62 / 100);
    const bool newFont = pixels != fontPixels_;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(pixels);
    fontPixels_ = pixels;
    for (int i = 0; i < Side * Side; ++i) {
        GridCell* c = cells_[size_t(i)];
        c->setGeometry(area.x() + (i % Side) * cell, area.y() + (i / Side) * cell, cell, cell);
        if (newFont)
            c->setFont(font);
    }
}

void LetterGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutCells();
}

void LetterGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect area = gridRect();
    const qreal frame = std::max(3.0, area.width() / 120.0);
    const QRectF board = QRectF(area).adjusted(-frame / 2, -frame / 2, frame / 2, frame / 2);
    painter.setPen(QPen(QColor(0xe0, 0xa8, 0x3c), frame));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(board, frame, frame);
}

FormCruciPuzzle::FormCruciPuzzle(QWidget* parent)
    : ExerciseScreen(QStringLiteral("FormCruciPuzzle"), puzzleConfig(), parent)
{
    grid = new LetterGrid(this);
    grid->setObjectName(QStringLiteral("grid"));
    grid->setGeometry(gridPlace);
    Label1 = grid->cells();
    for (int i = 0; i < Cells; ++i) {
        connect(Label1[size_t(i)], &GridCell::clicked, this, [this, i] { Label1_Click(i); });
        addAnswerControl(Label1[size_t(i)]);
    }
    for (int k = 0; k < Slots; ++k) {
        auto* clue = new PictureBox(this);
        clue->setObjectName(QStringLiteral("Image1_%1").arg(k));
        const int row = k / 2, column = k % 2;
        clue->setGeometry(clueLeft + column * (clueSide + clueColumnGap), gridPlace.top() + row * (clueSide + clueGap),
                          clueSide, clueSide);
        Image1.push_back(clue);
    }
}

void FormCruciPuzzle::CaricaPalla()
{
    LeggiDirezioni();
    LeggiParole();
    Ricomincia();
}

void FormCruciPuzzle::clearGrid()
{
    for (GridCell* cell : Label1) {
        cell->setBackground(Qt::white);
        cell->setLetter(QChar());
        cell->setProperty("tag", QString());
    }
    for (auto& cells : paths_)
        cells.clear();
    found_.fill(false);
    // The clues show the words placed and not yet found: none before the placement.
    for (PictureBox* clue : Image1)
        clue->setImage(QImage(), QString());
}

void FormCruciPuzzle::LeggiDirezioni()
{
    for (size_t d = 0; d < Direzioni.size(); ++d)
        Direzioni[d] = qint16(directionRules[d].step);
}

void FormCruciPuzzle::LeggiParole()
{
    ParoleCruci[0].clear();
    if (!Modulo1::unitInPlay().builtIn) {
        // Another unit: ten different words of those the grid can hold, drawn afresh each visit.
        std::vector<int> fitting;
        for (int i = 1; i <= Modulo1::WordCount(); ++i)
            if (units::fitsWordSearch(Modulo1::Parola(i)))
                fitting.push_back(i);
        std::vector<int> drawn;
        while (int(drawn.size()) < Slots && drawn.size() < fitting.size()) {
            const int word = fitting[size_t(RandomChoice(int(fitting.size())))];
            if (std::find(drawn.begin(), drawn.end(), word) == drawn.end())
                drawn.push_back(word);
        }
        wordSet_ = 0;
        for (int k = 1; k <= Slots; ++k)
            ParoleCruci[size_t(k)] = k <= int(drawn.size()) ? Modulo1::Parola(drawn[size_t(k - 1)]) : QString();
        return;
    }
    wordSet_ = RandomChoice(3) + 1;
    const auto& words = wordSets[size_t(wordSet_ - 1)];
    for (int k = 1; k <= Slots; ++k)
        ParoleCruci[size_t(k)] = QString::fromLatin1(words[size_t(k - 1)]);
}

void FormCruciPuzzle::InserisciParole()
{
    IndiceParola = 1;
    while (ParoleTrattate < Slots) {
        if (ParoleCruci[size_t(IndiceParola)].isEmpty()) { // a unit with fewer words than slots
            ++ParoleTrattate;
            ++IndiceParola;
            continue;
        }
        Lunghezza = qint16(ParoleCruci[size_t(IndiceParola)].length());
        Q_ASSERT(Lunghezza >= 1 && Lunghezza <= LetterGrid::Side);
        Direzione = qint16(RandomChoice(8));
        const DirectionRule& rule = directionRules[size_t(Direzione)];
        const int row = drawIn(rule.row, Lunghezza); // the row is always drawn first
        const int column = drawIn(rule.column, Lunghezza);
        Casella = qint16(row * 10 + column);
        ControllaSpazi();
        if (SpazioLibero) {
            SistemaParola();
            ++ParoleTrattate;
            Tentativi = 0;
            ++IndiceParola;
        }
        if (Tentativi > ConflictLimit) {
            // Given up: the word stays out of this grid and shows no clue.
            ++ParoleTrattate;
            ++IndiceParola;
            Tentativi = 0;
        }
    }
    RiempiAltriSpazi();
}

void FormCruciPuzzle::ControllaSpazi()
{
    SpazioLibero = true;
    const QString word = ParoleCruci[size_t(IndiceParola)].toUpper();
    int cell = Casella;
    // The whole path is looked at: every conflicting cell counts towards giving the word up.
    for (int k = 0; k < Lunghezza; ++k) {
        Q_ASSERT(cell >= 0 && cell < Cells);
        if (owner(cell) != 0 && Label1[size_t(cell)]->letter().toUpper() != word[k]) {
            SpazioLibero = false;
            ++Tentativi;
        }
        cell += Direzioni[size_t(Direzione)];
    }
}

void FormCruciPuzzle::SistemaParola()
{
    Image1[size_t(IndiceParola - 1)]->setWord(ParoleCruci[size_t(IndiceParola)]);
    ++ParoleInserite;
    const QString word = ParoleCruci[size_t(IndiceParola)].toUpper();
    std::vector<int>& cells = paths_[size_t(IndiceParola)];
    cells.clear();
    int cell = Casella;
    for (int k = 0; k < Lunghezza; ++k) {
        Label1[size_t(cell)]->setLetter(word[k]);
        setOwner(cell, IndiceParola);
        cells.push_back(cell);
        cell += Direzioni[size_t(Direzione)];
    }
}

void FormCruciPuzzle::RiempiAltriSpazi()
{
    for (GridCell* cell : Label1)
        if (cell->letter().isNull())
            cell->setLetter(QLatin1Char(Filler[RandomChoice(26)]));
}

void FormCruciPuzzle::Ricomincia()
{
    clearGrid();
    ParoleTrovate = 0;
    ParoleInserite = 0;
    ParoleTrattate = 0;
    InserisciParole();
}

int FormCruciPuzzle::owner(int cell) const
{
    return Label1[size_t(cell)]->property("tag").toString().toInt();
}

void FormCruciPuzzle::setOwner(int cell, int slot)
{
    Label1[size_t(cell)]->setProperty("tag", slot ? QString::number(slot) : QString());
}

bool FormCruciPuzzle::isYellow(int cell) const
{
    return Label1[size_t(cell)]->background() == Yellow;
}

void FormCruciPuzzle::Label1_Click(int Index)
{
    if (Index < 0 || Index >= Cells || isYellow(Index))
        return;
    const int w = owner(Index);
    if (w == 0) {
        // A letter of no word: kept, but no wrong try at the next word found.
        recordStray(QString(Label1[size_t(Index)]->letter()));
        SegnaErrato(); // the cell stays white: each further click is another mistake
        return;
    }
    Label1[size_t(Index)]->setBackground(Yellow);
    setOwner(Index, 0);

    auto ownsACell = [this](int slot) {
        for (int cell = 0; cell < Cells; ++cell)
            if (owner(cell) == slot)
                return true;
        return false;
    };
    if (!ownsACell(w))
        wordFound(w);
    // A word whose every letter was taken over by words written later has no cell of its
    // own and would never be found, leaving the game without an end: it is found once all
    // of its letters are yellow.
    for (int slot = 1; slot <= Slots; ++slot) {
        if (slot == w || !isPlaced(slot) || isFound(slot) || ownsACell(slot))
            continue;
        const std::vector<int>& cells = paths_[size_t(slot)];
        if (std::all_of(cells.begin(), cells.end(), [this](int cell) { return isYellow(cell); }))
            wordFound(slot);
    }
    if (ParoleTrovate == ParoleInserite)
        Ricomincia();
}

void FormCruciPuzzle::wordFound(int slot)
{
    const QString word = Image1[size_t(slot - 1)]->word();
    recordWordAnswer(word, word, true);
    SegnaEsatto(); // one point per word, not per letter
    Image1[size_t(slot - 1)]->setImage(QImage(), QString());
    found_[size_t(slot)] = true;
    ++ParoleTrovate;
}
