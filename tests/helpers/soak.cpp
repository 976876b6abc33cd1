// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/soak.h"

#include "exercises/exercise_screen.h"
#include "home/menu.h"
#include "home/screen_catalogue.h"
#include "settings/modulo1.h"
#include "shell/input_gate.h"
#include "widgets/picture_button.h"

#include <QMenuBar>

Soak::Soak(quint64 seed) : program(seed)
{
    program.dialogs.alwaysYes = true;
    // The fastest speech: two screens hold their opening until the title has been said.
    Modulo1::Velocita = 200;
    toMenu();
}

Soak::~Soak() = default;

void Soak::toMenu()
{
    if (program.frontName() == QLatin1String("FormAvvio"))
        program.click({20, 300}); // the splash leads to the menu
    program.waitUntil([this] { return qobject_cast<FormMenu*>(program.front()) != nullptr; });
}

bool Soak::roundTrip(int speakMs)
{
    auto* menu = qobject_cast<FormMenu*>(program.front());
    if (!menu)
        return false;
    const std::vector<ScreenEntry>& rows = screenCatalogue();
    const ScreenEntry& row = rows[size_t(done_) % rows.size()];
    PictureButton* tile = menu->button(row.button);
    if (!tile)
        return false;
    program.click(program.toWindow(tile, tile->rect().center()));
    if (!program.waitUntil([this] { return qobject_cast<ExerciseScreen*>(program.front()) != nullptr; }))
        return false;
    auto* screen = qobject_cast<ExerciseScreen*>(program.front());
    if (!screen->mnuEsci)
        return false;
    program.wait(speakMs);
    // A screen waiting for its title takes no click: the child waits for it.
    if (!program.waitUntil([] { return InputGate::idle(); }))
        return false;
    const QRect place = screen->menuBar->actionGeometry(screen->mnuEsci);
    program.click(program.toWindow(screen->menuBar, place.center()));
    ++done_;
    return program.waitUntil([this] { return qobject_cast<FormMenu*>(program.front()) != nullptr; });
}

QString Soak::state()
{
    return QStringLiteral("%1, input %2, program %3")
        .arg(program.frontName(),
             InputGate::holding()    ? QStringLiteral("held")
                 : InputGate::idle() ? QStringLiteral("free")
                                     : QStringLiteral("being handed on"),
             program.ended() ? QStringLiteral("ended") : QStringLiteral("running"));
}
