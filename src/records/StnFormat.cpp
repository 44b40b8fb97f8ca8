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

} // namespace

StnRead ReadStn(const QByteArray& bytes) {
    StnRead read;
    // A power cut can leave a file's last blocks filled with zero bytes: a run of them at the end,
    // or lines holding nothing else, is padding.
    qsizetype size = bytes.size();
    while (size > 0 && bytes[size - 1] == '\0')
        --size;
    read.zeroPadding = size < bytes.size();
    const char* const end = bytes.constData() + size;
    const char* line = bytes.constData();
    qint64 lineNumber = 0;
    // Damage is local to a few lines; a file of another kind (binary data, UTF-16) has control
    // bytes all through, so lines holding them outnumber the clean records.
    qint64 notTextLines = 0;
    qint64 cleanRecords = 0;
    while (line < end) {
        bool nul = false;
        bool control = false;
        const char* lineEnd = line;
        for (; lineEnd < end; ++lineEnd) {
            const auto byte = static_cast<unsigned char>(*lineEnd);
            if (byte >= 0x20)
                continue;
            if (byte == '\r' || byte == '\n')
                break;
            if (byte == '\0')
                nul = true;
            else if (byte != '\t')
                control = true;
        }
        ++lineNumber;
        if (nul && !control && std::all_of(line, lineEnd, [](char byte) { return byte == '\0'; })) {
            read.zeroPadding = true;
        } else {
            if (lineEnd - line > kMaxLineBytes)
                Raise(ErrorNumber::InvalidFileFormat,
                      GetText(QStringLiteral("MKL_ERR_LONGLINE"),
                              {{QStringLiteral("[line]"), QString::number(lineNumber)},
                               {QStringLiteral("[size]"), QString::number((lineEnd - line) / 1024)}}));
            notTextLines += nul || control;
            const auto* separator = static_cast<const char*>(memchr(line, ';', lineEnd - line));
            // The last line, cut off before its bib was written.
            const bool torn = lineEnd == end && (!separator || std::all_of(separator + 1, lineEnd, [](char byte) {
                                  return byte == ' ' || byte == '\t';
                              }));
            if (nul || torn) {
                read.damagedLines.append(lineNumber);
            } else if (separator) {
                try {
                    read.bibs.append(ToInt32(NumericValue(separator + 1, lineEnd)));
                    cleanRecords += !control;
                } catch (const RaisedError&) {
                    read.damagedLines.append(lineNumber); // beyond 32 bits
                }
            }
        }
        // CR LF is one line end; a lone CR or a lone LF is one too.
        if (lineEnd < end && *lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n')
            ++lineEnd;
        line = lineEnd + 1;
    }
    if (notTextLines > cleanRecords)
        Raise(ErrorNumber::InvalidFileFormat, GetText(QStringLiteral("MKL_ERR_BINARY")));
    return read;
}

char* PutStnFields(char* out, qint64 position, qint32 bib) {
    out = std::to_chars(out, out + 20, position).ptr;
    *out++ = ';';
    return std::to_chars(out, out + 11, bib).ptr;
}

QByteArray FormatStnLine(qint64 position, qint32 bib) {
    char line[kStnFieldsSize + 2];
    char* out = PutStnFields(line, position, bib);
    *out++ = '\r';
    *out++ = '\n';
    return QByteArray(line, out - line);
}

// Written in place: a rewrite formats every record of the race.
QByteArray FormatStn(const QVector<tBib>& records) {
    QByteArray bytes(records.size() * (kStnFieldsSize + 2), Qt::Uninitialized);
    char* out = bytes.data();
    for (qsizetype i = 0; i < records.size(); ++i) {
        out = PutStnFields(out, i + 1, records[i].Bib);
        *out++ = '\r';
        *out++ = '\n';
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}
