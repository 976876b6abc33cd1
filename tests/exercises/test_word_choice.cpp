// SPDX-License-Identifier: GPL-3.0-or-later
// Exercises 7, 8, 10 and 11: what is said, the right and wrong words, "next", the captions,
// the shuffle of the three labels, and an open question after the voice settings.

#include "exercise_rig.h"
#include "exercises/word_choice.h"
#include "helpers/test_registry.h"
#include "widgets/bocca.h"

#include <QMap>
#include <QSet>

using namespace Modulo1;

namespace {

const QColor pureRed(255, 0, 0);

// A question of Form5 or Form6: the shuffle's three draws, then the words.
void scriptThree(ExerciseRig& rig, QList<int> shuffle, QList<int> words)
{
    for (int c : shuffle)
        rig.random.push({ScriptedRandom::choice(c, 3)});
    for (int w : words)
        rig.random.push({ScriptedRandom::word(w)});
}

// A question of Form9 or Form10: the words, then the right label.
void scriptFive(ExerciseRig& rig, QList<int> words, int right)
{
    for (int w : words)
        rig.random.push({ScriptedRandom::word(w)});
    rig.random.push({ScriptedRandom::choice(right, 5)});
}

QStringList captions(WordChoice* form)
{
    QStringList list;
    for (WordLabel* label : form->labels)
        list << label->caption();
    return list;
}

bool allOpen(WordChoice* form)
{
    for (WordLabel* label : form->labels)
        if (!label->isEnabled() || label->background() != QColor(Qt::white))
            return false;
    return true;
}

// The labels from left to right, by index.
QList<int> order(WordChoice* form)
{
    QList<QPair<int, int>> byLeft;
    for (int k = 0; k < 3; ++k)
        byLeft << qMakePair(form->labels[size_t(k)]->x(), k);
    std::sort(byLeft.begin(), byLeft.end());
    QList<int> result;
    for (const auto& [x, k] : byLeft)
        result << k;
    return result;
}

} // namespace

class TestWordChoice : public QObject
{
    Q_OBJECT
private slots:
    void exercise7SaysTheWordAndTheRightLabelIsLabel0WhereverItStands()
    {
        ExerciseRig rig;
        // Label3(0) goes to the last place; word 4 is drawn twice.
        scriptThree(rig, {1, 2, 0}, {4, 4, 9, 13});
        auto* form = rig.open<Form5>(new Form5);
        QCOMPARE(rig.speech.log(QStringLiteral("Form5")),
                 QStringList({speakLine("Form5", "exercise 7.. click on the word."), speakLine("Form5", Parola(4))}));
        QCOMPARE(captions(form), QStringList({Parola(4), Parola(9), Parola(13)}));
        QCOMPARE(form->Image1->word(), Parola(4));
        QCOMPARE(form->labels[0]->accessibleName(), Parola(4));
        QCOMPARE(order(form), QList<int>({1, 2, 0}));
        QCOMPARE(form->labels[0]->objectName(), QStringLiteral("Label3_0"));
        QVERIFY(form->Command1->isEnabled()); // the first question may be skipped

        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form5"), speakLine("Form5", Parola(4))}));

        click(form->labels[1]);
        click(form->labels[2]);
        QCOMPARE(form->Errati, qint16(2));
        QCOMPARE(form->PicturesattiErrati->EtichettaErrati->text(), QStringLiteral(" 2"));
        QCOMPARE(rig.speech.spoken().count(QStringLiteral("No! repeat!")), 2);
        QVERIFY(allOpen(form));

        click(form->labels[0]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->PicturesattiErrati->EtichettaEsatti->text(), QStringLiteral(" 1"));
        QCOMPARE(form->labels[0]->background(), pureRed);
        for (WordLabel* label : form->labels)
            QVERIFY(!label->isEnabled());
        click(form->labels[0]); // cannot count twice
        QCOMPARE(form->Esatti, qint16(1));

        scriptThree(rig, {0, 0, 0}, {20, 21, 22});
        const qsizetype beforeNext = rig.logSize();
        click(form->Command1);
        QCOMPARE(rig.logFrom(beforeNext), QStringList({stopLine("Form5"), speakLine("Form5", Parola(20))}));
        QVERIFY(allOpen(form));
        QVERIFY(!form->Command1->isEnabled());
        click(form->Command1); // now only a right answer opens "next"
        QCOMPARE(form->labelWord(0), 20);
    }

