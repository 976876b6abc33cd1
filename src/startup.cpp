#include "startup.h"

#include "settings/modulo1.h"
#include "settings/random_source.h"
#include "settings/settings_file.h"
#include "settings/single_copy.h"
#include "shell/accessibility.h"
#include "shell/app_window.h"
#include "shell/dialogs.h"
#include "speech/speech_service.h"
#include "widgets/fonts.h"

#include <QApplication>

namespace Modulo1 {

int Main(WindowMode mode)
{
    // Before any widget: each widget's accessible interface is made once and kept.
    installAccessibility();

    // 1. One copy at a time; the lock stays held until Main returns. Only a live copy on this
    // machine stops the start: any other trouble with the lock is logged and the program runs.
    SingleCopy singleCopy;
    if (singleCopy.acquire() == SingleCopy::Outcome::AnotherCopyRuns) {
        MsgBox(nullptr, QString::fromUtf8("E' già stata avviata una copia di questo programma!"),
               QStringLiteral("Error"), BoxIcon::Critical, BoxButtons::Ok);
        return 0;
    }

    // 2, 3. The read-me, not the folder or the settings file, says the folder is set up.
    FileImpostazioni = settingsFolder() + QLatin1Char('/') + QLatin1String(SettingsFile::FileName);
    if (!EsisteFile(SettingsFile::readmePath()))
        CreaCartellaImpostazioni(); // on failure the program runs on the defaults

    // 4 to 7.
    RandomSource::seedFromClock();
    FlagVoce = 0;
    LeggiImpostazioni();
    CaricaParole();

    // 8. The splash screen. The speech engines warm up in the background meanwhile, so the
    // welcome is not delayed.
    loadSplashFonts();
    SpeechService::start(Voce);
    AppWindow window;
    if (mode == WindowMode::Windowed)
        window.showWindowed();
    else
        window.showFullScreenOnItsScreen();
    window.showScreen(newFormAvvio());
    return QApplication::exec();
}

} // namespace Modulo1
