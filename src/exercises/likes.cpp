// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/likes.h"

#include "exercises/silence_wait.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"

#include <QResizeEvent>

namespace {

// Where the balloon's empty inside is in a smiley, measured on it at 400 x 400 (it scales with
// the picture, whatever size the file has).
constexpr double SmileySide = 400, BalloonX = 198, BalloonY = 37, BalloonSide = 141;

ExerciseConfig configFor(const char* title, bool scorePanel, ExerciseConfig::Next next)
{
    ExerciseConfig config;
    config.title = QString::fromLatin1(title);
    config.scorePanel = scorePanel;
    config.next = next;
    return config;
}

} // namespace

QString sentenceFor(Feeling feeling, const QString& item)
{
    return feeling == Feeling::Likes ? likeSentence(item) : dislikeSentence(item);
}

void SmileyScreen::drawQuestion()
{
    feeling_ = RandomChoice(2) == 0 ? Feeling::Likes : Feeling::DoesNotLike;
    item_ = RandomWordIndex();
}

QString likeSentence(const QString& item)
{
    return QStringLiteral("Yummy Yummy! I like ") + item + QLatin1Char('!');
}

QString dislikeSentence(const QString& item)
{
    return QStringLiteral("Yuk!  I don't like ") + item + QLatin1Char('!');
}

Smiley::Smiley(QWidget* parent) : PictureBox(parent), item_(new PictureBox(this))
{
    item_->setObjectName(QStringLiteral("item"));
    setPleased(true);
}

void Smiley::setPleased(bool pleased)
{
    setWord(pleased ? QStringLiteral("smileys1") : QStringLiteral("smileys2"));
    setAccessibleName(pleased ? QStringLiteral("pleased") : QStringLiteral("displeased"));
}

void Smiley::resizeEvent(QResizeEvent* event)
{
    PictureBox::resizeEvent(event);
    // The smiley is drawn as the largest centred square: the balloon scales with that square.
    const double side = std::min(width(), height());
    const double scale = side / SmileySide;
    const QPointF square((width() - side) / 2, (height() - side) / 2);
    item_->setGeometry(
        QRectF(square.x() + BalloonX * scale, square.y() + BalloonY * scale, BalloonSide * scale, BalloonSide * scale)
            .toRect());
}

QStringList LikesScreen::spokenTexts() const
{
    QStringList texts = ExerciseScreen::spokenTexts();
    for (int word = 1; word <= Modulo1::WordCount(); ++word)
        texts << likeSentence(Modulo1::sentenceForm(word)) << dislikeSentence(Modulo1::sentenceForm(word));
    return texts;
}

// ---------------------------------------------------------------- exercise 12