    void exercise8IsSilentAndItsMouthDoesNothing()
    {
        ExerciseRig rig;
        scriptThree(rig, {0, 0, 0}, {1, 2, 3});
        auto* form = rig.open<Form6>(new Form6);
        QCOMPARE(rig.speech.log(QStringLiteral("Form6")),
                 QStringList{speakLine("Form6", "exercise 8. read the words.")});
        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logSize(), before);
        scriptThree(rig, {1, 1, 1}, {5, 6, 7});
        click(form->Command1); // skipped without an answer
        QCOMPARE(rig.logFrom(before), QStringList{stopLine("Form6")});
        QCOMPARE(form->Image1->word(), Parola(5));
        click(form->labels[0]);
        QCOMPARE(form->Esatti, qint16(1));
    }

    void exercise10SaysTheRightCaptionAndItsFourthCaptionHasOneBlank()
    {
        ExerciseRig rig;
        scriptFive(rig, {3, 8, 8, 11, 17, 23}, 3);
        auto* form = rig.open<Form9>(new Form9);
        QCOMPARE(captions(form), QStringList({Parola(3), Parola(8), Parola(11), " " + Parola(17), Parola(23)}));
        QCOMPARE(form->labels[3]->accessibleName(), " " + Parola(17));
        QCOMPARE(form->labels[0]->objectName(), QStringLiteral("Label1_0"));
        QVERIFY(!form->Image1);
        QCOMPARE(form->indiceGiusto(), 3);
        QCOMPARE(rig.speech.spoken(QStringLiteral("Form9")),
                 QStringList({QStringLiteral("exercise 10.. click on the word."), " " + Parola(17)}));
        const qsizetype before = rig.logSize();
        click(form->Bocca);
        QCOMPARE(rig.logFrom(before), QStringList({stopLine("Form9"), speakLine("Form9", " " + Parola(17))}));

        click(form->labels[0]);
        QCOMPARE(form->Errati, qint16(1));
        click(form->labels[3]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->labels[3]->background(), pureRed);
        QVERIFY(form->Command1->isEnabled());
    }

    void exercise11ShowsThePictureOfOneOfItsCaptions()
    {
        for (int right = 0; right < 5; ++right) {
            ExerciseRig rig;
            scriptFive(rig, {26, 4, 19, 27, 30}, right);
            auto* form = rig.open<Form10>(new Form10);
            const QStringList shown = captions(form);
            QCOMPARE(shown, QStringList({Parola(26), Parola(4), Parola(19), Parola(27), Parola(30)}));
            QVERIFY(!shown[3].startsWith(QLatin1Char(' ')));
            QCOMPARE(form->Image1->word(), shown[right]);
            QVERIFY(form->Image1->hasPicture());
            QCOMPARE(form->labelWord(0), 26);
            QCOMPARE(form->labelWord(1), 4);
            QCOMPARE(form->labelWord(2), 19);
            QCOMPARE(rig.speech.spoken(QStringLiteral("Form10")),
                     QStringList{QStringLiteral("exercise 11.. click on the word.")});
            const qsizetype before = rig.logSize();
            click(form->Bocca);
            QCOMPARE(rig.logSize(), before);
            click(form->labels[size_t((right + 1) % 5)]);
            click(form->labels[size_t(right)]);
            QCOMPARE(form->Esatti, qint16(1));
            QCOMPARE(form->Errati, qint16(1));
        }
    }

    void wordLabelsAreButtonsNamedByTheirCaptions()
    {
        ExerciseRig rig;
        scriptFive(rig, {1, 2, 3, 4, 5}, 2);
        auto* form = rig.open<Form9>(new Form9);
        for (WordLabel* label : form->labels) {
            const Accessible word = accessibleOf(label);
            QCOMPARE(word.role, QAccessible::Button);
            QCOMPARE(word.name, label->caption());
            QVERIFY(word.actions.contains(QAccessibleActionInterface::pressAction()));
        }
        pressAccessibly(form->labels[0]);
        QCOMPARE(form->Errati, qint16(1));
        // The keyboard: Tab to a word, Space to choose it.
        form->labels[2]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(form->labels[2], Qt::Key_Space);
        QCOMPARE(form->Esatti, qint16(1));
        pressAccessibly(form->labels[2]); // answered: the labels take nothing more
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->labels[0]->font().family(), QStringLiteral("Liberation Sans"));
        QVERIFY(form->labels[0]->font().bold());
    }

    void theShuffleOfThreeLabelsHasTheKnownOdds()
    {
        ExerciseRig rig;
        auto* form = rig.open<Form6>(new Form6);
        QMap<QList<int>, int> orders;
        for (int combo = 0; combo < 27; ++combo) {
            rig.random.push({ScriptedRandom::choice(combo % 3, 3), ScriptedRandom::choice(combo / 3 % 3, 3),
                             ScriptedRandom::choice(combo / 9, 3)});
            form->Sposta();
            QSet<int> lefts;
            for (WordLabel* label : form->labels) {
                const int place = label->property("tag").toString().trimmed().toInt();
                QVERIFY(label->property("tag").toString().startsWith(QLatin1Char(' ')));
                QCOMPARE(qRound(form->designPosition(label).x()), form->posizioni()[size_t(place)]);
                lefts.insert(label->x());
            }
            QCOMPARE(lefts.size(), 3);
            ++orders[order(form)];
        }
        QCOMPARE(orders.size(), 6);
        for (auto it = orders.cbegin(); it != orders.cend(); ++it) {
            const bool cyclic = it.key() == QList<int>{0, 1, 2} || it.key() == QList<int>{1, 2, 0}
                || it.key() == QList<int>{2, 0, 1};
            QCOMPARE(it.value(), cyclic ? 6 : 3);
        }
    }

    void afterVoiceTheNewQuestionIsOpenAndThePlacesKept()
    {
        ExerciseRig rig;
        scriptThree(rig, {1, 0, 0}, {1, 2, 3});
        auto* form = rig.open<Form5>(new Form5);
        const std::array<int, 3> places = form->posizioni();
        click(form->labels[0]);
        QVERIFY(!allOpen(form));
        rig.resize({1280, 800});

        clickMenu(form, form->mnuImposta);
        scriptThree(rig, {2, 2, 2}, {7, 8, 9});
        rig.window.closeOverlay();
        QVERIFY(allOpen(form));
        QVERIFY(form->Command1->isEnabled()); // "next" keeps its state
        QCOMPARE(QSet<int>(form->posizioni().begin(), form->posizioni().end()),
                 QSet<int>(places.begin(), places.end()));
        QSet<int> lefts;
        for (WordLabel* label : form->labels)
            lefts.insert(label->x());
        QCOMPARE(lefts.size(), 3);
        click(form->labels[0]);
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->labels[0]->background(), pureRed);
    }
};

MUNCHORA_TEST(TestWordChoice)
#include "test_word_choice.moc"
