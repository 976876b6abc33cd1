// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a benchmark of the program's screens sets up after its QApplication: the fonts, the
// words, the pictures from the source tree and a mouth that keeps silent, so only the screens
// are measured.

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "speech/engine_speech_service.h"
#include "widgets/fonts.h"

#include <memory>

struct ScreenBench
{
    ScreenBench()
    {
        loadBundledFonts();
        SpeechService::install(speech.get());
        RandomSource::seedFromClock();
        Modulo1::CaricaParole();
        Modulo1::setProgramFolder(QStringLiteral(MUNCHORA_SOURCE_DIR "/assets"));
    }
    ~ScreenBench() { SpeechService::install(nullptr); }

    const std::unique_ptr<SpeechService> speech = createMuteSpeechService();
};
