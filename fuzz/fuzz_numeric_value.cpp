// Fuzz target for the numeric value of a text: never crashes or hangs, the byte and the text
// forms agree, results are finite, and whole numbers are in range or raise an overflow error.
#include "base/ErrorInfo.h"
#include "base/NumericValue.h"

#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
bool Value(const char* begin, const char* end, double& value) {
    try {
        value = NumericValue(begin, end);
        return true;
    } catch (const RaisedError&) {
        return false;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* begin = reinterpret_cast<const char*>(data);
    double fromBytes = 0;
    const bool bytesOk = Value(begin, begin + size, fromBytes);
    const QString text = QString::fromLatin1(begin, static_cast<qsizetype>(size));
    double fromText = 0;
    bool textOk = true;
    try {
        fromText = NumericValue(text);
    } catch (const RaisedError&) {
        textOk = false;
    }
    if (bytesOk != textOk || (bytesOk && !(fromBytes == fromText || (std::isnan(fromBytes) && std::isnan(fromText)))))
        std::abort();
    if (bytesOk && !std::isfinite(fromBytes))
        std::abort();
    if (bytesOk) {
        try {
            const qint32 whole = ToInt32(fromBytes);
            if (std::fabs(static_cast<double>(whole) - fromBytes) > 0.5)
                std::abort();
        } catch (const RaisedError&) {
            if (std::fabs(fromBytes) < 2147483647.0)
                std::abort();
        }
    }
    return 0;
}
