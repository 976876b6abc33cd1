// SPDX-License-Identifier: GPL-3.0-or-later
// Speech through a real PulseAudio server: one the test starts for itself, with a null sink
// on a private socket in its own folders, recorded from the sink's monitor. It never touches
// a sound server of the user. Quick clicks on a mouth must never turn into noise, the last
// word asked for is heard whole, and sound comes back after the server restarts.

#include "helpers/environment_override.h"
#include "helpers/test_registry.h"
#include "speech/engine_speech_service.h"
#include "speech/speech_journal.h"
#include "speech/speech_worker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <sys/prctl.h>

using namespace speech;
using namespace speech_tests;

namespace {

constexpr int Rate = OutputRate; // the null sink runs at the program's rate: samples pass unchanged
constexpr int Quiet = 300;       // what the engines' silence trimming takes as quiet
constexpr int FrameMs = 10;      // for the time above quiet

// A child that dies with the test, even when the test crashes.
void dieWithParent()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

// For the server's tools: nothing of the user's sound setup, not even its cookie file.
QProcessEnvironment toolEnvironment(const QString& folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_COOKIE"), folder + QStringLiteral("/cookie"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    return env;
}

// Records the null sink's monitor: what a listener would have heard.
class Recorder
{
public:
    bool start(const QString& server, const QString& file, QString* why)
    {
        file_ = file;
        QFile::remove(file_);
        process_.setProcessEnvironment(toolEnvironment(QFileInfo(file).path()));
        process_.setStandardOutputFile(file_);
        process_.setStandardErrorFile(QProcess::nullDevice()); // it complains when the server dies
        process_.setChildProcessModifier(dieWithParent);
        process_.start(QStringLiteral("parec"),
                       {QStringLiteral("--server=") + server, QStringLiteral("--device=speakers.monitor"),
                        QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(Rate),
                        QStringLiteral("--channels=1"), QStringLiteral("--raw"), QStringLiteral("--latency-msec=10")});
        if (!process_.waitForStarted(5000)) {
            *why = QStringLiteral("parec does not start: ") + process_.errorString();
            return false;
        }
        return true;
    }

    // The monitor of a running null sink streams all the time, silence included: the
    // recording's first sample is about when the file first grows.
    bool waitForSound(QString* why)
    {
        const bool flowing = waitUntil([&] { return QFileInfo(file_).size() > 0; }, 5000);
        startNs = steadyNow() - QFileInfo(file_).size() / 2 * 1000000000LL / Rate;
        if (!flowing)
            *why = QStringLiteral("nothing comes from the sink's monitor");
        return flowing;
    }

    // What was heard between two steady times (waiting a moment for the last of it).
    std::vector<int16_t> between(qint64 fromNs, qint64 toNs)
    {
        const qint64 first = std::max<qint64>(0, (fromNs - startNs) * Rate / 1000000000LL);
        const qint64 last = std::max<qint64>(first, (toNs - startNs) * Rate / 1000000000LL);
        waitUntil([&] { return QFileInfo(file_).size() >= last * 2 || process_.state() == QProcess::NotRunning; },
                  3000);
        QFile file(file_);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const qint64 end = std::min<qint64>(last, bytes.size() / 2);
        std::vector<int16_t> samples(size_t(std::max<qint64>(0, end - first)));
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.constData() + first * 2, samples.size() * 2);
        return samples;
    }

    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    ~Recorder() { stop(); }

    qint64 startNs = 0; // steady time of the recording's first sample, give or take a few ms

private:
    QString file_;
    QProcess process_;
};

