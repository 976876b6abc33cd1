// SPDX-License-Identifier: GPL-3.0-or-later
// Faults the monkey found, each kept from coming back.

#include "exercises/exercise_screen.h"
#include "helpers/screen_rig.h"
#include "helpers/test_registry.h"
#include "home/screen_catalogue.h"
#include "shell/app_window.h"

#include <QAction>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

class TestMonkeyFinds : public QObject
{
    Q_OBJECT
private slots:
    // On a small or flat window the scaled menu bar came out a pixel shorter than its entries,
    // and the bar hid "Voice" and "Go back" behind a "more" button whose menu waited for input.
    // The entries are a finger's target on a whiteboard: 48 px high at 1024 x 768, and scaled.
    void theMenuEntriesStayInSightOnEveryWindowSize()
    {
        for (const QSize size :
             {QSize(640, 480), QSize(1920, 480), QSize(800, 600), QSize(1024, 768), QSize(1366, 768)}) {
            const double factor = std::min(size.width() / 1024.0, size.height() / 768.0);
            for (const ScreenEntry& row : screenCatalogue()) {
                ScreenRig rig(size);
                rig.window.showScreen(row.make());
                flushDeletes();
                auto* screen = qobject_cast<ExerciseScreen*>(rig.window.currentScreen());
                QVERIFY(screen && screen->menuBar);
                const QString where =
                    QStringLiteral("%1 at %2x%3").arg(screen->screenName()).arg(size.width()).arg(size.height());
                const QToolButton* more = screen->menuBar->findChild<QToolButton*>();
                QVERIFY2(!more || !more->isVisible(), qPrintable(where));
                for (QAction* entry : {screen->mnuImposta, screen->mnuEsci}) {
                    if (!entry)
                        continue;
                    const QRect place = screen->menuBar->actionGeometry(entry);
                    QVERIFY2(screen->menuBar->rect().contains(place), qPrintable(where));
                    QVERIFY2(place.height() >= int(48 * factor),
                             qPrintable(where + QStringLiteral(": %1 px").arg(place.height())));
                }
            }
        }
    }
};

MUNCHORA_TEST(TestMonkeyFinds)
#include "test_monkey_finds.moc"
