// SPDX-License-Identifier: GPL-3.0-or-later
// Exercise 15's pace: from a right click on the table to the first sound of the next sentence,
// through the program's real speech service (Flite and eSpeak NG) timed on its silent clock, so
// no sound card is needed. The click comes once the sentence before it has been said, as a
// child's does. Median of RUNS answers.
//
//   QT_QPA_PLATFORM=offscreen bench_who_likes [runs]

#include "exercises/who_likes.h"

#include "bench_tools.h"
#include "exercises/silence_wait.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "shell/app_window.h"
#include "speech/engine_speech_service.h"
#include "widgets/bocca.h"
#include "widgets/fonts.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int answerRight(int runs)
{
    loadBundledFonts();
    RandomSource::seedFromClock();
    Modulo1::CaricaParole();
    Modulo1::Velocita = 200; // the quickest speech: the same work, a shorter wait per answer
    Modulo1::setProgramFolder(QStringLiteral(MUNCHORA_SOURCE_DIR "/assets"));

    EngineServiceOptions options;
    options.audio = false;
    EngineSpeechService speech(options);
    while (!speech.warmedUp())
        QTest::qWait(10);
    SpeechService::install(&speech);

    std::mutex mutex;
    qint64 lastFinished = 0, lastFirstAudio = 0;
    speech.setObserver([&](EngineSpeechService::Event event, const QString&, const QString&, bool, qint64 when) {
        std::lock_guard lock(mutex);
        if (event == EngineSpeechService::Event::FirstAudio)
            lastFirstAudio = when;
        else if (event == EngineSpeechService::Event::Finished)
            lastFinished = when;
    });

    AppWindow window;
    window.setGeometry(0, 0, 1920, 1080);
    window.show();
    auto* form = new Form14;
    window.showScreen(form);
    const auto said = [&] { // until everything given has been said
        while (form->silence().waiting() || form->Bocca->SpeakingNow())
            QTest::qWait(1);
    };
    said();

    std::vector<double> toSound, afterEnd;
    for (int i = 0; i < runs; ++i) {
        GridCell* cell = form->Label4[size_t(form->askedCell())];
        qint64 finishedBefore;
        {
            std::lock_guard lock(mutex);
            finishedBefore = lastFinished;
        }
        const qint64 clicked = steadyNs();
        QTest::mouseClick(cell, Qt::LeftButton);
        const auto sounded = [&] {
            std::lock_guard lock(mutex);
            return lastFirstAudio > clicked;
        };
        while (!sounded())
            QTest::qWait(1);
        said();
        std::lock_guard lock(mutex);
        toSound.push_back((lastFirstAudio - clicked) / 1e6);
        afterEnd.push_back((lastFirstAudio - finishedBefore) / 1e6);
    }
    std::printf("%d right answers on exercise 15, silent clock, milliseconds     median      min      max\n", runs);
    auto row = [](const char* what, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%-66s %8.2f %8.2f %8.2f\n", what, median(v), v.front(), v.back());
    };
    row("right click -> first sound of the next sentence", toSound);
    row("end of the sentence before -> first sound of the next", afterEnd);
    speech.setObserver(nullptr);
    window.endProgram();
    SpeechService::install(nullptr);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    return runBench(argc, argv, 50, answerRight);
}
