// SPDX-License-Identifier: GPL-3.0-or-later
#include "exercises/picture_choice.h"
#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "home/menu.h"
#include "home/screen_catalogue.h"
#include "home/splash.h"
#include "home/unit_choice.h"
#include "home/unit_chooser.h"
#include "home/voice_settings.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "widgets/bocca.h"
#include "widgets/gradient_background.h"
#include "widgets/picture_button.h"
#include "widgets/pictures.h"

#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <qpa/qwindowsysteminterface.h>

namespace {

using Rig = ScreenRig;

FormMenu* showMenu(Rig& rig)
{
    rig.window.showScreen(newFormMenu());
    return qobject_cast<FormMenu*>(rig.window.currentScreen());
}

// The first count of two units to choose from, the built-in one in play; none again once the
// guard goes.
auto offerUnits(int count, std::function<void(const QString&)> play = {})
{
    std::vector<OfferedUnit> units{{"7", "Food and drink", 7, {}}, {"animals", "Animals", 8, {}}};
    units.resize(size_t(count));
    // As the start offers them when the built-in unit plays: once the menu asks.
    offerUnitsLater([units, play = std::move(play)] { setOfferedUnits(units, play); });
    return qScopeGuard([] { setOfferedUnits({}, {}); });
}

} // namespace

class TestSplashMenu : public QObject
{
    Q_OBJECT
private slots:
    void splashShowsThreeDrawnPicturesAndWelcomes()
    {
        Rig rig;
        // The same word twice: the three draws are independent.
        rig.random.push({ScriptedRandom::word(6), ScriptedRandom::word(6), ScriptedRandom::word(20)});
        rig.window.showScreen(newFormAvvio());
        auto* splash = qobject_cast<FormAvvio*>(rig.window.currentScreen());
        QVERIFY(splash);
        QCOMPARE(rig.random.used, 3);
        QCOMPARE(splash->Image1[0]->word(), QStringLiteral("orange"));
        QCOMPARE(splash->Image1[1]->word(), QStringLiteral("orange"));
        QCOMPARE(splash->Image1[2]->word(), QStringLiteral("ice cream"));
        QVERIFY(splash->Image1[2]->hasPicture()); // the file name with a blank is found
        QCOMPARE(rig.speech.spoken(), QStringList{QStringLiteral("welcome. unit 7. munchora")});
        QCOMPARE(rig.speech.lastValue(QStringLiteral("FormAvvio"), QStringLiteral("rate")), 135);

        // What a screen reader hears.
        QCOMPARE(splash->Image1[2]->accessibleName(), QStringLiteral("ice cream"));
        QCOMPARE(splash->Label1->accessibleName(), QStringLiteral("06 ottobre 2003"));
        QCOMPARE(splash->Label2->accessibleName(), QStringLiteral("Munchora"));
        QCOMPARE(splash->Bocca->accessibleName(), QStringLiteral("mouth"));

        // No timer: it waits for a click.
        QTest::qWait(50);
        QCOMPARE(rig.window.currentScreen(), splash);
        QCOMPARE(rig.speech.spoken().size(), 1);
    }

    void anyClickOnTheSplashOpensTheMenu_data()
    {
        QTest::addColumn<QString>("target");
        for (const char* target :
             {"Image1_0", "Image1_1", "Image1_2", "Label1", "Label2", "Bocca", "ARGradient1", "FormAvvio"})
            QTest::newRow(target) << QString::fromLatin1(target);
        // Above the splash of an upright whiteboard: its colours, so the child takes it for it.
        QTest::newRow("the band above") << QStringLiteral("AppWindow");
    }

