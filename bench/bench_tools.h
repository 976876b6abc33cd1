// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small pieces the benchmark programs share.

#include "screens.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

// What a benchmark's main does first: the offscreen platform unless one is named, the
// application, and the run count from the first argument (at least 1) or defaultRuns. Then
// body runs, with the application alive; its result is the program's.
inline int runBench(int argc, char* argv[], int defaultRuns, const std::function<int(int runs)>& body)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    handOverScreens();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : defaultRuns;
    return body(runs);
}

// The median of a series; -1 for an empty one.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median, fastest and slowest of a series of milliseconds.
struct Figures
{
    double median, minimum, maximum;
};

inline Figures figuresOf(const std::vector<double>& values)
{
    if (values.empty())
        return {-1, -1, -1};
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return {median(values), *low, *high};
}

// Times work (milliseconds) runs times, with prepare run before each and not timed.
inline Figures measure(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        prepare();
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return figuresOf(times);
}

// Sends the deferred deletions, so unloaded screens are really gone. Private to each
// benchmark: the monkey and the soak link the tests' helpers, which have one of their own.
namespace {
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
} // namespace
