#include "app/modulo1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("munchora"));
    return Modulo1::Main();
}
