// SPDX-License-Identifier: GPL-3.0-or-later
// The memory games: the deal, pairs and the pause, "new" at any moment, the end of a game and
// what a screen reader finds on the board.

#include "exercises/exercise_rig.h"
#include "games/memory.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"

#include <QLabel>
#include <QTimer>

using namespace Modulo1;

namespace {

// The deal's 24 draws: one start per place.
void scriptDeal(ExerciseRig& rig, QList<int> starts)
{
    for (int f : starts)
        rig.random.push({ScriptedRandom::choice(f, 24)});
}

// Card f on place f.
void scriptOrderedDeal(ExerciseRig& rig)
{
    scriptDeal(rig, QList<int>(24, 0));
}

void turn(MemoryGame* form, int card)
{
    click(form->Label2[size_t(card)]);
}

void endPause(MemoryGame* form)
{
    QVERIFY(form->Timer1->isActive());
    QCOMPARE(form->Timer1->interval(), 1500);
    form->Timer1_Timer(); // the pause, without waiting it out
}

} // namespace

class TestMemory : public QObject
{
    Q_OBJECT
private slots:
    void theDealPutsEveryCardOnOnePlaceWithTheWrapAroundRule()
    {
        ExerciseRig rig;
        // The same start for every place: each place takes the next card not dealt yet, and
        // the search wraps from 23 to 0.
        scriptDeal(rig, QList<int>(24, 23));
        auto* form = rig.open<MemoryGame>(new FormMemory);
        QCOMPARE(form->placeOf(23), 0);
        for (int f = 0; f < 23; ++f)
            QCOMPARE(form->placeOf(f), f + 1);

        // Any starts: the places follow the rule, and every card stands on one place with its face.
        const QList<int> starts{5, 5, 5, 0, 23, 12, 12, 7, 1, 1, 1, 1, 20, 3, 9, 9, 0, 17, 22, 2, 14, 6, 11, 4};
        scriptDeal(rig, starts);
        form->Ricomincia();
        std::array<bool, 24> dealt{};
        for (int p = 0; p < 24; ++p) {
            int f = starts[p];
            while (dealt[size_t(f)])
                f = (f + 1) % 24;
            dealt[size_t(f)] = true;
            QCOMPARE(form->placeOf(f), p);
            QCOMPARE(form->Label2[size_t(f)]->geometry(), form->face(f)->geometry());
            QVERIFY(!form->isFaceUp(f));
        }
        QSet<QPoint> places;
        for (CardCover* cover : form->Label2)
            places.insert(cover->pos());
        QCOMPARE(places.size(), 24);
    }

    void aPictureWithItsOwnWordStaysUpAndAnyOtherTwoTurnBack()
    {
        ExerciseRig rig;
        scriptOrderedDeal(rig);
        auto* form = rig.open<MemoryGame>(new FormMemory);
        QCOMPARE(rig.speech.spoken(QStringLiteral("FormMemory")), QStringList{QStringLiteral("Play  with  me.")});
        QCOMPARE(form->Label3->text(), QStringLiteral("times =  0"));

        turn(form, 3);
        turn(form, 15); // picture 3, then word 3
        turn(form, 5);  // during the pause: nothing
        QVERIFY(!form->isFaceUp(5));
        endPause(form);
        QVERIFY(form->isFaceUp(3) && form->isFaceUp(15));
        QCOMPARE(form->Label3->text(), QStringLiteral("times =  1"));

        turn(form, 16); // word 4, then picture 4
        turn(form, 4);
        endPause(form);
        QVERIFY(form->isFaceUp(4) && form->isFaceUp(16));

        for (const auto& [a, b] : {std::pair{0, 13}, std::pair{1, 2}, std::pair{20, 21}}) {
            turn(form, a);
            turn(form, b);
            QVERIFY(form->isFaceUp(a) && form->isFaceUp(b));
            endPause(form);
            QVERIFY(!form->isFaceUp(a) && !form->isFaceUp(b));
            QVERIFY(!form->face(a)->isVisible());
        }
        QCOMPARE(form->volte(), qint16(5));
        QCOMPARE(form->Label3->text(), QStringLiteral("times =  5"));
        QVERIFY(form->isFaceUp(3) && form->isFaceUp(15)); // pairs stay for the deal
        // Clicks on a face do nothing.
        click(form->face(3));
        QCOMPARE(form->volte(), qint16(5));
    }

