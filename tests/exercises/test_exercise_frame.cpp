// SPDX-License-Identifier: GPL-3.0-or-later
// The frame shared by the exercise screens, driven through exercise 2.

#include "exercise_rig.h"
#include "exercises/picture_choice.h"
#include "helpers/test_registry.h"
#include "home/screen_catalogue.h"
#include "layout/line_control.h"
#include "screens.h"
#include "shell/input_gate.h"
#include "widgets/bocca.h"
#include "widgets/gradient_background.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

using namespace Modulo1;

namespace {

// Arrangement a (1..3) and three words for one Form2 question.
void scriptForm2(ScriptedRandom& random, int a, int w0, int w1, int w2)
{
    random.push({ScriptedRandom::choice(a - 1, 3), ScriptedRandom::word(w0), ScriptedRandom::word(w1),
                 ScriptedRandom::word(w2)});
}

bool visible(QWidget* widget)
{
    return widget->isVisibleTo(widget->window());
}

// A start sequence leaves both counters and their captions at 0 and shows no icon.
void verifyFreshScore(ExerciseScreen* form)
{
    QCOMPARE(form->Esatti, qint16(0));
    QCOMPARE(form->Errati, qint16(0));
    QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral("0"));
    QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral("0"));
    QVERIFY(!visible(form->PicturesattiErrati->ComandoIconaSi));
    QVERIFY(!visible(form->PicturesattiErrati->ComandoIconaNo));
}

} // namespace

class TestExerciseFrame : public QObject
{
    Q_OBJECT
private slots:
    void startSequenceSpeaksTitleThenWordWithCountsAtZero()
    {
        ExerciseRig rig;
        scriptForm2(rig.random, 1, 4, 9, 12);
        auto* form = rig.open<Form2>(new Form2);

        QCOMPARE(rig.window.currentScreen(), form);
        QCOMPARE(form->geometry(), rig.window.rect());
        QCOMPARE(rig.speech.log(QStringLiteral("Form2")),
                 QStringList({speakLine("Form2", "exercise 2.. click on the objet."), speakLine("Form2", Parola(4))}));
        // The voice settings are applied before the title is spoken.
        QCOMPARE(rig.speech.events.front().kind, QStringLiteral("voice"));
        QCOMPARE(rig.speech.lastValue("Form2", "rate"), int(DefaultVelocita));
        verifyFreshScore(form);
        QVERIFY(!form->Command1->isEnabled());
        QCOMPARE(form->mnuImposta->text(), QStringLiteral("Voice     "));
        QCOMPARE(form->mnuEsci->text(), QStringLiteral("Go back     "));
        QCOMPARE(form->PicturesattiErrati->LabelEst->text(), QStringLiteral("Correct"));
        QCOMPARE(form->PicturesattiErrati->LabelErt->text(), QStringLiteral("Mistake"));
        QCOMPARE(rig.random.ranShort, 0);
        QCOMPARE(form->Bocca->accessibleName(), QStringLiteral("mouth"));
        QCOMPARE(form->Command1->accessibleName(), QStringLiteral("next"));
        QCOMPARE(form->PicturesattiErrati->ComandoIconaSi->accessibleName(), QStringLiteral("yes"));
        QCOMPARE(form->PicturesattiErrati->ComandoIconaNo->accessibleName(), QStringLiteral("no"));
        QCOMPARE(form->Image1[1]->accessibleName(), Parola(9));

        // "next" cannot skip the first question.
        click(form->Command1);
        QCOMPARE(rig.speech.spoken().size(), 2);
    }

