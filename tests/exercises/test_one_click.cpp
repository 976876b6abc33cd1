// SPDX-License-Identifier: GPL-3.0-or-later
// One click is one answer: double clicks through the window system on every kind of answer
// control, a screen reader's presses and a window close while a screen waits for its speech,
// and the choice of exercise 9 kept after a wrong box.

#include "exercise_rig.h"
#include "exercises/likes.h"
#include "exercises/listen_order.h"
#include "exercises/picture_choice.h"
#include "exercises/who_likes.h"
#include "exercises/word_choice.h"
#include "exercises/word_drag.h"
#include "games/memory.h"
#include "games/word_search.h"
#include "helpers/test_registry.h"
#include "screens.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleHints>
#include <QThread>
#include <QTimer>

#include <qpa/qwindowsysteminterface.h>

using namespace Modulo1;

namespace {

// Two clicks as children make them: a double click, and two clicks well apart.
const QList<int> DoubleClick{0, 80};
const QList<int> TwoClicks{0, 600};

// The counts of the screen in front.
const ExerciseScreen& shown(const ExerciseRig& rig)
{
    return *qobject_cast<const ExerciseScreen*>(rig.window.currentScreen());
}

int answers(const ExerciseRig& rig)
{
    return shown(rig).Esatti + shown(rig).Errati;
}

// A wrong answer is counted and heard once per click that counts.
void verifyMistakes(const ExerciseRig& rig, int mistakes, const char* where)
{
    const int counted = shown(rig).Errati;
    QVERIFY2(counted == mistakes, qPrintable(QStringLiteral("%1: %2 mistakes").arg(where).arg(counted)));
    QVERIFY2(rig.speech.spoken().count(QStringLiteral("No! repeat!")) == mistakes, where);
}

// Presses a menu entry as a screen reader does.
void pressEntryAccessibly(QMenuBar* bar, QAction* entry)
{
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(bar);
    QVERIFY(menu);
    for (int i = 0; i < menu->childCount(); ++i) {
        QAccessibleInterface* item = menu->child(i);
        if (item && item->object() == entry) {
            item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            return;
        }
    }
    QFAIL("no such entry");
}

// How a real "go back?" box is answered: a click or a key, through the window system.
enum class Answer { ClickNo, Return, Escape, ClickYes };

void answerBox(QMessageBox* box, Answer answer)
{
    QWindow* window = box->windowHandle();
    using Delivery = QWindowSystemInterface::AsynchronousDelivery;
    if (answer == Answer::ClickNo || answer == Answer::ClickYes) {
        QAbstractButton* button = box->button(answer == Answer::ClickNo ? QMessageBox::No : QMessageBox::Yes);
        const QPointF local = button->mapTo(box, QPointF(button->rect().center()));
        const QPointF global = window->mapToGlobal(local);
        const ulong time = ulong(QTest::lastMouseTimestamp += 2000);
        QWindowSystemInterface::handleMouseEvent<Delivery>(window, time, local, global, Qt::LeftButton, Qt::LeftButton,
                                                           QEvent::MouseButtonPress);
        QWindowSystemInterface::handleMouseEvent<Delivery>(window, time + 40, local, global, Qt::NoButton,
                                                           Qt::LeftButton, QEvent::MouseButtonRelease);
        QTest::lastMouseTimestamp += 2000;
        return;
    }
    const int key = answer == Answer::Return ? Qt::Key_Return : Qt::Key_Escape;
    QWindowSystemInterface::handleKeyEvent<Delivery>(window, QEvent::KeyPress, key, Qt::NoModifier);
    QWindowSystemInterface::handleKeyEvent<Delivery>(window, QEvent::KeyRelease, key, Qt::NoModifier);
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestOneClick : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QVERIFY2(interval > DoubleClick[1] && interval < TwoClicks[1], qPrintable(QString::number(interval)));
    }

