// SPDX-License-Identifier: GPL-3.0-or-later
#include "units/csv.h"

namespace units {

std::vector<CsvRecord> readCsv(QStringView text, QChar separator)
{
    std::vector<CsvRecord> records;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    // A lone CR is no line break: it stays in the field, where the caller sees it.
    const auto atLineEnd = [&](qsizetype at) {
        return at == n || text[at] == u'\n' || (text[at] == u'\r' && at + 1 < n && text[at + 1] == u'\n');
    };
    while (i < n) {
        CsvRecord record;
        record.line = line;
        for (bool more = true; more;) {
            QString field;
            if (i < n && text[i] == u'"') {
                bool closed = false;
                for (++i; i < n && !closed; ++i) {
                    if (text[i] != u'"') {
                        line += text[i] == u'\n';
                        field += text[i];
                    } else if (i + 1 < n && text[i + 1] == u'"') {
                        field += u'"';
                        ++i;
                    } else {
                        closed = true;
                    }
                }
                if (!closed) {
                    record.fields << field;
                    record.fault = CsvRecord::Fault::UnclosedQuote;
                    records.push_back(std::move(record));
                    return records;
                }
                if (!atLineEnd(i) && text[i] != separator)
                    record.fault = CsvRecord::Fault::TextAfterQuote;
            } else {
                for (; !atLineEnd(i) && text[i] != separator; ++i) {
                    if (text[i] == u'"')
                        record.fault = CsvRecord::Fault::StrayQuote;
                    field += text[i];
                }
            }
            record.fields << field;
            more = record.fault == CsvRecord::Fault::None && i < n && text[i] == separator;
            i += more;
        }
        while (!atLineEnd(i))
            ++i;
        if (i < n) {
            i += text[i] == u'\r' ? 2 : 1;
            ++line;
        }
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace units
