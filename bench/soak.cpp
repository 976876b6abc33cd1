// SPDX-License-Identifier: GPL-3.0-or-later
// The soak: from the menu to a tile's screen, a little speech, "Go back" answered Yes, and
// again, through every tile in turn, with the real speech service on its silent clock.
// Prints the resident memory every 1000 round trips.
// Usage: bench_soak [ROUND_TRIPS] (default 10000).

#include "helpers/soak.h"

#include "bench_tools.h"
#include "helpers/monkey.h"
#include "helpers/stall_meter.h"
#include "shell/accessibility.h"
#include "widgets/fonts.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

int roundTrips(int trips)
{
    installAccessibility();
    loadBundledFonts();
    Soak soak(Monkey::seedFromEnvironment());
    QElapsedTimer clock;
    clock.start();
    std::printf("%8s %10s %14s %8s\n", "switches", "RSS kB", "since 1000 kB", "s");
    std::printf("%8d %10ld %14s %8.1f\n", 0, residentKb(), "", 0.0);
    long at1000 = -1;
    for (int trip = 1; trip <= trips; ++trip) {
        if (!soak.roundTrip()) {
            std::printf("round trip %d did not come back to the menu (%s)\n", trip,
                        qPrintable(soak.program.frontName()));
            return 1;
        }
        if (trip % 1000 == 0) {
            const long rss = residentKb();
            if (trip == 1000)
                at1000 = rss;
            std::printf("%8d %10ld %14ld %8.1f\n", trip, rss, rss - at1000, clock.elapsed() / 1000.0);
            std::fflush(stdout);
        }
    }
    std::printf("longest stall %.1f ms (%s)\n", soak.program.meter.longestNs() / 1e6,
                qPrintable(soak.program.meter.longestWhere()));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return runBench(argc, argv, 10000, roundTrips);
}