// A PulseAudio server of the test's own: a null sink on a private socket, with its own
// runtime and home folders, and a listener on the sink's monitor for as long as it runs.
class PrivateSoundServer
{
public:
    explicit PrivateSoundServer(const QString& folder) : folder_(folder)
    {
        QDir(folder_).mkpath(QStringLiteral("home"));
        QDir(folder_).mkpath(QStringLiteral("run"));
        QFile::setPermissions(folder_ + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // A null sink left to itself renders two seconds ahead while idle and cannot take that
        // back, so a new stream would wait that long (a sound card rewinds). It starts
        // suspended and runs once the listener has asked for a short latency.
        QFile script(folder_ + QStringLiteral("/server.pa"));
        script.open(QIODevice::WriteOnly);
        script.write(QStringLiteral("load-module module-native-protocol-unix socket=%1 auth-anonymous=1\n"
                                    "load-module module-null-sink sink_name=speakers rate=%2 channels=1 format=s16le\n"
                                    "set-default-sink speakers\n"
                                    "suspend-sink speakers 1\n")
                         .arg(socket())
                         .arg(Rate)
                         .toUtf8());
    }

    ~PrivateSoundServer() { kill(); }

    QString address() const { return QStringLiteral("unix:") + socket(); }

    // Starts the server and its listener, and waits until sound flows.
    bool start(QString* why)
    {
        ++runs_;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), folder_ + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_ + QStringLiteral("/run"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder_ + QStringLiteral("/home/.config"));
        env.remove(QStringLiteral("PULSE_SERVER"));
        env.remove(QStringLiteral("DISPLAY"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setChildProcessModifier(dieWithParent);
        process_.start(QStringLiteral("pulseaudio"),
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--system=no",
                        "--realtime=no", "--high-priority=no", "--disable-shm=yes", "--log-target=stderr",
                        "--log-level=error", "-F", folder_ + QStringLiteral("/server.pa")});
        if (!process_.waitForStarted(5000)) {
            *why = QStringLiteral("pulseaudio does not start: ") + process_.errorString();
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (!pactl({QStringLiteral("info")})) {
            if (process_.state() != QProcess::Running) {
                *why = QStringLiteral("pulseaudio ended at start (exit code %1)").arg(process_.exitCode());
                return false;
            }
            if (waited.elapsed() > 10000) {
                *why = QStringLiteral("pulseaudio does not answer on ") + address();
                return false;
            }
            QThread::msleep(20);
        }
        ear = std::make_unique<Recorder>();
        if (!ear->start(address(), folder_ + QStringLiteral("/heard-%1.raw").arg(runs_), why))
            return false;
        // The listener's stream is there once the server lists it.
        waitUntil([&] { return pactl({"list", "short", "source-outputs"}, true); }, 5000);
        if (!pactl({"suspend-sink", "speakers", "0"})) {
            *why = QStringLiteral("the null sink does not resume");
            return false;
        }
        return ear->waitForSound(why);
    }

    // The server dies at once, as a crashed one does.
    void kill()
    {
        if (process_.state() != QProcess::NotRunning) {
            ::kill(pid_t(process_.processId()), SIGKILL);
            process_.waitForFinished(5000);
        }
        ear.reset();
    }

    std::unique_ptr<Recorder> ear;

private:
    QString socket() const { return folder_ + QStringLiteral("/native"); }

    // Runs pactl on this server; with needOutput, it must also print something.
    bool pactl(const QStringList& args, bool needOutput = false) const
    {
        QProcess tool;
        tool.setProcessEnvironment(toolEnvironment(folder_));
        tool.start(QStringLiteral("pactl"), QStringList{QStringLiteral("--server=") + address()} + args);
        return tool.waitForFinished(3000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0
            && (!needOutput || !tool.readAllStandardOutput().trimmed().isEmpty());
    }

    QString folder_;
    QProcess process_;
    int runs_ = 0;
};

// What was heard, in frames of 10 ms.
struct Hearing
{
    std::vector<int16_t> samples;
    int peak = 0;
    int loudMs = 0;      // frames with any sample louder than quiet
    long firstLoud = -1; // sample index
    long lastLoud = -1;
};

Hearing listen(std::vector<int16_t> samples)
{
    Hearing h;
    const size_t frame = Rate * FrameMs / 1000;
    for (size_t at = 0; at + frame <= samples.size(); at += frame) {
        int framePeak = 0;
        for (size_t i = at; i < at + frame; ++i) {
            const int level = std::abs(int(samples[i]));
            framePeak = std::max(framePeak, level);
            if (level > Quiet) {
                if (h.firstLoud < 0)
                    h.firstLoud = long(i);
                h.lastLoud = long(i);
            }
        }
        h.peak = std::max(h.peak, framePeak);
        if (framePeak > Quiet)
            h.loudMs += FrameMs;
    }
    h.samples = std::move(samples);
    return h;
}

QString describe(const Hearing& h)
{
    return QStringLiteral("peak %1, above quiet %2 ms").arg(h.peak).arg(h.loudMs);
}

// Whether what was heard ends with the whole word, as heard alone: the loudness of every
// 10 ms matches, its beginning included. Flite's unvoiced sounds are noise, so two utterances
// of a word differ by some percent and its quiet edges by a few milliseconds: the word is
// looked for within 20 ms of where the last sound puts it.
bool endsWithWholeWord(const Hearing& heard, const Hearing& word, QString* detail)
{
    const long bucket = Rate / 100;
    const long buckets = (word.lastLoud - word.firstLoud + 1) / bucket;
    const auto energy = [](const std::vector<int16_t>& s) {
        std::vector<double> sums(s.size() + 1, 0.0);
        for (size_t i = 0; i < s.size(); ++i)
            sums[i + 1] = sums[i] + double(s[i]) * s[i];
        return sums;
    };
    const std::vector<double> heardSums = energy(heard.samples);
    const std::vector<double> wordSums = energy(word.samples);
    const auto level = [bucket](const std::vector<double>& sums, long from) {
        return std::sqrt((sums[size_t(from + bucket)] - sums[size_t(from)]) / double(bucket));
    };
    double total = 0;
    for (long k = 0; k < buckets; ++k)
        total += level(wordSums, word.firstLoud + k * bucket);
    double best = -1;
    bool beginning = false;
    const long reach = Rate / 50;
    for (long lag = -reach; lag <= reach; ++lag) {
        const long from = heard.lastLoud + 1 - (word.lastLoud + 1 - word.firstLoud) + lag;
        if (from < 0 || from + buckets * bucket > long(heard.samples.size()))
            continue;
        double difference = 0;
        double start = 0;
        double startExpected = 0;
        for (long k = 0; k < buckets; ++k) {
            const double got = level(heardSums, from + k * bucket);
            const double expected = level(wordSums, word.firstLoud + k * bucket);
            difference += std::fabs(got - expected);
            if (k < 4) {
                start += got;
                startExpected += expected;
            }
        }
        if (best < 0 || difference < best) {
            best = difference;
            beginning = start > startExpected / 2 && start < startExpected * 2;
        }
    }
    if (best < 0 || total <= 0) {
        *detail = QStringLiteral("too little was heard");
        return false;
    }
    *detail = QStringLiteral("the last %1 ms differ from the word alone by %2 %%3")
                  .arg(buckets * 10)
                  .arg(100.0 * best / total, 0, 'f', 1)
                  .arg(beginning ? QString() : QStringLiteral(", and its beginning is not the word's"));
    return beginning && best <= 0.1 * total; // a 20 ms gap inside the word makes some 17 %
}

// Counts the speech log's warnings about the audio output, from any thread.
struct OutputWarnings
{
    OutputWarnings() { previous = qInstallMessageHandler(&OutputWarnings::handle); }
    ~OutputWarnings() { qInstallMessageHandler(previous); }

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (QByteArray(context.category) == "munchora.speech") {
            if (type == QtWarningMsg && message.contains(QLatin1String("audio output failed")))
                ++failed;
            if (message.contains(QLatin1String("audio output is back")))
                ++back;
        }
        previous(type, context, message);
    }

    static inline QtMessageHandler previous = nullptr;
    static inline std::atomic<int> failed{0};
    static inline std::atomic<int> back{0};
};

bool waitForFirstAudio(Journal& journal, const QString& text, bool onLine, int limitMs)
{
    return waitUntil(
        [&] {
            QMutexLocker lock(&journal.mutex);
            for (const auto& e : journal.entries)
                if (e.event == EngineSpeechService::Event::FirstAudio && e.text == text && e.sink == onLine)
                    return true;
            return false;
        },
        limitMs);
}

} // namespace

class TestSoundServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStringList missing;
        for (const char* tool : {"pulseaudio", "pactl", "parec"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                missing << QString::fromLatin1(tool);
        if (missing.isEmpty())
            return;
        const QString why = QStringLiteral("%1 missing (scripts/install-deps installs pulseaudio and pulseaudio-utils)")
                                .arg(missing.join(QStringLiteral(", ")));
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }

    void quickClicksNeverTurnIntoNoise()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        PrivateSoundServer server(folder.path());
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        EnvironmentOverride pulse("PULSE_SERVER", server.address());
        EnvironmentOverride cookie("PULSE_COOKIE", folder.path() + QStringLiteral("/cookie"));

        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service({.warmUp = false});
        journal.attach(service);
        auto mouth = service.openChannel(QStringLiteral("Form2"));
        mouth->speak(QStringLiteral("ready"));
        QVERIFY(pollUntilSilent(*mouth, 10000) >= 0);
        QVERIFY2(journal.usedSink(), "the speech did not reach the test's sound server");

        // Each part is heard from its first click to a moment after its last word.
        const auto hear = [&](qint64 from) {
            QThread::msleep(400);
            return listen(server.ear->between(from, steadyNow()));
        };
        const QString word = QStringLiteral("chocolate");
        QThread::msleep(1000); // the line pauses when there is nothing to say: the word wakes it
        qint64 from = steadyNow();
        mouth->speak(word);
        QVERIFY(pollUntilSilent(*mouth, 10000) >= 0);
        const Hearing once = hear(from);
        qInfo().noquote() << "the word once:"
                          << describe(once)
                + QStringLiteral(", first heard %1 ms after speak")
                      .arg(double(once.firstLoud) * 1000 / Rate, 0, 'f', 1);
        QVERIFY2(once.loudMs > 200 && once.peak > 3000, qPrintable(describe(once)));
        QVERIFY2(endsWithWholeWord(once, once, &why), qPrintable(why));

        // Fifty clicks 15 ms apart, each a stop and a speak.
        from = steadyNow();
        for (int click = 0; click < 50; ++click) {
            mouth->stop();
            mouth->speak(word);
            QThread::msleep(15);
        }
        QVERIFY(pollUntilSilent(*mouth, 10000) >= 0);
        const Hearing fifty = hear(from);
        qInfo().noquote() << "fifty clicks 15 ms apart:" << describe(fifty);
        // Flite's unvoiced sounds are noise: the same word peaks a few percent apart.
        QVERIFY2(fifty.peak <= once.peak * 110 / 100, qPrintable(describe(fifty)));
        QVERIFY2(fifty.loudMs <= once.loudMs + 60, qPrintable(describe(fifty)));
        QVERIFY2(endsWithWholeWord(fifty, once, &why), qPrintable(why));
        qInfo().noquote() << "  " << why;

        // Ten clicks 100 to 300 ms apart: each starts the word again, no click is louder
        // than the word, and what a click cuts off ends within a few tens of milliseconds.
        const int pauses[] = {100, 250, 150, 300, 120, 200, 280, 110, 180, 0};
        int clicking = 0;
        from = steadyNow();
        for (int pause : pauses) {
            mouth->stop();
            mouth->speak(word);
            QThread::msleep(ulong(pause));
            clicking += pause;
        }
        QVERIFY(pollUntilSilent(*mouth, 10000) >= 0);
        const Hearing ten = hear(from);
        qInfo().noquote() << "ten clicks 100-300 ms apart:" << describe(ten);
        QVERIFY2(ten.peak <= once.peak * 110 / 100, qPrintable(describe(ten)));
        // A word cut off sounds until its click and some 60 ms more (what the server already
        // held, and the fade).
        QVERIFY2(ten.loudMs <= clicking + once.loudMs + 9 * 60, qPrintable(describe(ten)));
        QVERIFY2(endsWithWholeWord(ten, once, &why), qPrintable(why));
        qInfo().noquote() << "  " << why;

        mouth.reset();
        service.shutdown();
    }

