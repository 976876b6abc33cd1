// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Registers the fonts bundled with the program (Comic Neue, Liberation Sans), so every
// machine shows the same letters.

#include <QFont>
#include <QString>

// A font for a control at design size: "Comic Neue" where a screen asks for Comic Sans MS,
// "Liberation Sans" where it asks for Arial.
QFont designFont(const QString& family, int pixelSize, bool bold = false);

// All of them, once; later calls do nothing.
void loadBundledFonts();
// Only the one the splash screen shows (Comic Neue Bold): the start need not wait for the
// others, which the splash's way on loads (loadBundledFonts).
void loadSplashFonts();
