// SPDX-License-Identifier: GPL-3.0-or-later
// The word search: where words go in each direction, conflicts and giving a word up, crossing
// words, clicks on letters, the rebuild after the last word, what is said, what a screen reader
// hears, and the square grid at both sizes.

#include "exercises/exercise_rig.h"
#include "games/word_search.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"

#include <QLabel>
#include <QSet>

#include <random>

using namespace Modulo1;

namespace {

// Where the first letter of a word of length L may stand, per direction: anywhere (0..9), in
// the first 11 - L places (0..10 - L) or in the last ones (L - 1..9); row first, then column.
enum Range { Any, First, Last };
const Range startRanges[8][2] = {{Last, Any},  {Last, First}, {Any, First}, {First, First},
                                 {First, Any}, {First, Last}, {Any, Last},  {Last, Last}};
const int steps[8] = {-10, -9, 1, 11, 10, 9, -1, -11};

// The three sets, slot 1 first.
const QStringList wordSets[3] = {
    {"chicken", "beer", "biscuits", "spinach", "beans", "orange", "cheese", "coffee", "tomato", "chips"},
    {"chocolate", "banana", "pear", "carrot", "lemon", "pasta", "coke", "apple", "fish", "chips"},
    {"eggs", "cake", "bread", "sandwiches", "tomato", "salad", "grapes", "pizza", "milk", "chocolate"},
};

QString wordOf(int set, int slot)
{
    return wordSets[set - 1][slot - 1];
}

struct Place
{
    int direction, row, column;
};

double drawFor(Range range, int value, int length)
{
    switch (range) {
    case Any: return ScriptedRandom::choice(value, 10);
    case First: return ScriptedRandom::choice(value, 11 - length);
    case Last: return ScriptedRandom::choice(value - (length - 1), 11 - length);
    }
    return 0;
}

// The three draws of one attempt to put a word of `length` letters at a place.
void pushAttempt(ExerciseRig& rig, int length, Place p)
{
    rig.random.push({ScriptedRandom::choice(p.direction, 8), drawFor(startRanges[p.direction][0], p.row, length),
                     drawFor(startRanges[p.direction][1], p.column, length)});
}

void pushSet(ExerciseRig& rig, int set)
{
    rig.random.push({ScriptedRandom::choice(set - 1, 3)});
}

int lengthOf(int set, int slot)
{
    return int(wordOf(set, slot).length());
}

int letterCount(int set)
{
    int letters = 0;
    for (int slot = 1; slot <= 10; ++slot)
        letters += lengthOf(set, slot);
    return letters;
}

// One attempt per slot, each fitting.
void pushPlaces(ExerciseRig& rig, int set, const QList<Place>& places)
{
    for (int k = 0; k < places.size(); ++k)
        pushAttempt(rig, lengthOf(set, k + 1), places[k]);
}

// Word k in row k - 1, read left to right from column 0: nothing crosses.
QList<Place> inRows()
{
    QList<Place> places;
    for (int row = 0; row < 10; ++row)
        places << Place{2, row, 0};
    return places;
}

// Filler draws that give these letters, in cell order.
void pushFiller(ExerciseRig& rig, const QString& letters)
{
    const QString alphabet = QString::fromLatin1(FormCruciPuzzle::Filler);
    for (QChar letter : letters)
        rig.random.push({ScriptedRandom::choice(int(alphabet.indexOf(letter)), 26)});
}

FormCruciPuzzle* openPuzzle(ExerciseRig& rig)
{
    return rig.open<FormCruciPuzzle>(new FormCruciPuzzle);
}

QString lettersAt(FormCruciPuzzle* form, const std::vector<int>& cells)
{
    QString text;
    for (int cell : cells)
        text += form->Label1[size_t(cell)]->letter();
    return text;
}

QString row(FormCruciPuzzle* form, int r)
{
    return lettersAt(form,
                     {r * 10, r * 10 + 1, r * 10 + 2, r * 10 + 3, r * 10 + 4, r * 10 + 5, r * 10 + 6, r * 10 + 7,
                      r * 10 + 8, r * 10 + 9});
}

QList<int> ownedCells(FormCruciPuzzle* form)
{
    QList<int> cells;
    for (int cell = 0; cell < FormCruciPuzzle::Cells; ++cell)
        if (form->owner(cell) != 0)
            cells << cell;
    return cells;
}

QStringList shownClues(FormCruciPuzzle* form)
{
    QStringList words;
    for (PictureBox* clue : form->Image1)
        words << clue->word();
    return words;
}

// A real generator, for builds nobody scripted.
class SeededRandom final : public RandomSource
{
public:
    explicit SeededRandom(unsigned seed) : engine_(seed) {}
    double next() override { return std::uniform_real_distribution<double>(0.0, 1.0)(engine_); }

private:
    std::mt19937_64 engine_;
};

} // namespace

