// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One way to press a control, whoever presses it. A left press and release inside is a click,
// wherever the pointer slid in between (a finger's tap slides); Space, Return or Enter press
// the control that has the keyboard focus; a screen reader's press action presses it as well
// (accessibility.h). A disabled control, or one nothing reacts to, takes none of them, offers
// no press and is passed by the keyboard. That a double click is one click is the window's
// rule (click_guard.h), applied before any control sees the mouse.

#include <QAccessible>
#include <QWidget>

class Clickable : public QWidget
{
    Q_OBJECT
public:
    // role: what a screen reader announces (a button, or an image that can be pressed).
    explicit Clickable(QWidget* parent = nullptr, QAccessible::Role role = QAccessible::Button);

    // Whether anything reacts to a press: something listens to clicked().
    virtual bool isClickable() const;
    // A press, from a click, a key or a screen reader: clicked() once, if enabled and clickable.
    void press();
    QAccessible::Role accessibleRole() const { return role_; }

signals:
    void clicked();

protected:
    // Held down by the pointer, for a pressed look.
    bool isPressed() const { return pressed_; }
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QAccessible::Role role_;
    bool pressed_ = false;
};
