// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "home/unit_choice.h"
#include "record/answer_record.h"
#include "screens.h"
#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "settings/settings_file.h"
#include "settings/single_copy.h"
#include "shell/accessibility.h"
#include "shell/app_window.h"
#include "shell/dialogs.h"
#include "speech/engine_speech_service.h"
#include "speech/speech_service.h"
#include "units/installed_units.h"
#include "widgets/button_pictures.h"
#include "widgets/fonts.h"
#include "widgets/pictures.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <cstdio>

static QIcon programIcon()
{
    // The resources live in a static library: without this the linker drops them.
    Q_INIT_RESOURCE(munchora_icon);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icon/48.png"));
    icon.addFile(QStringLiteral(":/icon/128.png"));
    return icon;
}

namespace {
const QString AlreadyRunning = QString::fromUtf8("E' già stata avviata una copia di questo programma!");
// How long a second start waits for the running copy (still starting, say) to take its call, and
// how long the box that says it runs stays: nobody need close it, and it never stays for good.
constexpr int RunningCopyAnswersWithinMs = 3000;
constexpr int AlreadyRunningBoxMs = 10000;

Q_LOGGING_CATEGORY(lcUnits, "munchora.units", QtInfoMsg)

// Makes a unit the one the screens play: its words, its pictures (none of another unit's kept),
// and the unit each recorded answer says.
void playUnit(const units::Unit& unit)
{
    units::play(unit);
    PictureLoader::instance().clearCache();
    AnswerRecord::setUnit(unit.id);
}

// The unit to start with and those a child may choose, from --unit and the classroom's
// configuration. A unit that cannot be played is named in problem, and the built-in one plays.
struct UnitsAtStart
{
    units::Unit start = units::builtInUnit();
    std::vector<units::Unit> offered;
    QString problem; // for the teacher, in Italian
};

UnitsAtStart unitsAtStart(const QString& argument)
{
    UnitsAtStart result;
    const units::InstalledUnits installed = units::installedUnits();
    for (const QString& skipped : installed.skipped)
        qCWarning(lcUnits).noquote() << skipped;
    const units::ClassroomChoice choice = units::classroomChoice(installed.units);
    for (const QString& problem : choice.problems)
        qCWarning(lcUnits).noquote() << problem;
    for (const units::Unit& unit : installed.units) {
        if (choice.offered.contains(unit.id))
            result.offered.push_back(unit);
        if (unit.id == choice.start)
            result.start = unit;
    }
    if (argument.isEmpty()) {
        // The classroom's start unit that cannot be played is the teacher's to mend: said as
        // the log says it, with why its folder was not taken.
        if (!choice.startRefused.isEmpty()) {
            QStringList why = choice.problems;
            for (const QString& skipped : installed.skipped)
                if (skipped.contains(QLatin1Char('/') + choice.startRefused + QLatin1Char(':')))
                    why << skipped;
            result.problem = QStringLiteral("L'unità «%1» non si può usare:\n%2\nSi usa l'unità %3.")
                                 .arg(choice.startRefused, why.join(QLatin1Char('\n')), result.start.id);
        }
        return result;
    }
    const units::UnitReading reading = units::findUnit(argument);
    if (!reading.ready()) {
        QStringList problems;
        for (const units::UnitProblem& problem : reading.problems)
            problems << units::describe(problem);
        result.problem = QStringLiteral("L'unità «%1» non si può usare:\n%2\nSi usa l'unità 7.")
                             .arg(argument, problems.join(QLatin1Char('\n')));
        result.start = units::builtInUnit();
    } else {
        result.start = reading.unit;
    }
    // The unit that starts can be chosen again after another.
    if (std::none_of(result.offered.begin(), result.offered.end(),
                     [&](const units::Unit& unit) { return unit.id == result.start.id; }))
        result.offered.insert(result.offered.begin(), result.start);
    return result;
}

// Hands the units a child may choose to the menu, each with three of its pictures.
void offerUnits(const UnitsAtStart& units)
{
    if (!units.problem.isEmpty())
        qCWarning(lcUnits).noquote() << units.problem;
    std::vector<OfferedUnit> offered;
    for (const units::Unit& unit : units.offered) {
        QStringList pictures;
        for (int word : unitShowcase(int(unit.words.size())))
            if (word > 0)
                pictures << unit.words.at(size_t(word - 1)).picture;
        offered.push_back({unit.id, unit.name, unit.number, pictures});
    }
    setOfferedUnits(std::move(offered), [units = units.offered](const QString& id) {
        for (const units::Unit& unit : units)
            if (unit.id == id)
                playUnit(unit);
    });
}

} // namespace

