// Start-up benchmark: time from process start to the first painted frame of the window, and
// peak resident memory, for the program's start-up and for a bare Qt window with one label
// (bench_startup_bare), each started RUNS times as a fresh process, alternately.
//
//   bench_startup [RUNS] [SETTLE_MS]
//
// The platform is the one of the environment (QT_QPA_PLATFORM; offscreen when there is no
// display); bench/startup.sh runs it offscreen and under Xvfb. The program's start-up is
// Modulo1::Main itself, run in a child ("--child") that notes its first painted frame.

#include "app/app_window.h"
#include "app/modulo1.h"
#include "bench_tools.h"
#include "startup_first_paint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

int runChildStartUp(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("munchora")); // as src/main.cpp
    startup_bench::FirstPaint firstPaint(
        [](QObject* object) { return qobject_cast<AppWindow*>(object) != nullptr; },
        startup_bench::settleMsFrom(argc, argv));
    return Modulo1::Main();
}

struct Sample
{
    double startupMs = -1;
    double rssAtPaintMb = -1;
    double peakRssMb = -1;
};

Sample runOnce(const std::string& program, int settleMs)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string settle = std::to_string(settleMs);
    char* const args[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--child"),
                          const_cast<char*>(settle.c_str()), nullptr};

    const long long started = startup_bench::monotonicNs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);

    Sample sample;
    long long paintNs = 0;
    long rssKb = -1;
    if (const char* p = std::strstr(text.c_str(), "paint_ns "))
        paintNs = std::atoll(p + 9);
    if (const char* p = std::strstr(text.c_str(), "rss_at_paint_kb "))
        rssKb = std::atol(p + 16);
    if (paintNs > 0)
        sample.startupMs = double(paintNs - started) / 1e6;
    sample.rssAtPaintMb = rssKb / 1024.0;
    sample.peakRssMb = usage.ru_maxrss / 1024.0; // kB on Linux
    return sample;
}

struct Series
{
    std::vector<double> ms, rssAtPaint, peak;
    int failed = 0;
    void add(const Sample& s)
    {
        if (s.startupMs < 0) {
            ++failed;
            return;
        }
        ms.push_back(s.startupMs);
        rssAtPaint.push_back(s.rssAtPaintMb);
        peak.push_back(s.peakRssMb);
    }
    void print(const char* name) const
    {
        const double lo = ms.empty() ? -1 : *std::min_element(ms.begin(), ms.end());
        const double hi = ms.empty() ? -1 : *std::max_element(ms.begin(), ms.end());
        std::printf("%-24s %8.1f  %6.1f..%-7.1f %12.1f %14.1f %6d\n", name, median(ms), lo, hi,
                    median(rssAtPaint), median(peak), failed);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0)
        return runChildStartUp(argc, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int settleMs = argc > 2 ? std::atoi(argv[2]) : 2000;

    // The children get a runtime and configuration folder of their own: their lock and
    // settings never meet a copy of the program really running.
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home.path() + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    setenv("XDG_RUNTIME_DIR", qPrintable(home.path() + QStringLiteral("/run")), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.path()), 1);
    if (!getenv("QT_QPA_PLATFORM") && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* platform = getenv("QT_QPA_PLATFORM");

    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string folder = QFileInfo(QString::fromLocal8Bit(self, int(std::max<ssize_t>(length, 0))))
                                   .absolutePath().toStdString();
    const std::string program = folder + "/bench_startup";
    const std::string bare = folder + "/bench_startup_bare";

    // One start of each, not counted, so both find the libraries in the page cache.
    runOnce(program, 0);
    runOnce(bare, 0);
    Series app, yardstick;
    for (int i = 0; i < runs; ++i) {
        app.add(runOnce(program, settleMs));
        yardstick.add(runOnce(bare, settleMs));
    }

    std::printf("start-up to first painted frame, platform %s, %d runs each, process kept %d ms\n",
                platform ? platform : "default (display)", runs, settleMs);
    std::printf("%-24s %8s  %-14s %12s %14s %6s\n", "", "median ms", "min..max ms",
                "RSS@paint MB", "peak RSS MB", "failed");
    app.print("munchora start-up");
    yardstick.print("bare Qt window (label)");
    std::printf("ratio of medians: time %.2f, peak memory %.2f\n", median(app.ms) / median(yardstick.ms),
                median(app.peak) / median(yardstick.peak));
    return app.failed || yardstick.failed ? 1 : 0;
}
