#ifndef RELAXON_TESTS_TESTRUNNER_H
#define RELAXON_TESTS_TESTRUNNER_H

#include <QTest>

// Each area of the suite is one executable: every test file registers its test
// classes, and the area's main (testmain.cpp) runs them one after the other.

using TestClassRunner = int (*)(int argc, char **argv);

// Adds a test class under its name; returns true so that it can initialise a
// constant. A class that needs a fresh process (process-wide state it must see
// untouched) is run by the executable started anew for that class alone.
bool registerTestClass(const char *name, TestClassRunner run, bool ownProcess = false);

template <typename TestClass>
int runTestClass(int argc, char **argv)
{
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

// Registers TestClass in place of a QTEST_MAIN of its own.
#define RELAXON_TEST_CLASS(TestClass)                                                              \
    namespace {                                                                                    \
    const bool TestClass##Registered = registerTestClass(#TestClass, runTestClass<TestClass>);      \
    }

// Registers TestClass to run in a process of its own.
#define RELAXON_TEST_CLASS_IN_OWN_PROCESS(TestClass)                                               \
    namespace {                                                                                    \
    const bool TestClass##Registered = registerTestClass(#TestClass, runTestClass<TestClass>, true); \
    }

#endif
