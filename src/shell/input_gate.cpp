// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/input_gate.h"

#include <QPointer>
#include <QTimer>

#include <vector>

namespace InputGate {

namespace {

struct HeldPress
{
    QPointer<QObject> receiver;
    std::function<void()> action;
};

// One list per hold; holds nest when a wait starts inside another.
std::vector<std::vector<HeldPress>> holds;

} // namespace

void press(QObject* receiver, std::function<void()> action)
{
    if (!receiver)
        return;
    if (holds.empty()) {
        action();
        return;
    }
    holds.back().push_back({receiver, std::move(action)});
}

bool holding()
{
    return !holds.empty();
}

Hold::Hold()
{
    holds.emplace_back();
}

Hold::~Hold()
{
    release(Afterwards::Drop);
}

void Hold::release(Afterwards afterwards)
{
    if (released_)
        return;
    released_ = true;
    std::vector<HeldPress> held = std::move(holds.back());
    holds.pop_back();
    if (afterwards == Afterwards::Drop)
        return;
    // From the event loop, not from inside whatever ended the wait; a press that comes while
    // another hold is still on waits for that one as well.
    for (HeldPress& p : held) {
        if (!p.receiver)
            continue;
        QObject* receiver = p.receiver.data();
        QTimer::singleShot(0, receiver, [receiver, action = std::move(p.action)] { press(receiver, action); });
    }
}

} // namespace InputGate
