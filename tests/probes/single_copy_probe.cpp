// SPDX-License-Identifier: GPL-3.0-or-later
// A copy of the program as the tests see it: the program's own start-up, with message boxes
// recorded instead of shown and speech recorded instead of heard. Prints what happened and
// ends by itself once the window is up, so a test can start it as a second real process.

#include "helpers/fakes.h"
#include "settings/modulo1.h"
#include "shell/app_window.h"
#include "startup.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {
const char* iconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::None: return "none";
    case BoxIcon::Question: return "question";
    case BoxIcon::Information: return "information";
    case BoxIcon::Critical: return "critical";
    }
    return "?";
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;
    RecordingSpeechService speech;

    bool windowShown = false;
    QTimer watch;
    int waited = 0;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const auto windows = QApplication::topLevelWidgets();
        const bool shown = std::any_of(windows.begin(), windows.end(), [](const QWidget* w) {
            return qobject_cast<const AppWindow*>(w) && w->isVisible();
        });
        if (shown) {
            windowShown = true;
            QCoreApplication::exit(0);
        } else if (++waited > 1000) {
            QCoreApplication::exit(2);
        }
    });
    watch.start(10);

    const int code = Modulo1::Main();

    QTextStream out(stdout);
    for (const ScriptedDialogs::Box& box : dialogs.shown) {
        out << "box " << iconName(box.icon) << " \"" << box.title << "\" \"" << box.text << '"';
        if (box.closesAfterMs > 0)
            out << ", closes after " << box.closesAfterMs << " ms";
        out << '\n';
    }
    out << (windowShown ? "window shown" : "no window") << '\n';
    out << "voice " << Modulo1::Voce << " speed " << Modulo1::Velocita << '\n';
    out << "exit " << code << '\n';
    return code;
}
