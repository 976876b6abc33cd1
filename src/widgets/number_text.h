// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Numbers shown to the user carry a blank where a minus sign would stand: " 1", " 135", "-3".
inline QString NumberText(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}
