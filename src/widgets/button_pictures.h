// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The small pictures on the buttons of the menu, the voice settings screen and the units to
// choose from: each shows at a glance what its screen is about, drawn from the food pictures
// (a unit's, its own) and simple shapes.

#include <QRectF>
#include <QStringList>

#include <array>

class QPainter;

enum class ButtonPicture {
    Listen,      // a loudspeaker and a food
    WhatIsIt,    // a question and three foods, one chosen
    ListenOrder, // three foods numbered 1, 2, 3
    ReadWords,   // a food and two words to pick from
    ILike,       // a smiley thinking of a food
    TomSusy,     // two children and the foods they like
    WordSearch,  // a letter grid with words marked
    Memory,      // cards, some turned
    Voice,       // a loudspeaker and a speed slider
    Credits,     // a question mark badge
    Exit,        // an open door and an arrow
    Confirm,     // a green tick
    Unit,        // three of a unit's pictures fanned like cards
};

// Draws the picture inside area (any size; the drawing keeps its proportions and is centred).
// variant picks other foods or another arrangement, so buttons of one kind still differ.
// unitPictures: the files a Unit picture shows; none, the unit in play's words (unitShowcase).
void drawButtonPicture(QPainter& painter, const QRectF& area, ButtonPicture picture, int variant,
                       const QStringList& unitPictures = {});

// The three words (1 to wordCount) a unit is shown by, spread over its list.
std::array<int, 3> unitShowcase(int wordCount);
