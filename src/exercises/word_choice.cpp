// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/word_choice.h"

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"
#include "widgets/number_text.h"

namespace {

ExerciseConfig configFor(const WordChoiceSet& set)
{
    ExerciseConfig config;
    config.title = set.title;
    config.mouthRepeats = set.speaks;
    config.next = ExerciseConfig::Next::Enabled; // the first question may be skipped
    return config;
}

// A pure red background marks the word clicked rightly.
const QColor rightRed(255, 0, 0);

} // namespace

WordChoice::WordChoice(WordChoiceSet set, QWidget* parent)
    : ExerciseScreen(set.name, configFor(set), parent), set_(std::move(set))
{
    const bool three = set_.labels == 3;
    const QString prefix = three ? QStringLiteral("Label3_%1") : QStringLiteral("Label1_%1");
    if (set_.picture) {
        Image1 = new PictureBox(this);
        Image1->setObjectName(three ? QStringLiteral("Image1_0") : QStringLiteral("Image1"));
        // Three labels: the picture above them, in the middle; five: on the left of the list.
        Image1->setGeometry(three ? QRect(382, 202, 262, 262) : QRect(70, 214, 370, 370));
    }
    for (int k = 0; k < set_.labels; ++k) {
        auto* label = new WordLabel(this);
        label->setObjectName(prefix.arg(k));
        QRect place;
        if (three)
            place = QRect(42 + k * 330, 496, 280, 94); // three places side by side
        else if (set_.picture)
            place = QRect(480, 206 + k * 80, 330, 68); // a list beside the picture
        else
            place = QRect(302, 206 + k * 80, 420, 68); // a list in the middle
        label->setGeometry(place);
        label->setFont(designFont(QStringLiteral("Liberation Sans"), three ? 46 : 40, true));
        connect(label, &WordLabel::clicked, this, [this, k] { Label_Click(k); });
        addAnswerControl(label);
        labels.push_back(label);
    }
}

int WordChoice::rightLabel() const
{
    return set_.labels == 3 ? 0 : IndiceGiusto;
}

void WordChoice::measurePlaces()
{
    if (set_.labels != 3)
        return;
    // Read on every activation from the labels as they stand: the same three places.
    for (int k = 0; k < 3; ++k)
        Posizioni[size_t(k)] = qRound(designPosition(labels[size_t(k)]).x());
}

void WordChoice::Sposta()
{
    dealToPlaces({labels.begin(), labels.end()}, [this](int c, int s) {
        WordLabel* label = labels[size_t(c)];
        placeControl(label, QPointF(Posizioni[size_t(s)], designPosition(label).y()));
    });
}

void WordChoice::CaricaPalla()
{
    using namespace Modulo1;
    if (set_.labels == 3)
        Sposta();
    words_ = RandomDistinctWords(set_.labels);
    for (int k = 0; k < set_.labels; ++k) {
        const QString caption = (k == 3 && set_.spacedFourth ? QStringLiteral(" ") : QString())
            + Parola(words_[size_t(k)]);
        labels[size_t(k)]->setCaption(caption);
    }
    if (set_.labels == 5)
        IndiceGiusto = RandomChoice(5);
    if (Image1) {
        // The picture of the right caption, so it always names one of the words shown.
        Image1->setWord(set_.labels == 3 ? Parola(labelWord(0)) : labels[size_t(IndiceGiusto)]->caption());
    }
    if (set_.speaks)
        Bocca->Speak(labels[size_t(rightLabel())]->caption());
}

QStringList WordChoice::mouthItems() const
{
    return {labels[size_t(rightLabel())]->caption()};
}

void WordChoice::Label_Click(int Index)
{
    const bool right = Index == rightLabel();
    recordWordAnswer(labels[size_t(rightLabel())]->caption().trimmed(), labels[size_t(Index)]->caption().trimmed(),
                     right);
    if (!right) {
        SegnaErrato(); // the question stays open: every wrong click counts
        return;
    }
    SegnaEsatto();
    labels[size_t(Index)]->setBackground(rightRed);
    for (WordLabel* label : labels)
        label->setEnabled(false);
    Command1->setEnabled(true);
}

void WordChoice::Command1_Click()
{
    Bocca->StopSpeech();
    for (WordLabel* label : labels)
        label->open();
    Command1->setEnabled(false);
    CaricaPalla();
}

Form5::Form5(QWidget* parent)
    : WordChoice({QStringLiteral("Form5"), QStringLiteral("exercise 7.. click on the word."), 3, true, true, false},
                 parent)
{}

Form6::Form6(QWidget* parent)
    : WordChoice({QStringLiteral("Form6"), QStringLiteral("exercise 8. read the words."), 3, true, false, false},
                 parent)
{}

Form9::Form9(QWidget* parent)
    : WordChoice({QStringLiteral("Form9"), QStringLiteral("exercise 10.. click on the word."), 5, false, true, true},
                 parent)
{}

Form10::Form10(QWidget* parent)
    : WordChoice({QStringLiteral("Form10"), QStringLiteral("exercise 11.. click on the word."), 5, true, false, false},
                 parent)
{}
