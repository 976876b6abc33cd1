// SPDX-License-Identifier: GPL-3.0-or-later
// How a child or teacher moves between screens: the menu's tiles from the screen catalogue,
// double clicks across a screen change, and closing the window.

#include "exercises/exercise_screen.h"
#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "home/menu.h"
#include "home/screen_catalogue.h"
#include "home/splash.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "widgets/picture_button.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

// The smallest screen a catalogue row can make.
class TryScreen : public Screen
{
public:
    TryScreen() : Screen(QStringLiteral("TryScreen")) {}
};

FormMenu* showMenu(ScreenRig& rig)
{
    rig.window.showScreen(newFormMenu());
    flushDeletes();
    return qobject_cast<FormMenu*>(rig.window.currentScreen());
}

QString currentName(const ScreenRig& rig)
{
    return rig.window.currentScreen() ? rig.window.currentScreen()->screenName() : QString();
}

// Real mouse input, through the window as the window system delivers it, so that the
// program's double-click handling is what it is on a desktop.
QWindow* windowOf(ScreenRig& rig)
{
    return rig.window.windowHandle();
}

void doubleClickAt(ScreenRig& rig, QPoint at)
{
    QTest::mouseDClick(windowOf(rig), Qt::LeftButton, {}, at);
    flushDeletes();
}

void clickAt(ScreenRig& rig, QPoint at)
{
    QTest::mouseClick(windowOf(rig), Qt::LeftButton, {}, at);
    flushDeletes();
}

QPoint centreOf(QWidget* widget)
{
    return widget->mapTo(widget->window(), widget->rect().center());
}

} // namespace

class TestScreenFlow : public QObject
{
    Q_OBJECT
private slots:
    void everyCatalogueRowIsATileThatOpensItsScreenAndGoBackReturns()
    {
        const std::vector<ScreenEntry>& rows = screenCatalogue();
        QCOMPARE(rows.size(), size_t(18));
        int notBuilt = 0;
        for (const ScreenEntry& row : rows) {
            ScreenRig rig;
            FormMenu* menu = showMenu(rig);
            PictureButton* tile = menu->button(row.button);
            QVERIFY2(tile, qPrintable(row.button));
            QCOMPARE(tile->text(), row.caption);
            QCOMPARE(tile->accessibleName(), row.caption);
            QCOMPARE(tile->isEnabled(), bool(row.make));
            if (!row.make) {
                ++notBuilt;
                continue;
            }
            click(tile);
            flushDeletes();
            auto* screen = qobject_cast<ExerciseScreen*>(rig.window.currentScreen());
            QVERIFY2(screen && screen != static_cast<Screen*>(menu), qPrintable(row.caption));
            QCOMPARE(screen->geometry(), rig.window.rect());
            QVERIFY(screen->mnuEsci);
            rig.dialogs.answers = {BoxAnswer::Yes};
            screen->mnuEsci->trigger();
            flushDeletes();
            QCOMPARE(currentName(rig), QStringLiteral("FormMenu"));
        }
        QCOMPARE(notBuilt, 0); // every tile of the menu opens its screen
    }

    void aRowAddedToTheCatalogueIsAWorkingTile()
    {
        std::vector<ScreenEntry> rows = screenCatalogue();
        rows.push_back({QStringLiteral("CommandTry"), QStringLiteral("19 - try"), ButtonPicture::Listen, 0, 0x4fc3f7,
                        [] { return new TryScreen; }});
        const CatalogueOverride catalogue(rows);
        ScreenRig rig;
        FormMenu* menu = showMenu(rig);
        PictureButton* tile = menu->button(QStringLiteral("CommandTry"));
        QVERIFY(tile && tile->isEnabled());
        // Four rows of tiles still leave the bar below free.
        QVERIFY(!tile->geometry().intersects(menu->button(QStringLiteral("Command1"))->geometry()));
        QVERIFY(menu->rect().contains(tile->geometry()));
        click(tile);
        QCOMPARE(currentName(rig), QStringLiteral("TryScreen"));
    }

    void doubleClickOnTheSplashLandsOnTheMenuAndOpensNothing()
    {
        ScreenRig rig;
        rig.window.showScreen(newFormAvvio());
        const QPoint onTile(429, 100);
        QVERIFY(QRect(354, 22, 150, 178).contains(onTile));

        doubleClickAt(rig, onTile);
        QCOMPARE(currentName(rig), QStringLiteral("FormMenu"));
        QTest::qWait(20);
        QCOMPARE(currentName(rig), QStringLiteral("FormMenu"));

        // The next single click is a click.
        clickAt(rig, onTile);
        QCOMPARE(currentName(rig), QStringLiteral("Form3"));
    }

    void doubleClickOnConfermaLeavesTheMenuWithoutABox()
    {
        ScreenRig rig;
        FormMenu* menu = showMenu(rig);
        click(menu->button(QStringLiteral("Command1")));
        auto* voice = qobject_cast<FormImposta*>(rig.window.overlay());
        QVERIFY(voice);
        const QPoint onConferma = centreOf(voice->BottoneEsci);
        // Beneath "conferma" stands the menu's "?", which opens the credits box.
        QVERIFY(menu->button(QStringLiteral("Command14"))->geometry().contains(onConferma));

        doubleClickAt(rig, onConferma);
        QVERIFY(!rig.window.overlay());
        QCOMPARE(rig.window.currentScreen(), menu);
        QVERIFY(rig.dialogs.shown.isEmpty());

        clickAt(rig, onConferma);
        QCOMPARE(rig.dialogs.shown.size(), 1); // the credits, on a click of its own
    }

