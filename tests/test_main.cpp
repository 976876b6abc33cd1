// Runs every registered test class of this program. Arguments go to each class, except
// "-class NAME", which runs only that class.

#include "app/accessibility.h"
#include "app/fonts.h"
#include "helpers/test_registry.h"

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installAccessibility(); // as the program does, before any widget
    loadBundledFonts();

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
