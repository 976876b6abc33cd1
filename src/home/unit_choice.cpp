// SPDX-License-Identifier: GPL-3.0-or-later
#include "home/unit_choice.h"

#include <utility>

namespace {
std::vector<OfferedUnit> offered;
std::function<void(const QString&)> player;
std::function<void()> pending;
} // namespace

void setOfferedUnits(std::vector<OfferedUnit> units, std::function<void(const QString& id)> play)
{
    pending = {};
    offered = std::move(units);
    player = std::move(play);
}

void offerUnitsLater(std::function<void()> offer)
{
    pending = std::move(offer);
}

void offerUnitsNow()
{
    if (std::function<void()> offer = std::exchange(pending, {}))
        offer();
}

const std::vector<OfferedUnit>& offeredUnits()
{
    offerUnitsNow();
    return offered;
}

void playOfferedUnit(const QString& id)
{
    if (player)
        player(id);
}