    void soundComesBackAfterTheServerRestarts()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        PrivateSoundServer server(folder.path());
        QString why;
        QVERIFY2(server.start(&why), qPrintable(why));
        EnvironmentOverride pulse("PULSE_SERVER", server.address());
        EnvironmentOverride cookie("PULSE_COOKIE", folder.path() + QStringLiteral("/cookie"));
        OutputWarnings warnings;
        OutputWarnings::failed = 0;
        OutputWarnings::back = 0;

        Journal journal; // outlives the service, which reports to it until it stops
        EngineSpeechService service({.warmUp = false});
        journal.attach(service);
        auto mouth = service.openChannel(QStringLiteral("Form5"));
        mouth->speak(QStringLiteral("ready"));
        QVERIFY(pollUntilSilent(*mouth, 10000) >= 0);
        QVERIFY2(journal.usedSink(), "the speech did not reach the test's sound server");

        // The server dies in the middle of a sentence.
        const QString sentence = QStringLiteral("I like chicken and I like chips and I like chocolate");
        const double sentenceSeconds = synthesizeSpeech(1, 135, sentence).seconds();
        mouth->speak(sentence);
        QVERIFY(waitForFirstAudio(journal, sentence, true, 5000));
        QThread::msleep(300);
        server.kill();
        const qint64 killedAt = steadyNow();
        QVERIFY2(pollUntilSilent(*mouth, 10000) >= 0, "the sentence never ended");
        // It kept its time on the clock.
        QVERIFY2(steadyNow() - killedAt < qint64(sentenceSeconds * 1e9),
                 qPrintable(QStringLiteral("%1 ms after the kill").arg((steadyNow() - killedAt) / 1000000)));