    void anyClickOnTheSplashOpensTheMenu()
    {
        QFETCH(QString, target);
        const bool band = target == QLatin1String("AppWindow");
        Rig rig(band ? QSize(1080, 1920) : QSize(1024, 768));
        rig.window.showScreen(newFormAvvio());
        QPointer<Screen> splash = rig.window.currentScreen();
        QWidget* widget = band                     ? &rig.window
            : target == QLatin1String("FormAvvio") ? splash.data()
                                                   : splash->findChild<QWidget*>(target);
        QVERIFY(widget);
        // Through the window system, as a child's click finds what lies under the pointer.
        windowClicks(widget, {0}, target == QLatin1String("FormAvvio") || band ? QPoint(3, 3) : QPoint());
        QVERIFY(rig.window.currentScreen());
        QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("FormMenu"));
        QCOMPARE(rig.window.currentScreen()->geometry(), Screen::placeIn(rig.window.size()));
        flushDeletes();
        QVERIFY(splash.isNull());
    }

    void menuHasItsTwentyOneButtons()
    {
        Rig rig;
        FormMenu* menu = showMenu(rig);
        QVERIFY(menu);
        const QList<QPair<QString, QString>> table{{"Command1", "Voice"},
                                                   {"BottoneEsci", "Exit"},
                                                   {"Command14", "?"},
                                                   {"Command2", "1 - listen"},
                                                   {"Command3", "2 - What is it?"},
                                                   {"Command4", "3 - What is it?"},
                                                   {"Command5", "4 - listen and order"},
                                                   {"Command15", "5 - listen and order"},
                                                   {"Command16", "6 - listen and order"},
                                                   {"Command6", "7 - read the words"},
                                                   {"Command7", "8 - read the words"},
                                                   {"Command9", "9 - read the words"},
                                                   {"Command8", "10 - read the words"},
                                                   {"Command11", "11 - read the words"},
                                                   {"Command17", "12 - I like ...."},
                                                   {"Command18", "13 - I like ...."},
                                                   {"Command19", "14 - I like ...."},
                                                   {"Command12", "15 - Tom.. Susy..."},
                                                   {"Command13", "Crucipuzzle"},
                                                   {"Command20", "Memory 1"},
                                                   {"Command10", "Memory 2"}};
        QCOMPARE(menu->buttons().size(), 21);
        for (const auto& [name, caption] : table) {
            PictureButton* button = menu->button(name);
            QVERIFY2(button, qPrintable(name));
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->accessibleName(), caption);
            QCOMPARE(button->font().family(), QStringLiteral("Liberation Sans"));
            QVERIFY2(button->isEnabled(), qPrintable(name)); // every screen is built
        }
        // The menu applies the voice settings when it loads.
        QCOMPARE(rig.speech.lastValue(QStringLiteral("FormMenu"), QStringLiteral("rate")), 135);
        QVERIFY(rig.speech.spoken().isEmpty());
    }

    void menuButtonsAreTidyAndBigEnough_data()
    {
        QTest::addColumn<QSize>("display");
        QTest::addColumn<int>("captionLines");
        QTest::addColumn<int>("units"); // offered; with one there is no choice on the menu
        QTest::newRow("1024x768") << QSize(1024, 768) << 2 << 1;
        QTest::newRow("1920x1080") << QSize(1920, 1080) << 1 << 1;
        // 2560 x 1440 at scale 1.5 and 2: the same look (1.5 once rounded its letters up
        // into two lines).
        QTest::newRow("1707x960") << QSize(1707, 960) << 1 << 1;
        QTest::newRow("1280x720") << QSize(1280, 720) << 1 << 1;
        QTest::newRow("portrait 1080x1920") << QSize(1080, 1920) << 2 << 1;
        QTest::newRow("portrait 768x1024") << QSize(768, 1024) << 2 << 1;
        QTest::newRow("1024x768, two units") << QSize(1024, 768) << 2 << 2;
        QTest::newRow("1920x1080, two units") << QSize(1920, 1080) << 1 << 2;
        QTest::newRow("portrait 1080x1920, two units") << QSize(1080, 1920) << 2 << 2;
    }

    void menuButtonsAreTidyAndBigEnough()
    {
        QFETCH(QSize, display);
        QFETCH(int, captionLines);
        QFETCH(int, units);
        const auto restore = offerUnits(units);
        Rig rig(display);
        FormMenu* menu = showMenu(rig);
        QCOMPARE(menu->buttons().size(), units > 1 ? 22 : 21);
        QCOMPARE(bool(menu->button(QStringLiteral("unitButton"))), units > 1);
        QCOMPARE(menu->button(QStringLiteral("Command8"))->captionLines(), captionLines);
        // The whole window, or on a portrait screen its whole width, centred.
        QCOMPARE(menu->geometry(),
                 QRect(0, (display.height() - menu->height()) / 2, display.width(),
                       std::min(display.height(), display.width() * 4 / 5)));
        const QList<PictureButton*> buttons = menu->buttons();
        const double scale = menu->width() / 1024.0;
        for (int i = 0; i < buttons.size(); ++i) {
            const QRect place = buttons[i]->geometry();
            QVERIFY2(menu->rect().contains(place), qPrintable(buttons[i]->objectName()));
            // A finger on a whiteboard needs room: at least about 1.5 cm at 1024 x 768.
            QVERIFY(place.width() >= 100 * std::min(1.0, scale) && place.height() >= 100 * std::min(1.0, scale));
            // Captions stay readable: "Voice" and "Exit" were once squeezed to 5 pixels.
            QVERIFY2(buttons[i]->font().pixelSize() >= 13, qPrintable(buttons[i]->objectName()));
            for (int j = i + 1; j < buttons.size(); ++j)
                QVERIFY2(!place.intersects(buttons[j]->geometry()),
                         qPrintable(buttons[i]->objectName() + " / " + buttons[j]->objectName()));
            QVERIFY(!place.intersects(menu->Bocca->geometry()));
        }
    }

    void exitAnsweredNoKeepsTheMenu()
    {
        Rig rig;
        FormMenu* menu = showMenu(rig);
        QSignalSpy ended(&rig.window, &AppWindow::programEnded);
        rig.dialogs.answers = {BoxAnswer::No};
        click(menu->button(QStringLiteral("BottoneEsci")));
        QCOMPARE(rig.speech.spoken(), QStringList{QStringLiteral("Exit?")});
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].text, QStringLiteral("exit?"));
        QCOMPARE(rig.dialogs.shown[0].title, QStringLiteral("munchora"));
        QCOMPARE(rig.dialogs.shown[0].icon, BoxIcon::Question);
        QCOMPARE(rig.dialogs.shown[0].buttons, BoxButtons::YesNo);
        QCOMPARE(ended.count(), 0);
        QCOMPARE(rig.window.currentScreen(), menu);
        QVERIFY(menu->isVisible() && menu->isEnabled());
    }

    void exitAnsweredYesSaysByeAndEnds()
    {
        Rig rig;
        QPointer<FormMenu> menu = showMenu(rig);
        QSignalSpy ended(&rig.window, &AppWindow::programEnded);
        rig.dialogs.answers = {BoxAnswer::Yes};
        click(menu->button(QStringLiteral("BottoneEsci")));
        QCOMPARE(rig.speech.spoken(), (QStringList{QStringLiteral("Exit?"), QStringLiteral("bye!")}));
        QCOMPARE(ended.count(), 1);
        QVERIFY(!rig.window.currentScreen());
        flushDeletes();
        QVERIFY(menu.isNull());
    }

    void creditsKeepTheMenu()
    {
        Rig rig;
        FormMenu* menu = showMenu(rig);
        click(menu->button(QStringLiteral("Command14")));
        // Whatever the credits box says, it is an information box and the only box.
        QVERIFY(rig.dialogs.shown.size() <= 1);
        for (const ScriptedDialogs::Box& box : rig.dialogs.shown) {
            QCOMPARE(box.title, QStringLiteral("munchora"));
            QCOMPARE(box.icon, BoxIcon::Information);
            QCOMPARE(box.buttons, BoxButtons::Ok);
        }
        flushDeletes();
        QCOMPARE(rig.window.currentScreen(), menu);
        QVERIFY(!rig.window.overlay());
        QVERIFY(menu->isVisible() && menu->isEnabled());
    }

    // The real boxes, on screens of every shape a school has: inside the screen, text whole,
    // buttons whole. (An upright whiteboard once cut the credits and the right edge of "No".)
    void boxesFitOnTheScreen_data()
    {
        QTest::addColumn<QSize>("display");
        QTest::newRow("portrait 1080x1920") << QSize(1080, 1920);
        QTest::newRow("portrait 600x800") << QSize(600, 800);
        QTest::newRow("800x600") << QSize(800, 600);
        QTest::newRow("800x600 at scale 2") << QSize(400, 300);
        QTest::newRow("3840x2160") << QSize(3840, 2160);
        QTest::newRow("portrait 2160x3840") << QSize(2160, 3840);
    }

    void boxesFitOnTheScreen()
    {
        QFETCH(QSize, display);
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect before = screen->geometry();
        const auto setScreen = [screen](const QRect& area) {
            QWindowSystemInterface::handleScreenGeometryChange(screen, area, area);
            QCoreApplication::processEvents();
        };
        setScreen(QRect(QPoint(), display));
        const auto restore = qScopeGuard([&] { setScreen(before); });
        QCOMPARE(screen->availableGeometry().size(), display);

        Rig rig(display);
        FormMenu* menu = showMenu(rig);
        auto* exercise = new Form2;
        const std::vector<std::pair<const char*, std::function<void()>>> boxes{
            {"credits", [menu] { click(menu->button(QStringLiteral("Command14"))); }},
            {"exit", [menu] { click(menu->button(QStringLiteral("BottoneEsci"))); }},
            {"go back", [exercise] { exercise->mnuEsci_Click(); }},
        };
        Dialogs::install(nullptr); // the real boxes; the rig's come back as it goes
        for (const auto& [name, open] : boxes) {
            if (QLatin1String(name) == QLatin1String("go back"))
                rig.window.showScreen(exercise);
            open();
            QMessageBox* box = nullptr;
            QTRY_VERIFY((box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) && box->isVisible());
            const QString where =
                QStringLiteral("%1 box at %2x%3: ").arg(QLatin1String(name)).arg(display.width()).arg(display.height());
            QVERIFY2(QRect(QPoint(), display).contains(box->frameGeometry()),
                     qPrintable(where + QDebug::toString(box->frameGeometry())));
            for (auto* label : box->findChildren<QLabel*>()) {
                if (label->text().isEmpty() || !label->isVisible())
                    continue;
                const int needed = label->wordWrap() ? label->heightForWidth(label->width())
                                                     : label->sizeHint().height();
                QVERIFY2(label->sizeHint().width() <= label->width() || label->wordWrap(),
                         qPrintable(where + label->text()));
                QVERIFY2(needed <= label->height(), qPrintable(where + label->text()));
                // No line wider than the label: what cannot wrap is cut.
                const QRect drawn = QFontMetrics(label->font())
                                        .boundingRect(QRect(0, 0, label->width(), 1 << 20), Qt::TextWordWrap,
                                                      label->text());
                QVERIFY2(drawn.width() <= label->width() && drawn.height() <= label->height(),
                         qPrintable(where + QDebug::toString(drawn) + QDebug::toString(label->geometry())));
            }
            for (QAbstractButton* button : box->buttons()) {
                QVERIFY2(
                    box->rect().contains(button->geometry().translated(button->parentWidget()->mapTo(box, QPoint()))),
                    qPrintable(where + button->text()));
                QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(where + button->text()));
            }
            box->done(QMessageBox::No);
            QTRY_VERIFY(!QApplication::activeModalWidget());
        }
    }

    void voiceLaysTheSettingsOverTheMenuUntilConfirmed()
    {
        Rig rig;
        QPointer<FormMenu> menu = showMenu(rig);
        const size_t eventsBefore = rig.speech.events.size();
        click(menu->button(QStringLiteral("Command1")));
        QCOMPARE(rig.speech.spoken(QStringLiteral("FormMenu")), QStringList{QStringLiteral("Voice")});
        QPointer<Screen> settings = rig.window.overlay();
        QVERIFY(settings);
        QCOMPARE(settings->screenName(), QStringLiteral("FormImposta"));
        QCOMPARE(rig.window.currentScreen(), menu.data());
        flushDeletes();
        QVERIFY(menu); // still loaded beneath, but covered: no key or click reaches it
        QVERIFY(!menu->isEnabled());

        click(static_cast<FormImposta*>(settings.data())->BottoneEsci);
        QVERIFY(!rig.window.overlay());
        flushDeletes();
        QVERIFY(settings.isNull());
        QCOMPARE(rig.window.currentScreen(), menu.data());
        QVERIFY(menu->isVisible() && menu->isEnabled());
        QCOMPARE(menu->geometry(), rig.window.rect());
        // Its activation only places it: no voice settings applied again, nothing said.
        int menuRates = 0;
        for (size_t i = eventsBefore; i < rig.speech.events.size(); ++i)
            if (rig.speech.events[i].owner == QLatin1String("FormMenu")
                && rig.speech.events[i].kind == QLatin1String("rate"))
                ++menuRates;
        QCOMPARE(menuRates, 0);
        QCOMPARE(rig.speech.spoken(QStringLiteral("FormMenu")).size(), 1);
    }

    void aChildChangesUnitOnTheMenu()
    {
        QStringList played;
        const auto restore = offerUnits(2, [&played](const QString& id) {
            played << id;
            Modulo1::CaricaParole({id, QStringLiteral("Animals"), 8, false},
                                  {{"cat", "cats", Modulo1::builtInPicturePath(QStringLiteral("fish"))}});
        });
        Rig rig;
        QPointer<FormMenu> menu = showMenu(rig);
        PictureButton* unitButton = menu->button(QStringLiteral("unitButton"));
        QCOMPARE(unitButton->text(), QStringLiteral("Food and drink"));
        // Opened by a double click where a tile will lie: its second click chooses nothing.
        const QPoint overTile(unitButton->width() / 2, 10);
        windowClicks(unitButton, {0, 80}, overTile);
        auto* chooser = qobject_cast<UnitChooser*>(rig.window.overlay());
        QVERIFY(chooser);
        QVERIFY(chooser->tile("7")->geometry().contains(unitButton->mapTo(menu, overTile)));
        QCOMPARE(rig.speech.spoken(QStringLiteral("UnitChooser")), QStringList{QStringLiteral("units")});
        // Escape leaves everything as it was.
        QTest::keyClick(rig.window.windowHandle(), Qt::Key_Escape);
        flushDeletes();
        QVERIFY(!rig.window.overlay());
        QCOMPARE(rig.window.currentScreen(), menu.data());

        click(unitButton);
        chooser = qobject_cast<UnitChooser*>(rig.window.overlay());
        click(chooser->tile("animals"));
        QCOMPARE(played, QStringList{QStringLiteral("animals")});
        QCOMPARE(rig.window.currentScreen()->screenName(), QStringLiteral("FormAvvio"));
        QCOMPARE(rig.speech.spoken(QStringLiteral("FormAvvio")),
                 QStringList{QStringLiteral("welcome. unit 8. Animals")});
        flushDeletes();
        QVERIFY(menu.isNull() && !rig.window.overlay());
        // Speech made ahead holds all of it.
        const QStringList prepared = everySpokenText();
        for (const QString& text : rig.speech.spoken())
            QVERIFY2(prepared.contains(text), qPrintable(text));
    }

    void exerciseButtonsOpenTheirScreens_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("screen");
        QTest::newRow("1 - listen") << QString("Command2") << QString("Form1");
        QTest::newRow("2 - What is it?") << QString("Command3") << QString("Form2");
        QTest::newRow("3 - What is it?") << QString("Command4") << QString("Form3");
        QTest::newRow("Crucipuzzle") << QString("Command13") << QString("FormCruciPuzzle");
    }

    void exerciseButtonsOpenTheirScreens()
    {
        QFETCH(QString, button);
        QFETCH(QString, screen);
        Rig rig;
        QPointer<FormMenu> menu = showMenu(rig);
        click(menu->button(button));
        QVERIFY(rig.window.currentScreen());
        QCOMPARE(rig.window.currentScreen()->screenName(), screen);
        QVERIFY(rig.speech.spoken(QStringLiteral("FormMenu")).isEmpty());
        flushDeletes();
        QVERIFY(menu.isNull());
    }

    void aRowWithoutAScreenIsADisabledTileThatOpensNothing()
    {
        std::vector<ScreenEntry> rows = screenCatalogue();
        rows[3].make = nullptr;
        const CatalogueOverride catalogue(rows);
        Rig rig;
        FormMenu* menu = showMenu(rig);
        PictureButton* tile = menu->button(rows[3].button);
        QVERIFY(tile && !tile->isEnabled());
        click(tile);
        QCOMPARE(rig.window.currentScreen(), menu);
        QVERIFY(!rig.window.overlay());
    }
};

MUNCHORA_TEST(TestSplashMenu)
#include "test_splash_menu.moc"
