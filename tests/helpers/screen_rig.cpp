#include "helpers/screen_rig.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

void queueClick(QWidget* widget)
{
    QWindow* window = widget->window()->windowHandle();
    QVERIFY(window);
    const QPointF local = widget->mapTo(widget->window(), QPointF(widget->rect().center()));
    const QPointF global = window->mapToGlobal(local);
    // Well after any click QTest made, so the two are never taken for one double click.
    QTest::lastMouseTimestamp += 2000;
    const ulong time = ulong(QTest::lastMouseTimestamp);
    using Delivery = QWindowSystemInterface::AsynchronousDelivery;
    QWindowSystemInterface::handleMouseEvent<Delivery>(window, time, local, global, Qt::LeftButton, Qt::LeftButton,
                                                       QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<Delivery>(window, time + 50, local, global, Qt::NoButton,
                                                       Qt::LeftButton, QEvent::MouseButtonRelease);
    QTest::lastMouseTimestamp += 2000;
}

void recoverFromProgramEnd()
{
    // The application's own loop clears the "quit now" mark when it starts and when it ends.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