    void scoringStepsSwapIconsAndStopAtTheLargestCount()
    {
        ExerciseRig rig;
        scriptForm2(rig.random, 1, 1, 2, 3);
        auto* form = rig.open<Form2>(new Form2);
        click(form->Image1[1]);
        QVERIFY(visible(form->PicturesattiErrati->ComandoIconaNo)
                && !visible(form->PicturesattiErrati->ComandoIconaSi));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 1"));
        QCOMPARE(form->PicturesattiErrati->ComandoIconaSi->geometry(),
                 form->PicturesattiErrati->ComandoIconaNo->geometry());
        click(form->Image1[0]);
        QVERIFY(visible(form->PicturesattiErrati->ComandoIconaSi)
                && !visible(form->PicturesattiErrati->ComandoIconaNo));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 1"));

        form->Esatti = 32767;
        form->Errati = 32767;
        scriptForm2(rig.random, 2, 5, 6, 7);
        click(form->Command1);
        click(form->Image1[2]);
        QCOMPARE(form->Errati, qint16(32767));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 32767"));
        QCOMPARE(rig.speech.spoken().last(), QStringLiteral("No! repeat!"));
        click(form->Image1[0]);
        QCOMPARE(form->Esatti, qint16(32767));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 32767"));
        QVERIFY(form->Command1->isEnabled()); // the screen goes on working
    }

    void mouthCutsSpeechOffAndRepeatsTheAskedWord()
    {
        ExerciseRig rig;
        rig.speech.holdSpeaking = true;
        scriptForm2(rig.random, 3, 11, 2, 3);
        auto* form = rig.open<Form2>(new Form2);
        QVERIFY(form->Bocca->SpeakingNow());
        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form2"), speakLine("Form2", "banana")}));
        QCOMPARE(form->pictureWord(0), 11);
        QCOMPARE(form->Image1[0]->word(), QStringLiteral("banana"));
    }

    void goBackAnsweredNoLeavesEverythingAsItWas()
    {
        ExerciseRig rig;
        scriptForm2(rig.random, 2, 8, 9, 10);
        auto* form = rig.open<Form2>(new Form2);
        click(form->Image1[1]);
        const QRect pictureAt = form->Image1[0]->geometry();
        const qsizetype before = rig.logSize();
        rig.dialogs.answers.push_back(BoxAnswer::No);

        clickMenu(form, form->mnuEsci);

        QCOMPARE(rig.dialogs.shown.size(), 1);
        const ScriptedDialogs::Box box = rig.dialogs.shown.front();
        QCOMPARE(box.text, QStringLiteral("go back? "));
        QCOMPARE(box.title, QStringLiteral("munchora"));
        QCOMPARE(box.icon, BoxIcon::Question);
        QCOMPARE(box.buttons, BoxButtons::YesNo);
        QCOMPARE(rig.logFrom(before), QStringList{speakLine("Form2", "go back?")});
        QCOMPARE(rig.window.currentScreen(), form);
        QVERIFY(form->isVisible());
        QCOMPARE(form->pictureWord(0), 8);
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 1"));
        QCOMPARE(form->Image1[0]->geometry(), pictureAt);
        QVERIFY(visible(form->PicturesattiErrati->ComandoIconaNo));
    }

