// Runs the GUI test classes offscreen; ctest runs each class on its own (argument 1 is
// the class name), without an argument every class runs.
#include "ui/UiTests.h"

#include <QApplication>
#include <QTest>
#include <cstring>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    int rest = only ? argc - 1 : argc;
    char** restArgs = argv;
    std::vector<char*> args(argv, argv + argc);
    if (only) {
        args.erase(args.begin() + 1);
        restArgs = args.data();
    }
    int failed = 0;
    for (const auto& [name, make] : UiTestClasses()) {
        if (only && std::strcmp(only, name) != 0)
            continue;
        std::unique_ptr<QObject> test = make();
        failed += QTest::qExec(test.get(), rest, restArgs);
    }
    return failed ? 1 : 0;
}
