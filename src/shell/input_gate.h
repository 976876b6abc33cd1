// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// While a screen waits for its speech it takes no input. Clicks and keys wait in the window
// system's queue meanwhile (the wait's event loop leaves them there); a screen reader's press
// does not come through that queue, so it waits here instead, and is handled after the wait
// or dropped, as the screen's clicks are.

#include <QObject>

#include <functional>

namespace InputGate {

enum class Afterwards {
    Handle, // what was held is handled once the wait is over, in order
    Drop,   // what was held is thrown away
};

// Runs a press now, or, while a Hold lives, when it is released. The press is forgotten if
// the receiver is gone by then.
void press(QObject* receiver, std::function<void()> action);

// Whether presses are being held.
bool holding();

// Holds presses for its lifetime; what it still holds when it goes is dropped.
class Hold
{
public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // Ends the hold: the held presses are posted to the event loop, or dropped.
    void release(Afterwards afterwards);

private:
    bool released_ = false;
};

} // namespace InputGate
