// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of the start-up benchmark: a bare Qt Widgets window with one label, full
// screen like the program's, linked to Qt Widgets alone. bench_startup starts and measures it.

#include <QApplication>
#include <QLabel>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Munchora"));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        label.setGeometry(screen->geometry());
    label.showFullScreen();
    return QApplication::exec();
}
