#include "app/fonts.h"

#include <QFontDatabase>
#include <QStringList>

static void initResources()
{
    // The resources live in a static library: without this the linker drops them.
    Q_INIT_RESOURCE(munchora);
}

void loadBundledFonts()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    initResources();
    for (const char* file : {"ComicNeue-Regular.otf", "ComicNeue-Bold.otf",
                             "LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf"})
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/") + QLatin1String(file));
}
