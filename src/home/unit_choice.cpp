// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/unit_choice.h"

namespace {
std::vector<OfferedUnit> offered;
std::function<void(const QString&)> player;
} // namespace

void setOfferedUnits(std::vector<OfferedUnit> units, std::function<void(const QString& id)> play)
{
    offered = std::move(units);
    player = std::move(play);
}

const std::vector<OfferedUnit>& offeredUnits()
{
    return offered;
}

void playOfferedUnit(const QString& id)
{
    if (player)
        player(id);
}
