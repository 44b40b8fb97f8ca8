// main() of an executable that holds several test files (see SharedTestMain.h):
//   <executable> <test name> [QtTest options]   runs one test, as CTest does for each of them

#include "SharedTestMain.h"

#include <cstdio>
#include <map>
#include <string>

namespace {
std::map<std::string, sharedtest::Entry>& Entries() {
    static std::map<std::string, sharedtest::Entry> entries;
    return entries;
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
    const auto found = argc < 2 ? Entries().end() : Entries().find(argv[1]);
    if (found == Entries().end()) {
        std::fprintf(stderr, "usage: %s <test name> [QtTest options]; tests here:\n", argc ? argv[0] : "");
        for (const auto& entry : Entries())
            std::fprintf(stderr, "  %s\n", entry.first.c_str());
        return 2;
    }
    argv[1] = argv[0]; // the test sees its options as if it were its own program
    return found->second(argc - 1, argv + 1);
}
