#pragma once
// The program's start: the single copy, the settings folder, the random source, the settings,
// the words, then the splash screen in the host window.

namespace Modulo1 {

enum class WindowMode {
    FullScreen, // the classroom
    Windowed,   // a normal window, for a teacher preparing a lesson
};

// Start-up in its order; returns the process exit code. Needs a QApplication.
int Main(WindowMode mode = WindowMode::FullScreen);

} // namespace Modulo1
