// SPDX-License-Identifier: GPL-3.0-or-later
// The program's settings code in a process of its own, for what a test cannot do to itself:
// be killed in the middle of a save, or run as a user without rights.
//
//   settings_probe save-loop FOLDER        saves two value pairs in turn for ever, printing the
//                                          number of each save once it is done
//   settings_probe read-save FOLDER V S    reads the settings, then saves V and S; prints both

#include "settings/modulo1.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

using namespace Modulo1;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    QLoggingCategory::setFilterRules(QStringLiteral("munchora.settings.warning=false"));
    setSettingsFolder(args[2]);
    FileImpostazioni = args[2] + QStringLiteral("/") + QLatin1String(SettingsFile::FileName);

    if (args[1] == QLatin1String("save-loop")) {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        std::printf("ready\n");
        for (long n = 0;; ++n) {
            Voce = n % 2 == 0 ? 3 : 2;
            Velocita = n % 2 == 0 ? 150 : 90;
            if (!SalvaImpostazioni())
                return 1;
            std::printf("%ld\n", n);
        }
    }
    if (args[1] == QLatin1String("read-save") && args.size() == 5) {
        LeggiImpostazioni();
        std::printf("read %d %d\n", Voce, Velocita);
        Voce = qint16(args[3].toInt());
        Velocita = qint16(args[4].toInt());
        const bool saved = SalvaImpostazioni();
        std::printf("save %s, kept %d %d\n", saved ? "done" : "failed", Voce, Velocita);
        return 0;
    }
    return 2;
}
