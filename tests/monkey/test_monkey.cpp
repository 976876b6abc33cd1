// SPDX-License-Identifier: GPL-3.0-or-later
// Random input on the whole program, and going to a screen and back again and again: the
// program must neither crash nor lose track of its screens, and memory must not pile up.

#include "exercises/exercise_screen.h"
#include "helpers/monkey.h"
#include "helpers/soak.h"
#include "helpers/stall_meter.h"
#include "helpers/test_registry.h"
#include "shell/app_window.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

// The monkey's run is long by design, longer than QtTest's five minutes per test function.
[[maybe_unused]] const bool longRunsAllowed = [] {
    if (qEnvironmentVariableIsEmpty("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "1800000");
    return true;
}();

long eventsFromEnvironment()
{
    bool ok = false;
    const long events = qEnvironmentVariable("MUNCHORA_MONKEY_EVENTS").toLong(&ok);
    if (ok && events > 0)
        return events;
#if defined(__SANITIZE_ADDRESS__)
    return 20000; // the build that catches what a crash would only hint at gets the full run
#else
    return 2000;
#endif
}

void busyFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {}
}

int tripsFromEnvironment()
{
    bool ok = false;
    const int trips = qEnvironmentVariable("MUNCHORA_SOAK_TRIPS").toInt(&ok);
    if (ok && trips > 100)
        return trips;
#if defined(__SANITIZE_ADDRESS__)
    return 500;
#else
    return 150;
#endif
}

} // namespace

class TestMonkey : public QObject
{
    Q_OBJECT
private slots:
    void theStallMeterCountsWorkNotSleep()
    {
        StallMeter meter;
        meter.resume();
        runEventLoopFor(300); // asleep: nothing to do
        meter.pause();
        QVERIFY2(meter.longestNs() < 150'000'000, qPrintable(QString::number(meter.longestNs() / 1e6)));
        QVERIFY(meter.beats() > 0);

        // A handler that keeps the thread for 250 ms, inside an event loop.
        meter.resume();
        QTimer::singleShot(10, [] { busyFor(250); });
        runEventLoopFor(400);
        meter.pause();
        QVERIFY(meter.longestNs() >= 240'000'000);
        QVERIFY(meter.longestNs() < 1'000'000'000);

        // The driver's own time between its events is not the program's.
        const qint64 before = meter.longestNs();
        busyFor(300);
        meter.resume();
        QCoreApplication::processEvents();
        meter.pause();
        QCOMPARE(meter.longestNs(), before);
    }

    void theMonkeyReachesEveryScreenAndNothingBreaks()
    {
        const quint64 seed = Monkey::seedFromEnvironment();
        const long events = eventsFromEnvironment();
        std::printf("monkey seed %llu (replay: MUNCHORA_MONKEY_SEED=%llu), %ld events\n",
                    static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed), events);
        std::fflush(stdout);
        Monkey monkey(seed);
        const MonkeyReport report = monkey.run(events, [](long done, long total) {
            std::printf("  %ld / %ld events\n", done, total);
            std::fflush(stdout);
        });
        std::printf("%s\n", qPrintable(report.summary()));
        QCOMPARE(report.events, events);
        QVERIFY2(report.inconsistencies.isEmpty(), qPrintable(report.inconsistencies.join(QLatin1Char('\n'))));
        QVERIFY2(report.unreached.isEmpty(), qPrintable(report.unreached.join(QLatin1Char(' '))));
    }

    void goingToEveryScreenAndBackDoesNotPileUpMemory()
    {
        Soak soak(Monkey::seedFromEnvironment());
        const int Trips = tripsFromEnvironment();
        long at100 = 0;
        for (int trip = 1; trip <= Trips; ++trip) {
            QVERIFY2(soak.roundTrip(), qPrintable(QStringLiteral("trip %1 (%2)").arg(trip).arg(soak.state())));
            if (trip == 100)
                at100 = residentKb();
        }
        const long growth = residentKb() - at100;
        std::printf("soak: %d round trips, RSS after 100: %ld kB, after %d: %ld kB, growth %ld kB\n", Trips, at100,
                    Trips, residentKb(), growth);
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer keeps freed memory aside (256 MB) before it reuses it.
        constexpr long limitKb = 320 * 1024;
#else
        constexpr long limitKb = 40 * 1024;
#endif
        QVERIFY2(growth < limitKb, qPrintable(QString::number(growth)));
    }
};

MUNCHORA_TEST(TestMonkey)
#include "test_monkey.moc"
