// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The units a child may play: the built-in unit, then the folders under munchora/units of
// $XDG_DATA_HOME (a teacher's own), of each of $XDG_DATA_DIRS (a school's under /usr/local/share,
// the package's under /usr/share) and of the program's own data folder. Of two folders with the
// same name the first wins, as the XDG order says, even when it is not ready: a teacher's broken
// copy is reported, not quietly replaced. The classroom configuration munchora/munchora.conf may
// say which to start with and which to offer:
//   [units]
//   start=animals
//   offered=7, animals

#include "units/unit.h"

#include <QStringList>

#include <vector>

namespace units {

// Past this many folders in one units folder the rest are not looked at.
inline constexpr int MostUnitFolders = 100;

// The folders units are looked for in, in order.
QStringList unitFolders();

struct InstalledUnits
{
    std::vector<Unit> units; // the built-in unit first, then each one ready to play
    QStringList skipped;     // for the log, in Italian: a folder not offered and why
};
InstalledUnits installedUnits();

struct ClassroomChoice
{
    QString start;        // the id of the unit to start with
    QStringList offered;  // the ids a child may choose, the start among them
    QStringList problems; // for the log, in Italian: what in [units] was not followed
    QString startRefused; // the unit start= named when it cannot be played
};
// The [units] group of munchora.conf, each id checked against the installed units: the built-in
// unit starts and every unit is offered unless it says otherwise. The unit start= names is
// offered too; when none that offered= names is ready, the built-in unit is.
ClassroomChoice classroomChoice(const std::vector<Unit>& installed);
// What [units] start= says, unchecked; empty when nothing.
QString configuredStartUnit();

// What --unit takes: the id of an installed unit ("animals", looked for as installedUnits()
// does, "7" for the built-in one), or a folder, written with a '/' ("./animali").
UnitReading findUnit(const QString& argument);

} // namespace units
