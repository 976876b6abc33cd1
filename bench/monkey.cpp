// SPDX-License-Identifier: GPL-3.0-or-later
// The monkey at length: random input from a seed on the whole program, with the real speech
// service on its silent clock. Prints events, screens reached, the longest stall of the
// user-interface thread, events per second and the resident memory at the end.
// Usage: bench_monkey [EVENTS] (default 1000000); MUNCHORA_MONKEY_SEED replays a seed.

#include "helpers/monkey.h"

#include "bench_tools.h"
#include "helpers/stall_meter.h"
#include "shell/accessibility.h"
#include "widgets/fonts.h"

#include <algorithm>
#include <cstdio>

namespace {

int runMonkey(int runs)
{
    installAccessibility();
    loadBundledFonts();
    const long events = runs;
    const quint64 seed = Monkey::seedFromEnvironment();
    std::printf("monkey: seed %llu, %ld events, RSS at start %ld kB\n", static_cast<unsigned long long>(seed), events,
                residentKb());
    std::fflush(stdout);
    long reported = 0;
    int failures = 0;
    {
        Monkey monkey(seed);
        const long step = std::max(1L, std::min(10000L, events / 10));
        MonkeyReport report;
        while (reported < events) {
            const long now = std::min(step, events - reported);
            report = monkey.run(now);
            reported += now;
            std::printf("%9ld events  %7.0f s  %6.0f events/s  longest stall %8.1f ms (%.1f ms on the processor, %s)"
                        "  RSS %7ld kB  ends %d\n",
                        report.events, report.seconds, report.events / std::max(report.seconds, 1e-9),
                        report.longestStallNs / 1e6, report.longestStallCpuNs / 1e6,
                        qPrintable(report.longestStallWhere), report.rssKb, report.programEnds);
            std::fflush(stdout);
        }
        std::printf("%s\n", qPrintable(report.summary()));
        failures = int(report.inconsistencies.size() + report.unreached.size());
    }
    std::printf("RSS at the end %ld kB\n", residentKb());
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    return runBench(argc, argv, 1000000, runMonkey);
}
