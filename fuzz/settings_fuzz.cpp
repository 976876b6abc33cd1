// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the settings reader: any bytes in the settings file's place.
#include "fuzz/settings_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString wrong = settings_check::check(file);
    if (!wrong.isEmpty()) {
        std::fprintf(stderr, "settings reader: %s\n", qPrintable(wrong));
        std::abort();
    }
    return 0;
}
