// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/who_likes.h"

#include "exercises/silence_wait.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"

#include <QLabel>

namespace {

const char* const names[7] = {"Tom", "Bob", "Susy", "Jerry", "Sam", "Mary", "Ann"};

// The table at design size: a column of names, then eight columns; a row of headings, a row of
// pictures, then seven rows of cells, each big enough for a finger.
constexpr int NameLeft = 20, NameWidth = 124;
constexpr int ColumnLeft = NameLeft + NameWidth, ColumnWidth = 107;
constexpr int HeadingTop = 198, HeadingHeight = 40;
constexpr int PictureTop = HeadingTop + HeadingHeight, PictureHeight = 92;
constexpr int RowTop = PictureTop + PictureHeight + 6, RowHeight = 58;
constexpr int TableRight = ColumnLeft + 8 * ColumnWidth;
constexpr int TableBottom = RowTop + 7 * RowHeight;

const QString Likes = QStringLiteral(" likes ");
const QString DoesNotLike = QStringLiteral(" doesn't like ");

const QColor white(255, 255, 255);
const QColor red(255, 0, 0);

ExerciseConfig form14Config()
{
    ExerciseConfig config;
    config.title = QStringLiteral("exercise 15.");
    config.next = ExerciseConfig::Next::None;
    return config;
}

} // namespace

Form14::Form14(QWidget* parent) : LikesScreen(QStringLiteral("Form14"), form14Config(), parent)
{
    const QColor ink(0x1d, 0x1f, 0x3a);

    for (int h = 0; h < 2; ++h) {
        auto* heading = new QLabel(h == 0 ? QStringLiteral("LIKES") : QStringLiteral("DOESN'T LIKE"), this);
        heading->setObjectName(QStringLiteral("Label5_%1").arg(h));
        heading->setGeometry(ColumnLeft + h * 4 * ColumnWidth, HeadingTop, 4 * ColumnWidth, HeadingHeight);
        heading->setFont(designFont(QStringLiteral("Liberation Sans"), 30, true));
        heading->setAlignment(Qt::AlignCenter);
        heading->setStyleSheet(QStringLiteral("color: #ff0000;"));
        heading->setAccessibleName(heading->text());
        Label5[size_t(h)] = heading;
    }
    for (int k = 0; k < 8; ++k) {
        auto* picture = new PictureBox(this);
        picture->setObjectName(QStringLiteral("Image1_%1").arg(k));
        picture->setGeometry(ColumnLeft + k * ColumnWidth + 6, PictureTop, ColumnWidth - 12, PictureHeight - 4);
        Image1[size_t(k)] = picture;
    }
    for (int r = 0; r < 7; ++r) {
        auto* name = new QLabel(QString::fromLatin1(names[r]), this);
        name->setObjectName(QStringLiteral("Label3_%1").arg(r));
        name->setGeometry(NameLeft, RowTop + r * RowHeight + 1, NameWidth - 8, RowHeight - 2);
        name->setFont(designFont(QStringLiteral("Liberation Sans"), 30, true));
        name->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
        QPalette palette = name->palette();
        palette.setColor(QPalette::WindowText, ink);
        name->setPalette(palette);
        name->setAccessibleName(name->text());
        Label3[size_t(r)] = name;
    }
    for (int g = 0; g < 56; ++g) {
        auto* cell = new GridCell(this);
        cell->setObjectName(QStringLiteral("Label4_%1").arg(g));
        cell->setGeometry(ColumnLeft + (g % 8) * ColumnWidth + 1, RowTop + (g / 8) * RowHeight + 1, ColumnWidth - 2,
                          RowHeight - 2);
        cell->setBackground(white);
        connect(cell, &GridCell::clicked, this, [this, g] { Label4_Click(g); });
        addAnswerControl(cell);
        Label4[size_t(g)] = cell;
    }
    // The ruling: the rows' edges, then the columns' edges of each half.
    auto line = [this](const QString& name, double x1, double y1, double x2, double y2) {
        auto* l = new LineControl(this);
        l->setObjectName(name);
        l->setColor(QColor(0x5d, 0x40, 0x37));
        l->setPenWidth(2);
        l->setLine(x1, y1, x2, y2);
        return l;
    };
    for (int r = 0; r < 8; ++r)
        Line1[size_t(r)] = line(QStringLiteral("Line1_%1").arg(r), NameLeft, RowTop + r * RowHeight, TableRight,
                                RowTop + r * RowHeight);
    for (int c = 0; c < 5; ++c)
        Line2[size_t(c)] = line(QStringLiteral("Line2_%1").arg(c), ColumnLeft + c * ColumnWidth,
                                c == 0 || c == 4 ? HeadingTop : PictureTop, // the headings stay whole
                                ColumnLeft + c * ColumnWidth, TableBottom);
    for (int c = 0; c < 4; ++c)
        Line3[size_t(c)] = line(QStringLiteral("Line3_%1").arg(c), ColumnLeft + (c + 5) * ColumnWidth, PictureTop,
                                ColumnLeft + (c + 5) * ColumnWidth, TableBottom);
}