class TestWordSearch : public QObject
{
    Q_OBJECT
private slots:
    void startSaysOnlyTheTitleAndHidesOneSetWithItsClues_data()
    {
        QTest::addColumn<int>("set");
        QTest::newRow("set 1") << 1;
        QTest::newRow("set 2") << 2;
        QTest::newRow("set 3") << 3;
    }

    void startSaysOnlyTheTitleAndHidesOneSetWithItsClues()
    {
        QFETCH(int, set);
        ExerciseRig rig;
        pushSet(rig, set);
        pushPlaces(rig, set, inRows());
        FormCruciPuzzle* form = openPuzzle(rig);

        QCOMPARE(rig.speech.log(QStringLiteral("FormCruciPuzzle")),
                 QStringList{speakLine("FormCruciPuzzle", "Play  with  me.")});
        QCOMPARE(rig.speech.lastValue("FormCruciPuzzle", "rate"), int(DefaultVelocita));
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->Errati, qint16(0));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral("0"));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral("0"));
        QVERIFY(!form->mnuImposta && !form->Command1);
        QCOMPARE(form->menuBar->actions().size(), 1);

        QCOMPARE(form->wordSet(), set);
        QCOMPARE(form->paroleInserite(), qint16(10));
        const QString alphabet = QString::fromLatin1(FormCruciPuzzle::Filler);
        for (int k = 1; k <= 10; ++k) {
            const QString word = wordOf(set, k);
            QCOMPARE(form->ParoleCruci[size_t(k)], word);
            QVERIFY2(row(form, k - 1).startsWith(word.toUpper()), qPrintable(row(form, k - 1)));
            QCOMPARE(form->Image1[size_t(k - 1)]->word(), word);
            for (int c = 0; c < 10; ++c) {
                const int cell = (k - 1) * 10 + c;
                QCOMPARE(form->Label1[size_t(cell)]->property("tag").toString(),
                         c < word.length() ? QString::number(k) : QString());
                QVERIFY(alphabet.contains(form->Label1[size_t(cell)]->letter()));
                QCOMPARE(form->Label1[size_t(cell)]->background(), QColor(Qt::white));
            }
        }

        // No mouth repeat on this screen.
        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logSize(), before);
    }

    void sandwichesFillsAWholeLineInEachDirection_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("start");
        // Ten letters leave a single start row or column wherever the range is not 0..9.
        QTest::newRow("up, column 0") << 0 << 9 << 0 << 90;
        QTest::newRow("up and right") << 1 << 9 << 0 << 90;
        QTest::newRow("right, row 4") << 2 << 4 << 0 << 40;
        QTest::newRow("down and right") << 3 << 0 << 0 << 0;
        QTest::newRow("down, column 0") << 4 << 0 << 0 << 0;
        QTest::newRow("down and left") << 5 << 0 << 9 << 9;
        QTest::newRow("left, row 4") << 6 << 4 << 9 << 49;
        QTest::newRow("up and left") << 7 << 9 << 9 << 99;
    }

    void sandwichesFillsAWholeLineInEachDirection()
    {
        QFETCH(int, direction);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, start);
        ExerciseRig rig;
        pushSet(rig, 3);
        // "eggs", "cake" and "bread" off every line sandwiches may take.
        pushPlaces(rig, 3, {{2, 0, 1}, {2, 0, 5}, {2, 9, 1}});
        // The row and column draws of a ten-letter word all land on the one possible value.
        rig.random.push({ScriptedRandom::choice(direction, 8), drawFor(startRanges[direction][0], row, 10),
                         drawFor(startRanges[direction][1], column, 10)});
        FormCruciPuzzle* form = openPuzzle(rig);

        std::vector<int> line;
        for (int k = 0; k < 10; ++k)
            line.push_back(start + k * steps[direction]);
        QCOMPARE(form->path(4), line);
        QCOMPARE(lettersAt(form, line), QStringLiteral("SANDWICHES"));
        QCOMPARE(form->Image1[3]->word(), QStringLiteral("sandwiches"));
        // The line is whole: a row, a column or a corner-to-corner diagonal.
        const int first = line.front(), last = line.back();
        const int rows = std::abs(first / 10 - last / 10), columns = std::abs(first % 10 - last % 10);
        QVERIFY((rows == 9 && columns == 9) || (rows == 9 && columns == 0) || (rows == 0 && columns == 9));
        QCOMPARE(lettersAt(form, {1, 2, 3, 4, 5, 6, 7, 8}), QStringLiteral("EGGSCAKE"));
    }

    void aSharedCellCountsForTheWordWrittenLater()
    {
        ExerciseRig rig;
        pushSet(rig, 1);
        // "chicken" across row 2; "beer" down column 5 through its E; the rest out of the way.
        pushPlaces(rig, 1,
                   {{2, 2, 0},
                    {4, 1, 5},
                    {2, 5, 0},
                    {2, 6, 0},
                    {2, 7, 0},
                    {2, 8, 0},
                    {2, 9, 0},
                    {2, 0, 0},
                    {4, 0, 9},
                    {4, 0, 8}});
        FormCruciPuzzle* form = openPuzzle(rig);
        QCOMPARE(form->paroleInserite(), qint16(10));
        QCOMPARE(form->path(1), (std::vector<int>{20, 21, 22, 23, 24, 25, 26}));
        QCOMPARE(form->path(2), (std::vector<int>{15, 25, 35, 45}));
        QCOMPARE(form->Label1[25]->letter(), QChar('E'));
        QCOMPARE(form->owner(25), 2);

        for (int cell : {20, 21, 22, 23, 24})
            click(form->Label1[size_t(cell)]);
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->Image1[0]->word(), QStringLiteral("chicken"));
        click(form->Label1[26]);
        // Found without its shared E.
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 1"));
        QVERIFY(form->PicturesattiErrati->ComandoIconaSi->isVisibleTo(form)
                && !form->PicturesattiErrati->ComandoIconaNo->isVisibleTo(form));
        QCOMPARE(form->Image1[0]->word(), QString());
        QVERIFY(!form->Image1[0]->hasPicture());
        QCOMPARE(form->Label1[25]->background(), QColor(Qt::white));
        QCOMPARE(form->paroleTrovate(), qint16(1));

        for (int cell : {15, 35, 45})
            click(form->Label1[size_t(cell)]);
        QCOMPARE(form->Esatti, qint16(1));
        click(form->Label1[25]);
        QCOMPARE(form->Esatti, qint16(2));
        QCOMPARE(form->Image1[1]->word(), QString());
        QCOMPARE(form->Label1[25]->background(), FormCruciPuzzle::Yellow);
        QCOMPARE(form->Errati, qint16(0));
        // Letters and found words are silent.
        QCOMPARE(rig.speech.spoken(), QStringList{QStringLiteral("Play  with  me.")});
    }

    void conflictsAreCountedCellByCellAndAWordIsGivenUpAbove1000()
    {
        // "eggs" at the top left; "cake" tried over it, left to right: all four cells conflict.
        const auto script = [](ExerciseRig& rig, int failures) {
            pushSet(rig, 3);
            pushAttempt(rig, 4, {2, 0, 0});
            for (int i = 0; i < failures; ++i)
                pushAttempt(rig, 4, {2, 0, 0});
        };
        {
            // 250 attempts make 1000 conflicts: not yet above the limit, so "cake" goes on.
            ExerciseRig rig;
            script(rig, 250);
            pushAttempt(rig, 4, {2, 1, 0});
            QList<Place> rest = inRows().mid(2);
            for (int k = 0; k < rest.size(); ++k)
                pushAttempt(rig, lengthOf(3, k + 3), rest[k]);
            FormCruciPuzzle* form = openPuzzle(rig);
            QCOMPARE(form->path(2), (std::vector<int>{10, 11, 12, 13}));
            QCOMPARE(form->paroleInserite(), qint16(10));
            QCOMPARE(form->tentativi(), qint16(0));
            QCOMPARE(rig.random.ranShort, 100 - letterCount(3)); // the filler letters alone
        }
        ExerciseRig rig;
        script(rig, 251); // 1004 conflicts: "cake" is given up
        QList<Place> places = inRows();
        for (int k = 2; k < 10; ++k)
            pushAttempt(rig, lengthOf(3, k + 1), places[k]);
        FormCruciPuzzle* form = openPuzzle(rig);
        QCOMPARE(form->paroleInserite(), qint16(9));
        QVERIFY(!form->isPlaced(2));
        QCOMPARE(form->Image1[1]->word(), QString());
        QCOMPARE(form->path(3), (std::vector<int>{20, 21, 22, 23, 24}));
        QCOMPARE(form->tentativi(), qint16(0));
        for (int cell = 10; cell < 20; ++cell)
            QCOMPARE(form->owner(cell), 0);

        // The game ends when the nine placed words are found.
        pushPlaces(rig, 3, inRows());
        const QList<int> owned = ownedCells(form);
        for (int cell : owned.mid(0, owned.size() - 1))
            click(form->Label1[size_t(cell)]);
        QCOMPARE(form->paroleTrovate(), qint16(8));
        click(form->Label1[size_t(owned.last())]);
        QCOMPARE(form->Esatti, qint16(9));
        QCOMPARE(form->paroleInserite(), qint16(10)); // the new grid has room for "cake"
        QCOMPARE(form->paroleTrovate(), qint16(0));
        QCOMPARE(form->Image1[1]->word(), QStringLiteral("cake"));
    }

    void clicksOnYellowAndFillerLetters()
    {
        ExerciseRig rig;
        pushSet(rig, 1);
        pushPlaces(rig, 1, inRows());
        // Row 0 ends in three fillers; row 1 spells BEER twice more in fillers.
        pushFiller(rig, QStringLiteral("QQQBEERBE"));
        FormCruciPuzzle* form = openPuzzle(rig);
        QCOMPARE(row(form, 1), QStringLiteral("BEERBEERBE"));
        const auto noRepeat = speakLine("FormCruciPuzzle", "No! repeat!");

        click(form->Label1[0]);
        QCOMPARE(form->Label1[0]->background(), FormCruciPuzzle::Yellow);
        QCOMPARE(form->owner(0), 0);
        const qsizetype before = rig.logSize();
        click(form->Label1[0]); // yellow already: nothing at all
        QCOMPARE(rig.logSize(), before);
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->Errati, qint16(0));
        QVERIFY(!form->PicturesattiErrati->ComandoIconaNo->isVisibleTo(form));

        click(form->Label1[9]);
        click(form->Label1[9]);
        QCOMPARE(form->Errati, qint16(2));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 2"));
        QCOMPARE(form->Label1[9]->background(), QColor(Qt::white));
        QVERIFY(form->PicturesattiErrati->ComandoIconaNo->isVisibleTo(form)
                && !form->PicturesattiErrati->ComandoIconaSi->isVisibleTo(form));
        QCOMPARE(rig.logFrom(before), (QStringList{noRepeat, noRepeat}));

        // A copy of a word in filler letters does not count: each of its letters is a mistake.
        for (int cell : {14, 15, 16, 17})
            click(form->Label1[size_t(cell)]);
        QCOMPARE(form->Errati, qint16(6));
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->Image1[1]->word(), QStringLiteral("beer"));
        // The hidden one does.
        for (int cell : {10, 11, 12, 13})
            click(form->Label1[size_t(cell)]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(rig.logFrom(before), QStringList(6, noRepeat));
    }

    void theLastWordFoundRebuildsTheGridWithTheSameWords()
    {
        ExerciseRig rig;
        pushSet(rig, 2);
        pushPlaces(rig, 2, inRows());
        FormCruciPuzzle* form = openPuzzle(rig);
        click(form->Label1[99]); // "chips" is five letters: a filler
        QCOMPARE(form->Errati, qint16(1));
        const qsizetype before = rig.logSize();
        const int setDraws = rig.random.used;

        // The new grid: every word down a column this time, and no new set.
        QList<Place> columns;
        for (int c = 0; c < 10; ++c)
            columns << Place{4, 0, c};
        pushPlaces(rig, 2, columns);
        const QList<int> owned = ownedCells(form);
        for (int cell : owned.mid(0, owned.size() - 1))
            click(form->Label1[size_t(cell)]);
        QCOMPARE(form->Esatti, qint16(9));
        QCOMPARE(shownClues(form), (QStringList(9, QString()) << QStringLiteral("chips")));
        click(form->Label1[size_t(owned.last())]);

        QCOMPARE(form->Esatti, qint16(10));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 10"));
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 1"));
        QCOMPARE(form->wordSet(), 2);
        QCOMPARE(rig.random.used - setDraws, 30 + 100 - letterCount(2)); // placements, then fillers
        QCOMPARE(form->paroleTrovate(), qint16(0));
        QCOMPARE(form->paroleInserite(), qint16(10));
        QStringList words;
        for (int k = 1; k <= 10; ++k) {
            words << wordOf(2, k);
            std::vector<int> down;
            for (int r = 0; r < words.last().length(); ++r)
                down.push_back(r * 10 + k - 1);
            QCOMPARE(form->path(k), down);
            QCOMPARE(lettersAt(form, down), words.last().toUpper());
        }
        QCOMPARE(shownClues(form), words);
        for (GridCell* cell : form->Label1) {
            QCOMPARE(cell->background(), QColor(Qt::white));
            QVERIFY(!cell->letter().isNull());
        }
        QCOMPARE(rig.logSize(), before); // nothing said
        // And the game goes on in the new grid, where cell 99 is a filler again.
        click(form->Label1[99]);
        QCOMPARE(form->Errati, qint16(2));
    }

    void aWordCoveredByLaterWordsIsFoundWhenAllItsLettersAreYellow()
    {
        ExerciseRig rig;
        pushSet(rig, 2);
        // "pear" across row 5; later "carrot", "lemon", "pasta" and "apple" run down through
        // its R, E, P and A, so no cell of "pear" keeps its tag.
        pushPlaces(rig, 2,
                   {{2, 0, 0},
                    {2, 1, 0},
                    {2, 5, 0},
                    {4, 3, 3},
                    {4, 4, 1},
                    {4, 5, 0},
                    {2, 1, 6},
                    {4, 5, 2},
                    {2, 2, 0},
                    {2, 2, 5}});
        FormCruciPuzzle* form = openPuzzle(rig);
        QCOMPARE(form->paroleInserite(), qint16(10));
        QCOMPARE(lettersAt(form, form->path(3)), QStringLiteral("PEAR"));
        for (int cell : form->path(3))
            QVERIFY(form->owner(cell) != 3);

        for (int slot : {4, 5, 6, 8})
            for (int cell : std::vector<int>(form->path(slot)))
                click(form->Label1[size_t(cell)]);
        QVERIFY(form->isFound(3));
        QCOMPARE(form->Esatti, qint16(5));
        QCOMPARE(form->Image1[2]->word(), QString());
        QCOMPARE(form->paroleTrovate(), qint16(5));

        // The others: the game still ends.
        pushPlaces(rig, 2, inRows());
        // Copies: the last click rebuilds the grid and its paths.
        for (int slot : {1, 2, 7, 9, 10})
            for (int cell : std::vector<int>(form->path(slot)))
                click(form->Label1[size_t(cell)]);
        QCOMPARE(form->Esatti, qint16(10));
        QCOMPARE(form->paroleTrovate(), qint16(0));
        QCOMPARE(form->path(3), (std::vector<int>{20, 21, 22, 23}));
    }

    void everyBuildHidesEachPlacedWordOnAStraightLineInsideTheGrid()
    {
        ExerciseRig rig;
        FormCruciPuzzle* form = openPuzzle(rig);
        SeededRandom random(20240607);
        RandomSource::install(&random);
        int givenUp = 0;
        for (int build = 0; build < 300; ++build) {
            if (build % 100 == 0) {
                form->LeggiParole(); // each set in turn gets a hundred grids
            }
            form->Ricomincia();
            int placed = 0;
            for (int slot = 1; slot <= 10; ++slot) {
                const std::vector<int>& path = form->path(slot);
                const QString word = form->ParoleCruci[size_t(slot)].toUpper();
                if (path.empty()) {
                    ++givenUp;
                    QCOMPARE(form->Image1[size_t(slot - 1)]->word(), QString());
                    continue;
                }
                ++placed;
                QCOMPARE(form->Image1[size_t(slot - 1)]->word(), form->ParoleCruci[size_t(slot)]);
                QCOMPARE(int(path.size()), int(word.length()));
                QCOMPARE(lettersAt(form, path), word);
                // Neighbouring letters touch, all in one direction: no wrap to another row.
                for (size_t k = 1; k < path.size(); ++k) {
                    const int dr = path[k] / 10 - path[k - 1] / 10, dc = path[k] % 10 - path[k - 1] % 10;
                    QVERIFY(std::abs(dr) <= 1 && std::abs(dc) <= 1);
                    QCOMPARE(path[k] - path[k - 1], path[1] - path[0]);
                }
            }
            QCOMPARE(int(form->paroleInserite()), placed);
            // A cell belongs to the last word written on it; others are fillers.
            for (int cell = 0; cell < 100; ++cell) {
                int last = 0;
                for (int slot = 1; slot <= 10; ++slot)
                    if (std::count(form->path(slot).begin(), form->path(slot).end(), cell))
                        last = slot;
                QCOMPARE(form->owner(cell), last);
                QVERIFY(QString::fromLatin1(FormCruciPuzzle::Filler).contains(form->Label1[size_t(cell)]->letter()));
            }
        }
        RandomSource::install(&rig.random);
        QVERIFY(givenUp < 30); // a rare event with ten words in a hundred cells
    }

    void aScreenReaderHearsLettersAndPictures()
    {
        ExerciseRig rig;
        pushSet(rig, 1);
        pushPlaces(rig, 1, inRows());
        FormCruciPuzzle* form = openPuzzle(rig);
        for (int cell : {0, 9, 55}) {
            const Accessible a = accessibleOf(form->Label1[size_t(cell)]);
            QCOMPARE(a.role, QAccessible::Button);
            QCOMPARE(a.name, QString(form->Label1[size_t(cell)]->letter()));
            QVERIFY(a.actions.contains(QAccessibleActionInterface::pressAction()));
        }
        QCOMPARE(accessibleOf(form->Label1[0]).name, QStringLiteral("C"));
        const Accessible clue = accessibleOf(form->Image1[4]);
        QCOMPARE(clue.role, QAccessible::Graphic);
        QCOMPARE(clue.name, QStringLiteral("beans"));
        QVERIFY(clue.actions.isEmpty());
        QVERIFY(accessibleOf(form->grid).actions.isEmpty());

        // Pressing letters as a screen reader does finds "beer".
        for (int cell : {10, 11, 12, 13})
            pressAccessibly(form->Label1[size_t(cell)]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(accessibleOf(form->Image1[1]).name, QString());

        // The arrow keys walk the grid; Space clicks. The focus waits on the first letter and
        // the first arrow shows it there.
        QVERIFY(form->Label1[0]->hasFocus());
        QTest::keyClick(form->Label1[0], Qt::Key_Down);
        QVERIFY(form->Label1[0]->hasFocus());
        QTest::keyClick(form->Label1[0], Qt::Key_Down);
        QVERIFY(form->Label1[10]->hasFocus());
        QTest::keyClick(form->Label1[10], Qt::Key_Up);
        QTest::keyClick(form->Label1[0], Qt::Key_Up); // the edge stops it
        QTest::keyClick(form->Label1[0], Qt::Key_Right);
        QVERIFY(form->Label1[1]->hasFocus());
        QTest::keyClick(form->Label1[1], Qt::Key_Space);
        QCOMPARE(form->Label1[1]->background(), FormCruciPuzzle::Yellow);
    }

    void cellsAreEqualSquaresWithBigLettersAtBothSizes()
    {
        ExerciseRig rig;
        pushSet(rig, 3);
        pushPlaces(rig, 3, inRows());
        FormCruciPuzzle* form = openPuzzle(rig);
        for (const QSize size : {QSize(1024, 768), QSize(1920, 1080), QSize(1024, 768), QSize(1280, 1024)}) {
            rig.resize(size);
            const QString where = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
            const int side = form->Label1[0]->width();
            // Nearly the grid's whole share of the height.
            QVERIFY2(side * 10 >= form->grid->height() * 95 / 100 || side * 10 >= form->grid->width() * 95 / 100,
                     qPrintable(where));
            QVERIFY2(side >= 50, qPrintable(where));
            QVERIFY2(form->Label1[0]->font().pixelSize() >= side / 2, qPrintable(where));
            const QPoint origin = form->Label1[0]->pos();
            for (int i = 0; i < 100; ++i) {
                const QRect expected(origin + QPoint(i % 10 * side, i / 10 * side), QSize(side, side));
                QCOMPARE(form->Label1[size_t(i)]->geometry(), expected);
            }
            QVERIFY2(form->grid->rect().contains(form->Label1[0]->geometry().united(form->Label1[99]->geometry())),
                     qPrintable(where));
            // Centred in the grid's place.
            QVERIFY(std::abs(origin.x() - (form->grid->width() - 10 * side) / 2) <= 1);
            QVERIFY(std::abs(origin.y() - (form->grid->height() - 10 * side) / 2) <= 1);
        }
    }
};

MUNCHORA_TEST(TestWordSearch)
#include "test_word_search.moc"
