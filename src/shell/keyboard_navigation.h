// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keyboard play, the same on every screen. The controls are a screen's enabled, visible
// widgets that take the focus from Tab; they are met in reading order, computed from where
// they stand now (so a shuffle or a resize changes it): rows from top to bottom, each row from
// left to right. The arrow keys go to the nearest control in their direction. The host window
// uses these for Tab, Shift+Tab and the arrows; FocusRing shows where the focus is.

#include <QList>
#include <QPointer>
#include <QWidget>

// Whether a widget is one of root's keyboard controls at the moment.
bool isKeyboardControl(const QWidget* widget, const QWidget* root);

// root's keyboard controls in reading order.
QList<QWidget*> controlsInReadingOrder(const QWidget* root);

// The control after (or before) from in reading order, wrapping round; from need not be a
// control any more (a card just turned, a word just placed): its place still counts.
// Null when root has no control other than from.
QWidget* nextControl(const QWidget* root, const QWidget* from, bool forward);

// The nearest control from `from` in the direction of an arrow key; null when there is none
// that way (the focus stays at the edge of a board rather than jumping round).
QWidget* controlInDirection(const QWidget* root, const QWidget* from, int arrowKey);

// Where Tab (forward), Backtab or an arrow key takes the focus from `focus` (null: it stays).
// The first key of all only shows where the focus already is, when that is a control: the
// first thing to answer. From no control, an arrow goes to the first control.
QWidget* focusAfterKey(const QWidget* root, QWidget* focus, int key, bool firstKey);

// Widgets that use the arrow keys themselves (a list, a slider): the arrows stay theirs.
bool usesArrowKeys(const QWidget* widget);

// A thick ring around the control that has the keyboard focus: a dark outline with a bright
// line inside it, so it shows on light and dark pictures alike. It lies above every screen in
// the host window, follows the control when it moves or is resized, and lets every click
// through. Its thickness follows the size of the screen.
class FocusRing final : public QWidget
{
    Q_OBJECT
public:
    explicit FocusRing(QWidget* window);

    // Rings target (null: none), the ring drawn scale times its design thickness.
    void follow(QWidget* target, double scale);
    QWidget* target() const { return target_; }
    // The thickness of the ring in window pixels.
    int thickness() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QPointer<QWidget> target_;
    QList<QPointer<QWidget>> watched_;   // the target and its parents up to the window
    QMetaObject::Connection entryWatch_; // a menu bar's entry that becomes active
    double scale_ = 1.0;
};
