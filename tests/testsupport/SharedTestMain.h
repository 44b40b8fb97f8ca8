#pragma once

// The test classes of one tests/ folder share one executable, which links faster than one
// executable each. Every tst_*.cpp file keeps the usual QTEST_MAIN (or QTEST_GUILESS_MAIN,
// QTEST_APPLESS_MAIN) line: this header, included before the file's own code, turns the main()
// those macros define into an entry registered under the file's name. SharedTestMain.cpp runs the
// entry named on the command line.

#include <QtTest/QtTest>

namespace sharedtest {
using Entry = int (*)(int argc, char* argv[]);
// Registers the test of `sourceFile` (its name without folder and extension); returns true.
bool Register(const char* sourceFile, Entry entry);
} // namespace sharedtest

// The same body as QtTest's own main(): the application the macro asks for, then the test class.
// The names carry the class's, so a folder's files can also be compiled as one unit.
#undef QTEST_MAIN_WRAPPER
#define QTEST_MAIN_WRAPPER(TestObject, ...)                                                                            \
    static int SharedTestEntry_##TestObject(int argc, char* argv[]) {                                                  \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                                             \
        __VA_ARGS__                                                                                                    \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }                                                                                                                  \
    [[maybe_unused]] static const bool sharedTestRegistered_##TestObject =                                             \
        sharedtest::Register(__FILE__, SharedTestEntry_##TestObject);
