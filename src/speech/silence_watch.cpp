// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/silence_watch.h"

#include <QCoreApplication>
#include <QTimer>

#include <limits>

SilenceWatch::SilenceWatch(std::function<bool()> speaking, std::function<qint64()> guardEndMs)
    : speaking_(std::move(speaking)), guardEndMs_(std::move(guardEndMs)), guard_(std::make_unique<QTimer>())
{
    guard_->setSingleShot(true);
    QObject::connect(guard_.get(), &QTimer::timeout, guard_.get(), [this] { check(); });
}

SilenceWatch::~SilenceWatch() = default;

void SilenceWatch::add(std::function<void()> then)
{
    waiting_.push_back(std::move(then));
    // From the event loop even when silent now: a caller never runs its own step inside itself.
    QTimer::singleShot(0, guard_.get(), [this] { check(); });
}

void SilenceWatch::post(const std::weak_ptr<SilenceWatch>& watch)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app,
            [watch] {
                if (const std::shared_ptr<SilenceWatch> alive = watch.lock())
                    alive->check();
            },
            Qt::QueuedConnection);
}

void SilenceWatch::check()
{
    if (waiting_.empty()) {
        guard_->stop();
        return;
    }
    if (!speaking_()) {
        guard_->stop();
        std::vector<std::function<void()>> due;
        due.swap(waiting_);
        const std::weak_ptr<bool> alive = alive_;
        for (const std::function<void()>& then : due) {
            then();
            if (alive.expired())
                return; // a step took the mouth away
        }
        return;
    }
    const qint64 ms = guardEndMs_ ? guardEndMs_() : -1;
    if (ms < 0)
        return; // the speech side will tell
    guard_->start(int(std::min<qint64>(ms + 1, std::numeric_limits<int>::max())));
}
