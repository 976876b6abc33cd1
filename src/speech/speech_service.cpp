// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/speech_service.h"

#include "speech/engine_speech_service.h"

#include <QCoreApplication>

namespace {
SpeechService* installed = nullptr;

std::unique_ptr<SpeechService>& realService()
{
    static std::unique_ptr<SpeechService> real;
    return real;
}

// Runs while the application object is being destroyed, before static destruction: the
// speech thread and its audio line must go while Qt is still there.
void releaseRealService()
{
    realService() = createMuteSpeechService();
}
} // namespace

void SpeechService::start(int firstVoice)
{
    std::unique_ptr<SpeechService>& real = realService();
    if (real)
        return;
    if (QCoreApplication::instance()) {
        real = createEngineSpeechService(firstVoice);
        qAddPostRoutine(releaseRealService);
    } else {
        real = createMuteSpeechService(); // no application: nothing could play anyway
    }
}

SpeechService& SpeechService::instance()
{
    if (installed)
        return *installed;
    start(0);
    return *realService();
}

void SpeechService::install(SpeechService* service)
{
    installed = service;
}
