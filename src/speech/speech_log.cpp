#include "speech/speech_log.h"

Q_LOGGING_CATEGORY(lcSpeech, "munchora.speech", QtInfoMsg)
