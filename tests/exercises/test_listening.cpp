// Exercise 1: a word shown and said, "next", the mouth, and a picture that takes no answer.

#include "exercise_rig.h"
#include "exercises/exercise_makers.h"
#include "exercises/listening.h"
#include "helpers/test_registry.h"
#include "speech/bocca.h"

using namespace Modulo1;

class TestListening : public QObject
{
    Q_OBJECT
private slots:
    void nextStopsSpeechAndShowsAnotherWord()
    {
        ExerciseRig rig;
        rig.speech.holdSpeaking = true;
        rig.random.push({ScriptedRandom::word(7)});
        auto* form = rig.open<Form1>(newForm1());
        QCOMPARE(form->Image1->word(), QStringLiteral("cheese"));
        QCOMPARE(ParolaB, qint16(7));

        // The same word may come twice in a row.
        rig.random.push({ScriptedRandom::word(7), ScriptedRandom::word(30)});
        qsizetype before = rig.logSize();
        click(form->Command1);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form1"), speakLine("Form1", "cheese")}));
        before = rig.logSize();
        click(form->Command1);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form1"), speakLine("Form1", "pear")}));
        QCOMPARE(form->Image1->word(), QStringLiteral("pear"));
        QCOMPARE(form->Image1->accessibleName(), QStringLiteral("pear"));
        QVERIFY(form->Command1->isEnabled());
    }

    void mouthRepeatsTheWordAndPictureTakesNoAnswer()
    {
        ExerciseRig rig;
        rig.random.push({ScriptedRandom::word(12)});
        auto* form = rig.open<Form1>(newForm1());
        const qsizetype before = rig.logSize();
        click(form->Image1);
        QCOMPARE(rig.logSize(), before);
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form1"), speakLine("Form1", "water")}));
        QCOMPARE(ParolaB, qint16(12));
        QCOMPARE(form->Image1->word(), QStringLiteral("water"));
        QCOMPARE(Esatti, qint16(0));
        QCOMPARE(Errati, qint16(0));
    }

    void comingBackFromVoiceSaysTheTitleAndANewWord()
    {
        ExerciseRig rig;
        rig.random.push({ScriptedRandom::word(1)});
        auto* form = rig.open<Form1>(newForm1());
        Esatti = 2;
        clickMenu(form, form->mnuImposta);
        Velocita = 90;
        rig.speech.clear();
        rig.random.push({ScriptedRandom::word(2)});
        rig.window.closeOverlay();
        QCOMPARE(rig.speech.log(), QStringList({speakLine("Form1", "exercise 1. listen."),
                                                speakLine("Form1", "beer")}));
        QCOMPARE(rig.speech.lastValue("Form1", "rate"), 90);
        QCOMPARE(Esatti, qint16(2));
    }
};

MUNCHORA_TEST(TestListening)
#include "test_listening.moc"
