// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's start: the single copy, the settings folder, the random source, the settings,
// the words, then the splash screen in the host window.

#include <QString>
#include <QStringList>

namespace Modulo1 {

enum class WindowMode {
    FullScreen, // the classroom
    Windowed,   // a normal window, for a teacher preparing a lesson
};

// Start-up in its order; returns the process exit code. Needs a QApplication. unit: what --unit
// named (an installed unit's id, or a folder); empty: the classroom's choice, else the built-in.
int Main(WindowMode mode = WindowMode::FullScreen, const QString& unit = QString());

// Makes the speech of every text the program says, in every unit installed, into a cache folder,
// for a classroom's copies to share: voice and speed as given, or (0) as the settings or the classroom preset name them.
// Prints what it did; returns 0, or 2 with a message when the voice, speed or folder is refused.
// Needs a QApplication (any platform: no window is shown).
int PrepareSpeech(const QString& folder, int voice, int velocita);

} // namespace Modulo1
