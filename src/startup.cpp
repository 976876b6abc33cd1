// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

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
#include "widgets/fonts.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTimer>

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
} // namespace

namespace Modulo1 {

int Main(WindowMode mode)
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
    CaricaParole();
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
    CaricaParole();
    // The screens are made only to be asked what they say: they speak through a mute service.
    const std::unique_ptr<SpeechService> mute = createMuteSpeechService();
    SpeechService::install(mute.get());
    const QStringList texts = everySpokenText();
    SpeechService::install(nullptr);

    const QString path = QDir(folder).absolutePath();
    SpeechPreparation result;
    QString why;
    if (!prepareSpeechCache(path, voice, velocita, texts, result, &why)) {
        std::fprintf(stderr, "munchora: %s\n", qPrintable(why));
        return 2;
    }
    std::printf("munchora: %lld texts for voice %d (%s) at speed %d in %s: %d made, %d already there, %d failed; "
                "%.1f MB\n",
                qlonglong(texts.size()), voice, qPrintable(result.voiceName), velocita, qPrintable(path), result.made,
                result.kept, result.failed, double(result.bytes) / 1e6);
    return result.failed == 0 ? 0 : 1;
}

} // namespace Modulo1
