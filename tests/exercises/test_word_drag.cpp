// SPDX-License-Identifier: GPL-3.0-or-later
// Exercise 9: words dragged with real press / move / release events onto the boxes under
// their pictures, whichever control the moves reach; tap-then-tap with the same outcomes; the
// six orders; the drop targets after a resize; an open set after the voice settings.

#include "exercise_rig.h"
#include "exercises/word_drag.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"
#include "widgets/gradient_background.h"

using namespace Modulo1;

namespace {

const QString title = QStringLiteral("exercise 9.. combine the words to the sketches.");

// One set: the word draws (repeats included), then the order.
void script(ExerciseRig& rig, QList<int> words, int order)
{
    for (int w : words)
        rig.random.push({ScriptedRandom::word(w)});
    rig.random.push({ScriptedRandom::choice(order, 6)});
}

Form8* openForm8(ExerciseRig& rig, QList<int> words, int order)
{
    script(rig, words, order);
    return rig.open<Form8>(new Form8);
}

// Where the window system may deliver the moves of a drag: to the word that got the press (a
// grab), to the screen, or to whatever lies under the pointer beside the dragged word.
enum class Moves { ToPressed, ToScreen, ToUnderPointer };

QWidget* receiverFor(Form8* form, Moves moves, QWidget* dragged, QPoint at)
{
    if (moves != Moves::ToUnderPointer)
        return moves == Moves::ToPressed ? dragged : form;
    const QObjectList children = form->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto* widget = qobject_cast<QWidget*>(*it);
        if (!widget || widget == dragged || !widget->isVisible() || !widget->geometry().contains(at))
            continue;
        QWidget* deeper = widget->childAt(widget->mapFrom(form, at));
        return deeper ? deeper : widget;
    }
    return form;
}

// Presses a word and slides it in steps to `to` (screen coordinates), the button held.
void pressAndSlide(Form8* form, int index, QPoint to, Moves moves = Moves::ToPressed)
{
    DragWord* word = form->Label1[size_t(index)];
    const QPoint from = word->geometry().center();
    QTest::mousePress(word, Qt::LeftButton, {}, word->rect().center());
    for (int i = 1; i <= 6; ++i) {
        const QPoint at = from + (to - from) * i / 6;
        QWidget* receiver = receiverFor(form, moves, word, at);
        QTest::mouseMove(receiver, receiver->mapFrom(form, at));
    }
}

void release(Form8* form, int index, QPoint at, Moves moves = Moves::ToPressed)
{
    QWidget* receiver = receiverFor(form, moves, form->Label1[size_t(index)], at);
    QTest::mouseRelease(receiver, Qt::LeftButton, {}, receiver->mapFrom(form, at));
}

void drag(Form8* form, int index, QPoint to, Moves moves = Moves::ToPressed)
{
    pressAndSlide(form, index, to, moves);
    release(form, index, to, moves);
}

void dragToBox(Form8* form, int word, int box, Moves moves = Moves::ToPressed)
{
    drag(form, word, form->Label2[size_t(box)]->geometry().center(), moves);
}

// A press and release that slides a few pixels: still a tap.
void tap(QWidget* widget)
{
    const QPoint at = widget->rect().center();
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseMove(widget, at + QPoint(4, 3));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at + QPoint(4, 3));
}

// The words from left to right, by index.
QList<int> wordOrder(Form8* form)
{
    QList<QPair<int, int>> byLeft;
    for (int k = 0; k < 3; ++k)
        byLeft << qMakePair(form->Label1[size_t(k)]->x(), k);
    std::sort(byLeft.begin(), byLeft.end());
    QList<int> order;
    for (const auto& [x, k] : byLeft)
        order << k;
    return order;
}

QList<QRect> wordPlaces(Form8* form)
{
    QList<QRect> list;
    for (DragWord* word : form->Label1)
        list << word->geometry();
    return list;
}

QStringList boxCaptions(Form8* form)
{
    QStringList list;
    for (AnswerBox* box : form->Label2)
        list << box->caption();
    return list;
}

} // namespace