    void doubleClickOnVoiceOpensTheVoiceScreenAndLeavesItOpen()
    {
        ScreenRig rig;
        FormMenu* menu = showMenu(rig);
        const QPoint where(400, 650); // on "Voice", and on "conferma" once it is shown
        QVERIFY(menu->button(QStringLiteral("Command1"))->geometry().contains(where));
        doubleClickAt(rig, where);
        auto* voice = qobject_cast<FormImposta*>(rig.window.overlay());
        QVERIFY(voice);
        QVERIFY(voice->BottoneEsci->geometry().contains(where));
        QTest::qWait(20);
        QCOMPARE(rig.window.overlay(), voice);
    }

    void closingTheWindowOnTheMenuAsksExit()
    {
        ScreenRig rig;
        FormMenu* menu = showMenu(rig);
        QSignalSpy ended(&rig.window, &AppWindow::programEnded);
        rig.dialogs.answers = {BoxAnswer::No};
        QVERIFY(!closeWindow(rig));
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].text, QStringLiteral("exit?"));
        QCOMPARE(rig.speech.spoken(), QStringList{QStringLiteral("Exit?")});
        QVERIFY(rig.window.isVisible());
        QCOMPARE(rig.window.currentScreen(), menu);
        QCOMPARE(ended.count(), 0);

        rig.dialogs.answers = {BoxAnswer::Yes};
        closeWindow(rig);
        QCOMPARE(ended.count(), 1);
    }

    void closingTheWindowElsewhereGoesBack()
    {
        ScreenRig rig;
        FormMenu* menu = showMenu(rig);
        click(menu->button(QStringLiteral("Command3")));
        QPointer<Screen> form = rig.window.currentScreen();
        QCOMPARE(currentName(rig), QStringLiteral("Form2"));

        rig.dialogs.answers = {BoxAnswer::No};
        QVERIFY(!closeWindow(rig));
        QCOMPARE(rig.dialogs.shown.last().text, QStringLiteral("go back? "));
        QCOMPARE(rig.window.currentScreen(), form.data());
        QVERIFY(rig.window.isVisible());

        rig.dialogs.answers = {BoxAnswer::Yes};
        closeWindow(rig);
        QCOMPARE(currentName(rig), QStringLiteral("FormMenu"));
        QVERIFY(rig.window.isVisible());
        flushDeletes();
        QVERIFY(form.isNull());
    }

    void escapeIsTheWayOutAsClosingTheWindowIs()
    {
        ScreenRig rig;
        FormMenu* menu = showMenu(rig);
        rig.dialogs.answers = {BoxAnswer::No};
        QTest::keyClick(menu->button(QStringLiteral("Command3")), Qt::Key_Escape);
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown.last().text, QStringLiteral("exit?"));

        click(menu->button(QStringLiteral("Command3")));
        Screen* form = rig.window.currentScreen();
        QCOMPARE(form->screenName(), QStringLiteral("Form2"));
        rig.dialogs.answers = {BoxAnswer::Yes};
        QTest::keyClick(form, Qt::Key_Escape);
        QCOMPARE(rig.dialogs.shown.last().text, QStringLiteral("go back? "));
        QCOMPARE(currentName(rig), QStringLiteral("FormMenu"));
    }

    void leavingTheVoiceScreenWithoutConfermaKeepsTheChoiceAndWritesNothing()
    {
        // A pupil who only looked must keep getting the classroom preset: no file of their own.
        ScreenRig rig;
        FormMenu* menu = showMenu(rig);
        for (const bool byEscape : {false, true}) {
            click(menu->button(QStringLiteral("Command1")));
            auto* voice = qobject_cast<FormImposta*>(rig.window.overlay());
            QVERIFY(voice);
            voice->Combo1->setCurrentIndex(byEscape ? 2 : 1);
            voice->HScroll1->setValue(byEscape ? 90 : 160);
            if (byEscape)
                QTest::keyClick(voice->BottoneEsci, Qt::Key_Escape);
            else
                QVERIFY(!closeWindow(rig));
            QVERIFY(!rig.window.overlay());
            QCOMPARE(rig.window.currentScreen(), menu);
            QVERIFY(menu->isEnabled());
            QVERIFY(rig.dialogs.shown.isEmpty());
            QVERIFY(!QFileInfo::exists(Modulo1::FileImpostazioni));
            // The choice holds for the rest of the run.
            QCOMPARE(Modulo1::Voce, qint16(byEscape ? 3 : 2));
            QCOMPARE(Modulo1::Velocita, qint16(byEscape ? 90 : 160));
            flushDeletes();
        }
    }
};

MUNCHORA_TEST(TestScreenFlow)
#include "test_screen_flow.moc"