    void newDealsAgainFromAnyStateWithoutReloadingPictures()
    {
        ExerciseRig rig;
        scriptOrderedDeal(rig);
        auto* form = rig.open<MemoryGame>(new FormMemory2);
        QCOMPARE(form->Image1[3]->word(), QStringLiteral("ice cream"));
        QVERIFY(form->Image1[3]->hasPicture());
        turn(form, 0);
        turn(form, 12);
        endPause(form);
        turn(form, 1);
        turn(form, 2); // the pause is running
        PictureLoader::instance().clearCache();
        const int decodes = PictureLoader::instance().decodeCount();
        QCOMPARE(form->Command1->text(), QStringLiteral("new"));
        click(form->Command1);
        QCOMPARE(PictureLoader::instance().decodeCount(), decodes);
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->Label3->text(), QStringLiteral("times =  0"));
        for (int f = 0; f < 24; ++f)
            QVERIFY(!form->isFaceUp(f));
        turn(form, 7);
        QVERIFY(form->isFaceUp(7));
        QVERIFY(form->Image1[3]->hasPicture());
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->Errati, qint16(0));
    }

    void afterTwelvePairsTheBoardAndTheCountStay()
    {
        ExerciseRig rig;
        scriptOrderedDeal(rig);
        auto* form = rig.open<MemoryGame>(new FormMemory);
        turn(form, 0);
        turn(form, 1); // one miss on the way
        endPause(form);
        for (int k = 0; k < 12; ++k) {
            turn(form, k);
            turn(form, k + 12);
            endPause(form);
        }
        QCOMPARE(form->volte(), qint16(13));
        QCOMPARE(form->Label3->text(), QStringLiteral("times =  13"));
        for (int f = 0; f < 24; ++f)
            QVERIFY(form->isFaceUp(f));
        QTest::qWait(20);
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->volte(), qint16(13));
    }

    void aScreenReaderFindsCardsWordsAndTheCount()
    {
        ExerciseRig rig;
        scriptOrderedDeal(rig);
        auto* form = rig.open<MemoryGame>(new FormMemory);
        // Face down, a card is known by its place alone.
        const Accessible cover = accessibleOf(form->Label2[0]);
        QCOMPARE(cover.name, QStringLiteral("card, row 1, column 1"));
        QCOMPARE(accessibleOf(form->Label2[15]).name, QStringLiteral("card, row 3, column 4"));
        QVERIFY(cover.actions.contains(QAccessibleActionInterface::pressAction()));
        QVERIFY(!form->face(0)->isVisible()); // nothing named beneath a face-down card

        pressAccessibly(form->Label2[0]);
        pressAccessibly(form->Label2[13]);
        const Accessible picture = accessibleOf(form->face(0));
        QCOMPARE(picture.role, QAccessible::Graphic);
        QCOMPARE(picture.name, QStringLiteral("apple"));
        const Accessible word = accessibleOf(form->face(13));
        QCOMPARE(word.role, QAccessible::StaticText);
        QCOMPARE(word.name, QStringLiteral("banana"));
        endPause(form);
        QCOMPARE(accessibleOf(form->Label3).name, QStringLiteral("times =  1"));
        QCOMPARE(accessibleOf(form->Command1).name, QStringLiteral("new"));
        QVERIFY(!form->mnuImposta);
        QVERIFY(!form->PicturesattiErrati);
        // The mouth says nothing again here.
        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logSize(), before);
    }
};

MUNCHORA_TEST(TestMemory)
#include "test_memory.moc"
