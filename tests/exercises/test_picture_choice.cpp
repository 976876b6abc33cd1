// SPDX-License-Identifier: GPL-3.0-or-later
// Exercises 2 and 3: arrangements, distinct words, answers, "next", and the places kept
// across resizes and returns from the voice settings screen.

#include "exercise_rig.h"
#include "exercises/picture_choice.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"

#include <QLabel>
#include <QSet>

using namespace Modulo1;

namespace {

struct Variant
{
    Screen* (*make)();
    int pictures;
    // The pictures standing at places 1, 2, ... in the design (reading order).
    QList<int> designOrder;
};

const Variant form2{+[]() -> Screen* { return new Form2; }, 3, {0, 1, 2}};
const Variant form3{+[]() -> Screen* { return new Form3; }, 5, {1, 4, 2, 0, 3}};

// One question: arrangement a, then the words (collisions included).
void script(ScriptedRandom& random, const Variant& v, int a, QList<int> words)
{
    random.push({ScriptedRandom::choice(a - 1, v.pictures)});
    for (int w : words)
        random.push({ScriptedRandom::word(w)});
}

QList<int> plainWords(int count, int first = 1)
{
    QList<int> words;
    for (int i = 0; i < count; ++i)
        words << first + i;
    return words;
}

// The places in window pixels, read from a fresh screen before any question moves pictures.
QList<QPoint> designPlaces(const Variant& v, QSize size)
{
    std::unique_ptr<Screen> fresh(v.make());
    auto* choice = static_cast<PictureChoice*>(fresh.get());
    const double h = double(size.width()) / Screen::DesignWidth;
    const double vf = double(size.height()) / Screen::DesignHeight;
    QList<QPoint> places;
    for (int k : v.designOrder) {
        const QPoint p = choice->Image1[size_t(k)]->pos();
        places << QPoint(qRound(p.x() * h), qRound(p.y() * vf));
    }
    return places;
}

// Every picture on exactly one place, the right one at place a, at most two moved.
void checkArrangement(PictureChoice* form, const Variant& v, int a, QSize size, const QString& where)
{
    const QList<QPoint> places = designPlaces(v, size);
    QSet<int> taken;
    for (int k = 0; k < v.pictures; ++k) {
        const int place = int(places.indexOf(form->Image1[size_t(k)]->pos()));
        QVERIFY2(place >= 0, qPrintable(where + QStringLiteral(": picture %1 off its places").arg(k)));
        QVERIFY2(!taken.contains(place), qPrintable(where + ": two pictures on one place"));
        taken.insert(place);
        if (k == 0)
            QVERIFY2(place == a - 1, qPrintable(where + ": right picture not at place a"));
        else if (k != a - 1)
            QVERIFY2(place == k, qPrintable(where + QStringLiteral(": picture %1 moved").arg(k)));
    }
}

} // namespace

class TestPictureChoice : public QObject
{
    Q_OBJECT
private slots:
    void everyArrangementPutsEachPictureOnOnePlace()
    {
        for (const Variant* v : {&form2, &form3}) {
            ExerciseRig rig;
            script(rig.random, *v, 1, plainWords(v->pictures));
            auto* form = rig.open<PictureChoice>(v->make());
            for (int a = 1; a <= v->pictures; ++a) {
                click(form->Image1[0]);
                script(rig.random, *v, a, plainWords(v->pictures, a));
                click(form->Command1);
                QCOMPARE(form->arrangement(), a);
                checkArrangement(form, *v, a, {1024, 768},
                                 form->screenName() + QStringLiteral(" arrangement %1").arg(a));
            }
            QCOMPARE(rig.random.ranShort, 0);
        }
    }

