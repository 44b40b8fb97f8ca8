#include "startlist/CsvText.h"

#include <QStringDecoder>

#include <array>

QVector<CsvRecord> ParseCsv(const QString& text, QChar delimiter) {
    QVector<CsvRecord> records;
    CsvRecord record;
    QString field;
    bool inQuotes = false;
    bool quoted = false;     // the current field was quoted
    bool afterQuote = false; // its closing quote has been read
    bool recordStarted = false;
    qint32 line = 1;
    const auto endField = [&] {
        record.fields.append(quoted ? field : field.trimmed());
        field.clear();
        quoted = afterQuote = false;
    };
    const auto endRecord = [&] {
        if (recordStarted) {
            endField();
            // A line holding only blanks is a blank line, not a record with one empty field.
            if (!(record.fields.size() == 1 && record.fields.first().isEmpty() &&
                  record.fault == CsvRecord::Fault::None))
                records.append(record);
        }
        record = CsvRecord();
        recordStarted = false;
    };
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        const bool lineEnd = c == QLatin1Char('\r') || c == QLatin1Char('\n');
        if (lineEnd && c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n'))
            ++i; // CR LF is one line end
        if (!recordStarted && !lineEnd) {
            recordStarted = true;
            record.line = line;
        }
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < size && text.at(i + 1) == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    inQuotes = false;
                    afterQuote = true;
                }
            } else {
                field += lineEnd ? QStringLiteral("\n") : QString(c);
            }
            if (lineEnd)
                ++line;
            continue;
        }
        if (lineEnd) {
            ++line;
            endRecord();
        } else if (c == delimiter) {
            endField();
        } else if (afterQuote) {
            if (!c.isSpace())
                record.fault = CsvRecord::Fault::TextAfterQuote;
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            inQuotes = quoted = true;
        } else {
            field += c;
        }
    }
    if (inQuotes)
        record.fault = CsvRecord::Fault::UnclosedQuote;
    endRecord();
    return records;
}

QChar DetectCsvDelimiter(const QString& text) {
    const std::array<QChar, 3> candidates = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};
    std::array<int, 3> counts = {0, 0, 0};
    bool inQuotes = false;
    bool seenText = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        if (inQuotes)
            continue;
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (seenText)
                break;
            continue;
        }
        seenText = seenText || !c.isSpace();
        for (size_t k = 0; k < candidates.size(); ++k)
            counts[k] += c == candidates[k] ? 1 : 0;
    }
    size_t best = 2;
    for (size_t k = 0; k < candidates.size(); ++k) {
        if (counts[k] > counts[best] || (counts[k] == counts[best] && counts[k] > 0 && k < best))
            best = k;
    }
    return candidates[best];
}

QString DecodeTextFile(const QByteArray& bytes) {
    const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
    QStringDecoder decoder(marked.value_or(QStringConverter::Utf8));
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QString::fromLatin1(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text;
}

QString CsvField(const QString& value) {
    const bool needsQuotes = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
                             value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
                             (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsQuotes)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray CsvLine(const QStringList& fields) {
    QStringList written;
    written.reserve(fields.size());
    for (const QString& field : fields)
        written.append(CsvField(field));
    return written.join(QLatin1Char(',')).toUtf8() + "\r\n";
}