class TestWordDrag : public QObject
{
    Q_OBJECT
private slots:
    void theSetIsShownSilentlyAndNamedForScreenReaders()
    {
        ExerciseRig rig;
        // Word 5 comes up again for the second picture and the third: drawn again.
        Form8* form = openForm8(rig, {5, 5, 17, 5, 17, 29}, 4);
        QCOMPARE(rig.speech.log(QStringLiteral("Form8")), QStringList{speakLine("Form8", title)});
        QCOMPARE(rig.random.ranShort, 0);
        QCOMPARE(form->order(), 4);
        QVERIFY(form->Command1->isEnabled()); // the first set may be skipped
        const QList<int> words{5, 17, 29};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(form->Image1[size_t(k)]->word(), Parola(words[k]));
            QCOMPARE(form->Label1[size_t(k)]->caption(), Parola(words[k]));
            const Accessible picture = accessibleOf(form->Image1[size_t(k)]);
            QCOMPARE(picture.role, QAccessible::Graphic);
            QCOMPARE(picture.name, Parola(words[k]));
            QVERIFY(picture.actions.isEmpty()); // looked at, not pressed
            const Accessible word = accessibleOf(form->Label1[size_t(k)]);
            QCOMPARE(word.role, QAccessible::Button);
            QCOMPARE(word.name, Parola(words[k]));
            QVERIFY(word.actions.contains(QAccessibleActionInterface::pressAction()));
            const Accessible box = accessibleOf(form->Label2[size_t(k)]);
            QCOMPARE(box.role, QAccessible::Button);
            QCOMPARE(box.name, QStringLiteral("box"));
            QVERIFY(box.actions.contains(QAccessibleActionInterface::pressAction()));
        }
        click(form->Bocca); // the mouth has nothing to say here
        QCOMPARE(rig.logSize(), 1);

