// SPDX-License-Identifier: GPL-3.0-or-later
// A child who cannot use a mouse plays every screen with Tab, the arrows, Return, Space and
// Escape alone. Every key goes through the window, as the window system delivers it.

#include "exercises/exercise_rig.h"
#include "exercises/likes.h"
#include "exercises/listen_order.h"
#include "exercises/picture_choice.h"
#include "exercises/who_likes.h"
#include "exercises/word_choice.h"
#include "exercises/word_drag.h"
#include "games/memory.h"
#include "games/word_search.h"
#include "helpers/test_registry.h"
#include "home/menu.h"
#include "home/screen_catalogue.h"
#include "home/splash.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "shell/keyboard_navigation.h"
#include "startup.h"
#include "widgets/bocca.h"
#include "widgets/gradient_background.h"
#include "widgets/picture_button.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

void key(ScreenRig& rig, int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(rig.window.windowHandle(), Qt::Key(k), modifiers);
}

QWidget* focused(ScreenRig& rig)
{
    return rig.window.focusWidget();
}

// Tab until target has the focus; false when a whole round of the screen does not reach it.
bool tabTo(ScreenRig& rig, QWidget* target)
{
    for (int i = 0; i < 130 && focused(rig) != target; ++i)
        key(rig, Qt::Key_Tab);
    return focused(rig) == target;
}

// The arrows towards target, one step at a time, as a child looks where to go.
bool arrowTo(ScreenRig& rig, QWidget* target)
{
    for (int i = 0; i < 40 && focused(rig) != target; ++i) {
        QWidget* from = focused(rig);
        if (!from) {
            key(rig, Qt::Key_Right);
            continue;
        }
        const QPoint d = target->mapTo(&rig.window, target->rect().center())
            - from->mapTo(&rig.window, from->rect().center());
        if (std::abs(d.y()) > from->height() / 2)
            key(rig, d.y() > 0 ? Qt::Key_Down : Qt::Key_Up);
        else
            key(rig, d.x() > 0 ? Qt::Key_Right : Qt::Key_Left);
    }
    return focused(rig) == target;
}

QString name(QWidget* widget)
{
    return widget ? widget->objectName() : QStringLiteral("(none)");
}

void startAtMenu(ExerciseRig& rig)
{
    rig.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    rig.window.showScreen(newFormMenu());
    flushDeletes();
}

// The exercise counts one right answer: the count and the yes icon show it.
void verifyRightShown(ExerciseScreen* screen)
{
    QCOMPARE(screen->PicturesattiErrati->EtichettaEsatti->text().trimmed(), QStringLiteral("1"));
    QCOMPARE(screen->PicturesattiErrati->EtichettaErrati->text().trimmed(), QStringLiteral("0"));
    QVERIFY(screen->PicturesattiErrati->ComandoIconaSi->isVisible());
}

} // namespace

class TestKeyboardPlay : public QObject
{
    Q_OBJECT
private slots:
    void splashAndMenuByKeys()
    {
        ExerciseRig rig;
        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.window.showScreen(newFormAvvio());
        auto* splash = qobject_cast<FormAvvio*>(rig.window.currentScreen());
        QVERIFY(splash);
        // The focus waits on the first picture, without a ring until a key is used.
        QCOMPARE(focused(rig), splash->Image1[0]);
        QVERIFY(!rig.window.focusRing()->isVisible());
        key(rig, Qt::Key_Tab); // the first Tab shows where the focus is
        QCOMPARE(focused(rig), splash->Image1[0]);
        QVERIFY(rig.window.focusRing()->isVisible());
        key(rig, Qt::Key_Tab);
        QCOMPARE(focused(rig), splash->Image1[1]);
        key(rig, Qt::Key_Return);
        auto* menu = qobject_cast<FormMenu*>(rig.window.currentScreen());
        QVERIFY(menu);
        flushDeletes();

        // Reading order: the tiles row by row, then the bar from left to right.
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command2")));
        QStringList order;
        for (int i = 0; i < 21; ++i) {
            order << name(focused(rig));
            key(rig, Qt::Key_Tab);
        }
        QStringList expected;
        for (const ScreenEntry& entry : screenCatalogue())
            expected << entry.button;
        expected << QStringLiteral("Command1") << QStringLiteral("Command14") << QStringLiteral("BottoneEsci");
        QCOMPARE(order, expected);
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command2"))); // round again
        key(rig, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(focused(rig), menu->button(QStringLiteral("BottoneEsci")));

        // The arrows move within the grid of tiles and down to the bar.
        key(rig, Qt::Key_Up);
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command10"))); // last tile, above "Exit"
        key(rig, Qt::Key_Left);
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command20")));
        key(rig, Qt::Key_Up);
        key(rig, Qt::Key_Up);
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command15")));
        key(rig, Qt::Key_Up); // the edge: the focus stays
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command15")));
        key(rig, Qt::Key_Right);
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command16")));
        QCOMPARE(rig.window.focusRing()->target(), menu->button(QStringLiteral("Command16")));

        // A click hides the ring; the focus stays for the keyboard.
        QTest::mouseClick(menu->ARGradient1, Qt::LeftButton);
        QVERIFY(!rig.window.focusRing()->isVisible());

        // Escape asks to exit; No stays.
        rig.dialogs.answers.push_back(BoxAnswer::No);
        key(rig, Qt::Key_Escape);
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown.last().text, QStringLiteral("exit?"));
        QCOMPARE(rig.window.currentScreen(), menu);
    }

