// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one file that knows every screen (screens.cpp): the makers of the splash, the menu and the
// voice screen, the menu's rows and every text said. The start hands the makers and the rows to
// the shell and the menu (handOverScreens); nothing below the top calls up here.

#include "home/screen_catalogue.h"

#include <QStringList>

#include <vector>

class Screen;

Screen* newFormAvvio();
Screen* newFormMenu();
Screen* newFormImposta();
// The program's rows of the menu, in the order the children meet them.
const std::vector<ScreenEntry>& programScreens();
// The menu's caption of a screen, by the screen's name; the name itself when no row has it.
QString screenCaption(const QString& screen);
// Every text the screens say.
QStringList everySpokenText();
// Gives the window its menu and voice screen, and the menu its rows. Once, before a window shows.
void handOverScreens();
