// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The speech log: one debug line per Speak and StopSpeech, naming the screen; warnings about
// engines and the audio output. Off at debug level unless QT_LOGGING_RULES turns it on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcSpeech)
