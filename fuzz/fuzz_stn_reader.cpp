// Fuzz target for the ".stn" reader: any bytes either fail with a raised error or give bibs that
// the writer turns into a file which reads back to the same bibs, and which is a fixed point of
// writing and reading again.
#include "base/ErrorInfo.h"
#include "records/StnFormat.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QVector<qint32> bibs;
    try {
        bibs = ReadStn(bytes).bibs;
    } catch (const RaisedError&) {
        return 0;
    }
    QVector<tBib> records(bibs.size());
    for (qsizetype i = 0; i < bibs.size(); ++i)
        records[i].Bib = bibs[i];
    const QByteArray written = FormatStn(records);
    if (ReadStn(written).bibs != bibs)
        std::abort();
    QVector<tBib> again(bibs.size());
    for (qsizetype i = 0; i < bibs.size(); ++i)
        again[i].Bib = ReadStn(written).bibs[i];
    if (FormatStn(again) != written)
        std::abort();
    return 0;
}
