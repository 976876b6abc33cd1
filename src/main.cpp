#include "startup.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {

struct CommandLine
{
    QCommandLineParser parser;
    QCommandLineOption windowed{QStringLiteral("windowed"),
                                QStringLiteral("Run in a normal window instead of full screen.")};

    CommandLine()
    {
        parser.setApplicationDescription(
            QStringLiteral("Munchora: the first English words for food and drink, spoken aloud."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(windowed);
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
        if (!help)
            line.parser.showVersion(); // both end the process with status 0
        line.parser.showHelp(0);
    }

    QApplication app(argc, argv);
    // Now Qt has taken its own options out: anything left that is unknown is a mistake.
    if (!line.parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "munchora: %s\nTry 'munchora --help'.\n", qPrintable(line.parser.errorText()));
        return 2;
    }
    return Modulo1::Main(line.parser.isSet(line.windowed) ? Modulo1::WindowMode::Windowed
                                                          : Modulo1::WindowMode::FullScreen);
}
