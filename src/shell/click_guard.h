// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Children double-click by habit, and a finger on a whiteboard taps twice. One click is one
// answer: the second click of a double click (a press within the system's double-click time
// of the click before, at about the same spot) never reaches a control, on any screen or box.
// Nor does a newly shown screen or box take a click whose press happened before it appeared.
// The guard watches the presses reaching the program's windows; arm() is called each time a
// screen or box appears.

#include <QObject>
#include <QPointF>

class ClickGuard : public QObject
{
public:
    // Starts watching (once per application).
    static void install();
    // A new screen or box has just appeared.
    static void arm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ClickGuard() = default;
    static ClickGuard* instance();
    bool isSecondClick(quint64 time, QPointF at, Qt::MouseButton button) const;

    bool buttonDown_ = false; // a press was seen and its release not yet
    bool havePress_ = false;  // the last press that counted as a click
    quint64 pressTime_ = 0;   // its event time, ms
    QPointF pressAt_;         // and where (global)
    Qt::MouseButton pressButton_ = Qt::NoButton;
    bool dropRelease_ = false;     // the release of a press that belongs to the old screen
    bool dropping_ = false;        // the second click of a double click, until its release
    bool passDoubleClick_ = false; // a control where quick clicks add up (a scroll bar's arrow)
};
