// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/screen_catalogue.h"

namespace {
const std::vector<ScreenEntry>* current = nullptr;
const std::vector<ScreenEntry>* program = nullptr;
} // namespace

const std::vector<ScreenEntry>& screenCatalogue()
{
    static const std::vector<ScreenEntry> none;
    return current ? *current : program ? *program : none;
}

void setProgramScreens(const std::vector<ScreenEntry>* rows)
{
    program = rows;
}

CatalogueOverride::CatalogueOverride(std::vector<ScreenEntry> rows) : rows_(std::move(rows)), previous_(current)
{
    current = &rows_;
}

CatalogueOverride::~CatalogueOverride()
{
    current = previous_;
}
