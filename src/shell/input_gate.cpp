// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/input_gate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <deque>
#include <vector>

namespace InputGate {

namespace {

// One thing the child did: a window-system event (kept as a copy) or a screen reader's press.
struct Held
{
    int hold = 0; // the hold that took it; 0 once it may be handed on
    QPointer<QObject> receiver;
    std::unique_ptr<QEvent> event;
    std::function<void()> action;
};

bool isUserInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel: return true;
    // A drag goes with its press; the pointer only passing over is no input.
    case QEvent::MouseMove: return static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton;
    default: return false;
    }
}

bool isEscape(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Escape && !key->isAutoRepeat();
}

class Gate final : public QObject
{
public:
    static Gate& instance()
    {
        static Gate* gate = new Gate(QCoreApplication::instance());
        return *gate;
    }

    int open(QWidget* window)
    {
        holds_.push_back(++lastId_);
        if (window)
            window_ = window;
        watch();
        return lastId_;
    }

    void close(int id, Afterwards afterwards)
    {
        holds_.erase(std::remove(holds_.begin(), holds_.end(), id), holds_.end());
        if (afterwards == Afterwards::Drop)
            queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [id](const Held& h) { return h.hold == id; }),
                         queue_.end());
        else
            for (Held& h : queue_)
                if (h.hold == id)
                    h.hold = 0;
        scheduleNext();
        watch();
    }

    void add(QObject* receiver, std::unique_ptr<QEvent> event, std::function<void()> action)
    {
        queue_.push_back({holds_.empty() ? 0 : holds_.back(), receiver, std::move(event), std::move(action)});
        scheduleNext();
    }

    bool holding() const { return !holds_.empty(); }
    bool busy() const { return !holds_.empty() || !queue_.empty(); }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (delivering_ || !event->spontaneous() || !isUserInput(event) || !ofWindow(receiver))
            return false;
        if (isEscape(event)) {
            // Escape is the keyboard's way out, as closing the window is, and is treated as a
            // close: the window takes it now and the screen asks once its wait is over. Held
            // with the clicks, it could be dropped with them.
            delivering_ = true;
            QCoreApplication::sendEvent(window_, event);
            delivering_ = false;
            return true;
        }
        add(receiver, std::unique_ptr<QEvent>(event->clone()), {});
        return true;
    }

private:
    using QObject::QObject;

    bool ofWindow(QObject* receiver) const
    {
        if (!window_)
            return false;
        if (auto* window = qobject_cast<QWindow*>(receiver))
            return window == window_->windowHandle();
        if (auto* widget = qobject_cast<QWidget*>(receiver))
            return widget->window() == window_;
        return false;
    }

    // The filter is on while anything is held or waits to be handed on, and only then.
    void watch()
    {
        const bool wanted = busy();
        if (wanted != filtering_) {
            filtering_ = wanted;
            if (wanted)
                QCoreApplication::instance()->installEventFilter(this);
            else
                QCoreApplication::instance()->removeEventFilter(this);
        }
    }

    void scheduleNext()
    {
        if (scheduled_ || !holds_.empty() || queue_.empty() || queue_.front().hold != 0)
            return;
        scheduled_ = true;
        // From the event loop, one at a time: what one press starts (a new wait) decides what
        // becomes of the next.
        QTimer::singleShot(0, this, [this] {
            scheduled_ = false;
            handOnFirst();
        });
    }

    void handOnFirst()
    {
        if (!holds_.empty() || queue_.empty() || queue_.front().hold != 0) {
            watch();
            return;
        }
        Held next = std::move(queue_.front());
        queue_.pop_front();
        if (next.receiver) {
            if (next.event) {
                delivering_ = true;
                QCoreApplication::sendEvent(next.receiver, next.event.get());
                delivering_ = false;
            } else {
                next.action();
            }
        }
        scheduleNext();
        watch();
    }

    std::vector<int> holds_;
    std::deque<Held> queue_;
    QPointer<QWidget> window_;
    int lastId_ = 0;
    bool filtering_ = false;
    bool scheduled_ = false;
    bool delivering_ = false;
};

} // namespace

void press(QObject* receiver, std::function<void()> action)
{
    if (!receiver)
        return;
    Gate& gate = Gate::instance();
    if (!gate.busy()) {
        action();
        return;
    }
    gate.add(receiver, nullptr, std::move(action));
}

bool holding()
{
    return Gate::instance().holding();
}

bool idle()
{
    return !Gate::instance().busy();
}

Hold::Hold(QWidget* window) : id_(Gate::instance().open(window))
{}

Hold::~Hold()
{
    release(Afterwards::Drop);
}

void Hold::release(Afterwards afterwards)
{
    if (released_)
        return;
    released_ = true;
    Gate::instance().close(id_, afterwards);
}

} // namespace InputGate
