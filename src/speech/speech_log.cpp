// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/speech_log.h"

Q_LOGGING_CATEGORY(lcSpeech, "munchora.speech", QtInfoMsg)