    void wordsOfOneQuestionNeverRepeat()
    {
        {
            ExerciseRig rig;
            script(rig.random, form2, 1, {5, 5, 7, 5, 7, 7, 9});
            auto* form = rig.open<Form2>(new Form2);
            QCOMPARE(form->pictureWord(0), 5);
            QCOMPARE(form->pictureWord(1), 7);
            QCOMPARE(form->Image1[2]->word(), Parola(9));
            QCOMPARE(rig.random.draws.size(), size_t(0));
            QCOMPARE(rig.speech.spoken().last(), Parola(5));
        }
        {
            ExerciseRig rig;
            script(rig.random, form3, 2, {30, 30, 1, 30, 1, 2, 2, 1, 30, 3, 3, 4});
            auto* form = rig.open<Form3>(new Form3);
            QCOMPARE(form->pictureWord(0), 30);
            QCOMPARE(form->pictureWord(1), 1);
            QCOMPARE(form->pictureWord(2), 2);
            QCOMPARE(form->Image1[3]->word(), Parola(3));
            QCOMPARE(form->Image1[4]->word(), Parola(4));
            QCOMPARE(rig.random.draws.size(), size_t(0));
            QCOMPARE(rig.speech.spoken().last(), Parola(30));
        }
    }

    void answersScoreFrameAndOpenNext()
    {
        for (const Variant* v : {&form2, &form3}) {
            ExerciseRig rig;
            script(rig.random, *v, v->pictures, plainWords(v->pictures));
            auto* form = rig.open<PictureChoice>(v->make());
            const QString no = speakLine(form->screenName(), "No! repeat!");
            const qsizetype before = rig.logSize();
            // Every wrong click counts, also the same picture again.
            click(form->Image1[1]);
            click(form->Image1[1]);
            click(form->Image1[v->pictures - 1]);
            QCOMPARE(form->Errati, qint16(3));
            QCOMPARE(rig.logFrom(before), QStringList(3, no));
            QVERIFY(!form->Shape1->isVisible());
            QVERIFY(!form->Command1->isEnabled());

            click(form->Image1[0]);
            QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 1"));
            QVERIFY(form->Shape1->isVisible());
            QCOMPARE(form->Shape1->geometry(), form->Image1[0]->geometry());
            QVERIFY(form->Shape1->testAttribute(Qt::WA_TransparentForMouseEvents));
            for (PictureBox* picture : form->Image1)
                QVERIFY(!picture->isEnabled());
            QVERIFY(form->Command1->isEnabled());
            QCOMPARE(rig.logSize(), before + 3); // nothing said for a right answer
            click(form->Image1[0]);
            click(form->Image1[1]);
            QCOMPARE(form->Esatti, qint16(1));
            QCOMPARE(form->Errati, qint16(3));
        }
    }

    void nextStopsSpeechThenAsksANewWord()
    {
        ExerciseRig rig;
        rig.speech.holdSpeaking = true;
        script(rig.random, form3, 1, plainWords(5));
        auto* form = rig.open<Form3>(new Form3);
        click(form->Image1[0]);
        script(rig.random, form3, 4, {13, 14, 15, 16, 17});
        const qsizetype before = rig.logSize();
        click(form->Command1);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form3"), speakLine("Form3", "ham")}));
        for (PictureBox* picture : form->Image1)
            QVERIFY(picture->isEnabled());
        QVERIFY(!form->Command1->isEnabled());
        QVERIFY(!form->Shape1->isVisible());
        // The mouth repeats the word asked on this screen: the first picture's.
        const qsizetype mouth = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logFrom(mouth), QStringList({stopLine("Form3"), speakLine("Form3", "ham")}));
    }

    void placesSurviveResizesAndReturnsFromVoice()
    {
        for (const Variant* v : {&form2, &form3}) {
            ExerciseRig rig;
            script(rig.random, *v, 2, plainWords(v->pictures));
            auto* form = rig.open<PictureChoice>(v->make());
            click(form->Image1[0]);
            rig.resize({1920, 1080});
            checkArrangement(form, *v, 2, {1920, 1080}, form->screenName() + " after a resize");
            QCOMPARE(form->Shape1->geometry(), form->Image1[0]->geometry());

            // Back from "Voice" after arrangement 2, the places are those of the design.
            for (const auto& [again, size] : {std::pair{3, QSize(1920, 1080)}, std::pair{1, QSize(1024, 768)}}) {
                clickMenu(form, form->mnuImposta);
                script(rig.random, *v, again, plainWords(v->pictures, 10));
                rig.window.closeOverlay();
                rig.resize(size);
                checkArrangement(form, *v, again, size,
                                 form->screenName() + QStringLiteral(" back from Voice, %1").arg(again));
            }
        }
    }
};

MUNCHORA_TEST(TestPictureChoice)
#include "test_picture_choice.moc"
