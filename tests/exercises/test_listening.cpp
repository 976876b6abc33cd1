// SPDX-License-Identifier: GPL-3.0-or-later
// Exercise 1: a word shown and said, "next", the mouth, and a picture that takes no answer.

#include "exercise_rig.h"
#include "exercises/listening.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"

#include <QLabel>

using namespace Modulo1;

class TestListening : public QObject
{
    Q_OBJECT
private slots:
    void showsAndSaysWordsWithoutScoring()
    {
        ExerciseRig rig;
        rig.speech.holdSpeaking = true;
        rig.random.push({ScriptedRandom::word(20)});
        auto* form = rig.open<Form1>(new Form1);
        QCOMPARE(rig.speech.log(),
                 QStringList({speakLine("Form1", "exercise 1. listen."), speakLine("Form1", "ice cream")}));
        QCOMPARE(form->Image1->accessibleName(), QStringLiteral("ice cream"));
        QVERIFY(!form->PicturesattiErrati);
        QVERIFY(form->findChildren<QLabel*>().isEmpty());
        QVERIFY(form->Command1->isEnabled());

        // The picture takes no answer; the mouth says the word again.
        qsizetype before = rig.logSize();
        click(form->Image1);
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form1"), speakLine("Form1", "ice cream")}));

        // "next" cuts off the word; the same word may come twice in a row.
        rig.random.push({ScriptedRandom::word(20), ScriptedRandom::word(30)});
        before = rig.logSize();
        click(form->Command1);
        click(form->Command1);
        QCOMPARE(rig.logFrom(before),
                 QStringList({stopLine("Form1"), speakLine("Form1", "ice cream"), stopLine("Form1"),
                              speakLine("Form1", "pear")}));
        QCOMPARE(form->ParolaB, qint16(30));
        QCOMPARE(form->Image1->word(), QStringLiteral("pear"));
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->Errati, qint16(0));
    }
};

MUNCHORA_TEST(TestListening)
#include "test_listening.moc"
