// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/fonts.h"

#include <QFontDatabase>
#include <QStringList>

static void initResources()
{
    // The resources live in a static library: without this the linker drops them.
    Q_INIT_RESOURCE(munchora);
}

namespace {

void loadFont(const char* file)
{
    static QStringList loaded;
    const QString path = QStringLiteral(":/fonts/") + QLatin1String(file);
    if (loaded.contains(path))
        return;
    loaded << path;
    static const bool resources = (initResources(), true);
    Q_UNUSED(resources);
    QFontDatabase::addApplicationFont(path);
}

} // namespace

void loadSplashFonts()
{
    loadFont("ComicNeue-Bold.otf");
}

void loadBundledFonts()
{
    for (const char* file :
         {"ComicNeue-Bold.otf", "ComicNeue-Regular.otf", "LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf"})
        loadFont(file);
}

QFont designFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}
