// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/environment_override.h"

#include <QtGlobal>

EnvironmentOverride::EnvironmentOverride(const char* name, const QByteArray& value)
    : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
{
    set(value);
}

EnvironmentOverride::~EnvironmentOverride()
{
    if (had_)
        qputenv(name_.constData(), old_);
    else
        qunsetenv(name_.constData());
}

void EnvironmentOverride::set(const QByteArray& value)
{
    qputenv(name_.constData(), value);
}