    void goBackAnsweredYesShowsAFreshMenuAndDestroysTheScreen()
    {
        ExerciseRig rig;
        scriptForm2(rig.random, 1, 1, 2, 3);
        QPointer<Screen> form = rig.open<Form2>(new Form2);
        rig.dialogs.answers.push_back(BoxAnswer::Yes);
        clickMenu(static_cast<ExerciseScreen*>(form.data()), static_cast<ExerciseScreen*>(form.data())->mnuEsci);
        QVERIFY(rig.window.currentScreen());
        QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("FormMenu"));
        flushDeletes();
        QVERIFY(form.isNull());
    }

    void comingBackFromVoiceRestartsWithTheNewSettings()
    {
        ExerciseRig rig;
        scriptForm2(rig.random, 1, 1, 2, 3);
        auto* form = rig.open<Form2>(new Form2);
        click(form->Image1[2]);
        click(form->Image1[0]);
        const qsizetype before = rig.speech.log(QStringLiteral("Form2")).size();

        clickMenu(form, form->mnuImposta);
        QCOMPARE(rig.speech.log(QStringLiteral("Form2")).mid(before), QStringList{speakLine("Form2", "VOICE")});
        QVERIFY(rig.window.overlay());
        QCOMPARE(rig.window.overlay()->screenName(), QStringLiteral("FormImposta"));
        QCOMPARE(rig.window.currentScreen(), form);

        Voce = 2;
        Velocita = 170;
        rig.speech.clear();
        scriptForm2(rig.random, 2, 21, 22, 23);
        rig.window.closeOverlay();

        QCOMPARE(rig.speech.lastValue("Form2", "voice"), 2);
        QCOMPARE(rig.speech.lastValue("Form2", "rate"), 170);
        QCOMPARE(rig.speech.events.front().kind, QStringLiteral("voice"));
        QCOMPARE(rig.speech.log(QStringLiteral("Form2")),
                 QStringList({speakLine("Form2", "exercise 2.. click on the objet."), speakLine("Form2", Parola(21))}));
        verifyFreshScore(form);
        QCOMPARE(form->pictureWord(0), 21);
        QVERIFY(!form->Shape1->isVisible());
    }

    void aQuestionDrawnOnActivationIsAlwaysOpen()
    {
        ExerciseRig rig;
        scriptForm2(rig.random, 1, 1, 2, 3);
        auto* form = rig.open<Form2>(new Form2);
        click(form->Image1[0]); // answered: pictures closed, highlight shown, "next" open
        QVERIFY(!form->Image1[1]->isEnabled());
        QVERIFY(form->Shape1->isVisible());

        clickMenu(form, form->mnuImposta);
        scriptForm2(rig.random, 3, 7, 8, 9);
        rig.window.closeOverlay();

        for (PictureBox* picture : form->Image1)
            QVERIFY(picture->isEnabled());
        QVERIFY(!form->Shape1->isVisible());
        QVERIFY(form->Command1->isEnabled()); // "next" keeps its state
        click(form->Image1[0]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 1"));
        QVERIFY(form->Shape1->isVisible());
    }

    void screensFitTheWindowWithoutOverlapsAtEverySize()
    {
        // Landscape, and whiteboards standing in portrait.
        for (const QSize size : {QSize(1024, 768), QSize(1920, 1080), QSize(1080, 1920), QSize(768, 1024)}) {
            for (const ScreenEntry& row : screenCatalogue()) {
                if (!row.make)
                    continue;
                ExerciseRig rig(size);
                rig.random.push({0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8});
                auto* form = rig.open<ExerciseScreen>(row.make());
                const QString where = form->screenName()
                    + QStringLiteral(" at %1x%2").arg(size.width()).arg(size.height());
                QCOMPARE(row.screen, form->screenName()); // the report finds a screen's caption by it
                // Never drawn out of shape beyond what 5:4 and 16:9 screens do to the 4:3 designs.
                QVERIFY2(rig.window.rect().contains(form->geometry()), qPrintable(where));
                const double aspect = double(form->width()) / form->height();
                QVERIFY2(aspect > 5.0 / 4 - 0.01 && aspect < 16.0 / 9 + 0.01, qPrintable(where));
                QVERIFY2(form->menuBar->geometry().top() == 0, qPrintable(where));
                QVERIFY2(form->menuBar->height() >= form->menuBar->sizeHint().height(), qPrintable(where));
                QList<QWidget*> controls;
                for (QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    // Ruling lines cross the table they rule, by design.
                    if (child->isVisibleTo(form) && child != form->ARGradient1 && !qobject_cast<LineControl*>(child))
                        controls << child;
                for (QWidget* a : controls) {
                    QVERIFY2(form->rect().contains(a->geometry()),
                             qPrintable(where + " " + a->objectName() + " outside"));
                    for (QWidget* b : controls)
                        QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                                 qPrintable(where + " " + a->objectName() + " overlaps " + b->objectName()));
                }
            }
        }
    }
};

MUNCHORA_TEST(TestExerciseFrame)
#include "test_exercise_frame.moc"
