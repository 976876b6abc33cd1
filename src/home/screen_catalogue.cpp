// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/screen_catalogue.h"

namespace {
const std::vector<ScreenEntry>* current = nullptr;
} // namespace

const std::vector<ScreenEntry>& screenCatalogue()
{
    return current ? *current : programScreens();
}

CatalogueOverride::CatalogueOverride(std::vector<ScreenEntry> rows) : rows_(std::move(rows)), previous_(current)
{
    current = &rows_;
}

CatalogueOverride::~CatalogueOverride()
{
    current = previous_;
}
