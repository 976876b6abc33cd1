// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/screen_rig.h"

#include "shell/input_gate.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWindow>

#include <qpa/qwindowsysteminterface.h>

void queueClicks(QWidget* widget, const QList<int>& pressTimes, QPoint at)
{
    QWindow* window = widget->window()->windowHandle();
    QVERIFY(window);
    const QPointF local = widget->mapTo(widget->window(), QPointF(at.isNull() ? widget->rect().center() : at));
    const QPointF global = window->mapToGlobal(local);
    // Well after any click QTest made, so the two are never taken for one double click.
    const ulong start = ulong(QTest::lastMouseTimestamp) + 2000;
    ulong last = start;
    using Delivery = QWindowSystemInterface::AsynchronousDelivery;
    for (const int t : pressTimes) {
        const ulong press = start + ulong(t);
        QWindowSystemInterface::handleMouseEvent<Delivery>(window, press, local, global, Qt::LeftButton, Qt::LeftButton,
                                                           QEvent::MouseButtonPress);
        QWindowSystemInterface::handleMouseEvent<Delivery>(window, press + 30, local, global, Qt::NoButton,
                                                           Qt::LeftButton, QEvent::MouseButtonRelease);
        last = press + 30;
    }
    QTest::lastMouseTimestamp = qint64(last) + 2000;
}

void windowClicks(QWidget* widget, const QList<int>& pressTimes, QPoint at)
{
    queueClicks(widget, pressTimes, at);
    deliverInput();
}

void deliverInput()
{
    // Also what a waiting screen held: the wait ends by itself once the speech is over.
    const bool opened = QTest::qWaitFor(
        [] {
            QWindowSystemInterface::flushWindowSystemEvents();
            QCoreApplication::processEvents();
            return InputGate::idle();
        },
        10000);
    QVERIFY2(opened, "a screen held the input for 10 s");
    flushDeletes();
}

void recoverFromProgramEnd()
{
    // The application's own loop clears the "quit now" mark when it starts and when it ends.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
