// The yardstick of the start-up benchmark: a bare Qt Widgets window with one label, full
// screen like the program's. Started by bench_startup, which measures it.

#include "startup_first_paint.h"

#include <QLabel>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    startup_bench::FirstPaint firstPaint([](QObject*) { return true; },
                                         startup_bench::settleMsFrom(argc, argv));
    QLabel label(QStringLiteral("Munchora"));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        label.setGeometry(screen->geometry());
    label.showFullScreen();
    return QApplication::exec();
}
