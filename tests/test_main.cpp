// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every registered test class of this program. Arguments go to each class, except
// "-class NAME", which runs only that class.

#include "helpers/test_registry.h"
#include "screens.h"
#include "shell/accessibility.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace {

// The program's folders and servers, private to this test program: nothing on the machine (a
// classroom preset in /etc/xdg, the user's own settings, a classroom's speech cache, a copy of
// the program running, a sound server, a display, an accessibility bus) may change an outcome.
// Children started by the tests inherit it.
void useAnEnvironmentOfItsOwn(const QString& root)
{
    const auto set = [&root](const char* name, const char* folder) {
        QDir(root).mkpath(QString::fromLatin1(folder));
        qputenv(name, QFile::encodeName(root + QLatin1Char('/') + QLatin1String(folder)));
    };
    set("HOME", "home");
    set("XDG_CONFIG_HOME", "home/.config");
    set("XDG_CONFIG_DIRS", "system-config");
    set("XDG_DATA_HOME", "home/.local/share");
    // No school's units (/usr/local/share/munchora/units) nor an installed package's.
    set("XDG_DATA_DIRS", "system-data");
    set("XDG_CACHE_HOME", "home/.cache");
    set("XDG_STATE_HOME", "home/.local/state");
    set("XDG_RUNTIME_DIR", "run");
    QFile::setPermissions(root + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    set("TMPDIR", "tmp");
    // As /tmp is: tests that drop their rights still reach the folders made for them there.
    ::chmod(QFile::encodeName(root).constData(), 0711);
    ::chmod(QFile::encodeName(root + QStringLiteral("/tmp")).constData(), 01777);
    // No sound server unless one is named for the run: the speech keeps its time on the clock.
    const QByteArray pulse = qgetenv("MUNCHORA_TEST_PULSE_SERVER");
    qputenv("PULSE_SERVER", pulse.isEmpty() ? QFile::encodeName("unix:" + root + "/no-sound-server") : pulse);
    // No classroom's prepared speech either (MUNCHORA_SHARED_SPEECH, or /var/cache/munchora/speech
    // when it is not set): a folder that does not exist.
    qputenv("MUNCHORA_SHARED_SPEECH", QFile::encodeName(root + "/no-shared-speech"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName("unix:path=" + root + "/no-session-bus"));
    qunsetenv("XDG_SESSION_TYPE");
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/munchora-test-XXXXXX"));
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot make a folder for the tests' environment in %s\n", qPrintable(QDir::tempPath()));
        return 1;
    }
    useAnEnvironmentOfItsOwn(root.path());
    QApplication app(argc, argv);
    installAccessibility(); // as the program does, before any widget
    loadBundledFonts();
    handOverScreens();

    QStringList args = QCoreApplication::arguments();
    QString only;
    const int classFlag = int(args.indexOf(QStringLiteral("-class")));
    if (classFlag >= 0 && classFlag + 1 < args.size()) {
        only = args.at(classFlag + 1);
        args.remove(classFlag, 2);
    }

    int failed = 0;
    int ran = 0;
    for (const TestRegistration& test : testRegistry()) {
        if (!only.isEmpty() && only != QLatin1String(test.name))
            continue;
        std::unique_ptr<QObject> object(test.make());
        ++ran;
        if (QTest::qExec(object.get(), args) != 0) {
            ++failed;
            std::fprintf(stderr, "FAILED: %s\n", test.name);
        }
    }
    std::printf("%d test classes run, %d failed\n", ran, failed);
    return failed == 0 && ran > 0 ? 0 : 1;
}
