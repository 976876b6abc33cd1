// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpers/test_registry.h"

std::vector<TestRegistration>& testRegistry()
{
    static std::vector<TestRegistration> registry;
    return registry;
}
