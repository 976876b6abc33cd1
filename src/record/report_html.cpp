// SPDX-License-Identifier: GPL-3.0-or-later
// The report as one page for a browser: no script, no file beside it, no font to fetch, so it
// can be mailed or put on a stick and printed on A4 as it is.
#include "record/report_model.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <map>

namespace Report {

namespace {

QString esc(const QString& text, int max = 48)
{
    return shown(text, max).toHtmlEscaped();
}

// Right at the first try, as a colour: the figure is always written beside it.
const char* colourOf(int percent)
{
    return percent >= 80 ? "#43a047" : percent >= 50 ? "#f9a825" : "#e5533d";
}

// A bar in a table's cell, the figure beside it.
QString barCell(qint64 part, qint64 whole)
{
    const int pc = percent(part, whole);
    if (pc < 0)
        return QStringLiteral("<td class=\"pc\">–</td>");
    return QStringLiteral("<td class=\"pc\"><svg class=\"bar\" viewBox=\"0 0 100 10\" preserveAspectRatio=\"none\" "
                          "aria-hidden=\"true\"><rect width=\"100\" height=\"10\" fill=\"#e8ecf1\"/><rect width=\"%1\" "
                          "height=\"10\" fill=\"%2\"/></svg><span>%3%</span></td>")
        .arg(pc)
        .arg(QLatin1String(colourOf(pc)))
        .arg(pc);
}

const char* Style = R"(
@page { size: A4; margin: 12mm }
* { box-sizing: border-box }
html { -webkit-print-color-adjust: exact; print-color-adjust: exact }
body { margin: 0; color: #263238; font: 10pt/1.35 "Liberation Sans", Arial, Helvetica, "Nimbus Sans", "DejaVu Sans", sans-serif }
@media screen {
  html { background: #e9eef3 }
  body { max-width: 210mm; margin: 16px auto; padding: 12mm; background: #fff; box-shadow: 0 1px 6px #0002 }
}
h1 { font-size: 20pt; margin: 0 0 2pt; color: #1e5a8a }
h1 small { font-size: 12pt; font-weight: normal; color: #546e7a }
h2 { font-size: 14pt; margin: 14pt 0 6pt; color: #1e5a8a; break-after: avoid }
h3, h4 { font-size: 11pt; margin: 12pt 0 4pt; break-after: avoid }
h3.unit { font-size: 13pt; color: #1e5a8a; margin-top: 16pt; padding-bottom: 2pt; border-bottom: 1pt solid #9fb6cc }
h3.unit small { font-size: 9pt; font-weight: normal; color: #546e7a }
p { margin: 3pt 0 }
.meta, .path { color: #607d8b; font-size: 8.5pt; overflow-wrap: anywhere }
.cards { display: flex; gap: 6pt; margin: 8pt 0; break-inside: avoid }
.card { flex: 1; border: 1px solid #dde3ea; border-radius: 6pt; padding: 5pt 8pt; background: #f7f9fb }
.card b { display: block; font-size: 15pt; color: #1e5a8a; white-space: nowrap }
.card.dates b { font-size: 12.5pt; line-height: 20pt }
.card span { font-size: 8.5pt; color: #546e7a }
table { width: 100%; border-collapse: collapse; table-layout: fixed; margin: 4pt 0 8pt }
th, td { padding: 3pt 5pt; text-align: left; vertical-align: middle; overflow-wrap: anywhere }
th { background: #e3edf6; font-size: 8.5pt; color: #37474f; border-bottom: 1.5pt solid #9fb6cc }
td { border-bottom: 0.5pt solid #e3e8ee }
tr, .cards, .problem { break-inside: avoid }
.n { text-align: right; font-variant-numeric: tabular-nums }
td.pc { white-space: nowrap }
svg.bar { width: calc(100% - 3.2em); height: 8pt; vertical-align: middle; border-radius: 2pt }
td.pc span { display: inline-block; width: 3em; text-align: right; font-variant-numeric: tabular-nums }
svg.pic { width: 7.5mm; height: 7.5mm; vertical-align: middle; border-radius: 3pt }
.with td { padding-top: 1.5pt; padding-bottom: 1.5pt }
.times { color: #78909c; font-size: 8.5pt; white-space: nowrap }
td.word { font-weight: bold }
.w { display: flex; align-items: center; gap: 3pt }
td.p svg.pic { display: block }
.none { color: #90a4ae }
.problem { border-left: 3pt solid #e5533d; background: #fdecea; padding: 4pt 8pt; margin: 4pt 0 }
.legend { font-size: 8.5pt; color: #546e7a }
.legend i { display: inline-block; width: 8pt; height: 8pt; border-radius: 2pt; margin: 0 2pt 0 8pt; vertical-align: -1pt }
.pupil { break-before: page }
.pupil h2 { display: flex; align-items: center; gap: 8pt; font-size: 17pt; margin-top: 0 }
.avatar { display: inline-block; width: 24pt; height: 24pt; border-radius: 50%; color: #fff; text-align: center;
  font: bold 14pt/24pt sans-serif; flex: none }
.pupil h2 small { font-size: 11pt; font-weight: normal; color: #546e7a }
)";

// Each word's picture once, in a hidden drawing; the tables draw it again by reference, so a
// class of thirty carries thirty pictures, not nine hundred.
class Pictures
{
public:
    explicit Pictures(const Options& options) : options_(options) {}

    // The drawing of the picture of a unit's word, or nothing when it has none.
    QString of(const QString& unit, const QString& word, const char* cls = "pic")
    {
        const int id = idOf(unit, word);
        if (id < 0)
            return QString();
        return QStringLiteral("<svg class=\"%1\" viewBox=\"0 0 64 64\" aria-hidden=\"true\"><use href=\"#p%2\"/></svg>")
            .arg(QLatin1String(cls))
            .arg(id);
    }

    // The picture and the word beside it, centred on one line; a note after them in grey.
    QString labelled(const QString& unit, const QString& word, const QString& note = QString())
    {
        return QStringLiteral("<span class=\"w\">") + of(unit, word) + QStringLiteral("<span>") + esc(word)
            + QStringLiteral("</span>")
            + (note.isEmpty() ? QString() : QStringLiteral("<span class=\"times\">") + note + QStringLiteral("</span>"))
            + QStringLiteral("</span>");
    }

    QString definitions() const
    {
        if (images_.isEmpty())
            return QString();
        return QStringLiteral("<svg width=\"0\" height=\"0\" style=\"position:absolute\" aria-hidden=\"true\"><defs>")
            + images_ + QStringLiteral("</defs></svg>\n");
    }

private:
    int idOf(const QString& unit, const QString& word)
    {
        const auto known = ids_.find({unit, word});
        if (known != ids_.end())
            return known->second;
        int& id = ids_[{unit, word}];
        id = -1;
        // A word from the record names a file: nothing that could lead out of the pictures' folder.
        if (!options_.picturePath || word.isEmpty() || word.size() > 40 || word.startsWith(QLatin1Char('.'))
            || word.contains(QLatin1Char('/')) || word.contains(QLatin1Char('\\')))
            return id;
        const QString path = options_.picturePath(unit, word);
        if (path.isEmpty())
            return id;
        QImageReader reader(path);
        const QSize size = reader.size();
        if (size.isValid())
            reader.setScaledSize(size.scaled(64, 64, Qt::KeepAspectRatio)); // JPEG decodes small itself
        const QImage image = reader.read();
        if (image.isNull())
            return id;
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", 82))
            return id;
        id = next_++;
        images_ += QStringLiteral("<image id=\"p%1\" width=\"64\" height=\"64\" href=\"data:image/jpeg;base64,%2\"/>")
                       .arg(id)
                       .arg(QString::fromLatin1(jpeg.toBase64()));
        return id;
    }

    const Options& options_;
    std::map<std::pair<QString, QString>, int> ids_; // by unit and word
    QString images_;
    int next_ = 0;
};

QString avatar(const QString& name)
{
    static const char* colours[] = {"#1e88e5", "#8e24aa", "#00897b", "#f4511e", "#6d4c41", "#3949ab", "#c0ca33"};
    const QString initial = name.isEmpty() ? QStringLiteral("?") : name.left(1).toUpper();
    return QStringLiteral("<span class=\"avatar\" style=\"background:%1\" aria-hidden=\"true\">%2</span>")
        .arg(QLatin1String(colours[qHash(name) % (sizeof colours / sizeof *colours)]), esc(initial, 1));
}

// "09/11 – 07/12/2026": fits a table's column on one line.
QString span(qint64 first, qint64 last)
{
    const QDate from = QDateTime::fromMSecsSinceEpoch(first).date(), to = QDateTime::fromMSecsSinceEpoch(last).date();
    const QString full = QStringLiteral("dd/MM/yyyy");
    if (from == to)
        return to.toString(full);
    return from.toString(from.year() == to.year() ? QStringLiteral("dd/MM") : full) + QStringLiteral(" – ")
        + to.toString(full);
}

QString card(const QString& big, const QString& small, const char* kind = "card")
{
    return QStringLiteral("<div class=\"%1\"><b>%2</b><span>%3</span></div>").arg(QLatin1String(kind), big, small);
}

// The year goes below when there is one: the dates stay on one line.
QString periodCard(qint64 first, qint64 last)
{
    const QDate from = QDateTime::fromMSecsSinceEpoch(first).date(), to = QDateTime::fromMSecsSinceEpoch(last).date();
    if (from.year() != to.year())
        return card(from.toString(QStringLiteral("dd/MM/yy")) + QStringLiteral(" – ")
                        + to.toString(QStringLiteral("dd/MM/yy")),
                    QStringLiteral("il periodo delle risposte"), "card dates");
    const QString days = from == to
        ? to.toString(QStringLiteral("dd/MM"))
        : from.toString(QStringLiteral("dd/MM")) + QStringLiteral(" – ") + to.toString(QStringLiteral("dd/MM"));
    return card(days, QStringLiteral("il periodo delle risposte (%1)").arg(to.year()), "card dates");
}

QString pupilName(const Pupil& p)
{
    return esc(p.name, 40)
        + (p.fullName.isEmpty() ? QString() : QStringLiteral(" <small>") + esc(p.fullName, 60) + "</small>");
}

QString legend()
{
    return QStringLiteral("<p class=\"legend\">Colori delle barre:<i style=\"background:%1\"></i>almeno 80%"
                          "<i style=\"background:%2\"></i>dal 50 al 79%<i style=\"background:%3\"></i>meno del 50%</p>")
        .arg(QLatin1String(colourOf(100)), QLatin1String(colourOf(60)), QLatin1String(colourOf(0)));
}

QString classSection(const ClassReport& report, Pictures& pictures)
{
    QString h;
    qint64 answers = 0, questions = 0, rightFirst = 0, first = 0, last = 0;
    for (const Pupil& p : report.pupils) {
        answers += p.answers;
        questions += p.questions;
        rightFirst += p.rightFirst;
        if (p.answers) {
            first = first ? std::min(first, p.first) : p.first;
            last = std::max(last, p.last);
        }
    }
    h += QStringLiteral("<section class=\"class\"><h2>La classe</h2>\n<div class=\"cards\">");
    h += card(number(qint64(report.pupils.size())), report.pupils.size() == 1 ? "alunno" : "alunni");
    h += card(number(answers), QStringLiteral("risposte date"));
    const int pc = percent(rightFirst, questions);
    h += card(pc < 0 ? QStringLiteral("–") : QString::number(pc) + '%',
              QStringLiteral("giuste al primo tentativo (%1 su %2)").arg(number(rightFirst), number(questions)));
    if (answers)
        h += periodCard(first, last);
    h += QStringLiteral("</div>\n");
    if (!report.units.isEmpty())
        h += QStringLiteral("<p>Unità giocate: ") + report.units.join(QStringLiteral("; ")).toHtmlEscaped()
            + QStringLiteral("</p>\n");

    h += QStringLiteral("<table><colgroup><col style=\"width:24%\"><col style=\"width:12%\"><col style=\"width:18%\">"
                        "<col style=\"width:24%\"><col style=\"width:22%\"></colgroup>\n<thead><tr><th>Alunno</th>"
                        "<th class=\"n\">Risposte</th><th colspan=\"2\">Giuste al 1° tentativo</th><th>Periodo</th>"
                        "</tr></thead><tbody>\n");
    for (const Pupil& p : report.pupils) {
        h += QStringLiteral("<tr><td>%1</td>").arg(pupilName(p));
        if (!p.problem.isEmpty())
            h += QStringLiteral("<td colspan=\"4\" class=\"none\">non si può leggere (vedi sotto)</td></tr>\n");
        else if (p.answers == 0)
            h += QStringLiteral("<td class=\"n\">0</td><td colspan=\"3\" class=\"none\">nessuna risposta registrata"
                                "</td></tr>\n");
        else
            h += QStringLiteral("<td class=\"n\">%1</td><td class=\"n\">%2 su %3</td>%4<td>%5</td></tr>\n")
                     .arg(number(p.answers), number(p.rightFirst), number(p.questions),
                          barCell(p.rightFirst, p.questions), span(p.first, p.last));
    }
    h += QStringLiteral("</tbody></table>\n") + legend();

    bool heading = false;
    for (const Pupil& p : report.pupils) {
        if (p.problem.isEmpty())
            continue;
        if (!heading)
            h += QStringLiteral("<h3>Registrazioni che non si possono leggere</h3>\n");
        heading = true;
        h += QStringLiteral("<div class=\"problem\"><b>%1</b>: %2<div class=\"path\">%3</div></div>\n")
                 .arg(esc(p.name, 40), esc(p.problem, 300), esc(p.path, 400));
    }

    if (!report.topConfusions.empty()) {
        // Unit by unit when the class played more than one, each under its name.
        const bool named = report.units.size() > 1;
        h += QStringLiteral("<h2>Le parole confuse più spesso</h2>\n<p class=\"legend\">La parola chiesta e quella "
                            "scelta al suo posto, in tutta la classe%1.</p>\n")
                 .arg(named ? QStringLiteral(", unità per unità") : QString());
        for (const UnitConfusions& unit : report.topConfusions) {
            if (named)
                h += QStringLiteral("<h3>%1</h3>\n").arg(unit.title.toHtmlEscaped());
            h += QStringLiteral("<table class=\"with\"><colgroup><col style=\"width:7%\"><col style=\"width:30%\">"
                                "<col style=\"width:30%\"><col style=\"width:15%\"><col style=\"width:18%\">"
                                "</colgroup>\n<thead><tr><th class=\"n\"></th><th>Parola chiesta</th><th>Scelta al "
                                "suo posto</th><th class=\"n\">Volte</th><th class=\"n\">Alunni</th></tr></thead>"
                                "<tbody>\n");
            int rank = 0;
            for (const Confusion& c : unit.top)
                h += QStringLiteral("<tr><td class=\"n\">%1</td><td>%2</td><td>%3</td><td class=\"n\">%4</td>"
                                    "<td class=\"n\">%5</td></tr>\n")
                         .arg(++rank)
                         .arg(pictures.labelled(c.unit, c.word), pictures.labelled(c.unit, c.chosen), number(c.times),
                              number(c.pupils));
            h += QStringLiteral("</tbody></table>\n");
        }
    }
    return h + QStringLiteral("</section>\n");
}

// A unit's screens and words; under a heading of its own when the pupil played more than one.
QString unitTables(const UnitFigures& u, bool named, Pictures& pictures)
{
    QString h;
    const char* level = "h3";
    if (named) {
        h += QStringLiteral("<h3 class=\"unit\">%1 <small>%2, giuste al primo tentativo %3 su %4</small></h3>\n")
                 .arg(u.title.toHtmlEscaped(), answers(u.answers), number(u.rightFirst), number(u.questions));
        level = "h4";
    }
    h += QStringLiteral("<%1>Esercizi</%1>\n<table><colgroup><col style=\"width:27%\"><col style=\"width:11%\">"
                        "<col style=\"width:11%\"><col style=\"width:9%\"><col style=\"width:21%\">"
                        "<col style=\"width:21%\"></colgroup>\n<thead><tr><th>Esercizio</th><th class=\"n\">Risposte"
                        "</th><th class=\"n\">Domande</th><th colspan=\"2\">Giuste al 1° tentativo</th><th>Periodo"
                        "</th></tr></thead><tbody>\n")
             .arg(QLatin1String(level));
    for (const ScreenFigures& s : u.screens) {
        if (s.pairGame)
            h += QStringLiteral("<tr><td>%1</td><td class=\"n\">%2</td><td colspan=\"3\">%3</td><td>%4</td></tr>\n")
                     .arg(esc(s.caption, 80), number(s.answers), pairsIn(s.right, s.answers), span(s.first, s.last));
        else
            h += QStringLiteral("<tr><td>%1</td><td class=\"n\">%2</td><td class=\"n\">%3</td><td class=\"n\">%4</td>"
                                "%5<td>%6</td></tr>\n")
                     .arg(esc(s.caption, 80), number(s.answers), number(s.questions), number(s.rightFirst),
                          barCell(s.rightFirst, s.questions), span(s.first, s.last));
    }
    h += QStringLiteral("</tbody></table>\n");

    if (u.words.empty())
        return h;
    h += QStringLiteral("<%1>Parole, dalla più difficile</%1>\n<table class=\"with\"><colgroup>"
                        "<col style=\"width:10mm\"><col style=\"width:19%\"><col style=\"width:9%\">"
                        "<col style=\"width:8%\"><col style=\"width:21%\"><col></colgroup>\n<thead><tr><th></th>"
                        "<th>Parola</th><th class=\"n\">Chiesta</th><th colspan=\"2\">Giusta al 1° tentativo</th>"
                        "<th>Confusa più spesso con</th></tr></thead><tbody>\n")
             .arg(QLatin1String(level));
    for (const WordFigures& w : u.words) {
        const QString confused = w.confusedWith.isEmpty()
            ? QStringLiteral("<span class=\"none\">–</span>")
            : pictures.labelled(u.unit, w.confusedWith,
                                w.confusedTimes == 1 ? QStringLiteral("1 volta")
                                                     : number(w.confusedTimes) + QStringLiteral(" volte"));
        h += QStringLiteral("<tr><td class=\"p\">%1</td><td class=\"word\">%2</td><td class=\"n\">%3</td><td "
                            "class=\"n\">%4</td>%5<td>%6</td></tr>\n")
                 .arg(pictures.of(u.unit, w.word), esc(w.word), number(w.asked), number(w.rightFirst),
                      barCell(w.rightFirst, w.asked), confused);
    }
    return h + QStringLiteral("</tbody></table>\n");
}

QString pupilSection(const Pupil& p, Pictures& pictures)
{
    QString h = QStringLiteral("<section class=\"pupil\"><h2>%1<span>%2</span></h2>\n<p class=\"path\">%3</p>\n")
                    .arg(avatar(p.name), pupilName(p), esc(p.path, 400));
    const int pc = percent(p.rightFirst, p.questions);
    qint64 words = 0;
    for (const UnitFigures& u : p.units)
        words += qint64(u.words.size());
    h += QStringLiteral("<div class=\"cards\">") + card(number(p.answers), QStringLiteral("risposte date"))
        + card(pc < 0 ? QStringLiteral("–") : QString::number(pc) + '%',
               QStringLiteral("giuste al primo tentativo (%1 su %2)").arg(number(p.rightFirst), number(p.questions)))
        + card(number(words), QStringLiteral("parole incontrate")) + periodCard(p.first, p.last)
        + QStringLiteral("</div>\n");
    const bool named = p.units.size() > 1;
    if (!named)
        h += QStringLiteral("<p>%1</p>\n").arg(p.units.front().title.toHtmlEscaped());
    for (const UnitFigures& u : p.units)
        h += unitTables(u, named, pictures);
    return h + QStringLiteral("</section>\n");
}

} // namespace

QByteArray page(const ClassReport& report, const Options& options)
{
    Pictures pictures(options);
    QString body = QStringLiteral("<header><h1>Munchora <small>Resoconto delle risposte</small></h1>\n"
                                  "<p class=\"meta\">Preparato %1 alle %2. %3</p></header>\n")
                       .arg(theDay(report.made.date(), QStringLiteral("d MMMM yyyy")),
                            report.made.toString(QStringLiteral("HH:mm")), whereSearched(report).toHtmlEscaped());
    if (report.pupils.empty()) {
        body += QStringLiteral("<p>") + noRecordsFound().toHtmlEscaped() + QStringLiteral("</p>\n");
    } else {
        body += classSection(report, pictures);
        for (const Pupil& p : report.pupils)
            if (p.problem.isEmpty() && p.answers > 0)
                body += pupilSection(p, pictures);
    }
    const QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n"
                                        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                                        "<title>Munchora – Resoconto delle risposte</title>\n<style>")
        + QLatin1String(Style) + QStringLiteral("</style>\n</head>\n<body>\n") + pictures.definitions() + body
        + QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace Report
