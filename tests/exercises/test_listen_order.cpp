// SPDX-License-Identifier: GPL-3.0-or-later
// Exercises 4, 5 and 6: the sequence, the two rows, the shuffle and its odds, and the places
// kept across a resize and a return from the voice settings screen.

#include "exercise_rig.h"
#include "exercises/listen_order.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"

#include <QMap>
#include <QSet>

#include <functional>

using namespace Modulo1;

namespace {

ListenOrder* openScreen(ExerciseRig& rig, int n)
{
    Screen* screen = n == 3 ? static_cast<Screen*>(new Form4a)
        : n == 4            ? static_cast<Screen*>(new Form4b)
                            : static_cast<Screen*>(new Form4c);
    return rig.open<ListenOrder>(screen);
}

// One question: the shuffle's draws, then the words (repeats included).
void script(ExerciseRig& rig, QList<int> shuffle, QList<int> words)
{
    const int n = int(shuffle.size());
    for (int c : shuffle)
        rig.random.push({ScriptedRandom::choice(c, n)});
    for (int w : words)
        rig.random.push({ScriptedRandom::word(w)});
}

// The lower row as it stands: which picture is at each place, left to right.
QList<int> lowerOrder(ListenOrder* form)
{
    QList<QPair<int, int>> byLeft;
    for (int k = 0; k < form->count(); ++k)
        byLeft << qMakePair(form->Image1[size_t(k)]->x(), k);
    std::sort(byLeft.begin(), byLeft.end());
    QList<int> order;
    for (const auto& [x, k] : byLeft)
        order << k;
    return order;
}

// Every place holds exactly one picture, at its place's left edge, and its tag names it.
void checkPlaces(ListenOrder* form, const QString& where)
{
    QSet<int> lefts;
    for (int k = 0; k < form->count(); ++k) {
        PictureBox* picture = form->Image1[size_t(k)];
        const int place = picture->property("tag").toString().trimmed().toInt();
        QVERIFY2(!picture->property("tag").toString().isEmpty(), qPrintable(where));
        QCOMPARE(qRound(form->designPosition(picture).x()), form->posizioni()[size_t(place)]);
        lefts.insert(picture->x());
    }
    QVERIFY2(lefts.size() == form->count(), qPrintable(where + ": two pictures on one place"));
}

} // namespace

class TestListenOrder : public QObject
{
    Q_OBJECT
private slots:
    void onlyTheTitleIsSaidAndTheMouthSaysTheSequence_data()
    {
        QTest::addColumn<int>("n");
        QTest::newRow("exercise 4") << 3;
        QTest::newRow("exercise 5") << 4;
        QTest::newRow("exercise 6") << 5;
    }

