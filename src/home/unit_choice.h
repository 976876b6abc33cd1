// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The units a child may choose on the menu, and what choosing one does: both handed over by the
// start (which knows the units installed and the classroom's choice among them). With one unit
// on offer the menu shows no choice.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

struct OfferedUnit
{
    QString id;           // "7", "animals"
    QString name;         // as shown and spoken: "Food and drink", "Animals"
    int number = 0;       // 0: none
    QStringList pictures; // the files of the pictures it is shown by (see unitShowcase)
};

// Once, at start; the units in the order the menu shows them.
void setOfferedUnits(std::vector<OfferedUnit> units, std::function<void(const QString& id)> play);
// Or later: `offer` calls setOfferedUnits at the latest when the units are first asked for, so
// the start may read them once the splash is up without racing a quick child to the menu.
void offerUnitsLater(std::function<void()> offer);
// Runs an offer left for later, if one is still waiting.
void offerUnitsNow();
const std::vector<OfferedUnit>& offeredUnits();
// Makes that unit the one the screens play from now on (the screens shown are made anew by the
// caller).
void playOfferedUnit(const QString& id);
