// Fuzz target for the start list reader: any bytes, read with the choices found in them or with an
// encoding and delimiter the input picks, give problems in line order, each record at most one
// problem, and a list that, kept as the file beside a record file, reads back to the same entries
// without a problem.
#include "startlist/StartListImport.h"

#include <cstdint>
#include <cstdlib>

namespace {
void Check(const StartListImport& import) {
    for (qsizetype i = 1; i < import.problems.size(); ++i) {
        if (import.problems[i].line < import.problems[i - 1].line)
            std::abort();
    }
    const StartListRead again = ParseStartList(FormatStartList(import.list));
    if (!again.problems.isEmpty() || again.list.Count() != import.list.Count())
        std::abort();
    for (qsizetype i = 0; i < import.list.Entries().size(); ++i) {
        const StartListEntry& read = import.list.Entries()[i];
        const StartListEntry& reread = again.list.Entries()[i];
        if (read.bib != reread.bib || read.name != reread.name || read.category != reread.category)
            std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Check(ImportStartList(bytes));
    if (size > 0) {
        StartListImportChoice choice;
        choice.encoding = static_cast<TextEncoding>(data[0] % 6);
        choice.delimiter = QChar(char16_t(data[size - 1] % 128));
        Check(ImportStartList(bytes, choice));
    }
    return 0;
}
