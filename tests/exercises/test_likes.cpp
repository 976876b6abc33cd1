// SPDX-License-Identifier: GPL-3.0-or-later
// Exercises 12 to 15: the sentences, the smileys, the table of who likes what, and the waits
// for silence with clicks made during them.

#include "exercise_rig.h"
#include "exercises/likes.h"
#include "exercises/who_likes.h"
#include "helpers/test_registry.h"
#include "screens.h"
#include "widgets/bocca.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSet>
#include <QTimer>

using namespace Modulo1;

namespace {

// A question of exercises 12 to 14: the like-or-dislike choice, then the item.
void scriptQuestion(ExerciseRig& rig, int choice, int item)
{
    rig.random.push({ScriptedRandom::choice(choice, 2), ScriptedRandom::word(item)});
}

// A board of exercise 15: four words (repeats included), then the cells asked.
void scriptBoard(ExerciseRig& rig, QList<int> words, QList<int> cells)
{
    for (int w : words)
        rig.random.push({ScriptedRandom::word(w)});
    for (int c : cells)
        rig.random.push({ScriptedRandom::choice(c, 56)});
}

void scriptCells(ExerciseRig& rig, QList<int> cells)
{
    scriptBoard(rig, {}, cells);
}

} // namespace

class TestLikes : public QObject
{
    Q_OBJECT
private slots:
    void sentencesUseTheirOwnFormsAndKeepTheirBlanks()
    {
        ExerciseRig rig;
        scriptQuestion(rig, 1, 25);
        auto* form = rig.open<Form13>(new Form13);
        QCOMPARE(form->Label3[0]->caption(), QStringLiteral("Yummy Yummy! I like tomatos!"));
        QCOMPARE(form->Label3[1]->caption(), QStringLiteral("Yuk!  I don't like tomatos!"));
        QCOMPARE(form->Label3[1]->accessibleName(), QStringLiteral("Yuk!  I don't like tomatos!"));
        QCOMPARE(form->Image2->word(), QStringLiteral("tomato"));
        QVERIFY(form->Image2->hasPicture());
        QCOMPARE(form->Image1->accessibleName(), QStringLiteral("displeased"));
        // Nothing is said but the title.
        QCOMPARE(rig.speech.spoken(QStringLiteral("Form13")),
                 QStringList{QStringLiteral("exercise 14. click on the words.")});

        scriptQuestion(rig, 0, 20);
        click(form->Label3[1]);
        QCOMPARE(rig.speech.spoken().last(), QStringLiteral("Yuk!  I don't like tomatos!"));
        QCOMPARE(form->Label3[0]->caption(), QStringLiteral("Yummy Yummy! I like ice cream!"));
        QCOMPARE(form->Image2->word(), QStringLiteral("ice cream"));
        QVERIFY(form->Image2->hasPicture());
        QCOMPARE(form->Image1->accessibleName(), QStringLiteral("pleased"));

        // The mouth reads both sentences, the like one first, and gives nothing away.
        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before),
                 QStringList({stopLine("Form13"), speakLine("Form13", "Yummy Yummy! I like ice cream!"),
                              speakLine("Form13", "Yuk!  I don't like ice cream!")}));
        click(form->Label3[1]);
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->Label3[0]->caption(), QStringLiteral("Yummy Yummy! I like ice cream!"));
    }

    void exercise12SaysANewSentenceOnEveryNext()
    {
        ExerciseRig rig;
        scriptQuestion(rig, 0, 11);
        auto* form = rig.open<Form11>(new Form11);
        QVERIFY(!form->PicturesattiErrati);
        QCOMPARE(rig.speech.log(QStringLiteral("Form11")),
                 QStringList({speakLine("Form11", "exercise 12. listen."),
                              speakLine("Form11", "Yummy Yummy! I like bananas!")}));
        QCOMPARE(form->feeling(), Feeling::Likes);
        QCOMPARE(form->Image1->accessibleName(), QStringLiteral("pleased"));
        QCOMPARE(form->Image2->word(), QStringLiteral("banana"));
        for (const int item : {14, 14}) {
            scriptQuestion(rig, 1, item);
            const qsizetype before = rig.logSize();
            QVERIFY(form->Command1->isEnabled());
            click(form->Command1);
            QCOMPARE(rig.logFrom(before),
                     QStringList({stopLine("Form11"), speakLine("Form11", "Yuk!  I don't like lemons!")}));
            QCOMPARE(form->feeling(), Feeling::DoesNotLike);
            QCOMPARE(form->Image1->accessibleName(), QStringLiteral("displeased"));
        }
        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before),
                 QStringList({stopLine("Form11"), speakLine("Form11", "Yuk!  I don't like lemons!")}));
    }

    void exercise13TheItemInABalloonAnswersAsItsSmiley()
    {
        ExerciseRig rig;
        scriptQuestion(rig, 1, 18);
        auto* form = rig.open<Form12>(new Form12);
        QCOMPARE(rig.speech.log(QStringLiteral("Form12")),
                 QStringList({speakLine("Form12", "exercise 13. click on the image."),
                              speakLine("Form12", "Yuk!  I don't like apples!")}));
        QCOMPARE(form->Image1[0]->accessibleName(), QStringLiteral("pleased"));
        QCOMPARE(form->Image1[1]->accessibleName(), QStringLiteral("displeased"));
        QCOMPARE(form->Image2[0]->word(), QStringLiteral("apple"));
        QCOMPARE(form->Image2[1]->word(), QStringLiteral("apple"));
        // The item sits inside its smiley's balloon.
        QCOMPARE(form->Image2[1]->parentWidget(), form->Image1[1]);
        QVERIFY(form->Image1[1]->rect().contains(form->Image2[1]->geometry()));

        click(form->Image2[0]);
        click(form->Image1[0]);
        QCOMPARE(form->Errati, qint16(2));
        QCOMPARE(rig.speech.spoken().count(QStringLiteral("No! repeat!")), 2);
        scriptQuestion(rig, 0, 2);
        click(form->Image2[1]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(rig.speech.spoken().last(), QStringLiteral("Yummy Yummy! I like beer!"));
        scriptQuestion(rig, 0, 3);
        click(form->Image1[0]);
        QCOMPARE(form->Esatti, qint16(2));
        QCOMPARE(form->frase(), QStringLiteral("Yummy Yummy! I like biscuits!"));
        for (PictureBox* picture : {static_cast<PictureBox*>(form->Image1[0]), form->Image2[0]}) {
            const Accessible seen = accessibleOf(picture);
            QCOMPARE(seen.role, QAccessible::Button);
            QVERIFY(seen.actions.contains(QAccessibleActionInterface::pressAction()));
        }
    }

    void exercise13HoldsUntilTheTitleIsSaidAndTakesNoClickMeanwhile()
    {
        ExerciseRig rig;
        scriptQuestion(rig, 0, 5);
        // A click on the right smiley while the title is still being said.
        int saidWhileWaiting = -1;
        duringTheWait(rig, [&rig, &saidWhileWaiting] {
            auto* form = qobject_cast<Form12*>(rig.window.currentScreen());
            saidWhileWaiting = int(rig.speech.spoken(QStringLiteral("Form12")).size());
            queueClick(form->Image1[0]);
        });
        auto* form = rig.open<Form12>(new Form12);
        deliverInput();
        QCOMPARE(saidWhileWaiting, 1); // the sentence waited for the title
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->Errati, qint16(0));
        QCOMPARE(form->frase(), QStringLiteral("Yummy Yummy! I like beans!"));
        QCOMPARE(rig.speech.spoken(QStringLiteral("Form12")).size(), 2);
    }

    void exercise14HoldsWhileTheRightSentenceIsSaid()
    {
        ExerciseRig rig;
        scriptQuestion(rig, 1, 7);
        auto* form = rig.open<Form13>(new Form13);
        scriptQuestion(rig, 0, 8);
        QString askedWhileWaiting;
        duringTheWait(rig, [form, &askedWhileWaiting] {
            askedWhileWaiting = form->Label3[0]->caption();
            queueClick(form->Label3[0]);
        });
        click(form->Label3[1]);
        deliverInput();
        // The next question, after the sentence; the click made meanwhile was not taken.
        QCOMPARE(askedWhileWaiting, QStringLiteral("Yummy Yummy! I like cheese!"));
        QCOMPARE(form->Label3[0]->caption(), QStringLiteral("Yummy Yummy! I like coffee!"));
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->Errati, qint16(0));
    }

    void exercise15AsksEachCellOnceAndDealsANewBoardAfterTen()
    {
        ExerciseRig rig;
        // Words 4 and 4 again: drawn again until four different ones. The first cell asked is
        // 13 (row 1, column 5: Bob doesn't like ...).
        scriptBoard(rig, {18, 4, 4, 25, 20}, {13});
        auto* form = rig.open<Form14>(new Form14);
        QCOMPARE(rig.speech.log(QStringLiteral("Form14")),
                 QStringList({speakLine("Form14", "exercise 15."), speakLine("Form14", "Bob doesn't like spinaches")}));
        QCOMPARE(form->Label4[13]->accessibleName(), QStringLiteral("Bob doesn't like spinaches"));
        QCOMPARE(form->Label4[0]->accessibleName(), QStringLiteral("Tom likes apples"));
        QCOMPARE(form->Label4[55]->accessibleName(), QStringLiteral("Ann doesn't like ice cream"));
        QCOMPARE(form->Image1[3]->word(), QStringLiteral("ice cream"));
        QCOMPARE(form->Image1[7]->word(), QStringLiteral("ice cream"));
        QCOMPARE(form->Image1[2]->property("tag").toString(), QStringLiteral(" likes tomatos"));
        QCOMPARE(accessibleOf(form->Label4[13]).role, QAccessible::Button);
        QVERIFY(form->Label4[13]->width() >= 40 && form->Label4[13]->height() >= 40);

        // "doesn't like" is answered only on the right half.
        click(form->Label4[9]);
        QCOMPARE(form->Errati, qint16(1));
        scriptCells(rig, {13, 13, 40}); // 13 is red now: drawn again
        click(form->Label4[13]);
        deliverInput(); // the next sentence is a step after the input waiting
        QCOMPARE(form->Esatti, qint16(1));
        QVERIFY(form->isRed(13));
        QCOMPARE(form->frase(), QStringLiteral("Mary likes apples"));
        click(form->Label4[13]); // a red cell is a mistake
        QCOMPARE(form->Errati, qint16(2));

        // Eight more right answers, then the tenth deals a new board at once.
        QList<int> asked{13, 40};
        for (int k = 0; k < 8; ++k) {
            const int next = 41 + k;
            scriptCells(rig, {next});
            click(form->Label4[size_t(form->askedCell())]);
            deliverInput();
            asked << next;
        }
        QCOMPARE(form->domande(), 10);
        QSet<int> askedSet(asked.begin(), asked.end());
        QCOMPARE(askedSet.size(), 10);
        scriptBoard(rig, {1, 2, 3, 30}, {0});
        click(form->Label4[size_t(form->askedCell())]);
        deliverInput();
        QCOMPARE(form->Esatti, qint16(10));
        QCOMPARE(form->Errati, qint16(2)); // the counts run on across boards
        QCOMPARE(form->domande(), 1);
        QCOMPARE(form->frase(), QStringLiteral("Tom likes chicken"));
        QCOMPARE(form->Image1[3]->word(), QStringLiteral("pear"));
        for (int g = 0; g < 56; ++g)
            QVERIFY(!form->isRed(g));
        QCOMPARE(rig.speech.spoken().last(), QStringLiteral("Tom likes chicken"));
    }

    void exercise15TakesAClickMadeDuringTheSentenceAfterIt()
    {
        ExerciseRig rig;
        scriptBoard(rig, {1, 2, 3, 4}, {0});
        auto* form = rig.open<Form14>(new Form14);
        scriptCells(rig, {9, 18});
        // While "Bob likes beer" is said, the child already clicks its cell.
        duringTheWait(rig, [form] { queueClick(form->Label4[9]); });
        click(form->Label4[0]);
        QCOMPARE(form->Esatti, qint16(1));
        QTRY_COMPARE(form->Esatti, qint16(2)); // handled once the sentence was over
        QCOMPARE(form->Errati, qint16(0));
        QTRY_COMPARE(form->frase(), QStringLiteral("Susy likes biscuits"));
        const QStringList said = rig.speech.spoken(QStringLiteral("Form14"));
        QCOMPARE(said.mid(said.size() - 2), QStringList({"Bob likes beer", "Susy likes biscuits"}));
    }

    void leavingOrEndingDuringAWaitIsSafe()
    {
        {
            ExerciseRig rig;
            rig.speech.speakingMs = 5000;
            QTimer::singleShot(50, &rig.window, [&rig] { rig.window.showScreen(newFormMenu()); });
            QPointer<Screen> form = new Form14;
            rig.window.showScreen(form); // left while its first sentence is said
            QTRY_VERIFY(form.isNull());
            QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("FormMenu"));
        }
        {
            ExerciseRig rig;
            rig.speech.speakingMs = 5000;
            QElapsedTimer waited;
            waited.start();
            QTimer::singleShot(50, &rig.window, [&rig] { rig.window.endProgram(); });
            rig.window.showScreen(new Form12);
            QTRY_VERIFY(!rig.window.currentScreen());
            QVERIFY(waited.elapsed() < 4000);
            flushDeletes();
            recoverFromProgramEnd();
        }
    }
};

MUNCHORA_TEST(TestLikes)
#include "test_likes.moc"
