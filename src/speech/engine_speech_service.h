#pragma once
#include "speech/speech_service.h"

// The program's speech: eSpeak NG and Flite voices, played through Qt Multimedia on a
// worker thread, or timed silently when there is no audio device.
std::unique_ptr<SpeechService> createEngineSpeechService();
