// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/answer_record.h"
#include "record/report.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "startup.h"
#include "units/installed_units.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <memory>

namespace {

const char LicenceNotice[] =
    "Licence GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

struct CommandLine
{
    QCommandLineParser parser;
    QCommandLineOption windowed{QStringLiteral("windowed"),
                                QStringLiteral("Run in a normal window instead of full screen.")};
    QCommandLineOption prepare{QStringLiteral("prepare-speech"),
                               QStringLiteral("Make the speech of every text into <folder> and end: a classroom's "
                                              "copies read it (/var/cache/munchora/speech, or the folder "
                                              "MUNCHORA_SHARED_SPEECH names)."),
                               QStringLiteral("folder")};
    QCommandLineOption voice{QStringLiteral("voice"),
                             QStringLiteral("With --prepare-speech: the voice number (default: the settings')."),
                             QStringLiteral("number")};
    QCommandLineOption speed{QStringLiteral("speed"),
                             QStringLiteral("With --prepare-speech: the speed, 50 to 200 (default: the settings')."),
                             QStringLiteral("speed")};

    QCommandLineOption report{QStringLiteral("report"),
                              QStringLiteral("Print the teacher's report of the answers kept (when the school keeps "
                                             "them) and end: the caller's own, or every pupil's under the folders "
                                             "given (e.g. /home).")};
    QCommandLineOption html{QStringLiteral("html"),
                            QStringLiteral("With --report: also write the report as one page for a browser to <file>."),
                            QStringLiteral("file")};
    QCommandLineOption forget{QStringLiteral("forget"),
                              QStringLiteral("Remove the caller's record of answers and end.")};
    QCommandLineOption unit{QStringLiteral("unit"),
                            QStringLiteral("Play the unit <unit>: an installed unit's name (animals), or a folder "
                                           "(./animali)."),
                            QStringLiteral("unit")};
    QCommandLineOption checkUnit{QStringLiteral("check-unit"),
                                 QStringLiteral("Check a unit a teacher made, in <folder> (or the installed unit of "
                                                "that name): print every problem, or that it is ready, and end."),
                                 QStringLiteral("folder")};

