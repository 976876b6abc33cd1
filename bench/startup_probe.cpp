// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded into a started program with LD_PRELOAD by bench_startup, so the program measured is
// the real, unchanged one. When the application object is made, it starts watching for the
// first painted frame of a window; then it notes the time, waits STARTUP_PROBE_MS
// (3000 unless set), notes peak memory and CPU time, writes them to the file STARTUP_PROBE_OUT
// and ends the process.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>

namespace {

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Peak resident memory of this process so far, in kB.
long peakRssKb()
{
    long kb = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
                break;
        std::fclose(status);
    }
    return kb;
}

long long cpuUs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage); // every thread of the process
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL + usage.ru_utime.tv_usec
        + usage.ru_stime.tv_usec;
}

class FirstPaint final : public QObject
{
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        // The first widget painted: a window all covered by opaque children gets no paint event.
        if (seen_ || event->type() != QEvent::Paint || !object->isWidgetType())
            return false;
        seen_ = true;
        const long long beganNs = monotonicNs();
        // Runs once the paint in progress and its flush to the window system are done.
        QTimer::singleShot(0, [beganNs] {
            const long long paintNs = monotonicNs();
            const long paintRss = peakRssKb();
            const long long paintCpu = cpuUs();
            const char* settle = std::getenv("STARTUP_PROBE_MS");
            QTimer::singleShot(settle ? std::atoi(settle) : 3000, [=] {
                const char* path = std::getenv("STARTUP_PROBE_OUT");
                if (FILE* out = path ? std::fopen(path, "w") : nullptr) {
                    std::fprintf(out,
                                 "paint_began_ns %lld\npaint_ns %lld\nrss_at_paint_kb %ld\ncpu_at_paint_us %lld\n"
                                 "peak_rss_kb %ld\ncpu_us %lld\n",
                                 beganNs, paintNs, paintRss, paintCpu, peakRssKb(), cpuUs());
                    std::fclose(out);
                }
                std::_Exit(0); // no teardown: only the start is measured
            });
        });
        return false;
    }

private:
    bool seen_ = false;
};

void watchFirstPaint()
{
    if (!std::getenv("STARTUP_PROBE_OUT"))
        return;
    qApp->installEventFilter(new FirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstPaint)
