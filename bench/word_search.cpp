// SPDX-License-Identifier: GPL-3.0-or-later
// The word search: how long a new grid takes (placing the ten words and the filler letters,
// then painting what changed, as the event loop does) and how long one resize of the screen
// with its 100 cells takes, laying out only and with the paint, at 1024 x 768 and 1920 x 1080.
// The grid's and the whole window's paint are given for comparison. Speech goes to a silent
// service.
//
//   QT_QPA_PLATFORM=offscreen bench_word_search [runs]

#include "games/word_search.h"

#include "bench_tools.h"
#include "screen_bench.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "shell/app_window.h"
#include "speech/engine_speech_service.h"
#include "widgets/fonts.h"

#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

void print(const QString& what, const Figures& f)
{
    std::printf("%-50s %8.3f %8.3f %8.3f\n", qPrintable(what), f.median, f.minimum, f.maximum);
}

int buildAndPaint(int runs)
{
    const ScreenBench bench;

    std::printf("%d runs, milliseconds                              median      min      max\n", runs);
    for (const QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        AppWindow window;
        window.setGeometry(QRect(QPoint(0, 0), size));
        window.show();
        auto* form = new FormCruciPuzzle;
        window.showScreen(form);
        flushDeletes();
        window.repaint(); // warm-up: fonts, pictures, styles
        const QString at = QStringLiteral(" at %1 x %2").arg(size.width()).arg(size.height());
        const auto nothing = [] {};

        print(QStringLiteral("build: place + fill") + at, measure(runs, nothing, [form] { form->Ricomincia(); }));
        // What the event loop does after a rebuild: paint what changed (cells and clues).
        print(QStringLiteral("build: place + fill + paint") + at, measure(runs, nothing, [form] {
                  form->Ricomincia();
                  QCoreApplication::processEvents();
              }));
        print(QStringLiteral("paint: letter grid") + at, measure(runs, nothing, [form] { form->grid->repaint(); }));
        print(QStringLiteral("paint: whole window") + at, measure(runs, nothing, [&window] { window.repaint(); }));

        // One resize: to a slightly different size and back, timed one way at a time.
        const QSize other = size - QSize(16, 12);
        bool small = false;
        const auto flip = [&small] { small = !small; };
        print(QStringLiteral("resize: layout") + at, measure(runs, flip, [&] { form->resize(small ? other : size); }));
        print(QStringLiteral("resize: layout + paint") + at, measure(runs, flip, [&] {
                  form->resize(small ? other : size);
                  QCoreApplication::processEvents();
              }));
        form->resize(size);
    }
    flushDeletes();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return runBench(argc, argv, 50, buildAndPaint);
}