    void voiceScreenByKeys()
    {
        ExerciseRig rig;
        startAtMenu(rig);
        auto* menu = qobject_cast<FormMenu*>(rig.window.currentScreen());
        QVERIFY(tabTo(rig, menu->button(QStringLiteral("Command1"))));
        key(rig, Qt::Key_Space);
        auto* settings = qobject_cast<FormImposta*>(rig.window.overlay());
        QVERIFY(settings);
        QCOMPARE(focused(rig), settings->BottoneEsci);
        // Tab goes round the voice screen only, never to the menu beneath.
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            key(rig, Qt::Key_Tab);
            order << name(focused(rig));
        }
        QCOMPARE(order, (QStringList{"Bocca", "Combo1", "HScroll1", "BottoneEsci"}));
        // The speed bar keeps its arrows.
        QVERIFY(tabTo(rig, settings->HScroll1));
        const int speed = settings->HScroll1->value();
        key(rig, Qt::Key_Left);
        QVERIFY(settings->HScroll1->value() != speed);
        QCOMPARE(focused(rig), settings->HScroll1);
        // Return on the mouth tries the voice.
        QVERIFY(tabTo(rig, settings->Bocca));
        rig.speech.clear();
        key(rig, Qt::Key_Return);
        QCOMPARE(rig.speech.spoken(QStringLiteral("FormImposta")), QStringList{QStringLiteral("welcome ")});
        // "conferma" closes it; the focus is back on "Voice", where the child left the menu.
        QVERIFY(tabTo(rig, settings->BottoneEsci));
        key(rig, Qt::Key_Return);
        flushDeletes();
        QVERIFY(!rig.window.overlay());
        QCOMPARE(focused(rig), menu->button(QStringLiteral("Command1")));
    }

    void everyScreenAnsweredRightByKeysOnly_data()
    {
        QTest::addColumn<int>("row");
        int row = 0;
        for (const ScreenEntry& entry : screenCatalogue())
            QTest::newRow(qPrintable(entry.caption)) << row++;
    }

    void everyScreenAnsweredRightByKeysOnly()
    {
        QFETCH(int, row);
        ExerciseRig rig;
        startAtMenu(rig);
        auto* menu = qobject_cast<FormMenu*>(rig.window.currentScreen());
        QVERIFY(menu);
        PictureButton* tile = menu->button(screenCatalogue().at(size_t(row)).button);
        QVERIFY(arrowTo(rig, tile));
        key(rig, Qt::Key_Return);
        flushDeletes();
        auto* screen = qobject_cast<ExerciseScreen*>(rig.window.currentScreen());
        QVERIFY(screen);
        const QString form = screen->screenName();
        // The focus starts on the screen, on something to answer with (or "next").
        QVERIFY2(focused(rig) && screen->isAncestorOf(focused(rig)), qPrintable(name(focused(rig))));

        if (auto* f = qobject_cast<PictureChoice*>(screen)) {
            QVERIFY(tabTo(rig, f->Image1[0]));
            key(rig, Qt::Key_Return);
            verifyRightShown(f);
            // The answers closed: "next" is where the keyboard goes on, and it tells a screen
            // reader how the answer went.
            QCOMPARE(focused(rig), f->Command1);
            QCOMPARE(QAccessible::queryAccessibleInterface(f->Command1)->text(QAccessible::Description),
                     QStringLiteral("Right! Correct 1, mistake 0"));
            key(rig, Qt::Key_Return);
            QVERIFY(!f->Command1->isEnabled());
            QVERIFY(std::find(f->Image1.begin(), f->Image1.end(), focused(rig)) != f->Image1.end());
        } else if (auto* f = qobject_cast<ListenOrder*>(screen)) {
            for (PictureBox* picture : f->Image1) {
                QVERIFY(tabTo(rig, picture));
                key(rig, Qt::Key_Space);
            }
            verifyRightShown(f);
            QCOMPARE(focused(rig), f->Command1);
        } else if (auto* f = qobject_cast<WordChoice*>(screen)) {
            WordLabel* right = f->labels[size_t(f->rightLabel())];
            QVERIFY(tabTo(rig, right));
            key(rig, Qt::Key_Return);
            verifyRightShown(f);
            QCOMPARE(focused(rig), f->Command1);
        } else if (auto* f = qobject_cast<Form8*>(screen)) {
            // Return on a word chooses it; Return on a box drops it there.
            for (int k = 0; k < 3; ++k) {
                QVERIFY(tabTo(rig, f->Label1[size_t(k)]));
                key(rig, Qt::Key_Return);
                QCOMPARE(f->selectedWord(), k);
                QVERIFY(f->Label1[size_t(k)]->isSelected());
                QVERIFY(tabTo(rig, f->Label2[size_t(k)]));
                key(rig, Qt::Key_Return);
                QCOMPARE(f->Label2[size_t(k)]->caption(), Modulo1::Parola(f->words()[size_t(k)]));
                QVERIFY(rig.speech.spoken(form).contains(f->Label2[size_t(k)]->caption()));
            }
            verifyRightShown(f);
            QCOMPARE(focused(rig), f->Command1);
        } else if (auto* f = qobject_cast<Form12*>(screen)) {
            QVERIFY(tabTo(rig, f->Image1[size_t(f->rightChoice())]));
            key(rig, Qt::Key_Return);
            verifyRightShown(f);
        } else if (auto* f = qobject_cast<Form13*>(screen)) {
            const QString said = f->Label3[size_t(f->rightChoice())]->caption();
            QVERIFY(tabTo(rig, f->Label3[size_t(f->rightChoice())]));
            key(rig, Qt::Key_Return);
            verifyRightShown(f);
            QCOMPARE(rig.speech.spoken(form).last(), said);
        } else if (auto* f = qobject_cast<Form14*>(screen)) {
            const int cell = f->askedCell();
            QVERIFY(arrowTo(rig, f->Label4[size_t(cell)]));
            key(rig, Qt::Key_Space);
            verifyRightShown(f);
            QVERIFY(f->isRed(cell));
        } else if (auto* f = qobject_cast<FormCruciPuzzle*>(screen)) {
            // A word none of whose letters another word took over.
            auto ownsAll = [f](int slot) {
                const std::vector<int>& cells = f->path(slot);
                return !cells.empty()
                    && std::all_of(cells.begin(), cells.end(), [&](int c) { return f->owner(c) == slot; });
            };
            int slot = 1;
            while (slot <= FormCruciPuzzle::Slots && !ownsAll(slot))
                ++slot;
            QVERIFY(slot <= FormCruciPuzzle::Slots);
            for (int cell : f->path(slot)) {
                QVERIFY(arrowTo(rig, f->Label1[size_t(cell)]));
                key(rig, Qt::Key_Space);
            }
            QVERIFY(f->isFound(slot));
            QVERIFY(f->PicturesattiErrati->ComandoIconaSi->isVisible());
            QCOMPARE(f->PicturesattiErrati->EtichettaErrati->text().trimmed(), QStringLiteral("0"));
        } else if (auto* f = qobject_cast<MemoryGame*>(screen)) {
            f->Timer1->setInterval(5); // the pause, shortened for the test
            // Picture 0 and its word, card 12, stay face up.
            QVERIFY(arrowTo(rig, f->Label2[0]));
            key(rig, Qt::Key_Return);
            QVERIFY(f->isFaceUp(0));
            // The turned card keeps the keyboard, and a screen reader finds its face there.
            QCOMPARE(focused(rig), f->face(0));
            QCOMPARE(QAccessible::queryAccessibleInterface(focused(rig))->text(QAccessible::Name),
                     f->Label1[0]->text());
            QVERIFY(arrowTo(rig, f->Label2[12]));
            key(rig, Qt::Key_Return);
            QTRY_COMPARE(f->volte(), qint16(1));
            QVERIFY(f->isFaceUp(0));
            QVERIFY(f->isFaceUp(12));
            QCOMPARE(f->Label3->text(), QStringLiteral("times =  1"));
        } else {
            // The listening screens: "next" has the focus and says another word.
            QCOMPARE(focused(rig), screen->Command1);
            const qsizetype before = rig.speech.spoken(form).size();
            key(rig, Qt::Key_Return);
            QCOMPARE(rig.speech.spoken(form).size(), before + 1);
            QCOMPARE(focused(rig), screen->Command1);
        }

        // Escape is "Go back", with its question.
        const qsizetype boxes = rig.dialogs.shown.size();
        key(rig, Qt::Key_Escape);
        QCOMPARE(rig.dialogs.shown.size(), boxes + 1);
        QCOMPARE(rig.dialogs.shown.last().text, QStringLiteral("go back? "));
        flushDeletes();
        QVERIFY(qobject_cast<FormMenu*>(rig.window.currentScreen()));

        // A classroom's prepared speech holds everything that was said.
        static const QStringList prepared = everySpokenText();
        for (const QString& text : rig.speech.spoken())
            QVERIFY2(prepared.contains(text), qPrintable(text));
    }

    void altRingsTheMenuBarsEntryNotTheBar()
    {
        ExerciseRig rig;
        startAtMenu(rig);
        auto* menu = qobject_cast<FormMenu*>(rig.window.currentScreen());
        QVERIFY(arrowTo(rig, menu->button(screenCatalogue().at(1).button)));
        key(rig, Qt::Key_Return);
        flushDeletes();
        auto* screen = qobject_cast<ExerciseScreen*>(rig.window.currentScreen());
        QVERIFY(screen);
        key(rig, Qt::Key_Alt);
        QTRY_COMPARE(focused(rig), static_cast<QWidget*>(screen->menuBar));
        QCOMPARE(screen->menuBar->activeAction(), screen->mnuImposta);
        const QRect entry(
            screen->menuBar->mapTo(&rig.window, screen->menuBar->actionGeometry(screen->mnuImposta).topLeft()),
            screen->menuBar->actionGeometry(screen->mnuImposta).size());
        const QRect ring = rig.window.focusRing()->geometry();
        QVERIFY2(
            ring.contains(entry) && ring.width() < screen->menuBar->width() / 2,
            qPrintable(
                QStringLiteral("ring %1,%2 %3x%4").arg(ring.x()).arg(ring.y()).arg(ring.width()).arg(ring.height())));
        key(rig, Qt::Key_Escape);
    }

    void readingOrderFollowsShufflesAndResizes()
    {
        ExerciseRig rig;
        auto* form = rig.open<Form3>(new Form3);
        auto orderOf = [&] {
            QList<QWidget*> pictures;
            for (QWidget* w : controlsInReadingOrder(form))
                if (std::find(form->Image1.begin(), form->Image1.end(), w) != form->Image1.end())
                    pictures << w;
            return pictures;
        };
        auto byPlace = [&] {
            QList<QWidget*> pictures(form->Image1.begin(), form->Image1.end());
            std::sort(pictures.begin(), pictures.end(), [](QWidget* a, QWidget* b) {
                return a->y() / 50 != b->y() / 50 ? a->y() < b->y() : a->x() < b->x();
            });
            return pictures;
        };
        for (int round = 0; round < 4; ++round) {
            QCOMPARE(orderOf(), byPlace());
            form->Sposta();
        }
        rig.resize({1920, 1080});
        QCOMPARE(orderOf(), byPlace());
        // Whole reading order: mouth, upper row with "next" beside it, lower row.
        const QList<QWidget*> all = controlsInReadingOrder(form);
        QCOMPARE(all.first(), form->Bocca);
    }

    void theRingScalesWithTheScreenAndFollowsItsControl()
    {
        int thickness[2] = {0, 0};
        int i = 0;
        for (QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
            ExerciseRig rig(size);
            rig.window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&rig.window));
            auto* form = rig.open<Form2>(new Form2);
            QVERIFY(!rig.window.focusRing()->isVisible()); // no key yet
            key(rig, Qt::Key_Tab);
            QWidget* target = focused(rig);
            QVERIFY(std::find(form->Image1.begin(), form->Image1.end(), target) != form->Image1.end());
            FocusRing* ring = rig.window.focusRing();
            QVERIFY(ring->isVisible());
            QVERIFY(ring->geometry().contains(QRect(target->mapTo(&rig.window, QPoint()), target->size())));
            // A shuffle moves the picture; the ring goes with it.
            form->Sposta();
            form->Sposta();
            QVERIFY(ring->geometry().contains(QRect(target->mapTo(&rig.window, QPoint()), target->size())));
            thickness[i++] = ring->thickness();
        }
        QVERIFY2(thickness[1] > thickness[0], qPrintable(QStringLiteral("%1 %2").arg(thickness[0]).arg(thickness[1])));
        QVERIFY(thickness[0] >= 6);
    }
};

MUNCHORA_TEST(TestKeyboardPlay)
#include "test_keyboard_play.moc"
