// SPDX-License-Identifier: GPL-3.0-or-later
// How long a child waits for an exercise screen: from the click on the menu's button to the screen painted
// with its first question, at 1920 x 1080, with the pictures already decoded and not; and the
// time of one "next". Speech goes to a silent service, so only the screen is measured.
//
//   QT_QPA_PLATFORM=offscreen bench_exercise_open [runs]

#include "bench_tools.h"
#include "exercises/picture_choice.h"
#include "home/screen_catalogue.h"
#include "screen_bench.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "shell/app_window.h"
#include "speech/engine_speech_service.h"
#include "widgets/fonts.h"
#include "widgets/pictures.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

void print(const char* what, const Figures& f)
{
    std::printf("%-50s %8.2f %8.2f %8.2f\n", what, f.median, f.minimum, f.maximum);
}

int openEveryExercise(int runs)
{
    const ScreenBench bench;

    AppWindow window;
    window.setGeometry(0, 0, 1920, 1080);
    window.show();
    window.showScreen(newFormMenu());
    flushDeletes();

    // A click on the menu's button until the exercise is painted with its first question.
    auto open = [&window](const char* button) {
        return [&window, button] {
            auto* target = window.currentScreen()->findChild<QWidget*>(QLatin1String(button));
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
            window.repaint();
        };
    };
    auto backToMenu = [&window](bool clearCache) {
        return [&window, clearCache] {
            window.showScreen(newFormMenu());
            flushDeletes();
            if (clearCache)
                PictureLoader::instance().clearCache();
        };
    };
    // Warm-up: fonts, styles and the first pictures.
    open("Command3")();
    backToMenu(false)();

    std::printf("%d runs at 1920 x 1080, milliseconds              median      min      max\n", runs);
    for (const ScreenEntry& row : screenCatalogue()) {
        if (!row.make)
            continue;
        const QByteArray button = row.button.toLatin1();
        for (const bool cached : {true, false}) {
            const QString what =
                QStringLiteral("open \"%1\", pictures %2").arg(row.caption, cached ? "cached" : "not cached");
            print(qPrintable(what), measure(runs, backToMenu(!cached), open(button.constData())));
        }
    }
    for (Screen* (*make)() : {+[]() -> Screen* { return new Form2; }, +[]() -> Screen* { return new Form3; }}) {
        window.showScreen(make());
        flushDeletes();
        auto* form = static_cast<PictureChoice*>(window.currentScreen());
        for (const bool cached : {true, false}) {
            const Figures next = measure(
                runs,
                [form, cached] {
                    form->Image1_Click(0); // answered, so "next" is open
                    if (!cached)
                        PictureLoader::instance().clearCache();
                },
                [&window, form] {
                    form->Command1_Click();
                    window.repaint();
                });
            const QString what =
                QStringLiteral("\"next\" on %1, pictures %2").arg(form->screenName(), cached ? "cached" : "not cached");
            print(qPrintable(what), next);
        }
    }
    window.showScreen(newFormMenu());
    flushDeletes();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return runBench(argc, argv, 50, openEveryExercise);
}
