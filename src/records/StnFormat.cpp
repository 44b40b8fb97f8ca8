#include "records/StnFormat.h"

#include "base/ErrorInfo.h"
#include "base/NumericValue.h"
#include "lang/clsLanguage.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// Longest line the reader takes. A record line is "position;bib", some 20 bytes; a line beyond this
// is a file of another kind, whose content a later rewrite of the list would destroy.
constexpr qsizetype kMaxLineBytes = 64 * 1024;

char* AppendDecimal(char* out, qint64 value) {
    return std::to_chars(out, out + 24, value).ptr;
}

void AppendLine(QByteArray& bytes, qint64 position, qint32 bib) {
    char buffer[48];
    char* out = AppendDecimal(buffer, position);
    *out++ = ';';
    out = AppendDecimal(out, bib);
    *out++ = '\r';
    *out++ = '\n';
    bytes.append(buffer, out - buffer);
}

} // namespace

QVector<qint32> ParseStn(const QByteArray& bytes, bool* zeroPadding) {
    if (zeroPadding)
        *zeroPadding = false;
    // A power cut can leave a file's last blocks filled with zero bytes: a run of them at the end,
    // or lines holding nothing else, is padding and skipped. A NUL beside other bytes of a line
    // means binary data or a UTF-16 text, whose "lines" would read as bib 0 and whose content a
    // later rewrite would destroy.
    qsizetype size = bytes.size();
    while (size > 0 && bytes[size - 1] == '\0')
        --size;
    bool padded = size < bytes.size();
    QVector<qint32> bibs;
    const char* const end = bytes.constData() + size;
    const char* line = bytes.constData();
    qint64 lineNumber = 0;
    while (line < end) {
        const char* lineEnd = line;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        ++lineNumber;
        if (memchr(line, 0, lineEnd - line)) {
            if (std::any_of(line, lineEnd, [](char byte) { return byte != '\0'; }))
                Raise(ErrorNumber::InvalidFileFormat, GetText(QStringLiteral("MKL_ERR_BINARY")));
            padded = true;
            line = lineEnd + 1;
            continue;
        }
        if (lineEnd - line > kMaxLineBytes)
            Raise(ErrorNumber::InvalidFileFormat,
                  GetText(QStringLiteral("MKL_ERR_LONGLINE"),
                          {{QStringLiteral("[line]"), QString::number(lineNumber)},
                           {QStringLiteral("[size]"), QString::number((lineEnd - line) / 1024)}}));
        if (const char* separator = static_cast<const char*>(memchr(line, ';', lineEnd - line))) {
            try {
                bibs.append(ToInt32(NumericValue(separator + 1, lineEnd)));
            } catch (const RaisedError& error) {
                Raise(error.info().number, GetText(QStringLiteral("MKL_ERR_BADBIB"),
                                                   {{QStringLiteral("[line]"), QString::number(lineNumber)},
                                                    {QStringLiteral("[reason]"), error.info().description}}));
            }
        }
        // CR LF is one line end; a lone CR or a lone LF is one too.
        if (lineEnd < end && *lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n')
            ++lineEnd;
        line = lineEnd + 1;
    }
    if (zeroPadding)
        *zeroPadding = padded;
    return bibs;
}

QByteArray FormatStnLine(qint64 position, qint32 bib) {
    QByteArray line;
    AppendLine(line, position, bib);
    return line;
}

QByteArray FormatStn(const QVector<tBib>& records) {
    QByteArray bytes;
    bytes.reserve(records.size() * 16);
    for (qsizetype i = 0; i < records.size(); ++i)
        AppendLine(bytes, i + 1, records[i].Bib);
    return bytes;
}
