#include "speech/speech_service.h"

#include "speech/engine_speech_service.h"

namespace {
SpeechService* installed = nullptr;
}

SpeechService& SpeechService::instance()
{
    if (installed)
        return *installed;
    static std::unique_ptr<SpeechService> real = createEngineSpeechService();
    return *real;
}

void SpeechService::install(SpeechService* service)
{
    installed = service;
}