Form11::Form11(QWidget* parent)
    : SmileyScreen(QStringLiteral("Form11"), configFor("exercise 12. listen.", false, ExerciseConfig::Next::Enabled),
                   parent)
{
    Image1 = new Smiley(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(302, 160, 420, 420);
    Image2 = Image1->item();
    Image2->setObjectName(QStringLiteral("Image2"));
}

void Form11::CaricaPalla()
{
    drawQuestion();
    Image2->setWord(Modulo1::Parola(item_));
    Frase = sentenceFor(feeling_, Modulo1::sentenceForm(item_));
    Image1->setPleased(feeling_ == Feeling::Likes);
    Bocca->Speak(Frase);
}

void Form11::Command1_Click()
{
    Bocca->StopSpeech();
    CaricaPalla();
}

// ---------------------------------------------------------------- exercise 13

Form12::Form12(QWidget* parent)
    : SmileyScreen(QStringLiteral("Form12"),
                   configFor("exercise 13. click on the image.", true, ExerciseConfig::Next::None), parent)
{
    for (int k = 0; k < 2; ++k) {
        auto* smiley = new Smiley(this);
        smiley->setObjectName(QStringLiteral("Image1_%1").arg(k));
        smiley->setGeometry(k == 0 ? QRect(90, 230, 376, 376) : QRect(558, 230, 376, 376));
        smiley->setPleased(k == 0);
        smiley->setCursor(Qt::PointingHandCursor);
        PictureBox* item = smiley->item();
        item->setObjectName(QStringLiteral("Image2_%1").arg(k));
        item->setCursor(Qt::PointingHandCursor);
        // The item in a smiley's balloon answers as the smiley does.
        connect(smiley, &PictureBox::clicked, this, [this, k] { Image1_Click(k); });
        connect(item, &PictureBox::clicked, this, [this, k] { Image1_Click(k); });
        addAnswerControl(smiley);
        Image1[size_t(k)] = smiley;
        Image2[size_t(k)] = item;
    }
}

void Form12::CaricaPalla()
{
    drawQuestion();
    Image2[0]->setWord(Modulo1::Parola(item_));
    Image2[1]->setWord(Modulo1::Parola(item_));
    Frase = sentenceFor(feeling_, Modulo1::sentenceForm(item_));
    // The new question shows at once; it is said once what is being said has ended.
    silence().then(SilenceWait::Input::Drop, [this] { Bocca->Speak(Frase); });
}

void Form12::Image1_Click(int Index)
{
    const QString word = Modulo1::Parola(item_);
    const bool right = Index == rightChoice();
    recordAnswer({.asked = Frase,
                  .word = word,
                  .chosen = sentenceFor(feelingAt(Index), Modulo1::sentenceForm(item_)),
                  .chosenWord = word,
                  .right = right});
    if (!right) {
        SegnaErrato(); // the question stays
        return;
    }
    SegnaEsatto();
    CaricaPalla();
}

// ---------------------------------------------------------------- exercise 14

Form13::Form13(QWidget* parent)
    : SmileyScreen(QStringLiteral("Form13"),
                   configFor("exercise 14. click on the words.", true, ExerciseConfig::Next::None), parent)
{
    Image1 = new Smiley(this);
    Image1->setObjectName(QStringLiteral("Image1_0"));
    Image1->setGeometry(387, 196, 250, 250);
    Image2 = Image1->item();
    Image2->setObjectName(QStringLiteral("Image2_0"));
    for (int k = 0; k < 2; ++k) {
        auto* label = new WordLabel(this);
        label->setObjectName(QStringLiteral("Label3_%1").arg(k));
        label->setGeometry(112, 470 + k * 110, 800, 90);
        label->setFont(designFont(QStringLiteral("Liberation Sans"), 40, true));
        connect(label, &WordLabel::clicked, this, [this, k] { Label3_Click(k); });
        addAnswerControl(label);
        Label3[size_t(k)] = label;
    }
}

void Form13::CaricaPalla()
{
    drawQuestion();
    Image2->setWord(Modulo1::Parola(item_));
    Image1->setPleased(feeling_ == Feeling::Likes);
    Label3[0]->setCaption(likeSentence(Modulo1::sentenceForm(item_)));
    Label3[1]->setCaption(dislikeSentence(Modulo1::sentenceForm(item_)));
    // Nothing is said: the child reads both sentences and the face decides.
}

QStringList Form13::mouthItems() const
{
    return {Label3[0]->caption(), Label3[1]->caption()};
}

void Form13::Label3_Click(int Index)
{
    // What the face says is asked; the child chooses the sentence that says it.
    const QString word = Modulo1::Parola(item_);
    const bool right = Index == rightChoice();
    recordAnswer({.asked = Label3[size_t(rightChoice())]->caption(),
                  .word = word,
                  .chosen = Label3[size_t(Index)]->caption(),
                  .chosenWord = word,
                  .right = right});
    if (!right) {
        SegnaErrato();
        return;
    }
    SegnaEsatto();
    Bocca->Speak(sentenceFor(feelingAt(Index), Modulo1::sentenceForm(item_)));
    // The screen holds until the sentence has been said, then the next question.
    silence().then(SilenceWait::Input::Drop, [this] { CaricaPalla(); });
}
