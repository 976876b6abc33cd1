// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up benchmark, as a new user sees the program start: the real program (build/munchora)
// and a bare Qt window with one label (bench_startup_bare) are each started RUNS times,
// alternately, every start with a fresh home folder. For each start:
//   first paint  - from just before exec to the first painted frame of the window;
//   peak RSS     - the highest resident memory until 3 s after that frame;
//   CPU          - user + system time of all threads until 3 s after that frame
//                  (and, apart, until the frame).
// The frame is noted by bench_startup_probe, loaded into both programs with LD_PRELOAD.
//
//   bench_startup [RUNS] [PROGRAM...]
//   bench_startup --welcome [RUNS]
//
// Each PROGRAM given (a build of the program to compare, say) gets a row of its own, all
// started in turn with the bare window in the same batch; by default the build's own.
//
// --welcome times the splash's welcome instead: from its Speak to its first samples handed to
// the audio line (or to the silent clock), in the program's own start-up, run in a child of
// this program with a fresh home folder each time.
//
// The display is the environment's (bench/startup.sh starts Xvfb at 1920x1080 with a window
// manager); with none, the offscreen platform.

#include "startup.h"

#include "bench_tools.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "speech/engine_speech_service.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// A user's runtime folder (where the program keeps its lock) is on a memory file system
// (/run/user/UID): a fresh one for each start, on /dev/shm when there is one, as a disk
// would make the lock's flush to disk cost what it never costs a user.
struct RuntimeFolder
{
    RuntimeFolder()
        : dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                  ? QStringLiteral("/dev/shm/munchora-bench-XXXXXX")
                  : QDir::tempPath() + QStringLiteral("/munchora-bench-XXXXXX"))
    {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString path() const { return dir.path(); }
    QTemporaryDir dir;
};

struct Sample
{
    double paintMs = -1;
    double peakMb = -1;
    double cpuS = -1;
    double cpuAtPaintS = -1;
};

long long valueAfter(const QByteArray& text, const char* key)
{
    const int at = text.indexOf(key);
    return at < 0 ? -1
                  : QByteArray(text.constData() + at + std::strlen(key)).split('\n').value(0).trimmed().toLongLong();
}

// Starts program once with a home folder of its own and waits for the probe's report.
Sample runOnce(const std::string& program, const std::string& probe)
{
    QTemporaryDir home;
    const RuntimeFolder runtimeFolder;
    const QString runtime = runtimeFolder.path();
    const QString report = home.path() + QStringLiteral("/probe.txt");

    // The environment of a user who never ran the program: only the home folder is new.
    std::vector<std::string> env;
    static const char* const dropped[] = {
        "HOME=",       "XDG_CONFIG_HOME=",  "XDG_CACHE_HOME=", "XDG_DATA_HOME=", "XDG_RUNTIME_DIR=",
        "LD_PRELOAD=", "STARTUP_PROBE_OUT="};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (std::none_of(std::begin(dropped), std::end(dropped),
                         [&](const char* name) { return entry.rfind(name, 0) == 0; }))
            env.push_back(entry);
    }
    env.push_back("HOME=" + home.path().toStdString());
    env.push_back("XDG_RUNTIME_DIR=" + runtime.toStdString());
    env.push_back("LD_PRELOAD=" + probe);
    env.push_back("STARTUP_PROBE_OUT=" + report.toStdString());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* const args[] = {const_cast<char*>(program.c_str()), nullptr};
    const long long started = monotonicNs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, args, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    // A program that never paints is ended after 30 s and counted as failed.
    int status = 0;
    for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
        if (waited > 30000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return {};
        }
        usleep(10000);
    }
    QFile file(report);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    const long long paintNs = valueAfter(text, "paint_ns ");
    if (paintNs <= 0)
        return {};
    Sample sample;
    sample.paintMs = double(paintNs - started) / 1e6;
    sample.peakMb = double(valueAfter(text, "peak_rss_kb ")) / 1024.0;
    sample.cpuS = double(valueAfter(text, "cpu_us ")) / 1e6;
    sample.cpuAtPaintS = double(valueAfter(text, "cpu_at_paint_us ")) / 1e6;
    return sample;
}

struct Series
{
    std::vector<double> paint, peak, cpu, cpuAtPaint;
    int failed = 0;
    void add(const Sample& s)
    {
        if (s.paintMs < 0) {
            ++failed;
            return;
        }
        paint.push_back(s.paintMs);
        peak.push_back(s.peakMb);
        cpu.push_back(s.cpuS);
        cpuAtPaint.push_back(s.cpuAtPaintS);
    }
};

std::string spread(const std::vector<double>& v, const char* format)
{
    if (v.empty())
        return "-";
    char text[64];
    const std::string f = std::string(format) + " (" + format + ".." + format + ")";
    std::snprintf(text, sizeof text, f.c_str(), median(v), *std::min_element(v.begin(), v.end()),
                  *std::max_element(v.begin(), v.end()));
    return text;
}

void printRow(const char* name, const Series& s)
{
    std::printf("%-16s %-24s %-22s %-22s %-22s %d\n", name, spread(s.paint, "%.0f").c_str(),
                spread(s.peak, "%.1f").c_str(), spread(s.cpu, "%.3f").c_str(), spread(s.cpuAtPaint, "%.3f").c_str(),
                s.failed);
}

// The child of --welcome: the program's start-up, watched.
std::atomic<long long> speakNs{0};

