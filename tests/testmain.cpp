// The main of every area's test executable. It runs each registered test class in
// turn and fails when any of them failed. A first argument that names a class runs
// that class alone and hands it the remaining arguments (test functions, -v2, ...).

#include "testrunner.h"

#ifdef RELAXON_TEST_MAIN_WINDOW
#include "app/relaxon.h"
#include "app/resourceregistry.h"
#elif defined(QT_WIDGETS_LIB)
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

struct TestClass
{
    const char *name;
    TestClassRunner run;
    bool ownProcess;
};

std::vector<TestClass> &testClasses()
{
    static std::vector<TestClass> classes;
    return classes;
}

// Runs the class in this executable started anew, its output going where ours goes.
int runInOwnProcess(const TestClass &test, int argc, char **argv)
{
    QStringList arguments{QString::fromLatin1(test.name)};
    for (int a = 1; a < argc; ++a)
        arguments << QString::fromLocal8Bit(argv[a]);
    const int status = QProcess::execute(QString::fromLocal8Bit(argv[0]), arguments);
    return status < 0 ? 1 : status; // negative: it crashed or did not start
}

} // namespace

bool registerTestClass(const char *name, TestClassRunner run, bool ownProcess)
{
    testClasses().push_back({name, run, ownProcess});
    return true;
}

int main(int argc, char **argv)
{
#ifdef RELAXON_TEST_MAIN_WINDOW
    // The shell's tests run on the program's own application object and resources.
    registerCompiledResources();
    Relaxon app(argc, argv);
#else
#ifdef QT_WIDGETS_LIB
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    app.setAttribute(Qt::AA_Use96Dpi, true);
#endif

    if (argc > 1) {
        for (const TestClass &test : testClasses()) {
            if (QByteArray(argv[1]) == test.name) {
                argv[1] = argv[0];
                return test.run(argc - 1, argv + 1);
            }
        }
    }
    int failures = 0;
    for (const TestClass &test : testClasses())
        failures += test.ownProcess ? runInOwnProcess(test, argc, argv) : test.run(argc, argv);
    return std::min(failures, 127);
}
