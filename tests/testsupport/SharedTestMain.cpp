// main() of an executable that holds several test files (see SharedTestMain.h):
//   <executable> <test name> [QtTest options]   runs one test, as CTest does for each of them
//   <executable> [QtTest options]               runs every test, each in a process of its own
//   <executable> --list                         prints the test names

#include "SharedTestMain.h"

#include <QProcess>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

std::map<std::string, sharedtest::Entry>& Entries() {
    static std::map<std::string, sharedtest::Entry> entries;
    return entries;
}

// Every test in its own process: each gets a fresh application object, as under CTest.
int RunEach(int argc, char* argv[]) {
    QStringList options;
    for (int i = 1; i < argc; ++i)
        options << QString::fromLocal8Bit(argv[i]);
    const QString self = QString::fromLocal8Bit(argv[0]);
    int failed = 0;
    for (const auto& [name, entry] : Entries()) {
        if (QProcess::execute(self, QStringList{QString::fromStdString(name)} + options) != 0) {
            std::fprintf(stderr, "FAILED: %s\n", name.c_str());
            ++failed;
        }
    }
    std::printf("%d of %zu tests failed\n", failed, Entries().size());
    return failed == 0 ? 0 : 1;
}

} // namespace

bool sharedtest::Register(const char* sourceFile, Entry entry) {
    std::string name = sourceFile;
    name = name.substr(name.find_last_of("/\\") + 1);
    name = name.substr(0, name.find('.'));
    Entries()[name] = entry;
    return true;
}

int main(int argc, char* argv[]) {
    if (argc >= 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const auto& entry : Entries())
            std::printf("%s\n", entry.first.c_str());
        return 0;
    }
    if (argc < 2 || argv[1][0] == '-')
        return RunEach(argc, argv);
    const auto found = Entries().find(argv[1]);
    if (found == Entries().end()) {
        std::fprintf(stderr, "no test named %s here (--list shows them)\n", argv[1]);
        return 2;
    }
    argv[1] = argv[0]; // the test sees its options as if it were its own program
    return found->second(argc - 1, argv + 1);
}
