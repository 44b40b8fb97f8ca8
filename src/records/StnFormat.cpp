#include "records/StnFormat.h"

#include "app/ErrorInfo.h"
#include "app/NumericValue.h"

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

QVector<qint32> ParseStn(const QByteArray& bytes) {
    // A record file is plain text: NUL bytes mean binary data or a UTF-16 text, whose "lines"
    // would read as bib 0 and whose content a later rewrite would destroy.
    if (memchr(bytes.constData(), 0, bytes.size()))
        Raise(ErrorNumber::InvalidFileFormat,
              QStringLiteral("The file is not a Marklog record file: it holds binary data "
                             "or text that is not plain ANSI. It was not opened, and it "
                             "was not changed."));
    QVector<qint32> bibs;
    const char* const end = bytes.constData() + bytes.size();
    const char* line = bytes.constData();
    qint64 lineNumber = 0;
    while (line < end) {
        const char* lineEnd = line;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        ++lineNumber;
        if (lineEnd - line > kMaxLineBytes)
            Raise(ErrorNumber::InvalidFileFormat,
                  QStringLiteral("The file is not a Marklog record file: its line %1 is %2 KB long, far longer "
                                 "than any record. It was not opened, and it was not changed.")
                      .arg(lineNumber)
                      .arg((lineEnd - line) / 1024));
        const char* separator = static_cast<const char*>(memchr(line, ';', lineEnd - line));
        if (separator) {
            try {
                bibs.append(ToInt32(NumericValue(separator + 1, lineEnd)));
            } catch (const RaisedError& error) {
                Raise(error.info().number,
                      QStringLiteral("Line %1 of the record file holds a bib that is not a valid "
                                     "number (%2). The file was not opened, and it was not changed.")
                          .arg(lineNumber)
                          .arg(error.info().description));
            }
        }
        // CR LF is one line end; a lone CR or a lone LF is one too.
        if (lineEnd < end && *lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n')
            ++lineEnd;
        line = lineEnd + 1;
    }
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
