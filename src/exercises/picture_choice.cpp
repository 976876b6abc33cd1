// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/picture_choice.h"

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "widgets/bocca.h"
#include "widgets/pictures.h"

namespace {

PictureChoiceSet form2Set()
{
    using namespace Modulo1;
    PictureChoiceSet set;
    set.name = QStringLiteral("Form2");
    set.title = QStringLiteral("exercise 2.. click on the objet.");
    // One row of three, left to right Image1(0), (1), (2).
    set.designRects = {{32, 240, 300, 300}, {362, 240, 300, 300}, {692, 240, 300, 300}};
    set.places = {{0, -1}, {1, -1}, {2, -1}};
    // Arrangement a exchanges the places of picture 0 and picture a - 1.
    set.arrangements = {{0, 1, 2}, {1, 0, 2}, {2, 1, 0}};
    set.primaXFrom = 0;
    set.passoXFrom = 1;
    set.rigaSopraFrom = -1;
    set.rigaSottoFrom = -1;
    return set;
}

PictureChoiceSet form3Set()
{
    using namespace Modulo1;
    PictureChoiceSet set;
    set.name = QStringLiteral("Form3");
    set.title = QStringLiteral("exercise 3.. click on the objet.");
    // Upper row: Image1(1), Image1(4); lower row: Image1(2), Image1(0), Image1(3).
    const int size = 232, top = 206, bottom = 470, left = 150, step = 270;
    set.designRects = {{left + step, bottom, size, size},
                       {left, top, size, size},
                       {left, bottom, size, size},
                       {left + 2 * step, bottom, size, size},
                       {left + step, top, size, size}};
    set.places = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 1}};
    set.arrangements = {{0, 1, 2, 3, 4}, {1, 0, 2, 3, 4}, {2, 1, 0, 3, 4}, {3, 1, 2, 0, 4}, {4, 1, 2, 3, 0}};
    set.primaXFrom = 1;
    set.passoXFrom = 4;
    set.rigaSopraFrom = 1;
    set.rigaSottoFrom = 0;
    return set;
}

ExerciseConfig configFor(const PictureChoiceSet& set)
{
    ExerciseConfig config;
    config.title = set.title;
    config.scorePanel = true;
    config.voiceEntry = true;
    config.mouthRepeats = true;
    config.next = ExerciseConfig::Next::Disabled; // the first question cannot be skipped
    return config;
}

} // namespace

PictureChoice::PictureChoice(PictureChoiceSet set, QWidget* parent)
    : ExerciseScreen(set.name, configFor(set), parent), set_(std::move(set))
{
    for (size_t k = 0; k < set_.designRects.size(); ++k) {
        auto* picture = new PictureBox(this);
        picture->setObjectName(QStringLiteral("Image1_%1").arg(k));
        picture->setGeometry(set_.designRects[k]);
        picture->setCursor(Qt::PointingHandCursor);
        const int index = int(k);
        connect(picture, &PictureBox::clicked, this, [this, index] { Image1_Click(index); });
        addAnswerControl(picture);
        Image1.push_back(picture);
    }
    // Above the pictures, so it frames the one it stands on.
    Shape1 = new HighlightFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(set_.designRects[0]);
    Shape1->hide();
}

void PictureChoice::measurePlaces()
{
    // Measured once: on a later activation the pictures stand in the last question's
    // arrangement, and measuring them then would put two pictures on one place.
    if (measured_)
        return;
    PrimaX = designPosition(Image1[size_t(set_.primaXFrom)]).x();
    PassoX = designPosition(Image1[size_t(set_.passoXFrom)]).x() - PrimaX;
    if (set_.rigaSopraFrom >= 0)
        RigaSopra = designPosition(Image1[size_t(set_.rigaSopraFrom)]).y();
    if (set_.rigaSottoFrom >= 0)
        RigaSotto = designPosition(Image1[size_t(set_.rigaSottoFrom)]).y();
    measured_ = true;
}

QPointF PictureChoice::placePosition(int p, const QWidget* picture) const
{
    const PictureChoiceSet::Place& place = set_.places.at(size_t(p - 1));
    const double left = PrimaX + place.column * PassoX;
    double top = designPosition(picture).y();
    if (place.row == 0)
        top = RigaSopra;
    else if (place.row == 1)
        top = RigaSotto;
    return {left, top};
}

void PictureChoice::Sposta()
{
    const int count = int(set_.arrangements.size());
    const int a = RandomChoice(count) + 1;
    arrangement_ = a;
    const std::vector<int>& row = set_.arrangements[size_t(a - 1)];
    for (int p = 1; p <= int(row.size()); ++p) {
        QWidget* picture = Image1[size_t(row[size_t(p - 1)])];
        placeControl(picture, placePosition(p, picture));
    }
}

void PictureChoice::CaricaPalla()
{
    Sposta();
    Shape1->hide();
    words_ = RandomDistinctWords(int(Image1.size()));
    for (size_t k = 0; k < Image1.size(); ++k)
        Image1[k]->setWord(Modulo1::Parola(words_[k]));
    Bocca->Speak(Modulo1::Parola(words_.front()));
}

QStringList PictureChoice::mouthItems() const
{
    // The asked word is the one of Image1(0).
    return {Modulo1::Parola(pictureWord(0))};
}

void PictureChoice::Image1_Click(int Index)
{
    const bool right = Index == 0;
    recordWordAnswer(Image1.front()->word(), Image1[size_t(Index)]->word(), right);
    if (!right) {
        SegnaErrato();
        return;
    }
    SegnaEsatto();
    placeControl(Shape1, designPosition(Image1[size_t(Index)]));
    Shape1->show();
    Shape1->raise();
    for (PictureBox* picture : Image1)
        picture->setEnabled(false);
    Command1->setEnabled(true);
}

void PictureChoice::Command1_Click()
{
    Bocca->StopSpeech();
    for (PictureBox* picture : Image1)
        picture->setEnabled(true);
    CaricaPalla();
    Command1->setEnabled(false);
}

Form2::Form2(QWidget* parent) : PictureChoice(form2Set(), parent)
{}

Form3::Form3(QWidget* parent) : PictureChoice(form3Set(), parent)
{
    // The upper row has two pictures; "next" takes the free third place.
    Command1->setGeometry(721, 254, 170, 136);
}
