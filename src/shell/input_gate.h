// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// While a screen waits for its speech it takes no input. The gate holds what the child does
// meanwhile: the window's clicks, keys and touches, and a screen reader's presses (which do
// not come through the window system). When the wait ends they are handed on in the order they
// came, one at a time, or thrown away, as the screen chose. A press handed on that starts a new
// wait leaves the rest held for that one.

#include <QObject>

#include <functional>
#include <memory>

class QWidget;

namespace InputGate {

enum class Afterwards {
    Handle, // what was held is handled once the wait is over, in order
    Drop,   // what was held is thrown away
};

// Runs a press now, or, while a Hold lives or held input is still being handed on, after it.
// The press is forgotten if the receiver is gone by then.
void press(QObject* receiver, std::function<void()> action);

// Whether presses are being held.
bool holding();
// Nothing held and nothing left to hand on.
bool idle();

// Holds presses, and the user input of `window` (a top-level widget), for its lifetime; what it
// still holds when it goes is dropped.
class Hold
{
public:
    explicit Hold(QWidget* window = nullptr);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // Ends the hold: what it held is handed on from the event loop, or dropped.
    void release(Afterwards afterwards);

private:
    int id_;
    bool released_ = false;
};

} // namespace InputGate
