// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/clickable.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>

Clickable::Clickable(QWidget* parent, QAccessible::Role role) : QWidget(parent), role_(role)
{}

bool Clickable::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&Clickable::clicked));
}

void Clickable::press()
{
    if (isEnabled() && isClickable())
        emit clicked(); // may unload this control: nothing may follow
}

void Clickable::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressed_ = true;
    update();
}

void Clickable::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = event->button() == Qt::LeftButton && pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    update();
    if (click)
        press();
}

void Clickable::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            press();
        return;
    default: QWidget::keyPressEvent(event);
    }
}

void Clickable::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        pressed_ = false;
        update();
    }
    QWidget::changeEvent(event);
}
