// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tells the user-interface side that a mouth has fallen silent. The speech side says when a text
// has been heard or its guard time has moved, and the guard time itself is a timer, so nothing
// polls: a screen that waits for silence costs no wake-ups while it waits.

#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

class QTimer;

class SilenceWatch
{
public:
    // speaking: whether the mouth speaks now. guardEndMs: milliseconds from now by which it
    // certainly no longer speaks, whatever the sound system does; negative: no such time.
    SilenceWatch(std::function<bool()> speaking, std::function<qint64()> guardEndMs);
    ~SilenceWatch();
    SilenceWatch(const SilenceWatch&) = delete;
    SilenceWatch& operator=(const SilenceWatch&) = delete;

    // Runs then from the event loop once the mouth is silent (on the next turn when it is
    // silent already).
    void add(std::function<void()> then);
    // The mouth may have fallen silent: it is checked from the user-interface thread's event
    // loop, if the watch still lives then. Any thread.
    static void post(const std::weak_ptr<SilenceWatch>& watch);
    // Checks now: what waited runs when the mouth is silent; else the guard timer is set.
    void check();

private:
    std::function<bool()> speaking_;
    std::function<qint64()> guardEndMs_;
    std::vector<std::function<void()>> waiting_;
    std::unique_ptr<QTimer> guard_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
