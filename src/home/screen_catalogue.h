// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The screen catalogue: one row per exercise or game button of the menu. The menu builds its
// tiles from it and the tests walk it, so a new screen is its source pair plus one row in
// src/screens.cpp.

#include "widgets/button_pictures.h"

#include <QColor>
#include <QString>

#include <functional>
#include <vector>

class Screen;

struct ScreenEntry
{
    QString button;        // the menu button's name ("Command3")
    QString caption;       // its caption ("2 - What is it?")
    ButtonPicture picture; // the tile's picture
    int variant = 0;       // which foods or arrangement the picture shows
    QRgb colour = 0;       // the tile's colour
    // Makes the screen; empty while the screen is not built yet: the tile shows, disabled.
    std::function<Screen*()> make;
    QString screen;  // the name the screen it makes has ("Form2"), as the record of answers keeps it
    QString italian; // its name for the teacher ("Esercizio 2 – Che cos'è?")
};

// The rows in the order the children meet them: exercises 1 to 15, then the games.
const std::vector<ScreenEntry>& screenCatalogue();
// The program's own rows, handed over at start (src/screens.cpp); screenCatalogue() gives them
// unless overridden, and no rows before.
void setProgramScreens(const std::vector<ScreenEntry>* rows);

// Puts other rows in the catalogue's place while it lives (for tests); nests.
class CatalogueOverride
{
public:
    explicit CatalogueOverride(std::vector<ScreenEntry> rows);
    ~CatalogueOverride();
    CatalogueOverride(const CatalogueOverride&) = delete;
    CatalogueOverride& operator=(const CatalogueOverride&) = delete;

private:
    std::vector<ScreenEntry> rows_;
    const std::vector<ScreenEntry>* previous_;
};