QStringList Form14::spokenTexts() const
{
    QStringList texts = ExerciseScreen::spokenTexts();
    for (const char* name : names)
        for (int word = 1; word <= Modulo1::WordCount(); ++word)
            texts << QString::fromLatin1(name) + Likes + Modulo1::sentenceForm(word)
                  << QString::fromLatin1(name) + DoesNotLike + Modulo1::sentenceForm(word);
    return texts;
}

QString Form14::sentenceOf(int cell) const
{
    return Label3[size_t(cell / 8)]->text() + Image1[size_t(cell % 8)]->property("tag").toString();
}

bool Form14::isRed(int cell) const
{
    return Label4[size_t(cell)]->background() == red;
}

void Form14::CaricaPalla()
{
    Domande = 0;
    const std::vector<int> drawn = RandomDistinctWords(4);
    for (int k = 0; k < 4; ++k) {
        const int word = drawn[size_t(k)];
        const QString form = Modulo1::sentenceForm(word);
        Image1[size_t(k)]->setWord(Modulo1::Parola(word));
        Image1[size_t(k + 4)]->setWord(Modulo1::Parola(word));
        Image1[size_t(k)]->setProperty("tag", Likes + form);
        Image1[size_t(k + 4)]->setProperty("tag", DoesNotLike + form);
    }
    for (int g = 0; g < 56; ++g) {
        Label4[size_t(g)]->setBackground(white);
        // A screen reader names a cell by its headers, as a table cell: "Tom likes apples".
        Label4[size_t(g)]->setAccessibleName(sentenceOf(g));
    }
    GeneraEsercizio();
}

void Form14::GeneraEsercizio()
{
    using namespace Modulo1;
    if (Domande == 10) {
        CaricaPalla(); // a new board, and its first sentence
        return;
    }
    ++Domande;
    int cell = RandomChoice(56);
    while (isRed(cell)) // a cell answered on this board is never asked again
        cell = RandomChoice(56);
    askedCell_ = cell;
    Frase = sentenceOf(cell);
    Bocca->Speak(Frase);
    // The screen does not react while the sentence is said; clicks made meanwhile come after.
    silence().holdInput(SilenceWait::Input::HandleAfter);
}

void Form14::Label4_Click(int Index)
{
    // A cell is a name and a picture: the sentence they make is the child's answer.
    const bool right = Index == askedCell_ && !isRed(Index);
    recordAnswer({.asked = Frase,
                  .word = Image1[size_t(askedCell_ % 8)]->word(),
                  .chosen = sentenceOf(Index),
                  .chosenWord = Image1[size_t(Index % 8)]->word(),
                  .right = right});
    if (!right) {
        SegnaErrato(); // also for a cell already red
        return;
    }
    SegnaEsatto();
    Label4[size_t(Index)]->setBackground(red);
    Label4[size_t(Index)]->repaint();
    // What the child did before this answer was taken is judged against this sentence, not the
    // next one: the next sentence is a step after the input already waiting (any of it is now a
    // mistake).
    silence().afterWaitingInput([this, Index] {
        if (Index == askedCell_) // the board was not dealt anew meanwhile
            GeneraEsercizio();
    });
}