    void onlyTheTitleIsSaidAndTheMouthSaysTheSequence()
    {
        QFETCH(int, n);
        ExerciseRig rig;
        rig.speech.holdSpeaking = true;
        // Word 7 comes up twice: drawn again, never two equal words in a sequence.
        const QList<int> words{7, 12, 7, 3, 25, 9};
        script(rig, QList<int>(n, 0), words.mid(0, n + 1));
        ListenOrder* form = openScreen(rig, n);
        const QString name = form->screenName();
        const QString title = QStringLiteral("exercise %1.. Listen and order.").arg(n + 1);
        QCOMPARE(rig.speech.log(name), QStringList{speakLine(name, title)});
        QCOMPARE(rig.random.ranShort, 0);

        QList<int> expected{7, 12, 3, 25, 9};
        expected = expected.mid(0, n);
        QStringList heard{stopLine(name)};
        for (int k = 0; k < n; ++k) {
            QCOMPARE(form->sequenceWord(k), expected[k]);
            QCOMPARE(form->Image1[size_t(k)]->word(), Parola(expected[k]));
            QCOMPARE(form->Image1[size_t(k)]->accessibleName(), Parola(expected[k]));
            QCOMPARE(form->Image2[size_t(k)]->word(), QString());
            QCOMPARE(form->Image2[size_t(k)]->accessibleName(), QString());
            heard << speakLine(name, Parola(expected[k]) + ".");
        }
        QCOMPARE(form->sequenceWord(0), 7);
        QCOMPARE(form->sequenceWord(1), 12);
        QCOMPARE(form->sequenceWord(2), 3);
        QVERIFY(!form->Command1->isEnabled());

        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before), heard);
        // Again from the start, the speech under way cut off first.
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before), heard + heard);
    }

    void rightClicksFillTheUpperRowAndOnlyTheLastOneCounts()
    {
        ExerciseRig rig;
        script(rig, {4, 1, 2, 0, 3}, {1, 2, 3, 4, 5});
        ListenOrder* form = openScreen(rig, 5);
        auto noRepeat = [&rig] { return rig.speech.spoken().count(QStringLiteral("No! repeat!")); };

        click(form->Image1[0]);
        QCOMPARE(form->contatore(), 1);
        QCOMPARE(form->Image2[0]->word(), Parola(1));
        QVERIFY(form->PicturesattiErrati->ComandoIconaSi->isVisibleTo(form)
                && !form->PicturesattiErrati->ComandoIconaNo->isVisibleTo(form));
        QCOMPARE(form->Esatti, qint16(0));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral("0"));
        QVERIFY(form->Image1[0]->isVisible() && form->Image1[0]->isEnabled());

        click(form->Image1[0]); // already in its place
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(noRepeat(), 1);
        click(form->Image1[3]); // out of turn
        QCOMPARE(form->Errati, qint16(2));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 2"));
        QCOMPARE(form->contatore(), 1);
        QVERIFY(form->PicturesattiErrati->ComandoIconaNo->isVisibleTo(form));

        for (int k = 1; k < 5; ++k) {
            QVERIFY(!form->Command1->isEnabled());
            click(form->Image1[size_t(k)]);
        }
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 1"));
        QVERIFY(form->Command1->isEnabled());
        for (int k = 0; k < 5; ++k)
            QCOMPARE(form->Image2[size_t(k)]->word(), Parola(k + 1));

        click(form->Image1[4]); // the sequence is complete
        QCOMPARE(form->Errati, qint16(3));
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(noRepeat(), 3);

        script(rig, {0, 0, 0, 0, 0}, {6, 7, 8, 9, 10});
        const qsizetype before = rig.logSize();
        click(form->Command1);
        QCOMPARE(rig.logFrom(before), QStringList{stopLine(form->screenName())});
        QVERIFY(!form->Command1->isEnabled());
        QCOMPARE(form->contatore(), 0);
        for (int k = 0; k < 5; ++k)
            QCOMPARE(form->Image2[size_t(k)]->word(), QString());
        QCOMPARE(form->Image1[0]->word(), Parola(6));
    }

    void aScreenReaderHearsPicturesAndPassesOverEmptyPlaces()
    {
        ExerciseRig rig;
        script(rig, {0, 0, 0}, {10, 20, 30});
        ListenOrder* form = openScreen(rig, 3);
        for (int k = 0; k < 3; ++k) {
            const Accessible picture = accessibleOf(form->Image1[size_t(k)]);
            QCOMPARE(picture.role, QAccessible::Button);
            QCOMPARE(picture.name, form->Image1[size_t(k)]->word());
            QVERIFY(picture.actions.contains(QAccessibleActionInterface::pressAction()));
            const Accessible place = accessibleOf(form->Image2[size_t(k)]);
            QCOMPARE(place.name, QString());
            QVERIFY(place.actions.isEmpty());
        }
        QCOMPARE(accessibleOf(form->Bocca).name, QStringLiteral("mouth"));
        QCOMPARE(accessibleOf(form->Command1).name, QStringLiteral("next"));
        pressAccessibly(form->Image1[0]); // as a click
        QCOMPARE(form->contatore(), 1);
        QCOMPARE(accessibleOf(form->Image2[0]).name, Parola(10));
        QCOMPARE(form->Image1[0]->cursor().shape(), Qt::PointingHandCursor);
    }

    void theShuffleFillsEveryPlaceWithTheKnownOdds()
    {
        for (int n = 3; n <= 5; ++n) {
            ExerciseRig rig;
            ListenOrder* form = openScreen(rig, n);
            const int unscripted = rig.random.ranShort;
            QMap<QList<int>, int> orders;
            int total = 1;
            for (int i = 0; i < n; ++i)
                total *= n;
            // Every sequence of draws, once.
            for (int combo = 0; combo < total; ++combo) {
                int rest = combo;
                for (int s = 0; s < n; ++s) {
                    rig.random.push({ScriptedRandom::choice(rest % n, n)});
                    rest /= n;
                }
                form->Sposta();
                checkPlaces(form, QStringLiteral("N=%1 draws %2").arg(n).arg(combo));
                ++orders[lowerOrder(form)];
            }
            QCOMPARE(rig.random.ranShort, unscripted);
            if (n != 3)
                continue;
            QCOMPARE(orders.size(), 6);
            for (auto it = orders.cbegin(); it != orders.cend(); ++it) {
                const QList<int>& order = it.key();
                const bool cyclic = order == QList<int>{0, 1, 2} || order == QList<int>{1, 2, 0}
                    || order == QList<int>{2, 0, 1};
                QCOMPARE(it.value(), cyclic ? 6 : 3); // 2/9 and 1/9 of 27
            }
        }
    }

    void comingBackFromVoiceKeepsThePlacesAlsoAfterAResize()
    {
        ExerciseRig rig;
        script(rig, {2, 2, 2, 2}, {1, 2, 3, 4});
        ListenOrder* form = openScreen(rig, 4);
        const std::array<int, 6> places = form->posizioni();
        click(form->Image1[0]);
        rig.resize({1920, 1080});
        checkPlaces(form, QStringLiteral("after the resize"));

        clickMenu(form, form->mnuImposta);
        script(rig, {1, 3, 0, 2}, {5, 6, 7, 8});
        rig.window.closeOverlay();
        QSet<int> before(places.begin(), places.begin() + 4),
            after(form->posizioni().begin(), form->posizioni().begin() + 4);
        QCOMPARE(after, before);
        checkPlaces(form, QStringLiteral("after Voice"));
        QCOMPARE(form->contatore(), 0);
        for (PictureBox* place : form->Image2)
            QCOMPARE(place->word(), QString());
        // The lower row still lines up under the upper one.
        for (PictureBox* picture : form->Image1) {
            bool underAPlace = false;
            for (PictureBox* place : form->Image2)
                underAPlace = underAPlace || place->x() == picture->x();
            QVERIFY(underAPlace);
        }
        click(form->Image1[0]);
        QCOMPARE(form->Image2[0]->word(), Parola(5));
    }
};

MUNCHORA_TEST(TestListenOrder)
#include "test_listen_order.moc"
