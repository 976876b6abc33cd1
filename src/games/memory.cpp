// SPDX-License-Identifier: GPL-3.0-or-later
#include "games/memory.h"

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/impostavoce.h"
#include "widgets/number_text.h"

#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace {

// The board at design size: 4 rows of 6 places below the mouth, the counter and "new".
constexpr int CardWidth = 150, CardHeight = 128, ColumnStep = 164, RowStep = 140;
constexpr int BoardLeft = 27, BoardTop = 206;
constexpr int PauseMs = 1500;

ExerciseConfig memoryConfig()
{
    ExerciseConfig config;
    config.title = QStringLiteral("Play  with  me.");
    config.scorePanel = false; // the game keeps no score and leaves the counters alone
    config.voiceEntry = false;
    config.mouthRepeats = false;
    config.next = ExerciseConfig::Next::Enabled;
    config.nextCaption = QStringLiteral("new");
    return config;
}

QRect placeRect(int p)
{
    return {BoardLeft + (p % 6) * ColumnStep, BoardTop + (p / 6) * RowStep, CardWidth, CardHeight};
}

} // namespace

MemoryGame::MemoryGame(const QString& name, const QStringList& words, QWidget* parent)
    : ExerciseScreen(name, memoryConfig(), parent)
{
    Q_ASSERT(words.size() == 12);
    // As designed: pictures in rows 0 and 1, words in rows 2 and 3.
    for (int k = 0; k < 12; ++k) {
        auto* picture = new PictureBox(this);
        picture->setObjectName(QStringLiteral("Image1_%1").arg(k));
        picture->setGeometry(placeRect(k));
        Image1[size_t(k)] = picture;

        auto* word = new QLabel(words.at(k), this);
        word->setObjectName(QStringLiteral("Label1_%1").arg(k));
        word->setGeometry(placeRect(12 + k));
        word->setFont(designFont(QStringLiteral("Liberation Sans"), 30, true));
        word->setAlignment(Qt::AlignCenter);
        word->setWordWrap(true);
        word->setStyleSheet(QStringLiteral("QLabel { background: white; color: #1d1f3a;"
                                           " border: 3px solid #ffb74d; border-radius: 12px; }"));
        word->setAccessibleName(words.at(k));
        Label1[size_t(k)] = word;
    }
    for (int f = 0; f < 24; ++f) {
        auto* cover = new CardCover(this);
        cover->setObjectName(QStringLiteral("Label2_%1").arg(f));
        cover->setGeometry(placeRect(f));
        connect(cover, &CardCover::clicked, this, [this, f] { Label2_Click(f); });
        addAnswerControl(cover);
        Label2[size_t(f)] = cover;
    }

    Label3 = new QLabel(QStringLiteral("times = 0"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(330, 92, 360, 72);
    Label3->setFont(designFont(QStringLiteral("Liberation Sans"), 40, true));
    Label3->setAlignment(Qt::AlignCenter);
    // White text, on a dark card so it reads on the light background.
    Label3->setStyleSheet(QStringLiteral("QLabel { color: white; background: #3949ab; border-radius: 16px; }"));

    // "new" stands at the top right, where the board leaves room.
    Command1->setGeometry(820, 60, 184, 120);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(PauseMs);
    connect(Timer1, &QTimer::timeout, this, &MemoryGame::Timer1_Timer);
}

QWidget* MemoryGame::face(int card) const
{
    return card < 12 ? static_cast<QWidget*>(Image1[size_t(card)]) : Label1[size_t(card - 12)];
}

bool MemoryGame::isFaceUp(int card) const
{
    return Label2[size_t(card)]->isHidden();
}

int MemoryGame::placeOf(int card) const
{
    const QString tag = Label2[size_t(card)]->property("tag").toString();
    return tag.isEmpty() ? -1 : tag.trimmed().toInt();
}

void MemoryGame::showCover(int card, bool shown)
{
    // The keyboard stays on the card as it turns: on its face while face up (a screen reader
    // then says the face, its word), on its cover again when it is turned back.
    QWidget* from = shown ? face(card) : static_cast<QWidget*>(Label2[size_t(card)]);
    QWidget* to = shown ? static_cast<QWidget*>(Label2[size_t(card)]) : face(card);
    const bool keepFocus = from->hasFocus();
    if (keepFocus) {
        to->setFocusPolicy(Qt::TabFocus);
        to->setVisible(true);
        to->setFocus(Qt::OtherFocusReason);
    }
    Label2[size_t(card)]->setVisible(shown);
    // The face stands beneath its cover; while covered it is kept out of sight altogether,
    // so a screen reader, too, finds only "card" there.
    face(card)->setVisible(!shown);
}

void MemoryGame::showCount()
{
    Label3->setText(QStringLiteral("times = ") + NumberText(Volte));
    Label3->setAccessibleName(Label3->text());
}

void MemoryGame::measurePlaces()
{
    auto top = [this](QWidget* w) { return designPosition(w).y(); };
    TopRiga[0] = top(Image1[0]);
    TopRiga[1] = top(Image1[6]);
    TopRiga[2] = top(Label1[0]);
    TopRiga[3] = top(Label1[6]);
    LeftColonna0 = designPosition(Label1[0]).x();
    PassoColonne = designPosition(Label1[1]).x() - LeftColonna0;
    Label3->setText(QStringLiteral("times = 0"));
    for (int k = 0; k < 12; ++k)
        Image1[size_t(k)]->setWord(Label1[size_t(k)]->text());
}

void MemoryGame::Ricomincia()
{
    PrimaScoperta = false;
    Volte = 0;
    showCount();
    for (int f = 0; f < 24; ++f)
        showCover(f, true);
    Timer1->stop();
    mescola();
    CarteAttive = true;
}

void MemoryGame::mescola()
{
    int posTop[24], posLeft[24];
    for (int p = 0; p < 24; ++p) {
        posTop[p] = qRound(TopRiga[p / 6]);
        posLeft[p] = qRound((p % 6) * PassoColonne + LeftColonna0);
    }
    dealToPlaces({Label2.begin(), Label2.end()}, [&](int f, int p) {
        const QPointF place(posLeft[p], posTop[p]);
        placeControl(Label2[size_t(f)], place);
        placeControl(face(f), place);
        // Face down, a card is known by its place only, so a screen reader gives nothing away.
        Label2[size_t(f)]->setAccessibleName(QStringLiteral("card, row %1, column %2").arg(p / 6 + 1).arg(p % 6 + 1));
    });
}

void MemoryGame::Label2_Click(int Index)
{
    if (!CarteAttive)
        return; // the pause: covers take no clicks
    showCover(Index, false);
    if (!PrimaScoperta) {
        PrimaScoperta = true;
        PrimaCarta = qint16(Index);
        return;
    }
    SecondaCarta = qint16(Index);
    CarteAttive = false;
    // A turn asks for no word, so it is no confusion of one word with another: the record keeps
    // the two cards as shown, the pair's word when they are one, and counts the turns since the
    // deal or the last pair.
    const auto wordOf = [this](int card) {
        return card < 12 ? Image1[size_t(card)]->word() : Label1[size_t(card - 12)]->text().trimmed();
    };
    const bool pair = SecondaCarta == PrimaCarta + 12 || PrimaCarta == SecondaCarta + 12;
    recordAnswer({.asked = QString(),
                  .word = QString(),
                  .chosen = wordOf(PrimaCarta) + QStringLiteral(" + ") + wordOf(SecondaCarta),
                  .chosenWord = pair ? wordOf(PrimaCarta) : QString(),
                  .right = pair});
    Timer1->start();
}

void MemoryGame::Timer1_Timer()
{
    // A picture with its own word stays face up for the rest of the deal.
    if (SecondaCarta != PrimaCarta + 12 && PrimaCarta != SecondaCarta + 12) {
        showCover(PrimaCarta, true);
        showCover(SecondaCarta, true);
    }
    if (Volte < 32767)
        ++Volte;
    showCount();
    Timer1->stop();
    CarteAttive = true;
    PrimaScoperta = false;
}

void MemoryGame::Command1_Click()
{
    Ricomincia();
}

namespace {

// The built-in unit's games keep their own twelve words. Another unit's first game takes its
// first twelve words and the second the next twelve, or its last twelve when it has fewer than
// twenty-four (a unit has at least twelve).
QStringList wordsOf(int game, const QStringList& builtIn)
{
    if (Modulo1::unitInPlay().builtIn)
        return builtIn;
    const int count = Modulo1::WordCount();
    const int first = game == 1 ? 1 : std::max(1, std::min(13, count - 11));
    QStringList words;
    for (int i = first; i < first + 12; ++i)
        words << Modulo1::Parola(std::min(i, count));
    return words;
}

} // namespace

FormMemory::FormMemory(QWidget* parent)
    : MemoryGame(QStringLiteral("FormMemory"),
                 wordsOf(1,
                         {"apple", "banana", "beans", "beer", "biscuits", "carrot", "cake", "cheese", "chicken",
                          "chips", "coffee", "eggs"}),
                 parent)
{}

FormMemory2::FormMemory2(QWidget* parent)
    : MemoryGame(QStringLiteral("FormMemory2"),
                 wordsOf(2,
                         {"fish", "grapes", "ham", "ice cream", "lemon", "milk", "orange", "pear", "salad", "spinach",
                          "tomato", "water"}),
                 parent)
{}