        // A press on a word chooses it, a press on a box drops it there; so do Tab and Space.
        pressAccessibly(form->Label1[2]);
        pressAccessibly(form->Label2[0]);
        QCOMPARE(form->Errati, qint16(1));
        pressAccessibly(form->Label2[2]); // the word is still in hand
        QCOMPARE(accessibleOf(form->Label2[2]).name, Parola(29));
        form->Label1[1]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(form->Label1[1], Qt::Key_Space);
        form->Label2[1]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(form->Label2[1], Qt::Key_Space);
        QCOMPARE(boxCaptions(form), QStringList({QString(), Parola(17), Parola(29)}));
    }

    void spostaPutsTheWordsInOneOfSixOrders_data()
    {
        QTest::addColumn<double>("draw");
        QTest::addColumn<QList<int>>("leftToRight");
        QTest::newRow("0, lowest draw") << 0.0 << QList<int>{0, 1, 2};
        QTest::newRow("1") << ScriptedRandom::choice(1, 6) << QList<int>{0, 2, 1};
        QTest::newRow("2") << ScriptedRandom::choice(2, 6) << QList<int>{1, 0, 2};
        QTest::newRow("3") << ScriptedRandom::choice(3, 6) << QList<int>{1, 2, 0};
        QTest::newRow("4") << ScriptedRandom::choice(4, 6) << QList<int>{2, 1, 0};
        QTest::newRow("5, highest draw") << 0.99999 << QList<int>{2, 0, 1};
    }

    void spostaPutsTheWordsInOneOfSixOrders()
    {
        QFETCH(double, draw);
        QFETCH(QList<int>, leftToRight);
        ExerciseRig rig;
        rig.random.push({ScriptedRandom::word(1), ScriptedRandom::word(2), ScriptedRandom::word(3), draw});
        auto* form = rig.open<Form8>(new Form8);
        QCOMPARE(form->order(), int(std::floor(draw * 6)));
        QCOMPARE(wordOrder(form), leftToRight);
        for (int place = 0; place < 3; ++place) {
            DragWord* word = form->Label1[size_t(leftToRight[place])];
            QCOMPARE(form->designPosition(word).x(), double(form->posizioni()[size_t(place)]));
            // Each place is the column of one picture: order 0 is every word under its own.
            QCOMPARE(word->geometry().center().x(), form->Image1[size_t(place)]->geometry().center().x());
            QVERIFY(word->isEnabled());
        }
    }

    void aDropOnItsBoxIsRightAndAWrongOneGoesBack_data()
    {
        QTest::addColumn<int>("moves");
        QTest::newRow("moves to the pressed word") << int(Moves::ToPressed);
        QTest::newRow("moves to the screen") << int(Moves::ToScreen);
        QTest::newRow("moves to what is under the pointer") << int(Moves::ToUnderPointer);
    }

    void aDropOnItsBoxIsRightAndAWrongOneGoesBack()
    {
        QFETCH(int, moves);
        const Moves via = Moves(moves);
        ExerciseRig rig;
        Form8* form = openForm8(rig, {11, 12, 13}, 3); // 1, 2, 0 from left to right
        const QList<QRect> home = wordPlaces(form);

        // Mid-drag the word is under the pointer, above everything, its box lit.
        const QPoint over = form->Label2[1]->geometry().center();
        pressAndSlide(form, 1, over, via);
        QCOMPARE(form->draggedWord(), 1);
        QCOMPARE(form->childAt(over), form->Label1[1]);
        QVERIFY(form->Label2[1]->isTargeted() && form->Label2[0]->isInviting());
        QCOMPARE(rig.logSize(), 1); // nothing happens before the release
        release(form, 1, over, via);

        QCOMPARE(rig.speech.log(QStringLiteral("Form8")),
                 QStringList({speakLine("Form8", title), stopLine("Form8"), speakLine("Form8", Parola(12))}));
        QCOMPARE(boxCaptions(form), QStringList({QString(), Parola(12), QString()}));
        QCOMPARE(form->Label1[1]->caption(), QString());
        QCOMPARE(form->abbinamenti(), qint16(1));
        QCOMPARE(form->Esatti, qint16(0)); // one word is not yet a right answer
        QVERIFY(!form->Label2[1]->isTargeted() && !form->Label2[0]->isInviting());

        // The placed word cannot be taken again: its empty place takes no press.
        const qsizetype before = rig.logSize();
        dragToBox(form, 1, 1, via);
        QCOMPARE(form->abbinamenti(), qint16(1));
        QCOMPARE(rig.logSize(), before);

        // Word 0 on the box of word 2, then on the box already filled with word 1.
        dragToBox(form, 0, 2, via);
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 1"));
        QVERIFY(form->PicturesattiErrati->ComandoIconaNo->isVisibleTo(form)
                && !form->PicturesattiErrati->ComandoIconaSi->isVisibleTo(form));
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form8"), speakLine("Form8", "No! repeat!")}));
        QCOMPARE(form->Label1[0]->caption(), Parola(11));
        dragToBox(form, 0, 1, via);
        QCOMPARE(form->Errati, qint16(2));
        QCOMPARE(boxCaptions(form), QStringList({QString(), Parola(12), QString()}));
        QCOMPARE(wordPlaces(form), home); // every word back in its place
    }

    void aDropAnywhereButABoxChangesNothing()
    {
        ExerciseRig rig;
        Form8* form = openForm8(rig, {1, 2, 3}, 2);
        const QList<QRect> home = wordPlaces(form);
        const QList<QPoint> elsewhere{
            form->Image1[0]->geometry().center(),
            form->Label1[2]->geometry().center(),
            QPoint(form->width() / 3, form->height() - 40), // the background
            form->Bocca->geometry().center(),
            form->PicturesattiErrati->geometry().center(),
            form->Label2[0]->geometry().topLeft() - QPoint(6, 6), // just off a box's corner
        };
        for (const QPoint& at : elsewhere) {
            drag(form, 0, at, Moves::ToUnderPointer);
            drag(form, 1, at, Moves::ToPressed);
        }
        drag(form, 2, QPoint(form->width() + 300, -200)); // out of the window, as a grab allows
        QCOMPARE(rig.logSize(), 1);
        QCOMPARE(form->Errati, qint16(0));
        QCOMPARE(boxCaptions(form), QStringList({QString(), QString(), QString()}));
        QCOMPARE(wordPlaces(form), home);
        QCOMPARE(form->selectedWord(), -1); // no drag counted as a tap
    }

    void aSetIsCompletedInAnyOrderWithWrongDropsOnTheWay_data()
    {
        QTest::addColumn<QList<int>>("rightOrder");
        QTest::addColumn<int>("order");
        QTest::newRow("2, 0, 1") << QList<int>{2, 0, 1} << 5;
        QTest::newRow("1, 2, 0") << QList<int>{1, 2, 0} << 1;
        QTest::newRow("0, 1, 2") << QList<int>{0, 1, 2} << 0;
    }

    void aSetIsCompletedInAnyOrderWithWrongDropsOnTheWay()
    {
        QFETCH(QList<int>, rightOrder);
        QFETCH(int, order);
        ExerciseRig rig;
        Form8* form = openForm8(rig, {1, 2, 3}, 0);
        script(rig, {20, 21, 22}, order);
        click(form->Command1); // skips the first set, saying and stopping nothing
        QCOMPARE(rig.logSize(), 1);
        QVERIFY(!form->Command1->isEnabled());

        for (int step = 0; step < 3; ++step) {
            const int word = rightOrder[step];
            dragToBox(form, word, (word + 1) % 3);       // wrong, perhaps on a filled box
            QCOMPARE(form->abbinamenti(), qint16(step)); // wrong drops do not undo right ones
            QVERIFY(!form->Command1->isEnabled());
            dragToBox(form, word, word);
            QCOMPARE(rig.speech.spoken().last(), Parola(20 + word));
        }
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->Errati, qint16(3));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 1"));
        QVERIFY(form->PicturesattiErrati->ComandoIconaSi->isVisibleTo(form)
                && !form->PicturesattiErrati->ComandoIconaNo->isVisibleTo(form));
        QVERIFY(form->Command1->isEnabled());
        QCOMPARE(boxCaptions(form), QStringList({Parola(20), Parola(21), Parola(22)}));
        for (int k = 0; k < 3; ++k)
            QVERIFY(!form->Label2[size_t(k)]->isEnabled() && !form->Label1[size_t(k)]->isEnabled());

        // Complete: neither drag nor tap takes anything more.
        const qsizetype before = rig.logSize();
        dragToBox(form, 0, 0);
        tap(form->Label1[1]);
        tap(form->Label2[1]);
        QCOMPARE(rig.logSize(), before);
        QCOMPARE(form->Esatti, qint16(1));

        // "next": a fresh open set; the speech under way is not cut off.
        script(rig, {4, 5, 6}, 0);
        click(form->Command1);
        QCOMPARE(rig.logSize(), before);
        QCOMPARE(boxCaptions(form), QStringList({QString(), QString(), QString()}));
        QCOMPARE(accessibleOf(form->Label2[0]).name, QStringLiteral("box"));
        dragToBox(form, 2, 2);
        QCOMPARE(form->Label2[2]->caption(), Parola(6));
    }

    void tapThenTapHasTheSameOutcomesAsADrag()
    {
        ExerciseRig rig;
        Form8* form = openForm8(rig, {14, 15, 16}, 2);
        const QList<QRect> home = wordPlaces(form);

        // A tap that slides a little chooses the word; nothing moves, nothing is said.
        tap(form->Label1[0]);
        QCOMPARE(form->selectedWord(), 0);
        QVERIFY(form->Label1[0]->isSelected() && form->Label2[1]->isInviting());
        QCOMPARE(wordPlaces(form), home);
        QCOMPARE(rig.logSize(), 1);

        // The same word again, or anything but a word or a box, lets it go.
        tap(form->Label1[0]);
        QCOMPARE(form->selectedWord(), -1);
        QVERIFY(!form->Label1[0]->isSelected() && !form->Label2[1]->isInviting());
        for (QWidget* elsewhere : QList<QWidget*>{form->Image1[0], form->ARGradient1, form->PicturesattiErrati}) {
            tap(form->Label1[1]);
            tap(elsewhere);
            QCOMPARE(form->selectedWord(), -1);
        }
        tap(form->Label1[1]);
        tap(form->Label1[2]); // another word takes the choice over
        QCOMPARE(form->selectedWord(), 2);
        QVERIFY(!form->Label1[1]->isSelected());

        tap(form->Label2[0]); // wrong: counted, and the word stays in hand for another box
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(form->selectedWord(), 2);
        QVERIFY(form->Label2[1]->isInviting());
        tap(form->Label1[2]); // a tap on it lets it go
        tap(form->Label2[0]); // no word in hand: nothing
        QCOMPARE(form->Errati, qint16(1));
        tap(form->Label1[0]);
        tap(form->Label2[0]);
        QCOMPARE(rig.speech.log(QStringLiteral("Form8")).mid(3),
                 QStringList({stopLine("Form8"), speakLine("Form8", Parola(14))}));
        QCOMPARE(form->Label2[0]->caption(), Parola(14));

        // A drag lets the chosen word go, and is never also a tap.
        tap(form->Label1[1]);
        dragToBox(form, 2, 2);
        QCOMPARE(form->selectedWord(), -1);
        drag(form, 1, form->Image1[1]->geometry().center());
        QCOMPARE(form->selectedWord(), -1);
        tap(form->Label1[1]);
        tap(form->Label2[1]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->Errati, qint16(1));
        QVERIFY(form->Command1->isEnabled() && !form->Label2[0]->isEnabled());
        QCOMPARE(wordPlaces(form), home);
    }

    void theDropTargetsFollowAResize()
    {
        ExerciseRig rig;
        Form8* form = openForm8(rig, {1, 2, 3}, 3);
        dragToBox(form, 0, 0);
        rig.resize({1920, 1080}); // halfway through a set
        for (int k = 0; k < 3; ++k) {
            const QRect box = form->Label2[size_t(k)]->geometry();
            QCOMPARE(form->boxAt(box.center()), k);
            QCOMPARE(form->boxAt(box.topLeft() + QPoint(2, 2)), k);
            QCOMPARE(form->boxAt(box.bottomRight() + QPoint(3, 3)), -1);
        }
        dragToBox(form, 2, 1);
        dragToBox(form, 1, 1, Moves::ToUnderPointer);
        dragToBox(form, 2, 2, Moves::ToScreen);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->Errati, qint16(1));

        // A new set at the new size.
        script(rig, {10, 11, 12}, 5);
        click(form->Command1);
        QCOMPARE(wordOrder(form), QList<int>({2, 0, 1}));
        for (int k : {1, 0, 2})
            dragToBox(form, k, k);
        QCOMPARE(form->Esatti, qint16(2));

        // Back to a smaller display in the middle of a drag: the word goes home, nothing drops.
        script(rig, {10, 11, 12}, 0);
        click(form->Command1);
        pressAndSlide(form, 0, form->Label2[1]->geometry().center());
        rig.resize({1024, 768});
        QCOMPARE(form->draggedWord(), -1);
        release(form, 0, form->Label2[1]->geometry().center());
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(form->Label1[0]->geometry().center().x(), form->Image1[0]->geometry().center().x());
        dragToBox(form, 0, 0);
        QCOMPARE(form->Label2[0]->caption(), Parola(10));
    }

    void aSetDrawnOnActivationIsOpen()
    {
        ExerciseRig rig;
        Form8* form = openForm8(rig, {1, 2, 3}, 4);
        for (int k = 0; k < 3; ++k)
            dragToBox(form, k, k);
        QVERIFY(!form->Label2[0]->isEnabled()); // complete: the boxes take nothing more

        clickMenu(form, form->mnuImposta);
        rig.speech.clear();
        script(rig, {24, 25, 26}, 0);
        rig.window.closeOverlay();
        QCOMPARE(rig.speech.spoken(QStringLiteral("Form8")), QStringList{title});
        QCOMPARE(form->Esatti, qint16(0));
        QVERIFY(form->Command1->isEnabled()); // "next" keeps its state
        for (int k = 0; k < 3; ++k) {
            QVERIFY(form->Label2[size_t(k)]->isEnabled() && form->Label1[size_t(k)]->isEnabled());
            QCOMPARE(form->Label2[size_t(k)]->caption(), QString());
            // Order 0 after a shuffled set: every word under its own picture again.
            QCOMPARE(form->Label1[size_t(k)]->geometry().center().x(),
                     form->Image1[size_t(k)]->geometry().center().x());
        }
        dragToBox(form, 1, 1);
        QCOMPARE(form->Label2[1]->caption(), Parola(25));

        // A word in hand when "Voice" is chosen is let go.
        tap(form->Label1[0]);
        form->mnuImposta->trigger(); // as a screen reader does: no press on the screen
        script(rig, {4, 5, 6}, 1);
        rig.window.closeOverlay();
        QCOMPARE(form->selectedWord(), -1);
        QCOMPARE(wordOrder(form), QList<int>({0, 2, 1}));
    }
};

MUNCHORA_TEST(TestWordDrag)
#include "test_word_drag.moc"