namespace Modulo1 {

int Main(WindowMode mode, const QString& unitArgument)
{
    // The task bar and the dock show the program's own icon and tie its window to the menu
    // entry of that name (whose StartupWMClass is the window class Qt gives, "munchora").
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.munchora"));

    // Before any widget: each widget's accessible interface is made once and kept.
    installAccessibility();

    // The single copy. One copy at a time; the lock stays held until Main returns. Only a live copy on this
    // machine stops the start: any other trouble with the lock is logged and the program runs.
    SingleCopy singleCopy;
    if (singleCopy.acquire() == SingleCopy::Outcome::AnotherCopyRuns) {
        // Children start the program twice with a double click. The copy that runs comes to the
        // front and says it runs, in a box of its own window: a desktop shows that one, with the
        // keyboard, where it may keep another program's box behind a full-screen window.
        if (singleCopy.callRunningCopy(RunningCopyAnswersWithinMs))
            return 0;
        // It did not answer: this start says so itself, for a while.
        bool answered = false;
        MsgBox(
            nullptr, AlreadyRunning, QStringLiteral("Error"), BoxIcon::Critical, BoxButtons::Ok,
            [&answered](BoxAnswer) {
                answered = true;
                QCoreApplication::quit();
            },
            AlreadyRunningBoxMs);
        if (!answered)
            QApplication::exec();
        return 0;
    }
    // Answered from the event loop, so a start made while this one is still coming up is
    // answered once its window is there.
    AppWindow* front = nullptr;
    singleCopy.answerLaterStarts([&front] {
        if (!front)
            return;
        front->comeToFront();
        if (!Dialogs::current().asking()) // a question already up stays the one to answer
            MsgBox(front, AlreadyRunning, QStringLiteral("Error"), BoxIcon::Critical, BoxButtons::Ok, {},
                   AlreadyRunningBoxMs);
    });

    // The settings folder. The read-me, not the folder or the settings file, says the folder is set up.
    FileImpostazioni = settingsFolder() + QLatin1Char('/') + QLatin1String(SettingsFile::FileName);
    if (!EsisteFile(SettingsFile::readmePath()))
        CreaCartellaImpostazioni(); // on failure the program runs on the defaults

    // The random source, the settings and the words.
    RandomSource::seedFromClock();
    FlagVoce = 0;
    LeggiImpostazioni();
    // The unit: the one --unit names, else the classroom's, else the built-in one. Reading the
    // units installed takes a while (every picture's header): when the built-in unit starts
    // anyway, that is done once the splash is up, or when the menu first asks, if sooner.
    const QString configuredStart = units::configuredStartUnit();
    const bool builtInFirst = unitArgument.isEmpty()
        && (configuredStart.isEmpty() || configuredStart == QLatin1String(units::BuiltInId));
    UnitsAtStart unitsToPlay;
    if (builtInFirst) {
        playUnit(unitsToPlay.start);
    } else {
        unitsToPlay = unitsAtStart(unitArgument);
        playUnit(unitsToPlay.start);
        offerUnits(unitsToPlay);
    }
    // The record of answers, when the school keeps one: it opens on a thread of its own.
    AnswerRecord::start();

    // The splash screen. The speech engines warm up in the background meanwhile, so the
    // welcome is not delayed.
    loadSplashFonts();
    SpeechService::start(Voce);
    handOverScreens();
    AppWindow window;
    if (mode == WindowMode::Windowed)
        window.showWindowed();
    else
        window.showFullScreenOnItsScreen();
    window.showScreen(newFormAvvio());
    front = &window;
    if (builtInFirst) {
        offerUnitsLater([] { offerUnits(unitsAtStart(QString())); });
        QTimer::singleShot(100, &window, &offerUnitsNow);
    }
    // The teacher reads what is wrong with the unit named; the children play the built-in one.
    if (!unitsToPlay.problem.isEmpty())
        MsgBox(&window, unitsToPlay.problem, QStringLiteral("munchora"), BoxIcon::Critical, BoxButtons::Ok);
    // The icon's pictures are decoded once the splash is up: the first frame comes sooner.
    QTimer::singleShot(300, [] { QApplication::setWindowIcon(programIcon()); });
    const int status = QApplication::exec();
    AnswerRecord::stop();
    return status;
}

int PrepareSpeech(const QString& folder, int voice, int velocita)
{
    FileImpostazioni = settingsFolder() + QLatin1Char('/') + QLatin1String(SettingsFile::FileName);
    LeggiImpostazioni();
    voice = voice > 0 ? voice : Voce;
    velocita = velocita > 0 ? velocita : Velocita;
    if (velocita < 50 || velocita > 200) {
        std::fprintf(stderr, "munchora: the speed must be from 50 to 200, not %d\n", velocita);
        return 2;
    }
    // The screens are made only to be asked what they say, in every unit: they speak through a
    // mute service.
    const std::unique_ptr<SpeechService> mute = createMuteSpeechService();
    SpeechService::install(mute.get());
    QStringList texts;
    QStringList unitNames;
    for (const units::Unit& unit : units::installedUnits().units) {
        playUnit(unit);
        texts << everySpokenText();
        unitNames << unit.name;
    }
    texts.removeDuplicates();
    playUnit(units::builtInUnit());
    SpeechService::install(nullptr);

    const QString path = QDir(folder).absolutePath();
    SpeechPreparation result;
    QString why;
    if (!prepareSpeechCache(path, voice, velocita, texts, result, &why)) {
        std::fprintf(stderr, "munchora: %s\n", qPrintable(why));
        return 2;
    }
    std::printf("munchora: %lld texts of the units %s, for voice %d (%s) at speed %d in %s: %d made, %d already "
                "there, %d failed; %.1f MB\n",
                qlonglong(texts.size()), qPrintable(unitNames.join(QStringLiteral(", "))), voice,
                qPrintable(result.voiceName), velocita, qPrintable(path), result.made, result.kept, result.failed,
                double(result.bytes) / 1e6);
    return result.failed == 0 ? 0 : 1;
}

} // namespace Modulo1
