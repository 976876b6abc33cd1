// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A shown host window of a fixed size with every seam replaced, for driving screens as a
// child would: recorded speech, scripted draws and message boxes, temporary folders.

#include "helpers/fakes.h"
#include "shell/app_window.h"

#include <QTest>

struct ScreenRig
{
    explicit ScreenRig(QSize size = {1024, 768})
    {
        resetSharedState();
        window.setGeometry(QRect(QPoint(0, 0), size));
        window.show();
    }
    ~ScreenRig() { flushDeletes(); }

    RecordingSpeechService speech;
    ScriptedRandom random;
    ScriptedDialogs dialogs;
    TempFolders folders;
    AppWindow window;
};

// A click with the left button, in the middle of the widget unless told where.
inline void click(QWidget* widget, QPoint at = QPoint())
{
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget->rect().center() : at);
}

// Clicks that wait in the window system's queue, as real ones do while the program is busy:
// each press at its time (ms, after all input so far), in the middle of the widget unless told
// where; they are delivered only when the program next handles user input. {0, 80} is a
// double click.
void queueClicks(QWidget* widget, const QList<int>& pressTimes, QPoint at = QPoint());
inline void queueClick(QWidget* widget)
{
    queueClicks(widget, {0});
}
// Queued, then delivered (with whatever they lead to) before it returns.
void windowClicks(QWidget* widget, const QList<int>& pressTimes, QPoint at = QPoint());
// Delivers the input waiting in the window system's queue, and what a waiting screen held once
// its wait is over, and the deferred deletions.
void deliverInput();

// Closes the window as the window manager does (Alt+F4); the program answers from its event
// loop, which runs before this returns. False: the window stays.
inline bool closeWindow(ScreenRig& rig)
{
    const bool closed = rig.window.close();
    deliverInput();
    return closed;
}

// After a test ended the program (QCoreApplication::exit), later event loops would return at
// once; this lets them run again.
void recoverFromProgramEnd();

inline QString speakLine(const QString& owner, const QString& text)
{
    return owner + QStringLiteral(": speak \"") + text + QLatin1Char('"');
}

inline QString stopLine(const QString& owner)
{
    return owner + QStringLiteral(": stop");
}
