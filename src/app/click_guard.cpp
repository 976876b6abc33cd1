#include "app/click_guard.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWindow>
#include <cmath>

namespace {
ClickGuard* theGuard = nullptr;
// A finger on a whiteboard lands a little apart for its second tap.
constexpr double SameSpot = 24.0;
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
    guard->armed_ = true;
    guard->armedWithPress_ = guard->havePress_;
    guard->armPressTime_ = guard->pressTime_;
    guard->armPressAt_ = guard->pressAt_;
    // A switch made while the button is still down: its release is not for the new screen.
    if (guard->buttonDown_)
        guard->dropRelease_ = true;
}

bool ClickGuard::eventFilter(QObject* watched, QEvent* event)
{
    // Input from the window system reaches a window first, then the widget under the pointer:
    // judging it once, at the window, is enough.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick
        && type != QEvent::MouseButtonRelease)
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
    if (type == QEvent::MouseButtonDblClick)
        return dropping_;

    // A press.
    buttonDown_ = true;
    const quint64 time = mouse->timestamp();
    const QPointF at = mouse->globalPosition();
    bool drop = false;
    if (armed_) {
        armed_ = false;
        const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        const double near = std::max<double>(SameSpot, QGuiApplication::styleHints()->mouseDoubleClickDistance());
        drop = armedWithPress_ && time >= armPressTime_ && time - armPressTime_ <= quint64(interval)
            && std::hypot(at.x() - armPressAt_.x(), at.y() - armPressAt_.y()) <= near;
    }
    havePress_ = true;
    pressTime_ = time;
    pressAt_ = at;
    dropping_ = drop;
    return drop;
}
