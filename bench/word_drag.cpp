// SPDX-License-Identifier: GPL-3.0-or-later
// How closely a dragged word follows a finger on exercise 9: from one pointer move to the word
// repainted under the pointer, at 1024 x 768 and 1920 x 1080. "dirty region" lets Qt paint
// what the move spoiled, as on a real display; "whole window" repaints everything, the worst
// case. A drop on a box (the word said, its box filled) is timed too. Speech goes to a silent
// service, so only the screen is measured.
//
//   QT_QPA_PLATFORM=offscreen bench_word_drag [moves]

#include "exercises/word_drag.h"

#include "bench_tools.h"
#include "screen_bench.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "shell/app_window.h"
#include "speech/engine_speech_service.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Counts the paints of one widget, to be sure each timed move really painted the word.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A mouse event as the window system hands it to the widget that holds the press.
void send(QWidget* receiver, QEvent::Type type, QPoint screenPoint, QWidget* screen, Qt::MouseButtons held)
{
    const QPointF local = receiver->mapFrom(screen, QPointF(screenPoint));
    QMouseEvent event(type, local, receiver->mapToGlobal(local),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(receiver, &event);
}

struct MoveFigures
{
    double median, minimum, maximum;
    double paintsPerMove;
};

MoveFigures measureMoves(AppWindow& window, Form8* form, int moves, bool wholeWindow)
{
    DragWord* word = form->Label1[0];
    PaintCounter counter;
    word->installEventFilter(&counter);
    const QPoint start = word->geometry().center();
    send(word, QEvent::MouseButtonPress, start, form, Qt::LeftButton);
    send(word, QEvent::MouseMove, start + QPoint(40, -20), form, Qt::LeftButton); // the drag begins
    QCoreApplication::processEvents();
    counter.paints = 0;

    std::vector<double> times;
    QElapsedTimer timer;
    const QPoint centre = form->rect().center();
    const double radius = std::min(form->width(), form->height()) * 0.3;
    for (int i = 0; i < moves; ++i) {
        // Round a circle over the pictures and boxes, a new place each time.
        const double angle = 2 * M_PI * i / moves;
        const QPoint at = centre + QPoint(int(radius * std::cos(angle)), int(radius * std::sin(angle)));
        timer.start();
        send(word, QEvent::MouseMove, at, form, Qt::LeftButton);
        if (wholeWindow)
            window.repaint();
        else
            QCoreApplication::processEvents(); // the update request: the dirty region painted
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (!word->geometry().contains(at))
            std::fprintf(stderr, "the word is not under the pointer at move %d\n", i);
    }
    // Let go on the background: the word goes home, nothing is counted.
    send(word, QEvent::MouseButtonRelease, QPoint(4, form->height() - 4), form, Qt::NoButton);
    QCoreApplication::processEvents();
    word->removeEventFilter(&counter);
    std::sort(times.begin(), times.end());
    return {median(times), times.front(), times.back(), double(counter.paints) / moves};
}

// Drag a word to its own box and let go, until the word is said and its box painted.
MoveFigures measureDrops(AppWindow& window, Form8* form, int runs)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        form->Command1_Click(); // a fresh set
        QCoreApplication::processEvents();
        DragWord* word = form->Label1[1];
        const QPoint target = form->Label2[1]->geometry().center();
        send(word, QEvent::MouseButtonPress, word->geometry().center(), form, Qt::LeftButton);
        send(word, QEvent::MouseMove, target, form, Qt::LeftButton);
        QCoreApplication::processEvents();
        timer.start();
        send(word, QEvent::MouseButtonRelease, target, form, Qt::NoButton);
        QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (form->Label2[1]->caption().isEmpty())
            std::fprintf(stderr, "the drop was not taken\n");
    }
    (void)window;
    std::sort(times.begin(), times.end());
    return {median(times), times.front(), times.back(), 0};
}

void print(const QString& what, const MoveFigures& f, bool paints)
{
    std::printf("%-52s %8.2f %8.2f %8.2f", qPrintable(what), f.median, f.minimum, f.maximum);
    if (paints)
        std::printf(" %8.2f", f.paintsPerMove);
    std::printf("\n");
}

int dragWords(int moves)
{
    const ScreenBench bench;

    std::printf("%d moves, milliseconds                                  median      min      max  paints/move\n",
                moves);
    for (const QSize size : {QSize(1024, 768), QSize(1920, 1080)}) {
        AppWindow window;
        window.setGeometry(QRect(QPoint(0, 0), size));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::fprintf(stderr, "the window was not shown\n");
        window.showScreen(new Form8);
        flushDeletes();
        auto* form = static_cast<Form8*>(window.currentScreen());
        window.repaint(); // fonts, pictures and styles warmed up
        measureMoves(window, form, 10, false);

        const QString at = QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
        print(QStringLiteral("move -> word repainted, dirty region, ") + at, measureMoves(window, form, moves, false),
              true);
        print(QStringLiteral("move -> word repainted, whole window, ") + at, measureMoves(window, form, moves, true),
              true);
        print(QStringLiteral("drop on its box -> painted, ") + at, measureDrops(window, form, moves), false);
        window.showScreen(newFormMenu());
        flushDeletes();
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return runBench(argc, argv, 50, dragWords);
}
