// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/click_guard.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWindow>

#include <cmath>

namespace {
ClickGuard* theGuard = nullptr;
// A finger on a whiteboard lands a little apart for its second tap.
constexpr double SameSpot = 24.0;

// Quick clicks on a scroll bar's arrow are meant one by one (faster, faster): they are no
// answer, so they keep Qt's own handling.
bool quickClicksAddUp(QPointF global)
{
    for (QWidget* w = QApplication::widgetAt(global.toPoint()); w; w = w->parentWidget()) {
        if (qobject_cast<QAbstractSlider*>(w))
            return true;
        if (w->isWindow())
            break;
    }
    return false;
}
} // namespace

ClickGuard* ClickGuard::instance()
{
    if (!theGuard && QCoreApplication::instance()) {
        theGuard = new ClickGuard;
        theGuard->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(theGuard);
    }
    return theGuard;
}

void ClickGuard::install()
{
    instance();
}

void ClickGuard::arm()
{
    ClickGuard* guard = instance();
    if (!guard)
        return;
    // A switch made while the button is still down: its release is not for the new screen.
    // The second click of a double click begun before the switch is dropped as any other.
    if (guard->buttonDown_)
        guard->dropRelease_ = true;
}

bool ClickGuard::isSecondClick(quint64 time, QPointF at, Qt::MouseButton button) const
{
    if (!havePress_ || button != pressButton_ || time < pressTime_)
        return false;
    const QStyleHints* hints = QGuiApplication::styleHints();
    const double near = std::max<double>(SameSpot, hints->mouseDoubleClickDistance());
    return time - pressTime_ <= quint64(hints->mouseDoubleClickInterval())
        && std::hypot(at.x() - pressAt_.x(), at.y() - pressAt_.y()) <= near;
}

bool ClickGuard::eventFilter(QObject* watched, QEvent* event)
{
    // Input from the window system (touch taps made into clicks included) reaches a window
    // first, then the widget under the pointer: judging it once, at the window, is enough.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease)
        return false;
    if (!watched->isWindowType())
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);

    if (type == QEvent::MouseButtonRelease) {
        buttonDown_ = false;
        if (dropping_ || dropRelease_) {
            dropping_ = false;
            dropRelease_ = false;
            return true;
        }
        return false;
    }
    // Qt follows the second press of a double click with a double-click event, which widgets
    // take as one more press: none is passed on.
    if (type == QEvent::MouseButtonDblClick)
        return !passDoubleClick_;

    // A press.
    buttonDown_ = true;
    const quint64 time = mouse->timestamp();
    const QPointF at = mouse->globalPosition();
    passDoubleClick_ = quickClicksAddUp(at);
    dropping_ = !passDoubleClick_ && isSecondClick(time, at, mouse->button());
    if (dropping_)
        return true;
    // The time is counted from the click that counted: a third quick click is part of the
    // same double click.
    havePress_ = true;
    pressTime_ = time;
    pressAt_ = at;
    pressButton_ = mouse->button();
    return false;
}