void noteSpeak(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Q_UNUSED(type);
    if (context.category && std::strcmp(context.category, "munchora.speech") == 0
        && message.startsWith(QStringLiteral("FormAvvio: speak")) && speakNs.load() == 0)
        speakNs.store(std::chrono::steady_clock::now().time_since_epoch().count());
}

class WatchWelcome final : public QObject
{
protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        // The window is shown after the speech service starts and before the splash speaks.
        if (!hooked_ && event->type() == QEvent::Show && qobject_cast<AppWindow*>(object)) {
            hooked_ = true;
            if (auto* engine = dynamic_cast<EngineSpeechService*>(&SpeechService::instance()))
                engine->setObserver(
                    [](EngineSpeechService::Event what, const QString&, const QString&, bool sink, qint64 when) {
                        if (what != EngineSpeechService::Event::FirstAudio || speakNs.load() == 0)
                            return;
                        std::printf("welcome_ms %.2f\nsink %d\n", double(when - speakNs.load()) / 1e6, sink ? 1 : 0);
                        std::fflush(stdout);
                        std::_Exit(0);
                    });
        }
        return false;
    }

private:
    bool hooked_ = false;
};

int welcomeChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("munchora"));
    QLoggingCategory::setFilterRules(QStringLiteral("munchora.speech.debug=true"));
    qInstallMessageHandler(noteSpeak);
    WatchWelcome watch;
    app.installEventFilter(&watch);
    QTimer::singleShot(10000, [] { std::_Exit(1); });
    return Modulo1::Main();
}

// Runs the child once in a fresh home folder; the welcome's latency in ms, -1 on failure.
double welcomeOnce(const std::string& self)
{
    QTemporaryDir home;
    const RuntimeFolder runtimeFolder;
    const QString runtime = runtimeFolder.path();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "LD_PRELOAD"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    child.setProcessEnvironment(env);
    child.start(QString::fromStdString(self), {QStringLiteral("--welcome-child")});
    if (!child.waitForFinished(20000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    const QByteArray out = child.readAllStandardOutput();
    const int at = out.indexOf("welcome_ms ");
    return at < 0 ? -1 : out.mid(at + 11).split('\n').value(0).toDouble();
}

int welcomeBench(const std::string& self, int runs)
{
    std::vector<double> ms;
    int failed = 0;
    for (int i = 0; i < runs; ++i) {
        const double m = welcomeOnce(self);
        if (m < 0)
            ++failed;
        else
            ms.push_back(m);
    }
    std::printf("welcome at start-up, Speak -> first audio, %d runs: %s ms, failed %d\n", runs,
                spread(ms, "%.1f").c_str(), failed);
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--welcome-child") == 0)
        return welcomeChild(argc, argv);
    const bool welcome = argc > 1 && std::strcmp(argv[1], "--welcome") == 0;
    if (welcome) {
        --argc;
        ++argv;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!getenv("QT_QPA_PLATFORM") && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* platform = getenv("QT_QPA_PLATFORM");

    char selfName[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", selfName, sizeof selfName - 1);
    const QString selfPath = QString::fromLocal8Bit(selfName, int(std::max<ssize_t>(length, 0)));
    const QString folder = QFileInfo(selfPath).absolutePath();
    const std::string self = selfPath.toStdString();
    if (welcome)
        return welcomeBench(self, runs);

    std::vector<std::string> programs;
    for (int i = 2; i < argc; ++i)
        programs.push_back(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath().toStdString());
    if (programs.empty())
        programs.push_back(QFileInfo(folder + QStringLiteral("/../munchora")).absoluteFilePath().toStdString());
    const std::string bare = (folder + QStringLiteral("/bench_startup_bare")).toStdString();
    const std::string probe = (folder + QStringLiteral("/libbench_startup_probe.so")).toStdString();

    // One start of each, not counted, so all find their files in the page cache.
    for (const std::string& program : programs)
        runOnce(program, probe);
    runOnce(bare, probe);
    std::vector<Series> apps(programs.size());
    Series yardstick;
    for (int i = 0; i < runs; ++i) {
        for (size_t p = 0; p < programs.size(); ++p)
            apps[p].add(runOnce(programs[p], probe));
        yardstick.add(runOnce(bare, probe));
    }

    std::printf("start-up, platform %s%s, %d runs each, alternating; median (min..max)\n", platform ? platform : "xcb",
                getenv("DISPLAY") ? (std::string(" on ") + getenv("DISPLAY")).c_str() : "", runs);
    std::printf("%-16s %-24s %-22s %-22s %-22s %s\n", "", "first paint ms", "peak RSS MB (+3 s)", "CPU s (+3 s)",
                "CPU s (to paint)", "failed");
    bool failed = yardstick.failed > 0;
    for (size_t p = 0; p < programs.size(); ++p) {
        if (programs.size() > 1)
            std::printf("%s\n", programs[p].c_str());
        printRow("munchora", apps[p]);
        std::printf("%-16s %-24.2f %-22.2f %-22.2f %-22.2f\n", "  ratio to bare",
                    median(apps[p].paint) / median(yardstick.paint), median(apps[p].peak) / median(yardstick.peak),
                    median(apps[p].cpu) / median(yardstick.cpu),
                    median(apps[p].cpuAtPaint) / median(yardstick.cpuAtPaint));
        failed = failed || apps[p].failed > 0;
    }
    printRow("bare Qt window", yardstick);
    return failed ? 1 : 0;
}
