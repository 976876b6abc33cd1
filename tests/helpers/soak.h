// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A soak for the whole program: from the menu to a screen and back, again and again, on the
// program under test, so memory that piles up shows.

#include "helpers/program_under_test.h"

// Menu -> a tile's screen -> it speaks a little -> "Go back" answered Yes -> menu. Tiles in
// catalogue order, round and round.
class Soak
{
public:
    explicit Soak(quint64 seed);
    ~Soak();
    // One round trip; false when the program did not come back to the menu.
    bool roundTrip(int speakMs = 30);
    int done() const { return done_; }
    // What the program is doing, for a trip that failed: the screen in front and the gate.
    QString state();
    ProgramUnderTest program;

private:
    void toMenu();
    int done_ = 0;
};
