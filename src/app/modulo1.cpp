#include "app/modulo1.h"

#include "app/accessibility.h"
#include "app/app_window.h"
#include "app/dialogs.h"
#include "app/fonts.h"
#include "app/random_source.h"
#include "app/settings_file.h"
#include "app/single_copy.h"
#include "speech/speech_service.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Modulo1 {

std::array<QString, WordCount + 1> Parole;
qint16 ParolaCorrente = 0;
qint16 ParolaA = 0;
qint16 ParolaB = 0;
qint16 Esatti = 0;
qint16 Errati = 0;
qint16 Voce = DefaultVoce;
qint16 Velocita = DefaultVelocita;
qint16 FlagVoce = 0;
QString FileImpostazioni;

namespace {
QString settingsFolderOverride;
QString programFolderOverride;
const QString emptyWord;
} // namespace

const QString& Parola(int index)
{
    Q_ASSERT_X(index >= 0 && index <= WordCount, "Parola", "word index outside 0..30");
    if (index < 0 || index > WordCount)
        return emptyWord;
    return Parole[static_cast<size_t>(index)];
}

void CaricaParole()
{
    static const char* const words[WordCount] = {
        "chicken", "beer",  "biscuits", "spinach", "beans",     "orange", "cheese", "coffee",
        "chips",   "chocolate", "banana", "water", "ham",       "lemon",  "carrot", "pasta",
        "coke",    "apple", "fish",     "ice cream", "eggs",    "cake",   "bread",  "sandwiches",
        "tomato",  "salad", "milk",     "pizza",   "grapes",    "pear"};
    Parole[0].clear();
    for (int i = 0; i < WordCount; ++i)
        Parole[static_cast<size_t>(i + 1)] = QString::fromLatin1(words[i]);
}

QString settingsFolder()
{
    if (!settingsFolderOverride.isEmpty())
        return settingsFolderOverride;
#ifdef Q_OS_WIN
    return QStringLiteral("C:/") + QLatin1String(SettingsFile::FolderName);
#else
    // A relative XDG_CONFIG_HOME is invalid under the XDG rules and is to be ignored; Qt 6.4
    // takes it as it is, which would put the settings wherever the program was started from.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QLatin1Char('/') + QLatin1String(SettingsFile::FolderName);
#endif
}

void setSettingsFolder(const QString& folder)
{
    settingsFolderOverride = folder;
}

QString programFolder()
{
    if (!programFolderOverride.isEmpty())
        return programFolderOverride;
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder)
{
    programFolderOverride = folder;
}

QString picturePath(const QString& word)
{
    return programFolder() + QStringLiteral("/jpg/") + word + QStringLiteral(".jpg");
}

QString settingsFileDisplayPath()
{
    const QString file = FileImpostazioni.isEmpty()
        ? settingsFolder() + QLatin1Char('/') + QLatin1String(SettingsFile::FileName)
        : FileImpostazioni;
    return QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
}

void MostraCrediti(QWidget* parent)
{
    const QString crlf = QStringLiteral("\r\n");
    const QString text = QStringLiteral("Munchora team  ") + crlf
        + QStringLiteral(" ----------------------- ") + crlf
        + QStringLiteral("https://") + QLatin1String(SettingsFile::MakerHost) + crlf
        + QStringLiteral("mail: munchora@example.org") + crlf
        + QStringLiteral("Pictures: Microsoft Fluent UI Emoji (npm package fluentui-emoji), MIT licence");
    MsgBox(parent, text, QStringLiteral("munchora"), BoxIcon::Information, BoxButtons::Ok);
}

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