    CommandLine()
    {
        parser.setApplicationDescription(
            QStringLiteral("Munchora: the first English words for food and drink, spoken aloud."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(windowed);
        parser.addOption(prepare);
        parser.addOption(voice);
        parser.addOption(speed);
        parser.addOption(report);
        parser.addOption(html);
        parser.addOption(forget);
        parser.addOption(unit);
        parser.addOption(checkUnit);
        parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("With --report: where records are."),
                                     QStringLiteral("[folder...]"));
        // Qt's own options are single-dash words (-platform xcb): read them as one name each.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    }
};

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// A whole number from lowest to highest, or 0 when the option is not given.
bool numberOption(const QCommandLineParser& parser, const QCommandLineOption& option, int lowest, int highest,
                  int& value)
{
    value = 0;
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    value = parser.value(option).toInt(&ok);
    if (ok && value >= lowest && value <= highest)
        return true;
    std::fprintf(stderr, "munchora: --%s takes a whole number from %d to %d, not '%s'\n",
                 qPrintable(option.names().constFirst()), lowest, highest, qPrintable(parser.value(option)));
    return false;
}

// What is wrong with the options of --report and --forget, for the teacher: in Italian.
QString italianError(const QCommandLineParser& parser)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        QStringList names;
        for (const QString& name : parser.unknownOptionNames())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        return QStringLiteral("opzione sconosciuta: ") + names.join(QStringLiteral(", "));
    }
    const QString option = parser.errorText().section(QLatin1Char('\''), 1, 1);
    if (parser.errorText().startsWith(QLatin1String("Missing value")))
        return QStringLiteral("manca il valore dopo ") + option;
    if (parser.errorText().startsWith(QLatin1String("Unexpected value")))
        return option + QStringLiteral(" non vuole un valore");
    return QStringLiteral("opzioni non valide");
}

// For the teacher, in Italian: 0 when the unit is ready, else 1 with every problem and where it is.
int checkUnit(const QString& argument)
{
    const units::UnitReading reading = units::findUnit(argument);
    if (reading.ready()) {
        const units::Unit& unit = reading.unit;
        QString text = QStringLiteral("L'unità «%1»").arg(unit.name);
        if (unit.number > 0)
            text += QStringLiteral(" (numero %1)").arg(unit.number);
        text += QStringLiteral(" è pronta: %1 parole").arg(unit.words.size());
        if (!unit.folder.isEmpty())
            text += QStringLiteral(", in %1").arg(unit.folder);
        std::printf("%s.\n", qPrintable(text));
        return 0;
    }
    if (reading.unit.folder.isEmpty())
        std::printf("L'unità «%s» non è pronta:\n", qPrintable(argument));
    else
        std::printf("L'unità in %s non è pronta:\n", qPrintable(reading.unit.folder));
    for (const units::UnitProblem& problem : reading.problems)
        std::printf("  %s\n", qPrintable(units::describe(problem)));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("munchora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MUNCHORA_VERSION));

    // Help and version are answered before the application object, which reaches for the
    // display: they need none, and take no lock, make no folder and start no speech.
    CommandLine line;
    line.parser.parse(argumentsOf(argc, argv)); // Qt's own options are still here: no verdict yet
    const bool help = line.parser.isSet(QStringLiteral("help")) || line.parser.isSet(QStringLiteral("help-all"));
    if (help || line.parser.isSet(QStringLiteral("version"))) {
        QCoreApplication names(argc, argv); // for the program's name in the usage line
        if (!help) {
            std::printf("munchora %s\n%s", MUNCHORA_VERSION, LicenceNotice);
            return 0;
        }
        line.parser.showHelp(0); // ends the process with status 0
    }

    // Reading a unit's pictures' sizes needs no display either.
    if (line.parser.isSet(line.checkUnit)) {
        QCoreApplication app(argc, argv);
        if (!line.parser.parse(QCoreApplication::arguments()) || !line.parser.positionalArguments().isEmpty()) {
            std::fprintf(stderr, "munchora: %s\nTry 'munchora --help'.\n",
                         qPrintable(line.parser.errorText().isEmpty() ? QStringLiteral("folders go with --report")
                                                                      : line.parser.errorText()));
            return 2;
        }
        return checkUnit(line.parser.value(line.checkUnit));
    }

    // The record's commands need no display: a teacher may run them on a server.
    const bool reporting = line.parser.isSet(line.report);
    if (!reporting && line.parser.isSet(line.html)) {
        std::fprintf(stderr, "munchora: --html va insieme a --report\nVedere 'munchora --help'.\n");
        return 2;
    }
    if (reporting || line.parser.isSet(line.forget)) {
        QCoreApplication app(argc, argv);
        if (!line.parser.parse(QCoreApplication::arguments())) {
            std::fprintf(stderr, "munchora: %s\nVedere 'munchora --help'.\n", qPrintable(italianError(line.parser)));
            return 2;
        }
        if (!reporting) {
            // Nothing but the caller's own record is ever removed.
            if (!line.parser.positionalArguments().isEmpty()) {
                std::fprintf(stderr,
                             "munchora: --forget cancella solo la registrazione di chi lo lancia: non "
                             "vuole cartelle\nVedere 'munchora --help'.\n");
                return 2;
            }
            return AnswerRecord::forget();
        }
        Report::Options options;
        options.places = line.parser.positionalArguments();
        options.htmlFile = line.parser.value(line.html);
        options.screenTitle = [](const QString& screen) {
            for (const ScreenEntry& entry : programScreens())
                if (entry.screen == screen)
                    return entry.italian + QStringLiteral(" (") + entry.caption + QLatin1Char(')');
            return screen;
        };
        for (const ScreenEntry& entry : programScreens()) {
            options.screenOrder << entry.screen;
            // The memory tiles are the pair games.
            if (entry.picture == ButtonPicture::Memory)
                options.pairGames << entry.screen;
        }
        // The units installed here name the units in the records, and hold their pictures.
        const auto installed = std::make_shared<const std::vector<units::Unit>>(units::installedUnits().units);
        const auto unitOf = [installed](const QString& id) -> const units::Unit* {
            for (const units::Unit& unit : *installed)
                if (unit.id == id)
                    return &unit;
            return nullptr;
        };
        for (const units::Unit& unit : *installed)
            options.unitOrder << unit.id;
        options.unitTitle = [unitOf](const QString& id) {
            const units::Unit* unit = unitOf(id);
            if (!unit)
                return QString();
            return unit->number > 0 ? QStringLiteral("Unità %1 – %2").arg(QString::number(unit->number), unit->name)
                                    : unit->name;
        };
        options.picturePath = [unitOf](const QString& id, const QString& word) {
            if (const units::Unit* unit = unitOf(id))
                for (const units::UnitWord& each : unit->words)
                    if (each.word == word)
                        return each.picture;
            return QString();
        };
        return Report::run(options);
    }

    // Preparing speech shows no window: it runs on a server with no display, as a package's
    // script or an administrator runs it.
    const bool preparing = line.parser.isSet(line.prepare);
    if (!preparing && (line.parser.isSet(line.voice) || line.parser.isSet(line.speed))) {
        std::fprintf(stderr, "munchora: --voice and --speed go with --prepare-speech\nTry 'munchora --help'.\n");
        return 2;
    }
    if (preparing)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        // X11 first, also on a Wayland desktop through Xwayland: there the box of a second start
        // can be tied to the running copy's window so it shows above it, and the program takes
        // a fraction of the memory; Wayland itself (qt6-wayland) only where there is no X server.
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    QApplication app(argc, argv);
    // Now Qt has taken its own options out: anything left that is unknown is a mistake.
    if (!line.parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "munchora: %s\nTry 'munchora --help'.\n", qPrintable(line.parser.errorText()));
        return 2;
    }
    if (!line.parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "munchora: folders go with --report\nTry 'munchora --help'.\n");
        return 2;
    }
    if (preparing) {
        int voice = 0, speed = 0;
        if (!numberOption(line.parser, line.voice, 1, 99, voice)
            || !numberOption(line.parser, line.speed, 50, 200, speed))
            return 2;
        return Modulo1::PrepareSpeech(line.parser.value(line.prepare), voice, speed);
    }
    return Modulo1::Main(line.parser.isSet(line.windowed) ? Modulo1::WindowMode::Windowed
                                                          : Modulo1::WindowMode::FullScreen,
                         line.parser.value(line.unit));
}
