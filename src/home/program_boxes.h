// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own boxes that more than one screen opens: "Exit" (the menu's button, and
// closing the window on the menu or the splash) and the credits.

#include <QStringList>

class Bocca;
class QWidget;
class Screen;

// "Exit": the mouth asks, a box asks again, and Yes says goodbye and ends the program.
void askToExit(Screen& screen, Bocca& mouth);
// What the mouth says on the way out, for speech made ahead.
QStringList exitTexts();

namespace Modulo1 {
// The credits box of the menu's "?" button.
void MostraCrediti(QWidget* parent);
} // namespace Modulo1
