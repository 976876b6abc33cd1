// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The property the settings reader must keep, for the fuzzer and for the ordinary tests that
// replay its corpus: every file gives either its own two numbers or the defaults 1 and 135.
// The expected result comes from a reading of its own (split at blanks, then check each word),
// not from the reader's code, so a slip in either shows.

#include "settings/settings_file.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <optional>

namespace settings_check {

inline bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A word that is a whole 16-bit number: an optional sign, then digits only.
inline std::optional<int> number(QByteArrayView word)
{
    qsizetype i = 0;
    bool negative = false;
    if (!word.isEmpty() && (word[0] == '+' || word[0] == '-')) {
        negative = word[0] == '-';
        i = 1;
    }
    if (i == word.size())
        return std::nullopt;
    long long value = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9')
            return std::nullopt;
        value = value * 10 + (word[i] - '0');
        if (value > 40000)
            return std::nullopt; // already out of range whatever follows
    }
    value = negative ? -value : value;
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return int(value);
}

// The two numbers a file's first bytes hold, read word by word; a word cut off where the
// reading stopped does not count.
inline std::optional<std::pair<int, int>> referenceReading(QByteArrayView file)
{
    constexpr qsizetype Limit = SettingsFile::ReadLimit;
    const bool whole = file.size() <= Limit;
    const QByteArrayView head = whole ? file : file.first(Limit);
    int found[2] = {0, 0};
    qsizetype pos = 0;
    for (int n = 0; n < 2; ++n) {
        while (pos < head.size() && blank(head[pos]))
            ++pos;
        const qsizetype start = pos;
        while (pos < head.size() && !blank(head[pos]))
            ++pos;
        if (pos == head.size() && !whole)
            return std::nullopt;
        const auto value = number(head.sliced(start, pos - start));
        if (!value)
            return std::nullopt;
        found[n] = *value;
    }
    return std::pair{found[0], found[1]};
}

// Empty when the reader's result for this file is right; else what is wrong.
inline QString check(QByteArrayView file)
{
    bool fellBack = false;
    const SettingsFile::Values got = SettingsFile::valuesFor(file, file.size() <= SettingsFile::ReadLimit, &fellBack);
    const auto expected = referenceReading(file);
    const QString seen = QStringLiteral("%1 %2%3").arg(got.voce).arg(got.velocita).arg(fellBack ? " (defaults)" : "");
    if (!expected) {
        if (!fellBack || got.voce != 1 || got.velocita != 135)
            return QStringLiteral("expected the defaults 1 135, got ") + seen;
        return QString();
    }
    if (fellBack || got.voce != expected->first || got.velocita != expected->second)
        return QStringLiteral("expected %1 %2, got ").arg(expected->first).arg(expected->second) + seen;
    // A value taken is one that stands in the file, and it comes back the same once saved.
    const QByteArray head = file.first(std::min<qsizetype>(file.size(), SettingsFile::ReadLimit)).toByteArray();
    for (const int v : {int(got.voce), int(got.velocita)}) {
        if (!head.contains(QByteArray::number(v < 0 ? -v : v)))
            return QStringLiteral("%1 does not stand in the file").arg(v);
    }
    const auto again = SettingsFile::parse(SettingsFile::format(got.voce, got.velocita));
    if (!again || again->voce != got.voce || again->velocita != got.velocita)
        return QStringLiteral("saving and reading back changes ") + seen;
    return QString();
}

} // namespace settings_check