    void aDoubleClickIsOneAnswerAndTwoClicksAreTwo()
    {
        {
            ExerciseRig rig; // a wrong picture
            auto* form = rig.open<Form2>(new Form2);
            windowClicks(form->Image1[1], DoubleClick);
            verifyMistakes(rig, 1, "Form2 double");
            windowClicks(form->Image1[1], TwoClicks);
            verifyMistakes(rig, 3, "Form2 apart");
        }
        {
            ExerciseRig rig; // the first picture of a sequence: one right step, no mistake
            auto* form = rig.open<Form4a>(new Form4a);
            windowClicks(form->Image1[0], DoubleClick);
            QCOMPARE(form->contatore(), 1);
            verifyMistakes(rig, 0, "Form4a");
        }
        {
            ExerciseRig rig; // a wrong word
            auto* form = rig.open<Form5>(new Form5);
            WordLabel* wrong = form->labels[size_t((form->rightLabel() + 1) % 3)];
            windowClicks(wrong, DoubleClick);
            verifyMistakes(rig, 1, "Form5 double");
            windowClicks(wrong, TwoClicks);
            verifyMistakes(rig, 3, "Form5 apart");
        }
        {
            ExerciseRig rig; // a word tapped, then a wrong box: the word stays chosen
            auto* form = rig.open<Form8>(new Form8);
            windowClicks(form->Label1[0], {0});
            QCOMPARE(form->selectedWord(), 0);
            windowClicks(form->Label2[1], DoubleClick);
            verifyMistakes(rig, 1, "Form8 double");
            QCOMPARE(form->selectedWord(), 0);
            windowClicks(form->Label2[2], TwoClicks);
            verifyMistakes(rig, 3, "Form8 apart");
            windowClicks(form->Label2[0], {0});
            QCOMPARE(form->Label2[0]->caption(), form->Image1[0]->word());
            QCOMPARE(form->selectedWord(), -1);
            QCOMPARE(form->abbinamenti(), qint16(1));
        }
        {
            ExerciseRig rig; // a cell of the table
            auto* form = rig.open<Form14>(new Form14);
            GridCell* wrong = form->Label4[size_t((form->askedCell() + 1) % 56)];
            windowClicks(wrong, DoubleClick);
            verifyMistakes(rig, 1, "Form14 double");
            windowClicks(wrong, TwoClicks);
            verifyMistakes(rig, 3, "Form14 apart");
        }
        {
            ExerciseRig rig; // a smiley
            auto* form = rig.open<Form12>(new Form12);
            Smiley* wrong = form->Image1[size_t(1 - form->rightChoice())];
            windowClicks(wrong, DoubleClick);
            verifyMistakes(rig, 1, "Form12 double");
            windowClicks(wrong, TwoClicks);
            verifyMistakes(rig, 3, "Form12 apart");
        }
        {
            ExerciseRig rig; // a letter that belongs to no word
            auto* form = rig.open<FormCruciPuzzle>(new FormCruciPuzzle);
            int filler = 0;
            while (form->owner(filler) != 0)
                ++filler;
            windowClicks(form->Label1[size_t(filler)], DoubleClick);
            verifyMistakes(rig, 1, "word search double");
            windowClicks(form->Label1[size_t(filler)], TwoClicks);
            verifyMistakes(rig, 3, "word search apart");
        }
        {
            ExerciseRig rig; // a memory card: one card turned, the turn still open
            auto* form = rig.open<FormMemory>(new FormMemory);
            windowClicks(form->Label2[0], DoubleClick);
            QVERIFY(form->isFaceUp(0));
            QVERIFY(form->primaScoperta());
            QVERIFY(form->carteAttive());
            QCOMPARE(answers(rig), 0);
        }
    }

    void aScreenReaderPressDuringAWaitGoesAsAClickWould()
    {
        {
            // Exercise 13 holds for its title and drops what came meanwhile, "Go back" too.
            ExerciseRig rig;
            rig.dialogs.answers = {BoxAnswer::No};
            duringTheWait(rig, [&rig] {
                auto* form = qobject_cast<Form12*>(rig.window.currentScreen());
                pressAccessibly(form->Image1[0]);
                pressAccessibly(form->Image1[1]);
                pressEntryAccessibly(form->menuBar, form->mnuEsci);
            });
            auto* form = rig.open<Form12>(new Form12);
            deliverInput();
            QCOMPARE(answers(rig), 0);
            QVERIFY(rig.dialogs.shown.isEmpty());
            QCOMPARE(rig.speech.spoken(QStringLiteral("Form12")), QStringList({form->config().title, form->frase()}));
        }
        {
            // Exercise 14 holds while the right sentence is said.
            ExerciseRig rig;
            auto* form = rig.open<Form13>(new Form13);
            duringTheWait(rig, [form] { pressAccessibly(form->Label3[0]); });
            click(form->Label3[size_t(form->rightChoice())]);
            deliverInput();
            QCOMPARE(form->Esatti, qint16(1));
            QCOMPARE(form->Errati, qint16(0));
        }
        {
            // Exercise 15 takes what came during its sentence once the sentence is over.
            ExerciseRig rig;
            auto* form = rig.open<Form14>(new Form14);
            int answeredDuringTheWait = -1;
            duringTheWait(rig, [&rig, form, &answeredDuringTheWait] {
                pressAccessibly(form->Label4[size_t(form->askedCell())]);
                answeredDuringTheWait = answers(rig);
            });
            click(form->Label4[size_t(form->askedCell())]);
            deliverInput();
            QCOMPARE(answeredDuringTheWait, 1);
            QTRY_COMPARE(form->Esatti, qint16(2));
            QCOMPARE(form->Errati, qint16(0));
        }
    }

