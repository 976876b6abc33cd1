// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A host window of a fixed size with every seam replaced, for driving exercise screens as a
// child would.

#include "exercises/exercise_screen.h"
#include "exercises/silence_wait.h"
#include "helpers/screen_rig.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"

#include <QAccessible>
#include <QAction>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <qpa/qwindowsysteminterface.h>

struct ExerciseRig : ScreenRig
{
    explicit ExerciseRig(QSize size = {1024, 768}) : ScreenRig(size) {}

    template <class T>
    T* open(Screen* screen)
    {
        window.showScreen(screen);
        flushDeletes();
        return static_cast<T*>(screen);
    }

    // Resizes the host and waits until the screen has followed.
    void resize(QSize size)
    {
        window.resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(window.currentScreen()->size(), Screen::placeIn(size).size(), 2000);
    }

    // Log lines from position `from` on.
    QStringList logFrom(qsizetype from) const { return speech.log().mid(from); }
    qsizetype logSize() const { return speech.log().size(); }
};

// Holds the speech until the screen in front waits for it, then runs the action (a click
// queued, a screen reader's press, a close) and lets the speech end: the action falls inside
// the wait however slow the machine is.
inline void duringTheWait(ExerciseRig& rig, std::function<void()> action)
{
    rig.speech.holdSpeaking = true;
    auto* watch = new QTimer(&rig.window);
    QObject::connect(watch, &QTimer::timeout, watch, [&rig, watch, action = std::move(action)] {
        auto* screen = qobject_cast<ExerciseScreen*>(rig.window.currentScreen());
        if (!screen || !screen->silence().waiting())
            return;
        watch->stop();
        watch->deleteLater();
        action();
        // What the action queued reaches the program while it still waits, however slow the
        // machine; only then may the speech end.
        QWindowSystemInterface::flushWindowSystemEvents();
        rig.speech.holdSpeaking = false;
    });
    watch->start(5);
}

// What a screen reader learns of a control: its role, name and actions.
struct Accessible
{
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QStringList actions;
};

inline Accessible accessibleOf(QWidget* widget)
{
    Accessible result;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    if (!iface)
        return result;
    result.role = iface->role();
    result.name = iface->text(QAccessible::Name);
    if (QAccessibleActionInterface* actions = iface->actionInterface())
        result.actions = actions->actionNames();
    return result;
}

// Presses a control as a screen reader does.
inline void pressAccessibly(QWidget* widget)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(iface && iface->actionInterface());
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

inline void clickMenu(ExerciseScreen* screen, QAction* entry)
{
    QTest::mouseClick(screen->menuBar, Qt::LeftButton, {}, screen->menuBar->actionGeometry(entry).center());
}
