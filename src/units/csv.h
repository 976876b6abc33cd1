// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table a spreadsheet writes, read as RFC 4180 says: records end with CR LF or LF, a field
// in double quotes may hold separators, line breaks and doubled quotes. Nothing is trimmed or
// guessed; what breaks the rules is named with the line it is on.

#include <QStringList>
#include <QStringView>

#include <vector>

namespace units {

struct CsvRecord
{
    enum class Fault {
        None,
        StrayQuote,     // a quote inside a field not in quotes
        TextAfterQuote, // something other than a separator or the line's end after a closing quote
        UnclosedQuote,  // a quote opened and never closed: the last record, holding the rest of the text
    };
    int line = 0; // where the record begins, from 1
    QStringList fields;
    Fault fault = Fault::None; // the rest of a faulty record's line is skipped
};

// Every record of the text, an empty line as one empty field. The separator is ',' or, as an
// Italian spreadsheet writes it, ';'.
std::vector<CsvRecord> readCsv(QStringView text, QChar separator = QLatin1Char(','));

} // namespace units