    void exercise15JudgesPendingClicksAgainstTheSentenceJustAnswered()
    {
        ExerciseRig rig;
        rig.random.push({ScriptedRandom::word(1), ScriptedRandom::word(2), ScriptedRandom::word(3),
                         ScriptedRandom::word(4), ScriptedRandom::choice(0, 56), ScriptedRandom::choice(9, 56)});
        auto* form = rig.open<Form14>(new Form14);
        // The right cell, and at once the cell of the sentence still to come: both wait in the
        // queue while the program is busy.
        queueClick(form->Label4[0]);
        queueClick(form->Label4[9]);
        deliverInput();
        QCOMPARE(form->Esatti, qint16(1));
        QCOMPARE(form->Errati, qint16(1));
        QCOMPARE(form->frase(), QStringLiteral("Bob likes beer"));
        QVERIFY(!form->isRed(9));
    }

    void aCloseDuringAWaitAsksABoxThatAnswers_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("byEscape"); // the keyboard's way out, not the window's close
        for (const char* screen : {"Form12", "Form13", "Form14"}) {
            QTest::addRow("%s click No", screen) << screen << Answer::ClickNo << false << false;
            QTest::addRow("%s Return", screen) << screen << Answer::Return << false << false;
            QTest::addRow("%s Escape", screen) << screen << Answer::Escape << false << false;
            QTest::addRow("%s click Yes", screen) << screen << Answer::ClickYes << false << false;
            // The program stalls right after the close: the close and the end of the speech
            // are then handled in one turn of the event loop.
            QTest::addRow("%s busy, Return", screen) << screen << Answer::Return << true << false;
        }
        // Exercise 13 drops what the child does during its title; Escape is a close all the same.
        QTest::addRow("Form12 by Escape, Return") << "Form12" << Answer::Return << false << true;
    }

    void aCloseDuringAWaitAsksABoxThatAnswers()
    {
        QFETCH(QString, screen);
        QFETCH(Answer, answer);
        QFETCH(bool, busy);
        QFETCH(bool, byEscape);
        ExerciseRig rig;
        Dialogs::install(nullptr); // the real box, answered through the window system
        // The window's close (Alt+F4) comes while the screen waits: exercise 13 for its title,
        // the others after a right answer.
        const auto closeDuringTheWait = [&rig, busy, byEscape] {
            duringTheWait(rig, [&rig, busy, byEscape] {
                using Delivery = QWindowSystemInterface::AsynchronousDelivery;
                if (byEscape) {
                    QWindowSystemInterface::handleKeyEvent<Delivery>(rig.window.windowHandle(), QEvent::KeyPress,
                                                                     Qt::Key_Escape, Qt::NoModifier);
                    QWindowSystemInterface::handleKeyEvent<Delivery>(rig.window.windowHandle(), QEvent::KeyRelease,
                                                                     Qt::Key_Escape, Qt::NoModifier);
                } else {
                    QWindowSystemInterface::handleCloseEvent<Delivery>(rig.window.windowHandle());
                }
                if (busy)
                    QTimer::singleShot(0, [] { QThread::msleep(300); });
            });
        };
        bool answered = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || answered)
                return;
            answered = true;
            QCOMPARE(box->text(), QStringLiteral("go back? "));
            answerBox(box, answer);
        });
        watch.start(20);
        if (screen == "Form12") {
            closeDuringTheWait();
            rig.open<Form12>(new Form12);
        } else if (screen == "Form13") {
            auto* form = rig.open<Form13>(new Form13);
            closeDuringTheWait();
            click(form->Label3[size_t(form->rightChoice())]);
        } else {
            auto* form = rig.open<Form14>(new Form14);
            closeDuringTheWait();
            click(form->Label4[size_t(form->askedCell())]);
        }
        QTRY_VERIFY_WITH_TIMEOUT(answered, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 5000);
        flushDeletes();
        QCOMPARE(rig.window.currentScreen()->screenName(),
                 answer == Answer::ClickYes ? QStringLiteral("FormMenu") : screen);
    }

    void aSecondCloseWhileTheFirstIsAnsweredKeepsTheWindow()
    {
        // Alt+F4 on the voice screen takes it away and exercise 13 starts again, holding for its
        // title; Alt+F4 again meanwhile. The second close is a "go back?", never the end of the
        // window.
        ExerciseRig rig;
        rig.open<Form12>(new Form12);
        rig.window.showOverlay(newFormImposta());
        rig.dialogs.answers = {BoxAnswer::No};
        const auto close = [&rig] {
            QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                rig.window.windowHandle());
        };
        duringTheWait(rig, close);
        close();
        deliverInput();
        QTRY_COMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].text, QStringLiteral("go back? "));
        QVERIFY(rig.window.isVisible());
        QVERIFY(!rig.window.overlay());
        QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("Form12"));
    }
};

MUNCHORA_TEST(TestOneClick)
#include "test_one_click.moc"
