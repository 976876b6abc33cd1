// SPDX-License-Identifier: GPL-3.0-or-later
// The speed scale as heard: how long each offered voice takes to say a sentence at every
// Velocita from 50 to 200 in steps of 5, and how much longer each step down makes it.
//
//   bench_speech_speed [text]

#include "speech/engine_speech_service.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString text = args.size() > 1 ? args[1] : QStringLiteral("I like apples and I like bananas");
    EngineSpeechService service({.audio = false, .warmUp = false});
    const int voices = service.voiceCount();

    std::printf("Seconds to say \"%s\" (silence trimmed), by Velocita; 135 is the default.\n\n", qPrintable(text));
    std::printf("%8s", "speed");
    for (int v = 1; v <= voices; ++v)
        std::printf(" %9d", v);
    std::printf("\n");
    std::vector<std::vector<double>> seconds(static_cast<size_t>(voices));
    for (int speed = 200; speed >= 50; speed -= 5) {
        std::printf("%8d", speed);
        for (int v = 1; v <= voices; ++v) {
            const double s = synthesizeSpeech(v, speed, text).seconds();
            seconds[size_t(v - 1)].push_back(s);
            std::printf(" %9.2f", s);
        }
        std::printf("\n");
    }
    std::printf("\nEach step of 5 slower makes the sentence longer by (smallest / median / largest):\n");
    for (int v = 1; v <= voices; ++v) {
        std::vector<double> steps;
        const auto& s = seconds[size_t(v - 1)];
        for (size_t i = 1; i < s.size(); ++i)
            steps.push_back((s[i] / s[i - 1] - 1) * 100);
        std::sort(steps.begin(), steps.end());
        std::printf("%2d %-22s %5.1f %% / %5.1f %% / %5.1f %%\n", v, qPrintable(service.voiceName(v)), steps.front(),
                    steps[steps.size() / 2], steps.back());
    }
    return 0;
}
