// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one random source of the run. Every draw x satisfies 0 <= x < 1.
// Tests install a scripted source so that arrangements and words can be forced.

#include <vector>

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual double next() = 0;

    // The installed source, or the clock-seeded generator of the program.
    static RandomSource& current();
    // Installs a replacement (not owned); nullptr goes back to the program's generator.
    static void install(RandomSource* source);
    // Seeds the program's generator from the clock; done once by start-up.
    static void seedFromClock();
};

// floor(x * n): a choice among n, from 0 to n - 1.
int RandomChoice(int n);
// floor(x * n) + 1 for the n words of the unit in play: a word index from 1 to n.
int RandomWordIndex();
// count different word indices, in the order drawn: each after the first is drawn again,
// without limit, while it equals one drawn before (a unit has at least as many words as any
// screen draws).
std::vector<int> RandomDistinctWords(int count);