        // Screens go on speaking meanwhile, with the same timing, silently.
        const QString word = QStringLiteral("apple");
        const double wordSeconds = synthesizeSpeech(1, 135, word).seconds();
        const auto sayWord = [&] {
            QElapsedTimer took;
            took.start();
            mouth->speak(word);
            const bool ended = pollUntilSilent(*mouth, 10000) >= 0;
            // Far longer: a wait on the lost server, not a slow machine.
            return ended && took.elapsed() < qint64(wordSeconds * 1000) + 2000;
        };
        QElapsedTimer down;
        down.start();
        while (down.elapsed() < 1500)
            QVERIFY2(sayWord(), "a word took far longer than itself with the server gone");

        const qint64 restartAt = steadyNow();
        QVERIFY2(server.start(&why), qPrintable(why));
        // Words go on until one is heard: the output finds the server again by itself. How soon
        // is printed, not judged: a loaded machine takes longer.
        QElapsedTimer up;
        up.start();
        qint64 heardAt = -1;
        while (heardAt < 0 && up.elapsed() < 20000) {
            QVERIFY2(sayWord(), "a word took far longer than itself after the server came back");
            QThread::msleep(200);
            const Hearing after = listen(server.ear->between(restartAt, steadyNow()));
            if (after.firstLoud >= 0)
                heardAt = std::max(restartAt, server.ear->startNs) + qint64(after.firstLoud) * 1000000000LL / Rate;
        }
        QVERIFY2(heardAt >= 0, "no sound in the 20 s after the server came back");
        qInfo().noquote() << QStringLiteral("sound back %1 ms after the server was started again")
                                 .arg(double(heardAt - restartAt) / 1e6);
        QVERIFY(waitForFirstAudio(journal, word, true, 100));

        // One warning for the outage, not one per text.
        QCOMPARE(OutputWarnings::failed.load(), 1);
        QCOMPARE(OutputWarnings::back.load(), 1);

        mouth.reset();
        service.shutdown();
    }
};

MUNCHORA_TEST(TestSoundServer)
#include "test_sound_server.moc"
