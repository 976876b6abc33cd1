// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's report as text, in Italian, and the words, numbers and dates it shares with the
// page.
#include "record/report_model.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>

namespace Report {

namespace {

// The text's columns: left or right aligned in a width.
QString cell(const QString& text, int width)
{
    return text.leftJustified(width);
}

QString right(const QString& text, int width)
{
    return text.rightJustified(width);
}

QString times(qint64 n)
{
    return n == 1 ? QStringLiteral("1 volta") : number(n) + QStringLiteral(" volte");
}

QString pupils(qint64 n)
{
    return n == 1 ? QStringLiteral("1 alunno") : number(n) + QStringLiteral(" alunni");
}

QString byPupils(qint64 n)
{
    return QStringLiteral("da ") + pupils(n);
}

} // namespace

QString answers(qint64 n)
{
    return n == 1 ? QStringLiteral("1 risposta") : number(n) + QStringLiteral(" risposte");
}

QString pairsIn(qint64 pairs, qint64 turns)
{
    return (pairs == 1 ? QStringLiteral("1 coppia trovata") : number(pairs) + QStringLiteral(" coppie trovate"))
        + (turns == 1 ? QStringLiteral(" in 1 turno")
                      : QStringLiteral(" in ") + number(turns) + QStringLiteral(" turni"));
}

namespace {

QString outOf(qint64 part, qint64 whole)
{
    if (whole == 0)
        return QStringLiteral("nessuna domanda");
    return QStringLiteral("%1 su %2 (%3%)").arg(number(part), number(whole)).arg(percent(part, whole));
}

QString displayName(const Pupil& pupil)
{
    return pupil.fullName.isEmpty() ? shown(pupil.name, 40)
                                    : shown(pupil.name, 40) + QStringLiteral(" (") + shown(pupil.fullName, 40) + ')';
}

} // namespace

QString text(const ClassReport& report)
{
    QString out;
    const auto line = [&out](const QString& s = QString()) { out += s + QLatin1Char('\n'); };
    line(QStringLiteral("MUNCHORA - RESOCONTO DELLE RISPOSTE"));
    line(QStringLiteral("Preparato %1 alle %2. %3")
             .arg(theDay(report.made.date(), QStringLiteral("dd/MM/yyyy")),
                  report.made.toString(QStringLiteral("HH:mm")), whereSearched(report)));
    line();
    if (report.pupils.empty()) {
        line(noRecordsFound());
        return out;
    }

    line(QStringLiteral("LA CLASSE: %1").arg(pupils(qint64(report.pupils.size()))));
    if (!report.units.isEmpty())
        line(QStringLiteral("Unità giocate: ") + report.units.join(QStringLiteral("; ")));
    line(QStringLiteral("  %1 %2   %3 %4")
             .arg(cell(QStringLiteral("Alunno"), 20), right(QStringLiteral("Risposte"), 9),
                  cell(QStringLiteral("Giuste al 1° tentativo"), 24), QStringLiteral("Periodo")));
    for (const Pupil& p : report.pupils) {
        if (!p.problem.isEmpty()) {
            line(QStringLiteral("  %1 NON SI PUÒ LEGGERE: %2").arg(cell(shown(p.name, 20), 20), p.problem));
            line(QStringLiteral("  %1 %2").arg(cell(QString(), 20), shown(p.path, 400)));
        } else if (p.answers == 0) {
            line(QStringLiteral("  %1 %2   nessuna risposta registrata")
                     .arg(cell(shown(p.name, 20), 20), right(number(0), 9)));
        } else {
            line(QStringLiteral("  %1 %2   %3 %4")
                     .arg(cell(shown(p.name, 20), 20), right(number(p.answers), 9),
                          cell(outOf(p.rightFirst, p.questions), 24), period(p.first, p.last)));
        }
    }
    line();
    if (!report.topConfusions.empty()) {
        line(QStringLiteral("LE CONFUSIONI PIÙ FREQUENTI (parola chiesta -> parola scelta al suo posto)"));
        // Unit by unit when the class played more than one, each under its name.
        const bool named = report.units.size() > 1;
        for (const UnitConfusions& unit : report.topConfusions) {
            if (named)
                line(QStringLiteral("  %1:").arg(unit.title));
            int rank = 0;
            for (const Confusion& c : unit.top)
                line(QStringLiteral("%1%2. %3 %4, %5")
                         .arg(QString(named ? 4 : 2, QLatin1Char(' ')), right(QString::number(++rank), 2),
                              cell(shown(c.word, 30) + QStringLiteral(" -> ") + shown(c.chosen, 30), 34),
                              times(c.times), byPupils(c.pupils)));
        }
        line();
    }

    for (const Pupil& p : report.pupils) {
        if (!p.problem.isEmpty() || p.answers == 0)
            continue;
        line(QString(72, QLatin1Char('=')));
        line(displayName(p).toUpper());
        line(shown(p.path, 400));
        line(QStringLiteral("%1, %2; giuste al primo tentativo %3")
                 .arg(answers(p.answers), period(p.first, p.last), outOf(p.rightFirst, p.questions)));
        // Each unit's screens and words apart, under its name, when the pupil played more than one.
        const bool named = p.units.size() > 1;
        if (!named)
            line(p.units.front().title);
        for (const UnitFigures& u : p.units) {
            line();
            if (named)
                line(QStringLiteral("%1: %2, %3; giuste al primo tentativo %4")
                         .arg(u.title.toUpper(), answers(u.answers), period(u.first, u.last),
                              outOf(u.rightFirst, u.questions)));
            line(QStringLiteral("  %1 %2   %3 %4")
                     .arg(cell(QStringLiteral("Esercizio"), 48), right(QStringLiteral("Risposte"), 9),
                          cell(QStringLiteral("Giuste al 1° tentativo"), 30), QStringLiteral("Periodo")));
            for (const ScreenFigures& s : u.screens)
                line(QStringLiteral("  %1 %2   %3 %4")
                         .arg(cell(shown(s.caption, 48), 48), right(number(s.answers), 9),
                              cell(s.pairGame ? pairsIn(s.right, s.answers) : outOf(s.rightFirst, s.questions), 30),
                              period(s.first, s.last)));
            if (u.words.empty())
                continue;
            line();
            line(QStringLiteral("  %1 %2   %3 %4")
                     .arg(cell(QStringLiteral("Parola (la più difficile prima)"), 32),
                          right(QStringLiteral("Chiesta"), 7), cell(QStringLiteral("Giusta al 1° tentativo"), 24),
                          QStringLiteral("Confusa più spesso con")));
            for (const WordFigures& w : u.words) {
                const QString right1 = w.asked == 0
                    ? QStringLiteral("-")
                    : QStringLiteral("%1 (%2%)").arg(number(w.rightFirst)).arg(percent(w.rightFirst, w.asked));
                const QString confused = w.confusedWith.isEmpty()
                    ? QStringLiteral("-")
                    : QStringLiteral("%1 (%2)").arg(shown(w.confusedWith, 30), times(w.confusedTimes));
                line(QStringLiteral("  %1 %2   %3 %4")
                         .arg(cell(shown(w.word, 32), 32), right(number(w.asked), 7), cell(right1, 24), confused));
            }
        }
        line();
    }
    return out;
}

QLocale italian()
{
    return QLocale(QLocale::Italian, QLocale::Italy);
}

QString number(qint64 n)
{
    return italian().toString(n);
}

namespace {

// "l'8", "dall'11", "all'8": the article as the number is said.
bool saidWithAVowel(const QDate& date)
{
    return date.day() == 8 || date.day() == 11;
}

} // namespace

QString theDay(const QDate& date, const QString& format)
{
    return (saidWithAVowel(date) ? QStringLiteral("l'") : QStringLiteral("il ")) + italian().toString(date, format);
}

QString period(qint64 first, qint64 last)
{
    const QDate from = QDateTime::fromMSecsSinceEpoch(first).date(), to = QDateTime::fromMSecsSinceEpoch(last).date();
    const QString format = QStringLiteral("dd/MM/yyyy");
    if (from == to)
        return theDay(to, format);
    return (saidWithAVowel(from) ? QStringLiteral("dall'") : QStringLiteral("dal ")) + from.toString(format)
        + (saidWithAVowel(to) ? QStringLiteral(" all'") : QStringLiteral(" al ")) + to.toString(format);
}

int percent(qint64 part, qint64 whole)
{
    return whole <= 0 ? -1 : int((part * 100 + whole / 2) / whole);
}

QString shown(const QString& text, int max)
{
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), max + 1));
    for (const QChar c : text) {
        if (out.size() >= max) {
            out.chop(1);
            out += QChar(0x2026); // …
            break;
        }
        const QChar::Category category = c.category();
        out += category == QChar::Other_Control || category == QChar::Other_Format ? QChar(0xfffd) : c;
    }
    return out;
}

QString whereSearched(const ClassReport& report)
{
    QStringList places;
    for (const QString& place : report.places)
        places << shown(place, 200);
    return QStringLiteral("Cercato in: ") + places.join(QStringLiteral(", "));
}

QString noRecordsFound()
{
    return QStringLiteral("Nessuna registrazione di risposte trovata. Munchora registra le risposte solo se la "
                          "scuola lo ha attivato ([record] enabled=true nel file munchora/munchora.conf di /etc/xdg); "
                          "ogni alunno ha la sua registrazione in ~/.local/share/munchora/answers.sqlite.");
}

} // namespace Report
