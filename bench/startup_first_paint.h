#pragma once
// Child side of the start-up benchmark: notes the moment the first frame of a top-level
// window has been painted and handed to the window system, prints it, and ends the process
// a little later so the parent can read its peak memory.

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

namespace startup_bench {

inline long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Peak resident memory of this process so far, in kB (VmHWM).
inline long peakRssKb()
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

class FirstPaint : public QObject
{
public:
    // isTarget picks the window whose first frame counts; settleMs is how long the process
    // lives on afterwards (background work such as the speech engines' warm-up included).
    FirstPaint(std::function<bool(QObject*)> isTarget, int settleMs)
        : isTarget_(std::move(isTarget)), settleMs_(settleMs)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (!seen_ && event->type() == QEvent::Paint && object->isWidgetType()
            && static_cast<QWidget*>(object)->isWindow() && isTarget_(object)) {
            seen_ = true;
            // Runs once the paint in progress and its flush to the window system are done.
            QTimer::singleShot(0, [settle = settleMs_] {
                std::printf("paint_ns %lld\nrss_at_paint_kb %ld\n", monotonicNs(), peakRssKb());
                std::fflush(stdout);
                QTimer::singleShot(settle, [] {
                    std::fflush(stdout);
                    std::_Exit(0); // no teardown: only the start-up is being measured
                });
            });
        }
        return false;
    }

private:
    std::function<bool(QObject*)> isTarget_;
    int settleMs_;
    bool seen_ = false;
};

inline int settleMsFrom(int argc, char* argv[])
{
    return argc > 2 ? std::atoi(argv[2]) : 2000;
}

} // namespace startup_bench
