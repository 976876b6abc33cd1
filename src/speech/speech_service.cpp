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
// speech thread and its audio sinks must go while Qt is still there.
void releaseRealService()
{
    realService() = createMuteSpeechService();
}
} // namespace

SpeechService& SpeechService::instance()
{
    if (installed)
        return *installed;
    std::unique_ptr<SpeechService>& real = realService();
    if (!real) {
        if (QCoreApplication::instance()) {
            real = createEngineSpeechService();
            qAddPostRoutine(releaseRealService);
        } else {
            real = createMuteSpeechService(); // no application: nothing could play anyway
        }
    }
    return *real;
}

void SpeechService::install(SpeechService* service)
{
    installed = service;
}
