// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/modulo1.h"

#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace Modulo1 {

std::vector<QString> Parole;
qint16 Voce = DefaultVoce;
qint16 Velocita = DefaultVelocita;
qint16 FlagVoce = 0;
QString FileImpostazioni;

namespace {
QString settingsFolderOverride;
QString programFolderOverride;
const QString emptyWord;

const char* const builtInWords[BuiltInWordCount] = {
    "chicken", "beer",  "biscuits", "spinach",    "beans",  "orange", "cheese", "coffee", "chips",  "chocolate",
    "banana",  "water", "ham",      "lemon",      "carrot", "pasta",  "coke",   "apple",  "fish",   "ice cream",
    "eggs",    "cake",  "bread",    "sandwiches", "tomato", "salad",  "milk",   "pizza",  "grapes", "pear"};
const char* const builtInForms[BuiltInWordCount] = {
    "chicken", "beer",  "biscuits", "spinaches",  "beans",   "oranges", "cheese", "coffee", "chips",  "chocolate",
    "bananas", "water", "ham",      "lemons",     "carrots", "pasta",   "coke",   "apples", "fish",   "ice cream",
    "eggs",    "cakes", "bread",    "sandwiches", "tomatos", "salad",   "milk",   "pizza",  "grapes", "pears"};

UnitInPlay unit;
std::vector<QString> forms;       // index for index with Parole
QHash<QString, QString> pictures; // another unit's: a word's picture file
} // namespace

int WordCount()
{
    return Parole.empty() ? 0 : int(Parole.size()) - 1;
}

const UnitInPlay& unitInPlay()
{
    return unit;
}

const QString& Parola(int index)
{
    Q_ASSERT_X(index >= 0 && index <= WordCount(), "Parola", "word index outside the unit");
    if (index < 0 || index > WordCount())
        return emptyWord;
    return Parole[static_cast<size_t>(index)];
}

void CaricaParole()
{
    unit = UnitInPlay();
    Parole.assign(1, QString());
    forms.assign(1, QString());
    pictures.clear();
    for (int i = 1; i <= BuiltInWordCount; ++i) {
        Parole.push_back(builtInWord(i));
        forms.push_back(builtInForm(i));
    }
}

void CaricaParole(const UnitInPlay& played, const std::vector<WordOfUnit>& words)
{
    unit = played;
    unit.builtIn = false;
    Parole.assign(1, QString());
    forms.assign(1, QString());
    pictures.clear();
    for (const WordOfUnit& word : words) {
        Parole.push_back(word.word);
        forms.push_back(word.form);
        pictures.insert(word.word, word.picture);
    }
}

QString sentenceForm(int index)
{
    return index >= 1 && index < int(forms.size()) ? forms[size_t(index)] : QString();
}

QString builtInWord(int index)
{
    return index >= 1 && index <= BuiltInWordCount ? QString::fromLatin1(builtInWords[index - 1]) : QString();
}

QString builtInForm(int index)
{
    return index >= 1 && index <= BuiltInWordCount ? QString::fromLatin1(builtInForms[index - 1]) : QString();
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
    const auto found = pictures.constFind(word);
    return found != pictures.constEnd() ? *found : builtInPicturePath(word);
}

QString builtInPicturePath(const QString& word)
{
    // Beside the program in the build tree; installed, the program is in lib/munchora/ and the
    // pictures, being data, in share/munchora/.
    QString folder = programFolder() + QStringLiteral("/jpg");
    if (!QFileInfo(folder).isDir())
        folder = QDir::cleanPath(programFolder() + QStringLiteral("/../../share/munchora/jpg"));
    return folder + QLatin1Char('/') + word + QStringLiteral(".jpg");
}

QString settingsFileDisplayPath()
{
    const QString file = FileImpostazioni.isEmpty()
        ? settingsFolder() + QLatin1Char('/') + QLatin1String(SettingsFile::FileName)
        : FileImpostazioni;
    return QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
}

} // namespace Modulo1
