// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A record as the program's first version kept it (user_version 1): no unit, for every answer
// was the built-in unit's.

#include "record/answer_record.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

// Each row "screen|asked|word|chosen|chosen word|right|attempt", given now; false when it cannot
// be made.
inline bool makeFirstVersionRecord(const QString& path, const QStringList& rows)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("first version"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec(QStringLiteral("PRAGMA application_id=%1").arg(AnswerRecord::ApplicationId))
            && q.exec(QStringLiteral("PRAGMA user_version=1"))
            && q.exec(QStringLiteral("CREATE TABLE answers (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, visit INTEGER "
                                     "NOT NULL, screen TEXT NOT NULL, asked TEXT NOT NULL, word TEXT NOT NULL, chosen "
                                     "TEXT NOT NULL, chosen_word TEXT NOT NULL, right INTEGER NOT NULL, attempt "
                                     "INTEGER NOT NULL, ms INTEGER NOT NULL)"));
        for (const QString& row : rows) {
            const QStringList f = row.split(QLatin1Char('|'));
            ok = ok
                && q.exec(
                    QStringLiteral("INSERT INTO answers (at, visit, screen, asked, word, chosen, chosen_word, "
                                   "right, attempt, ms) VALUES (%1, %1, '%2', '%3', '%4', '%5', '%6', %7, %8, 900)")
                        .arg(QString::number(QDateTime::currentMSecsSinceEpoch()), f.value(0), f.value(1), f.value(2),
                             f.value(3), f.value(4), f.value(5), f.value(6)));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("first version"));
    return ok;
}
